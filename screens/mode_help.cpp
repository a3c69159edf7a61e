// CModeBase: the help texts of the instruments and the quick-help notice.
#include "core/res_string.h"
#include "platform/framework/system_services.h"
#include "screens/mode_base.h"
#include "screens/screen_services.h"

namespace {

// Hardware ids (model word & 0xFFF) and what they carry.
constexpr uint32_t kHardwareAll = 0x207, kHardwareAll2 = 0x107;
constexpr uint32_t kHardwareVna = 0x205, kHardwareSpecAn = 6;
// Viewer titles of the network analyzer, spectrum analyzer and power meter
// help; the custom help has none.
constexpr uint32_t kHelpTitles[] = {64184, 64185, 64186};
constexpr uint32_t kQuickHelpText = 64260;

}  // namespace

const std::u16string& CModeBase::help_path(int kind) const {
    const size_t i = kind < kHelpVna ? kHelpCustom : kind > kHelpCustom ? kHelpCustom : kind;
    return help_paths_[i];
}

uint32_t CModeBase::ShowModeHelp(int kind) {
    auto* s = services();
    const uint32_t id = s ? s->GetHardwareId() : 0;
    // A negative kind names no help file.
    if (kind < 0) return id;
    const bool all = id == kHardwareAll || id == kHardwareAll2;
    bool allowed = true;
    if (kind == kHelpVna) allowed = all || id == kHardwareVna;
    if (kind == kHelpSpecAn) allowed = all || id == kHardwareSpecAn;
    if (allowed) OpenHelp(kind > kHelpPowerMeter ? kHelpCustom : kind);
    return id;
}

void CModeBase::OpenHelp(int kind) {
    if (kind < 0) return;
    if (kind > kHelpCustom) kind = kHelpCustom;
    const core::Text title = kind < kHelpCustom ? LoadResString(kHelpTitles[kind]) : core::Text();
    if (auto* s = services()) s->RunQuickHelp(title, help_path(kind));
    RepaintFrame();
}

void CModeBase::ShowQuickHelpNotice() {
    if (auto* s = services())
        s->ShowScreenMessage(LoadResString(kQuickHelpText), plat::MB_ICONEXCLAMATION);
}

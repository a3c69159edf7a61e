#include "dialogs/dialog_services.h"

#include <atomic>

#include "core/posted_records.h"
#include "dialogs/message_dlg.h"
#include "platform/fs/file_system.h"

namespace {
std::atomic<IDialogServices*> g_services{nullptr};
// Fonts below or above these sizes are not ones the interface uses.
constexpr uint32_t kSmallestTenths = 40;
constexpr uint32_t kLargestTenths = 720;
}  // namespace

IDialogServices* IDialogServices::current() {
    return g_services.load(std::memory_order_acquire);
}

void IDialogServices::set_current(IDialogServices* services) {
    g_services.store(services, std::memory_order_release);
}

namespace {
int RunMessageDlg(plat::CWnd* parent, const std::u16string& text, uint32_t style,
                  const std::u16string& caption) {
    CMessageDlg dlg(parent, text, style, caption);
    return static_cast<int>(dlg.DoModal());
}
bool PlainCopy(const std::u16string& name, const std::u16string& source,
               const std::u16string& target) {
    return plat::copy_file(source + u"\\" + name, target + u"\\" + name, false);
}
}  // namespace

int IDialogServices::ShowMessage(const std::u16string& text, uint32_t style,
                                 const std::u16string& caption) {
    return RunMessageDlg(GetMainView(), text, style, caption);
}

void IDialogServices::HandOverToCurrentMode(std::unique_ptr<CBufferPair>) {}

bool IDialogServices::CopyFileWithProgress(const std::u16string& name, const std::u16string& source,
                                           const std::u16string& target) {
    return PlainCopy(name, source, target);
}

namespace dialog_services {

uint32_t SmallFontHeight() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetSmallFontHeight() : IDialogServices::kDefaultSmallSize;
}

uint32_t SmallFontWidth() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetSmallFontWidth() : IDialogServices::kDefaultSmallSize;
}

uint16_t SpiWord() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetSpiWord() : 0;
}

std::u16string FontFace() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetFontFace() : kDefaultFace;
}

uint32_t SmallFontWeight() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetSmallFontWeight() : kDefaultSmallWeight;
}

uint32_t LargeFontHeight() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetLargeFontHeight() : kDefaultLargeHeight;
}

plat::CWnd* MainView() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetMainView() : nullptr;
}

CSoftKeyMenu* SoftKeyBar() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetSoftKeyBar() : nullptr;
}

CPanelWidget* MenuKeyBar() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetMenuKeyBar() : nullptr;
}

bool QueryLinkValue(plat::Point p, uint32_t* key) {
    const IDialogServices* s = IDialogServices::current();
    if (s) return s->QueryLinkValue(p, key);
    if (key) *key = 0;
    return false;
}

CColorScheme* const* ColorSchemeHolder() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetColorSchemeHolder() : nullptr;
}

const CAntennaList* AntennaList() {
    const IDialogServices* s = IDialogServices::current();
    return s ? s->GetAntennaList() : nullptr;
}

int ShowMessage(const std::u16string& text, uint32_t style, const std::u16string& caption) {
    if (IDialogServices* s = IDialogServices::current())
        return s->ShowMessage(text, style, caption);
    return RunMessageDlg(nullptr, text, style, caption);
}

bool CopyFileWithProgress(const std::u16string& name, const std::u16string& source,
                          const std::u16string& target) {
    if (IDialogServices* s = IDialogServices::current())
        return s->CopyFileWithProgress(name, source, target);
    return PlainCopy(name, source, target);
}

plat::Font UiFont(uint32_t tenths) {
    if (tenths < kSmallestTenths || tenths > kLargestTenths) tenths = kDefaultLargeHeight;
    return plat::Font::create_point(static_cast<int>(tenths), FontFace());
}

}  // namespace dialog_services

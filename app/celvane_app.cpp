// CCelvaneApp: construction, the application object of the process and the
// services the program does not have yet.
#include "app/celvane_app.h"

#include "app/main_frame.h"
#include "core/debug_log.h"
#include "core/history.h"
#include "platform/kernel/debug_out.h"
#include "platform/text/utf.h"
#include "screens/mode_base.h"

CCelvaneApp::CCelvaneApp() = default;

CCelvaneApp::~CCelvaneApp() {
    if (IScreenServices::current() == this) IScreenServices::set_current(nullptr);
    // Screens the exit routine did not reach (a start that never ran it).
    while (auto* screen = static_cast<CModeBase*>(modes_.GetHead(true))) delete screen;
    if (GetDebugLog() == debug_log_.get()) SetDebugLog(nullptr);
}

CCelvaneApp* CCelvaneApp::GetApp() {
    return dynamic_cast<CCelvaneApp*>(plat::CWinApp::Get());
}

void CCelvaneApp::SkipService(const char16_t* what) {
    HistoryAdd(kHistoryStart, std::u16string(u"not present: ") + what, kHistoryNoValue);
    plat::debug_printf("CCelvaneApp: %s not present, skipped\n", plat::to_utf8(what).c_str());
}

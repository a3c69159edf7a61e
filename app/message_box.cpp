#include "app/message_box.h"

#include <mutex>

#include "app/celvane_app.h"
#include "core/res_string.h"
#include "platform/framework/controls.h"
#include "platform/framework/message_box.h"
#include "platform/kernel/debug_out.h"
#include "platform/text/utf.h"

namespace {

constexpr char16_t kStandardCaption[] = u"Tarnwick";

std::mutex g_observerMutex;
MessageBoxObserver g_observer;

void Notify(const std::u16string& text, uint32_t style) {
    MessageBoxObserver observer;
    {
        std::lock_guard lock(g_observerMutex);
        observer = g_observer;
    }
    if (observer) observer(text, style);
}

plat::CWnd* MainView() {
    CCelvaneApp* app = CCelvaneApp::GetApp();
    return app ? app->GetMainView() : nullptr;
}

// A program that is closing has no screen left and nobody to answer a box:
// the message goes to the debug output instead, and the caller takes the
// answer that changes nothing.
bool ClosingWithoutScreen(const std::u16string& text) {
    CCelvaneApp* app = CCelvaneApp::GetApp();
    if (!app || !app->IsClosing()) return false;
    plat::debug_printf("Message while closing: %s\n", plat::to_utf8(text).c_str());
    return true;
}

int QuietAnswer(uint32_t style) {
    switch (style & plat::MB_TYPEMASK) {
        case MB_OK:
            return plat::IDOK;
        case MB_YESNO:
            return plat::IDNO;
        default:
            return plat::IDCANCEL;
    }
}

}  // namespace

int ShowMessage(const std::u16string& text, uint32_t style, uint32_t /*extra*/,
                const std::u16string& caption) {
    const uint32_t buttons = style & plat::MB_TYPEMASK;
    if (buttons != MB_OK && buttons != MB_YESNO) return plat::IDCANCEL;
    plat::CWnd* view = MainView();
    Notify(text, style);
    if (ClosingWithoutScreen(text)) return QuietAnswer(style);
    intptr_t code;
    {
        CMessageDlg dlg(view, text, style, caption);
        code = dlg.DoModal();
    }
    if (view && plat::is_window(view)) {
        view->Invalidate();
        view->SetFocus();
    }
    if (buttons == MB_OK) return code == plat::IDOK ? plat::IDOK : plat::IDCANCEL;
    return code == plat::IDYES ? plat::IDYES : plat::IDNO;
}

int ShowMessageById(uint32_t id, uint32_t style, uint32_t extra) {
    return ShowMessage(LoadResString(id), style, extra);
}

int StandardMessageBox(const std::u16string& text, uint32_t style) {
    Notify(text, style);
    if (ClosingWithoutScreen(text)) return QuietAnswer(style);
    plat::CWnd* view = MainView();
    const int answer = plat::message_box(view, text, kStandardCaption, style);
    if (view && plat::is_window(view)) view->SetFocus();
    return answer;
}

void ShowExceptionMessage(const std::u16string& text) {
    StandardMessageBox(u"Tarnwick::" + text, MB_OK);
}

void SetMessageBoxObserver(MessageBoxObserver observer) {
    std::lock_guard lock(g_observerMutex);
    g_observer = std::move(observer);
}

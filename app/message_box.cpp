#include "app/message_box.h"

#include <mutex>

#include "app/celvane_app.h"
#include "core/res_string.h"
#include "platform/framework/controls.h"
#include "platform/framework/message_box.h"

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

void RegisterTemplates() {
    static std::once_flag once;
    std::call_once(once, [] {
        plat::DialogTemplate box;
        box.id = CMessageDlg::IDD;
        box.style = plat::WS_POPUP | plat::WS_CAPTION | plat::DS_MODALFRAME | plat::DS_CENTER;
        box.cx = 270;
        box.cy = 133;
        box.font_face = u"Tahoma";
        box.point_size = 8;
        box.items = {
            {"STATIC", u"", CMessageDlg::kText, plat::SS_CENTER, 50, 7, 210, 85},
            {"BUTTON", u"", CMessageDlg::kYes, plat::BS_PUSHBUTTON | plat::WS_TABSTOP, 103, 102, 25,
             21},
            {"BUTTON", u"", CMessageDlg::kOk, plat::BS_DEFPUSHBUTTON | plat::WS_TABSTOP, 129, 102,
             25, 21},
            {"BUTTON", u"", CMessageDlg::kNo, plat::BS_PUSHBUTTON | plat::WS_TABSTOP, 155, 102, 26,
             21},
        };
        plat::register_dialog_template(box);
    });
}

plat::CWnd* MainView() {
    CCelvaneApp* app = CCelvaneApp::GetApp();
    return app ? app->GetMainView() : nullptr;
}

}  // namespace

CMessageDlg::CMessageDlg(plat::CWnd* parent, std::u16string text, uint32_t style)
    : CDialog(IDD, parent), text_(std::move(text)), style_(style) {
    RegisterTemplates();
    CCelvaneApp* app = CCelvaneApp::GetApp();
    const UiFonts fonts = app ? app->GetFonts() : UiFonts{};
    font_ = plat::Font::create_point(static_cast<int>(fonts.large.height), fonts.small.face);
}

bool CMessageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int id : {kText, kYes, kNo, kOk})
        if (auto* c = GetDlgItem(id)) c->SetFont(font_, true);
    if (auto* t = GetDlgItem(kText)) t->SetWindowText(text_);
    auto* yes = GetDlgItem(kYes);
    auto* no = GetDlgItem(kNo);
    auto* ok = GetDlgItem(kOk);
    if ((style_ & 7) == MB_OK) {
        if (yes) yes->ShowWindow(plat::SW_HIDE);
        if (no) no->ShowWindow(plat::SW_HIDE);
        if (ok) {
            ok->SetWindowText(LoadResString(2640));
            ok->ShowWindow(plat::SW_SHOW);
            ok->SetFocus();
        }
    } else if (yes_no()) {
        if (ok) ok->ShowWindow(plat::SW_HIDE);
        if (yes) {
            yes->SetWindowText(LoadResString(958));
            yes->ShowWindow(plat::SW_SHOW);
        }
        if (no) {
            no->SetWindowText(LoadResString(959));
            no->ShowWindow(plat::SW_SHOW);
        }
        if (yes) yes->SetFocus();
    }
    return false;
}

bool CMessageDlg::PreTranslateMessage(const plat::Message& msg) {
    if (msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_KEYUP) {
        const auto key = static_cast<uint32_t>(msg.wparam);
        if (key == plat::VK_ESCAPE) {
            EndDialog(plat::IDCANCEL);
            return true;
        }
        if (msg.message == plat::WM_KEYDOWN) {
            if (yes_no() && (key == plat::VK_LEFT || key == plat::VK_RIGHT)) {
                if (auto* b = GetDlgItem(key == plat::VK_LEFT ? kYes : kNo)) b->SetFocus();
                return true;
            }
            if (key == plat::VK_RETURN) {
                plat::CWnd* focus = plat::CWnd::GetFocus();
                if (focus && focus == GetDlgItem(kYes))
                    EndDialog(plat::IDYES);
                else if (focus && focus == GetDlgItem(kNo))
                    EndDialog(plat::IDNO);
                else if (focus && focus == GetDlgItem(kOk))
                    EndDialog(plat::IDOK);
                else
                    return CDialog::PreTranslateMessage(msg);
                return true;
            }
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

bool CMessageDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    if (plat::hiword(wparam) == plat::BN_CLICKED) {
        switch (plat::loword(wparam)) {
            case kYes:
                EndDialog(plat::IDYES);
                return true;
            case kNo:
                EndDialog(plat::IDNO);
                return true;
            case kOk:
                EndDialog(plat::IDOK);
                return true;
            default:
                break;
        }
    }
    return CDialog::OnCommand(wparam, lparam);
}

int ShowMessage(const std::u16string& text, uint32_t style, uint32_t /*extra*/) {
    const uint32_t buttons = style & 7;
    if (buttons != MB_OK && buttons != MB_YESNO) return plat::IDCANCEL;
    plat::CWnd* view = MainView();
    Notify(text, style);
    intptr_t code;
    {
        CMessageDlg dlg(view, text, style);
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
    RegisterTemplates();
    Notify(text, style);
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

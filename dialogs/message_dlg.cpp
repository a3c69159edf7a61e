#include "dialogs/message_dlg.h"

#include <mutex>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "platform/framework/edit.h"
#include "platform/framework/message_box.h"
#include "platform/gfx/artwork.h"
#include "platform/sound/sound.h"

namespace {

std::u16string BitmapRef(int id) {
    const std::string s = "#" + std::to_string(id);
    return std::u16string(s.begin(), s.end());
}

}  // namespace

CMessageDlg::CMessageDlg(plat::CWnd* parent, std::u16string text, uint32_t type,
                         std::u16string caption)
    : CDialog(IDD, parent),
      m_Text(std::move(text)),
      m_Type(type),
      m_Caption(std::move(caption)),
      m_Font(dialog_services::UiFont(dialog_services::LargeFontHeight())) {
    RegisterMessageBoxTemplates();
}

CMessageDlg::~CMessageDlg() = default;

bool CMessageDlg::yes_no() const {
    return (m_Type & plat::MB_TYPEMASK) == plat::MB_YESNO;
}

int CMessageDlg::IconFor(uint32_t type) {
    switch (type & plat::MB_ICONMASK) {
        case plat::MB_ICONHAND:
            return kStopIcon;
        case plat::MB_ICONEXCLAMATION:
            return kWarningIcon;
        case plat::MB_ICONQUESTION:
            return kQuestionIcon;
        default:
            return kInformationIcon;
    }
}

const char16_t* CMessageDlg::SoundFor(uint32_t type) {
    const uint32_t icon = type & plat::MB_ICONMASK;
    return icon == plat::MB_ICONHAND || icon == plat::MB_ICONEXCLAMATION ? kCriticalSound
                                                                         : kQuestionSound;
}

bool CMessageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_Font) {
        for (int id : {kText, kYes, kNo, kOk})
            if (auto* c = GetDlgItem(id)) c->SetFont(m_Font, true);
    }
    if (auto* t = GetDlgItem(kText)) t->SetWindowText(m_Text);
    if (!m_Caption.empty()) SetWindowText(m_Caption);
    auto* yes = GetDlgItem(kYes);
    auto* no = GetDlgItem(kNo);
    auto* ok = GetDlgItem(kOk);
    if ((m_Type & plat::MB_TYPEMASK) == plat::MB_OK) {
        if (yes) yes->ShowWindow(plat::SW_HIDE);
        if (no) no->ShowWindow(plat::SW_HIDE);
        if (ok) {
            ok->SetWindowText(LoadResString(kOkLabel));
            ok->ShowWindow(plat::SW_SHOW);
            ok->SetFocus();
        }
    } else if (yes_no()) {
        if (ok) ok->ShowWindow(plat::SW_HIDE);
        if (yes) {
            yes->SetWindowText(LoadResString(kYesLabel));
            yes->ShowWindow(plat::SW_SHOW);
        }
        if (no) {
            no->SetWindowText(LoadResString(kNoLabel));
            no->ShowWindow(plat::SW_SHOW);
        }
        if (yes) yes->SetFocus();
    }
    const int shown = IconFor(m_Type);
    for (int id : {kStopIcon, kWarningIcon, kQuestionIcon, kInformationIcon})
        if (auto* icon = GetDlgItem(id))
            icon->ShowWindow(id == shown ? plat::SW_SHOW : plat::SW_HIDE);
    // The box shows once its sound has ended.
    plat::play_sound(SoundFor(m_Type), plat::SND_FILENAME | plat::SND_SYNC);
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
                if (focus && focus == GetDlgItem(kYes)) {
                    EndDialog(plat::IDYES);
                } else if (focus && focus == GetDlgItem(kNo)) {
                    EndDialog(plat::IDNO);
                } else if (focus && focus == GetDlgItem(kOk)) {
                    EndDialog(plat::IDOK);
                } else {
                    return CDialog::PreTranslateMessage(msg);
                }
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

void RegisterMessageBoxTemplates() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate box;
        box.id = CMessageDlg::IDD;
        box.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        box.cx = 270;
        box.cy = 133;
        box.font_face = u"SC_Song";
        box.point_size = 8;
        const uint32_t icon = SS_BITMAP | SS_CENTERIMAGE;
        box.items = {
            {"STATIC", u"", CMessageDlg::kText, SS_CENTER, 50, 7, 210, 85},
            {"BUTTON", u"", CMessageDlg::kYes, BS_PUSHBUTTON | WS_TABSTOP, 103, 102, 25, 21},
            {"BUTTON", u"", CMessageDlg::kOk, BS_DEFPUSHBUTTON | WS_TABSTOP, 129, 102, 25, 21},
            {"BUTTON", u"", CMessageDlg::kNo, BS_PUSHBUTTON | WS_TABSTOP, 155, 102, 26, 21},
            {"STATIC", BitmapRef(kStopIconBitmap), CMessageDlg::kStopIcon, icon, 7, 49, 32, 35},
            {"STATIC", BitmapRef(kInformationIconBitmap), CMessageDlg::kInformationIcon, icon, 7,
             50, 32, 35},
            {"STATIC", BitmapRef(kWarningIconBitmap), CMessageDlg::kWarningIcon, icon, 7, 52, 32,
             35},
            {"STATIC", BitmapRef(kQuestionIconBitmap), CMessageDlg::kQuestionIcon, icon, 7, 54, 32,
             35},
        };
        register_dialog_template(box);
    });
}

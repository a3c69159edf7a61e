#include "dialogs/alert_dlg.h"

#include <mutex>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/edit.h"
#include "widgets/color_scheme.h"

void RegisterAlertTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        plat::DialogTemplate t;
        t.id = CAlertMessageDlg::IDD;
        t.style = plat::WS_POPUP | plat::WS_CAPTION | plat::DS_CENTER;
        t.cx = 232;
        t.cy = 66;
        t.font_face = u"System";
        t.items = {
            {"EDIT", u"", CAlertMessageDlg::kMessageEdit, plat::ES_MULTILINE | plat::ES_READONLY,
             10, 15, 210, 40},
        };
        plat::register_dialog_template(t);
    });
}

CAlertMessageDlg::CAlertMessageDlg(plat::CWnd* parent)
    : CSoftKeyDlg(IDD, parent),
      m_pAlertParent(parent),
      m_Font(dialog_services::UiFont(dialog_services::LargeFontHeight())) {
    RegisterAlertTemplate();
}

CAlertMessageDlg::~CAlertMessageDlg() {
    if (exists()) DestroyWindow();
}

bool CAlertMessageDlg::Create() {
    return CDialog::Create(m_Idd, m_pAlertParent);
}

void CAlertMessageDlg::DoDataExchange() {
    CSoftKeyDlg::DoDataExchange();
    if (auto* edit = GetDlgItem(kMessageEdit)) edit->SetWindowText(m_Message);
}

bool CAlertMessageDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    m_pForeground = plat::focus_window();
    const CColorScheme* scheme = m_ppScheme ? *m_ppScheme : nullptr;
    m_Brush = plat::Brush::solid(scheme ? scheme->GetColor(kBackgroundEntry) : kFaceColor);
    auto* edit = GetDlgItem(kMessageEdit);
    if (edit && m_Font) edit->SetFont(m_Font, true);
    m_Caption = LoadResString(m_CaptionId);
    m_Message = LoadResString(m_MessageId);
    SetWindowText(m_Caption);
    if (edit) edit->SetWindowText(m_Message);
    return true;
}

bool CAlertMessageDlg::PreTranslateMessage(const plat::Message& msg) {
    if (msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_MOUSEWHEEL) OnOK();
    return CSoftKeyDlg::PreTranslateMessage(msg);
}

void CAlertMessageDlg::OnOK() {
    // Ends the dialog and hides it; the window stays until its owner
    // destroys it.
    StopCaptureWatch();
    if (exists()) ShowWindow(plat::SW_HIDE);
}

intptr_t CAlertMessageDlg::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    if (msg == plat::WM_DESTROY) {
        const intptr_t r = CSoftKeyDlg::WindowProc(msg, wp, lp);
        plat::Window* back = m_pForeground;
        m_pForeground = nullptr;
        if (back && back != this && plat::is_window(back) && !back->is_descendant_of(this))
            plat::set_focus(back);
        return r;
    }
    return CSoftKeyDlg::WindowProc(msg, wp, lp);
}

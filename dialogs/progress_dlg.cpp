#include "dialogs/progress_dlg.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/edit.h"

void RegisterProgressTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CProgressDlg::IDD;
        t.style = WS_POPUP | WS_BORDER | DS_CENTER;
        t.cx = 186;
        t.cy = 52;
        t.font_face = u"System";
        t.items = {
            {"EDIT", u"", CProgressDlg::kTextEdit, ES_READONLY | ES_CENTER, 7, 7, 172, 12},
            {"STATIC", u"0%", 0, SS_LEFT, 7, 27, 20, 8},
            {"STATIC", u"100%", 0, SS_LEFT, 159, 27, 24, 8},
            {kProgressClass, u"", CProgressDlg::kBar, WS_BORDER, 7, 37, 172, 8},
        };
        register_dialog_template(t);
    });
}

CProgressDlg::CProgressDlg(plat::CWnd* parent) : CDialog(IDD, parent) {
    RegisterProgressTemplate();
    AttachControl(kBar, &m_Bar);
}

CProgressDlg::~CProgressDlg() {
    if (exists()) DestroyWindow();
}

void CProgressDlg::DoDataExchange() {
    if (auto* edit = GetDlgItem(kTextEdit)) edit->SetWindowText(m_Text);
}

bool CProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    return true;
}

void CProgressDlg::SetProgress(uint32_t position, uint32_t maximum) {
    if (position == 0) {
        const auto top = static_cast<int32_t>(std::min<uint32_t>(maximum, INT32_MAX));
        if (m_Bar.exists()) {
            m_Bar.SetRange32(0, top);
            m_Bar.SetPos(0);
        }
        m_Max = maximum;
        m_Pos = 0;
    } else {
        if (m_Bar.exists())
            m_Bar.SetPos(static_cast<int32_t>(std::min<uint32_t>(position, INT32_MAX)));
        m_Pos = position;
    }
    DoDataExchange();
}

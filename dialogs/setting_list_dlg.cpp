#include "dialogs/setting_list_dlg.h"

#include <iterator>
#include <mutex>

#include "core/res_string.h"
#include "core/text.h"
#include "dialogs/dialog_services.h"
#include "files/lists/antenna.h"
#include "files/vna_meas_setup.h"
#include "platform/framework/controls.h"
#include "platform/framework/list_box.h"

namespace {

void RegisterSettingListTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CSettingListDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 240;
        t.cy = 130;
        t.caption = u"Select Setting Value";
        const uint32_t plain = ES_READONLY | ES_LEFT | WS_BORDER;
        t.items = {
            {"EDIT", u"", CSettingListDlg::kCaptionEdit, plain, 7, 10, 120, 16},
            {"EDIT", u"", CSettingListDlg::kValueEdit, plain, 7, 32, 120, 16},
            {"LISTBOX", u"", CSettingListDlg::kListId,
             LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP, 105, 10, 98, 112},
        };
        register_dialog_template(t);
    });
}

}  // namespace

// ------------------------------------------------------------ CSettingListDlg

CSettingListDlg::CSettingListDlg(plat::CWnd* parent) : CListBoxDlg(IDD, parent, kListId) {
    plat::register_basic_controls();
    RegisterSettingListTemplate();
    AttachControl(kValueEdit, &m_ValueEdit);
    AttachControl(kCaptionEdit, &m_CaptionEdit);
}

bool CSettingListDlg::OnInitDialog() {
    CListBoxDlg::OnInitDialog();
    SetWindowText(LoadResString(kTitleText));
    if (m_LargeFont) {
        m_ValueEdit.SetFont(m_LargeFont, true);
        m_CaptionEdit.SetFont(m_LargeFont, true);
    }
    return false;  // the list has the focus
}

void CSettingListDlg::SetTexts(const std::u16string& caption, const std::u16string& value) {
    m_CaptionEdit.SetWindowText(caption);
    m_ValueEdit.SetWindowText(value);
}

void CSettingListDlg::LayoutControls() {
    plat::Rect caption = m_CaptionEdit.GetWindowRect();
    plat::Point tl{caption.left, caption.top}, br{caption.right, caption.bottom};
    ScreenToClient(tl);
    ScreenToClient(br);
    caption = {tl.x, tl.y, tl.x + (br.x - tl.x) / 2, br.y};
    m_CaptionEdit.MoveWindow(caption);

    const plat::Rect list = m_List.GetWindowRect();
    plat::Point list_top{list.left, list.top};
    ScreenToClient(list_top);
    const plat::Rect dialog = GetWindowRect();
    plat::Point dialog_right{dialog.right, dialog.top};
    ScreenToClient(dialog_right);
    const int left = caption.right + kListGap;
    const int right = dialog_right.x - kRightInset;
    m_List.MoveWindow({left, list_top.y, right, list_top.y + list.height()});
}

// ------------------------------------------------------------ CDataPointsDlg

CDataPointsDlg::CDataPointsDlg(plat::CWnd* parent, int32_t current)
    : CSettingListDlg(parent), m_nCurrent(current), m_nSelection(current) {}

bool CDataPointsDlg::OnInitDialog() {
    CSettingListDlg::OnInitDialog();
    SetTexts(LoadResString(kCaptionText), core::FormatText("%d", m_nCurrent));
    for (uint32_t i = 0; i < CVNAMeasSetup::GetStepCount(); ++i)
        m_List.AddString(core::FormatText("%d", CVNAMeasSetup::GetStepValue(i)));
    m_List.SetCurSel(static_cast<int>(CVNAMeasSetup::FindStepIndex(m_nCurrent)));
    RedrawSoftKeys();
    return false;
}

void CDataPointsDlg::OnOK() {
    const int row = m_List.GetCurSel();
    if (row >= 0) m_nSelection = CVNAMeasSetup::GetStepValue(static_cast<uint32_t>(row));
    CSettingListDlg::OnOK();
}

// ------------------------------------------------------------ CRbwVbwDlg

CRbwVbwDlg::CRbwVbwDlg(plat::CWnd* parent, double current)
    : CSettingListDlg(parent), m_dCurrent(current), m_dSelection(current) {}

int CRbwVbwDlg::RowOf(double ratio) {
    const int n = static_cast<int>(std::size(kRatios));
    for (int i = 0; i < n; ++i)
        if (kRatios[i] >= ratio) return i;
    return n - 1;
}

bool CRbwVbwDlg::OnInitDialog() {
    CSettingListDlg::OnInitDialog();
    SetTexts(LoadResString(kCaptionText), core::FormatText("%6.1f", m_dCurrent));
    for (double r : kRatios) m_List.AddString(core::FormatText("%6.1f", r));
    m_List.SetCurSel(RowOf(m_dCurrent));
    RedrawSoftKeys();
    return false;
}

void CRbwVbwDlg::OnOK() {
    const int row = m_List.GetCurSel();
    if (row >= 0 && row < static_cast<int>(std::size(kRatios))) m_dSelection = kRatios[row];
    CSettingListDlg::OnOK();
}

// ------------------------------------------------------------ CValueListDlg

CValueListDlg::CValueListDlg(plat::CWnd* parent, std::u16string current)
    : CValueListDlg(parent, std::move(current), dialog_services::AntennaList()) {}

CValueListDlg::CValueListDlg(plat::CWnd* parent, std::u16string current, const CAntennaList* list)
    : CSettingListDlg(parent), m_Current(std::move(current)), m_pList(list) {
    if (!m_pList) return;
    for (uint32_t i = 0; i < m_pList->GetCount(); ++i) {
        CAntenna* a = m_pList->GetAt(i);
        if (a && a->GetName() == m_Current) {
            m_pSelection = a;
            m_nIndex = static_cast<int>(i);
            break;
        }
    }
}

bool CValueListDlg::OnInitDialog() {
    CSettingListDlg::OnInitDialog();
    SetTexts(LoadResString(kCaptionText), u"");
    const uint32_t n = m_pList ? m_pList->GetCount() : 0;
    for (uint32_t i = 0; i < n; ++i) {
        const CAntenna* a = m_pList->GetAt(i);
        m_List.AddString(a ? a->GetName() : core::Text());
    }
    if (n) m_List.SetCurSel(m_nIndex >= 0 ? m_nIndex : 0);
    m_ValueEdit.ShowWindow(plat::SW_HIDE);
    LayoutControls();
    RedrawSoftKeys();
    return false;
}

void CValueListDlg::OnOK() {
    const int row = m_List.GetCurSel();
    if (row >= 0 && m_pList) {
        if (CAntenna* a = m_pList->GetAt(static_cast<size_t>(row))) {
            m_pSelection = a;
            m_nIndex = row;
        }
    }
    CSettingListDlg::OnOK();
}

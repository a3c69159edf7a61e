#include "dialogs/list_box_dlg.h"

#include "widgets/soft_key_menu.h"

namespace {
constexpr int kSoftKeyCount = 8;
constexpr int kSelectKey = 5;  // soft key 6
constexpr int kBackKey = 7;    // soft key 8
}  // namespace

void CWrapListBox::MoveTo(int row) {
    SetCurSel(row);
    notify(plat::LBN_SELCHANGE);
}

bool CWrapListBox::HandleKey(uint32_t key) {
    const int n = GetCount();
    const int cur = GetCurSel();
    switch (key) {
        case plat::vk_function(4):
        case plat::VK_RIGHT:
            if (n) MoveTo(0);
            return true;
        case plat::vk_function(5):
        case plat::VK_LEFT:
            if (n) MoveTo(n - 1);
            return true;
        case plat::VK_UP:
            if (n) MoveTo(cur <= 0 ? n - 1 : cur - 1);
            return true;
        case plat::VK_DOWN:
            if (n) MoveTo(cur < 0 || cur >= n - 1 ? 0 : cur + 1);
            return true;
        default:
            return false;
    }
}

void CWrapListBox::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (!HandleKey(key)) CListBox::OnKeyDown(key, repeat, flags);
}

bool CWrapListBox::OnMouseWheel(uint32_t, int delta, plat::Point) {
    const int n = GetCount();
    const int cur = GetCurSel();
    if (n) {
        if (delta >= 0) {
            MoveTo(cur < 0 || cur >= n - 1 ? 0 : cur + 1);
        } else {
            MoveTo(cur <= 0 ? n - 1 : cur - 1);
        }
    }
    Default();
    return true;
}

CListBoxDlg::CListBoxDlg(int idd, plat::CWnd* parent, int list_id)
    : CSoftKeyDlg(idd, parent), m_ListId(list_id) {
    AttachControl(list_id, &m_List);
}

CListBoxDlg::~CListBoxDlg() {
    // The list goes before the soft-key part of the dialog.
    if (m_List.exists()) m_List.DestroyWindow();
}

bool CListBoxDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    static constexpr uint32_t kLabels[kSoftKeyCount] = {kBlankLabel, kBlankLabel,  kBlankLabel,
                                                        kTopLabel,   kBottomLabel, kSelectLabel,
                                                        kBlankLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);
    if (m_List.exists()) m_List.SetFocus();
    return false;
}

void CListBoxDlg::OnOK() {
    if (m_List.GetCurSel() < 0) {
        CSoftKeyDlg::OnCancel();
        return;
    }
    CSoftKeyDlg::OnOK();
}

void CListBoxDlg::RedrawSoftKeys() {
    if (m_pSoftKeys) m_pSoftKeys->RedrawAll();
}

bool CListBoxDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return false;
    if (index == kSelectKey) {
        OnOK();
        return true;
    }
    if (index == kBackKey) {
        OnCancel();
        return true;
    }
    return false;
}

intptr_t CListBoxDlg::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    switch (msg) {
        case plat::WM_KEYDOWN:
            if (m_List.exists()) m_List.HandleKey(static_cast<uint32_t>(wp));
            return CSoftKeyDlg::WindowProc(msg, wp, lp);
        case plat::WM_SETFOCUS:
            if (m_List.exists()) {
                m_List.SetFocus();
                return 0;
            }
            return CSoftKeyDlg::WindowProc(msg, wp, lp);
        default:
            return CSoftKeyDlg::WindowProc(msg, wp, lp);
    }
}

#include "dialogs/tw_print_dlg.h"

#include <mutex>

#include "core/settings/system_settings.h"
#include "platform/framework/message_box.h"
#include "platform/window/messages.h"

namespace {

constexpr const char16_t* kCaption = u"Printer Message";

void RegisterPrintTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CTWPrintDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 280;
        t.cy = 102;
        t.caption = u"Printer Dialog";
        const uint32_t combo = CBS_DROPDOWNLIST | WS_TABSTOP;
        const uint32_t check = BS_CHECKBOX | WS_TABSTOP;
        t.items = {
            {"STATIC", u"Printer:", CTWPrintDlg::kPrinterLabel, 0, 7, 9, 40, 10},
            {"COMBOBOX", u"", CTWPrintDlg::kPrinterCombo, combo, 50, 7, 120, 60},
            {"STATIC", u"Port:", CTWPrintDlg::kPortLabel, 0, 7, 27, 40, 10},
            {"COMBOBOX", u"", CTWPrintDlg::kPortCombo, combo, 50, 25, 120, 60},
            {"BUTTON", u"Orientation", CTWPrintDlg::kOrientationGroup, BS_GROUPBOX, 7, 43, 163, 28},
            {"BUTTON", u"Portrait", CTWPrintDlg::kPortrait, BS_RADIOBUTTON | WS_TABSTOP, 14, 54, 65,
             12},
            {"BUTTON", u"Landscape", CTWPrintDlg::kLandscape, BS_RADIOBUTTON | WS_TABSTOP, 90, 54,
             70, 12},
            {"BUTTON", u"Draft Mode", CTWPrintDlg::kDraftMode, check, 14, 79, 70, 12},
            {"BUTTON", u"Color", CTWPrintDlg::kColor, check, 90, 79, 60, 12},
            {"BUTTON", u"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 190, 7, 80, 20},
            {"BUTTON", u"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 190, 32, 80, 20},
        };
        register_dialog_template(t);
    });
}

std::u16string SelectedText(const plat::CComboBox& box) {
    std::u16string text;
    if (box.GetCount() > 0 && box.GetCurSel() >= 0) box.GetLBText(box.GetCurSel(), text);
    return text;
}

}  // namespace

CTWPrintDlg::CTWPrintDlg(plat::CWnd* parent, const CPrinterRecord* table, uint32_t count)
    : plat::CDialog(IDD, parent), m_pParent(parent), m_pTable(table), m_nCount(table ? count : 0) {
    plat::register_basic_controls();
    RegisterPrintTemplate();
    AttachControl(kPortCombo, &m_PortCombo);
    AttachControl(kPrinterCombo, &m_PrinterCombo);
    AttachControl(kPortrait, &m_Portrait);
    AttachControl(kLandscape, &m_Landscape);
    AttachControl(kColor, &m_ColorBox);
    AttachControl(kDraftMode, &m_DraftBox);
}

bool CTWPrintDlg::OnInitDialog() {
    plat::CDialog::OnInitDialog();
    for (uint32_t i = 0; i < m_nCount; ++i) {
        const CPrinterRecord& r = m_pTable[i];
        if (!r.Name.empty()) m_PrinterCombo.AddString(r.Name);
        const bool same_port = i > 0 && m_pTable[i - 1].Port == r.Port;
        if (!r.Port.empty() && !same_port) m_PortCombo.AddString(r.Port);
    }
    if (m_PrinterCombo.GetCount() > 0) m_PrinterCombo.SetCurSel(0);
    if (m_PortCombo.GetCount() > 0) m_PortCombo.SetCurSel(0);
    m_Printer = SelectedText(m_PrinterCombo);
    m_Port = SelectedText(m_PortCombo);
    m_nDraft = 1;
    m_nColor = 1;
    m_PrinterCombo.SetFocus();
    Exchange(false);
    return false;  // the focus is set
}

void CTWPrintDlg::Exchange(bool save) {
    if (save) {
        m_nDraft = m_DraftBox.GetCheck() == plat::BST_CHECKED ? 1 : 0;
        m_nColor = m_ColorBox.GetCheck() == plat::BST_CHECKED ? 1 : 0;
        m_nOrientation = m_Landscape.GetCheck() == plat::BST_CHECKED ? 1 : 0;
        return;
    }
    const auto state = [](bool on) { return on ? plat::BST_CHECKED : plat::BST_UNCHECKED; };
    m_DraftBox.SetCheck(state(m_nDraft != 0));
    m_ColorBox.SetCheck(state(m_nColor != 0));
    m_Portrait.SetCheck(state(m_nOrientation == 0));
    m_Landscape.SetCheck(state(m_nOrientation == 1));
}

void CTWPrintDlg::Flip(int& flag, plat::CButton& box) {
    flag = flag ? 0 : 1;
    box.SetFocus();
}

bool CTWPrintDlg::OnKeyPress(uint32_t key) {
    plat::CWnd* focus = GetFocus();
    switch (key) {
        case plat::VK_RETURN:
            OnOK();
            return true;
        case plat::VK_ESCAPE:
            EndDialog(plat::IDCANCEL);
            return true;
        case plat::VK_LEFT:
        case plat::VK_RIGHT:
            if (key == plat::VK_LEFT)
                PrevDlgCtrl();
            else
                NextDlgCtrl();
            return !IsCheckBox(focus);
        case plat::VK_UP:
        case plat::VK_DOWN:
            if (focus != &m_Portrait && focus != &m_Landscape && !IsCheckBox(focus)) return false;
            Exchange(true);
            if (focus == &m_DraftBox)
                Flip(m_nDraft, m_DraftBox);
            else if (focus == &m_ColorBox)
                Flip(m_nColor, m_ColorBox);
            else
                m_nOrientation = m_nOrientation ? 0 : 1;
            Exchange(false);
            return true;
        default:
            return true;
    }
}

bool CTWPrintDlg::PreTranslateMessage(const plat::Message& msg) {
    switch (msg.message) {
        case plat::WM_KEYDOWN:
            return OnKeyPress(static_cast<uint32_t>(msg.wparam));
        case plat::WM_KEYUP:
        case plat::WM_CHAR:
            return true;
        case plat::WM_MOUSEWHEEL:
            if (plat::get_wheel_delta(msg.wparam) >= 0)
                PrevDlgCtrl();
            else
                NextDlgCtrl();
            return true;
        default:
            return plat::CDialog::PreTranslateMessage(msg);
    }
}

bool CTWPrintDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    const int id = static_cast<int>(wparam & 0xFFFF);
    const auto code = static_cast<uint32_t>(wparam >> 16);
    if (code == plat::BN_CLICKED && id == kDraftMode) {
        Exchange(true);
        Flip(m_nDraft, m_DraftBox);
        Exchange(false);
        return true;
    }
    if (code == plat::BN_CLICKED && id == kColor) {
        Exchange(true);
        Flip(m_nColor, m_ColorBox);
        Exchange(false);
        return true;
    }
    if (code == plat::BN_CLICKED && (id == kPortrait || id == kLandscape)) {
        m_nOrientation = id == kLandscape ? 1 : 0;
        Exchange(false);
        return true;
    }
    return plat::CDialog::OnCommand(wparam, lparam);
}

void CTWPrintDlg::OnOK() {
    Exchange(true);
    if (m_PrinterCombo.GetCount() > 0) m_Printer = SelectedText(m_PrinterCombo);
    if (m_PortCombo.GetCount() > 0) m_Port = SelectedText(m_PortCombo);
    if (m_nDraft == 0)
        plat::message_box(m_pParent, kHighQualityWarning, kCaption,
                          plat::MB_OK | plat::MB_ICONQUESTION);
    EndDialog(plat::IDOK);
}

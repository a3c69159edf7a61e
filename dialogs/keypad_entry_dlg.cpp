#include "dialogs/keypad_entry_dlg.h"

#include <mutex>

#include "platform/framework/dialog.h"

namespace {

constexpr int kDigitCount = 10;

// The entry's controls after the soft-key initialisation: the fonts, the
// initial text with the caret at its end, and the focus in the edit.
void InitEntryControls(CNumericEdit& edit, plat::CStatic& caption, const plat::Font& edit_font,
                       const plat::Font& caption_font, std::u16string_view initial) {
    if (caption.exists()) caption.SetFont(caption_font);
    if (!edit.exists()) return;
    edit.SetFont(edit_font);
    edit.SetSelectAll(false);
    edit.SetText(initial);
    edit.Activate();
}

void FocusEntry(CNumericEdit& edit) {
    if (!edit.exists()) return;
    edit.Activate();
    if (edit.IsSelectAll()) edit.SetSel(0, -1);
}

}  // namespace

void RegisterKeypadEntryTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = kKeypadEntryIdd;
        t.style = WS_POPUP | DS_MODALFRAME | DS_CENTER | WS_BORDER;
        t.cx = 216;
        t.cy = 46;
        t.items = {
            {"EDIT", u"", kValueEditId, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 10,
             136, 30},
            {"STATIC", u"", kUnitsCaptionId, SS_LEFT, 146, 25, 65, 15},
        };
        register_dialog_template(t);
    });
}

// --- CKeypadEntryDlg ----------------------------------------------------------

CKeypadEntryDlg::CKeypadEntryDlg(plat::CWnd* parent, std::u16string initial_text)
    : CSoftKeyDlg(kKeypadEntryIdd, parent), m_InitialText(std::move(initial_text)) {
    RegisterKeypadEntryTemplate();
    AttachControl(kValueEditId, &m_Edit);
    AttachControl(kUnitsCaptionId, &m_UnitsCaption);
}

CKeypadEntryDlg::~CKeypadEntryDlg() {
    if (m_Edit.exists()) m_Edit.DestroyWindow();
    if (m_UnitsCaption.exists()) m_UnitsCaption.DestroyWindow();
}

std::u16string CKeypadEntryDlg::KeyToChar(int key_code) {
    if (key_code >= 0 && key_code < kDigitCount) return std::u16string(1, u'0' + key_code);
    if (key_code == kSignKeyCode) return u"-";
    if (key_code == kPointKeyCode) return u".";
    return {};
}

bool CKeypadEntryDlg::Create() {
    return CSoftKeyDlg::Create(kKeypadEntryIdd, m_pParent);
}

bool CKeypadEntryDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    InitEntryControls(m_Edit, m_UnitsCaption, m_SmallFont, m_LargeFont, m_InitialText);
    return false;
}

void CKeypadEntryDlg::SetTitleText(std::u16string_view title) {
    m_Title = std::u16string(title);
    SetWindowText(title);
}

std::u16string CKeypadEntryDlg::GetUnitsCaption() const {
    return m_UnitsCaption.exists() ? m_UnitsCaption.GetWindowText() : std::u16string();
}

void CKeypadEntryDlg::SetUnitsCaption(std::u16string_view text) {
    if (m_UnitsCaption.exists()) m_UnitsCaption.SetWindowText(text);
}

void CKeypadEntryDlg::OnOK() {
    if (!m_Edit.Validate()) return;
    double v = 0;
    m_Edit.GetValue(v);
    m_Result = m_Edit.Clamp(v);
    CSoftKeyDlg::OnOK();
}

void CKeypadEntryDlg::OnFocus(plat::CWnd*) {
    FocusEntry(m_Edit);
}

// --- CIntegerEntryDlg ---------------------------------------------------------

CIntegerEntryDlg::CIntegerEntryDlg(plat::CWnd* parent, std::u16string initial_text)
    : CSoftKeyDlg(kKeypadEntryIdd, parent), m_InitialText(std::move(initial_text)) {
    RegisterKeypadEntryTemplate();
    AttachControl(kValueEditId, &m_Edit);
    AttachControl(kUnitsCaptionId, &m_UnitsCaption);
}

CIntegerEntryDlg::~CIntegerEntryDlg() {
    if (m_Edit.exists()) m_Edit.DestroyWindow();
    if (m_UnitsCaption.exists()) m_UnitsCaption.DestroyWindow();
}

std::u16string CIntegerEntryDlg::KeyToChar(int key_code) {
    return key_code == kPointKeyCode ? std::u16string() : CKeypadEntryDlg::KeyToChar(key_code);
}

bool CIntegerEntryDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    InitEntryControls(m_Edit, m_UnitsCaption, m_SmallFont, m_LargeFont, m_InitialText);
    return false;
}

void CIntegerEntryDlg::SetTitleText(std::u16string_view title) {
    m_Title = std::u16string(title);
    SetWindowText(title);
}

std::u16string CIntegerEntryDlg::GetUnitsCaption() const {
    return m_UnitsCaption.exists() ? m_UnitsCaption.GetWindowText() : std::u16string();
}

void CIntegerEntryDlg::SetUnitsCaption(std::u16string_view text) {
    if (m_UnitsCaption.exists()) m_UnitsCaption.SetWindowText(text);
}

void CIntegerEntryDlg::OnOK() {
    if (!m_Edit.Validate()) return;
    m_Edit.GetValue(m_Result);
    CSoftKeyDlg::OnOK();
}

void CIntegerEntryDlg::OnFocus(plat::CWnd*) {
    FocusEntry(m_Edit);
}

#include "dialogs/keypad_entry_dlg.h"

#include <algorithm>
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

// The settings into the edit and the captions.
template <typename Edit, typename T>
void ApplySettings(const EntrySettings<T>& s, Edit& edit, plat::CStatic& caption, plat::CWnd& dlg) {
    edit.SetDefault(s.value);
    edit.SetRange(s.minimum, s.maximum);
    edit.SetSteps(s.wheel_step, s.arrow_step);
    dlg.SetWindowText(s.title);
    if (caption.exists()) caption.SetWindowText(s.caption);
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

// --- CValueEntryBase ------------------------------------------------------------

template <class Edit, typename T>
CValueEntryBase<Edit, T>::CValueEntryBase(plat::CWnd* parent, std::u16string initial_text)
    : CSoftKeyDlg(kKeypadEntryIdd, parent), m_InitialText(std::move(initial_text)) {
    RegisterKeypadEntryTemplate();
    AttachControl(kValueEditId, &m_Edit);
    AttachControl(kUnitsCaptionId, &m_UnitsCaption);
}

template <class Edit, typename T>
CValueEntryBase<Edit, T>::~CValueEntryBase() {
    // The controls go before the soft-key part of the dialog.
    if (m_Edit.exists()) m_Edit.DestroyWindow();
    if (m_UnitsCaption.exists()) m_UnitsCaption.DestroyWindow();
}

template <class Edit, typename T>
bool CValueEntryBase<Edit, T>::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    InitEntryControls(m_Edit, m_UnitsCaption, m_SmallFont, m_LargeFont, m_InitialText);
    if (m_bConfigured) {
        ApplySettings(m_Settings, m_Edit, m_UnitsCaption, *this);
        m_Title = m_Settings.title;
    }
    return false;
}

template <class Edit, typename T>
void CValueEntryBase<Edit, T>::Configure(EntrySettings<T> settings) {
    m_Settings = std::move(settings);
    m_bConfigured = true;
    m_Result = m_Settings.value;
}

template <class Edit, typename T>
void CValueEntryBase<Edit, T>::SetTitleText(std::u16string_view title) {
    m_Title = std::u16string(title);
    SetWindowText(title);
}

template <class Edit, typename T>
std::u16string CValueEntryBase<Edit, T>::GetUnitsCaption() const {
    return m_UnitsCaption.exists() ? m_UnitsCaption.GetWindowText() : std::u16string();
}

template <class Edit, typename T>
void CValueEntryBase<Edit, T>::SetUnitsCaption(std::u16string_view text) {
    if (m_UnitsCaption.exists()) m_UnitsCaption.SetWindowText(text);
}

template <class Edit, typename T>
void CValueEntryBase<Edit, T>::OnOK() {
    if (!m_Edit.Validate()) return;
    T v = m_Result;
    m_Edit.GetValue(v);
    // Within the tolerances of a real edit: the limit itself.
    m_Result = std::max(std::min(v, m_Edit.GetMax()), m_Edit.GetMin());
    CSoftKeyDlg::OnOK();
}

template <class Edit, typename T>
void CValueEntryBase<Edit, T>::OnFocus(plat::CWnd*) {
    m_Edit.Reactivate();
}

template class CValueEntryBase<CDoubleEdit, double>;
template class CValueEntryBase<CIntegerEdit, int32_t>;

// --- the two bases ------------------------------------------------------------

std::u16string CKeypadEntryDlg::KeyToChar(int key_code) {
    if (key_code >= 0 && key_code < kDigitCount) return std::u16string(1, u'0' + key_code);
    if (key_code == kSignKeyCode) return u"-";
    if (key_code == kPointKeyCode) return u".";
    return {};
}

bool CKeypadEntryDlg::Create() {
    return CSoftKeyDlg::Create(kKeypadEntryIdd, m_pParent);
}

std::u16string CIntegerEntryDlg::KeyToChar(int key_code) {
    return key_code == kPointKeyCode ? std::u16string() : CKeypadEntryDlg::KeyToChar(key_code);
}

#pragma once
// The two bases of the value entry dialogs, both on template 272: one
// numeric edit (control 1139) and a units caption (control 1188).
//
// A screen starts an entry when a digit, the sign key or the point is
// pressed: it turns the key into a code (KeyToDigit), the code into the
// first character (KeyToChar), builds the dialog with that character as the
// initial text, runs it modally and reads GetValue after IDOK. Enter accepts
// a value within the range; otherwise the edit shows the violated limit
// selected, beeps, and the dialog stays open.
#include <cstdint>
#include <string>

#include "dialogs/instrument_dlg.h"
#include "dialogs/numeric_edit.h"
#include "platform/framework/controls.h"

// Template 272 and its controls.
inline constexpr int kKeypadEntryIdd = 272;
inline constexpr int kValueEditId = 1139;
inline constexpr int kUnitsCaptionId = 1188;

// Entry key codes: 0..9 the digits, 10 the sign key, 11 the decimal point,
// -1 none.
inline constexpr int kNoEntryKey = -1;
inline constexpr int kSignKeyCode = 10;
inline constexpr int kPointKeyCode = 11;

// What a value dialog puts into its edit and captions when it opens.
template <typename T>
struct EntrySettings {
    std::u16string title;
    std::u16string caption;  // the units caption
    T minimum{};
    T maximum{};
    T wheel_step{};
    T arrow_step{};
    T value{};  // the default: the current value
};

// What the two entry bases share: the edit of type Edit holding a T, the
// units caption, the initial text and the result.
template <class Edit, typename T>
class CValueEntryBase : public CSoftKeyDlg {
  public:
    T GetValue() const { return m_Result; }
    Edit& GetEdit() { return m_Edit; }
    std::u16string GetUnitsCaption() const;
    void SetUnitsCaption(std::u16string_view text);
    const std::u16string& GetInitialText() const { return m_InitialText; }

    // Validates the entry: on success the value becomes the result and the
    // dialog ends with IDOK; otherwise the edit shows the violated limit.
    void OnOK() override;
    void OnFocus(plat::CWnd* previous) override;

  protected:
    CValueEntryBase(plat::CWnd* parent, std::u16string initial_text);
    ~CValueEntryBase() override;

    bool OnInitDialog() override;
    void DoDataExchange() override { CSoftKeyDlg::DoDataExchange(); }
    // Sets the window title (the dialog's title, not shown as a caption).
    void SetTitleText(std::u16string_view title);
    // Ends the dialog with IDOK without validating (a subclass has stored
    // its result).
    void EndOK() { CSoftKeyDlg::OnOK(); }
    // The settings OnInitDialog applies (a subclass's constructor sets them).
    void Configure(EntrySettings<T> settings);

    std::u16string m_InitialText;
    Edit m_Edit;
    plat::CStatic m_UnitsCaption;
    T m_Result{};

  private:
    bool m_bConfigured = false;
    EntrySettings<T> m_Settings;
};

class CKeypadEntryDlg : public CValueEntryBase<CDoubleEdit, double> {
  public:
    CKeypadEntryDlg(plat::CWnd* parent, std::u16string initial_text = {})
        : CValueEntryBase(parent, std::move(initial_text)) {}

    // "0".."9", "-" for 10, "." for 11, empty for any other code.
    static std::u16string KeyToChar(int key_code);
    // Creates the dialog modeless.
    virtual bool Create();
};

class CIntegerEntryDlg : public CValueEntryBase<CIntegerEdit, int32_t> {
  public:
    CIntegerEntryDlg(plat::CWnd* parent, std::u16string initial_text = {})
        : CValueEntryBase(parent, std::move(initial_text)) {}

    // "0".."9", "-" for 10; empty for 11 and any other code.
    static std::u16string KeyToChar(int key_code);
};

extern template class CValueEntryBase<CDoubleEdit, double>;
extern template class CValueEntryBase<CIntegerEdit, int32_t>;

// Registers template 272 (done by the dialogs' constructors).
void RegisterKeypadEntryTemplate();

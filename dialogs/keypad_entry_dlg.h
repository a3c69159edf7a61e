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

class CKeypadEntryDlg : public CSoftKeyDlg {
  public:
    CKeypadEntryDlg(plat::CWnd* parent, std::u16string initial_text = {});
    ~CKeypadEntryDlg() override;

    // "0".."9", "-" for 10, "." for 11, empty for any other code.
    static std::u16string KeyToChar(int key_code);

    double GetValue() const { return m_Result; }
    // Creates the dialog modeless.
    virtual bool Create();

    CDoubleEdit& GetEdit() { return m_Edit; }
    std::u16string GetUnitsCaption() const;
    void SetUnitsCaption(std::u16string_view text);
    const std::u16string& GetInitialText() const { return m_InitialText; }

    void OnOK() override;
    void OnFocus(plat::CWnd* previous) override;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override { CSoftKeyDlg::DoDataExchange(); }
    // Sets the window title (the dialog's title, not shown as a caption).
    void SetTitleText(std::u16string_view title);
    // Ends the dialog with IDOK without validating (a subclass has stored
    // its result).
    void EndOK() { CSoftKeyDlg::OnOK(); }

    std::u16string m_Caption;  // for the subclasses' units caption
    std::u16string m_InitialText;
    CDoubleEdit m_Edit;
    plat::CStatic m_UnitsCaption;
    double m_Result = 0;
};

class CIntegerEntryDlg : public CSoftKeyDlg {
  public:
    CIntegerEntryDlg(plat::CWnd* parent, std::u16string initial_text = {});
    ~CIntegerEntryDlg() override;

    // "0".."9", "-" for 10; empty for 11 and any other code.
    static std::u16string KeyToChar(int key_code);

    int32_t GetValue() const { return m_Result; }

    CIntegerEdit& GetEdit() { return m_Edit; }
    std::u16string GetUnitsCaption() const;
    void SetUnitsCaption(std::u16string_view text);

    void OnOK() override;
    void OnFocus(plat::CWnd* previous) override;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override { CSoftKeyDlg::DoDataExchange(); }
    void SetTitleText(std::u16string_view title);

    std::u16string m_InitialText;
    CIntegerEdit m_Edit;
    plat::CStatic m_UnitsCaption;
    int32_t m_Result = 0;
};

// Registers template 272 (done by the dialogs' constructors).
void RegisterKeypadEntryTemplate();

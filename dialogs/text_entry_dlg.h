#pragma once
// Text entry without a keyboard.
//
// CTextEntryDlg: one or more edit fields, one current. The soft input panel
// (when the unit uses one) offers a grid of characters: the arrows and the
// wheel move its selection and Enter types the selected character at the
// caret; the keypad's digits and decimal point type themselves. The soft
// keys save, move to the next field, move the caret, delete, clear and go
// back. A key's release acts only when this dialog saw its press, so the
// release of a key that closed a message box over the dialog does nothing.
//
// CSaveInfoDlg: the four texts a setup is saved with (name, title, sub
// title and notes) beside its file path and the time now. It ends with IDOK
// only for a name that can be a file name and texts within their lengths.
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

#include "dialogs/instrument_dlg.h"
#include "platform/framework/edit.h"

class CSipHelper;

class CTextEntryDlg : public CSoftKeyDlg {
  public:
    // Soft-key labels, key 1 first.
    static constexpr uint32_t kSaveLabel = 191, kNextFieldLabel = 1330, kPrevCharLabel = 64510,
                              kNextCharLabel = 64509, kBackSpaceLabel = 1334, kDeleteLabel = 150,
                              kClearLabel = 138, kBackLabel = 1019, kBlankLabel = 184;
    // Edit codes of EditKey beside the characters.
    static constexpr uint32_t kKeyBackSpace = 8, kKeyDelete = 46, kKeyHome = 36, kKeyEnd = 35,
                              kKeyInsert = 45, kKeyCaretLeft = 129, kKeyCaretRight = 130,
                              kKeyShift = 16, kKeyCapsLock = 20;
    // Where the input panel stands while the dialog is open.
    static constexpr int kSipX = 256, kSipY = 352;

    CTextEntryDlg(int idd, plat::CWnd* parent);
    ~CTextEntryDlg() override;

    bool PreTranslateMessage(const plat::Message& msg) override;

    // The keypad's digits and decimal point typed into the current field.
    virtual void InsertKey(uint32_t key);
    // Acts on a field at its caret: an edit code, or a character code to type.
    virtual void EditKey(int field, uint32_t key);
    virtual void DeleteRange(plat::CEdit* control, int start, int count);
    virtual void InsertChar(plat::CEdit* control, int caret, char16_t ch);
    virtual void ClearField(int field);
    // True when the unit types by its keypad alone (no input panel).
    virtual bool HasNoInputPanel() const;
    virtual void ShowSoftKeys();
    virtual void FocusField(int field);
    // The control id of a field; 0 for none.
    virtual int GetFieldControl(int field) const;
    // Enter pressed; true consumes it.
    virtual bool OnEnterKey() { return false; }

    bool OnSoftKey(int index, bool pressed) override;

    int GetCurrentField() const { return m_Field; }
    bool IsInsertMode() const { return m_bInsert; }
    bool UsesInputPanel() const { return m_pSip != nullptr; }
    plat::CEdit* GetFieldEdit(int field) const;

  protected:
    bool OnInitDialog() override;
    // Enter released: types the panel's selected character, or without a
    // panel accepts the dialog.
    void OnOK() override;
    // Checks the fields before the dialog ends with IDOK; false keeps it open.
    virtual bool CanAccept() { return true; }
    void Accept();

    int m_FieldCount = 1;
    int m_Field = 0;
    int m_FocusId = 0;

  private:
    bool HandleKey(uint32_t key);

    bool m_bInsert = true;
    std::unique_ptr<CSipHelper> m_pSip;
    // The keys pressed while this dialog had them (UI thread).
    std::bitset<256> m_Down;
};

class CSaveInfoDlg : public CTextEntryDlg {
  public:
    static constexpr int IDD = 152;
    // The edits.
    static constexpr int kDateTimeEdit = 1083, kPathEdit = 1096, kSubtitleEdit = 1097,
                         kNotesEdit = 1093, kTitleEdit = 1095, kNameEdit = 1101;
    // The captions and the hint.
    static constexpr int kNameCaption = 1242, kTitleCaption = 1414, kSubtitleCaption = 1413,
                         kPathCaption = 1360, kDateTimeCaption = 1327, kNotesCaption = 1246,
                         kGroup = 1092, kHint = 1426;
    static constexpr int kMaxTitle = 30;
    // A path longer than this shows its end after "...".
    static constexpr size_t kPathShown = 40;
    static constexpr uint32_t kInvalidName = 64252, kTooLong = 64231;

    explicit CSaveInfoDlg(plat::CWnd* parent);

    // Filled by the caller before DoModal, read back after IDOK.
    std::u16string m_DateTime, m_Path, m_Subtitle, m_Notes, m_Title, m_Name;
    // The window title.
    std::u16string m_Caption;

    int GetFieldControl(int field) const override;
    // The path as the dialog shows it.
    static std::u16string ShownPath(const std::u16string& path);

  protected:
    bool OnInitDialog() override;
    bool CanAccept() override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;
    void OnFocus(plat::CWnd* previous) override;

  private:
    void ReadFields();
    plat::CEdit m_NameEdit, m_TitleEdit, m_SubtitleEdit, m_NotesEdit, m_PathEdit, m_DateTimeEdit;
};

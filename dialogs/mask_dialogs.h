#pragma once
// The dialogs of the limit lines and emission masks.
//
// CLineMaskListDlg: a limit line or mask chosen by name from a list
// ("Line/mask list"), opened on the current one.
//
// CMaskPointDlg: the points of the mask under edit ("Mask Point"): an
// offset from the centre in the unit of soft keys 1-4 and a level, saved
// one after another (soft key 6 or Enter), stepped through with Left and
// Right when points are edited or deleted; Up and Down move between the two
// fields. The dialog reads and hands over points through its owner's two
// operations, so the owner decides what is taken.
//
// CLabelEntryDlg: one line of text (template 171) with its title;
// CMarkerLabelDlg: a marker label of at most twenty characters, with the
// hint for the input panel when the unit uses one.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/instrument_dlg.h"
#include "dialogs/numeric_edit.h"
#include "dialogs/setting_list_dlg.h"
#include "dialogs/text_entry_dlg.h"
#include "platform/framework/controls.h"

class CLineMaskListDlg : public CSettingListDlg {
  public:
    static constexpr uint32_t kTitleText = 64461;
    static constexpr size_t kMaxNames = 102;

    CLineMaskListDlg(plat::CWnd* parent, std::vector<std::u16string> names, int current);
    // After IDOK: the row chosen.
    int GetSelection() const { return m_Selection; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    std::vector<std::u16string> m_Names;
    int m_Selection;
};

class CMaskPointDlg : public CSoftKeyDlg {
  public:
    static constexpr int IDD = 278;
    static constexpr int kOffsetEdit = 1101, kLevelEdit = 1404, kNumberEdit = 1365;
    static constexpr int kOffsetUnit = 1403, kLevelUnit = 1402, kOffsetCaption = 1406,
                         kLevelCaption = 1405, kCentreText = 1407, kSpanText = 1408,
                         kPointCaption = 1410;
    enum Mode { kAdd = 1, kEdit = 2, kDelete = 3 };
    enum Field { kOffsetField = 1, kLevelField = 2 };
    static constexpr int kSaveKey = 5, kClearKey = 6, kDoneKey = 7;
    // The owner's operations: read point `number` (false: none), and take a
    // point (number, offset in Hz, level; false: refused).
    using Loader = std::function<bool(int, double&, double&)>;
    using Taker = std::function<bool(int, double, double)>;
    struct Setup {
        std::u16string caption;
        std::u16string initialText;  // the key that opened the dialog
        int count = 0;
        int mode = kAdd;
        double offsetMin = 0, offsetMax = 0, levelMin = 0, levelMax = 0;
        uint64_t centre = 0, span = 0;
        int current = 1;
    };

    CMaskPointDlg(plat::CWnd* parent, Setup setup, Loader load, Taker take);
    ~CMaskPointDlg() override;

    // The text of a keypad code: "0".."9", "-" for 10, "." for 11, else "".
    static std::u16string DigitToText(int code);

    bool OnSoftKey(int index, bool pressed) override;
    bool OnArrow(uint32_t key, bool pressed) override;
    void OnOK() override;
    void OnFocus(plat::CWnd* previous) override;

    int GetCount() const { return m_Setup.count; }
    int GetCurrent() const { return m_Setup.current; }
    uint64_t GetMultiplier() const { return m_Multiplier; }
    int GetField() const { return m_Field; }
    CDoubleEdit& GetOffsetEdit() { return m_OffsetEdit; }
    CDoubleEdit& GetLevelEdit() { return m_LevelEdit; }

  protected:
    bool OnInitDialog() override;

  private:
    void Initialise();
    void Save();
    // Reads point `number` and shows it; false when the owner has none.
    bool ShowPoint(int number);
    // Steps to the previous or next point, past the centre point.
    void Step(bool next);
    void Focus(int field);
    void ShowUnit();

    Setup m_Setup;
    Loader m_Load;
    Taker m_Take;
    uint64_t m_Multiplier = 1;
    bool m_FirstShow = true;
    int m_Field = kOffsetField;
    CDoubleEdit m_OffsetEdit;
    CDoubleEdit m_LevelEdit;
    CIntegerEdit m_NumberEdit;
};

class CLabelEntryDlg : public CTextEntryDlg {
  public:
    static constexpr int IDD = 171;
    static constexpr int kTextEdit = 1139, kHint = 1503, kLimitHint = 1505;
    static constexpr uint32_t kHintText = 64511, kLimitText = 64512;
    static constexpr size_t kMaxLength = 20;

    CLabelEntryDlg(plat::CWnd* parent, uint32_t title_id, std::u16string text);
    // After IDOK: the text entered.
    const std::u16string& GetText() const { return m_Text; }

    int GetFieldControl(int field) const override;

  protected:
    bool OnInitDialog() override;
    bool CanAccept() override;
    void InsertChar(plat::CEdit* control, int caret, char16_t ch) override;

    uint32_t m_TitleId;
    std::u16string m_Text;
    plat::CEdit m_Edit;
};

class CMarkerLabelDlg : public CLabelEntryDlg {
  public:
    static constexpr uint32_t kTitleId = 64625;
    CMarkerLabelDlg(plat::CWnd* parent, std::u16string label);

  protected:
    bool OnInitDialog() override;
};

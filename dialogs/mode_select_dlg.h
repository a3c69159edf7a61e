#pragma once
// CModeSelectDlg: the mode list of the start screen. One list per instrument
// this unit carries, each row one measurement of that instrument's screen,
// centred with spaces; choosing a row makes that measurement current in its
// screen and switches to the screen. The lists form a ring for the arrows and
// the wheel; the menu key of the focused list is lit on the screen's menu-key
// bar and the highlighted measurement's texts go to the screen's draw panel.
//
// Template 136 has three lists (network analyzer 1001, spectrum analyzer
// 1000, power meter 1002); template 163 one instrument list (1124) and the
// power meter list (1002).
#include <array>
#include <cstdint>
#include <memory>

#include "core/text.h"
#include "dialogs/list_dlg.h"
#include "platform/framework/list_box.h"

class CModeBase;
class CPanelWidget;

// One instrument screen as the mode list shows it.
class IModeListEntry {
  public:
    virtual ~IModeListEntry() = default;
    virtual CModeBase* GetScreen() const = 0;
    virtual int GetModeId() const = 0;
    // Measurements are numbered from 1.
    virtual int GetMeasurementCount() const = 0;
    virtual uint32_t GetMeasurementLabelId(int n) const = 0;
    virtual uint32_t GetMeasurementDescriptionId(int n) const = 0;
    // The number of the screen's current measurement; 0 when it has none.
    virtual int GetCurrentMeasurementNumber() const = 0;
    // The screen's own name.
    virtual core::Text GetNameText() const = 0;
    // Makes measurement n the screen's current one, ready to start.
    virtual void SelectMeasurement(int n) = 0;
};

// What the mode list asks of the start screen.
class IModeListOwner {
  public:
    virtual ~IModeListOwner() = default;
    virtual uint32_t GetHardwareId() const = 0;
    // The screen of a mode id (1, 2, 3); null when the unit lacks it.
    virtual IModeListEntry* FindEntry(int mode) = 0;
    virtual int GetLastSelectedMode() const = 0;
    virtual void SetLastSelectedMode(int mode) = 0;
};

class CModeSelectDlg : public CListDlg {
  public:
    static constexpr int kThreeLists = 136;
    static constexpr int kTwoLists = 163;
    // List controls and their title statics.
    static constexpr int kSpectrumList = 1000;
    static constexpr int kNetworkList = 1001;
    static constexpr int kPowerList = 1002;
    static constexpr int kSingleList = 1124;
    static constexpr int kNetworkTitle = 1234;
    static constexpr int kSpectrumTitle = 1235;
    static constexpr int kPowerTitle = 1236;
    static constexpr int kSingleTitle = 1237;
    // Mode ids of the instruments.
    static constexpr int kModeNetwork = 1;
    static constexpr int kModeSpectrum = 2;
    static constexpr int kModePower = 3;
    // The row to select when a list takes the focus: its last row.
    static constexpr int kLastRow = -2;
    // History bit of the list's keys and wheel steps.
    static constexpr uint32_t kHistoryKeys = 0x20;

    CModeSelectDlg(plat::CWnd* frame, CPanelWidget* menu_keys, plat::CWnd* screen_window,
                   int template_id, IModeListOwner* owner);
    ~CModeSelectDlg() override;

    // The rectangle the dialog takes (screen coordinates), before Create.
    void SetArea(const plat::Rect& area) { m_Area = area; }

    // Every key but the arrows and Enter is the screen's: it goes on to the
    // parent as it came (so that the view also sees the shift key and the
    // keyboard's own codes).
    bool PreTranslateMessage(const plat::Message& msg) override;
    bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) override;
    bool OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) override;
    bool OnArrow(uint32_t key, bool pressed) override;
    bool OnWheel(int delta) override;
    void UpdateSelection() override;

    // Selects the row in the focused list (list -1); otherwise focuses the
    // list by index (0 the first; 1 the spectrum list on 136, the power list
    // on 163; 2 the power list) on its first row. Shows the row's texts.
    virtual void SelectRowInList(int row, int list);
    virtual void ShowMeasurementInfo(IModeListEntry* entry, int measurement);
    // The highlighted row of the focused list; -1 when none.
    virtual int GetHighlightedMeasurement();
    virtual void ShowHighlighted(int row);
    // Chooses the highlighted row, as a double click does.
    void SelectCurrent();
    void PostFocus();

    int GetTemplateId() const { return m_Idd; }
    // The list control of a mode id on this template; null when it has none.
    plat::CListBox* ListOfMode(int mode);
    plat::CListBox* FocusedList();
    int GetFocusedMode() const { return m_nFocusedMode; }
    const core::Text& GetSingleTitle() const { return m_SingleTitle; }

  protected:
    bool OnInitDialog() override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;
    void OnSetFocus(plat::CWnd* previous) override;

  private:
    // The lists in ring order (template 136: network, spectrum, power;
    // template 163: single, power), those that exist.
    int ListCount() const { return m_Idd == kThreeLists ? 3 : 2; }
    plat::CListBox& ListAt(int index) { return m_Lists[static_cast<size_t>(index)]; }
    int IndexOfList(const plat::CWnd* list) const;
    int ModeOfList(int control_id) const;
    void FocusList(int index, int row);
    void ClearAllSelections();
    void FillList(plat::CListBox& list, IModeListEntry* entry);
    void LayOut();
    void LightMenuKey(int control_id);
    IModeListEntry* EntryOfRow(plat::CListBox& list, int row);

    CPanelWidget* m_pMenuKeys;
    plat::CWnd* m_pFrame;
    IModeListOwner* m_pOwner;
    plat::Font m_RowFont;  // owned
    core::Text m_SingleTitle;
    int m_nSingleMode = 0;
    int m_nRowToSelect = 0;
    int m_nFocusedMode = -1;
    bool m_bEnterPressed = false;
    plat::Rect m_Area{};
    std::array<plat::CListBox, 3> m_Lists;
};

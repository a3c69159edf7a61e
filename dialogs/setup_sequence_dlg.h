#pragma once
// CSetupSequenceDlg: one stored setup as a list of numbered lines (label,
// tab, value), with the names of the setups before and after it in the
// setup list beside the lines. The arrows and the wheel move through the
// lines with wrap; each move posts the line's help text to the parent
// (WM_COMMAND 32833 with a copy of the text, which the receiver deletes).
//
// Modeless: made with `new`, shown with Create; it frees itself after its
// window is destroyed.
#include <array>
#include <cstdint>

#include "dialogs/list_dlg.h"
#include "platform/framework/edit.h"
#include "platform/framework/list_box.h"

class CMeasSetup;
class ISetupEntry;

class CSetupSequenceDlg : public CListDlg {
  public:
    static constexpr int IDD = 172;
    static constexpr int kLinesId = 1143;
    static constexpr int kPreviousEdit = 1101;
    static constexpr int kNextEdit = 1102;
    static constexpr int kNextLabel = 1238;
    static constexpr int kPreviousLabel = 1239;
    static constexpr int kSpareLabel = 1199;
    // OnAction codes.
    static constexpr int kActionFirst = 0;
    static constexpr int kActionLast = 3;
    static constexpr int kActionRefill = 7;

    explicit CSetupSequenceDlg(plat::CWnd* parent);
    ~CSetupSequenceDlg() override;

    // The setup whose lines are shown (not owned).
    void SetViewedSetup(CMeasSetup* setup) { m_pViewedSetup = setup; }
    CMeasSetup* GetViewedSetup() const { return m_pViewedSetup; }
    // The setup list's first entry and the viewed setup's entry in it.
    void SetFirstEntry(ISetupEntry* first, ISetupEntry* viewed);

    void OnAction(int code) override;
    // The lines anew; the entry `select` is selected.
    virtual void FillRows(int select);
    // The line number of the selected entry, -1 when none is selected.
    int GetSelectedItemData() const;
    virtual void ShowRowHelp();
    // The neighbours in the list, wrapping at both ends; an entry no longer
    // in the list has the last entry before it and the first after it.
    ISetupEntry* GetNextSetup(ISetupEntry* entry) const;
    ISetupEntry* GetPreviousSetup(ISetupEntry* entry) const;

    const std::u16string& GetNextName() const { return m_NextName; }
    const std::u16string& GetPreviousName() const { return m_PreviousName; }
    const std::u16string& GetHelpText() const { return m_HelpText; }
    plat::CListBox& Lines() { return m_Lines; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override;
    bool OnArrow(uint32_t key, bool pressed) override;
    bool OnWheel(int delta) override;

  private:
    void Step(bool forward);

    ISetupEntry* m_pFirst = nullptr;
    ISetupEntry* m_pViewedEntry = nullptr;
    CMeasSetup* m_pViewedSetup = nullptr;
    std::array<uint32_t, 8> m_LabelIds{};
    std::u16string m_NextName, m_PreviousName;
    std::u16string m_HelpText;  // a copy travels with WM_COMMAND 32833
    plat::Font m_LineFont;      // owned
    plat::CListBox m_Lines;
    plat::CEdit m_NextEditCtl, m_PreviousEditCtl;
};

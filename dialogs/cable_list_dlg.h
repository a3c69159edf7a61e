#pragma once
// CCableListDlg: picks a cable of the network analyzer's cable list. The
// cables chosen last in this run of the program (RecentCableIds) stand
// first, above a row of dashes; then every cable of the list in its order,
// "None" included. Each row shows the name, Vp in percent and the loss at
// the nine column frequencies (dB per metre, or per foot without the metric
// flag). Select (soft key 6, Enter, OK) takes the selected cable as the
// choice; the dashes keep the choice as it was. Back and Escape end the
// dialog as Cancel with the caller's cable untouched. Without a list the
// dialog is empty and ends as Cancel.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/text.h"
#include "dialogs/list_box_dlg.h"

class CCableType;

// The ids of the cables chosen last, most recent first (at most five). It
// lives as long as the program and is not saved; the cable list dialog
// alone reads and writes it, on the user-interface thread.
class RecentCableIds {
  public:
    static constexpr size_t kMax = 5;
    // The program's one table.
    static RecentCableIds& Get();

    size_t Count() const { return count_; }
    int32_t At(size_t i) const { return ids_[i]; }
    // Puts an id first; a held id moves up, a sixth drops the oldest.
    void Record(int32_t id);
    void Clear() { count_ = 0; }

  private:
    std::array<int32_t, kMax> ids_{};
    size_t count_ = 0;
};

class CCableListDlg : public CListBoxDlg {
  public:
    static constexpr int IDD = 274;
    static constexpr int kListId = 1395;
    static constexpr int kHeaderId = 1396;
    static constexpr int kColumnsId = 1445;
    static constexpr uint32_t kCaptionText = 64206;
    static constexpr uint32_t kHeaderText = 64207;
    static constexpr uint32_t kColumnsText = 64208;
    static constexpr uint32_t kOkText = 64209;
    static constexpr uint32_t kCancelText = 64210;
    static constexpr int kSeparatorLength = 200;
    static constexpr double kFeetPerMetre = 3.28083989501312;

    // `choice` (may be null) holds the caller's cable; it is the initial
    // choice and receives the chosen one.
    CCableListDlg(plat::CWnd* parent, CCableType** choice, bool metric);
    ~CCableListDlg() override;

    void SetCableList(CCableType* head) { m_pHead = head; }
    // The row text of a cable: two blanks and the name, a tab, Vp, the nine
    // losses.
    static core::Text RowText(const CCableType& cable, bool metric);
    // The row of the dashes, or -1 when there is none.
    int GetSeparatorRow() const { return m_nSeparatorRow; }

  protected:
    bool OnInitDialog() override;
    bool OnSoftKey(int index, bool pressed) override;
    void OnOK() override { OnSelect(); }
    void OnCancel() override;

  private:
    void FillList(int default_row);
    // Adds a cable's row; answers the width of its name column in pixels.
    int AddCableRow(CCableType* cable);
    void OnSelect();
    void Finish(CCableType* choice);
    void SetItemText(int id, const core::Text& text);

    CCableType** m_ppChoice;
    CCableType* m_pInitial;
    bool m_bMetric;
    CCableType* m_pHead = nullptr;  // not owned: the application's list
    plat::Font m_RowFont;           // the rows, header and column frequencies
    int m_nSeparatorRow = -1;
};

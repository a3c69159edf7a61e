#pragma once
// The drop-down list combo box: shows the selected string; Up and Down
// step through the strings, a tap drops the list below the box and a tap on
// a row chooses it. CBN_SELCHANGE tells the parent of a choice by the user.
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/list_box.h"

namespace plat {

// Combo box styles.
inline constexpr uint32_t CBS_DROPDOWN = 0x0002;
inline constexpr uint32_t CBS_DROPDOWNLIST = 0x0003;

// Combo box messages.
inline constexpr uint32_t CB_ADDSTRING = 0x0143;
inline constexpr uint32_t CB_DELETESTRING = 0x0144;
inline constexpr uint32_t CB_GETCOUNT = 0x0146;
inline constexpr uint32_t CB_GETCURSEL = 0x0147;
inline constexpr uint32_t CB_GETLBTEXT = 0x0148;
inline constexpr uint32_t CB_RESETCONTENT = 0x014B;
inline constexpr uint32_t CB_SETCURSEL = 0x014E;
inline constexpr uint32_t CB_SHOWDROPDOWN = 0x014F;
inline constexpr uint32_t CB_FINDSTRINGEXACT = 0x0158;
inline constexpr intptr_t CB_ERR = -1;

// Combo box notifications.
inline constexpr uint32_t CBN_SELCHANGE = 1;
inline constexpr uint32_t CBN_DROPDOWN = 7;
inline constexpr uint32_t CBN_CLOSEUP = 8;

class CComboBox : public CWnd {
  public:
    // Rows the dropped list shows at most.
    static constexpr int kDroppedRows = 6;

    CComboBox();
    ~CComboBox() override;

    bool Create(uint32_t style, const Rect& r, CWnd* parent, int id);

    int AddString(std::u16string_view text);
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const { return static_cast<int>(strings_.size()); }
    int GetCurSel() const { return sel_; }
    int SetCurSel(int index);
    int GetLBText(int index, std::u16string& out) const;
    int FindStringExact(int start, std::u16string_view text) const;
    void ShowDropDown(bool show);
    bool GetDroppedState() const;
    // The dropped list while it is shown.
    CListBox* GetDroppedList() const;

  protected:
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnPaint() override;
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnLButtonDown(uint32_t flags, Point p) override;
    void OnSetFocus(CWnd* old) override;
    void OnKillFocus(CWnd* next) override;

  private:
    class DropList;
    friend class DropList;
    void choose(int index);
    void post_close();
    void FitClosedHeight();
    static constexpr int kFacePadding = 4;  // above and below the line

    std::vector<std::u16string> strings_;  // UI thread
    int sel_ = -1;
    std::unique_ptr<DropList> drop_;
};

void register_combo_box_control();

}  // namespace plat

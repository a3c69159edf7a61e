// The dialog controls driven by real key input through the message loop
// (pre-translation, TranslateMessage, dispatch) and checked on the screen's
// pixels: edit, list box, progress bar, date-time picker, combo box, the
// reflected colour message, and the soft input panel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/framework/combo_box.h"
#include "platform/framework/controls.h"
#include "platform/framework/date_time.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "platform/framework/list_box.h"
#include "platform/framework/list_ctrl.h"
#include "platform/framework/progress.h"
#include "platform/framework/sip_panel.h"
#include "platform/framework/system_services.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"

namespace plat {
namespace {

constexpr int kTestIdd = 9001;
constexpr int kEdit = 100, kMultiEdit = 101, kList = 102, kProgress = 103, kTime = 104, kDate = 105,
              kCombo = 106, kEmptyList = 107, kReport = 108;
constexpr COLORREF kInk = RGB(0, 0, 0);

void register_test_template() {
    DialogTemplate t;
    t.id = kTestIdd;
    t.style = WS_POPUP | WS_CAPTION | DS_CENTER;
    t.cx = 300;
    t.cy = 200;
    t.caption = u"Controls";
    t.items = {
        {"EDIT", u"", kEdit, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 8, 8, 120, 14},
        {"EDIT", u"", kMultiEdit, ES_MULTILINE | ES_READONLY | WS_BORDER, 8, 28, 120, 60},
        {"LISTBOX", u"", kList, LBS_NOTIFY | LBS_USETABSTOPS | WS_TABSTOP | WS_BORDER, 140, 8, 150,
         60},
        {"msctls_progress32", u"", kProgress, WS_BORDER, 8, 96, 120, 10},
        {"SysDateTimePick32", u"", kTime, DTS_TIMEFORMAT | WS_TABSTOP, 140, 76, 70, 14},
        {"SysDateTimePick32", u"", kDate, DTS_SHORTDATEFORMAT | WS_TABSTOP, 220, 76, 70, 14},
        {"COMBOBOX", u"", kCombo, CBS_DROPDOWNLIST | WS_TABSTOP, 140, 100, 100, 14},
        {"LISTBOX", u"", kEmptyList, LBS_NOTIFY, 8, 120, 100, 40},
    };
    register_dialog_template(t);
}

// Records every notification its controls send.
class ControlsDialog : public CDialog {
  public:
    ControlsDialog() : CDialog(kTestIdd, nullptr) {}
    struct Note {
        int id;
        uint32_t code;
    };
    std::vector<Note> notes;
    std::vector<NMDATETIMECHANGE> date_notes;
    std::vector<NMLISTVIEW> list_notes;

  protected:
    bool OnCommand(uintptr_t wp, intptr_t lp) override {
        notes.push_back({loword(wp), hiword(wp)});
        return CDialog::OnCommand(wp, lp);
    }
    intptr_t WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_NOTIFY && wp == kReport) {
            list_notes.push_back(*reinterpret_cast<const NMLISTVIEW*>(lp));
            return 0;
        }
        if (msg == WM_NOTIFY) {
            date_notes.push_back(*reinterpret_cast<const NMDATETIMECHANGE*>(lp));
            return 0;
        }
        return CDialog::WindowProc(msg, wp, lp);
    }
};

// Pumps as an application's loop does: pre-translation up the window chain,
// then TranslateMessage and dispatch.
void drain() {
    Message m;
    while (peek_ui_message(m, false)) pump_message();
}

class Controls : public ::testing::Test {
  protected:
    void SetUp() override {
        register_test_template();
        set_input_thread(current_thread_id());
        set_message_filter([](const Message& m) {
            for (Window* w = static_cast<Window*>(m.window); w && is_window(w); w = w->parent()) {
                if (CWnd* c = CWnd::FromHandle(w); c && c->PreTranslateMessage(m)) return true;
            }
            return false;
        });
        ASSERT_TRUE(dlg.Create(kTestIdd, nullptr));
        dlg.ShowWindow(SW_SHOW);
        drain();
    }
    void TearDown() override {
        dlg.DestroyWindow();
        drain();
        set_message_filter(nullptr);
    }
    template <class T>
    T* item(int id) {
        return dynamic_cast<T*>(dlg.GetDlgItem(id));
    }
    void press(uint32_t vk) {
        post_key_input(vk, true);
        post_key_input(vk, false);
        drain();
    }
    // The columns of a control's client area that hold ink (near the text
    // colour: glyph edges are blended).
    std::vector<int> ink_columns(CWnd* w, int y0, int y1, COLORREF ink = kInk) {
        const Bitmap s = screen_snapshot();
        const Point o = w->client_origin();
        std::vector<int> cols;
        for (int x = 0; x < w->client_rect().width(); ++x) {
            for (int y = y0; y < y1; ++y) {
                const COLORREF c = s.pixel(o.x + x, o.y + y);
                const int d = std::abs(GetRValue(c) - GetRValue(ink)) +
                              std::abs(GetGValue(c) - GetGValue(ink)) +
                              std::abs(GetBValue(c) - GetBValue(ink));
                if (d < 240) {
                    cols.push_back(x);
                    break;
                }
            }
        }
        return cols;
    }
    ControlsDialog dlg;
};

TEST(TranslateMessage, OnlyTypingKeysMakeCharacters) {
    const struct {
        uint32_t vk;
        char16_t ch;
    } table[] = {
        {'0', u'0'},
        {'7', u'7'},
        {VK_NUMPAD0, u'0'},
        {VK_NUMPAD0 + 9, u'9'},
        {VK_ADD, u'+'},
        {VK_SUBTRACT, u'-'},
        {VK_OEM_MINUS, u'-'},
        {VK_DECIMAL, u'.'},
        {VK_OEM_PERIOD, u'.'},
        {VK_BACK, u'\b'},
        {VK_RETURN, 0},
        {VK_ESCAPE, 0},
        {VK_F1, 0},
        {VK_F13, 0},
        {VK_F19, 0},
        {VK_LEFT, 0},
        {VK_DOWN, 0},
        {'A', 0},
        {VK_OEM_PLUS, 0},
    };
    for (const auto& row : table) EXPECT_EQ(key_char(row.vk), row.ch) << "vk " << row.vk;
}

TEST_F(Controls, EditTypesWithCaretAndSelection) {
    auto* edit = item<CEdit>(kEdit);
    ASSERT_NE(edit, nullptr);
    const struct {
        std::vector<uint32_t> keys;
        std::u16string text;
        int sel_start, sel_end;
    } table[] = {
        {{'1', '2', VK_NUMPAD0 + 3}, u"123", 3, 3},
        {{VK_SUBTRACT, '4', VK_DECIMAL, '5'}, u"-4.5", 4, 4},
        {{VK_ADD, VK_OEM_MINUS, VK_OEM_PERIOD}, u"+-.", 3, 3},
        {{'1', '2', '3', VK_BACK}, u"12", 2, 2},
        {{'1', '2', '3', VK_LEFT, VK_LEFT, '9'}, u"1923", 2, 2},
        {{'1', '2', VK_LEFT, VK_BACK}, u"2", 0, 0},
        {{VK_F1, vk_function(8), VK_F13, VK_RETURN, VK_ESCAPE, VK_UP, '5'}, u"5", 1, 1},
        {{'1', '2', VK_HOME, VK_RIGHT, VK_END, '3'}, u"123", 3, 3},
        {{VK_BACK, VK_LEFT}, u"", 0, 0},
    };
    for (const auto& row : table) {
        edit->SetWindowText(u"");
        edit->SetSel(0, 0);
        edit->SetFocus();
        for (uint32_t k : row.keys) press(k);
        int s, e;
        edit->GetSel(s, e);
        EXPECT_EQ(edit->GetWindowText(), row.text);
        EXPECT_EQ(s, row.sel_start);
        EXPECT_EQ(e, row.sel_end);
    }
    // A selection is replaced by what is typed; EM_GETSEL reports it first.
    edit->SetWindowText(u"12345");
    edit->SendMessage(EM_SETSEL, 1, 3);
    uint32_t s = 0, e = 0;
    edit->SendMessage(EM_GETSEL, reinterpret_cast<uintptr_t>(&s), reinterpret_cast<intptr_t>(&e));
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(e, 3u);
    press('9');
    EXPECT_EQ(edit->GetWindowText(), u"1945");
    edit->SendMessage(EM_SETSEL, 0, -1);
    edit->SendMessage(EM_REPLACESEL, 0, reinterpret_cast<intptr_t>(u"7.5"));
    EXPECT_EQ(edit->GetWindowText(), u"7.5");
}

TEST_F(Controls, EditPixelsStandWhereTheTextExtentsPutThem) {
    auto* edit = item<CEdit>(kEdit);
    edit->SetFocus();
    for (uint32_t k : {'1', '2', '3', '4'}) press(k);
    press(VK_LEFT);
    drain();
    const Font font = edit->GetFont();
    const int origin = edit->GetTextOrigin();
    const int caret_x = origin + font.text_extent(u"123").cx;
    EXPECT_EQ(edit->GetCaretPos().x, caret_x);
    const std::vector<int> ink = ink_columns(edit, 2, edit->client_rect().height() - 2);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.front(), origin);
    EXPECT_LE(ink.back(), origin + font.text_extent(u"1234").cx);
    // The caret: a full-height column of ink at its place.
    const Bitmap shot = screen_snapshot();
    const Point o = edit->client_origin();
    const int y = edit->GetCaretPos().y;
    for (int dy = 0; dy < font.metrics().height; ++dy)
        EXPECT_EQ(shot.pixel(o.x + caret_x, o.y + y + dy), kInk) << dy;
}

TEST_F(Controls, LimitTextStopsTyping) {
    auto* edit = item<CEdit>(kEdit);
    edit->SendMessage(EM_LIMITTEXT, 3, 0);
    edit->SetFocus();
    for (uint32_t k : {'1', '2', '3', '4', '5'}) press(k);
    EXPECT_EQ(edit->GetWindowText(), u"123");
    press(VK_BACK);
    press('9');
    EXPECT_EQ(edit->GetWindowText(), u"129");
}

TEST_F(Controls, ReadOnlyMultiLineScrollsToItsLastPage) {
    auto* edit = item<CEdit>(kMultiEdit);
    std::u16string text;
    for (int i = 0; i < 200; ++i) {
        const std::string line = "Line " + std::to_string(i);
        text += std::u16string(line.begin(), line.end()) + u"\r\n";
    }
    text.resize(text.size() - 2);
    edit->SetWindowText(text);
    EXPECT_EQ(edit->GetLineCount(), 200);
    edit->SendMessage(EM_LINESCROLL, 0, 32767);
    drain();
    const int per_page = edit->GetVisibleLineCount();
    EXPECT_EQ(edit->GetFirstVisibleLine(), 200 - per_page);
    // The last line is drawn in the last row of the page.
    const int line_h = edit->GetFont().metrics().height;
    const int row_top = CEdit::kMargin / 2 + (per_page - 1) * line_h;
    EXPECT_FALSE(ink_columns(edit, row_top, row_top + line_h).empty());
    // Typing changes nothing.
    edit->SetFocus();
    press('1');
    EXPECT_EQ(edit->GetWindowText(), text);
    edit->SendMessage(EM_LINESCROLL, 0, -32767);
    EXPECT_EQ(edit->GetFirstVisibleLine(), 0);
}

class OwnColourEdit : public CEdit {
  public:
    Brush brush = Brush::solid(RGB(10, 200, 30));

  protected:
    const Brush* CtlColor(Dc* dc, uint32_t) override {
        dc->set_text_color(RGB(250, 0, 0));
        return &brush;
    }
};

TEST_F(Controls, AControlAnswersItsOwnReflectedColour) {
    OwnColourEdit own;
    ASSERT_TRUE(own.Create(WS_VISIBLE, {20, 140, 120, 160}, &dlg, 555));
    own.SetWindowText(u"8");
    drain();
    const Point o = own.client_origin();
    EXPECT_EQ(screen_snapshot().pixel(o.x + 90, o.y + 10), RGB(10, 200, 30));
    EXPECT_FALSE(ink_columns(&own, 0, 20, RGB(250, 0, 0)).empty());
    own.DestroyWindow();
}

TEST_F(Controls, ListBoxNotifiesUserMovesAndAlignsTabStops) {
    auto* list = item<CListBox>(kList);
    ASSERT_NE(list, nullptr);
    list->AddString(u"A\tone");
    list->AddString(u"Much longer\ttwo");
    list->AddString(u"B\tthree");
    list->SetItemData(1, 0xBEEF);
    list->SetTabStops({60});
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_EQ(list->GetItemData(1), 0xBEEFu);
    EXPECT_EQ(list->SetCurSel(7), LB_ERR);
    list->SetCurSel(0);
    list->SetFocus();
    dlg.notes.clear();
    press(VK_DOWN);
    press(VK_DOWN);
    press(VK_DOWN);  // already the last row: nothing changes
    EXPECT_EQ(list->GetCurSel(), 2);
    int selchanges = 0;
    for (const auto& n : dlg.notes) selchanges += n.id == kList && n.code == LBN_SELCHANGE;
    EXPECT_EQ(selchanges, 2);
    // The second column starts at the same x in every row, on screen too.
    const int stop = list->ColumnStarts(u"A\tone")[1];
    EXPECT_EQ(list->ColumnStarts(u"Much longer\ttwo")[1], stop);
    list->SetCurSel(-1);
    drain();
    const int h = list->GetItemHeight();
    auto first_ink_from = [&](int row, int from) {
        for (int x : ink_columns(list, row * h, (row + 1) * h))
            if (x >= from) return x;
        return -1;
    };
    const int col_row0 = first_ink_from(0, stop);
    EXPECT_GE(col_row0, stop);
    EXPECT_LT(col_row0, stop + 4);
    for (int row : {1, 2}) {
        EXPECT_GE(first_ink_from(row, stop), stop);
        EXPECT_LT(first_ink_from(row, stop), stop + 4);
    }
}

TEST_F(Controls, AnEmptyListIsSilent) {
    auto* list = item<CListBox>(kEmptyList);
    list->SetFocus();
    dlg.notes.clear();
    for (uint32_t k : {VK_UP, VK_DOWN, VK_HOME, VK_END}) press(k);
    for (const auto& n : dlg.notes) EXPECT_NE(n.code, LBN_SELCHANGE);
    EXPECT_EQ(list->GetCurSel(), -1);
}

TEST_F(Controls, ProgressKeepsA32BitRange) {
    auto* bar = item<CProgressCtrl>(kProgress);
    ASSERT_NE(bar, nullptr);
    bar->SendMessage(PBM_SETRANGE32, 0, 200000);
    bar->SendMessage(PBM_SETPOS, 100000, 0);
    drain();
    const Rect inside = bar->BarInside();
    const Bitmap s = screen_snapshot();
    const Point o = bar->client_origin();
    int filled = 0;
    for (int x = inside.left; x < inside.right; ++x)
        filled += s.pixel(o.x + x, o.y + inside.top + inside.height() / 2) == kProgressFill;
    EXPECT_NEAR(filled, inside.width() / 2, 1);
    EXPECT_EQ(bar->SendMessage(PBM_GETRANGE, 0, 0), 200000);
}

TEST_F(Controls, DateTimeFieldsWrapAndClampTheDay) {
    auto* time = item<CDateTimeCtrl>(kTime);
    auto* date = item<CDateTimeCtrl>(kDate);
    ASSERT_TRUE(time && date);
    const struct {
        CDateTimeCtrl* picker;
        SystemTime start;
        std::vector<uint32_t> keys;
        std::u16string shown;
    } table[] = {
        {time, {2026, 5, 0, 10, 23, 59, 58, 0}, {VK_UP}, u"00:59:58"},
        {time, {2026, 5, 0, 10, 0, 0, 0, 0}, {VK_RIGHT, VK_DOWN}, u"00:59:00"},
        {time, {2026, 5, 0, 10, 0, 0, 0, 0}, {VK_LEFT, VK_DOWN, VK_DOWN}, u"00:00:58"},
        {time, {2026, 5, 0, 10, 12, 30, 0, 0}, {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_UP}, u"13:30:00"},
        {date, {2026, 3, 0, 31, 0, 0, 0, 0}, {VK_RIGHT, VK_UP}, u"30/04/2026"},
        {date, {2028, 2, 0, 29, 0, 0, 0, 0}, {VK_LEFT, VK_UP}, u"28/02/2029"},
        {date, {2026, 4, 0, 30, 0, 0, 0, 0}, {VK_UP}, u"01/04/2026"},
        {date, {2026, 1, 0, 31, 0, 0, 0, 0}, {VK_RIGHT, VK_DOWN}, u"31/12/2026"},
        {date, {2099, 6, 0, 1, 0, 0, 0, 0}, {VK_LEFT, VK_UP}, u"01/06/1980"},
    };
    for (const auto& row : table) {
        row.picker->SetTime(row.start);
        row.picker->SelectField(0);
        row.picker->SetFocus();
        for (uint32_t k : row.keys) press(k);
        EXPECT_EQ(row.picker->FormatText(), row.shown);
    }
    SystemTime got;
    EXPECT_EQ(date->SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<intptr_t>(&got)), GDT_VALID);
    EXPECT_EQ(got.year, 1980);
    EXPECT_EQ(got.day_of_week, 0);  // 1 June 1980 was a Sunday
    ASSERT_FALSE(dlg.date_notes.empty());
    EXPECT_EQ(dlg.date_notes.back().idFrom, kDate);
}

TEST_F(Controls, ComboStepsAndDropsItsList) {
    auto* combo = item<CComboBox>(kCombo);
    ASSERT_NE(combo, nullptr);
    for (const char16_t* s : {u"LPT1:", u"COM1:", u"File"}) combo->AddString(s);
    combo->SetCurSel(0);
    combo->SetFocus();
    dlg.notes.clear();
    press(VK_DOWN);
    EXPECT_EQ(combo->GetCurSel(), 1);
    ASSERT_EQ(dlg.notes.size(), 1u);
    EXPECT_EQ(dlg.notes[0].code, CBN_SELCHANGE);
    // A tap drops the list below the box; a tap on its last row chooses it.
    const Rect box = combo->GetWindowRect();
    post_mouse_input(WM_LBUTTONDOWN, {box.left + 5, box.top + 5});
    post_mouse_input(WM_LBUTTONUP, {box.left + 5, box.top + 5});
    drain();
    CListBox* dropped = combo->GetDroppedList();
    ASSERT_NE(dropped, nullptr);
    const Rect row = dropped->GetItemRect(2);
    const Point p = dropped->client_to_screen({row.left + 5, row.top + row.height() / 2});
    post_mouse_input(WM_LBUTTONDOWN, p);
    post_mouse_input(WM_LBUTTONUP, p);
    drain();
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_FALSE(combo->GetDroppedState());
    std::u16string text;
    combo->GetLBText(2, text);
    EXPECT_EQ(text, u"File");
}

// A dialog gives a combo box the height of its dropped list; closed, it is
// one line high and covers nothing of the controls below it.
TEST_F(Controls, AClosedComboIsOneLineHighWhateverItsDroppedHeight) {
    CComboBox tall;
    ASSERT_TRUE(tall.Create(WS_VISIBLE | CBS_DROPDOWNLIST, {10, 150, 200, 290}, &dlg, 120));
    tall.SetFont(control_font(item<CComboBox>(kCombo)), false);
    tall.AddString(u"LPT1:");
    tall.SetCurSel(0);
    drain();
    const int line = control_font(&tall).metrics().height;
    const Rect box = tall.GetWindowRect();
    EXPECT_GE(box.height(), line);
    EXPECT_LT(box.height(), 2 * line);
    EXPECT_EQ(box.top, dlg.client_to_screen({0, 150}).y);
}

TEST_F(Controls, ReportViewRowsStatesScrollingAndTaps) {
    CListCtrl report;
    ASSERT_TRUE(report.Create(WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              {10, 150, 300, 290}, &dlg, kReport));
    report.InsertColumn(0, u"Name", LVCFMT_LEFT, 120);
    report.InsertColumn(1, u"Size", LVCFMT_RIGHT, 100);
    for (int i = 0; i < 50; ++i) {
        const std::string name = "file" + std::to_string(i);
        report.InsertItem(i, std::u16string(name.begin(), name.end()));
        report.SetItemText(i, 1, i % 2 ? u"1 KB" : u"2 KB");
        report.SetItemData(i, 1000 + static_cast<uintptr_t>(i));
    }
    EXPECT_EQ(report.GetItemText(7, 1), u"1 KB");
    EXPECT_EQ(report.GetItemData(40), 1040u);
    const int per_page = report.GetCountPerPage();
    ASSERT_LT(per_page, 40);
    report.EnsureVisible(40, false);
    EXPECT_EQ(report.GetTopIndex(), 40 - per_page + 1);
    report.EnsureVisible(10, false);
    EXPECT_EQ(report.GetTopIndex(), 10);
    report.SetItemState(12, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    report.SetItemState(13, LVIS_SELECTED, LVIS_SELECTED);  // single selection: 12 lets go
    EXPECT_EQ(report.GetNextItem(-1, LVNI_SELECTED), 13);
    EXPECT_EQ(report.GetSelectedCount(), 1);
    drain();
    // The selected row is drawn selected on screen.
    const Rect row13 = report.GetItemRect(13);
    const Point p13 = report.client_to_screen({row13.right - 3, row13.top + 2});
    EXPECT_EQ(screen_snapshot().pixel(p13.x, p13.y), kSelectionBack);
    // A tap and a double tap on row 11 reach the parent with the row (time
    // stands still between the taps).
    VirtualClock frozen;
    dlg.list_notes.clear();
    const Rect row11 = report.GetItemRect(11);
    const Point tap = report.client_to_screen({row11.left + 20, row11.top + 3});
    for (int i = 0; i < 2; ++i) {
        post_mouse_input(WM_LBUTTONDOWN, tap);
        post_mouse_input(WM_LBUTTONUP, tap);
    }
    drain();
    std::vector<std::pair<int, int>> notes;
    for (const auto& n : dlg.list_notes) notes.push_back({n.code, n.iItem});
    const std::vector<std::pair<int, int>> want{{NM_SETFOCUS, -1}, {NM_CLICK, 11}, {NM_DBLCLK, 11}};
    EXPECT_EQ(notes, want);
    EXPECT_EQ(report.GetNextItem(-1, LVNI_SELECTED), 11);
    report.DestroyWindow();
}

TEST_F(Controls, InputPanelDrawsWhereItIsPlacedAndMovesWrap) {
    EXPECT_EQ(sip_status(), SIP_STATUS_AVAILABLE);
    CWnd* focus_before = item<CEdit>(kEdit);
    focus_before->SetFocus();
    uint32_t im[2] = {kSipImReset, 0};
    SipInfo info;
    info.input_panel = {256, 352, 256 + kSipWidth, 352 + kSipHeight};
    info.im_data = im;
    info.im_data_size = sizeof im;
    ASSERT_TRUE(sip_set_info(&info));
    ASSERT_TRUE(sip_show_im(1));
    drain();
    // The first cell is selected, at the panel's top-left.
    EXPECT_EQ(screen_snapshot().pixel(256 + 4, 352 + 4), kSipSelected);
    EXPECT_EQ(focus_window(), focus_before);
    const struct {
        uint32_t command;
        char16_t selected;
    } moves[] = {
        {kSipImLeft, u'J'},  {kSipImRight, u'A'}, {kSipImUp, u','},    {kSipImDown, u'A'},
        {kSipImRight, u'B'}, {kSipImDown, u'L'},  {kSipImReset, u'A'},
    };
    for (const auto& m : moves) {
        im[0] = m.command;
        sip_set_info(&info);
        im[0] = kSipImAnswer;
        sip_set_info(&info);
        uint32_t out[2] = {};
        SipInfo read;
        read.im_data = out;
        read.im_data_size = sizeof out;
        ASSERT_TRUE(sip_get_info(&read));
        EXPECT_EQ(out[1], static_cast<uint32_t>(m.selected)) << m.command;
    }
    // Closing the panel puts the screen back.
    sip_show_im(0);
    drain();
    EXPECT_NE(screen_snapshot().pixel(256 + 4, 352 + 4), kSipSelected);
    sip_panel_close();
}

}  // namespace
}  // namespace plat

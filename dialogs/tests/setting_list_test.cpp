// The setting list dialogs run modally over a screen and driven by keys: the
// row each opens on, what OK and Cancel leave in the getters, an empty list,
// and the value list's layout.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/res_string.h"
#include "dialog_test_support.h"
#include "dialogs/setting_list_dlg.h"
#include "files/lists/antenna.h"

namespace {

using namespace dialog_test;

constexpr uint32_t kF6 = plat::VK_F1 + 5;
constexpr uint32_t kF8 = plat::VK_F1 + 7;

// A dialog under test that says when it is open.
template <class Dlg>
class Opened : public Dlg {
  public:
    using Dlg::Dlg;
    plat::Event opened{true, false};

  protected:
    bool OnInitDialog() override {
        const bool r = Dlg::OnInitDialog();
        opened.set();
        return r;
    }
};

class SettingLists : public DialogFixture {
  protected:
    // Runs the dialog; `user` sees it open, then `keys` are pressed.
    template <class Dlg>
    intptr_t Run(Opened<Dlg>& dlg, const std::function<void()>& user,
                 const std::vector<uint32_t>& keys) {
        return RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); },
            [&] {
                user();
                for (uint32_t k : keys) Press(k);
            });
    }
    static std::vector<std::u16string> Rows(const plat::CListBox& list) {
        std::vector<std::u16string> rows;
        for (int i = 0; i < list.GetCount(); ++i) rows.push_back(list.GetText(i));
        return rows;
    }
};

TEST_F(SettingLists, RbwVbwOpensOnTheFirstRatioNotBelowAndOkTakesTheRow) {
    struct Case {
        double current;
        std::u16string shown;  // the selected row as it opens
        std::vector<uint32_t> keys;
        intptr_t end;
        double value;
    };
    const std::vector<Case> cases = {
        {5, u"  10.0", {kF6}, plat::IDOK, 10},
        {100, u" 100.0", {kF6}, plat::IDOK, 100},
        {0.2, u"   1.0", {plat::VK_UP, kF6}, plat::IDOK, 100000},  // wraps to the last row
        {200000, u"100000.0", {kF6}, plat::IDOK, 100000},
        {200000, u"100000.0", {plat::VK_DOWN, kF6}, plat::IDOK, 1},
        {30, u"  30.0", {plat::VK_DOWN, kF8}, plat::IDCANCEL, 30},
        {30, u"  30.0", {plat::VK_DOWN, plat::VK_ESCAPE}, plat::IDCANCEL, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        Opened<CRbwVbwDlg> dlg(&view, c.current);
        std::u16string shown, caption, title;
        std::vector<std::u16string> rows;
        const intptr_t r = Run(
            dlg,
            [&] {
                const plat::CListBox& list = dlg.GetList();
                rows = Rows(list);
                shown = list.GetCurSel() >= 0 ? list.GetText(list.GetCurSel()) : u"";
                caption = dlg.GetDlgItem(CSettingListDlg::kCaptionEdit)->GetWindowText();
                title = dlg.GetWindowText();
            },
            c.keys);
        EXPECT_EQ(r, c.end);
        EXPECT_EQ(shown, c.shown);
        EXPECT_DOUBLE_EQ(dlg.GetValue(), c.value);
        EXPECT_EQ(rows.size(), 11u);
        EXPECT_EQ(caption, u"RBW/VBW");
        EXPECT_EQ(title, LoadResString(CSettingListDlg::kTitleText));
    }
}

TEST_F(SettingLists, DataPointsOpenOnTheStepTablesRow) {
    const std::vector<std::u16string> table = {u"12",  u"23",   u"45",   u"89",   u"177",  u"353",
                                               u"705", u"1409", u"2817", u"5633", u"11265"};
    struct Case {
        int32_t current;
        std::u16string shown;
        std::vector<uint32_t> keys;
        int32_t value;
    };
    const std::vector<Case> cases = {
        {177, u"177", {kF6}, 177},
        {178, u"353", {plat::VK_DOWN, kF6}, 705},  // not in the table: the next one up
        {20000, u"11265", {plat::VK_F1 + 3, kF6}, 12},
        {353, u"353", {plat::VK_UP, kF8}, 353},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        Opened<CDataPointsDlg> dlg(&view, c.current);
        std::u16string shown;
        std::vector<std::u16string> rows;
        Run(
            dlg,
            [&] {
                rows = Rows(dlg.GetList());
                shown = dlg.GetList().GetText(dlg.GetList().GetCurSel());
            },
            c.keys);
        EXPECT_EQ(rows, table);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(dlg.GetSelection(), c.value);
    }
}

std::unique_ptr<CAntennaList> ThreeAntennas() {
    auto list = std::make_unique<CAntennaList>();
    for (const char16_t* name : {u"Whip", u"Yagi 900", u"Log periodic"})
        list->Add(std::make_unique<CAntenna>(name, 1, 100000000, 200000000, 150));
    return list;
}

TEST_F(SettingLists, ValueListOpensOnTheNamedAntennaElseTheFirst) {
    const auto list = ThreeAntennas();
    struct Case {
        std::u16string current;
        int shown;
        std::vector<uint32_t> keys;
        intptr_t end;
        int index;  // afterwards
    };
    const std::vector<Case> cases = {
        {u"Yagi 900", 1, {plat::VK_DOWN, kF6}, plat::IDOK, 2},
        {u"Horn", 0, {kF6}, plat::IDOK, 0},
        {u"yagi 900", 0, {kF8}, plat::IDCANCEL, -1},  // names match exactly
        {u"Log periodic", 2, {plat::VK_UP, plat::VK_ESCAPE}, plat::IDCANCEL, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current.begin(), c.current.end()));
        Opened<CValueListDlg> dlg(&view, c.current, list.get());
        int shown = -2;
        std::vector<std::u16string> rows;
        const intptr_t r = Run(
            dlg,
            [&] {
                rows = Rows(dlg.GetList());
                shown = dlg.GetList().GetCurSel();
            },
            c.keys);
        EXPECT_EQ(r, c.end);
        EXPECT_EQ(rows, (std::vector<std::u16string>{u"Whip", u"Yagi 900", u"Log periodic"}));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(dlg.GetSelectedIndex(), c.index);
        EXPECT_EQ(dlg.GetSelection(), c.index >= 0 ? list->GetAt(c.index) : nullptr);
    }
}

TEST_F(SettingLists, AnEmptyAntennaListMakesOkACancelAndKeepsTheCurrentValue) {
    const CAntennaList empty;
    for (const CAntennaList* list : {&empty, static_cast<const CAntennaList*>(nullptr)}) {
        Opened<CValueListDlg> dlg(&view, u"Whip", list);
        const intptr_t r = Run(dlg, [] {}, {plat::VK_DOWN, kF6});
        EXPECT_EQ(r, plat::IDCANCEL);
        EXPECT_EQ(dlg.GetSelection(), nullptr);
        EXPECT_EQ(dlg.GetSelectedIndex(), -1);
    }
}

TEST_F(SettingLists, ValueListLaysOutItsCaptionAndListWithoutTheValueBox) {
    const auto list = ThreeAntennas();
    // The template's places, from a setting list that keeps them.
    Opened<CRbwVbwDlg> plain(&view, 1);
    Rect caption0, list0;
    Run(plain,
        [&] {
            caption0 = plain.GetDlgItem(CSettingListDlg::kCaptionEdit)->GetWindowRect();
            list0 = plain.GetList().GetWindowRect();
        },
        {kF8});
    Opened<CValueListDlg> dlg(&view, u"Whip", list.get());
    Rect caption, rows, window;
    bool value_shown = true;
    std::u16string label;
    Run(dlg,
        [&] {
            auto* c = dlg.GetDlgItem(CSettingListDlg::kCaptionEdit);
            caption = c->GetWindowRect();
            label = c->GetWindowText();
            rows = dlg.GetList().GetWindowRect();
            window = dlg.GetWindowRect();
            value_shown = dlg.GetDlgItem(CSettingListDlg::kValueEdit)->IsWindowVisible();
        },
        {kF8});
    EXPECT_EQ(label, u"Antenna");
    EXPECT_FALSE(value_shown);
    EXPECT_EQ(caption.left, caption0.left);
    EXPECT_EQ(caption.top, caption0.top);
    EXPECT_EQ(caption.height(), caption0.height());
    EXPECT_EQ(caption.width(), caption0.width() / 2);
    EXPECT_EQ(rows.left, caption.right + CSettingListDlg::kListGap);
    EXPECT_EQ(rows.right, window.right - CSettingListDlg::kRightInset);
    EXPECT_EQ(rows.top, list0.top);
    EXPECT_EQ(rows.height(), list0.height());
}

}  // namespace

// The cable list dialog run modally over a screen and driven by keys: its
// rows in list order below the cables chosen last, what Select, the dashes,
// Back and Escape leave in the caller's cable, feet, and no list at all.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "dialogs/cable_list_dlg.h"
#include "files/lists/cable_type.h"
#include "files/tests/cable_list_fixture.h"
#include "platform/text/utf.h"

namespace {

using namespace dialog_test;

constexpr uint32_t kF4 = plat::VK_F1 + 3, kF5 = plat::VK_F1 + 4, kF6 = plat::VK_F1 + 5;
constexpr uint32_t kF8 = plat::VK_F1 + 7;

class OpenedCableList : public CCableListDlg {
  public:
    using CCableListDlg::CCableListDlg;
    plat::Event opened{true, false};
    std::vector<std::u16string> rows;  // as shown at the opening

  protected:
    bool OnInitDialog() override {
        const bool r = CCableListDlg::OnInitDialog();
        for (int i = 0; i < m_List.GetCount(); ++i) rows.push_back(m_List.GetText(i));
        opened.set();
        return r;
    }
};

using cable_fixture::ThreeCables;

class CableList : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        RecentCableIds::Get().Clear();
    }
    void TearDown() override {
        RecentCableIds::Get().Clear();
        DialogFixture::TearDown();
    }
    // Runs the dialog over `list` on `choice`, pressing `keys` once open;
    // the rows it opened with.
    intptr_t Run(CCableType* list, CCableType** choice, const std::vector<uint32_t>& keys,
                 std::vector<std::u16string>* rows = nullptr, bool metric = true) {
        OpenedCableList dlg(&view, choice, metric);
        dlg.SetCableList(list);
        const intptr_t r = RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); },
            [&] {
                for (uint32_t k : keys) Press(k);
            });
        if (rows) *rows = dlg.rows;
        return r;
    }
    static std::string Name(const std::u16string& row) {
        return plat::to_utf8(row.substr(0, row.find(u'\t')));
    }
};

TEST_F(CableList, ShowsEveryCableInListOrderWithVpAndTheNineLosses) {
    auto list = ThreeCables();
    CCableType* choice = nullptr;
    std::vector<std::u16string> rows;
    EXPECT_EQ(Run(list.get(), &choice, {plat::VK_ESCAPE}, &rows), plat::IDCANCEL);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(plat::to_utf8(rows[0]),
              "  None\t0.0%    0.0000   0.0000   0.0000   0.0000   0.0000   0.0000   0.0000   "
              "0.0000   0.0000");
    EXPECT_EQ(plat::to_utf8(rows[3]),
              "  Lossy66\t66.0%    0.1000   0.1000   0.1000   0.1000   0.1000   0.3000   0.3000   "
              "0.3000   0.3000");
    EXPECT_EQ(Name(rows[1]), "  Match85");
    EXPECT_EQ(Name(rows[2]), "  Slow66");
    EXPECT_EQ(choice, nullptr);
}

// In feet each loss per metre is shown per foot.
TEST_F(CableList, InFeetALossOf0_3281PerMetreShows0_1000) {
    CCableType::Losses l{};
    l.fill(0.3281f);
    CCableType head(0, u"Feet", 0.8f, l, true);
    const std::string row = plat::to_utf8(CCableListDlg::RowText(head, false));
    EXPECT_EQ(row.substr(row.find('\t')),
              "\t80.0%    0.1000   0.1000   0.1000   0.1000   0.1000   "
              "0.1000   0.1000   0.1000   0.1000");
}

// The cable chosen stands first when the list opens again, above the
// dashes; choosing the dashes keeps the choice.
TEST_F(CableList, TheLastChoiceStandsFirstAndTheDashesKeepTheChoice) {
    auto list = ThreeCables();
    CCableType* choice = nullptr;
    // Down three times from "None": Lossy66.
    EXPECT_EQ(Run(list.get(), &choice, {plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN, kF6}),
              plat::IDOK);
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->GetName(), u"Lossy66");
    std::vector<std::u16string> rows;
    // Opened on the first row (Lossy66 again); Down is the dashes.
    EXPECT_EQ(Run(list.get(), &choice, {plat::VK_DOWN, plat::VK_RETURN}, &rows), plat::IDOK);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(Name(rows[0]), "  Lossy66");
    EXPECT_EQ(rows[1], std::u16string(200, u'-'));
    EXPECT_EQ(Name(rows[2]), "  None");
    EXPECT_EQ(choice->GetName(), u"Lossy66");
    // The dashes with nothing chosen yet: Cancel, nothing taken.
    CCableType* none = nullptr;
    EXPECT_EQ(Run(list.get(), &none, {plat::VK_DOWN, kF6}), plat::IDCANCEL);
    EXPECT_EQ(none, nullptr);
}

// A recent id no longer in the list gets no row, but the dashes still do:
// the dashes are known by carrying no cable, not by their place, so the
// first cable after them can be chosen and the dashes choose nothing.
TEST_F(CableList, WithAStaleRecentIdTheDashesStillChooseNothing) {
    auto list = ThreeCables();
    RecentCableIds::Get().Record(42);
    CCableType* choice = list->FindById(2);
    std::vector<std::u16string> rows;
    // Opens on the dashes' follower ("None", row 1); Up is the dashes.
    EXPECT_EQ(Run(list.get(), &choice, {plat::VK_UP, kF6}, &rows), plat::IDOK);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], std::u16string(200, u'-'));
    EXPECT_EQ(choice->GetName(), u"Slow66");
    // Row 1, at the recent count, is a cable like any other.
    EXPECT_EQ(Run(list.get(), &choice, {kF6}), plat::IDOK);
    EXPECT_EQ(choice->GetName(), u"None");
}

TEST_F(CableList, BackAndEscapeKeepTheOldChoice) {
    auto list = ThreeCables();
    for (uint32_t key : {kF8, uint32_t{plat::VK_ESCAPE}}) {
        CCableType* choice = list->FindById(1);
        EXPECT_EQ(Run(list.get(), &choice, {plat::VK_DOWN, plat::VK_DOWN, key}), plat::IDCANCEL);
        EXPECT_EQ(choice->GetName(), u"Match85");
    }
    EXPECT_EQ(RecentCableIds::Get().Count(), 0u);
}

TEST_F(CableList, TopAndBottomKeysSelectTheEnds) {
    auto list = ThreeCables();
    CCableType* choice = nullptr;
    EXPECT_EQ(Run(list.get(), &choice, {kF5, kF6}), plat::IDOK);
    EXPECT_EQ(choice->GetName(), u"Lossy66");
    EXPECT_EQ(Run(list.get(), &choice, {kF5, kF4, kF6}), plat::IDOK);
    EXPECT_EQ(choice->GetName(), u"Lossy66") << "the top row is the recent Lossy66";
}

// Without a list file the dialog is empty, and OK takes nothing.
TEST_F(CableList, WithoutAListTheDialogIsEmptyAndOkChangesNothing) {
    CCableType* choice = nullptr;
    std::vector<std::u16string> rows;
    EXPECT_EQ(Run(nullptr, &choice, {plat::VK_DOWN, kF6}, &rows), plat::IDCANCEL);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(choice, nullptr);
}

// The table keeps five ids, the latest first; a held id moves to the front.
TEST(RecentCables, KeepFiveLatestFirst) {
    RecentCableIds& r = RecentCableIds::Get();
    r.Clear();
    struct Case {
        std::vector<int32_t> chosen;
        std::vector<int32_t> held;
    } cases[] = {
        {{7}, {7}},
        {{7, 7}, {7}},
        {{1, 2, 3, 2}, {2, 3, 1}},
        {{1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2}},
        {{1, 2, 3, 4, 5, 1}, {1, 5, 4, 3, 2}},
    };
    for (const Case& c : cases) {
        r.Clear();
        for (int32_t id : c.chosen) r.Record(id);
        std::vector<int32_t> held;
        for (size_t i = 0; i < r.Count(); ++i) held.push_back(r.At(i));
        EXPECT_EQ(held, c.held);
    }
    r.Clear();
}

}  // namespace

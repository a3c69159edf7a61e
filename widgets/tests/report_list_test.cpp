// The report list: column text, rows and values, the comparison of two
// texts, sorting by header clicks, the column widths in the profile (also
// read back by a second process) and the sort arrow's pixels.
#include "widgets/report_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/framework/app.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/device_root.h"
#include "platform/registry/registry.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

namespace {

constexpr int kListId = 1393;
constexpr const char* kChildVariable = "REPORT_LIST_CHILD";

TEST(ReportCompare, NumbersDatesAndTexts) {
    const struct {
        const char16_t* a;
        const char16_t* b;
        int order;  // sign of a against b
    } cases[] = {
        {u"9", u"10", -1},
        {u"10", u"9", 1},
        {u"007", u"7", 0},
        {u"123456789012345678901234567890", u"99", 1},
        {u"123456789012345678901234567890", u"123456789012345678901234567891", -1},
        {u"12/31/2012", u"01/02/2013", -1},
        {u"01/02/2013", u"12/31/2012", 1},
        {u"01/31/2013", u"02/01/2013", -1},
        {u"12/31/2012", u"1/2/2013", 1},  // a short second date: by characters
        {u"12/31/2012", u"12", 1},
        {u"9", u"abc", -1},
        {u"abc", u"abd", -1},
        {u"B", u"a", -1},
        {u"", u"", 0},
    };
    for (const auto& c : cases) {
        const int r = CReportList::CompareTexts(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.order)
            << std::string(core::LowBytes(c.a)) << " vs " << core::LowBytes(c.b);
    }
}

class Parent : public plat::CWnd {};

class ReportList : public ::testing::Test {
  protected:
    void SetUp() override {
        app.SetRegistryKey(u"Vorn Electronic\\ReportListTest");
        plat::register_window_class({"ReportListTestParent", 0, std::nullopt});
        ASSERT_TRUE(parent.Create("ReportListTestParent", u"", plat::WS_VISIBLE, {0, 0, 800, 600},
                                  nullptr, 0));
        ASSERT_TRUE(list.Create(plat::WS_VISIBLE, {50, 50, 450, 350}, &parent, kListId));
        Drain();
    }
    void TearDown() override {
        parent.DestroyWindow();
        Drain();
    }
    static void Drain() {
        plat::Message m;
        while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
    }
    // A tap on header item `column`.
    void Click(int column) {
        const plat::Rect r = list.Header().GetItemRect(column);
        const intptr_t at = plat::make_lparam(r.left + 5, r.top + 5);
        list.Header().SendMessage(plat::WM_LBUTTONDOWN, 0, at);
        list.Header().SendMessage(plat::WM_LBUTTONUP, 0, at);
        Drain();
    }
    std::vector<std::string> Column(int c) {
        std::vector<std::string> out;
        for (int i = 0; i < list.GetItemCount(); ++i)
            out.push_back(core::LowBytes(list.GetItemText(i, c)));
        return out;
    }
    int Width(int c) {
        plat::HDITEM item;
        item.mask = plat::HDI_WIDTH;
        list.Header().GetItem(c, &item);
        return item.cxy;
    }
    void StoreBlob(const std::vector<uint8_t>& blob) {
        app.WriteProfileBinary(CReportList::kWidthSection, std::u16string(u"1393"), blob);
    }

    celvane_test::TempRoot root{"widgets-report-list"};
    plat::CWinApp app;
    Parent parent;
    CReportList list;
};

TEST_F(ReportList, ColumnsRowsAndValues) {
    EXPECT_EQ(list.SetColumns(u"Name,120;Size,60"), 1);
    EXPECT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(Width(0), 120);
    EXPECT_EQ(Width(1), 60);
    // Texts that end early never read past their end.
    CReportList other;
    EXPECT_EQ(other.SetColumns(u"A,"), 1);
    EXPECT_EQ(other.SetColumns(u"B"), 1);
    EXPECT_EQ(other.SetColumns(u",7;"), 1);
    EXPECT_EQ(other.GetColumnCount(), 2);

    EXPECT_EQ(list.AddRow({u"a", u"1"}), 0);
    EXPECT_EQ(list.AddRow({u"b", u"2"}), 1);
    EXPECT_TRUE(list.SetRowValue(1, 42));
    EXPECT_FALSE(list.SetRowValue(2, 1));
    EXPECT_FALSE(list.SetRowValue(-1, 1));
    EXPECT_EQ(list.GetRowValue(1), 42);
    EXPECT_EQ(list.GetRowValue(2), 0);
    EXPECT_EQ(list.GetRowValue(-1), 0);
    list.DeleteRow(5);
    list.DeleteRow(-1);
    EXPECT_EQ(list.GetItemCount(), 2);
    list.DeleteRow(0);
    EXPECT_EQ(list.GetRowValue(0), 42);
    list.DeleteAllRows();
    EXPECT_EQ(list.GetItemCount(), 0);
    list.AddRow({u"left for the destruction"});
}

TEST_F(ReportList, HeaderClicksSortAndTwoClicksRestoreTheOrder) {
    list.SetColumns(u"Name,120;Size,60;Date,100");
    list.AddRow({u"b", u"10", u"01/02/2013"});
    list.AddRow({u"c", u"9", u"12/31/2012"});
    list.AddRow({u"a", u"100", u"06/15/2012"});
    Click(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"9", "10", "100"}));
    EXPECT_EQ(list.GetSortColumn(), 1);
    EXPECT_TRUE(list.IsAscending());
    Click(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"100", "10", "9"}));
    EXPECT_FALSE(list.IsAscending());
    Click(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"9", "10", "100"}));
    Click(2);
    EXPECT_TRUE(list.IsAscending()) << "another column sorts ascending";
    EXPECT_EQ(Column(2), (std::vector<std::string>{"06/15/2012", "12/31/2012", "01/02/2013"}));
    Click(0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c"}));
    // The row values travel with their rows.
    list.SetRowValue(0, 7);
    Click(0);
    EXPECT_EQ(list.GetRowValue(2), 7);
}

TEST_F(ReportList, StoredWidthsOnlyOfTheRightSize) {
    list.SetColumns(u"Name,120;Size,60");
    auto blob = [](std::vector<uint32_t> words, size_t extra = 0) {
        std::vector<uint8_t> b(words.size() * 4 + extra);
        std::memcpy(b.data(), words.data(), words.size() * 4);
        return b;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> data;
    } refused[] = {
        {"7 bytes", std::vector<uint8_t>{2, 0, 0, 0, 10, 0, 0}},
        {"3 columns stored", blob({3, 10, 20, 30})},
        {"count 2 but one width", blob({2, 10})},
        {"count 2 and a byte more", blob({2, 10, 20}, 1)},
        {"nothing", {}},
    };
    for (const auto& r : refused) {
        StoreBlob(r.data);
        list.LoadColumnWidths();
        EXPECT_EQ(Width(0), 120) << r.what;
        EXPECT_EQ(Width(1), 60) << r.what;
    }
    StoreBlob(blob({2, 150, 40}));
    list.LoadColumnWidths();
    EXPECT_EQ(Width(0), 150);
    EXPECT_EQ(Width(1), 40);
}

TEST_F(ReportList, WidthsAreReadBackInASecondProcess) {
    list.SetColumns(u"Name,120;Size,60");
    plat::HDITEM item;
    item.mask = plat::HDI_WIDTH;
    item.cxy = 133;
    list.Header().SetItem(0, item);
    item.cxy = 44;
    list.Header().SetItem(1, item);
    list.SaveColumnWidths();
    // The stored form: the count, then each width, 32-bit little-endian.
    const auto stored = app.GetProfileBinary(CReportList::kWidthSection, u"1393");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, (std::vector<uint8_t>{2, 0, 0, 0, 133, 0, 0, 0, 44, 0, 0, 0}));

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kChildVariable) + "=1 " + plat::kDeviceRootVariable +
                                "='" + root.path().string() + "' '" + self +
                                "' --gtest_filter=ReportListChild.* >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

// Runs only as the second process of the test above.
TEST(ReportListChild, ReadsTheStoredWidths) {
    if (!std::getenv(kChildVariable)) GTEST_SKIP() << "runs as a second process only";
    plat::CWinApp app;
    app.SetRegistryKey(u"Vorn Electronic\\ReportListTest");
    plat::register_window_class({"ReportListTestParent", 0, std::nullopt});
    Parent parent;
    ASSERT_TRUE(parent.Create("ReportListTestParent", u"", 0, {0, 0, 800, 600}, nullptr, 0));
    CReportList list;
    ASSERT_TRUE(list.Create(0, {0, 0, 400, 300}, &parent, kListId));
    list.SetColumns(u"Name,120;Size,60");
    list.LoadColumnWidths();
    plat::HDITEM item;
    item.mask = plat::HDI_WIDTH;
    list.Header().GetItem(0, &item);
    EXPECT_EQ(item.cxy, 133);
    list.Header().GetItem(1, &item);
    EXPECT_EQ(item.cxy, 44);
    parent.DestroyWindow();
}

TEST_F(ReportList, TheSortArrowsPixels) {
    list.SetColumns(u"Name,120;Size,60");
    list.AddRow({u"a", u"1"});
    const plat::COLORREF shadow = plat::GetSysColor(plat::COLOR_BTNSHADOW);
    const plat::COLORREF light = plat::GetSysColor(plat::COLOR_BTNHIGHLIGHT);
    for (bool ascending : {true, false}) {
        Click(1);
        if (list.IsAscending() != ascending) Click(1);
        ASSERT_EQ(list.IsAscending(), ascending);
        list.Header().Invalidate();
        Drain();
        const plat::Point origin = list.Header().client_to_screen({0, 0});
        const plat::Rect item = list.Header().GetItemRect(1).offset(origin.x, origin.y);
        const plat::Rect arrow = list.Header().ArrowArea(item);
        const plat::Bitmap s = plat::screen_snapshot();
        int shadows = 0, lights = 0, outside = 0;
        for (int y = item.top; y < item.bottom; ++y)
            for (int x = item.left; x < item.right; ++x) {
                const plat::COLORREF c = s.pixel(x, y);
                const bool in = arrow.inflate(1, 1).contains({x, y});
                if (c == shadow) in ? ++shadows : ++outside;
                if (c == light) in ? ++lights : ++outside;
            }
        EXPECT_GT(shadows, 2) << ascending;
        EXPECT_GT(lights, 2) << ascending;
        EXPECT_EQ(outside, 0) << "the arrow stays in its box";
        // Ascending points up: its base (the bottom row) is lit. Descending
        // points down: its top row is in shadow.
        const int row = ascending ? arrow.bottom - 1 : arrow.top;
        int base = 0;
        for (int x = arrow.left; x < arrow.right; ++x)
            base += s.pixel(x, row) == (ascending ? light : shadow);
        EXPECT_GE(base, arrow.width() - 2) << ascending;
        // The text of the sorted column keeps clear of the arrow.
        const plat::Rect text = list.Header().TextArea(item, true);
        EXPECT_LE(text.right, arrow.left);
    }
}

}  // namespace

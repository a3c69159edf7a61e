// The waterfall: ramp, rows, time marks, and the waterfall picture written,
// read back by ImageMagick and recalled; bad files as a table.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "files/formats/screen_image_file.h"
#include "platform/fs/device_path.h"
#include "platform/fs/tests/test_support.h"
#include "platform/gfx/dib.h"
#include "widgets/tests/graph_test_support.h"
#include "widgets/widget_services.h"

using namespace graph_test;

namespace {

uint32_t Word(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(s[at + size_t(i)])) << (8 * i);
    return v;
}
void PutWord(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * i));
}

std::string Shell(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

}  // namespace

TEST(WaterfallRamp, EntriesAsGiven) {
    EXPECT_EQ(CGraphWidget::RampColor(0), plat::RGB(255, 0, 0));
    EXPECT_EQ(CGraphWidget::RampColor(127), plat::RGB(128, 254, 0));
    EXPECT_EQ(CGraphWidget::RampColor(254), plat::RGB(1, 3, 252));
    EXPECT_EQ(CGraphWidget::RampColor(255), CGraphWidget::RampColor(254));
    EXPECT_EQ(CGraphWidget::RampColor(300), CGraphWidget::RampColor(255));
    EXPECT_EQ(CGraphWidget::RampColor(-40), CGraphWidget::RampColor(0));
}

TEST(WaterfallTimeText, Forms) {
    const struct {
        uint32_t s;
        const char16_t* text;
    } cases[] = {{90061, u"1d1h1m1s"}, {59, u"59s"},         {3600, u"1h0m0s"},
                 {0, u"0s"},           {86400, u"1d0h0m0s"}, {61, u"1m1s"}};
    for (const auto& c : cases) EXPECT_EQ(CGraphWidget::ElapsedTimeText(c.s), c.text) << c.s;
}

class Waterfall : public GraphFixture {
  protected:
    void SetUp() override {
        GraphFixture::SetUp();
        graph().SetTimeSource([this] { return clock; });
        panel->SetWaterfallMode(2);
        FillSweep(graph());
    }
    // Adds a row whose every column has level n % 256, stamped at `clock`.
    void AddRow(int n) {
        {
            auto d = graph().LockData();
            for (int c = 0; c < 705; ++c) d->columnLevels[size_t(c)] = n % 256;
        }
        panel->AddWaterfallLine();
    }
    int64_t clock = 1000000;
};

TEST_F(Waterfall, RowKShowsSweepNMinusK) {
    const int n = 300;
    for (int s = 1; s <= n; ++s) AddRow(s);
    const plat::Bitmap img = graph().GetWaterfallImage();
    for (int k : {0, 1, 57, 200, 299})
        for (int x : {0, 351, 704})
            EXPECT_EQ(img.pixel(x, k), CGraphWidget::RampColor((n - k) % 256)) << k;
    // Split mode shows the newest rows in the lower half of the plot.
    EXPECT_EQ(Pixel(10, 30 + 425 / 2), CGraphWidget::RampColor(n % 256));
}

TEST_F(Waterfall, TimeMarksEstimateFirstAndMeasureLater) {
    AddRow(1);
    EXPECT_EQ(graph().GetTimeMarks(), (std::array<uint32_t, 5>{0, 0, 0, 0, 0}));
    for (int s = 2; s <= 50; ++s) {
        clock += 2;
        AddRow(s);
    }
    // 50 rows 2 s apart: a mark k stands k*105 rows back, estimated.
    EXPECT_EQ(graph().GetTimeMarks(), (std::array<uint32_t, 5>{0, 210, 420, 630, 840}));
    for (int s = 51; s <= 250; ++s) {
        clock += 3;
        AddRow(s);
    }
    auto marks = graph().GetTimeMarks();
    EXPECT_EQ(marks[1], 315u);  // 105 rows of 3 s
    EXPECT_EQ(marks[2], 620u);  // 10 rows of 2 s and 200 of 3 s
    // The clock set back: ages read 0.
    clock -= 100000;
    AddRow(251);
    marks = graph().GetTimeMarks();
    EXPECT_EQ(marks[1], 0u);
    EXPECT_EQ(CGraphWidget::ElapsedTimeText(marks[1]), u"0s");
}

TEST_F(Waterfall, PictureIsByteExactReadableAndRecalled) {
    celvane_test::TempRoot root("celvane-graph");
    std::filesystem::create_directories(root.path() / "FlashFX Disk" / "My Pictures");
    for (int s = 1; s <= 120; ++s) {
        clock += 7;
        AddRow(s * 2);
    }
    const std::array<uint32_t, 9> values = {11, 22, 33, 44, 55, 66, 77, 88, 99};
    ASSERT_TRUE(panel->SaveWaterfall(values));
    const auto host = plat::host_path(std::u16string_view(graph().GetLastPicturePath()));
    ASSERT_TRUE(host);
    const std::string file = celvane_test::slurp(*host);
    ASSERT_EQ(file.size(), 603358u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(Word(file, 2), 601566u);
    EXPECT_EQ(Word(file, 18), 706u);
    EXPECT_EQ(Word(file, 22), 426u);
    EXPECT_EQ(Word(file, 28) & 0xFFFF, 16u);
    const size_t t = 601566;
    EXPECT_EQ(Word(file, t + 0), 705u);
    EXPECT_EQ(Word(file, t + 4), 0u);
    EXPECT_EQ(Word(file, t + 8), 735u);  // 105 rows of 7 s
    EXPECT_EQ(Word(file, t + 24), 11u);
    EXPECT_EQ(Word(file, t + 32), 22u);
    EXPECT_EQ(Word(file, t + 60), 99u);
    EXPECT_EQ(Word(file, t + 64), 120u);
    EXPECT_EQ(Word(file, t + 68), uint32_t(1000000 + 7));
    EXPECT_EQ(Word(file, t + 68 + 4 * 119), uint32_t(1000000 + 7 * 120));
    EXPECT_EQ(Word(file, t + 68 + 4 * 120), 0u);
    // ImageMagick reads the picture; its top row is the newest sweep.
    const std::string info = Shell("identify -format '%w %h' '" + host->string() + "' 2>/dev/null");
    EXPECT_EQ(info, "706 426");
    const std::string px =
        Shell("convert '" + host->string() + "' -format '%[pixel:p{5,0}]' info: 2>/dev/null");
    const COLORREF newest = plat::from_x1r5g5b5(plat::to_x1r5g5b5(CGraphWidget::RampColor(240)));
    EXPECT_EQ(px, "srgb(" + std::to_string(plat::GetRValue(newest)) + "," +
                      std::to_string(plat::GetGValue(newest)) + "," +
                      std::to_string(plat::GetBValue(newest)) + ")");

    // Recall into a cleared graph: image (5-bit) and stamps come back.
    const plat::Bitmap before = graph().GetWaterfallImage();
    panel->ClearWaterfall();
    EXPECT_EQ(graph().GetRowStamp(0), 0u);
    ClearRecordedWidgetMessages();
    panel->RecallWaterfall(graph().GetLastPicturePath());
    EXPECT_TRUE(RecordedWidgetMessages().empty());
    EXPECT_EQ(panel->RestoreWaterfall(), 1);
    EXPECT_EQ(graph().GetRowIndex(), 120);
    EXPECT_EQ(graph().GetRowStamp(119), uint32_t(1000000 + 7 * 120));
    const plat::Bitmap after = graph().GetWaterfallImage();
    for (int y : {0, 50, 119, 200})
        for (int x : {0, 300, 704})
            EXPECT_EQ(after.pixel(x, y),
                      plat::from_x1r5g5b5(plat::to_x1r5g5b5(before.pixel(x, y))));

    // Bad files: each gives its message (or succeeds) and nothing else.
    const std::filesystem::path pics = root.path() / "FlashFX Disk" / "My Pictures";
    auto variant = [&](const char* name, std::string bytes) {
        std::ofstream(pics / name, std::ios::binary) << bytes;
        return core::Text(u"\\FlashFX Disk\\My Pictures\\") + core::WidenBytes(name);
    };
    std::string wrong_sig = file, huge = file, row5000 = file, other = file;
    wrong_sig[0] = 'X';
    PutWord(huge, 2, 0xFFFFFF00u);
    PutWord(row5000, t + 64, 5000);
    PutWord(other, 18, 705);  // a picture of another size
    const struct {
        const char* name;
        std::string bytes;
        int result;
        const char16_t* message;
    } cases[] = {
        {"short.bmp", file.substr(0, file.size() - 1), 0, u"is not a water fall file."},
        {"sig.bmp", wrong_sig, 0, u"is not a water fall file."},
        {"huge.bmp", huge, 0, u"is not a water fall file."},
        {"tiny.bmp", file.substr(0, 40), 0, u"is not a water fall file."},
        {"row.bmp", row5000, 1, nullptr},
        {"other.bmp", other, 0, u""},
    };
    for (const auto& c : cases) {
        ClearRecordedWidgetMessages();
        const core::Text path = variant(c.name, c.bytes);
        EXPECT_EQ(graph().RecallWaterfall(path), c.result) << c.name;
        const auto msgs = RecordedWidgetMessages();
        if (c.message) {
            ASSERT_EQ(msgs.size(), 1u) << c.name;
            EXPECT_NE(msgs[0].find(c.message), std::u16string::npos) << c.name;
        } else {
            EXPECT_TRUE(msgs.empty()) << c.name;
        }
    }
    EXPECT_EQ(panel->RestoreWaterfall(), 1);  // row 5000 clamped
    EXPECT_EQ(graph().GetRowIndex(), 0);
    ClearRecordedWidgetMessages();
    EXPECT_EQ(graph().RecallWaterfall(u"\\FlashFX Disk\\My Pictures\\missing.bmp"), 0);
    ASSERT_EQ(RecordedWidgetMessages().size(), 1u);
    EXPECT_EQ(RecordedWidgetMessages()[0],
              u"Cannot open file:\\FlashFX Disk\\My Pictures\\missing.bmp");
    // A read-only picture is recalled.
    std::filesystem::permissions(*host, std::filesystem::perms::owner_read);
    EXPECT_EQ(graph().RecallWaterfall(graph().GetLastPicturePath()), 1);
}

TEST_F(Waterfall, ScreenPictureIsTheWholeScreen) {
    celvane_test::TempRoot root("celvane-graph");
    std::filesystem::create_directories(root.path() / "FlashFX Disk" / "My Pictures");
    panel->DrawGraph(nullptr, false);
    ASSERT_TRUE(panel->SaveScreenImage());
    const auto host = plat::host_path(std::u16string_view(graph().GetLastPicturePath()));
    ASSERT_TRUE(host);
    EXPECT_EQ(std::filesystem::file_size(*host), 960054u);
    EXPECT_NE(graph().GetLastPicturePath().find(u"\\Screen"), std::u16string::npos);
}

// The spectrum analyzer screen's own forms of the base's operations in the
// program itself, in this process on the simulated board (noise variation
// off): the automatic range from the trace's extremes, the help captions of
// the keys, and a language change that redraws the whole screen. Keys are
// typed as the user presses them; the screen is read on the user-interface
// thread and from the headless display's screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/tests/specan_functions_support.h"
#include "app/tests/specan_screen.h"
#include "core/app_commands.h"
#include "core/res_string.h"
#include "widgets/clock_panel.h"
#include "widgets/title_bar.h"

using namespace specan_functions;
namespace fs = std::filesystem;

namespace {

// Watts as dBm and as dBuV across 50 ohms, from their definitions.
double Dbm(double watts) {
    return 10 * std::log10(watts) + 30;
}
double DbuvAt50Ohm(double watts) {
    return 20 * std::log10(std::sqrt(watts * 50) * 1e6);
}

constexpr int kHelpRow = CReadoutPanel::kCaptionRow;
constexpr int32_t kEnglish = 9, kMandarin = 4;
constexpr int32_t kDbuv = 8;
constexpr uint32_t kFrequencyHelp = 2000, kReferenceCaption = 982;

class ScreenOverrides : public MeasureRun {
  protected:
    void SetUp() override { Begin(SceneOf({{940e6, -30, 0, ""}})); }

    // A screenshot taken once the program has taken every key typed so far.
    specan_screen::Screen Shot(const std::string& name) {
        const fs::path png = run().root().path() / (name + std::to_string(++shots_) + ".png");
        run().Type("shot " + png.string() + "\n");
        specan_screen::Screen s;
        EXPECT_TRUE(Eventually([&] {
            s = specan_screen::ReadPng(png);
            return !s.bytes.empty();
        }));
        return s;
    }
    // Waits until `n` more sweeps than now have been completed.
    void Sweeps(int n) {
        int start = 0;
        OnScreen([&](CSpecAnMode& s) { start = s.GetCompletedSweeps(); });
        ASSERT_TRUE(Until([&](CSpecAnMode& s) { return s.GetCompletedSweeps() >= start + n; }));
    }
    // The help row's text and the text of a string id in the program's
    // language.
    core::Text HelpRow() {
        core::Text t;
        OnScreen([&](CSpecAnMode& s) { t = s.readout_panel()->GetRowCaption(kHelpRow); });
        return t;
    }
    core::Text Text(uint32_t id) {
        core::Text t;
        OnScreen([&](CSpecAnMode&) { t = LoadResString(id); });
        return t;
    }
    void Language(int32_t id) {
        ASSERT_TRUE(run().OnUi(
            [&] { run().app().GetMainFrame()->SendMessage(plat::WM_COMMAND, kCmdLanguage, id); }));
    }
    int shots_ = 0;
};

}  // namespace

// The range from the extremes, one table in dBm: the scale spreads them over
// the ten divisions (1 to 15 dB each) and the lowest stands on the bottom
// line; the setup keeps the reference in watts, so the same extremes give
// the same level in dBuV.
TEST_F(ScreenOverrides, AutoRangeFromTheExtremes) {
    struct Row {
        double maximum, minimum;
        double scale, reference_dbm;
    };
    const Row rows[] = {
        {-20.0, -95.0, 8, -15.0},
        {30.0, -120.0, 15, 30.0},
        {-20.05, -95.04, 8, -15.1},
        {-50.0, -50.5, 1, -40.5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.maximum);
        double watts = 0, scale = 0;
        OnScreen([&](CSpecAnMode& s) {
            s.AutoScale(r.maximum, r.minimum);
            watts = s.GetSASetup()->GetReferenceLevel(false);
            scale = s.GetSASetup()->GetReferenceStepping();
        });
        EXPECT_EQ(scale, r.scale);
        EXPECT_NEAR(Dbm(watts), r.reference_dbm, 1e-9);
    }
    double watts = 0;
    OnScreen([&](CSpecAnMode& s) {
        s.GetSASetup()->SetMeasureUnit(kDbuv);
        s.AutoScale(-20.0, -95.0);
        watts = s.GetSASetup()->GetReferenceLevel(false);
    });
    EXPECT_NEAR(DbuvAt50Ohm(watts), 91.99, 0.005);
    EXPECT_NEAR(Dbm(watts), -15.0, 1e-9);
    // The amplitude page's reference key reads it.
    Keys({"shift+F3"});
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        return core::LowBytes(s.soft_key_menu()->Key(1)->GetTitle()).find("91.99") !=
               std::string::npos;
    })) << SoftKey(1);
}

// Auto range by keys on the live trace: afterwards the trace's lowest pixel
// lies in the bottom division and its highest below the top line.
TEST_F(ScreenOverrides, AutoRangeKeyFitsTheTraceToTheGraph) {
    // A scale far too wide first: 15 dB per division from +30 dBm. The key
    // ranges over the points received so far until a whole sweep is in, so
    // it waits for one.
    OnScreen([](CSpecAnMode& s) { s.AutoScale(30.0, -120.0); });
    Sweeps(1);
    Keys({"shift+F3", "F1"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.GetSASetup()->GetReferenceStepping() < 15; }));
    Sweeps(2);
    const specan_screen::Screen shot = Shot("auto");
    const specan_screen::Rgb trace = specan_screen::TraceColour();
    int highest = specan_screen::kPlotLastRow + 1, lowest = -1;
    for (int x = specan_screen::kGraphLeft; x < specan_screen::kGraphWidth; ++x)
        for (int y = specan_screen::kGraphTop; y <= specan_screen::kPlotLastRow; ++y)
            if (shot.At(x, y) == trace) {
                highest = std::min(highest, y);
                lowest = std::max(lowest, y);
            }
    const double division =
        (specan_screen::kPlotLastRow - specan_screen::kGraphTop) / specan_screen::kDivisions;
    ASSERT_GE(lowest, 0) << "no trace on the graph";
    EXPECT_GE(lowest, specan_screen::kPlotLastRow - division);
    EXPECT_GT(highest, specan_screen::kGraphTop);
}

// Help captions from the screen's table, each shown in the help row as its
// key is pressed; a blank key leaves the row as it was.
TEST_F(ScreenOverrides, EveryKeyShowsItsHelpCaption) {
    struct Row {
        std::vector<const char*> keys;  // the last one is the key looked at
        uint32_t help;
    };
    const std::vector<Row> rows = {
        {{"shift+F1", "F1"}, 2100},         // page 0, key 0
        {{"shift+F2", "F7"}, 2210},         // page 1, key 6
        {{"shift+F2", "F8", "F2"}, 2223},   // page 4, key 1
        {{"shift+F3", "F8"}, 2310},         // page 9, key 7
        {{"shift+F3", "F8", "F7"}, 64380},  // page 14, key 6
        {{"shift+F5", "F4"}, 64462},        // page 33, key 3
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.help);
        Keys({"ESCAPE", "ESCAPE"});
        for (const char* k : r.keys) Keys({k});
        const core::Text want = Text(r.help);
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(Eventually([&] { return HelpRow() == want; }))
            << core::LowBytes(HelpRow()) << " is not " << core::LowBytes(want);
    }
    // Page 4's key 3 is blank: the row keeps what it showed.
    Keys({"ESCAPE", "ESCAPE", "shift+F2", "F8"});
    Shot("sweep");
    const core::Text before = HelpRow();
    EXPECT_EQ(before, Text(2220));
    Keys({"F4"});
    Shot("blank");
    EXPECT_EQ(HelpRow(), before);
}

// Mandarin and back: every pane takes the language's texts, and the screen
// then equals the first one pixel for pixel (the clock aside).
TEST_F(ScreenOverrides, MandarinAndBackRedrawsTheSameScreen) {
    // One sweep, then the trace stands still (sweep page, single sweep).
    int32_t trigger = 0;
    OnScreen([&](CSpecAnMode& s) { trigger = s.GetSASetup()->GetTriggerMode(); });
    Keys({"shift+F2", "F8", "F1"});
    ASSERT_TRUE(Until([&](CSpecAnMode& s) { return s.GetSASetup()->GetTriggerMode() != trigger; }));
    // A sweep that ran on as the keys came completes first: the single
    // sweep is whole once it is held.
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.IsSingleSweepHeld(); }));
    Keys({"shift+F1"});
    const specan_screen::Screen english = Shot("en");
    const std::string centre = SoftKey(2);
    Language(kMandarin);
    const specan_screen::Screen mandarin = Shot("zh");
    EXPECT_NE(mandarin.bytes, english.bytes);
    // The soft keys, the help row and the graph's reference caption are
    // the language's.
    EXPECT_NE(SoftKey(2), centre);
    EXPECT_EQ(HelpRow(), Text(kFrequencyHelp));
    core::Text title;
    OnScreen([&](CSpecAnMode& s) { title = s.GetGraphPanel()->GetGraph()->GetTitleText(); });
    const core::Text reference = Text(kReferenceCaption);
    EXPECT_EQ(title.substr(title.size() - std::min(title.size(), reference.size())), reference);
    Language(kEnglish);
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.IsSingleSweepHeld(); }));
    const specan_screen::Screen back = Shot("back");
    ASSERT_EQ(back.bytes.size(), english.bytes.size());
    // The clock of the title bar ticks on between the shots.
    plat::Rect clock{};
    OnScreen([&](CSpecAnMode& s) { clock = s.file_label_panel()->GetClock()->GetRect(); });
    int differ = 0, left = specan_screen::kWidth, top = specan_screen::kHeight, right = -1,
        bottom = -1;
    for (int y = 0; y < specan_screen::kHeight; ++y)
        for (int x = 0; x < specan_screen::kWidth; ++x)
            if (!clock.contains({x, y}) && !(back.At(x, y) == english.At(x, y))) {
                ++differ;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_EQ(differ, 0) << "pixels differ in (" << left << ", " << top << ") .. (" << right << ", "
                         << bottom << ")";
}

// The marker, peak-search, trace, detection and waterfall pages and the
// readout rows on a measurement screen with a real graph panel and soft-key
// and readout panes over a test view: three carriers on points 100, 350 and
// 600 at -20, -30 and -40 dBm over a -90 dBm floor.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/keys.h"
#include "core/params.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "platform/kernel/clock.h"
#include "platform/window/paint.h"
#include "screens/measurement_base.h"
#include "screens/tests/intake_screen.h"
#include "screens/tests/marker_scene.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/tests/widget_test_support.h"

namespace {

using namespace marker_scene;

class MarkerScreenTest : public widget_test::ViewFixture {
  protected:
    void SetUp() override {
        ViewFixture::SetUp();
        scene = std::make_unique<Scene>(view, scheme.get());
        panel = scene->panel.get();
        screen = scene->screen.get();
    }
    void TearDown() override {
        scene.reset();
        ViewFixture::TearDown();
    }
    // The graph carries out the marker requests while it draws.
    int Point(int marker = -1) {
        panel->DrawTrace();
        int current = 0;
        if (marker < 0 && panel->GetCurrentMarker(current)) marker = current;
        return panel->GetMarkerPixelIndex(marker);
    }
    void Press(uint32_t key, int times) {
        for (int i = 0; i < times; ++i) screen->OnKeyEvent(key, 1);
    }
    std::u16string Cell(int row, int column) {
        return readout_panel()->GetCell(row, column)->GetValue();
    }
    CReadoutPanel* readout_panel() { return screen->readout_panel(); }
    CSoftKeyMenu* keys() { return screen->soft_key_menu(); }

    std::unique_ptr<Scene> scene;
    CGraphPanel* panel = nullptr;
    MarkerScreen* screen = nullptr;
};

TEST_F(MarkerScreenTest, PeakSearchVisitsThePeaksInOrderAndStopsAtTheEnds) {
    EXPECT_FALSE(screen->IsMarkerOn());
    ASSERT_TRUE(screen->MarkerToPeak());
    EXPECT_TRUE(screen->IsMarkerOn()) << "the search switches the selected marker on";
    EXPECT_EQ(Point(), 100);
    EXPECT_EQ(screen->FullRedraw(), 2);
    for (int expected : {350, 600, 100}) {
        ASSERT_TRUE(screen->NextPeak());
        EXPECT_EQ(Point(), expected);
    }
    // Right from the leftmost carrier to its neighbour, then it stays on the
    // rightmost; left mirrors it.
    for (int expected : {350, 600, 600}) {
        ASSERT_TRUE(screen->PeakRight());
        EXPECT_EQ(Point(), expected);
    }
    for (int expected : {350, 100, 100}) {
        ASSERT_TRUE(screen->PeakLeft());
        EXPECT_EQ(Point(), expected);
    }
    // Valleys: the lowest minimum, then the next.
    ASSERT_TRUE(screen->MarkerToMin());
    EXPECT_EQ(Point(), 500);
    ASSERT_TRUE(screen->NextMin());
    EXPECT_EQ(Point(), 250);
    ASSERT_TRUE(screen->MinLeft());
    EXPECT_EQ(Point(), 50);
}

TEST_F(MarkerScreenTest, NextPeakAfterASweepWithFewerPeaksWrapsToTheHighest) {
    ASSERT_TRUE(screen->MarkerToPeak());
    ASSERT_TRUE(screen->NextPeak());
    ASSERT_TRUE(screen->NextPeak());
    EXPECT_EQ(screen->NextPeakCursor(), 2);
    screen->SetLists({350}, {350}, {}, {});
    ASSERT_TRUE(screen->NextPeak());
    EXPECT_EQ(screen->NextPeakCursor(), 0);
    EXPECT_EQ(Point(), 350);
    screen->SetNextPeakCursor(40);  // far beyond any list
    ASSERT_TRUE(screen->NextPeak());
    EXPECT_EQ(Point(), 350);
}

// The trace's axis goes to the graph: the marker of that trace stands at
// the frequency of its point on the setup's span.
TEST_F(MarkerScreenTest, TheTraceAxisPlacesTheMarkerOnTheSpan) {
    CValueRecord* record = screen->sa.GetMarker(2);
    record->SetPixelIndex(200);
    screen->SetTraceAxis(2);
    EXPECT_EQ(screen->GetTraceAxisStart(), static_cast<double>(kStartHz));
    EXPECT_EQ(screen->GetTraceAxisStep(), static_cast<double>(kStepHz));
    double level = 0;
    uint64_t position = 0;
    panel->GetMarkerValues(2, level, position);
    EXPECT_EQ(position, kStartHz + 200 * kStepHz);
}

// An attached object lives until the next one is attached or the screen
// goes.
TEST_F(MarkerScreenTest, AnAttachedObjectLivesUntilTheNextOneOrTheScreenGoes) {
    struct Counted : CScreenAttachment {
        explicit Counted(int& gone) : gone_(gone) {}
        ~Counted() override { ++gone_; }
        int& gone_;
    };
    int gone = 0;
    screen->SetAttachedObject(std::make_unique<Counted>(gone));
    EXPECT_EQ(gone, 0);
    auto second = std::make_unique<Counted>(gone);
    CScreenAttachment* kept = second.get();
    screen->SetAttachedObject(std::move(second));
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(screen->GetAttachedObject(), kept);
    scene.reset();
    EXPECT_EQ(gone, 2);
}

TEST_F(MarkerScreenTest, KeysWithoutMarkerOrPeaksChangeNothing) {
    screen->SetLists({}, {}, {}, {});
    screen->ClearFullRedraw();
    for (auto op :
         {&CMeasurementBase::MarkerToPeak, &CMeasurementBase::NextPeak, &CMeasurementBase::PeakLeft,
          &CMeasurementBase::PeakRight, &CMeasurementBase::MarkerToMin, &CMeasurementBase::NextMin,
          &CMeasurementBase::MinLeft, &CMeasurementBase::MinRight,
          &CMeasurementBase::CenterToMarker, &CMeasurementBase::MarkerToRefLevel,
          &CMeasurementBase::MarkerToCenter})
        EXPECT_FALSE(((*screen).*op)());
    EXPECT_FALSE(screen->OnMarkerArrow(VK_RIGHT)) << "no marker on";
    EXPECT_FALSE(screen->OnMarkerKnob(240));
    EXPECT_FALSE(screen->IsMarkerOn());
    EXPECT_EQ(screen->FullRedraw(), 0);
}

TEST_F(MarkerScreenTest, ArrowsAccelerateAndTheWheelStepsByNotches) {
    ASSERT_TRUE(screen->MarkerToPeak());
    ASSERT_EQ(Point(), 100);
    Press(VK_RIGHT, 1);
    EXPECT_EQ(Point(), 101) << "one press moves one point";
    screen->OnKeyEvent(VK_RIGHT, 0);
    // Held: presses 1 to 4 move one point each (below repeat 3 one point,
    // then 3 + 3, 4 + 4), the fifth moves 5 + 5 = 10.
    int expected = 101;
    const int steps[] = {1, 1, 6, 8, 10};
    for (int s : steps) {
        Press(VK_RIGHT, 1);
        expected += s;
        EXPECT_EQ(Point(), expected);
    }
    screen->OnKeyEvent(VK_RIGHT, 0);
    screen->OnKnobStep(-240);
    EXPECT_EQ(Point(), expected - 2);
    // Up and down: highest peak and lowest minimum.
    Press(VK_DOWN, 1);
    EXPECT_EQ(Point(), 500);
    screen->OnKeyEvent(VK_DOWN, 0);
    Press(VK_UP, 1);
    EXPECT_EQ(Point(), 100);
}

// Presses and wheel notches faster than the drawing add up: each step
// starts from the point the one before asked for.
TEST_F(MarkerScreenTest, MovesFasterThanTheDrawingAddUp) {
    ASSERT_TRUE(screen->MarkerToPeak());
    ASSERT_EQ(Point(), 100);
    for (int i = 0; i < 3; ++i) {
        Press(VK_RIGHT, 1);
        screen->OnKeyEvent(VK_RIGHT, 0);
    }
    EXPECT_EQ(Point(), 103);
    screen->OnKnobStep(-240);
    screen->OnKnobStep(-120);
    EXPECT_EQ(Point(), 100);
}

TEST_F(MarkerScreenTest, AllMarkersToPeaksAndOff) {
    ASSERT_TRUE(screen->AllMarkersToPeaks());
    int on = 0;
    for (int i = 0; i < 6; ++i) on += panel->GetMarkerState(i) == 1;
    EXPECT_EQ(on, 6);
    int current = -1;
    ASSERT_TRUE(panel->GetCurrentMarker(current));
    EXPECT_EQ(current, 0) << "M1 selected";
    screen->ShowActiveMarker();
    EXPECT_EQ(Cell(3, 2).substr(0, 2), u"M1");
    ASSERT_TRUE(screen->AllMarkersOff());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(panel->GetMarkerState(i), 0);
    screen->ShowActiveMarker();
    EXPECT_EQ(Cell(3, 2), LoadResString(184)) << "the marker field is blank";
}

TEST_F(MarkerScreenTest,
       ThresholdKeyShowsOffsetAndAbsoluteThresholdAndTheRightArrowEmptiesTheList) {
    screen->SetFunction(35);
    screen->sa.GetBandwidthSettings()->SetRbwMode(CChoiceBlock::kModeManual, false);
    screen->sa.GetBandwidthSettings()->SetRbwIndex(4, false);  // 10 kHz
    screen->sa.SetAttenuationLevel(0.0);
    screen->sa.SetPreampMode(1);
    screen->sa.SetLevel(10.0);
    ASSERT_TRUE(screen->OnMarkerSearchMenuKey(1));
    // 10 + 10 log10(10000) - 155 + 0 = -105 dBm.
    const std::u16string label = keys()->Key(1)->GetTitle();
    EXPECT_NE(label.find(u"10.0 dB\n"), std::u16string::npos);
    EXPECT_NE(label.find(u"-105.0 dBm"), std::u16string::npos);
    Press(VK_RIGHT, 1);
    EXPECT_EQ(screen->sa.GetLevel(), 300.0);
    Press(VK_LEFT, 1);
    EXPECT_EQ(screen->sa.GetLevel(), -50.0);
    screen->OnKeyEvent(VK_LEFT, 0);
    // Valley mode: key 1 does nothing; key 0 switches the search mode.
    ASSERT_TRUE(screen->OnMarkerSearchMenuKey(0));
    EXPECT_EQ(screen->sa.GetMarkerSearchMode(), 1);
    EXPECT_FALSE(screen->OnMarkerSearchMenuKey(1));
    ASSERT_TRUE(screen->OnMarkerSearchMenuKey(2));
    EXPECT_EQ(Point(), 500) << "valley mode finds the minimum";
}

TEST_F(MarkerScreenTest, DeltaMarkerAndPagesFollowTheMarkers) {
    ASSERT_TRUE(screen->MarkerToPeak());
    Point();
    ASSERT_TRUE(screen->OnMarkerMenuKey(0));  // M2 selected
    ASSERT_TRUE(screen->OnMarkerMenuKey(1));  // and switched on
    ASSERT_TRUE(screen->NextPeak());
    EXPECT_EQ(Point(), 350);
    ASSERT_TRUE(screen->OnMarkerMenuKey(4));  // delta against M1
    int delta = 0, index = -1;
    panel->GetCurrentDelta(delta, index);
    EXPECT_EQ(delta, 1);
    EXPECT_EQ(index, 0);
    Point();
    EXPECT_NEAR(panel->GetDeltaAmplitude(1), -10.0, 1e-9) << "-30 against -20 dBm";
    EXPECT_EQ(keys()->Key(4)->GetChoiceIndex(), 0) << "the delta key shows On";
}

TEST_F(MarkerScreenTest, TraceModesExcludeEachOtherAndTheCountKeepsItsRange) {
    screen->SetFunction(14);
    struct Step {
        int key;
        int hold, averaging;
    };
    const Step steps[] = {{1, 1, 0}, {2, 2, 0}, {2, 0, 0}, {1, 1, 0}, {3, 0, 1}, {0, 0, 0}};
    for (const Step& s : steps) {
        ASSERT_TRUE(screen->OnTraceMenuKey(s.key));
        EXPECT_EQ(screen->sa.GetPeakHoldMode(), s.hold) << s.key;
        EXPECT_EQ(screen->sa.GetAveragingMode(), s.averaging) << s.key;
    }
    EXPECT_TRUE(screen->HoldRestart());
    EXPECT_TRUE(screen->AverageRestart());
    EXPECT_FALSE(screen->OnAveragingArrow(VK_RIGHT)) << "only with the count key in edit";
    ASSERT_TRUE(screen->OnTraceMenuKey(4));
    Press(VK_RIGHT, 1);
    EXPECT_EQ(screen->sa.GetAveragingCount(), 1024);
    screen->OnKeyEvent(VK_RIGHT, 0);
    Press(VK_UP, 1);
    EXPECT_EQ(screen->sa.GetAveragingCount(), 1024);
    screen->OnKeyEvent(VK_UP, 0);
    Press(VK_LEFT, 1);
    EXPECT_EQ(screen->sa.GetAveragingCount(), 2);
    screen->OnKeyEvent(VK_LEFT, 0);
    Press(VK_DOWN, 1);
    EXPECT_EQ(screen->sa.GetAveragingCount(), 2);
    screen->OnKeyEvent(VK_DOWN, 0);
    screen->sa.SetAveragingCount(16);
    ASSERT_TRUE(screen->OnTraceMenuKey(3));
    screen->SetAverageCount(5);
    screen->ShowSweepTraceText();
    EXPECT_EQ(Cell(1, 3), u": " + LoadResString(61340) + u" 5/16");
}

TEST_F(MarkerScreenTest, DetectionKeysChooseTheDetectors) {
    for (auto [key, detector] : {std::pair{0, 3}, {1, 2}, {2, 1}, {3, 0}}) {
        ASSERT_TRUE(screen->OnDetectionMenuKey(key));
        EXPECT_EQ(screen->sa.GetDetectionMode(), detector) << key;
    }
    EXPECT_FALSE(screen->OnDetectionMenuKey(5));
}

TEST_F(MarkerScreenTest, WaterfallModes) {
    plat::VirtualClock clock(true);  // the mode changes pause 200 ms
    for (int key : {1, 2, 4, 5}) {
        EXPECT_FALSE(screen->OnWaterfallMenuKey(key)) << "off: key " << key;
        EXPECT_EQ(screen->sa.GetWaterfallMode(), 0);
    }
    ASSERT_TRUE(screen->OnWaterfallMenuKey(0));
    EXPECT_EQ(screen->sa.GetWaterfallMode(), 2);
    EXPECT_EQ(panel->GetGraph()->GetWaterfallMode(), 2);
    ASSERT_TRUE(screen->OnWaterfallMenuKey(1));
    EXPECT_EQ(screen->sa.GetWaterfallMode(), 1);
    ASSERT_TRUE(screen->OnWaterfallMenuKey(1));
    EXPECT_EQ(screen->sa.GetWaterfallMode(), 2);
    EXPECT_EQ(keys()->Key(4)->GetTitle(), LoadResString(64491));
    // Key 5 opens the picture dialog, checked with the program itself.
    ASSERT_TRUE(screen->OnWaterfallMenuKey(0));
    EXPECT_EQ(screen->sa.GetWaterfallMode(), 0);
}

TEST_F(MarkerScreenTest, ReadoutRows) {
    screen->UpdateBandwidthReadout();
    EXPECT_NE(Cell(1, 0).find(u"(A)"), std::u16string::npos) << "automatic bandwidth";
    screen->sa.GetBandwidthSettings()->SetRbwMode(CChoiceBlock::kModeManual, false);
    screen->UpdateBandwidthReadout();
    EXPECT_NE(Cell(1, 0).find(u"(M)"), std::u16string::npos);
    screen->sa.SetAttenuationMode(0);
    screen->sa.SetAttenuationLevel(10.0);
    screen->UpdateSettingsReadout();
    EXPECT_EQ(Cell(2, 1), u"10 dB(A)");

    screen->SetLimits(false, false, true);
    screen->ShowLimitTestResult();
    EXPECT_EQ(Cell(3, 3), LoadResString(184)) << "both limits off";
    screen->SetLimits(true, false, false);
    screen->ShowLimitTestResult();
    EXPECT_EQ(Cell(3, 3), u"PASS");
    EXPECT_EQ(readout_panel()->GetCell(3, 3)->ValueItem()->textColor, 0x8000u);
    screen->SetLimits(true, false, true);
    screen->ShowLimitTestResult();
    EXPECT_EQ(Cell(3, 3), u"FAIL");
    EXPECT_EQ(readout_panel()->GetCell(3, 3)->ValueItem()->textColor, 0xFFu);
}

TEST_F(MarkerScreenTest, PositionTextsAreKeptWithTheirLength) {
    const std::string full(256, 'G');
    EXPECT_EQ(screen->SetPositionText(full.data(), full.size()), 1);
    const std::string longer(257, 'X');
    EXPECT_EQ(screen->SetPositionText(longer.data(), longer.size()), 0);
    char buffer[256];
    screen->GetPositionText(buffer);
    EXPECT_EQ(std::string(buffer), std::string(255, 'G')) << "bounded and terminated";
    EXPECT_EQ(screen->FormatPosition(), u"") << "not a sentence";
    EXPECT_EQ(screen->FormatPositionTag(), u"");
    const std::string fix0 = "$GPGGA,123519,4807.038,N,01131.000,E,0,08,0.9,545.4,M,46.9,M,,*47";
    screen->SetPositionText(fix0.data(), fix0.size());
    EXPECT_EQ(screen->FormatPositionTag(), u"") << "fix quality 0";
    const std::string fix = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    screen->SetPositionText(fix.data(), fix.size());
    EXPECT_EQ(screen->FormatPositionTag(), u"+481173000+0115166667_");
}

TEST_F(MarkerScreenTest, LevelBeepKeepsItsIntervalAndVolume) {
    plat::VirtualClock clock;
    screen->sa.SetFSBeepMode(true);
    screen->sa.SetVolumeType(100);
    ASSERT_TRUE(screen->MarkerToPeak());
    Point();
    screen->SetColumnLevel(100, 50);  // 250 ms between beeps
    int last = screen->GetBeepCount();
    screen->SignalBeep();
    EXPECT_EQ(screen->GetBeepCount(), last + 1);
    EXPECT_EQ(screen->GetBeepVolume(), 100) << "back to the setup volume";
    clock.advance(250);
    screen->SignalBeep();
    EXPECT_EQ(screen->GetBeepCount(), last + 1) << "not before L x L / 10 ms";
    clock.advance(1);
    screen->SignalBeep();
    EXPECT_EQ(screen->GetBeepCount(), last + 2);
    // Without a marker the beep switches itself off.
    screen->AllMarkersOff();
    screen->SignalBeep();
    EXPECT_FALSE(screen->sa.GetFSBeepMode());
}

TEST_F(MarkerScreenTest, VolumeStepsStopAtTheEnds) {
    screen->SetFunction(34);
    ASSERT_TRUE(screen->OnSignalToolsMenuKey(1));
    screen->sa.SetVolumeType(1);
    for (int i = 0; i < 3; ++i) {
        Press(VK_LEFT, 1);
        screen->OnKeyEvent(VK_LEFT, 0);
    }
    EXPECT_EQ(screen->sa.GetVolumeType(), 0);
    EXPECT_NE(keys()->Key(1)->GetTitle().find(u"\n0%"), std::u16string::npos);
    screen->sa.SetVolumeType(99);
    for (int i = 0; i < 3; ++i) screen->OnKnobStep(120);
    EXPECT_EQ(screen->sa.GetVolumeType(), 100);
}

TEST_F(MarkerScreenTest, StatusMessageHoldsTheThreeSeconds) {
    plat::VirtualClock clock(true);
    const uint64_t before = plat::now_ms();
    screen->ShowStatusMessage(u"Busy", 1);
    EXPECT_EQ(plat::now_ms() - before, 3000u);
    EXPECT_EQ(readout_panel()->GetRowCaption(5), u"Busy");
}

}  // namespace

namespace {

TEST_F(MarkerScreenTest, CentreAndReferenceFromTheMarker) {
    ASSERT_TRUE(screen->MarkerToPeak());
    ASSERT_EQ(Point(), 100);
    const uint64_t span = screen->sa.GetFrequencyRange()->GetSpan();
    ASSERT_TRUE(screen->CenterToMarker());
    EXPECT_EQ(screen->sa.GetFrequencyRange()->GetCentre(), kStartHz + 100 * kStepHz);
    EXPECT_EQ(screen->sa.GetFrequencyRange()->GetSpan(), span) << "the span stays";
    ASSERT_TRUE(screen->MarkerToRefLevel());
    EXPECT_NEAR(screen->sa.GetReferenceLevelDbm(), -20.0, 1e-6);
}

}  // namespace

namespace {

// Keys come faster than sweeps: a move the graph has not carried out yet
// already counts for the centre and the reference.
TEST_F(MarkerScreenTest, CentreAndReferenceTakeAMoveNotYetDrawn) {
    ASSERT_TRUE(screen->MarkerToPeak());
    Point();
    ASSERT_TRUE(screen->NextPeak());  // to 350, not drawn yet
    ASSERT_TRUE(screen->MarkerToRefLevel());
    EXPECT_NEAR(screen->sa.GetReferenceLevelDbm(), -30.0, 1e-6);
    ASSERT_TRUE(screen->CenterToMarker());
    EXPECT_EQ(screen->sa.GetFrequencyRange()->GetCentre(), kStartHz + 350 * kStepHz);
}

}  // namespace

namespace {

// A screen that takes in sweeps and hands them to a real graph panel.
class PublishingScreen : public IntakeScreen {
  public:
    PublishingScreen(int points, CGraphPanel& panel) : IntakeScreen(points) { graphPanel = &panel; }
};

// "All markers to peaks" on a sweep with two peaks: M1 and M2 go to them,
// highest first, and the four markers without a peak stay at the middle
// point where the operation switched them on.
using PublishedSweep = widget_test::ViewFixture;

TEST_F(PublishedSweep, AllMarkersToPeaksLeavesMarkersWithoutAPeakInTheMiddle) {
    constexpr int n = kPoints;
    CGraphPanel panel(1, 0);
    panel.Create(&view, 0, 30, 705, 455, 18, 90, scheme.get());
    PublishingScreen screen(n, panel);
    // A flat floor with a carrier at point 200 (-30 dBm) and one at 500
    // (-40 dBm), each 20 points wide.
    std::vector<float> trace(n, -90.0f);
    for (auto [centre, top] : {std::pair{200, -30.0f}, {500, -40.0f}})
        for (int d = -10; d <= 10; ++d)
            trace[static_cast<size_t>(centre + d)] = top - 5.0f * static_cast<float>(std::abs(d));
    screen.Feed(trace, n);
    screen.PublishToGraph();
    ASSERT_TRUE(screen.AllMarkersToPeaks());
    panel.DrawTrace();
    const int expected[] = {200, 500, n / 2, n / 2, n / 2, n / 2};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(panel.GetMarkerState(i), 1) << "M" << i + 1;
        EXPECT_EQ(panel.GetMarkerPixelIndex(i), expected[i]) << "M" << i + 1;
    }
}

// A measurement the screen can restart without a board.
class BoardlessMeasurement : public CMeasurement {
  public:
    int IsReady() override { return 1; }
};

// A screen that, like a single sweep, notes at each publication whether the
// sweep shown was complete.
class SingleSweepScreen : public PublishingScreen {
  public:
    using PublishingScreen::PublishingScreen;
    int StopAfterSingleSweep() override {
        completions.push_back(m_SweepCompletedBefore);
        return 0;
    }
    void SetSingle(bool on) { m_SingleSweep = on; }
    std::vector<bool> completions;
};

// The graph panel's area of the rig, and its pixels row by row as the
// screen shows them now.
constexpr plat::Rect kGraphArea{0, 30, 705, 455};
std::vector<COLORREF> GraphPixels() {
    std::vector<COLORREF> pixels;
    const plat::Bitmap s = plat::screen_snapshot();
    for (int y = kGraphArea.top; y < kGraphArea.bottom; ++y)
        for (int x = kGraphArea.left; x < kGraphArea.right; ++x) pixels.push_back(s.pixel(x, y));
    return pixels;
}
// How many pixels two shots of the graph differ in.
int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int differing = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) differing += a[i] != b[i];
    return differing;
}

// A single-sweep screen on a real graph panel, with a measurement it can
// restart without a board.
struct SingleSweepRig {
    SingleSweepRig(plat::Window& view, CColorScheme& scheme) {
        panel.Create(&view, kGraphArea.left, kGraphArea.top, kGraphArea.right, kGraphArea.bottom,
                     18, 90, &scheme);
        screen.SetCurrentMeasurement(&measurement, nullptr);
    }
    CGraphPanel panel{1, 0};
    BoardlessMeasurement measurement;
    SingleSweepScreen screen{kPoints, panel};
};

// Neither a sweep that completed while the screen was busy and was never
// shown nor the rest of the sweep under way at a restart completes the sweep
// the restart begins (a single sweep chosen then stopped at the first blocks
// of its own sweep): the new sweep completes at its own last block.
TEST_F(PublishedSweep, NoSweepOfBeforeARestartCompletesTheNext) {
    constexpr int n = kPoints;
    SingleSweepRig rig(view, *scheme);
    SingleSweepScreen& screen = rig.screen;
    const std::vector<float> trace(n, -80.0f);
    screen.Feed(trace, n);
    screen.Feed(trace, n / 2);
    screen.ApplyAndRestart(true);
    screen.Feed(trace, n);  // the rest of the sweep under way
    screen.PublishToGraph();
    screen.Feed(trace, n / 3);
    screen.PublishToGraph();
    screen.Feed(trace, n);
    screen.PublishToGraph();
    EXPECT_EQ(screen.completions, (std::vector<bool>{false, false, true}));
}

// A completed single sweep is what the screen holds: the first block of the
// next sweep, sent by the board before it took the stop, changes neither the
// trace nor the points received, until the next restart takes blocks again.
TEST_F(PublishedSweep, ACompletedSingleSweepHoldsItsTraceUntilARestart) {
    constexpr int n = kPoints;
    SingleSweepRig rig(view, *scheme);
    SingleSweepScreen& screen = rig.screen;
    screen.SetSingle(true);
    screen.ApplyAndRestart(true);
    const std::vector<float> sweep(n, -80.0f), next(n, -40.0f);
    const auto shown = [&] { return rig.panel.GetGraph()->LockData()->received; };
    screen.Feed(sweep, n);
    screen.PublishToGraph();
    screen.Feed(next, n / 10);
    screen.PublishToGraph();
    EXPECT_EQ(screen.GetPointsReceived(), n);
    EXPECT_EQ(shown(), n);
    EXPECT_EQ(screen.completions, (std::vector<bool>{true}));
    screen.ApplyAndRestart(true);
    screen.Feed(next, n / 10);
    screen.PublishToGraph();
    EXPECT_EQ(shown(), n / 10);
}

// Blocks that come faster than the graph is drawn are all drawn: a sweep
// whose three blocks are published at once shows, pixel for pixel, the trace
// of the same sweep published block by block.
TEST_F(PublishedSweep, BlocksTakenBetweenTwoDrawingsAreAllDrawn) {
    constexpr int n = kPoints;
    std::vector<float> trace(n);
    for (int i = 0; i < n; ++i) trace[static_cast<size_t>(i)] = -90.0f + 60.0f * i / n;
    auto shot = [&](bool publishEachBlock) {
        Poison();
        SingleSweepRig rig(view, *scheme);
        rig.screen.ApplyAndRestart(true);
        for (int end : {n / 3, 2 * n / 3, n}) {
            rig.screen.Feed(trace, end);
            if (publishEachBlock) rig.screen.PublishToGraph();
        }
        rig.screen.PublishToGraph();
        return GraphPixels();
    };
    const std::vector<COLORREF> blockByBlock = shot(true);
    EXPECT_EQ(Differing(shot(false), blockByBlock), 0);
}

// A recalled trace held alone is drawn whole once the sweep its setup
// restarted has run, however far the sweep before had come: recalled
// mid-sweep, it shows as it does when recalled after a whole sweep.
TEST_F(PublishedSweep, ARecalledTraceHeldAloneIsDrawnWhole) {
    constexpr int n = kPoints;
    const std::vector<float> live(n, -85.0f);
    // A recalled trace's entries are pairs: the level and a second component.
    std::vector<float> recalled(2 * n, 0.0f);
    for (int i = 0; i < n; ++i) recalled[2 * static_cast<size_t>(i)] = -70.0f + 40.0f * i / n;
    const COLORREF held = Color(36);  // the held trace's pen in this scheme
    auto shot = [&](int reached) {
        Poison();
        SingleSweepRig rig(view, *scheme);
        rig.screen.ApplyAndRestart(true);
        rig.screen.Feed(live, reached);
        rig.screen.PublishToGraph();
        // The recall: the file's setup restarts the sweep, its points are held.
        rig.screen.ApplyAndRestart(true);
        rig.screen.LoadRecalledTrace(recalled.data(), n);
        rig.screen.ShowRecalledTrace(0);
        for (int end : {n / 3, 2 * n / 3, n}) {
            rig.screen.Feed(live, end);
            rig.screen.PublishToGraph();
        }
        int bare = 0;
        for (int x = 2; x < 700; ++x)
            bare += !AnyPixel({x, kGraphArea.top, x + 1, kGraphArea.bottom}, held);
        EXPECT_EQ(bare, 0) << "columns without the held trace, recalled at " << reached;
        return GraphPixels();
    };
    const std::vector<COLORREF> afterWholeSweep = shot(n);
    EXPECT_EQ(Differing(shot(n / 2), afterWholeSweep), 0);
}

}  // namespace

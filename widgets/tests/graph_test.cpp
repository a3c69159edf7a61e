// The graph panel and the graph: layouts, forwarders, value-to-pixel
// conversions and the traces as drawn on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "core/res_string.h"
#include "widgets/tests/graph_test_support.h"

using namespace graph_test;
using widget_test::kPoison;

TEST(GraphPanelLayouts, PaneGivesQuarterPaneAndScreen) {
    const auto l = CGraphPanel::GraphLayouts(0, 30, 705, 455, 1);
    EXPECT_EQ(l.left, (std::array<int, 3>{352, 0, 0}));
    EXPECT_EQ(l.top, (std::array<int, 3>{31, 30, 0}));
    EXPECT_EQ(l.right, (std::array<int, 3>{705, 705, 800}));
    EXPECT_EQ(l.bottom, (std::array<int, 3>{242, 455, 597}));
}

TEST(GraphPanelWithoutGraph, ForwardersAnswerTheirFixedValues) {
    CGraphPanel p(1, 0);
    int i = 0, a = 0, b = 0, c = 0, d = 0;
    double amp = 0;
    uint64_t pos = 0;
    EXPECT_EQ(p.GetCurrentMarkerText(), u" ");
    EXPECT_EQ(p.GetMarkerLabel(0), u"");
    EXPECT_EQ(p.GetMarkerSecondText(0), u"");
    const struct {
        const char* name;
        int got, want;
    } table[] = {
        {"SetLayout", p.SetLayout(2), 0},
        {"ValueToY", p.ValueToY(1, 2, 0), 0},
        {"ValueToX", p.ValueToX(1, 0, 2), 0},
        {"GetPlotTop", p.GetPlotTop(), 0},
        {"DrawTrace", p.DrawTrace(), 0},
        {"AddWaterfallLine", p.AddWaterfallLine(), 0},
        {"RestoreWaterfall", p.RestoreWaterfall(), 0},
        {"ClearWaterfall", p.ClearWaterfall(), 0},
        {"NextMarker", p.NextMarker(), 0},
        {"GetMarkerState", p.GetMarkerState(0), 0},
        {"MoveCurrentMarkerToIndex", p.MoveCurrentMarkerToIndex(3), 1},
        {"ToggleDelta", p.ToggleDelta(), 1},
        {"GetCurrentDelta", p.GetCurrentDelta(a, b), 1},
        {"ToggleCurrentType", p.ToggleCurrentType(), 1},
        {"SetAllTypes0", p.SetAllTypes0(), 0},
        {"SetAllTypes1", p.SetAllTypes1(), 1},
        {"ToggleCurrentMarkerOption", p.ToggleCurrentMarkerOption(), 1},
        {"SetMarkerTablePosition", p.SetMarkerTablePosition(2), 1},
        {"GetMarkerTablePosition", p.GetMarkerTablePosition(), 0},
        {"AllMarkersOff", p.AllMarkersOff(), 1},
        {"PlaceAllMarkers", p.PlaceAllMarkers(true), 1},
        {"GetCurrentMarker", p.GetCurrentMarker(i), 0},
        {"GetMarkerInfo", p.GetMarkerInfo(0, a, b, c, d), 0},
        {"MoveCurrentMarkerBy", p.MoveCurrentMarkerBy(true, 3), 1},
        {"GetMarkerValues", p.GetMarkerValues(0, amp, pos), 0},
        {"MoveCurrentMarkerToValue", p.MoveCurrentMarkerToValue(5), 0},
        {"SetXAxisKind", p.SetXAxisKind(1), 0},
        {"RescaleMarkers", p.RescaleMarkers(401, 705), 0},
        {"SaveScreenImage", p.SaveScreenImage(), 0},
        {"PrintScreen", p.PrintScreen(0), 0},
        {"StepActiveMarker", p.StepActiveMarker(true, 1), 1},
        {"GetLayout", p.GetLayout(), 0},
        {"IsDisplayReady", p.IsDisplayReady(), 0},
        {"GetWaterfallTimeStamp", p.GetWaterfallTimeStamp(), 0},
    };
    for (const auto& row : table) EXPECT_EQ(row.got, row.want) << row.name;
    // The setters without an answer do nothing.
    p.SetPerMetre(1);
    p.SetWaterfallMode(2);
    p.HideMarkerTable();
    p.SetAxisText(0, u"x");
    p.ClearDisplayReady();
    p.SetWaterfallTimeStamp(true);
}

class GraphPanelTest : public GraphFixture {};

TEST_F(GraphPanelTest, CreatesTheGraphInThePaneAndAHiddenTooltip) {
    EXPECT_EQ(graph().GetRect(), (plat::Rect{0, 30, 705, 455}));
    const auto& screen = graph().GetLayoutRect(CGraphWidget::kScreenLayout);
    EXPECT_EQ((plat::Rect{screen.left, screen.top, screen.right, screen.bottom}),
              (plat::Rect{0, 0, 800, 597}));
    ASSERT_NE(panel->GetTooltip(), nullptr);
    EXPECT_FALSE(panel->GetTooltip()->is_visible());
    EXPECT_EQ(panel->GetTooltip()->class_name(), "tooltips_class32");
    EXPECT_EQ(panel->PrintScreen(0), 0);  // no print object yet
    panel->SetAxisText(10, u"x");         // ignored
    EXPECT_EQ(graph().GetLevelLabel(9), u"+10.0");
}

TEST_F(GraphPanelTest, ValueToXKeepsInsideThePlot) {
    const struct {
        double v, start, span;
        int x;
    } cases[] = {
        {5, 0, 0, 0},       {5, 0, -3, 0},       {0, 0, 705, 0},   {352.4, 0, 705, 352},
        {705, 0, 705, 705}, {5000, 0, 705, 705}, {-10, 0, 705, 0}, {std::nan(""), 0, 705, 0},
        {200, 0, 401, 352}};
    for (const auto& c : cases)
        EXPECT_EQ(panel->ValueToX(c.v, c.start, c.span), c.x) << c.v << " " << c.span;
    // With 401 points x advances by 705/401.
    EXPECT_EQ(panel->ValueToX(1, 0, 400) - panel->ValueToX(0, 0, 400), 2);
}

TEST_F(GraphPanelTest, ValueToYKeepsInsideThePlotAndInTheUpperHalfOfASplit) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double v, top, bottom;
        int y;
    } cases[] = {{30, 20, -80, 30},    {20, 20, -80, 30},    {-80, 20, -80, 450},
                 {-500, 20, -80, 450}, {-inf, 20, -80, 450}, {-30, 20, -80, ExpectedY(-30)},
                 {-30, 20, 20, 450},   {-30, -80, 20, 450},  {std::nan(""), 20, -80, 450}};
    for (const auto& c : cases) EXPECT_EQ(panel->ValueToY(c.v, c.top, c.bottom), c.y) << c.v;
    panel->SetWaterfallMode(2);
    for (double v = 30; v >= -90; v -= 7.5) {
        const int y = panel->ValueToY(v, 20, -80);
        EXPECT_GE(y, 30);
        EXPECT_LE(y, 30 + (450 - 30) / 2) << v;
    }
}

TEST_F(GraphPanelTest, ReferenceLevelSetsTheLevelLabelsAndTitle) {
    panel->SetReferenceLevel(0.001, 0, 10.0);  // 1 mW shown in dBm, 10 dB a division
    EXPECT_EQ(graph().GetLevelLabel(0), u"-100.0");
    EXPECT_EQ(graph().GetLevelLabel(9), u"-10.0");
    EXPECT_EQ(graph().GetTitleText(), u"0.0 dBm " + LoadResString(982));
    EXPECT_TRUE(panel->IsDisplayReady());  // the panel redraws the background
    panel->ClearDisplayReady();
    EXPECT_FALSE(panel->IsDisplayReady());
}

// Each scheme: the live trace has a pixel at every point's closed-form y in
// the pen the state rule picks; the reference trace is in entry 36.
class GraphSchemeProbe : public GraphFixture, public ::testing::WithParamInterface<int> {};

TEST_P(GraphSchemeProbe, LiveTraceHasAPixelInEveryColumnInThePenOfItsState) {
    CreatePanel(GetParam());
    for (const int32_t state : {kSegmentNone, kSegmentPass, kSegmentFail}) {
        const ColorSchemeIndex pen = state == kSegmentPass ? 24 : state == kSegmentFail ? 25 : 28;
        ASSERT_NE(Color(pen), Color(18)) << "pen and plot share a colour";
        panel->DrawGraph(nullptr, false);
        FillSweep(graph(), kSweepPoints, state);
        ASSERT_EQ(panel->DrawTrace(), 1);
        const plat::Bitmap shot = plat::screen_snapshot();
        int missing = 0;
        for (int x = 0; x < kSweepPoints - 1; ++x) {
            const int y = ExpectedY(Level(x));
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy) found |= shot.pixel(x, y + dy) == Color(pen);
            if (!found) {
                ++missing;
                ADD_FAILURE() << "column " << x << " y " << y;
            }
        }
        EXPECT_EQ(missing, 0) << "scheme " << GetParam() << " state " << state;
    }
    {
        auto d = graph().LockData();
        d->referenceShown = true;
    }
    panel->DrawGraph(nullptr, false);
    panel->DrawTrace();
    const int ry = ExpectedY(ReferenceLevel(0));
    for (int x : {10, 100, 300, 650}) EXPECT_EQ(Pixel(x, ry), Color(36)) << x;
}

INSTANTIATE_TEST_SUITE_P(Schemes, GraphSchemeProbe, ::testing::Range(0, 6));

TEST_F(GraphPanelTest, CountersOutsideTheBuffersAreClamped) {
    FillSweep(graph());
    {
        auto d = graph().LockData();
        d->total = 1 << 30;
        d->received = 1 << 30;
        d->last = -5;
        d->first = 99999;
        d->segmentCount = 2;
        d->segmentEnds[1] = 1 << 29;  // beyond every buffer
        d->segmentEnds[2] = -7;       // runs backwards: drawing stops
    }
    EXPECT_EQ(panel->DrawTrace(), 1);
    auto d = graph().LockData();
    EXPECT_EQ(d->total, kGraphPoints);
    EXPECT_EQ(d->first, 0);
    EXPECT_EQ(d->last, kGraphPoints);
}

TEST_F(GraphPanelTest, FullScreenLayoutDrawsTheBottomLabels) {
    EXPECT_EQ(panel->SetLayout(2), 1);
    FillSweep(graph());
    panel->DrawGraph(nullptr, false);
    EXPECT_NE(graph().GetBottomLabel(0).find(u"100"), std::u16string::npos);
    EXPECT_EQ(panel->GetPlotBottom(), 593);
    Poison();
    panel->DrawTrace();
    // Layout 2 spans the screen: a trace point lands at its y on 800 columns.
    const int x = static_cast<int>(std::lround(200 * 800 / 705.0));
    const int y = ExpectedY(Level(200), 0, 593);
    bool found = false;
    for (int dy = -1; dy <= 1; ++dy) found |= Pixel(x, y + dy) == Color(28);
    EXPECT_TRUE(found);
}

// Redrawing the panel (what the screens do for pane 19, after a wake, a
// marker change or a scale change) gives back the graph it showed: the
// graticule and every point of the trace, not a blank pane.
TEST_F(GraphPanelTest, RedrawingThePanelGivesTheWholeGraphBack) {
    FillSweep(graph());
    panel->DrawGraph(nullptr, false);
    ASSERT_EQ(panel->DrawTrace(), 1);
    const plat::Bitmap drawn = plat::screen_snapshot();
    Poison();
    panel->Redraw();
    const plat::Bitmap again = plat::screen_snapshot();
    int differing = 0;
    for (int y = 30; y < 455; ++y)
        for (int x = 0; x < 705; ++x) differing += drawn.pixel(x, y) != again.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

// The colour scheme changes while the graph stands (the program copies the
// new scheme into the object the widgets hold, or the user edits a colour of
// the custom scheme): the next graticule is drawn
// in the new plot and grid colours, its labels in the new text colour.
TEST_F(GraphPanelTest, ASchemeChangeDrawsTheNextGraticuleInTheNewColours) {
    panel->DrawGraph(nullptr, false);
    const COLORREF old_plot = Color(18), old_grid = Color(16), old_text = Color(31);
    // The dark scheme, with grid and label colours of the user's own as the
    // custom scheme allows (the fixed schemes share them).
    scheme->CopyFrom(*CreateColorScheme(3));
    scheme->SetColor(16, plat::RGB(0, 128, 255));
    scheme->SetColor(31, plat::RGB(255, 128, 0));
    ASSERT_NE(Color(18), old_plot);
    ASSERT_NE(Color(16), old_grid);
    ASSERT_NE(Color(31), old_text);
    Poison();
    panel->DrawGraph(nullptr, false);
    std::map<COLORREF, int> count;
    for (int y = 30; y < 455; ++y)
        for (int x = 0; x < 705; ++x) ++count[Pixel(x, y)];
    const auto most = std::max_element(count.begin(), count.end(),
                                       [](auto& a, auto& b) { return a.second < b.second; });
    EXPECT_EQ(most->first, Color(18)) << "the plot area's fill";
    EXPECT_GT(count[Color(16)], 1000) << "the grid lines";
    EXPECT_GT(count[Color(31)], 20) << "the level labels' text";
    EXPECT_EQ(count[old_plot], 0);
    EXPECT_EQ(count[old_grid], 0);
}

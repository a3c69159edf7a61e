// The graph's markers: requests, searches, the delta cycle, the table and
// the flags and texts of the marker widget.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/units.h"
#include "platform/gfx/artwork.h"
#include "widgets/tests/graph_test_support.h"

using namespace graph_test;
using gallery::kCarrierPoint;

class GraphMarkers : public GraphFixture {
  protected:
    void SetUp() override {
        GraphFixture::SetUp();
        FillSweep(graph());
        graph().SetMarkerRecords(records.ptrs, double(kStartHz), double(kStepHz));
    }
    CValueRecord& R(int i) { return *records.owned[static_cast<size_t>(i)]; }
    Records records;
};

TEST_F(GraphMarkers, NextMarkerWrapsAndNumbersOutsideZeroToFiveAreRefused) {
    int i = -1;
    ASSERT_EQ(graph().GetCurrentMarker(i), 1);  // SetMarkerRecords made one current
    EXPECT_EQ(i, 0);
    graph().SetCurrentMarker(5);
    EXPECT_EQ(graph().NextMarker(), 1);
    EXPECT_TRUE(R(0).IsCurrent());
    EXPECT_FALSE(R(5).IsCurrent());
    for (int bad : {-1, 6, 1000, -1000}) {
        graph().TurnOnMarker(bad);
        graph().SetCurrentMarker(bad);
        EXPECT_EQ(graph().GetMarkerState(bad), 0);
        EXPECT_EQ(graph().GetMarkerLabel(bad), u"");
        EXPECT_EQ(graph().SetMarkerPosition(bad, 5), 0);
        int s = 7, t = 7, d = 7, o = 7;
        EXPECT_FALSE(graph().GetMarkerInfo(bad, s, t, d, o));
    }
    EXPECT_TRUE(R(0).IsCurrent());
}

TEST_F(GraphMarkers, ToggleDeltaCyclesThroughTheReferences) {
    graph().SetCurrentMarker(2);
    struct Step {
        int delta, index;
    };
    const Step cycle[] = {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {0, 5}, {1, 0}};
    for (const Step& s : cycle) {
        graph().ToggleDelta();
        int d = -1, k = -1;
        ASSERT_TRUE(graph().GetCurrentDelta(d, k));
        EXPECT_EQ(d, s.delta);
        EXPECT_EQ(k, s.index);
    }
    EXPECT_EQ(R(2).GetState(), 1);  // turned on by the first toggle
    EXPECT_EQ(R(0).GetState(), 1);  // the reference was turned on
}

TEST_F(GraphMarkers, NearestPointSearchTable) {
    const struct {
        uint64_t target;
        int start, index, result;
    } cases[] = {
        {kStartHz, 0, 0, 1},                              // exact at the start index
        {kStartHz + 3 * kStepHz, 0, 3, 1},                // exact elsewhere
        {kStartHz + 3 * kStepHz + kStepHz / 2, 0, 4, 1},  // equal distance: the higher
        {kStartHz + 3 * kStepHz + kStepHz / 3, 0, 3, 1},
        {kStartHz - 5, 7, 0, 0},                 // below the first
        {kStartHz + 5000 * kStepHz, 7, 704, 0},  // beyond the last
    };
    for (const auto& c : cases) {
        int index = c.start;
        EXPECT_EQ(graph().FindFrequencyIndex(c.target, index), c.result) << c.target;
        EXPECT_EQ(index, c.index) << c.target;
    }
    {
        auto d = graph().LockData();
        d->received = 0;
    }
    int index = 42;
    EXPECT_EQ(graph().FindFrequencyIndex(kStartHz, index), 0);
    EXPECT_EQ(index, 42);  // nothing to search: the index stays
}

TEST_F(GraphMarkers, MovesRescalesAndRows) {
    graph().SetCurrentMarker(1);
    R(1).SetPixelIndex(3);
    graph().MoveCurrentMarkerBy(false, 10);
    EXPECT_EQ(R(1).Requests().index, 0);
    graph().MoveCurrentMarkerBy(true, 10);
    EXPECT_EQ(R(1).Requests().index, 10) << "from the point the request before asked for";

    R(1).SetPixelIndex(200);
    graph().RescaleMarkers(401, 705);
    EXPECT_EQ(R(1).GetPixelIndex(), 351);
    graph().RescaleMarkers(0, 705);
    EXPECT_EQ(R(1).GetPixelIndex(), 351);

    graph().StepActiveMarker(false, 5);
    EXPECT_EQ(R(1).GetRow(), 0);
    graph().StepActiveMarker(true, 10000);
    EXPECT_EQ(R(1).GetRow(), 424);
}

TEST_F(GraphMarkers, RequestsTakeEffectWhileDrawingAndStayInsideTheTrace) {
    graph().SetCurrentMarker(0);
    graph().TurnOnMarker(0);
    graph().MoveCurrentMarkerToIndex(1 << 30);  // far beyond the points
    panel->DrawGraph(nullptr, false);
    panel->DrawTrace();
    EXPECT_EQ(R(0).GetPixelIndex(), kSweepPoints - 1);
    {
        auto d = graph().LockData();
        d->indexA[3] = -99;
        d->indexB[3] = 1 << 20;
    }
    graph().PlaceAllMarkers(true);
    panel->DrawTrace();
    EXPECT_EQ(R(3).GetPixelIndex(), 0);
    graph().PlaceAllMarkers(false);
    panel->DrawTrace();
    EXPECT_EQ(R(3).GetPixelIndex(), kSweepPoints - 1);

    // A value request between two points lands on the nearer one and the
    // marker reads the live level there.
    graph().SetCurrentMarker(0);
    graph().MoveCurrentMarkerToValue(kStartHz + 500 * kStepHz + 1);
    panel->DrawTrace();
    EXPECT_EQ(R(0).GetPixelIndex(), 500);
    EXPECT_NEAR(R(0).GetAmplitude(), Level(500), 1e-9);
    EXPECT_EQ(R(0).GetLiveY(), ExpectedY(Level(500)));
}

// A sweep arrives in blocks of 64 points: with 64 of 705 received, a request
// for a point further on waits for it instead of landing on the block's last
// point, and the marker stands on it, measured, once its block has come. The
// positions beyond the points received are those of the sweep before (another
// span), as a screen leaves them.
TEST_F(GraphMarkers, RequestWaitsUntilItsPointHasArrived) {
    constexpr int kBlock = 64;
    constexpr uint64_t kOldSpanHz = 3000000000;
    constexpr uint64_t kCarrierHz = kStartHz + kCarrierPoint * kStepHz;
    auto receive = [&](int from, int to) {
        {
            auto d = graph().LockData();
            for (int k = from; k < to; ++k)
                d->positions[static_cast<size_t>(k)] = kStartHz + kStepHz * uint64_t(k);
            d->received = to;
            d->first = from;
            d->last = to;
        }
        panel->DrawTrace();
    };
    const struct {
        const char* name;
        std::function<void()> request;
    } cases[] = {
        {"index", [&] { graph().MoveCurrentMarkerToIndex(kCarrierPoint); }},
        {"value", [&] { graph().MoveCurrentMarkerToValue(kCarrierHz); }},
        {"list A",
         [&] {
             graph().LockData()->indexA[0] = kCarrierPoint;
             graph().PlaceAllMarkers(true);
             R(0).SetPixelIndex(30);
         }},
        {"turned on",
         [&] {
             graph().AllMarkersOff();
             graph().SetCurrentMarker(0);
             graph().ToggleCurrentMarker();  // asks for the middle point
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int expected = std::string(c.name) == "turned on" ? kSweepPoints / 2 : kCarrierPoint;
        FillSweep(graph());
        graph().SetCurrentMarker(0);
        graph().TurnOnMarker(0);
        panel->DrawGraph(nullptr, false);
        panel->DrawTrace();
        graph().MoveCurrentMarkerToIndex(30);
        panel->DrawTrace();
        ASSERT_EQ(R(0).GetPixelIndex(), 30);
        {
            auto d = graph().LockData();
            for (int k = kBlock; k < kSweepPoints; ++k)
                d->positions[static_cast<size_t>(k)] = kOldSpanHz + uint64_t(k);
        }
        receive(0, 0 + 1);  // a new sweep begins
        c.request();
        receive(0, kBlock);
        EXPECT_EQ(R(0).GetPixelIndex(), 30) << "the request waits for its point";
        for (int from = kBlock; from < kSweepPoints; from += kBlock)
            receive(from, std::min(from + kBlock, kSweepPoints));
        EXPECT_EQ(R(0).GetPixelIndex(), expected);
        EXPECT_EQ(R(0).GetFrequency(), kStartHz + kStepHz * uint64_t(expected));
        EXPECT_NEAR(R(0).GetAmplitude(), Level(expected), 1e-9);
        // The next drawing keeps it there.
        receive(0, kSweepPoints);
        EXPECT_EQ(R(0).GetPixelIndex(), expected);
    }
}

TEST_F(GraphMarkers, FlagStandsWhereThePlacementPutsIt) {
    graph().SetAllTypes0();
    graph().SetCurrentMarker(0);
    graph().TurnOnMarker(0);
    panel->DrawGraph(nullptr, false);
    panel->DrawTrace();
    const CMarkerWidget* w = graph().GetMarker(0);
    ASSERT_NE(w, nullptr);
    int left = 0, top = 0;
    CMarkerWidget::Flag flag{};
    w->ComputePlacement(graph().Edges(), left, top, flag);
    EXPECT_EQ(flag, CMarkerWidget::kStandardCurrent);
    const plat::Icon icon = plat::load_icon(CMarkerWidget::IconId(0, flag));
    int checked = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (icon.opaque_at(x, y)) {
                EXPECT_EQ(Pixel(left + x, top + y), icon.image().pixel(x, y));
                ++checked;
            }
    EXPECT_GT(checked, 50);
}

TEST_F(GraphMarkers, TablePositionsPlaceTheLines) {
    graph().PlaceAllMarkers(true);
    const struct {
        int position, left, top;
    } cases[] = {{0, 495, 60}, {1, 495, 451 - 120 - 50}, {2, 60, 451 - 120 - 50}, {3, 60, 60}};
    for (const auto& c : cases) {
        graph().SetMarkerTablePosition(c.position);
        for (int i = 0; i < 6; ++i) {
            const plat::Rect r = graph().GetMarkerLineRect(i);
            EXPECT_EQ(r.left, c.left) << c.position;
            EXPECT_EQ(r.top, c.top + 18 * i) << c.position;
            EXPECT_EQ(r.width(), 200);
        }
    }
    graph().SetMarkerTablePosition(9);  // taken as 3, stored as 0
    EXPECT_EQ(graph().GetMarkerTablePosition(), 0);
    EXPECT_EQ(graph().GetMarkerLineRect(0).left, 60);
}

TEST_F(GraphMarkers, ToggleTypeOptionAndAllOff) {
    graph().SetCurrentMarker(4);
    EXPECT_EQ(graph().ToggleCurrentType(), 0);  // type 1 becomes 0
    EXPECT_EQ(graph().ToggleCurrentType(), 1);
    EXPECT_EQ(graph().ToggleCurrentMarkerOption(), 1);
    EXPECT_EQ(graph().ToggleCurrentMarkerOption(), 0);
    EXPECT_EQ(graph().PlaceAllMarkers(true), 6);
    graph().AllMarkersOff();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(R(i).GetState(), 0);
        EXPECT_FALSE(R(i).IsCurrent());
    }
    int i = 0;
    EXPECT_EQ(graph().GetCurrentMarker(i), 0);
    EXPECT_EQ(graph().GetCurrentMarkerText(), u"");
}

// --- the marker widget alone -------------------------------------------------------

TEST(MarkerWidget, PlacementNearTheEdges) {
    CValueRecord rec(0);
    CMarkerWidget w(&rec);
    const GraphEdges e{0, 705, 30, 451};
    const struct {
        int x, y;
        int left, top;
        CMarkerWidget::Flag flag;
    } cases[] = {
        {300, 200, 292, 184, CMarkerWidget::kStandard}, {3, 200, 4, 184, CMarkerWidget::kLeft},
        {700, 200, 682, 184, CMarkerWidget::kRight},    {300, 40, 292, 40, CMarkerWidget::kBelow},
        {300, 440, 292, 424, CMarkerWidget::kStandard},
    };
    for (const auto& c : cases) {
        w.x = c.x;
        w.y = c.y;
        int left = 0, top = 0;
        CMarkerWidget::Flag flag{};
        EXPECT_EQ(w.ComputePlacement(e, left, top, flag), 1);
        EXPECT_EQ(left, c.left) << c.x << "," << c.y;
        EXPECT_EQ(top, c.top) << c.x << "," << c.y;
        EXPECT_EQ(flag, c.flag) << c.x << "," << c.y;
    }
    w.x = 300;
    w.y = 200;
    w.PlaceLabel();
    EXPECT_EQ(w.GetLabelRect(), (plat::Rect{281, 183, 298, 199}));
}

TEST(MarkerWidget, IconIdsByNumber) {
    EXPECT_EQ(CMarkerWidget::IconId(5, CMarkerWidget::kBelowCurrent), 217);
    EXPECT_EQ(CMarkerWidget::IconId(0, CMarkerWidget::kRightCurrent), 244);
    EXPECT_EQ(CMarkerWidget::IconId(7, CMarkerWidget::kStandard), 187);  // M1's
    EXPECT_EQ(CMarkerWidget::IconId(-1, CMarkerWidget::kLeft), 241);
}

TEST(MarkerWidget, ReadoutTexts) {
    CValueRecord m1(0), m2(1);
    m1.SetFrequency(100000000);
    m1.SetAmplitude(-20.5);
    m2.SetFrequency(3000000000ull);
    m2.SetAmplitude(-30.0);
    m2.SetDelta(1);
    m2.SetDeltaIndex(0);
    m2.SetReferenceFrequency(m1.GetFrequency());
    m2.SetReferenceAmplitude(m1.GetAmplitude());
    CMarkerWidget w1(&m1), w2(&m2);
    const MarkerTextStyle s{};
    const auto lvl = [](double v) { return FormatLevel(v, 0, true, false, true, false); };
    const auto hz = [](uint64_t f) { return FormatValue(f, 0, false, true, false, 0); };
    EXPECT_EQ(w1.FormatMarkerText(nullptr, true, s, false),
              u"M1:" + lvl(-20.5) + u"/" + hz(100000000));
    // The delta of 2.9 GHz keeps its size and sign.
    EXPECT_EQ(w2.FormatMarkerText(nullptr, true, s, false),
              u"M2-M1:" + lvl(-9.5) + u"/" + hz(2900000000ull));
    m2.SetReferenceFrequency(3100000000ull);
    EXPECT_EQ(w2.FormatMarkerText(nullptr, true, s, false),
              u"M2-M1:" + lvl(-9.5) + u"/-" + hz(100000000));
    EXPECT_EQ(w2.FormatMarkerTableLine(s, 0, 0), u" M2-M1: " + lvl(-9.5) + u"/-" + hz(100000000));
    EXPECT_EQ(w1.FormatMarkerText(nullptr, false, s, false), u"");
    m1.SetAmplitude(1500.0);
    EXPECT_EQ(w1.FormatReadout(s, false), u">" + lvl(999.9) + u"/" + hz(100000000));
    m1.SetAmplitude(-1500.0);
    EXPECT_EQ(w1.FormatReadout(s, false), u"<" + lvl(-999.9) + u"/" + hz(100000000));
    m1.SetLabel(u"Peak");
    EXPECT_EQ(w1.FormatMarkerTableLine(s, 0, 0).substr(0, 8), u"Peak M1:");
}

namespace {

// The marker table in every level unit: after the scale changes to the unit
// (which redraws the background) the line reads the marker's level in the
// unit and shows on the screen, in the current marker's green.
TEST_F(GraphMarkers, TableLineShowsInEveryUnitAfterTheScaleChanged) {
    constexpr COLORREF kCurrentGreen = plat::RGB(0, 0xC8, 0);
    const struct {
        uint32_t unit;
        double reference;  // in the unit
    } cases[] = {{UNIT_DBM, 0},    {UNIT_DBUV, 107}, {UNIT_DBMV, 47}, {UNIT_DBV, -13},
                 {UNIT_V, 0.2236}, {UNIT_W, 0.001},  {UNIT_MW, 1}};
    graph().SetMarkerTablePosition(0);
    graph().SetCurrentMarker(0);
    graph().TurnOnMarker(0);
    panel->DrawGraph(nullptr, false);
    panel->DrawTrace();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        panel->SetReferenceLevel(c.reference, c.unit, 10);
        Poison();
        panel->DrawTrace();
        const core::Text line = graph().GetMarkerLineText(0);
        EXPECT_NE(line.find(UnitName(c.unit)), core::Text::npos) << core::LowBytes(line);
        EXPECT_TRUE(AnyPixel(graph().GetMarkerLineRect(0), kCurrentGreen));
    }
}

}  // namespace

namespace {

// The table renews only what its lines' texts cover: beside a short line the
// trace and the graticule stay as they are without a table.
TEST_F(GraphMarkers, TableTouchesOnlyItsTexts) {
    auto scene = [&](int table_position) {
        graph().AllMarkersOff();
        for (int i : {0, 2, 4}) graph().TurnOnMarker(i);
        graph().SetCurrentMarker(2);
        graph().SetMarkerTablePosition(table_position);
        panel->DrawGraph(nullptr, false);
        panel->DrawTrace();
        return plat::screen_snapshot();
    };
    const plat::Bitmap without = scene(4);
    const plat::Bitmap with = scene(0);
    std::vector<plat::Rect> texts;
    for (int i : {0, 2, 4}) {
        const plat::Rect line = graph().GetMarkerLineRect(i);
        const int w = graph().GetFont().text_extent(graph().GetMarkerLineText(i)).cx;
        ASSERT_LT(w, line.width() - 40) << "a short line leaves room beside it";
        texts.push_back({line.right - w, line.top, line.right, line.top + 18});
    }
    int changed = 0, outside = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) == without.pixel(x, y)) continue;
            ++changed;
            bool in = false;
            for (const plat::Rect& t : texts) in = in || t.contains({x, y});
            if (!in) ++outside;
        }
    EXPECT_GT(changed, 0) << "the table shows";
    EXPECT_EQ(outside, 0) << "pixels changed beside the lines' texts";
}

}  // namespace

namespace {

// Lines whose markers went off, and a table hidden, leave the screen: the
// table's texts do not stay behind in the image the stripes are restored
// from.
TEST_F(GraphMarkers, TableLinesGoWithTheirMarkers) {
    constexpr COLORREF kCurrentGreen = plat::RGB(0, 0xC8, 0);
    constexpr COLORREF kOtherBlue = plat::RGB(0, 0, 0xA0);
    auto table_pixels = [&](const std::vector<plat::Rect>& lines) {
        const plat::Bitmap s = plat::screen_snapshot();
        int n = 0;
        for (const plat::Rect& r : lines)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    n += s.pixel(x, y) == kCurrentGreen || s.pixel(x, y) == kOtherBlue;
        return n;
    };
    graph().AllMarkersOff();
    graph().SetMarkerTablePosition(0);
    panel->DrawGraph(nullptr, false);
    panel->DrawTrace();
    const plat::Bitmap bare = plat::screen_snapshot();
    auto show_three = [&] {
        for (int i : {0, 2, 4}) graph().TurnOnMarker(i);
        graph().SetCurrentMarker(2);
        panel->DrawTrace();
        std::vector<plat::Rect> lines;
        for (int i : {0, 2, 4}) lines.push_back(graph().GetMarkerLineRect(i));
        return lines;
    };
    const std::vector<plat::Rect> lines = show_three();
    ASSERT_GT(table_pixels(lines), 0) << "the table shows";

    graph().AllMarkersOff();
    panel->DrawTrace();
    const plat::Bitmap off = plat::screen_snapshot();
    int differing = 0;
    plat::Rect where{};
    for (int y = 0; y < off.height(); ++y)
        for (int x = 0; x < off.width(); ++x)
            if (off.pixel(x, y) != bare.pixel(x, y)) {
                ++differing;
                where = where.unite({x, y, x + 1, y + 1});
            }
    EXPECT_EQ(differing, 0) << "all markers off: the screen as it was without them; "
                            << "differences within " << where.left << "," << where.top << " - "
                            << where.right << "," << where.bottom;

    show_three();
    graph().SetMarkerTablePosition(CGraphWidget::kTableHidden);
    panel->DrawTrace();
    EXPECT_EQ(table_pixels(lines), 0) << "the hidden table's lines stay";
}

}  // namespace

#pragma once
// A graph panel over the test view at the main pane, six marker records as a
// setup holds them, and a closed-form sweep (a carrier over a rippled noise
// floor) written into the graph the way a screen writes it.
#include <cmath>
#include <memory>
#include <vector>

#include "widgets/graph_panel.h"
#include "widgets/tests/widget_test_support.h"

namespace graph_test {

inline constexpr int kSweepPoints = 705;
inline constexpr double kTop = 20.0;      // dBm at the top line
inline constexpr double kBottom = -80.0;  // and at the bottom line
inline constexpr uint64_t kStartHz = 100000000;
inline constexpr uint64_t kStepHz = 1000000;

// The level of point i: -70 dBm noise with a ripple and a carrier of
// -10 dBm at point 500.
inline double Level(int i) {
    const double d = (i - 500) / 6.0;
    return -70.0 + 4.0 * std::sin(i * 0.37) + 60.0 * std::exp(-d * d);
}
// The reference trace: a flat line at -40 dBm.
inline double ReferenceLevel(int) {
    return -40.0;
}

// The y a level takes in the pane (top 30, plot bottom 451), rounded.
inline int ExpectedY(double level, int top = 30, int plot_bottom = 451) {
    const double frac = (kTop - level) / (kTop - kBottom);
    return static_cast<int>(std::lround(top + frac * (plot_bottom - 1 - top)));
}

// Writes `points` points of the closed-form sweep as one segment of state
// `state` into the graph; sweep `n` shifts the carrier (for the waterfall).
inline void FillSweep(CGraphWidget& g, int points = kSweepPoints, int32_t state = kSegmentNone,
                      int column_level = -1) {
    auto d = g.LockData();
    for (int i = 0; i < points; ++i) {
        const size_t k = static_cast<size_t>(i);
        d->positions[k] = kStartHz + kStepHz * k;
        d->liveLevels[k] = Level(i);
        d->referenceLevels[k] = ReferenceLevel(i);
        const int x = g.ValueToX(i, 0, points);
        d->livePoints[k] = {x, g.ValueToY(Level(i), kTop, kBottom)};
        d->referencePoints[k] = {x, g.ValueToY(ReferenceLevel(i), kTop, kBottom)};
        d->stored1Points[k] = {x, g.ValueToY(-20.0, kTop, kBottom)};
        d->stored2Points[k] = {x, g.ValueToY(-75.0, kTop, kBottom)};
    }
    for (int c = 0; c < 705; ++c)
        d->columnLevels[static_cast<size_t>(c)] = column_level >= 0 ? column_level : c % 256;
    d->received = d->total = d->last = points;
    d->first = 0;
    d->segmentCount = 1;
    d->segmentEnds[0] = 0;
    d->segmentEnds[1] = points;
    d->stateCodes[0] = state;
    d->startFrequency = kStartHz;
    d->stopFrequency = kStartHz + kStepHz * static_cast<uint64_t>(points - 1);
    d->centerFrequency = (d->startFrequency + d->stopFrequency) / 2;
}

// Six records with ids 0..5, as a setup owns them.
struct Records {
    Records() {
        for (int i = 0; i < 6; ++i) owned.push_back(std::make_unique<CValueRecord>(i));
        for (auto& r : owned) ptrs.push_back(r.get());
    }
    std::vector<std::unique_ptr<CValueRecord>> owned;
    std::vector<CValueRecord*> ptrs;
};

class GraphFixture : public widget_test::ViewFixture {
  protected:
    void SetUp() override {
        ViewFixture::SetUp();
        CreatePanel(1);
    }
    void TearDown() override {
        panel.reset();
        ViewFixture::TearDown();
    }
    void CreatePanel(int scheme_number) {
        panel.reset();
        scheme = CreateColorScheme(scheme_number);
        panel = std::make_unique<CGraphPanel>(1, 0);
        panel->Create(&view, 0, 30, 705, 455, 18, 90, scheme.get());
        ASSERT_NE(panel->GetGraph(), nullptr);
    }
    CGraphWidget& graph() { return *panel->GetGraph(); }

    std::unique_ptr<CGraphPanel> panel;
};

}  // namespace graph_test

#pragma once
// A graph panel over the test view at the main pane, with the gallery's
// closed-form sweep and marker records.
#include <cmath>
#include <memory>
#include <vector>

#include "widgets/gallery/graph_scene.h"
#include "widgets/graph_panel.h"
#include "widgets/tests/widget_test_support.h"

namespace graph_test {

using gallery::FillSweep;
using gallery::kStartHz;
using gallery::kStepHz;
using gallery::kSweepPoints;
using Records = gallery::MarkerRecords;
inline constexpr double kTop = gallery::kScaleTop;
inline constexpr double kBottom = gallery::kScaleBottom;

inline double Level(int i) {
    return gallery::SweepLevel(i);
}
inline double ReferenceLevel(int) {
    return gallery::kReferenceLevel;
}

// The y a level takes in the pane (top 30, plot bottom 451), rounded.
inline int ExpectedY(double level, int top = 30, int plot_bottom = 451) {
    const double frac = (kTop - level) / (kTop - kBottom);
    return static_cast<int>(std::lround(top + frac * (plot_bottom - 1 - top)));
}

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

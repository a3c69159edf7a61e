// Distance-to-fault sweeps the board streams as they go (blocks of reply
// code 1): the trace they build in the screen, and the progress readout row
// 5 shows once a whole sweep took longer than 15 s. Against the simulated
// board through the acquisition driver on the virtual clock, and with
// blocks handed to the screen directly where the time must be exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/res_string.h"
#include "instrument/device_item.h"
#include "platform/kernel/clock.h"
#include "platform/text/utf.h"
#include "screens/vna/tests/vna_screen_rig.h"

namespace {

using namespace vna_test;

constexpr uint32_t kMeasuringText = 64183;

// A 26 dB fault 12 m down a cable of velocity factor 0.85 that ends in a
// 60 dB load, on a board whose distance-to-fault sweep takes `sweep_ms`.
sim::Scene FaultScene(double sweep_ms) {
    sim::Scene scene = IdealScene(60);
    scene.dut.cable.length_m = 19;
    scene.dut.cable.velocity_factor = 0.85;
    scene.dut.faults = {{12.0, 26.0}};
    scene.board.dtf_sweep_ms = sweep_ms;
    return scene;
}

class VnaDtfBlocks : public VnaScreen {
  protected:
    void StartDtf(const sim::Scene& scene, int points) {
        Start(scene);
        Choose(vna::kDistanceToFault);
        setup().SetDtfVp(0.85f);
        ASSERT_TRUE(setup().SetDataPoints(points));
        setup().SetDtfStart(0.0f);
        setup().SetDtfStop(20.0f);
    }
    core::Text HelpRow() { return screen_->readout_panel()->GetRowCaption(5); }
    bool ShowsProgress() {
        return HelpRow().substr(0, LoadResString(kMeasuringText).size()) ==
               LoadResString(kMeasuringText);
    }
    // A code-1 block of the sweep's first `upto` points of `trace`, its
    // start index `upto` (how far the sweep got).
    void Feed(const std::vector<float>& trace, int upto) {
        std::vector<float> values;
        for (int i = 0; i < upto; ++i) values.insert(values.end(), {trace[size_t(i)], 0.0f});
        CVnaSweepItem block;
        block.SetId(1);
        block.SetData(reinterpret_cast<const uint8_t*>(values.data()),
                      static_cast<uint32_t>(values.size() * sizeof(float)), 0, 0);
        block.SetRange(static_cast<uint32_t>(upto), static_cast<uint32_t>(values.size()), 0, 0);
        screen_->ProcessNewData(&block, 1);
        screen_->OnDisplayRefresh();
    }
};

// Streamed in code-1 blocks, the trace peaks at the fault within one
// distance bin; a sweep of 16 s (virtual time) shows
// its progress in row 5 once the first whole sweep has been timed.
TEST_F(VnaDtfBlocks, StreamedBlocksPeakAtTheFaultAndALongSweepShowsItsProgress) {
    plat::VirtualClock clock(true);
    sim::Scene scene = FaultScene(16000);
    scene.time_scale = 1;
    constexpr int points = 353;
    StartDtf(scene, points);
    Activate();
    ExpectPeakAt(points, 12.0);
    if (HasFatalFailure()) return;
    // The first sweep was not timed yet; the second shows how far it got.
    ASSERT_TRUE(Until([&] { return ShowsProgress(); })) << plat::to_utf8(HelpRow());
    const int colour = screen_->readout_panel()->GetHighlightColour();
    EXPECT_TRUE(colour == 44 || colour == 45) << colour;
    const std::string row = plat::to_utf8(HelpRow());
    EXPECT_NE(row.find("  .... "), std::string::npos) << row;
    EXPECT_EQ(row.substr(row.size() - 3), " %.") << row;
}

// A sweep of 15,000 ms never shows the progress; one of 15,001 ms shows it
// from its second sweep on, every block alternating the row's colour. A
// block of no points, or of more points than the sweep, is taken up to the
// sweep's points.
TEST_F(VnaDtfBlocks, OnlyASweepLongerThan15SecondsShowsItsProgress) {
    StartDtf(FaultScene(0), 177);
    plat::VirtualClock clock;
    std::vector<float> trace(200);
    for (size_t i = 0; i < trace.size(); ++i) trace[i] = -40.0f - static_cast<float>(i % 7);
    const int n = 177;
    const std::vector<int> ends = {64, 128, n};
    for (const uint32_t sweep_ms : {15000u, 15001u}) {
        SCOPED_TRACE(sweep_ms);
        std::vector<std::string> rows;
        std::vector<int> colours;
        for (int sweep = 0; sweep < 3; ++sweep) {
            for (size_t b = 0; b < ends.size(); ++b) {
                if (b > 0) clock.advance(sweep_ms / 2 + (b == 2 ? sweep_ms % 2 : 0));
                Feed(trace, ends[b]);
                rows.push_back(ShowsProgress() ? plat::to_utf8(HelpRow()) : std::string());
                colours.push_back(screen_->readout_panel()->GetHighlightColour());
            }
            clock.advance(100);  // to the next sweep's first block
        }
        if (sweep_ms == 15000) {
            for (const std::string& r : rows) EXPECT_EQ(r, "");
            continue;
        }
        // The first sweep shows nothing; from the second on each block shows
        // where the sweep got as the block came.
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[i], "") << i;
        const std::string text = plat::to_utf8(LoadResString(kMeasuringText));
        char want[3][80];
        for (size_t b = 0; b < 3; ++b)
            std::snprintf(want[b], sizeof want[b], "%s  .... % 6.3f %%.", text.c_str(),
                          (b == 0 ? 0 : ends[b - 1]) * 100.0 / n);
        for (size_t i = 3; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i], want[i % 3]) << i;
            EXPECT_TRUE(colours[i] == 44 || colours[i] == 45) << colours[i];
            if (i > 3) {
                EXPECT_NE(colours[i], colours[i - 1]) << i;
            }
        }
    }
    // The trace holds the sweep's points as the blocks brought them.
    std::vector<double> shown = screen_->GetShownTrace();
    ASSERT_EQ(shown.size(), size_t{n});
    for (int i = 0; i < n; ++i) EXPECT_NEAR(shown[size_t(i)], trace[size_t(i)], 1e-6) << i;
    // Blocks of no points and of more than the sweep's are cut to it.
    Feed(trace, 0);
    std::vector<float> longer(trace);
    for (float& v : longer) v -= 3.0f;
    Feed(longer, 200);
    Feed(longer, 64);
    shown = screen_->GetShownTrace();
    ASSERT_EQ(shown.size(), size_t{64});
    EXPECT_NEAR(shown[10], longer[10], 1e-6);
}

}  // namespace

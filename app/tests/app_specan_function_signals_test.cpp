// The time domain of the program itself on the simulated board, against
// the closed form of the check's own scene: a burst drawn against time with
// and without the video trigger.
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "app/tests/specan_functions_support.h"
#include "widgets/graph_widget.h"

using namespace specan_functions;

namespace {

constexpr int kPoints = 705;

// ---------------------------------------------------------------- time domain

// A burst of period P = 10 ms, on for D = 4.25 ms at Lb = -30 dBm, over a
// noise floor some 60 dB below it; the zero-span sweep time T = 500 ms puts
// point i at T i / (N - 1) ms.
constexpr double kPeriodMs = 10, kOnMs = 4.25, kBurstDbm = -30, kSweepMs = 500;

class TimeDomain : public MeasureRun {
  protected:
    // The trigger fields of the last zero-span record.
    std::string LastTrigger() {
        const auto all = Records();
        for (auto r = all.rbegin(); r != all.rend(); ++r)
            if (r->command == kZeroSpan)
                return "trigger " + std::to_string(r->Get<uint16_t>(32)) + ", level " +
                       std::to_string(r->Get<int16_t>(36)) + ", delay " +
                       std::to_string(r->Get<uint16_t>(38));
        return "no zero-span record";
    }
    void BeginBurst() {
        Begin(SceneOf({}, R"("burst": {"period_ms": 10, "on_ms": 4.25, "level_dbm": -30})"));
    }
    // Whether the burst is on at point i of a trace that starts `delay_ms`
    // after a rising edge.
    static bool On(int i, double delay_ms) {
        const double t = kSweepMs * i / (kPoints - 1) + delay_ms;
        return std::fmod(t, kPeriodMs) < kOnMs;
    }
    // Waits until the whole live trace stands at the burst (+-0.5 dB) where
    // it is on and 20 dB or more below it elsewhere.
    ::testing::AssertionResult TraceShowsTheBurst(double delay_ms) {
        std::string fault;
        const bool ok = Until([&](CSpecAnMode& s) {
            CGraphWidget* g = s.GetGraphPanel()->GetGraph();
            if (!g) return false;
            auto d = g->LockData();
            if (d->total != kPoints || d->liveLevels.size() < size_t(kPoints)) {
                fault = "a trace of " + std::to_string(d->total) + " points";
                return false;
            }
            for (int i = 0; i < kPoints; ++i) {
                const double level = d->liveLevels[size_t(i)];
                const bool on = On(i, delay_ms);
                if (on ? std::abs(level - kBurstDbm) > 0.5 : level > kBurstDbm - 20) {
                    fault = "point " + std::to_string(i) + " at " + std::to_string(level) +
                            " dBm, the burst " + (on ? "on" : "off");
                    return false;
                }
            }
            return true;
        });
        if (ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << fault;
    }
};

TEST_F(TimeDomain, ASpanOfZeroDrawsTheBurstAgainstTimeAndTheMarkerTakesATypedTime) {
    BeginBurst();
    // 500 Hz typed as the span is below the smallest one: it becomes 1 kHz,
    // and the spectrum stays.
    Keys({"shift+F1", "F4", "5", "0", "0", "F1"});
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetSASetup()->GetFrequencyRange()->GetSpan() == 1000 &&
               s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 20;
    }));
    // A span of 10 MHz, which the time domain keeps; then span 0 typed on the
    // frequency page.
    CentreAndSpan("500", "10", 10000000);
    size_t from = RecordCount();
    Keys({"shift+F1", "F4", "0", "RETURN"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetActiveFunction() == 21 && s.GetCurrentMeasurement() &&
               s.GetCurrentMeasurement()->GetId() == 28;
    }));
    ASSERT_TRUE(NextRecord(from, kZeroSpan));
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        return core::LowBytes(s.readout_panel()->GetCell(0, 0)->GetValue()) == "0 s";
    })) << core::LowBytes(Cell(0, 0));
    // The sweep time typed in milliseconds: the board's record carries it.
    from = RecordCount();
    Keys({"F2", "5", "0", "0", "F1"});
    ASSERT_TRUE(NextRecord(from, kZeroSpan, [](const BoardRecord& r) {
        return r.payload.size() >= 44 && r.Get<uint32_t>(40) == uint32_t(kSweepMs);
    }));
    EXPECT_TRUE(CellNear(0, 3, kSweepMs / 1000, 1e-9));
    EXPECT_NE(core::LowBytes(Cell(0, 3)).find(" s"), std::string::npos);
    EXPECT_TRUE(TraceShowsTheBurst(0));
    // Marker 1 on, 233 ms typed: point round(233 x 704 / 500) = 328.
    Keys({"shift+F5", "F2", "2", "3", "3", "F1"});
    int point = -1;
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        int marker = 0;
        if (!s.GetGraphPanel()->GetCurrentMarker(marker)) return false;
        point = s.GetGraphPanel()->GetMarkerPixelIndex(marker);
        return point == 328;
    })) << "the marker stands on point "
        << point;
    // A span other than 0, even the one kept, leaves the time domain for the
    // frequency page, its span key selected, and sweeps the spectrum again.
    from = RecordCount();
    Keys({"shift+F1", "F4"});
    TypeMhz("10");
    std::string state;
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        state =
            "menu " + std::to_string(s.GetActiveFunction()) + ", measurement " +
            std::to_string(s.GetCurrentMeasurement() ? s.GetCurrentMeasurement()->GetId() : -1) +
            ", span key " + (s.soft_key_menu()->Key(3)->IsSelected() ? "selected" : "not") +
            ", span " + std::to_string(s.GetSASetup()->GetFrequencyRange()->GetSpan());
        return s.GetActiveFunction() == 0 && s.GetCurrentMeasurement() &&
               s.GetCurrentMeasurement()->GetId() == 20 && s.soft_key_menu()->Key(3)->IsSelected();
    })) << state;
    const auto next = NextMeasurement(from);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->command, kSweep);
}

// The video trigger: a level below the burst and a delay d of 2.5 ms start
// every trace d after a rising edge; a level above the burst stops the
// traces.
TEST_F(TimeDomain, TheVideoTriggerStartsEachTraceAtARisingEdgePlusItsDelay) {
    BeginBurst();
    Keys({"shift+F4", "F4", "F1", "F2", "5", "0", "0", "F1"});
    ASSERT_TRUE(TraceShowsTheBurst(0));
    // Bandwidth page, sweep page, trigger page: video continuous, on, the
    // lowest level, delay 2.5 ms.
    size_t from = RecordCount();
    Keys({"shift+F2", "F8", "F2", "F5", "F1", "F6", "LEFT", "F7", "2", "PERIOD", "5", "RETURN"});
    const auto armed = NextRecord(from, kZeroSpan, [](const BoardRecord& r) {
        return r.Get<uint16_t>(32) == 5 && r.Get<uint16_t>(38) == 25 &&
               r.Get<int16_t>(36) < kBurstDbm * 100;
    });
    ASSERT_TRUE(armed) << LastTrigger();
    EXPECT_TRUE(TraceShowsTheBurst(2.5));
    // The highest level: the burst never reaches it, and no trace comes.
    from = RecordCount();
    Keys({"F6", "RIGHT"});
    ASSERT_TRUE(NextRecord(from, kZeroSpan, [](const BoardRecord& r) {
        return r.Get<uint16_t>(32) == 5 && r.Get<int16_t>(36) > kBurstDbm * 100;
    }));
    int before = 0;
    OnScreen([&](CSpecAnMode& s) { before = s.GetCompletedSweeps(); });
    // No event marks a trace that does not come: four of the board's sweep
    // times pass, in which at most the trace under way ends. A slow machine
    // only makes the window hold fewer rounds.
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * int(kSweepMs)));
    int after = 0;
    OnScreen([&](CSpecAnMode& s) { after = s.GetCompletedSweeps(); });
    EXPECT_LE(after - before, 1);
}

}  // namespace

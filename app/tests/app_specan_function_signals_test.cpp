// The time domain and field strength functions of the program itself on the
// simulated board, against closed forms of the check's own scenes: a burst
// drawn against time with and without the video trigger, and a carrier
// corrected by an antenna of the check's own list.
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <thread>

#include "app/tests/specan_functions_support.h"
#include "files/lists/antenna.h"
#include "platform/sound/sound.h"
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

// The filter held on a carrier at Fc: zero span over T = 20 ms (point i at
// T i / (N - 1)), the burst switched off. A steady carrier of Lc stands at
// Lc on every point. An AM carrier of level Lc, depth m and tone f has the
// power Pc (1 + m sin(2 pi f t))^2: it swings from Lc + 20 log10(1 + m) to
// Lc + 20 log10(1 - m) with the period 1 / f, the fourth harmonic of T.
constexpr double kFcHz = 900e6, kZeroSpanMs = 20;

class ZeroSpanCarrier : public TimeDomain {
  protected:
    void BeginCarrier(const std::string& extra, double level) {
        Begin(SceneOf({{kFcHz, level, 0, extra}},
                      R"("burst": {"period_ms": 10, "on_ms": 0, "level_dbm": -30})"));
        CentreAndSpan("900", "1", 1000000);
        // The time domain, its sweep time typed in milliseconds.
        Keys({"shift+F4", "F4", "F1", "F2", "2", "0", "F1"});
        ASSERT_TRUE(Until([](CSpecAnMode& s) {
            return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 28 &&
                   s.GetSASetup()->GetZeroSpanTime() == int(kZeroSpanMs);
        }));
        OnScreen([&](CSpecAnMode& s) { sweeps_ = s.GetCompletedSweeps(); });
    }
    // Waits until a whole trace of the typed sweep time is in and `ok`
    // holds for its levels.
    ::testing::AssertionResult TraceHolds(
        const std::function<bool(const std::vector<double>&, std::string&)>& ok) {
        std::string fault = "no whole trace";
        const bool done = Until([&](CSpecAnMode& s) {
            CGraphWidget* g = s.GetGraphPanel()->GetGraph();
            // A trace begun after the sweep time was typed.
            if (!g || s.GetCompletedSweeps() < sweeps_ + 2) return false;
            auto d = g->LockData();
            if (d->total != kPoints || d->received < kPoints) return false;
            const std::vector<double> levels(d->liveLevels.begin(),
                                             d->liveLevels.begin() + kPoints);
            return ok(levels, fault);
        });
        if (done) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << fault;
    }
    int sweeps_ = 0;
};

TEST_F(ZeroSpanCarrier, ASteadyCarrierStandsAtItsLevelAndTheMarkerReadsItsTime) {
    constexpr double kLevel = -30;
    BeginCarrier("", kLevel);
    EXPECT_TRUE(TraceHolds([&](const std::vector<double>& levels, std::string& fault) {
        for (int i = 0; i < kPoints; ++i)
            if (std::abs(levels[size_t(i)] - kLevel) > 0.5) {
                fault = "point " + std::to_string(i) + " at " + std::to_string(levels[size_t(i)]);
                return false;
            }
        return true;
    }));
    // Marker 1 on, 10 ms typed: the middle point, read as its time.
    Keys({"shift+F5", "F2", "1", "0", "F1"});
    std::string text;
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        text = core::LowBytes(s.GetGraphPanel()->GetCurrentMarkerText());
        const size_t slash = text.rfind('/');
        return slash != std::string::npos &&
               text.substr(text.find_first_not_of(' ', slash + 1)) == "0.010 s";
    })) << "the marker reads \""
        << text << "\"";
    const auto level = NumberIn(core::Text(text.begin() + text.find(':') + 1, text.end()));
    ASSERT_TRUE(level) << text;
    EXPECT_NEAR(*level, kLevel, 0.5) << text;
}

TEST_F(ZeroSpanCarrier, AnAmCarrierSwingsWithItsToneAndDepth) {
    constexpr double kLevel = -20, kDepth = 0.5, kToneHz = 200;
    BeginCarrier(R"(, "modulation": "am", "tone_hz": 200, "am_depth": 0.5)", kLevel);
    const double top = kLevel + 20 * std::log10(1 + kDepth);
    const double bottom = kLevel + 20 * std::log10(1 - kDepth);
    // The tone's cycles in the trace: T f of them.
    const int cycles = int(std::lround(kZeroSpanMs / 1000 * kToneHz));
    EXPECT_TRUE(TraceHolds([&](const std::vector<double>& levels, std::string& fault) {
        const auto [lo, hi] = std::minmax_element(levels.begin(), levels.end());
        // The strongest component of the power over the first N - 1 points
        // (one whole trace time) besides the mean.
        const int n = kPoints - 1;
        int strongest = 0;
        double best = 0;
        for (int k = 1; k < n / 2; ++k) {
            double re = 0, im = 0;
            for (int i = 0; i < n; ++i) {
                const double p = std::pow(10, levels[size_t(i)] / 10);
                re += p * std::cos(2 * std::numbers::pi * k * i / n);
                im += p * std::sin(2 * std::numbers::pi * k * i / n);
            }
            if (re * re + im * im > best) {
                best = re * re + im * im;
                strongest = k;
            }
        }
        fault = "swings from " + std::to_string(*lo) + " to " + std::to_string(*hi) +
                " dBm, strongest at " + std::to_string(strongest) + " cycles";
        return std::abs(*hi - top) < 0.2 && std::abs(*lo - bottom) < 0.2 && strongest == cycles;
    })) << "want "
        << bottom << " to " << top << " dBm, " << cycles << " cycles";
}

// ---------------------------------------------------------------- field strength

// A carrier of -30 dBm at 850 MHz in a span of 1 MHz around it (the middle
// point on it), and an antenna list of the check's own: "Yagi" covers 800
// to 900 MHz with a gain G of 6.00 dB. The marker on the carrier reads its
// general-spectrum level plus 20 log10(850) - G - 29.8.
constexpr char kAntennaList[] =
    "Name,Bands,Span,Start,Stop,Gain\nYagi,1,100,800000000,900000000,600\n";
constexpr double kCarrierHz = 850e6, kGainDb = 6.0;

class FieldStrength : public MeasureRun {
  protected:
    // The active marker's level once it stands on the carrier.
    std::optional<double> MarkerLevel() {
        std::optional<double> level;
        OnScreen([&](CSpecAnMode& s) {
            double a = 0;
            uint64_t hz = 0;
            if (s.IsMarkerOn() && s.GetGraphPanel()->GetMarkerValues(0, a, hz) &&
                std::abs(double(hz) - kCarrierHz) < 1e6 / 704)
                level = a;
        });
        return level;
    }
    // Waits until the trace at the carrier's point (the middle one) and the
    // marker on it read `want`.
    ::testing::AssertionResult CarrierReads(double want) {
        std::optional<double> marker;
        double trace = 0;
        const bool ok = Eventually([&] {
            marker = MarkerLevel();
            OnScreen([&](CSpecAnMode& s) {
                auto d = s.GetGraphPanel()->GetGraph()->LockData();
                trace = d->liveLevels.size() > 352 ? d->liveLevels[352] : 0;
            });
            return std::abs(trace - want) <= 0.05 && marker && std::abs(*marker - want) <= 0.05;
        });
        if (ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "the trace reads " << trace << " and the marker "
               << (marker ? std::to_string(*marker) : "nothing") << ", not " << want;
    }
    // Picks the antenna of that name in the list dialog of menu 22's key 1.
    void ChooseAntenna(const std::u16string& name) {
        int from = 0, to = -1;
        OnScreen([&](CSpecAnMode& s) {
            const CAntennaList* list = run().app().GetAntennaList();
            ASSERT_NE(list, nullptr);
            const CAntenna* current = s.GetSASetup()->GetAntenna();
            for (size_t i = 0; i < list->GetCount(); ++i) {
                if (current && list->GetAt(i)->GetName() == current->GetName()) from = int(i);
                if (list->GetAt(i)->GetName() == name) to = int(i);
            }
        });
        ASSERT_GE(to, 0);
        Keys({"F2"});
        for (int i = from; i < to; ++i) Keys({"DOWN"});
        for (int i = from; i > to; --i) Keys({"UP"});
        Keys({"F6"});
        ASSERT_TRUE(Until([&](CSpecAnMode& s) {
            const CAntenna* a = s.GetSASetup()->GetAntenna();
            return a && a->GetName() == name;
        }));
    }
};

TEST_F(FieldStrength, TheAntennaFactorCorrectsTheCarrierAndTheToneFollowsIt) {
    Begin(SceneOf({{kCarrierHz, -30, 0, ""}}),
          {{"FlashFX Disk/My Lists/AntennaTypeSettings.csv", kAntennaList}});
    CentreAndSpan("850", "1", 1000000);
    // Marker 1 to the peak in the general spectrum. The peak search takes
    // the peaks of a whole sweep of the new span: until one is in, the key
    // is pressed again.
    Keys({"shift+F5", "F2"});
    ASSERT_TRUE(Eventually([&] {
        Keys({"F3"});
        return MarkerLevel() && std::abs(*MarkerLevel() + 30) < 3;
    }));
    double general = 0;
    ASSERT_TRUE(Eventually([&] {
        // The level settles once a whole sweep of the new span is in.
        const auto a = MarkerLevel();
        Keys({"F3"});
        const auto b = MarkerLevel();
        if (!a || !b || std::abs(*a - *b) > 0.001) return false;
        general = *b;
        return true;
    }));
    // Field strength on; the antenna "Yagi" from the list.
    Keys({"shift+F4", "F5", "F1"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 29;
    }));
    ChooseAntenna(u"Yagi");
    EXPECT_TRUE(CarrierReads(general + 20 * std::log10(kCarrierHz / 1e6) - kGainDb - 29.8));
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        auto text = [&](int c) {
            return core::LowBytes(s.readout_panel()->GetCell(4, c)->GetValue());
        };
        return text(1) == "Yagi" && text(2) == "800-900 MHz" && text(3) == "6 dB";
    }));
    // RSSI on: the level beep of the marker on the carrier.
    plat::clear_played_sounds();
    Keys({"F3"});
    auto beeps = [] {
        int n = 0;
        for (const auto& p : plat::played_sounds())
            if (p.source.find(u"menusel.wav") != std::u16string::npos) ++n;
        return n;
    };
    EXPECT_TRUE(Eventually([&] { return beeps() > 0; })) << "no \"menusel.wav\"";
    // RSSI off: the beeps stop (one may be on its way as the key is taken).
    Keys({"F3"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return !s.GetSASetup()->GetRssi(); }));
    const int off = beeps();
    // Two whole sweeps of the spectrum after the key.
    int sweeps = 0;
    OnScreen([&](CSpecAnMode& s) { sweeps = s.GetCompletedSweeps(); });
    EXPECT_TRUE(Until([&](CSpecAnMode& s) { return s.GetCompletedSweeps() >= sweeps + 2; }));
    EXPECT_LE(beeps(), off + 1);
    // "None" drops the correction.
    ChooseAntenna(u"None");
    EXPECT_TRUE(CarrierReads(general));
}

}  // namespace

// The measurement screen base in the real application, against the
// simulated board: activation and sweeps, trace modes, peaks and limits
// checked with numpy and value entry by script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/tests/measurement_screen_rig.h"
#include "core/params.h"
#include "core/res_string.h"
#include "platform/sound/sound.h"

using namespace mrig;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kCarrierCentre = 940000000;
constexpr uint64_t kSpan = 20000000;

template <class T>
std::string JsonArray(const std::vector<T>& v) {
    std::ostringstream o;
    o.precision(17);
    o << '[';
    for (size_t i = 0; i < v.size(); ++i) o << (i ? "," : "") << v[i];
    o << ']';
    return o.str();
}

// Writes `json` as the dump of the numpy check `check` into the run's device
// root and runs the check against the run's scene; its output goes to the
// test's log.
int RunCheck(AppRun& run, const std::string& check, const std::string& json) {
    const fs::path dump = run.root().path() / (check + ".json");
    std::ofstream(dump) << json;
    const fs::path src(CELVANE_SOURCE_DIR);
    const std::string cmd = "/usr/bin/python3 '" +
                            (src / "app" / "tests" / "measurement_base_check.py").string() + "' " +
                            check + " '" + dump.string() + "' '" +
                            (src / "sim" / "tests" / "reference.py").string() + "' '" +
                            (run.root().path() / "scene.json").string() + "'";
    return std::system(cmd.c_str());
}

// The sweeps as the check reads them.
std::string SweepsJson(const std::vector<Recorder::Sweep>& sweeps) {
    std::ostringstream o;
    o << '[';
    for (size_t k = 0; k < sweeps.size(); ++k) {
        const auto& s = sweeps[k];
        o << (k ? "," : "") << "{\"newest\":" << JsonArray(s.newest)
          << ",\"trace\":" << JsonArray(s.trace) << ",\"frequency\":" << JsonArray(s.frequency)
          << ",\"segment_start\":" << JsonArray(s.segmentStart)
          << ",\"segment_code\":" << JsonArray(s.segmentCode) << ",\"peaks\":" << JsonArray(s.peaks)
          << ",\"valleys\":" << JsonArray(s.valleys) << ",\"avg\":" << s.averagingMode
          << ",\"hold\":" << s.peakHoldMode << ",\"count\":" << s.averagingCount
          << ",\"restarted\":" << (s.restarted ? "true" : "false") << '}';
    }
    o << ']';
    return o.str();
}

void Centre(SpectrumScreen& s, uint64_t centre, uint64_t span) {
    CFrequencyRange* r = s.setup().GetFrequencyRange();
    r->SetSpan(span, true);
    r->SetCentre(centre, true);
    s.setup().SetDataPoints(705);
}

// Starts the program on the carrier's span and waits for `sweeps` sweeps.
::testing::AssertionResult StartCentred(AppRun& run, int sweeps) {
    run.app().prepare = [](SpectrumScreen& s) { Centre(s, kCarrierCentre, kSpan); };
    run.Start();
    if (!run.Activate()) return ::testing::AssertionFailure() << "the screen did not activate";
    if (!run.WaitSweeps(sweeps))
        return ::testing::AssertionFailure() << "fewer than " << sweeps << " sweeps arrived";
    return ::testing::AssertionSuccess();
}

// The command packets the board received, in order ("CCCC: bytes").
std::vector<std::string> CommandLog(const AppRun& run) {
    std::ifstream in(run.root().path() / "cmd.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string WithCommandLog(std::string scene) {
    const auto end = scene.rfind('}');
    scene.insert(end, ", \"board\": {\"command_log\": \"cmd.log\"}");
    return scene;
}

}  // namespace

TEST(MeasurementBase, ActivationStreamsWholeSweepsAtTheRightFrequencies) {
    AppRun run("celvane-mb-activation", WithCommandLog(ReferenceScene(false)));
    ASSERT_TRUE(run.ImageOk());
    ASSERT_TRUE(StartCentred(run, 2));
    int rbw = 0, attenuation = 0, received = 0;
    run.OnUi([&](SpectrumScreen& s) {
        rbw = static_cast<int>(s.setup().GetBandwidthSettings()->GetRbwIndex());
        attenuation = static_cast<int>(s.setup().GetAttenuationLevel());
        received = s.PointsReceived();
    });
    ASSERT_EQ(run.Finish(), 0);
    EXPECT_GT(received, 0);

    // The sweep request followed the stop handshake.
    const auto log = CommandLog(run);
    const auto sweep = std::find_if(log.begin(), log.end(),
                                    [](const std::string& l) { return l.rfind("3001:", 0) == 0; });
    ASSERT_NE(sweep, log.end());
    const auto stop = std::find_if(log.begin(), sweep,
                                   [](const std::string& l) { return l.rfind("0041:", 0) == 0; });
    EXPECT_NE(stop, sweep) << "no stop before the first sweep request";

    std::vector<Recorder::Sweep> sweeps;
    {
        std::lock_guard lock(run.recorder().mutex);
        sweeps = run.recorder().sweeps;
    }
    for (const auto& s : sweeps) EXPECT_EQ(s.trace.size(), 705u);
    std::ostringstream json;
    json << "{\"start\":" << kCarrierCentre - kSpan / 2
         << ",\"stop\":" << kCarrierCentre + kSpan / 2 << ",\"rbw_index\":" << rbw
         << ",\"attenuation\":" << attenuation << ",\"sweeps\":" << SweepsJson(sweeps) << '}';
    EXPECT_EQ(RunCheck(run, "activation", json.str()), 0);
}

namespace {

std::vector<Recorder::Sweep> Sweeps(AppRun& run) {
    std::lock_guard lock(run.recorder().mutex);
    return run.recorder().sweeps;
}

// The payload bytes of the last packet of a command in the board's log.
std::vector<uint8_t> LastPayload(const AppRun& run, const std::string& command) {
    std::vector<uint8_t> bytes;
    for (const auto& line : CommandLog(run)) {
        if (line.rfind(command + ":", 0) != 0) continue;
        bytes.clear();
        std::istringstream in(line.substr(command.size() + 1));
        for (unsigned b; in >> std::hex >> b;) bytes.push_back(static_cast<uint8_t>(b));
    }
    return bytes;
}

uint64_t Le64(const std::vector<uint8_t>& b, size_t at) {
    uint64_t v = 0;
    if (b.size() >= at + 8) std::memcpy(&v, b.data() + at, 8);
    return v;
}

// A measurement that takes no settings now.
class RefusingMeasurement : public CGeneralSpectrumMeasurement {
  public:
    using CGeneralSpectrumMeasurement::CGeneralSpectrumMeasurement;
    int IsReady() override { return 0; }
    void Start(uint32_t a, uint32_t b) override {
        ++starts;
        CGeneralSpectrumMeasurement::Start(a, b);
    }
    int starts = 0;
};

}  // namespace

TEST(MeasurementBase, TraceModesCombineSweepsAsTheRulesSay) {
    AppRun run("celvane-mb-modes", ReferenceScene(true));
    ASSERT_TRUE(run.ImageOk());
    ASSERT_TRUE(StartCentred(run, 2));
    run.OnUi([](SpectrumScreen& s) { s.SetTraceMode(0, 1, 8); });  // maximum hold
    ASSERT_TRUE(run.WaitSweeps(4));
    run.OnUi([](SpectrumScreen& s) { s.SetTraceMode(0, 2, 8); });  // minimum hold
    ASSERT_TRUE(run.WaitSweeps(4));
    run.OnUi([](SpectrumScreen& s) { s.SetTraceMode(1, 0, 4); });  // average of 4
    ASSERT_TRUE(run.WaitSweeps(5));
    // A mode set while a sweep is half done starts at the sweep's end.
    ASSERT_TRUE(
        run.recorder().WaitFor([](Recorder& r) { return r.lastEnd > 200 && r.lastEnd < 500; }));
    const size_t before = run.recorder().SweepCount();
    run.OnUi([](SpectrumScreen& s) { s.SetTraceMode(0, 1, 4); });
    ASSERT_TRUE(run.WaitSweeps(3));
    ASSERT_EQ(run.Finish(), 0);

    const auto sweeps = Sweeps(run);
    std::ostringstream json;
    json << "{\"mid_sweep\":" << before << ",\"sweeps\":" << SweepsJson(sweeps) << '}';
    EXPECT_EQ(RunCheck(run, "modes", json.str()), 0);
}

TEST(MeasurementBase, PeakListsFollowTheDetectionRulesOnNoiseFreeSweeps) {
    // An equal pair on points symmetric about the centre, and a carrier
    // above the noise but below the threshold.
    const double step = kSpan / 704.0;
    std::ostringstream scene;
    scene.precision(17);
    scene << "{\"signals\": [{\"frequency_hz\": " << kCarrierCentre - 70 * step
          << ", \"level_dbm\": -40},"
          << "{\"frequency_hz\": " << kCarrierCentre + 70 * step << ", \"level_dbm\": -40},"
          << "{\"frequency_hz\": " << kCarrierCentre + 200 * step << ", \"level_dbm\": -95}],"
          << "\"receiver\": {\"noise_variation\": false}, \"time_scale\": 0}";
    AppRun run("celvane-mb-peaks", scene.str());
    ASSERT_TRUE(run.ImageOk());
    run.app().prepare = [](SpectrumScreen& s) {
        Centre(s, kCarrierCentre, kSpan);
        s.setup().SetLevel(20.0);
    };
    run.Start();
    ASSERT_TRUE(run.Activate());
    ASSERT_TRUE(run.WaitSweeps(2));
    double threshold = 0;
    run.OnUi([&](SpectrumScreen& s) { threshold = s.Threshold(); });
    ASSERT_EQ(run.Finish(), 0);
    const auto sweeps = Sweeps(run);
    EXPECT_LT(-95.0, threshold) << "the weak carrier must lie below the threshold";
    std::ostringstream json;
    json << "{\"threshold\":" << threshold << ",\"sweeps\":" << SweepsJson(sweeps) << '}';
    EXPECT_EQ(RunCheck(run, "peaks", json.str()), 0);
}

TEST(MeasurementBase, LimitLineSegmentsTheTraceAndTheAlarmBeepsOncePerFailingSweep) {
    AppRun run("celvane-mb-limits", ReferenceScene(false));
    ASSERT_TRUE(run.ImageOk());
    ASSERT_TRUE(StartCentred(run, 1));
    run.OnUi([](SpectrumScreen& s) {
        s.countBeeps = true;
        s.SetUpperLimit(true, -50.0, true);
    });
    ASSERT_TRUE(run.WaitSweeps(4));
    const size_t failing = run.recorder().SweepCount();
    run.OnUi([](SpectrumScreen& s) { s.SetUpperLimit(true, -20.0, true); });
    ASSERT_TRUE(run.WaitSweeps(3));
    ASSERT_EQ(run.Finish(), 0);

    const auto sweeps = Sweeps(run);
    // Beeps: one for each complete failing sweep, none for a passing one.
    for (size_t k = 2; k < sweeps.size(); ++k)
        EXPECT_EQ(sweeps[k].beeps - sweeps[k - 1].beeps, sweeps[k].failed ? 1u : 0u)
            << "sweep " << k;
    EXPECT_TRUE(sweeps[failing - 1].failed);
    EXPECT_FALSE(sweeps.back().failed) << "the line moved clear passes at the next sweep";
    EXPECT_FALSE(sweeps[sweeps.size() - 2].failed);

    // The segments of the failing sweeps against numpy's grouping.
    std::vector<Recorder::Sweep> checked(sweeps.begin() + 2,
                                         sweeps.begin() + static_cast<long>(failing));
    std::ostringstream json;
    json << "{\"upper_on\":true,\"upper\":-50.0,\"sweeps\":" << SweepsJson(checked) << '}';
    EXPECT_EQ(RunCheck(run, "limits", json.str()), 0);
}

TEST(MeasurementBase, FrequencyPageTakesDigitsArrowsAndTheStepByScript) {
    AppRun run("celvane-mb-entry", WithCommandLog(ReferenceScene(false)));
    ASSERT_TRUE(run.ImageOk());
    ASSERT_TRUE(StartCentred(run, 1));

    // Centre 900 MHz: menu key 1, soft key 3, the digits, the MHz key.
    run.Type("key shift+F1\nkey F3\nkey 9\nkey 0\nkey 0\nkey F3\n");
    uint64_t centre = 0, span = 0;
    run.OnUi([&](SpectrumScreen& s) {
        centre = s.setup().GetFrequencyRange()->GetCentre();
        span = s.setup().GetFrequencyRange()->GetSpan();
    });
    EXPECT_EQ(centre, 900000000u);
    ASSERT_TRUE(run.WaitSweeps(1));
    auto sweep = LastPayload(run, "3001");
    EXPECT_EQ(Le64(sweep, 0), 900000000u) << "the board's next sweep request";
    EXPECT_EQ(Le64(sweep, 8), span);

    // Arrows: right a tenth of the span, up one of 705 points.
    run.Type("key RIGHT\n");
    run.OnUi([&](SpectrumScreen& s) { centre = s.setup().GetFrequencyRange()->GetCentre(); });
    EXPECT_EQ(centre, 900000000u + span / 10);
    run.Type("key UP\n");
    run.OnUi([&](SpectrumScreen& s) { centre = s.setup().GetFrequencyRange()->GetCentre(); });
    EXPECT_EQ(centre, 900000000u + span / 10 + span / 705);

    // The step key: down from 5 kHz ends at 1 Hz.
    run.Type("key F5\n");
    run.OnUi([](SpectrumScreen& s) { s.setup().GetFrequencyRange()->SetStep(5000); });
    run.Type("key DOWN\n");
    uint64_t step = 0;
    run.OnUi([&](SpectrumScreen& s) { step = s.setup().GetFrequencyRange()->GetStep(); });
    EXPECT_EQ(step, 1u);

    // 4 GHz is more than the centre can take: the dialog stays on its
    // maximum with a beep; Escape then changes nothing and sends nothing.
    const size_t soundsBefore = plat::played_sounds().size();
    const size_t sentBefore = CommandLog(run).size();
    run.OnUi([&](SpectrumScreen& s) { centre = s.setup().GetFrequencyRange()->GetCentre(); });
    run.Type("key F3\nkey 4\nkey F4\nkey ESCAPE\n");
    uint64_t after = 0;
    run.OnUi([&](SpectrumScreen& s) { after = s.setup().GetFrequencyRange()->GetCentre(); });
    EXPECT_EQ(after, centre);
    EXPECT_GT(plat::played_sounds().size(), soundsBefore) << "no beep for 4 GHz";
    EXPECT_EQ(CommandLog(run).size(), sentBefore);

    // A 500 Hz span never reaches the setup.
    uint64_t spanAfter = 0;
    run.OnUi([&](SpectrumScreen& s) {
        s.SetFrequencyValue(CMeasurementBase::kKeySpan, 500);
        spanAfter = s.setup().GetFrequencyRange()->GetSpan();
    });
    EXPECT_EQ(spanAfter, span);

    // The counter with a marker on: the record reaches the board byte-exact.
    std::array<uint8_t, CounterMarkerRecord::kPayloadSize> expected{};
    run.OnUi([&](SpectrumScreen& s) {
        s.HandMarkersToGraph();
        s.ToggleFrequencyCounter();
        s.ApplySettings(false);
        double level = 0;
        uint64_t position = 0;
        CounterMarkerRecord r;
        for (int i = 0; i < CounterMarkerRecord::kMarkers; ++i) {
            if (s.GetGraphPanel()->GetMarkerState(i) == 1 &&
                s.GetGraphPanel()->GetMarkerValues(i, level, position) != 0) {
                r.enabled[static_cast<size_t>(i)] = 1;
                r.frequency[static_cast<size_t>(i)] = position;
            }
        }
        expected = r.Payload();
    });
    // The query goes out in its turn at the link, while sweeps go on: wait
    // sweep by sweep until the board has it.
    const std::vector<uint8_t> wanted(expected.begin(), expected.end());
    std::vector<uint8_t> counter = LastPayload(run, "300B");
    for (int i = 0; i < 50 && counter != wanted; ++i) {
        ASSERT_TRUE(run.WaitSweeps(1));
        counter = LastPayload(run, "300B");
    }
    EXPECT_EQ(wanted, counter);
    EXPECT_EQ(expected[0], 1) << "the selected marker was switched on";

    // A measurement that refuses settings is not restarted.
    auto* refusing = new RefusingMeasurement(nullptr);
    run.OnUi([&](SpectrumScreen& s) {
        refusing->Init(&s);
        s.SetMeasurement(refusing);
        CMeasurement* before = s.GetCurrentMeasurement();
        s.UseMeasurement(refusing);
        s.ApplySettings(true);
        s.UseMeasurement(before);
    });
    EXPECT_EQ(refusing->starts, 0);
    ASSERT_EQ(run.Finish(), 0);
}

// Channel selection on a setup without a signal band asks for one first,
// in a message box the script answers: its text is one of the tables' (the
// test run fails on an id that has none).
TEST(MeasurementBase, ChannelSelectionWithoutABandAsksForOne) {
    AppRun run("celvane-mb-channel", ReferenceScene(false));
    ASSERT_TRUE(run.ImageOk());
    ASSERT_TRUE(StartCentred(run, 1));
    bool hasBand = true;
    run.OnUi([&](SpectrumScreen& s) {
        hasBand = s.setup().GetBand() != nullptr;
        run.Type("key RETURN\n");  // the message box's OK
        s.SelectChannel();
    });
    EXPECT_FALSE(hasBand);
    EXPECT_EQ(LoadResString(1167), u"Select a signal band first");
}

TEST(MeasurementBase, RestartsWhileSweepsStreamAndTheLastSweepIsDrawn) {
    AppRun run("celvane-mb-restarts", ReferenceScene(true));
    ASSERT_TRUE(run.ImageOk());
    ASSERT_TRUE(StartCentred(run, 1));
    run.Type("key shift+F1\nkey F3\n");
    for (int i = 0; i < 20; ++i) {
        run.Type(i % 2 ? "key LEFT\n" : "key RIGHT\n");
        ASSERT_TRUE(run.recorder().WaitFor(
            [b = run.recorder().Blocks()](Recorder& r) { return r.blocks > b + 2; }));
    }
    // Settled: the graph receives the whole last sweep.
    ASSERT_TRUE(run.WaitSweeps(2));
    ASSERT_TRUE(run.recorder().WaitFor([](Recorder& r) { return r.lastDrawnEnd == 705; }));
    ASSERT_EQ(run.Finish(), 0);
}

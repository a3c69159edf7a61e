// The measurement screen base in the real application, against the
// simulated board: activation and sweeps, trace modes, peaks and limits
// checked with numpy, value entry by script and the audio stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/tests/measurement_screen_rig.h"
#include "core/params.h"
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

// Runs the numpy check on a dump; its output goes to the test's log.
int RunCheck(const std::string& check, const fs::path& dump, const fs::path& scene) {
    const fs::path src(CELVANE_SOURCE_DIR);
    const std::string cmd =
        "/usr/bin/python3 '" + (src / "app" / "tests" / "measurement_base_check.py").string() +
        "' " + check + " '" + dump.string() + "' '" +
        (src / "sim" / "tests" / "reference.py").string() + "' '" + scene.string() + "'";
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
    run.app().prepare = [](SpectrumScreen& s) { Centre(s, kCarrierCentre, kSpan); };
    run.Start();
    ASSERT_TRUE(run.Activate());
    ASSERT_TRUE(run.WaitSweeps(2));
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
    const fs::path dump = run.root().path() / "activation.json";
    std::ofstream(dump) << "{\"start\":" << kCarrierCentre - kSpan / 2
                        << ",\"stop\":" << kCarrierCentre + kSpan / 2 << ",\"rbw_index\":" << rbw
                        << ",\"attenuation\":" << attenuation
                        << ",\"sweeps\":" << SweepsJson(sweeps) << '}';
    EXPECT_EQ(RunCheck("activation", dump, run.root().path() / "scene.json"), 0);
}

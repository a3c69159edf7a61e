// The spectrum analyzer screen of the program itself, in this process on
// the simulated board: the demodulated tone of an AM carrier reaches the
// sound output through the screen's own display refresh, checked by numpy
// for phase jumps; the keys of the marker and trace pages open the
// threshold, volume and averaging dialogs, and what is typed there reaches
// the setup and the loudspeaker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/tests/product_run.h"
#include "files/sa_meas_setup.h"
#include "instrument/specan_measurements.h"
#include "platform/sound/sound.h"

using product_test::ProductRun;
namespace fs = std::filesystem;

namespace {

// An AM carrier of this check: its tone repeats after no whole number of
// samples nor of 40,000-sample buffers, so a lost or doubled sample, or a
// lost buffer, turns its phase.
constexpr double kCarrierHz = 150.0e6, kToneHz = 777.7, kDepth = 0.5;
constexpr uint32_t kRate = 20000;
constexpr size_t kFiveSeconds = 5 * kRate;
constexpr int kAm = 1;
constexpr int kDemodulation = 26;

std::string Scene() {
    std::ostringstream s;
    s.precision(12);
    s << R"({"signals": [{"frequency_hz": )" << kCarrierHz
      << R"(, "level_dbm": -30, "modulation": "am", "tone_hz": )" << kToneHz << R"(, "am_depth": )"
      << kDepth << R"(}], "receiver": {"noise_variation": false}, "time_scale": 0.25})";
    return s.str();
}

// The samples the wave output played at the demodulation's rate.
std::vector<int16_t> PlayedAudio() {
    for (const auto& stream : plat::played_streams())
        if (stream.format.samples_per_sec == kRate) return stream.samples16();
    return {};
}

// The volume of the last buffer the demodulation's output played.
uint32_t LastVolume() {
    for (const auto& stream : plat::played_streams())
        if (stream.format.samples_per_sec == kRate && !stream.buffers.empty())
            return stream.buffers.back().volume;
    return 0;
}

// The demodulation function with its audio, as the screen runs it: the
// carrier's AM tone for as long as the test listens.
void ListenToTheCarrier(ProductRun& run) {
    ASSERT_TRUE(run.OnUi([&] {
        CSpecAnMode* screen = run.Spectrum();
        ASSERT_NE(screen, nullptr);
        CSAMeasSetup* setup = screen->GetSASetup();
        setup->SetModulationType(kAm);
        setup->SetSidebandFrequency(static_cast<uint64_t>(kCarrierHz));
        setup->SetPlayTime(500000);
        auto* demod =
            dynamic_cast<CDemodSignalMeasurement*>(screen->FindMeasurement(kDemodulation));
        ASSERT_NE(demod, nullptr);
        screen->StopMeasurement();
        demod->SetAudio(true);
        ASSERT_TRUE(run.app().ActivateForMeasurement(demod));
    }));
}

// Polls a value of the spectrum analyzer's setup until it is `want`.
template <class Get, class T>
::testing::AssertionResult SetupReaches(ProductRun& run, Get get, T want) {
    T got{};
    const bool ok = product_test::Eventually([&] {
        run.OnUi([&] { got = static_cast<T>((run.Spectrum()->GetSASetup()->*get)()); });
        return got == want;
    });
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the setup holds " << got << ", not " << want;
}

// numpy's verdict on the phase of the tone over the samples.
int CheckPhase(const ProductRun& run, const std::vector<int16_t>& samples) {
    const fs::path dump = run.root().path() / "tone.json";
    {
        std::ofstream out(dump);
        out << "{\"rate\":" << kRate << ",\"tone_hz\":" << kToneHz << ",\"samples\":[";
        for (size_t i = 0; i < samples.size(); ++i) out << (i ? "," : "") << samples[i];
        out << "]}";
    }
    const std::string cmd =
        "/usr/bin/python3 '" +
        (fs::path(CELVANE_SOURCE_DIR) / "app/tests/tone_phase_check.py").string() + "' '" +
        dump.string() + "' 5";
    return std::system(cmd.c_str());
}

// The program on the check's scene, listening to the carrier.
class SpecAnSound : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::clear_played_sounds();
        ASSERT_TRUE(run.ImageOk());
        ASSERT_TRUE(run.Start());
        ListenToTheCarrier(run);
    }
    ProductRun run{"celvane-sound", Scene()};
};

}  // namespace

TEST_F(SpecAnSound, TheAmToneReachesTheSoundOutputWithoutAPhaseJump) {
    std::vector<int16_t> samples;
    ASSERT_TRUE(product_test::Eventually([&] {
        samples = PlayedAudio();
        return samples.size() >= kFiveSeconds;
    })) << "the loudspeaker played "
        << samples.size() << " samples";
    ASSERT_EQ(run.Finish(), 0);
    samples.resize(kFiveSeconds);
    EXPECT_EQ(CheckPhase(run, samples), 0);
}

// Marker page (menu key 5), signal tools (soft key 7), volume (soft key 2),
// then digits and Enter in the volume dialog: the loudspeaker plays at the
// volume typed. The marker search page's threshold key (soft key 2 of the
// search page, soft key 4 of the marker page) takes digits into the
// threshold dialog; the trace page's count key (Amplitude menu, soft key 8,
// then soft key 5) into the averaging dialog.
TEST_F(SpecAnSound, KeysOpenTheVolumeThresholdAndAveragingDialogs) {
    run.Type("key shift+F5\nkey F7\nkey F2\nkey 7\nkey 5\nkey RETURN\n");
    EXPECT_TRUE(SetupReaches(run, &CSAMeasSetup::GetVolumeType, 75));
    constexpr uint32_t kVolume75 = 75u * 65535u / 100u;
    const size_t played = PlayedAudio().size();
    EXPECT_TRUE(product_test::Eventually([&] {
        return PlayedAudio().size() > played && LastVolume() == (kVolume75 | (kVolume75 << 16));
    })) << "the loudspeaker plays at "
        << std::hex << LastVolume();

    run.Type("key ESCAPE\nkey F4\nkey F2\nkey 1\nkey 2\nkey RETURN\n");
    EXPECT_TRUE(SetupReaches(run, &CSAMeasSetup::GetLevel, 12.0));

    run.Type("key shift+F3\nkey F8\nkey F5\nkey 1\nkey 6\nkey RETURN\n");
    EXPECT_TRUE(SetupReaches(run, &CSAMeasSetup::GetAveragingCount, 16));
    EXPECT_EQ(run.Finish(), 0);
}

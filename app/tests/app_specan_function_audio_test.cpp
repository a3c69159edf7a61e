// AM/FM demodulation of the program itself on the simulated board: the
// audio the loudspeaker plays for a carrier of the check's own scene, its
// spectrum read by numpy, against the tone the scene gives the carrier.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/tests/specan_functions_support.h"
#include "platform/sound/sound.h"

using namespace specan_functions;

namespace {

// An AM carrier at 100 MHz with a tone of 1234 Hz and an FM carrier at
// 200 MHz with a tone of 777 Hz, both at -30 dBm.
constexpr double kAmHz = 100e6, kAmTone = 1234, kFmHz = 200e6, kFmTone = 777;
constexpr uint32_t kAudioRate = 20000;

class Demodulation : public MeasureRun {
  protected:
    // Sets the demodulation type by menu 24's key and types the frequency
    // in MHz; waits until the board is asked for that audio.
    void Listen(const char* type_key, int modulation, const std::string& mhz, double hz) {
        const size_t from = RecordCount();
        Keys({"F2", type_key, "F3"});
        TypeMhz(mhz);
        ASSERT_TRUE(NextRecord(from, kAudio, [&](const BoardRecord& r) {
            return r.Get<uint16_t>(40) == modulation && r.Get<uint64_t>(0) == uint64_t(hz);
        }));
        plat::clear_played_sounds();
    }
    // numpy's strongest bin of the last second of the demodulated stream
    // the loudspeaker played (1 Hz bins), and its height over the median
    // bin in dB.
    ::testing::AssertionResult StrongestBin(double& hz, double& above) {
        std::vector<int16_t> samples;
        const bool heard = Eventually([&] {
            samples.clear();
            for (const auto& stream : plat::played_streams())
                if (stream.format.samples_per_sec == kAudioRate) {
                    const auto s = stream.samples16();
                    samples.insert(samples.end(), s.begin(), s.end());
                }
            // Half a second more than needed: what was on its way before
            // the change is left out.
            return samples.size() >= kAudioRate * 3 / 2;
        });
        if (!heard)
            return ::testing::AssertionFailure()
                   << "the loudspeaker played " << samples.size() << " samples";
        samples.erase(samples.begin(), samples.end() - kAudioRate);
        const std::filesystem::path dump = run().root().path() / "audio.json";
        {
            std::ofstream out(dump);
            out << "{\"rate\":" << kAudioRate << ",\"samples\":[";
            for (size_t i = 0; i < samples.size(); ++i) out << (i ? "," : "") << samples[i];
            out << "]}";
        }
        const std::string cmd =
            "/usr/bin/python3 '" +
            (std::filesystem::path(CELVANE_SOURCE_DIR) / "app/tests/audio_bins_check.py").string() +
            "' '" + dump.string() + "'";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return ::testing::AssertionFailure() << "no python";
        const int read = std::fscanf(p, "%lf %lf", &hz, &above);
        const int status = pclose(p);
        if (read != 2 || status != 0)
            return ::testing::AssertionFailure() << "the numpy check failed (" << status << ")";
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Demodulation, EachCarrierGivesItsToneToTheMatchingDetectorOnly) {
    Begin(SceneOf(
        {{kAmHz, -30, 0, R"(, "modulation": "am", "tone_hz": 1234, "am_depth": 0.5)"},
         {kFmHz, -30, 0, R"(, "modulation": "fm", "tone_hz": 777, "fm_deviation_hz": 5000)"}}));
    // Demodulation on.
    Keys({"shift+F4", "F6", "F1"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 26;
    }));
    struct Case {
        const char* type_key;
        int modulation;
        const char* mhz;
        double hz, tone;  // tone 0: none is heard
    } cases[] = {
        {"F1", 1, "100", kAmHz, kAmTone},
        {"F2", 2, "200", kFmHz, kFmTone},
        {"F1", 1, "200", kFmHz, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("type ") + std::to_string(c.modulation) + " at " + c.mhz + " MHz");
        Listen(c.type_key, c.modulation, c.mhz, c.hz);
        double hz = 0, above = 0;
        ASSERT_TRUE(StrongestBin(hz, above));
        if (c.tone > 0) {
            EXPECT_NEAR(hz, c.tone, 1.0);
        } else {
            EXPECT_LT(above, 20.0) << "a bin at " << hz << " Hz";
        }
    }
}

}  // namespace

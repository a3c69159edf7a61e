// The spectrum analyzer of the program itself, in this process on the
// simulated board, sweeping while keys change its settings, recall setups
// with another point count and move markers: the user-interface thread and
// the threads that deliver the board's blocks share only what their locks
// guard, so the thread and address sanitizers (their presets run this test)
// find nothing, and the screen sweeps on with the recalled point count.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "app/tests/product_run.h"

using product_test::ProductRun;
namespace fs = std::filesystem;

namespace {

constexpr int kFactoryPoints = 705;
constexpr int kRecalledPoints = 1409;

// Two carriers over noise that varies from sweep to sweep.
constexpr char kScene[] = R"({"signals": [{"frequency_hz": 940e6, "level_dbm": -30},)"
                          R"( {"frequency_hz": 1800e6, "level_dbm": -45}], "time_scale": 0.25})";

class SweepingProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(run.ImageOk());
        // A setup of the user's beside the factory one: the factory's
        // settings with another point count ("Wide", the list's third row,
        // after the two factory setups).
        const fs::path setups = run.root().path() / "FlashFX Disk" / "My Setups";
        std::ifstream in(setups / "Backup" / "Factory SA.tws");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::regex points(R"(<data points = \d+>)");
        ASSERT_TRUE(std::regex_search(text, points));
        std::ofstream(setups / "Wide.tws") << std::regex_replace(
            text, points, "<data points = " + std::to_string(kRecalledPoints) + ">");
        ASSERT_TRUE(run.Start());
    }

    // Whether the spectrum analyzer comes to sweep with `points` points.
    bool SweepsWith(int points) {
        return product_test::Eventually([&] {
            bool ok = false;
            run.OnUi([&] {
                CSpecAnMode* s = run.Spectrum();
                ok = s && s->GetPointCount() == points && s->GetPointsReceived() > 0;
            });
            return ok;
        });
    }

    ProductRun run{"celvane-sweep-keys", kScene};
};

}  // namespace

TEST_F(SweepingProgram, KeysRecallsAndMarkersWhileSweepingShareNoDatum) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // Centre 940 MHz, span 200 MHz; reference one division down.
        run.Type(
            "key shift+F1\nkey F3\nkey 9\nkey 4\nkey 0\nkey F3\n"
            "key F4\nkey 2\nkey 0\nkey 0\nkey F3\n"
            "key shift+F3\nkey F2\nkey DOWN\n");
        // Markers: one on, to the peak, moved right and back.
        run.Type(
            "key shift+F5\nkey F2\nkey F3\nkey RIGHT\nkey RIGHT\nkey RIGHT\nkey LEFT\n"
            "key F1\nkey F2\nkey F3\n");
        // A recall with another point count while the sweep runs, then the
        // factory setup again.
        run.RecallSetup(2);
        ASSERT_TRUE(SweepsWith(kRecalledPoints));
        run.Type("key shift+F5\nkey F2\nkey F3\nkey LEFT\n");
        run.RecallSetup(0);
        ASSERT_TRUE(SweepsWith(kFactoryPoints));
    }
    EXPECT_EQ(run.Finish(), 0);
}

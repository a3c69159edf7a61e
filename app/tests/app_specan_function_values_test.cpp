// The occupied bandwidth and adjacent channel power of the program itself
// on the simulated board, against closed forms of the check's own scenes:
// the values typed by keys reach the board in its messages, and the result
// row reads what the scene's numbers say it must.
#include <array>
#include <cmath>
#include <cstring>

#include "app/tests/specan_functions_support.h"

using namespace specan_functions;

namespace {

// A frequency with its unit ("1.234 MHz" -> 1,234,000); none without a
// number or a unit.
std::optional<double> HertzIn(const core::Text& text) {
    const auto v = NumberIn(text);
    if (!v) return std::nullopt;
    const std::string s = core::LowBytes(text);
    if (s.find("GHz") != std::string::npos) return *v * 1e9;
    if (s.find("MHz") != std::string::npos) return *v * 1e6;
    if (s.find("kHz") != std::string::npos) return *v * 1e3;
    if (s.find("Hz") != std::string::npos) return *v;
    return std::nullopt;
}

// The resolution bandwidth a sweep record selects: its word at offset 18
// counts down from 8 along the analyzer's 1-3 steps from 100 Hz to 1 MHz.
double RbwOf(const BoardRecord& r) {
    constexpr std::array<double, 9> kSteps = {100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};
    return kSteps[8 - std::min<size_t>(r.Get<uint16_t>(18), 8)];
}

class FunctionValues : public MeasureRun {
  protected:
    // Waits until the result field's frequency stands within [low, high].
    ::testing::AssertionResult HertzWithin(int column, double low, double high) {
        core::Text last;
        const bool ok = Until([&](CSpecAnMode& s) {
            last = s.readout_panel()->GetCell(4, column)->GetValue();
            const auto v = HertzIn(last);
            return v && *v >= low && *v <= high;
        });
        if (ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "field (4, " << column << ") reads \"" << core::LowBytes(last)
               << "\", not within [" << low << ", " << high << "] Hz";
    }
};

// A flat channel of B = 1 MHz at -10 dBm on 500 MHz in a span of 2 MHz
// (one point 2 MHz / 704), the noise more than 45 dB below it. Of a flat
// channel, the share p of its power lies within p B; the resolution filter
// blurs each edge by about its bandwidth. Its -26 dB points lie outside the
// channel by less than two resolution bandwidths at each edge (a Gaussian
// filter's edge falls to -26 dB within 2.9 sigma, sigma = RBW / 2.355).
TEST_F(FunctionValues, OccupiedBandwidthOfAFlatChannelByPercentAndByLevel) {
    constexpr double kB = 1e6, kPoint = 2e6 / 704;
    Begin(SceneOf({{500e6, -10, kB, ""}}));
    CentreAndSpan("500", "2", 2000000);
    // Occupied bandwidth on: 99 % at a setup's start.
    size_t from = RecordCount();
    Keys({"shift+F4", "F1", "F1"});
    const auto first = NextRecord(from, kOccupied, [](const BoardRecord& r) {
        return r.Get<uint16_t>(40) == 0 && r.Get<uint16_t>(42) == 990;
    });
    ASSERT_TRUE(first);
    const double rbw = RbwOf(*first);
    ASSERT_LE(rbw, kB / 100) << "the automatic bandwidth is too wide for the check";
    const double tolerance = rbw + 2 * kPoint;
    EXPECT_TRUE(HertzWithin(2, 0.99 * kB - tolerance, 0.99 * kB + tolerance));
    // 90 % typed into the percent entry.
    from = RecordCount();
    Keys({"F3", "9", "0", "RETURN"});
    ASSERT_TRUE(NextRecord(from, kOccupied, [](const BoardRecord& r) {
        return r.Get<uint16_t>(40) == 0 && r.Get<uint16_t>(42) == 900;
    }));
    EXPECT_TRUE(HertzWithin(2, 0.90 * kB - tolerance, 0.90 * kB + tolerance));
    // -26 dBc by the level's arrows: right to 0 dBc, then 26 steps of 1 dB
    // down; the level's change switches the method to dBc.
    from = RecordCount();
    Keys({"F4", "RIGHT"});
    for (int i = 0; i < 26; ++i) Keys({"DOWN"});
    ASSERT_TRUE(NextRecord(from, kOccupied, [](const BoardRecord& r) {
        return r.Get<uint16_t>(40) == 1 && r.Get<uint16_t>(42) == 260;
    }));
    EXPECT_TRUE(HertzWithin(2, kB, kB + 4 * rbw));
    EXPECT_NE(core::LowBytes(Cell(4, 1)).find("-26.000"), std::string::npos)
        << core::LowBytes(Cell(4, 1));
}

// Three channels of 500 kHz on 500 MHz and 1 MHz either side, at L0, L- and
// L+; over 1 MHz the noise (-120 dBm/Hz behind the attenuator) is 35 dB
// below the weakest. Each window holds its channel whole, so the row reads
// L0, L- - L0 and L+ - L0.
TEST_F(FunctionValues, AdjacentRatiosOfThreeChannelsAndTheWidthsTheBoardIsSent) {
    constexpr double kL0 = -10, kLower = -25, kUpper = -20;
    Begin(
        SceneOf({{500e6, kL0, 500e3, ""}, {499e6, kLower, 500e3, ""}, {501e6, kUpper, 500e3, ""}}));
    CentreAndSpan("500", "3", 3000000);
    // Adjacent power on, defaults restored: a third of the span each.
    size_t from = RecordCount();
    Keys({"shift+F4", "F3", "F1", "F5"});
    auto widths = [](uint64_t channel, uint64_t adjacent, uint64_t spacing) {
        std::array<uint8_t, 24> bytes{};
        for (int i = 0; i < 8; ++i) {
            bytes[i] = static_cast<uint8_t>(channel >> (8 * i));
            bytes[8 + i] = static_cast<uint8_t>(adjacent >> (8 * i));
            bytes[16 + i] = static_cast<uint8_t>(spacing >> (8 * i));
        }
        return [bytes](const BoardRecord& r) {
            return r.payload.size() >= 64 &&
                   std::memcmp(r.payload.data() + 40, bytes.data(), bytes.size()) == 0;
        };
    };
    ASSERT_TRUE(NextRecord(from, kAdjacent, widths(1000000, 1000000, 1000000)));
    EXPECT_TRUE(CellNear(4, 1, kL0, 0.05));
    EXPECT_TRUE(CellNear(4, 2, kLower - kL0, 0.05));
    EXPECT_TRUE(CellNear(4, 3, kUpper - kL0, 0.05));
    // Widths typed: channel 0.8 MHz, adjacent 0.7 MHz, spacing 1.05 MHz (the
    // span holds 0.7 + 2 x 1.05); each window still holds its channel whole
    // and nothing of the others.
    from = RecordCount();
    Keys({"F2"});
    TypeMhz("0.8");
    Keys({"F3"});
    TypeMhz("0.7");
    Keys({"F4"});
    TypeMhz("1.05");
    ASSERT_TRUE(NextRecord(from, kAdjacent, widths(800000, 700000, 1050000)));
    EXPECT_TRUE(CellNear(4, 1, kL0, 0.05));
    EXPECT_TRUE(CellNear(4, 2, kLower - kL0, 0.05));
    EXPECT_TRUE(CellNear(4, 3, kUpper - kL0, 0.05));
}

}  // namespace

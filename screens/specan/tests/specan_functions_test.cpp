// The measurement-function menus of the spectrum analyzer screen driven by
// their keys, arrows, knob and (answered) dialogs: the values they store,
// their limits, and the result fields a recalled file fills.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/frequency_range.h"
#include "screens/specan/tests/specan_rig.h"

namespace {
using namespace specan_rig;

constexpr uint32_t kMeasureMenuKey = VK_F13 + 3;

class SpecAnFunctions : public SpecAnMenus {
  protected:
    // Menu key 3, then the function's key on menu 17.
    void OpenFunction(int key) {
        Key(kMeasureMenuKey);
        Soft(key);
    }
    void Knob(int steps) { screen_.OnKnobStep(steps); }
};

TEST_F(SpecAnFunctions, OccupiedBandwidthPercentAndLevelByArrowsKnobAndDialogs) {
    OpenFunction(0);
    EXPECT_EQ(screen_.GetActiveFunction(), 18);
    Soft(2);  // the percent
    Key(VK_LEFT);
    EXPECT_EQ(setup().GetThresholdPercent(), 0);
    EXPECT_EQ(Label(2), "Percent\n   0.0%");
    Key(VK_RIGHT);
    EXPECT_EQ(setup().GetThresholdPercent(), 1000);
    EXPECT_EQ(Label(2), "Percent\n 100.0%");
    Key(VK_DOWN);
    Knob(-1);
    EXPECT_EQ(setup().GetThresholdPercent(), 989);
    // The level: its change switches the method to dBc.
    Soft(3);
    Key(VK_LEFT);
    EXPECT_EQ(setup().GetThreshold(), -700);
    EXPECT_EQ(setup().GetThresholdMode(), 1);
    Key(VK_RIGHT);
    EXPECT_EQ(setup().GetThreshold(), 0);
    EXPECT_EQ(Label(3), "Level dBc\n   0.0");
    entries_->answers = {-26.04};
    Key('2');
    EXPECT_EQ(setup().GetThreshold(), -260);
    // A typed percent is rounded to one decimal and switches back to percent.
    Soft(2);
    entries_->answers = {99.94};
    Key('9');
    EXPECT_EQ(setup().GetThresholdPercent(), 999);
    EXPECT_EQ(setup().GetThresholdMode(), 0);
    EXPECT_EQ(entries_->calls, (std::vector<std::string>{"dBc", "percent"}));
    // Key 1 flips the method.
    Soft(1);
    EXPECT_EQ(setup().GetThresholdMode(), 1);
}

TEST_F(SpecAnFunctions, AdjacentWidthsRestoreFitAndStopAtTheirLowerLimit) {
    setup().GetFrequencyRange()->SetSpan(10000000, true);
    OpenFunction(2);
    EXPECT_EQ(screen_.GetActiveFunction(), 20);
    Soft(4);  // restore defaults: a third of the span each
    EXPECT_EQ(setup().GetChannelWidth(), 3333333u);
    EXPECT_EQ(setup().GetAdjChannelWidth(), 3333333u);
    EXPECT_EQ(setup().GetCenterDistance(), 3333333u);
    // An adjacent width that no longer fits beside the spacing corrects the
    // spacing, whose key shows it highlighted.
    Soft(2);
    entries_->answers = {6000000};
    Key('6');
    EXPECT_EQ(setup().GetAdjChannelWidth(), 6000000u);
    EXPECT_EQ(setup().GetCenterDistance(), 2000000u);
    EXPECT_EQ(Label(3), "Spacing\n2.0 MHz");
    EXPECT_TRUE(screen_.soft_key_menu()->Key(3)->IsSelected());
    // The spacing down to 0 by arrows and the knob: it stops there.
    Soft(3);
    entries_->answers = {5};
    Key('5');
    EXPECT_EQ(setup().GetCenterDistance(), 5u);
    Knob(-1);
    EXPECT_EQ(setup().GetCenterDistance(), 0u);
    Key(VK_LEFT);
    EXPECT_EQ(setup().GetCenterDistance(), 0u);
    Knob(+1);
    EXPECT_EQ(setup().GetCenterDistance(), 10u);
}

TEST_F(SpecAnFunctions, TimeDomainSweepTimeStaysWithinItsLimits) {
    OpenFunction(3);
    EXPECT_EQ(screen_.GetActiveFunction(), 21);
    Soft(1);
    setup().SetZeroSpanTime(1);
    Key(VK_LEFT);
    EXPECT_EQ(setup().GetZeroSpanTime(), 1);
    setup().SetZeroSpanTime(99500);
    Key(VK_UP);
    EXPECT_EQ(setup().GetZeroSpanTime(), 100000);
    Knob(-1);
    EXPECT_EQ(setup().GetZeroSpanTime(), 99000);
    EXPECT_EQ(Label(1), "Sweep Time\n 99.000 s");
    entries_->answers = {2500};
    Key('2');
    EXPECT_EQ(setup().GetZeroSpanTime(), 2500);
}

TEST_F(SpecAnFunctions, DemodulationFrequencyTimeAndType) {
    setup().SetModulationType(-1);
    OpenFunction(5);
    EXPECT_EQ(screen_.GetActiveFunction(), 23);
    // A stored type -1 shows and stores wide-band FM.
    EXPECT_EQ(setup().GetModulationType(), 2);
    EXPECT_EQ(Label(1), "Demod\nType\nWBand FM");
    setup().GetFrequencyRange()->SetStep(1000000);
    Soft(2);
    setup().SetSidebandFrequency(2559500000);
    Key(VK_UP);
    EXPECT_EQ(setup().GetSidebandFrequency(), 2560000000u);
    Key(VK_LEFT);  // left and right do nothing
    EXPECT_EQ(setup().GetSidebandFrequency(), 2560000000u);
    entries_->answers = {3600000000.0};
    Key('3');
    EXPECT_EQ(setup().GetSidebandFrequency(), 3600000000u);
    // Down under one step stops at 0, which the setup reads back as its
    // default frequency.
    setup().SetSidebandFrequency(500000);
    Key(VK_DOWN);
    EXPECT_EQ(setup().GetSidebandFrequency(), CMeasSetup::kDefaultSideband);
    // The time: digits give whole seconds, the right arrow the maximum.
    Soft(4);
    entries_->answers = {2500};
    Key('2');
    EXPECT_EQ(setup().GetPlayTime(), 2000);
    Key(VK_RIGHT);
    EXPECT_EQ(setup().GetPlayTime(), 500000);
    // The type page: AM, back on the demodulation page.
    Soft(1);
    EXPECT_EQ(screen_.GetActiveFunction(), 24);
    Soft(0);
    EXPECT_EQ(setup().GetModulationType(), 1);
    EXPECT_EQ(screen_.GetActiveFunction(), 23);
}

TEST_F(SpecAnFunctions, RecalledResultsAreCheckedAndHandedBackUnchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SaTraceValues in;
    in.c2i_carrier = -20.5;
    in.c2i_interference = nan;
    in.c2i_difference = 12.25;
    in.channel_power = nan;
    in.acp_high_power = -41.0;
    in.occupied_bandwidth = 1234567;
    screen_.ReceiveSaValues(in);
    EXPECT_EQ(screen_.GetCarrierPower(), -20.5);
    EXPECT_EQ(screen_.GetInterferencePower(), -1000.0);
    EXPECT_EQ(screen_.GetPowerDifference(), 12.25);
    EXPECT_EQ(screen_.GetStoredResults().carrierPower, -20.5);
    EXPECT_EQ(screen_.GetStoredResults().interferencePower, -1000.0);
    EXPECT_EQ(screen_.GetStoredResults().channelPower, -300.0);
    EXPECT_EQ(screen_.GetStoredResults().acpUpperPower, -41.0);
    const SaTraceValues out = screen_.GetSaValues();
    EXPECT_EQ(out.c2i_carrier, -20.5);
    EXPECT_EQ(out.c2i_interference, -1000.0);
    EXPECT_EQ(out.c2i_difference, 12.25);
    EXPECT_EQ(out.occupied_bandwidth, 1234567u);
    // A file without C/I values leaves the live ones.
    screen_.ReceiveSaValues(SaTraceValues{});
    EXPECT_EQ(screen_.GetCarrierPower(), -20.5);
}

}  // namespace

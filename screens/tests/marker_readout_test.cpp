// The pure parts of the markers, peak search, sound and readout rows of the
// measurement screens: cursor and search tables, step counts, the texts of
// the readout rows (with the mended faults: "(A)" for automatic, no "-inf"
// for a zero channel width), the position text's bounds and the soft-key
// pages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/keys.h"
#include "core/params.h"
#include "core/res_string.h"
#include "files/sa_meas_setup.h"
#include "screens/measurement/level_beep.h"
#include "screens/measurement/marker_search.h"
#include "screens/measurement/page_labels.h"
#include "screens/measurement/readout_texts.h"
#include "widgets/soft_key_menu.h"
#include "widgets/tests/widget_test_support.h"

namespace {

using namespace marker_search;
using namespace readout_texts;

TEST(MarkerSearch, CursorWrapsAndNeverPassesTheList) {
    struct Case {
        int cursor, count;
        bool restart;
        int expected;
    };
    const Case cases[] = {
        {0, 3, false, 1}, {1, 3, false, 2},  {2, 3, false, 0},  // three peaks, then the highest
        {5, 3, false, 0},                                       // the list became shorter
        {3, 3, false, 0}, {-1, 3, false, 0}, {2, 3, true, 0},  {0, 0, false, -1}, {0, 1, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdvanceCursor(c.cursor, c.count, c.restart), c.expected)
            << c.cursor << "/" << c.count;
}

TEST(MarkerSearch, LeftAndRightStopAtTheOutermostPeak) {
    const std::vector<int32_t> peaks = {100, 350, 600};
    struct Case {
        int32_t point, right, left;
    };
    const Case cases[] = {
        {0, 100, 100},   {100, 350, 100},  // a peak at the marker itself is never chosen
        {200, 350, 100}, {350, 600, 100}, {600, 600, 350}, {700, 600, 600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EntryRightOf(peaks, c.point), c.right) << c.point;
        EXPECT_EQ(EntryLeftOf(peaks, c.point), c.left) << c.point;
    }
    EXPECT_EQ(EntryRightOf({}, 5), -1);
    EXPECT_EQ(EntryLeftOf({}, 5), -1);
}

TEST(MarkerSearch, StepsOfArrowsAndWheel) {
    EXPECT_EQ(ArrowStepPoints(1, 705), 1);
    EXPECT_EQ(ArrowStepPoints(2, 705), 1);
    EXPECT_EQ(ArrowStepPoints(5, 705), 10);  // 5 + whole part of 5.5
    EXPECT_EQ(ArrowStepPoints(3, 401), 5);   // 3 + whole part of 2.206...
    EXPECT_EQ(KnobStepPoints(-240), 2);
    EXPECT_EQ(KnobStepPoints(119), 0);
    EXPECT_EQ(KnobStepPoints(360), 3);
}

TEST(MarkerSearch, ThresholdFromTheDisplayedNoiseLevel) {
    CSAMeasSetup setup;
    setup.GetBandwidthSettings()->SetRbwMode(CChoiceBlock::kModeManual, false);
    setup.GetBandwidthSettings()->SetRbwIndex(2, false);  // 1 kHz
    setup.SetAttenuationLevel(10.0);
    setup.SetPreampMode(1);
    setup.SetLevel(12.5);
    // 10 log10(1000) = 30; -155; preamplifier off adds nothing; +10 dB.
    EXPECT_NEAR(DisplayedNoiseLevel(setup), 30.0 - 155.0 + 10.0, 1e-9);
    EXPECT_NEAR(AbsolutePeakThreshold(setup), 12.5 - 115.0, 1e-9);
    setup.SetLevel(400.0);
    EXPECT_EQ(setup.GetLevel(), kThresholdMax);
}

TEST(ReadoutTexts, BandwidthAndAttenuationModes) {
    // Mode 0 is automatic everywhere else in the system.
    EXPECT_EQ(BandwidthModeSuffix(0), u"(A)");
    EXPECT_EQ(BandwidthModeSuffix(1), u"(M)");
    EXPECT_EQ(AttenuationText(10.0, 0), u"10 dB(A)");
    EXPECT_EQ(AttenuationText(30.0, 1), u"30 dB(M)");
}

TEST(ReadoutTexts, ChannelPowerAndDensity) {
    struct Case {
        double power;
        const char16_t* text;
    };
    const Case cases[] = {{-300.0, u"N/A"},
                          {-301.5, u"N/A"},
                          {0.0, u" 0.000 dBm"},
                          {0.5, u"+0.500 dBm"},
                          {-23.456, u"-23.456 dBm"}};
    for (const Case& c : cases) EXPECT_EQ(ChannelPowerText(c.power, 0.0, 0), c.text) << c.power;
    EXPECT_EQ(ChannelPowerText(-20.0, 1.5, 0), u"-18.500 dBm");

    // -20 dBm over 1 MHz: -80 dBm/Hz.
    EXPECT_EQ(PowerDensityText(-20.0, 0.0, 1000000, 0), u" -80.0 dBm/Hz");
    EXPECT_EQ(PowerDensityText(-20.0, 0.0, 0, 0), u"") << "no -inf on screen";
    EXPECT_EQ(PowerDensityText(kNotMeasured, 0.0, 1000, 0), u"");
    EXPECT_EQ(PowerDensityText(-300.0, 0.0, 1000, 0), u"");
    EXPECT_DOUBLE_EQ(PowerRatioDb(-20.0, 0.0, 0), -300.0);
    EXPECT_NEAR(PowerRatioDb(-20.0, 3.0, 100), -37.0, 1e-9);
}

TEST(ReadoutTexts, ResultsOfTheFunctions) {
    EXPECT_EQ(CorrectDemodType(7), 2);
    EXPECT_EQ(DemodTypeName(7), u"WBand FM");
    EXPECT_EQ(DemodTypeName(1), u"AM");
    EXPECT_EQ(DemodTypeName(5), u"Lower SSB");
    EXPECT_EQ(AdjacentRatioText(3.25f), u"+3.2 dB");
    EXPECT_EQ(AdjacentRatioText(-45.0f), u"-45.0 dB");
    EXPECT_EQ(CarrierLevelText(-999.0, 0), u"");
    EXPECT_EQ(CarrierLevelText(-20.0, 0), u"-20.000 dBm");
    EXPECT_EQ(CarrierLevelText(-20.0, 8), u" 87.0 dBµV");  // -20 dBm into 50 ohms
    EXPECT_EQ(CarrierRatioText(-1000.0), u"");
    EXPECT_EQ(CarrierRatioText(12.34), u" 12.3 dB");
}

TEST(ReadoutTexts, ActiveMarkerLimitAndTrace) {
    const std::u16string thirty(29, u'x');
    EXPECT_EQ(ActiveMarkerText(thirty).size(), kActiveMarkerChars);
    EXPECT_EQ(ActiveMarkerText(thirty).front(), u'M');
    EXPECT_EQ(ActiveMarkerText(u"M1:-20.0dBm/900MHz"), u"M1:-20.0dBm/900MHz");

    EXPECT_EQ(LimitTestField(false, false, true).label, kBlankLabel) << "both limits off";
    const LimitField pass = LimitTestField(true, false, false);
    EXPECT_EQ(pass.text, u"PASS");
    EXPECT_EQ(pass.colour, 0x8000u);
    const LimitField fail = LimitTestField(false, true, true);
    EXPECT_EQ(fail.text, u"FAIL");
    EXPECT_EQ(fail.colour, 0xFFu);

    EXPECT_EQ(TraceModeText(0, true, 3, 10), LoadResString(61340) + u" 3/10");
    EXPECT_EQ(TraceModeText(1, true, 3, 10), LoadResString(801));
    EXPECT_EQ(TraceModeText(2, false, 0, 10), LoadResString(64456));
    EXPECT_EQ(TraceModeText(0, false, 0, 10), LoadResString(61288));
    EXPECT_EQ(SweepModeNameId(3), 243u);
    EXPECT_EQ(SweepModeNameId(1), 244u);
    EXPECT_EQ(TriggerSourceNameId(4), 246u);
    EXPECT_EQ(TriggerSourceNameId(2), 245u);
}

TEST(LevelBeep, VolumeStaysWithin0And100) {
    int v = 1;
    for (int i = 0; i < 3; ++i) v = level_beep::StepVolume(v, VK_LEFT);
    EXPECT_EQ(v, 0);
    v = 99;
    for (uint32_t key : {VK_UP, VK_RIGHT, VK_UP}) v = level_beep::StepVolume(v, key);
    EXPECT_EQ(v, 100);
    EXPECT_EQ(level_beep::TurnVolume(100, 2), 100);
    EXPECT_EQ(level_beep::TurnVolume(0, -1), 0);
    EXPECT_EQ(level_beep::TurnVolume(50, 0), 49);

    // 100 % at the scale top would be 110 %: it spills into the other channel.
    EXPECT_EQ(level_beep::BeepVolume(100, 0), 100);
    EXPECT_EQ(level_beep::BeepVolume(50, 30), 57);
    EXPECT_EQ(level_beep::BeepVolume(5, 210), 0);
    EXPECT_EQ(level_beep::BeepIntervalMs(0), 0u);
    EXPECT_EQ(level_beep::BeepIntervalMs(100), 1000u);
    EXPECT_FALSE(level_beep::BeepDue(1000, 1000, 0));
    EXPECT_TRUE(level_beep::BeepDue(1001, 1000, 0));
    EXPECT_FALSE(level_beep::BeepDue(2000, 1000, 100));
    EXPECT_TRUE(level_beep::BeepDue(2001, 1000, 100));
}

class PageLabels : public widget_test::ViewFixture {
  protected:
    void SetUp() override {
        ViewFixture::SetUp();
        keys.Create(&view, 705, 30, 800, 566, 1, 100, scheme.get());
    }
    const std::u16string& Title(int k) const { return keys.Key(k)->GetTitle(); }
    CSoftKeyMenu keys;
};

TEST_F(PageLabels, FillPlaceTakesTheFirstPlaceOnly) {
    EXPECT_EQ(page_labels::FillPlace(u"Avg\n%u", u"16"), u"Avg\n16");
    EXPECT_EQ(page_labels::FillPlace(u"%s and %s 5%%", u"x"), u"x and  5%");
    EXPECT_EQ(page_labels::FillPlace(u"none", u"x"), u"none");
    EXPECT_EQ(page_labels::FillPlace(u"end%", u"x"), u"end%");
    EXPECT_EQ(page_labels::FillPlace(u"RBW\n%s", u"10 kHz"), u"RBW\n10 kHz");
    EXPECT_EQ(page_labels::FillPlace(u"Gate Delay\n% 6.3f ms", u"500.000"),
              u"Gate Delay\n500.000 ms");
    EXPECT_EQ(page_labels::FillPlace(u"%ld%%", u"7"), u"7%");
    EXPECT_EQ(page_labels::FillPlace(u"open % 6.3", u"x"), u"open % 6.3");
}

TEST_F(PageLabels, PagesFollowTheSetup) {
    CSAMeasSetup setup;
    setup.SetMarkerSearchMode(0);
    setup.SetLevel(10.0);
    page_labels::MarkerSearchPage(keys, setup);
    EXPECT_NE(Title(1).find(u"10.0 dB\n"), std::u16string::npos)
        << std::string(Title(1).begin(), Title(1).end());
    EXPECT_NE(Title(1).find(u"dBm"), std::u16string::npos);
    EXPECT_EQ(keys.Key(0)->GetChoiceIndex(), 0);
    setup.SetMarkerSearchMode(1);
    page_labels::MarkerSearchPage(keys, setup);
    EXPECT_EQ(keys.Key(0)->GetChoiceIndex(), 1);
    EXPECT_EQ(Title(2), LoadResString(64319));

    setup.SetVolumeType(0);
    page_labels::SignalToolsPage(keys, setup);
    EXPECT_EQ(Title(1).substr(Title(1).size() - 3), u"\n0%");

    setup.SetDetectionMode(2);
    page_labels::DetectionPage(keys, setup.GetDetectionMode());
    for (int k = 0; k < 4; ++k) EXPECT_EQ(keys.Key(k)->IsDisabled(), k == 1) << k;

    setup.SetAveragingCount(16);
    page_labels::TracePage(keys, setup);
    EXPECT_NE(Title(4).find(u"16"), std::u16string::npos);

    // Threshold page: direction up with the upper limit off shows Off.
    setup.SetLimitType(1);
    setup.SetUpperLimitState(false);
    setup.SetLowerLimitState(true);
    page_labels::ThresholdAlarmPage(keys, setup);
    EXPECT_EQ(keys.Key(1)->GetChoiceIndex(), 1);

    page_labels::WaterfallPage(keys, 0, false);
    for (int k : {2, 4, 5, 6}) EXPECT_EQ(Title(k), LoadResString(184)) << k;
    page_labels::WaterfallPage(keys, 2, true);
    EXPECT_EQ(Title(4), LoadResString(64491));
    EXPECT_EQ(keys.Key(1)->GetChoiceIndex(), 0);
}

}  // namespace

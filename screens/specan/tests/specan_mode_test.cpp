// The spectrum analyzer screen's menus driven by its keys, with the entry
// dialogs answered by the test and the program's message box recorded.
#include "screens/specan/specan_mode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "core/keys.h"
#include "core/params.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/sa_meas_setup.h"
#include "files/trigger_settings.h"
#include "instrument/device_item.h"
#include "screens/screen_services.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/specan/tests/specan_rig.h"
#include "widgets/color_scheme.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/text_widget.h"

namespace {
using namespace specan_rig;

TEST_F(SpecAnMenus, MenuKeysOpenTheirMenusWithTheSixCaptions) {
    Key(kMenuKey1);
    EXPECT_EQ(screen_.GetActiveFunction(), 1);
    EXPECT_EQ(screen_.GetCurrentMenuKey(), 1);
    EXPECT_EQ(Label(1), "RBW\n10 kHz");
    EXPECT_EQ(Label(3), "VBW\n3 kHz");
    EXPECT_EQ(Label(4), "Span/RBW\n300");
    EXPECT_EQ(Label(5), "RBW/VBW\n3");
    Key(kMenuKey2);
    EXPECT_EQ(screen_.GetActiveFunction(), 9);
    Key(kMenuKey0);
    EXPECT_EQ(screen_.GetActiveFunction(), 0);
}

// The bandwidth readouts say "(A)" for an automatic and "(M)" for a manual
// bandwidth (mode 0 is automatic).
TEST_F(SpecAnMenus, BandwidthReadoutsMarkAutomaticAndManual) {
    Key(kMenuKey1);
    auto value = [&](int column) {
        return core::LowBytes(screen_.readout_panel()->GetCell(1, column)->GetValue());
    };
    EXPECT_EQ(value(0), "10 kHz(A)");
    EXPECT_EQ(value(1), "3 kHz(A)");
    Soft(1);
    EXPECT_EQ(value(0), "10 kHz(M)");
    Soft(2);
    EXPECT_EQ(value(1), "3 kHz(M)");
}

TEST_F(SpecAnMenus, BandwidthByKeysArrowsKnobAndDialog) {
    Key(kMenuKey1);
    // Digits before a value key is chosen open nothing.
    Key('5');
    EXPECT_TRUE(entries_->calls.empty());
    // Key 1: manual RBW; the arrows and the knob step the table.
    Soft(1);
    EXPECT_EQ(bandwidth().GetRbwMode(), CChoiceBlock::kModeManual);
    Key(VK_UP);
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth().GetRbwIndex()), 30000u);
    EXPECT_EQ(Label(1), "RBW\n30 kHz");
    // The automatic VBW follows the new RBW: 30 kHz / 3 = 10 kHz.
    EXPECT_EQ(CChoiceBlock::VbwHertz(bandwidth().GetVbwIndex()), 10000u);
    screen_.OnKnobStep(-120);
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth().GetRbwIndex()), 10000u);
    // The dialog's list position 2 (1 kHz from 100 Hz).
    entries_->answers = {2};
    Key('1');
    EXPECT_EQ(entries_->calls.back(), "RBW");
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth().GetRbwIndex()), 1000u);
    // Escape keeps the value.
    Key('3');
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth().GetRbwIndex()), 1000u);
    // A VBW of 1 MHz from the dialog is stored as the menu's end, 300 kHz.
    Soft(3);
    entries_->answers = {10};
    Key('1');
    EXPECT_EQ(CChoiceBlock::VbwHertz(bandwidth().GetVbwIndex()), 300000u);
    // Back to automatic: key 0 toggles.
    Soft(0);
    EXPECT_EQ(bandwidth().GetRbwMode(), CChoiceBlock::kModeAuto);
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth().GetRbwIndex()), 10000u);
    // Span/RBW: right arrow 3600.
    Soft(4);
    Key(VK_RIGHT);
    EXPECT_EQ(bandwidth().GetSpanRatio(), 3600u);
    EXPECT_EQ(Label(4), "Span/RBW\n3600");
    // RBW/VBW from its list.
    entries_->answers = {10};
    Soft(5);
    EXPECT_EQ(bandwidth().GetVbwRatio(), 10u);
}

TEST_F(SpecAnMenus, SingleSweepAndTheTriggerMenus) {
    ASSERT_EQ(setup().GetTriggerMode(), 3);
    Key(kMenuKey1);
    Soft(7);  // the sweep menu
    EXPECT_EQ(screen_.GetActiveFunction(), 4);
    Soft(0);
    EXPECT_EQ(setup().GetTriggerMode(), 0);
    EXPECT_TRUE(screen_.IsSingleSweep());
    Soft(2);  // one more sweep
    EXPECT_TRUE(screen_.IsTriggerArmed());
    Soft(0);
    EXPECT_EQ(setup().GetTriggerMode(), 3);
    EXPECT_FALSE(screen_.IsSingleSweep());
    // External continuous to external single leaves the single-sweep flag.
    setup().SetTriggerMode(4);
    Soft(0);
    EXPECT_EQ(setup().GetTriggerMode(), 1);
    EXPECT_FALSE(screen_.IsSingleSweep());
    Soft(2);  // arm: a single mode
    EXPECT_TRUE(screen_.IsSingleSweep());

    // The external trigger menu: condition and gate delay.
    Soft(1);
    EXPECT_EQ(screen_.GetActiveFunction(), 5);
    Soft(2);  // external continuous
    EXPECT_EQ(screen_.GetActiveFunction(), 6);
    EXPECT_EQ(setup().GetTriggerMode(), 4);
    Soft(3);  // rising edge
    EXPECT_EQ(trigger().GetCondition(), 2);
    // The knob does nothing on the delay before key 6.
    const uint32_t delay = trigger().GetDelay();
    screen_.OnKnobStep(120);
    EXPECT_EQ(trigger().GetDelay(), delay);
    Soft(6);
    entries_->answers = {0.04};
    Key('0');
    EXPECT_EQ(trigger().GetDelay(), 1u);
    entries_->answers = {1000};
    Key('1');
    EXPECT_EQ(trigger().GetDelay(), 10000u);
    // Escape from the dialog keeps the value.
    Key('2');
    EXPECT_EQ(trigger().GetDelay(), 10000u);

    // The video level through its handler (menu 7 needs the time domain).
    screen_.OpenVideoTriggerMenu(4);
    screen_.OnVideoTriggerKey(5);
    entries_->answers = {-250, 45};
    screen_.EditTriggerLevel(1);
    EXPECT_EQ(trigger().GetLevel(), -20000);
    screen_.EditTriggerLevel(4);
    EXPECT_EQ(trigger().GetLevel(), 3000);
}

TEST_F(SpecAnMenus, PreamplifierWarnsAboveMinus30DbmAndSwitchesOnAnyway) {
    const core::Text warning = LoadResString(1196);
    setup().SetReferenceLevel(ConvertPowerUnit(-30.0, UNIT_W, UNIT_DBM));
    Key(kMenuKey2);
    Soft(4);
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_EQ(setup().GetPreampMode(), 0);
    Soft(4);  // off again
    EXPECT_EQ(setup().GetPreampMode(), 1);

    // A manual 20 dB before; -29.9 dBm warns and still switches on.
    setup().SetAttenuationMode(1);
    setup().SetAttenuationLevel(20.0);
    setup().SetReferenceLevel(ConvertPowerUnit(-29.9, UNIT_W, UNIT_DBM));
    Soft(4);
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0], warning);
    EXPECT_EQ(setup().GetPreampMode(), 0);
    EXPECT_EQ(setup().GetAttenuationMode(), 0);
    EXPECT_EQ(setup().GetAttenuationLevel(), 0.0);
    // Off restores the manual attenuation.
    Soft(4);
    EXPECT_EQ(setup().GetAttenuationMode(), 1);
    EXPECT_EQ(setup().GetAttenuationLevel(), 20.0);
}

// Choosing less attenuation than the reference level needs stores what it
// needs, in manual mode (+5 dBm needs 20 dB).
TEST_F(SpecAnMenus, AttenuationIsRaisedToWhatTheReferenceNeeds) {
    setup().SetReferenceLevel(ConvertPowerUnit(5.0, UNIT_W, UNIT_DBM));
    Key(kMenuKey2);
    Soft(3);
    EXPECT_EQ(screen_.GetActiveFunction(), 12);
    Soft(1);  // 0 dB
    EXPECT_EQ(setup().GetAttenuationMode(), 1);
    EXPECT_EQ(setup().GetAttenuationLevel(), 20.0);
    Soft(3);
    Soft(4);  // 30 dB is more than needed: taken
    EXPECT_EQ(setup().GetAttenuationLevel(), 30.0);
    Soft(3);
    Soft(0);  // automatic again
    EXPECT_EQ(setup().GetAttenuationMode(), 0);
    EXPECT_EQ(setup().GetAttenuationLevel(), 20.0);
}

TEST_F(SpecAnMenus, ReferenceScaleAndOffsetByKeys) {
    setup().SetReferenceLevel(ConvertPowerUnit(0.0, UNIT_W, UNIT_DBM));
    setup().SetReferenceStepping(10.0);
    Key(kMenuKey2);
    Soft(1);
    Key(VK_UP);
    EXPECT_NEAR(setup().GetReferenceLevelDbm(), 10.0, 1e-9);
    Key(VK_RIGHT);
    EXPECT_NEAR(setup().GetReferenceLevelDbm(), 30.0, 1e-9);
    EXPECT_EQ(Label(1).substr(0, Label(1).find('\n')), core::LowBytes(LoadResString(795)));
    // The dialog's value in dBm.
    entries_->answers = {-20.0};
    Key('2');
    EXPECT_NEAR(setup().GetReferenceLevelDbm(), -20.0, 1e-9);
    Soft(2);
    Key(VK_LEFT);
    EXPECT_EQ(setup().GetReferenceStepping(), 1.0);
    Soft(5);
    Key(VK_RIGHT);
    Key(VK_UP);
    EXPECT_NEAR(setup().GetAmplitudeOffset(), 1.1, 1e-12);
}

// Watts with a 1 mW reference gives milliwatts; the limit lines follow
// from the old unit into the new one.
TEST_F(SpecAnMenus, UnitChangeScalesTheUnitAndConvertsTheLimits) {
    setup().SetReferenceLevel(1e-3);
    setup().SetUpperLimitValue(-20.0);
    setup().SetLowerLimitValue(-60.0);
    screen_.OpenUnitsMenu();
    Soft(1);  // dBuV
    EXPECT_EQ(setup().GetMeasureUnit(), static_cast<int32_t>(UNIT_DBUV));
    EXPECT_EQ(core::LowBytes(core::FormatText("%.2f", setup().GetUpperLimitValue())), "86.99");
    screen_.OpenUnitsMenu();
    Soft(5);  // watts
    EXPECT_EQ(setup().GetMeasureUnit(), static_cast<int32_t>(UNIT_MW));
    // 86.99 dBuV is -20 dBm, 0.01 mW (the backwards conversion gave the
    // logarithm of a negative number).
    EXPECT_NEAR(setup().GetUpperLimitValue(), 0.01, 1e-6);
}

}  // namespace

namespace {
using namespace specan_rig;

class SpecAnMarkerPages : public SpecAnMenus {};

TEST_F(SpecAnMarkerPages, SignalToolsCarryTheCounterAndAMarkerMoveStopsIt) {
    Key(VK_F13 + 4);  // the marker menu key
    ASSERT_EQ(screen_.GetActiveFunction(), 33);
    Soft(6);
    ASSERT_EQ(screen_.GetActiveFunction(), 34);
    EXPECT_EQ(Label(3), "Centre Freq\nto Marker");
    EXPECT_EQ(Label(4), "Marker to\nRef Level");
    EXPECT_EQ(Label(5).substr(0, 18), "Frequency\nCounter");
    EXPECT_EQ(screen_.soft_key_menu()->Key(5)->GetChoiceIndex(), 1) << "off";
    Soft(5);
    EXPECT_TRUE(setup().GetFreqCounter());
    EXPECT_EQ(screen_.soft_key_menu()->Key(5)->GetChoiceIndex(), 0) << "on";
    screen_.OnMarkerChanged();
    EXPECT_FALSE(setup().GetFreqCounter()) << "a marker move stops the counter";
    Soft(5);
    Soft(5);
    EXPECT_FALSE(setup().GetFreqCounter()) << "the key switches it off again";
}

}  // namespace

// A sweep block holds the sweep's points from its first on, each at its
// place; a point past what it holds (the driver's length restarted in the
// middle of a sweep) is not read from another point's place.
TEST_F(SpecAnMenus, BlockPointsAreReadAtTheirPlaceInTheSweep) {
    std::vector<uint8_t> bytes(8 + 4 * 192);
    for (int i = 0; i < 192; ++i) {
        const float level = i == 183 ? -45.0f : i == 55 ? NAN : -75.0f - i % 7;
        std::memcpy(bytes.data() + 8 + 4 * i, &level, 4);
    }
    struct Case {
        uint32_t held_bytes, count;
        int index;
        double level;  // NaN: not in the block
    } const cases[] = {
        {4 * 192, 192, 183, -45.0},  // the whole sweep so far
        {4 * 192, 192, 0, -75.0},    // its first point
        {4 * 192, 192, 55, -300.0},  // not measured: no signal
        {4 * 64, 64, 183, NAN},      // only the first 64 points came
        {4 * 64, 64, 63, -75.0},     // the last of them (63 % 7 == 0)
        {4 * 192, 192, 192, NAN},    // past the block's end
    };
    for (const Case& c : cases) {
        CSweepItem item;
        item.SetData(bytes.data(), 8 + c.held_bytes, 8, 0);
        item.SetRange(192, c.count, 0, 0);
        const double got = screen_.GetTracePoint(&item, c.index);
        if (std::isnan(c.level))
            EXPECT_TRUE(std::isnan(got)) << c.count << " points, point " << c.index;
        else
            EXPECT_EQ(got, c.level) << c.count << " points, point " << c.index;
    }
}

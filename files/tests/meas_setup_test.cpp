#include "files/meas_setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"
#include "platform/kernel/clock.h"
#include "setup_test_support.h"

namespace {

double Dbm(const CMeasSetup& s) {
    return s.GetReferenceLevelDbm();
}

// A band of two channels 100 and 101 around 900 MHz.
class FakeBand : public ISetupBand {
  public:
    uint64_t GetStart() const override { return 880000000; }
    uint64_t GetStop() const override { return 920000000; }
    uint64_t GetSpan() const override { return 40000000; }
    uint64_t GetCenter() const override { return 900000000; }
    uint64_t ChannelToFrequency(int32_t channel) const override {
        return 890000000 + uint64_t(channel - 100) * 200000;
    }
    uint64_t GetChannelBandwidth(int32_t) const override { return 200000; }
    uint64_t GetChannelSpacing(int32_t) const override { return 250000; }
    uint64_t GetPointValue(uint32_t i, uint32_t points) const override { return i * 1000 + points; }
    void CountUse(bool used) override { uses = used ? uses + 1 : 0; }
    int uses = 0;
};

}  // namespace

TEST(MeasSetup, SpectrumDefaults) {
    FakeEnvironment environment(true);
    CSAMeasSetup s(&environment);
    EXPECT_EQ(s.GetMeasurementClass(), 2);
    EXPECT_EQ(s.GetMeasurementId(), 20);
    EXPECT_EQ(s.GetMeasurementNameId(), 871);
    EXPECT_EQ(s.GetVersionWord(), 4);
    EXPECT_EQ(s.GetStateWord(), 256);
    EXPECT_FALSE(s.IsChanged());
    EXPECT_EQ(s.GetFrequencyRange()->GetStart(), 0u);
    EXPECT_EQ(s.GetFrequencyRange()->GetStop(), 3600000000u);
    EXPECT_EQ(s.GetDataPoints(), 705);
    EXPECT_EQ(s.GetAveragingCount(), 2);
    EXPECT_NEAR(Dbm(s), 20.0, 1e-9);
    EXPECT_EQ(s.GetReferenceStepping(), 10.0);
    EXPECT_EQ(s.GetAttenuationLevel(), 30.0);
    EXPECT_EQ(s.GetPreampMode(), 1);
    EXPECT_EQ(s.GetDetectionMode(), 3);
    EXPECT_EQ(s.GetTriggerMode(), 3);
    EXPECT_EQ(s.GetThreshold(), -500);
    EXPECT_EQ(s.GetThresholdPercent(), 990);
    EXPECT_EQ(s.GetChannelNumber(), -1);
    EXPECT_EQ(s.GetChannelWidth(), 360000000u);
    EXPECT_EQ(s.GetAdjChannelWidth(), 360000000u);
    EXPECT_EQ(s.GetCenterDistance(), 360000000u);
    EXPECT_EQ(s.GetModulationType(), -1);
    EXPECT_EQ(s.GetVolumeType(), 50);
    EXPECT_EQ(s.GetPlayTime(), 5000);
    EXPECT_EQ(s.GetZeroSpanTime(), 5000);
    EXPECT_EQ(s.GetLevel(), -50.0);
    EXPECT_EQ(s.GetUpperLimitValue(), 20.0);
    EXPECT_EQ(s.GetLowerLimitValue(), -80.0);
    EXPECT_EQ(s.GetSweepFlag(), 1);
    EXPECT_EQ(s.GetCountSetting(), 50);
    EXPECT_EQ(s.GetAntenna(), FakeAntenna());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.GetMarker(i)->GetId(), i);
    EXPECT_EQ(s.GetMarker(6), nullptr);
    EXPECT_EQ(s.GetMarkerState(6), -1);
    EXPECT_EQ(s.GetDisplayName(), u"General SA");
    EXPECT_EQ(s.GetBandwidthSettings()->GetRbwIndex(), 8u);
}

TEST(MeasSetup, PowerMeterDefaults) {
    CPowerMeasSetup s;
    EXPECT_EQ(s.GetMeasurementClass(), 3);
    EXPECT_EQ(s.GetMeasurementId(), 10);
    EXPECT_EQ(s.GetMeasurementNameId(), 870);
    EXPECT_EQ(s.GetMeasureUnit(), 6);
    EXPECT_EQ(s.GetPowerSetting(), 1);
    EXPECT_EQ(s.GetStateWord(), 256);
    EXPECT_EQ(s.GetAntenna(), nullptr);  // no environment, no antenna list
    EXPECT_FALSE(s.Save());
    EXPECT_FALSE(s.QuickSave());
    EXPECT_FALSE(s.Load(u"\\FlashFX Disk\\x.tws"));
    ChangeCounter changes(s);
    s.SetPowerSetting(2);
    s.SetPowerSetting(2);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(s.GetStateWord(), 512);
}

TEST(MeasSetup, StepsAndLimits) {
    struct Case {
        const char* what;
        void (*act)(CMeasSetup&);
        double (*read)(CMeasSetup&);
        double expected;
    };
    auto avg = [](CMeasSetup& s) { return double(s.GetAveragingCount()); };
    auto hold = [](CMeasSetup& s) { return double(s.GetPeakHold()); };
    auto thr = [](CMeasSetup& s) { return double(s.GetThreshold()); };
    auto pct = [](CMeasSetup& s) { return double(s.GetThresholdPercent()); };
    auto pts = [](CMeasSetup& s) { return double(s.GetDataPoints()); };
    auto att = [](CMeasSetup& s) { return s.GetAttenuationLevel(); };
    auto pre = [](CMeasSetup& s) { return s.GetPreampLevel(); };
    auto step = [](CMeasSetup& s) { return s.GetReferenceStepping(); };
    auto lvl = [](CMeasSetup& s) { return s.GetLevel(); };
    auto zst = [](CMeasSetup& s) { return double(s.GetZeroSpanTime()); };
    auto play = [](CMeasSetup& s) { return double(s.GetPlayTime()); };
    auto side = [](CMeasSetup& s) { return double(s.GetSidebandFrequency()); };
    auto vol = [](CMeasSetup& s) { return double(s.GetVolumeType()); };
    const Case cases[] = {
        {"cycle 1409", [](CMeasSetup& s) { s.SetDataPoints(1409), s.CycleDataPoints(); }, pts, 177},
        {"cycle 500 stays", [](CMeasSetup& s) { s.SetDataPoints(500), s.CycleDataPoints(); }, pts,
         500},
        {"points below range", [](CMeasSetup& s) { s.SetDataPoints(176); }, pts, 705},
        {"points above range", [](CMeasSetup& s) { s.SetDataPoints(11266); }, pts, 705},
        {"avg wraps at 1024",
         [](CMeasSetup& s) { s.SetAveragingCount(1024), s.IncAveragingCount(1025); }, avg, 2},
        {"avg stops at 1024",
         [](CMeasSetup& s) { s.SetAveragingCount(512), s.IncAveragingCount(1025); }, avg, 1024},
        {"avg floor", [](CMeasSetup& s) { s.DecAveragingCount(1); }, avg, 2},
        {"hold wraps at 50", [](CMeasSetup& s) { s.SetPeakHold(50), s.IncPeakHold(51); }, hold, 1},
        {"hold floor", [](CMeasSetup& s) { s.DecPeakHold(0); }, hold, 1},
        {"threshold high", [](CMeasSetup& s) { s.SetThreshold(100); }, thr, 0},
        {"threshold low", [](CMeasSetup& s) { s.SetThreshold(-800); }, thr, -700},
        {"percent high", [](CMeasSetup& s) { s.SetThresholdPercent(1200); }, pct, 1000},
        {"percent negative", [](CMeasSetup& s) { s.SetThresholdPercent(-5); }, pct, 0},
        {"percent dec past 0", [](CMeasSetup& s) { s.DecThresholdPercent(990); }, pct, 0},
        {"att inc at top stays", [](CMeasSetup& s) { s.IncAttenuationLevel(false); }, att, 30},
        {"att inc at top wraps", [](CMeasSetup& s) { s.IncAttenuationLevel(true); }, att, 0},
        {"att dec", [](CMeasSetup& s) { s.DecAttenuationLevel(false); }, att, 20},
        {"att not in table",
         [](CMeasSetup& s) { s.SetAttenuationLevel(15), s.DecAttenuationLevel(false); }, att, 30},
        {"preamp mode 0", [](CMeasSetup& s) { s.SetPreampMode(0); }, pre, 24},
        {"preamp dec wraps", [](CMeasSetup& s) { s.DecPreampLevel(true); }, pre, 24},
        {"stepping next wraps",
         [](CMeasSetup& s) { s.SetReferenceStepping(15), s.NextReferenceStepping(); }, step, 1},
        {"stepping prev", [](CMeasSetup& s) { s.PrevReferenceStepping(); }, step, 5},
        {"stepping inc wraps", [](CMeasSetup& s) { s.IncReferenceStepping(true, 6); }, step, 1},
        {"stepping dec stops", [](CMeasSetup& s) { s.DecReferenceStepping(false, 20); }, step, 1},
        {"stepping set clamps", [](CMeasSetup& s) { s.SetReferenceStepping(40); }, step, 15},
        {"level high", [](CMeasSetup& s) { s.IncLevel(400); }, lvl, 300},
        {"level low", [](CMeasSetup& s) { s.DecLevel(1); }, lvl, -50},
        {"zero span 0 clamps", [](CMeasSetup& s) { s.SetZeroSpanTime(0); }, zst, 1},
        {"play time 999 resets", [](CMeasSetup& s) { s.SetPlayTime(999); }, play, 5000},
        {"sideband 0 resets", [](CMeasSetup&) {}, side, 95500000},
        {"sideband too high", [](CMeasSetup& s) { s.SetSidebandFrequency(3600000001ull); }, side,
         95500000},
        {"volume above 100", [](CMeasSetup& s) { s.SetVolumeType(101); }, vol, 50},
    };
    for (const Case& c : cases) {
        CSAMeasSetup s;
        c.act(s);
        EXPECT_DOUBLE_EQ(c.read(s), c.expected) << c.what;
    }
    CSAMeasSetup s;
    s.SetAttenuationLevel(10);
    EXPECT_EQ(s.GetPreviousAttenuationLevel(), 30.0);
    EXPECT_FLOAT_EQ(s.GetThresholdDb(), -50.0f);
}

TEST(MeasSetup, ReferenceLevelFollowsTheAmplitudeOffset) {
    CSAMeasSetup s;
    s.SetAmplitudeOffset(10);
    s.AddReferenceLevel(false, 100);
    EXPECT_NEAR(Dbm(s), 40.0, 1e-9);
    s.AddReferenceLevel(true, 1);  // past the top wraps to the bottom
    EXPECT_NEAR(Dbm(s), -130.0, 1e-9);
    s.SubtractReferenceLevel(false, 5);
    EXPECT_NEAR(Dbm(s), -130.0, 1e-9);

    // Raising the offset drags the level up with it.
    EXPECT_DOUBLE_EQ(s.IncAmplitudeOffset(95), 90.0);
    EXPECT_EQ(s.GetAmplitudeOffset(), 100.0);
    EXPECT_NEAR(Dbm(s), -40.0, 1e-9);
    EXPECT_EQ(s.IncAmplitudeOffset(1), 0.0);
    EXPECT_DOUBLE_EQ(s.DecAmplitudeOffset(250), 200.0);
    EXPECT_EQ(s.GetAmplitudeOffset(), -100.0);
    EXPECT_NEAR(Dbm(s), -70.0, 1e-9);

    // A direct set is kept in range too; non-positive watts are refused.
    EXPECT_TRUE(s.SetReferenceLevel(1000.0));
    EXPECT_NEAR(Dbm(s), -70.0, 1e-9);
    EXPECT_FALSE(s.SetReferenceLevel(0.0));
    EXPECT_FALSE(s.SetReferenceLevel(-1.0));
    EXPECT_FALSE(s.SetReferenceLevel(NAN));
    EXPECT_NEAR(Dbm(s), -70.0, 1e-9);
}

TEST(MeasSetup, NotifiesOncePerRealChange) {
    struct Case {
        const char* what;
        void (*act)(CMeasSetup&);
        int notifications;
    };
    const Case cases[] = {
        {"same count", [](CMeasSetup& s) { s.SetCountSetting(50); }, 0},
        {"new count", [](CMeasSetup& s) { s.SetCountSetting(51); }, 1},
        {"same detector", [](CMeasSetup& s) { s.SetDetectionMode(3); }, 0},
        {"refused detector", [](CMeasSetup& s) { s.SetDetectionMode(4); }, 0},
        {"new detector twice", [](CMeasSetup& s) { s.SetDetectionMode(1), s.SetDetectionMode(1); },
         1},
        {"same trigger mode", [](CMeasSetup& s) { s.SetTriggerMode(3); }, 0},
        {"new trigger mode", [](CMeasSetup& s) { s.SetTriggerMode(0); }, 1},
        {"same channel width", [](CMeasSetup& s) { s.SetChannelWidth(360000000); }, 0},
        {"offset with clamp", [](CMeasSetup& s) { s.SetAmplitudeOffset(-60); }, 1},
        {"reset to defaults", [](CMeasSetup& s) { s.ResetToDefaults(); }, 1},
        {"preamp mode", [](CMeasSetup& s) { s.SetPreampMode(0); }, 1},
        {"same preamp mode", [](CMeasSetup& s) { s.SetPreampMode(1); }, 0},
        {"marker state", [](CMeasSetup& s) { s.SetMarkerState(2, 1), s.SetMarkerState(2, 1); }, 1},
        {"rbw step", [](CMeasSetup& s) { s.GetBandwidthSettings()->StepRbwDown(); }, 1},
        {"no-notify setter", [](CMeasSetup& s) { s.SetUpperLimitValue(5); }, 0},
        {"att at top", [](CMeasSetup& s) { s.IncAttenuationLevel(false); }, 0},
        {"reference level clamped to same", [](CMeasSetup& s) { s.AddReferenceLevel(false, 50); },
         1},
    };
    for (const Case& c : cases) {
        CSAMeasSetup s;
        ChangeCounter changes(s);
        c.act(s);
        EXPECT_EQ(changes.count, c.notifications) << c.what;
        EXPECT_EQ(s.GetStateWord(), c.notifications ? 512 : 256) << c.what;
        EXPECT_EQ(s.IsChanged(), c.notifications > 0) << c.what;
    }
    // Setting the level at its maximum again is not a change.
    CSAMeasSetup s;
    s.AddReferenceLevel(false, 50);
    ChangeCounter changes(s);
    s.AddReferenceLevel(false, 5);
    EXPECT_TRUE(s.SetReferenceLevel(100.0));
    EXPECT_EQ(changes.count, 0);
    // The state word stays 512 once changed; NotifyChanged(false) clears only the flag.
    s.NotifyChanged(false);
    EXPECT_FALSE(s.IsChanged());
    EXPECT_EQ(s.GetStateWord(), 512);
}

TEST(MeasSetup, OutOfRangeEnumerationsKeepTheOldValue) {
    CSAMeasSetup s;
    EXPECT_FALSE(s.SetMeasureUnit(31));
    EXPECT_FALSE(s.SetMeasureUnit(-1));
    EXPECT_EQ(s.GetMeasureUnit(), 0);
    EXPECT_TRUE(s.SetMeasureUnit(8));
    EXPECT_EQ(s.GetReferenceValue()->GetUnit(), 8u);
    EXPECT_FALSE(s.SetDetectionMode(-1));
    EXPECT_FALSE(s.SetAveragingMode(2));
    EXPECT_FALSE(s.SetPeakHoldMode(3));
    EXPECT_FALSE(s.SetAttenuationMode(2));
    EXPECT_FALSE(s.SetPreampMode(2));
    EXPECT_FALSE(s.SetThresholdMode(2));
    EXPECT_FALSE(s.SetModulationType(0));
    EXPECT_FALSE(s.SetModulationType(6));
    EXPECT_FALSE(s.SetWaterfallMode(4));
    EXPECT_FALSE(s.SetTriggerMode(6));
    EXPECT_FALSE(s.SetMarkerSearchMode(2));
    EXPECT_FALSE(s.SetMeasurementId(24));
    EXPECT_EQ(s.GetMeasurementId(), 20);
    EXPECT_EQ(s.GetMeasurementNameId(), 871);
    EXPECT_EQ(s.GetDetectionMode(), 3);
    EXPECT_EQ(s.GetAveragingMode(), 0);
    EXPECT_EQ(s.GetPeakHoldMode(), 0);
    EXPECT_EQ(s.GetModulationType(), -1);
    EXPECT_EQ(s.GetTriggerMode(), 3);
    EXPECT_EQ(s.GetStateWord(), 512);  // only the unit change counted
    EXPECT_TRUE(s.SetModulationType(5));
    EXPECT_TRUE(s.SetMeasurementId(22));
    EXPECT_EQ(s.GetMeasurementNameId(), 875);
    EXPECT_EQ(s.GetMeasurementCode(), 203);
    EXPECT_EQ(s.GetDefaultNameId(), 636);
}

TEST(MeasSetup, BandKeepsTheBandwidthBlockOnTheLiveRange) {
    CSAMeasSetup s;
    CChoiceBlock* bandwidth = s.GetBandwidthSettings();
    const CFrequencyRange* old_range = s.GetFrequencyRange();
    FakeBand band;
    ChangeCounter changes(s);
    s.SetBand(&band);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(band.uses, 1);
    CFrequencyRange* range = s.GetFrequencyRange();
    EXPECT_NE(range, old_range);
    EXPECT_EQ(range->GetStart(), 880000000u);
    EXPECT_EQ(range->GetSpan(), 40000000u);
    // The block re-couples with the new range's span (40 MHz / 300 -> 100 kHz).
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth->GetRbwIndex()), 100000u);
    range->SetSpan(3000000, true);
    bandwidth->ApplyToOwner();  // reads the setup's current range
    EXPECT_EQ(CChoiceBlock::RbwHertz(bandwidth->GetRbwIndex()), 10000u);

    s.SetChannelNumber(101);
    changes.count = 0;
    s.ApplyChannel();
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(s.GetFrequencyRange()->GetCentre(), 890200000u);
    // Three channel bandwidths around the channel; the centre distance is
    // one bandwidth, not the channel spacing.
    EXPECT_EQ(s.GetFrequencyRange()->GetSpan(), 600000u);
    EXPECT_EQ(s.GetCenterDistance(), 200000u);
    EXPECT_EQ(s.GetBandValue(3), 3000u + 705u);

    s.SetBand(nullptr);
    EXPECT_EQ(s.GetBand(), nullptr);
    EXPECT_EQ(s.GetBandValue(3), 0u);
}

TEST(MeasSetup, FrequencyRangeReplacedOrHandedBack) {
    CSAMeasSetup s;
    s.SetFrequencyRange(std::make_unique<CFrequencyRange>(0, 1000000, 31000000));
    EXPECT_EQ(CChoiceBlock::RbwHertz(s.GetBandwidthSettings()->GetRbwIndex()), 100000u);
    // Handing the setup its own range keeps it alive.
    CFrequencyRange* own = s.GetFrequencyRange();
    s.SetFrequencyRange(std::unique_ptr<CFrequencyRange>(own));
    EXPECT_EQ(s.GetFrequencyRange(), own);
    EXPECT_EQ(own->GetStop(), 31000000u);
}

TEST(MeasSetup, ChannelWidthsFitTheSpan) {
    CSAMeasSetup s;
    s.SetFrequencyRange(std::make_unique<CFrequencyRange>(0, 100000000, 130000000));  // 30 MHz
    EXPECT_EQ(s.GetChannelWidth(), 30000000u);  // validated to the span
    s.SetChannelWidth(1);
    EXPECT_EQ(s.GetChannelWidth(), 300000u);  // span / 100
    s.SetAdjChannelWidth(10000000);
    s.SetCenterDistance(15000000);
    EXPECT_FALSE(s.FitCenterDistanceToSpan());
    EXPECT_EQ(s.GetCenterDistance(), 10000000u);
    s.SetCenterDistance(12000000);
    EXPECT_FALSE(s.FitAdjWidthToSpan());
    EXPECT_EQ(s.GetAdjChannelWidth(), 6000000u);
    EXPECT_TRUE(s.FitAdjWidthToSpan());
    s.SetAdjChannelWidth(40000000);
    EXPECT_FALSE(s.FitCenterDistanceToSpan());
    EXPECT_EQ(s.GetAdjChannelWidth(), 10000000u);
    EXPECT_EQ(s.GetCenterDistance(), 10000000u);
    s.IncCenterDistance(100000000);
    EXPECT_EQ(s.GetCenterDistance(), s.GetMaxCenterDistance());
    s.DecAdjChannelWidth(100000000);
    EXPECT_EQ(s.GetAdjChannelWidth(), 300000u);
    s.ResetChannelWidths();
    EXPECT_EQ(s.GetChannelWidth(), 10000000u);
}

TEST(MeasSetup, NamesHelpAndDisplayName) {
    CSAMeasSetup s;
    EXPECT_EQ(s.GetPropertyHelpId(22), 64420);
    EXPECT_EQ(s.GetPropertyHelpId(0), 64406);
    EXPECT_EQ(s.GetPropertyHelpId(45), 64425);
    EXPECT_EQ(s.GetPropertyHelpId(4), -1);
    EXPECT_EQ(s.GetDefaultNameId(), 634);
    EXPECT_EQ(CMeasSetup::GetSAMeasurementName(5), u"Invalid Measurement");
    EXPECT_EQ(CMeasSetup::GetVNAMeasurementDescription(6), u"Invalid Measurement");
    CPowerMeasSetup p;
    EXPECT_EQ(p.GetClassName(), u"Extended Mode Name");
    EXPECT_EQ(p.GetMeasurementName(), u"Invalid Measurement");
    EXPECT_EQ(p.GetMeasurementCode(), 301);

    struct Case {
        const char16_t* path;
        const char16_t* name;
    };
    const Case cases[] = {
        {u"\\FlashFX Disk\\My Setups\\abc.tws", u"abc"},
        {u"\\FlashFX Disk\\My Setups\\abc", u"abc"},
        {u"abc.tws", u"abc"},
        {u"abc", u"abc"},
        {u"\\dir.x\\abc", u"abc"},
    };
    s.SetNamedFromFile(true);
    for (const Case& c : cases) {
        s.SetFilePath(c.path);
        EXPECT_EQ(s.GetDisplayName(), c.name);
    }
}

TEST(MeasSetup, ChainOfSetups) {
    auto first = std::make_unique<CSAMeasSetup>();
    first->Append(std::make_unique<CPowerMeasSetup>());
    auto third = std::make_unique<CSAMeasSetup>();
    third->SetMeasurementId(22);
    CMeasSetup* third_ptr = third.get();
    first->Append(std::move(third));
    EXPECT_EQ(CMeasSetup::CountChain(first.get()), 3);
    EXPECT_EQ(CMeasSetup::CountChain(nullptr), 0);
    EXPECT_EQ(first->FindById(22), third_ptr);
    EXPECT_EQ(first->FindById(99), nullptr);
    EXPECT_EQ(first->CountByClassAndId(2, 20), 1);
    EXPECT_EQ(first->FindByClassAndId(3, 10), first->GetNext());
    std::unique_ptr<CMeasSetup> rest = first->SetNext(nullptr);
    EXPECT_EQ(CMeasSetup::CountChain(first.get()), 1);
    EXPECT_EQ(CMeasSetup::CountChain(rest.get()), 2);

    // A long sequence is freed without deep recursion.
    auto head = std::make_unique<CPowerMeasSetup>();
    CMeasSetup* tail = head.get();
    for (int i = 0; i < 20000; ++i) {
        tail->SetNext(std::make_unique<CPowerMeasSetup>());
        tail = tail->GetNext();
    }
    head.reset();
}

TEST(MeasSetup, QuickSaveBackupAndLoad) {
    TempDeviceRoot root;
    plat::SystemTime t{};
    t.year = 2026;
    t.month = 12;
    t.day = 8;
    t.hour = 7;
    t.minute = 55;
    t.second = 30;
    ASSERT_TRUE(plat::set_local_time(t));

    WithFakeFile<CSAMeasSetup> s;
    s.SetCountSetting(7);
    ASSERT_TRUE(s.QuickSave());
    EXPECT_EQ(s.GetSetupLabel(), u"General SA(12-08 07-55-30)");
    EXPECT_EQ(s.GetDateText(), u"12/08/2026 07:55:30");
    EXPECT_EQ(s.GetFilePath(), u"\\FlashFX Disk\\My Setups\\General SA(12-08 07-55-30).tws");
    ASSERT_EQ(s.log.written.size(), 1u);
    EXPECT_EQ(s.log.written[0], s.GetFilePath());
    EXPECT_FALSE(s.IsChanged());
    EXPECT_EQ(s.GetStateWord(), 512);

    s.log.write_ok = false;
    s.SetCountSetting(8);
    EXPECT_FALSE(s.SaveBackup());
    EXPECT_TRUE(s.IsChanged());  // a failed save keeps the flag
    EXPECT_EQ(s.GetFilePath(), CSAMeasSetup::kBackupPath);
    EXPECT_EQ(s.GetSetupLabel(), u"Backup SA");

    s.log.read_ok = false;
    EXPECT_FALSE(s.LoadFactory());
    EXPECT_EQ(s.GetFilePath(), CSAMeasSetup::kBackupPath);
    s.log.read_ok = true;
    EXPECT_TRUE(s.LoadFactory());
    EXPECT_EQ(s.GetFilePath(), CSAMeasSetup::kFactoryPath);

    std::ofstream(root.path() / "FlashFX Disk" / "old.tws") << "x";
    EXPECT_TRUE(CMeasSetup::DeleteFile(u"\\FlashFX Disk\\OLD.tws"));
    EXPECT_FALSE(std::filesystem::exists(root.path() / "FlashFX Disk" / "old.tws"));
    EXPECT_FALSE(CMeasSetup::DeleteFile(u"\\FlashFX Disk\\old.tws"));
    EXPECT_TRUE(CMeasSetup::DeleteFile(u""));
}

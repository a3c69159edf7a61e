#include "files/vna_meas_setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "core/units.h"
#include "setup_test_support.h"

namespace {

std::vector<uint8_t> Pattern(uint32_t points, uint8_t seed) {
    std::vector<uint8_t> bytes(size_t{points} * 8);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed + i);
    return bytes;
}

}  // namespace

TEST(VnaSetup, DefaultsWithAndWithoutACableList) {
    FakeEnvironment lists(true, true);
    CVNAMeasSetup s(&lists);
    EXPECT_EQ(s.GetMeasurementClass(), 1);
    EXPECT_EQ(s.GetMeasurementId(), 1);
    EXPECT_EQ(s.GetMeasurementNameId(), 872);
    EXPECT_EQ(s.GetStateWord(), 512);  // a new network analyzer setup reports a change
    EXPECT_TRUE(s.IsChanged());
    EXPECT_EQ(s.GetMeasureUnit(), 22);
    EXPECT_EQ(s.GetCableType(), FakeCable());
    EXPECT_EQ(s.GetFrequencyRange()->GetLowerLimit(), CFrequencyRange::GetLowLimit2(true));
    EXPECT_EQ(s.GetFrequencyRange()->GetMinSpan(), 100000u);
    EXPECT_EQ(s.GetBandwidthSettings()->GetRbwIndex(), 6u);
    EXPECT_EQ(s.GetBandwidthSettings()->GetRbwMode(), CChoiceBlock::kModeManual);
    EXPECT_EQ(s.GetMaximumLevel(), 0.0);
    EXPECT_EQ(s.GetMinimumLevel(), -100.0);
    EXPECT_EQ(s.GetGainMaximumLevel(), 60.0);
    EXPECT_EQ(s.GetGainMinimumLevel(), -140.0);
    EXPECT_FLOAT_EQ(s.GetDtfVp(), 0.89f);
    EXPECT_FLOAT_EQ(s.GetDtfStartRaw(), 0.1f);
    EXPECT_FLOAT_EQ(s.GetDtfStopRaw(), 28.678f);
    EXPECT_TRUE(s.GetIfImmunity());
    EXPECT_EQ(s.GetDistanceUnit(), 27);
    EXPECT_EQ(s.GetDtfLossUnit(), 29);
    EXPECT_EQ(s.GetCableLoss(), 0.0f);
    EXPECT_EQ(s.GetTwoPortAvgGain(), 0.0f);
    EXPECT_EQ(s.GetDataStore(), nullptr);
    EXPECT_EQ(s.GetVersionWord(), 4);
    EXPECT_EQ(s.GetDefaultNameId(), 627);
    EXPECT_EQ(s.GetPropertyHelpId(39), 64434);

    // No cable list loaded: the setup works without a cable type.
    FakeEnvironment none(false);
    CVNAMeasSetup bare(&none);
    EXPECT_EQ(bare.GetCableType(), nullptr);
    EXPECT_EQ(bare.GetFrequencyRange()->GetLowerLimit(), CFrequencyRange::GetLowLimit2(false));
    CVNAMeasSetup no_application;
    EXPECT_EQ(no_application.GetCableType(), nullptr);
}

TEST(VnaSetup, DataPointsFollowThePointTable) {
    struct Case {
        int32_t set;
        int32_t stored;
    };
    const Case cases[] = {{100, 177}, {705, 705}, {20000, 11265}, {-5, 12}, {706, 1409}};
    for (const Case& c : cases) {
        CVNAMeasSetup s;
        EXPECT_TRUE(s.SetDataPoints(c.set));
        EXPECT_EQ(s.GetDataPoints(), c.stored) << c.set;
    }
    CVNAMeasSetup s;
    s.SetDataPoints(11265);
    s.CycleDataPoints();
    EXPECT_EQ(s.GetDataPoints(), 11265);
    s.SetDataPoints(12);
    s.StepDataPointsDown();
    EXPECT_EQ(s.GetDataPoints(), 12);
    s.CycleDataPoints();
    EXPECT_EQ(s.GetDataPoints(), 23);
    s.SetDataPoints(353);
    EXPECT_EQ(s.GetDataPoints(), 353);
    s.SetCalibrating();
    EXPECT_EQ(s.GetDataPoints(), 705);
    s.ClearCalibrating();
    EXPECT_EQ(s.GetDataPoints(), 353);
    EXPECT_EQ(CVNAMeasSetup::FindStepIndex(99999), 10u);
}

TEST(VnaSetup, PowerOutputAndScales) {
    CVNAMeasSetup s;
    s.SetPowerOutput(15);
    EXPECT_EQ(s.GetPowerOutput(), 10.0);
    s.SetPowerOutput(-30);
    EXPECT_EQ(s.GetPowerOutput(), -20.0);
    ASSERT_TRUE(s.SetMeasurementId(4));
    s.SetPowerOutput(-30);
    EXPECT_EQ(s.GetPowerOutput(), -30.0);
    EXPECT_EQ(s.GetAmplitudeTopLimit(), 60.0);
    EXPECT_EQ(s.GetAmplitudeBottomLimit(), -140.0);
    EXPECT_EQ(s.GetMeasureUnit(), 20);
    EXPECT_FALSE(s.SetMeasureUnit(21));  // the two-port measurement keeps its unit
    ASSERT_TRUE(s.SetMeasurementId(1));
    EXPECT_EQ(s.GetPowerOutput(), -20.0);  // the one-port value

    ASSERT_TRUE(s.SetOnePortMeasureUnit(20));
    s.SetMinimumLevel(-100);
    EXPECT_DOUBLE_EQ(s.ClampAmplitudeTop(-99.5), -99.0);
    EXPECT_DOUBLE_EQ(s.ClampAmplitudeTop(5), 0.0);
    s.SetMaximumLevel(-50);
    EXPECT_DOUBLE_EQ(s.ClampAmplitudeBottom(-49.5), -51.0);
    EXPECT_DOUBLE_EQ(s.ClampAmplitudeBottom(-150), -100.0);
}

TEST(VnaSetup, UnitConversionSwapsForMatchEfficiency) {
    CVNAMeasSetup s;
    ASSERT_TRUE(s.SetOnePortMeasureUnit(20));
    s.SetMaximumLevel(-1.0);
    s.SetMinimumLevel(-30.0);
    ASSERT_TRUE(s.SetMeasureUnit(24));
    double from_top = ConvertReflectionUnit(-1.0, 24, 20);
    double from_bottom = ConvertReflectionUnit(-30.0, 24, 20);
    EXPECT_DOUBLE_EQ(s.GetMinimumLevel(), from_top);  // the old top is the new bottom
    EXPECT_DOUBLE_EQ(s.GetMaximumLevel(), from_bottom);
    EXPECT_LT(s.GetMinimumLevel(), s.GetMaximumLevel());

    EXPECT_FALSE(s.SetMeasureUnit(19));
    EXPECT_FALSE(s.SetMeasureUnit(26));
    EXPECT_FALSE(s.SetOnePortMeasureUnit(0));
    EXPECT_EQ(s.GetMeasureUnit(), 24);
}

TEST(VnaSetup, DistanceToFault) {
    CVNAMeasSetup s;
    s.GetFrequencyRange()->SetLimits(0, 3600000000ull, 100000);
    s.SetFrequencyRange(std::make_unique<CFrequencyRange>(0, 1000000000, 2000000000));
    EXPECT_NEAR(s.GetDistanceResolution(), 0.1334, 1e-4);
    EXPECT_NEAR(s.GetMaxDistance(), 93.9, 0.05);
    EXPECT_NEAR(s.GetMaxDistance(), 704 * 0.89 * 149896224.0 / 1e9, 1e-3);

    ChangeCounter changes(s);
    s.SetDtfStart(0.05f);
    EXPECT_FLOAT_EQ(s.GetDtfStartRaw(), 0.1f);
    EXPECT_EQ(changes.count, 1);
    s.SetDtfStart(0.1f);  // no change, no notification
    EXPECT_EQ(changes.count, 1);
    s.SetDtfStart(20.0f);
    s.SetDtfStop(15.0f);  // below start + 0.1 pulls the start down
    EXPECT_FLOAT_EQ(s.GetDtfStopRaw(), 15.0f);
    EXPECT_NEAR(s.GetDtfStartRaw(), 14.9f, 1e-5);
    s.SetDtfStop(500.0f);
    EXPECT_FLOAT_EQ(s.GetDtfStopRaw(), s.GetMaxDistance());
    s.SetDtfStart(500.0f);
    EXPECT_NEAR(s.GetDtfStartRaw(), s.GetMaxDistance() - 0.1f, 1e-4);

    s.SetDistanceUnit(false);
    EXPECT_NEAR(s.GetDtfStop(), MetresToFeet(s.GetDtfStopRaw()), 1e-3);
    s.SetDtfStop(10.0f);  // feet
    EXPECT_NEAR(s.GetDtfStopRaw(), FeetToMetres(10.0), 1e-4);
    s.SetDtfLoss(0.0f);
    s.IncDtfLoss(1.0f);  // 1 dB per foot
    EXPECT_NEAR(s.GetDtfLoss(), MetresToFeet(1.0), 1e-5);
    s.IncDtfLoss(100.0f);
    EXPECT_EQ(s.GetDtfLoss(), 20.0f);
    s.DecDtfLoss(100.0f);
    EXPECT_EQ(s.GetDtfLoss(), 0.0f);

    s.SetDtfVp(0.89f);
    s.IncDtfVp(0.2f);
    EXPECT_FLOAT_EQ(s.GetDtfVp(), 1.0f);
    s.SetDtfVp(0.89f);
    s.DecDtfVp(0.85f);
    EXPECT_FLOAT_EQ(s.GetDtfVp(), 0.1f);
    EXPECT_FALSE(s.SetDtfSmoothing(4));
    EXPECT_FALSE(s.SetDcBiasType(2));

    // Fewer points shrink the maximum distance; the stop follows.
    s.SetDistanceUnit(true);
    s.SetDtfVp(0.89f);
    s.SetDtfStop(90.0f);
    s.SetDataPoints(177);
    EXPECT_FLOAT_EQ(s.GetDtfStopRaw(), s.GetMaxDistance());
    s.CycleDataPoints();
    s.SetDtfStop(40.0f);
    s.StepDataPointsDown();
    EXPECT_EQ(s.GetDataPoints(), 177);
    EXPECT_FLOAT_EQ(s.GetDtfStopRaw(), s.GetMaxDistance());
    EXPECT_LE(s.GetDtfStartRaw() + 0.1f, s.GetDtfStopRaw() + 1e-5f);
}

TEST(VnaSetup, DistanceLimitsHoldWithoutASpan) {
    CVNAMeasSetup s;
    s.GetFrequencyRange()->Set(100000000, 100000000, 100000001, 0, 0);  // no usable span
    s.SetDtfStop(0.0f);
    s.SetDtfStart(50.0f);
    EXPECT_GE(s.GetDtfStartRaw(), 0.1f);
    EXPECT_GE(s.GetDtfStopRaw(), s.GetDtfStartRaw() + 0.1f - 1e-6f);
}

TEST(VnaSetup, StoringATermForANewSweepInvalidatesTheOldOnes) {
    CVNADataStore store;
    auto a = Pattern(705, 1), b = Pattern(705, 2);
    for (auto set : {&CVNADataStore::SetER, &CVNADataStore::SetES, &CVNADataStore::SetED,
                     &CVNADataStore::SetET, &CVNADataStore::SetEX}) {
        ASSERT_TRUE((store.*set)(a.data(), 705, 1000, 2000, 0.0, 0));
    }
    EXPECT_TRUE(store.HasOnePort());
    EXPECT_TRUE(store.IsValidFor(705, 1000, 2000, 0.0, 1, true));
    std::vector<uint8_t> out(705 * 8);
    ASSERT_TRUE(store.GetES(out.data()));
    EXPECT_EQ(out, a);

    ASSERT_TRUE(store.SetER(b.data(), 705, 1001, 2000, 0.0, 0));  // another start
    for (auto term : {CVNADataStore::ES, CVNADataStore::ED, CVNADataStore::ET, CVNADataStore::EX})
        EXPECT_FALSE(store.IsTermValid(term));
    EXPECT_FALSE(store.GetER(out.data()));  // until ES and ED follow
    ASSERT_TRUE(store.SetES(a.data(), 705, 1001, 2000, 0.0, 0));
    ASSERT_TRUE(store.SetED(a.data(), 705, 1001, 2000, 0.0, 0));
    ASSERT_TRUE(store.GetER(out.data()));
    EXPECT_EQ(out, b);

    // Another power, another point count: also a new sweep.
    ASSERT_TRUE(store.SetET(a.data(), 705, 1001, 2000, -10.0, 1));
    EXPECT_FALSE(store.HasOnePort());
    ASSERT_TRUE(store.SetET(a.data(), 353, 1001, 2000, -10.0, 1));
    EXPECT_EQ(store.GetPointCount(), 353u);
    EXPECT_EQ(store.TermBytes(CVNADataStore::ER).size(), 353u * 8);
    EXPECT_FALSE(store.SetEX(nullptr, 353, 1001, 2000, -10.0, 1));

    store.Clear();
    EXPECT_EQ(store.GetCalInfo(), (CalTermInfo{705, 0, 3600000000ull, 0.0, 0}));

    // After Free the next term brings its own arrays.
    store.Free();
    EXPECT_FALSE(store.GetET(out.data()));
    ASSERT_TRUE(store.SetET(a.data(), 705, 0, 3600000000ull, 0.0, 1));
    ASSERT_TRUE(store.GetET(out.data()));
    EXPECT_EQ(out, a);
}

TEST(VnaSetup, CalibrationThroughTheSetup) {
    CVNADataStore store;
    CVNAMeasSetup s(nullptr, &store);
    s.GetFrequencyRange()->SetLimits(0, 3600000000ull, 100000);
    s.SetFrequencyRange(std::make_unique<CFrequencyRange>(0, 500000000, 1500000000));
    s.SetDataPoints(353);
    auto term = Pattern(705, 7);
    EXPECT_FALSE(s.IsCalValid(false));
    ASSERT_TRUE(s.SetReflectionTracking(term.data()));
    ASSERT_TRUE(s.SetSourceMatch(term.data()));
    ASSERT_TRUE(s.SetDirectivity(term.data()));
    // The calibration holds 705 points, the sweep 353 of them.
    EXPECT_EQ(s.GetSweepCalInfo().points, 705u);
    EXPECT_TRUE(s.IsCalValid(false));
    EXPECT_TRUE(s.IsOnePortCalValid(true));
    EXPECT_TRUE(s.HasOnePortCal());
    std::vector<uint8_t> out(705 * 8);
    EXPECT_FALSE(s.GetIsolation(out.data()));
    ASSERT_TRUE(s.SetIsolation(term.data()));
    EXPECT_FALSE(s.GetIsolation(out.data()));  // only with transmission tracking
    ASSERT_TRUE(s.SetTransmissionTracking(term.data()));
    EXPECT_TRUE(s.GetIsolation(out.data()));
    s.SetPowerOutput(-5);
    EXPECT_FALSE(s.IsCalValid(false));
    EXPECT_TRUE(s.InvalidateCal());
    EXPECT_FALSE(s.HasOnePortCal());

    // A setup read for its properties has no store: every operation fails.
    CVNAMeasSetup bare;
    CalTermInfo info;
    EXPECT_FALSE(bare.SetReflectionTracking(term.data()));
    EXPECT_FALSE(bare.GetReflectionTracking(out.data()));
    EXPECT_FALSE(bare.GetCalInfo(info));
    EXPECT_FALSE(bare.IsCalValid(false));
    EXPECT_FALSE(bare.InvalidateCal());
}

TEST(VnaSetup, CalTermInfoIsPackedLittleEndian) {
    CalTermInfo info{0x11223344u, 0x0102030405060708ull, 0x1112131415161718ull, -2.5, 1};
    auto bytes = info.Serialize();
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[3], 0x11);
    EXPECT_EQ(bytes[4], 0x08);
    EXPECT_EQ(bytes[11], 0x01);
    EXPECT_EQ(bytes[12], 0x18);
    EXPECT_EQ(bytes[19], 0x11);
    double power;
    std::memcpy(&power, &bytes[20], 8);
    EXPECT_EQ(power, -2.5);
    EXPECT_EQ(bytes[28], 1);
    EXPECT_EQ(bytes[31], 0);
    EXPECT_EQ(CalTermInfo::Deserialize(bytes.data()), info);
}

TEST(VnaSetup, LoadBringsTheCalibrationOrClearsIt) {
    CVNADataStore store;
    WithFakeFile<CVNAMeasSetup> s(nullptr, &store);
    auto term = Pattern(705, 3);
    s.SetReflectionTracking(term.data());
    s.SetCalUploaded(true);

    s.SetHasCalFile(true);
    s.log.calibration_ok = false;
    ASSERT_TRUE(s.Load(u"\\FlashFX Disk\\My Setups\\a.tws"));
    EXPECT_EQ(s.log.calibration_loads, 1);
    EXPECT_FALSE(s.HasCalFile());
    EXPECT_FALSE(store.IsTermValid(CVNADataStore::ER));
    EXPECT_FALSE(s.IsCalUploaded());
    EXPECT_EQ(s.GetFilePath(), u"\\FlashFX Disk\\My Setups\\a.tws");

    s.SetReflectionTracking(term.data());
    s.SetHasCalFile(true);
    s.log.calibration_ok = true;
    ASSERT_TRUE(s.LoadBackup());
    EXPECT_TRUE(s.HasCalFile());
    EXPECT_TRUE(store.IsTermValid(CVNADataStore::ER));

    EXPECT_FALSE(s.Load(u"\\x.tws", false));
    s.log.read_ok = false;
    EXPECT_FALSE(s.Load(u"\\x.tws"));
    EXPECT_EQ(s.GetFilePath(), CVNAMeasSetup::kBackupPath);
}

TEST(VnaSetup, CalFileNamesStayInsideTheirFolder) {
    EXPECT_EQ(CVNAMeasSetup::CalFilePathFor(u"Site 1"), u"\\FlashFX Disk\\My Cals\\Site 1.cal");
    EXPECT_EQ(CVNAMeasSetup::CalFilePathFor(u"a\\b/c"), u"\\FlashFX Disk\\My Cals\\a_b_c.cal");
    EXPECT_FALSE(CVNAMeasSetup::CalFilePathFor(u"..\\..\\x"));
    EXPECT_FALSE(CVNAMeasSetup::CalFilePathFor(u""));

    TempDeviceRoot root;
    auto cals = root.path() / "FlashFX Disk" / "My Cals";
    std::ofstream(cals / "Site 1.cal") << "x";
    std::ofstream(root.path() / "FlashFX Disk" / "keep.cal") << "x";
    CVNAMeasSetup s;
    s.SetSetupLabel(u"Site 1");
    EXPECT_TRUE(s.DeleteCalFile());  // no calibration file: nothing to do
    EXPECT_TRUE(std::filesystem::exists(cals / "Site 1.cal"));
    s.SetHasCalFile(true);
    EXPECT_TRUE(s.DeleteCalFile());
    EXPECT_FALSE(std::filesystem::exists(cals / "Site 1.cal"));
    s.SetSetupLabel(u"..\\keep");
    EXPECT_FALSE(s.DeleteCalFile());
    EXPECT_TRUE(std::filesystem::exists(root.path() / "FlashFX Disk" / "keep.cal"));
}

TEST(VnaSetup, QuickSaveNamesAndResetToDefaultsKeepsTheVnaFields) {
    WithFakeFile<CVNAMeasSetup> s;
    ASSERT_TRUE(s.QuickSave());
    EXPECT_EQ(s.GetSetupLabel().rfind(u"General VNA(", 0), 0u);
    EXPECT_FALSE(s.IsChanged());
    ASSERT_TRUE(s.SaveBackup());
    EXPECT_EQ(s.log.written.back(), CVNAMeasSetup::kBackupPath);

    // The network analyzer's offset leaves the reference level alone.
    double level = s.GetReferenceLevelDbm();
    EXPECT_EQ(s.IncAmplitudeOffset(150), 100.0);
    EXPECT_EQ(s.GetReferenceLevelDbm(), level);
    s.SetAmplitudeOffset(-100);
    EXPECT_EQ(s.GetReferenceLevelDbm(), level);

    s.SetDtfVp(0.5f);
    s.ResetToDefaults();
    EXPECT_EQ(s.GetMeasurementId(), 0);
    EXPECT_FLOAT_EQ(s.GetDtfVp(), 0.5f);
}

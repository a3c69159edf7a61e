#include <gtest/gtest.h>

#include <cmath>

#include "core/params.h"
#include "core/units.h"

namespace {

// Conversions: value, target, source, expected, tolerance.
struct Conversion {
    const char* what;
    double (*convert)(double, uint32_t, uint32_t);
    double value;
    uint32_t target, source;
    double want, tolerance;
};

TEST(Units, ConversionsTable) {
    const Conversion cases[] = {
        {"0 dBm in dBuV", ConvertPowerUnit, 0, UNIT_DBUV, UNIT_DBM, 106.9897, 5e-5},
        {"0 dBm in dBmV", ConvertPowerUnit, 0, UNIT_DBMV, UNIT_DBM, 46.9897, 5e-5},
        {"1 W in dBm", ConvertPowerUnit, 1, UNIT_DBM, UNIT_W, 30, 1e-12},
        {"0 W in dBm", ConvertPowerUnit, 0, UNIT_DBM, UNIT_W, -300, 1e-9},
        {"1 kW in W", ConvertPowerUnit, 1, UNIT_W, UNIT_KW, 999.999952502551, 1e-9},
        {"1 W in fW", ConvertPowerUnit, 1, UNIT_FW, UNIT_W, 999999986991104.0, 1},
        {"1 mW in dBm", ConvertPowerUnit, 1, UNIT_DBM, UNIT_MW, 0, 1e-12},
        {"1 V in W", ConvertPowerUnit, 1, UNIT_W, UNIT_V, 0.02, 1e-15},
        {"0 dBV in mV", ConvertPowerUnit, 0, UNIT_MV, UNIT_DBV, 1000, 1e-9},
        {"RL -20 in VSWR", ConvertPowerUnit, -20, UNIT_VSWR, UNIT_RETURN_LOSS, 11.0 / 9.0, 1e-12},
        {"RL -20 in refl. coeff.", ConvertPowerUnit, -20, UNIT_REFL_COEFF, UNIT_RETURN_LOSS, 0.1,
         1e-12},
        {"RL 0 in VSWR", ConvertPowerUnit, 0, UNIT_VSWR, UNIT_RETURN_LOSS, 0, 0},
        {"RL in dBm", ConvertPowerUnit, -20, UNIT_DBM, UNIT_RETURN_LOSS, 1.0e-18, 0},
        {"equal codes", ConvertPowerUnit, 1.23456789, UNIT_KV, UNIT_KV, 1.23456789, 0},
        {"VSWR 1.5 in RL", ConvertReflectionUnit, 1.5, UNIT_RETURN_LOSS, UNIT_VSWR, -13.9794, 5e-5},
        {"VSWR 1 in RL", ConvertReflectionUnit, 1.0, UNIT_RETURN_LOSS, UNIT_VSWR, -100, 0},
        {"RL 0 in VSWR (bounded)", ConvertReflectionUnit, 0, UNIT_VSWR, UNIT_RETURN_LOSS, 200, 0},
        {"RL -20 in VSWR", ConvertReflectionUnit, -20, UNIT_VSWR, UNIT_RETURN_LOSS, 11.0 / 9.0,
         1e-12},
        {"rho 0.5 in match eff.", ConvertReflectionUnit, 0.5, UNIT_MATCH_EFF, UNIT_REFL_COEFF, 75,
         1e-12},
        {"rho 0.5 in refl. %", ConvertReflectionUnit, 0.5, UNIT_REFL_PERCENT, UNIT_REFL_COEFF, 25,
         1e-12},
        {"match eff. 75 in rho", ConvertReflectionUnit, 75, UNIT_REFL_COEFF, UNIT_MATCH_EFF, 0.5,
         1e-12},
        {"refl. 1e-9 in RL", ConvertReflectionUnit, 1e-9, UNIT_RETURN_LOSS, UNIT_REFL_COEFF, -100,
         0},
        {"source outside 20..25", ConvertReflectionUnit, 3, UNIT_VSWR, UNIT_DBM, 0, 0},
        {"0.2 m in ft", ConvertLength, 0.2, UNIT_FOOT, UNIT_METRE, 0.6561666658, 1e-12},
        {"ft in m", ConvertLength, 1, UNIT_METRE, UNIT_FOOT, 0.30480061, 1e-15},
        {"length, equal units", ConvertLength, 0.2, UNIT_METRE, UNIT_METRE, 0.2, 0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.convert(c.value, c.target, c.source), c.want, c.tolerance) << c.what;
    }
    EXPECT_DOUBLE_EQ(
        ConvertLossPerLength(1.0, SourceUnit{UNIT_DB_PER_METRE}, TargetUnit{UNIT_DB_PER_FOOT}),
        0.30480061);
    EXPECT_DOUBLE_EQ(
        ConvertLossPerLength(1.0, SourceUnit{UNIT_DB_PER_FOOT}, TargetUnit{UNIT_DB_PER_METRE}),
        3.280833329);
    EXPECT_DOUBLE_EQ(MetresToFeet(1.0), 3.28083989501312);
    EXPECT_DOUBLE_EQ(FeetToMetres(1.0), 0.3048);
}

// A level of nothing in a voltage unit stays finite (the voltage is floored
// like the power).
TEST(Units, ZeroLevelsInVoltageUnitsAreFinite) {
    for (uint32_t target : {UNIT_DBUV, UNIT_DBMV, UNIT_DBV}) {
        for (uint32_t source : {UNIT_W, UNIT_V, UNIT_MW}) {
            double v = ConvertPowerUnit(0.0, target, source);
            EXPECT_TRUE(std::isfinite(v)) << target << " from " << source;
        }
    }
    EXPECT_NEAR(ConvertPowerUnit(0.0, UNIT_DBUV, UNIT_W),
                ConvertPowerUnit(-300.0, UNIT_DBUV, UNIT_DBM), 1e-9);
}

TEST(Units, Frequencies) {
    EXPECT_EQ(FrequencyUnitIndex(999), 0u);
    EXPECT_EQ(FrequencyUnitIndex(999999), 1u);
    EXPECT_EQ(FrequencyUnitIndex(1000000000), 3u);
    EXPECT_EQ(ConvertFrequencyUnitD(2.5, FREQ_GHZ, FREQ_MHZ), 2500u);
    EXPECT_EQ(ConvertFrequencyUnitD(999999, FREQ_KHZ, FREQ_GHZ), 0u);
    EXPECT_EQ(ConvertFrequencyUnitD(-5.0, FREQ_MHZ, FREQ_HZ), 0u);
    EXPECT_EQ(ConvertFrequencyUnitF(-1.0f, FREQ_HZ, FREQ_HZ), 0u);
    EXPECT_EQ(ConvertFrequencyUnitD(10.0, FREQ_GHZ, FREQ_HZ), 0xFFFFFFFFu);
    EXPECT_EQ(ConvertFrequencyUnitD(1.0, 4, FREQ_HZ), 0u);
    EXPECT_FLOAT_EQ(FrequencyToUnit(1500000, 0, FREQ_MHZ), 1.5f);
    EXPECT_EQ(FrequencyToUnit(1500000, 1, FREQ_MHZ), 0.0f);
    EXPECT_DOUBLE_EQ(FrequencyToUnitD(3600000000ull, 0, FREQ_GHZ), 3.6);
}

TEST(Units, ValueTexts) {
    struct {
        std::u16string got, want;
    } cases[] = {
        {FormatValue(1500000, 0, false, true, false, 0), u"1.5 MHz"},
        {FormatValue(2400000000ull, 0, false, true, true, 3), u"2.400 GHz"},
        {FormatValue(2000000, 0, false, false, false, 0), u"2.0"},
        {FormatValue(125, 0, true, true, false, 0), u"125.000\n Hz"},
        {FormatValue(12500, 0, false, true, false, 0), u"12.5 kHz"},
        {FormatValue(1234567, 0, false, false, true, 2), u"1.23"},
        {FormatMsAsSeconds(1500, false, true), u"1.500 s"},
        {FormatDistance(2000, true, false, true), u"2.000 m"},
        {FormatDistance(1000, false, false, true), u"3.281 ft"},
        {FormatLevel(12.34, UNIT_DBM, false, false, false, false), u" +12.3"},
        {FormatLevel(-3.14, UNIT_DBM, false, false, false, false), u"  -3.1"},
        {FormatLevel(0, UNIT_DBM, false, false, false, false), u"   0.0"},
        {FormatLevel(12.3, UNIT_W, false, false, false, false), u" 12.30"},
        {FormatLevel(0.0123, UNIT_W, false, false, false, false), u" 0.012"},
        {FormatLevel(0, UNIT_W, false, false, false, false), u" 0.0"},
        {FormatLevel(-3.14, UNIT_DBM, true, false, true, true), u"-3.1 dBm"},
        {FormatLevel(1.22222, UNIT_VSWR, true, false, true, true), u"1.222 VSWR"},
        {FormatLevel(75.04, UNIT_MATCH_EFF, false, false, false, false), u"   75.0"},
        {FormatLevel(5, UNIT_DB_PER_DIV, true, true, false, true), u"\n dB/div"},
        {FormatLevel(106.98970004, UNIT_DBUV, false, false, false, false), u" 106.990"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

// A frequency shows the digits its point spacing resolves: the last one is
// the finest digit that changes from one point to the next.
TEST(Units, FrequencyDigitsFollowThePointSpacing) {
    struct {
        uint64_t hz;
        double step;
        std::u16string want;
    } cases[] = {
        {940028409, 20e6 / 704, u"940.03 MHz"},   // 28.4 kHz: tens of kilohertz
        {1800000000, 3.6e9 / 704, u"1.800 GHz"},  // 5.1 MHz: megahertz
        {940000000, 1e6, u"940 MHz"},             // exactly one unit
        {940000000, 100e3, u"940.0 MHz"},         // exactly a tenth
        {12345, 1.0, u"12.345 kHz"},              // every hertz
        {12345, 0.1, u"12.345 kHz"},              // no finer than hertz
        {999, 10.0, u"999 Hz"},                   // hertz have no decimals
        {2000000000, 1e9, u"2 GHz"},              // coarser than the unit
        {1500000, 0, u"1.5 MHz"},                 // no spacing: the usual form
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFrequencyToStep(c.hz, c.step, true), c.want) << c.hz << " by " << c.step;
    EXPECT_EQ(FormatFrequencyToStep(940028409, 20e6 / 704, false), u"940.03");
}

TEST(Units, NamesAndLookUps) {
    EXPECT_EQ(UnitName(UNIT_DBM), u"dBm");
    EXPECT_EQ(UnitName(27), u"");
    EXPECT_EQ(LengthUnitText(0), u"ft");
    EXPECT_EQ(LengthUnitText(1), u"m");
    EXPECT_EQ(LengthUnitText(2), u" ");
    EXPECT_EQ(LossUnitForLengthUnit(UNIT_FOOT), UNIT_DB_PER_FOOT);
    EXPECT_EQ(LossUnitForLengthUnit(5), UNIT_DB_PER_METRE);
    EXPECT_EQ(LossUnitText(UNIT_DB_PER_FOOT), u"dB/ft");
    EXPECT_EQ(PointCountText(100), PointCountText(177));
    EXPECT_EQ(DetectorName(9, true), u"undefined");
    EXPECT_EQ(FrequencyUnitName(FREQ_KHZ), u"kHz");
    EXPECT_EQ(AutoScaleUnit(0.0123, UNIT_W), UNIT_MW);
    EXPECT_EQ(AutoScaleUnit(5e-14, UNIT_W), UNIT_FW);
    EXPECT_EQ(AutoScaleUnit(2e3, UNIT_W), UNIT_KW);
    EXPECT_EQ(AutoScaleUnit(0.02, UNIT_V), UNIT_V);  // sqrt(50 * 0.02) = 1 V
    EXPECT_EQ(AutoScaleUnit(0.0, UNIT_W), UNIT_W);
    EXPECT_EQ(AutoScaleUnit(1.0, UNIT_DBM), UNIT_DBM);
    EXPECT_EQ(DefaultUnitCode(), UNIT_W);
    double table[] = {1.0, 2.5, 2.5};
    EXPECT_EQ(FindDoubleInTable(2.5, table, 3), 1);
    EXPECT_EQ(FindDoubleInTable(2.5, table, 0), -1);
    EXPECT_EQ(StepTableIndex(3), 2u);
    EXPECT_EQ(StepTableIndex(1000), 4u);
    EXPECT_DOUBLE_EQ(RoundToDecimals(1.25, 1), 1.3);
}

}  // namespace

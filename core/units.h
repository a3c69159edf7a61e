#pragma once
// Unit codes, conversions between levels, reflections, lengths, cable losses
// and frequencies, and the texts of values.
#include <cstdint>

#include "core/text.h"

// Level and reflection unit codes 0..26, cable lengths and losses 27..30.
enum UnitCode : uint32_t {
    UNIT_DBM = 0,
    UNIT_FW,
    UNIT_PW,
    UNIT_NW,
    UNIT_UW,
    UNIT_MW,
    UNIT_W,
    UNIT_KW,
    UNIT_DBUV = 8,
    UNIT_DBMV,
    UNIT_DBV,
    UNIT_FV,
    UNIT_PV,
    UNIT_NV,
    UNIT_UV,
    UNIT_MV,
    UNIT_V,
    UNIT_KV,
    UNIT_DBUV_M2 = 18,
    UNIT_UV_M2,
    UNIT_RETURN_LOSS = 20,
    UNIT_VSWR,
    UNIT_DB,
    UNIT_REFL_COEFF,
    UNIT_MATCH_EFF,
    UNIT_REFL_PERCENT,
    UNIT_DB_PER_DIV,
    UNIT_METRE = 27,
    UNIT_FOOT = 28,
    UNIT_DB_PER_METRE = 29,
    UNIT_DB_PER_FOOT = 30,
};

// Frequency units 0 Hz, 1 kHz, 2 MHz, 3 GHz.
enum FrequencyUnit : uint32_t { FREQ_HZ = 0, FREQ_KHZ, FREQ_MHZ, FREQ_GHZ };

// The two unit arguments of ConvertLossPerLength have their own types, so that
// a call with source and target swapped does not compile.
struct SourceUnit {
    uint32_t code;
};
struct TargetUnit {
    uint32_t code;
};

core::Text UnitName(uint32_t code);
core::Text LengthUnitText(uint32_t choice);
uint32_t LossUnitForLengthUnit(uint32_t length_unit);
core::Text LossUnitText(uint32_t code);

double ConvertLength(double value, uint32_t target_unit, uint32_t source_unit);
double ConvertLossPerLength(double value, SourceUnit source, TargetUnit target);
double MetresToFeet(double metres);
double FeetToMetres(double feet);
double FeetToMetresAlt(double feet);

float FrequencyToUnit(uint32_t hertz, uint32_t flag, uint32_t unit);
double FrequencyToUnitD(uint64_t hertz, uint32_t flag, uint32_t unit);
// Negative results give 0 and results beyond 32 bits the largest value.
uint32_t ConvertFrequencyUnitF(float value, uint32_t source_unit, uint32_t target_unit);
uint32_t ConvertFrequencyUnitD(double value, uint32_t source_unit, uint32_t target_unit);
uint32_t FrequencyUnitIndex(uint64_t hertz);
core::Text FrequencyUnitName(uint32_t unit);

core::Text PointCountText(uint32_t points);
core::Text DetectorName(uint32_t detector, bool one_line);
core::Text LevelChoiceText(uint32_t choice);
uint32_t AutoScaleUnit(double value, uint32_t unit);
int FindDoubleInTable(double value, const double* table, uint32_t count);
// The shared step table: 1, 2, 5, 10, 20.
uint32_t StepTableIndex(double value);
double RoundToDecimals(double x, int n);

double ConvertPowerUnit(double value, uint32_t target_unit, uint32_t source_unit);
// A source outside the reflection codes 20..25 gives 0.
double ConvertReflectionUnit(double value, uint32_t target_unit, uint32_t source_unit);

core::Text FormatValue(uint64_t hertz, uint32_t flag, bool newline, bool with_unit,
                       bool fixed_decimals, uint32_t decimals);
// A frequency in FormatValue's unit with as many decimals as a point spacing
// of `step_hz` resolves (its last digit is the finest one that changes from
// one point to the next); FormatValue's own form without a spacing.
core::Text FormatFrequencyToStep(uint64_t hertz, double step_hz, bool with_unit);
core::Text FormatMsAsSeconds(uint64_t milliseconds, bool newline, bool with_unit);
core::Text FormatDistance(double thousandths, bool metric, bool newline, bool with_unit);
core::Text FormatLevel(double value, uint32_t unit, bool with_unit, bool newline, bool trim,
                       bool blank_before_unit);

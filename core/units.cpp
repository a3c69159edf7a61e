#include "core/units.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/res_string.h"

namespace {

constexpr uint32_t kUnitStringIds[27] = {561,  1005, 841,  842, 843, 844, 621, 845, 823,
                                         824,  825,  1006, 846, 847, 848, 849, 826, 850,
                                         1024, 1025, 670,  601, 670, 604, 605, 396, 1198};
constexpr uint32_t kFrequencyUnitIds[4] = {887, 685, 686, 687};

constexpr double kMetresPerFoot = 0.30480061;
constexpr double kFeetPerMetre = 3.280833329;
constexpr double kPowerFloor = 1e-33;
constexpr double kReferenceOhms = 50.0;
constexpr double kNotAvailable = 1.0e-18;

// The decade of a power code 1..7 or voltage code 11..17 (f, p, n, µ, m, base, k).
int Decade(uint32_t code) {
    static constexpr int kExponent[7] = {-15, -12, -9, -6, -3, 0, 3};
    if (code >= 1 && code <= 7) return kExponent[code - 1];
    if (code >= 11 && code <= 17) return kExponent[code - 11];
    return 0;
}

// From the base unit: the single-precision power of ten, widened.
double FactorFromBase(uint32_t code) {
    return static_cast<double>(static_cast<float>(std::pow(10.0, -Decade(code))));
}
// To the base unit: its reciprocal in double precision.
double FactorToBase(uint32_t code) {
    return 1.0 / FactorFromBase(code);
}

bool IsPowerDecade(uint32_t code) {
    return code >= 1 && code <= 7;
}
bool IsVoltDecade(uint32_t code) {
    return code >= 11 && code <= 17;
}

double FrequencyScale(uint32_t unit) {
    static constexpr double kScale[4] = {1.0, 0.001, 1e-6, 1e-9};
    return kScale[unit];
}

uint32_t ToUnsigned(double v) {
    if (!(v > 0.0)) return 0;  // negative values and NaN
    if (v >= 4294967295.0) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(v);
}

uint32_t ConvertFrequency(double value, uint32_t source, uint32_t target) {
    if (source > 3 || target > 3) return 0;
    return ToUnsigned(value *
                      std::pow(1000.0, static_cast<int>(source) - static_cast<int>(target)));
}

core::Text AppendTail(core::Text text, bool newline, bool with_unit, const core::Text& unit) {
    if (newline) text += u'\n';
    if (with_unit) {
        text += u' ';
        text += unit;
    }
    return text;
}

}  // namespace

core::Text UnitName(uint32_t code) {
    return code < 27 ? LoadResString(kUnitStringIds[code]) : u"";
}

core::Text LengthUnitText(uint32_t choice) {
    if (choice == 0) return LoadResString(61335);
    if (choice == 1) return LoadResString(61336);
    return LoadResString(184);
}

uint32_t LossUnitForLengthUnit(uint32_t length_unit) {
    return length_unit == UNIT_FOOT ? UNIT_DB_PER_FOOT : UNIT_DB_PER_METRE;
}

core::Text LossUnitText(uint32_t code) {
    if (code == UNIT_DB_PER_METRE) return LoadResString(1367);
    if (code == UNIT_DB_PER_FOOT) return LoadResString(1370);
    return {};
}

double ConvertLength(double value, uint32_t target_unit, uint32_t source_unit) {
    if (target_unit == source_unit) return value;
    if (target_unit == UNIT_METRE) return value * kMetresPerFoot;
    if (target_unit == UNIT_FOOT) return value * kFeetPerMetre;
    return value;
}

double ConvertLossPerLength(double value, SourceUnit source, TargetUnit target) {
    if (source.code == target.code) return value;
    if (source.code == UNIT_DB_PER_METRE) return value * kMetresPerFoot;
    if (source.code == UNIT_DB_PER_FOOT) return value * kFeetPerMetre;
    return value;
}

double MetresToFeet(double metres) {
    return metres * 3.28083989501312;
}
double FeetToMetres(double feet) {
    return feet * 0.3048;
}
double FeetToMetresAlt(double feet) {
    return feet * 0.3048;
}

float FrequencyToUnit(uint32_t hertz, uint32_t flag, uint32_t unit) {
    if (flag != 0 || unit > 3) return 0.0f;
    return static_cast<float>(static_cast<float>(hertz) * FrequencyScale(unit));
}

double FrequencyToUnitD(uint64_t hertz, uint32_t flag, uint32_t unit) {
    if (flag != 0 || unit > 3) return 0.0;
    return static_cast<double>(hertz) * FrequencyScale(unit);
}

uint32_t ConvertFrequencyUnitF(float value, uint32_t source_unit, uint32_t target_unit) {
    return ConvertFrequency(value, source_unit, target_unit);
}

uint32_t ConvertFrequencyUnitD(double value, uint32_t source_unit, uint32_t target_unit) {
    return ConvertFrequency(value, source_unit, target_unit);
}

uint32_t FrequencyUnitIndex(uint64_t hertz) {
    if (hertz < 1000) return FREQ_HZ;
    if (hertz < 1000000) return FREQ_KHZ;
    if (hertz < 1000000000) return FREQ_MHZ;
    return FREQ_GHZ;
}

core::Text FrequencyUnitName(uint32_t unit) {
    return unit < 4 ? LoadResString(kFrequencyUnitIds[unit]) : u"";
}

core::Text PointCountText(uint32_t points) {
    switch (points) {
        case 353:
            return LoadResString(693);
        case 705:
            return LoadResString(694);
        case 1409:
            return LoadResString(1045);
        default:
            return LoadResString(692);
    }
}

core::Text DetectorName(uint32_t detector, bool one_line) {
    static constexpr uint32_t kIds[4][2] = {{255, 838}, {1126, 791}, {254, 837}, {253, 836}};
    if (detector > 3) return LoadResString(703);
    return LoadResString(kIds[detector][one_line ? 0 : 1]);
}

core::Text LevelChoiceText(uint32_t choice) {
    static constexpr uint32_t kIds[4] = {658, 763, 764, 765};
    return choice < 4 ? LoadResString(kIds[choice]) : u"";
}

uint32_t AutoScaleUnit(double value, uint32_t unit) {
    if (value <= 0.0 || (unit != UNIT_W && unit != UNIT_V)) return unit;
    double v = unit == UNIT_V ? ConvertPowerUnit(value, UNIT_V, UNIT_W) : value;
    double d = std::floor(std::log10(v));
    uint32_t base = unit == UNIT_V ? UNIT_FV : UNIT_FW;
    static constexpr double kBounds[6] = {-12, -9, -6, -3, 0, 3};
    for (uint32_t i = 0; i < 6; ++i) {
        if (d < kBounds[i]) return base + i;
    }
    return base + 6;
}

int FindDoubleInTable(double value, const double* table, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (table[i] == value) return static_cast<int>(i);
    }
    return -1;
}

uint32_t StepTableIndex(double value) {
    static constexpr double kSteps[5] = {1, 2, 5, 10, 20};
    for (uint32_t i = 0; i < 5; ++i) {
        if (!(kSteps[i] < value)) return i;
    }
    return 4;
}

double RoundToDecimals(double x, int n) {
    double scale = std::pow(10.0, n);
    return std::floor(x * scale + 0.5) / scale;
}

double ConvertPowerUnit(double value, uint32_t target_unit, uint32_t source_unit) {
    if (target_unit == source_unit) return value;
    if (source_unit == UNIT_RETURN_LOSS) {
        double x = std::pow(10.0, value * 0.05);
        if (target_unit == UNIT_VSWR) return x == 1.0 ? 0.0 : (x + 1.0) / (1.0 - x);
        if (target_unit == UNIT_REFL_COEFF) return x;
        return kNotAvailable;
    }
    double p = 0.0, u = 0.0;
    if (source_unit >= UNIT_DBUV && source_unit <= UNIT_KV) {
        if (source_unit == UNIT_DBUV)
            u = std::pow(10.0, value * 0.05) * 1e-6;
        else if (source_unit == UNIT_DBMV)
            u = std::pow(10.0, value * 0.05) * 0.001;
        else if (source_unit == UNIT_DBV)
            u = std::pow(10.0, value * 0.05);
        else if (source_unit == UNIT_V)
            u = value;
        else
            u = value * FactorToBase(source_unit);
        p = u * u * 0.02;
    } else {
        if (source_unit == UNIT_DBM)
            p = std::pow(10.0, value * 0.1) * 0.001;
        else if (IsPowerDecade(source_unit) && source_unit != UNIT_W)
            p = value * FactorToBase(source_unit);
        else
            p = value;  // watts, and every other code taken as watts
        u = std::sqrt(p * kReferenceOhms);
    }
    // The voltage is floored like the power, so a level of nothing stays finite.
    static const double kVoltFloor = std::sqrt(kPowerFloor * kReferenceOhms);
    double u_floored = u < kVoltFloor ? kVoltFloor : u;
    switch (target_unit) {
        case UNIT_DBM:
            return 10.0 * std::log10((p < kPowerFloor ? kPowerFloor : p) * 1000.0);
        case UNIT_DBUV:
            return 20.0 * std::log10(u_floored * 1e6);
        case UNIT_DBMV:
            return 20.0 * std::log10(u_floored * 1000.0);
        case UNIT_DBV:
            return 20.0 * std::log10(u_floored);
        case UNIT_W:
            return p;
        case UNIT_V:
            return u;
        default:
            break;
    }
    if (IsPowerDecade(target_unit)) return p * FactorFromBase(target_unit);
    if (IsVoltDecade(target_unit)) return u * FactorFromBase(target_unit);
    return kNotAvailable;
}

double ConvertReflectionUnit(double value, uint32_t target_unit, uint32_t source_unit) {
    if (target_unit == source_unit) return value;
    double g = 0.0;
    switch (source_unit) {
        case UNIT_RETURN_LOSS:
        case UNIT_DB:
            g = std::pow(10.0, value * 0.05);
            break;
        case UNIT_VSWR:
            g = (value - 1.0) / (value + 1.0);
            break;
        case UNIT_REFL_COEFF:
            g = value;
            break;
        case UNIT_MATCH_EFF: {
            double x = value * 0.01;
            g = x > 1.0 ? 0.0 : std::sqrt(1.0 - x);
            break;
        }
        case UNIT_REFL_PERCENT:
            g = std::sqrt(value * 0.01);
            break;
        default:
            return 0.0;
    }
    switch (target_unit) {
        case UNIT_RETURN_LOSS:
        case UNIT_DB: {
            if (g <= 0.0) return -100.0;
            if (g + 0.01 >= 1.0) return 0.0;
            double db = 20.0 * std::log10(g);
            return db < -100.0 ? -100.0 : db;
        }
        case UNIT_VSWR: {
            if (g >= 1.0) return 200.0;
            double s = (g + 1.0) / (1.0 - g);
            return s > 200.0 ? 200.0 : s;
        }
        case UNIT_REFL_COEFF:
            return g;
        case UNIT_MATCH_EFF:
            return (1.0 - g * g) * 100.0;
        case UNIT_REFL_PERCENT:
            return g * g * 100.0;
        default:
            return 0.0;
    }
}

core::Text FormatValue(uint64_t hertz, uint32_t flag, bool newline, bool with_unit,
                       bool fixed_decimals, uint32_t decimals) {
    uint32_t unit = FrequencyUnitIndex(hertz);
    double value = FrequencyToUnitD(hertz, flag, unit);
    static const char* const kUnitFormats[4] = {"% 7.3f", "% 7.3f", "% 11.6f", "% 11.9f"};
    const char* format = kUnitFormats[unit];
    if (fixed_decimals) {
        switch (decimals) {
            case 0:
                break;
            case 1:
                format = "%7.1f";
                break;
            case 2:
                format = "%7.2f";
                break;
            case 4:
                format = "%06.4f";
                break;
            case 5:
                format = "% 11.5f";
                break;
            case 6:
                format = "% 11.6f";
                break;
            default:
                format = "% 11.3f";
                break;
        }
    }
    core::Text text = core::TrimLeadingBlanks(core::FormatText(format, value));
    size_t point = text.find(u'.');
    if (unit != FREQ_HZ && point != core::Text::npos) {
        while (text.size() > point + 1 && text.back() == u'0') text.pop_back();
        if (decimals != 0) {
            while (text.size() - point - 1 < decimals) text += u'0';
        } else if (text.back() == u'.') {
            text += u'0';
        }
    }
    return AppendTail(std::move(text), newline, with_unit, FrequencyUnitName(unit));
}

core::Text FormatFrequencyToStep(uint64_t hertz, double step_hz, bool with_unit) {
    if (!(step_hz > 0)) return FormatValue(hertz, 0, false, with_unit, false, 0);
    static constexpr int kHertzDigits[4] = {0, 3, 6, 9};
    const uint32_t unit = FrequencyUnitIndex(hertz);
    const int most = kHertzDigits[unit];
    // The small allowance keeps a spacing of exactly 10^-k units at k digits.
    const double wanted = std::ceil(most - std::log10(step_hz) - 1e-9);
    const int decimals = static_cast<int>(std::clamp(wanted, 0.0, double(most)));
    core::Text text = core::FormatText("%.*f", decimals, FrequencyToUnitD(hertz, 0, unit));
    return AppendTail(std::move(text), false, with_unit, FrequencyUnitName(unit));
}

core::Text FormatMsAsSeconds(uint64_t milliseconds, bool newline, bool with_unit) {
    core::Text text = core::TrimLeadingBlanks(
        core::FormatText("% 6.3f", static_cast<double>(milliseconds) * 0.001));
    return AppendTail(std::move(text), newline, with_unit, u"s");
}

core::Text FormatDistance(double thousandths, bool metric, bool newline, bool with_unit) {
    double metres = thousandths * 0.001;
    double shown = metric ? metres : MetresToFeet(metres);
    core::Text text = core::TrimLeadingBlanks(core::FormatText("% 6.3f", shown));
    return AppendTail(std::move(text), newline, with_unit, metric ? u"m" : u"ft");
}

core::Text FormatLevel(double value, uint32_t unit, bool with_unit, bool newline, bool trim,
                       bool blank_before_unit) {
    core::Text text;
    if (unit == UNIT_DBM || unit == UNIT_DBUV_M2) {
        double f = static_cast<float>(value);
        // "% +6.1f": the plus flag overrides the blank one.
        text = f > 0.0 ? core::FormatText("%+6.1f", f) : core::FormatText("% 6.1f", f);
    } else if (unit == UNIT_DBUV || unit == UNIT_DBMV || unit == UNIT_DBV || unit == UNIT_UV_M2 ||
               unit == UNIT_RETURN_LOSS) {
        text = core::FormatText("% 6.3f", static_cast<double>(static_cast<float>(value)));
    } else if (IsPowerDecade(unit) || IsVoltDecade(unit)) {
        if (value <= kPowerFloor) {
            text = u" 0.0";
        } else {
            double d = std::floor(std::log10(value));
            text = d >= 0.0 && d <= 2.0 ? core::FormatText("% 6.*f", 3 - static_cast<int>(d), value)
                                        : core::FormatText("% 6.3f", value);
        }
    } else if (unit == UNIT_VSWR || unit == UNIT_REFL_COEFF) {
        text = core::FormatText("%7.3f",
                                static_cast<double>(static_cast<float>(RoundToDecimals(value, 3))));
    } else if (unit == UNIT_DB) {
        text = core::FormatText("%7.2f",
                                static_cast<double>(static_cast<float>(RoundToDecimals(value, 2))));
    } else if (unit == UNIT_MATCH_EFF || unit == UNIT_REFL_PERCENT) {
        text = core::FormatText("%7.1f",
                                static_cast<double>(static_cast<float>(RoundToDecimals(value, 1))));
    }
    if (newline) text += u'\n';
    if (with_unit) {
        if (blank_before_unit) text += u' ';
        text += UnitName(unit);
    }
    return trim ? core::TrimLeadingBlanks(text) : text;
}

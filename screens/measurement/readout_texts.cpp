#include "screens/measurement/readout_texts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/res_string.h"
#include "core/units.h"

namespace readout_texts {

namespace {
constexpr uint32_t kIdMaxHold = 801;
constexpr uint32_t kIdMinHold = 64456;
constexpr uint32_t kIdAverage = 61340;
constexpr uint32_t kIdClearWrite = 61288;
constexpr uint32_t kIdThreshold = 681;
constexpr uint32_t kIdPass = 61344;
constexpr uint32_t kIdFail = 61343;
constexpr uint32_t kIdSingle = 244;
constexpr uint32_t kIdContinuous = 243;
constexpr uint32_t kIdSourceInternal = 552;
constexpr uint32_t kIdSourceExternal = 246;
constexpr uint32_t kIdSourceVideo = 245;
constexpr int32_t kSourcesPerGroup = 3;
constexpr int32_t kDemodFirst = 1;
constexpr int32_t kDemodLast = 5;
constexpr int32_t kDemodDefault = 2;

core::Text Upper(core::Text text) {
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}
}  // namespace

core::Text BandwidthModeSuffix(uint32_t mode) {
    return mode == 0 ? u"(A)" : u"(M)";
}

core::Text AttenuationText(double db, int32_t mode) {
    return core::FormatText("%d dB", static_cast<int>(db)) + (mode == 0 ? u"(A)" : u"(M)");
}

double PowerRatioDb(double power, double offset, uint64_t divisor) {
    if (divisor == 0 || power <= kNotMeasuredPower) return kNotMeasuredPower;
    const double ratio = std::pow(10.0, (power + offset) * 0.1) / static_cast<double>(divisor);
    if (!(ratio > 0.0)) return kNotMeasuredPower;
    return 10.0 * std::log10(ratio);
}

core::Text ChannelPowerText(double power, double offset, uint32_t unit) {
    if (power <= kNotMeasuredPower) return u"N/A";
    const char* format = power > 0.0 ? "% +6.3f" : "% 6.3f";
    return core::FormatText(format, power + offset) + u" " + UnitName(unit);
}

core::Text PowerDensityText(double power, double offset, uint64_t width_hz, uint32_t unit) {
    if (width_hz == 0 || static_cast<double>(width_hz) == kNotMeasured || power == kNotMeasured ||
        power <= kNotMeasuredPower)
        return {};
    const double density = PowerRatioDb(power, offset, width_hz);
    return core::FormatText("% 6.1f", density) + u" " + UnitName(unit) + u"/Hz";
}

core::Text AdjacentRatioText(float ratio) {
    const char* format = ratio > 0.0f ? "% +4.1f" : "% 4.1f";
    return core::FormatText(format, static_cast<double>(ratio)) + u" " + UnitName(UNIT_RETURN_LOSS);
}

int32_t CorrectDemodType(int32_t type) {
    return type < kDemodFirst || type > kDemodLast ? kDemodDefault : type;
}

core::Text DemodTypeName(int32_t type) {
    static constexpr const char16_t* kNames[] = {u"AM", u"WBand FM", u"NBand FM", u"Upper SSB",
                                                 u"Lower SSB"};
    return kNames[CorrectDemodType(type) - kDemodFirst];
}

core::Text CarrierLevelText(double level_dbm, uint32_t unit) {
    if (level_dbm <= kNoCarrierLevel) return {};
    const double shown = ConvertPowerUnit(level_dbm, unit, UNIT_DBM);
    const char* format = unit == UNIT_DBM ? "% 6.3f" : "% 4.1f";
    return core::FormatText(format, shown) + u" " + UnitName(unit);
}

core::Text CarrierRatioText(double ratio_db) {
    if (ratio_db <= kNoCarrierLevel) return {};
    return core::FormatText("% 4.1f", ratio_db) + u" dB";
}

core::Text ActiveMarkerText(const core::Text& readout) {
    core::Text text = !readout.empty() && readout.front() == u'M' ? readout : u"M" + readout;
    if (text.size() > kActiveMarkerChars) text.resize(kActiveMarkerChars);
    return text;
}

LimitField LimitTestField(bool upper_on, bool lower_on, bool failed) {
    if (!upper_on && !lower_on) return {};
    LimitField field;
    field.label = kIdThreshold;
    field.text = Upper(LoadResString(failed ? kIdFail : kIdPass));
    field.colour = failed ? kFailColour : kPassColour;
    return field;
}

core::Text TraceModeText(int32_t hold_mode, bool averaging, uint32_t averaged, uint32_t count) {
    if (hold_mode == 1) return LoadResString(kIdMaxHold);
    if (hold_mode == 2) return LoadResString(kIdMinHold);
    if (averaging)
        return LoadResString(kIdAverage) + u" " + core::FormatText("%u", averaged) + u"/" +
               core::FormatText("%u", count);
    return LoadResString(kIdClearWrite);
}

uint32_t SweepModeNameId(int32_t trigger_mode) {
    return trigger_mode >= kSourcesPerGroup ? kIdContinuous : kIdSingle;
}

uint32_t TriggerSourceNameId(int32_t trigger_mode) {
    switch (trigger_mode < 0 ? 0 : trigger_mode % kSourcesPerGroup) {
        case 1:
            return kIdSourceExternal;
        case 2:
            return kIdSourceVideo;
        default:
            return kIdSourceInternal;
    }
}

}  // namespace readout_texts

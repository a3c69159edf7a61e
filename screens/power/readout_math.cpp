#include "screens/power/readout_math.h"

#include <cmath>

namespace power_readout {

namespace {

// The decade loops stay inside these bounds whatever the reading.
constexpr float kLowestScale = 1e-12f;
constexpr float kHighestScale = 1e12f;

struct UnitBand {
    double factor;
    const char16_t* text;
};

// UnitText's bands: the milliwatt band includes 1 W, the watt band 1 kW.
UnitBand BandOf(float p) {
    if (p < 0.001f) return {1e6, u" \u00b5W "};
    if (p <= 1.0f) return {1e3, u" mW "};
    if (p <= 1000.0f) return {1.0, u" W   "};
    if (p <= 1e6f) return {1e-3, u" kW "};
    return {1e-6, u" MW "};
}

}  // namespace

float DecadeFullScale(float x, float base) {
    if (!(x > 0) || !std::isfinite(x)) return base;
    if (x > base) {
        float p = base;
        while (x > p && p < kHighestScale) p *= 10.0f;
        return p;
    }
    if (x < base / 10.0f) {
        float p = base / 10.0f;
        while (x < p / 10.0f && p > kLowestScale) p /= 10.0f;
        return p;
    }
    return base;
}

core::Text UnitText(float full_scale) {
    return BandOf(full_scale).text;
}

core::Text ScaleText(float full_scale, float value) {
    const double s = static_cast<double>(static_cast<float>(value * BandOf(full_scale).factor));
    const char* format = s + 0.5 <= 10 ? "%0.2f" : s + 0.5 <= 100 ? "%0.1f" : "%0.0f";
    return core::FormatText(format, s);
}

core::Text WattsToDbmText(float watts, bool with_unit) {
    if (!(watts > 0)) return with_unit ? u"N/A\n\r" : u"N/A";
    const double dbm = 10.0 * std::log10(static_cast<double>(watts)) + 30.0;
    return core::FormatText("%0.1f", static_cast<double>(static_cast<float>(dbm))) +
           (with_unit ? u" dBm\n\r" : u"");
}

core::Text RangeCaption(float p) {
    UnitBand band;
    if (p < 0.001f)
        band = {1e6, u" \u00b5W "};
    else if (p < 1.0f)
        band = {1e3, u" mW "};
    else if (p < 1000.0f)
        band = {1.0, u" W   "};
    else if (p < 1e6f)
        band = {1e-3, u" kW "};
    else
        band = {1e-6, u" MW "};
    return core::FormatText("%0.0f ", static_cast<double>(static_cast<float>(p * band.factor))) +
           band.text + u"\n";
}

Reflection ComputeReflection(double forward_w, double reflected_w, double offset_db) {
    Reflection r;
    if (!(forward_w > 0) || !(reflected_w > 0)) return r;
    const double pr =
        std::pow(10.0, ((10.0 * std::log10(reflected_w) + 30.0) - offset_db - 30.0) * 0.1);
    const double pf =
        std::pow(10.0, ((10.0 * std::log10(forward_w) + 30.0) + offset_db - 30.0) * 0.1);
    r.valid = true;
    r.q = pr / pf;
    r.rho = std::sqrt(r.q);
    r.vswr_valid = r.rho < 1.0;
    if (r.vswr_valid) r.vswr = (1.0 + r.rho) / (1.0 - r.rho);
    r.return_loss = 10.0 * std::log10(r.q);
    r.efficiency = (1.0 - r.q) * 100.0;
    r.reflected_pct = 100.0 - r.efficiency;
    return r;
}

core::Text DutyText(float percent, bool manual) {
    const core::Text number =
        percent == 100.0f ? core::Text(u"100") : core::FormatText("%0.1f", double(percent));
    return number + (manual ? u" % (M)" : u" % (A)");
}

core::Text FilterText(float code) {
    const core::Text digits = core::FormatText("%0.0f", double(code));
    if (digits == u"400") return u"400 kHz";
    if (digits == u"4500") return u"4.5 kHz";
    return u"10 MHz";
}

}  // namespace power_readout

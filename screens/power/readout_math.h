#pragma once
// The arithmetic and texts of the power meter's readout: full scales by the
// decade rule, unit and scaled-value texts, dBm texts, range captions and
// the reflection figures of a forward and a reflected power.
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/text.h"

namespace power_readout {

// A float or double converted to an integer type without undefined
// behaviour: NaN gives 0, values beyond the type's range its limits.
template <typename T>
T SaturatingCast(double v) {
    static_assert(std::is_integral_v<T>);
    if (v != v) return 0;
    if (v <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (v >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

// The decade full scale of reading x from base b: the smallest b x 10^k at or
// above x for x > b, the largest b/10 x 10^-k with x at or above its tenth for
// x < b/10, else b. A reading of 0 or less, or not finite, gives b.
float DecadeFullScale(float x, float base = 1.0f);

// " µW ", " mW ", " W   ", " kW " or " MW " for a full scale.
core::Text UnitText(float full_scale);
// The value in the unit UnitText gives, with two, one or no decimals.
core::Text ScaleText(float full_scale, float value);
// "%0.1f" of the dBm value (with " dBm\n\r" when asked); "N/A" for 0 W or less.
core::Text WattsToDbmText(float watts, bool with_unit);
// "100  mW \n" for 0.1 W: the full scale in its unit, a blank, the unit text
// and a line feed.
core::Text RangeCaption(float full_scale);

// The match of a forward and a reflected power with the coupling offset
// (dB, removed from the reflected and added to the forward power).
struct Reflection {
    bool valid = false;       // both powers above 0
    double q = 0;             // reflected over forward power
    double rho = 0;           // reflection coefficient
    bool vswr_valid = false;  // rho below 1
    double vswr = 0;
    double return_loss = 0;    // dB, 10 log10 q
    double efficiency = 0;     // percent, (1 - q) x 100
    double reflected_pct = 0;  // percent, 100 - efficiency
};
Reflection ComputeReflection(double forward_w, double reflected_w, double coupling_offset_db);

// The duty-cycle text: "100" for 100.0, else "%0.1f", then " % (M)" or " % (A)".
core::Text DutyText(float percent, bool manual);
// The video filter of a filter code: "4.5 kHz", "400 kHz", else "10 MHz".
core::Text FilterText(float code);

}  // namespace power_readout

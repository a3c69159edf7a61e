#pragma once
// A floating-point value into an integer type without undefined behaviour:
// NaN gives 0, values beyond the type's range its nearest limit, others
// truncate toward zero.
#include <cmath>
#include <limits>
#include <type_traits>

template <typename T>
T SaturatingCast(double value) {
    static_assert(std::is_integral_v<T>, "an integer type");
    if (std::isnan(value)) return 0;
    // The limits as doubles: the upper one rounds up to a power of two for
    // 64-bit types, so a value at it is out of range too.
    constexpr double kLow = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double kHigh = static_cast<double>(std::numeric_limits<T>::max());
    if (value <= kLow) return std::numeric_limits<T>::min();
    if (value >= kHigh) return std::numeric_limits<T>::max();
    return static_cast<T>(value);
}

#pragma once
// The power meter's sensor families by sensor type: through-line sensors
// (forward and reflected power), terminating sensors (one channel) and peak
// sensors.
namespace power_families {

constexpr bool IsThroughLine(int type) {
    return type == 1 || type == 2 || type == 3 || type == 14;
}
constexpr bool IsTerminating(int type) {
    return type == 5 || type == 15;
}
constexpr bool IsPeak(int type) {
    return type == 6 || (type >= 17 && type <= 21);
}

}  // namespace power_families

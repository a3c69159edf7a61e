// A stand-in simulator library: its power entries count their calls, and it
// "plugs in" two devices.
#include <atomic>
#include <cstdint>

namespace {
std::atomic<int32_t> g_on{0};
std::atomic<int32_t> g_off{0};
}  // namespace

extern "C" {
__attribute__((visibility("default"))) int32_t SimulatorPowerOn() {
    ++g_on;
    return 2;
}
__attribute__((visibility("default"))) void SimulatorPowerOff() {
    ++g_off;
}
__attribute__((visibility("default"))) int32_t FixturePowerOns() {
    return g_on.load();
}
__attribute__((visibility("default"))) int32_t FixturePowerOffs() {
    return g_off.load();
}
}

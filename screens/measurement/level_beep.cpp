#include "screens/measurement/level_beep.h"

#include <algorithm>

#include "core/keys.h"

namespace level_beep {

namespace {
constexpr int kLevelDivisor = 10;
constexpr int kBeepLift = 10;
int Clamp(int v) {
    return std::clamp(v, kVolumeMin, kVolumeMax);
}
}  // namespace

int StepVolume(int volume, uint32_t key) {
    if (key == VK_LEFT || key == VK_DOWN) return Clamp(volume - 1);
    if (key == VK_UP || key == VK_RIGHT) return Clamp(volume + 1);
    return Clamp(volume);
}

int TurnVolume(int volume, int steps) {
    return Clamp(steps < 1 ? volume - 1 : volume + 1);
}

int BeepVolume(int setup_volume, uint32_t level) {
    return Clamp(setup_volume - static_cast<int>(level / kLevelDivisor) + kBeepLift);
}

uint32_t BeepIntervalMs(uint32_t level) {
    return level * level / kLevelDivisor;
}

bool BeepDue(uint32_t now, uint32_t last, uint32_t level) {
    return now - last > BeepIntervalMs(level);
}

}  // namespace level_beep

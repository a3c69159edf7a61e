#pragma once
// The loudspeaker volume steps and the audible level indicator: while a
// marker sits on the trace, "menusel.wav" sounds the louder and the more
// often the higher the marker's level stands on the screen.
#include <cstdint>

namespace level_beep {

inline constexpr int kVolumeMin = 0;
inline constexpr int kVolumeMax = 100;

// The setup volume one arrow key or wheel step gives: left and down lower,
// up and right raise it by 1, within 0..100.
int StepVolume(int volume, uint32_t key);
int TurnVolume(int volume, int steps);

// The beep's volume for a column level L (0 at the scale top, 210 at the
// bottom): setup volume - L / 10 + 10, within 0..100.
int BeepVolume(int setup_volume, uint32_t level);
// Milliseconds between two beeps: L x L / 10 (32-bit product).
uint32_t BeepIntervalMs(uint32_t level);
// Whether a beep is due `now` (tick count) after the last one.
bool BeepDue(uint32_t now, uint32_t last, uint32_t level);

}  // namespace level_beep

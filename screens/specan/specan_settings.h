#pragma once
// The rules of the spectrum analyzer's settings menus that depend only on the
// setup: menu ids, how the value keys step the bandwidths, the trigger, the
// reference level, scale and offset, what the entry dialogs' answers become,
// the unit keys, and the texts of the soft keys that show a value. The screen
// (CSpecAnMode) calls them and then refreshes its panes and restarts the
// sweep.
#include <cstdint>

#include "core/text.h"

class CChoiceBlock;
class CMeasSetup;
class CTriggerSettings;

namespace specan {

// The menus of the screen (its active function).
enum Menu : int {
    kMenuFrequency = 0,
    kMenuBandwidth = 1,
    kMenuDetection = 3,
    kMenuSweep = 4,
    kMenuTriggerSource = 5,
    kMenuExternalTrigger = 6,
    kMenuVideoTrigger = 7,
    kMenuAmplitude = 9,
    kMenuAttenuation = 12,
    kMenuUnits = 13,
    kMenuTrace = 14,
    kMenuMeasure = 17,
    kMenuFirstFunction = 18,
    kMenuLastFunction = 25,
    kMenuMarker = 33,
    kMenuFile = 41,
    kMenuLogInterval = 44,
    kMenuRecall = 45,
    kMenuManageTraces = 46,
};

// The setup's channel number while no channel of its band is chosen.
constexpr int32_t kNoBandChannel = -1;

// Key indices the handlers receive: soft keys 0..7 and Escape.
inline constexpr int kKeyEscape = 27;
inline constexpr int kNoKey = 8;  // lastKey of a menu without a chosen key

// Arrow key codes.
inline constexpr uint32_t kArrowLeft = 37, kArrowUp = 38, kArrowRight = 39, kArrowDown = 40;

// Measurement function ids.
inline constexpr uint32_t kGeneralSpectrum = 20, kOccupiedBandwidth = 21, kChannelPower = 22,
                          kAdjacentChannelPower = 23, kDemodulation = 26, kCarrierInterference = 27,
                          kTimeDomain = 28, kSignalStrength = 29;
// Whether a function shows the general spectrum's trace (markers survive a
// switch between two of them).
bool IsSpectrumFamily(uint32_t id);

// --- Bandwidth menu (value keys 1 RBW, 3 VBW, 4 Span/RBW) ------------------
inline constexpr int kKeyRbw = 1, kKeyVbw = 3, kKeySpanRbw = 4;
// An arrow on the value of `key`; whether the value moved. Every change is
// stored with notification, so the block re-couples the automatic
// bandwidths.
bool StepBandwidth(CChoiceBlock& block, int key, uint32_t arrow);
// A knob turn: one step up for positive steps, down otherwise.
bool TurnBandwidth(CChoiceBlock& block, int key, int steps);

// --- Sweep and trigger ----------------------------------------------------
// Trigger mode = source + 3 x continuous; source 0 internal, 1 external,
// 2 video.
inline constexpr int32_t kInternalSingle = 0, kExternalSingle = 1, kVideoSingle = 2,
                         kInternalContinuous = 3, kExternalContinuous = 4, kVideoContinuous = 5;
bool IsSingleMode(int32_t mode);
// Key 0 of the sweep menu: the single and continuous forms of a source
// swap; other modes stay.
int32_t SwapSingleContinuous(int32_t mode);
// Key 0 of the external (video) trigger menu: variant 0 toggles between the
// continuous external (video) mode and internal continuous, variant 1
// between the single ones.
int32_t ToggleExternalTrigger(int variant, int32_t mode);
int32_t ToggleVideoTrigger(int variant, int32_t mode);
// The caption id of a trigger mode.
uint32_t TriggerModeCaption(int32_t mode);
// The delay, in tenths of a millisecond, that an entry of `ms` gives: at
// least 0.1 ms, rounded to one decimal.
uint32_t GateDelayFromMs(double ms);
// The video trigger level, in hundredths of a dBm, that an entry of `dbm`
// gives: clamped to -200..30 dBm, truncated.
int16_t TriggerLevelFromDbm(double dbm);
// Arrows and knob on the gate delay and the trigger level; whether the
// value moved.
bool StepGateDelay(CTriggerSettings& trigger, uint32_t arrow);
bool TurnGateDelay(CTriggerSettings& trigger, int steps);
bool StepTriggerLevel(CTriggerSettings& trigger, uint32_t arrow);
bool TurnTriggerLevel(CTriggerSettings& trigger, int steps);
// "% 6.1f" of the delay in milliseconds and "% 4.1f" of the level in dBm.
core::Text GateDelayText(uint32_t tenths_ms);
core::Text TriggerLevelText(int16_t hundredths_dbm);

// --- Amplitude --------------------------------------------------------------
inline constexpr int kKeyReference = 1, kKeyScale = 2, kKeyOffset = 5;
inline constexpr double kMinScale = 1.0, kMaxScale = 15.0;
// The reference level's limits in dBm for an amplitude offset.
double MaxReferenceDbm(double offset);
double MinReferenceDbm(double offset);
// Arrows and knob on the reference level (one scale division, a tenth of it
// per knob step), the scale and the offset; whether the stored value moved.
bool StepReference(CMeasSetup& setup, uint32_t arrow);
bool TurnReference(CMeasSetup& setup, int steps);
bool StepScale(CMeasSetup& setup, uint32_t arrow);
// The knob reports wheel units (120 a notch): beyond +-100 one step.
bool TurnScale(CMeasSetup& setup, int wheel);
bool StepOffset(CMeasSetup& setup, uint32_t arrow);
bool TurnOffset(CMeasSetup& setup, int steps);
// Keys 1..4 of the attenuation menu: 0, 10, 20, 30 dB; -1 for other keys.
int AttenuationForKey(int key);
// Keys of the units menu: 0 dBm, 1 dBuV, 2 dBmV, 3 dBV, 4 V, 5 W; -1 for
// other keys.
int32_t UnitForKey(int key);
// Whether a unit code is a linear power (1..7) or voltage (11..17) unit.
bool IsLinearUnit(uint32_t unit);
bool IsLogUnit(uint32_t unit);
// The decade of a linear unit that suits a reference level in watts; other
// units stay.
uint32_t AutoScaleUnitFor(double reference_watts, uint32_t unit);
// Limit values follow a unit change: each converted from the old unit to the
// new one, then clamped into the new scale [bottom, top].
double ConvertLimit(double value, uint32_t from_unit, uint32_t to_unit, double top, double bottom);

}  // namespace specan

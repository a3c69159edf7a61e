// The spectrum analyzer's settings rules (see specan_settings.h).
#include "screens/specan/specan_settings.h"

#include <algorithm>
#include <cmath>

#include "core/params.h"
#include "core/units.h"
#include "files/meas_setup.h"
#include "files/trigger_settings.h"

namespace specan {

namespace {

constexpr uint32_t kRbwLast = CChoiceBlock::kRbwCount - 1;
constexpr uint32_t kVbwLast = CChoiceBlock::kVbwAutoMax;
constexpr uint32_t kSpanRatioMin = 10, kSpanRatioMax = 3600;

// Gate delay steps (tenths of a millisecond) and trigger level steps
// (hundredths of a dBm).
constexpr uint32_t kDelayArrowStep = 100, kDelayKnobStep = 1;
constexpr int32_t kLevelArrowStep = 1000, kLevelKnobStep = 100;
constexpr double kMinDelayMs = 0.1;
constexpr double kMinLevelDbm = -200.0, kMaxLevelDbm = 30.0;

constexpr double kOffsetFineStep = 0.1, kOffsetCoarseStep = 1.0;
constexpr int kScaleKnobThreshold = 100;
constexpr double kKnobFractionOfScale = 0.1;

// Stores a ratio (clamped) with notification; whether it changed.
bool StoreSpanRatio(CChoiceBlock& block, int64_t ratio) {
    const auto clamped =
        static_cast<uint32_t>(std::clamp<int64_t>(ratio, kSpanRatioMin, kSpanRatioMax));
    return block.SetSpanRatio(clamped, true) != 0;
}

double WattsToDbm(double watts) {
    return ConvertPowerUnit(watts, UNIT_DBM, UNIT_W);
}

}  // namespace

bool IsSpectrumFamily(uint32_t id) {
    return id == kGeneralSpectrum || id == kDemodulation || id == kSignalStrength;
}

// --- Bandwidth ---------------------------------------------------------------

bool StepBandwidth(CChoiceBlock& block, int key, uint32_t arrow) {
    switch (key) {
        case kKeyRbw:
            switch (arrow) {
                case kArrowLeft:
                    return block.SetRbwIndex(0, true) != 0;
                case kArrowRight:
                    return block.SetRbwIndex(kRbwLast, true) != 0;
                case kArrowUp:
                    return block.StepRbwUp() != 0;
                case kArrowDown:
                    return block.StepRbwDown() != 0;
                default:
                    return false;
            }
        case kKeyVbw:
            switch (arrow) {
                case kArrowLeft:
                    return block.SetVbwIndex(0, true) != 0;
                case kArrowRight:
                    return block.SetVbwIndex(kVbwLast, true) != 0;
                case kArrowUp:
                    return block.StepVbwUp() != 0;
                case kArrowDown:
                    return block.StepVbwDown() != 0;
                default:
                    return false;
            }
        case kKeySpanRbw: {
            const int64_t ratio = block.GetSpanRatio();
            switch (arrow) {
                case kArrowLeft:
                    return StoreSpanRatio(block, kSpanRatioMin);
                case kArrowRight:
                    return StoreSpanRatio(block, kSpanRatioMax);
                case kArrowUp:
                    return StoreSpanRatio(block, ratio + 1);
                case kArrowDown:
                    return StoreSpanRatio(block, ratio - 1);
                default:
                    return false;
            }
        }
        default:
            return false;
    }
}

bool TurnBandwidth(CChoiceBlock& block, int key, int steps) {
    if (steps == 0 && key != kKeySpanRbw) return false;
    return StepBandwidth(block, key, steps > 0 ? kArrowUp : kArrowDown);
}

// --- Sweep and trigger -----------------------------------------------------

bool IsSingleMode(int32_t mode) {
    return mode >= kInternalSingle && mode <= kVideoSingle;
}

int32_t SwapSingleContinuous(int32_t mode) {
    if (mode >= kInternalSingle && mode <= kVideoSingle) return mode + 3;
    if (mode >= kInternalContinuous && mode <= kVideoContinuous) return mode - 3;
    return mode;
}

int32_t ToggleExternalTrigger(int variant, int32_t mode) {
    if (variant == 0)
        return mode == kExternalContinuous ? kInternalContinuous : kExternalContinuous;
    return mode == kExternalSingle ? kInternalSingle : kExternalSingle;
}

int32_t ToggleVideoTrigger(int variant, int32_t mode) {
    if (variant == 0) return mode == kVideoContinuous ? kInternalContinuous : kVideoContinuous;
    return mode == kVideoSingle ? kInternalSingle : kVideoSingle;
}

uint32_t TriggerModeCaption(int32_t mode) {
    static constexpr uint32_t kCaptions[] = {63001, 63003, 63005, 64211, 63002, 63004};
    constexpr uint32_t kUndefined = 703;
    return mode >= 0 && mode < 6 ? kCaptions[mode] : kUndefined;
}

uint32_t GateDelayFromMs(double ms) {
    if (std::isnan(ms) || ms < kMinDelayMs) ms = kMinDelayMs;
    const double tenths = RoundToDecimals(ms, 1) * 10.0;
    // Rounded again: 0.1 x 10 is not exactly 1 in binary.
    const double whole = std::floor(tenths + 0.5);
    return static_cast<uint32_t>(std::clamp(whole, double(CTriggerSettings::kDelayMin),
                                            double(CTriggerSettings::kDelayMax)));
}

int16_t TriggerLevelFromDbm(double dbm) {
    if (std::isnan(dbm)) dbm = kMinLevelDbm;
    dbm = std::clamp(dbm, kMinLevelDbm, kMaxLevelDbm);
    return static_cast<int16_t>(std::trunc(dbm * 100.0));
}

bool StepGateDelay(CTriggerSettings& trigger, uint32_t arrow) {
    const uint32_t old = trigger.GetDelay();
    switch (arrow) {
        case kArrowLeft:
            trigger.SetDelay(CTriggerSettings::kDelayMin);
            break;
        case kArrowRight:
            trigger.SetDelay(CTriggerSettings::kDelayMax);
            break;
        case kArrowUp:
            trigger.IncDelay(kDelayArrowStep);
            break;
        case kArrowDown:
            trigger.DecDelay(kDelayArrowStep);
            break;
        default:
            return false;
    }
    return trigger.GetDelay() != old;
}

bool TurnGateDelay(CTriggerSettings& trigger, int steps) {
    const uint32_t old = trigger.GetDelay();
    if (steps > 0)
        trigger.IncDelay(kDelayKnobStep);
    else
        trigger.DecDelay(kDelayKnobStep);
    return trigger.GetDelay() != old;
}

bool StepTriggerLevel(CTriggerSettings& trigger, uint32_t arrow) {
    const int16_t old = trigger.GetLevel();
    switch (arrow) {
        case kArrowLeft:
            trigger.SetLevel(CTriggerSettings::kLevelMin);
            break;
        case kArrowRight:
            trigger.SetLevel(CTriggerSettings::kLevelMax);
            break;
        case kArrowUp:
            trigger.IncLevel(kLevelArrowStep);
            break;
        case kArrowDown:
            trigger.DecLevel(kLevelArrowStep);
            break;
        default:
            return false;
    }
    return trigger.GetLevel() != old;
}

bool TurnTriggerLevel(CTriggerSettings& trigger, int steps) {
    const int16_t old = trigger.GetLevel();
    if (steps > 0)
        trigger.IncLevel(kLevelKnobStep);
    else
        trigger.DecLevel(kLevelKnobStep);
    return trigger.GetLevel() != old;
}

core::Text GateDelayText(uint32_t tenths_ms) {
    return core::FormatText("% 6.1f", tenths_ms * 0.1);
}

core::Text TriggerLevelText(int16_t hundredths_dbm) {
    return core::FormatText("% 4.1f", hundredths_dbm * 0.01);
}

// --- Amplitude -----------------------------------------------------------------

double MaxReferenceDbm(double offset) {
    return offset + CMeasSetup::kRefAboveOffset;
}

double MinReferenceDbm(double offset) {
    return offset - CMeasSetup::kRefBelowOffset;
}

namespace {
// Moves the reference level to `dbm` within its limits; whether it moved.
bool StoreReferenceDbm(CMeasSetup& setup, double dbm) {
    const double old = setup.GetReferenceLevel(false);
    setup.AddReferenceLevel(false, dbm - WattsToDbm(old));
    return setup.GetReferenceLevel(false) != old;
}

bool StoreScale(CMeasSetup& setup, double scale) {
    const double old = setup.GetReferenceStepping();
    setup.SetReferenceStepping(scale);
    return setup.GetReferenceStepping() != old;
}

bool StoreOffset(CMeasSetup& setup, double offset) {
    const double old = setup.GetAmplitudeOffset();
    setup.SetAmplitudeOffset(RoundToDecimals(offset, 1));
    return setup.GetAmplitudeOffset() != old;
}
}  // namespace

bool StepReference(CMeasSetup& setup, uint32_t arrow) {
    const double offset = setup.GetAmplitudeOffset();
    const double now = setup.GetReferenceLevelDbm();
    const double division = setup.GetReferenceStepping();
    switch (arrow) {
        case kArrowLeft:
            return StoreReferenceDbm(setup, MinReferenceDbm(offset));
        case kArrowRight:
            return StoreReferenceDbm(setup, MaxReferenceDbm(offset));
        case kArrowUp:
            return StoreReferenceDbm(setup, now + division);
        case kArrowDown:
            return StoreReferenceDbm(setup, now - division);
        default:
            return false;
    }
}

bool TurnReference(CMeasSetup& setup, int steps) {
    const double step = setup.GetReferenceStepping() * kKnobFractionOfScale;
    const double now = setup.GetReferenceLevelDbm();
    return StoreReferenceDbm(setup, steps > 0 ? now + step : now - step);
}

bool StepScale(CMeasSetup& setup, uint32_t arrow) {
    const double scale = setup.GetReferenceStepping();
    switch (arrow) {
        case kArrowLeft:
            return StoreScale(setup, kMinScale);
        case kArrowRight:
            return StoreScale(setup, kMaxScale);
        case kArrowUp:
            return scale < kMaxScale && StoreScale(setup, scale + 1.0);
        case kArrowDown:
            return scale > kMinScale && StoreScale(setup, scale - 1.0);
        default:
            return false;
    }
}

bool TurnScale(CMeasSetup& setup, int wheel) {
    if (wheel > kScaleKnobThreshold) return StepScale(setup, kArrowUp);
    if (wheel < -kScaleKnobThreshold) return StepScale(setup, kArrowDown);
    return false;
}

bool StepOffset(CMeasSetup& setup, uint32_t arrow) {
    const double offset = setup.GetAmplitudeOffset();
    switch (arrow) {
        case kArrowLeft:
            return StoreOffset(setup, offset - kOffsetCoarseStep);
        case kArrowRight:
            return StoreOffset(setup, offset + kOffsetCoarseStep);
        case kArrowUp:
            return StoreOffset(setup, offset + kOffsetFineStep);
        case kArrowDown:
            return StoreOffset(setup, offset - kOffsetFineStep);
        default:
            return false;
    }
}

bool TurnOffset(CMeasSetup& setup, int steps) {
    return StepOffset(setup, steps > 0 ? kArrowUp : kArrowDown);
}

int AttenuationForKey(int key) {
    return key >= 1 && key <= 4 ? (key - 1) * 10 : -1;
}

int32_t UnitForKey(int key) {
    static constexpr int32_t kUnits[] = {UNIT_DBM, UNIT_DBUV, UNIT_DBMV, UNIT_DBV, UNIT_V, UNIT_W};
    return key >= 0 && key < 6 ? kUnits[key] : -1;
}

bool IsLinearUnit(uint32_t unit) {
    return (unit >= UNIT_FW && unit <= UNIT_KW) || (unit >= UNIT_FV && unit <= UNIT_KV);
}

bool IsLogUnit(uint32_t unit) {
    return !IsLinearUnit(unit);
}

uint32_t AutoScaleUnitFor(double reference_watts, uint32_t unit) {
    if (unit >= UNIT_FW && unit <= UNIT_KW) return AutoScaleUnit(reference_watts, UNIT_W);
    if (unit >= UNIT_FV && unit <= UNIT_KV) return AutoScaleUnit(reference_watts, UNIT_V);
    return unit;
}

double ConvertLimit(double value, uint32_t from_unit, uint32_t to_unit, double top, double bottom) {
    const double v = ConvertPowerUnit(value, to_unit, from_unit);
    if (std::isnan(v) || v > top) return top;
    if (v < bottom) return bottom;
    return v;
}

}  // namespace specan

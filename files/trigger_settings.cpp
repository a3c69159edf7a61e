#include "files/trigger_settings.h"

#include <algorithm>

int32_t CTriggerSettings::SetMode(int32_t m) {
    if (m < 0 || m >= kModeCount) return -1;
    mode_ = m;
    mode_remainder_ = m % 3;
    mode_group_ = m / 3;
    return (m / 3) * 3;
}

void CTriggerSettings::SetType(uint8_t t) {
    type_ = t;
    Mark();
}

int32_t CTriggerSettings::SetRisingEdge(bool on) {
    Mark();
    if (!on) {
        edge_ = kFalling;
        return 1;
    }
    if (edge_ == kFalling) {
        edge_ = kBoth;
        return 2;
    }
    return 1;
}

int32_t CTriggerSettings::SetFallingEdge(bool on) {
    Mark();
    if (!on) {
        edge_ = kRising;
        return 0;
    }
    if (edge_ == kRising) {
        edge_ = kBoth;
        return 2;
    }
    return 1;
}

bool CTriggerSettings::SetEdge(int32_t e) {
    if (e < kRising || e > kBoth) return false;
    edge_ = e;
    Mark();
    return true;
}

void CTriggerSettings::SetFlagA(uint8_t b) {
    flag_a_ = b;
    Mark();
}
void CTriggerSettings::SetFlagB(uint8_t b) {
    flag_b_ = b;
    Mark();
}

void CTriggerSettings::SetDelay(uint32_t delay) {
    delay_ = std::clamp(delay, kDelayMin, kDelayMax);
    Mark();
}

void CTriggerSettings::IncDelay(uint32_t step) {
    delay_ = step >= kDelayMax || delay_ >= kDelayMax - step ? kDelayMax : delay_ + step;
    Mark();
}

void CTriggerSettings::DecDelay(uint32_t step) {
    delay_ = delay_ <= step ? kDelayMin : delay_ - step;
    Mark();
}

void CTriggerSettings::SetLevel(int16_t level) {
    level_ = std::clamp(level, kLevelMin, kLevelMax);
}

void CTriggerSettings::IncLevel(int32_t step) {
    // Computed in 32 bits so that a large step cannot wrap past the limits.
    level_ =
        static_cast<int16_t>(std::clamp<int64_t>(int64_t{level_} + step, kLevelMin, kLevelMax));
    Mark();
}

void CTriggerSettings::DecLevel(int32_t step) {
    level_ =
        static_cast<int16_t>(std::clamp<int64_t>(int64_t{level_} - step, kLevelMin, kLevelMax));
    Mark();
}

bool CTriggerSettings::SetCondition(int32_t condition) {
    if (condition < 0 || condition >= kConditionCount) return false;
    condition_ = condition;
    Mark();
    return true;
}

#include "core/frequency_range.h"

#include <algorithm>

// Every difference below is taken only after a comparison has shown that it
// cannot fall below zero, so that the lower clamps work on unsigned values.

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

uint64_t Clamp(uint64_t v, uint64_t lo, uint64_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// a - b, or `floor` when that would lie below it (or below zero).
uint64_t MinusAtLeast(uint64_t a, uint64_t b, uint64_t floor) {
    return a >= b && a - b >= floor ? a - b : floor;
}

// a + b, or `ceiling` when that would lie above it (or overflow).
uint64_t PlusAtMost(uint64_t a, uint64_t b, uint64_t ceiling) {
    return b <= ceiling && a <= ceiling - b ? a + b : ceiling;
}

}  // namespace

CFrequencyRange::CFrequencyRange(uint32_t owner, uint64_t start, uint64_t stop)
    : start_(start), stop_(stop), owner_(owner) {
    Recompute();
    SetLimits(0, kDefaultUpper, kDefaultMinSpan);
}

CFrequencyRange::CFrequencyRange(uint64_t start, uint64_t centre, uint64_t stop, uint64_t span)
    : start_(start), stop_(stop), centre_(centre), span_(span) {
    SetLimits(0, kDefaultUpper, kDefaultMinSpan);
}

void CFrequencyRange::CopyValuesFrom(const CFrequencyRange& other) {
    if (&other == this) return;
    std::scoped_lock lock(mutex_, other.mutex_);
    start_ = other.start_;
    stop_ = other.stop_;
    centre_ = other.centre_;
    span_ = other.span_;
    step_ = other.step_;
    lower_ = other.lower_;
    upper_ = other.upper_;
    min_span_ = other.min_span_;
    limit_span_ = other.limit_span_;
    mode_ = other.mode_;
    owner_ = other.owner_;
    changed_ = other.changed_;
}

void CFrequencyRange::Recompute() {
    span_ = stop_ > start_ ? stop_ - start_ : 0;
    centre_ = start_ + span_ / 2;
}

void CFrequencyRange::SetLimits(uint64_t lower, uint64_t upper, uint64_t min_span) {
    Lock lock(mutex_);
    lower_ = lower;
    upper_ = std::max(upper, lower + min_span);
    min_span_ = min_span;
    limit_span_ = upper_ - lower_;
    start_ = Clamp(start_, lower_, upper_ - min_span_);
    stop_ = Clamp(stop_, lower_, upper_);
    if (stop_ < start_ + min_span_) stop_ = start_ + min_span_;
    Recompute();
}

void CFrequencyRange::ClearMode() {
    Lock lock(mutex_);
    mode_ = 0;
}

int CFrequencyRange::SetStart(uint64_t f, bool adjust) {
    Lock lock(mutex_);
    f = Clamp(f, lower_, upper_ - min_span_);
    if (f == start_) {
        changed_ = false;
        return 0;
    }
    start_ = f;
    if (adjust && stop_ < start_) stop_ = start_ + min_span_;
    // A span below the minimum (a stop below the start included) becomes the minimum.
    if (stop_ < start_ || stop_ - start_ < min_span_) stop_ = start_ + min_span_;
    Recompute();
    changed_ = true;
    return 1;
}

int CFrequencyRange::SetStop(uint64_t f, bool adjust) {
    Lock lock(mutex_);
    f = Clamp(f, lower_ + min_span_, upper_);
    if (f == stop_) {
        changed_ = false;
        return 0;
    }
    stop_ = f;
    if (adjust && start_ > stop_) start_ = stop_ - min_span_;
    if (start_ > stop_ || stop_ - start_ < min_span_) start_ = stop_ - min_span_;
    Recompute();
    changed_ = true;
    return 1;
}

int CFrequencyRange::SetCentre(uint64_t f, bool adjust) {
    Lock lock(mutex_);
    f = Clamp(f, lower_ + min_span_ / 2, upper_ - min_span_ / 2);
    if (f == centre_) {
        changed_ = false;
        return 0;
    }
    centre_ = f;
    if (adjust) {
        stop_ = centre_ + span_ / 2;
        if (stop_ > upper_) {
            stop_ = upper_;
            span_ = (upper_ - centre_) * 2;
        }
        if (span_ > stop_ || stop_ - span_ < lower_) {
            start_ = lower_;
            span_ = (centre_ - lower_) * 2;
            stop_ = lower_ + span_;
        } else {
            start_ = stop_ - span_;
        }
    }
    changed_ = true;
    return 1;
}

int CFrequencyRange::SetSpan(uint64_t s, bool adjust) {
    Lock lock(mutex_);
    s = Clamp(s, min_span_, limit_span_);
    if (s == span_) {
        changed_ = false;
        return 0;
    }
    span_ = s;
    if (adjust) {
        stop_ = centre_ + s / 2;
        if (stop_ > upper_) {
            stop_ = upper_;
            centre_ = upper_ - s / 2;
        }
        if (s > stop_ || stop_ - s < lower_) {
            start_ = lower_;
            centre_ = lower_ + s / 2;
            stop_ = lower_ + s;
        } else {
            start_ = stop_ - s;
        }
    }
    changed_ = true;
    return 1;
}

bool CFrequencyRange::IsValidStart(uint64_t f) const {
    Lock lock(mutex_);
    return lower_ <= f && f <= upper_ - min_span_;
}

int CFrequencyRange::SetStep(int64_t step) {
    Lock lock(mutex_);
    if (step <= 0) {
        step_ = 1;
        return 0;
    }
    if (static_cast<uint64_t>(step) > upper_) {
        step_ = upper_;
        return 0;
    }
    step_ = static_cast<uint64_t>(step);
    return 1;
}

int CFrequencyRange::Set(uint64_t start, uint64_t centre, uint64_t stop, uint64_t span,
                         uint32_t mode) {
    Lock lock(mutex_);
    if (start >= stop) return 0;
    start_ = start;
    stop_ = stop;
    centre_ = centre;
    mode_ = mode;
    span_ = span != 0 ? span : stop - start;
    return 1;
}

void CFrequencyRange::Get(uint64_t& start, uint64_t& centre, uint64_t& stop, uint64_t& span,
                          uint32_t& mode) const {
    Lock lock(mutex_);
    start = start_;
    centre = centre_;
    stop = stop_;
    span = span_;
    mode = mode_;
}

uint64_t CFrequencyRange::GetStart() const {
    Lock lock(mutex_);
    return start_;
}
uint64_t CFrequencyRange::GetStop() const {
    Lock lock(mutex_);
    return stop_;
}
uint64_t CFrequencyRange::GetCentre() const {
    Lock lock(mutex_);
    return centre_;
}
uint64_t CFrequencyRange::GetSpan() const {
    Lock lock(mutex_);
    return span_;
}
uint64_t CFrequencyRange::GetStep() const {
    Lock lock(mutex_);
    return step_;
}
uint32_t CFrequencyRange::GetMode() const {
    Lock lock(mutex_);
    return mode_;
}
uint64_t CFrequencyRange::GetLowerLimit() const {
    Lock lock(mutex_);
    return lower_;
}
uint64_t CFrequencyRange::GetUpperLimit() const {
    Lock lock(mutex_);
    return upper_;
}
uint64_t CFrequencyRange::GetMinSpan() const {
    Lock lock(mutex_);
    return min_span_;
}

float CFrequencyRange::ToDisplayUnit(uint64_t f, uint32_t unit) const {
    Lock lock(mutex_);
    float value = static_cast<float>(f);
    if (unit == mode_) return value;
    switch (unit) {
        case 1:
            return static_cast<float>(value * 0.001);
        case 2:
            return static_cast<float>(value * 1e-6);
        case 3:
            return static_cast<float>(value * 1e-9);
        default:
            return value;
    }
}

void CFrequencyRange::SetChanged(bool changed) {
    Lock lock(mutex_);
    changed_ = changed;
}
bool CFrequencyRange::IsChanged() const {
    Lock lock(mutex_);
    return changed_;
}
void CFrequencyRange::SetOwner(uint32_t owner) {
    Lock lock(mutex_);
    owner_ = owner;
}
uint32_t CFrequencyRange::GetOwner() const {
    Lock lock(mutex_);
    return owner_;
}

uint64_t CFrequencyRange::PointFrequency(uint32_t i, uint32_t n) const {
    Lock lock(mutex_);
    if (n == 0) return start_;
    return start_ + i * (span_ / n);
}

// The caller's bounds, narrowed so that the range's own limits and its
// minimum span always hold.
void CFrequencyRange::StepStart(bool up, uint64_t delta, uint64_t upper, uint64_t lower) {
    Lock lock(mutex_);
    uint64_t hi = std::min(upper, stop_ - min_span_);
    uint64_t lo = std::max(lower, lower_);
    if (lo > hi) return;
    start_ = up ? PlusAtMost(start_, delta, hi) : MinusAtLeast(start_, delta, lo);
    start_ = Clamp(start_, lo, hi);
    Recompute();
}

void CFrequencyRange::StepStop(bool up, uint64_t delta, uint64_t upper, uint64_t lower) {
    Lock lock(mutex_);
    uint64_t hi = std::min(upper, upper_);
    uint64_t lo = std::max(lower, start_ + min_span_);
    if (lo > hi) return;
    stop_ = up ? PlusAtMost(stop_, delta, hi) : MinusAtLeast(stop_, delta, lo);
    stop_ = Clamp(stop_, lo, hi);
    Recompute();
}

void CFrequencyRange::StepCentre(bool up, uint64_t delta, uint64_t upper, uint64_t lower) {
    Lock lock(mutex_);
    upper = std::min(upper, upper_);
    lower = std::max(lower, lower_);
    uint64_t half = span_ / 2;
    uint64_t centre;
    if (up) {
        if (delta > upper || centre_ > upper - delta) return;
        centre = centre_ + delta;
        if (half > upper || centre > upper - half) return;
    } else {
        if (delta > centre_) return;
        centre = centre_ - delta;
        if (centre < half || centre - half < lower) return;
    }
    centre_ = centre;
    start_ = centre_ - half;
    stop_ = start_ + span_;
}

void CFrequencyRange::StepSpan(bool up, uint64_t delta, uint64_t upper, uint64_t lower) {
    Lock lock(mutex_);
    upper = std::min(upper, upper_);
    lower = std::max(lower, lower_);
    uint64_t span;
    if (up) {
        if (delta > limit_span_ || span_ > limit_span_ - delta) return;
        span = span_ + delta;
        uint64_t half = span / 2;
        if (centre_ + half > upper || centre_ < half || centre_ - half < lower) return;
    } else {
        // A span that would not stay positive, or would fall below the minimum, is refused.
        if (delta >= span_ || span_ - delta < min_span_) return;
        span = span_ - delta;
    }
    span_ = span;
    start_ = centre_ - span_ / 2;
    stop_ = start_ + span_;
}

uint64_t CFrequencyRange::GetSpanHundredth() const {
    Lock lock(mutex_);
    return span_ / 100;
}

uint64_t CFrequencyRange::MaxOf(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    return std::max({a, b, c + 2 * d});
}

uint64_t CFrequencyRange::GetLowLimit1(bool has_option) {
    return has_option ? 2000000 : 325000000;
}
uint64_t CFrequencyRange::GetLowLimit2(bool has_option) {
    return has_option ? 1600000 : 325000000;
}
uint64_t CFrequencyRange::MinOf(uint64_t a, uint64_t b) {
    return std::min(a, b);
}

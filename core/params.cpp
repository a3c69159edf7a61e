#include "core/params.h"

#include <cmath>

#include "core/res_string.h"
#include "core/units.h"

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;

constexpr uint64_t kRbwHertz[CChoiceBlock::kRbwCount] = {100,   300,    1000,   3000,   10000,
                                                         30000, 100000, 300000, 1000000};
constexpr uint64_t kVbwHertz[CChoiceBlock::kVbwCount] = {10,    30,    100,    300,    1000,   3000,
                                                         10000, 30000, 100000, 300000, 1000000};
constexpr uint32_t kRbwFirstLabel = 899;
constexpr uint32_t kVbwFirstLabel = 897;
constexpr uint32_t kSpanRatioMin = 10, kSpanRatioMax = 3600;
constexpr uint32_t kVbwRatioMin = 1, kVbwRatioMax = 350;

uint32_t AddAtMost(uint32_t v, uint32_t step, uint32_t max) {
    return step >= max || v >= max - step ? max : v + step;
}
uint32_t SubtractAbove(uint32_t v, uint32_t step, uint32_t min) {
    return v > step && v - step > min ? v - step : min;
}
}  // namespace

uint32_t DefaultUnitCode() {
    return UNIT_W;
}

CGuardedValue::CGuardedValue(uint32_t unit) : unit_(unit) {}

CGuardedValue::CGuardedValue(uint32_t unit, double value, double factor)
    : unit_(unit), upper_(value * std::pow(factor, 10)), lower_(value), derived_(factor) {}

int CGuardedValue::SetRange(double lower, double upper, uint32_t unit) {
    Lock lock(mutex_);
    if (!(lower <= upper)) return 0;
    lower_ = lower;
    upper_ = upper;
    unit_ = unit;
    return 1;
}

void CGuardedValue::GetRange(double& upper, double& lower, uint32_t& unit) const {
    Lock lock(mutex_);
    upper = upper_;
    lower = lower_;
    unit = unit_;
}

double CGuardedValue::GetLower() const {
    Lock lock(mutex_);
    return lower_;
}
double CGuardedValue::GetUpper() const {
    Lock lock(mutex_);
    return upper_;
}
uint32_t CGuardedValue::GetUnit() const {
    Lock lock(mutex_);
    return unit_;
}
void CGuardedValue::SetUnit(uint32_t unit) {
    Lock lock(mutex_);
    unit_ = unit;
}
double CGuardedValue::GetDerived() const {
    Lock lock(mutex_);
    return derived_;
}

void CGuardedValue::RecomputeDerived() {
    double upper_w = ConvertPowerUnit(upper_, UNIT_W, unit_);
    double lower_w = ConvertPowerUnit(lower_, UNIT_W, unit_);
    derived_ = ConvertPowerUnit(std::fabs(upper_w - lower_w) * 0.1, unit_, UNIT_W);
}

void CGuardedValue::SetLower(double value, bool recompute) {
    Lock lock(mutex_);
    lower_ = value;
    if (recompute) RecomputeDerived();
}

void CGuardedValue::SetUpper(double value, bool recompute) {
    Lock lock(mutex_);
    upper_ = value;
    if (recompute) RecomputeDerived();
}

void CGuardedValue::CopyValuesFrom(const CGuardedValue& other) {
    if (&other == this) return;
    std::scoped_lock lock(mutex_, other.mutex_);
    unit_ = other.unit_;
    upper_ = other.upper_;
    lower_ = other.lower_;
    derived_ = other.derived_;
}

CChoiceBlock::CChoiceBlock(IChoiceOwner* owner) : owner_(owner) {}

void CChoiceBlock::CopyValuesFrom(const CChoiceBlock& other) {
    if (&other == this) return;
    std::scoped_lock lock(mutex_, other.mutex_);
    rbw_index_ = other.rbw_index_;
    vbw_index_ = other.vbw_index_;
    rbw_mode_ = other.rbw_mode_;
    vbw_mode_ = other.vbw_mode_;
    span_ratio_ = other.span_ratio_;
    vbw_ratio_ = other.vbw_ratio_;
    applied_ = other.applied_;
    changed_ = other.changed_;
}

uint64_t CChoiceBlock::RbwHertz(uint32_t index) {
    return kRbwHertz[index < kRbwCount ? index : kRbwCount - 1];
}
uint64_t CChoiceBlock::VbwHertz(uint32_t index) {
    return kVbwHertz[index < kVbwCount ? index : kVbwCount - 1];
}

uint32_t CChoiceBlock::LookUp(const uint64_t* table, uint32_t count, uint64_t hertz) {
    uint32_t index = 0;
    for (uint32_t i = 0; i < count && table[i] <= hertz; ++i) index = i;
    return index;
}

uint32_t CChoiceBlock::GetRbwIndex(bool reverse) const {
    Lock lock(mutex_);
    return reverse ? 8 - rbw_index_ : rbw_index_;
}

uint32_t CChoiceBlock::GetVbwIndex(bool reverse) const {
    Lock lock(mutex_);
    return reverse ? 10 - vbw_index_ : vbw_index_;
}

uint32_t CChoiceBlock::GetRbwMode() const {
    Lock lock(mutex_);
    return rbw_mode_;
}
uint32_t CChoiceBlock::GetVbwMode() const {
    Lock lock(mutex_);
    return vbw_mode_;
}
uint32_t CChoiceBlock::GetSpanRatio() const {
    Lock lock(mutex_);
    return span_ratio_;
}
uint32_t CChoiceBlock::GetVbwRatio() const {
    Lock lock(mutex_);
    return vbw_ratio_;
}
bool CChoiceBlock::IsApplied() const {
    Lock lock(mutex_);
    return applied_;
}
bool CChoiceBlock::IsChanged() const {
    Lock lock(mutex_);
    return changed_;
}
void CChoiceBlock::ClearChanged() {
    Lock lock(mutex_);
    changed_ = false;
}

namespace {
template <typename T>
int StoreIfDifferent(T& field, T value) {
    if (field == value) return 0;
    field = value;
    return 1;
}
}  // namespace

#define CHOICE_SETTER(Name, field, expr)                  \
    int CChoiceBlock::Name(uint32_t value, bool notify) { \
        Lock lock(mutex_);                                \
        int changed = StoreIfDifferent(field, (expr));    \
        if (changed && notify) OnChoiceChanged();         \
        return changed;                                   \
    }

CHOICE_SETTER(SetRbwIndex, rbw_index_, value < kRbwCount ? value : kRbwCount - 1)
CHOICE_SETTER(SetVbwIndex, vbw_index_, value < kVbwCount ? value : kVbwCount - 1)
CHOICE_SETTER(SetRbwMode, rbw_mode_, value)
CHOICE_SETTER(SetVbwMode, vbw_mode_, value)
CHOICE_SETTER(SetSpanRatio, span_ratio_, value)
CHOICE_SETTER(SetVbwRatio, vbw_ratio_, value)
#undef CHOICE_SETTER

core::Text CChoiceBlock::GetRbwLabel() const {
    return LoadResString(kRbwFirstLabel + GetRbwIndex());
}
core::Text CChoiceBlock::GetVbwLabel() const {
    return LoadResString(kVbwFirstLabel + GetVbwIndex());
}

int CChoiceBlock::StepIndex(uint32_t& index, bool up, uint32_t max) {
    Lock lock(mutex_);
    if (up ? index >= max : index == 0) return 0;
    index = up ? index + 1 : index - 1;
    OnChoiceChanged();
    return 1;
}

int CChoiceBlock::StepRbwUp() {
    return StepIndex(rbw_index_, true, kRbwCount - 1);
}
int CChoiceBlock::StepVbwUp() {
    return StepIndex(vbw_index_, true, kVbwAutoMax);
}
int CChoiceBlock::StepRbwDown() {
    return StepIndex(rbw_index_, false, 0);
}
int CChoiceBlock::StepVbwDown() {
    return StepIndex(vbw_index_, false, 0);
}

void CChoiceBlock::IncreaseSpanRatio(uint32_t step) {
    Lock lock(mutex_);
    span_ratio_ = AddAtMost(span_ratio_, step, kSpanRatioMax);
    OnChoiceChanged();
}

void CChoiceBlock::IncreaseVbwRatio(uint32_t step) {
    Lock lock(mutex_);
    vbw_ratio_ = AddAtMost(vbw_ratio_, step, kVbwRatioMax);
    OnChoiceChanged();
}

void CChoiceBlock::DecreaseSpanRatio(uint32_t step) {
    Lock lock(mutex_);
    span_ratio_ = SubtractAbove(span_ratio_, step, kSpanRatioMin);
    OnChoiceChanged();
}

void CChoiceBlock::DecreaseVbwRatio(uint32_t step) {
    Lock lock(mutex_);
    vbw_ratio_ = SubtractAbove(vbw_ratio_, step, kVbwRatioMin);
    OnChoiceChanged();
}

int CChoiceBlock::UpdateForSpan(uint64_t span) {
    Lock lock(mutex_);
    int changed = 0;
    if (rbw_mode_ != kModeManual) {
        uint64_t target = span / (span_ratio_ ? span_ratio_ : 1);
        changed |= StoreIfDifferent(rbw_index_, LookUp(kRbwHertz, kRbwCount, target));
    }
    if (vbw_mode_ != kModeManual) {
        uint64_t target = RbwHertz(rbw_index_) / (vbw_ratio_ ? vbw_ratio_ : 1);
        uint32_t index = LookUp(kVbwHertz, kVbwCount, target);
        changed |= StoreIfDifferent(vbw_index_, index < kVbwAutoMax ? index : kVbwAutoMax);
    }
    return changed;
}

void CChoiceBlock::ApplyToOwner() {
    Lock lock(mutex_);
    applied_ = true;
    if (CFrequencyRange* range = owner_ ? owner_->GetFrequencyRange() : nullptr) {
        UpdateForSpan(range->GetSpan());
    }
}

void CChoiceBlock::OnChoiceChanged() {
    Lock lock(mutex_);
    changed_ = true;
    if (!owner_) return;
    owner_->OnChoiceChanged();
    if (CFrequencyRange* range = owner_->GetFrequencyRange()) UpdateForSpan(range->GetSpan());
}

FrequencyAxis& GetFrequencyAxis() {
    static FrequencyAxis axis;
    return axis;
}

void FillFrequencyAxis(const CFrequencyRange& range, FrequencyAxis& axis) {
    // Start and span in one read: a range changed meanwhile never gives an
    // axis with the start of one range and the span of another.
    uint64_t start = 0, centre = 0, stop = 0, span = 0;
    uint32_t mode = 0;
    range.Get(start, centre, stop, span, mode);
    uint64_t step = span / (kAxisPoints - 1);
    for (size_t i = 0; i < kAxisPoints; ++i) axis.first[i] = start + i * step;
}

void FillFrequencyAxis(const CFrequencyRange& range) {
    FillFrequencyAxis(range, GetFrequencyAxis());
}

#pragma once
// A thread-safe 64-bit frequency span with limits: start, stop, centre, span
// and step in hertz, kept within [lower limit, upper limit] with at least the
// minimum span.
#include <cstdint>
#include <mutex>

class CFrequencyRange {
  public:
    static constexpr uint64_t kDefaultUpper = 3600000000ull;
    static constexpr uint64_t kDefaultMinSpan = 1000;
    static constexpr uint64_t kDefaultStep = 1000000;

    CFrequencyRange(uint32_t owner, uint64_t start, uint64_t stop);
    CFrequencyRange(uint64_t start, uint64_t centre, uint64_t stop, uint64_t span);
    virtual ~CFrequencyRange() = default;
    // Every value and limit of `other` (a copy of a setup's range).
    void CopyValuesFrom(const CFrequencyRange& other);

    void ClearMode();
    // Each Set* returns 1 when it changed a value (and sets the changed flag
    // accordingly).
    int SetSpan(uint64_t span, bool adjust);
    int SetCentre(uint64_t centre, bool adjust);
    bool IsValidStart(uint64_t f) const;
    int SetStart(uint64_t f, bool adjust);
    int SetStop(uint64_t f, bool adjust);
    int SetStep(int64_t step);
    // Stores the values without limits; 0 when start is not below stop.
    int Set(uint64_t start, uint64_t centre, uint64_t stop, uint64_t span, uint32_t mode);
    void Get(uint64_t& start, uint64_t& centre, uint64_t& stop, uint64_t& span,
             uint32_t& mode) const;
    uint64_t GetStart() const;
    uint64_t GetStop() const;
    uint64_t GetCentre() const;
    uint64_t GetSpan() const;
    uint64_t GetStep() const;
    uint32_t GetMode() const;
    float ToDisplayUnit(uint64_t f, uint32_t unit) const;
    void SetChanged(bool changed);
    bool IsChanged() const;
    void SetOwner(uint32_t owner);
    uint32_t GetOwner() const;
    // start + i * (span / n); the start when n is 0.
    uint64_t PointFrequency(uint32_t i, uint32_t n) const;
    void StepStart(bool up, uint64_t delta, uint64_t upper, uint64_t lower);
    void StepStop(bool up, uint64_t delta, uint64_t upper, uint64_t lower);
    void StepCentre(bool up, uint64_t delta, uint64_t upper, uint64_t lower);
    void StepSpan(bool up, uint64_t delta, uint64_t upper, uint64_t lower);
    uint64_t GetSpanHundredth() const;
    static uint64_t MaxOf(uint64_t a, uint64_t b, uint64_t c, uint64_t d);
    // The lowest usable frequencies: lower with the acquisition board's option.
    static uint64_t GetLowLimit1(bool has_option);
    static uint64_t GetLowLimit2(bool has_option);
    static uint64_t MinOf(uint64_t a, uint64_t b);

    void SetLimits(uint64_t lower, uint64_t upper, uint64_t min_span);
    uint64_t GetLowerLimit() const;
    uint64_t GetUpperLimit() const;
    uint64_t GetMinSpan() const;

  private:
    void Recompute();  // span and centre from start and stop

    mutable std::recursive_mutex mutex_;
    uint64_t start_ = 0, stop_ = 0, centre_ = 0, span_ = 0, step_ = kDefaultStep;
    uint64_t lower_ = 0, upper_ = 0, min_span_ = 0, limit_span_ = 0;
    uint32_t mode_ = 0;
    uint32_t owner_ = 0;
    bool changed_ = false;
};

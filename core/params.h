#pragma once
// Parameter objects shared by setups, measurements and screens: a guarded
// pair of values with a unit, the bandwidth choice block, a position record
// and the program-wide 705-point frequency axis.
#include <array>
#include <cstdint>
#include <mutex>

#include "core/frequency_range.h"
#include "core/text.h"

// The base unit of power values (the watt).
uint32_t DefaultUnitCode();

class CGuardedValue {
  public:
    explicit CGuardedValue(uint32_t unit);
    // lower := value, upper := value * factor^10, derived := factor.
    CGuardedValue(uint32_t unit, double value, double factor);
    virtual ~CGuardedValue() = default;
    // Every value of `other`.
    void CopyValuesFrom(const CGuardedValue& other);

    // Refuses (0) unless lower <= upper.
    int SetRange(double lower, double upper, uint32_t unit);
    void GetRange(double& upper, double& lower, uint32_t& unit) const;
    double GetLower() const;
    double GetUpper() const;
    uint32_t GetUnit() const;
    void SetUnit(uint32_t unit);
    // With recompute: derived := a tenth of |upper - lower| taken in watts,
    // converted back to the unit.
    void SetLower(double value, bool recompute);
    void SetUpper(double value, bool recompute);
    double GetDerived() const;

  private:
    void RecomputeDerived();

    mutable std::recursive_mutex mutex_;
    uint32_t unit_;
    double upper_ = 0.0;
    double lower_ = 0.0;
    double derived_ = 0.0;
};

// What a choice block needs of the setup that owns it.
class IChoiceOwner {
  public:
    virtual ~IChoiceOwner() = default;
    virtual void OnChoiceChanged() {}
    // The owner's frequency range, or null.
    virtual CFrequencyRange* GetFrequencyRange() { return nullptr; }
};

// The bandwidth block: resolution and video bandwidth indexes with their
// automatic/manual modes and the coupling ratios Span/RBW and RBW/VBW.
class CChoiceBlock {
  public:
    static constexpr uint32_t kRbwCount = 9;   // 100 Hz .. 1 MHz
    static constexpr uint32_t kVbwCount = 11;  // 10 Hz .. 1 MHz
    static constexpr uint32_t kVbwAutoMax = 9;
    static constexpr uint32_t kModeAuto = 0;
    static constexpr uint32_t kModeManual = 1;

    explicit CChoiceBlock(IChoiceOwner* owner = nullptr);
    virtual ~CChoiceBlock() = default;
    // Every value of `other`; the owner stays and is not told.
    void CopyValuesFrom(const CChoiceBlock& other);

    uint32_t GetRbwIndex(bool reverse = false) const;
    uint32_t GetVbwIndex(bool reverse = false) const;
    uint32_t GetRbwMode() const;
    uint32_t GetVbwMode() const;
    uint32_t GetSpanRatio() const;
    uint32_t GetVbwRatio() const;
    // Setters store a differing value and return 1 (0 when unchanged); with
    // notify they call OnChoiceChanged.
    int SetRbwIndex(uint32_t index, bool notify);
    int SetVbwIndex(uint32_t index, bool notify);
    int SetRbwMode(uint32_t mode, bool notify);
    int SetVbwMode(uint32_t mode, bool notify);
    int SetSpanRatio(uint32_t ratio, bool notify);
    int SetVbwRatio(uint32_t ratio, bool notify);
    core::Text GetRbwLabel() const;
    core::Text GetVbwLabel() const;
    int StepRbwUp();
    int StepVbwUp();
    int StepRbwDown();
    int StepVbwDown();
    void IncreaseSpanRatio(uint32_t step);
    void IncreaseVbwRatio(uint32_t step);
    void DecreaseSpanRatio(uint32_t step);
    void DecreaseVbwRatio(uint32_t step);
    // Re-couples the automatic bandwidths to a span; 1 when an index changed.
    int UpdateForSpan(uint64_t span);
    void ApplyToOwner();
    bool IsApplied() const;
    bool IsChanged() const;
    void ClearChanged();

    static uint64_t RbwHertz(uint32_t index);
    static uint64_t VbwHertz(uint32_t index);
    // The largest table entry not above `hertz` (index 0 below the first).
    static uint32_t LookUp(const uint64_t* table, uint32_t count, uint64_t hertz);

  protected:
    // Marks the block changed, tells the owner and re-couples with its span.
    virtual void OnChoiceChanged();

  private:
    int StepIndex(uint32_t& index, bool up, uint32_t max);

    mutable std::recursive_mutex mutex_;
    uint32_t rbw_index_ = 8;
    uint32_t vbw_index_ = 9;
    uint32_t rbw_mode_ = kModeAuto;
    uint32_t vbw_mode_ = kModeAuto;
    uint32_t span_ratio_ = 300;
    uint32_t vbw_ratio_ = 3;
    IChoiceOwner* owner_;
    bool applied_ = false;
    bool changed_ = false;
};

// A geographic position.
struct CCoordinate {
    uint32_t whole = 0;
    uint32_t fraction = 0;
    uint8_t hemisphere = 0;
};

class CGeoPoint {
  public:
    CCoordinate GetLatitude() const { return latitude_; }
    CCoordinate GetLongitude() const { return longitude_; }
    int64_t GetAltitude() const { return altitude_; }
    void SetLatitude(uint32_t whole, uint32_t fraction, uint8_t hemisphere) {
        latitude_ = {whole, fraction, hemisphere};
    }
    void SetLongitude(uint32_t whole, uint32_t fraction, uint8_t hemisphere) {
        longitude_ = {whole, fraction, hemisphere};
    }
    void SetAltitude(int64_t altitude) { altitude_ = altitude; }
    core::Text GetLabel() const { return label_; }
    void SetLabel(std::u16string_view label) { label_ = label; }

  private:
    CCoordinate latitude_;
    CCoordinate longitude_;
    int64_t altitude_ = 0;
    core::Text label_;
};

// The program-wide frequency axis of the display: two arrays of 705 points
// and a flag, all zero at start-up. The first is filled from a setup's range;
// the screens fill the second.
inline constexpr size_t kAxisPoints = 705;
struct FrequencyAxis {
    std::array<uint64_t, kAxisPoints> first{};
    std::array<uint64_t, kAxisPoints> second{};
    uint8_t flag = 0;
};
FrequencyAxis& GetFrequencyAxis();

// Point i := start + i * (span / 704).
void FillFrequencyAxis(const CFrequencyRange& range, FrequencyAxis& axis);
void FillFrequencyAxis(const CFrequencyRange& range);

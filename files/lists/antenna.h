#pragma once
// Antennas of the field strength measurement: a name, one or two frequency
// bands and a gain per band (hundredths of a dB), and the list of them.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/text.h"

class CAntenna {
  public:
    struct Band {
        uint64_t start = 0, stop = 0;
    };
    static constexpr uint64_t kNoneStop = 3600000000ull;

    CAntenna() = default;
    // A built-in row: span, start and stop in MHz, gain in dB.
    static std::unique_ptr<CAntenna> FromBuiltIn(core::Text name, int32_t bands, uint64_t span_mhz,
                                                 uint64_t start_mhz, uint64_t stop_mhz,
                                                 int32_t gain_db);
    // Explicit values: the first band, and the second when `bands` is 2.
    CAntenna(core::Text name, int32_t bands, uint64_t start, uint64_t stop, int32_t gain,
             uint64_t start2 = 0, uint64_t stop2 = 0, int32_t gain2 = 0);
    // The antenna that stands for none: one band over the whole range.
    static std::unique_ptr<CAntenna> None();
    virtual ~CAntenna() = default;

    // Band i's gain in hundredths of a dB (an index of 2 or more: band 0).
    virtual int32_t GetGainRaw(int i) const;
    float GetGain(int i) const { return static_cast<float>(GetGainRaw(i)) * 0.01f; }
    // The second band's gain when it holds the frequency, else the first's.
    virtual int32_t GetGainAt(uint64_t hertz) const;
    virtual const core::Text& GetName() const { return name_; }
    virtual bool GetFlag() const { return flag_; }
    // Band i's start and stop in Hz; 0 for a band the antenna lacks.
    virtual uint64_t GetStart(int i) const;
    virtual uint64_t GetStop(int i) const;
    int32_t GetBandCount() const { return band_count_; }
    uint64_t GetSpan() const { return span_; }
    void SetSpan(uint64_t hertz) { span_ = hertz; }
    // "name (start - stop) gain dB"; without a band, "name () gain dB".
    core::Text GetDisplayText() const;

  private:
    const std::optional<Band>& BandAt(int i) const { return bands_[i >= 2 || i < 0 ? 0 : i]; }
    void SetBand(int i, uint64_t start, uint64_t stop);

    int32_t band_count_ = 0;
    std::array<std::optional<Band>, 2> bands_;
    std::array<int32_t, 2> gains_{};
    uint64_t span_ = 0;
    core::Text name_;
    bool flag_ = false;
};

// The antennas the instrument knows; owns them.
class CAntennaList {
  public:
    CAntenna* GetAt(size_t i) const { return i < antennas_.size() ? antennas_[i].get() : nullptr; }
    // Exact, case-sensitive name.
    CAntenna* FindByName(std::u16string_view name) const;
    uint32_t GetCount() const { return static_cast<uint32_t>(antennas_.size()); }
    void Add(std::unique_ptr<CAntenna> antenna) {
        if (antenna) antennas_.push_back(std::move(antenna));
    }

  private:
    std::vector<std::unique_ptr<CAntenna>> antennas_;
};

// "None" and the seven built-in antennas.
std::unique_ptr<CAntennaList> CreateDefaultAntennaList();

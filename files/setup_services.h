#pragma once
// What the setup objects need from the rest of the program, as small
// interfaces: the application's look-ups, the signal band a setup follows
// and the file object that stores a setup.
#include <cstdint>
#include <string_view>

#include "core/text.h"

class CAntenna;    // an antenna of the antenna list
class CCableType;  // a cable type of the network analyzer's cable list

// The application services a setup uses. Every look-up may find nothing:
// the cable list in particular is absent when no cable list file loaded.
class ISetupEnvironment {
  public:
    virtual ~ISetupEnvironment() = default;
    virtual CAntenna* FindAntenna(std::u16string_view /*name*/) { return nullptr; }
    virtual CCableType* FindCableType(std::u16string_view /*name*/) { return nullptr; }
    // The acquisition board's option bit, which lowers the usable frequencies.
    virtual bool HasOption() { return false; }
};

// The signal band a spectrum setup follows: the band as a whole and, per
// channel number, a centre frequency, a channel bandwidth and a spacing.
class ISetupBand {
  public:
    virtual ~ISetupBand() = default;
    virtual uint64_t GetStart() const = 0;
    virtual uint64_t GetStop() const = 0;
    virtual uint64_t GetSpan() const = 0;
    virtual uint64_t GetCenter() const = 0;
    virtual uint64_t ChannelToFrequency(int32_t channel) const = 0;
    virtual uint64_t GetChannelBandwidth(int32_t channel) const = 0;
    virtual uint64_t GetChannelSpacing(int32_t channel) const = 0;
    // The band's value for point i of a trace of `points` points.
    virtual uint64_t GetPointValue(uint32_t i, uint32_t points) const = 0;
    // Counts one more use of the band (true) or clears the count (false).
    virtual void CountUse(bool used) = 0;
};

// The file object that writes and reads one setup.
class ISetupFile {
  public:
    virtual ~ISetupFile() = default;
    virtual bool Write(const core::Text& path) = 0;
    virtual bool Read(const core::Text& path) = 0;
    // Network analyzer setups: the calibration that belongs to the setup.
    virtual bool LoadCalibration() { return false; }
};

#pragma once
// What the setup objects need from the rest of the program, as small
// interfaces: the application's look-ups, the signal band a setup follows
// and the file object that stores a setup.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/text.h"

class CAntenna;             // an antenna of the antenna list
class CCableType;           // a cable type of the network analyzer's cable list
class ITraceValueReceiver;  // the screen that shows a recalled trace's results

// The application services a setup uses. Every look-up may find nothing:
// the cable list in particular is absent when no cable list file loaded.
class ISetupEnvironment {
  public:
    virtual ~ISetupEnvironment() = default;
    virtual CAntenna* FindAntenna(std::u16string_view /*name*/) { return nullptr; }
    virtual CCableType* FindCableType(std::u16string_view /*name*/) { return nullptr; }
    // The names the setup files write for a list entry.
    virtual core::Text GetAntennaName(const CAntenna* /*antenna*/) { return {}; }
    virtual core::Text GetCableTypeName(const CCableType* /*cable*/) { return {}; }
    // The acquisition board's option bit, which lowers the usable frequencies.
    virtual bool HasOption() { return false; }
};

// The signal band a spectrum setup follows: the band as a whole and, per
// channel number, a centre frequency, a channel bandwidth and a spacing.
class ISetupBand {
  public:
    virtual ~ISetupBand() = default;
    virtual core::Text GetName() const { return {}; }
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
    // A full read that shows no message and writes no history entry; the
    // reason of a refusal goes to `reason`.
    virtual bool ReadSilently(const core::Text& path, core::Text* reason) {
        const bool ok = Read(path);
        if (!ok && reason) *reason = u"unreadable";
        return ok;
    }
    // Network analyzer setups: the calibration that belongs to the setup.
    virtual bool LoadCalibration() { return false; }
};

// A progress window shown while a file is saved or read; closed when the
// object goes.
class IFileProgress {
  public:
    virtual ~IFileProgress() = default;
    virtual void SetProgress(int position, int maximum) = 0;
};

// What the files need of the application: message boxes, the progress
// window, storage figures, the unit's serial number and the list look-ups.
// The application registers its implementation; without one, messages are
// recorded (see RecordedFileMessages) and the figures come from the host.
class IFileServices {
  public:
    virtual ~IFileServices() = default;
    virtual int ShowMessage(const core::Text& text, uint32_t style) = 0;
    // Null when no window can be shown.
    virtual std::unique_ptr<IFileProgress> OpenProgress(const core::Text& title, int low,
                                                        int high) = 0;
    // Free bytes of the volume that holds the path ("\FlashFX Disk",
    // "\Hard Disk", other paths: free memory); nothing when unknown.
    virtual std::optional<uint64_t> GetFreeBytes(std::u16string_view path) = 0;
    virtual uint64_t GetAvailableMemory() = 0;
    virtual core::Text GetSerialNumber() = 0;
    // The band of the band list with that name, start and stop, or null.
    virtual ISetupBand* FindBand(std::u16string_view name, uint64_t start, uint64_t stop) = 0;
    // Whether the instrument screen of the class offers the measurement
    // (a question without side effects).
    virtual bool OffersMeasurement(int32_t measurement_class, int32_t id) = 0;
    // The screen of the class that shows a recalled trace's results; null
    // when there is none.
    virtual ITraceValueReceiver* FindTraceReceiver(int32_t /*measurement_class*/) {
        return nullptr;
    }
};

// The registered services (null: the defaults again). Not owned.
void RegisterFileServices(IFileServices* services);
IFileServices& FileServices();
// The messages the default services were asked to show, oldest first.
std::vector<core::Text> RecordedFileMessages();
void ClearRecordedFileMessages();

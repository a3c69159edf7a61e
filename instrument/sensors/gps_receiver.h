#pragma once
// The GPS receiver on the serial port: frames NMEA sentences byte by byte,
// checks their checksums and keeps the latest GGA fix, the last complete
// satellites-in-view set and the latest RMC record for the screens.
#include <atomic>
#include <cstdint>
#include <string>

#include "instrument/sensor_ports.h"
#include "instrument/sensors/nmea.h"
#include "platform/kernel/sync.h"

class CGpsReceiver : public ILineCallback {
  public:
    static constexpr uint32_t kMaxSentence = 256;  // characters from '$' to the checksum
    static constexpr uint32_t kFreshMs = 5000;
    static constexpr uint32_t kStoreWaitMs = 10000;

    // Framer counters.
    struct Counters {
        uint32_t too_long = 0;
        uint32_t bad_checksum_digit = 0;
        uint32_t missing_cr = 0;
        uint32_t missing_lf = 0;
        uint32_t checksum_mismatch = 0;
        uint32_t dropped_busy = 0;
        uint32_t good = 0;  // sentences that passed the checksum (counted once stored)
    };

    // Attaches to the port as its line callback and sets the GPS port mode;
    // a null port makes a receiver fed only through OnChar.
    explicit CGpsReceiver(CDevicePort* port);
    ~CGpsReceiver() override;
    CGpsReceiver(const CGpsReceiver&) = delete;
    CGpsReceiver& operator=(const CGpsReceiver&) = delete;

    void ReapplyPortMode();
    void OnChar(uint8_t byte);
    void OnBytes(uint32_t count, const uint8_t* bytes) override;

    bool GetGga(CGgaSentence& out);
    bool GetGsv(CGsvSentence& out);
    bool GetRmc(CRmcSentence& out);
    bool IsFresh() const;
    bool HasValidFix() const { return fix_valid_.load() && IsFresh(); }
    // The last valid GGA text without its line end; status 0 no data, 1 fresh
    // data, 2 fresh data with a valid fix. True when a text was copied.
    bool GetFixText(char* buffer, uint32_t size, uint32_t* length, uint32_t* status);
    // Counters of the framer (the reader thread's; read them when it rests).
    Counters GetCounters() const;

  private:
    void Complete();
    void Store(std::unique_ptr<CNmeaSentence> sentence);

    // The framer: the serial reader's thread only.
    int state_ = 0;
    uint32_t length_ = 0;
    char sentence_[kMaxSentence + 3] = {};  // '$' .. checksum, CR, LF
    uint8_t checksum_ = 0;
    Counters counters_;  // written by the framer; guarded by counters_mutex_
    mutable plat::Mutex counters_mutex_{false};
    std::atomic<uint32_t> last_good_tick_{0};
    std::atomic<bool> any_good_{false};
    std::atomic<bool> fix_valid_{false};

    plat::Mutex mutex_{false};  // the receiver lock, over what follows
    std::string fix_text_;
    CGgaSentence gga_;
    CGsvSentence collecting_;
    CGsvSentence complete_;
    CRmcSentence rmc_;
    CDevicePort* port_;
};

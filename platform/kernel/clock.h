#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

namespace plat {

// Milliseconds since the platform clock started, as a 32-bit count that wraps.
uint32_t tick_count();
// The same clock in 64 bits.
uint64_t now_ms();
// Sleeps on the platform clock (a virtual clock makes this cost no real time).
void sleep_ms(uint32_t ms);

// While a VirtualClock exists, the process runs on virtual time: tick counts,
// sleeps, timed waits and timers follow it instead of the host clock. Time
// moves only by advance(), or, with auto_advance, by jumping to the earliest
// deadline some thread waits for once every woken thread has run.
class VirtualClock {
  public:
    explicit VirtualClock(bool auto_advance = false, uint64_t start_ms = 1000);
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    void advance(uint64_t ms);
    uint64_t now() const;
    // How many threads are blocked in a timed wait right now (tests use it to
    // know that a waiter has taken its deadline before they move time).
    size_t timed_waiters() const;
    // The earliest deadline a blocked thread waits for, 0 for none. A
    // deadline after now() means that thread has settled into its wait
    // (tests use it to move time to a thread's next step).
    uint64_t next_deadline() const;

  private:
    std::atomic<bool> stop_{false};
    std::thread ticker_;
};

// Calendar time, laid out like the platform's record.
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;        // 1..12
    uint16_t day_of_week = 0;  // 0 = Sunday
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// Local and universal time of the instrument: the host clock plus the
// instrument's own offset. Setting the time changes only that offset, which
// is kept in the device root so that every program of the system shares it.
SystemTime local_time();
SystemTime system_time();
bool set_local_time(const SystemTime& t);
// Sets the clock from universal time.
bool set_system_time(const SystemTime& t);
// Seconds since 1970 of the instrument's local time.
int64_t local_epoch_seconds();

}  // namespace plat

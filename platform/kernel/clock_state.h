#pragma once
// Internal: which clock the platform runs on.
#include <atomic>
#include <cstdint>

namespace plat::detail {

class ClockState {
  public:
    uint64_t now() const;
    bool is_virtual() const { return virtual_.load(); }

    // Virtual time. Sequentially consistent: a waiter publishes that it is
    // blocked and then reads the time, whoever moves time stores it and then
    // looks for blocked waiters; one of the two always sees the other.
    void enter_virtual(uint64_t start_ms);
    void leave_virtual();
    void set_virtual_now(uint64_t ms) { virtual_now_.store(ms); }
    uint64_t virtual_now() const { return virtual_now_.load(); }

    // Host work that virtual time waits for: bytes on their way between the
    // instrument and a simulated device, outside every kernel wait. While any
    // is held an auto-advancing virtual clock stands still.
    void hold() { holds_.fetch_add(1); }
    // The last release tells whoever moves virtual time to look again.
    void release();
    bool held() const { return holds_.load() > 0; }

  private:
    std::atomic<int> holds_{0};
    std::atomic<bool> virtual_{false};
    std::atomic<uint64_t> virtual_now_{0};
};

ClockState& clock_state();
uint32_t current_tid();

}  // namespace plat::detail

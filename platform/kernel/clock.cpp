#include "platform/kernel/clock.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <mutex>

#include "platform/kernel/clock_state.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/dispatcher.h"
#include "platform/kernel/errors.h"

namespace plat {

namespace detail {

namespace {
const auto g_process_start = std::chrono::steady_clock::now();
}

uint64_t ClockState::now() const {
    if (is_virtual()) return virtual_now();
    const auto elapsed = std::chrono::steady_clock::now() - g_process_start;
    // Start above zero so that a tick count of 0 never means "now".
    return 1000 + std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

void ClockState::release() {
    if (holds_.fetch_sub(1) == 1) announce_state_change();
}

void ClockState::enter_virtual(uint64_t start_ms) {
    virtual_now_.store(start_ms);
    virtual_.store(true);
}

void ClockState::leave_virtual() {
    virtual_.store(false);
}

ClockState& clock_state() {
    static ClockState state;
    return state;
}

}  // namespace detail

uint64_t now_ms() {
    return detail::clock_now_ms();
}
uint32_t tick_count() {
    return static_cast<uint32_t>(now_ms());
}

void sleep_ms(uint32_t ms) {
    // A wait on nothing: returns when its deadline passes on the platform clock.
    detail::wait_for_any({}, ms == INFINITE ? INFINITE - 1 : ms);
}

namespace {
// Only one party moves virtual time at once.
std::mutex& advance_lock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

VirtualClock::VirtualClock(bool auto_advance, uint64_t start_ms) {
    detail::clock_state().enter_virtual(start_ms);
    if (auto_advance) {
        ticker_ = std::thread([this] {
            while (!stop_.load()) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
                std::lock_guard lock(advance_lock());
                // Time stands still until every woken thread has run and
                // no host work it waits for is on its way.
                if (detail::any_waiter_waking() || detail::virtual_time_held()) continue;
                const uint64_t next = detail::earliest_deadline();
                if (next > detail::clock_state().virtual_now()) {
                    detail::clock_state().set_virtual_now(next);
                }
                detail::wake_due_waiters();
            }
        });
    }
}

VirtualClock::~VirtualClock() {
    stop_.store(true);
    if (ticker_.joinable()) ticker_.join();
    std::lock_guard lock(advance_lock());
    // Waiters with deadlines now measure real time again: they re-arm
    // against the host clock.
    detail::clock_state().leave_virtual();
    detail::wake_due_waiters(/*all=*/true);
}

void VirtualClock::advance(uint64_t ms) {
    std::lock_guard lock(advance_lock());
    auto& state = detail::clock_state();
    state.set_virtual_now(state.virtual_now() + ms);
    detail::wake_due_waiters();
}

uint64_t VirtualClock::now() const {
    return detail::clock_state().virtual_now();
}

size_t VirtualClock::timed_waiters() const {
    return detail::timed_waiter_count();
}

uint64_t VirtualClock::next_deadline() const {
    return detail::earliest_deadline();
}

// --- Calendar time ---------------------------------------------------------

namespace {

std::mutex g_offset_lock;
bool g_offset_loaded = false;
int64_t g_offset_ms = 0;

std::filesystem::path offset_file() {
    return device_root() / "run" / "clock-offset";
}

int64_t clock_offset() {
    std::lock_guard lock(g_offset_lock);
    if (!g_offset_loaded) {
        g_offset_loaded = true;
        std::ifstream in(offset_file());
        int64_t v = 0;
        if (in >> v) g_offset_ms = v;
    }
    return g_offset_ms;
}

int64_t host_epoch_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

SystemTime from_epoch_ms(int64_t ms, bool local) {
    const time_t secs = static_cast<time_t>(ms / 1000);
    std::tm tm{};
    if (local) {
        localtime_r(&secs, &tm);
    } else {
        gmtime_r(&secs, &tm);
    }
    SystemTime t;
    t.year = static_cast<uint16_t>(tm.tm_year + 1900);
    t.month = static_cast<uint16_t>(tm.tm_mon + 1);
    t.day_of_week = static_cast<uint16_t>(tm.tm_wday);
    t.day = static_cast<uint16_t>(tm.tm_mday);
    t.hour = static_cast<uint16_t>(tm.tm_hour);
    t.minute = static_cast<uint16_t>(tm.tm_min);
    t.second = static_cast<uint16_t>(tm.tm_sec);
    t.milliseconds = static_cast<uint16_t>(ms % 1000);
    return t;
}

}  // namespace

SystemTime local_time() {
    return from_epoch_ms(host_epoch_ms() + clock_offset(), true);
}
SystemTime system_time() {
    return from_epoch_ms(host_epoch_ms() + clock_offset(), false);
}

int64_t local_epoch_seconds() {
    const int64_t ms = host_epoch_ms() + clock_offset();
    const time_t secs = static_cast<time_t>(ms / 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    return static_cast<int64_t>(secs) + tm.tm_gmtoff;
}

namespace {

bool valid_calendar_time(const SystemTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 &&
           t.minute <= 59 && t.second <= 59 && t.milliseconds <= 999 && t.year >= 1970;
}

std::tm to_tm(const SystemTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

// Makes the instrument's clock read `wanted` (seconds since 1970) now, and
// keeps the offset in the device root for every program of the system.
bool store_clock(time_t wanted, uint16_t milliseconds) {
    if (wanted == static_cast<time_t>(-1)) return false;
    const int64_t offset = static_cast<int64_t>(wanted) * 1000 + milliseconds - host_epoch_ms();
    std::lock_guard lock(g_offset_lock);
    g_offset_loaded = true;
    g_offset_ms = offset;
    std::error_code ec;
    std::filesystem::create_directories(offset_file().parent_path(), ec);
    const auto tmp = offset_file().string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << offset << '\n';
        if (!out.flush()) return true;  // kept for this process at least
    }
    std::filesystem::rename(tmp, offset_file(), ec);
    return true;
}

}  // namespace

bool set_local_time(const SystemTime& t) {
    if (!valid_calendar_time(t)) return false;
    std::tm tm = to_tm(t);
    return store_clock(mktime(&tm), t.milliseconds);
}

bool set_system_time(const SystemTime& t) {
    if (!valid_calendar_time(t)) return false;
    std::tm tm = to_tm(t);
    return store_clock(timegm(&tm), t.milliseconds);
}

}  // namespace plat

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>

#include "platform/kernel/dispatcher.h"
#include "platform/kernel/kernel.h"

namespace {

using Steady = std::chrono::steady_clock;

TEST(Clock, TimedWaitOfTwentyVirtualSecondsCostsNoRealTime) {
    plat::VirtualClock clock(/*auto_advance=*/true);
    plat::Event never(false, false);
    const uint32_t before = plat::tick_count();
    const auto real_start = Steady::now();
    EXPECT_FALSE(never.wait(20000));
    const auto real = Steady::now() - real_start;
    EXPECT_GE(plat::tick_count() - before, 20000u);
    EXPECT_LT(real, std::chrono::milliseconds(500));
}

TEST(Clock, ManualVirtualClockWakesWaitersOnlyWhenAdvanced) {
    plat::VirtualClock clock;
    plat::Event started(true, false);
    plat::Thread sleeper = plat::Thread::start([&] {
        started.set();
        plat::sleep_ms(6000);
        return 0u;
    });
    started.wait();
    while (clock.timed_waiters() == 0) std::this_thread::yield();
    clock.advance(5999);
    EXPECT_FALSE(sleeper.join(0));
    // A real pause: the sleeper must still not wake without virtual time.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(sleeper.join(0));
    clock.advance(1);
    Steady::time_point deadline = Steady::now() + std::chrono::seconds(5);
    while (!sleeper.join(0) && Steady::now() < deadline) std::this_thread::yield();
    EXPECT_TRUE(sleeper.join(0));
}

// Whether the sleep notice comes; the test's own wait is on the host clock,
// which announces nothing. The bound only ends a failing test.
bool Noticed() {
    plat::detail::KObject* notice[] = {plat::detail::sleep_notice().object()};
    return plat::detail::wait_for_any(notice, 10000, /*host_clock=*/true) == 0;
}

void DrainNotice() {
    (void)plat::detail::sleep_notice().wait(0);
}

// On a virtual clock, whoever moves time learns at once that every thread
// may now wait: from a thread that ends, and from the last thread woken from
// a wait once it runs again (it may block outside the kernel next), as from
// a thread that begins to sleep.
TEST(Clock, AThreadThatEndsOrRunsAgainAfterItsWaitAnnouncesIt) {
    plat::VirtualClock clock;
    {
        plat::ThreadOptions options;
        options.suspended = true;
        plat::Thread quick = plat::Thread::start([] { return 0u; }, options);
        DrainNotice();
        quick.resume();
        EXPECT_TRUE(Noticed()) << "a thread that ended";
        plat::detail::KObject* ended[] = {quick.object()};
        EXPECT_EQ(plat::detail::wait_for_any(ended, 10000, true), 0u);
    }
    plat::Event go(false, false);
    std::promise<void> release;
    std::atomic<uint32_t> tid{0};
    plat::Thread waiter = plat::Thread::start([&] {
        tid = plat::current_thread_id();
        go.wait();
        // Blocks outside the kernel until the test lets it go.
        release.get_future().wait();
        return 0u;
    });
    while (tid == 0 || !plat::detail::thread_is_asleep(tid)) std::this_thread::yield();
    DrainNotice();
    go.set();
    EXPECT_TRUE(Noticed()) << "the woken thread runs again";
    release.set_value();
    plat::detail::KObject* ended[] = {waiter.object()};
    EXPECT_EQ(plat::detail::wait_for_any(ended, 10000, true), 0u);
}

TEST(Clock, SettingTheLocalTimeMovesOnlyTheInstrumentClock) {
    const auto root =
        std::filesystem::temp_directory_path() / ("clock-test-" + std::to_string(getpid()));
    plat::set_device_root(root);
    plat::SystemTime wanted{
        .year = 2031, .month = 3, .day = 4, .hour = 5, .minute = 6, .second = 7};
    ASSERT_TRUE(plat::set_local_time(wanted));
    const plat::SystemTime now = plat::local_time();
    EXPECT_EQ(now.year, 2031);
    EXPECT_EQ(now.month, 3);
    EXPECT_EQ(now.day, 4);
    EXPECT_EQ(now.hour, 5);
    EXPECT_EQ(now.minute, 6);
    EXPECT_TRUE(std::filesystem::exists(root / "run" / "clock-offset"));
    plat::SystemTime bad = wanted;
    bad.month = 13;
    EXPECT_FALSE(plat::set_local_time(bad));
    std::filesystem::remove_all(root);
}

TEST(DebugOutput, LinesCarryTheTimeAndThreadPrefix) {
    plat::set_debug_to_stderr(false);
    plat::DebugCapture capture;
    plat::debug_printf("CPrintIO::PrintingWorkThread, begin!\n");
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    char tid[16];
    std::snprintf(tid, sizeof tid, "%08x", plat::current_thread_id());
    EXPECT_TRUE(std::regex_match(
        lines[0],
        std::regex(
            R"(<\d\d/\d\d \d\d:\d\d:\d\d> [0-9a-f]{8} CPrintIO::PrintingWorkThread, begin!\n)")))
        << lines[0];
    EXPECT_NE(lines[0].find(tid), std::string::npos);
    plat::set_debug_to_stderr(true);
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "platform/kernel/kernel.h"

namespace {

TEST(Sync, WaitAnyReturnsIndexOfTheSignalledEvent) {
    for (int which = 0; which < 3; ++which) {
        plat::Event a(false, false), b(false, false), c(false, false);
        const plat::Event* events[] = {&a, &b, &c};
        plat::Thread t = plat::Thread::start([&] {
            plat::sleep_ms(5);
            events[which]->set();
            return 0u;
        });
        EXPECT_EQ(plat::wait_any({&a, &b, &c}, 5000), static_cast<uint32_t>(which));
        t.join();
    }
}

TEST(Sync, WaitAnyTimesOutAndPrefersTheFirstReadyObject) {
    plat::Event a(true, false), b(true, true), c(true, true);
    EXPECT_EQ(plat::wait_any({&a, &b, &c}, 0), 1u);
    b.reset();
    c.reset();
    EXPECT_EQ(plat::wait_any({&a, &b, &c}, 10), plat::WAIT_TIMEOUT);
}

TEST(Sync, AutoResetEventReleasesExactlyOneWaiter) {
    plat::Event e(false, false);
    std::atomic<int> woken{0};
    auto waiter = [&] {
        if (e.wait(300)) ++woken;
        return 0u;
    };
    plat::Thread t1 = plat::Thread::start(waiter);
    plat::Thread t2 = plat::Thread::start(waiter);
    plat::sleep_ms(30);
    e.set();
    t1.join();
    t2.join();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_FALSE(e.is_set());
}

// Signals that race a blocked wait on several auto-reset events: the waiter
// takes exactly one, and every signal it did not take is still there.
TEST(Sync, WaitAnyTakesExactlyOneOfSeveralRacingSignals) {
    for (int round = 0; round < 200; ++round) {
        plat::Event a(false, false), b(false, false), blocked(true, false);
        uint32_t got = plat::WAIT_FAILED;
        plat::Thread waiter = plat::Thread::start([&] {
            blocked.set();
            got = plat::wait_any({&a, &b}, plat::INFINITE);
            return 0u;
        });
        blocked.wait();
        plat::Thread sa = plat::Thread::start([&] { return a.set(), 0u; });
        plat::Thread sb = plat::Thread::start([&] { return b.set(), 0u; });
        sa.join();
        sb.join();
        waiter.join();
        ASSERT_TRUE(got == 0 || got == 1) << got;
        EXPECT_EQ(a.is_set(), got != 0) << "round " << round;
        EXPECT_EQ(b.is_set(), got != 1) << "round " << round;
    }
}

// A release of k wakes exactly k of the blocked waiters.
TEST(Sync, SemaphoreReleaseWakesAsManyWaitersAsItAdds) {
    plat::Semaphore s(0, 10);
    plat::Semaphore done(0, 10);
    std::vector<plat::Thread> threads;
    for (int i = 0; i < 5; ++i) {
        threads.push_back(plat::Thread::start([&] {
            s.wait();
            done.release();
            return 0u;
        }));
    }
    ASSERT_TRUE(s.release(3));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(done.wait(10000));
    ASSERT_TRUE(s.release(2));
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(done.wait(10000));
    for (auto& t : threads) t.join();
    EXPECT_FALSE(s.wait(0));
}

// A timed lock that gives up while the owner hands the mutex over either
// owns it afterwards or left it free: never owned by nobody and locked.
TEST(Sync, MutexHandOverRacingATimeOutLeavesOneOwnerOrNone) {
    for (int round = 0; round < 200; ++round) {
        plat::Mutex m(false);
        plat::Event held(true, false);
        m.lock();
        std::atomic<bool> took{false};
        plat::Thread waiter = plat::Thread::start([&] {
            held.set();
            if (m.wait(static_cast<uint32_t>(round % 3))) {
                took = true;
                EXPECT_TRUE(m.unlock());
            }
            return 0u;
        });
        held.wait();
        EXPECT_TRUE(m.unlock());
        waiter.join();
        // Free now, whichever way the race went.
        EXPECT_TRUE(m.try_lock()) << "round " << round << (took ? " (taken)" : " (gave up)");
        EXPECT_TRUE(m.unlock());
    }
}

TEST(Sync, ManualResetEventReleasesEveryWaiterAndStaysSet) {
    plat::Event e(true, false);
    std::atomic<int> woken{0};
    std::vector<plat::Thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.push_back(plat::Thread::start([&] {
            if (e.wait(5000)) ++woken;
            return 0u;
        }));
    }
    e.set();
    for (auto& t : threads) t.join();
    EXPECT_EQ(woken.load(), 4);
    EXPECT_TRUE(e.is_set());
}

TEST(Sync, MutexIsRecursiveAndOwnedByOneThread) {
    plat::Mutex m(false);
    m.lock();
    EXPECT_TRUE(m.try_lock());
    std::atomic<bool> other_got_it{true};
    plat::Thread t = plat::Thread::start([&] {
        other_got_it = m.try_lock();
        EXPECT_FALSE(m.unlock());  // not the owner
        EXPECT_EQ(plat::get_last_error(), plat::ERROR_ACCESS_DENIED);
        return 0u;
    });
    t.join();
    EXPECT_FALSE(other_got_it.load());
    EXPECT_TRUE(m.unlock());
    EXPECT_TRUE(m.unlock());
    EXPECT_FALSE(m.unlock());
    t = plat::Thread::start([&] {
        const bool got = m.try_lock();
        if (got) m.unlock();
        return got ? 1u : 0u;
    });
    t.join();
    EXPECT_EQ(t.exit_code(), 1u);
}

TEST(Sync, MutexKeepsCountsConsistentUnderContention) {
    plat::Mutex m(false);
    int counter = 0;
    std::vector<plat::Thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.push_back(plat::Thread::start([&] {
            for (int k = 0; k < 2000; ++k) {
                m.lock();
                ++counter;
                m.unlock();
            }
            return 0u;
        }));
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 8000);
}

TEST(Sync, SemaphoreCountsAndRespectsItsMaximum) {
    plat::Semaphore s(1, 2);
    EXPECT_TRUE(s.wait(0));
    EXPECT_FALSE(s.wait(0));
    int32_t previous = -1;
    EXPECT_TRUE(s.release(2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(s.release(1));
    EXPECT_TRUE(s.wait(0));
    EXPECT_TRUE(s.wait(0));
    EXPECT_FALSE(s.wait(0));
}

TEST(Sync, EmptyHandlesFailCleanly) {
    plat::Event none;
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.wait(0));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);
    EXPECT_EQ(plat::wait_any({&none}, 0), plat::WAIT_FAILED);
}

}  // namespace

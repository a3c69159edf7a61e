#include <gtest/gtest.h>

#include <atomic>

#include "platform/kernel/kernel.h"

namespace {

TEST(Thread, SuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    plat::Thread t = plat::Thread::start(
        [&] {
            ran = true;
            return 7u;
        },
        {.stack_size = 128000, .suspended = true, .priority = 3});
    ASSERT_TRUE(t);
    EXPECT_NE(t.id(), 0u);
    EXPECT_FALSE(t.join(30));
    EXPECT_FALSE(ran.load());
    EXPECT_EQ(t.exit_code(), plat::STILL_ACTIVE);
    EXPECT_EQ(t.priority(), 3);
    t.resume();
    EXPECT_TRUE(t.join(5000));
    EXPECT_TRUE(ran.load());
    EXPECT_EQ(t.exit_code(), 7u);
}

TEST(Thread, IdsDifferAndLastErrorIsPerThread) {
    plat::set_last_error(42);
    uint32_t seen_id = 0, seen_error = 1;
    plat::Thread t = plat::Thread::start([&] {
        seen_id = plat::current_thread_id();
        seen_error = plat::get_last_error();
        plat::set_last_error(99);
        return 0u;
    });
    t.join();
    EXPECT_EQ(seen_id, t.id());
    EXPECT_NE(seen_id, plat::current_thread_id());
    EXPECT_EQ(seen_error, 0u);
    EXPECT_EQ(plat::get_last_error(), 42u);
}

TEST(Thread, HandleOutlivesAndIsOutlivedByTheThread) {
    plat::Event go(true, false);
    std::atomic<bool> done{false};
    {
        plat::Thread t = plat::Thread::start([&] {
            go.wait();
            done = true;
            return 0u;
        });
    }  // handle dropped while the thread still runs
    go.set();
    for (int i = 0; i < 500 && !done; ++i) plat::sleep_ms(2);
    EXPECT_TRUE(done.load());
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "platform/kernel/kernel.h"

namespace {

TEST(MessageQueue, PostingToAThreadWithoutQueueFails) {
    plat::Event hold(true, false);
    plat::Thread t = plat::Thread::start([&] {
        hold.wait();
        return 0u;
    });
    EXPECT_FALSE(plat::post_thread_message(t.id(), 0x400, 0, 0));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_THREAD_ID);
    hold.set();
    t.join();
}

TEST(MessageQueue, MessagesFromManyThreadsKeepEachSendersOrder) {
    constexpr int kSenders = 4, kEach = 5000;
    plat::Event ready(true, false);
    std::vector<int> last(kSenders, -1);
    bool in_order = true;
    int received = 0;
    plat::Thread receiver = plat::Thread::start([&] {
        plat::ensure_message_queue();
        ready.set();
        plat::Message m;
        while (plat::get_message(m)) {
            const int sender = static_cast<int>(m.wparam);
            const int seq = static_cast<int>(m.lparam);
            if (seq != last[sender] + 1) in_order = false;
            last[sender] = seq;
            ++received;
        }
        return static_cast<uint32_t>(m.wparam);
    });
    ready.wait();
    std::vector<plat::Thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.push_back(plat::Thread::start([&, s] {
            for (int k = 0; k < kEach; ++k) {
                while (!plat::post_thread_message(receiver.id(), 0x8000, s, k)) {
                }
            }
            return 0u;
        }));
    }
    for (auto& t : senders) t.join();
    plat::post_thread_message(receiver.id(), plat::WM_QUIT, 5, 0);
    ASSERT_TRUE(receiver.join(10000));
    EXPECT_EQ(received, kSenders * kEach);
    EXPECT_TRUE(in_order);
    EXPECT_EQ(receiver.exit_code(), 5u);
}

TEST(MessageQueue, PeekAndTheQueueAsAWaitableObject) {
    plat::Message m;
    EXPECT_FALSE(plat::peek_message(m));
    plat::Waitable q = plat::message_queue_waitable();
    EXPECT_FALSE(q.wait(0));
    plat::Event never(true, false);
    plat::Thread t = plat::Thread::start([tid = plat::current_thread_id()] {
        plat::post_thread_message(tid, 0x1234, 1, 2);
        return 0u;
    });
    EXPECT_EQ(plat::wait_any({&never, &q}, 5000), 1u);
    t.join();
    ASSERT_TRUE(plat::peek_message(m, false));
    EXPECT_EQ(m.message, 0x1234u);
    ASSERT_TRUE(plat::peek_message(m, true));
    EXPECT_FALSE(plat::peek_message(m));
    plat::post_quit_message(3);
    EXPECT_FALSE(plat::get_message(m));
    EXPECT_EQ(m.message, plat::WM_QUIT);
    EXPECT_EQ(m.wparam, 3u);
}

}  // namespace

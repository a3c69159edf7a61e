#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/app_event.h"
#include "platform/kernel/message_queue.h"

namespace {

// Counts destroyed events so that tests see every one freed.
std::atomic<int> g_alive{0};
struct CountedEvent : CAppEvent {
    CountedEvent(uint32_t mask, uint32_t arg, uint32_t producer) : CAppEvent(mask, arg, producer) {
        ++g_alive;
    }
    ~CountedEvent() override { --g_alive; }
};

// Three producers post 1,000 events each; the listener takes every event of
// its mask in each producer's order, and unmatched events are freed.
TEST(CEventDispatcher, DeliversEveryMatchingEventInProducerOrder) {
    g_alive = 0;
    constexpr uint32_t kPerProducer = 1000;
    plat::Event wake(false, false);
    auto* listener = new CEventListener(kEventMaskSystemAlarm);
    listener->SetEventHandle(wake);
    {
        CEventDispatcher dispatcher;
        ASSERT_TRUE(dispatcher.Start());
        dispatcher.AddListener(listener);

        std::vector<std::thread> producers;
        for (uint32_t p = 0; p < 3; ++p) {
            producers.emplace_back([&dispatcher, p] {
                for (uint32_t i = 0; i < kPerProducer; ++i) {
                    // Every third event has a mask nobody listens to.
                    uint32_t mask = i % 3 == 2 ? 0x100 : kEventMaskSystemAlarm | 0x40;
                    dispatcher.Post(new CountedEvent(mask, i, p));
                }
            });
        }
        std::vector<uint32_t> next(3, 0);
        uint32_t received = 0, expected = 0;
        for (uint32_t i = 0; i < kPerProducer; ++i) expected += i % 3 == 2 ? 0 : 3;
        while (received < expected) {
            CAppEvent* event = listener->TakeEvent();
            if (!event) {
                ASSERT_TRUE(wake.wait(10000)) << "received " << received;
                continue;
            }
            EXPECT_EQ(event->GetNext(), nullptr);
            uint32_t p = event->GetField(1);
            ASSERT_LT(p, 3u);
            // The skipped numbers are the unmatched ones.
            while (next[p] % 3 == 2) ++next[p];
            EXPECT_EQ(event->GetArgument(), next[p]);
            next[p] = event->GetArgument() + 1;
            delete event;  // never takes queued events with it
            ++received;
        }
        for (auto& t : producers) t.join();
        dispatcher.Stop();
        dispatcher.RemoveListener(listener);
        EXPECT_EQ(listener->TakeEvent(), nullptr);
    }
    delete listener;
    EXPECT_EQ(g_alive.load(), 0);
}

TEST(CEventDispatcher, FirstEnabledMatchingListenerOnly) {
    g_alive = 0;
    CEventListener first(2), second(2), other(4);
    {
        CEventDispatcher dispatcher;
        dispatcher.AddListener(&first);
        dispatcher.AddListener(&second);
        dispatcher.AddListener(&other);
        EXPECT_NE(first.GetId(), second.GetId());

        CountedEvent a(2, 1, 0);
        EXPECT_TRUE(dispatcher.Deliver(&a));
        first.SetEnabled(false);
        CountedEvent b(6, 2, 0);
        EXPECT_TRUE(dispatcher.Deliver(&b));
        CountedEvent c(8, 3, 0);
        EXPECT_FALSE(dispatcher.Deliver(&c));

        EXPECT_EQ(first.TakeEvent(), &a);
        EXPECT_EQ(second.TakeEvent(), &b);
        EXPECT_EQ(other.TakeEvent(), nullptr);
        dispatcher.RemoveListener(&first);
        dispatcher.RemoveListener(&second);
        EXPECT_EQ(first.GetNext(), nullptr);
        EXPECT_EQ(second.GetNext(), nullptr);
        dispatcher.RemoveListener(&other);
    }
    EXPECT_EQ(g_alive.load(), 0);
}

TEST(CEventDispatcher, EventsPostedBeforeTheStartAndThreadMessages) {
    g_alive = 0;
    CEventListener listener(1);
    plat::ensure_message_queue();
    listener.SetThread(plat::current_thread_id(), 32831);
    {
        CEventDispatcher dispatcher;
        dispatcher.Stop();  // never started: returns at once
        dispatcher.AddListener(&listener);
        for (uint32_t i = 0; i < 5; ++i) dispatcher.Post(new CountedEvent(1, i, 0));
        dispatcher.Post(new CountedEvent(16, 99, 0));  // unmatched
        dispatcher.Start();
        for (uint32_t i = 0; i < 5; ++i) {
            plat::Message msg;
            ASSERT_TRUE(plat::get_message(msg, 10000));
            EXPECT_EQ(msg.message, 32831u);
            CAppEvent* e = listener.TakeEvent();
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->GetArgument(), i);
            EXPECT_EQ(e->GetSequence(), i + 1);
            delete e;
        }
        dispatcher.RemoveListener(&listener);
    }
    EXPECT_EQ(g_alive.load(), 0);
}

TEST(CAppEvent, FieldsChainAndDestruction) {
    g_alive = 0;
    auto* head = new CountedEvent(2, 7, 11);
    head->Append(new CountedEvent(2, 8, 0));
    head->Append(new CountedEvent(2, 9, 0));
    CAppEvent plain(2, 3, 1, 2, -5);
    EXPECT_EQ(plain.GetField(1), 1u);
    EXPECT_EQ(plain.GetField(2), 2u);
    EXPECT_EQ(static_cast<int32_t>(plain.GetField(3)), -5);
    EXPECT_EQ(plain.GetField(4), 0u);
    EXPECT_EQ(head->GetNext()->GetNext()->GetArgument(), 9u);
    delete head;  // takes the chain with it
    EXPECT_EQ(g_alive.load(), 0);
}

}  // namespace

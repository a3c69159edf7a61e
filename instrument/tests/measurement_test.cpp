// The measurement base: the shared mutex and quit event, the one worker, its
// watchdog on the DSP link and the chain of measurements.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>

#include "instrument/device_port.h"
#include "instrument/measurement.h"
#include "instrument/tests/recording_screen.h"
#include "instrument/tests/wait_for.h"
#include "platform/kernel/clock.h"

namespace {

using instrument_test::RecordingScreen;
using instrument_test::WaitFor;

class Probe : public CMeasurement {
  public:
    explicit Probe(CDevicePort* link = nullptr, uint32_t family = 0, uint32_t id = 0)
        : CMeasurement(link) {
        family_ = family;
        id_ = id;
    }
};

// A port whose alive flag the test controls.
class SilentPort : public CDevicePort {
  public:
    SilentPort() { Start(); }
    void SetAlive(bool a) override { alive = a; }
    bool IsAlive() override { return alive; }
    void RequestStop() override { ++stops; }
    std::atomic<bool> alive{false};
    std::atomic<int> stops{0};
};

TEST(Measurement, StartAndStopUnderTheSharedMutex) {
    SilentPort port;
    RecordingScreen screen;
    Probe m(&port);
    m.Init(&screen);
    m.Start(0, 7);
    EXPECT_EQ(m.GetState(), CMeasurement::kStartRequested);
    EXPECT_TRUE(m.IsActive());
    EXPECT_EQ(m.GetStartArgument(), 7u);
    EXPECT_EQ(CMeasurement::CurrentMeasurement(), &m);
    m.Stop();
    EXPECT_EQ(port.stops.load(), 1);  // an active measurement asks the link to stop
    m.Stop();
    EXPECT_EQ(port.stops.load(), 1);
    EXPECT_FALSE(m.IsActive());
    EXPECT_EQ(m.GetState(), CMeasurement::kIdle);
}

TEST(Measurement, QuitEventStaysSharedAfterTheWorkerEnded) {
    RecordingScreen screen;
    Probe a, b;
    a.Init(&screen);
    a.StartWorker();
    ASSERT_TRUE(a.StopWorker());
    // The record outlives the first worker: a measurement attached later
    // shares its quit event, so stopping through it ends the new worker.
    b.Init(&screen);
    a.StartWorker();
    EXPECT_EQ(CMeasurement::RunningWorkers(), 1);
    ASSERT_TRUE(b.StopWorker());
    EXPECT_EQ(CMeasurement::RunningWorkers(), 0);
}

TEST(Measurement, RestartingTheWorkerLeavesOne) {
    RecordingScreen screen;
    Probe m;
    m.Init(&screen);
    for (int i = 0; i < 10; ++i) {
        m.StartWorker();
        m.StartWorker();  // a second start keeps the running worker
        EXPECT_EQ(CMeasurement::RunningWorkers(), 1);
        ASSERT_TRUE(m.StopWorker());
        EXPECT_EQ(CMeasurement::RunningWorkers(), 0);
    }
}

// Moves virtual time in the worker's 4 ms steps, one pass at a time (the
// worker calls the screen's reply-idle hook on every pass), until `done`.
template <typename F>
bool StepUntil(plat::VirtualClock& clock, RecordingScreen& screen, F done) {
    for (int i = 0; i < 6000 && !done(); ++i) {
        const int before = screen.idle.load();
        for (int spin = 0; spin < 1000000 && clock.timed_waiters() == 0; ++spin)
            std::this_thread::yield();
        clock.advance(4);
        for (int spin = 0; spin < 1000000 && screen.idle.load() == before && !done(); ++spin)
            std::this_thread::yield();
    }
    return done();
}

TEST(Measurement, WatchdogReportsASilentLinkAndClearsWhenItIsBack) {
    plat::VirtualClock clock;
    SilentPort port;
    RecordingScreen screen;
    Probe m(&port);
    m.Init(&screen);
    m.SetState(CMeasurement::kAcquiring);  // 4 ms passes
    m.StartWorker();
    ASSERT_TRUE(StepUntil(clock, screen, [&] {
        return screen.HasStatus("Dsp Interface: Dsp Interface is not running");
    }));
    port.alive = true;
    ASSERT_TRUE(StepUntil(clock, screen, [&] {
        auto s = screen.Statuses();
        return !s.empty() && s.back() == std::make_pair(std::string(), 0);
    }));
    EXPECT_FALSE(port.alive.load());  // the worker clears the flag it read
    m.StopWorker();
}

// A screen whose reply-idle hook blocks until the test lets it go.
class BlockingScreen : public RecordingScreen {
  public:
    void ReplyIdleHook() override {
        std::unique_lock lock(m);
        ++calls;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
    }
    void Release() {
        std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    int calls = 0;
    bool released = false;
};

TEST(Measurement, StartAfterATimedOutStopKeepsTheOneWorker) {
    // Virtual time lets the timed-out stop pass its 1000 ms at once; it is
    // left before the final stop, whose wait must not be cut short by a
    // clock that jumps while the worker is still on its way out.
    std::optional<plat::VirtualClock> clock(std::in_place, true);
    BlockingScreen screen;
    Probe m;
    m.Init(&screen);
    m.SetState(CMeasurement::kAcquiring);
    m.StartWorker();
    {
        std::unique_lock lock(screen.m);
        ASSERT_TRUE(
            screen.cv.wait_for(lock, std::chrono::seconds(5), [&] { return screen.calls > 0; }));
    }
    EXPECT_FALSE(m.StopWorker());  // the worker is inside the screen: 1000 ms pass
    m.StartWorker();               // waits out another 1000 ms for the old worker, then keeps it
    clock.reset();
    screen.Release();
    EXPECT_EQ(CMeasurement::RunningWorkers(), 1);
    // The kept worker goes on serving: it stays and calls the hook again.
    const int before = screen.calls;
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(screen.m);
        return screen.calls > before;
    }));
    EXPECT_EQ(CMeasurement::RunningWorkers(), 1);
    m.SetState(CMeasurement::kIdle);
    EXPECT_TRUE(m.StopWorker());
    EXPECT_EQ(CMeasurement::RunningWorkers(), 0);
}

// Deleting a measurement whose worker is held up inside its screen waits
// as long as a stop does, then goes on; the worker, once let go, leaves the
// deleted measurement alone and ends.
TEST(Measurement, DeletingWhileTheWorkerIsHeldUpWaitsAsLongAsAStop) {
    std::optional<plat::VirtualClock> clock(std::in_place, true);
    BlockingScreen screen;
    auto* m = new Probe;
    m->Init(&screen);
    m->SetState(CMeasurement::kAcquiring);
    m->StartWorker();
    {
        std::unique_lock lock(screen.m);
        ASSERT_TRUE(
            screen.cv.wait_for(lock, std::chrono::seconds(5), [&] { return screen.calls > 0; }));
    }
    const uint64_t before = plat::now_ms();
    delete m;
    EXPECT_GE(plat::now_ms() - before, CMeasurement::kWorkerStopWaitMs);
    clock.reset();
    screen.Release();
    ASSERT_TRUE(WaitFor([] { return CMeasurement::RunningWorkers() == 0; }));
}

TEST(Measurement, DeletingAnyMeasurementStopsTheWorker) {
    RecordingScreen screen;
    Probe keep;
    keep.Init(&screen);
    auto* other = new Probe;
    other->Init(&screen);
    keep.StartWorker();
    EXPECT_EQ(CMeasurement::RunningWorkers(), 1);
    delete other;
    EXPECT_EQ(CMeasurement::RunningWorkers(), 0);
}

TEST(Measurement, ChainOperations) {
    auto* head = new Probe(nullptr, 2, 20);
    head->Append(new Probe(nullptr, 1, 1));
    head->Append(new Probe(nullptr, 2, 21));
    head->Append(new Probe(nullptr, 2, 22));
    EXPECT_EQ(head->GetChainLength(), 4u);
    EXPECT_EQ(head->CountFamily(2), 3u);
    EXPECT_EQ(head->GetNthOfFamily(2, 3)->GetId(), 22u);
    EXPECT_EQ(head->GetByIndex(2)->GetId(), 1u);
    EXPECT_EQ(head->GetByIndex(0), nullptr);
    EXPECT_EQ(head->GetByIndex(5), nullptr);
    EXPECT_EQ(head->FindByFamilyAndId(2, 21)->GetId(), 21u);
    EXPECT_EQ(head->FindById(7), nullptr);
    delete head;  // deletes the rest of the chain (AddressSanitizer checks)
}

}  // namespace

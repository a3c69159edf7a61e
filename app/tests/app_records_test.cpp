// Records posted to the running program from a worker thread: each command
// record and buffer pair is freed exactly once, by the current screen or,
// with none, by the frame.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app_test_support.h"
#include "core/app_commands.h"
#include "core/posted_records.h"
#include "platform/window/messages.h"

using namespace app_test;

namespace {

constexpr int kPosts = 1000;

struct Freed {
    std::atomic<int> records{0};
    std::atomic<int> pairs{0};
};

class CountedRecord : public CCommandRecord {
  public:
    explicit CountedRecord(Freed& f) : CCommandRecord(21, 3, 1, uint64_t{0}, 0, 0), freed_(f) {
        text = std::make_unique<core::Text>(u"1.000 GHz");
    }
    ~CountedRecord() override { ++freed_.records; }

  private:
    Freed& freed_;
};

class CountedPair : public CBufferPair {
  public:
    explicit CountedPair(Freed& f) : freed_(f) {
        Set(0, u"a");
        Set(5, u"b");
    }
    ~CountedPair() override { ++freed_.pairs; }

  private:
    Freed& freed_;
};

// Hides the current screen from the frame's routing once asked to.
class RecordsApp : public TestApp {
  public:
    using TestApp::TestApp;
    std::atomic<bool> hideScreen{false};
    CModeBase* GetCurrentMode() const override {
        return hideScreen ? nullptr : TestApp::GetCurrentMode();
    }
};

void PostAll(plat::CWnd* frame, Freed& freed) {
    for (int i = 0; i < kPosts; ++i) {
        ASSERT_TRUE(
            PostCommandObject<kCmdCommandRecord>(frame, std::make_unique<CountedRecord>(freed)));
        ASSERT_TRUE(PostCommandObject<kCmdBufferPair>(frame, std::make_unique<CountedPair>(freed)));
    }
}

TEST(PostedRecords, AWorkerPostsToTheScreen) {
    DeviceRoot root("celvane-records");
    auto log = std::make_shared<Log>();
    RecordsApp app(log);
    Freed freed;
    std::thread worker;
    app.initial = app.AddScreen(2);
    // The worker posts while the user-interface thread dispatches.
    app.initial->probes[plat::VK_F1] = [&] {
        worker = std::thread([&] { PostAll(app.GetMainFrame(), freed); });
    };
    app.initial->probes[plat::vk_function(2)] = [&] { worker.join(); };
    ASSERT_EQ(RunScript(app, root, "key F1\nkey F2\nwait 10\nquit\n"), 0);
    if (worker.joinable()) worker.join();
    EXPECT_EQ(freed.records.load(), kPosts);
    EXPECT_EQ(freed.pairs.load(), kPosts);
    int records = 0, pairs = 0;
    for (const auto& e : log->entries) {
        records += e.rfind("screen2 OnCommandRecord ", 0) == 0;
        pairs += e.rfind("screen2 OnBufferPair ", 0) == 0;
    }
    EXPECT_EQ(records, kPosts);
    EXPECT_EQ(pairs, kPosts);
}

TEST(PostedRecords, WithNoCurrentScreenTheFrameFreesThem) {
    DeviceRoot root("celvane-records-none");
    auto log = std::make_shared<Log>();
    RecordsApp app(log);
    Freed freed;
    app.initial = app.AddScreen(2);
    app.initial->probes[plat::VK_F1] = [&] {
        app.hideScreen = true;
        std::thread worker([&] { PostAll(app.GetMainFrame(), freed); });
        worker.join();
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nwait 10\nquit\n"), 0);
    EXPECT_EQ(freed.records.load(), kPosts);
    EXPECT_EQ(freed.pairs.load(), kPosts);
    for (const auto& e : log->entries)
        EXPECT_EQ(e.rfind("screen2 OnCommandRecord", 0), std::string::npos);
}

}  // namespace

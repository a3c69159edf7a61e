// The DSP link's handshake, rate limit, header checks and failure reports,
// against a scripted board standing in for the driver, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include <deque>
#include <functional>

#include "core/history.h"
#include "instrument/dsp_interface.h"
#include "instrument/dsp_message.h"
#include "instrument/tests/recording_screen.h"
#include "instrument/tests/wait_for.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace {

using instrument_test::RecordingScreen;
using instrument_test::SweepMeasurement;
using instrument_test::WaitFor;

struct Call {
    uint32_t code;
    uint16_t id;
    uint32_t tick;
    uint8_t first_byte;  // of the payload, 0 when none
};

// A board that answers every call at once: a stop is echoed unless echoes
// are held back, and queued blocks are handed out one per fetch.
class ScriptedLink : public CDspInterface {
  public:
    ~ScriptedLink() override { Stop(); }
    bool IsOpen() const override { return opened_; }
    void Close() override {
        opened_ = false;
        CDspInterface::Close();
    }
    std::vector<Call> Calls() {
        std::lock_guard lock(m_);
        return calls_;
    }
    std::vector<Call> CallsOf(uint32_t code) {
        std::vector<Call> out;
        for (auto& c : Calls())
            if (c.code == code) out.push_back(c);
        return out;
    }
    void Queue(uint16_t id, uint16_t length, uint16_t index, uint16_t count,
               std::vector<uint8_t> data = {}) {
        std::vector<uint8_t> b(8 + data.size());
        plat::put_le<uint16_t>(&b[0], id);
        plat::put_le<uint16_t>(&b[2], length);
        plat::put_le<uint16_t>(&b[4], index);
        plat::put_le<uint16_t>(&b[6], count);
        std::copy(data.begin(), data.end(), b.begin() + 8);
        std::lock_guard lock(m_);
        blocks_.push_back(b);
    }
    size_t Queued() {
        std::lock_guard lock(m_);
        return blocks_.size();
    }
    std::atomic<bool> hold_echo{false};
    std::atomic<uint32_t> fail_with{0};
    // Called on the link thread after each message the board took (not a
    // stop), with its id; set before the first send.
    std::function<void(uint16_t)> on_message;

  protected:
    bool OpenDevice() override { return opened_ = true; }
    bool RawControlIn(uint32_t code, const void* in, uint32_t size) override {
        if (fail_with) {
            plat::set_last_error(fail_with);
            return false;
        }
        const auto* bytes = static_cast<const uint8_t*>(in);
        const uint16_t id = in ? plat::get_le<uint16_t>(bytes) : 0;
        const uint8_t first = in && size > 4 ? bytes[4] : 0;
        {
            std::lock_guard lock(m_);
            calls_.push_back({code, id, plat::tick_count(), first});
        }
        if (code == dsp::IOCTL_DSP_STOP && !hold_echo) Queue(dspmsg::kEchoId, 60, 0, 0);
        if (code != dsp::IOCTL_DSP_STOP && on_message) on_message(id);
        return true;
    }
    bool RawControlOut(uint32_t code, void* out, uint32_t size, uint32_t* returned) override {
        if (fail_with) {
            plat::set_last_error(fail_with);
            return false;
        }
        if (code == dsp::IOCTL_DSP_READ_BLOCK) {
            std::lock_guard lock(m_);
            *returned = 0;
            if (blocks_.empty()) return true;
            auto b = blocks_.front();
            blocks_.pop_front();
            std::memcpy(out, b.data(), std::min<size_t>(size, b.size()));
            *returned = static_cast<uint32_t>(b.size());
            return true;
        }
        std::memset(out, 0, size);
        *returned = size;
        return true;
    }

  private:
    std::atomic<bool> opened_{false};
    std::mutex m_;
    std::vector<Call> calls_;
    std::deque<std::vector<uint8_t>> blocks_;
};

class DspLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        link_.Start();
        ASSERT_EQ(link_.Open(), 1);
        ASSERT_TRUE(WaitFor([&] { return link_.GetState() == CDspInterface::kIdle; }));
        m_.Init(&screen_);
        link_.SetListener(&m_);
    }
    void TearDown() override {
        link_.Stop();
        m_.StopWorker();
    }

    plat::VirtualClock clock_{true};
    RecordingScreen screen_;
    ScriptedLink link_;
    SweepMeasurement m_{&link_, 940000000, 20000000};
};

TEST(DspMessages, ClassesSizesAndHandshake) {
    struct Case {
        uint16_t id;
        uint32_t code, size;
        bool stop, notice;
    } cases[] = {
        {dsp::msg::kSweep, 0xDEAD000B, 40, true, true},
        {dsp::msg::kAdjacentChannelPower, 0xDEAD000B, 64, true, true},
        {dsp::msg::kDemodulationAudio, 0xDEAD000B, 64, true, false},
        {dsp::msg::kCounterMarkers, 0xDEAD000B, 56, false, false},
        {0x300C, 0xDEAD000B, 0, true, true},
        {dsp::msg::kReflectionSweep, 0xDEAD000C, 32, true, true},
        {dsp::msg::kDistanceToFault, 0xDEAD000C, 56, true, true},
        {dsp::msg::kStoreReflectionTracking, 0xDEAD000C, 90120, true, true},
        {dsp::msg::kOption, 0xDEAD000C, 4, false, false},
        {dsp::msg::kBiasCurrent, 0xDEAD000C, 0, false, false},
        {dsp::msg::kVnaEnd, 0xDEAD000C, 0, true, false},
        {0x2025, 0xDEAD000C, 0, true, true},
        {0x1005, 0xDEAD000A, 0, false, false},
        {0x4001, 0xDEAD0011, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(dspmsg::ControlCodeFor(c.id), c.code);
        EXPECT_EQ(dspmsg::PayloadSize(c.id), c.size);
        EXPECT_EQ(dspmsg::NeedsStop(c.id), c.stop);
        EXPECT_EQ(dspmsg::NotifiesSent(c.id), c.notice);
    }
}

TEST(DspMessages, ReplyHeaderClasses) {
    const std::pair<uint16_t, bool> cases[] = {
        {dsp::msg::kSweep, true},
        {dsp::msg::kCounterMarkers, true},
        {0x300C, false},
        {0x3060, true},
        {0x2060, true},
        {0x1060, false},
        {dsp::msg::kStartOnly, true},
        {0x2025, false},
        {0x3101, false},
        {0x2000, false},
        {0x0041, false},
        {144, false},
        {0x4001, false},
        {0xFFFF, false},
    };
    for (auto [id, valid] : cases) EXPECT_EQ(dspmsg::IsValidReplyId(id), valid) << std::hex << id;
}

TEST_F(DspLinkTest, MessageGoesOutAfterTheStopEchoAndRepliesReachTheScreen) {
    m_.Send();
    // The notice is the last thing the link does for a message that went
    // out, after the start call and the measurement's state.
    ASSERT_TRUE(WaitFor([&] { return screen_.sent.load() > 0; }));
    const auto calls = link_.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].code, dsp::IOCTL_DSP_STOP);
    EXPECT_EQ(calls[1].code, dsp::IOCTL_DSP_START_SPECTRUM);
    EXPECT_EQ(calls[1].id, dsp::msg::kSweep);
    EXPECT_EQ(screen_.sent.load(), 1);
    EXPECT_EQ(m_.GetState(), CMeasurement::kAcquiring);

    std::vector<uint8_t> data(4 * 5);
    const float v[5] = {-90, -80, -30, -80, -90};
    std::memcpy(data.data(), v, sizeof v);
    link_.Queue(dsp::msg::kSweep, 20 + 4, 5, 5, data);
    link_.Queue(dspmsg::kEchoId, 60, 0, 0);  // a stray echo is never delivered
    ASSERT_TRUE(WaitFor([&] { return !screen_.Blocks().empty() && link_.Queued() == 0; }));
    const auto blocks = screen_.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].count, 5);
    EXPECT_DOUBLE_EQ(blocks[0].peak_level, -30.0);
}

TEST_F(DspLinkTest, SendsStartAtMostOncePer500ms) {
    for (int i = 0; i < 4; ++i) {
        const size_t before = link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).size();
        m_.Send();
        ASSERT_TRUE(
            WaitFor([&] { return link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).size() > before; }));
    }
    const auto stops = link_.CallsOf(dsp::IOCTL_DSP_STOP);
    ASSERT_EQ(stops.size(), 4u);
    for (size_t i = 1; i < stops.size(); ++i) EXPECT_GE(stops[i].tick - stops[i - 1].tick, 501u);
}

TEST_F(DspLinkTest, OnlyTheLastOfTwoQueuedMessagesIsSent) {
    link_.hold_echo = true;
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_STOP).empty(); }));
    uint8_t record[56] = {};
    ASSERT_EQ(link_.SendMessage(dsp::msg::kChannelPower, record, 705), 1);
    link_.hold_echo = false;
    link_.Queue(dspmsg::kEchoId, 60, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).empty(); }));
    const auto starts = link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].id, dsp::msg::kChannelPower);
}

TEST_F(DspLinkTest, StopIsResentEvery6000msWithoutAnEcho) {
    link_.hold_echo = true;
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return link_.CallsOf(dsp::IOCTL_DSP_STOP).size() >= 3; }));
    const auto stops = link_.CallsOf(dsp::IOCTL_DSP_STOP);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_GE(stops[i].tick - stops[i - 1].tick, 6000u);
        EXPECT_LT(stops[i].tick - stops[i - 1].tick, 6100u);
    }
    EXPECT_TRUE(link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).empty());
}

TEST_F(DspLinkTest, CounterMarkerQueryNeedsNoStop) {
    uint8_t record[56] = {};
    ASSERT_EQ(link_.SendMessage(dsp::msg::kCounterMarkers, record, 0), 1);
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).empty(); }));
    EXPECT_TRUE(link_.CallsOf(dsp::IOCTL_DSP_STOP).empty());
    EXPECT_EQ(screen_.sent.load(), 0);  // no message-sent notice for the query
}

// The ids of the messages the board took (stops left out), in order.
std::vector<uint16_t> SentIds(ScriptedLink& link) {
    std::vector<uint16_t> out;
    for (const Call& c : link.Calls())
        if (c.code != dsp::IOCTL_DSP_STOP) out.push_back(c.id);
    return out;
}

// A query that waits is neither replaced by a newer stream message nor
// dropped by a stop: it goes first, with no stop before it, and the stream
// message follows behind its own stop. Asked again while it waits, it goes
// once, with the newer payload.
TEST_F(DspLinkTest, AWaitingQueryGoesBeforeTheStreamMessageAndTheStop) {
    link_.hold_echo = true;
    m_.Send();  // taken, its stop waits for the echo
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_STOP).empty(); }));
    uint8_t markers[56] = {1};
    ASSERT_EQ(link_.SendMessage(dsp::msg::kCounterMarkers, markers, 0), 1);
    markers[0] = 2;
    ASSERT_EQ(link_.SendMessage(dsp::msg::kCounterMarkers, markers, 0), 1);
    EXPECT_EQ(link_.WaitingQueries(), 1u);
    uint8_t record[56] = {};
    ASSERT_EQ(link_.SendMessage(dsp::msg::kChannelPower, record, 705), 1);
    link_.RequestStop();
    ASSERT_EQ(link_.SendMessage(dsp::msg::kChannelPower, record, 705), 1);
    link_.hold_echo = false;
    link_.Queue(dspmsg::kEchoId, 60, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return SentIds(link_).size() >= 2; }));
    const std::vector<uint16_t> want = {dsp::msg::kCounterMarkers, dsp::msg::kChannelPower};
    EXPECT_EQ(SentIds(link_), want);
    const auto calls = link_.Calls();
    ASSERT_EQ(calls.size(), 4u);  // stop, query, stop, stream message
    EXPECT_EQ(calls[1].first_byte, 2);
    EXPECT_EQ(calls[2].code, dsp::IOCTL_DSP_STOP);
    EXPECT_EQ(link_.WaitingQueries(), 0u);
}

// A stop asked while a query waits stops the board after the query went.
TEST_F(DspLinkTest, AStopAskedBehindAQueryKeepsIt) {
    uint8_t option[4] = {0, 0, 0, 0};
    ASSERT_EQ(link_.SendMessage(dsp::msg::kOption, option, 0), 1);
    link_.RequestStop();
    ASSERT_TRUE(WaitFor([&] {
        const auto calls = link_.Calls();
        return !calls.empty() && calls.back().code == dsp::IOCTL_DSP_STOP;
    }));
    EXPECT_EQ(SentIds(link_), std::vector<uint16_t>{dsp::msg::kOption});
}

// The replies of a running stream keep reaching the screen while a query
// asked behind it waits for its turn: the acknowledgements of an upload
// are never dropped by the bias switch.
TEST_F(DspLinkTest, RepliesOfTheRunningStreamAreTakenWhileAQueryWaits) {
    std::vector<uint8_t> data(4 * 5, 0);
    link_.on_message = [&](uint16_t id) {
        if (id != dsp::msg::kSweep) return;
        for (int i = 0; i < 3; ++i) link_.Queue(dsp::msg::kSweep, 20 + 4, 5, 5, data);
        uint8_t option[4] = {};
        link_.SendMessage(dsp::msg::kOption, option, 0);
    };
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return SentIds(link_).size() >= 2 && link_.Queued() == 0; }));
    EXPECT_EQ(SentIds(link_), (std::vector<uint16_t>{dsp::msg::kSweep, dsp::msg::kOption}));
    EXPECT_EQ(screen_.Blocks().size(), 3u);
}

TEST_F(DspLinkTest, InvalidHeadersAreRefusedAndAValidBlockClearsTheText) {
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).empty(); }));
    screen_.Clear();
    // A driver error code: history only. An invalid header: the screen is told.
    link_.Queue(145, 60, 0, 0);
    link_.Queue(0x3101, 7, 8, 9);
    ASSERT_TRUE(WaitFor([&] { return link_.Queued() == 0 && link_.IsErrorShown(); }));
    auto statuses = screen_.Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].second, 1);
    EXPECT_NE(statuses[0].first.find("12545"), std::string::npos);  // 0x3101
    EXPECT_TRUE(screen_.Blocks().empty());
    std::vector<uint8_t> data(4, 0);
    link_.Queue(dsp::msg::kSweep, 8, 1, 1, data);
    ASSERT_TRUE(WaitFor([&] { return !screen_.Blocks().empty(); }));
    statuses = screen_.Statuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1], std::make_pair(std::string(), 0));
}

TEST_F(DspLinkTest, EveryInvalidHeaderClassIsRefused) {
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).empty(); }));
    struct Case {
        uint16_t id;
        bool driver_error;  // below 160: history only; else the screen is told too
    } cases[] = {
        {14, true},      {144, true},
        {145, true},     {146, true},
        {147, true},     {148, true},
        {150, true},     {151, true},
        {152, true},     {dsp::msg::kRunState, true},
        {0x1001, false}, {0x1060, false},
        {0x4001, false}, {0x2025, false},
        {0x2000, false}, {0x300C, false},
        {0x3000, false}, {0x3101, false},
        {0x2F01, false}, {0xF001, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        HistoryInit(16);
        screen_.Clear();
        link_.Queue(c.id, 7, 8, 9);
        const char* entry =
            c.driver_error ? "DSP Driver error: Error Id: " : "Invalid message count: ";
        ASSERT_TRUE(
            WaitFor([&] { return HistoryRing().Format().find(entry) != std::string::npos; }));
        EXPECT_EQ(screen_.HasStatus(""), !c.driver_error);
        EXPECT_TRUE(screen_.Blocks().empty());
        if (!c.driver_error) {
            const std::string text = screen_.Statuses().at(0).first;
            EXPECT_NE(text.find(std::to_string(c.id)), std::string::npos) << text;
            EXPECT_NE(text.find(", count 9"), std::string::npos) << text;
        }
    }
}

TEST_F(DspLinkTest, ControlFailureClosesTheLinkAndReportsOnce) {
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !link_.CallsOf(dsp::IOCTL_DSP_START_SPECTRUM).empty(); }));
    link_.SetAutoReconnect(false);
    link_.fail_with = plat::ERROR_INVALID_HANDLE;
    ASSERT_TRUE(WaitFor([&] { return link_.GetState() == CDspInterface::kClosed; }));
    EXPECT_FALSE(link_.IsConnected());
    EXPECT_EQ(link_.SendMessage(dsp::msg::kSweep, nullptr, 705), 0);
    // The report may follow the state change by a moment, and which control
    // call met the failure first depends on the link thread's timing.
    EXPECT_TRUE(WaitFor([&] { return screen_.HasStatus("CDspInterface failed:(dwIoControl "); }));
    std::lock_guard lock(screen_.mutex);
    EXPECT_TRUE(std::any_of(screen_.statuses.begin(), screen_.statuses.end(), [](const auto& s) {
        return s.first.find(") Error#:6: ") != std::string::npos;
    }));
}

TEST(DspLinkClosed, SendOnAClosedLinkKeepsNothing) {
    CDspInterface link;
    EXPECT_EQ(link.SendMessage(dsp::msg::kSweep, nullptr, 705), 0);
    EXPECT_EQ(link.GetState(), CDspInterface::kClosed);
}

}  // namespace

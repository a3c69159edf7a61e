// Every message of the board's wire table, end to end: the DSP link sends it
// through the VornDSP driver that the device manager loaded, and the
// simulated board on the USB host records what arrives. The driver's size
// check is tried on its own handle of "DSP1:" first. Each message runs in a
// process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "drivers/dsp/dsp_protocol.h"
#include "instrument/measurement.h"
#include "instrument/tests/board_rig.h"
#include "instrument/tests/wait_for.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "sim/scene.h"

namespace {

using instrument_test::WaitFor;
using measure_test::BoardRig;
using measure_test::RecordingBoard;

// Long enough for a loaded machine under a sanitizer.
constexpr int kWaitMs = 30000;
// Entries of a table store: more than one upload packet holds.
constexpr uint16_t kTableEntries = 200;

// Counts the link's notices that a message went out.
class NoticeCounter : public CMeasurement {
  public:
    explicit NoticeCounter(CDevicePort* link) : CMeasurement(link) {}
    void OnMessageSent() override { ++notices; }
    std::atomic<int> notices{0};
};

// Where the first packet with this command lies in the board's log.
std::optional<size_t> FirstPacket(const std::vector<RecordingBoard::Packet>& log, uint16_t id) {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].command == id) return i;
    return std::nullopt;
}

// Payload bytes the board can tell apart from zeros and still reads as a
// small sweep (every count field a few points), so that no message makes
// the board compute for long.
std::vector<uint8_t> Pattern(size_t size, uint16_t id) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i + id) % 5 == 0);
    return bytes;
}

// The start message as the driver takes it, `size` bytes in all: head, then
// payload (a shorter one cuts the head).
std::vector<uint8_t> StartInput(uint16_t id, uint32_t size) {
    std::vector<uint8_t> input = Pattern(std::max<size_t>(size, sizeof(dsp::MessageHead)), id);
    plat::put_le<uint16_t>(input.data(), 0, id);
    plat::put_le<uint16_t>(input.data(), 2, 0);
    input.resize(size);
    return input;
}

// The start code a message of this id goes with; the status class has none
// of its own and goes with the other starts.
uint32_t StartCode(uint16_t id) {
    const uint32_t code = dspmsg::ControlCodeFor(id);
    return code ? code : dsp::IOCTL_DSP_START_OTHER;
}

class MessageTableTest : public ::testing::TestWithParam<dsp::MessageInfo> {
  protected:
    MessageTableTest() : rig_(sim::default_scene()) {
        driver_ = plat::devices::StreamFile::open(dsp::kDeviceName);
    }

    // A start of `size` bytes in all on the driver's own handle; false with
    // the error code of a refusal.
    bool DirectStart(uint16_t id, uint32_t size) {
        const std::vector<uint8_t> input = StartInput(id, size);
        plat::set_last_error(0);
        return driver_.io_control(StartCode(id), input.data(), static_cast<uint32_t>(input.size()),
                                  nullptr, 0, nullptr);
    }

    BoardRig rig_;
    plat::devices::StreamFile driver_;
};

TEST_P(MessageTableTest, GoesThroughLinkDriverAndBoard) {
    const dsp::MessageInfo m = GetParam();
    ASSERT_TRUE(driver_);
    RecordingBoard& board = rig_.board();

    // The driver's size check: one byte short of its minimum is refused, as
    // is every message it does not take, and nothing reaches the board.
    const bool refused = m.driver_min == 0;
    if (refused && !(m.flags & dsp::kStartOnly)) {
        EXPECT_FALSE(DirectStart(m.id, sizeof(dsp::MessageHead) + m.payload));
        EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_FALSE(FirstPacket(board.Packets(), m.id));
        return;
    }
    if (!refused) {
        EXPECT_FALSE(DirectStart(m.id, m.driver_min - 1));
        EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
    }
    if (dspmsg::ControlCodeFor(m.id) == 0) {
        // No link sends a status-class message; the driver takes it alone.
        ASSERT_TRUE(DirectStart(m.id, m.driver_min));
        const auto log = board.Packets();
        const auto at = FirstPacket(log, m.id);
        ASSERT_TRUE(at);
        EXPECT_EQ(log[*at].payload.size(), m.payload);
        return;
    }

    // Through the link, then a sweep behind it: once the sweep's notice is
    // in, the message's own notice has come or never will.
    NoticeCounter listener(&rig_.link());
    rig_.link().SetListener(&listener);
    const bool table = m.flags & dsp::kTableStore;
    const std::vector<uint8_t> body = Pattern(m.payload, m.id);
    if (table) {
        ASSERT_EQ(rig_.link().SendTable(m.id, body.data(), body.size(), kTableEntries), 1);
    } else {
        ASSERT_EQ(rig_.link().SendMessage(m.id, body.data(), 0), 1);
    }
    const bool sent_to_board = !(m.flags & dsp::kStartOnly);
    if (sent_to_board) {
        ASSERT_TRUE(
            WaitFor([&] { return FirstPacket(board.Packets(), m.id).has_value(); }, kWaitMs));
    }
    const int expected_notices = dsp::message_notifies_sent(m.id) ? 1 : 0;
    ASSERT_TRUE(WaitFor([&] { return listener.notices.load() >= expected_notices; }, kWaitMs));
    ASSERT_EQ(rig_.link().SendMessage(dsp::msg::kSweep, nullptr, 0), 1);
    ASSERT_TRUE(WaitFor([&] { return listener.notices.load() >= expected_notices + 1; }, kWaitMs));
    EXPECT_EQ(listener.notices.load(), expected_notices + 1);

    const auto log = board.Packets();
    const auto at = FirstPacket(log, m.id);
    if (!sent_to_board) {
        EXPECT_FALSE(at) << "a start-only message reached the board";
        return;
    }
    ASSERT_TRUE(at);
    ASSERT_GT(*at, 0u);
    EXPECT_EQ(log[*at - 1].command == dsp::CMD_STOP, dsp::message_needs_stop(m.id))
        << "the stop handshake before the message";
    if (table) {
        EXPECT_EQ(log[*at].payload.size(), dsp::kTablePayloadSize);
        const std::vector<uint8_t> got = board.UploadedTable(m.id);
        ASSERT_EQ(got.size(), size_t{kTableEntries} * 8);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), body.begin()));
    } else {
        EXPECT_EQ(log[*at].payload, body);
    }
}

}  // namespace

namespace dsp {
// A message by its id, in test messages.
void PrintTo(const MessageInfo& m, std::ostream* os) {
    char id[8];
    std::snprintf(id, sizeof id, "0x%04X", m.id);
    *os << id;
}
}  // namespace dsp

namespace {

std::string IdName(const ::testing::TestParamInfo<dsp::MessageInfo>& info) {
    char name[8];
    std::snprintf(name, sizeof name, "x%04X", info.param.id);
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryMessage, MessageTableTest, ::testing::ValuesIn(dsp::kMessages),
                         IdName);

}  // namespace

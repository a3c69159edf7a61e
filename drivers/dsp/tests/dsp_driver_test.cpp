// The VornDSP library loaded by the device manager from the device root, a
// scripted board attached over the USB host, and "DSP1:" driven as clients
// drive it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#include "drivers/dsp/dsp_protocol.h"
#include "drivers/dsp/tests/install_driver.h"
#include "drivers/dsp/tests/scripted_board.h"
#include "platform/devices/device_manager.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using namespace dsp;
using namespace dsp::test;
using plat::devices::StreamFile;

// One device root for the process: the registry names the driver, the
// library sits in "\Windows" under the name the device image gives it.
class DriverEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        root_ = std::make_unique<celvane_test::TempRoot>("dsp-driver");
        celvane_test::install_dsp_driver(root_->path());
        plat::devices::start();
    }
    void TearDown() override { root_.reset(); }
    std::unique_ptr<celvane_test::TempRoot> root_;
};
DriverEnvironment* const environment =
    static_cast<DriverEnvironment*>(::testing::AddGlobalTestEnvironment(new DriverEnvironment));

Bytes words(uint16_t count, uint32_t first = 0) {
    Bytes b(count * 4u);
    for (uint16_t i = 0; i < count; ++i) plat::put_le<uint32_t>(b.data() + 4 * i, first + i);
    return b;
}

Bytes message(uint16_t id, uint16_t argument, size_t payload) {
    Bytes m(4 + payload, 0xA5);
    plat::put_le<uint16_t>(m.data(), id);
    plat::put_le<uint16_t>(m.data() + 2, argument);
    return m;
}

struct Fetched {
    BlockHeader head{};
    Bytes data;
    uint32_t returned = 0;
};

class DspDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        board = std::make_shared<ScriptedBoard>();
        board->answer(CMD_VERSION, Bytes(36, '7'));
        id = plat::usb::Host::instance().attach(board);
        ASSERT_TRUE(plat::usb::Host::instance().claimed(id));
        dsp = StreamFile::open(kDeviceName);
        ASSERT_TRUE(dsp);
        event = plat::Event::open(kDriverEventName);
        ASSERT_TRUE(event);
    }
    void TearDown() override {
        dsp.close();
        if (id) plat::usb::Host::instance().detach(id);
    }

    bool control(uint32_t code, const Bytes& in, Bytes* out = nullptr,
                 uint32_t* returned = nullptr) {
        uint32_t r = 0;
        bool ok = dsp.io_control(code, in.empty() ? nullptr : in.data(),
                                 static_cast<uint32_t>(in.size()), out ? out->data() : nullptr,
                                 out ? static_cast<uint32_t>(out->size()) : 0, &r);
        if (returned) *returned = r;
        return ok;
    }

    // A table upload's input: the message id, the entry count and that
    // many zeroed 8-byte entries.
    static Bytes Table(uint16_t id, uint16_t entries) {
        Bytes table(4 + size_t{entries} * 8);
        plat::put_le<uint16_t>(table.data(), id);
        plat::put_le<uint16_t>(table.data() + 2, entries);
        return table;
    }
    // Waits for the driver's event and fetches; returned 0 after ~3 s
    // without a block.
    Fetched fetch(uint32_t size = kFetchBufferSize) {
        Fetched f;
        Bytes out(size);
        for (int i = 0; i < 300; ++i) {
            event.wait(10);
            event.reset();
            EXPECT_TRUE(control(IOCTL_DSP_READ_BLOCK, {}, &out, &f.returned))
                << plat::get_last_error();
            if (f.returned) break;
        }
        if (f.returned >= 8) {
            std::memcpy(&f.head, out.data(), 8);
            f.data.assign(out.begin() + 8, out.begin() + f.returned);
        }
        return f;
    }

    // Starts a spectrum sweep of `points` and answers the stop first when
    // one is pending.
    void start_spectrum(uint16_t points = 705) {
        ASSERT_TRUE(control(IOCTL_DSP_START_SPECTRUM, message(dsp::msg::kSweep, points, 40)))
            << plat::get_last_error();
    }

    std::shared_ptr<ScriptedBoard> board;
    plat::usb::AttachId id = 0;
    StreamFile dsp;
    plat::Event event;
};

TEST_F(DspDriverTest, DeviceAppearsWithTheBoardAndGoesWithIt) {
    EXPECT_TRUE(plat::devices::is_active(u"dsp1:"));
    Bytes info(12);
    uint32_t returned = 0;
    ASSERT_TRUE(control(IOCTL_DSP_DRIVER_INFO, {}, &info, &returned));
    EXPECT_EQ(returned, 12u);
    EXPECT_EQ(plat::get_le<uint16_t>(info.data()), kDriverVersion);
    Bytes short_out(11);
    EXPECT_FALSE(control(IOCTL_DSP_DRIVER_INFO, {}, &short_out));

    ASSERT_TRUE(plat::usb::Host::instance().detach(id));
    id = 0;
    EXPECT_FALSE(plat::devices::is_active(u"DSP1:"));
    EXPECT_FALSE(StreamFile::open(kDeviceName));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_FILE_NOT_FOUND);
    // A handle kept across the detach is dead.
    EXPECT_FALSE(control(IOCTL_DSP_DRIVER_INFO, {}, &info));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);
}

TEST_F(DspDriverTest, CommandsWithReplies) {
    Bytes version(36);
    uint32_t returned = 0;
    ASSERT_TRUE(control(IOCTL_DSP_VERSION, {}, &version, &returned));
    EXPECT_EQ(returned, 36u);
    EXPECT_EQ(version, Bytes(36, '7'));
    EXPECT_EQ(board->commands().back().command, CMD_VERSION);

    // A reply whose echo carries bits 8-11 fails with 1117.
    board->answer(CMD_STATUS, Bytes(8, 1), CMD_STATUS | 0x0100);
    Bytes status(8);
    EXPECT_FALSE(control(IOCTL_DSP_STATUS, {}, &status));
    EXPECT_EQ(plat::get_last_error(), 1117u);
    // Too small an output: 8, and nothing goes to the board.
    const size_t sent = board->commands().size();
    Bytes small(7);
    EXPECT_FALSE(control(IOCTL_DSP_ERROR_STATUS, {}, &small));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(board->commands().size(), sent);
    // Unsupported codes and seek.
    EXPECT_FALSE(control(IOCTL_DSP_START_4000, message(0x4001, 0, 4)));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_SUPPORTED);
    EXPECT_EQ(dsp.seek(0, STREAM_SEEK_BEGIN), STREAM_FAILED);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_SUPPORTED);
}

TEST_F(DspDriverTest, CommandPayloadLimitIs1020Bytes) {
    board->answer(CMD_CALIBRATION, {});
    EXPECT_TRUE(control(IOCTL_DSP_CALIBRATION, Bytes(1020, 3)));
    ASSERT_EQ(board->commands().size(), 1u);
    EXPECT_EQ(board->commands()[0].command, CMD_CALIBRATION);
    EXPECT_EQ(board->commands()[0].payload, Bytes(1020, 3));
    for (size_t size : {size_t{1021}, size_t{5000}}) {
        EXPECT_FALSE(control(IOCTL_DSP_CALIBRATION, Bytes(size, 3)));
        EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
    }
    EXPECT_FALSE(control(IOCTL_DSP_CALIBRATION, Bytes(1019, 3)));
    // A network-analyzer table message longer than the buffer is refused too.
    EXPECT_FALSE(
        control(IOCTL_DSP_START_VNA, message(dsp::msg::kStoreReflectionTracking, 0, 1021)));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(board->commands().size(), 1u);
}

TEST_F(DspDriverTest, MessageSizeCheck) {
    struct Case {
        uint32_t code;
        uint16_t id;
        size_t payload;
        bool ok;
    } cases[] = {
        {IOCTL_DSP_START_OTHER, 0x1001, 40, false},  // class 0x1000 is always refused
        {IOCTL_DSP_START_SPECTRUM, dsp::msg::kSweep, 39, false},
        {IOCTL_DSP_START_SPECTRUM, dsp::msg::kSpectrum06, 60, false},
        {IOCTL_DSP_START_VNA, dsp::msg::kDistanceToFault, 55, false},
        {IOCTL_DSP_START_VNA, 0x201A, 60, false},
        {IOCTL_DSP_START_VNA, dsp::msg::kDistanceToFault, 56, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(control(c.code, message(c.id, 10, c.payload)), c.ok) << std::hex << c.id;
        if (!c.ok) {
            EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
        }
    }
    ASSERT_EQ(board->commands().size(), 1u);
    EXPECT_EQ(board->commands()[0].command, dsp::msg::kDistanceToFault);
    EXPECT_EQ(board->commands()[0].payload.size(), 56u);
    EXPECT_FALSE(control(IOCTL_DSP_START_SPECTRUM, {1, 2}));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(DspDriverTest, SpectrumSweepIsAssembledAndFetched) {
    start_spectrum(705);
    ASSERT_EQ(board->commands().size(), 1u);
    EXPECT_EQ(board->commands()[0].command, dsp::msg::kSweep);
    EXPECT_EQ(board->commands()[0].payload.size(), 40u);  // the argument is not sent

    // Two packets of 400 and 305 points: each is longer than 64 bytes, so it
    // arrives as the first 64 bytes and one rounded remainder.
    board->send(large_packet(dsp::msg::kSweep, 0, 400, words(400)));
    Fetched first = fetch();
    EXPECT_EQ(first.head.type, dsp::msg::kSweep);
    EXPECT_EQ(first.head.next, 400);
    EXPECT_EQ(first.head.count, 400);
    EXPECT_EQ(first.returned, 8u + 1600u);

    board->send(large_packet(dsp::msg::kSweep, 400, 305, words(305, 400)));
    Fetched whole = fetch();
    EXPECT_EQ(whole.head.type, dsp::msg::kSweep);
    EXPECT_EQ(whole.head.length, 4 + 305 * 4);
    EXPECT_EQ(whole.head.next, 705);
    EXPECT_EQ(whole.head.count, 705);
    ASSERT_EQ(whole.returned, 8u + 2820u);
    EXPECT_EQ(whole.data, words(705));

    // Nothing new: TRUE with 0 bytes, also for a second fetch.
    Bytes out(kFetchBufferSize);
    uint32_t returned = 99;
    EXPECT_TRUE(control(IOCTL_DSP_READ_BLOCK, {}, &out, &returned));
    EXPECT_EQ(returned, 0u);

    // Busy: only the listed codes pass.
    Bytes version(36);
    EXPECT_FALSE(control(IOCTL_DSP_VERSION, {}, &version));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_BUSY);
    Bytes info(12);
    EXPECT_TRUE(control(IOCTL_DSP_DRIVER_INFO, {}, &info));
    EXPECT_EQ(plat::get_le<uint32_t>(info.data() + 4), 1u);  // acquiring
}

TEST_F(DspDriverTest, StopHandshake) {
    board->set_echo_stop(false);
    start_spectrum();
    // A second start while busy sends the stop and fails with 170; another
    // start while the stop is pending fails without sending anything.
    EXPECT_FALSE(control(IOCTL_DSP_START_SPECTRUM, message(dsp::msg::kSweep, 705, 40)));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_BUSY);
    ASSERT_EQ(board->commands().size(), 2u);
    EXPECT_EQ(board->commands()[1].command, CMD_STOP);
    EXPECT_TRUE(board->commands()[1].payload.empty());
    EXPECT_FALSE(control(IOCTL_DSP_START_VNA, message(dsp::msg::kMeasureOpen, 10, 24)));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_BUSY);
    EXPECT_EQ(board->commands().size(), 2u);

    // The echo completes the stop; it is offered as a block of its own.
    board->send(packet(CMD_STOP, {}));
    Fetched echo = fetch();
    EXPECT_EQ(echo.head.type, LOW_ECHO);
    EXPECT_EQ(echo.head.length, 64);
    EXPECT_EQ(echo.returned, 8u + 60u);  // not mistaken for "nothing new"
    start_spectrum();
    EXPECT_EQ(board->commands().size(), 3u);

    // 0xDEAD0009 sends the stop and reports the write.
    EXPECT_TRUE(control(IOCTL_DSP_STOP, {}));
    EXPECT_EQ(plat::get_last_error(), 0u);
    board->set_refuse_out(true);
    EXPECT_FALSE(control(IOCTL_DSP_STOP, {}));
    EXPECT_EQ(plat::get_last_error(), USB_TRANSFER_STALL);
}

TEST_F(DspDriverTest, StatusBlocks) {
    struct Case {
        const char* what;
        Bytes packet;
        uint16_t type;
    };
    const Case spectrum_cases[] = {
        {"other class than the message", packet(dsp::msg::kReflectionSweep, Bytes(8)),
         STATUS_WRONG_CLASS},
        {"class 0x5000", packet(0x5001, Bytes(8)), STATUS_WRONG_CLASS},
        {"unknown spectrum type", packet(dsp::msg::kSpectrum05, Bytes(8)), STATUS_BAD_SPECTRUM},
        {"past the expected length", large_packet(dsp::msg::kSweep, 700, 10, words(10)),
         STATUS_BAD_SPECTRUM},
        {"past the area", large_packet(dsp::msg::kZeroSpan, 22525, 10, words(10)),
         STATUS_BAD_SPECTRUM},
        {"count beyond the bytes sent", large_packet(dsp::msg::kSweep, 0, 600, words(10)),
         STATUS_BAD_SPECTRUM},
        {"unknown status type", packet(0x0005, Bytes(8)), STATUS_BAD_STATUS},
        {"sub-typed, invalid", packet(0x0175, Bytes(8)), STATUS_BAD_STATUS},
        {"sub-typed spectrum too long", packet(0x3102, Bytes(300)), STATUS_BAD_SPECTRUM},
        {"run state takes the reply class", packet(msg::kRunState, Bytes(8)),
         CLASS_SPECTRUM | LOW_RUN},
        {"sub-typed, valid", packet(0x0141, Bytes(8)), 0x0141},
        {"small spectrum block", packet(dsp::msg::kOccupiedBandwidth, Bytes(16, 4)),
         dsp::msg::kOccupiedBandwidth},
    };
    start_spectrum(705);
    for (const Case& c : spectrum_cases) {
        board->send(c.packet);
        Fetched f = fetch();
        EXPECT_EQ(f.head.type, c.type) << c.what;
    }
    // A start refused while busy still names the running class: a class
    // 0x1000 packet is then of the message's class but no block class.
    EXPECT_FALSE(control(IOCTL_DSP_START_OTHER, message(0x1001, 0, 40)));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_BUSY);
    board->send(packet(0x1001, Bytes(8)));
    EXPECT_EQ(fetch().head.type, STATUS_BAD_CLASS);
    EXPECT_TRUE(
        control(IOCTL_DSP_START_SPECTRUM, message(dsp::msg::kCounterMarkers, 0, 56)));  // a query
    board->send(packet(dsp::msg::kSweep, Bytes(2)));
    EXPECT_EQ(fetch().head.type, STATUS_BAD_SPECTRUM);  // no room for start and count

    // A packet whose claimed length runs past what came (short transfer).
    Bytes cut = large_packet(dsp::msg::kSweep, 0, 100, words(100));
    cut.resize(64 + 10);
    board->send(cut);
    EXPECT_EQ(fetch().head.type, STATUS_BAD_SPECTRUM);

    // Read faults become status blocks.
    board->fail_next_read(USB_TRANSFER_TIMEOUT);
    EXPECT_EQ(fetch().head.type, STATUS_READ_TIMEOUT);
    board->fail_next_read(USB_TRANSFER_STALL);
    EXPECT_EQ(fetch().head.type, STATUS_READ_FAILED);
    board->send({});  // zero-length packet
    EXPECT_EQ(fetch().head.type, STATUS_READ_FAILED);
    board->fail_next_read(USB_TRANSFER_CANCELLED);
    Fetched cancelled = fetch();
    EXPECT_EQ(cancelled.head.type, STATUS_READ_CANCELLED);
    EXPECT_EQ(cancelled.returned, 8u + 60u);
}

TEST_F(DspDriverTest, NetworkAnalyzerBlocks) {
    const uint16_t items = 11265;  // a full area: 90,120 bytes
    ASSERT_TRUE(
        control(IOCTL_DSP_START_VNA, message(dsp::msg::kFetchReflectionTracking, items, 0)));
    auto item_bytes = [](uint16_t start, uint16_t count) {
        Bytes b(count * 8u);
        for (uint16_t i = 0; i < count; ++i) plat::put_le<uint32_t>(b.data() + 8 * i, start + i);
        return b;
    };
    // Type 10 is offered only once complete.
    board->send(large_packet(dsp::msg::kFetchReflectionTracking, 0, 8000, item_bytes(0, 8000)));
    board->send(packet(dsp::msg::kOption, Bytes(8)));  // low byte 22 is no block type
    Fetched bad = fetch();
    EXPECT_EQ(bad.head.type, STATUS_BAD_VNA);
    board->send(large_packet(dsp::msg::kFetchReflectionTracking, 8000, items - 8000,
                             item_bytes(8000, items - 8000)));
    Fetched full = fetch();
    EXPECT_EQ(full.head.type, dsp::msg::kFetchReflectionTracking);
    EXPECT_EQ(full.head.next, items);
    ASSERT_EQ(full.returned, kFetchBufferSize);  // 8 + 90,120 fits exactly
    Bytes all = item_bytes(0, 8000), rest = item_bytes(8000, items - 8000);
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(full.data, all);

    // A buffer too small for the block: 1002, and the block is dropped.
    board->send(large_packet(dsp::msg::kFetchReflectionTracking, 0, 8000, item_bytes(0, 8000)));
    board->send(large_packet(dsp::msg::kFetchReflectionTracking, 8000, items - 8000,
                             item_bytes(8000, items - 8000)));
    Bytes small(1000);
    uint32_t returned = 0;
    bool ok = true;
    for (int i = 0; i < 300 && ok && returned == 0; ++i) {
        event.wait(10);
        event.reset();
        ok = control(IOCTL_DSP_READ_BLOCK, {}, &small, &returned);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(plat::get_last_error(), 1002u);
}

TEST_F(DspDriverTest, SampleBlocksCompleteAfterHalfTheCapacity) {
    ASSERT_TRUE(control(IOCTL_DSP_START_SPECTRUM, message(dsp::msg::kDemodulationAudio, 0, 64)));
    Bytes samples(2000 * 2);
    std::iota(samples.begin(), samples.end(), 0);
    for (int i = 0; i < 6; ++i)
        board->send(large_packet(dsp::msg::kDemodulationAudio, 0, 2000, samples));
    Fetched block = fetch();
    EXPECT_EQ(block.head.type, dsp::msg::kDemodulationAudio);
    EXPECT_EQ(block.head.count, 12000 - 1);
    ASSERT_EQ(block.returned, 8u + 24000u);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), block.data.begin() + 4000));
}

TEST_F(DspDriverTest, StrayPacketsWhileStopping) {
    // While a stop waits for its echo every other packet is counted; the
    // eleventh becomes status block 147.
    board->set_echo_stop(false);
    start_spectrum();
    Bytes info(12);
    for (int i = 0; i < 300 && plat::get_le<uint32_t>(info.data() + 4) != 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(control(IOCTL_DSP_DRIVER_INFO, {}, &info));
    }
    ASSERT_TRUE(control(IOCTL_DSP_STOP, {}));
    for (int i = 0; i < 11; ++i) board->send(packet(dsp::msg::kOccupiedBandwidth, Bytes(8)));
    EXPECT_EQ(fetch().head.type, STATUS_UNEXPECTED);
}

// A table packet whose reply failed: the rest of the table still goes, and
// no acknowledgement block follows, so the client sees the table missing.
TEST_F(DspDriverTest, ATablePacketLeftUnansweredWithholdsTheAcknowledgement) {
    const uint16_t id = dsp::msg::kStoreSourceMatch;
    board->answer(id, {});
    const Bytes table = Table(id, 300);
    board->fail_next_read(plat::ERROR_TIMEOUT);
    ASSERT_TRUE(control(IOCTL_DSP_UPLOAD_TABLE, table));
    EXPECT_EQ(board->commands().size(), 3u);
    Bytes out(kFetchBufferSize);
    uint32_t returned = 1;
    ASSERT_TRUE(control(IOCTL_DSP_READ_BLOCK, {}, &out, &returned));
    EXPECT_EQ(returned, 0u);
}

TEST_F(DspDriverTest, TableUploadAndFileDownload) {
    const uint16_t id = dsp::msg::kStoreReflectionTracking;
    board->answer(id, {});
    Bytes table = Table(id, 300);
    for (size_t i = 4; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(control(IOCTL_DSP_UPLOAD_TABLE, table));
    auto cmds = board->commands();
    ASSERT_EQ(cmds.size(), 3u);
    for (size_t p = 0; p < 3; ++p) {
        const Bytes& payload = cmds[p].payload;
        ASSERT_EQ(payload.size(), kTablePayloadSize);
        const uint32_t first = 126 * p, n = p < 2 ? 126 : 48;
        EXPECT_EQ(plat::get_le<uint32_t>(payload.data()), first);
        EXPECT_EQ(plat::get_le<uint16_t>(payload.data() + 4), n);
        EXPECT_EQ(plat::get_le<uint16_t>(payload.data() + 6),
                  checksum(table.data() + 4 + first * 8, n * 8));
        EXPECT_TRUE(std::all_of(payload.begin() + 8 + n * 8, payload.end(),
                                [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(fetch().head.type, id);
    plat::put_le<uint16_t>(table.data() + 2, 301);  // more entries than the input holds
    EXPECT_FALSE(control(IOCTL_DSP_UPLOAD_TABLE, table));

    // Download: chunks of 1,012 bytes with offset, length and checksum.
    Bytes image(2500);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
    std::ofstream(environment->root_->path() / "FlashFX Disk" / "dsp.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), image.size());
    board->answer(CMD_LOAD_DSP, {});
    std::u16string path = u"\\FlashFX Disk\\dsp.bin";
    Bytes in((path.size() + 1) * 2);
    std::memcpy(in.data(), path.c_str(), in.size());
    ASSERT_TRUE(control(IOCTL_DSP_LOAD_DSP, in));
    cmds = board->commands();
    ASSERT_EQ(cmds.size(), 6u);
    Bytes joined;
    for (size_t c = 3; c < 6; ++c) {
        const Bytes& p = cmds[c].payload;
        EXPECT_EQ(cmds[c].command, CMD_LOAD_DSP);
        EXPECT_EQ(plat::get_le<uint32_t>(p.data()), joined.size());
        const uint16_t len = plat::get_le<uint16_t>(p.data() + 4);
        EXPECT_EQ(len, c < 5 ? 1012 : 476);
        EXPECT_EQ(plat::get_le<uint16_t>(p.data() + 6), checksum(p.data() + 8, len));
        joined.insert(joined.end(), p.begin() + 8, p.end());
    }
    EXPECT_EQ(joined, image);
    std::u16string missing = u"\\FlashFX Disk\\none.bin";
    Bytes none((missing.size() + 1) * 2);
    std::memcpy(none.data(), missing.c_str(), none.size());
    EXPECT_FALSE(control(IOCTL_DSP_LOAD_FPGA, none));
}

TEST_F(DspDriverTest, WrongContextsAndOpenWithoutBoard) {
    void* lib = dlopen("VornDSP.so", RTLD_NOW | RTLD_NOLOAD);
    if (!lib)
        lib = dlopen((std::string(std::getenv("CELVANE_BUILD_BIN")) + "/VornDSP.so").c_str(),
                     RTLD_NOW);
    ASSERT_NE(lib, nullptr);
    auto io = reinterpret_cast<StreamIOControlFn>(dlsym(lib, "DSP_IOControl"));
    auto open = reinterpret_cast<StreamOpenFn>(dlsym(lib, "DSP_Open"));
    ASSERT_TRUE(io && open);
    uint8_t out[12];
    uint32_t returned = 0;
    EXPECT_FALSE(io(0x1234, IOCTL_DSP_DRIVER_INFO, nullptr, 0, out, 12, &returned));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);
    EXPECT_EQ(open(0x1234, 0, 0), 0u);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_FILE_NOT_FOUND);
    dsp.close();
    plat::usb::Host::instance().detach(id);
    id = 0;
    EXPECT_EQ(open(kContext, 0, 0), 0u);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_ACCESS_DENIED);
    dlclose(lib);
}

TEST_F(DspDriverTest, TheNewestBoardServesAndTheOlderOneTakesOver) {
    auto second = std::make_shared<ScriptedBoard>();
    second->answer(CMD_VERSION, Bytes(36, '2'));
    auto second_id = plat::usb::Host::instance().attach(second);
    ASSERT_TRUE(plat::usb::Host::instance().claimed(second_id));
    Bytes version(36);
    ASSERT_TRUE(control(IOCTL_DSP_VERSION, {}, &version));
    EXPECT_EQ(version, Bytes(36, '2'));
    EXPECT_TRUE(board->commands().empty());

    ASSERT_TRUE(plat::usb::Host::instance().detach(second_id));
    EXPECT_TRUE(plat::devices::is_active(kDeviceName));
    ASSERT_TRUE(control(IOCTL_DSP_VERSION, {}, &version));
    EXPECT_EQ(version, Bytes(36, '7'));
    EXPECT_EQ(board->commands().size(), 1u);
}

TEST_F(DspDriverTest, DetachWaitsForCallsInFlight) {
    // A call held inside the board's OUT transfer stays in the driver while
    // the board detaches: new calls see the device closing (71); the held
    // call finishes, then the device goes.
    board->hold_out(true);
    std::thread caller([&] {
        Bytes version(36);
        uint32_t r;
        EXPECT_FALSE(dsp.io_control(IOCTL_DSP_VERSION, nullptr, 0, version.data(), 36, &r));
    });
    ASSERT_TRUE(board->wait_commands(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::thread detacher([&] { plat::usb::Host::instance().detach(id); });
    bool saw_closing = false;
    Bytes info(12);
    // The detacher runs when the scheduler lets it: poll until the device
    // reports that it is closing (a hung detach ends the test at its deadline).
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!saw_closing && std::chrono::steady_clock::now() < give_up) {
        if (!control(IOCTL_DSP_DRIVER_INFO, {}, &info))
            saw_closing = plat::get_last_error() == plat::ERROR_REQ_NOT_ACCEP;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(saw_closing);
    EXPECT_TRUE(plat::devices::is_active(kDeviceName));  // still waiting for the call
    board->hold_out(false);
    caller.join();
    detacher.join();
    id = 0;
    EXPECT_FALSE(plat::devices::is_active(kDeviceName));
}

}  // namespace

// The measurement road end to end: a measurement sends through the DSP link
// to the VornDSP driver that the device manager loaded, the simulated board
// answers over the USB host, and the link hands the checked blocks back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "drivers/dsp/dsp_protocol.h"
#include "instrument/dsp_interface.h"
#include "instrument/sensor_ports.h"
#include "instrument/sensors/gps_receiver.h"
#include "instrument/tests/recording_screen.h"
#include "instrument/tests/wait_for.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/debug_out.h"
#include "sim/board_factory.h"
#include "sim/sensors/peripherals.h"
#include "sim/tests/simulated_device.h"

namespace {

using instrument_test::RecordingScreen;
using instrument_test::SweepBlock;
using instrument_test::SweepMeasurement;
using instrument_test::WaitFor;

plat::usb::AttachId g_board = 0;

class BoardEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        plat::set_debug_to_stderr(getenv("E2E_DEBUG") != nullptr);
        root_ = std::make_unique<celvane_test::TempRoot>("instrument-e2e");
        g_board = sim_test::start_simulated_device(root_->path());
        ASSERT_NE(g_board, 0u);
    }
    void TearDown() override {
        plat::usb::Host::instance().detach(g_board);
        root_.reset();
    }

  private:
    std::unique_ptr<celvane_test::TempRoot> root_;
};
[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new BoardEnvironment);

// The board may take a while to come up under a sanitizer on a busy machine.
constexpr int kBoardWaitMs = 20000;

constexpr uint64_t kCentre = 940000000, kSpan = 20000000;

// The board sends a sweep in packets of 64 points; the next index of the
// blocks runs 64, 128, ... 704, 705 and starts again. Every block holds the
// trace from point 0 to its next index, so a block that a later one replaced
// before the link fetched it loses no data; a sweep whose last block (705)
// never came does.
bool Follows(uint16_t previous, uint16_t next) {
    return next < previous ? previous == 705 : next > previous;
}

// The blocks of the first whole sweep at or after block `from`: its blocks
// from next index 64 to 705, none missing. Empty when none is complete yet.
std::vector<SweepBlock> FullSweep(const std::vector<SweepBlock>& blocks, size_t from) {
    for (size_t i = from; i < blocks.size(); ++i) {
        if (blocks[i].next != 64) continue;
        std::vector<SweepBlock> sweep{blocks[i]};
        for (size_t j = i + 1; j < blocks.size() && Follows(blocks[j - 1].next, blocks[j].next);
             ++j) {
            sweep.push_back(blocks[j]);
            if (blocks[j].next == 705) return sweep;
        }
    }
    return {};
}

// No block is missing from the first block of a sweep at or after `from` on.
bool NoneLost(const std::vector<SweepBlock>& blocks, size_t from) {
    while (from < blocks.size() && blocks[from].next != 64) ++from;
    for (size_t j = from + 1; j < blocks.size(); ++j)
        if (!Follows(blocks[j - 1].next, blocks[j].next)) return false;
    return true;
}

class BoardEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        link_.Start();
        ASSERT_EQ(link_.Open(), 1) << "DSP1: not open";
        ASSERT_TRUE(
            WaitFor([&] { return link_.GetState() == CDspInterface::kIdle; }, kBoardWaitMs));
        m_.Init(&screen_);
        link_.SetListener(&m_);
        m_.StartWorker();
    }
    void TearDown() override {
        m_.Stop();
        m_.StopWorker();
        link_.Stop();
    }

    RecordingScreen screen_;
    CDspInterface link_;
    SweepMeasurement m_{&link_, kCentre, kSpan};
};

TEST_F(BoardEndToEnd, SweepCarriesTheSceneCarrier) {
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !FullSweep(screen_.Blocks(), 0).empty(); }, kBoardWaitMs));
    const auto sweep = FullSweep(screen_.Blocks(), 0);
    const SweepBlock* best = &sweep.back();  // the whole trace
    const double step = static_cast<double>(kSpan) / 704;
    EXPECT_NEAR(static_cast<double>(best->peak_frequency), 940e6, step / 2);
    EXPECT_NEAR(best->peak_level, -30.0, 0.1);
    EXPECT_NE(best->thread, plat::current_thread_id());
    EXPECT_EQ(m_.GetState(), CMeasurement::kAcquiring);
    EXPECT_GE(screen_.sent.load(), 1);
    EXPECT_TRUE(
        WaitFor([&] { return screen_.idle.load() > 0; }, kBoardWaitMs));  // the worker saw replies
}

TEST_F(BoardEndToEnd, TenRestartsLoseNoBlockAndLeaveOneWorker) {
    for (int i = 0; i < 10; ++i) {
        m_.Stop();
        m_.StopWorker();
        m_.StartWorker();
        // Blocks of the new stream come after its message-sent notice.
        const int sent = screen_.sent + 1;
        auto fresh = [&] {
            std::vector<SweepBlock> out;
            for (const auto& b : screen_.Blocks())
                if (b.sent >= sent) out.push_back(b);
            return out;
        };
        m_.Send();
        ASSERT_TRUE(WaitFor([&] { return !FullSweep(fresh(), 0).empty(); }, kBoardWaitMs))
            << "restart " << i;
        const auto seen = fresh();
        std::string order;
        for (const auto& b : seen) order += std::to_string(b.next) + " ";
        EXPECT_TRUE(NoneLost(seen, 0)) << "restart " << i << ": " << order;
        EXPECT_EQ(CMeasurement::RunningWorkers(), 1);
    }
}

TEST_F(BoardEndToEnd, UnplugAndReplugResumesTheSweep) {
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !FullSweep(screen_.Blocks(), 0).empty(); }, kBoardWaitMs));
    ASSERT_TRUE(plat::usb::Host::instance().detach(g_board));
    ASSERT_TRUE(WaitFor([&] { return screen_.HasStatus("CDspInterface failed:"); }, kBoardWaitMs));
    EXPECT_FALSE(link_.IsConnected());
    g_board = sim::attach_simulated_board();
    ASSERT_NE(g_board, 0u);
    const size_t from = screen_.Blocks().size();
    ASSERT_TRUE(WaitFor([&] { return !FullSweep(screen_.Blocks(), from).empty(); }, kBoardWaitMs));
    EXPECT_TRUE(link_.IsConnected());
}

// A query sent while the sweep streams is not what resumes it: after the
// board comes back the sweep starts again, then the query is answered again.
TEST_F(BoardEndToEnd, ReplugResumesTheStreamThenItsPendingQuery) {
    m_.Send();
    ASSERT_TRUE(WaitFor([&] { return !FullSweep(screen_.Blocks(), 0).empty(); }, kBoardWaitMs));
    const uint8_t query[56] = {};
    ASSERT_EQ(link_.SendMessage(dsp::msg::kCounterMarkers, query, 0), 1);
    ASSERT_TRUE(WaitFor([&] { return m_.query_replies.load() > 0; }, kBoardWaitMs));
    ASSERT_TRUE(plat::usb::Host::instance().detach(g_board));
    ASSERT_TRUE(WaitFor([&] { return screen_.HasStatus("CDspInterface failed:"); }, kBoardWaitMs));
    const int answered = m_.query_replies.load();
    g_board = sim::attach_simulated_board();
    ASSERT_NE(g_board, 0u);
    const size_t from = screen_.Blocks().size();
    ASSERT_TRUE(WaitFor([&] { return !FullSweep(screen_.Blocks(), from).empty(); }, kBoardWaitMs));
    EXPECT_TRUE(WaitFor([&] { return m_.query_replies.load() > answered; }, kBoardWaitMs));
}

// The link copies the caller's table bytes, as many as the caller has: a
// buffer short of the table's entries is refused, a whole one queued.
TEST_F(BoardEndToEnd, TableUploadTakesTheCallersSizeAndRefusesAShortOne) {
    constexpr uint16_t kEntries = 705;
    std::vector<uint8_t> table(kEntries * 8 - 1, 0x5A);
    EXPECT_EQ(link_.SendTable(dsp::msg::kStoreDirectivity, table.data(), table.size(), kEntries),
              0);
    table.push_back(0x5A);
    EXPECT_EQ(link_.SendTable(dsp::msg::kStoreDirectivity, table.data(), table.size(), kEntries),
              1);
}

// With GPS polling on, the listening measurement gets the fix text of the
// receiver on "com1:", here the simulated receiver replaying its log.
TEST(BoardGps, AListeningMeasurementGetsTheReplayedFixText) {
    namespace fs = std::filesystem;
    const fs::path gps_folder = plat::device_root() / "FlashFX Disk" / "System" / "GPS";
    fs::create_directories(gps_folder);
    fs::copy_file(fs::path(GPS_LOG_DIR) / "tn204.log", gps_folder / "tn204.log",
                  fs::copy_options::overwrite_existing);
    sim::Scene scene;
    scene.peripherals.usb = "none";
    // The log streams as fast as the port reads it, so the wait below ends
    // with the receiver's first fix however loaded the machine is.
    scene.time_scale = 0;
    sim::PeripheralWorld world(scene, plat::device_root());
    CSerialPort port(1);
    port.Start();
    CGpsReceiver gps(&port);
    CDspInterface link(&gps);
    link.Start();
    ASSERT_EQ(link.Open(), 1);
    ASSERT_TRUE(WaitFor([&] { return link.GetState() == CDspInterface::kIdle; }, kBoardWaitMs));
    RecordingScreen screen;
    SweepMeasurement m{&link, kCentre, kSpan};
    m.Init(&screen);
    link.SetListener(&m);
    m.StartWorker();
    m.Send();
    link.EnableGpsPolling();
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& [text, status] : screen.GpsTexts())
                if (status == 2 && text.rfind("$GPGGA,", 0) == 0) return true;
            return false;
        },
        kBoardWaitMs));
    for (const auto& [text, status] : screen.GpsTexts()) {
        if (status != 2) continue;
        // The sentence as the log has it, without its line end.
        EXPECT_EQ(text.find('\r'), std::string::npos);
        EXPECT_NE(text.find(",3348.60"), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - 3, 1), "*");
    }
    m.Stop();
    m.StopWorker();
    link.Stop();
    port.Stop();
}

}  // namespace

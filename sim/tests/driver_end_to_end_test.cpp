// The simulated board attached to the USB host, claimed by the VornDSP
// driver that the device manager loaded from the device root, and "DSP1:"
// driven the way the main program's link drives it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/devices/device_manager.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/registry/registry.h"
#include "sim/board_factory.h"
#include "sim/board_wire.h"
#include "sim/tests/simulated_device.h"

namespace {

namespace fs = std::filesystem;
using plat::devices::StreamFile;
using sim::Bytes;
using sim::get_le;
using sim::put_le;

class BoardEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        root_ = std::make_unique<celvane_test::TempRoot>("sim-e2e");
        id_ = sim_test::start_simulated_device(root_->path());
        ASSERT_NE(id_, 0u);
        ASSERT_TRUE(plat::usb::Host::instance().claimed(id_));
    }
    void TearDown() override {
        plat::usb::Host::instance().detach(id_);
        root_.reset();
    }

  private:
    std::unique_ptr<celvane_test::TempRoot> root_;
    plat::usb::AttachId id_ = 0;
};
[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new BoardEnvironment);

struct Block {
    std::uint16_t type = 0, length = 0, next = 0, count = 0;
    Bytes data;
};

class DriverEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        dsp_ = StreamFile::open(dsp::kDeviceName);
        ASSERT_TRUE(dsp_) << plat::get_last_error();
        event_ = plat::Event::open(dsp::kDriverEventName);
        ASSERT_TRUE(event_);
    }

    bool control(std::uint32_t code, const Bytes& in, Bytes* out = nullptr,
                 std::uint32_t* returned = nullptr) {
        std::uint32_t r = 0;
        const bool ok = dsp_.io_control(
            code, in.empty() ? nullptr : in.data(), static_cast<std::uint32_t>(in.size()),
            out ? out->data() : nullptr, out ? static_cast<std::uint32_t>(out->size()) : 0, &r);
        if (returned) *returned = r;
        return ok;
    }

    // The newest block; empty type after about 3 s without one.
    Block fetch() {
        Block b;
        Bytes out(dsp::kFetchBufferSize);
        for (int i = 0; i < 300; ++i) {
            event_.wait(10);
            event_.reset();
            std::uint32_t n = 0;
            EXPECT_TRUE(control(dsp::IOCTL_DSP_READ_BLOCK, {}, &out, &n));
            if (n >= 8) {
                b.type = get_le<std::uint16_t>(out, 0);
                b.length = get_le<std::uint16_t>(out, 2);
                b.next = get_le<std::uint16_t>(out, 4);
                b.count = get_le<std::uint16_t>(out, 6);
                b.data.assign(out.begin() + 8, out.begin() + n);
                return b;
            }
        }
        return b;
    }

    Block fetch_until(const std::function<bool(const Block&)>& done) {
        for (int i = 0; i < 2000; ++i) {
            Block b = fetch();
            if (b.type == 0 || done(b)) return b;
        }
        return {};
    }

    // The link's stop-before-start handshake, then the message.
    void start(std::uint16_t id, const Bytes& payload, std::uint16_t argument,
               std::uint32_t code = dsp::IOCTL_DSP_START_SPECTRUM) {
        ASSERT_TRUE(control(dsp::IOCTL_DSP_STOP, {}));
        Block echo = fetch_until(
            [](const Block& b) { return dsp::message_number(b.type) == dsp::LOW_ECHO; });
        ASSERT_EQ(dsp::message_number(echo.type), dsp::LOW_ECHO);
        Bytes m(4 + payload.size());
        put_le<std::uint16_t>(m, 0, id);
        put_le<std::uint16_t>(m, 2, argument);
        std::copy(payload.begin(), payload.end(), m.begin() + 4);
        ASSERT_TRUE(control(code, m)) << plat::get_last_error();
    }

    static Bytes sweep_record(std::size_t size, std::uint64_t centre, std::uint64_t span) {
        Bytes r(size, 0);
        put_le<std::uint64_t>(r, 0, centre);
        put_le<std::uint64_t>(r, 8, span);
        put_le<std::uint16_t>(r, 18, 3);  // 30 kHz
        put_le<std::uint16_t>(r, 20, 3);  // positive peak
        put_le<std::uint16_t>(r, 22, 705);
        return r;
    }

    StreamFile dsp_;
    plat::Event event_;
};

TEST_F(DriverEndToEnd, VersionComesFromTheScene) {
    ASSERT_TRUE(control(dsp::IOCTL_DSP_STOP, {}));
    fetch_until([](const Block& b) { return dsp::message_number(b.type) == dsp::LOW_ECHO; });
    Bytes v(36);
    ASSERT_TRUE(control(dsp::IOCTL_DSP_VERSION, {}, &v)) << plat::get_last_error();
    EXPECT_EQ(std::string(v.begin() + dsp::kSerialOffset, v.begin() + dsp::kSerialOffset + 8),
              "SIM00001");
    EXPECT_NE(get_le<std::uint16_t>(v, 2) & 4, 0);  // the option bit
    Bytes status(8);
    ASSERT_TRUE(control(dsp::IOCTL_DSP_STATUS, {}, &status));
    EXPECT_EQ(get_le<std::uint16_t>(status, 6), 38);
}

TEST_F(DriverEndToEnd, FullSweepShowsTheCarrierAtItsFrequencyAndLevel) {
    const std::uint64_t centre = 940000000, span = 20000000;
    start(dsp::msg::kSweep, sweep_record(40, centre, span), 705);
    Block b =
        fetch_until([](const Block& b) { return b.type == dsp::msg::kSweep && b.next == 705; });
    ASSERT_EQ(b.type, dsp::msg::kSweep);
    ASSERT_GE(b.data.size(), 705u * 4);
    int peak = 0;
    for (int i = 0; i < 705; ++i)
        if (get_le<float>(b.data, i * 4u) > get_le<float>(b.data, peak * 4u)) peak = i;
    const double step = static_cast<double>(span) / 704;
    EXPECT_NEAR(centre - span / 2.0 + peak * step, 940e6, step / 2);
    EXPECT_NEAR(get_le<float>(b.data, peak * 4u), -30.0, 0.1);
    // The second carrier, 4.8 MHz below, at its level too.
    const int second = static_cast<int>(std::lround((935.2e6 - (centre - span / 2.0)) / step));
    float best = -300;
    for (int i = second - 1; i <= second + 1; ++i)
        best = std::max(best, get_le<float>(b.data, i * 4u));
    EXPECT_NEAR(best, -45.0, 0.5);
}

TEST_F(DriverEndToEnd, ChannelPowerArrivesAsItsOwnBlock) {
    Bytes r = sweep_record(48, 947500000, 20000000);
    put_le<std::uint64_t>(r, 40, 5000000);
    start(dsp::msg::kChannelPower, r, 705);
    Block b = fetch_until([](const Block& b) { return b.type == dsp::msg::kChannelPower; });
    ASSERT_EQ(b.type, dsp::msg::kChannelPower);
    // The 5 MHz channel of -50 dBm over the noise in 5 MHz (kT at 290 K + 24 + 67 dBm).
    const double kt = 10 * std::log10(1.380649e-23 * 290 / 1e-3);
    const double want =
        10 * std::log10(std::pow(10, -5.0) + std::pow(10, (kt + 24 + 10 * std::log10(5e6)) / 10));
    EXPECT_NEAR(get_le<float>(b.data, 0), want, 0.01);
}

TEST_F(DriverEndToEnd, NetworkAnalyzerSweepShowsTheCableRipple) {
    const int n = 401;
    Bytes r(32, 0);
    put_le<std::uint32_t>(r, 0, n);
    put_le<std::uint64_t>(r, 4, 800000000);
    put_le<std::uint64_t>(r, 12, 1000000000);
    start(dsp::msg::kReflectionSweep, r, n, dsp::IOCTL_DSP_START_VNA);
    Block b = fetch_until(
        [&](const Block& b) { return b.type == dsp::msg::kReflectionSweep && b.next == n; });
    ASSERT_EQ(b.type, dsp::msg::kReflectionSweep);
    ASSERT_GE(b.data.size(), n * 8u);
    // Uncorrected return loss of the 30 m cable into the antenna: a reflection
    // well below 0 dB that ripples as the cable's echoes beat.
    float lo = 0, hi = -300;
    for (int i = 0; i < n; ++i) {
        const float v = get_le<float>(b.data, i * 8u);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_LT(hi, 0.0f);
    EXPECT_GT(hi - lo, 3.0f);
}

TEST_F(DriverEndToEnd, StreamsWithoutStatusErrorsAtFullSpeed) {
    start(dsp::msg::kSweep, sweep_record(40, 940000000, 20000000), 705);
    Block first =
        fetch_until([](const Block& b) { return b.type == dsp::msg::kSweep && b.next == 705; });
    ASSERT_EQ(first.type, dsp::msg::kSweep);
    const Bytes sweep(first.data.begin(), first.data.begin() + 705 * 4);
    int whole = 0;
    for (int i = 0; i < 200; ++i) {
        Block b = fetch();
        ASSERT_EQ(b.type, dsp::msg::kSweep) << "status block " << b.type;
        ASSERT_LE(b.next, 705);
        // Every value delivered so far belongs to the same deterministic sweep.
        ASSERT_TRUE(std::equal(b.data.begin(), b.data.begin() + b.next * 4, sweep.begin()));
        if (b.next == 705) ++whole;
    }
    EXPECT_GT(whole, 0);
    ASSERT_TRUE(control(dsp::IOCTL_DSP_STOP, {}));
}

}  // namespace

// VornSPI loaded by the device manager from a temporary device root, on the
// simulated board's serial port and microcontroller, on both board layouts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/text/utf.h"

#include <future>
#include <thread>

#include "drivers/spi/spi_protocol.h"
#include "platform/byte_order.h"
#include "platform/devices/device_manager.h"
#include "platform/devices/power_service.h"
#include "platform/devices/tests/driver_install.h"
#include "platform/hardware/processor_map.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "sim/board_io/board_io.h"

namespace {

using namespace spi;
using plat::devices::StreamFile;
using plat::hw::RegisterAccess;
using Bytes = std::vector<uint8_t>;

struct Layout {
    const char16_t* name;
    uint32_t ssp_base;
    uint32_t alt_function_fields;  // bits 2-9 of the GPIO alternate-function register
};
// Pins of bits 2-7 on function 1; bits 8-9 on function 2 (standard) or 1.
const Layout kLayouts[] = {{u"TARNWICK", plat::hw::kSspBaseStandard, 0x254},
                           {u"KORVELB", plat::hw::kSspBaseSecond, 0x154}};
// The board's name, in test names and messages.
std::string LayoutName(const Layout& layout) {
    return plat::to_utf8(layout.name);
}
void PrintTo(const Layout& layout, std::ostream* os) {
    *os << LayoutName(layout);
}

class SpiDriverTest : public ::testing::TestWithParam<Layout> {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        celvane_test::install_builtin_driver(root.path(), "VornSPI", kDriverKey, kDriverLibrary,
                                             kDevicePrefix);
        celvane_test::set_board_name(GetParam().name);
        micro().set_status(status_bytes());
        device = plat::devices::activate_device(kDriverKey);
        ASSERT_NE(device, 0u);
        spi = StreamFile::open(kDeviceName);
        ASSERT_TRUE(spi);
    }
    void TearDown() override {
        spi.close();
        if (device) plat::devices::deactivate_device(device);
    }
    sim::Microcontroller& micro() { return plug.board()->microcontroller(); }
    static std::array<uint8_t, kStatusBytes> status_bytes() {
        std::array<uint8_t, kStatusBytes> s{};
        s[kStatusFlags] = 3;
        s[kStatusCharge] = 0x34;
        s[kStatusCharge + 1] = 0x12;
        s[kStatusFirmware] = 9;
        s[kStatusTemperature] = 41;
        return s;
    }
    // Result, last error and bytes returned of one request.
    struct Outcome {
        bool ok;
        uint32_t error;
        uint32_t returned;
    };
    Outcome call(uint32_t code, const Bytes* in, Bytes* out) {
        uint32_t returned = 0xDEAD;
        plat::set_last_error(0);
        const bool ok =
            spi.io_control(code, in ? in->data() : nullptr, in ? in->size() : 0,
                           out ? out->data() : nullptr, out ? out->size() : 0, &returned);
        return {ok, plat::get_last_error(), returned};
    }
    std::vector<RegisterAccess> data_log(plat::hw::RegisterLog& log) { return log.take(); }

    celvane_test::TempRoot root{"spi-driver"};
    sim::BoardIoPlug plug{std::make_shared<sim::BoardIo>()};
    plat::devices::ActiveDevice device = 0;
    StreamFile spi;
};

INSTANTIATE_TEST_SUITE_P(Layouts, SpiDriverTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return LayoutName(info.param); });

TEST_P(SpiDriverTest, EveryCodeWithGoodMissingAndShortBuffers) {
    struct Case {
        uint32_t code;
        size_t in, out;
        bool ok;
        uint32_t error, returned;
    };
    const Case cases[] = {
        {IOCTL_SPI_GET_STATUS, 0, 10, true, 0, 10},
        {IOCTL_SPI_GET_STATUS, 0, 9, false, 8, 0},
        {IOCTL_SPI_GET_STATUS, 0, 0, false, 8, 0},
        {IOCTL_SPI_GET_STATE, 0, 2, true, 0, 2},
        {IOCTL_SPI_GET_STATE, 0, 1, false, 8, 0},
        {IOCTL_SPI_READ_KEYS, 0, 34, true, 0, 34},
        {IOCTL_SPI_READ_KEYS, 0, 33, false, 8, 0},
        {IOCTL_SPI_ARM_SHUTDOWN, 4, 0, true, 0, 0},
        {IOCTL_SPI_ARM_SHUTDOWN, 3, 0, false, 8, 0},
        {IOCTL_SPI_ARM_SHUTDOWN, 0, 0, false, 8, 0},
        {IOCTL_SPI_STORE_WORD, 2, 0, true, 0, 0},
        {IOCTL_SPI_STORE_WORD, 1, 0, false, 8, 0},
        {IOCTL_SPI_LOAD_WORD, 0, 2, true, 0, 2},
        {IOCTL_SPI_LOAD_WORD, 0, 1, false, 8, 0},
        {IOCTL_SPI_SHUTDOWN_ACK, 0, 0, true, 0, 0},
        {0xBEEF0040, 0, 4, false, 1, 0},
        {0xBABA0001, 8, 4, false, 1, 0},
    };
    for (const Case& c : cases) {
        Bytes in(c.in), out(c.out);
        const Outcome o = call(c.code, c.in ? &in : nullptr, c.out ? &out : nullptr);
        EXPECT_EQ(o.ok, c.ok) << std::hex << c.code << " in " << c.in << " out " << c.out;
        if (!c.ok) {
            EXPECT_EQ(o.error, c.error) << std::hex << c.code;
        }
        EXPECT_EQ(o.returned, c.returned) << std::hex << c.code;
    }
}

TEST_P(SpiDriverTest, WrongContextIsRefused) {
    void* lib = dlopen((root.path() / "Windows" / "VornSPI.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto io = reinterpret_cast<StreamIOControlFn>(dlsym(lib, "SPI_IOControl"));
    auto read = reinterpret_cast<StreamReadFn>(dlsym(lib, "SPI_Read"));
    auto open = reinterpret_cast<StreamOpenFn>(dlsym(lib, "SPI_Open"));
    auto seek = reinterpret_cast<StreamSeekFn>(dlsym(lib, "SPI_Seek"));
    uint8_t out[10];
    uint32_t returned = 7;
    EXPECT_FALSE(io(0x1234, IOCTL_SPI_GET_STATUS, nullptr, 0, out, 10, &returned));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);
    EXPECT_EQ(read(0x1234, out, 1), STREAM_FAILED);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);
    EXPECT_EQ(open(0x1234, 0, 0), 0u);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(seek(kContext, 0, 0), STREAM_FAILED);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_SUPPORTED);
    dlclose(lib);
}

TEST_P(SpiDriverTest, StatusRecordCarriesTheMicrocontrollersBytes) {
    Bytes out(10);
    ASSERT_TRUE(call(IOCTL_SPI_GET_STATUS, nullptr, &out).ok);
    const uint16_t expected[5] = {257, 3, 9, 0x1234, 41};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(plat::get_le<uint16_t>(out.data() + 2 * i), expected[i]);
}

TEST_P(SpiDriverTest, KeyEventsComeAsPairsUpToTheEnd) {
    micro().push_key(0x21, 1);
    micro().push_key(0x22, 0);
    Bytes out(34);
    ASSERT_TRUE(call(IOCTL_SPI_READ_KEYS, nullptr, &out).ok);
    EXPECT_EQ(plat::get_le<uint16_t>(out.data()), 3);  // two events and the closing pair
    EXPECT_EQ(Bytes(out.begin() + 2, out.begin() + 5), (Bytes{0x21, 0x22, 0}));
    EXPECT_EQ(Bytes(out.begin() + 18, out.begin() + 21), (Bytes{1, 0, 0}));
}

TEST_P(SpiDriverTest, SyncAtStartAndANotReadyReplyRetriedOnce) {
    const uint32_t data = GetParam().ssp_base + plat::hw::kSspData;
    using A = RegisterAccess;
    {
        plat::devices::deactivate_device(device);
        spi.close();
        plat::hw::RegisterLog log(data, data);
        device = plat::devices::activate_device(kDriverKey);
        ASSERT_NE(device, 0u);
        EXPECT_EQ(log.take(), (std::vector<A>{{A::Write, data, 0xFF},
                                              {A::Read, data, 0},
                                              {A::Write, data, 0},
                                              {A::Read, data, 0x5A},
                                              {A::Write, data, 0},
                                              {A::Read, data, 0xA5}}));
        spi = StreamFile::open(kDeviceName);
        ASSERT_TRUE(spi);
    }
    plat::hw::RegisterLog log(data, data);
    micro().set_busy(1);
    Bytes out(2);
    ASSERT_TRUE(call(IOCTL_SPI_GET_STATE, nullptr, &out).ok);
    EXPECT_EQ(plat::get_le<uint16_t>(out.data()), kStateRunning);
    EXPECT_EQ(log.take(), (std::vector<A>{{A::Write, data, CMD_STATE},
                                          {A::Read, data, 0},
                                          {A::Write, data, 0},
                                          {A::Read, data, CMD_STATE},
                                          {A::Write, data, 0},
                                          {A::Read, data, kNotReady},
                                          {A::Write, data, 0},
                                          {A::Read, data, kStateRunning}}));
    micro().set_busy(2);  // two in a row fail the read: the last value stays
    ASSERT_TRUE(call(IOCTL_SPI_ENTER_SLEEP, nullptr, nullptr).ok);
    ASSERT_TRUE(call(IOCTL_SPI_GET_STATE, nullptr, &out).ok);
    EXPECT_EQ(plat::get_le<uint16_t>(out.data()), kStateRunning);
    ASSERT_TRUE(call(IOCTL_SPI_GET_STATE, nullptr, &out).ok);
    EXPECT_EQ(plat::get_le<uint16_t>(out.data()), kStateAsleep);
}

// The port's pins take their alternate functions: the two-bit fields are
// cleared before they are set, the register's other bits stay.
TEST_P(SpiDriverTest, PortConfigurationSetsThePinFunctions) {
    using A = RegisterAccess;
    const uint32_t alt = plat::hw::kGpioBase + plat::hw::kGpioAltFunction2Upper;
    plat::devices::deactivate_device(device);
    spi.close();
    const uint32_t before = 0x80000000u | 0x3FCu;  // every field at 3, and a bit of another pin
    plat::hw::RegisterWindow::map(plat::hw::kGpioBase, plat::hw::kGpioBlockSize)
        .write(plat::hw::kGpioAltFunction2Upper, before);
    plat::hw::RegisterLog log(alt, alt);
    device = plat::devices::activate_device(kDriverKey);
    ASSERT_NE(device, 0u);
    std::vector<uint32_t> written;
    for (const A& a : log.take())
        if (a.kind == A::Write) written.push_back(a.value);
    ASSERT_FALSE(written.empty());
    for (uint32_t value : written)
        EXPECT_EQ(value, 0x80000000u | GetParam().alt_function_fields) << std::hex << value;
}

// A state request while another thread's exchange holds the driver answers
// the last state at once, without an exchange of its own.
TEST_P(SpiDriverTest, StateWhileAnotherExchangeRunsAnswersTheLastValue) {
    const uint32_t ssp = GetParam().ssp_base;
    const size_t commands = micro().commands().size();
    std::promise<void> held, release;
    std::thread holder([&] {
        micro().with_panel([&](sim::Panel&) {
            held.set_value();
            release.get_future().wait();
        });
    });
    held.get_future().wait();
    plat::hw::RegisterLog log(ssp, ssp + plat::hw::kSspBlockSize - 1);
    // The key read takes the driver's lock, touches the port, then waits in
    // its exchange on the microcontroller held above.
    std::thread keys([&] {
        Bytes out(kKeyRecordSize);
        call(IOCTL_SPI_READ_KEYS, nullptr, &out);
    });
    while (log.take().empty()) std::this_thread::yield();
    auto state = std::async(std::launch::async, [&] {
        Bytes out(2);
        const bool ok = call(IOCTL_SPI_GET_STATE, nullptr, &out).ok;
        return ok ? int(plat::get_le<uint16_t>(out.data())) : -1;
    });
    // A state request that waited for the lock would never end before the
    // release below; the generous bound only turns that into a failure.
    const bool answered = state.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    release.set_value();
    holder.join();
    keys.join();
    ASSERT_TRUE(answered);
    EXPECT_EQ(state.get(), int(kStateRunning));
    EXPECT_EQ(micro().commands().size(), commands + 1);  // the key read's command only
}

TEST_P(SpiDriverTest, SleepWakeAndShutdownReachTheClientsEvents) {
    auto enter = plat::Event::open("SPIEnterSleepMode");
    auto exit = plat::Event::open("SPIExitSleepMode");
    auto shutdown = plat::Event::open("SPIIOShutDown");
    ASSERT_TRUE(enter && exit && shutdown);
    ASSERT_TRUE(call(IOCTL_SPI_ENTER_SLEEP, nullptr, nullptr).ok);
    EXPECT_TRUE(enter.is_set());
    EXPECT_FALSE(exit.is_set());
    EXPECT_TRUE(micro().asleep());
    ASSERT_TRUE(call(IOCTL_SPI_EXIT_SLEEP, nullptr, nullptr).ok);
    EXPECT_FALSE(enter.is_set());
    EXPECT_TRUE(exit.is_set());
    EXPECT_FALSE(micro().asleep());

    const size_t before = micro().commands().size();
    ASSERT_TRUE(call(IOCTL_SPI_POWER_OFF, nullptr, nullptr).ok);  // not armed: acknowledge
    EXPECT_EQ(micro().commands().back(), CMD_SHUTDOWN_ACK);
    Bytes armed{1, 0, 0, 0};
    ASSERT_TRUE(call(IOCTL_SPI_ARM_SHUTDOWN, &armed, nullptr).ok);
    ASSERT_TRUE(call(IOCTL_SPI_POWER_OFF, nullptr, nullptr).ok);  // armed: the client's turn
    EXPECT_TRUE(shutdown.is_set());
    EXPECT_EQ(micro().commands().size(), before + 1);

    Bytes word{0x34, 0x12}, out(2);
    ASSERT_TRUE(call(IOCTL_SPI_STORE_WORD, &word, nullptr).ok);
    ASSERT_TRUE(call(IOCTL_SPI_LOAD_WORD, nullptr, &out).ok);
    EXPECT_EQ(out, word);
}

TEST_P(SpiDriverTest, PowerDownSendsSleepAndStopsTheClock) {
    plat::devices::power_down_devices();
    EXPECT_EQ(micro().commands().back(), CMD_SLEEP);
    Bytes out(2);
    ASSERT_TRUE(call(IOCTL_SPI_GET_STATE, nullptr, &out).ok);  // no clock: nothing answers
    const size_t silent = micro().commands().size();
    plat::devices::power_up_devices();
    ASSERT_TRUE(call(IOCTL_SPI_GET_STATE, nullptr, &out).ok);
    EXPECT_EQ(micro().commands().size(), silent + 1);
}

// The power manager's transitions through the driver: the controller hears
// of a sleep before the drivers power down and of a wake after they power up.
TEST_P(SpiDriverTest, PowerTransitionsReachTheControllerAndTheEvents) {
    auto enter = plat::Event::open("SPIEnterSleepMode");
    auto exit = plat::Event::open("SPIExitSleepMode");
    auto shutdown = plat::Event::open("SPIIOShutDown");
    const size_t before = micro().commands().size();
    ASSERT_TRUE(plat::power::sleep());
    EXPECT_TRUE(enter.is_set());
    const auto slept = micro().commands();
    ASSERT_EQ(slept.size(), before + 2);  // the request's, then the power-down's
    EXPECT_EQ(slept[before], CMD_SLEEP);
    EXPECT_EQ(slept[before + 1], CMD_SLEEP);
    ASSERT_TRUE(plat::power::wake());
    EXPECT_TRUE(exit.is_set());
    EXPECT_FALSE(enter.is_set());
    EXPECT_EQ(micro().commands().back(), CMD_SYNC);
    EXPECT_FALSE(micro().asleep());
    ASSERT_TRUE(plat::power::off());
    EXPECT_TRUE(shutdown.is_set());
}

// The device goes while another thread keeps asking the controller on its
// handle: each call either completes or fails, and nothing is used after it
// is freed.
TEST_P(SpiDriverTest, DeactivatingWithRequestsInFlight) {
    EXPECT_TRUE(celvane_test::deactivate_with_calls_in_flight(device, [&] {
        Bytes out(10);
        call(IOCTL_SPI_GET_STATUS, nullptr, &out);
    }));
    device = 0;
}

}  // namespace

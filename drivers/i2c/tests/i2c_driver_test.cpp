// VornI2C and Blankbus loaded by the device manager from a temporary device
// root, on the simulated board's I2C unit with its EEPROM-like slave.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "drivers/i2c/i2c_protocol.h"
#include "platform/devices/device_manager.h"
#include "platform/devices/tests/driver_install.h"
#include "platform/hardware/processor_map.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"
#include "sim/board_io/board_io.h"

namespace {

using namespace i2c;
using plat::devices::StreamFile;
using plat::hw::RegisterAccess;
using Bytes = std::vector<uint8_t>;
using A = RegisterAccess;

struct Layout {
    const char16_t* name;
    uint32_t unit;
    bool locked;
};
const Layout kLayouts[] = {{u"TARNWICK", plat::hw::kI2cBaseStandard, false},
                           {u"KORVELB", plat::hw::kI2cBaseSecond, true}};
// The board's name, in test names and messages.
std::string LayoutName(const Layout& layout) {
    return plat::to_utf8(layout.name);
}
void PrintTo(const Layout& layout, std::ostream* os) {
    *os << LayoutName(layout);
}

class I2cDriverTest : public ::testing::TestWithParam<Layout> {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        celvane_test::install_builtin_driver(root.path(), "VornI2C", kDriverKey, kDriverLibrary,
                                             kDevicePrefix);
        celvane_test::set_board_name(GetParam().name);
        device = plat::devices::activate_device(kDriverKey);
        ASSERT_NE(device, 0u);
        bus = StreamFile::open(kDeviceName);
        ASSERT_TRUE(bus);
    }
    void TearDown() override {
        bus.close();
        if (device) plat::devices::deactivate_device(device);
    }
    uint32_t write(bool start, bool stop, Bytes bytes) {
        TransferRecord r{start, stop, bytes.data(), uint32_t(bytes.size())};
        return bus.write(&r, sizeof r);
    }
    uint32_t read(bool start, bool stop, Bytes& bytes) {
        TransferRecord r{start, stop, bytes.data(), uint32_t(bytes.size())};
        return bus.read(&r, sizeof r);
    }
    // Sets the slave's byte pointer and turns the bus round for reading.
    void address_for_read(uint8_t pointer) {
        ASSERT_EQ(write(true, false, {kEepromAddress << 1, pointer}), 2u);
        ASSERT_EQ(write(true, false, {(kEepromAddress << 1) | 1}), 1u);
    }
    uint32_t lock_word() {
        return plug.board()->read(plat::hw::kBusLockPage + plat::hw::kBusLockOffset);
    }

    celvane_test::TempRoot root{"i2c-driver"};
    sim::BoardIoPlug plug{std::make_shared<sim::BoardIo>()};
    plat::devices::ActiveDevice device = 0;
    StreamFile bus;
};

INSTANTIATE_TEST_SUITE_P(Layouts, I2cDriverTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return LayoutName(info.param); });

TEST_P(I2cDriverTest, InitialisationResetsAndEnablesTheUnit) {
    bus.close();
    plat::devices::deactivate_device(device);
    const uint32_t u = GetParam().unit;
    plat::hw::RegisterLog log(u, u + plat::hw::kI2cBlockSize);
    device = plat::devices::activate_device(kDriverKey);
    ASSERT_NE(device, 0u);
    std::vector<A> writes;
    for (const A& a : log.take())
        if (a.kind == A::Write) writes.push_back(a);
    EXPECT_EQ(writes, (std::vector<A>{{A::Write, u + kSlaveAddress, 16},
                                      {A::Write, u + kControl, 0x4000},
                                      {A::Write, u + kStatus, 0x6F0},
                                      {A::Write, u + kControl, 0},
                                      {A::Write, u + kControl, 0x60}}));
    EXPECT_EQ(plug.board()->pcfr() & kPcfrI2cEnable, GetParam().locked ? kPcfrI2cEnable : 0);
    EXPECT_EQ(lock_word(), 0u);
}

TEST_P(I2cDriverTest, WritesReachTheSlaveAndReadBack) {
    EXPECT_EQ(write(true, false, {kEepromAddress << 1, 0x10}), 2u);
    EXPECT_EQ(write(false, true, {1, 2, 3}), 3u);
    const auto memory = plug.board()->eeprom();
    EXPECT_EQ(Bytes(memory.begin() + 0x10, memory.begin() + 0x13), (Bytes{1, 2, 3}));

    address_for_read(0x10);
    Bytes got(3);
    EXPECT_EQ(read(false, true, got), 3u);
    EXPECT_EQ(got, (Bytes{1, 2, 3}));
    EXPECT_EQ(lock_word(), 0u);
}

TEST_P(I2cDriverTest, ReadStopsAtAMissingAcknowledge) {
    address_for_read(kEepromSize - 2);
    Bytes got(4, 0xEE);
    EXPECT_EQ(read(false, true, got), 2u);
    EXPECT_EQ(got[2], 0xEE);
}

TEST_P(I2cDriverTest, InvalidRecordsTransferNothing) {
    Bytes data{1};
    TransferRecord empty{1, 1, data.data(), 0}, no_data{1, 1, nullptr, 1},
        good{1, 1, data.data(), 1};
    EXPECT_EQ(bus.write(&empty, sizeof empty), 0u);
    EXPECT_EQ(bus.write(&no_data, sizeof no_data), 0u);
    EXPECT_EQ(bus.write(&good, sizeof good - 1), 0u);
    EXPECT_EQ(bus.read(nullptr, sizeof good), 0u);
    uint32_t returned = 0;
    EXPECT_TRUE(bus.io_control(0x1234, nullptr, 0, nullptr, 0, &returned));
    EXPECT_EQ(bus.seek(0, 0), STREAM_FAILED);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_SUPPORTED);
}

TEST_P(I2cDriverTest, AStuckBusLockFailsTheAccessAndKeepsTheHoldersWord) {
    if (!GetParam().locked) GTEST_SKIP() << "the standard layout takes no bus lock";
    const uint32_t word = plat::hw::kBusLockPage + plat::hw::kBusLockOffset;
    ASSERT_EQ(plug.board()->compare_exchange(word, 0, 1), 0u);
    plat::VirtualClock clock(true);
    plat::set_last_error(0);
    EXPECT_EQ(write(true, true, {kEepromAddress << 1, 0}), 0u);
    EXPECT_EQ(plat::get_last_error(), kBusLockTimeout);
    EXPECT_EQ(lock_word(), 1u);
}

// The device goes while another thread keeps transferring on its handle:
// each call either completes or fails, and nothing is used after it is freed.
TEST_P(I2cDriverTest, DeactivatingWithTransfersInFlight) {
    EXPECT_TRUE(celvane_test::deactivate_with_calls_in_flight(device, [&] {
        write(true, true, {kEepromAddress << 1, 0x20, 7});
    }));
    device = 0;
}

TEST(BlankbusTest, EveryEntrySucceedsAndDoesNothing) {
    plat::set_debug_to_stderr(false);
    celvane_test::TempRoot root{"blankbus"};
    celvane_test::install_builtin_driver(root.path(), "Blankbus", kBlankKey, kBlankLibrary,
                                         kBlankPrefix);
    plat::DebugCapture capture;
    const auto device = plat::devices::activate_device(kBlankKey);
    ASSERT_NE(device, 0u);
    const auto lines = capture.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Loading BLANKBUS.DLL..."), std::string::npos);
    StreamFile iic = StreamFile::open(kBlankName);
    ASSERT_TRUE(iic);
    uint8_t buffer[4] = {};
    uint32_t returned = 0;
    EXPECT_EQ(iic.read(buffer, 4), 0u);
    EXPECT_EQ(iic.write(buffer, 4), 0u);
    EXPECT_TRUE(iic.io_control(1, buffer, 4, buffer, 4, &returned));
    EXPECT_EQ(iic.seek(0, 0), STREAM_FAILED);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(iic.close());
    EXPECT_TRUE(plat::devices::deactivate_device(device));
}

}  // namespace

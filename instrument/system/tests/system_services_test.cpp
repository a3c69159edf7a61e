// The temperature monitor, the battery and the SPI client against the real
// drivers loaded by the device manager on the simulated board.
#include <gtest/gtest.h>

#include "core/app_event.h"
#include "drivers/bio/bio_protocol.h"
#include "drivers/spi/spi_protocol.h"
#include "instrument/system/battery.h"
#include "instrument/system/spi_client.h"
#include "instrument/system/temperature_monitor.h"
#include "platform/devices/battery_device.h"
#include "platform/devices/tests/driver_install.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "sim/board_io/board_io.h"

namespace {

namespace fs = std::filesystem;
using plat::devices::activate_device;

class SystemServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        using celvane_test::install_builtin_driver;
        const fs::path windows = root.path() / "Windows";
        fs::copy_file(celvane_test::build_bin() / "SMARTIO.so", windows / "SMARTIO.dll");
        // The same file as the library the test runs with (one loaded instance).
        fs::create_hard_link(celvane_test::build_bin() / "Simulator.so", windows / "Simulator.dll");
        install_builtin_driver(root.path(), "VornIO", bio::kDriverKey, bio::kDriverLibrary,
                               bio::kDevicePrefix);
        install_builtin_driver(root.path(), "VornSPI", spi::kDriverKey, spi::kDriverLibrary,
                               spi::kDevicePrefix);
        install_builtin_driver(root.path(), "", u"Drivers\\BuiltIn\\BAT", u"Simulator.dll", u"BAT");
        for (const char16_t* key : {bio::kDriverKey, spi::kDriverKey, u"Drivers\\BuiltIn\\BAT"}) {
            devices.push_back(activate_device(key));
            ASSERT_NE(devices.back(), 0u);
        }
    }
    void TearDown() override {
        for (auto d : devices) plat::devices::deactivate_device(d);
    }
    template <class F>
    bool until(F done) {
        for (int i = 0; i < 600 && !done(); ++i) plat::sleep_ms(100);
        return done();
    }
    template <class F>
    void panel(F f) {
        plug.board()->microcontroller().with_panel([&](sim::Panel& p) {
            f(p);
            return 0;
        });
    }

    plat::VirtualClock clock{true};
    celvane_test::TempRoot root{"system-services"};
    sim::BoardIoPlug plug{std::make_shared<sim::BoardIo>()};
    std::vector<plat::devices::ActiveDevice> devices;
};

TEST_F(SystemServicesTest, TemperatureInBothUnitsAndOneAlertWhileHigh) {
    panel([](sim::Panel& p) { p.temperature_c = 45; });
    CEventDispatcher dispatcher;
    ASSERT_TRUE(dispatcher.Start());
    auto* listener = new CEventListener(kEventMaskSystemAlarm);
    plat::Event delivered(false, false);
    listener->SetEventHandle(delivered);
    dispatcher.AddListener(listener);
    CTemperatureMonitor monitor(&dispatcher);
    ASSERT_TRUE(monitor.HasDevice());
    ASSERT_TRUE(until([&] { return std::abs(monitor.ReadTemperature(0) - 45) <= 1; }));
    // The driver keeps degrees Celsius whatever the unit flag asks; the
    // program converts.
    EXPECT_NEAR(monitor.ReadTemperature(1), 45, 1);
    EXPECT_EQ(CTemperatureMonitor::CelsiusToFahrenheit(100), 212);
    EXPECT_EQ(CTemperatureMonitor::CelsiusToFahrenheit(-40), -40);

    auto is_high = plat::Event::open("TemperatureIsHigh");
    auto high = plat::Event::open("HighTemperature");
    EXPECT_FALSE(monitor.CheckTemperature(true));
    EXPECT_TRUE(high.is_set());
    is_high.set();
    EXPECT_TRUE(monitor.CheckTemperature(false));
    EXPECT_TRUE(monitor.CheckTemperature(false));  // raised once
    ASSERT_TRUE(delivered.wait(5000));
    CAppEvent* event = listener->TakeEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->GetArgument(), kAlarmHighTemperature);
    delete event;
    EXPECT_EQ(listener->TakeEvent(), nullptr);
    is_high.reset();
    EXPECT_FALSE(monitor.CheckTemperature(false));
    dispatcher.RemoveListener(listener);
    delete listener;
    dispatcher.Stop();
}

TEST_F(SystemServicesTest, BatteryStatusTextsFollowTheCharge) {
    CBattery battery;
    ASSERT_TRUE(battery.Open());
    struct Case {
        double charge;
        bool external;
        uint32_t id;
    };
    for (const Case& c :
         {Case{80, false, kIdsBatteryUnknown}, Case{10, false, kIdsBatteryLow},
          Case{3, false, kIdsBatteryLow}, Case{2, false, kIdsBatteryDischarged},
          Case{100, true, kIdsBatteryCharged}, Case{60, true, kIdsBatteryUnknown}}) {
        panel([&](sim::Panel& p) {
            p.charge = c.charge;
            p.external_power = c.external;
        });
        EXPECT_EQ(battery.GetStatusStringId(), c.id) << c.charge;
    }
    auto alarm = plat::Event::open(plat::battery::kAlarmEvent);
    ASSERT_TRUE(alarm);
    EXPECT_FALSE(alarm.is_set());
    panel([](sim::Panel& p) {
        p.charge = 5;
        p.external_power = false;
    });
    uint8_t record[plat::battery::kRecordSize];
    ASSERT_TRUE(battery.ReadRecord(record));
    EXPECT_EQ(record[0], 0);
    EXPECT_EQ(record[1], 4);
    EXPECT_EQ(record[2], 5);
    EXPECT_TRUE(alarm.is_set());

    plat::devices::deactivate_device(devices.back());
    devices.pop_back();
    CBattery missing;
    ASSERT_TRUE(missing.Open());
    EXPECT_EQ(missing.GetStatusStringId(), kIdsBatteryUnknown);
    EXPECT_FALSE(missing.ReadRecord(record));
}

TEST_F(SystemServicesTest, SpiClientConnectsAndAnswersTheShutdownRequest) {
    std::atomic<int> shutdowns{0};
    CSpiClient client([&] { ++shutdowns; });
    EXPECT_TRUE(plug.board()->gpio_level(0x80000));
    EXPECT_TRUE(plug.board()->gpio_direction0() & 0x80000);
    client.Start();
    ASSERT_TRUE(until([&] { return client.ConnectState() == 2; }));
    EXPECT_EQ(client.GetStatusWord(), spi::kStatusAnswered);
    uint16_t word = 7;
    EXPECT_TRUE(client.ReadStoredWord(word));
    EXPECT_EQ(word, 0);

    auto driver_event = plat::Event::open("SPIDriverEvent");
    driver_event.set();
    ASSERT_TRUE(until([&] { return !driver_event.is_set(); }));  // taken and cleared

    ASSERT_TRUE(client.SetShutdownArmed(1));
    auto spi = plat::devices::StreamFile::open(spi::kDeviceName);
    uint32_t returned = 0;
    ASSERT_TRUE(spi.io_control(spi::IOCTL_SPI_POWER_OFF, nullptr, 0, nullptr, 0, &returned));
    ASSERT_TRUE(until([&] { return shutdowns == 1; }));
    ASSERT_TRUE(until([&] {
        return plug.board()->microcontroller().commands().back() == spi::CMD_SHUTDOWN_ACK;
    }));
    EXPECT_FALSE(client.GetShutdownEvent().is_set());
}

}  // namespace

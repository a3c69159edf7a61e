// VornIO loaded by the device manager from a temporary device root, with the
// simulated board's I/O library, on virtual time.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include "platform/text/utf.h"

#include "drivers/bio/bio_protocol.h"
#include "platform/byte_order.h"
#include "platform/devices/device_manager.h"
#include "platform/devices/tests/driver_install.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "sim/board_io/board_io.h"

namespace {

using namespace bio;
using plat::devices::StreamFile;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

Bytes pair(uint32_t a, int32_t b) {
    Bytes in(8);
    plat::put_le<uint32_t>(in.data(), a);
    plat::put_le<int32_t>(in.data() + 4, b);
    return in;
}

class BioDriverTest : public ::testing::TestWithParam<const char16_t*> {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        celvane_test::install_builtin_driver(root.path(), "VornIO", kDriverKey, kDriverLibrary,
                                             kDevicePrefix);
        fs::copy_file(celvane_test::build_bin() / "SMARTIO.so",
                      root.path() / "Windows/SMARTIO.dll");
        celvane_test::set_board_name(GetParam());
        // The simulator serves "DIO1:" itself: the same library the test runs
        // with, linked in by a hard link (one file, so one loaded instance,
        // and no symbolic link leading out of the device root).
        fs::create_hard_link(celvane_test::build_bin() / "Simulator.so",
                             root.path() / "Windows/Simulator.dll");
        celvane_test::install_builtin_driver(root.path(), "", u"Drivers\\BuiltIn\\DIO",
                                             u"Simulator.dll", u"DIO");
        dio_device = plat::devices::activate_device(u"Drivers\\BuiltIn\\DIO");
        ASSERT_NE(dio_device, 0u);
        set_temperature(35);
        device = plat::devices::activate_device(kDriverKey);
        ASSERT_NE(device, 0u);
        bio = StreamFile::open(kDeviceName);
        ASSERT_TRUE(bio);
        // The first pass: the fan runs for the initial time, then the backlight is set.
        ASSERT_TRUE(until([&] { return !panel().backlight_pwm.empty(); }));
    }
    void TearDown() override {
        bio.close();
        if (device) plat::devices::deactivate_device(device);
        plat::devices::deactivate_device(dio_device);
    }
    sim::Panel panel() {
        return plug.board()->microcontroller().with_panel([](sim::Panel& p) { return p; });
    }
    void set_temperature(double c) {
        plug.board()->microcontroller().with_panel([&](sim::Panel& p) {
            p.temperature_c = c;
            return 0;
        });
    }
    // Waits on virtual time until `done`, a virtual minute at most. The
    // clock cannot see a driver thread that is runnable but not yet
    // scheduled, so on a loaded machine the minute may pass before that
    // thread has looked at the board: the wait then goes on with real pauses
    // (each one lets virtual time move to the driver's next deadline).
    template <class F>
    bool until(F done) {
        for (int i = 0; i < 600; ++i) {
            if (done()) return true;
            plat::sleep_ms(100);
        }
        for (int i = 0; i < 3000 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }
    bool call(uint32_t code, Bytes in, Bytes* out, uint32_t* error = nullptr) {
        uint32_t returned = 0;
        plat::set_last_error(0);
        const bool ok =
            bio.io_control(code, in.empty() ? nullptr : in.data(), in.size(),
                           out ? out->data() : nullptr, out ? out->size() : 0, &returned);
        if (error) *error = plat::get_last_error();
        return ok;
    }
    uint32_t get(uint32_t sub) {
        Bytes out(4);
        EXPECT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(sub, 0), &out));
        return plat::get_le<uint32_t>(out.data());
    }
    uint32_t registry(const char16_t* name) {
        plat::RegKey key;
        plat::hkey_local_machine().open(kDriverKey, key);
        return key.get_dword(name).value_or(0xFFFFFFFF);
    }
    // The driver's reading rounds the simulated sensor to a degree either way.
    static bool near(int32_t reading, int32_t celsius) { return std::abs(reading - celsius) <= 1; }
    int32_t reported_temperature() {
        Bytes out(4);
        EXPECT_TRUE(call(IOCTL_BIO_FAN, pair(FAN_TEMPERATURE, 0), &out));
        return plat::get_le<int32_t>(out.data());
    }
    bool second() const { return std::u16string_view(GetParam()) == u"KORVELB"; }
    bool fan_on() {
        return second() ? panel().dio_output == kDioFanOn : plug.board()->gpio_level(kFanPin);
    }

    plat::VirtualClock clock{true};
    celvane_test::TempRoot root{"bio-driver"};
    sim::BoardIoPlug plug{std::make_shared<sim::BoardIo>()};
    plat::devices::ActiveDevice device = 0, dio_device = 0;
    StreamFile bio;
};

INSTANTIATE_TEST_SUITE_P(Layouts, BioDriverTest, ::testing::Values(u"TARNWICK", u"KORVELB"),
                         [](const auto& info) { return plat::to_utf8(info.param); });

TEST_P(BioDriverTest, EveryCodeWithGoodMissingAndShortBuffers) {
    struct Case {
        uint32_t code;
        Bytes in;
        size_t out;
        bool ok;
        uint32_t error;
    };
    const Case cases[] = {
        {IOCTL_BIO_FAN, pair(FAN_TEMPERATURE, 0), 4, true, 0},
        {IOCTL_BIO_FAN, pair(FAN_TEMPERATURE, 0), 0, false, 8},
        {IOCTL_BIO_FAN, Bytes(7), 4, false, 8},
        {IOCTL_BIO_FAN, pair(7, 0), 0, true, 0},
        {IOCTL_BIO_OUTPUTS, Bytes{1, 0, 0, 0}, 0, true, 0},
        {IOCTL_BIO_OUTPUTS2, Bytes(3), 0, false, 8},
        {IOCTL_BIO_BACKLIGHT, pair(BL_GET_MODE, 0), 4, true, 0},
        {IOCTL_BIO_BACKLIGHT, pair(BL_GET_MODE, 0), 3, false, 8},
        {IOCTL_BIO_BACKLIGHT, pair(BL_PRESET, 4), 0, true, 0},
        {IOCTL_BIO_BACKLIGHT, Bytes(4), 0, false, 8},
        {IOCTL_BIO_VERSION, {}, 4, true, 0},
        {IOCTL_BIO_VERSION, {}, 0, false, 8},
        {0xBABA0006, {}, 4, false, 1},
    };
    for (const Case& c : cases) {
        Bytes out(c.out);
        uint32_t error = 0;
        EXPECT_EQ(call(c.code, c.in, c.out ? &out : nullptr, &error), c.ok) << std::hex << c.code;
        if (!c.ok) {
            EXPECT_EQ(error, c.error) << std::hex << c.code;
        }
    }
    Bytes out(4);
    ASSERT_TRUE(call(IOCTL_BIO_VERSION, {}, &out));
    EXPECT_EQ(plat::get_le<uint32_t>(out.data()), 256u);
    // The monitor's first reading comes with its first pass after the start-up pass.
    EXPECT_TRUE(until([&] {
        return call(IOCTL_BIO_FAN, pair(FAN_TEMPERATURE, 0), &out) &&
               std::abs(plat::get_le<int32_t>(out.data()) - 35) <= 1;
    }));

    void* lib = dlopen((root.path() / "Windows/VornIO.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto io = reinterpret_cast<StreamIOControlFn>(dlsym(lib, "BIO_IOControl"));
    EXPECT_FALSE(io(0x1234, IOCTL_BIO_VERSION, nullptr, 0, out.data(), 4, nullptr));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);
    dlclose(lib);
}

TEST_P(BioDriverTest, BacklightRequestsProgramThePwmAndTheRegistry) {
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_PRESET, 1), nullptr));
    EXPECT_EQ(panel().backlight_pwm.back(), 78);
    EXPECT_EQ(registry(u"BacklightLevel"), 78u);
    EXPECT_EQ(get(BL_GET_PRESET), 1u);
    const size_t programmed = panel().backlight_pwm.size();
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_PRESET, 4), nullptr));  // nothing
    EXPECT_EQ(panel().backlight_pwm.size(), programmed);

    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_CUSTOM, 150), nullptr));
    EXPECT_EQ(panel().backlight_pwm.back(), 125);
    EXPECT_EQ(get(BL_GET_PRESET), 3u);
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_CUSTOM, 50), nullptr));
    EXPECT_EQ(panel().backlight_pwm.back(), 30 + 95 / 2);  // 77.5, truncated
    EXPECT_EQ(registry(u"BacklightCustom"), 50u);

    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_SENSOR_GAIN, 300), nullptr));
    EXPECT_EQ(get(BL_GET_GAIN), 0u);
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_SENSOR_GAIN, -20), nullptr));
    EXPECT_EQ(int32_t(get(BL_GET_GAIN)), -20);
    EXPECT_EQ(int32_t(registry(u"SensorGain")), -20);

    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_PRESET, 2), nullptr));
    const size_t before = panel().backlight_pwm.size();
    const uint64_t start = plat::now_ms();
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_FADE_OUT, 0), nullptr));
    EXPECT_GE(plat::now_ms() - start, 26u * 25u);
    const auto programmed_now = panel().backlight_pwm;
    std::vector<uint8_t> fade(programmed_now.begin() + before, programmed_now.end());
    std::vector<uint8_t> expected;
    for (int l = 125; l >= 0; l -= 5) expected.push_back(uint8_t(l));
    EXPECT_EQ(fade, expected);
    EXPECT_FALSE(panel().backlight_on);
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_FADE_IN, 0), nullptr));
    EXPECT_TRUE(panel().backlight_on);
    EXPECT_EQ(panel().backlight_pwm.back(), 125);
}

// A registry whose high level lies below its low one: the pair is taken as
// one level, and neither the custom nor the automatic level leaves it.
TEST_P(BioDriverTest, HighBacklightBelowLowIsHeldToLow) {
    bio.close();
    plat::devices::deactivate_device(device);
    {
        plat::RegKey key;
        ASSERT_EQ(plat::hkey_local_machine().create(kDriverKey, key), plat::ERROR_SUCCESS);
        key.set_dword(u"BacklightHigh", 20);
        key.set_dword(u"BacklightLow", 100);
        key.set_dword(u"BacklightMode", 1);
    }
    plug.board()->microcontroller().with_panel([](sim::Panel& p) {
        p.light = 380;
        p.backlight_pwm.clear();
        return 0;
    });
    device = plat::devices::activate_device(kDriverKey);
    ASSERT_NE(device, 0u);
    bio = StreamFile::open(kDeviceName);
    ASSERT_TRUE(bio);
    ASSERT_TRUE(until([&] { return !panel().backlight_pwm.empty(); }));
    EXPECT_EQ(panel().backlight_pwm.back(), 100);  // automatic, half light
    for (int32_t percent : {0, 50, 100, 150}) {
        ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_CUSTOM, percent), nullptr));
        EXPECT_EQ(panel().backlight_pwm.back(), 100) << percent;
    }
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_PRESET, 2), nullptr));
    EXPECT_EQ(panel().backlight_pwm.back(), 100);
}

TEST_P(BioDriverTest, AutomaticBacklightFollowsTheLight) {
    plug.board()->microcontroller().with_panel([](sim::Panel& p) {
        p.light = 380;
        return 0;
    });
    ASSERT_TRUE(call(IOCTL_BIO_BACKLIGHT, pair(BL_SET_MODE, 1), nullptr));
    EXPECT_TRUE(until([&] { return panel().backlight_pwm.back() == 30 + 95 * 380 / 760; }));
    plug.board()->microcontroller().with_panel([](sim::Panel& p) {
        p.light = 900;
        return 0;
    });
    EXPECT_TRUE(until([&] { return panel().backlight_pwm.back() == 125; }));
}

TEST_P(BioDriverTest, FanFollowsTheTemperatureWithHysteresis) {
    EXPECT_TRUE(until([&] { return !fan_on(); }));
    set_temperature(42);
    plat::sleep_ms(10000);
    EXPECT_FALSE(fan_on());
    set_temperature(44);
    EXPECT_TRUE(until([&] { return fan_on(); }));
    set_temperature(42);
    plat::sleep_ms(10000);
    EXPECT_TRUE(fan_on());
    set_temperature(39);
    EXPECT_TRUE(until([&] { return !fan_on(); }));
}

TEST_P(BioDriverTest, HighTemperatureFollowsTheSupervisor) {
    // The board's supervisor raises "TemperatureIsHigh" from 52 °C on until
    // the board is below 49 °C. The driver holds "HighTemperature" from the
    // alarm until a pass after it finds the board below the warning limit
    // (47 °C). The supervisor answers each temperature change at once, so a
    // pass that reports the new temperature has also seen its alarm.
    plug.board()->microcontroller().with_panel([](sim::Panel& p) {
        p.temperature_limit_c = 52;
        return 0;
    });
    auto high = plat::Event::open("HighTemperature");
    ASSERT_TRUE(high);
    set_temperature(55);
    EXPECT_TRUE(until([&] { return high.is_set(); }));
    set_temperature(48);  // the alarm is gone, but not yet below the warning limit
    ASSERT_TRUE(until([&] { return near(reported_temperature(), 48); }));
    EXPECT_TRUE(high.is_set());
    set_temperature(55);
    ASSERT_TRUE(until([&] { return near(reported_temperature(), 55); }));
    set_temperature(45);
    EXPECT_TRUE(until([&] { return !high.is_set(); })) << reported_temperature();
}

TEST_P(BioDriverTest, DeactivatingWithTheMonitorAndRequestsInFlight) {
    std::atomic<bool> stop{false};
    std::thread client([&] {
        while (!stop) {
            Bytes out(4);
            call(IOCTL_BIO_FAN, pair(FAN_TEMPERATURE, 0), &out);
        }
    });
    plat::sleep_ms(5000);
    EXPECT_TRUE(plat::devices::deactivate_device(device));
    device = 0;
    stop = true;
    client.join();
}

}  // namespace

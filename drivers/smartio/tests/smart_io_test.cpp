// CSmartIO with the simulated board's library under its own name, under the
// renamed copy's name only, and with neither.
#include <gtest/gtest.h>

#include "drivers/bio/bio_protocol.h"
#include "drivers/smartio/smart_io.h"
#include "platform/devices/tests/driver_install.h"
#include "platform/kernel/debug_out.h"
#include "sim/board_io/board_io.h"

namespace {

namespace fs = std::filesystem;

bool has_line(const std::vector<std::string>& lines, std::string_view text) {
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

class SmartIoTest : public ::testing::Test {
  protected:
    void SetUp() override { plat::set_debug_to_stderr(false); }
    void install(const char* name) {
        fs::copy_file(celvane_test::build_bin() / "SMARTIO.so", root.path() / "Windows" / name);
    }
    sim::Panel panel() {
        return plug.board()->microcontroller().with_panel([](sim::Panel& p) { return p; });
    }
    celvane_test::TempRoot root{"smartio"};
    sim::BoardIoPlug plug{std::make_shared<sim::BoardIo>()};
};

TEST_F(SmartIoTest, TheBoardLibraryDrivesTheMicrocontroller) {
    install("SMARTIO.dll");
    plat::DebugCapture capture;
    CSmartIO io;
    ASSERT_TRUE(io.IsReady());
    EXPECT_TRUE(has_line(capture.lines(), "SMARTIO.DLL Loaded successfully..."));
    io.BackLightOnOff(true);
    io.BackLightPwm(78);
    io.SetVeePwm(40);
    ASSERT_NE(io.SIOSelectOption, nullptr);
    io.SIOSelectOption(2);
    const sim::Panel p = panel();
    EXPECT_TRUE(p.backlight_on);
    EXPECT_EQ(p.backlight_pwm, std::vector<uint8_t>{78});
    EXPECT_EQ(p.vee_pwm, std::vector<uint8_t>{40});
    EXPECT_EQ(p.option, 2u);
    EXPECT_EQ(io.AnalogConversion(smartio::kLightChannel), p.light);
    io.Unload();
    EXPECT_EQ(io.AnalogConversion(smartio::kLightChannel), 0xFFFF);
}

// The raw temperature converts back to the scene's within a degree on both
// layouts.
TEST_F(SmartIoTest, RawTemperatureInvertsTheDriversConversion) {
    install("SMARTIO.dll");
    CSmartIO io;
    for (const char16_t* name : {u"TARNWICK", u"KORVELB"}) {
        celvane_test::set_board_name(name);
        const bool second = std::u16string_view(name) == u"KORVELB";
        for (double c : {20.0, 35.0, 42.0, 44.0, 50.0, 61.0}) {
            plug.board()->microcontroller().with_panel([&](sim::Panel& p) {
                p.temperature_c = c;
                return 0;
            });
            const uint16_t raw = io.ReadTemperature();
            const int32_t got = bio::temperature_from_raw(raw, second, false);
            EXPECT_NEAR(got, c, 1.0) << c << (second ? " second" : " standard");
            if (!second) {
                EXPECT_NEAR(raw * 0.907 - 246.9, c, 1.0);  // the sensor line itself
            }
        }
    }
}

TEST_F(SmartIoTest, TheRenamedCopyServesAlone) {
    install("KEYBDDR.dll");
    plat::DebugCapture capture;
    CSmartIO io;
    EXPECT_TRUE(io.IsReady());
    const auto lines = capture.lines();
    EXPECT_TRUE(has_line(lines, "Can't find SMARTIO.DLL"));
    EXPECT_TRUE(has_line(lines, "KEYBDDR.DLL Loaded successfully..."));
    EXPECT_NE(io.AnalogConversion(smartio::kLightChannel), 0xFFFF);
}

TEST_F(SmartIoTest, WithoutALibraryEveryCallGivesNoValue) {
    plat::DebugCapture capture;
    CSmartIO io;
    EXPECT_FALSE(io.IsReady());
    EXPECT_TRUE(has_line(capture.lines(), "Failed to load OemSmartIO library!"));
    EXPECT_EQ(io.AnalogConversion(0), 0xFFFF);
    EXPECT_EQ(io.ReadTemperature(), 0);
    io.BackLightPwm(10);
    io.SetVeePwm(10);
    EXPECT_TRUE(panel().backlight_pwm.empty());
}

}  // namespace

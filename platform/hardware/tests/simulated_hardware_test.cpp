// Power-on loads the simulator library the registry names from the device
// image only when the registry says the world is simulated.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/tests/test_support.h"
#include "platform/hardware/simulated_hardware.h"
#include "platform/kernel/debug_out.h"
#include "platform/module/library.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;

class SimulatedWorld : public ::testing::Test {
  protected:
    void SetUp() override { set_debug_to_stderr(false); }
    // Installs the stand-in simulator into "\Windows" under `dll`.
    void Install(const char* dll) {
        fs::copy_file(celvane_test::build_bin() / "SimulatorFixture.so",
                      root_.path() / "Windows" / dll, fs::copy_options::overwrite_existing);
    }
    void SetWorld(std::optional<uint32_t> simulated, const char16_t* dll) {
        RegKey key;
        ASSERT_EQ(hkey_local_machine().create(hardware::kSimulatorKey, key), 0u);
        if (simulated) {
            ASSERT_EQ(key.set_dword(hardware::kSimulatedValue, *simulated), 0u);
        }
        if (dll) {
            ASSERT_EQ(key.set_string(hardware::kDllValue, dll), 0u);
        }
    }
    // The calls the stand-in counted (the same library the platform loaded).
    std::pair<int, int> Calls(const char16_t* dll) {
        Library lib = Library::load(std::u16string(u"\\Windows\\") + dll);
        if (!lib) return {-1, -1};
        return {lib.bind<int32_t()>("FixturePowerOns")(),
                lib.bind<int32_t()>("FixturePowerOffs")()};
    }
    celvane_test::TempRoot root_{"simulated-world"};
};

TEST_F(SimulatedWorld, OnLoadsTheNamedLibraryAndPowersItOnAndOff) {
    Install("WorldOn.dll");
    SetWorld(1, u"WorldOn.dll");
    EXPECT_TRUE(hardware::simulated_world());
    {
        hardware::SimulatedHardware hw = hardware::SimulatedHardware::power_on();
        ASSERT_TRUE(hw);
        EXPECT_EQ(hw.devices(), 2);
        EXPECT_EQ(Calls(u"WorldOn.dll"), std::make_pair(1, 0));
        hardware::SimulatedHardware moved = std::move(hw);
        EXPECT_FALSE(hw);
        EXPECT_TRUE(moved);
    }
    EXPECT_EQ(Calls(u"WorldOn.dll"), std::make_pair(1, 1)) << "powered off once, by its owner";
}

TEST_F(SimulatedWorld, OffOrMissingLoadsNothing) {
    Install("WorldOff.dll");
    struct Case {
        std::optional<uint32_t> simulated;
        const char16_t* dll;
        bool key;
    };
    for (const Case& c : {Case{0, u"WorldOff.dll", true}, Case{std::nullopt, u"WorldOff.dll", true},
                          Case{std::nullopt, nullptr, false}}) {
        hkey_local_machine().delete_key(hardware::kSimulatorKey);
        if (c.key) SetWorld(c.simulated, c.dll);
        EXPECT_FALSE(hardware::simulated_world());
        EXPECT_FALSE(hardware::SimulatedHardware::power_on());
    }
    EXPECT_EQ(Calls(u"WorldOff.dll"), std::make_pair(0, 0)) << "never powered on";
}

TEST_F(SimulatedWorld, AMissingLibraryLeavesTheWorldUnplugged) {
    SetWorld(1, u"NotThere.dll");
    EXPECT_FALSE(hardware::SimulatedHardware::power_on());
    fs::copy_file(celvane_test::build_bin() / "LoaderFixture.so",
                  root_.path() / "Windows" / "Bare.dll");
    SetWorld(1, u"Bare.dll");
    EXPECT_FALSE(hardware::SimulatedHardware::power_on()) << "a library without the entries";
}

}  // namespace

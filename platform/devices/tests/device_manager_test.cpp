#include "platform/devices/device_manager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using namespace plat::devices;

class DeviceManager : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* bin = std::getenv("CELVANE_BUILD_BIN");
        ASSERT_NE(bin, nullptr);
        // The device image keeps the ".dll" name; the loader finds "X.so" too.
        fs::copy_file(fs::path(bin) / "TestStreamDriver.so",
                      root_.path() / "Windows" / "TestDrv.so");
        add_key(u"Drivers\\BuiltIn\\Test", u"TestDrv.dll", u"TST", 3);
        add_key(u"Drivers\\BuiltIn\\Broken", u"Missing.dll", u"BRK", 1);
    }
    static void add_key(std::u16string_view path, std::u16string_view dll,
                        std::u16string_view prefix, uint32_t index) {
        RegKey key;
        ASSERT_EQ(hkey_local_machine().create(path, key), ERROR_SUCCESS);
        key.set_string(u"Dll", dll);
        key.set_string(u"Prefix", prefix);
        key.set_dword(u"Index", index);
    }
    celvane_test::TempRoot root_{"devices"};
};

TEST_F(DeviceManager, BuiltInDriversLoadFromTheRegistryAndServeCalls) {
    EXPECT_EQ(start(), 1u);  // "BRK" has no library
    EXPECT_EQ(start(), 1u);
    EXPECT_EQ(active_device_names(), std::vector<std::u16string>{u"TST3:"});

    StreamFile f = StreamFile::open(u"tst3:");
    ASSERT_TRUE(f);
    const char in[] = "hello";
    char out[16] = {};
    uint32_t returned = 0;
    ASSERT_TRUE(f.io_control(1, in, 5, out, sizeof out, &returned));
    EXPECT_EQ(returned, 5u);
    EXPECT_STREQ(out, "hello");
    EXPECT_FALSE(f.io_control(2, nullptr, 0, nullptr, 0, &returned));
    EXPECT_EQ(get_last_error(), 1234u);  // the driver's code reaches the caller
    EXPECT_EQ(f.read(out, 4), 4u);
    EXPECT_EQ(f.write(out, 8), 4u);
    EXPECT_EQ(f.seek(17, STREAM_SEEK_BEGIN), 17u);

    EXPECT_FALSE(StreamFile::open(u"TST1:"));
    EXPECT_EQ(get_last_error(), ERROR_FILE_NOT_FOUND);
}

TEST_F(DeviceManager, ActivationAndDeactivation) {
    add_key(u"Drivers\\Extra", u"TestDrv.dll", u"TST", 7);
    ActiveDevice dev = activate_device(u"Drivers\\Extra");
    ASSERT_NE(dev, 0u);
    EXPECT_TRUE(is_active(u"TST7:"));
    EXPECT_EQ(activate_device(u"Drivers\\Extra"), 0u);
    EXPECT_EQ(get_last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(activate_device(u"Drivers\\Nothing"), 0u);

    StreamFile f = StreamFile::open(u"TST7:");
    ASSERT_TRUE(f);
    EXPECT_TRUE(deactivate_device(dev));
    EXPECT_FALSE(deactivate_device(dev));
    EXPECT_FALSE(is_active(u"TST7:"));
    uint32_t returned = 0;
    char out[2];
    EXPECT_FALSE(f.io_control(1, "x", 1, out, 2, &returned));
    EXPECT_EQ(get_last_error(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(f.close());
}

}  // namespace

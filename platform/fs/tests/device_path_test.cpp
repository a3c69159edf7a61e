#include <gtest/gtest.h>

#include <fstream>

#include "platform/fs/device_path.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace {

namespace fs = std::filesystem;

class DevicePath : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(root_ / "FlashFX Disk" / "My Traces"); }
    celvane_test::TempRoot temp_{"device-path"};
    const fs::path& root_ = temp_.path();
};

TEST_F(DevicePath, LooksUpCaseInsensitivelyAndCreatesInTheGivenCase) {
    auto created = plat::host_path(u"\\FlashFX Disk\\My Traces\\A.TRC");
    ASSERT_TRUE(created);
    EXPECT_EQ(*created, root_ / "FlashFX Disk" / "My Traces" / "A.TRC");
    std::ofstream(*created) << "trace";
    auto found = plat::host_path(u"\\flashfx disk\\my traces\\a.trc");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, *created);
    EXPECT_EQ(*plat::host_path(u"\\FlashFx Disk/My Traces/"), root_ / "FlashFX Disk" / "My Traces");
    EXPECT_EQ(*plat::host_path(u"language.txt"), root_ / "language.txt");
    EXPECT_EQ(*plat::host_path(u"\\"), root_);
}

TEST_F(DevicePath, RefusesPathsThatLeaveTheRoot) {
    for (const char16_t* bad : {u"\\FlashFX Disk\\..\\..\\etc\\passwd", u"..", u"/etc/passwd",
                                u"C:\\Windows", u"\\Temp\\..\\..\\x"}) {
        plat::set_last_error(0);
        EXPECT_FALSE(plat::host_path(bad)) << plat::host_path(bad)->string();
        EXPECT_EQ(plat::get_last_error(), plat::ERROR_PATH_NOT_FOUND);
    }
}

}  // namespace

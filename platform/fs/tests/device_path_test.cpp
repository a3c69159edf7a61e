#include <gtest/gtest.h>

#include <fstream>

#include "platform/fs/device_path.h"
#include "platform/fs/file_system.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

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

// A symbolic link inside the root that leads out of it is as if the path did
// not exist, for the link itself and for anything below it; a link that
// stays inside the root is followed.
TEST_F(DevicePath, LinksOutOfTheRootAreNotFollowed) {
    celvane_test::TempRoot outside_root{"device-path-outside"};
    const fs::path outside = outside_root.path() / "secret";
    fs::create_directories(outside);
    std::ofstream(outside / "key.txt") << "secret";
    plat::set_device_root(root_);  // the second root only made the folder
    fs::create_directory_symlink(outside, root_ / "FlashFX Disk" / "Out");
    fs::create_symlink(outside / "key.txt", root_ / "FlashFX Disk" / "key.txt");
    fs::create_directory_symlink(root_ / "FlashFX Disk" / "My Traces", root_ / "Traces");
    for (const char16_t* out : {u"\\FlashFX Disk\\Out", u"\\FlashFX Disk\\Out\\key.txt",
                                u"\\FlashFX Disk\\key.txt", u"\\FlashFX Disk\\Out\\new.txt"}) {
        plat::set_last_error(0);
        EXPECT_FALSE(plat::host_path(out)) << plat::to_utf8(out);
        EXPECT_EQ(plat::get_last_error(), plat::ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(plat::file_exists(out));
    }
    EXPECT_TRUE(plat::host_path(u"\\Traces\\a.trc"));
}

}  // namespace

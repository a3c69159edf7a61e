// The device image builder: layout, factory registry, fonts, libraries and
// programs, and a second run over a root in use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/fs/file_system.h"
#include "platform/fs/tests/test_support.h"
#include "platform/module/library.h"
#include "platform/process/process.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;

std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    EXPECT_EQ(::pclose(p), 0) << command;
    return out;
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

class DeviceImage : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"device-image"};
    fs::path bin_ = root_.path().parent_path() / (root_.path().filename().string() + "-bin");

    void SetUp() override {
        // A build folder with a driver library and a program, as later
        // targets will provide them.
        fs::path built = celvane_test::build_bin();
        fs::remove_all(bin_);
        fs::create_directories(bin_);
        fs::copy_file(built / "LoaderFixture.so", bin_ / "VornIO.so");
        fs::copy_file(built / "LoaderFixture.so", bin_ / "QXMandarinDll.so");
        fs::copy_file(built / "process_child", bin_ / "TWDiag");
        fs::create_symlink(built / "celvane-registry", bin_ / "celvane-registry");
        fs::remove_all(root_.path());  // the builder starts from nothing
    }
    void TearDown() override { fs::remove_all(bin_); }
    void build_image() {
        run(std::string(CELVANE_SOURCE_DIR) + "/scripts/make-device-root " + quoted(bin_) + " " +
            quoted(root_.path()));
    }
};

TEST_F(DeviceImage, LaysOutAFreshRoot) {
    build_image();
    for (const char16_t* folder :
         {u"\\FlashFX Disk\\System", u"\\FlashFX Disk\\Help", u"\\FlashFX Disk\\My Setups\\Backup",
          u"\\FlashFX Disk\\My Traces", u"\\FlashFX Disk\\My Cals", u"\\FlashFX Disk\\My Lists",
          u"\\FlashFX Disk\\My Pictures", u"\\FlashFX Disk\\Startup\\QXCopy", u"\\Hard Disk",
          u"\\Windows"})
        EXPECT_TRUE(file_attributes(folder) & FILE_ATTRIBUTE_DIRECTORY);

    // The fonts are the Debian families under the names the system loads.
    fs::path system = root_.path() / "FlashFX Disk" / "System";
    // "Tahoma" has Tahoma's metrics (Wine's Tahoma, regular and bold).
    EXPECT_EQ(run("fc-scan --format '%{family[0]} %{weight}\\n' " + quoted(system / "Tahoma.ttf")),
              "Tahoma 80\n");
    EXPECT_EQ(
        run("fc-scan --format '%{family[0]} %{weight}\\n' " + quoted(system / "Tahomabd.ttf")),
        "Tahoma 200\n");
    EXPECT_NE(run("fc-scan --format '%{family}\\n' " + quoted(system / "Sunfon.ttf"))
                  .find("WenQuanYi Micro Hei"),
              std::string::npos);

    RegKey key;
    ASSERT_EQ(hkey_local_machine().open(u"Printers\\Pagejet Inkjet", key), 0u);
    EXPECT_EQ(key.get_string(u"Driver"), u"pagejethd.dll");
    EXPECT_EQ(key.get_string(u"Port"), u"LPT1:");
    RegKey printers;
    hkey_local_machine().open(u"Printers", printers);
    uint32_t subkeys = 0;
    printers.query_info(&subkeys, nullptr);
    EXPECT_GE(subkeys, 2u) << "\"Ports\" and the printer";
    ASSERT_EQ(hkey_local_machine().open(u"SYSTEM\\CurrentControlSet\\Control\\Power", key), 0u);
    EXPECT_EQ(key.get_dword(u"BattPowerOff"), 300u);
    ASSERT_EQ(hkey_local_machine().open(u"Ident", key), 0u);
    EXPECT_TRUE(key.get_string(u"Name"));
    ASSERT_EQ(hkey_local_machine().open(u"Drivers\\BuiltIn\\BIO", key), 0u);
    EXPECT_EQ(key.get_string(u"Dll"), u"VornIO.dll");
    EXPECT_EQ(key.get_dword(u"TempOnLimit"), 44u);
    EXPECT_EQ(key.get_dword(u"BacklightLow"), 30u);
    ASSERT_EQ(hkey_local_machine().open(u"Drivers\\USB\\ClientDrivers\\VornDSP", key), 0u);
    EXPECT_EQ(key.get_string(u"Prefix"), u"DSP");

    // Built libraries load by the names the registry and the program use.
    Library driver = Library::load(u"VornIO.dll");
    EXPECT_TRUE(driver);
    EXPECT_TRUE(Library::load(u"\\FlashFX Disk\\System\\QXMandarinDll.dll"));
    // Programs sit at their paths and know them.
    Process diag = Process::start(u"\\FlashFX Disk\\Startup\\QXCopy\\TWDiag.exe", {u"exit", u"0"});
    ASSERT_TRUE(diag);
    EXPECT_TRUE(diag.wait(10000));
}

TEST_F(DeviceImage, ASecondRunKeepsTheUsersData) {
    build_image();
    RegKey bio;
    ASSERT_EQ(hkey_local_machine().open(u"Drivers\\BuiltIn\\BIO", bio), 0u);
    bio.set_dword(u"BacklightCustom", 55);  // the user's backlight choice
    bio.delete_value(u"WarnLimit");         // lost somehow: the factory brings it back
    RegKey app;
    hkey_current_user().create(u"Vorn Electronic\\Tarnwick", app);
    app.set_dword(u"ColorScheme", 5);
    fs::path setup = root_.path() / "FlashFX Disk" / "My Setups" / "Mine.stp";
    std::ofstream(setup) << "user setup";
    fs::path font = root_.path() / "FlashFX Disk" / "System" / "Tahoma.ttf";
    auto font_time = fs::last_write_time(font);

    build_image();
    EXPECT_EQ(bio.get_dword(u"BacklightCustom"), 55u);
    EXPECT_EQ(bio.get_dword(u"WarnLimit"), 47u);
    EXPECT_EQ(app.get_dword(u"ColorScheme"), 5u);
    EXPECT_TRUE(fs::exists(setup));
    EXPECT_EQ(fs::last_write_time(font), font_time) << "unchanged files are left alone";
}

}  // namespace

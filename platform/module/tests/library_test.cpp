#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/module/library.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;

fs::path fixture() {
    return celvane_test::build_bin() / "LoaderFixture.so";
}

class Libraries : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"library"};
    void install(const fs::path& where) {
        fs::create_directories(where.parent_path());
        fs::copy_file(fixture(), where, fs::copy_options::overwrite_existing);
    }
};

TEST_F(Libraries, LoadsByDllNameAndBindsByName) {
    // The image keeps the ".dll" name with ELF content.
    install(root_.path() / "FlashFX Disk" / "System" / "QXEnglishDll.dll");
    Library library = Library::load(u"QXEnglishDll.dll");
    ASSERT_TRUE(library) << get_last_error();
    auto add = library.bind<uint32_t(uint32_t, uint32_t)>("FixtureAdd");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(40, 2), 42u);
    EXPECT_EQ(std::u16string(library.bind<const char16_t*()>("FixtureName")()), u"fixture");

    set_last_error(0);
    EXPECT_EQ(library.symbol("LangOnLoad"), nullptr) << "a missing export fails cleanly";
    EXPECT_EQ(get_last_error(), ERROR_PROC_NOT_FOUND);
    library.unload();
    EXPECT_FALSE(library);
    EXPECT_EQ(library.symbol("FixtureAdd"), nullptr);
    EXPECT_EQ(get_last_error(), ERROR_INVALID_HANDLE);
}

TEST_F(Libraries, FallsBackToTheSoNameAndSearchesTheFolders) {
    install(root_.path() / "Windows" / "VornIO.so");
    Library by_folder = Library::load(u"vornio.DLL");
    ASSERT_TRUE(by_folder) << "bare name found in \\Windows as X.so";
    EXPECT_NE(by_folder.symbol("FixtureAdd"), nullptr);
    EXPECT_TRUE(Library::load(u"\\Windows\\VornIO.dll")) << "full instrument path";
    EXPECT_TRUE(Library::load(std::string_view("\\WINDOWS\\vornio.so")));

    set_last_error(0);
    EXPECT_FALSE(Library::load(u"Missing.dll"));
    EXPECT_EQ(get_last_error(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(Library::load(u"\\Windows\\..\\..\\VornIO.dll"));

    // A file of that name that is no library.
    std::ofstream(root_.path() / "FlashFX Disk" / "System" / "Broken.dll") << "not a library";
    EXPECT_FALSE(Library::load(u"Broken.dll"));
    EXPECT_EQ(get_last_error(), ERROR_BAD_EXE_FORMAT);
}

TEST_F(Libraries, AFileThatFailsToLoadDoesNotHideALaterOne) {
    install(root_.path() / "FlashFX Disk" / "System" / "Lib.dll");
    std::ofstream(root_.path() / "Windows" / "Lib.dll") << "not a library";
    EXPECT_TRUE(Library::load(u"Lib.dll"));
}

}  // namespace

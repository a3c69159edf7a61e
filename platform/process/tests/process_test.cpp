#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/process/process.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using celvane_test::slurp;

class Processes : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"process"};
    void SetUp() override {
        fs::path program = celvane_test::build_bin() / "process_child";
        // Installed as the device image installs programs: a copy at the
        // instrument path (a link out of the device root is not followed).
        fs::create_directories(root_.path() / "FlashFX Disk" / "Startup" / "QXCopy");
        fs::create_directories(root_.path() / "Temp");
        fs::copy_file(program, root_.path() / "FlashFX Disk" / "Startup" / "QXCopy" / "TWDiag.exe");
    }
    // Waits until the child wrote its report.
    std::string report() {
        for (int i = 0; i < 500 && !fs::exists(root_.path() / "Temp" / "child.txt"); ++i)
            ::usleep(10000);
        return slurp(root_.path() / "Temp" / "child.txt");
    }
};

TEST_F(Processes, StartedProgramRunsUntilTerminated) {
    Process p = Process::start(u"\\flashfx disk\\Startup\\QXCopy\\TWDiag.exe");
    ASSERT_TRUE(p) << get_last_error();
    EXPECT_GT(p.id(), 0u);
    EXPECT_EQ(report(), "\\flashfx disk\\Startup\\QXCopy\\TWDiag.exe\n")
        << "the child shares the device root and knows its instrument path";
    uint32_t code = 0;
    ASSERT_TRUE(p.exit_code(code));
    EXPECT_EQ(code, STILL_ACTIVE);

    // A second handle by id, as a watcher opens it.
    Process watcher = Process::open(p.id());
    ASSERT_TRUE(watcher);
    EXPECT_TRUE(watcher.running());

    EXPECT_TRUE(p.terminate(0));
    EXPECT_FALSE(p.running());
    ASSERT_TRUE(watcher.exit_code(code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(p.terminate(0)) << "already ended";
    EXPECT_FALSE(Process::open(p.id())) << "an ended process cannot be opened";
}

TEST_F(Processes, ExitCodeAndArguments) {
    Process p = Process::start(u"\\FlashFX Disk\\Startup\\QXCopy\\TWDiag.exe", {u"exit", u"7"});
    ASSERT_TRUE(p);
    ASSERT_TRUE(p.wait(10000));
    uint32_t code = 0;
    ASSERT_TRUE(p.exit_code(code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(report(), "\\FlashFX Disk\\Startup\\QXCopy\\TWDiag.exe\nexit\n7\n");
}

TEST_F(Processes, StartFailures) {
    struct Case {
        const char16_t* path;
        uint32_t error;
    } cases[] = {
        {u"\\Windows\\pdfviewer.exe", ERROR_FILE_NOT_FOUND},
        {u"\\Nowhere\\x.exe", ERROR_PATH_NOT_FOUND},
        {u"\\..\\x.exe", ERROR_PATH_NOT_FOUND},
        {u"\\Windows", ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        set_last_error(0);
        EXPECT_FALSE(Process::start(c.path));
        EXPECT_EQ(get_last_error(), c.error);
    }
    std::ofstream(root_.path() / "Windows" / "iesample.exe") << "not a program";
    fs::permissions(root_.path() / "Windows" / "iesample.exe", fs::perms::owner_all);
    EXPECT_FALSE(Process::start(u"\\Windows\\iesample.exe"));
    EXPECT_EQ(get_last_error(), ERROR_BAD_EXE_FORMAT);
}

TEST(ProgramPath, ThisProgramOutsideTheRootHasAWindowsPath) {
    ::unsetenv(kProgramPathVariable);
    EXPECT_EQ(program_path(), u"\\Windows\\process_tests");
    ::setenv(kProgramPathVariable, "\\FlashFX Disk\\x.exe", 1);
    EXPECT_EQ(program_path(), u"\\FlashFX Disk\\x.exe");
    ::unsetenv(kProgramPathVariable);
}

}  // namespace

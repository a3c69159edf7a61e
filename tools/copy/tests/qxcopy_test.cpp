// QXCopy run as the system runs it: the real program copied to its place in
// a temporary device root, its debug output captured from stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/fs/device_path.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"
#include "tools/copy/inf_script.h"

namespace {

namespace fs = std::filesystem;
using celvane_test::slurp;

class QxCopyRun : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"qxcopy"};
    fs::path startup_ = root_.path() / "FlashFX Disk" / "Startup";
    fs::path copy_ = startup_ / "QXCopy";

    void SetUp() override {
        fs::create_directories(copy_);
        fs::create_directories(root_.path() / "Temp");
        fs::copy_file(celvane_test::build_bin() / "QXCopy", startup_ / "QXCopy.exe");
        fs::copy_file(celvane_test::build_bin() / "qxcopy_helper",
                      root_.path() / "Windows" / "helper.exe");
        fs::copy_file(celvane_test::build_bin() / "libqxcopy_reg_ok.so", copy_ / "reg.dll");
        fs::copy_file(celvane_test::build_bin() / "libqxcopy_reg_fail.so", copy_ / "bad.dll");
    }
    void script(const std::string& bytes) { write(copy_ / "QXCopy.inf", bytes); }
    static void write(const fs::path& p, const std::string& bytes) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    // Runs QXCopy to its end; returns its stderr. `limit` is a shell prefix.
    std::string run(const std::string& limit = "") {
        const fs::path err = root_.path() / "stderr.txt";
        const std::string cmd = "cd / && " + limit + " CELVANE_ROOT='" + root_.path().string() +
                                "' '" + (startup_ / "QXCopy.exe").string() + "' --root '" +
                                root_.path().string() + "' 2>'" + err.string() + "' >/dev/null";
        const int status = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
        return slurp(err);
    }
    std::string counter() { return slurp(root_.path() / "Temp" / "qxinit.log"); }
    bool exists(const std::string& rel) { return fs::exists(root_.path() / rel); }
    void wait_for(const std::string& rel) {
        for (int i = 0; i < 3000 && !exists(rel); ++i) ::usleep(10000);
    }
};

const std::string kOne("\x01\x00\x00\x00", 4);

TEST_F(QxCopyRun, ScriptLinesOnAColdStart) {
    write(copy_ / "a.bmp", "A");
    write(copy_ / "b.BMP", "BB");
    fs::create_directories(copy_ / "c.bmp");
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::string> present;  // relative to the device root
        std::vector<std::string> absent;
        std::vector<std::string> traces;
        std::string file = {};  // relative to the device root, with its content
        std::string content = {};
    } cases[] = {
        {"wildcards",
         "; pictures\n\n   <*.bmp> <\\FlashFX Disk\\Pictures>\n",
         {"FlashFX Disk/Pictures/a.bmp", "FlashFX Disk/Pictures/b.BMP"},
         {"FlashFX Disk/Pictures/c.bmp"},
         {"Cold reset", "QXCopy: Copying from", "it is a folder", "Celvane Copy End."},
         "FlashFX Disk/Pictures/b.BMP",
         "BB"},
        {"absolute source, file destination",
         "<\\FlashFX Disk\\Startup\\QXCopy\\a.bmp> <\\Hard Disk\\x\\one.bmp>\r\n",
         {"Hard Disk/x/a.bmp"},
         {"Hard Disk/x/one.bmp"},
         {"Size = 1"}},
        {"missing source",
         "<nothing.bin> <\\Temp\\>\n",
         {},
         {"Temp/nothing.bin"},
         {"cannot get attributes"}},
        {"register",
         "<reg.dll> <\\ignored> -r\n<bad.dll> -r\n",
         {"Temp/registered-0", "Temp/registered-7"},
         {"ignored"},
         {"OemCopy: Successfully registered", "DllRegisterServer returned: 7"}},
        {"run and wait",
         "<\"\\Windows\\helper.exe\" \"x out.txt\" two> -x\n",
         {"Temp/x out.txt"},
         {},
         {"with command line"},
         "Temp/x out.txt",
         "x out.txt\ntwo\n"},
        {"bad line ends the script",
         "<a.bmp> <\\Temp\\>\nno quote here\n<b.BMP> <\\Temp\\>\n",
         {"Temp/a.bmp"},
         {"Temp/b.BMP"},
         {"(no source starting quote)", "QXCopy Finished"}},
        {"line over 260 characters",
         "<a.bmp> <\\Temp\\" + std::string(250, 'd') + "> -r\n",
         {},
         {"Temp/registered-0"},
         {"Invalid INF line (longer than 260"}},
        {"utf-16",
         std::string("\xFF\xFE<\0a\0.\0b\0m\0p\0>\0 \0<\0\\\0T\0\xE9\0>\0\r\0\n\0", 30),
         {"T\xC3\xA9/a.bmp"},
         {},
         {}},
        {"8-bit", "<a.bmp> <\\T\xE9>\n", {"T\xC3\xA9/a.bmp"}, {}, {}},
        {"no script", "", {}, {}, {"Can't find INF file"}},
        {"confinement",
         "<..\\..\\a.bmp> <\\Temp\\>\n<a.bmp> <..\\..\\outside\\>\n<a.bmp> </etc/x\\>\n"
         "<a.bmp> <C:\\x\\>\n<C:\\x.dll> -r\n<\\..\\x.exe> -x\n",
         {},
         {},
         {"Failed to register file: \\FlashFX Disk\\Startup\\QXCopy\\C:\\x.dll",
          "failed to run: \\..\\x.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root_.path() / "Temp");
        fs::create_directories(root_.path() / "Temp");
        fs::remove(copy_ / "QXCopy.inf");
        if (!c.script.empty()) script(c.script);
        const std::string out = run();
        for (const auto& t : c.traces)
            EXPECT_NE(out.find(t), std::string::npos) << t << "\n" << out;
        for (const auto& p : c.present) EXPECT_TRUE(exists(p)) << p << "\n" << out;
        for (const auto& p : c.absent) EXPECT_FALSE(exists(p)) << p;
        if (!c.file.empty()) {
            EXPECT_EQ(slurp(root_.path() / c.file), c.content);
        }
        EXPECT_EQ(counter(), kOne);
    }
    EXPECT_FALSE(fs::exists(root_.path().parent_path() / "outside"));
}

// Links that lead out of the device root resolve nowhere: the folder beside
// the root stays as it was.
TEST_F(QxCopyRun, LinksOutOfTheRootAreRefused) {
    const fs::path outside = root_.path().string() + "-outside";
    fs::create_directories(outside);
    write(outside / "secret.bmp", "S");
    fs::copy_file(copy_ / "reg.dll", outside / "reg.dll");
    fs::copy_file(root_.path() / "Windows" / "helper.exe", outside / "helper.exe");
    fs::create_symlink(outside / "secret.bmp", copy_ / "link.bmp");
    fs::create_symlink(outside, root_.path() / "Out");
    write(copy_ / "a.bmp", "A");
    if (plat::host_path(u"\\Out\\secret.bmp")) {
        fs::remove_all(outside);
        GTEST_SKIP() << "the platform's paths do not refuse links out of the root yet";
    }
    script(
        "<link.bmp> <\\Temp\\>\n<a.bmp> <\\Out\\>\n<\\Out\\reg.dll> -r\n"
        "<\\Out\\helper.exe ran> -x\n");
    const std::string out = run();
    EXPECT_FALSE(exists("Temp/link.bmp")) << out;
    EXPECT_FALSE(exists("Temp/registered-0"));
    EXPECT_FALSE(exists("Temp/ran"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(outside)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"helper.exe", "reg.dll", "secret.bmp"}));
    fs::remove_all(outside);
}

TEST_F(QxCopyRun, StartWithoutWaiting) {
    write(root_.path() / "Temp" / "hold", "");
    script("<\\Windows\\helper.exe started> -x -e\n");
    run();
    EXPECT_FALSE(exists("Temp/started")) << "QXCopy ended while the program still waited";
    fs::remove(root_.path() / "Temp" / "hold");
    wait_for("Temp/started");
    EXPECT_TRUE(exists("Temp/started"));
}

TEST_F(QxCopyRun, CounterCountsWarmResets) {
    script("<a.bmp> <\\Temp\\copied\\>\n");
    write(copy_ / "a.bmp", "A");
    EXPECT_NE(run().find("Cold reset"), std::string::npos);
    EXPECT_EQ(counter(), kOne);
    fs::remove_all(root_.path() / "Temp" / "copied");
    EXPECT_NE(run().find("Warm reset 2"), std::string::npos);
    EXPECT_EQ(counter(), std::string("\x02\x00\x00\x00", 4));
    EXPECT_FALSE(exists("Temp/copied")) << "a warm start runs no script";

    // A counter cut short by a power loss counts from 0 and stays warm.
    write(root_.path() / "Temp" / "qxinit.log", std::string("\x05\x00", 2));
    EXPECT_NE(run().find("Warm reset 1"), std::string::npos);
    EXPECT_EQ(counter(), kOne);
    EXPECT_FALSE(exists("Temp/copied"));
}

// The keypad set-up goes through the board I/O library by either of its
// names; without one it is skipped.
TEST_F(QxCopyRun, BoardIoLibraryByEitherName) {
    script("; nothing\n");
    const fs::path windows = root_.path() / "Windows";
    std::string err = run();
    EXPECT_NE(err.find("Failed to load OemSmartIO library!"), std::string::npos) << err;
    fs::copy_file(celvane_test::build_bin() / "SMARTIO.so", windows / "KEYBDDR.dll");
    err = run();
    EXPECT_NE(err.find("Can't find SMARTIO.DLL"), std::string::npos) << err;
    EXPECT_NE(err.find("KEYBDDR.DLL Loaded successfully"), std::string::npos) << err;
    fs::copy_file(celvane_test::build_bin() / "SMARTIO.so", windows / "SMARTIO.dll");
    err = run();
    EXPECT_NE(err.find("SMARTIO.DLL Loaded successfully"), std::string::npos) << err;
    EXPECT_EQ(err.find("function not available"), std::string::npos) << err;
}

TEST_F(QxCopyRun, ClockAndSecondInstance) {
    const auto read_clock_ms = [&] {
        int64_t offset = 0;
        std::ifstream(root_.path() / "run" / "clock-offset") >> offset;
        return offset + std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    };
    constexpr int64_t kBuildDateMs = 1232452800000;  // 2009-01-20 12:00:00 UTC
    constexpr int64_t kHour = 3600 * 1000;
    plat::SystemTime t{2005, 6, 0, 1, 8, 30, 0, 0};
    ASSERT_TRUE(plat::set_system_time(t));
    script("<a.bmp> <\\Temp\\copied\\>\n");
    write(copy_ / "a.bmp", "A");
    {
        // Another instance holds the name: counter and script are skipped.
        plat::Mutex held = plat::Mutex::create("QXCopy", true);
        const std::string out = run();
        EXPECT_NE(out.find("Setting Time."), std::string::npos) << out;
    }
    EXPECT_FALSE(exists("Temp/qxinit.log"));
    EXPECT_FALSE(exists("Temp/copied"));
    const int64_t set = read_clock_ms();
    EXPECT_GE(set, kBuildDateMs);
    EXPECT_LT(set, kBuildDateMs + kHour);

    t.year = 2006;
    ASSERT_TRUE(plat::set_system_time(t));
    const int64_t before = read_clock_ms();
    EXPECT_EQ(run().find("Setting Time."), std::string::npos);
    EXPECT_LT(read_clock_ms() - before, kHour) << "a set clock is left alone";
    EXPECT_TRUE(exists("Temp/copied"));
}

TEST_F(QxCopyRun, FailedWriteKeepsTheOldDestination) {
    write(copy_ / "big.bin", std::string(64 * 1024, 'n'));
    write(root_.path() / "Temp" / "big.bin", "old");
    script("<big.bin> <\\Temp\\>\n");
    const std::string out = run("ulimit -f 16 &&");
    EXPECT_NE(out.find("cannot write destination file"), std::string::npos) << out;
    EXPECT_NE(out.find("Failed to copy file"), std::string::npos);
    EXPECT_EQ(slurp(root_.path() / "Temp" / "big.bin"), "old");
}

TEST(QxCopyScript, CommandLinesSplitAtBlanksWithQuotesGrouping) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(qxcopy::split_command_line(u"  a  \"b c\" d\"e f\" \"\""),
              (V{u"a", u"b c", u"de f", u""}));
    EXPECT_EQ(qxcopy::split_command_line(u""), V{});
    EXPECT_EQ(qxcopy::script_lines(u"a\r\nb\nc"), (V{u"a", u"b", u"c"}));
    EXPECT_EQ(qxcopy::decode_script("\xEF\xBB\xBFx\xC3\xA9"), u"x\u00e9");
    EXPECT_EQ(qxcopy::decode_script("x\xE9"), u"x\u00e9");
}

}  // namespace

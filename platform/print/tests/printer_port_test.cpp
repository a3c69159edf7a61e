// The printer port: spooled jobs, named pipes and host devices, failures
// that never end the program.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/debug_out.h"
#include "platform/print/printer_port.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace {

namespace fs = std::filesystem;

class PrinterPort : public ::testing::Test {
  protected:
    void SetUp() override { plat::set_debug_to_stderr(false); }
    void Configure(const char16_t* host_device, std::optional<uint32_t> info = {}) {
        plat::RegKey key;
        plat::hkey_local_machine().create(u"Drivers\\Ports\\lpt1", key);
        key.set_string(u"HostDevice", host_device);
        if (info) key.set_dword(u"PrinterInfo", *info);
    }
    std::vector<std::string> SpoolFiles() const {
        std::vector<std::string> names;
        if (!fs::exists(root_.path() / "spool")) return names;
        for (const auto& e : fs::directory_iterator(root_.path() / "spool"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static bool Send(int32_t h, const std::string& s) {
        return PrinterSend(h, reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size())) != 0;
    }
    celvane_test::TempRoot root_{"printer-port"};
};

TEST_F(PrinterPort, EachJobIsANewSpoolFileThatAppearsWhenThePortCloses) {
    const int32_t first = PrinterOpen(u"LPT1:");
    ASSERT_NE(first, kInvalidPrinterHandle);
    ASSERT_TRUE(Send(first, "job one"));
    EXPECT_EQ(SpoolFiles(), std::vector<std::string>{".LPT1-0001.prn.part"});
    const int32_t second = PrinterOpen(u"LPT1:");
    ASSERT_TRUE(Send(second, "job two"));
    PrinterClose(second);
    PrinterClose(first);
    EXPECT_EQ(SpoolFiles(), (std::vector<std::string>{"LPT1-0001.prn", "LPT1-0002.prn"}));
    EXPECT_EQ(root_.Read("spool/LPT1-0001.prn"), "job one");
    EXPECT_EQ(root_.Read("spool/LPT1-0002.prn"), "job two");

    const int32_t third = PrinterOpen(u"LPT1:");
    PrinterClose(third);
    EXPECT_TRUE(root_.Exists("spool/LPT1-0003.prn"));
}

TEST_F(PrinterPort, ClassTwoTellsFourPlanesUnlessTheRegistrySaysThree) {
    for (auto [info, expected] :
         {std::pair<std::optional<uint32_t>, uint32_t>{{}, 1u}, {0u, 0u}, {1u, 1u}}) {
        Configure(u"", info);
        const int32_t h = PrinterOpen(u"LPT1:");
        uint32_t value = 99;
        EXPECT_EQ(GetPrinterInfo(h, 2, &value, 4), 0u);
        EXPECT_EQ(value, expected);
        EXPECT_NE(GetPrinterInfo(h, 1, &value, 4), 0u);
        EXPECT_NE(GetPrinterInfo(h, 2, &value, 2), 0u);
        PrinterClose(h);
        plat::RegKey key;
        plat::hkey_local_machine().delete_key(u"Drivers\\Ports\\lpt1");
    }
    EXPECT_NE(GetPrinterInfo(12345, 2, nullptr, 4), 0u);
}

TEST_F(PrinterPort, BadPortNamesAndPathsOutsideTheRootDoNotOpen) {
    for (const char16_t* name : {u"", u"LPT1", u"COM1: 9600", u"../x:", u"IRDA"})
        EXPECT_EQ(PrinterOpen(name), kInvalidPrinterHandle) << plat::to_utf8(name);
    Configure(u"../outside.prn");
    EXPECT_EQ(PrinterOpen(u"LPT1:"), kInvalidPrinterHandle);
}

TEST_F(PrinterPort, ARelativeFileTakesTheJobAndAPipeWithoutReaderFailsAtOnce) {
    Configure(u"printer.prn");
    int32_t h = PrinterOpen(u"LPT1:");
    ASSERT_NE(h, kInvalidPrinterHandle);
    ASSERT_TRUE(Send(h, "to a file"));
    PrinterClose(h);
    EXPECT_EQ(root_.Read("printer.prn"), "to a file");

    ASSERT_EQ(::mkfifo((root_.path() / "printer.fifo").c_str(), 0600), 0);
    Configure(u"printer.fifo");
    EXPECT_EQ(PrinterOpen(u"LPT1:"), kInvalidPrinterHandle);
}

// A reader that goes away fails the send with no signal, and the next job
// works.
TEST_F(PrinterPort, AReaderLeavingFailsTheSendWithoutASignal) {
    const fs::path fifo = root_.path() / "printer.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Configure(u"printer.fifo");
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int32_t h = PrinterOpen(u"LPT1:");
    ASSERT_NE(h, kInvalidPrinterHandle);
    ASSERT_TRUE(Send(h, "start"));
    char buffer[16];
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 5);
    ::close(reader);
    EXPECT_FALSE(Send(h, "more"));
    EXPECT_FALSE(Send(h, "after"));
    PrinterClose(h);
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));

    const int reader2 = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const int32_t h2 = PrinterOpen(u"LPT1:");
    ASSERT_NE(h2, kInvalidPrinterHandle);
    EXPECT_TRUE(Send(h2, "next job"));
    PrinterClose(h2);
    ::close(reader2);
}

// A file-size limit fails the send (no SIGXFSZ) and leaves no spool file.
TEST_F(PrinterPort, AFileSizeLimitFailsTheSendAndRemovesTheSpoolFile) {
    std::thread worker([&] {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 4096;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const int32_t h = PrinterOpen(u"LPT1:");
        EXPECT_TRUE(Send(h, std::string(1000, 'x')));
        EXPECT_FALSE(Send(h, std::string(8000, 'y')));
        PrinterClose(h);
        setrlimit(RLIMIT_FSIZE, &old);
    });
    worker.join();
    EXPECT_TRUE(SpoolFiles().empty());
    const int32_t h = PrinterOpen(u"LPT1:");
    EXPECT_TRUE(Send(h, std::string(8000, 'z')));
    PrinterClose(h);
    EXPECT_EQ(SpoolFiles(), std::vector<std::string>{"LPT1-0001.prn"});
}

}  // namespace

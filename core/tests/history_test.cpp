#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <thread>

#include "core/debug_log.h"
#include "core/history.h"
#include "core_test_support.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"

namespace {

std::string Line(const char* format, unsigned a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a);
    return buf;
}

TEST(History, DumpAfter513AddsHoldsExactlyTheLast512OldestFirst) {
    TempDeviceRoot root("core-history");
    plat::VirtualClock clock(false, 5000);
    HistoryInit(48);
    std::string expected_entries;
    for (unsigned i = 0; i < 513; ++i) {
        clock.advance(1);
        uint32_t tick = plat::tick_count();
        std::u16string text = u"Key Press";
        if (i % 2) {
            HistoryAdd(32, text, i);
        } else {
            HistoryAddText(16, u"Scroll");
            text = u"Scroll";
        }
        // The first add falls out of the ring ("init" has bit 1, outside the mask).
        if (i >= 1) {
            expected_entries += Line("%u ms:", tick) + (i % 2 ? "Key Press" : "Scroll");
            if (i % 2) expected_entries += Line(":0x%08x", i);
            expected_entries += "\n";
        }
    }
    HistoryAdd(1, u"not in the mask", 7);
    EXPECT_EQ(HistoryRing().Count(), 512u);
    ASSERT_TRUE(HistoryDump());
    std::string dump = root.Read("FlashFX Disk/HistoryLog.txt");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(dump, m, std::regex(R"(^\d\d/\d\d \d\d:\d\d:\d\d \n)")));
    std::string expected = "*********** history *************\n" +
                           Line("System Time Ref = %u ms\n", plat::tick_count()) +
                           expected_entries + "*********** end history *************\n\n";
    EXPECT_EQ(dump.substr(m.length()), expected);
}

TEST(History, FewEntriesTextCopiesAndTheMask) {
    TempDeviceRoot root("core-history-few");
    HistoryInit(32);
    {
        std::u16string temporary = u"Key Press";
        HistoryAdd(32, temporary, 0x70);
        temporary = u"overwritten";  // the ring keeps its own copy
    }
    HistoryAddText(2, u"masked out");
    HistoryAdd(32, std::u16string(150, u'x'), 1);
    ASSERT_TRUE(HistoryDump());
    std::string dump = root.Read("FlashFX Disk/HistoryLog.txt");
    EXPECT_EQ(HistoryRing().Count(), 2u);  // "init" has bit 1, outside mask 32
    EXPECT_NE(dump.find(":Key Press:0x00000070\n"), std::string::npos);
    EXPECT_NE(dump.find(":" + std::string(100, 'x') + ":0x00000001\n"), std::string::npos);
    EXPECT_EQ(dump.find("masked out"), std::string::npos);
    EXPECT_EQ(dump.find("init"), std::string::npos);
}

TEST(History, InitEntryAndFailedOpenGoToTheDebugger) {
    TempDeviceRoot root("core-history-fail");
    HistoryInit(1);
    CHistoryRing ring;
    ring.Init(3);
    EXPECT_NE(ring.Format().find(" ms:init\n"), std::string::npos);
    plat::DebugCapture capture;
    plat::set_debug_to_stderr(false);
    EXPECT_FALSE(ring.Dump(u"\\No Such Volume\\deeper\\HistoryLog.txt"));
    plat::set_debug_to_stderr(true);
    auto lines = capture.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("hist_printtofile() Error opening file."), std::string::npos);
}

TEST(History, ConcurrentAddsKeepTheCount) {
    CHistoryRing ring;
    ring.Init(0xFF);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&ring] {
            for (int i = 0; i < 300; ++i) ring.Add(4, u"DSP", i);
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(ring.Count(), 512u);
}

TEST(DebugLog, PrefixedLinesAppendAndRestartBeyondTheLimit) {
    TempDeviceRoot root("core-debuglog");
    CDebugLog log(0x10);
    log.WriteText(0x10, std::string_view("hello\n"));
    log.WriteText(0x20, std::string_view("masked\n"));
    log.MemoryLoad(0x10, 42);
    uint8_t bytes[] = {0x01, 0xab};
    log.HexDump(0x10, bytes, 2);
    std::string text = root.Read("qxdbg.txt");
    std::regex line(R"(<\d\d/\d\d \d\d:\d\d:\d\d> [0-9a-f]{8} hello\n)");
    EXPECT_TRUE(std::regex_search(text, line)) << text;
    EXPECT_NE(text.find(" MemoryLoad: 42%\n"), std::string::npos);
    EXPECT_NE(text.find("01 ab \n"), std::string::npos);
    EXPECT_EQ(text.find("masked"), std::string::npos);

    std::string big(CDebugLog::kRestartSize + 10, 'z');
    log.Write(big);
    log.WriteText(0x10, std::string_view("fresh\n"));
    text = root.Read("qxdbg.txt");
    EXPECT_LT(text.size(), 100u);
    EXPECT_NE(text.find("fresh"), std::string::npos);
}

TEST(DebugLog, MaskBit31SendsLinesToTheDebugger) {
    TempDeviceRoot root("core-debuglog-dbg");
    plat::DebugCapture capture;
    plat::set_debug_to_stderr(false);
    CDebugLog log(0x80400010);
    log.Printf(0x10, "value %d\n", 7);
    plat::set_debug_to_stderr(true);
    auto lines = capture.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("value 7"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(root.path() / "qxdbg.txt"));
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "core/res_string.h"
#include "core/string_table.h"
#include "platform/kernel/debug_out.h"

namespace {

// A language library's export: malloc'd copies, null for unknown ids.
char16_t* MandarinRes(int32_t id) {
    const char16_t* text = id == 561 ? u"\u5206\u8d1d\u6beb\u74e6" : id == 5 ? u"\u4e94" : nullptr;
    if (!text) return nullptr;
    size_t n = std::char_traits<char16_t>::length(text) + 1;
    auto* block = static_cast<char16_t*>(std::malloc(n * sizeof(char16_t)));
    std::memcpy(block, text, n * sizeof(char16_t));
    return block;
}

struct HookReset {
    ~HookReset() { SetLanguageHook(nullptr); }
};

TEST(LoadResString, LanguageHookFirstThenOwnTableThenEmpty) {
    HookReset reset;
    EXPECT_EQ(LoadResString(57344), u"Tarnwick");
    EXPECT_EQ(LoadResString(561), u"dBm");
    SetLanguageHook(&MandarinRes);
    EXPECT_EQ(LoadResString(561), u"\u5206\u8d1d\u6beb\u74e6");
    EXPECT_EQ(LoadResString(5), u"\u4e94");        // only in the library
    EXPECT_EQ(LoadResString(57344), u"Tarnwick");  // only in the program's table
    EXPECT_EQ(LoadResString(61204), u"Vorn Electronic");
    plat::DebugCapture trace;
    EXPECT_EQ(LoadResString(0), u"");
    EXPECT_EQ(LoadResString(4000000), u"");
    // Only the id that names a text neither table has is traced.
    ASSERT_EQ(trace.lines().size(), 1u);
    EXPECT_NE(trace.lines()[0].find("no text for id 4000000"), std::string::npos);
    // The test run's record of missing ids has it too; this test asks for it
    // on purpose, so the record does not fail it.
    ::testing::Test::RecordProperty("missing-texts-expected", 1);
    const char* record = std::getenv(kMissingTextsVariable);
    ASSERT_NE(record, nullptr);
    std::ifstream in(record);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "4000000");
    CResString s;
    EXPECT_FALSE(s.LoadById(4000000));
    EXPECT_TRUE(s.LoadById(5));
}

TEST(StringTable, IsSortedHoldsEscapesAndTheTextsAsWritten) {
    for (size_t i = 1; i < core_strings::kStringTableSize; ++i) {
        ASSERT_LT(core_strings::kStringTable[i - 1].id, core_strings::kStringTable[i].id);
    }
    EXPECT_EQ(LoadResString(184), u" ");
    EXPECT_EQ(LoadResString(61403), u"Span/RBW\n%u");
    EXPECT_EQ(LoadResString(64494), u"Cannot open file:");
    EXPECT_EQ(LoadResString(848), u"\u00b5V");
    EXPECT_EQ(LoadResString(495), u"%02d-%s-%02d");
}

TEST(CResString, ParseIntAndAssignNarrow) {
    CResString s;
    s.AssignNarrow("42", 2);
    EXPECT_EQ(s.ParseInt(), 42);
    EXPECT_TRUE(s.AssignNarrow("abc", 3));
    EXPECT_EQ(s.GetText(), u"abc");
    EXPECT_EQ(s.ParseInt(), 0);
    const char high[] = {'\xe9', 'x'};
    s.AssignNarrow(high, 2);
    EXPECT_EQ(s.GetText(), u"\u00e9x");  // zero-extended
    s.Assign(nullptr);
    EXPECT_EQ(s.GetText(), u"");
}

// Worker threads fetch texts while the user-interface thread swaps the
// library: no call may run into a library that is being changed.
TEST(LoadResString, HookChangesWhileWorkersReadAreSafe) {
    HookReset reset;
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                auto text = LoadResString(561);
                ASSERT_TRUE(text == u"dBm" || text == u"\u5206\u8d1d\u6beb\u74e6");
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        LanguageHookChange change;
        change.Set(i % 2 ? &MandarinRes : nullptr);
    }
    stop = true;
    for (auto& r : readers) r.join();
}

}  // namespace

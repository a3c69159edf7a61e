// The status line: the prefix, the owner's title and the stacked page titles,
// shortened from the left when too long.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "core/res_string.h"
#include "instrument/status_text_line.h"

namespace {

// Texts of the test's own ids through the language hook.
const std::map<int32_t, std::u16string>& Texts() {
    static const std::map<int32_t, std::u16string> texts = {
        {533, u"P:"},
        {9001, u"Owner"},
        {9002, u"Alpha"},
        {9003, u"Beta"},
        {9004, u"Thirty-characters-long-title!!"},
    };
    return texts;
}

char16_t* TestHook(int32_t id) {
    auto it = Texts().find(id);
    if (it == Texts().end()) return nullptr;
    const size_t bytes = (it->second.size() + 1) * sizeof(char16_t);
    auto* copy = static_cast<char16_t*>(std::malloc(bytes));
    std::memcpy(copy, it->second.c_str(), bytes);
    return copy;
}

class StatusTextLineTest : public ::testing::Test {
  protected:
    void SetUp() override { SetLanguageHook(&TestHook); }
    void TearDown() override { SetLanguageHook(nullptr); }
};

TEST_F(StatusTextLineTest, JoinsTheTitlesBehindThePrefixAndTheOwner) {
    CStatusTextLine line(9001);
    EXPECT_EQ(line.Compose(0), u"P:Owner");
    line.Push(9002);
    line.Push(9003);
    EXPECT_EQ(line.GetLength(), 11);  // "Alpha" and "Beta", one separator each
    EXPECT_EQ(line.Compose(0), u"P:Owner\\Alpha\\Beta");
    line.Pop();
    EXPECT_EQ(line.Compose(0), u"P:Owner\\Alpha");
    line.Pop();
    line.Pop();  // nothing left to drop
    EXPECT_EQ(line.GetCount(), 0);
    EXPECT_EQ(line.Compose(0), u"P:Owner");
}

TEST_F(StatusTextLineTest, AnEleventhPushIsIgnored) {
    CStatusTextLine line(9001);
    for (int i = 0; i < 10; ++i) line.Push(9002);
    line.Push(9003);
    EXPECT_EQ(line.GetCount(), 10);
    EXPECT_EQ(line.GetId(9), 9002u);
}

TEST_F(StatusTextLineTest, ALongPathKeepsOnlyTheTopTitlesThatFit) {
    CStatusTextLine line(9001);
    line.Push(9004);  // 30 characters: never fits in 23
    EXPECT_EQ(line.Compose(23), u"P:Owner...");
    line.Push(9003);
    // "P:Owner..." is 10, "\Beta" 5 more: fits; the long title does not.
    EXPECT_EQ(line.Compose(0), u"P:Owner...\\Beta");
    EXPECT_EQ(line.CountFitting(10, 23), 1);
    EXPECT_EQ(line.CountFitting(10, 14), 0);
    line.Clear();
    EXPECT_EQ(line.Compose(0), u"P:Owner");
}

}  // namespace

// The six colour schemes: names, numbers, sample entries of each table, the
// "not set" entries, index checks and the factory.
#include "widgets/color_scheme.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorScheme, FactoryNamesAndNumbers) {
    const struct {
        int number;
        const char16_t* name;
        uint32_t entry48;
    } cases[] = {{0, u"Default Display", 0}, {1, u"White Display", 1},   {2, u"Black Display", 2},
                 {3, u"Dark Display", 3},    {4, u"Bright Display", 4},  {5, u"Custom Display", 5},
                 {6, u"Default Display", 0}, {-1, u"Default Display", 0}};
    for (const auto& c : cases) {
        auto s = CreateColorScheme(c.number);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->GetName(), c.name) << c.number;
        EXPECT_EQ(s->GetColor(48), c.entry48) << c.number;
    }
}

TEST(ColorScheme, SampleEntriesAsTabled) {
    // (scheme, entry, colour) read off the scheme tables.
    const struct {
        int scheme, entry;
        COLORREF color;
    } cases[] = {
        {0, 1, 0xA2E8BF},  {0, 5, 0xFFFFD2},  {0, 6, 0x80FFFF},  {0, 10, 0xD1A57C},
        {0, 43, 0x008000}, {1, 2, 0x00DCFF},  {1, 6, 0x008000},  {1, 14, 0x000000},
        {1, 34, 0x008000}, {1, 39, 0x00DCFF}, {1, 40, 0xFFFFD2}, {1, 44, 0xA2E8BF},
        {1, 45, 0xD1A57C}, {1, 46, 0x0000FF}, {1, 47, 0x808080}, {2, 1, 0xFFFFFF},
        {2, 11, 0xFFFFFF}, {2, 20, 0xFFFFFF}, {2, 22, 0xFF8000}, {3, 1, 0x008000},
        {3, 2, 0x008080},  {3, 3, 0x767600},  {3, 5, 0xFF8000},  {3, 6, 0xA2E8BF},
        {3, 43, 0x767600}, {4, 10, 0xFFFFFF}, {4, 22, 0x008000}, {4, 26, 0x000000},
        {5, 4, 0xFFFFFF},  {5, 13, 0x808080}, {5, 21, 0xFFFFFF}, {5, 28, 0x00FFFF},
        {5, 43, 0xFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CreateColorScheme(c.scheme)->GetColor(c.entry), c.color)
            << "scheme " << c.scheme << " entry " << c.entry;
}

TEST(ColorScheme, NotSetEntriesAreBlack) {
    for (int n = 0; n < 6; ++n) {
        auto s = CreateColorScheme(n);
        EXPECT_EQ(s->GetColor(38), 0u) << n;
        EXPECT_EQ(s->GetColor(41), 0u) << n;
        if (n == 1) continue;
        for (int e : {39, 40, 44, 45, 46, 47}) EXPECT_EQ(s->GetColor(e), 0u) << n << " " << e;
    }
}

TEST(ColorScheme, IndicesOutsideTheTable) {
    auto s = CreateColorScheme(3);
    s->SetColor(0, 0x123456);
    EXPECT_EQ(s->GetColor(49), 0x123456u);
    EXPECT_EQ(s->GetColor(1000), 0x123456u);
    EXPECT_EQ(s->GetColor(-1), 0x123456u);
    s->SetColor(49, 0xABCDEF);
    s->SetColor(-1, 0xABCDEF);
    for (int i = 1; i < 49; ++i) EXPECT_NE(s->GetColor(i), 0xABCDEFu) << i;
    s->SetColor(48, 7);
    EXPECT_EQ(s->GetNumber(), 7u);
}

}  // namespace

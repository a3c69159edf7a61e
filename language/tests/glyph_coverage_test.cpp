// Every character of the Mandarin texts can be drawn with the CJK font the
// device image installs for it.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "language/tests/language_test_support.h"
#include "platform/fs/tests/test_support.h"

namespace {

TEST(MandarinTexts, EveryCharacterHasAGlyphInTheImagesFont) {
    celvane_test::TempRoot root("lang-glyphs");
    ASSERT_TRUE(lang_test::LayOutImage(root.path()));
    const auto font = root.path() / "FlashFX Disk/System/Sunfon.ttf";

    FT_Library ft = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&ft), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(ft, font.c_str(), 0, &face), 0) << font;

    std::set<char32_t> chars;
    for (const auto& [id, text] :
         lang_test::ReadTable(lang_test::SourceDir() / "language/strings-zh.tsv")) {
        for (size_t i = 0; i < text.size(); ++i) {
            char32_t c = text[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            if (c >= 0x20) chars.insert(c);
        }
    }
    size_t cjk = 0;
    for (char32_t c : chars) {
        cjk += c >= 0x4E00 && c <= 0x9FFF;
        EXPECT_NE(FT_Get_Char_Index(face, c), 0u) << "U+" << std::hex << static_cast<uint32_t>(c);
    }
    EXPECT_GT(cjk, 200u) << "the table is written in Chinese characters";
    FT_Done_Face(face);
    FT_Done_FreeType(ft);
}

}  // namespace

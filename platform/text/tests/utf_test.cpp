#include <gtest/gtest.h>

#include "platform/text/utf.h"

namespace {

TEST(Utf, RoundTripsEveryPlane) {
    const std::u16string samples[] = {u"", u"Tahoma", u"\u9891\u8c31\u5206\u6790", u"\u00b5W",
                                      u"\U0001F4E1 ant"};
    for (const auto& s : samples) EXPECT_EQ(plat::from_utf8(plat::to_utf8(s)), s);
    EXPECT_EQ(plat::to_utf8(u"\u00b5"), "\xc2\xb5");
}

TEST(Utf, InvalidBytesBecomeOneCharacterEach) {
    EXPECT_EQ(plat::from_utf8("a\xff\xc2z"), std::u16string(u"a\u00ff\u00c2z"));
    EXPECT_EQ(plat::from_utf8("\xe2\x82"), std::u16string(u"\u00e2\u0082"));  // cut short
    EXPECT_EQ(plat::from_utf8("\xc0\xaf"), std::u16string(u"\u00c0\u00af"));  // overlong
}

TEST(Utf, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(plat::equals_ignore_case(u"FlashFX Disk", u"flashfx disk"));
    EXPECT_FALSE(plat::equals_ignore_case(u"\u00c4", u"\u00e4"));
    EXPECT_FALSE(plat::equals_ignore_case(std::string_view("abc"), std::string_view("abcd")));
}

}  // namespace

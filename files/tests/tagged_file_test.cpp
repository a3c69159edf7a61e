#include "files/formats/tagged_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "files/formats/keyword_tables.h"
#include "files/formats/number_format.h"

namespace {

struct TagCase {
    const char16_t* line;
    int32_t id;
    const char16_t* value;  // null: no value
};

}  // namespace

TEST(TaggedFile, ParseTagLineTable) {
    const TagCase cases[] = {
        // Two blanks after "=": the value keeps one.
        {u"\t\t<trigger delay =  05000>", 118, u" 05000"},
        {u"\t<setup location = >", 14, u""},
        {u"\t<Has Calibration>", 182, nullptr},
        {u"\t<band>", 31, nullptr},
        {u"-1.000000;-2.500000;", 0, u"-1.000000;-2.500000;"},
        {u"\t<Copyright Celvane project>", 76, nullptr},
        {u"\t<data  points = 705>", 0, nullptr},
        {u"\t<notes = a>b>>>", 16, u"a>b"},
        {u"\t<data points=>", 26, u""},
        {u"\t<occ bw =0123456789>", 191, u"0123456789"},
        {u"\t<frequency start = 0000000010>\r\r", 17, u"0000000010"},
        {u"", 0, nullptr},
        // Search order: the first table that knows a key wins.
        {u"\t<measurement class = vna>", 179, u"vna"},
        {u"\t<center distance = 1>", 133, u"1"},
        {u"\t<volume type = 1>", 132, u"1"},
        {u"\t<sideband frequency = 1>", 131, u"1"},
        {u"\t<factory setting>", 98, nullptr},
        {u"\t<factory>", 98, nullptr},
        {u"\t<threshold = 1>", 127, u"1"},
        {u"\t<threshold percent = 1>", 126, u"1"},
        {u"\t<threshold mode = 1>", 150, u"1"},
        {u"\t<threshod = 1>", 125, u"1"},
        {u"\t<threshod percent = 1>", 124, u"1"},
        {u"\t<threshod mode = 1>", 149, u"1"},
        {u"\t<Measurement Class = vna>", 0, nullptr},
    };
    for (const TagCase& c : cases) {
        int32_t id = -1;
        std::optional<core::Text> value = CTaggedFile::ParseTagLine(c.line, id);
        SCOPED_TRACE(std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line)));
        EXPECT_EQ(id, c.id);
        ASSERT_EQ(value.has_value(), c.value != nullptr);
        if (value) {
            EXPECT_EQ(*value, c.value);
        }
    }
}

TEST(TaggedFile, NumbersWriteThreeExponentDigitsAndReadStrictly) {
    EXPECT_EQ(files::FormatDouble("%#.5e", -150.0), "-1.50000e+002");
    EXPECT_EQ(files::FormatDouble("%#.5e", 0.1), "1.00000e-001");
    EXPECT_EQ(files::FormatDouble("%.5e", 1e-300), "1.00000e-300");
    EXPECT_EQ(files::FormatDouble("%#.5e", std::nan("")), "-3.00000e+002");
    EXPECT_EQ(files::FormatDouble("%03f", -INFINITY), "-300.000000");
    EXPECT_EQ(files::FormatDoubleLine("\t<x = %#.5e>\n", 2.0), "\t<x = 2.00000e+000>\n");

    EXPECT_EQ(files::ParseStrictDouble(u"-1.50000e+002"), -150.0);
    EXPECT_EQ(files::ParseStrictDouble(u"-1.50000e+02"), -150.0);
    EXPECT_FALSE(files::ParseStrictDouble(u"1e999"));
    EXPECT_FALSE(files::ParseStrictDouble(u"nan"));
    EXPECT_FALSE(files::ParseStrictDouble(u"1.5 dB"));
    EXPECT_EQ(files::ParseStrictFrequency(u"4294967295"), 4294967295u);
    EXPECT_FALSE(files::ParseStrictFrequency(u"4294967296"));
    EXPECT_FALSE(files::ParseStrictFrequency(u"-1"));
    EXPECT_EQ(files::ParseStrictInt(u" 005"), 5);
    EXPECT_EQ(files::ParseStrictInt(u"-01"), -1);
    EXPECT_FALSE(files::ParseStrictInt(u"  5"));
    EXPECT_FALSE(files::ParseStrictInt(u"123456789012345678901234567890"));
    EXPECT_FALSE(files::ParseStrictInt(u"2147483648"));
    EXPECT_FALSE(files::ParseStrictInt(u""));
}

TEST(TaggedFile, ChecksumLineSumsEveryByteBeforeIt) {
    CTaggedFile file;
    file.OpenInMemory();
    file.WriteChecksumLine();
    EXPECT_EQ(file.GetText(), "0000\r\n");
    file.OpenInMemory();
    file.WriteBytes("ab");
    file.WriteChecksumLine();
    EXPECT_EQ(file.GetText(), "ab0195\r\n");
}

TEST(TaggedFile, LinesDecodeUtf8AndKeepInvalidBytes) {
    CTaggedFile file;
    EXPECT_EQ(file.LoadBytes(""), 0u);
    file.LoadBytes("a\r\nb\xc3\xa9\n\nx\xff");
    core::Text line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, u"a");
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, u"b\u00e9");
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, u"");
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, u"x\u00ff");
    EXPECT_FALSE(file.ReadLine(line));

    file.LoadBytes(std::string(CTaggedFile::kMaxLineBytes + 1, 'x'));
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_TRUE(file.IsLineTooLong());
}

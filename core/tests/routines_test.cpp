#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "core/keys.h"
#include "core/routines.h"
#include "core_test_support.h"
#include "platform/kernel/clock.h"

namespace {

TEST(Keys, TestsAndMaps) {
    EXPECT_TRUE(IsHardMenuKey(124) && IsHardMenuKey(129) && !IsHardMenuKey(130));
    EXPECT_TRUE(IsSoftKeyVKey(112 | 0x10000));  // only the low 16 bits count
    EXPECT_TRUE(IsNumPadKey(109) && IsNumPadKey(190) && !IsNumPadKey(108));
    EXPECT_TRUE(IsInstrumentKey('X') && IsInstrumentKey(27) && IsInstrumentKey(13));
    EXPECT_TRUE(IsInstrumentKey(190));  // a numeric-pad key, though not by IsPeriodKey
    EXPECT_FALSE(IsInstrumentKey('A'));
    EXPECT_EQ(HardMenuKeyIndex(124), 0);
    EXPECT_EQ(HardMenuKeyIndex(129), 5);
    EXPECT_EQ(SoftKeyFromVKey(27), 27);
    EXPECT_EQ(SoftKeyFromVKey(120), -1);
    EXPECT_EQ(KeyToDigit('7'), 7);
    EXPECT_EQ(KeyToDigit(103), 7);
    EXPECT_EQ(KeyToDigit(VK_DECIMAL), 11);
    EXPECT_EQ(KeyToDigit(VK_OEM_PERIOD), 11);
    EXPECT_EQ(KeyToDigit(VK_ADD), 10);
    EXPECT_EQ(KeyToDigit(VK_SUBTRACT), 10);
    EXPECT_EQ(VKeyFromHardMenuKey(5), 129);
    EXPECT_EQ(VKeyFromHardMenuKey(6), -1);
    EXPECT_EQ(VKeyFromSystemKey(3), 13);
    EXPECT_EQ(VKeyFromSoftKey(8), -1);
}

TEST(CTimeout, ExpiresOnlyAfterThePeriod) {
    plat::VirtualClock clock(false, 0xFFFFFF00u);  // close to the 32-bit wrap
    CTimeout t;
    t.Start(0);
    EXPECT_FALSE(t.IsExpired());
    clock.advance(1);
    EXPECT_TRUE(t.IsExpired());
    t.Start(500);
    clock.advance(500);  // across the wrap
    EXPECT_FALSE(t.IsExpired());
    clock.advance(1);
    EXPECT_TRUE(t.IsExpired());
}

TEST(Parsing, NumbersBoundedCopyAndChecksums) {
    EXPECT_EQ(ParseInt(u"42"), 42);
    EXPECT_EQ(ParseInt(u"none"), 0);
    EXPECT_FLOAT_EQ(ParseFloat(u"2.5"), 2.5f);
    EXPECT_DOUBLE_EQ(ParseDouble(u"-1.25e3"), -1250.0);
    // Only the first 19 characters are read.
    EXPECT_EQ(ParseInt(u"1234567890123456789999"), ParseInt(u"1234567890123456789"));
    EXPECT_EQ(ParseDouble(u"0000000000000000001234"), 1.0);

    char small[4];
    EXPECT_EQ(CStringToAnsi(small, sizeof small, u"abcdef"), 3u);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(CStringToAnsi(small, sizeof small, u"\u0141"), 1u);  // low 8 bits
    EXPECT_EQ(static_cast<unsigned char>(small[0]), 0x41);

    uint8_t ff = 0xFF;
    EXPECT_EQ(ByteSum(&ff, 1, 0), -1);
    uint8_t text[] = {'a', 'b', ',', 'c'};
    EXPECT_EQ(ByteSum(text, 2, 10), 10 + 'a' + 'b');
    EXPECT_EQ(FindComma(text, 4), 2);
    EXPECT_EQ(FindComma(text, 2), -1);
    EXPECT_EQ(FindComma(text, 0), -1);
}

std::time_t Local(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(Parsing, FixedPositionDates) {
    std::time_t fallback = Local(2005, 2, 12, 11, 0, 0);
    EXPECT_EQ(ParseDateTimeMdy(u"13/01/2009 10:00:00"), fallback);
    EXPECT_EQ(ParseDateTimeMdy(u"01/31/2009 23:59:59"), Local(2009, 1, 31, 23, 59, 59));
    EXPECT_EQ(ParseDateTimeMdy(u"01/31/2009 23:59"), fallback);  // too short
    EXPECT_EQ(ParseDateTimeMdy(u"00/10/2009 10:00:00"), fallback);
    EXPECT_EQ(ParseDateTimeMdy(u"0x/10/2009 10:00:00"), fallback);
    EXPECT_EQ(ParseDateTimeMdy(u"01/10/1899 10:00:00"), fallback);
    EXPECT_EQ(ParseTimeDateHms(u"08:30:15 06-21-2012"), Local(2012, 6, 21, 8, 30, 15));
    EXPECT_EQ(ParseTimeDateHms(u"24:00:00 06/21/2012"), fallback);
}

TEST(Routines, NextStepValue) {
    struct {
        double x, step, want;
    } cases[] = {{6, 3, 9}, {1, 3, 2}, {0, 3, 0}, {-2, 3, 0}, {-6, 3, -3}, {5, 0, 5}};
    for (auto c : cases)
        EXPECT_DOUBLE_EQ(NextStepValue(c.x, c.step), c.want) << c.x << " " << c.step;
}

TEST(Routines, SplitFields) {
    struct Case {
        const char16_t* text;
        bool ok;
        std::vector<std::u16string> fields;
    } cases[] = {
        {u"a,\"b,c\",d", true, {u"a", u"b,c", u"d"}},
        {u"abc", false, {}},
        {u"a,", true, {u"a", u""}},
        {u"a,\"b,c\"", true, {u"a", u"b,c"}},  // a quoted last field ends the text
        {u"\"q\"", true, {u"q"}},
        {u"\"\",x", true, {u"\"\"", u"x"}},      // the empty quoted field is ordinary
        {u"\"open,x", true, {u"\"open", u"x"}},  // no closing quote
        {u"a,,b", true, {u"a", u"", u"b"}},
    };
    for (const auto& c : cases) {
        std::vector<std::u16string> fields;
        EXPECT_EQ(SplitFields(c.text, fields, u","), c.ok);
        EXPECT_EQ(fields, c.fields);
    }
    std::u16string field;
    size_t next = 7;
    EXPECT_FALSE(QuotedField(u"\"\"x", field, next));
    EXPECT_EQ(next, 7u);
    EXPECT_TRUE(QuotedField(u"\"ab\"", field, next));
    EXPECT_EQ(field, u"ab");
    EXPECT_EQ(next, 4u);
    EXPECT_FALSE(QuotedField(u"ab", field, next));
    EXPECT_EQ(next, 0u);
}

TEST(Routines, SplitSlashField) {
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 1, u':', false, 2), u"AB:C/D/E");
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 0, u':', false, 2), u"AB:C/DE");
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 2, u':', false, 2), u"AB:CD/E");
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 9, u':', false, 2), u"AB:");
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 0, u':', true, 3), u"AB:");
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 0, u':', false, 3), u"CDE");
    EXPECT_EQ(SplitSlashField(u"ABCDE", 0, u':', true, 3), u"");
    EXPECT_EQ(SplitSlashField(u"AB:CDE", 0, u':', true, 1), u"");
    EXPECT_EQ(SplitSlashField(u"", 0, u':', true, 3), u"");
}

TEST(Routines, FileTests) {
    TempDeviceRoot root("core-routines");
    auto dir = root.path() / "FlashFX Disk" / "My Traces";
    std::filesystem::create_directories(dir / "sub.trc");
    std::ofstream(dir / "Old.TRC") << "a";
    std::ofstream(dir / ".hidden.trc") << "h";
    std::ofstream(dir / "New.trc") << "b";
    auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(dir / "Old.TRC", now - std::chrono::hours(1));
    std::filesystem::last_write_time(dir / "New.trc", now);

    EXPECT_TRUE(FileExists(u"\\flashfx disk\\my traces\\old.trc"));
    EXPECT_FALSE(FileExists(u"\\FlashFX Disk\\My Traces\\none.trc"));
    EXPECT_TRUE(
        IsFileNewer(u"\\FlashFX Disk\\My Traces\\New.trc", u"\\FlashFX Disk\\My Traces\\Old.TRC"));
    EXPECT_FALSE(
        IsFileNewer(u"\\FlashFX Disk\\My Traces\\Old.TRC", u"\\FlashFX Disk\\My Traces\\New.trc"));
    EXPECT_TRUE(IsFileNewer(u"\\FlashFX Disk\\My Traces\\Old.TRC", u"\\FlashFX Disk\\none"));
    EXPECT_FALSE(IsFileNewer(u"\\FlashFX Disk\\none", u"\\FlashFX Disk\\My Traces\\Old.TRC"));

    EXPECT_TRUE(HasFileExtension(u"a.b.TRC", u"trc"));
    EXPECT_FALSE(HasFileExtension(u"trc", u"trc"));
    EXPECT_TRUE(IsSystemFolder(u"\\FlashFX Disk", u"help"));
    EXPECT_TRUE(IsSystemFolder(u"\\", u"WINDOWS"));
    EXPECT_FALSE(IsSystemFolder(u"\\FlashFX Disk", u"My Traces"));

    EXPECT_FALSE(IsFileNameFree(u"\\FlashFX Disk\\My Traces", u"old.trc", u"trc"));
    EXPECT_FALSE(IsFileNameFree(u"\\FlashFX Disk\\My Traces", u"OLD", u"trc"));
    EXPECT_TRUE(IsFileNameFree(u"\\FlashFX Disk\\My Traces", u"sub.trc", u"trc"));      // a folder
    EXPECT_TRUE(IsFileNameFree(u"\\FlashFX Disk\\My Traces", u".hidden.trc", u"trc"));  // hidden
    EXPECT_TRUE(IsFileNameFree(u"\\FlashFX Disk\\My Traces", u"old.trc", u"set"));
}

// The small state files (mode.txt, language.txt): a number out of the int
// range is damaged, never a wrapped value.
TEST(Routines, NumberFilesRefuseOutOfRange) {
    TempDeviceRoot root("core-number-files");
    const auto file = root.path() / "FlashFX Disk" / "System" / "mode.txt";
    std::filesystem::create_directories(file.parent_path());
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {{"2\n", 2},
                          {"  +9", 9},
                          {"-3", -3},
                          {"2147483647", 2147483647},
                          {"4294967298", std::nullopt},
                          {"2147483648", std::nullopt},
                          {"-2147483649", std::nullopt},
                          {"abc", std::nullopt},
                          {"", std::nullopt}};
    for (const Case& c : cases) {
        std::ofstream(file, std::ios::trunc) << c.text;
        EXPECT_EQ(ReadNumberFile(u"\\FlashFX Disk\\System\\mode.txt"), c.value) << c.text;
    }
}

}  // namespace

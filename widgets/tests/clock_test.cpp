// The clock text in both time formats on the platform's settable clock, the
// checked formatter, and a language library whose clock pattern does not fit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/res_string.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/clock.h"
#include "widget_test_support.h"
#include "widgets/clock_panel.h"
#include "widgets/widget_services.h"

namespace {

plat::SystemTime At(int hour, int minute, int second) {
    plat::SystemTime t;
    t.year = 2013;
    t.month = 12;
    t.day = 31;
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    return t;
}

// Services with a chosen time format.
class Services : public IWidgetServices {
  public:
    uint32_t format = 1;
    std::u16string GetFontFace2() const override { return u"Tahoma"; }
    uint32_t GetTimeFormat() const override { return format; }
    int ShowMessage(const core::Text&, uint32_t) override { return 1; }
};

TEST(Clock, TheTimesOnTheSettableClockInBothFormats) {
    celvane_test::TempRoot root("widgets-clock");
    const struct {
        int h, m, s;
        uint32_t format;
        const char16_t* text;
    } cases[] = {
        {0, 5, 9, 1, u"12:05:09 AM 31-Dec-2013"},   {12, 0, 0, 1, u"12:00:00 PM 31-Dec-2013"},
        {13, 30, 0, 1, u"01:30:00 PM 31-Dec-2013"}, {0, 5, 9, 0, u"12/31/2013  12:05:09 AM"},
        {13, 30, 0, 2, u"12/31/2013  01:30:00 PM"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(plat::set_local_time(At(c.h, c.m, c.s)));
        plat::SystemTime now = plat::local_time();
        // The clock runs on: take the time as it reads now, to the second set.
        now.second = static_cast<uint16_t>(c.s);
        now.minute = static_cast<uint16_t>(c.m);
        EXPECT_EQ(FormatClockText(now, c.format), c.text) << c.h << ":" << c.m;
    }
}

TEST(Clock, ThePanelDrawsTheClockOfTheServicesFormat) {
    Services services;
    services.format = 2;
    IWidgetServices::set_current(&services);
    EXPECT_EQ(WidgetTimeFormat(), 2u);
    IWidgetServices::set_current(nullptr);
    EXPECT_EQ(WidgetTimeFormat(), 1u);
    EXPECT_EQ(WidgetFontFace(), u"Tahoma");
    ClearRecordedWidgetMessages();
    EXPECT_EQ(WidgetShowMessage(u"Cannot open file:", 0x30), 1);
    EXPECT_EQ(RecordedWidgetMessages(), std::vector<core::Text>{u"Cannot open file:"});
}

TEST(Clock, CheckedFormat) {
    EXPECT_EQ(CheckedFormat(u"%02d:%02d %s", {1, 2, core::Text(u"AM")}), u"01:02 AM");
    EXPECT_EQ(CheckedFormat(u"%%%d%%", {5}), u"%5%");
    EXPECT_EQ(CheckedFormat(u"%5s|%-3s|", {core::Text(u"ab"), core::Text(u"c")}), u"   ab|c  |");
    const struct {
        const char16_t* pattern;
        const char* why;
    } refused[] = {
        {u"%02d:%02d:%02d %s %s", "one conversion too many"},
        {u"%02d:%02d:%02d", "one too few"},
        {u"%s:%02d:%02d %d", "kinds swapped"},
        {u"%02d:%02d:%02d %n", "a conversion that writes"},
        {u"%02d:%02d:%*d %s", "a star width"},
        {u"%02d:%02d:%02ld %s", "a length modifier"},
        {u"%02d:%02d:%02d %", "a lone percent at the end"},
        {u"%99999999999999999999d:%02d:%02d %s", "an absurd width"},
    };
    for (const auto& r : refused)
        EXPECT_FALSE(CheckedFormat(r.pattern, {1, 2, 3, core::Text(u"AM")})) << r.why;
}

// A language library whose time pattern 482 expects a text where a number
// comes: the clock falls back to the English pattern.
char16_t* WrongClockPattern(int32_t id) {
    const char16_t* text = nullptr;
    if (id == 482) text = u"%s:%02d:%02d %s ";
    if (id == 495) text = u"%02d.%s.%04d";
    if (!text) return nullptr;
    const size_t n = std::char_traits<char16_t>::length(text) + 1;
    auto* copy = static_cast<char16_t*>(std::malloc(n * sizeof(char16_t)));
    std::memcpy(copy, text, n * sizeof(char16_t));
    return copy;
}

TEST(Clock, AWrongTranslatedPatternGivesEnglish) {
    SetLanguageHook(&WrongClockPattern);
    const core::Text text = FormatClockText(At(13, 30, 5), 1);
    SetLanguageHook(nullptr);
    EXPECT_EQ(text, u"01:30:05 PM 31.Dec.2013") << "482 refused, 495 fits";
}

using ClockPanel = widget_test::ViewFixture;

TEST_F(ClockPanel, RedrawsOnlyWhenAsked) {
    CClockPanel clock;
    clock.Create(&view, 290, 0, 530, 30, 1, 140, scheme.get());
    clock.SetFixedTime(At(13, 30, 5));
    Poison();
    clock.Redraw();
    EXPECT_EQ(Painted(), (plat::Rect{290, 0, 530, 30}));
    EXPECT_TRUE(AnyPixel({290, 0, 530, 30}, Color(20)));
    Poison();
    Drain();
    EXPECT_TRUE(Painted().empty()) << "nothing repaints by itself";
}

}  // namespace

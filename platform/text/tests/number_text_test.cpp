// Numbers written and read without the locale, held to what the C library
// writes and reads in the C locale.
#include "platform/text/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

// Runs the body under the comma-decimal locale when the machine has it.
class CommaLocale {
  public:
    CommaLocale() : had_(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {}
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    bool active() const { return had_; }

  private:
    bool had_;
};

std::string CFormat(const std::string& conversion, double v) {
    char buffer[2048];
    const int n = std::snprintf(buffer, sizeof buffer, conversion.c_str(), v);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

const std::vector<std::string> kConversions = {
    "%e",    "%.5e",   "%#.5e", "%1.5e", "%.8e",   "%f",       "%.3f", "%03f", "%03.2f",
    "%3.2f", "%3.22f", "%.1f",  "%E",    "%12.4e", "%-12.4f|", "%+f",  "% f",  "%010.3f",
    "%g",    "%.3g",   "%G",    "%#.0e", "%#.0f",  "%.0f",     "%lf",  "%.0e"};

const std::vector<double> kValues = {0.0,
                                     -0.0,
                                     1.0,
                                     -1.5,
                                     0.1,
                                     123456.789,
                                     -42.5,
                                     2.5,
                                     3.5,
                                     1e-7,
                                     6.02214076e23,
                                     -1.25e-300,
                                     1.7976931348623157e308,
                                     std::numeric_limits<double>::denorm_min(),
                                     static_cast<double>(-98.123456f),
                                     std::nan(""),
                                     std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity()};

TEST(NumberText, EveryConversionWritesWhatPrintfWritesInTheCLocale) {
    for (const std::string& c : kConversions) {
        const std::string conversion = c.back() == '|' ? c.substr(0, c.size() - 1) : c;
        for (double v : kValues)
            EXPECT_EQ(plat::format_number(conversion, v), CFormat(conversion, v))
                << conversion << " of " << CFormat("%.17g", v);
    }
}

TEST(NumberText, TheCommaLocaleChangesNothing) {
    std::vector<std::string> c_locale;
    for (const std::string& c : kConversions)
        for (double v : kValues) c_locale.push_back(plat::format_number(c, v));
    CommaLocale comma;
    ASSERT_TRUE(comma.active()) << "no de_DE.UTF-8 locale: scripts/install-deps makes it";
    ASSERT_EQ(CFormat("%.1f", 1.5), "1,5") << "the locale writes a comma";
    size_t i = 0;
    for (const std::string& c : kConversions)
        for (double v : kValues) EXPECT_EQ(plat::format_number(c, v), c_locale[i++]) << c;
    EXPECT_EQ(plat::parse_number("1.5"), 1.5);
    EXPECT_EQ(plat::parse_number("1,5"), std::nullopt);
}

TEST(NumberText, ReadsWhatStrtodReadsInTheCLocale) {
    const char* texts[] = {"0",       "-0",  "1.5",  "  -42.25xyz",  "+3e2", ".5",
                           "5.",      "1e",  "1e+",  "1.00000e-001", "\t7",  "1,5",
                           "-1.5e-3", "inf", "-nan", "12abc",        "9e307"};
    for (const char* t : texts) {
        char* end = nullptr;
        const double want = std::strtod(t, &end);
        const auto got = plat::parse_number_prefix(t);
        SCOPED_TRACE(t);
        if (end == t) {
            EXPECT_FALSE(got);
            continue;
        }
        ASSERT_TRUE(got);
        EXPECT_EQ(got->length, static_cast<size_t>(end - t));
        if (std::isnan(want))
            EXPECT_TRUE(std::isnan(got->value));
        else
            EXPECT_EQ(got->value, want);
    }
}

// Hexadecimal numbers, which no file of ours holds, read as their "0".
TEST(NumberText, NoHexadecimal) {
    const auto n = plat::parse_number_prefix("0x10");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->value, 0.0);
    EXPECT_EQ(n->length, 1u);
}

TEST(NumberText, AWholeNumberOrNothing) {
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {{"1.5", 1.5},           {"-2e-3", -2e-3},       {"+7", 7.0},
                 {"1.5 ", std::nullopt}, {" 1.5", std::nullopt}, {"", std::nullopt},
                 {"-", std::nullopt},    {"+-1", std::nullopt},  {"1e999", std::nullopt},
                 {"1,5", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(plat::parse_number(c.text), c.value) << c.text;
}

TEST(NumberText, ConversionsItDoesNotKnowGiveNothing) {
    for (const char* c : {"", "%", "%d", "%s", "f", "%5", "%.5ex", "%%"})
        EXPECT_EQ(plat::format_number(c, 1.0), "") << c;
}

}  // namespace

// The readout's arithmetic and texts against the cases the instrument's
// users see, and the match figures against their closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/text/utf.h"
#include "screens/power/readout_math.h"

namespace {

using namespace power_readout;

std::string U8(const core::Text& t) {
    return plat::to_utf8(t);
}

TEST(ReadoutMath, UnitTextByFullScale) {
    const struct {
        float scale;
        const char* text;
    } cases[] = {{0.0001f, " \xC2\xB5W "}, {0.001f, " mW "}, {1.0f, " mW "}, {1.5f, " W   "},
                 {1000.0f, " W   "},       {1e6f, " kW "},   {2e6f, " MW "}};
    for (const auto& c : cases) EXPECT_EQ(U8(UnitText(c.scale)), c.text) << c.scale;
}

TEST(ReadoutMath, ScaleTextKeepsTwoOneOrNoDecimals) {
    const struct {
        float scale, value;
        const char* text;
    } cases[] = {{1, 0.5f, "500"},    {1, 0.0123f, "12.3"},     {10, 9.5f, "9.50"},
                 {10, 10.0f, "10.0"}, {0.0001f, 5e-5f, "50.0"}, {2e6f, 3e6f, "3.00"}};
    for (const auto& c : cases) EXPECT_EQ(U8(ScaleText(c.scale, c.value)), c.text) << c.value;
}

TEST(ReadoutMath, WattsToDbm) {
    EXPECT_EQ(U8(WattsToDbmText(0.001f, true)), "0.0 dBm\n\r");
    EXPECT_EQ(U8(WattsToDbmText(0, false)), "N/A");
    EXPECT_EQ(U8(WattsToDbmText(-1, true)), "N/A\n\r");
    EXPECT_EQ(U8(WattsToDbmText(10, false)), "40.0");
    EXPECT_EQ(U8(WattsToDbmText(std::pow(10.0f, -0.3f), false)), "27.0");
}

TEST(ReadoutMath, DecadeRule) {
    const struct {
        float x, base, scale;
    } cases[] = {{0.1f, 1, 1},        {0.09f, 1, 0.1f},      {10, 1, 10},
                 {10.5f, 1, 100},     {1.0f, 1, 1},          {0.005f, 1, 0.01f},
                 {0.05f, 0.1f, 0.1f}, {0.005f, 0.1f, 0.01f}, {0.2f, 0.1f, 1}};
    for (const auto& c : cases) EXPECT_FLOAT_EQ(DecadeFullScale(c.x, c.base), c.scale) << c.x;
}

TEST(ReadoutMath, DecadeRuleOfNoReadingIsItsBase) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float x : {0.0f, -0.5f, -1e-9f, std::nanf(""), inf, -inf}) {
        EXPECT_FLOAT_EQ(DecadeFullScale(x), 1.0f) << x;
        EXPECT_FLOAT_EQ(DecadeFullScale(x, 0.1f), 0.1f) << x;
    }
    // Tiny and huge readings end inside the loop's bounds.
    EXPECT_GT(DecadeFullScale(1e-30f), 0.0f);
    EXPECT_LT(DecadeFullScale(1e30f), inf);
}

TEST(ReadoutMath, RangeCaption) {
    EXPECT_EQ(U8(RangeCaption(0.1f)), "100  mW \n");
    EXPECT_EQ(U8(RangeCaption(0.001f)), "1  mW \n");
    EXPECT_EQ(U8(RangeCaption(0.0001f)), "100  \xC2\xB5W \n");
    EXPECT_EQ(U8(RangeCaption(1000.0f)), "1  kW \n");
    EXPECT_EQ(U8(RangeCaption(10.0f)), "10  W   \n");
}

TEST(ReadoutMath, ReflectionFiguresFollowTheirClosedForms) {
    const struct {
        double forward, reflected, offset;
    } cases[] = {{10, 0.1, 0}, {10, 0.1, -3}, {1, 0.25, 0}, {0.01, 1e-5, -1.5}};
    for (const auto& c : cases) {
        const Reflection r = ComputeReflection(c.forward, c.reflected, c.offset);
        const double q =
            c.reflected * std::pow(10, -c.offset / 10) / (c.forward * std::pow(10, c.offset / 10));
        const double rho = std::sqrt(q);
        ASSERT_TRUE(r.valid);
        EXPECT_NEAR(r.q, q, 1e-12);
        EXPECT_NEAR(r.rho, rho, 1e-12);
        EXPECT_NEAR(r.vswr, (1 + rho) / (1 - rho), 1e-9);
        EXPECT_NEAR(r.return_loss, 10 * std::log10(q), 1e-9);
        EXPECT_NEAR(r.efficiency, (1 - q) * 100, 1e-9);
        EXPECT_NEAR(r.reflected_pct, q * 100, 1e-9);
    }
    // The worked case: 10 W forward, 0.1 W reflected.
    const Reflection r = ComputeReflection(10, 0.1, 0);
    EXPECT_EQ(U8(core::FormatText("%0.2f %0.2f %0.1f %0.1f %0.1f", r.rho, r.vswr, r.return_loss,
                                  r.efficiency, r.reflected_pct)),
              "0.10 1.22 -20.0 99.0 1.0");
    const Reflection m = ComputeReflection(10, 0.1, -3);
    EXPECT_EQ(U8(core::FormatText("%0.2f %0.1f %0.1f %0.1f", m.vswr, m.return_loss, m.efficiency,
                                  m.reflected_pct)),
              "1.50 -14.0 96.0 4.0");
}

TEST(ReadoutMath, NoMatchWithoutBothPowersAndNoVswrAtTotalReflection) {
    EXPECT_FALSE(ComputeReflection(0, 0.1, 0).valid);
    EXPECT_FALSE(ComputeReflection(1, 0, 0).valid);
    EXPECT_FALSE(ComputeReflection(1, -0.1, 0).valid);
    for (double reflected : {1.0, 2.0}) {
        const Reflection r = ComputeReflection(1, reflected, 0);
        EXPECT_TRUE(r.valid);
        EXPECT_FALSE(r.vswr_valid) << reflected;
        EXPECT_NEAR(r.return_loss, 10 * std::log10(reflected), 1e-12);
    }
}

TEST(ReadoutMath, FilterAndDutyTexts) {
    EXPECT_EQ(U8(FilterText(400)), "400 kHz");
    EXPECT_EQ(U8(FilterText(4500)), "4.5 kHz");
    EXPECT_EQ(U8(FilterText(10000)), "10 MHz");
    EXPECT_EQ(U8(FilterText(0)), "10 MHz");
    EXPECT_EQ(U8(DutyText(100, false)), "100 % (A)");
    EXPECT_EQ(U8(DutyText(100, true)), "100 % (M)");
    EXPECT_EQ(U8(DutyText(50, false)), "50.0 % (A)");
}

TEST(ReadoutMath, SaturatingCast) {
    EXPECT_EQ(SaturatingCast<int>(std::nan("")), 0);
    EXPECT_EQ(SaturatingCast<int>(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(SaturatingCast<int>(-1e300), std::numeric_limits<int>::min());
    EXPECT_EQ(SaturatingCast<int>(std::numeric_limits<double>::infinity()),
              std::numeric_limits<int>::max());
    EXPECT_EQ(SaturatingCast<uint16_t>(-5.0), 0);
    EXPECT_EQ(SaturatingCast<int>(12.9), 12);
}

}  // namespace

// The power meter readout drawn on a bitmap: the bar's length and colour,
// the texts of the readings and the idle face.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/dc.h"
#include "platform/text/utf.h"
#include "screens/power/power_meter_readout.h"

namespace {

namespace dw = display_word;

class Owner : public IPowerReadoutOwner {
  public:
    int type = 1;
    float vswr = 0;
    int GetSensorType() const override { return type; }
    uint8_t GetProbeByte() const override { return 0; }
    bool GetIconFlag() const override { return false; }
    bool IsZeroingInProgress() const override { return false; }
    float GetPeakAverage() const override { return 0; }
    void SetVswrValue(float v) override { vswr = v; }
};

constexpr COLORREF kGreen = CPowerMeterReadout::kBarGreen;  // (102, 255, 56)
constexpr COLORREF kRed = CPowerMeterReadout::kBarRed;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr int kRow = CPowerMeterReadout::kBarRow;

class Readout : public ::testing::Test {
  protected:
    void SetUp() override {
        readout_.SetOwnerFields(&owner_);
        readout_.SetFullScales(1.0f, 0.1f);
        readout_.SetRangeCaptions(u"1 W", u"100 mW");
    }
    // Draws the readout for one reading, as the screen hands it over.
    plat::Bitmap Show(uint32_t word, float value, float forward, float reflected) {
        readout_.SetReadings(word | dw::kRedraw, value, 1.0f, forward, reflected);
        plat::Dc dc(plat::Bitmap::create(800, 600, 0x123456));
        readout_.Draw(dc);
        return dc.surface();
    }
    // The last x of `colour` on the bar row, from the bar's left end on.
    static int BarEnd(const plat::Bitmap& b, COLORREF colour) {
        int x = CPowerMeterReadout::kBarLeft;
        while (x + 1 < 800 && b.pixel(x + 1, kRow) == colour) ++x;
        return b.pixel(CPowerMeterReadout::kBarLeft, kRow) == colour ? x : -1;
    }

    Owner owner_;
    CPowerMeterReadout readout_;
};

TEST_F(Readout, TheBarIsGreenUpToTheReadingsShareOfTheFullScale) {
    for (double dbm : {27.0, 20.0, 25.0}) {
        const float watts = static_cast<float>(std::pow(10.0, (dbm - 30) / 10));
        const plat::Bitmap b = Show(0x201, watts, watts, watts * 0.01f);
        const int expected = 17 + static_cast<int>(std::floor(668.0 * watts / 1.0));
        EXPECT_NEAR(BarEnd(b, kGreen), expected, 1) << dbm;
        EXPECT_EQ(b.pixel(expected + 3, kRow), kWhite) << dbm;
    }
}

TEST_F(Readout, AReadingAboveTheFullScaleTurnsTheBarRedToItsEnd) {
    const float watts = static_cast<float>(std::pow(10.0, 0.3));  // 33 dBm
    const plat::Bitmap b = Show(0x201, watts, watts, watts * 0.01f);
    // The caption ("1 W") is drawn over the bar's right end in white.
    int white = 0, green = 0;
    for (int x = CPowerMeterReadout::kBarLeft; x <= CPowerMeterReadout::kBarRight; ++x) {
        white += b.pixel(x, kRow) == kWhite;
        green += b.pixel(x, kRow) == kGreen;
    }
    EXPECT_EQ(b.pixel(CPowerMeterReadout::kBarLeft, kRow), kRed);
    EXPECT_EQ(b.pixel(CPowerMeterReadout::kBarRight - 60, kRow), kRed);
    EXPECT_GT(white, 0);
    EXPECT_EQ(green, 0);
    EXPECT_NE(b.pixel(CPowerMeterReadout::kBarRight + 1, kRow), kRed);
}

TEST_F(Readout, TheMatchBarStaysGreen) {
    // Reflected percentage and efficiency of a total reflection fill the bar
    // without turning it red.
    for (uint32_t quantity : {dw::kEfficiency, dw::kReflectedPct}) {
        const plat::Bitmap b = Show(9 | quantity, 1.0f, 1.0f, 0.9f);
        EXPECT_NE(BarEnd(b, kGreen), -1) << quantity;
        EXPECT_EQ(b.pixel(CPowerMeterReadout::kBarLeft, kRow), kGreen);
    }
}

TEST_F(Readout, KindFiveScalesTheBarToOneHundredPercent) {
    readout_.EditValues([](CPowerMeterReadout::Values& v) { v.ccdf_percent = 50; });
    readout_.SetFullScales(1000.0f, 100.0f);
    const plat::Bitmap b = Show(0x205, 50, 0.5f, 0.005f);
    EXPECT_NEAR(BarEnd(b, kGreen), 17 + 334, 1);
}

TEST_F(Readout, TheThirdColumnShowsTheMatchOfTenWattsAndATenthOfAWatt) {
    Show(0x201, 10, 10, 0.1f);
    const std::string third = plat::to_utf8(readout_.Compose().columns[2]);
    EXPECT_EQ(third, "1.22\n\r-20.0\n\r0.10\n\r99.0 %\n\r1.0 %\n\r0.0 dB\n\r");
    EXPECT_NEAR(owner_.vswr, 1.2222f, 1e-3);
}

TEST_F(Readout, TotalReflectionHasNoVswrAndKeepsTheLastOne) {
    Show(0x201, 10, 10, 0.1f);
    const float before = owner_.vswr;
    Show(0x201, 1, 1, 1);
    const CPowerMeterReadout::Texts t = readout_.Compose();
    EXPECT_EQ(plat::to_utf8(t.right_value), "N/A");
    EXPECT_FLOAT_EQ(owner_.vswr, before);
}

TEST_F(Readout, NoPowerReadsNotAvailable) {
    Show(0x201, 0, 0, 0);
    const CPowerMeterReadout::Texts t = readout_.Compose();
    EXPECT_EQ(plat::to_utf8(t.columns[2]).substr(0, 3), "N/A");
    EXPECT_EQ(plat::to_utf8(t.right_value), "N/A");
}

TEST_F(Readout, TheIdleFaceShowsTheMeterPictureAndNoBar) {
    Show(0x201, 0.5f, 0.5f, 0.005f);
    readout_.Reset();
    plat::Dc dc(plat::Bitmap::create(800, 600, 0x123456));
    readout_.Draw(dc);
    const plat::Bitmap& b = dc.surface();
    for (int x = CPowerMeterReadout::kBarLeft; x <= CPowerMeterReadout::kBarRight; ++x) {
        ASSERT_NE(b.pixel(x, kRow), kGreen) << x;
        ASSERT_NE(b.pixel(x, kRow), kRed) << x;
    }
}

TEST_F(Readout, TheNeedlesFollowTheirDials) {
    Show(0x201 | dw::kAnalog, 0, 0, 0);
    // The analog display leaves the face's geometry: value 0 lies at 45
    // degrees from the pivot (352, 442).
    const plat::Point tip = readout_.NeedlePoint(100);
    EXPECT_EQ(tip.x, static_cast<int>(352 - 100 * std::cos(M_PI / 4)));
    EXPECT_EQ(tip.y, 186);  // clamped to the dial
    EXPECT_EQ(readout_.GetAnalogFaceId(), 235);
}

}  // namespace

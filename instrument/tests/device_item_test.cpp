// Device items and their manager.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include "drivers/dsp/dsp_protocol.h"
#include "instrument/device_item.h"
#include "instrument/device_item_manager.h"

namespace {

std::string Text(char* t) {
    std::string s(t);
    delete[] t;
    return s;
}

// A sweep segment over [start, stop] with its own values.
struct Segment {
    Segment(uint32_t first, std::vector<float> v, uint64_t start, uint64_t stop)
        : values(std::move(v)) {
        item = new CSweepItem;
        item->SetRange(first, static_cast<uint32_t>(values.size()), start, stop);
        item->SetArrays(values.data(), nullptr, nullptr);
    }
    std::vector<float> values;
    CSweepItem* item;
};

TEST(DeviceItem, NewItemsAnswerNotMeasured) {
    std::unique_ptr<CDeviceItem> items[] = {
        std::make_unique<CTimeDomainItem>(), std::make_unique<CSweepItem>(),
        std::make_unique<CVnaSweepItem>(),   std::make_unique<CDemodItem>(),
        std::make_unique<CQueryReplyItem>(), std::make_unique<CSensorReading>(3, 1)};
    for (auto& i : items) {
        EXPECT_EQ(i->GetMinimum(), kNotMeasured);
        EXPECT_EQ(i->GetMaximum(), kNotMeasured);
        EXPECT_EQ(i->GetValueAtFrequency(1000), kNotMeasured);
    }
    EXPECT_EQ(items[0]->GetType(), 0x0000u);
    EXPECT_EQ(items[5]->GetType(), 0x0103u);
    EXPECT_EQ(Text(items[3]->CreateText(true, true, 0)), "No Data");
}

TEST(DeviceItem, PointGeometry) {
    Segment s(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 1000, 2000);
    std::unique_ptr<CDeviceItem> own(s.item);
    EXPECT_EQ(s.item->GetPointOfFrequency(1000), 0u);
    EXPECT_EQ(s.item->GetPointOfFrequency(1299), 2u);
    EXPECT_EQ(s.item->GetPointOfFrequency(2000), 10u);  // stop is inside, at point count
    EXPECT_EQ(s.item->GetValueAtFrequency(2000), kNotMeasured);
    EXPECT_EQ(s.item->GetValueAtFrequency(1350), 4.0);
    EXPECT_EQ(s.item->GetValueAtFrequency(999), kNotMeasured);
    EXPECT_EQ(s.item->GetValue(10), 0.0);
    EXPECT_EQ(s.item->GetFrequencyOfPoint(3), 1300u);
    EXPECT_EQ(s.item->GetFrequencyOfPoint(10), 0u);
    // A span below the count gives step 0: every frequency is point 0.
    s.item->SetRange(0, 10, 1000, 1005);
    EXPECT_EQ(s.item->GetPointOfFrequency(1004), 0u);
}

TEST(DeviceItem, SingleReadingAndMinMax) {
    CDeviceItem i;
    float v = 0;
    i.SetRange(0, 1, 100, 200);
    i.SetArrays(&v, nullptr, nullptr);
    i.UpdateMinMax(-20, 100, 200, 150);
    EXPECT_EQ(i.GetMinimum(), -20);
    EXPECT_EQ(i.GetMaximum(), -20);
    i.UpdateMinMax(-10, 100, 200, 160);
    EXPECT_EQ(i.GetValueAtFrequency(120), -10);  // the maximum for every frequency
    EXPECT_EQ(i.GetTagAtMaximum(), 160u);
    EXPECT_EQ(i.GetTagAtMinimum(), 150u);
}

TEST(DeviceItem, SetDataKeepsTheMiddleWithATerminator) {
    CDeviceItem i;
    const uint8_t bytes[10] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'};
    EXPECT_EQ(i.SetData(bytes, 10, 2, 3), 5u);
    EXPECT_STREQ(reinterpret_cast<const char*>(i.GetData()), "cdefg");
    EXPECT_EQ(i.SetData(bytes, 4, 3, 3), 0u);
}

TEST(DeviceItem, SweepTexts) {
    Segment s(5, {-12.5f, -3.0f}, 1000, 2000);
    std::unique_ptr<CDeviceItem> own(s.item);
    EXPECT_EQ(Text(s.item->CreateText(true, false, 0)), "00000,00005,00002");  // no block: 0
    EXPECT_EQ(Text(s.item->CreateText(true, true, 1)), "-3.00000e+00");
    auto block = std::make_unique<CDataBlock>(nullptr, 16);
    block->SetLength(16);
    block->PutWord(0, dsp::msg::kSweep);
    s.item->AttachBlock(std::move(block));
    EXPECT_EQ(Text(s.item->CreateText(true, false, 0)), "12289,00005,00002");
    CAcprItem acpr;
    acpr.channel_power = -10;
    EXPECT_EQ(Text(acpr.CreateText(false, true, 0)),
              "-1.00000e+01,0.00000e+00,0.00000e+00,0.00000e+00,0.00000e+00");
}

TEST(DeviceItem, CounterMarkerReply) {
    uint8_t data[80] = {1, 0, 1};
    const double f = 940000123.5;
    const float level = -31.25f;
    std::memcpy(data + 8, &f, 8);
    std::memcpy(data + 56, &level, 4);
    CQueryReplyItem item;
    ASSERT_TRUE(item.Fill(data, 80));
    EXPECT_EQ(item.present[0], 1);
    EXPECT_EQ(item.present[1], 0);
    EXPECT_DOUBLE_EQ(item.frequency[0], f);
    EXPECT_DOUBLE_EQ(item.level[0], -31.25);
    EXPECT_FALSE(item.Fill(data, 79));
}

TEST(DeviceItem, HoldMaximumIn) {
    Segment mine(0, {-10, -20}, 0, 200);
    std::unique_ptr<CDeviceItem> own(mine.item);
    CDeviceItemManager empty;
    EXPECT_EQ(mine.item->HoldMaximumIn(1, &empty), -20);  // nothing holds it: unchanged
    CDeviceItemManager other;
    Segment theirs(0, {-5, -30}, 0, 200);
    other.AddItem(theirs.item);
    EXPECT_EQ(mine.item->HoldMaximumIn(0, &other), -5);
    EXPECT_EQ(mine.item->HoldMaximumIn(1, &other), -20);
    EXPECT_EQ(theirs.values[1], -20);  // stored into the other set
}

TEST(DeviceItemManager, EmptyManagerAnswersNothing) {
    CDeviceItemManager m;
    uint64_t f = 77;
    double v = 5;
    EXPECT_EQ(m.GetLastPoint(), 0u);
    EXPECT_EQ(m.FindByPoint(0), nullptr);
    EXPECT_EQ(m.FindByFrequency(0), nullptr);
    EXPECT_EQ(m.GetMaximum(&f), kNotMeasured);
    EXPECT_EQ(m.GetMinimum(&f), kNotMeasured);
    EXPECT_FALSE(m.NextPeak(100, &f, &v));
    EXPECT_FALSE(m.PrevFoot(100, &f, &v));
    EXPECT_FALSE(m.PrevCrossing(100, &f, &v));
    EXPECT_EQ(v, 5);
}

TEST(DeviceItemManager, SetStateAndTimeStampText) {
    CDeviceItemManager m;
    EXPECT_EQ(m.GetFlagA(), 1);
    EXPECT_EQ(m.GetFlagB(), 0);
    for (size_t i = 0; i < CDeviceItemManager::kTextCount; ++i) EXPECT_TRUE(m.GetText(i).empty());
    plat::SystemTime t{.year = 2026, .month = 3, .day = 7, .hour = 9, .minute = 5, .second = 59};
    m.SetTimeStamp(t);
    core::Text text = u"old";
    m.FormatTimeStamp(text);
    EXPECT_EQ(text, u"(03-07 09-05-59)");
    t.month = 12;
    t.day = 31;
    t.hour = 23;
    m.SetTimeStamp(t);
    m.FormatTimeStamp(text);
    EXPECT_EQ(text, u"(12-31 23-05-59)");
}

TEST(DeviceItemManager, SlopesPeaksAndWrapAround) {
    CDeviceItemManager m;
    // 0..9 over 0..1000 Hz: a flat floor with one peak at point 3.
    Segment s(0, {-90, -90, -90, -30, -90, -90, -90, -90, -90, -90}, 0, 1000);
    m.AddItem(s.item);
    EXPECT_EQ(m.GetLastPoint(), 9u);
    m.FindSlopes(-50);
    uint64_t f = 0;
    double v = 0;
    // Peaks: first point, the top at 300 Hz, last point.
    ASSERT_TRUE(m.NextPeak(0, &f, &v));
    EXPECT_EQ(f, 300u);
    EXPECT_EQ(v, -30);
    ASSERT_TRUE(m.NextPeak(900, &f, &v));
    EXPECT_EQ(f, 0u);  // wraps to the first
    ASSERT_TRUE(m.PrevPeak(0, &f, &v));
    EXPECT_EQ(f, 900u);  // wraps to the last
    ASSERT_TRUE(m.PrevCrossing(1000, &f, &v));
    EXPECT_EQ(f, 300u);

    CDeviceItemManager flat;
    Segment fs(0, {-90, -90, -90, -90}, 0, 400);
    flat.AddItem(fs.item);
    flat.FindSlopes(-50);
    EXPECT_EQ(flat.GetPeakCount(), 2u);
    EXPECT_FALSE(flat.PrevCrossing(400, &f, &v));
}

TEST(DeviceItemManager, PointListGrowsByTen) {
    CDeviceItemManager m;
    for (uint64_t i = 0; i < 10; ++i) m.AddPeak(i * 10);
    EXPECT_EQ(m.GetPeakCapacity(), 10u);
    EXPECT_EQ(m.AddPeak(100), 10u);
    EXPECT_EQ(m.GetPeakCapacity(), 20u);
    uint64_t f = 0;
    ASSERT_TRUE(m.NextPeak(0, &f, nullptr));
    EXPECT_EQ(f, 10u);
}

TEST(DeviceItemManager, ListsAreSafeAcrossThreads) {
    CDeviceItemManager m;
    std::thread filler([&] {
        for (uint64_t i = 0; i < 2000; ++i) m.AddPeak(i);
    });
    uint64_t f = 0;
    for (int i = 0; i < 2000; ++i) m.NextPeak(500, &f, nullptr);
    filler.join();
    EXPECT_EQ(m.GetPeakCount(), 2000u);
}

}  // namespace

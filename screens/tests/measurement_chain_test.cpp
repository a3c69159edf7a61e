// The measurement screen base on its own: the chain of measurements and the
// division table of the sweep axis.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/scoped_lock.h"

#include "core/frequency_range.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "platform/window/messages.h"
#include "screens/measurement_base.h"

namespace {

class ChainScreen : public CMeasurementBase {
  public:
    ChainScreen() { setup_ = &sa_; }
    void InstrumentHook() override {}
    void SetPoints(int n) {
        sa_.SetDataPoints(n);
        ReloadSweepSettings();
        BuildDivisionTable();
    }
    const std::vector<Division>& divisions() const { return divisionTable; }
    void SetLastKey(int function, int key) { lastKey[static_cast<size_t>(function)] = key; }
    size_t RecordTextLength() const { return m_RecordTextLength; }
    bool Streaming() {
        ScopedLock guard(*this);
        return m_AudioStreaming;
    }
    int PlayBuffer() {
        ScopedLock guard(*this);
        return m_PlayBuffer;
    }
    CSAMeasSetup sa_;
};

TEST(MeasurementChain, TheFirstMeasurementStartsTheChainAndLaterOnesAreAppended) {
    ChainScreen screen;
    EXPECT_EQ(screen.GetMeasurementCount(), 0);
    EXPECT_EQ(screen.GetMeasurementAt(1), nullptr);
    auto* a = new CMeasurement(nullptr);
    auto* b = new CMeasurement(nullptr);
    screen.SetMeasurement(a);
    screen.SetMeasurement(b);
    EXPECT_EQ(screen.GetMeasurementCount(), 2);
    EXPECT_EQ(screen.GetFirstMeasurement(), a);
    EXPECT_EQ(screen.GetMeasurementAt(0), nullptr);
    EXPECT_EQ(screen.GetMeasurementAt(1), a);
    EXPECT_EQ(screen.GetMeasurementAt(2), b);
    EXPECT_EQ(screen.GetMeasurementAt(3), nullptr);
}

TEST(MeasurementChain, DivisionTableStepsBySixtyColumnsOfTheAxis) {
    ChainScreen screen;
    screen.SetPoints(705);
    std::vector<int> starts;
    for (const auto& d : screen.divisions()) starts.push_back(d.start);
    std::vector<int> expected;
    for (int i = 0; i <= 660; i += 60) expected.push_back(i);
    expected.push_back(705);
    EXPECT_EQ(starts, expected);
    for (const auto& d : screen.divisions()) EXPECT_EQ(d.weight, 28);
}

TEST(MeasurementKeys, ArrowStepsByTheValuesUnit) {
    struct Case {
        uint64_t value;
        uint32_t key;
        uint64_t step;
    };
    const Case cases[] = {
        {1000000, plat::VK_RIGHT, 1000000},
        {1000000, plat::VK_UP, 100000},
        {999, plat::VK_LEFT, 1},
        {999, plat::VK_DOWN, 0},
        {3600000000, plat::VK_RIGHT, 1000000000},
        {1000, plat::VK_UP, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMeasurementBase::ArrowStep(c.value, c.key), c.step) << c.value << " " << c.key;
}

TEST(MeasurementKeys, StepKeyDownSaturatesAtOneHertzAndTheSpanFloorHolds) {
    ChainScreen screen;
    CFrequencyRange* range = screen.sa_.GetFrequencyRange();
    screen.SetLastKey(0, CMeasurementBase::kKeyStep);
    range->SetStep(5000);
    screen.FrequencyArrow(plat::VK_DOWN);
    EXPECT_EQ(range->GetStep(), 1u);
    screen.FrequencyArrow(plat::VK_LEFT);
    EXPECT_EQ(range->GetStep(), 1u);
    screen.FrequencyKnob(-240);
    EXPECT_EQ(range->GetStep(), 1u);
    screen.FrequencyArrow(plat::VK_RIGHT);
    EXPECT_EQ(range->GetStep(), 1000001u);
    // Spans below 1 kHz are ignored; 1 kHz is taken.
    const uint64_t span = range->GetSpan();
    screen.SetFrequencyValue(CMeasurementBase::kKeySpan, 999);
    EXPECT_EQ(range->GetSpan(), span);
    screen.SetFrequencyValue(CMeasurementBase::kKeySpan, 1000);
    EXPECT_EQ(range->GetSpan(), 1000u);
}

TEST(MeasurementRecords, ATextOfAtMost256BytesIsKeptWithItsLength) {
    ChainScreen screen;
    const std::string text(257, 'x');
    screen.ShowRecordText(text.data(), 256, 2);
    EXPECT_EQ(screen.RecordTextLength(), 256u);
    screen.ShowRecordText(text.data(), 257, 2);
    EXPECT_EQ(screen.RecordTextLength(), 256u) << "257 bytes are refused";
}

TEST(AudioStream, AStreamShorterThanTwoBuffersStaysSilent) {
    ChainScreen screen;
    std::vector<int16_t> samples(79999, 7);
    screen.AppendAudioSamples(samples.data(), static_cast<uint32_t>(samples.size()));
    screen.PumpAudio();
    EXPECT_FALSE(screen.Streaming());
    EXPECT_EQ(screen.PlayBuffer(), 0);
    const int16_t one = 1;
    screen.AppendAudioSamples(&one, 1);
    screen.PumpAudio();
    EXPECT_TRUE(screen.Streaming());
    EXPECT_EQ(screen.PlayBuffer(), 1) << "the first full buffer is handed over";
}

}  // namespace

// The measurement screen base on its own: the chain of measurements and the
// division table of the sweep axis.
#include <gtest/gtest.h>

#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
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

}  // namespace

// The data path's arithmetic on synthetic traces: trace modes, column
// levels, peak and valley detection with its ranking, limit segments.
#include "screens/trace_processing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Lists {
    std::vector<int32_t> peaks, valleys;
};

// Runs the detection over a whole trace and ranks both lists.
Lists Detect(const std::vector<double>& levels, double threshold) {
    trace::PointList peaks, valleys;
    const int n = static_cast<int>(levels.size());
    peaks.Reset(n / 2);
    valleys.Reset(n / 2);
    trace::PeakDetector d;
    for (int i = 0; i < n; ++i)
        d.Step(levels[static_cast<size_t>(i)], i, n - 1, threshold, peaks, valleys);
    Lists out;
    std::vector<double> pl(static_cast<size_t>(peaks.count)),
        vl(static_cast<size_t>(valleys.count));
    out.peaks.resize(static_cast<size_t>(peaks.count));
    out.valleys.resize(static_cast<size_t>(valleys.count));
    trace::RankSort(peaks, true, out.peaks, pl);
    trace::RankSort(valleys, false, out.valleys, vl);
    return out;
}

TEST(PeakDetection, SyntheticTraces) {
    struct Case {
        const char* name;
        std::vector<double> levels;
        double threshold;
        std::vector<int32_t> peaks;
    };
    const std::vector<Case> cases = {
        {"constant", std::vector<double>(20, -50.0), -200, {}},
        // A move of exactly 3.0 dB is no turn.
        {"exact 3 dB", {-50, -47, -50, -47, -50, -47, -50, -50}, -200, {}},
        // Three equal peaks: listed right to left, each once.
        {"three equal peaks", {-60, -40, -60, -60, -40, -60, -60, -40, -60, -60}, -200, {7, 4, 1}},
        // A peak below the threshold is left out.
        {"below threshold", {-60, -40, -60, -60, -55, -60, -60, -60}, -50, {1}},
        // Still rising at the last point: listed when it reaches T.
        {"rising end", {-60, -60, -60, -50, -45}, -50, {4}},
    };
    for (const Case& c : cases) {
        const Lists got = Detect(c.levels, c.threshold);
        EXPECT_EQ(got.peaks, c.peaks) << c.name;
    }
    EXPECT_TRUE(Detect(std::vector<double>(20, -50.0), -200).valleys.empty());
}

TEST(LimitSegments, ALevelOnALineFailsAndLongRunsSplitEverySixtyPoints) {
    std::vector<int32_t> starts(64), codes(64);
    trace::LimitSegmenter s;
    s.Reset(starts, codes, 60, 60);
    // 0..9 inside, 10 exactly on the upper line, 11..19 inside, 20 on the
    // lower line, then 100 points inside (split at 60).
    for (int i = 0; i < 130; ++i) {
        const double level = i == 10 ? -20.0 : i == 20 ? -80.0 : -50.0;
        s.Step(level, true, -20.0, true, -80.0, i);
    }
    s.Close(130);
    EXPECT_TRUE(s.upperFailed);
    EXPECT_TRUE(s.lowerFailed);
    const std::vector<int32_t> wantStarts = {0, 10, 11, 20, 21, 81, 130};
    const std::vector<int32_t> wantCodes = {28, 29, 28, 30, 28, 28, 28};
    EXPECT_EQ(std::vector<int32_t>(starts.begin(), starts.begin() + s.count + 1), wantStarts);
    EXPECT_EQ(std::vector<int32_t>(codes.begin(), codes.begin() + s.count + 1), wantCodes);
}

TEST(ColumnLevels, ScaleEdgesAndTinyRanges) {
    EXPECT_EQ(trace::ColumnLevel(5.0, 0.0, -100.0), 0) << "above the top";
    EXPECT_EQ(trace::ColumnLevel(0.0, 0.0, -100.0), 0);
    EXPECT_EQ(trace::ColumnLevel(-100.0, 0.0, -100.0), 210) << "at the bottom";
    EXPECT_EQ(trace::ColumnLevel(-50.0, 0.0, -100.0), 105);
    // A range below 0.001 maps as 0.001.
    EXPECT_EQ(trace::ColumnLevel(-0.0005, 0.0, 0.0), 105);
}

TEST(TraceModes, EachModeByTheSwitchesAndTheBoundaryCopies) {
    EXPECT_DOUBLE_EQ(trace::ApplyTraceMode(1, 1, 0, 0, -50, -40, 0.25), -47.5);
    EXPECT_DOUBLE_EQ(trace::ApplyTraceMode(0, 0, 1, 1, -50, -40, 1), -40);
    EXPECT_DOUBLE_EQ(trace::ApplyTraceMode(0, 0, 2, 2, -50, -40, 1), -50);
    // Set but not yet taken at a sweep boundary: clear/write.
    EXPECT_DOUBLE_EQ(trace::ApplyTraceMode(0, 0, 1, 0, -50, -60, 1), -60);
    EXPECT_DOUBLE_EQ(trace::ApplyTraceMode(1, 0, 0, 0, -50, -60, 0.5), -60);
}

}  // namespace

// The intake of sweep blocks keeps running results: a sweep fed in 64-point
// blocks ends every block with the level sum, extremes, peak and valley
// lists, limit segments, column levels and display set that the same sweep
// up to that block gives when taken in as one block, also when a setting
// changes half way, and each block's points are read once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "core/scoped_lock.h"
#include "screens/tests/intake_screen.h"

namespace {

constexpr int kBlock = 64;

// The intake screen with a view of its results.
class ResultsScreen : public IntakeScreen {
  public:
    using IntakeScreen::IntakeScreen;
    // What the working and display sets hold after a block, as text lines
    // so that a difference names its field; the fields named in `skip` are
    // left out.
    std::vector<std::string> Results(const std::set<std::string>& skip = {}) {
        std::vector<std::string> out;
        auto line = [&](const std::string& name, auto first, auto last) {
            if (skip.count(name)) return;
            std::string s = name + ":";
            for (auto it = first; it != last; ++it) s += " " + std::to_string(*it);
            out.push_back(s);
        };
        const int end = m_BlockEnd;
        const auto half = static_cast<ptrdiff_t>(m_PointCount / 2);
        out.push_back("sum " + std::to_string(m_LevelSum) + " max " + std::to_string(m_SweepMax) +
                      " min " + std::to_string(m_SweepMin) + " failed " +
                      std::to_string(m_UpperFailed) + std::to_string(m_LowerFailed));
        line("peaks", m_Peaks.index.begin(), m_Peaks.index.begin() + m_Peaks.count);
        line("peak levels", m_Peaks.level.begin(), m_Peaks.level.begin() + m_Peaks.count);
        line("valleys", m_Valleys.index.begin(), m_Valleys.index.begin() + m_Valleys.count);
        line("ranked peaks", m_SortedPeakIndex.begin(), m_SortedPeakIndex.begin() + half);
        line("ranked valleys", m_SortedValleyIndex.begin(), m_SortedValleyIndex.begin() + half);
        const auto segments = static_cast<ptrdiff_t>(work_.segmentCount) + 1;
        line("segments", work_.segmentStart.begin(), work_.segmentStart.begin() + segments);
        line("codes", work_.segmentCode.begin(), work_.segmentCode.begin() + segments);
        line("columns", m_ColumnRows.begin(), m_ColumnRows.end());
        ScopedLock guard(*this);
        line("shown", shown_.display.begin(), shown_.display.begin() + end);
        std::vector<int32_t> rows;
        for (int i = 0; i < end; ++i) rows.push_back(shown_.pixels[static_cast<size_t>(i)].row);
        line("rows", rows.begin(), rows.end());
        line("shown segments", shown_.segmentStart.begin(), shown_.segmentStart.begin() + segments);
        line("beep columns", shownColumnRows_.begin(), shownColumnRows_.end());
        out.push_back("received " + std::to_string(m_PointsReceived) + " average " +
                      std::to_string(m_SweepAverage) + " listed " + std::to_string(peakListCount));
        return out;
    }
    // Once the sweep is whole, the ranked lists hold the peaks best first
    // (highest) and the valleys best first (lowest), each entry once.
    bool RankedWhole() const {
        auto ranked = [](const trace::PointList& list, const std::vector<int32_t>& index,
                         const std::vector<double>& level, bool highest) {
            const auto n = static_cast<ptrdiff_t>(list.count);
            if (n == 0) return false;
            std::multiset<int32_t> found(list.index.begin(), list.index.begin() + n);
            std::multiset<int32_t> got(index.begin(), index.begin() + n);
            auto better = [&](double a, double b) { return highest ? a > b : a < b; };
            return found == got && std::is_sorted(level.begin(), level.begin() + n, better);
        };
        return ranked(m_Peaks, m_SortedPeakIndex, m_SortedPeakLevel, true) &&
               ranked(m_Valleys, m_SortedValleyIndex, m_SortedValleyLevel, false);
    }
    double Sum() const { return m_LevelSum; }
    double Threshold() const { return PeakThreshold(); }
};

// A carrier comb over a rippled floor, different in each sweep.
std::vector<float> Trace(int n, int sweep) {
    std::vector<float> t(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / n;
        double level = -95.0 + 4.0 * std::sin(i * 0.9 + sweep) + 3.0 * std::cos(i * 2.3);
        for (double c : {0.11, 0.37, 0.52, 0.83})
            level = std::max(level, -25.0 - 10 * c - 4e5 * (x - c) * (x - c));
        t[static_cast<size_t>(i)] = static_cast<float>(level);
    }
    return t;
}

struct Case {
    const char* name;
    int points;
    bool limits;
    int holdMode;
    // A setting changed after block 3 of the second sweep.
    enum Change { kNone, kLimit, kThreshold, kScale, kUnit } change;
};

void Apply(ResultsScreen& s, const Case& c, bool changed) {
    s.sa_.SetPeakHoldMode(c.holdMode);
    s.sa_.SetUpperLimitState(c.limits);
    s.sa_.SetLowerLimitState(c.limits);
    s.sa_.SetUpperLimitValue(changed && c.change == Case::kLimit ? -50 : -40);
    s.sa_.SetLowerLimitValue(-93);
    if (changed && c.change == Case::kThreshold) s.sa_.SetLevel(s.sa_.GetLevel() + 10);
    if (changed && c.change == Case::kScale) s.top = -10;
    if (changed && c.change == Case::kUnit) s.offset = 7;
    s.Retake();
}

TEST(SweepIntake, BlocksKeepTheRunningResultsOfTheWholeSweepSoFar) {
    const Case cases[] = {
        {"401 points", 401, true, 0, Case::kNone},
        {"705 points", 705, true, 1, Case::kNone},
        {"1001 points", 1001, true, 0, Case::kNone},
        {"11265 points", 11265, false, 1, Case::kNone},
        {"limit moved", 705, true, 0, Case::kLimit},
        {"threshold moved", 1001, false, 0, Case::kThreshold},
        {"scale moved", 401, true, 0, Case::kScale},
        {"unit changed", 705, true, 0, Case::kUnit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultsScreen blocks(c.points);
        // The threshold in the middle of the carriers: some peaks pass.
        blocks.sa_.SetLevel(blocks.sa_.GetLevel() - 60 - blocks.Threshold());
        const double level = blocks.sa_.GetLevel();
        Apply(blocks, c, false);
        const std::vector<float> first = Trace(c.points, 0), second = Trace(c.points, 1);
        for (int end = kBlock; end < c.points + kBlock; end += kBlock)
            blocks.Feed(first, std::min(end, c.points));
        int block = 0;
        for (int end = kBlock; end < c.points + kBlock; end += kBlock, ++block) {
            end = std::min(end, c.points);
            const bool changed = block > 3;
            if (block == 4) Apply(blocks, c, true);
            blocks.Feed(second, end);
            // The same two sweeps, each in one block, the second up to this
            // block.
            ResultsScreen whole(c.points);
            whole.sa_.SetLevel(level);
            Apply(whole, c, false);
            whole.Feed(first, c.points);
            if (changed) Apply(whole, c, true);
            whole.Feed(second, end);
            // The points before a changed scale or unit keep the rows and
            // levels they were shown with, whichever way they came in.
            std::set<std::string> skip;
            if (changed && (c.change == Case::kScale || c.change == Case::kUnit))
                skip = {"shown", "rows"};
            if (changed && c.change == Case::kUnit) skip.insert({"columns", "beep columns"});
            ASSERT_EQ(blocks.Results(skip), whole.Results(skip)) << "up to point " << end;
            if (end == c.points) {
                EXPECT_TRUE(blocks.RankedWhole());
            }
            // The sum is the points' own.
            const double sum = std::accumulate(second.begin(), second.begin() + end, 0.0,
                                               [&](double a, float v) { return a + v; });
            if (c.holdMode == 0) {
                EXPECT_NEAR(blocks.Sum(), sum, 1e-6 * std::fabs(sum));
            }
        }
    }
}

TEST(SweepIntake, EachPointOfASweepInBlocksIsReadOnce) {
    for (int points : {705, 11265}) {
        IntakeScreen s(points);
        const std::vector<float> t = Trace(points, 0);
        for (int sweep = 0; sweep < 2; ++sweep)
            for (int end = kBlock; end < points + kBlock; end += kBlock)
                s.Feed(t, std::min(end, points));
        EXPECT_EQ(s.reads, 2L * points) << points;
    }
}

}  // namespace

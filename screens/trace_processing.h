#pragma once
// The arithmetic of a measurement screen's data path, free of the screen:
// the trace modes, the column level of the waterfall and the level beep, the
// peak and valley detection with its 3 dB hysteresis, the ranking of the
// peak lists and the limit segmentation of a sweep.
#include <cstdint>
#include <vector>

namespace trace {

inline constexpr double kHysteresisDb = 3.0;
inline constexpr int kColumnSteps = 210;
inline constexpr double kMinScaleRange = 0.001;
// Limit segment codes (the colour indices of the trace pieces).
inline constexpr int32_t kCodeInside = 28;
inline constexpr int32_t kCodeAbove = 29;
inline constexpr int32_t kCodeBelow = 30;
// Levels that reset the sorted lists.
inline constexpr double kNoPeakLevel = -300.0;
inline constexpr double kNoValleyLevel = 300.0;

// One point of a trace mode: average (new = old (1 - w) + value w), maximum
// hold, minimum hold or clear/write, chosen as the sweep processing does
// from the setup's switches and the copies taken at the sweep boundary.
double ApplyTraceMode(int averagingMode, int averageOn, int peakHoldMode, int holdMode, double old,
                      double value, double w);

// The level as a step count below the top of the scale: 0 at or above the
// top, 210 at the bottom (more below it).
int32_t ColumnLevel(double level, double top, double bottom);

// A list of turning points: point indices with their levels, at most
// `capacity` entries (further ones are dropped).
struct PointList {
    std::vector<int32_t> index;
    std::vector<double> level;
    int count = 0;
    void Reset(int capacity);
    void Add(int32_t i, double l);
};

// The peak and valley detection of one sweep, point by point.
struct PeakDetector {
    double max = 0, min = 0;
    int maxIndex = 0, minIndex = 0;
    bool first = true;
    int direction = 0;  // 0 looking for a rise, 1 for a fall
    // `last` is the last index of the sweep (N - 1); peaks below
    // `threshold` are not listed.
    void Step(double level, int index, int last, double threshold, PointList& peaks,
              PointList& valleys);
};

// Ranks the list: peaks from the highest level down (valleys from the lowest
// up); entries of equal level are ranked the one found last first.
void RankSort(const PointList& list, bool highestFirst, std::vector<int32_t>& sortedIndex,
              std::vector<double>& sortedLevel);

// The limit segmentation of one sweep: segment starts and codes.
struct LimitSegmenter {
    std::vector<int32_t>* start = nullptr;
    std::vector<int32_t>* code = nullptr;
    int count = 0;
    int capacity = 0;
    int32_t current = kCodeInside;
    int origin = 0;
    bool outOfLimit = false;
    int segmentLength = 60;
    bool upperFailed = false, lowerFailed = false;

    void Reset(std::vector<int32_t>& starts, std::vector<int32_t>& codes, int cap, int length);
    // One point's displayed level against the limits that are on.
    void Step(double level, bool upperOn, double upper, bool lowerOn, double lower, int index);
    // Closes the list: the start of the next segment and its code.
    void Close(int end);

  private:
    void Open(int32_t c, int index);
};

}  // namespace trace

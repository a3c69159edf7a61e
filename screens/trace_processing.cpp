#include "screens/trace_processing.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace trace {

double ApplyTraceMode(int averagingMode, int averageOn, int peakHoldMode, int holdMode, double old,
                      double value, double w) {
    if (averagingMode == 1 && averageOn == 1) return old * (1.0 - w) + value * w;
    if (peakHoldMode == 1 && holdMode == 1) return std::max(old, value);
    if (peakHoldMode == 2 && holdMode == 2) return std::min(old, value);
    return value;
}

int32_t ColumnLevel(double level, double top, double bottom) {
    double range = top - bottom;
    if (range < kMinScaleRange) range = kMinScaleRange;
    if (level > top) return 0;
    const double v = (top - level) * std::fabs(kColumnSteps / range);
    return v < INT32_MAX ? static_cast<int32_t>(v) : INT32_MAX;
}

void PointList::Reset(int capacity) {
    index.assign(static_cast<size_t>(std::max(capacity, 0)), 0);
    level.assign(static_cast<size_t>(std::max(capacity, 0)), 0.0);
    count = 0;
}

void PointList::Add(int32_t i, double l) {
    if (count >= static_cast<int>(index.size())) return;
    index[static_cast<size_t>(count)] = i;
    level[static_cast<size_t>(count)] = l;
    ++count;
}

void PeakDetector::Step(double level, int index, int last, double threshold, PointList& peaks,
                        PointList& valleys) {
    if (index == 0) {
        max = min = level;
        maxIndex = minIndex = 0;
        first = true;
        direction = 0;
    } else {
        if (level > max) {
            max = level;
            maxIndex = index;
        }
        if (level < min) {
            min = level;
            minIndex = index;
        }
    }
    if (level > min + kHysteresisDb) {
        if (direction == 0 || first) {
            valleys.Add(minIndex, min);
            max = min = level;
            maxIndex = minIndex = index;
            first = false;
        }
        direction = 1;
        if (index >= last && level >= threshold) peaks.Add(index, level);
    }
    if (level < max - kHysteresisDb) {
        if (direction == 1 || first) {
            if (max >= threshold) peaks.Add(maxIndex, max);
            max = min = level;
            maxIndex = minIndex = index;
            first = false;
        }
        direction = 0;
        if (index >= last) valleys.Add(index, level);
    }
}

void RankSort(const PointList& list, bool highestFirst, std::vector<int32_t>& sortedIndex,
              std::vector<double>& sortedLevel) {
    std::vector<int> order(static_cast<size_t>(list.count));
    std::iota(order.begin(), order.end(), 0);
    // Rank = entries strictly beyond it, then equal ones found later first.
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const double la = list.level[static_cast<size_t>(a)];
        const double lb = list.level[static_cast<size_t>(b)];
        if (la != lb) return highestFirst ? la > lb : la < lb;
        return a > b;
    });
    for (size_t r = 0; r < order.size() && r < sortedIndex.size(); ++r) {
        sortedIndex[r] = list.index[static_cast<size_t>(order[r])];
        sortedLevel[r] = list.level[static_cast<size_t>(order[r])];
    }
}

void LimitSegmenter::Reset(std::vector<int32_t>& starts, std::vector<int32_t>& codes, int cap,
                           int length) {
    start = &starts;
    code = &codes;
    capacity = std::min<int>(cap, static_cast<int>(starts.size()) - 1);
    count = 0;
    current = kCodeInside;
    origin = 0;
    outOfLimit = false;
    segmentLength = length;
    if (!starts.empty()) starts[0] = 0;
}

void LimitSegmenter::Open(int32_t c, int index) {
    if (count >= capacity) return;
    (*code)[static_cast<size_t>(count)] = c;
    if (index > 0) (*start)[static_cast<size_t>(count)] = index;
    origin = index;
    current = c;
    ++count;
}

void LimitSegmenter::Step(double level, bool upperOn, double upper, bool lowerOn, double lower,
                          int index) {
    if (count >= capacity) return;
    const bool above = upperOn && level >= upper;
    const bool below = !above && lowerOn && level <= lower;
    if (above || below) {
        if (!outOfLimit) {
            Open(above ? kCodeAbove : kCodeBelow, index);
            (above ? upperFailed : lowerFailed) = true;
        }
        outOfLimit = true;
    } else {
        if (outOfLimit || count == 0) Open(kCodeInside, index);
        outOfLimit = false;
    }
    if (index - origin == segmentLength) Open(current, index);
}

void LimitSegmenter::Close(int end) {
    if (!start || count >= static_cast<int>(start->size())) return;
    (*start)[static_cast<size_t>(count)] = end;
    (*code)[static_cast<size_t>(count)] = current;
}

}  // namespace trace

#pragma once
// The trace data a measurement hands to the graph: one record the screen
// writes and the graph draws from, reachable only while the writer holds the
// graph's lock (CGraphWidget::LockData). Every array has room for
// kGraphPoints entries; the graph keeps every index it uses inside the
// points received and that room, whatever the counters say.
#include <cstdint>
#include <vector>

#include "platform/gfx/geometry.h"

inline constexpr int kGraphPoints = 11265;
// The state codes of a limit segment, which are also the scheme entries of
// its pen: inside the limits, failed, no limit test.
inline constexpr int32_t kSegmentPass = 29;
inline constexpr int32_t kSegmentFail = 30;
inline constexpr int32_t kSegmentNone = 28;

struct GraphData {
    GraphData();

    // Per point: position (hertz, time or distance by the x-axis kind), the
    // live and reference levels, and the screen points of the four traces.
    std::vector<uint64_t> positions;
    std::vector<double> liveLevels;
    std::vector<double> referenceLevels;
    std::vector<plat::Point> livePoints;
    std::vector<plat::Point> referencePoints;
    std::vector<plat::Point> stored1Points;
    std::vector<plat::Point> stored2Points;
    // Segment k spans the points segmentEnds[k] .. segmentEnds[k + 1] with
    // state code stateCodes[k]; segmentCount segments.
    std::vector<int32_t> segmentEnds;
    std::vector<int32_t> stateCodes;
    // The waterfall's newest row: one level 0..255 per column.
    std::vector<int32_t> columnLevels;
    // Point indices of the peak search, one per marker.
    std::vector<int32_t> indexA;
    std::vector<int32_t> indexB;

    int32_t received = 0;  // points of the sweep that arrived
    int32_t total = 0;     // points of the sweep
    int32_t first = 0;     // first point to draw
    int32_t last = 0;      // last point to draw
    int32_t segmentCount = 0;

    bool liveShown = true;
    bool referenceShown = false;
    bool stored1Shown = false;
    bool stored2Shown = false;
    bool segmentColoring = false;

    // Shown in the full-screen layout's bottom labels.
    uint64_t startFrequency = 0;
    uint64_t centerFrequency = 0;
    uint64_t stopFrequency = 0;
};

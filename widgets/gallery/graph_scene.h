#pragma once
// The graph scenes of the gallery, the pixel tests and the benchmarks: a
// closed-form sweep (a carrier over a rippled noise floor) written into the
// graph the way a screen writes it, six marker records as a setup owns them,
// and the pictures of a graph over a window.
#include <cmath>
#include <memory>
#include <vector>

#include "widgets/graph_panel.h"

namespace gallery {

inline constexpr int kSweepPoints = 705;
inline constexpr double kScaleTop = 20.0;      // dBm at the top line
inline constexpr double kScaleBottom = -80.0;  // and at the bottom line
inline constexpr uint64_t kStartHz = 100000000;
inline constexpr uint64_t kStepHz = 1000000;
inline constexpr int kCarrierPoint = 500;

// The level of point i: -70 dBm noise with a ripple and a carrier of
// -10 dBm at kCarrierPoint.
inline double SweepLevel(int i) {
    const double d = (i - kCarrierPoint) / 6.0;
    return -70.0 + 4.0 * std::sin(i * 0.37) + 60.0 * std::exp(-d * d);
}
inline constexpr double kReferenceLevel = -40.0;
inline constexpr double kUpperLimit = -20.0;
inline constexpr double kLowerLimit = -75.0;

// Writes the sweep as one segment of `state` (or, with `limits`, three
// segments: pass, fail around the carrier, pass) with the reference and the
// two limit lines; column levels follow the sweep.
void FillSweep(CGraphWidget& g, int points = kSweepPoints, int32_t state = kSegmentNone,
               bool limits = false);
// Sets every column level of the next waterfall row to `level`.
void FillColumns(CGraphWidget& g, int level);

// Six records with ids 0..5, as a setup owns them.
struct MarkerRecords {
    MarkerRecords();
    std::vector<std::unique_ptr<CValueRecord>> owned;
    std::vector<CValueRecord*> ptrs;
};

// Hands the graph the records and turns on markers 1 to 4 around the
// carrier, two as flags and two as lines, with a delta.
void PlaceSampleMarkers(CGraphPanel& panel, MarkerRecords& records);

}  // namespace gallery

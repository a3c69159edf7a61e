#pragma once
// The arithmetic of the network analyzer screen, kept apart from its state:
// the displayed value of a point, the automatic scale, the axis labels, the
// smoothed cable-loss point, the end index of a cable-loss block, the error
// terms of a board reply, the DC-bias current and the IFBW texts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/text.h"

namespace vna {

// The measurement types, as the current measurement reports them.
enum Type : int { kMatch = 1, kDistanceToFault = 2, kCableLoss = 3, kGain = 4 };

// The measure unit's limits of the amplitude scale and its smallest step.
struct UnitScale {
    uint32_t unit = 0;
    double top_limit = 0, bottom_limit = -100;
    double min_step = 0;
};

// The value shown for a point the board measured (dB): distance to fault
// converted into the measure unit; cable loss and gain plus the offset;
// match plus twice the offset (the cable is passed twice), converted. The
// result lies within the unit's limits.
double ToDisplayValue(int type, double db, double offset, const UnitScale& scale);

// The automatic scale of a trace whose highest and lowest values are
// `highest` and `lowest` (dB as measured). `top` and `bottom` are the values
// first stored (within the unit's limits); `final_top` and `final_bottom`
// the ten-division scale stored after them (the setup clamps both again).
struct AutoScale {
    double top = 0, bottom = 0;
    double final_top = 0, final_bottom = 0;
};
AutoScale Autoscale(int type, double highest, double lowest, double offset, const UnitScale& scale);

// The ten graticule labels' values: bottom + k (top - bottom) / 10.
std::array<double, 10> AxisLabelValues(double top, double bottom);

// A cable-loss point re-processed from the sweep's points `a` (n of them):
// a tenth of the sum of the five points k, k + 2, .., k + 8 with
// k = (n - 10) x / (n - 1), which is the one-way loss of a trace measured
// both ways. 0 when the sweep has fewer than 10 points or x is outside it.
double SmoothedValue(const double* a, int n, int x);

// The end index of a cable-loss block of `block` points in a sweep of
// `points`: the block's start index when it holds the whole sweep, else
// (points - 1)(block - 10)/(points - 10), within 0..points; 0 for a block of
// fewer than 10 points.
int CableLossBlockEnd(int start_index, int block, int points);

// The error term of a term reply: `points` pairs of 32-bit floats (real part
// first) into `buffer` (8 bytes a point) from the reply's `values` (two a
// point). False, with the buffer untouched, when the reply holds fewer than
// two values a point.
bool TermFromReply(const float* values, uint32_t value_count, int points, uint8_t* buffer);

// The trace modes of the setup (averaging and hold mode) and the states the
// screen keeps of them (1 averaging, 1 maximum hold, 2 minimum hold).
struct TraceModes {
    int averaging_mode = 0, averaging_state = 0;
    int hold_mode = 0, hold_state = 0;
};
// A point of a streamed distance-to-fault block with the new value `value`:
// averaged with weight `w`, or held against the held reference `hold` (the
// working value stays while the reference lies beyond the new value), or
// simply the new value.
double DtfTraceStep(const TraceModes& modes, double working, double hold, double value, double w);

// The DC-bias current word counts 1/255 mA: the current in milliamperes.
double BiasCurrentMilliamps(uint32_t word);
// Whether a current (mA) is below the limit (mA), compared in single
// precision.
bool BelowCurrentLimit(double milliamps, double limit_milliamps);

// The string id of an IFBW choice (100 Hz .. 1 MHz); none outside 0..8.
std::optional<uint32_t> IfbwTextId(int index);

}  // namespace vna

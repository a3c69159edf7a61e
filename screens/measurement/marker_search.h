#pragma once
// The arithmetic of marker movement and peak search. The sweep processing
// keeps four lists of point indices (peaks and minima, each sorted by level
// and by position); these functions choose an entry of them and the number
// of points a key or the wheel moves a marker. They never read past a list.
#include <cstdint>
#include <span>

class CMeasSetup;

namespace marker_search {

// One wheel notch.
inline constexpr int kWheelNotch = 120;
// The pixel columns a trace is shown on.
inline constexpr int kDisplayColumns = 705;

// The next cursor into a level list of `count` entries: 0 on a restart,
// else one further; a cursor at or beyond the end (a list that became
// shorter since the last step) wraps to 0. -1 when the list is empty.
int AdvanceCursor(int cursor, int count, bool restart);

// The first peak strictly right of `point` in a list sorted by position, or
// the rightmost one when none is; -1 for an empty list.
int32_t EntryRightOf(std::span<const int32_t> by_position, int32_t point);
// The last peak strictly left of `point`, or the leftmost one; -1 for an
// empty list.
int32_t EntryLeftOf(std::span<const int32_t> by_position, int32_t point);

// Points one arrow press moves a marker: 1 while the repeat count is below
// 3, else the repeat count plus the whole part of
// (repeat x points / 705 + 0.5).
int ArrowStepPoints(int repeat, int data_points);
// Points a wheel delta moves a marker: |delta| / 120.
int KnobStepPoints(int delta);

// The displayed noise level in dBm the peak threshold is measured from:
// 10 log10(RBW) - 155 - preamplifier level x preamplifier mode +
// attenuation, RBW from the setup's bandwidth settings.
double DisplayedNoiseLevel(const CMeasSetup& setup);
// The absolute peak threshold: the setup's threshold offset above the
// displayed noise level.
double AbsolutePeakThreshold(const CMeasSetup& setup);

// The peak threshold offset's range.
inline constexpr double kThresholdMin = -50.0;
inline constexpr double kThresholdMax = 300.0;

}  // namespace marker_search

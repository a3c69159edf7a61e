#pragma once
// Limit lines and emission masks: a mask is a list of points, each a
// frequency offset from a reference frequency with a level relative to a
// reference level (or an absolute level in dBm). The flat line "LINE" is a
// mask of one point at offset 0 and 0 dB. The free functions here are the
// pure operations on a mask: the built-in masks, the projection onto the
// trace points, the mirror image and the point edits of the editor.
#include <array>
#include <cstdint>
#include <vector>

#include "core/text.h"

struct LimitMask;

struct MaskPoint {
    int64_t offset = 0;    // Hz from the reference frequency (negative below)
    double level = 0;      // dB relative to the reference level, or dBm
    int32_t absolute = 0;  // 1: the level is absolute (dBm)
};

struct EmissionMask {
    static constexpr int kMaxPoints = 71;
    core::Text name;
    int32_t count = 0;
    uint64_t refFrequency = 0;
    double refLevel = 0;
    int32_t refLevelFlag = 0;      // 1: the stored reference level applies
    int32_t refFrequencyFlag = 0;  // 1: the stored reference frequency applies
    std::array<MaskPoint, kMaxPoints> points{};
    // The rows the last projection put before the first point (at absolute
    // frequency 0) and behind the last one: the outer neighbours of the
    // first and the last point when a point moves.
    MaskPoint front, back;
};

namespace limit_mask {

// The flat line: one point {0 Hz, 0 dB}.
inline constexpr const char16_t* kLineName = u"LINE";
EmissionMask LineMask();
// The built-in masks of the upper and the lower list, without "LINE".
const std::vector<EmissionMask>& BuiltInUpperMasks();
const std::vector<EmissionMask>& BuiltInLowerMasks();

// The trace point of a frequency: 0 unless frequency > start and span > 0,
// else points x (frequency - start) / span, at most `points`.
int FrequencyToPoint(uint64_t start, uint64_t frequency, uint64_t span, int points);

// A point placed in the mask by the editor for the projection only.
struct ReferencePoint {
    bool active = false;
    MaskPoint point;
};

// The limit at each of `points` trace points of a sweep from `start` over
// `span`: the mask's points at `refFrequency` + offset, their levels on
// `refLevel` (absolute ones as they are), joined by straight lines between
// trace points and continued flat outside the mask. The extension rows are
// left in mask.front and mask.back.
std::vector<double> Project(EmissionMask& mask, double refLevel, uint64_t refFrequency,
                            uint64_t start, uint64_t span, int points,
                            const ReferencePoint& reference = {});

// Levels compare in hundredths of a dB.
bool SameLevel(double a, double b);
bool SamePoint(const MaskPoint& a, const MaskPoint& b);
// The centre point: offset 0 at 0 dB.
bool IsCentrePoint(const MaskPoint& p);

// The mirror image: the points before the first point at offset 0 are
// mirrored behind it (2k + 1 points). False, nothing changed, without a
// point at offset 0 or when the image would not fit.
bool Mirror(EmissionMask& mask);
// Inserts `p` behind the last point whose offset is not greater than its
// own; its 1-based index, or 0 when the mask is full or holds the point.
int InsertPoint(EmissionMask& mask, const MaskPoint& p);
// Removes point `index` (1-based); refused for the only point, for an index
// outside the mask and for a point at offset 0.
bool RemovePoint(EmissionMask& mask, int index);
// Moves point `index` (1-based) to `p` when its offset lies strictly between
// its neighbours' (the extension rows for the first and last point).
bool MovePoint(EmissionMask& mask, int index, const MaskPoint& p);

// A name that a mask file keeps: not empty, no comma, tab or line break.
bool ValidMaskName(const core::Text& name);

// The record of a mask file and back.
EmissionMask FromFileMask(const LimitMask& m);
LimitMask ToFileMask(const EmissionMask& m, bool upper);

}  // namespace limit_mask

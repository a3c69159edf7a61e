#include "screens/vna/vna_settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/units.h"

namespace vna {

namespace {

// The board's levels are reflections in dB.
constexpr uint32_t kBoardUnit = UNIT_DB;
constexpr double kMinGap = 0.01;
constexpr double kGainTop = 60.0, kGainBottom = -140.0;
constexpr double kReflectionTop = 0.0, kReflectionBottom = -100.0;
constexpr double kDivisionShare = 0.105;
constexpr int kDivisions = 10;
constexpr int kSmoothingWindow = 10;
constexpr uint32_t kFirstIfbwText = 899;
constexpr int kIfbwChoices = 9;

double OffsetFor(int type, double offset) {
    switch (type) {
        case kCableLoss:
        case kGain:
            return offset;
        case kMatch:
            return 2 * offset;
        default:
            return 0.0;
    }
}

}  // namespace

double ToDisplayValue(int type, double db, double offset, const UnitScale& scale) {
    double v = db + OffsetFor(type, offset);
    if (type == kMatch || type == kDistanceToFault)
        v = ConvertReflectionUnit(v, scale.unit, kBoardUnit);
    if (std::isnan(v)) v = scale.bottom_limit;
    return std::clamp(v, scale.bottom_limit, scale.top_limit);
}

AutoScale Autoscale(int type, double highest, double lowest, double offset,
                    const UnitScale& scale) {
    double t = highest + OffsetFor(type, offset);
    double b = lowest + OffsetFor(type, offset);
    const double hi = type == kGain ? kGainTop : kReflectionTop;
    const double lo = type == kGain ? kGainBottom : kReflectionBottom;
    // An empty trace (NaN) reads as the whole range.
    t = std::isnan(t) ? hi : std::min(t, hi);
    b = std::isnan(b) ? lo : std::max(b, lo);
    if (b > t - kMinGap) {
        if (t < lo - kMinGap) t = lo + kMinGap;
        b = t - kMinGap;
    }
    if (type == kMatch || type == kDistanceToFault) {
        if (scale.unit == UNIT_MATCH_EFF) std::swap(t, b);
        t = ConvertReflectionUnit(t, scale.unit, kBoardUnit);
        b = ConvertReflectionUnit(b, scale.unit, kBoardUnit);
    }
    AutoScale out;
    out.top = t = std::min(t, scale.top_limit);
    out.bottom = b = std::max(b, scale.bottom_limit);
    const double m = scale.min_step;
    const double r = m != 0 ? 1.0 / m : 0.0;
    double d = m != 0 ? std::ceil((t - b) / m * kDivisionShare) * m : 0.0;
    d = std::min(d, (scale.top_limit - scale.bottom_limit) * 0.1);
    d = std::max(d, m);
    // With no smallest step the scale cannot be rounded: it keeps the values.
    const auto down = [r](double v) { return r != 0 ? std::floor(v * r) / r : v; };
    if (t >= scale.top_limit) {
        out.final_top = scale.top_limit;
        out.final_bottom = down(out.final_top - kDivisions * d);
    } else if (b <= scale.bottom_limit) {
        out.final_bottom = scale.bottom_limit;
        out.final_top = down(out.final_bottom + kDivisions * d);
    } else {
        out.final_bottom = down(b);
        out.final_top = out.final_bottom + kDivisions * d;
    }
    return out;
}

std::array<double, 10> AxisLabelValues(double top, double bottom) {
    std::array<double, 10> v{};
    for (size_t k = 0; k < v.size(); ++k)
        v[k] = bottom + static_cast<double>(k) * (top - bottom) * 0.1;
    return v;
}

double SmoothedValue(const double* a, int n, int x) {
    if (!a || n < kSmoothingWindow || x < 0 || x >= n) return 0.0;
    const auto k = static_cast<size_t>(
        (static_cast<uint64_t>(n - kSmoothingWindow) * static_cast<uint64_t>(x)) /
        static_cast<uint64_t>(n - 1));
    double sum = 0;
    for (size_t j = 0; j < kSmoothingWindow; j += 2) sum += a[k + j];
    return 0.1 * sum;
}

int CableLossBlockEnd(int start_index, int block, int points) {
    if (block >= points) return std::clamp(start_index, 0, std::max(points, 0));
    if (block < kSmoothingWindow || points <= kSmoothingWindow) return 0;
    const int64_t end = (int64_t{points} - 1) * (int64_t{block} - kSmoothingWindow) /
                        (int64_t{points} - kSmoothingWindow);
    return static_cast<int>(std::clamp<int64_t>(end, 0, points));
}

bool TermFromReply(const float* values, uint32_t value_count, int points, uint8_t* buffer) {
    if (!values || !buffer || points <= 0 || value_count / 2 < static_cast<uint32_t>(points))
        return false;
    std::memcpy(buffer, values, static_cast<size_t>(points) * 2 * sizeof(float));
    return true;
}

double BiasCurrentMilliamps(uint32_t word) {
    return word / 255.0;
}

bool BelowCurrentLimit(double milliamps, double limit_milliamps) {
    return static_cast<float>(milliamps) < static_cast<float>(limit_milliamps);
}

std::optional<uint32_t> IfbwTextId(int index) {
    if (index < 0 || index >= kIfbwChoices) return std::nullopt;
    return kFirstIfbwText + static_cast<uint32_t>(index);
}

double DtfTraceStep(const TraceModes& m, double working, double hold, double value, double w) {
    if (m.averaging_mode == 1 && m.averaging_state == 1) return working * (1.0 - w) + value * w;
    if (m.hold_mode == 1 && m.hold_state == 1) return hold > value ? working : value;
    if (m.hold_mode == 2 && m.hold_state == 2) return hold < value ? working : value;
    return value;
}

}  // namespace vna

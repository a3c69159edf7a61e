#include "screens/limit_mask.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "files/formats/limit_mask_file.h"

namespace limit_mask {

namespace {

constexpr double kHundredths = 100.0;

EmissionMask Make(const char16_t* name, std::initializer_list<MaskPoint> points) {
    EmissionMask m;
    m.name = name;
    for (const MaskPoint& p : points) m.points[static_cast<size_t>(m.count++)] = p;
    return m;
}

// Offset in Hz, level in dB; an absolute (dBm) level is marked 1.
constexpr MaskPoint P(int64_t offset, double level, int32_t absolute = 0) {
    return {offset, level, absolute};
}

std::vector<EmissionMask> UpperTable() {
    return {
        Make(u"IBOC AM",
             {P(-75000, -85), P(-30500, -72), P(-25000, -65), P(-15800, -65), P(-15200, -39),
              P(-15200, -28), P(-10000, -28), P(-10000, -32), P(-5000, -32),  P(-5000, 0),
              P(0, 0),        P(5000, 0),     P(5000, -32),   P(10000, -32),  P(10000, -28),
              P(15200, -28),  P(15200, -39),  P(15800, -65),  P(25000, -65),  P(30500, -72),
              P(75000, -85)}),
        Make(u"IBOC FM", {P(-600000, -80), P(-540000, -74.4), P(-250000, -74.4), P(-200000, -61.4),
                          P(-200000, -40), P(-100000, -40), P(-100000, 0), P(0, 0), P(100000, 0),
                          P(100000, -40), P(200000, -40), P(200000, -61.4), P(250000, -74.4),
                          P(540000, -74.4), P(600000, -80)}),
        Make(u"DTV Upper",
             {P(-200000000, -44), P(-40000000, -64), P(-9000000, -64), P(-3250000, -18),
              P(-3250000, 0), P(0, 0), P(3250000, 0), P(3250000, -18), P(9000000, -64),
              P(40000000, -64), P(90000000, -44), P(1500000000, -44), P(1500000000, -64)}),
        Make(u"Cell22.917", {P(-45000, -60), P(-45000, -26), P(-20000, -26), P(-20000, 0), P(0, 0),
                             P(20000, 0), P(20000, -26), P(45000, -26), P(45000, -60)}),
        Make(u"Part90-B", {P(-50000, -13, 1), P(-50000, -35), P(-20000, -35), P(-20000, -25),
                           P(-10000, -25), P(-10000, 0), P(0, 0), P(10000, 0), P(10000, -25),
                           P(20000, -25), P(20000, -35), P(50000, -35), P(50000, -13, 1)}),
        Make(u"Part90-D", {P(-12500, -20, 1), P(-5625, -20), P(-5625, 0), P(0, 0), P(5625, 0),
                           P(5625, -20), P(12500, -20, 1)}),
        Make(u"Part90-E", {P(-4600, -25, 1), P(-3000, -30), P(-3000, 0), P(0, 0), P(3000, 0),
                           P(3000, -30), P(4600, -25, 1)}),
        Make(u"WiMAX10",
             {P(-14750000, -50), P(-9750000, -32), P(-5450000, -25), P(-4750000, 0), P(0, 0),
              P(4750000, 0), P(5450000, -25), P(9750000, -32), P(14750000, -50)}),
        Make(u"WiMAX20",
             {P(-29500000, -50), P(-19500000, -32), P(-10500000, -25), P(-9500000, 0), P(0, 0),
              P(9500000, 0), P(10500000, -25), P(19500000, -32), P(29500000, -50)}),
        Make(u"WiMAX10x3",
             {P(-18000000, -37), P(-18000000, -13), P(-16000000, -13), P(-16000000, -3),
              P(-15000000, -3), P(-15000000, 0), P(0, 0), P(15000000, 0), P(15000000, -3),
              P(16000000, -3), P(16000000, -13), P(18000000, -13), P(18000000, -37)}),
        Make(u"NRSC_2_A", {P(-75000, -80), P(-75000, -65), P(-60000, -65), P(-30000, -35),
                           P(-20000, -35), P(-20000, -25), P(-10200, -25), P(-10200, 0), P(0, 0),
                           P(10200, 0), P(10200, -25), P(20000, -25), P(20000, -35), P(30000, -35),
                           P(60000, -65), P(75000, -65), P(75000, -80)}),
    };
}

std::vector<EmissionMask> LowerTable() {
    return {Make(u"DTV Lower",
                 {P(-3000000, -300), P(-3000000, -2), P(-2690000, -2), P(-2690000, 0), P(0, 0),
                  P(2690000, 0), P(2690000, -2), P(3000000, -2), P(3000000, -300)})};
}

int64_t SignedHz(uint64_t hz) {
    return static_cast<int64_t>(std::min<uint64_t>(hz, std::numeric_limits<int64_t>::max() / 4));
}

}  // namespace

EmissionMask LineMask() {
    return Make(kLineName, {P(0, 0)});
}

const std::vector<EmissionMask>& BuiltInUpperMasks() {
    static const std::vector<EmissionMask> table = UpperTable();
    return table;
}

const std::vector<EmissionMask>& BuiltInLowerMasks() {
    static const std::vector<EmissionMask> table = LowerTable();
    return table;
}

int FrequencyToPoint(uint64_t start, uint64_t frequency, uint64_t span, int points) {
    if (frequency <= start || span == 0 || points <= 0) return 0;
    const uint64_t p = static_cast<uint64_t>(points) * (frequency - start) / span;
    return static_cast<int>(std::min<uint64_t>(p, static_cast<uint64_t>(points)));
}

namespace {

// The point index of a frequency on the sweep's axis, continued beyond both
// ends (negative left of the start): a mask row off the screen keeps its
// place, so the line crossing the edge keeps its slope there.
int64_t PointOutsideOrIn(uint64_t start, int64_t frequency, uint64_t span, int points) {
    if (span == 0 || points <= 0) return 0;
    // In doubles: the product of a far-off frequency and the point count
    // may pass 64 bits; on the screen the quotient is exact.
    const double from = static_cast<double>(frequency) - static_cast<double>(start);
    const double point = std::floor(static_cast<double>(points) * from / static_cast<double>(span));
    constexpr double kFar = 1e15;
    return static_cast<int64_t>(std::clamp(point, -kFar, kFar));
}

}  // namespace

std::vector<double> Project(EmissionMask& mask, double refLevel, uint64_t refFrequency,
                            uint64_t start, uint64_t span, int points,
                            const ReferencePoint& reference) {
    const int64_t x0 = SignedHz(refFrequency);
    const int count = std::clamp(mask.count, 0, EmissionMask::kMaxPoints);
    std::vector<MaskPoint> rows;
    rows.reserve(static_cast<size_t>(count) + 3);
    MaskPoint front{-x0, 0, 0}, back{x0, 0, 0};
    if (count > 0) {
        const MaskPoint& first = mask.points[0];
        const MaskPoint& last = mask.points[static_cast<size_t>(count - 1)];
        front.level = first.level, front.absolute = first.absolute;
        back.level = last.level, back.absolute = last.absolute;
    }
    const MaskPoint& r = reference.point;
    const bool refLeft = reference.active && (count == 0 || r.offset < mask.points[0].offset);
    const bool refRight = reference.active && count > 0 &&
                          r.offset >= mask.points[static_cast<size_t>(count - 1)].offset;
    if (refLeft) front.level = r.level, front.absolute = r.absolute;
    if (refRight && !refLeft) back.level = r.level, back.absolute = r.absolute;
    rows.push_back(front);
    for (int i = 0; i < count; ++i) {
        rows.push_back(mask.points[static_cast<size_t>(i)]);
        const bool inside = reference.active && !refLeft && !refRight && i + 1 < count &&
                            mask.points[static_cast<size_t>(i)].offset <= r.offset &&
                            r.offset < mask.points[static_cast<size_t>(i + 1)].offset;
        if (inside) rows.push_back(r);
    }
    rows.push_back(back);
    mask.front = front;
    mask.back = back;

    const size_t n = rows.size();
    std::vector<int64_t> x(n);
    std::vector<double> y(n), slope(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const int64_t f = std::max<int64_t>(0, x0 + rows[i].offset);
        x[i] = PointOutsideOrIn(start, f, span, points);
        y[i] = rows[i].absolute == 1 ? rows[i].level : refLevel + rows[i].level;
        if (i > 0 && x[i] != x[i - 1])
            slope[i] = (y[i] - y[i - 1]) / static_cast<double>(x[i] - x[i - 1]);
    }
    std::vector<double> limit(static_cast<size_t>(std::max(points, 0)));
    size_t i = 1;
    for (int p = 0; p < points; ++p) {
        while (i < n && x[i] < p) ++i;
        limit[static_cast<size_t>(p)] =
            i < n ? y[i] + static_cast<double>(p - x[i]) * slope[i] : y[n - 1];
    }
    return limit;
}

bool SameLevel(double a, double b) {
    return std::llround(a * kHundredths) == std::llround(b * kHundredths);
}

bool SamePoint(const MaskPoint& a, const MaskPoint& b) {
    return a.offset == b.offset && SameLevel(a.level, b.level);
}

bool IsCentrePoint(const MaskPoint& p) {
    return p.offset == 0 && SameLevel(p.level, 0.0);
}

bool Mirror(EmissionMask& mask) {
    const int count = std::clamp(mask.count, 0, EmissionMask::kMaxPoints);
    int k = 0;
    while (k < count && mask.points[static_cast<size_t>(k)].offset != 0) ++k;
    if (k == count || 2 * k + 1 > EmissionMask::kMaxPoints) return false;
    for (int j = k - 1; j >= 0; --j) {
        MaskPoint p = mask.points[static_cast<size_t>(j)];
        p.offset = -p.offset;
        mask.points[static_cast<size_t>(2 * k - j)] = p;
    }
    for (int j = 2 * k + 1; j < count; ++j) mask.points[static_cast<size_t>(j)] = {};
    mask.count = 2 * k + 1;
    return true;
}

int InsertPoint(EmissionMask& mask, const MaskPoint& p) {
    const int count = std::clamp(mask.count, 0, EmissionMask::kMaxPoints);
    if (count >= EmissionMask::kMaxPoints) return 0;
    int at = 0;
    for (int i = 0; i < count; ++i) {
        const MaskPoint& q = mask.points[static_cast<size_t>(i)];
        if (SamePoint(q, p)) return 0;
        if (q.offset <= p.offset) at = i + 1;
    }
    for (int i = count; i > at; --i)
        mask.points[static_cast<size_t>(i)] = mask.points[static_cast<size_t>(i - 1)];
    mask.points[static_cast<size_t>(at)] = p;
    mask.count = count + 1;
    return at + 1;
}

bool RemovePoint(EmissionMask& mask, int index) {
    const int count = std::clamp(mask.count, 0, EmissionMask::kMaxPoints);
    if (count <= 1 || index < 1 || index > count) return false;
    if (mask.points[static_cast<size_t>(index - 1)].offset == 0) return false;
    for (int i = index - 1; i + 1 < count; ++i)
        mask.points[static_cast<size_t>(i)] = mask.points[static_cast<size_t>(i + 1)];
    mask.points[static_cast<size_t>(count - 1)] = {};
    mask.count = count - 1;
    return true;
}

bool MovePoint(EmissionMask& mask, int index, const MaskPoint& p) {
    const int count = std::clamp(mask.count, 0, EmissionMask::kMaxPoints);
    if (index < 1 || index > count) return false;
    const MaskPoint& before = index > 1 ? mask.points[static_cast<size_t>(index - 2)] : mask.front;
    const MaskPoint& after = index < count ? mask.points[static_cast<size_t>(index)] : mask.back;
    if (!(before.offset < p.offset && p.offset < after.offset)) return false;
    mask.points[static_cast<size_t>(index - 1)] = p;
    return true;
}

bool ValidMaskName(const core::Text& name) {
    if (name.empty()) return false;
    return name.find_first_of(u",\t\r\n") == core::Text::npos;
}

EmissionMask FromFileMask(const LimitMask& m) {
    EmissionMask e;
    e.name = m.name;
    e.count = std::clamp(m.point_count, 0, EmissionMask::kMaxPoints);
    e.refFrequency = m.reference_frequency;
    e.refLevel = m.reference_level;
    e.refLevelFlag = m.reference_level_flag ? 1 : 0;
    e.refFrequencyFlag = m.reference_frequency_flag ? 1 : 0;
    for (int i = 0; i < e.count; ++i) {
        const LimitMaskPoint& p = m.points[static_cast<size_t>(i)];
        e.points[static_cast<size_t>(i)] = {p.offset, p.level, p.is_absolute_dbm ? 1 : 0};
    }
    return e;
}

LimitMask ToFileMask(const EmissionMask& m, bool upper) {
    LimitMask f;
    f.name = m.name;
    f.point_count = std::clamp(m.count, 0, LimitMask::kMaxPoints);
    f.reference_frequency = m.refFrequency;
    f.reference_level = m.refLevel;
    f.reference_level_flag = m.refLevelFlag == 1;
    f.reference_frequency_flag = m.refFrequencyFlag == 1;
    f.upper = upper;
    for (int i = 0; i < f.point_count; ++i) {
        const MaskPoint& p = m.points[static_cast<size_t>(i)];
        f.points[static_cast<size_t>(i)] = {p.offset, p.level, p.absolute == 1};
    }
    return f;
}

}  // namespace limit_mask

// The operations on a limit mask at their edges: a full mask, a lock at
// 0 Hz, a reference point before the first point, a mirror that does not
// fit, the point edits' refusals, the names a mask file keeps, and a mask
// written by the file's writer and read back by its reader. The address
// sanitizer's preset runs these too.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "files/formats/limit_mask_file.h"
#include "platform/text/utf.h"
#include "screens/limit_mask.h"

namespace {

using limit_mask::Project;

// A full mask: 71 points, 1 kHz apart around the centre, each 1 dB lower
// than the one before.
EmissionMask FullMask() {
    EmissionMask m;
    m.name = u"Full";
    m.count = EmissionMask::kMaxPoints;
    for (int i = 0; i < m.count; ++i)
        m.points[static_cast<size_t>(i)] = {(i - 35) * 1000LL, -static_cast<double>(i), 0};
    return m;
}

TEST(LimitMask, AFullMaskProjectsWithItsExtensionRowsApart) {
    EmissionMask m = FullMask();
    const std::vector<double> limit = Project(m, 0.0, 1000000, 950000, 100000, 705);
    ASSERT_EQ(limit.size(), 705u);
    // Left of the mask the first level, right of it the last one.
    EXPECT_DOUBLE_EQ(limit.front(), 0.0);
    EXPECT_DOUBLE_EQ(limit.back(), -70.0);
    EXPECT_EQ(m.front.offset, -1000000);
    EXPECT_EQ(m.back.offset, 1000000);
    EXPECT_EQ(m.count, EmissionMask::kMaxPoints);
}

// The reference frequency at 0 Hz with a sweep from 1 MHz: every point of
// the mask lies left of the sweep, which continues the last level flat from
// its first point on.
TEST(LimitMask, ALockAtZeroHertzGivesTheLastLevelFlat) {
    EmissionMask m = FullMask();
    const std::vector<double> limit = Project(m, -10.0, 0, 1000000, 100000, 401);
    ASSERT_EQ(limit.size(), 401u);
    for (size_t p = 0; p < limit.size(); ++p) EXPECT_DOUBLE_EQ(limit[p], -80.0) << p;
}

// A mask that runs off either edge of the sweep: every trace point holds the
// mask's straight line at its frequency (the full mask falls 1 dB per kHz
// from 0 dB at 965 kHz to -70 dB at 1035 kHz), with no step at the edge.
TEST(LimitMask, AMaskCrossingTheSweepsEdgeKeepsItsLineThere) {
    struct Sweep {
        uint64_t start, span;
    };
    const Sweep sweeps[] = {{1000000, 100000}, {950000, 60000}, {990000, 20000}};
    for (const Sweep& sweep : sweeps) {
        SCOPED_TRACE(std::to_string(sweep.start) + " + " + std::to_string(sweep.span));
        EmissionMask m = FullMask();
        const std::vector<double> limit = Project(m, 0.0, 1000000, sweep.start, sweep.span, 705);
        ASSERT_EQ(limit.size(), 705u);
        const double perPoint = static_cast<double>(sweep.span) / 705.0 / 1000.0;
        for (size_t p = 0; p < limit.size(); ++p) {
            const double hz = static_cast<double>(sweep.start) +
                              static_cast<double>(p) * static_cast<double>(sweep.span) / 705.0;
            const double line = std::clamp(-((hz - 1e6) / 1000.0 + 35.0), -70.0, 0.0);
            ASSERT_NEAR(limit[p], line, perPoint + 1e-9) << p;
        }
    }
}

// A reference point left of the first point gives the front extension (at
// 0 Hz) its level: left of the mask the limit runs straight from there to
// the first point (-10 dBm at 965 kHz), through the sweep's start.
TEST(LimitMask, AReferencePointBeforeTheFirstTakesTheFront) {
    EmissionMask m = FullMask();
    limit_mask::ReferencePoint r;
    r.active = true;
    r.point = {-60000, -5.0, 1};
    const std::vector<double> limit = Project(m, -10.0, 1000000, 900000, 200000, 705, r);
    EXPECT_DOUBLE_EQ(m.front.level, -5.0);
    EXPECT_EQ(m.front.absolute, 1);
    const double perPoint = 5.0 / 965000.0 * 200000.0 / 705.0;
    EXPECT_NEAR(limit.front(), -5.0 - 5.0 * 900000.0 / 965000.0, perPoint);
}

TEST(LimitMask, MirrorAndPointEditsRefuseWhatDoesNotFit) {
    // -75 kHz, -30.5 kHz and the centre become five points.
    EmissionMask m;
    m.count = 3;
    m.points[0] = {-75000, -60, 0};
    m.points[1] = {-30500, -50, 1};
    m.points[2] = {0, 0, 0};
    ASSERT_TRUE(limit_mask::Mirror(m));
    ASSERT_EQ(m.count, 5);
    EXPECT_EQ(m.points[3].offset, 30500);
    EXPECT_EQ(m.points[3].absolute, 1);
    EXPECT_EQ(m.points[4].offset, 75000);
    EXPECT_DOUBLE_EQ(m.points[4].level, -60);

    // No point at offset 0, or 36 points before it: nothing changes.
    EmissionMask none;
    none.count = 2;
    none.points[0] = {-1000, -1, 0};
    none.points[1] = {1000, -1, 0};
    EXPECT_FALSE(limit_mask::Mirror(none));
    EXPECT_EQ(none.count, 2);
    EmissionMask wide;
    wide.count = 37;
    for (int i = 0; i < 36; ++i) wide.points[static_cast<size_t>(i)] = {(i - 36) * 10LL, -1, 0};
    EXPECT_FALSE(limit_mask::Mirror(wide));
    EXPECT_EQ(wide.count, 37);

    // A full mask takes no further point; a point held already is refused.
    EmissionMask full = FullMask();
    EXPECT_EQ(limit_mask::InsertPoint(full, {500, -3, 0}), 0);
    EXPECT_EQ(full.count, EmissionMask::kMaxPoints);
    EXPECT_EQ(limit_mask::InsertPoint(m, {30500, -50.001, 0}), 0);
    EXPECT_EQ(limit_mask::InsertPoint(m, {30500, -40, 0}), 5);
    EXPECT_EQ(m.points[4].level, -40);
}

TEST(LimitMask, NamesThatTheFileKeeps) {
    struct Case {
        const char16_t* name;
        bool kept;
    };
    const Case cases[] = {{u"Mask 1", true}, {u"", false},     {u"a,b", false}, {u"a\tb", false},
                          {u"a\nb", false},  {u"a\rb", false}, {u"模板", true}};
    for (const Case& c : cases) EXPECT_EQ(limit_mask::ValidMaskName(c.name), c.kept);
}

// The file's writer and reader agree: every field of a mask comes back
// equal, levels to the last bit.
TEST(LimitMask, AWrittenMaskReadsBackEqual) {
    EmissionMask m = FullMask();
    m.points[3].level = -12.345678901234567;
    m.points[4].absolute = 1;
    m.refFrequency = 940000000;
    m.refLevel = -0.1;
    m.refLevelFlag = 1;
    m.refFrequencyFlag = 1;
    EmissionMask lower = limit_mask::BuiltInLowerMasks().front();
    const std::string text = CLimitMaskFile::MaskText(
        {limit_mask::ToFileMask(m, true), limit_mask::ToFileMask(lower, false)});
    CLimitMaskFile file;
    ASSERT_TRUE(file.LoadBytes(text));
    ASSERT_EQ(file.GetMaskCount(), 1);
    ASSERT_EQ(file.GetOtherMaskCount(), 1);
    const EmissionMask back = limit_mask::FromFileMask(*file.GetMaskAt(0));
    EXPECT_EQ(back.name, m.name);
    EXPECT_EQ(back.count, m.count);
    EXPECT_EQ(back.refFrequency, m.refFrequency);
    EXPECT_EQ(back.refLevel, m.refLevel);
    EXPECT_EQ(back.refLevelFlag, 1);
    EXPECT_EQ(back.refFrequencyFlag, 1);
    for (int i = 0; i < m.count; ++i) {
        const MaskPoint& a = m.points[static_cast<size_t>(i)];
        const MaskPoint& b = back.points[static_cast<size_t>(i)];
        EXPECT_EQ(a.offset, b.offset);
        EXPECT_EQ(a.level, b.level);
        EXPECT_EQ(a.absolute, b.absolute);
    }
    EXPECT_EQ(plat::to_utf8(file.GetMaskAt(1)->name), "DTV Lower");
}

}  // namespace

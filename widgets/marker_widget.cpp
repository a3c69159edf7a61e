#include "widgets/marker_widget.h"

#include <cmath>
#include <cstdlib>

#include "core/units.h"
#include "platform/gfx/artwork.h"

namespace {

constexpr int kMarkers = 6;
// Icon ids by flag (rows) and marker number (columns).
constexpr int kIconIds[CMarkerWidget::kFlagCount][kMarkers] = {
    {181, 182, 183, 184, 185, 186},  // below the point
    {187, 188, 189, 190, 191, 192},  // standard
    {219, 221, 223, 225, 227, 217},  // below, current (M6 is 217)
    {218, 220, 222, 224, 226, 228},  // standard, current
    {241, 245, 249, 253, 257, 261},  // left edge
    {243, 247, 251, 255, 259, 263},  // right edge
    {242, 246, 250, 254, 258, 262},  // left edge, current
    {244, 248, 252, 256, 260, 264},  // right edge, current
};
constexpr int kHalfFlag = 8;
constexpr int kRightShift = 18;
constexpr int kMinLeft = 4;
constexpr int kTopGap = 4;
constexpr int kLabelOffset = 19;
constexpr double kReadoutLimit = 999.9;
constexpr ColorSchemeIndex kLabelFill = 18;
constexpr ColorSchemeIndex kLabelFillCurrent = 21;

core::Text Level(double value, uint32_t unit) {
    return FormatLevel(value, unit, true, false, true, false);
}

core::Text Digit(int number) {
    return core::FormatText("%d", number + 1);
}

}  // namespace

CMarkerWidget::CMarkerWidget(CValueRecord* record) : record_(record) {
    number_ = record ? record->GetId() : 0;
}

int CMarkerWidget::IconId(int number, Flag flag) {
    if (number < 0 || number >= kMarkers) number = 0;
    return kIconIds[flag][number];
}

int CMarkerWidget::Create(plat::Window* owner, int left, int top, int right, int bottom,
                          ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    for (int f = 0; f < kFlagCount; ++f)
        icons_[static_cast<size_t>(f)] = plat::load_icon(IconId(number_, static_cast<Flag>(f)));
    return 1;
}

int CMarkerWidget::ComputePlacement(const GraphEdges& e, int& left, int& top, Flag& flag) const {
    const bool current = record_ && record_->IsCurrent();
    left = x < kHalfFlag + 1 ? 0 : x - kHalfFlag;
    top = y < kFlagSize + 1 ? 0 : y - kFlagSize;
    flag = current ? kStandardCurrent : kStandard;
    if (x + kHalfFlag >= e.right) {
        left = x - kRightShift;
        flag = current ? kRightCurrent : kRight;
    } else if (x - kHalfFlag <= e.left) {
        left = std::max(x, kMinLeft);
        flag = current ? kLeftCurrent : kLeft;
    }
    if (y - kFlagSize <= e.top) {
        top = std::max(y, top + kTopGap);
        flag = current ? kBelowCurrent : kBelow;
    } else if (y + kFlagSize >= e.plotBottom) {
        top = y - kFlagSize;
        flag = current ? kStandardCurrent : kStandard;
    }
    return 1;
}

void CMarkerWidget::DrawIcon(plat::Dc& dc, int ix, int iy, Flag flag) const {
    const plat::Icon& icon = icons_[static_cast<size_t>(flag)];
    if (icon) dc.draw_icon(ix, iy, icon, kFlagSize, kFlagSize);
}

plat::Bitmap CMarkerWidget::SaveUnderFlag(plat::Dc& dc, const GraphEdges& edges) const {
    int left = 0, top = 0;
    Flag flag = kStandard;
    ComputePlacement(edges, left, top, flag);
    plat::Bitmap under = plat::Bitmap::create(kFlagSize, kFlagSize);
    plat::Dc mem(under);
    mem.bit_blt(0, 0, kFlagSize, kFlagSize, dc, left, top);
    return under;
}

void CMarkerWidget::PlaceLabel() {
    hasLabel_ = true;
    if (x >= rect_.left + kLabelOffset)
        labelRect_ = {x - kLabelOffset, y - kFlagSize - 1, x - 2, y - 1};
    else
        labelRect_ = {x + 2, y - kFlagSize - 1, x + kLabelOffset, y - 1};
}

core::Text CMarkerWidget::PositionText(const MarkerTextStyle& s, bool delta) const {
    const CValueRecord& r = *record_;
    if (delta) {
        CValueRecord& w = *record_;
        const int64_t d = s.xAxisKind == 2   ? w.UpdateDelta3()
                          : s.xAxisKind == 1 ? w.UpdateDelta2()
                                             : w.UpdateDeltaFrequency();
        const uint64_t magnitude = d < 0 ? 0 - static_cast<uint64_t>(d) : static_cast<uint64_t>(d);
        core::Text t = d < 0 ? u"-" : u"";
        if (s.xAxisKind == 2) return t + FormatDistance(double(magnitude), s.metric, false, true);
        if (s.xAxisKind == 1) return t + FormatMsAsSeconds(magnitude, false, true);
        return t + FormatFrequencyToStep(magnitude, s.pointSpacing, true);
    }
    if (s.xAxisKind == 2) return FormatDistance(double(r.GetPosition3()), s.metric, false, true);
    if (s.xAxisKind == 1) return FormatMsAsSeconds(r.GetPosition2(), false, true);
    // The frequency counter's reading is finer than the points: all its digits.
    if (s.fcMode) return FormatValue(r.GetFcFrequency(), 0, false, true, false, 0);
    return FormatFrequencyToStep(r.GetFrequency(), s.pointSpacing, true);
}

core::Text CMarkerWidget::FormatMarkerText(plat::Dc* dc, bool show, const MarkerTextStyle& s,
                                           bool alternate) const {
    if (!show || !record_) return {};
    core::Text t = u"M" + Digit(record_->GetId());
    if (record_->GetType() == 1 && hasLabel_ && dc) {
        const ColorSchemeIndex fill = record_->IsCurrent() ? kLabelFillCurrent : kLabelFill;
        DrawCentredText(*dc, labelRect_, Digit(record_->GetId()), color, SchemeColor(fill));
        (void)alternate;
    }
    if (record_->GetDelta() == 1) {
        t += u"-M" + Digit(record_->GetDeltaIndex()) + u":" +
             Level(record_->UpdateDeltaAmplitude(), s.levelUnit) + u"/" + PositionText(s, true);
        return t;
    }
    const double amplitude = s.fcMode ? record_->GetFcAmplitude() : record_->GetAmplitude();
    return t + u":" + Level(amplitude, s.levelUnit) + u"/" + PositionText(s, false);
}

core::Text CMarkerWidget::FormatReadout(const MarkerTextStyle& s, bool delta) const {
    if (!record_) return {};
    MarkerTextStyle style = s;
    if (delta) style.fcMode = true;
    double a = style.fcMode ? record_->GetFcAmplitude() : record_->GetAmplitude();
    core::Text sign;
    if (a > kReadoutLimit) {
        sign = u">";
        a = kReadoutLimit;
    } else if (a < -kReadoutLimit) {
        sign = u"<";
        a = -kReadoutLimit;
    }
    return sign + Level(a, s.levelUnit) + u"/" + PositionText(style, false);
}

core::Text CMarkerWidget::FormatMarkerTableLine(const MarkerTextStyle& s, int measurement_kind,
                                                int marker_code) const {
    if (!record_) return {};
    constexpr int kTwoPortKind = 2;
    const bool second = (measurement_kind == kTwoPortKind &&
                         (marker_code == 21 || marker_code == 22) && number_ <= 1) ||
                        marker_code == 23;
    core::Text t =
        (second ? record_->GetSecondText() : record_->GetLabel()) + u" M" + Digit(record_->GetId());
    if (record_->GetDelta() == 1)
        return t + u"-M" + Digit(record_->GetDeltaIndex()) + u": " +
               Level(record_->UpdateDeltaAmplitude(), s.levelUnit) + u"/" + PositionText(s, true);
    if (s.fcMode)
        return t + u"-C:" + Level(record_->GetFcAmplitude(), s.levelUnit) + u"/" +
               PositionText(s, false);
    return t + u":" + Level(record_->GetAmplitude(), s.levelUnit) + u"/" + PositionText(s, false);
}

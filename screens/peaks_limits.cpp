// Peak and valley detection and the limit test of each sweep, run inside the
// per-point loop of the intake (measurement worker), and the limit labels
// (user-interface thread).
#include <algorithm>
#include <cstdio>

#include "core/units.h"
#include "files/meas_setup.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"

void CMeasurementBase::TrackExtremes(int index, double level) {
    const auto k = static_cast<size_t>(index);
    // While a limit is edited the live trace holds that limit itself: the
    // point's measured level is what the limits test.
    const bool editedLive = sweep_.limitEditing && m_Live && k < work_.measured.size();
    if (m_LimitsOn)
        SegmentLimitPass(editedLive ? work_.measured[k] : level, work_.upper[k], work_.lower[k],
                         index);
    DetectPeaks(level, index);
    m_SweepMax = std::max(m_SweepMax, level);
    m_SweepMin = std::min(m_SweepMin, level);
}

void CMeasurementBase::DetectPeaks(double level, int index) {
    if (index == 0) m_Threshold = sweep_.threshold;
    m_Detector.Step(level, index, m_PointCount - 1, m_Threshold, m_Peaks, m_Valleys);
}

void CMeasurementBase::SegmentLimitPass(double level, double upper, double lower, int index) {
    m_Segmenter.Step(ConvertLevel(level), m_UpperLimitOn, upper, m_LowerLimitOn, lower, index);
    if (m_Segmenter.upperFailed) m_UpperFailed = true;
    if (m_Segmenter.lowerFailed) m_LowerFailed = true;
    m_Segmenter.upperFailed = m_Segmenter.lowerFailed = false;
}

void CMeasurementBase::SortPeaks() {
    trace::RankSort(m_Peaks, true, m_SortedPeakIndex, m_SortedPeakLevel);
}

void CMeasurementBase::SortValleys() {
    trace::RankSort(m_Valleys, false, m_SortedValleyIndex, m_SortedValleyLevel);
}

// The label of one limit line: its value kept inside the scale (and written
// back to the setup), "UL:"/"LL:" with the level, at the value's row.
void CMeasurementBase::ShowLimitLabel(bool upper) {
    if (!setup_) return;
    LoadScaleRange();
    double value = upper ? setup_->GetUpperLimitValue() : setup_->GetLowerLimitValue();
    const double clamped = std::clamp(value, std::min(scaleBottom, scaleTop), scaleTop);
    if (clamped != value) {
        value = clamped;
        upper ? setup_->SetUpperLimitValue(value) : setup_->SetLowerLimitValue(value);
    }
    (upper ? upperLabelFlag : lowerLabelFlag) = true;
    DrawLimitLabel(upper, value);
}

// The label alone: the limit trace it names is the data path's.
void CMeasurementBase::DrawLimitLabel(bool upper, double value) {
    if (!setup_ || !graphPanel || !graphPanel->GetGraph()) return;
    LoadScaleRange();
    core::Text text = upper ? u"UL:" : u"LL:";
    text += FormatLevel(value, static_cast<uint32_t>(setup_->GetMeasureUnit()), true, false, true,
                        true);
    const int row = graphPanel->ValueToY(value, scaleTop, scaleBottom);
    if (upper)
        graphPanel->SetUpperRightText(text, row, setup_->GetLowerLimitState());
    else
        graphPanel->SetLowerRightText(text, row, setup_->GetUpperLimitState());
}

void CMeasurementBase::ShowUpperLimitLabel() {
    ShowLimitLabel(true);
}

void CMeasurementBase::ShowLowerLimitLabel() {
    ShowLimitLabel(false);
}

// The data path of a measurement screen: the intake of sweep blocks on the
// measurement worker, the trace modes of each point, the 705-column mapping,
// the commit into the display set under the screen lock and the display
// refresh on the user-interface thread.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/frequency_range.h"
#include "core/params.h"
#include "core/saturating_cast.h"
#include "core/scoped_lock.h"
#include "files/meas_setup.h"
#include "files/vna_meas_setup.h"
#include "instrument/device_item.h"
#include "instrument/measurement.h"
#include "platform/framework/system_services.h"
#include "platform/framework/wnd.h"
#include "platform/kernel/clock.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/title_bar.h"

namespace {
constexpr int kAxisFrequency = 0;
constexpr int kAxisTime = 1;
constexpr int kAxisDistance = 2;
constexpr int kFullRedrawRequested = 2;
constexpr int kFullRedrawRunning = 1;
constexpr uint32_t kLimitBeep = 0x10;
constexpr int kEndOfSweepMargin = 4;
constexpr int kMarkerWindowDivisor = 35;
constexpr int kMarkerWindowExtra = 10;
constexpr int kResultRowColour = 39;  // the readout rows redrawn
constexpr uint32_t kReportAfterSweepMs = 100;
constexpr uint32_t kReportAnywayMs = 5000;
constexpr int kScreenLayout = 2;
constexpr int kVnaStoredKind = 3;
constexpr int kVnaNoTimingKind = 2;
constexpr uint32_t kMsPerHour = 3600000;
constexpr uint32_t kMsPerMinute = 60000;
constexpr uint32_t kMsPerSecond = 1000;
constexpr int kRunStateStopped = 1;
constexpr size_t kRecordTextMax = 256;
constexpr uint32_t kSweepLabel = 672;
constexpr uint32_t kHoldSettleMs = 2000;
}  // namespace

// --- Settings for the data path ----------------------------------------------

double CMeasurementBase::PeakThreshold() const {
    if (!setup_) return 0;
    const CChoiceBlock* bw = setup_->GetBandwidthSettings();
    const double rbw = static_cast<double>(CChoiceBlock::RbwHertz(bw ? bw->GetRbwIndex() : 0));
    return setup_->GetLevel() + 10.0 * std::log10(rbw) - 155.0 -
           setup_->GetPreampMode() * setup_->GetPreampLevel() + setup_->GetAttenuationLevel();
}

void CMeasurementBase::TakeSweepSettings() {
    if (!setup_) return;
    SweepSettings s;
    s.points = std::clamp<int>(setup_->GetDataPoints(), kMinPoints, kMaxPoints);
    if (const CFrequencyRange* r = setup_->GetFrequencyRange()) {
        s.start = r->GetStart();
        s.centre = r->GetCentre();
        s.stop = r->GetStop();
    }
    // On the network analyzer's distance axis the points stand at the
    // distances (millimetres) of the distance-to-fault range, on the time
    // axis of the zero span at the times (milliseconds) of the trace.
    const int axisKind = graphPanel && graphPanel->GetGraph() ? graphPanel->GetXAxisKind() : 0;
    const auto* vna = dynamic_cast<const CVNAMeasSetup*>(setup_);
    if (vna && axisKind == kAxisDistance) {
        s.start = SaturatingCast<uint64_t>(static_cast<double>(vna->GetDtfStartRaw()) * 1000.0);
        s.stop = SaturatingCast<uint64_t>(static_cast<double>(vna->GetDtfStopRaw()) * 1000.0);
        s.centre = s.start + (s.stop - std::min(s.start, s.stop)) / 2;
    } else if (axisKind == kAxisTime) {
        s.start = 0;
        s.stop = static_cast<uint64_t>(std::max(setup_->GetZeroSpanTime(), 0));
        s.centre = s.stop / 2;
    }
    s.averagingMode = setup_->GetAveragingMode();
    s.averagingCount = setup_->GetAveragingCount();
    s.peakHoldMode = setup_->GetPeakHoldMode();
    s.waterfallMode = setup_->GetWaterfallMode();
    s.limitType = setup_->GetLimitType();
    s.sweepMode = setup_->GetSweepFlag();
    s.upperOn = setup_->GetUpperLimitState();
    s.lowerOn = setup_->GetLowerLimitState();
    s.limitAlarm = setup_->GetLimitAlarm();
    s.freqCounter = setup_->GetFreqCounter();
    s.limitEditing = m_LimitEditing;
    s.network = setup_->GetMeasurementClass() == CMeasurement::kFamilyVna;
    s.upperValue = setup_->GetUpperLimitValue();
    s.lowerValue = setup_->GetLowerLimitValue();
    s.upperShape = upperShape_;
    s.lowerShape = lowerShape_;
    s.threshold = PeakThreshold();
    // The scale is the instrument screen's to load, on this thread; the
    // intake works with this copy.
    LoadScaleRange();
    s.scaleTop = scaleTop;
    s.scaleBottom = scaleBottom;
    ScopedLock guard(*this);
    // Peaks found on another axis are no peaks of this one: the searches wait
    // for the first whole sweep of the new settings.
    if (s.points != pendingSettings_.points || s.start != pendingSettings_.start ||
        s.stop != pendingSettings_.stop)
        peakListCount = minListCount = 0;
    pendingSettings_ = s;
}

void CMeasurementBase::RequestTraceModeRestart() {
    TakeSweepSettings();
    ScopedLock guard(*this);
    m_HoldRestart = true;
    m_AverageRestart = true;
}

// --- Buffers ------------------------------------------------------------------------

void CMeasurementBase::AllocTraceBuffers(int points) {
    const int n = std::clamp(points, kMinPoints, kMaxPoints);
    FreeTraceBuffers();
    work_.Resize(n);
    m_Peaks.Reset(n / 2);
    m_Valleys.Reset(n / 2);
    m_SortedPeakIndex.assign(static_cast<size_t>(n / 2), 0);
    m_SortedValleyIndex.assign(static_cast<size_t>(n / 2), 0);
    m_SortedPeakLevel.assign(static_cast<size_t>(n / 2), trace::kNoPeakLevel);
    m_SortedValleyLevel.assign(static_cast<size_t>(n / 2), trace::kNoValleyLevel);
    m_NextBlockStart = 0;
    ScopedLock guard(*this);
    shown_.Resize(n);
    for (auto* v : {&peaksByLevel, &peaksByPosition, &minsByLevel, &minsByPosition})
        v->assign(static_cast<size_t>(n / 2), 0);
    peakListCount = minListCount = 0;
    m_PointCount = n;
    m_PointsReceived = 0;
    completedRaw_.clear();
    m_SweepCompleted = false;
    m_AverageCount = 0;
}

// A sweep started anew begins with no points, and a sweep completed before
// it but not yet shown does not complete it.
void CMeasurementBase::ForgetReceivedSweep() {
    ScopedLock guard(*this);
    m_PointsReceived = 0;
    completedRaw_.clear();
    m_SweepCompleted = false;
    sweepBegunSinceRestart_ = false;
    singleSweepHeld_ = false;
}

void CMeasurementBase::FreeTraceBuffers() {
    work_.Resize(0);
    ScopedLock guard(*this);
    shown_.Resize(0);
    m_PointCount = 0;
    m_PointsReceived = 0;
    completedRaw_.clear();
}

// --- Hooks of the instrument screens ----------------------------------------------------

int CMeasurementBase::PrepareSweepStart(int, int*) {
    return 0;
}
int CMeasurementBase::LoadScaleRange() {
    return 1;
}
double CMeasurementBase::GetTracePoint(CDeviceItem*, int) {
    return 0.0;
}
double CMeasurementBase::ConvertLevel(double) {
    return 0.0;
}
int CMeasurementBase::GetBlockPointCount(CDeviceItem*) {
    return 0;
}
int CMeasurementBase::GetBlockEndIndex(CDeviceItem*) {
    return 0;
}
int CMeasurementBase::PublishPeakLists() {
    return 0;
}
void CMeasurementBase::ProcessNewData(CDeviceItem*, int) {}
int CMeasurementBase::RefreshHook() {
    return 0;
}
int CMeasurementBase::RefreshDisplay() {
    return 1;
}
int CMeasurementBase::SweepHook() {
    return 1;
}
core::Text CMeasurementBase::GetSweepTimeSuffix() const {
    return {};
}
double CMeasurementBase::ReadStoredPoint(int, int) {
    return 0.0;
}
int CMeasurementBase::StopAfterSingleSweep() {
    return 0;
}
void CMeasurementBase::ReprocessStoredTrace() {
    for (int i = 0; i < m_PointCount; ++i) {
        work_.raw[static_cast<size_t>(i)] = ReadStoredPoint(0, i);
        m_LevelSum += work_.raw[static_cast<size_t>(i)];
        TrackExtremes(i, work_.raw[static_cast<size_t>(i)]);
        work_.display[static_cast<size_t>(i)] = ConvertLevel(work_.raw[static_cast<size_t>(i)]);
    }
}

// --- Intake ----------------------------------------------------------------------------

void CMeasurementBase::ProcessSweepBlock(CDeviceItem* record) {
    {
        ScopedLock guard(*this);
        if (singleSweepHeld_) return;
        blockMeasurement_ = currentMeasurement;
        sweep_ = pendingSettings_;
        m_UpperLimitOn = sweep_.upperOn;
        m_LowerLimitOn = sweep_.lowerOn;
    }
    if (sweep_.points >= kMinPoints && sweep_.points != m_PointCount)
        AllocTraceBuffers(sweep_.points);
    if (newSweepRequested_.exchange(false)) m_NextBlockStart = 0;
    const int n = m_PointCount;
    const int layout = graphPanel ? graphPanel->GetLayout() : 1;
    m_PointsInBlock = std::min(GetBlockPointCount(record), n);
    m_LimitsOn = sweep_.upperOn || sweep_.lowerOn;
    if (m_PointsInBlock < 1 || m_PointsInBlock > n) return;
    const int axisMode = graphPanel && graphPanel->GetGraph() ? graphPanel->GetXAxisKind() : 0;
    SetupFrequencyAxis(axisMode);
    const int endIndex = std::clamp(GetBlockEndIndex(record), 0, n);
    const SweepAxis axis{sweep_.points, sweep_.start, sweep_.stop};
    if (!(axis == m_SweepAxis)) m_SweepOnOneAxis = false;
    if (m_NextBlockStart != 0 && endIndex > m_NextBlockStart) {
        m_BlockStart = m_NextBlockStart;
    } else {
        m_BlockStart = 0;
        m_SweepAxis = axis;
        m_SweepOnOneAxis = true;
        {
            ScopedLock guard(*this);
            sweepBegunSinceRestart_ = true;
        }
        PrepareSweepStart(axisMode, nullptr);
        if (m_PointsInBlock < n / 2) {
            m_AccumulatedMs = m_EstimateSum = m_EstimateCount = 0;
            m_LastCallTick = 0;
            m_SweepDone = false;
            m_SweepStartTick = plat::tick_count();
        }
    }
    m_BlockEnd = m_NextBlockStart = endIndex;
    if (m_FullRedraw == kFullRedrawRequested || (m_FullRedraw != 0 && m_Hold && !m_Live)) {
        m_FullRedraw = kFullRedrawRunning;
        if (m_Hold && !m_Live) m_PointsInBlock = n;
    }
    RestartTraceRedraw();
    ApplyPendingLimitRedraw();
    ProcessBlockPoints(record);
    if (m_NextBlockStart >= n) m_NextBlockStart = 0;
    m_SweepComplete = endIndex >= n;
    if ((m_HoldRestart || m_AverageRestart) && m_SweepComplete && m_Live) RestartTraceModes();
    if (blockMeasurement_ && sweep_.network &&
        static_cast<int>(blockMeasurement_->GetId()) == kVnaStoredKind)
        ReprocessStoredTrace();
    m_Segmenter.Close(m_PointsInBlock);
    work_.segmentCount = m_Segmenter.count;
    // The rankings are read once the sweep is whole (the marker searches'
    // lists): ranked then, once a sweep.
    if (m_SweepComplete) {
        SortPeaks();
        SortValleys();
    }
    CommitSweepBlock(m_PointsInBlock, layout);
    if (m_Hold && !m_Live) {
        ShowSweepTime(0);
        return;
    }
    if (blockMeasurement_ && sweep_.network &&
        static_cast<int>(blockMeasurement_->GetId()) == kVnaNoTimingKind)
        return;
    MeasureSweepTime(endIndex, m_SweepComplete);
}

// At the sweep boundary after a trace-mode change: the newest sweep becomes
// the trace the new mode starts from.
void CMeasurementBase::RestartTraceModes() {
    for (int i = 0; i < m_PointCount; ++i) {
        const auto k = static_cast<size_t>(i);
        work_.raw[k] = work_.sweep[k];
        work_.display[k] = ConvertLevel(work_.raw[k]);
        work_.pixels[k].row = LevelToRow(work_.display[k]);
    }
    {
        // The modes in force now, also when they changed during this block.
        ScopedLock guard(*this);
        m_AverageCount = 0;
        sweep_.averagingMode = pendingSettings_.averagingMode;
        sweep_.averagingCount = pendingSettings_.averagingCount;
        sweep_.peakHoldMode = pendingSettings_.peakHoldMode;
        m_HoldRestart = false;
        m_AverageRestart = false;
    }
    wholeTraceChanged_ = true;
    m_AverageOn = sweep_.averagingMode;
    m_HoldMode = sweep_.peakHoldMode;
}

int CMeasurementBase::SetupFrequencyAxis(int axisMode) {
    m_AxisStartHz = static_cast<double>(sweep_.start);
    m_CurrentPointHz = m_AxisStartHz;
    if (sweep_.points < kMinPoints) return 0;
    m_AxisStepHz = (static_cast<double>(sweep_.stop) - static_cast<double>(sweep_.start)) /
                   (sweep_.points - 1);
    if (axisMode != kAxisTime && axisMode != kAxisDistance) {
        m_AxisStartHz64 = sweep_.start;
        m_AxisStopHz64 = sweep_.start + static_cast<uint64_t>(std::max(m_PointsInBlock - 1, 0)) *
                                            static_cast<uint64_t>(m_AxisStepHz);
    }
    return 1;
}

void CMeasurementBase::ProcessBlockPoints(CDeviceItem* record) {
    // Taken once for the block: the network analyzer's stored kind is
    // reprocessed as a whole, and the held trace stands in while frozen.
    const bool track = !(sweep_.network && blockMeasurement_ &&
                         static_cast<int>(blockMeasurement_->GetId()) == kVnaStoredKind);
    const bool frozen = m_Hold && !m_Live;
    const int half = m_PointCount / 2;
    const int from = RunningResultsStart(track && !frozen);
    m_LoopVisited = from;
    for (int i = from; i < m_PointsInBlock && setup_; ++i) {
        const auto k = static_cast<size_t>(i);
        const double value = GetTracePoint(record, i);
        m_CurrentPointHz = m_AxisStartHz + i * m_AxisStepHz;
        if (i >= m_BlockStart && i < m_BlockEnd && !std::isnan(value))
            ProcessPoint(i, m_CurrentPointHz, value);
        m_LevelSum += work_.raw[k];
        if (track) TrackExtremes(i, frozen ? work_.hold[k] : work_.raw[k]);
        if (i < half) {
            m_SortedPeakIndex[k] = 0;
            m_SortedPeakLevel[k] = trace::kNoPeakLevel;
            m_SortedValleyIndex[k] = 0;
            m_SortedValleyLevel[k] = trace::kNoValleyLevel;
        }
        PlotTracePoint(work_.display[k], i);
        m_LoopVisited = i + 1;
    }
}

// The running results of the sweep (level sum, extremes, peak and valley
// lists, limit segments, column levels) are those of points 0 up to the
// points visited so far. A block that continues the sweep adds its own
// points to them; a block on which earlier points would count otherwise (a
// new sweep, the whole trace redone, a frozen or stored trace, another
// threshold, scale, level unit or limit) takes them in again from point 0.
int CMeasurementBase::RunningResultsStart(bool resumable) {
    const LoopBasis basis{sweep_.threshold,  sweep_.scaleTop,    sweep_.scaleBottom,
                          ConvertLevel(0.0), m_LimitsOn,         m_UpperLimitOn,
                          m_LowerLimitOn,    sweep_.limitEditing};
    const bool resume = resumable && m_BlockStart > 0 && m_LoopVisited == m_BlockStart &&
                        !wholeTraceChanged_ && basis == m_LoopBasis;
    m_LoopBasis = basis;
    if (resume) return m_BlockStart;
    m_LevelSum = 0;
    m_SweepMax = -HUGE_VAL;
    m_SweepMin = HUGE_VAL;
    columnSum = 0;
    columnCount = 0;
    columnCurrent = -1;
    nextColumn = 0;
    m_Peaks.count = 0;
    m_Valleys.count = 0;
    m_Segmenter.Reset(work_.segmentStart, work_.segmentCode, m_PointCount / 2, m_SegmentLength);
    return 0;
}

int32_t CMeasurementBase::FrequencyToColumn(double frequency) const {
    const double span = static_cast<double>(sweep_.stop) - static_cast<double>(sweep_.start);
    int x = 0;
    if (graphPanel && graphPanel->GetGraph()) {
        x = graphPanel->ValueToX(frequency, m_AxisStartHz, span);
    } else if (span > 0) {
        const double v = (frequency - m_AxisStartHz) / span * kDisplayColumns + 0.5;
        x = v > 0 ? static_cast<int>(std::min(v, double{kDisplayColumns})) : 0;
    }
    // The graph answers up to its layout's right edge: one column per point
    // of the 705 kept.
    return std::clamp(x, 0, kDisplayColumns - 1);
}

int32_t CMeasurementBase::LevelToRow(double level) const {
    if (graphPanel && graphPanel->GetGraph())
        return graphPanel->ValueToY(level, sweep_.scaleTop, sweep_.scaleBottom);
    return trace::ColumnLevel(level, sweep_.scaleTop, sweep_.scaleBottom);
}

void CMeasurementBase::ProcessPoint(int index, double frequency, double value) {
    const auto k = static_cast<size_t>(index);
    const double w = sweep_.averagingCount > 0 ? 1.0 / sweep_.averagingCount : 1.0;
    work_.frequency[k] = static_cast<uint64_t>(frequency + 0.5);
    const int32_t column = FrequencyToColumn(frequency);
    for (auto* p : {&work_.pixels, &work_.upperPixels, &work_.lowerPixels, &work_.holdPixels})
        (*p)[k].column = column;
    if (m_Hold) {
        work_.holdDisplay[k] = ConvertLevel(work_.hold[k]);
        work_.holdPixels[k].row = LevelToRow(work_.holdDisplay[k]);
    }
    double v = value;
    work_.measured[k] = value;
    if (sweep_.limitEditing) {
        const bool upper = sweep_.limitType == 1;
        v = upper ? work_.upper[k] : work_.lower[k];
        (upper ? work_.upperPixels : work_.lowerPixels)[k].row = LevelToRow(value);
        (upper ? work_.lowerPixels : work_.upperPixels)[k].row =
            LevelToRow(upper ? work_.lower[k] : work_.upper[k]);
    } else {
        work_.upperPixels[k].row = LevelToRow(work_.upper[k]);
        work_.lowerPixels[k].row = LevelToRow(work_.lower[k]);
    }
    work_.sweep[k] = v;
    if (m_Live) {
        work_.raw[k] = trace::ApplyTraceMode(sweep_.averagingMode, m_AverageOn, sweep_.peakHoldMode,
                                             m_HoldMode, work_.raw[k], v, w);
    } else {
        work_.raw[k] = v;
    }
    work_.display[k] = ConvertLevel(work_.raw[k]);
    work_.pixels[k].row = LevelToRow(work_.display[k]);
}

void CMeasurementBase::PlotTracePoint(double level, int index) {
    const int32_t v = trace::ColumnLevel(level, sweep_.scaleTop, sweep_.scaleBottom);
    const int32_t c = work_.pixels[static_cast<size_t>(index)].column;
    const int n = m_PointCount;
    if (n < kDisplayColumns) {
        for (int col = nextColumn; col <= c; ++col) m_ColumnRows[static_cast<size_t>(col)] = v;
        nextColumn = std::max(nextColumn, c + 1);
    } else if (n > kDisplayColumns) {
        if (c != columnCurrent && columnCount > 0)
            m_ColumnRows[static_cast<size_t>(columnCurrent)] =
                static_cast<int32_t>(columnSum / columnCount);
        if (c != columnCurrent) {
            columnCurrent = c;
            columnSum = 0;
            columnCount = 0;
        }
        columnSum += v;
        ++columnCount;
        // The last point of the sweep closes its column too.
        if (index == n - 1)
            m_ColumnRows[static_cast<size_t>(c)] = static_cast<int32_t>(columnSum / columnCount);
    } else if (index < kDisplayColumns) {
        m_ColumnRows[static_cast<size_t>(index)] = v;
    }
}

// --- Commit and display ------------------------------------------------------------------

void CMeasurementBase::CommitSweepBlock(int points, int layout) {
    const int n = m_PointCount;
    const bool limitBeep = CommitUnderLock(points, layout, n);
    if (limitBeep) plat::message_beep(kLimitBeep);
}

// The commit's work under the screen lock; whether the limit alarm sounds.
bool CMeasurementBase::CommitUnderLock(int points, int layout, int n) {
    ScopedLock guard(*this);
    int redrawFrom = 0, redrawTo = n;
    if (m_Live || !m_Hold) {
        redrawFrom = m_FullRedraw == kFullRedrawRunning ? 0 : m_BlockStart;
        redrawTo = m_BlockEnd;
        m_PointsReceived = m_BlockEnd;
    }
    // Blocks committed since the graph last took the data are drawn with
    // this one: a busy user-interface thread draws several at once.
    if (m_DataChanged) {
        redrawFrom = std::min(redrawFrom, m_RedrawFrom);
        redrawTo = std::max(redrawTo, m_RedrawTo);
    }
    m_RedrawFrom = redrawFrom;
    m_RedrawTo = redrawTo;
    // Only the points this block changed, unless the whole trace did.
    const bool whole = m_FullRedraw == kFullRedrawRunning || wholeTraceChanged_ || !m_Live;
    wholeTraceChanged_ = false;
    const auto first = static_cast<ptrdiff_t>(whole ? 0 : std::clamp(m_BlockStart, 0, n));
    const auto last =
        static_cast<ptrdiff_t>(whole ? std::clamp(points, 0, n) : std::clamp(m_BlockEnd, 0, n));
    auto copy = [first, last](const auto& from, auto& to) {
        if (last > first) std::copy(from.begin() + first, from.begin() + last, to.begin() + first);
    };
    shownLimitEditing_ = sweep_.limitEditing;
    copy(work_.raw, shown_.raw);
    copy(work_.display, shown_.display);
    copy(work_.sweep, shown_.sweep);
    copy(work_.pixels, shown_.pixels);
    copy(work_.frequency, shown_.frequency);
    copy(work_.upper, shown_.upper);
    copy(work_.lower, shown_.lower);
    copy(work_.upperPixels, shown_.upperPixels);
    copy(work_.lowerPixels, shown_.lowerPixels);
    if (m_SweepComplete && (m_Live || !m_Hold) && m_PointsReceived >= n && n > 0)
        completedRaw_.assign(shown_.raw.begin(), shown_.raw.begin() + n);
    PublishPeakLists();
    // The marker searches step through the peaks of a whole sweep on the
    // present axis: a sweep half done would send a marker to the highest
    // peak found so far, and one begun before a span change to a peak of the
    // old span. Until then the lists stay empty.
    if (m_SweepComplete && m_SweepOnOneAxis) CopyPeakLists();
    const auto segments = static_cast<size_t>(work_.segmentCount) + 1;
    std::copy_n(work_.segmentStart.begin(), std::min(segments, work_.segmentStart.size()),
                shown_.segmentStart.begin());
    std::copy_n(work_.segmentCode.begin(), std::min(segments, work_.segmentCode.size()),
                shown_.segmentCode.begin());
    shown_.segmentCount = work_.segmentCount;
    // The average of the points the sum took in: all of them while a held
    // trace stands, when the received count is not kept.
    if (m_SweepComplete && m_LoopVisited > 0) m_SweepAverage = m_LevelSum / m_LoopVisited;
    bool beep = false;
    const bool failed = m_UpperFailed || m_LowerFailed;
    if (m_LimitsOn && failed && !m_LimitAlarmShown) {
        m_LimitAlarmShown = true;
        limitResultPending_ = true;
    }
    if (m_SweepComplete && m_LimitsOn && failed && sweep_.limitAlarm) beep = true;
    // Every sweep that completes without a failure shows its pass, whether or
    // not a failure stood before: a line switched on over a passing trace
    // says so as well.
    if (m_SweepComplete && !failed && (m_LimitAlarmShown || m_LimitsOn)) {
        m_LimitAlarmShown = false;
        limitResultPending_ = true;
    }
    if (m_SweepComplete && sweep_.averagingMode == 1 && m_Live) {
        m_AverageCount = std::min(m_AverageCount + 1, std::max(sweep_.averagingCount, 0));
        captionPending_ = layout != kScreenLayout;
    }
    CommitHoldAndHandshake(n);
    if (m_BlockEnd >= n - kEndOfSweepMargin) logPending_ = true;
    if (m_SweepComplete && sweep_.waterfallMode != 0 && m_PointsReceived >= n) {
        nextColumn = 0;
        columnCurrent = -1;
        columnCount = 0;
        for (int i = 0; i < n; ++i) PlotTracePoint(work_.display[static_cast<size_t>(i)], i);
        shownColumns_ = m_ColumnRows;
        waterfallLinePending_ = true;
    }
    shownColumnRows_ = m_ColumnRows;
    if (m_SweepComplete) {
        if (sweepBegunSinceRestart_) {
            m_SweepCompleted = true;
            singleSweepHeld_ = singleSweepRun_;
        }
        ++completedSweeps_;
    }
    m_DataChanged = true;
    m_RememberedLayout = layout;
    if (m_FullRedraw == kFullRedrawRunning) {
        m_FullRedraw = 0;
        m_DisplayReady = true;
    }
    // Posted before the lock goes: whoever reads this block's results finds
    // its drawing queued for the user-interface thread.
    PostDisplayRefresh();
    return beep;
}

// The peak search lists of the marker operations: by level (ranked) and by
// position (as found).
void CMeasurementBase::CopyPeakLists() {
    peakListCount = std::min<int>(m_Peaks.count, static_cast<int>(peaksByLevel.size()));
    minListCount = std::min<int>(m_Valleys.count, static_cast<int>(minsByLevel.size()));
    for (int i = 0; i < peakListCount; ++i) {
        peaksByLevel[static_cast<size_t>(i)] = m_SortedPeakIndex[static_cast<size_t>(i)];
        peaksByPosition[static_cast<size_t>(i)] = m_Peaks.index[static_cast<size_t>(i)];
    }
    for (int i = 0; i < minListCount; ++i) {
        minsByLevel[static_cast<size_t>(i)] = m_SortedValleyIndex[static_cast<size_t>(i)];
        minsByPosition[static_cast<size_t>(i)] = m_Valleys.index[static_cast<size_t>(i)];
    }
}

// Step 6 of the commit: the full-trace refresh handshake and the hold copy.
void CMeasurementBase::CommitHoldAndHandshake(int n) {
    redrawAcknowledged = redrawArmed;
    const bool stopped = currentMeasurement &&
                         currentMeasurement->GetState() == CMeasurement::kIdle &&
                         !currentMeasurement->IsActive();
    if ((m_Live || !m_Hold) && !holdCopyPending && !stopped && redrawAcknowledged) {
        m_RedrawFrom = 0;
        m_RedrawTo = 1;
        redrawRequest = redrawArmed = redrawAcknowledged = false;
    } else if (redrawRequest) {
        redrawRequest = true;
    }
    if (holdCopyPending) {
        std::copy(work_.raw.begin(), work_.raw.begin() + n, work_.hold.begin());
        m_UpperLimitOn = sweep_.upperOn;
        m_LowerLimitOn = sweep_.lowerOn;
        holdCopyPending = false;
    }
    if (m_Hold) {
        std::copy(work_.hold.begin(), work_.hold.begin() + n, shown_.hold.begin());
        std::copy(work_.holdDisplay.begin(), work_.holdDisplay.begin() + n,
                  shown_.holdDisplay.begin());
        std::copy(work_.holdPixels.begin(), work_.holdPixels.begin() + n,
                  shown_.holdPixels.begin());
    }
}

void CMeasurementBase::RestartTraceRedraw() {
    if (!redrawRequest) {
        redrawAcknowledged = false;
    } else if (!redrawArmed) {
        m_BlockStart = 0;
        if (m_Hold && !m_Live) m_PointsInBlock = m_PointCount;
        redrawArmed = true;
        ScopedLock guard(*this);
        logPending_ = true;
    }
}

void CMeasurementBase::ApplyPendingLimitRedraw() {
    // A new limit shape waits for the next sweep.
    if (m_BlockStart != 0) {
        sweep_.upperShape = limitsInTrace_.upperShape;
        sweep_.lowerShape = limitsInTrace_.lowerShape;
    }
    const bool upperChanged = upperLabelFlag.exchange(false) ||
                              sweep_.upperOn != limitsInTrace_.upperOn ||
                              sweep_.upperValue != limitsInTrace_.upperValue ||
                              sweep_.upperShape != limitsInTrace_.upperShape;
    const bool lowerChanged = lowerLabelFlag.exchange(false) ||
                              sweep_.lowerOn != limitsInTrace_.lowerOn ||
                              sweep_.lowerValue != limitsInTrace_.lowerValue ||
                              sweep_.lowerShape != limitsInTrace_.lowerShape;
    if (!upperChanged && !lowerChanged) return;
    auto clamp = [this](double v) {
        return std::clamp(v, std::min(sweep_.scaleBottom, sweep_.scaleTop), sweep_.scaleTop);
    };
    wholeTraceChanged_ = true;
    if (upperChanged) FillLimitTrace(work_.upper, sweep_.upperShape, clamp(sweep_.upperValue));
    if (lowerChanged) FillLimitTrace(work_.lower, sweep_.lowerShape, clamp(sweep_.lowerValue));
    limitsInTrace_ = sweep_;
    {
        ScopedLock guard(*this);
        limitLabelsPending_ = true;
    }
    if (m_FullRedraw == 0) m_FullRedraw = kFullRedrawRunning;
}

int CMeasurementBase::GetCompletedSweeps() {
    ScopedLock guard(*this);
    return completedSweeps_;
}

bool CMeasurementBase::IsSingleSweepHeld() {
    ScopedLock guard(*this);
    return singleSweepHeld_;
}

void CMeasurementBase::FillLimitTrace(std::vector<double>& trace,
                                      const std::shared_ptr<const std::vector<double>>& shape,
                                      double value) {
    if (shape && shape->size() >= trace.size())
        std::copy_n(shape->begin(), trace.size(), trace.begin());
    else
        std::fill(trace.begin(), trace.end(), value);
}

void CMeasurementBase::SetLimitShape(bool upper, std::vector<double> shape) {
    auto& kept = upper ? upperShape_ : lowerShape_;
    if (shape.empty())
        kept.reset();
    else
        kept = std::make_shared<const std::vector<double>>(std::move(shape));
    (upper ? upperLabelFlag : lowerLabelFlag) = true;
    TakeSweepSettings();
}

void CMeasurementBase::PostDisplayRefresh() {
    if (refresh_posted_.exchange(true)) return;
    if (!parent_view_ ||
        !parent_view_->PostMessage(kMsgDisplayRefresh, 0,
                                   reinterpret_cast<intptr_t>(static_cast<CModeBase*>(this))))
        refresh_posted_ = false;
}

void CMeasurementBase::OnDisplayRefresh() {
    refresh_posted_ = false;
    TakeSweepSettings();
    ShowPendingResults();
    RefreshDisplay();
    PublishToGraph();
}

// What the commit left for the user-interface thread to show.
void CMeasurementBase::ShowPendingResults() {
    bool limitResult, labels, log, caption, upperOn, lowerOn, readouts;
    uint32_t sweepTime = 0;
    bool showTime;
    {
        ScopedLock guard(*this);
        upperOn = m_UpperLimitOn;
        lowerOn = m_LowerLimitOn;
        limitResult = std::exchange(limitResultPending_, false);
        labels = std::exchange(limitLabelsPending_, false);
        log = std::exchange(logPending_, false);
        caption = std::exchange(captionPending_, false);
        showTime = std::exchange(sweepTimePending_, false);
        readouts = std::exchange(readoutsPending_, false);
        sweepTime = m_ShownSweepTime;
    }
    if (readouts) {
        ShowMeasurementResult(true);
        if (readout_panel_) readout_panel_->RedrawRows(0, true, kResultRowColour);
    }
    // The data path has just drawn these limits: their labels follow,
    // without asking it to draw them once more.
    if (labels && setup_) {
        if (upperOn) DrawLimitLabel(true, setup_->GetUpperLimitValue());
        if (lowerOn) DrawLimitLabel(false, setup_->GetLowerLimitValue());
    }
    if (limitResult) ShowLimitTestResult();
    if (caption) ShowTraceCaption();
    if (showTime) ShowSweepTimeText(sweepTime);
    if (log) LogTraceIfDue();
}

void CMeasurementBase::PublishToGraph() {
    CGraphPanel* panel = graphPanel;
    if (!panel || !panel->GetGraph()) return;
    bool waterfallLine = false;
    if (!PublishUnderLock(*panel, waterfallLine)) return;
    const int waterfall = setup_ ? setup_->GetWaterfallMode() : 0;
    if (waterfallLine) panel->AddWaterfallLine();
    if (waterfall != 1 && waterfall != 3) panel->DrawTrace();
    // The drawing measured the markers: the active marker's field follows.
    if (panel->GetLayout() != CGraphWidget::kScreenLayout && IsMarkerOn()) RefreshActiveMarker();
}

// The display set into the graph's data record, screen lock before the
// graph's; false when there is nothing to draw.
bool CMeasurementBase::PublishUnderLock(CGraphPanel& panel, bool& waterfallLine) {
    ScopedLock guard(*this);
    const bool heldAlone = m_Hold && !m_Live;
    if ((m_PointsReceived == 0 && !heldAlone) || panel.GetLayout() != m_RememberedLayout)
        return false;
    if (!panel.IsDisplayReady()) panel.DrawGraph(nullptr, true);
    const int n = m_PointCount;
    int from = m_RedrawFrom, to = m_RedrawTo;
    const int marker = m_MarkerRedrawPoint.exchange(-1);
    if (marker >= 0) {
        // Around the marker; new sweep data drawn besides.
        const int reach = n / kMarkerWindowDivisor + kMarkerWindowExtra;
        const int near = m_SingleSweep ? 0 : std::max(0, marker - reach);
        const int far = m_SingleSweep ? m_PointsReceived : std::min(n, marker + reach);
        from = m_DataChanged ? std::min(from, near) : near;
        to = m_DataChanged ? std::max(to, far) : far;
    } else if (!m_DataChanged) {
        return false;
    }
    FillGraphData(*panel.GetGraph(), from, to);
    m_DataChanged = false;
    m_SweepCompletedBefore = m_SweepCompleted;
    m_SweepCompleted = false;
    waterfallLine = std::exchange(waterfallLinePending_, false);
    StopAfterSingleSweep();
    return true;
}

void CMeasurementBase::FillGraphData(CGraphWidget& graph, int from, int to) {
    const int n = m_PointCount;
    auto d = graph.LockData();
    const auto count = static_cast<size_t>(std::min(n, kGraphPoints));
    const bool hold = m_Hold;
    for (size_t i = 0; i < count; ++i) {
        d->positions[i] = shown_.frequency[i];
        d->liveLevels[i] = shown_.display[i];
        d->livePoints[i] = {shown_.pixels[i].column, shown_.pixels[i].row};
        d->stored1Points[i] = {shown_.upperPixels[i].column, shown_.upperPixels[i].row};
        d->stored2Points[i] = {shown_.lowerPixels[i].column, shown_.lowerPixels[i].row};
        if (hold) {
            d->referenceLevels[i] = shown_.holdDisplay[i];
            d->referencePoints[i] = {shown_.holdPixels[i].column, shown_.holdPixels[i].row};
        }
    }
    // Entries beyond the lists hold the middle point, where "all markers to
    // peaks" (or minima) switches each marker on: a marker without a peak of
    // its own stays there instead of going to the first point.
    const auto half = std::min(count / 2, d->indexA.size());
    const int middle = n / 2;
    for (size_t i = 0; i < half; ++i) {
        d->indexA[i] = static_cast<int>(i) < peakListCount ? peaksByLevel[i] : middle;
        d->indexB[i] = static_cast<int>(i) < minListCount ? minsByLevel[i] : middle;
    }
    const auto segments =
        std::min(static_cast<size_t>(shown_.segmentCount) + 1, d->segmentEnds.size());
    for (size_t i = 0; i < segments; ++i) {
        d->segmentEnds[i] = shown_.segmentStart[i];
        d->stateCodes[i] = shown_.segmentCode[i];
    }
    d->segmentCount = shown_.segmentCount;
    if (waterfallLinePending_)
        std::copy_n(shownColumns_.begin(), std::min(shownColumns_.size(), d->columnLevels.size()),
                    d->columnLevels.begin());
    d->liveShown = m_Live || !hold;
    d->referenceShown = hold;
    d->stored1Shown = m_UpperLimitOn;
    d->stored2Shown = m_LowerLimitOn;
    d->segmentColoring = shownLimitEditing_;
    // A trace held alone (recalled, or frozen) is whole, however far the
    // live sweep under it had come when it was held.
    d->received = hold && !m_Live ? n : m_PointsReceived;
    d->total = n;
    d->first = std::clamp(from, 0, n);
    d->last = std::clamp(to, 0, n);
    d->startFrequency = sweep_.start;
    d->centerFrequency = sweep_.centre;
    d->stopFrequency = sweep_.stop;
}

// --- Sweep time ----------------------------------------------------------------------------

int CMeasurementBase::MeasureSweepTime(int endIndex, bool sweepComplete) {
    const uint32_t now = plat::tick_count();
    if (sweepComplete) {
        m_LastSweepTime = now - m_SweepStartTick;
        m_SweepStartTick = now;
        m_SweepDone = true;
    }
    if (m_LastCallTick == 0) {
        m_AccumulatedMs = 0;
        m_LastCallTick = now;
        return 0;
    }
    if (endIndex != m_BlockStart && endIndex > m_BlockStart) {
        m_EstimateSum += (now - m_LastCallTick) * static_cast<uint32_t>(m_PointCount) /
                         static_cast<uint32_t>(endIndex - m_BlockStart);
        ++m_EstimateCount;
    }
    if (!((m_SweepDone && m_AccumulatedMs > kReportAfterSweepMs) ||
          m_AccumulatedMs > kReportAnywayMs)) {
        m_AccumulatedMs += now - m_LastCallTick;
        m_LastCallTick = now;
        return 0;
    }
    const uint32_t shown = m_SweepDone           ? m_LastSweepTime
                           : m_EstimateCount > 0 ? m_EstimateSum / m_EstimateCount
                                                 : m_EstimateSum;
    ShowSweepTime(shown);
    m_EstimateSum = m_EstimateCount = m_AccumulatedMs = 0;
    m_SweepDone = false;
    m_LastCallTick = now;
    return 1;
}

core::Text CMeasurementBase::FormatElapsedTime(uint32_t ms) const {
    double value;
    const char* unit;
    if (ms >= kMsPerHour) {
        value = ms * 2.777778e-7;
        unit = "h";
    } else if (ms < kMsPerMinute) {
        if (ms >= kMsPerSecond || ms == 0) {
            value = ms * 0.001;
            unit = "s";
        } else {
            value = ms;
            unit = "ms";
        }
    } else {
        value = ms * 1.6666667e-5;
        unit = "mn";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%2.1f%s", value, unit);
    return core::Text(text, text + std::strlen(text));
}

// Kept for the user-interface thread, which writes the readout.
void CMeasurementBase::ShowSweepTime(uint32_t ms) {
    ScopedLock guard(*this);
    m_ShownSweepTime = ms;
    sweepTimePending_ = true;
}

void CMeasurementBase::ShowSweepTimeText(uint32_t ms) {
    if (screenLayout == kScreenLayout || !readout_panel_) return;
    const int mode = setup_ ? setup_->GetSweepFlag() : 0;
    core::Text text = (mode == 0 || mode == 1) ? u"S" : u"C";
    text += u",";
    text += FormatElapsedTime(ms);
    text += GetSweepTimeSuffix();
    readout_panel_->SetCellText(kSweepLabel, text, 1, 2, 0);
}

// --- Hold, results, run state ---------------------------------------------------------------

void CMeasurementBase::HoldTrace() {
    if (m_Hold && m_Live) {
        m_Live = false;
        return;
    }
    if (!m_Hold) {
        m_Hold = true;
        m_Live = true;
        {
            ScopedLock guard(*this);
            holdCopyPending = true;
        }
        plat::sleep_ms(kHoldSettleMs);
        m_Live = false;
    }
}

void CMeasurementBase::SetHoldState() {
    m_Live = true;
    m_Hold = true;
}

void CMeasurementBase::ResetHoldState() {
    m_Live = true;
    m_Hold = false;
}

int CMeasurementBase::GetSweepAverage(double* out) {
    ScopedLock guard(*this);
    if (m_PointsReceived < m_PointCount || !out) return 0;
    *out = m_SweepAverage;
    return 1;
}

// The board says whether it runs: the measurement's state follows (the
// board is not asked again, which would restart the sweep).
void CMeasurementBase::SetRunState(CDeviceItem* record) {
    CMeasurement* const measurement = LockedCurrentMeasurement();
    if (!record || !measurement) return;
    const uint8_t* data = record->GetData();
    const int run = data && record->GetDataLength() > 0 ? data[0] : 0;
    if (run >= kRunStateStopped)
        measurement->SetState(CMeasurement::kAcquiring);
    else
        measurement->Halt();
}

// Keeps at most 256 bytes with their length (no terminator needed).
void CMeasurementBase::ShowRecordText(const char* text, int length, int kind) {
    if (length < 0 || static_cast<size_t>(length) > kRecordTextMax) return;
    if (kind == 2 && text) {
        std::memcpy(m_RecordText.data(), text, static_cast<size_t>(length));
        m_RecordTextLength = static_cast<size_t>(length);
    }
    if (file_label_panel_) file_label_panel_->SetStatusIcon(kind);
}

double CMeasurementBase::GetResultA() {
    ScopedLock guard(*this);
    return resultA;
}

double CMeasurementBase::GetResultB() {
    ScopedLock guard(*this);
    return resultB;
}

int CMeasurementBase::SetReferenceTraceDoubles(const double* values, int count) {
    if (!values || !setup_ || count != setup_->GetDataPoints()) return 0;
    ScopedLock guard(*this);
    m_ReferenceTrace.assign(values, values + count);
    m_ReferenceChanged = true;
    return 1;
}

int CMeasurementBase::SetReferenceTrace(const float* values, int count) {
    if (!values || !setup_ || count != setup_->GetDataPoints()) return 0;
    ScopedLock guard(*this);
    m_ReferenceTrace.assign(values, values + count);
    m_ReferenceChanged = true;
    return 1;
}

void CMeasurementBase::OnResultRecord(CDeviceItem* record) {
    if (!record) return;
    if (record->GetType() == CDeviceItem::kDemod) {
        const auto* samples = reinterpret_cast<const int16_t*>(record->GetData());
        const uint32_t count = std::min(record->GetCount(), record->GetDataLength() / 2);
        AppendAudioSamples(samples, count);
        return;
    }
    if (record->GetType() == CDeviceItem::kQueryReply) {
        OnMarkerResults(record);
        return;
    }
    // Other results belong to the measurement; the readouts follow on the
    // user-interface thread.
    {
        ScopedLock guard(*this);
        readoutsPending_ = m_Live;
    }
    PostDisplayRefresh();
}

// CVnaMode: the board's replies by code and type, the hooks of the sweep
// intake, the automatic scale, the axis labels and the DC-bias watchdog.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "files/vna_meas_setup.h"
#include "instrument/device_item.h"
#include "instrument/vna_measurements.h"
#include "platform/kernel/clock.h"
#include "screens/vna/vna_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/graph_widget.h"

using namespace vna;

namespace {

// Reply codes (the message number a reply answers).
constexpr uint16_t kCodeSweep = 1;
constexpr uint16_t kCodeGain = 2;
constexpr uint16_t kCodeCableSweep = 3;
constexpr uint16_t kCodeDtf = 4;
constexpr uint16_t kCodeBiasCurrent = 23;
constexpr uint16_t kCodeStop = 35;
// The graph's x-axis kinds.
constexpr int kFrequencyAxis = 0, kDistanceAxis = 2;
constexpr uint16_t kCodeRunState = 96;
// A distance-to-fault sweep that took this long or longer shows its progress.
constexpr uint32_t kLongSweepMs = 15001;
constexpr uint32_t kMeasuringText = 64183;
constexpr int kProgressColourA = 44, kProgressColourB = 45;
constexpr uint8_t kBiasKind = 0;
constexpr int kNormalColour = 39;
constexpr int kOverlayPage = 52;
constexpr int kRedrawRequested = 2;  // the whole trace drawn again

// The value k of a reply: a 32-bit float of its data; NaN past its end.
double ValueAt(const CDeviceItem* record, uint32_t k) {
    if (!record || !record->GetData() || k >= record->GetCount() ||
        (size_t{k} + 1) * sizeof(float) > record->GetDataLength())
        return std::numeric_limits<double>::quiet_NaN();
    float v;
    std::memcpy(&v, record->GetData() + size_t{k} * sizeof(float), sizeof v);
    return v;
}

// The graph's axis from the setup's amplitude scale.
class VnaScale : public IGraphScale {
  public:
    VnaScale(uint32_t unit, double top, double bottom) : unit_(unit), top_(top), bottom_(bottom) {}
    uint32_t GetUnit() const override { return unit_; }
    double GetFirst() const override { return bottom_; }
    double GetSecond() const override { return top_; }
    double GetStep() const override { return (top_ - bottom_) * 0.1; }

  private:
    uint32_t unit_;
    double top_, bottom_;
};

}  // namespace

// ------------------------------------------------------------ replies

// Every reply of the current measurement, on the thread that delivers it.
// Sweep blocks and the run state are taken here; every other reply goes to
// the user-interface thread.
void CVnaMode::ProcessNewData(CDeviceItem* record, int) {
    if (!record || record->GetType() != CDeviceItem::kVnaSweep) return;
    const auto code = static_cast<uint16_t>(record->GetId());
    if (code == kCodeRunState) {
        SetRunState(record);
        return;
    }
    if (code > kCodeDtf) {
        PostedReply reply;
        reply.code = code;
        reply.values = record->GetCount();
        if (record->GetData())
            reply.data.assign(record->GetData(), record->GetData() + record->GetDataLength());
        {
            std::lock_guard<std::mutex> guard(reply_lock_);
            replies_.push_back(std::move(reply));
        }
        PostDisplayRefresh();
        return;
    }
    switch (type_.load()) {
        case kMatch:
            ProcessSweepBlock(record);
            break;
        case kDistanceToFault:
            if (IsRecalledTraceShown()) {
                ProcessSweepBlock(record);
            } else if (code == kCodeDtf) {
                dtf_progress_ = kProgressCleared;
                PostDisplayRefresh();
                ProcessSweepBlock(record);
            } else if (code == kCodeSweep) {
                ProcessDtfBlock(record);
            }
            break;
        case kCableLoss:
            ProcessSweepBlock(record);
            if (m_SweepComplete) {
                sweep_average_ = m_SweepAverage;
                sweep_done_type_ = kCableLoss;
            }
            break;
        case kGain:
            if (code != kCodeGain) break;
            ProcessSweepBlock(record);
            if (m_SweepComplete) {
                sweep_average_ = m_SweepAverage;
                sweep_done_type_ = kGain;
            }
            break;
        default:
            break;
    }
}

void CVnaMode::TakePostedReplies() {
    for (;;) {
        PostedReply reply;
        {
            std::lock_guard<std::mutex> guard(reply_lock_);
            if (replies_.empty()) return;
            reply = std::move(replies_.front());
            replies_.pop_front();
        }
        OnPostedReply(reply.code, reply.data, reply.values);
    }
}

// The user-interface thread's routing of the replies it was handed.
void CVnaMode::OnPostedReply(uint16_t code, const std::vector<uint8_t>& data, uint32_t values) {
    if (cal_page_ && !key_lock_) {
        if (CurrentType() == kGain && code == kCodeBiasCurrent) {
            uint32_t word = 0;
            if (data.size() >= sizeof word) std::memcpy(&word, data.data(), sizeof word);
            CheckDcBiasCurrent(word);
            return;
        }
        OnCalibrationReply(code, data, values);
        return;
    }
    if (key_lock_) {
        OnDspReply(code);
        return;
    }
    if (code == kCodeStop) {
        StopMeasurement();
        return;
    }
    if (code == kCodeBiasCurrent && CurrentType() == kGain) {
        uint32_t word = 0;
        if (data.size() >= sizeof word) std::memcpy(&word, data.data(), sizeof word);
        CheckDcBiasCurrent(word);
    }
}

// A distance-to-fault block the board streams while a long sweep goes on:
// it holds the trace from the first point up to where the sweep got. The
// points it brings go through the intake with the distance-to-fault trace
// mode; readout row 5 then shows how far the sweep got, but only once a
// whole sweep took longer than 15 s, so short sweeps do not blink.
void CVnaMode::ProcessDtfBlock(CDeviceItem* record) {
    const int n = m_PointCount;
    const int points = std::min(GetBlockPointCount(record), n);
    if (points < 1) return;
    const uint32_t last_sweep_ms = m_LastSweepTime;
    dtf_block_ = true;
    ProcessSweepBlock(record);
    dtf_block_ = false;
    const int start = m_BlockStart;
    if (last_sweep_ms < kLongSweepMs || !m_Live) {
        dtf_progress_ = kProgressCleared;
    } else {
        dtf_progress_colour_ =
            dtf_progress_colour_ == kProgressColourA ? kProgressColourB : kProgressColourA;
        dtf_progress_ = (int64_t{start} << 32) | static_cast<uint32_t>(n);
    }
    // The intake times no distance-to-fault sweep of its own: the sweep
    // started at its first block and ends with the block that completes it.
    if (m_SweepComplete) m_LastSweepTime = plat::tick_count() - m_SweepStartTick;
    PostDisplayRefresh();
}

// A point of a streamed distance-to-fault block: averaging as every block,
// but the hold modes compare the new value with the held reference trace.
void CVnaMode::ProcessPoint(int index, double frequency, double value) {
    const auto k = static_cast<size_t>(index);
    const double working = work_.raw[k];
    CMeasurementBase::ProcessPoint(index, frequency, value);
    if (!dtf_block_ || !m_Live || sweep_.limitEditing) return;
    const double w = sweep_.averagingCount > 0 ? 1.0 / sweep_.averagingCount : 1.0;
    const double stepped =
        DtfTraceStep({sweep_.averagingMode, m_AverageOn, sweep_.peakHoldMode, m_HoldMode}, working,
                     work_.hold[k], work_.sweep[k], w);
    if (stepped == work_.raw[k]) return;
    work_.raw[k] = stepped;
    work_.display[k] = ConvertLevel(stepped);
    work_.pixels[k].row = LevelToRow(work_.display[k]);
}

// Row 5 back to the help of the menu key last pressed.
void CVnaMode::ClearProgressRow() {
    if (progress_colour_ == kNormalColour) return;
    ShowMenuHelp(current_menu_key_);
    progress_colour_ = kNormalColour;
}

// The progress of a streamed distance-to-fault sweep that the delivering
// thread left for row 5.
void CVnaMode::ShowDtfProgress() {
    const int64_t progress = dtf_progress_.exchange(kNoProgress);
    if (progress == kNoProgress || active_function_ == kOverlayPage || key_lock_ || key_lock2_)
        return;
    if (progress == kProgressCleared) {
        ClearProgressRow();
        return;
    }
    const auto start = static_cast<int32_t>(progress >> 32);
    const auto points = static_cast<int32_t>(progress & 0xFFFFFFFF);
    progress_colour_ = dtf_progress_colour_;
    ShowHelpRow(LoadResString(kMeasuringText) + u"  .... " +
                    core::FormatText("% 6.3f", start * 100.0 / std::max(points, 1)) + u" %.",
                progress_colour_);
}

// The display refresh of the user-interface thread: the replies handed over,
// then the sweep results the delivering thread completed.
int CVnaMode::RefreshDisplay() {
    TakePostedReplies();
    ShowDtfProgress();
    const int done = sweep_done_type_.exchange(0);
    if (done == kCableLoss) vna_setup_->SetCableLoss(static_cast<float>(sweep_average_.load()));
    if (done == kGain) vna_setup_->SetTwoPortAvgGain(static_cast<float>(sweep_average_.load()));
    if (done != 0 && done == CurrentType() && active_function_ != kOverlayPage) {
        if (done == kCableLoss) ShowCableLoss(vna_setup_->GetCableLoss());
        if (done == kGain) ShowAverageGain(vna_setup_->GetTwoPortAvgGain());
    }
    return CMeasurementBase::RefreshDisplay();
}

void CVnaMode::SetRunState(CDeviceItem* record) {
    // "Running" while the measurement runs needs nothing (as on the
    // spectrum analyzer): a restart would ask the board for another state.
    const bool running =
        record && record->GetData() && record->GetDataLength() > 0 && record->GetData()[0] >= 1;
    const CMeasurement* measurement = LockedCurrentMeasurement();
    if (running && measurement && measurement->IsActive()) return;
    CMeasurementBase::SetRunState(record);
}

// ------------------------------------------------------------ intake hooks

int CVnaMode::GetBlockPointCount(CDeviceItem* record) {
    return record ? static_cast<int>(record->GetCount() / 2) : 0;
}

int CVnaMode::GetBlockEndIndex(CDeviceItem* record) {
    if (!record) return 0;
    const auto start = static_cast<int>(record->GetFirstIndex());
    if (type_ != kCableLoss) return start;
    return CableLossBlockEnd(start, GetBlockPointCount(record), m_PointCount);
}

// Point i's measured value (value 2i of the block); its second value is kept
// beside it.
double CVnaMode::GetTracePoint(CDeviceItem* record, int index) {
    if (index < 0) return std::numeric_limits<double>::quiet_NaN();
    return ValueAt(record, 2 * static_cast<uint32_t>(index));
}

double CVnaMode::ConvertLevel(double level) {
    ScopedLock guard(*this);
    return ToDisplayValue(type_, level, display_offset_, display_scale_);
}

int CVnaMode::PrepareSweepStart(int axisMode, int* out) {
    const int result = CMeasurementBase::PrepareSweepStart(axisMode, out);
    m_SweepMax = -500.0;
    m_SweepMin = 500.0;
    m_SweepComplete = false;
    if (out) *out = 1;
    return result;
}

// The scale the graph plots with, and the display conversion's settings,
// taken together under the lock.
int CVnaMode::LoadScaleRange() {
    ScopedLock guard(*this);
    scaleTop = vna_setup_->GetAmplitudeTop();
    scaleBottom = vna_setup_->GetAmplitudeBottom();
    display_scale_ = ScaleOfSetup();
    display_offset_ = vna_setup_->GetAmplitudeOffset();
    return 1;
}

// The cable-loss sweep's re-processing: every point counts once toward the
// sweep average, smoothed over the sweep as measured; the trace keeps the
// measured values.
void CVnaMode::ReprocessStoredTrace() {
    m_LevelSum = 0;
    for (int i = 0; i < m_PointCount; ++i) m_LevelSum += ReadStoredPoint(0, i);
}

double CVnaMode::ReadStoredPoint(int, int index) {
    const int n = std::min(m_PointCount, static_cast<int>(work_.sweep.size()));
    return SmoothedValue(work_.sweep.data(), n, index);
}

int CVnaMode::StopAfterSingleSweep() {
    if (!stop_after_sweep_ || !m_SweepCompletedBefore || cal_page_) return 0;
    StopMeasurement();
    return 1;
}

double CVnaMode::GetTraceMaximum() const {
    return m_SweepMax;
}

double CVnaMode::GetTraceMinimum() const {
    return m_SweepMin;
}

std::vector<double> CVnaMode::GetShownTrace() {
    ScopedLock guard(*this);
    const auto n = static_cast<size_t>(std::clamp(m_PointsReceived, 0, m_PointCount));
    return {shown_.display.begin(), shown_.display.begin() + static_cast<ptrdiff_t>(n)};
}

// ------------------------------------------------------------ scale

void CVnaMode::Autoscale() {
    double highest, lowest;
    {
        ScopedLock guard(*this);
        highest = m_SweepMax;
        lowest = m_SweepMin;
    }
    if (highest < lowest) highest = lowest = std::numeric_limits<double>::quiet_NaN();
    const vna::AutoScale s = vna::Autoscale(CurrentType(), highest, lowest,
                                            vna_setup_->GetAmplitudeOffset(), ScaleOfSetup());
    vna_setup_->SetAmplitudeBottom(s.bottom);
    vna_setup_->SetAmplitudeTop(s.top);
    vna_setup_->SetAmplitudeBottomClamped(s.final_bottom);
    vna_setup_->SetAmplitudeTopClamped(s.final_top);
    LoadScaleRange();
    m_FullRedraw = kRedrawRequested;
}

void CVnaMode::PushScaleToGraph() {
    // The distance-to-fault trace and its markers stand on a distance axis.
    if (graphPanel)
        graphPanel->SetXAxisKind(CurrentType() == kDistanceToFault ? kDistanceAxis
                                                                   : kFrequencyAxis);
    LoadScaleRange();
    RebuildAmplitudeAxis();
}

void CVnaMode::RebuildAmplitudeAxis() {
    ScopedLock guard(*this);
    const auto unit = static_cast<uint32_t>(vna_setup_->GetMeasureUnit());
    const double top = vna_setup_->GetAmplitudeTop(), bottom = vna_setup_->GetAmplitudeBottom();
    if (graphPanel && graphPanel->GetGraph()) {
        const VnaScale scale(unit, top, bottom);
        graphPanel->SetScale(&scale);
        const auto values = AxisLabelValues(top, bottom);
        for (size_t k = 0; k < values.size(); ++k)
            graphPanel->SetAxisText(static_cast<int>(k),
                                    FormatLevel(values[k], unit, false, false, true, false));
        graphPanel->RedrawBackground(true, 0);
    }
    m_FullRedraw = kRedrawRequested;
}

// ------------------------------------------------------------ DC bias

void CVnaMode::SetDcBiasOn(bool on) {
    if (on == dc_bias_on_) return;
    if (!on) {
        SwitchOffDcBias();
        return;
    }
    dc_bias_on_ = true;
    unanswered_bias_queries_ = 0;
    if (CVnaMeasurement* m = Current()) m->SendOption(kBiasKind, 1);
    SetTimer(kBiasTimer);
    ShowBiasState();
}

// The DC bias off: the watchdog stops and the board is told.
void CVnaMode::SwitchOffDcBias() {
    dc_bias_on_ = false;
    KillTimer(kBiasTimer);
    if (CVnaMeasurement* m = Current()) m->SendOption(kBiasKind, 0);
    if (active_function_ != kOverlayPage) {
        ShowBiasState();
        ShowBiasCurrent(0);
    }
}

// Timer 7: one current query a period; a query left unanswered for a whole
// period switches the DC bias off.
void CVnaMode::ShowBiasTeeMessage() {
    if (CVnaMeasurement* m = Current()) m->SendCommand(kCodeBiasCurrent);
    SetTimer(kBiasTimer);
    if (unanswered_bias_queries_ > 0) {
        KillTimer(kBiasTimer);
        if (dc_bias_on_) {
            SwitchOffDcBias();
            Messages().Ask(2514, 0, false);
        }
    }
    ++unanswered_bias_queries_;
}

void CVnaMode::CheckDcBiasCurrent(uint32_t word) {
    const double milliamps = BiasCurrentMilliamps(word);
    const double amps = milliamps / 1000.0;
    if (active_function_ != kOverlayPage && dc_bias_on_) ShowBiasCurrent(amps);
    vna_setup_->SetTwoPortBAmps(amps);
    KillTimer(kBiasTimer);
    unanswered_bias_queries_ = 0;
    if (!dc_bias_on_) return;  // a late reply: the watchdog stays off
    if (BelowCurrentLimit(milliamps, vna_setup_->GetBiasCurrentLimit())) {
        SetTimer(kBiasTimer);
        return;
    }
    SwitchOffDcBias();
    Messages().Ask(2513, 2512, false);
}

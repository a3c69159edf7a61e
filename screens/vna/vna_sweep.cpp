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
            if (code == kCodeDtf) ProcessSweepBlock(record);
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

// The display refresh of the user-interface thread: the replies handed over,
// then the sweep results the delivering thread completed.
int CVnaMode::RefreshDisplay() {
    TakePostedReplies();
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
        graphPanel->SetXAxisKind(CurrentType() == kDistanceToFault ? kDistanceAxis : kFrequencyAxis);
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

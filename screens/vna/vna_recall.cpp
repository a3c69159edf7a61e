// CVnaMode: network analyzer trace files. A save writes the record's points
// beside the screen's calibration, cable loss, gain and DC bias; a recall
// takes a file's setup and points, holds the points as the recalled trace
// and keeps the values the file brought for the readouts.
#include <algorithm>
#include <memory>
#include <utility>

#include "core/app_commands.h"
#include "core/frequency_range.h"
#include "files/formats/analyzer_trace_file.h"
#include "files/formats/setup_file.h"
#include "files/formats/trace_file.h"
#include "files/setup_entry.h"
#include "files/vna_meas_setup.h"
#include "instrument/device_port.h"
#include "instrument/dsp_interface.h"
#include "instrument/measurement.h"
#include "screens/screen_services.h"
#include "screens/vna/vna_mode.h"

using namespace vna;

namespace {

constexpr uint32_t kNoTraceSelected = 64263;
constexpr uint32_t kOtherSetupQuestion = 64266;
// The calibration type's bits: one-port, two-port and isolation terms.
constexpr int32_t kCalOnePortBit = 1, kCalTwoPortBit = 2, kCalIsolationBit = 4;

// Whether a file's setup measures another kind or range than the screen's.
bool DiffersFrom(const CMeasSetup& file, const CVNAMeasSetup& live, int type) {
    if (file.GetMeasurementId() != type) return true;
    const CFrequencyRange* a = file.GetFrequencyRange();
    const CFrequencyRange* b = live.GetFrequencyRange();
    if (!a || !b) return a != b;
    return a->GetStart() != b->GetStart() || a->GetStop() != b->GetStop();
}

// Keeps the link from delivering to the screen's measurement while a file's
// values go into the setup and the trace buffers; at its end the link
// delivers to the measurement the screen then has.
class DeliveryPause {
  public:
    DeliveryPause(CDevicePort* link, CMeasurement* listener, CMeasurement* const& current)
        : link_(link), current_(current) {
        if (link_ && listener) link_->RemoveListener(listener);
    }
    ~DeliveryPause() {
        if (link_ && current_) link_->SetListener(current_);
    }
    DeliveryPause(const DeliveryPause&) = delete;
    DeliveryPause& operator=(const DeliveryPause&) = delete;

  private:
    CDevicePort* link_;
    CMeasurement* const& current_;
};

}  // namespace

// ------------------------------------------------------------ saving

bool CVnaMode::SaveTraceFile(const core::Text& path, CMeasSetup* setup,
                             const ITraceSource* source) {
    auto* vna = dynamic_cast<CVNAMeasSetup*>(setup);
    if (!vna) return false;
    saving_source_ = source;
    CVNATraceFile file(vna, path, 0, this);
    const bool saved = file.Save();
    saving_source_ = nullptr;
    return saved;
}

core::Text CVnaMode::GetTracePath() const {
    return saving_source_ ? saving_source_->GetTracePath() : core::Text();
}

std::optional<TraceHeaderTexts> CVnaMode::GetHeaderTexts() const {
    return saving_source_ ? saving_source_->GetHeaderTexts() : std::nullopt;
}

const TracePoint* CVnaMode::GetPoint(uint32_t i) const {
    return saving_source_ ? saving_source_->GetPoint(i) : nullptr;
}

const TracePoint* CVnaMode::GetDtfPoint(uint32_t i) const {
    return saving_source_ ? saving_source_->GetDtfPoint(i) : nullptr;
}

// The live values: the calibration the sweep runs with, the DC bias and its
// last current; the gain and the cable loss are the setup's own.
VnaTraceValues CVnaMode::GetVnaValues() const {
    VnaTraceValues v;
    int32_t cal = 0;
    if (vna_setup_->IsCalValid(false)) {
        if (vna_setup_->HasOnePortCal()) cal |= kCalOnePortBit;
        if (vna_setup_->HasTwoPortCal()) cal |= kCalTwoPortBit;
        if (vna_setup_->HasIsolationCal()) cal |= kCalIsolationBit;
    }
    v.calibration_type = cal;
    // The board reports no ADC saturation in its records.
    v.adc_saturated = false;
    v.two_port_bias = dc_bias_on_;
    v.two_port_bias_current = dc_bias_on_ ? vna_setup_->GetTwoPortBAmps() : 0.0;
    return v;
}

// ------------------------------------------------------------ recall

void CVnaMode::ReceiveVnaValues(const VnaTraceValues& values) {
    SetRecalledCalibType(values.calibration_type.value_or(0));
    SetRecalledAdcSatGain(values.adc_saturated.value_or(false));
    SetRecalledAvgGain(values.two_port_avg_gain.value_or(0.0f));
    SetRecalledBiasCurrent(values.two_port_bias_current.value_or(0.0));
    SetRecalledBiasOn(values.two_port_bias.value_or(false));
    SetRecalledCableLoss(values.cable_loss.value_or(0.0f));
    // Trace files carry no bias voltage: a recalled trace shows "+12V".
    SetRecalledBiasVoltage(0);
}

void CVnaMode::LoadRecalledTrace(const float* entries, int count) {
    if (!entries) return;
    CMeasurementBase::LoadRecalledTrace(entries, count);
    recalled_present_ = true;
}

bool CVnaMode::IsRecalledTraceShown() const {
    return recalled_present_ && !m_Live;
}

bool CVnaMode::OnKeyCode(int code) {
    if (code > 1) return CMeasurementBase::OnKeyCode(code);
    if (!m_FileManager) {
        HoldForRecallKey(code);
        return false;
    }
    const ISetupEntry* entry = SelectedTraceEntry();
    const CMeasSetup* listed = entry ? entry->GetSetup() : nullptr;
    return RecallTraceFile(code, listed ? listed->GetFilePath() : core::Text());
}

bool CVnaMode::RecallTraceFile(int code, const core::Text& path) {
    if (path.empty()) {
        Messages().Ask(kNoTraceSelected, 0, false);
        return false;
    }
    auto* s = services();
    ISetupEnvironment* environment = s ? s->GetSetupEnvironment() : nullptr;
    core::Text reason;
    const std::unique_ptr<CMeasSetup> file =
        CSetupFile::LoadSetupObject(path, environment, &reason);
    if (!file || file->GetMeasurementClass() != kModeId) {
        Messages().Ask(CTraceFile::kInvalidFormatId, 0, false);
        return false;
    }
    if (DiffersFrom(*file, *vna_setup_, CurrentType()) &&
        !Messages().Ask(kOtherSetupQuestion, 0, true))
        return false;

    StopMeasurement();
    const DeliveryPause pause(dspLink, currentMeasurement, currentMeasurement);
    auto buffer = std::make_unique<TracePoint[]>(kTraceBufferPoints);
    CVNATraceFile reader(vna_setup_.get(), path);
    reader.SetReceiver(this);
    bool read = reader.ReadTraceSilently(path, buffer.get(), &reason);
    if (!read) {
        CTraceFile legacy(vna_setup_.get(), 0, 0, 1);
        legacy.SetQuiet(true);
        read = legacy.ReadWithProgress(path, buffer.get());
    }
    if (!read) {
        Messages().Ask(CTraceFile::kInvalidFormatId, 0, false);
        return false;
    }
    const int points = vna_setup_->GetDataPoints();
    if (currentMeasurement) {
        if (points != m_PointCount) AllocTraceBuffers(points);
        LoadRecalledTrace(reinterpret_cast<const float*>(buffer.get()), points);
    }
    // The application makes the screen current again with the file's
    // measurement; the activation that follows shows the recalled trace
    // once more.
    if (CMeasurement* m = MeasurementOfType(vna_setup_->GetMeasurementId())) {
        SetCurrentMeasurement(m, vna_setup_.get());
        type_ = CurrentType();
        if (PostCommandObject<kCmdSwitchNoStart>(main_frame(), this))
            recall_shown_at_activation_ = code;
    }
    ShowRecalledValues(code);
    return true;
}

void CVnaMode::ShowRecalledValues(int code) {
    if (recalled_present_) ShowRecalledTrace(code);
    ShowTitle();
    PushScaleToGraph();
    UpdateSweepReadout(true);
    if (CurrentType() == kGain) ShowAverageGain(vna_setup_->GetTwoPortAvgGain());
    if (CurrentType() == kCableLoss) ShowCableLoss(vna_setup_->GetCableLoss());
}

void CVnaMode::ShowRecallAfterActivation() {
    const int code = std::exchange(recall_shown_at_activation_, -1);
    if (code >= 0) ShowRecalledValues(code);
}

// CVnaMode: the readout cells under the graph: calibration and output
// power, offset, sweep mode, IFBW, data points, cable loss, average gain and
// the DC bias.
#include "core/res_string.h"
#include "core/saturating_cast.h"
#include "core/text.h"
#include "core/units.h"
#include "files/vna_meas_setup.h"
#include "instrument/measurement.h"
#include "screens/vna/vna_mode.h"
#include "widgets/readout_panel.h"

using namespace vna;

namespace {

constexpr plat::COLORREF kNormal = 0;
constexpr plat::COLORREF kRed = 0x0000FF;
constexpr uint32_t kBlank = 184;
constexpr int kOverlayPage = 52;
constexpr int kFrequencyRow = 0;
constexpr uint32_t kFrequencyFormat = 0;

// String ids of the cells.
enum : uint32_t {
    kCalLabel = 1040,
    kCalOff = 309,
    kCalOnePort = 64354,
    kCalTwoPort = 64355,
    kCalIsolation = 64356,
    kDbm = 561,
    kOutput = 61341,
    kOverload = 61402,
    kOffsetLabel = 219,
    kSweepLabel = 672,
    kContinuous = 64301,
    kSingle = 64302,
    kPointsLabel = 61342,
    kCableLossLabel = 294,
    kAverage = 61340,
    kGainLabel = 298,
    kCurrentLabel = 61327,
    kBiasLabel = 304,
    kOn = 308,
    kDtfStartLabel = 229,
    kDtfSpanLabel = 215,
    kDtfCentreLabel = 214,
    kDtfStopLabel = 230,
    kCableTypeLabel = 760,
    kNoCableType = 64303,
    kVpLabel = 1156,
    kDtfLossLabel = 1366,
    kSmoothingLabel = 762,
    kMaxDistanceLabel = 64179,
    kRecalledBiasLabel = 64353,
    kAttenuationLabel = 961,
    kDetectorLabel = 1125,
    kTriggerLabel = 789,
};

constexpr int kSettingsRow = 2;
constexpr int32_t kManualAttenuation = 1;

// The trigger modes 0 (internal), 1 (external) and 2 (video); others have
// no name.
std::optional<uint32_t> TriggerNameId(int32_t mode) {
    switch (mode) {
        case 0:
            return 552;
        case 1:
            return 246;
        case 2:
            return 245;
        default:
            return std::nullopt;
    }
}

}  // namespace

void CVnaMode::UpdateSettingsReadout() {
    if (!readout_panel_) return;
    const CVNAMeasSetup& s = *vna_setup_;
    SetField(kOffsetLabel, FormatLevel(s.GetAmplitudeOffset(), UNIT_DB, true, false, true, true),
             kSettingsRow, 0, kNormal);
    SetField(kAttenuationLabel,
             core::FormatText("%d", SaturatingCast<int>(s.GetAttenuationLevel())) +
                 (s.GetAttenuationMode() == kManualAttenuation ? u" dB(M)" : u" dB(A)"),
             kSettingsRow, 1, kNormal);
    SetField(kDetectorLabel, DetectorName(static_cast<uint32_t>(s.GetDetectionMode()), true),
             kSettingsRow, 2, kNormal);
    const auto trigger = TriggerNameId(s.GetTriggerMode());
    SetField(kTriggerLabel, trigger ? LoadResString(*trigger) : core::Text(), kSettingsRow, 3,
             kNormal);
}

void CVnaMode::UpdateSweepReadout(bool full) {
    if (!full || !readout_panel_) return;
    const int type = CurrentType();
    ShowCalibrationAnnotation();
    if (type != kDistanceToFault)
        SetField(kOffsetLabel,
                 FormatLevel(vna_setup_->GetAmplitudeOffset(), UNIT_DB, true, false, true, true), 1,
                 1, kNormal);
    SetField(kSweepLabel, LoadResString(vna_setup_->GetTriggerMode() == 0 ? kSingle : kContinuous),
             1, 2, kNormal);
    if (const CChoiceBlock* b = vna_setup_->GetBandwidthSettings()) {
        const auto id = IfbwTextId(static_cast<int>(b->GetRbwIndex()));
        const core::Text text = id ? u"IFBW: " + LoadResString(*id) : core::Text();
        if (type == kDistanceToFault) {
            SetFieldText(core::Text(), text, 3, 1);
        } else {
            SetFieldText(core::Text(), text, 2, 3);
            readout_panel_->SetCellIds(kBlank, kBlank, 3, 1);
        }
    }
    ShowDataPointsAnnotation();
    // The loss and gain fields of row 2 are those measurements' alone.
    if (type == kMatch || type == kDistanceToFault)
        for (int c = 0; c < 3; ++c) readout_panel_->SetCellIds(kBlank, kBlank, 2, c);
    switch (type) {
        case kDistanceToFault:
            ShowDtfReadouts();
            return;
        case kCableLoss:
            ShowCableLossReadouts();
            break;
        case kGain:
            for (int c = 0; c < 3; ++c) readout_panel_->SetCellIds(kBlank, kBlank, 2, c);
            ShowGainReadouts();
            break;
        default:
            break;
    }
    readout_panel_->ShowFrequencyRow(vna_setup_->GetFrequencyRange(), kFrequencyFormat,
                                     kFrequencyRow);
    ShowFrequencyListName();
}

void CVnaMode::UpdateStatusRows() {
    if (readout_panel_) {
        if (CurrentType() == kDistanceToFault) {
            ShowDtfReadouts();
            ShowDataPointsAnnotation();
        } else {
            readout_panel_->ShowFrequencyRow(vna_setup_->GetFrequencyRange(), kFrequencyFormat,
                                             kFrequencyRow);
        }
    }
    CMeasurementBase::UpdateStatusRows();
}

// The distance-to-fault settings: the distance range, the cable with its
// velocity factor, loss and smoothing, and the greatest distance the sweep
// reaches. The distance range takes the first row, where the other types
// show the frequency range; the frequency keys still show that one.
void CVnaMode::ShowDtfReadouts() {
    if (!readout_panel_) return;
    const CVNAMeasSetup& s = *vna_setup_;
    const bool metric = s.IsDistanceInMeters();
    const auto distance = [&](double metres) {
        return FormatDistance(metres * 1000.0, metric, false, true);
    };
    const double start = s.GetDtfStartRaw(), span = s.GetDtfSpan();
    SetField(kDtfStartLabel, distance(start), 0, 0, kNormal);
    SetField(kDtfSpanLabel, distance(span), 0, 1, kNormal);
    SetField(kDtfCentreLabel, distance(start + span * 0.5), 0, 2, kNormal);
    SetField(kDtfStopLabel, distance(s.GetDtfStopRaw()), 0, 3, kNormal);
    readout_panel_->SetCellIds(kBlank, kBlank, 3, 0);
    core::Text cable;
    if (s.GetCableType() && vna_setup_->GetEnvironment())
        cable = vna_setup_->GetEnvironment()->GetCableTypeName(s.GetCableType());
    SetField(kCableTypeLabel, cable.empty() ? LoadResString(kNoCableType) : cable, 4, 0, kNormal);
    SetField(kVpLabel, core::FormatText("%2.1f", s.GetDtfVp() * 100.0) + u"%", 4, 1, kNormal);
    const uint32_t loss_unit = LossUnitForLengthUnit(static_cast<uint32_t>(s.GetDistanceUnit()));
    const double loss =
        ConvertLossPerLength(s.GetDtfLoss(), SourceUnit{UNIT_DB_PER_METRE}, TargetUnit{loss_unit});
    SetField(kDtfLossLabel, core::FormatText("%1.4f ", loss) + LossUnitText(loss_unit), 4, 2,
             kNormal);
    SetField(kSmoothingLabel, LevelChoiceText(static_cast<uint32_t>(s.GetDtfSmoothing())), 4, 3,
             kNormal);
    SetField(kMaxDistanceLabel, distance(s.GetMaxDistance()), 1, 1, kNormal);
}

// Cell (1, 0): the calibration the sweep runs with and the output power; red
// when there is none or the input is overloaded.
void CVnaMode::ShowCalibrationAnnotation() {
    if (active_function_ == kOverlayPage) return;
    // A recalled trace shows the calibration it was measured with.
    const bool recalled = IsRecalledTraceShown();
    const int32_t bits = recalled ? recalled_.calib_type : 0;
    const bool valid = recalled ? bits != 0 : vna_setup_->IsCalValid(false);
    const bool one_port = recalled ? (bits & 1) != 0 : vna_setup_->HasOnePortCal();
    const bool two_port = recalled ? (bits & 2) != 0 : vna_setup_->HasTwoPortCal();
    const bool isolation = recalled ? (bits & 4) != 0 : vna_setup_->HasIsolationCal();
    core::Text text;
    if (!valid) {
        text = LoadResString(kCalOff);
    } else {
        text = one_port ? LoadResString(kCalOnePort) : core::Text();
        if (CurrentType() == kGain && two_port) {
            text += LoadResString(kCalTwoPort);
            if (isolation) text += LoadResString(kCalIsolation);
        }
    }
    const core::Text suffix = core::FormatText(", %3.1f ", vna_setup_->GetPowerOutput()) +
                              LoadResString(kDbm) + u" " + LoadResString(kOutput);
    // The board reports no overload in its records: a live input is never
    // taken as overloaded; a recalled trace brings its own flag.
    const bool overload = recalled && recalled_.adc_sat_gain;
    if (overload)
        SetField(kCalLabel, LoadResString(kOverload) + suffix, 1, 0, kRed);
    else
        SetField(kCalLabel, text + suffix, 1, 0, valid ? kNormal : kRed);
}

// Cell (1, 3): the data points, and the distance resolution in distance to
// fault or the trace mode when one holds or averages.
void CVnaMode::ShowDataPointsAnnotation() {
    core::Text text = core::FormatText("%d", vna_setup_->GetDataPoints());
    if (CurrentType() == kDistanceToFault) {
        // The distance one point of the transform stands for.
        text += u", " + FormatDistance(vna_setup_->GetDistanceResolution() * 1000.0,
                                       vna_setup_->IsDistanceInMeters(), false, true);
    } else if (vna_setup_->GetPeakHoldMode() != 0 || vna_setup_->GetAveragingMode() == 1) {
        text += u", " + GetTraceModeText();
    }
    SetField(kPointsLabel, text, 1, 3, kNormal);
}

void CVnaMode::ShowCableLossReadouts() {
    SetField(kCableLossLabel, u" ", 2, 0, kNormal);
    readout_panel_->SetCellIds(kBlank, kBlank, 2, 1);
    readout_panel_->SetCellIds(kBlank, kBlank, 2, 2);
}

// A recalled trace shows the loss it was measured with.
void CVnaMode::ShowCableLoss(double loss) {
    if (CurrentType() != kCableLoss) return;
    if (IsRecalledTraceShown()) loss = recalled_.cable_loss;
    SetField(kCableLossLabel, core::FormatText("%3.1f dB ", loss) + LoadResString(kAverage), 2, 0,
             kNormal);
}

void CVnaMode::ShowGainReadouts() {
    SetField(kGainLabel, core::Text(), 2, 0, kNormal);
    SetField(kCurrentLabel, core::Text(), 2, 1, kNormal);
    ShowBiasState();
}

void CVnaMode::ShowBiasState() {
    if (CurrentType() != kGain) return;
    const core::Text text = LoadResString(dc_bias_on_ ? kOn : kCalOff) + u"," +
                            BiasVoltageText(vna_setup_->GetDcBiasType());
    SetField(kBiasLabel, text, 2, 2, kNormal);
}

void CVnaMode::ShowAverageGain(double gain) {
    if (IsRecalledTraceShown()) gain = recalled_.avg_gain;
    SetField(kGainLabel, core::FormatText("%3.1f", gain), 2, 0, kNormal);
    ShowRecalledBias();
}

// Cell (3, 1): the DC bias a recalled trace was measured with.
void CVnaMode::ShowRecalledBias() {
    if (!IsRecalledTraceShown()) {
        SetField(0, core::Text(), 3, 1, kNormal);
        return;
    }
    const core::Text text = LoadResString(recalled_.bias_on ? kOn : kCalOff) + u"," +
                            BiasVoltageText(recalled_.bias_voltage) + u"," +
                            core::FormatText("%3.2fA", recalled_.bias_current);
    SetField(kRecalledBiasLabel, text, 3, 1, kNormal);
}

// Cell (2, 1): the DC-bias current while the bias is on; red at or above
// the limit.
void CVnaMode::ShowBiasCurrent(double amps) {
    if (CurrentType() != kGain) return;
    if (!dc_bias_on_) {
        SetField(kCurrentLabel, core::Text(), 2, 1, kNormal);
        return;
    }
    const bool over = !BelowCurrentLimit(amps * 1000.0, vna_setup_->GetBiasCurrentLimit());
    SetField(kCurrentLabel, core::FormatText("%3.2f A", amps), 2, 1, over ? kRed : kNormal);
}

// The readout rows under the graph: frequencies, bandwidths, settings, the
// status row (frequency list, channel, active marker, limit test) and the
// result row of the spectrum analyzer's measurement functions.
#include <cmath>

#include "core/frequency_range.h"
#include "core/params.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "files/lists/antenna.h"
#include "files/meas_setup.h"
#include "files/setup_services.h"
#include "instrument/device_item.h"
#include "instrument/specan_measurements.h"
#include "screens/measurement/readout_texts.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"

namespace {
using readout_texts::kBlankLabel;
// Rows and the labels of their fields.
constexpr int kFrequencyRow = 0;
constexpr int kBandwidthRow = 1;
constexpr int kSettingsRow = 2;
constexpr int kStatusRow = 3;
constexpr int kResultRow = 4;
constexpr uint32_t kIdStart = 229, kIdSpan = 215, kIdCentre = 214, kIdStop = 230;
constexpr uint32_t kIdRbw = 815, kIdVbw = 816;
constexpr uint32_t kIdOffset = 219, kIdAttenuation = 961, kIdDetection = 1125, kIdTrigger = 789;
constexpr uint32_t kIdFrequencyList = 664, kIdChannel = 209;
constexpr uint32_t kIdMeasurement = 1354;
constexpr uint32_t kIdOccupiedBw = 1003, kIdIntegratedPercent = 1355, kIdDbcLevel = 1356,
                   kIdChannelPower = 1357, kIdDensity = 1358, kIdIntegrationBw = 1359,
                   kIdAcpr = 955, kIdAcprColon = 1344, kIdDemod = 1362, kIdDemodType = 1363,
                   kIdDemodTime = 1364, kIdCarrierRatio = 1348, kIdCarrier = 1360,
                   kIdInterference = 1361, kIdFieldStrength = 520, kIdAntenna = 1349,
                   kIdAntennaGain = 1350, kIdPercent = 1077, kIdDbc = 851;
// Measurement ids.
constexpr int32_t kGeneral = 20, kOccupied = 21, kChannel = 22, kAdjacent = 23, kDemodulation = 26,
                  kCarrierInterference = 27, kTimeDomain = 28, kFieldStrength = 29;
constexpr uint32_t kNoChannel = 0xFFFFFFFF;
constexpr uint64_t kHertzPerMegahertz = 1000000;
constexpr int kResultDecimals = 3;

core::Text Frequency(uint64_t hz) {
    return FormatValue(hz, 0, false, true, false, 0);
}
core::Text Frequency3(uint64_t hz) {
    return FormatValue(hz, 0, false, true, true, kResultDecimals);
}
core::Text MeasurementName(uint32_t id) {
    return LoadResString(id) + u":";
}
}  // namespace

void CMeasurementBase::SetField(uint32_t label, const core::Text& text, int row, int column,
                                plat::COLORREF colour) {
    if (readout_panel_) readout_panel_->SetCellText(label, text, row, column, colour);
}

void CMeasurementBase::SetFieldText(const core::Text& label, const core::Text& text, int row,
                                    int column) {
    if (readout_panel_) readout_panel_->SetCellTexts(label, text, row, column);
}

void CMeasurementBase::UpdateStatusRows() {
    ShowFrequencyListName();
}

void CMeasurementBase::UpdateFrequencyReadout() {
    if (!setup_) return;
    const CFrequencyRange* range = setup_->GetFrequencyRange();
    if (!range) return;
    if (MeasurementId() == kTimeDomain) {
        SetField(kIdStart, u"0 s", kFrequencyRow, 0, 0);
        SetField(kIdSpan, u"0 Hz", kFrequencyRow, 1, 0);
        SetField(kIdCentre, Frequency(range->GetCentre()), kFrequencyRow, 2, 0);
        SetField(kIdStop,
                 FormatMsAsSeconds(static_cast<uint64_t>(setup_->GetZeroSpanTime()), false, true),
                 kFrequencyRow, 3, 0);
        return;
    }
    SetField(kIdStart, Frequency(range->GetStart()), kFrequencyRow, 0, 0);
    SetField(kIdSpan, Frequency(range->GetSpan()), kFrequencyRow, 1, 0);
    SetField(kIdCentre, Frequency(range->GetCentre()), kFrequencyRow, 2, 0);
    SetField(kIdStop, Frequency(range->GetStop()), kFrequencyRow, 3, 0);
}

void CMeasurementBase::UpdateBandwidthReadout() {
    const CChoiceBlock* bw = setup_ ? setup_->GetBandwidthSettings() : nullptr;
    if (!bw) return;
    SetField(kIdRbw, bw->GetRbwLabel() + readout_texts::BandwidthModeSuffix(bw->GetRbwMode()),
             kBandwidthRow, 0, 0);
    SetField(kIdVbw, bw->GetVbwLabel() + readout_texts::BandwidthModeSuffix(bw->GetVbwMode()),
             kBandwidthRow, 1, 0);
}

void CMeasurementBase::UpdateSettingsReadout() {
    if (!setup_) return;
    SetField(kIdOffset, FormatLevel(setup_->GetAmplitudeOffset(), UNIT_DB, true, false, true, true),
             kSettingsRow, 0, 0);
    SetField(
        kIdAttenuation,
        readout_texts::AttenuationText(setup_->GetAttenuationLevel(), setup_->GetAttenuationMode()),
        kSettingsRow, 1, 0);
    SetField(kIdDetection, DetectorName(static_cast<uint32_t>(setup_->GetDetectionMode()), true),
             kSettingsRow, 2, 0);
    SetField(kIdTrigger,
             LoadResString(readout_texts::TriggerSourceNameId(setup_->GetTriggerMode())),
             kSettingsRow, 3, 0);
}

void CMeasurementBase::UpdateListAndChannel() {
    ShowFrequencyListName();
    ShowChannelNumber();
}

void CMeasurementBase::ShowFrequencyListName() {
    const ISetupBand* band = setup_ ? setup_->GetBand() : nullptr;
    if (band)
        SetField(kIdFrequencyList, band->GetName(), kStatusRow, 0, 0);
    else
        SetField(kBlankLabel, LoadResString(kBlankLabel), kStatusRow, 0, 0);
}

void CMeasurementBase::ShowChannelNumber() {
    const int32_t channel = setup_ ? setup_->GetChannelNumber() : 0;
    if (setup_ && setup_->GetBand() && channel != 0 && static_cast<uint32_t>(channel) != kNoChannel)
        SetField(kIdChannel, core::FormatText("%d", channel), kStatusRow, 1, 0);
    else
        SetField(kBlankLabel, u"", kStatusRow, 1, 0);
}

void CMeasurementBase::ShowActiveMarker() {
    if (IsMarkerOn() && graphPanel)
        SetField(kBlankLabel, readout_texts::ActiveMarkerText(graphPanel->GetCurrentMarkerText()),
                 kStatusRow, 2, 0);
    else
        SetField(kBlankLabel, LoadResString(kBlankLabel), kStatusRow, 2, 0);
}

void CMeasurementBase::ShowLimitTestResult() {
    bool upper = false, lower = false, failed = false;
    {
        ScopedLock guard(*this);
        upper = m_UpperLimitOn;
        lower = m_LowerLimitOn;
        failed = m_UpperFailed || m_LowerFailed;
    }
    const readout_texts::LimitField field = readout_texts::LimitTestField(upper, lower, failed);
    SetField(field.label, field.label == kBlankLabel ? LoadResString(kBlankLabel) : field.text,
             kStatusRow, 3, field.colour);
}

void CMeasurementBase::UpdateAllReadouts() {
    UpdateBandwidthReadout();
    UpdateSettingsReadout();
    UpdateListAndChannel();
    ShowActiveMarker();
    ShowLimitTestResult();
}

void CMeasurementBase::RefreshActiveMarker() {
    ShowActiveMarker();
}

void CMeasurementBase::DrawChannelPower(bool full) {
    ShowMeasurementResult(full);
}

int32_t CMeasurementBase::MeasurementId() const {
    if (currentMeasurement) return static_cast<int32_t>(currentMeasurement->GetId());
    return setup_ ? setup_->GetMeasurementId() : 0;
}

void CMeasurementBase::BlankResultRow() {
    for (int c = 0; c < CReadoutPanel::kColumns; ++c)
        SetField(kBlankLabel, LoadResString(kBlankLabel), kResultRow, c, 0);
}

void CMeasurementBase::ShowMeasurementResult(bool detail) {
    if (!setup_) return;
    const int32_t id = MeasurementId();
    const auto unit = static_cast<uint32_t>(setup_->GetMeasureUnit());
    const double offset = setup_->GetAmplitudeOffset();
    switch (id) {
        case kGeneral:
        case kTimeDomain:
            BlankResultRow();
            LabelMarkers({});
            return;
        case kOccupied: {
            uint64_t bandwidth = 0;
            if (auto* m = dynamic_cast<COccupiedBwMeasurement*>(currentMeasurement))
                bandwidth = m->GetBandwidth();
            SetField(kIdMeasurement, MeasurementName(kIdOccupiedBw), kResultRow, 0, 0);
            if (setup_->GetThresholdMode() == 0)
                SetField(kIdIntegratedPercent,
                         core::FormatText("% 6.3f", setup_->GetThresholdPercentValue()) +
                             LoadResString(kIdPercent),
                         kResultRow, 1, 0);
            else
                SetField(kIdDbcLevel,
                         core::FormatText("% 6.3f", setup_->GetThresholdDb()) + u" " +
                             LoadResString(kIdDbc),
                         kResultRow, 1, 0);
            SetField(kIdOccupiedBw, Frequency3(bandwidth), kResultRow, 2, 0);
            LabelMarkers({u"BW", u"BW"});
            PlaceMarkerPair(0, 1, static_cast<int64_t>(bandwidth), 0);
            return;
        }
        case kChannel:
        case kAdjacent:
            ShowChannelPowerRow(id == kAdjacent, unit, offset);
            return;
        case kDemodulation: {
            LabelMarkers({});
            const int32_t type = readout_texts::CorrectDemodType(setup_->GetModulationType());
            if (type != setup_->GetModulationType()) setup_->SetModulationType(type);
            SetField(kIdMeasurement, MeasurementName(kIdDemod), kResultRow, 0, 0);
            SetField(kIdDemodType, readout_texts::DemodTypeName(type), kResultRow, 1, 0);
            SetField(kIdDemod, Frequency3(setup_->GetSidebandFrequency()), kResultRow, 2, 0);
            SetField(kIdDemodTime,
                     FormatMsAsSeconds(static_cast<uint64_t>(setup_->GetPlayTime()), false, true),
                     kResultRow, 3, 0);
            return;
        }
        case kCarrierInterference:
            LabelMarkers({});
            SetField(kIdMeasurement, MeasurementName(kIdCarrierRatio), kResultRow, 0, 0);
            if (detail) ShowCarrierInterferenceRow(unit);
            return;
        case kFieldStrength: {
            LabelMarkers({});
            const CAntenna* antenna = setup_->GetAntenna();
            SetField(kIdMeasurement, MeasurementName(kIdFieldStrength), kResultRow, 0, 0);
            SetField(kIdAntenna, antenna ? antenna->GetName() : core::Text(u"None"), kResultRow, 1,
                     0);
            SetField(kIdAntenna,
                     antenna ? core::FormatText(
                                   "%d-%d MHz",
                                   static_cast<int>(antenna->GetStart(0) / kHertzPerMegahertz),
                                   static_cast<int>(antenna->GetStop(0) / kHertzPerMegahertz))
                             : core::Text(),
                     kResultRow, 2, 0);
            SetField(kIdAntennaGain,
                     antenna ? core::FormatText("%d dB", static_cast<int>(antenna->GetGain(0)))
                             : core::Text(u"0 dB"),
                     kResultRow, 3, 0);
            return;
        }
        default:
            return;
    }
}

void CMeasurementBase::ShowChannelPowerRow(bool adjacent, uint32_t unit, double offset) {
    const uint64_t width = setup_->GetChannelWidth();
    double power = readout_texts::kNotMeasuredPower;
    float lowerRatio = 0, upperRatio = 0;
    if (auto* m = dynamic_cast<CChannelPowerMeasurement*>(currentMeasurement))
        power = m->GetLastPower();
    if (auto* m = dynamic_cast<CAcprMeasurement*>(currentMeasurement))
        m->GetRatios(lowerRatio, upperRatio);
    if (power == kNotMeasured) power = readout_texts::kNotMeasuredPower;
    if (!adjacent) {
        SetField(kIdMeasurement, MeasurementName(kIdChannelPower), kResultRow, 0, 0);
        SetField(kIdIntegrationBw, Frequency3(width), kResultRow, 1, 0);
        SetField(kIdChannelPower, readout_texts::ChannelPowerText(power, offset, unit), kResultRow,
                 2, 0);
        SetField(kIdDensity, readout_texts::PowerDensityText(power, offset, width, unit),
                 kResultRow, 3, 0);
        LabelMarkers({u"ChanStart", u"ChanStop"});
        PlaceMarkerPair(0, 1, static_cast<int64_t>(width), 0);
        return;
    }
    SetField(kIdMeasurement, MeasurementName(kIdAcpr), kResultRow, 0, 0);
    SetField(kIdChannelPower, readout_texts::ChannelPowerText(power, offset, unit), kResultRow, 1,
             0);
    const core::Text acpr = LoadResString(kIdAcprColon);
    SetFieldText(u"Dn " + acpr, readout_texts::AdjacentRatioText(lowerRatio), kResultRow, 2);
    SetFieldText(u"Up " + acpr, readout_texts::AdjacentRatioText(upperRatio), kResultRow, 3);
    LabelMarkers({u"ChanStart", u"ChanStop", u"LowStart", u"LowStop", u"HighStart", u"HighStop"});
    const auto distance = static_cast<int64_t>(setup_->GetCenterDistance());
    const auto adjacentWidth = static_cast<int64_t>(setup_->GetAdjChannelWidth());
    PlaceMarkerPair(0, 1, static_cast<int64_t>(width), 0);
    PlaceMarkerPair(2, 3, adjacentWidth, -distance);
    PlaceMarkerPair(4, 5, adjacentWidth, distance);
}

void CMeasurementBase::ShowCarrierInterferenceRow(uint32_t unit) {
    // The carrier-to-interference values are the spectrum analyzer screen's
    // (CarrierLevels); the base has none to show.
    double carrier = readout_texts::kNoCarrierLevel, interference = carrier, ratio = carrier;
    CarrierLevels(carrier, interference, ratio);
    SetField(kIdCarrier, readout_texts::CarrierLevelText(carrier, unit), kResultRow, 1, 0);
    SetField(kIdInterference, readout_texts::CarrierLevelText(interference, unit), kResultRow, 2,
             0);
    SetField(kIdCarrierRatio, readout_texts::CarrierRatioText(ratio), kResultRow, 3, 0);
}

void CMeasurementBase::LabelMarkers(std::initializer_list<const char16_t*> labels) {
    if (!graphPanel || !graphPanel->GetGraph()) return;
    size_t i = 0;
    for (const char16_t* label : labels) {
        graphPanel->SetMarkerLabel(static_cast<int>(i), label);
        if (i < functionLabels_.size()) functionLabels_[i] = label;
        ++i;
    }
    for (; i < functionLabels_.size(); ++i) {
        core::Text& set = functionLabels_[i];
        const int marker = static_cast<int>(i);
        if (!set.empty() && graphPanel->GetMarkerLabel(marker) == set)
            graphPanel->SetMarkerLabel(marker, u"");
        set.clear();
    }
}

// CSpecAnMode: the carrier-to-interference menu (25) with its two measuring
// steps, and the result fields the trace and setup files read and write: the
// live C/I values and the block of stored results a recalled file brings,
// which the result row shows while the screen shows a recall.
#include <cmath>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/sa_meas_setup.h"
#include "screens/measurement/readout_texts.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {
constexpr int kMenuCarrier = 25;
constexpr uint32_t kCarrierName = 1348, kMarkerToPeak = 274, kMeasureCarrierLabel = 64235,
                   kMeasureInterferenceLabel = 64236;
constexpr int kKeyPeak = 1, kKeyCarrier = 2, kKeyInterference = 3;
constexpr double kNotMeasuredRatio = -1000.0;  // a C/I value not measured
constexpr double kNoPower = -300.0;            // a power shown as "N/A"
// The result row and the labels of its fields (as the base's result row).
constexpr int kResultRow = 4;
constexpr uint32_t kIdMeasurement = 1354, kIdOccupiedBw = 1003, kIdChannelPower = 1357,
                   kIdAcpr = 955, kIdAcprColon = 1344, kIdCarrier = 1360, kIdInterference = 1361,
                   kIdCarrierRatio = 1348, kIdFieldStrength = 520, kIdAntenna = 1349,
                   kIdAntennaGain = 1350;
constexpr uint64_t kHertzPerMegahertz = 1000000;

double Ratio(double v) {
    return std::isfinite(v) ? v : kNotMeasuredRatio;
}
double Power(double v) {
    return std::isfinite(v) ? v : kNoPower;
}
core::Text Name(uint32_t id) {
    return LoadResString(id) + u":";
}
}  // namespace

// ------------------------------------------------------------ menu 25

int CSpecAnMode::ShowCarrierInterferenceMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kCarrierName, kCarrierInterference);
    soft_key_menu_->SetKeyCaptionById(kMarkerToPeak, kKeyPeak, false, false);
    soft_key_menu_->SetKeyCaptionById(kMeasureCarrierLabel, kKeyCarrier, false, false);
    soft_key_menu_->SetKeyCaptionById(kMeasureInterferenceLabel, kKeyInterference, false, false);
    return 1;
}

int CSpecAnMode::OnCarrierInterferenceMenuKey(int key) {
    if (key == 0 && CurrentType() != kCarrierInterference) {
        m_CarrierPower = m_InterferencePower = m_PowerDifference = kNotMeasuredRatio;
        m_WaitingForCarrier = true;
    }
    if (BeginFunctionKey(key, kCarrierInterference)) return 1;
    const bool current = CurrentType() == kCarrierInterference;
    if (current) {
        switch (key) {
            case kKeyPeak:
                MarkerToPeak();
                m_KeySelected = true;
                break;
            case kKeyCarrier:
                MeasureCarrier();
                m_KeySelected = true;
                break;
            case kKeyInterference:
                MeasureInterference();
                m_KeySelected = true;
                break;
            default:
                break;
        }
    }
    FinishFunctionKey(kMenuCarrier, key);
    ResetHoldState();
    return 1;
}

bool CSpecAnMode::CarrierValue(uint32_t arrow, int steps) {
    if (m_WaitingForCarrier) {
        m_CarrierPower = m_InterferencePower = m_PowerDifference = kNotMeasuredRatio;
        RefreshReadouts();
    }
    return arrow ? OnMarkerArrow(arrow) : OnMarkerKnob(steps);
}

// The level the marker reads, in dBm whatever unit the screen shows.
static bool MarkerLevelDbm(CGraphPanel* graph, uint32_t unit, int& marker, double& dbm,
                           uint64_t& hertz) {
    double level = 0;
    if (!graph || !graph->GetCurrentMarker(marker) || !graph->GetMarkerValues(marker, level, hertz))
        return false;
    dbm = ConvertPowerUnit(level, UNIT_DBM, unit);
    return std::isfinite(dbm);
}

int CSpecAnMode::MeasureCarrier() {
    if (!IsMarkerOn() || !sa_setup_->GetFrequencyRange()) return 0;
    int marker = 0;
    double dbm = 0;
    uint64_t hertz = 0;
    if (!MarkerLevelDbm(graphPanel, static_cast<uint32_t>(sa_setup_->GetMeasureUnit()), marker, dbm,
                        hertz))
        return 0;
    m_CarrierPower = dbm;
    carrier_marker_ = marker;
    carrier_hz_ = hertz;
    m_WaitingForCarrier = false;
    RefreshReadouts();
    return 1;
}

int CSpecAnMode::MeasureInterference() {
    if (!sa_setup_->GetFrequencyRange()) return 0;
    int marker = 0;
    double dbm = 0;
    uint64_t hertz = 0;
    if (IsMarkerOn() &&
        MarkerLevelDbm(graphPanel, static_cast<uint32_t>(sa_setup_->GetMeasureUnit()), marker, dbm,
                       hertz)) {
        m_InterferencePower = dbm;
        interference_marker_ = marker;
        interference_hz_ = hertz;
        if (marker == carrier_marker_ && hertz == carrier_hz_ && !m_WaitingForCarrier) {
            m_PowerDifference = m_CarrierPower - m_InterferencePower;
        }
        RefreshReadouts();
    }
    m_WaitingForCarrier = true;
    return 1;
}

int CSpecAnMode::ResetCarrierInterference() {
    if (CurrentType() != kCarrierInterference) return 0;
    if (!IsMarkerOn() && graphPanel) graphPanel->ToggleCurrentMarker();
    m_WaitingForCarrier = true;
    redrawState = 2;
    return 1;
}

void CSpecAnMode::CarrierLevels(double& carrier, double& interference, double& ratio) {
    carrier = m_CarrierPower;
    interference = m_InterferencePower;
    ratio = m_PowerDifference;
}

// ------------------------------------------------------------ result fields

void CSpecAnMode::SetCarrierPower(double value) {
    m_CarrierPower = Ratio(value);
}
void CSpecAnMode::SetInterferencePower(double value) {
    m_InterferencePower = Ratio(value);
}
void CSpecAnMode::SetPowerDifference(double value) {
    m_PowerDifference = Ratio(value);
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredOccupiedBw(uint64_t hertz) {
    m_StoredResults.occupiedBandwidth = hertz;
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredChannelPower(double value) {
    m_StoredResults.channelPower = Power(value);
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredAcpUpperPower(double value) {
    m_StoredResults.acpUpperPower = Power(value);
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredAcpLowerPower(double value) {
    m_StoredResults.acpLowerPower = Power(value);
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredCarrierPower(double value) {
    m_StoredResults.carrierPower = Ratio(value);
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredInterferencePower(double value) {
    m_StoredResults.interferencePower = Ratio(value);
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetStoredPowerDifference(double value) {
    m_StoredResults.powerDifference = Ratio(value);
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetFieldStrengthStart(uint64_t hertz) {
    m_StoredResults.fieldStrengthStart = hertz;
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetFieldStrengthStop(uint64_t hertz) {
    m_StoredResults.fieldStrengthStop = hertz;
    return &m_StoredResults;
}
CSpecAnMode::StoredResults* CSpecAnMode::SetFieldStrengthGain(double value) {
    m_StoredResults.fieldStrengthGain = std::isfinite(value) ? value : 0.0;
    return &m_StoredResults;
}

void CSpecAnMode::ReceiveSaValues(const SaTraceValues& v) {
    if (v.occupied_bandwidth) SetStoredOccupiedBw(*v.occupied_bandwidth);
    if (v.channel_power) SetStoredChannelPower(*v.channel_power);
    if (v.acp_high_power) SetStoredAcpUpperPower(*v.acp_high_power);
    if (v.acp_low_power) SetStoredAcpLowerPower(*v.acp_low_power);
    if (v.c2i_carrier) {
        SetCarrierPower(*v.c2i_carrier);
        SetStoredCarrierPower(*v.c2i_carrier);
    }
    if (v.c2i_interference) {
        SetInterferencePower(*v.c2i_interference);
        SetStoredInterferencePower(*v.c2i_interference);
    }
    if (v.c2i_difference) {
        SetPowerDifference(*v.c2i_difference);
        SetStoredPowerDifference(*v.c2i_difference);
    }
    if (v.fs_start) SetFieldStrengthStart(*v.fs_start);
    if (v.fs_stop) SetFieldStrengthStop(*v.fs_stop);
    if (v.fs_gain) SetFieldStrengthGain(*v.fs_gain);
}

SaTraceValues CSpecAnMode::GetSaValues() const {
    SaTraceValues v;
    const StoredResults& s = m_StoredResults;
    v.occupied_bandwidth = static_cast<uint32_t>(s.occupiedBandwidth);
    v.channel_power = s.channelPower;
    v.acp_high_power = s.acpUpperPower;
    v.acp_low_power = s.acpLowerPower;
    v.c2i_carrier = m_CarrierPower;
    v.c2i_interference = m_InterferencePower;
    v.c2i_difference = m_PowerDifference;
    v.fs_start = static_cast<uint32_t>(s.fieldStrengthStart);
    v.fs_stop = static_cast<uint32_t>(s.fieldStrengthStop);
    v.fs_gain = s.fieldStrengthGain;
    return v;
}

// While a recalled trace is held alone (hold on, live data off), the result
// row shows the stored block; else the live results. Once the hold is let
// go, a later hold is of a live trace: the recall is over.
void CSpecAnMode::ShowMeasurementResult(bool detail) {
    if (!m_Hold) m_Recalled = false;
    if (!m_Recalled || m_Live) {
        CMeasurementBase::ShowMeasurementResult(detail);
        return;
    }
    const StoredResults& s = m_StoredResults;
    const auto unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    const double offset = sa_setup_->GetAmplitudeOffset();
    switch (CurrentType()) {
        case kOccupiedBandwidth:
            SetField(kIdMeasurement, Name(kIdOccupiedBw), kResultRow, 0, 0);
            SetField(kIdOccupiedBw, FormatValue(s.occupiedBandwidth, 0, false, true, true, 3),
                     kResultRow, 2, 0);
            break;
        case kChannelPower:
            SetField(kIdMeasurement, Name(kIdChannelPower), kResultRow, 0, 0);
            SetField(kIdChannelPower, readout_texts::ChannelPowerText(s.channelPower, offset, unit),
                     kResultRow, 2, 0);
            break;
        case kAdjacentChannelPower: {
            SetField(kIdMeasurement, Name(kIdAcpr), kResultRow, 0, 0);
            SetField(kIdChannelPower, readout_texts::ChannelPowerText(s.channelPower, offset, unit),
                     kResultRow, 1, 0);
            const core::Text acpr = LoadResString(kIdAcprColon);
            auto ratio = [&](double power) {
                return power <= kNoPower || s.channelPower <= kNoPower
                           ? core::Text(u"N/A")
                           : readout_texts::AdjacentRatioText(
                                 static_cast<float>(power - s.channelPower));
            };
            SetFieldText(u"Dn " + acpr, ratio(s.acpLowerPower), kResultRow, 2);
            SetFieldText(u"Up " + acpr, ratio(s.acpUpperPower), kResultRow, 3);
            break;
        }
        case kCarrierInterference:
            SetField(kIdMeasurement, Name(kIdCarrierRatio), kResultRow, 0, 0);
            SetField(kIdCarrier, readout_texts::CarrierLevelText(s.carrierPower, unit), kResultRow,
                     1, 0);
            SetField(kIdInterference, readout_texts::CarrierLevelText(s.interferencePower, unit),
                     kResultRow, 2, 0);
            SetField(kIdCarrierRatio, readout_texts::CarrierRatioText(s.powerDifference),
                     kResultRow, 3, 0);
            break;
        case kSignalStrength:
            SetField(kIdMeasurement, Name(kIdFieldStrength), kResultRow, 0, 0);
            SetField(kIdAntenna,
                     core::FormatText("%d-%d MHz",
                                      static_cast<int>(s.fieldStrengthStart / kHertzPerMegahertz),
                                      static_cast<int>(s.fieldStrengthStop / kHertzPerMegahertz)),
                     kResultRow, 2, 0);
            SetField(kIdAntennaGain,
                     core::FormatText("%d dB", static_cast<int>(s.fieldStrengthGain)), kResultRow,
                     3, 0);
            break;
        default:
            CMeasurementBase::ShowMeasurementResult(detail);
            break;
    }
}

// The soft-key pages the measurement screens share and the switches between
// them, the sweep and trace texts of the readout panel, and the settings
// derived from others: automatic attenuation and scale, antenna factors,
// channel selection and a trace's x axis.
#include <algorithm>
#include <cmath>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "files/lists/antenna.h"
#include "files/meas_setup.h"
#include "files/setup_services.h"
#include "platform/framework/wnd.h"
#include "screens/measurement/page_labels.h"
#include "screens/measurement/readout_texts.h"
#include "screens/measurement_base.h"
#include "screens/screen_services.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kNoKeyChosen = 8;
constexpr int kMarkerPage = 33, kSignalToolsPage = 34, kSearchPage = 35, kTypePage = 36,
              kThresholdPage = 37, kLimitPage38 = 38, kLimitPage39 = 39, kLimitPage40 = 40,
              kFilePage = 41, kLogPage = 44, kRecallPage = 45, kManagePage = 46, kImagePage = 47,
              kHelpPage = 49, kFullScreenPage = 52, kDetectionPage = 3, kAmplitudePage = 9,
              kUnitPage = 13, kTracePage = 14;
constexpr int kSweepRow = 1, kSweepColumn = 2, kTraceColumn = 3;
constexpr uint32_t kIdSweep = 672, kIdTrace = 61243, kIdSelectBandFirst = 1167;
// Automatic attenuation: the reference level (dBm less the offset) limits.
constexpr double kAttenuationSteps[3] = {-10.0, 0.0, 10.0};
constexpr double kAttenuationLevels[4] = {0.0, 10.0, 20.0, 30.0};
// Automatic scale.
constexpr double kScaleThresholds[5] = {1, 2, 5, 10, 15};
constexpr double kScaleStepping[5] = {0.0012589, 0.0015848, 0.0031622, 0.01, 0.031622};
constexpr double kScaleRounding = 3.0;
constexpr double kDivisions = 11.0;
// Antenna factors.
constexpr double kAntennaConstant = 29.8;
constexpr double kLowestMegahertz = 1e-10;
constexpr double kLowFactor = -229.8;
constexpr int kAxisTime = 1, kAxisDistance = 2;
}  // namespace

// --- Page switches -------------------------------------------------------------------------

void CMeasurementBase::SwitchToPage(int page, int key) {
    active_function_ = page;
    if (!ShowSoftKeys(page, key)) {
        // The shared pages the screen's table leaves to their builders here.
        if (page == kDetectionPage)
            ShowDetectionMenu();
        else if (page == kTracePage)
            BuildTraceModeLabels();
        else if (page == kUnitPage)
            ShowAmplitudeUnitMenu();
        if (soft_key_menu_) soft_key_menu_->Show(0, key);
    }
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    if (page >= 0 && page < kFunctionCount) lastKey[static_cast<size_t>(page)] = kNoKeyChosen;
}

void CMeasurementBase::ShowMarkerPage(int key) {
    parentPage = kMarkerPage;
    SwitchToPage(kMarkerPage, key);
}
void CMeasurementBase::ShowMarkerSearchPage(int key) {
    parentPage = kSearchPage;
    SwitchToPage(kSearchPage, key);
}
void CMeasurementBase::ShowMarkerTypePage(int key) {
    parentPage = kTypePage;
    SwitchToPage(kTypePage, key);
}
void CMeasurementBase::ShowSignalToolsPage(int key) {
    parentPage = kSignalToolsPage;
    SwitchToPage(kSignalToolsPage, key);
}
void CMeasurementBase::ShowThresholdPage(int key) {
    parentPage = kThresholdPage;
    SwitchToPage(kThresholdPage, key);
}
void CMeasurementBase::ShowLimitPage38(int key) {
    parentPage = kLimitPage38;
    SwitchToPage(kLimitPage38, key);
}
void CMeasurementBase::ShowLimitPage39(int key) {
    parentPage = kLimitPage39;
    SwitchToPage(kLimitPage39, key);
}
void CMeasurementBase::ShowLimitPage40(int key) {
    parentPage = kLimitPage40;
    SwitchToPage(kLimitPage40, key);
}
void CMeasurementBase::ShowPage41(int key) {
    const int kept = GetLastKey(kFilePage);
    SwitchToPage(kFilePage, key);
    lastKey[kFilePage] = kept;
}
void CMeasurementBase::ReturnTo(int page, int key) {
    returnPage = active_function_;
    SwitchToPage(page, key);
}
void CMeasurementBase::ShowPage44(int key) {
    ReturnTo(kLogPage, key);
}
void CMeasurementBase::ShowPage45(int key) {
    ReturnTo(kRecallPage, key);
}
void CMeasurementBase::ShowPage46(int key) {
    ReturnTo(kManagePage, key);
}
void CMeasurementBase::ShowPage47(int key) {
    ReturnTo(kImagePage, key);
}
void CMeasurementBase::ShowPage49(int key) {
    ReturnTo(kHelpPage, key);
}
void CMeasurementBase::EnterPage52() {
    returnPage = active_function_;
    active_function_ = kFullScreenPage;
}
void CMeasurementBase::ShowDetectionPage(int key) {
    SwitchToPage(kDetectionPage, key);
}
void CMeasurementBase::ReturnToPage9(int key) {
    active_function_ = kAmplitudePage;
    BuildPage9(key);
    ShowSoftKeys(kAmplitudePage, key);
    lastKey[kAmplitudePage] = key;
}
void CMeasurementBase::ShowAmplitudeUnitPage() {
    SwitchToPage(kUnitPage, -1);
}
void CMeasurementBase::ShowTracePage() {
    SwitchToPage(kTracePage, -1);
}

// --- Page builders -----------------------------------------------------------------------------

int CMeasurementBase::BuildFrequencyLabels(int key, int) {
    if (!soft_key_menu_ || !setup_) return 0;
    const ISetupBand* band = setup_->GetBand();
    page_labels::FrequencyPage(*soft_key_menu_, *setup_, key, band ? band->GetName() : core::Text(),
                               false);
    return 1;
}

int CMeasurementBase::BuildFrequencyLabelsWithChannel(int key, int) {
    if (!soft_key_menu_ || !setup_) return 0;
    const ISetupBand* band = setup_->GetBand();
    page_labels::FrequencyPage(*soft_key_menu_, *setup_, key, band ? band->GetName() : core::Text(),
                               true);
    return 1;
}

int CMeasurementBase::ShowAmplitudeUnitMenu() {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::AmplitudeUnitPage(*soft_key_menu_, setup_->GetMeasureUnit());
    return 1;
}

int CMeasurementBase::ShowDetectionMenu() {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::DetectionPage(*soft_key_menu_, setup_->GetDetectionMode());
    return 1;
}

int CMeasurementBase::BuildTraceModeLabels() {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::TracePage(*soft_key_menu_, *setup_);
    return 1;
}

int CMeasurementBase::BuildAveragingLabels() {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::AveragingPage(*soft_key_menu_, *setup_);
    return 1;
}

int CMeasurementBase::ShowAttenuationMenu() {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::AttenuationPage(*soft_key_menu_, *setup_);
    return 1;
}

int CMeasurementBase::BuildAttenuationAverageLabels(int key) {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::AttenuationAveragePage(*soft_key_menu_, *setup_, key);
    return 1;
}

// --- Readout texts -------------------------------------------------------------------------------

void CMeasurementBase::ShowSweepTraceText() {
    if (!readout_panel_ || !setup_) return;
    readout_panel_->SetCellText(
        kIdSweep, LoadResString(readout_texts::SweepModeNameId(setup_->GetTriggerMode())),
        kSweepRow, kSweepColumn, 0);
    readout_panel_->SetCellText(kIdTrace, u": " + GetTraceModeText(), kSweepRow, kTraceColumn, 0);
}

core::Text CMeasurementBase::GetTraceModeText() {
    if (!setup_) return {};
    uint32_t averaged = 0;
    {
        ScopedLock guard(*this);
        averaged =
            static_cast<uint32_t>(std::max(!m_Live && m_Hold ? sweepCount2 : m_AverageCount, 0));
    }
    return readout_texts::TraceModeText(setup_->GetPeakHoldMode(), setup_->GetAveragingMode() != 0,
                                        averaged,
                                        static_cast<uint32_t>(setup_->GetAveragingCount()));
}

// --- Automatic settings --------------------------------------------------------------------------

double CMeasurementBase::AutoAttenuation() {
    if (!setup_) return kAttenuationLevels[0];
    const double level = setup_->GetReferenceLevelDbm() - setup_->GetAmplitudeOffset();
    for (size_t i = 0; i < std::size(kAttenuationSteps); ++i)
        if (level <= kAttenuationSteps[i]) return kAttenuationLevels[i];
    return kAttenuationLevels[std::size(kAttenuationLevels) - 1];
}

bool CMeasurementBase::ApplyAutoAttenuation() {
    if (!setup_) return false;
    const double before = setup_->GetAttenuationLevel();
    double wanted = before;
    if (setup_->GetAttenuationMode() == 0)
        wanted = setup_->GetPreampMode() == 0 ? kAttenuationLevels[0] : AutoAttenuation();
    else
        wanted = std::max(before, AutoAttenuation());
    if (wanted == before) return false;
    setup_->SetAttenuationLevel(wanted);
    return true;
}

void CMeasurementBase::AutoScale(double maximum, double minimum) {
    if (!setup_) return;
    if (!autoScaleRequest) {
        if (graphPanel) graphPanel->Redraw();
        return;
    }
    autoScaleRequest = false;
    const auto unit = static_cast<uint32_t>(setup_->GetMeasureUnit());
    const double top = ConvertPowerUnit(maximum, UNIT_W, unit);
    const double bottom = ConvertPowerUnit(minimum, UNIT_W, unit);
    const double oldReference = setup_->GetReferenceLevel(false);
    const double reference = std::round(std::trunc(top) / kScaleRounding) * kScaleRounding;
    const double spread = std::trunc(std::fabs(reference - bottom) / kDivisions);
    size_t index = std::size(kScaleThresholds) - 1;
    for (size_t i = 0; i < std::size(kScaleThresholds); ++i)
        if (kScaleThresholds[i] >= spread) {
            index = i;
            break;
        }
    setup_->SetReferenceStepping(kScaleStepping[index]);
    setup_->SetReferenceLevel(reference);
    if (graphPanel && graphPanel->GetGraph())
        graphPanel->SetReferenceLevel(reference, unit, kScaleStepping[index]);
    if (menuPageOfKeys == kAmplitudePage) {
        BuildPage9(-1);
        if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    }
    if (setup_->GetReferenceLevel(false) != oldReference && ApplyAutoAttenuation())
        CheckRestartAfterKey(6);
}

void CMeasurementBase::BuildAntennaFactors() {
    antennaFactors.clear();
    if (!setup_) return;
    const CAntenna* antenna = setup_->GetAntenna();
    const CFrequencyRange* range = setup_->GetFrequencyRange();
    if (!antenna || antenna->GetName() == u"None" || !range) return;
    const double gain = antenna->GetGain(0);
    const int points = std::max(pointCount, 2);
    const double start = static_cast<double>(range->GetStart()) / 1e6;
    const double stop = static_cast<double>(range->GetStop()) / 1e6;
    antennaFactors.resize(static_cast<size_t>(points));
    for (int i = 0; i < points; ++i) {
        const double f = start + (stop - start) * i / (points - 1);
        antennaFactors[static_cast<size_t>(i)] =
            f < kLowestMegahertz ? kLowFactor - gain
                                 : 20.0 * std::log10(f) - gain - kAntennaConstant;
    }
}

void CMeasurementBase::SelectChannel() {
    StopMeasurement();
    if (!setup_ || !setup_->GetBand()) {
        if (IScreenServices* s = services())
            s->ShowScreenMessage(LoadResString(kIdSelectBandFirst), 0);
    }
    // The channel editor is not part of the program yet: the channel stays.
    if (main_frame_) main_frame_->SetFocus();
    ShowSoftKeys(active_function_, -1);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->Redraw();
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    ApplySettings(true);
}

void CMeasurementBase::SetTraceAxis(int trace) {
    if (!setup_ || !graphPanel || !graphPanel->GetGraph()) return;
    const int kind = graphPanel->GetXAxisKind();
    double start = 0, stop = 0;
    if (kind == kAxisTime) {
        stop = setup_->GetZeroSpanTime();
    } else if (kind == kAxisDistance) {
        start = axisStart;
        stop = axisStop;
    } else if (const CFrequencyRange* range = setup_->GetFrequencyRange()) {
        start = static_cast<double>(range->GetStart());
        stop = static_cast<double>(range->GetStop());
    }
    const int points = std::max(setup_->GetDataPoints(), 2);
    traceAxisStart = start;
    traceAxisStep = (stop - start) / (points - 1);
    // The graph places the marker of that trace on the new axis.
    if (CValueRecord* record = setup_->GetMarker(trace))
        graphPanel->GetGraph()->CreateMarkers(record, trace, traceAxisStart, traceAxisStep);
}

bool CMeasurementBase::ForwardToMeasurement1(intptr_t) {
    return true;
}
bool CMeasurementBase::ForwardToMeasurement2(intptr_t) {
    return true;
}
bool CMeasurementBase::ForwardToMeasurement3(intptr_t) {
    return true;
}
bool CMeasurementBase::ForwardToMeasurement4(intptr_t) {
    return true;
}
bool CMeasurementBase::ForwardToMeasurement5(intptr_t) {
    return true;
}
bool CMeasurementBase::ForwardToMeasurement6(intptr_t) {
    return true;
}

bool CMeasurementBase::IsListReady(const void* item) const {
    return traceList && item;
}

bool CMeasurementBase::RefreshAfterEntry() {
    ShowSoftKeys(active_function_, -1);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->Redraw();
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return true;
}

// --- Empty operations the instrument screens replace
// ------------------------------------------------

int CMeasurementBase::ShowBandwidthMenu() {
    return 1;
}
int CMeasurementBase::ShowCalibrationMenu() {
    return 1;
}
int CMeasurementBase::BuildPage9(int) {
    return 1;
}
bool CMeasurementBase::OnIfbwMenuKey(int, int, int, int, int, int) {
    return true;
}
bool CMeasurementBase::OnFrequencyListKey(int) {
    return true;
}
bool CMeasurementBase::EditMarkerTime(int) {
    return false;
}
bool CMeasurementBase::EditMarkerDistance(int) {
    return false;
}
bool CMeasurementBase::OnExtraMenuKey(int) {
    return false;
}

// The spectrum analyzer's marker and signal-tool pages: the base's marker
// page with the screen's follow-up, and the signal tools with centre to
// marker, marker to reference level and the frequency counter, which a
// later marker move stops.
#include "files/meas_setup.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
using specan::kGeneralSpectrum;
using specan::kSignalStrength;
constexpr int kCentreKey = 3;
constexpr int kReferenceKey = 4;
constexpr int kCounterKey = 5;
constexpr uint32_t kIdCentreToMarker = 64473;
constexpr uint32_t kIdMarkerToReference = 1039;
constexpr uint32_t kIdCounter = 518;
constexpr uint32_t kIdOn = 308, kIdOff = 309, kIdBlank = 184;
}  // namespace

int CSpecAnMode::ShowMarkerMenu(int highlight, int extra) {
    CMeasurementBase::ShowMarkerMenu(highlight, extra);
    return 1;
}

bool CSpecAnMode::OnMarkerMenuKey(int key) {
    m_KeySelected = false;
    return CMeasurementBase::OnMarkerMenuKey(key);
}

int CSpecAnMode::ShowSignalToolsMenu(int highlight, int extra) {
    CMeasurementBase::ShowSignalToolsMenu(-1, extra);
    if (!soft_key_menu_) return 1;
    soft_key_menu_->SetKeyTextById(kIdCentreToMarker, kCentreKey, false, false);
    soft_key_menu_->SetKeyTextById(kIdMarkerToReference, kReferenceKey, false, false);
    const uint32_t type = CurrentType();
    if (type == kGeneralSpectrum || type == kSignalStrength)
        soft_key_menu_->SetKeyLabelById(kIdCounter, kCounterKey, kIdOn, kIdOff,
                                        freqCounterOn ? 0 : 1, false);
    else
        soft_key_menu_->SetKeyTextById(kIdBlank, kCounterKey, false, false);
    soft_key_menu_->SetKeyTextById(kIdBlank, 6, false, false);
    soft_key_menu_->Show(0, highlight);
    return 1;
}

bool CSpecAnMode::OnSignalToolsMenuKey(int key) {
    if (key != kCentreKey && key != kReferenceKey && key != kCounterKey)
        return CMeasurementBase::OnSignalToolsMenuKey(key);
    ClearPageFlags();
    bool selected = false;
    bool counterSwitched = false;
    const uint32_t type = CurrentType();
    switch (key) {
        case kCentreKey:
            CenterToMarker();
            pageShowFlag = true;
            pageHighlightFlag = false;
            break;
        case kReferenceKey:
            selected = MarkerToRefLevel();
            pageShowFlag = true;
            pageHighlightFlag = false;
            break;
        default:
            if (type != kGeneralSpectrum && type != kSignalStrength) return false;
            ToggleFrequencyCounter();
            selected = true;
            counterSwitched = true;
            pageShowFlag = true;
            break;
    }
    if (pageShowFlag) ShowSignalToolsMenu(-1, -1);
    if (soft_key_menu_) {
        soft_key_menu_->Highlight(key);
        if (selected) soft_key_menu_->SetKeyState(0, key, true);
    }
    if (counterSwitched) {
        ApplyFrequencyCounter();
        if (setup_ && !setup_->GetFreqCounter()) freqCounterOn = false;
    }
    if (pageSelectFlag && pageHighlightFlag) {
        if (setup_) setup_->NotifyChanged(true);
        UpdateSweepReadout(true);
        if (readout_panel_) readout_panel_->Redraw();
    }
    RequestMarkerRedraw();
    return true;
}

bool CSpecAnMode::OnMarkerChanged() {
    if (freqCounterOn) {
        if (setup_) setup_->SetFreqCounter(false);
        ApplyFrequencyCounter();
        freqCounterOn = false;
    }
    return false;
}

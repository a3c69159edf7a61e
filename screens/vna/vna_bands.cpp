// CVnaMode: the band key of the frequency page. A band of the application's
// band list becomes the setup's range, unless it starts below the lowest
// frequency the board measures.
#include "core/frequency_range.h"
#include "files/lists/signal_band.h"
#include "files/vna_meas_setup.h"
#include "screens/screen_services.h"
#include "screens/vna/vna_mode.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr uint32_t kBelowLowestFrequency = 64173;
constexpr uint64_t kMaxFrequency = 3600000000ull;
constexpr uint64_t kResolution = 100000;
constexpr int32_t kNoChannel = -1;
constexpr int kNormalColour = 39;

}  // namespace

bool CVnaMode::OnFrequencyListKey(int) {
    StopMeasurement();
    IScreenServices* services = IScreenServices::current();
    CSignalBand* list = services ? services->GetBandList() : nullptr;
    auto* const current = dynamic_cast<CSignalBand*>(vna_setup_->GetBand());
    CSignalBand* chosen = current;
    if (list && Entries().Band(&chosen, list) && chosen && chosen != current) ChooseBand(*chosen);
    RepaintScreen(0);
    ShowSoftKeys(active_function_, -1);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kNormalColour);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    ApplySettings(true);
    return true;
}

void CVnaMode::ChooseBand(CSignalBand& band) {
    const uint64_t lowest = LowestFrequency();
    if (band.GetStart() < lowest) {
        Messages().Ask(kBelowLowestFrequency, 0, false);
        return;
    }
    vna_setup_->SetBand(&band);
    CFrequencyRange* range = vna_setup_->GetFrequencyRange();
    if (!range) return;
    range->SetLimits(lowest, kMaxFrequency, kResolution);
    if (band.GetCurrentChannel() != kNoChannel) {
        range->SetCentre(band.GetCenter(), true);
        range->SetSpan(band.GetSpan(), true);
    }
    ResetHoldState();
}

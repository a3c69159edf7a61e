// CSpecAnMode: signal bands and their channels on the frequency page. Key 6
// chooses a band of the application's band list and tunes to it (or to its
// current channel where it has a channel plan); key 7, shown only for a
// band with channels, names the channel and opens the channel editor.
#include "core/keys.h"
#include "core/res_string.h"
#include "core/text.h"
#include "dialogs/band_select_dlg.h"
#include "files/lists/signal_band.h"
#include "files/sa_meas_setup.h"
#include "platform/framework/wnd.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {

constexpr int kChannelKey = 7;
constexpr uint32_t kChannelLabel = 209, kBlankLabel = 184;
constexpr uint32_t kVkFrequencyMenuKey = 124;
constexpr int kReadoutColour = 39;
// The format of the frequency row after a band change.
constexpr uint32_t kBandRowFormat = 3;
constexpr int kFrequencyRow = 3;

}  // namespace

CSignalBand* CSpecAnMode::CurrentBand() const {
    return dynamic_cast<CSignalBand*>(sa_setup_->GetBand());
}

bool CSpecAnMode::BandHasChannels() const {
    const CSignalBand* band = CurrentBand();
    return band && band->GetRangeCount() > 0;
}

int CSpecAnMode::BuildFrequencyLabels(int key, int extra) {
    const int result = CMeasurementBase::BuildFrequencyLabels(key, extra);
    if (key != -1 || !soft_key_menu_) return result;
    if (!BandHasChannels()) {
        soft_key_menu_->SetKeyTextById(kBlankLabel, kChannelKey, false, false);
        return result;
    }
    core::Text label = LoadResString(kChannelLabel) + u"\n";
    const int32_t channel = sa_setup_->GetChannelNumber();
    if (channel != kNoBandChannel) label += core::FormatText("\n%d", channel);
    soft_key_menu_->SetKeyText(label, kChannelKey, false, false);
    return result;
}

// The band's values, and with a channel plan its current channel: three
// channel bandwidths around it. The automatic bandwidths follow the span.
void CSpecAnMode::TuneToBand(CSignalBand* band) {
    if (band != sa_setup_->GetBand()) sa_setup_->SetBand(band);
    if (band->GetRangeCount() > 0 && band->GetCurrentChannel() != kNoBandChannel)
        sa_setup_->TuneToChannel(band->GetCurrentChannel());
    ResetHoldState();
    Bandwidth().UpdateForSpan(sa_setup_->GetFrequencyRange()->GetSpan());
    if (CurrentType() == kSignalStrength) BuildAntennaFactors();
    if (readout_panel_)
        readout_panel_->ShowFrequencyRow(sa_setup_->GetFrequencyRange(), kBandRowFormat,
                                         kFrequencyRow);
}

bool CSpecAnMode::OnFrequencyListKey(int) {
    StopMeasurement();
    IScreenServices* services = IScreenServices::current();
    CSignalBand* list = services ? services->GetBandList() : nullptr;
    CSignalBand* chosen = CurrentBand();
    if (list) {
        CBandSelectDlg dialog(main_frame_, &chosen, list);
        if (dialog.DoModal() == plat::IDOK && chosen) TuneToBand(chosen);
    }
    if (main_frame_) main_frame_->SetFocus();
    if (CurrentType() == kTimeDomain) {
        EnterTimeDomain(false);
        if (main_frame_) {
            main_frame_->PostMessage(plat::WM_KEYDOWN, kVkFrequencyMenuKey,
                                     plat::key_lparam(1, false, false));
            main_frame_->PostMessage(plat::WM_KEYUP, kVkFrequencyMenuKey,
                                     plat::key_lparam(1, true, true));
        }
    }
    RepaintScreen(0);
    ShowSoftKeys(page_, -1);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    ApplySettings(true);
    return true;
}

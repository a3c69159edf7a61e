// The value dialogs the marker and trace pages open, and the wave player's
// volume.
#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/threshold_offset_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "instrument/wave_player.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/measurement/readout_texts.h"
#include "screens/measurement_base.h"

bool CMeasurementBase::RunMarkerFrequencyDialog(int firstKey, uint64_t value, uint64_t low,
                                                uint64_t high, uint32_t titleId,
                                                uint64_t& entered) {
    uint64_t result = value;
    entered = EnterFrequency(firstKey, value, low, high, 1, titleId,
                             static_cast<int>(FrequencyUnitIndex(value)), false, &result);
    return entered != value;
}

// Each dialog runs modally over the main frame, started with the key that
// opened it; afterwards the frame has the focus again.
namespace {
template <class Dialog>
bool RunModal(Dialog& dialog, plat::CWnd* frame) {
    const intptr_t answer = dialog.DoModal();
    if (frame) frame->SetFocus();
    return answer == plat::IDOK;
}
}  // namespace

bool CMeasurementBase::RunThresholdDialog(int firstKey, double offset, double noiseLevel,
                                          double& entered) {
    CThresholdOffsetDlg dialog(main_frame(), CKeypadEntryDlg::KeyToChar(firstKey), offset,
                               noiseLevel);
    if (!RunModal(dialog, main_frame())) return false;
    entered = dialog.GetValue();
    return true;
}

bool CMeasurementBase::RunVolumeDialog(uint32_t titleId, int firstKey, int& volume) {
    CVolumeEntryDlg dialog(main_frame(), LoadResString(titleId),
                           CVolumeEntryDlg::KeyToChar(firstKey), volume);
    if (!RunModal(dialog, main_frame())) return false;
    volume = static_cast<int>(dialog.GetValue());
    return true;
}

bool CMeasurementBase::RunAveragingDialog(int firstKey, int& count) {
    CAverageDlg dialog(main_frame(), CIntegerEntryDlg::KeyToChar(firstKey), count);
    if (!RunModal(dialog, main_frame())) return false;
    count = static_cast<int>(dialog.GetValue());
    return true;
}

void CMeasurementBase::SetPlayerVolume(int percent) {
    if (wavePlayer) wavePlayer->SetVolume(static_cast<uint32_t>(percent));
}

void CMeasurementBase::CarrierLevels(double& carrier, double& interference, double& ratio) {
    carrier = interference = ratio = readout_texts::kNoCarrierLevel;
}

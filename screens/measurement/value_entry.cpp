// The value dialogs the marker and trace pages open, and the wave player's
// volume.
#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/threshold_offset_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "instrument/wave_player.h"
#include "platform/framework/wnd.h"
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

bool CMeasurementBase::RunThresholdDialog(int, double, double, double&) {
    return false;
}

bool CMeasurementBase::RunVolumeDialog(uint32_t, int, int&) {
    return false;
}

bool CMeasurementBase::RunAveragingDialog(int, int&) {
    return false;
}

void CMeasurementBase::SetPlayerVolume(int percent) {
    if (wavePlayer) wavePlayer->SetVolume(static_cast<uint32_t>(percent));
}

void CMeasurementBase::CarrierLevels(double& carrier, double& interference, double& ratio) {
    carrier = interference = ratio = readout_texts::kNoCarrierLevel;
}

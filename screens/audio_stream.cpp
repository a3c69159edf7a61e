// The demodulated audio stream and the marker results.
#include "screens/measurement_base.h"

void CMeasurementBase::AppendAudioSamples(const int16_t*, uint32_t) {}
void CMeasurementBase::PumpAudio() {}
void CMeasurementBase::OnMarkerResults(CDeviceItem*) {}

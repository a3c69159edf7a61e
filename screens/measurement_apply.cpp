// Settings application, the frequency counter hand-over and value entry.
#include "screens/measurement_base.h"

void CMeasurementBase::ApplyAndRestart(bool) {}
bool CMeasurementBase::ApplySettings(bool) {
    return false;
}
void CMeasurementBase::ApplyFrequencyCounter() {}
bool CMeasurementBase::ToggleFrequencyCounter() {
    return false;
}
bool CMeasurementBase::ConvertLimitValues(int) {
    return false;
}
float CMeasurementBase::EnterNumber(int, float, int8_t, int, int, int) {
    return 0;
}
bool CMeasurementBase::EnterSweepTime(int, int*) {
    return false;
}
uint64_t CMeasurementBase::EnterFrequency(int, uint64_t, uint64_t, uint64_t, uint64_t, uint32_t,
                                          int, bool, uint64_t*) {
    return 0;
}
uint64_t CMeasurementBase::ArrowStep(uint64_t, uint32_t) {
    return 0;
}
void CMeasurementBase::ResetDisplayState() {}
int CMeasurementBase::StopMeasurement() {
    return 0;
}

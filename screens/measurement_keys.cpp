// The key routing of a measurement screen and its frequency page.
#include "screens/measurement_base.h"

void CMeasurementBase::OnSoftKey(uint32_t, int) {}
void CMeasurementBase::OnMenuKey(uint32_t, int) {}
int CMeasurementBase::OnEscapeKey() {
    return 0;
}
void CMeasurementBase::OnEnterKey() {}
void CMeasurementBase::OnArrowKey(uint32_t, int) {}
void CMeasurementBase::OnNumericKey(uint32_t, int) {}
int CMeasurementBase::OnWheel(int) {
    return 0;
}
int CMeasurementBase::OnKnobStep(int) {
    return 0;
}
int CMeasurementBase::ShowSoftKeys(int, int) {
    return 0;
}
int CMeasurementBase::OnFrequencyMenuKey(int) {
    return 0;
}
void CMeasurementBase::ApplyValue(int, bool, uint64_t) {}
void CMeasurementBase::FullSpan(int) {}
int CMeasurementBase::HandleZeroSpan(int, int, int) {
    return 0;
}
int CMeasurementBase::OnEditPointsEnter() {
    return 0;
}
void CMeasurementBase::SetActiveStep(int) {}
int CMeasurementBase::FrequencyKnob(int) {
    return 0;
}
int CMeasurementBase::FrequencyArrow(uint32_t) {
    return 0;
}
int CMeasurementBase::FrequencyDigit(int) {
    return 0;
}
void CMeasurementBase::SetFrequencyValue(int, uint64_t) {}
void CMeasurementBase::ShowCurrentPage(int) {}

// CSpecAnMode: the operations of the screen's later menus (the measure menu
// and the measurement-function menus, the key help captions, the frequency
// lists). Until they exist they do nothing.
#include "screens/specan/specan_mode.h"

int CSpecAnMode::ShowMeasurementOnOffMenu(int) {
    return 0;
}
int CSpecAnMode::OpenMeasurementMenu(int) {
    return 0;
}
int CSpecAnMode::ShowFunctionMenu(int, int) {
    return 0;
}
int CSpecAnMode::OnFunctionMenuKey(int, int) {
    return 0;
}
bool CSpecAnMode::OnFunctionDigit(int, int) {
    return false;
}
bool CSpecAnMode::OnFunctionArrow(int, uint32_t) {
    return false;
}
bool CSpecAnMode::OnFunctionKnob(int, int) {
    return false;
}
void CSpecAnMode::ResetHelpCaptions() {}
bool CSpecAnMode::HasFrequencyListEntries() const {
    return false;
}
int CSpecAnMode::OnSpanValue(int, uint64_t) {
    return 0;
}

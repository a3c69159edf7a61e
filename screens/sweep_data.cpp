// The data path: sweep block intake, trace modes, commit and display refresh.
#include "screens/measurement_base.h"

void CMeasurementBase::ProcessNewData(CDeviceItem*, int) {}
int CMeasurementBase::PrepareSweepStart(int, int*) {
    return 0;
}
void CMeasurementBase::RestartTraceRedraw() {}
int CMeasurementBase::LoadScaleRange() {
    return 0;
}
void CMeasurementBase::ProcessBlockPoints(CDeviceItem*) {}
void CMeasurementBase::ProcessSweepBlock(CDeviceItem*) {}
void CMeasurementBase::ReprocessStoredTrace() {}
void CMeasurementBase::ApplyPendingLimitRedraw() {}
int CMeasurementBase::SetupFrequencyAxis(int) {
    return 0;
}
void CMeasurementBase::OnResultRecord(CDeviceItem*) {}
double CMeasurementBase::GetTracePoint(CDeviceItem*, int) {
    return 0.0;
}
double CMeasurementBase::ConvertLevel(double) {
    return 0.0;
}
int CMeasurementBase::GetBlockPointCount(CDeviceItem*) {
    return 0;
}
int CMeasurementBase::GetBlockEndIndex(CDeviceItem*) {
    return 0;
}
int CMeasurementBase::PublishPeakLists() {
    return 0;
}
void CMeasurementBase::HoldTrace() {}
void CMeasurementBase::SetHoldState() {}
void CMeasurementBase::ResetHoldState() {}
void CMeasurementBase::AllocTraceBuffers(int) {}
void CMeasurementBase::FreeTraceBuffers() {}
int CMeasurementBase::RefreshHook() {
    return 0;
}
int CMeasurementBase::RefreshDisplay() {
    return 0;
}
void CMeasurementBase::PublishToGraph() {}
int CMeasurementBase::SweepHook() {
    return 0;
}
int CMeasurementBase::MeasureSweepTime(int, bool) {
    return 0;
}
core::Text CMeasurementBase::FormatElapsedTime(uint32_t) const {
    return {};
}
void CMeasurementBase::ShowSweepTime(uint32_t) {}
core::Text CMeasurementBase::GetSweepTimeSuffix() const {
    return {};
}
void CMeasurementBase::CommitSweepBlock(int, int) {}
void CMeasurementBase::ProcessPoint(int, double, double) {}
void CMeasurementBase::PlotTracePoint(double, int) {}
int CMeasurementBase::GetSweepAverage(double*) {
    return 0;
}
void CMeasurementBase::SetRunState(CDeviceItem*) {}
void CMeasurementBase::ShowRecordText(const char*, int, int) {}
double CMeasurementBase::ReadStoredPoint(int, int) {
    return 0.0;
}
double CMeasurementBase::GetResultA() {
    return 0.0;
}
double CMeasurementBase::GetResultB() {
    return 0.0;
}
int CMeasurementBase::SetReferenceTraceDoubles(const double*, int) {
    return 0;
}
int CMeasurementBase::SetReferenceTrace(const float*, int) {
    return 0;
}
int CMeasurementBase::StopAfterSingleSweep() {
    return 0;
}
void CMeasurementBase::OnDisplayRefresh() {}
void CMeasurementBase::PostDisplayRefresh() {}

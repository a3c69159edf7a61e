// The operations of the measurement screen base whose behaviour comes with
// later work: each does nothing (and answers its neutral value) until its
// own file replaces it here.
#include <memory>
#include <string>

#include "files/formats/trace_file.h"
#include "screens/measurement_base.h"

void CMeasurementBase::SignalBeep() {}
void CMeasurementBase::ShowStatusMessage(const std::u16string& text, int flag) {
    CModeBase::ShowStatusMessage(text, flag);
}
int CMeasurementBase::GetModeFlag() const {
    return 0;
}
void CMeasurementBase::UpdateSweepReadout(bool) {}
int CMeasurementBase::PlaceMarkerPair(int, int, int64_t, int64_t) {
    return 1;
}
int CMeasurementBase::MarkerPairHook() {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue0() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue1() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue2() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue3() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue4() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue5() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue6() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue7() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue8() const {
    return 0;
}
uint64_t CMeasurementBase::GetResultValue9() const {
    return 0;
}
double CMeasurementBase::PowerRatioDb(uint64_t, double) const {
    return 0.0;
}
int CMeasurementBase::SetPositionText(const char*, size_t) {
    return 0;
}
void CMeasurementBase::GetPositionText(char*) const {}
void CMeasurementBase::GetPositionText2(char*) const {}
int CMeasurementBase::SetPositionText2(const char*) {
    return 0;
}
core::Text CMeasurementBase::FormatPosition() {
    return {};
}
core::Text CMeasurementBase::FormatPositionTag() {
    return {};
}
bool CMeasurementBase::StepVolume(uint32_t) {
    return false;
}
bool CMeasurementBase::TurnVolume(int) {
    return false;
}
bool CMeasurementBase::EditVolume(int) {
    return false;
}
void CMeasurementBase::RefreshGraphMarkers() {}
void CMeasurementBase::ShowTraceCaption() {}
int CMeasurementBase::GetSweepCount() const {
    return 0;
}
void CMeasurementBase::SetSweepCount(int) {}
void CMeasurementBase::SetSweepCount2(int) {}
void CMeasurementBase::SetModeFlag(int) {}
int CMeasurementBase::GetGuardedFlag() {
    return 0;
}
void CMeasurementBase::SetGuardedFlag(int) {}
void CMeasurementBase::SetAttachedObject(void*) {}
void* CMeasurementBase::GetAttachedObject() {
    return nullptr;
}
bool CMeasurementBase::CopyFileWithProgress(const core::Text&, const core::Text&,
                                            const core::Text&) {
    return false;
}
void CMeasurementBase::CopyFolderFiles(CMeasSetup*, const core::Text&, const core::Text&, int) {}
int CMeasurementBase::FindTraceFiles(const core::Text&) {
    return 0;
}
int CMeasurementBase::IsMarkerOn() const {
    return 0;
}
bool CMeasurementBase::OnMarkerMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnMarkerSearchMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnMarkerTypeMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnSignalToolsMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnToolsArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnToolsKnob(int) {
    return false;
}
bool CMeasurementBase::OnToolsDigit(int) {
    return false;
}
bool CMeasurementBase::OnMarkerArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnMarkerKnob(int) {
    return false;
}
bool CMeasurementBase::EditMarkerPosition(int) {
    return false;
}
bool CMeasurementBase::EditMarkerFrequency(int) {
    return false;
}
bool CMeasurementBase::OnSearchArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnSearchKnob(int) {
    return false;
}
bool CMeasurementBase::OnSearchDigit(int) {
    return false;
}
bool CMeasurementBase::StepThreshold(uint32_t) {
    return false;
}
bool CMeasurementBase::TurnThreshold(int) {
    return false;
}
bool CMeasurementBase::EnterThreshold(int) {
    return false;
}
bool CMeasurementBase::SelectNextMarker() {
    return false;
}
bool CMeasurementBase::ToggleMarker() {
    return false;
}
bool CMeasurementBase::MarkerToPeak() {
    return false;
}
bool CMeasurementBase::NextPeak() {
    return false;
}
bool CMeasurementBase::PeakLeft() {
    return false;
}
bool CMeasurementBase::PeakRight() {
    return false;
}
bool CMeasurementBase::MarkerToMin() {
    return false;
}
bool CMeasurementBase::NextMin() {
    return false;
}
bool CMeasurementBase::MinLeft() {
    return false;
}
bool CMeasurementBase::MinRight() {
    return false;
}
bool CMeasurementBase::MarkerToCenter() {
    return false;
}
bool CMeasurementBase::CenterToMarker() {
    return false;
}
bool CMeasurementBase::MarkerToRefLevel() {
    return false;
}
bool CMeasurementBase::CycleDeltaMarker() {
    return false;
}
bool CMeasurementBase::ToggleMarkerType() {
    return false;
}
bool CMeasurementBase::EditMarkerLabel() {
    return false;
}
bool CMeasurementBase::CycleMarkerReadout() {
    return false;
}
bool CMeasurementBase::ToggleMarkerFlag() {
    return false;
}
bool CMeasurementBase::AllMarkersToPeaks() {
    return false;
}
bool CMeasurementBase::AllMarkersToMinima() {
    return false;
}
bool CMeasurementBase::AllMarkersOff() {
    return false;
}
bool CMeasurementBase::OnMarkerChanged() {
    return false;
}
bool CMeasurementBase::OnTraceMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnWaterfallMarkerArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::ShowWaterfallMenu(int) {
    return false;
}
bool CMeasurementBase::OnWaterfallMenuKey(int) {
    return false;
}
bool CMeasurementBase::BuildWaterfallMenu() {
    return false;
}
bool CMeasurementBase::LeaveWaterfallRecall() {
    return false;
}
bool CMeasurementBase::ChooseWaterfallFile() {
    return false;
}
bool CMeasurementBase::OnAveragingDigit(int) {
    return false;
}
bool CMeasurementBase::OnAveragingArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnAveragingKnob(int) {
    return false;
}
bool CMeasurementBase::EnterAveragingCount(int) {
    return false;
}
bool CMeasurementBase::StepAveragingCount(uint32_t) {
    return false;
}
bool CMeasurementBase::KnobAveragingCount(int) {
    return false;
}
void CMeasurementBase::OnAveragingCountChanged() {}
void CMeasurementBase::OnTraceModeChanged() {}
bool CMeasurementBase::OnDetectionMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnThresholdMenuKey(int) {
    return false;
}
bool CMeasurementBase::SelectThresholdLine() {
    return false;
}
bool CMeasurementBase::ToggleThresholdLine() {
    return false;
}
bool CMeasurementBase::ToggleLimitAlarm() {
    return false;
}
bool CMeasurementBase::OnThresholdArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnThresholdKnob(int) {
    return false;
}
bool CMeasurementBase::OnThresholdDigit(int) {
    return false;
}
bool CMeasurementBase::MoveUpperLine(uint32_t) {
    return false;
}
bool CMeasurementBase::MoveLowerLine(uint32_t) {
    return false;
}
bool CMeasurementBase::TurnUpperLine(int) {
    return false;
}
bool CMeasurementBase::TurnLowerLine(int) {
    return false;
}
bool CMeasurementBase::GetThresholdEntry(int&, double&, double&, double&) {
    return false;
}
bool CMeasurementBase::SetThresholdValue(double) {
    return false;
}
bool CMeasurementBase::OnPointArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnPointKnob(int) {
    return false;
}
bool CMeasurementBase::OnPointDigit(int) {
    return false;
}
bool CMeasurementBase::TurnPointLevel(int) {
    return false;
}
bool CMeasurementBase::CheckEditedPoint(int) {
    return false;
}
double CMeasurementBase::LoadEditPoint(int, double*, double*) {
    return 0.0;
}
bool CMeasurementBase::OpenPointDialog(int) {
    return false;
}
int CMeasurementBase::OpenLineMaskList(bool) {
    return 0;
}
int CMeasurementBase::FrequencyToPoint(uint64_t, uint64_t, uint64_t) const {
    return 0;
}
int CMeasurementBase::BuildFrequencyLabels(int, int) {
    return 1;
}
int CMeasurementBase::BuildFrequencyLabelsWithChannel(int, int) {
    return 1;
}
int CMeasurementBase::ShowAmplitudeUnitMenu() {
    return 1;
}
int CMeasurementBase::ShowDetectionMenu() {
    return 1;
}
int CMeasurementBase::BuildTraceModeLabels() {
    return 1;
}
int CMeasurementBase::BuildAveragingLabels() {
    return 1;
}
int CMeasurementBase::ShowAttenuationMenu() {
    return 1;
}
int CMeasurementBase::BuildAttenuationAverageLabels(int) {
    return 1;
}
int CMeasurementBase::ShowBandwidthMenu() {
    return 1;
}
int CMeasurementBase::ShowCalibrationMenu() {
    return 1;
}
int CMeasurementBase::BuildPage9(int) {
    return 1;
}
int CMeasurementBase::ReadoutHook() {
    return 0;
}
void CMeasurementBase::ShowMarkerPage(int) {}
void CMeasurementBase::ShowMarkerSearchPage(int) {}
void CMeasurementBase::ShowMarkerTypePage(int) {}
void CMeasurementBase::ShowSignalToolsPage(int) {}
void CMeasurementBase::ShowThresholdPage(int) {}
void CMeasurementBase::ShowLimitPage38(int) {}
void CMeasurementBase::ShowLimitPage39(int) {}
void CMeasurementBase::ShowLimitPage40(int) {}
void CMeasurementBase::ShowPage41(int) {}
void CMeasurementBase::ShowPage44(int) {}
void CMeasurementBase::ShowPage45(int) {}
void CMeasurementBase::ShowPage46(int) {}
void CMeasurementBase::ShowPage47(int) {}
void CMeasurementBase::ShowPage49(int) {}
void CMeasurementBase::EnterPage52() {}
void CMeasurementBase::ShowDetectionPage(int) {}
void CMeasurementBase::ReturnToPage9(int) {}
void CMeasurementBase::ShowAmplitudeUnitPage() {}
void CMeasurementBase::ShowTracePage() {}
void CMeasurementBase::ShowSweepTraceText() {}
core::Text CMeasurementBase::GetTraceModeText() {
    return {};
}
double CMeasurementBase::AutoAttenuation() {
    return 0.0;
}
bool CMeasurementBase::ApplyAutoAttenuation() {
    return false;
}
void CMeasurementBase::AutoScale(double, double) {}
void CMeasurementBase::BuildAntennaFactors() {}
void CMeasurementBase::SelectChannel() {}
void CMeasurementBase::SetTraceAxis(int) {}
bool CMeasurementBase::ForwardToMeasurement1(intptr_t) {
    return false;
}
bool CMeasurementBase::ForwardToMeasurement2(intptr_t) {
    return false;
}
bool CMeasurementBase::ForwardToMeasurement3(intptr_t) {
    return false;
}
bool CMeasurementBase::ForwardToMeasurement4(intptr_t) {
    return false;
}
bool CMeasurementBase::ForwardToMeasurement5(intptr_t) {
    return false;
}
bool CMeasurementBase::ForwardToMeasurement6(intptr_t) {
    return false;
}
bool CMeasurementBase::IsListReady(const void*) const {
    return false;
}
bool CMeasurementBase::RefreshAfterEntry() {
    return true;
}
bool CMeasurementBase::OnIfbwMenuKey(int, int, int, int, int, int) {
    return true;
}
bool CMeasurementBase::OnFrequencyListKey(int) {
    return true;
}
bool CMeasurementBase::EditMarkerTime(int) {
    return false;
}
bool CMeasurementBase::EditMarkerDistance(int) {
    return false;
}
bool CMeasurementBase::EditLevelLine(int) {
    return false;
}
bool CMeasurementBase::OnExtraMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnLimitPageKey38(int) {
    return false;
}
bool CMeasurementBase::OnLimitPageKey39(int) {
    return false;
}
bool CMeasurementBase::OnLimitPageKey40(int) {
    return false;
}
core::Text CMeasurementBase::GetTraceFolder() const {
    return {};
}
core::Text CMeasurementBase::MakeTracePath(const core::Text&) const {
    return {};
}
core::Text CMeasurementBase::AddTraceExtension(const core::Text&) const {
    return {};
}
void CMeasurementBase::OnTraceFilesChanged(intptr_t) {}
void CMeasurementBase::CheckRestartAfterKey(uint32_t) {}
int CMeasurementBase::ShowTraceFileMenu(int) {
    return 1;
}
int CMeasurementBase::ShowSaveTraceCaption() {
    return 1;
}
int CMeasurementBase::ShowLogMenu(int) {
    return 1;
}
int CMeasurementBase::ShowRecallMenu(int) {
    return 1;
}
int CMeasurementBase::ShowManageTraceMenu(int) {
    return 1;
}
int CMeasurementBase::ShowToolsMenu(int) {
    return 1;
}
int CMeasurementBase::ShowHelpMenu(int) {
    return 1;
}
int CMeasurementBase::ShowScreenImageMenu(int) {
    return 1;
}
bool CMeasurementBase::CopyTracesToUsb(int, int, const core::Text&) {
    return false;
}
bool CMeasurementBase::DeleteTraceFile(const core::Text&) {
    return false;
}
std::unique_ptr<CTraceFile> CMeasurementBase::BuildTraceFileObject() {
    return nullptr;
}
int CMeasurementBase::GetTraceForFile(uint8_t*, int*) {
    return 0;
}
int CMeasurementBase::GetSecondTraceForFile(uint8_t*, int*) {
    return 0;
}
void CMeasurementBase::LoadRecalledTrace(const float*, int) {}
bool CMeasurementBase::OpenTraceFileManager() {
    return false;
}
bool CMeasurementBase::CloseTraceFileManager(int) {
    return false;
}
bool CMeasurementBase::CheckRestart() {
    return false;
}
bool CMeasurementBase::IsSaveBusy() const {
    return false;
}
bool CMeasurementBase::OnTraceFileMenuKey(int) {
    return false;
}
bool CMeasurementBase::DeleteTraceFiles(int) {
    return false;
}
bool CMeasurementBase::OnLogMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnKeyCode(int) {
    return false;
}
bool CMeasurementBase::OnRecallMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnManageTraceKey(int) {
    return false;
}
bool CMeasurementBase::QuickSaveTrace() {
    return false;
}
bool CMeasurementBase::LabelAndSaveTraceWithDialog() {
    return false;
}
bool CMeasurementBase::LabelAndSaveTrace(CTraceFile*, CMeasSetup*, const core::Text&, bool) {
    return false;
}
bool CMeasurementBase::OpenToolsScreen() {
    return false;
}
bool CMeasurementBase::ShowFullScreen() {
    return false;
}
bool CMeasurementBase::OnHelpMenuKey(int) {
    return false;
}
bool CMeasurementBase::OnScreenImageMenuKey(int) {
    return false;
}
bool CMeasurementBase::QuickSaveScreen() {
    return false;
}
bool CMeasurementBase::PrintScreen() {
    return false;
}
bool CMeasurementBase::ManageImageFiles() {
    return false;
}
bool CMeasurementBase::LogTraceIfDue() {
    return false;
}
bool CMeasurementBase::EditLogInterval(int) {
    return false;
}
bool CMeasurementBase::OnLogIntervalArrow(uint32_t) {
    return false;
}
bool CMeasurementBase::OnLogIntervalKnob(int) {
    return false;
}
int CMeasurementBase::ShowMarkerMenu(int, int) {
    return 1;
}
int CMeasurementBase::ShowMarkerSearchMenu(int, int) {
    return 1;
}
int CMeasurementBase::ShowMarkerTypeMenu(int, int) {
    return 1;
}
int CMeasurementBase::ShowSignalToolsMenu(int, int) {
    return 1;
}
int CMeasurementBase::ShowThresholdAlarmMenu(int, int) {
    return 1;
}
int CMeasurementBase::BuildLimitLineMenu(int, int) {
    return 1;
}
int CMeasurementBase::BuildRefPointMenu(int, int) {
    return 1;
}
int CMeasurementBase::BuildLimitEditMenu(int, int) {
    return 1;
}
int CMeasurementBase::BuildEditPointsMenu(int, int) {
    return 1;
}
int CMeasurementBase::HasExtraMenu() {
    return 0;
}
void CMeasurementBase::UpdateStatusRows() {}
void CMeasurementBase::UpdateFrequencyReadout() {}
void CMeasurementBase::UpdateBandwidthReadout() {}
void CMeasurementBase::UpdateSettingsReadout() {}
void CMeasurementBase::UpdateListAndChannel() {}
void CMeasurementBase::ShowFrequencyListName() {}
void CMeasurementBase::ShowChannelNumber() {}
void CMeasurementBase::ShowActiveMarker() {}
void CMeasurementBase::ShowLimitTestResult() {}
void CMeasurementBase::UpdateAllReadouts() {}
void CMeasurementBase::RefreshActiveMarker() {}
void CMeasurementBase::ShowMeasurementResult(bool) {}
void CMeasurementBase::DrawChannelPower(bool) {}

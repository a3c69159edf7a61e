// The operations of the measurement screen base whose behaviour comes with
// later work: each does nothing (and answers its neutral value) until its
// own file replaces it here.
#include <memory>
#include <string>

#include "files/formats/trace_file.h"
#include "screens/measurement_base.h"

int CMeasurementBase::MarkerPairHook() {
    return 0;
}
bool CMeasurementBase::CopyFileWithProgress(const core::Text&, const core::Text&,
                                            const core::Text&) {
    return false;
}
void CMeasurementBase::CopyFolderFiles(CMeasSetup*, const core::Text&, const core::Text&, int) {}
int CMeasurementBase::FindTraceFiles(const core::Text&) {
    return 0;
}
int CMeasurementBase::ReadoutHook() {
    return 0;
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

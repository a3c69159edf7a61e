#include "dialogs/system_info_dlg.h"

#include <mutex>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"

namespace {

constexpr uint32_t kNotAvailable = 61210, kNotPresent = 570, kFreeShare = 569;
constexpr uint32_t kPercent = 571, kSeconds = 1172, kMinutes = 1171;
constexpr uint32_t kNoEstimate = 255, kSecondsLimit = 1000;
constexpr int32_t kNoTemperature = -100;
constexpr int kFlash = 0, kHardDisk = 1, kMemory = 2;

const std::vector<CInfoDlgBase::Row>& SystemRows() {
    static const std::vector<CInfoDlgBase::Row> rows = {
        {1314, CSystemInfoDlg::kApplicationVersion, 0, 0},
        {1316, CSystemInfoDlg::kModel, 0, 0},
        {1324, CSystemInfoDlg::kUnitSerial, 0, 0},
        {1318, CSystemInfoDlg::kRfSerial, 0, 0},
        {1320, CSystemInfoDlg::kDspVersion, 0, 0},
        {1326, CSystemInfoDlg::kBoardModel, 0, 0},
        {1322, CSystemInfoDlg::kKeypadVersion, 0, 0},
        {1315, CSystemInfoDlg::kTemperature, 0, 1},
        {1317, CSystemInfoDlg::kInternalStorage, 0, 1},
        {1319, CSystemInfoDlg::kExternalStorage, 0, 1},
        {1325, CSystemInfoDlg::kInternalRam, 0, 1},
        {1321, CSystemInfoDlg::kBatteryLevel, CSystemInfoDlg::kBatteryTime, 1},
        {1323, CSystemInfoDlg::kPrinter, 0, 1},
    };
    return rows;
}

}  // namespace

CSystemInfoDlg::CSystemInfoDlg(plat::CWnd* frame, plat::CWnd* screen)
    : CInfoDlgBase(IDD, frame, screen, kRefreshMs) {
    static std::once_flag once;
    std::call_once(once, [] { RegisterInfoTemplate(IDD, SystemRows(), {}); });
}

const std::vector<CInfoDlgBase::Row>& CSystemInfoDlg::Rows() const {
    return SystemRows();
}

void CSystemInfoDlg::FillIdentity() {
    const IDialogServices* s = IDialogServices::current();
    const SystemIdentity id = s ? s->GetSystemIdentity() : SystemIdentity{};
    SetField(kApplicationVersion, id.application_version);
    SetField(kDspVersion, id.dsp_version);
    SetField(kKeypadVersion, id.keypad_version);
    SetField(kModel, id.model);
    SetField(kUnitSerial, id.unit_serial);
    SetField(kRfSerial, id.rf_serial);
    SetField(kBoardModel, id.board_model);
    SetField(kPrinter, id.printer);
}

core::Text CSystemInfoDlg::FormatFreeShare(uint64_t free, uint64_t total, bool external) {
    if (total == 0) return LoadResString(external ? kNotPresent : kNotAvailable);
    // In floating point: a 32-bit product would overflow above 42 MB.
    return FormatResValue(kFreeShare,
                          static_cast<double>(free) * 100.0 / static_cast<double>(total));
}

core::Text CSystemInfoDlg::FormatTemperature(int32_t celsius, int32_t fahrenheit) {
    if (celsius <= kNoTemperature) return {};
    return core::FormatText("%d F (%d C)", fahrenheit, celsius);
}

core::Text CSystemInfoDlg::FormatBatteryLevel(uint32_t percent) {
    return percent <= 100 ? FormatResValue(kPercent, percent) : core::Text();
}

core::Text CSystemInfoDlg::FormatBatteryTime(uint32_t seconds) {
    if (seconds == kNoEstimate) return LoadResString(kNotAvailable);
    if (seconds <= kSecondsLimit) return FormatResValue(kSeconds, seconds);
    return FormatResValue(kMinutes, seconds / 60);
}

void CSystemInfoDlg::Refresh() {
    // The board's version and serial arrive when its link opens, which may
    // be after the box did.
    FillIdentity();
    const IDialogServices* s = IDialogServices::current();
    uint64_t total = 0;
    uint64_t free = s ? s->GetMemoryAndDiskStatus(kFlash, &total) : 0;
    SetField(kInternalStorage, FormatFreeShare(free, s ? total : 0, false));
    total = 0;
    free = s ? s->GetMemoryAndDiskStatus(kHardDisk, &total) : 0;
    SetField(kExternalStorage, FormatFreeShare(free, s ? total : 0, true));
    total = 0;
    free = s ? s->GetMemoryAndDiskStatus(kMemory, &total) : 0;
    SetField(kInternalRam, FormatFreeShare(free, s ? total : 0, false));
    SetField(kTemperature,
             s ? FormatTemperature(s->GetTemperatureC(), s->GetTemperatureF()) : core::Text());
    SetField(kBatteryLevel, FormatBatteryLevel(s ? s->GetBatteryLevel() : 255));
    SetField(kBatteryTime, FormatBatteryTime(s ? s->GetBatteryTime() : kNoEstimate));
}

void CSystemInfoDlg::OnTimerRefresh() {
    Refresh();
}

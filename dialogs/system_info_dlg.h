#pragma once
// CSystemInfoDlg: the system information box of the tools screen: versions,
// model and serial numbers, temperature, storage, memory, battery and
// printer, refreshed every five seconds.
#include <cstdint>
#include <vector>

#include "dialogs/info_dlg.h"

class CSystemInfoDlg : public CInfoDlgBase {
  public:
    static constexpr int IDD = 142;
    static constexpr uint32_t kRefreshMs = 5000;
    // Fields.
    static constexpr int kApplicationVersion = 1078;
    static constexpr int kModel = 1079;
    static constexpr int kRfSerial = 1081;
    static constexpr int kDspVersion = 1082;
    static constexpr int kKeypadVersion = 1083;
    static constexpr int kUnitSerial = 1084;
    static constexpr int kBoardModel = 1085;
    static constexpr int kInternalStorage = 1101;
    static constexpr int kExternalStorage = 1102;
    static constexpr int kBatteryLevel = 1103;
    static constexpr int kPrinter = 1104;
    static constexpr int kTemperature = 1105;
    static constexpr int kInternalRam = 1106;
    static constexpr int kBatteryTime = 1108;

    CSystemInfoDlg(plat::CWnd* frame, plat::CWnd* screen);

    // The five-second refresh: identity, storage, memory, temperature and
    // battery.
    void OnTimerRefresh();
    void Refresh() override;

    // The texts of the fields, as the box forms them.
    static core::Text FormatFreeShare(uint64_t free, uint64_t total, bool external);
    static core::Text FormatTemperature(int32_t celsius, int32_t fahrenheit);
    static core::Text FormatBatteryLevel(uint32_t percent);
    static core::Text FormatBatteryTime(uint32_t seconds);

  protected:
    const std::vector<Row>& Rows() const override;

  private:
    void FillIdentity();
};

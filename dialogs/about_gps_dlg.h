#pragma once
// CAboutGpsDlg: the GPS box of the tools screen: the receiver's position,
// altitude, place name, UTC time, fix state and the satellites in view with
// their signal bars, refreshed every second.
#include <cstdint>
#include <memory>
#include <vector>

#include "dialogs/info_dlg.h"

class CSatelliteBars;

class CAboutGpsDlg : public CInfoDlgBase {
  public:
    static constexpr int IDD = 141;
    static constexpr uint32_t kRefreshMs = 1000;
    static constexpr int kLatitude = 1461;
    static constexpr int kLongitude = 1462;
    static constexpr int kAltitude = 1463;
    static constexpr int kPlaceName = 1464;
    static constexpr int kUtc = 1465;
    static constexpr int kFix = 1466;
    static constexpr int kFirstSatellite = 1467;
    static constexpr int kSatelliteCount = 12;
    static constexpr int kSnrLabel = 1460;
    static constexpr int kPrnLabel = 1479;

    CAboutGpsDlg(plat::CWnd* frame, plat::CWnd* screen);
    ~CAboutGpsDlg() override;

    // How altitude (metres or feet) and position (decimal minutes, or
    // minutes and seconds) are shown; the tools screen keeps both flags.
    void SetDisplayFlags(int altitude_feet, int lat_lon_dms);
    // Copies the receiver's latest fix, time and satellites and fills the
    // fields.
    void UpdateGps();
    void Refresh() override { UpdateGps(); }

    // "d° m.mmm'" or "d° m' s.ss\"" of signed degrees: rounded to the shown
    // digits, the sign once on the degrees.
    static core::Text FormatCoordinate(double degrees, bool dms);
    // "%6.1f m", or in feet "%7.1f ft".
    static core::Text FormatAltitude(double metres, bool feet);

    const CSatelliteBars& GetBars() const { return *m_pBars; }

  protected:
    bool OnInitDialog() override;
    void OnPaint() override;
    const std::vector<Row>& Rows() const override;

  private:
    plat::Font m_TahomaFont;  // owned
    std::unique_ptr<CSatelliteBars> m_pBars;
    int m_nAltitudeFeet = 0;
    int m_nLatLonDms = 1;
};

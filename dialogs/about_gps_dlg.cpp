#include "dialogs/about_gps_dlg.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "instrument/sensors/gps_receiver.h"
#include "instrument/sensors/nmea.h"
#include "instrument/sensors/positions.h"
#include "platform/framework/controls.h"
#include "platform/framework/edit.h"
#include "platform/window/paint.h"
#include "widgets/satellite_bars.h"

namespace {

constexpr uint32_t kFontTenths = 100;
constexpr double kMetresPerFoot = 0.3048;
constexpr const char16_t* kFixValid = u"GPS Valid";
constexpr const char16_t* kNoFix = u"No Fix";
// The satellite numbers sit under the bars; the bars lie at fixed screen
// positions (CSatelliteBars).
constexpr int kPrnTop = 445, kPrnHeight = 22, kPrnWidth = 28;
constexpr int kFirstBarCentre = 335;
constexpr double kBarPitch = 29.5;
constexpr int kSnrTop = 310;

const std::vector<CInfoDlgBase::Row>& GpsRows() {
    static const std::vector<CInfoDlgBase::Row> rows = {
        {1454, CAboutGpsDlg::kLatitude, 0, 0}, {1455, CAboutGpsDlg::kLongitude, 0, 0},
        {1456, CAboutGpsDlg::kAltitude, 0, 0}, {1457, CAboutGpsDlg::kPlaceName, 0, 1},
        {1458, CAboutGpsDlg::kUtc, 0, 1},      {1459, CAboutGpsDlg::kFix, 0, 1},
    };
    return rows;
}

std::vector<plat::DialogItem> GpsExtraItems() {
    using namespace plat;
    std::vector<DialogItem> items = {
        {"STATIC", u"", CAboutGpsDlg::kSnrLabel, SS_LEFT, 0, 0, 10, 8},
        {"STATIC", u"", CAboutGpsDlg::kPrnLabel, SS_RIGHT, 0, 0, 10, 8},
    };
    for (int i = 0; i < CAboutGpsDlg::kSatelliteCount; ++i)
        items.push_back(
            {"EDIT", u"", CAboutGpsDlg::kFirstSatellite + i, ES_READONLY | ES_CENTER, 0, 0, 10, 8});
    return items;
}

}  // namespace

CAboutGpsDlg::CAboutGpsDlg(plat::CWnd* frame, plat::CWnd* screen)
    : CInfoDlgBase(IDD, frame, screen, kRefreshMs),
      m_TahomaFont(plat::Font::create_point(kFontTenths, u"Tahoma")),
      m_pBars(std::make_unique<CSatelliteBars>(nullptr)) {
    static std::once_flag once;
    std::call_once(once, [] { RegisterInfoTemplate(IDD, GpsRows(), GpsExtraItems()); });
}

CAboutGpsDlg::~CAboutGpsDlg() = default;

const std::vector<CInfoDlgBase::Row>& CAboutGpsDlg::Rows() const {
    return GpsRows();
}

bool CAboutGpsDlg::OnInitDialog() {
    const bool result = CInfoDlgBase::OnInitDialog();
    const plat::Point origin = client_origin();
    if (plat::CWnd* snr = GetDlgItem(kSnrLabel)) {
        snr->SetFont(DialogFont(), false);
        snr->MoveWindow({10, kSnrTop - origin.y, 320, kSnrTop - origin.y + 24}, false);
        snr->SetWindowText(LoadResString(kSnrLabel));
    }
    const int prn_top = kPrnTop - origin.y;
    if (plat::CWnd* prn = GetDlgItem(kPrnLabel)) {
        prn->SetFont(m_TahomaFont, false);
        prn->MoveWindow(
            {200, prn_top, kFirstBarCentre - kPrnWidth / 2 - 4 - origin.x, prn_top + kPrnHeight},
            false);
        prn->SetWindowText(LoadResString(kPrnLabel));
    }
    for (int i = 0; i < kSatelliteCount; ++i) {
        const int centre = static_cast<int>(kFirstBarCentre + kBarPitch * i) - origin.x;
        if (plat::CWnd* e = GetDlgItem(kFirstSatellite + i)) {
            e->SetFont(m_TahomaFont, false);
            e->MoveWindow(
                {centre - kPrnWidth / 2, prn_top, centre + kPrnWidth / 2, prn_top + kPrnHeight},
                false);
        }
    }
    UpdateGps();
    return result;
}

void CAboutGpsDlg::SetDisplayFlags(int altitude_feet, int lat_lon_dms) {
    m_nAltitudeFeet = altitude_feet;
    m_nLatLonDms = lat_lon_dms;
}

core::Text CAboutGpsDlg::FormatCoordinate(double degrees, bool dms) {
    if (!std::isfinite(degrees)) return {};
    const bool negative = degrees < 0;
    const double magnitude = std::fabs(degrees);
    std::string text;
    char buffer[64];
    if (dms) {
        // Hundredths of a second, rounded before the carries.
        const long long total = std::llround(magnitude * 360000.0);
        const long long d = total / 360000, rest = total % 360000;
        std::snprintf(buffer, sizeof buffer, "%lld\xC2\xB0 %lld' %5.2f\"", d, rest / 6000,
                      static_cast<double>(rest % 6000) / 100.0);
    } else {
        // Thousandths of a minute.
        const long long total = std::llround(magnitude * 60000.0);
        std::snprintf(buffer, sizeof buffer, "%lld\xC2\xB0 %6.3f'", total / 60000,
                      static_cast<double>(total % 60000) / 1000.0);
    }
    text = buffer;
    const bool shows_nonzero = text.find_first_of("123456789") != std::string::npos;
    core::Text out;
    if (negative && shows_nonzero) out = u"-";
    // The buffer is UTF-8: the degree sign is its only character above 127.
    for (size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size()) {
            out += static_cast<char16_t>(static_cast<unsigned char>(text[++i]));
            continue;
        }
        out += static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
    return out;
}

core::Text CAboutGpsDlg::FormatAltitude(double metres, bool feet) {
    if (feet) return core::FormatText("%7.1f ft", metres / kMetresPerFoot);
    return core::FormatText("%6.1f m", metres);
}

void CAboutGpsDlg::UpdateGps() {
    const IDialogServices* s = IDialogServices::current();
    CGpsReceiver* receiver = s ? s->GetGpsReceiver() : nullptr;
    CGgaSentence gga;
    CGsvSentence gsv;
    CRmcSentence rmc;
    const bool has_gga = receiver && receiver->GetGga(gga);
    const bool has_gsv = receiver && receiver->GetGsv(gsv);
    const bool has_rmc = receiver && receiver->GetRmc(rmc);
    const bool fix = has_gga && gga.GetFixQuality() >= 1;
    SetField(kLatitude,
             has_gga ? FormatCoordinate(gga.GetLatitude(), m_nLatLonDms != 0) : core::Text());
    SetField(kLongitude,
             has_gga ? FormatCoordinate(gga.GetLongitude(), m_nLatLonDms != 0) : core::Text());
    SetField(kAltitude,
             has_gga ? FormatAltitude(gga.GetAltitude(), m_nAltitudeFeet != 0) : core::Text());
    SetField(kPlaceName,
             fix ? FindLocationName(gga.GetLatitude(), gga.GetLongitude()) : core::Text());
    SetField(kUtc, has_rmc ? core::WidenBytes(rmc.FormatDateTime()) : core::Text());
    SetField(kFix, fix ? kFixValid : kNoFix);
    m_pBars->SetFromSentence(has_gsv ? &gsv : nullptr);
    for (int i = 0; i < kSatelliteCount; ++i) SetField(kFirstSatellite + i, m_pBars->GetCaption(i));
    if (exists()) Invalidate(false);
}

void CAboutGpsDlg::OnPaint() {
    CInfoDlgBase::OnPaint();
    // The bars at their screen positions.
    plat::WindowDc dc(this);
    const plat::Point origin = client_origin();
    dc->set_origin({dc->origin().x - origin.x, dc->origin().y - origin.y});
    m_pBars->Draw(dc.dc());
}

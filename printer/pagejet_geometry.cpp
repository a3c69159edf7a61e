#include "printer/pagejet_geometry.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace pagejet {
namespace {

constexpr char16_t kDriverDeviceName[] = u"Pagejet";
constexpr uint32_t kTrueColorBits = 24;

}  // namespace

PageGeometry page_geometry(int paper, int d, uint16_t driver_version, int orientation) {
    PageGeometry g;
    switch (paper) {
        case DMPAPER_LEGAL:
            g = {85 * d / 10, 14 * d, 216, 356};
            break;
        case DMPAPER_A4:
            g = {825 * d / 100, 1169 * d / 100, 210, 297};
            break;
        case DMPAPER_B5:
            g = {716 * d / 100, 1012 * d / 100, 182, 257};
            break;
        default:
            g = {85 * d / 10, 11 * d, 216, 280};
            break;
    }
    const bool narrow = driver_version == kNarrowMarginVersion;
    const int side = narrow ? 21 * d / 100 : 25 * d / 100;
    const int top = narrow ? 16 * d / 100 : 37 * d / 100;
    g.horz_res = g.width - 2 * side;
    g.vert_res = g.height - 2 * top;
    g.offset_x = side;
    g.offset_y = (g.height - g.vert_res) / 3;
    if (orientation == DMORIENT_LANDSCAPE) {
        std::swap(g.horz_res, g.vert_res);
        std::swap(g.offset_x, g.offset_y);
        std::swap(g.width, g.height);
    }
    return g;
}

bool parse_dpi(std::u16string_view text, int& dpi) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
    }
    if (value < kMinDpi || value > kMaxDpi) return false;
    dpi = value;
    return true;
}

DEVMODEW default_printer_mode() {
    DEVMODEW m{};
    std::copy(std::begin(kDriverDeviceName), std::end(kDriverDeviceName), m.dmDeviceName);
    m.dmSpecVersion = DM_SPECVERSION;
    m.dmSize = sizeof(DEVMODEW);
    m.dmOrientation = DMORIENT_PORTRAIT;
    m.dmPaperSize = DMPAPER_LETTER;
    m.dmCopies = 1;
    m.dmPrintQuality = DMRES_HIGH;
    m.dmColor = DMCOLOR_MONOCHROME;
    m.dmBitsPerPel = kTrueColorBits;
    return m;
}

}  // namespace pagejet

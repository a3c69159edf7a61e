#pragma once
// The Pagejet's pages: paper sizes, margins and the printable area at a
// resolution, the resolution texts of the printer's registry key, and the
// printer mode the driver reports as its own.
#include <cstdint>
#include <string_view>

#include "platform/print/print_abi.h"

namespace pagejet {

inline constexpr int kDefaultDpi = 300;
inline constexpr int kDraftFallbackDpi = 150;
inline constexpr int kMinDpi = 75;
inline constexpr int kMaxDpi = 1200;
// Driver version of the printer mode that selects the narrow margins.
inline constexpr uint16_t kNarrowMarginVersion = 0x200;

struct PageGeometry {
    int width = 0;  // the whole sheet in pixels
    int height = 0;
    int width_mm = 0;
    int height_mm = 0;
    int horz_res = 0;  // the printable area in pixels
    int vert_res = 0;
    int offset_x = 0;  // where it starts on the sheet
    int offset_y = 0;
};

// The page for a paper code, a resolution, the printer mode's driver
// version and its orientation (landscape swaps the pixel figures).
PageGeometry page_geometry(int paper, int dpi, uint16_t driver_version, int orientation);

// A resolution text: decimal digits giving 75 to 1200 dots per inch.
bool parse_dpi(std::u16string_view text, int& dpi);

// The printer mode DrvGetModes reports.
DEVMODEW default_printer_mode();

}  // namespace pagejet

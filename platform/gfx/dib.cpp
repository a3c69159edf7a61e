#include "platform/gfx/dib.h"

namespace plat {

std::vector<uint8_t> pack_dib_rows(const Bitmap& bitmap, int bits_per_pixel) {
    if (!bitmap || (bits_per_pixel != 16 && bits_per_pixel != 24)) return {};
    const uint32_t w = static_cast<uint32_t>(bitmap.width());
    const uint32_t h = static_cast<uint32_t>(bitmap.height());
    const size_t row_bytes = dib_row_bytes(w, bits_per_pixel);
    std::vector<uint8_t> out(row_bytes * h, 0);
    auto lock = bitmap.lock();
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* src = bitmap.row(static_cast<int>(h - 1 - y));
        uint8_t* dst = out.data() + y * row_bytes;
        if (bits_per_pixel == 16) {
            for (uint32_t x = 0; x < w; ++x) {
                uint16_t v = to_x1r5g5b5(src[x]);
                dst[2 * x] = static_cast<uint8_t>(v);
                dst[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            }
        } else {
            for (uint32_t x = 0; x < w; ++x) {
                dst[3 * x] = GetBValue(src[x]);
                dst[3 * x + 1] = GetGValue(src[x]);
                dst[3 * x + 2] = GetRValue(src[x]);
            }
        }
    }
    return out;
}

}  // namespace plat

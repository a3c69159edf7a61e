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

Bitmap unpack_dib_rows(std::span<const uint8_t> rows, int width, int height, int bits_per_pixel) {
    const bool top_down = height < 0;
    const int64_t h = top_down ? -static_cast<int64_t>(height) : height;
    if (width < 1 || h < 1 || (bits_per_pixel != 16 && bits_per_pixel != 24)) return {};
    const uint64_t row_bytes = dib_row_bytes(static_cast<uint32_t>(width), bits_per_pixel);
    if (rows.size() < row_bytes * static_cast<uint64_t>(h)) return {};
    Bitmap b = Bitmap::create(width, static_cast<int>(h));
    if (!b) return b;
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* src = rows.data() + static_cast<size_t>(y * row_bytes);
        uint32_t* dst = b.row(static_cast<int>(top_down ? y : h - 1 - y));
        if (bits_per_pixel == 16) {
            for (int x = 0; x < width; ++x)
                dst[x] = from_x1r5g5b5(static_cast<uint16_t>(src[2 * x] | (src[2 * x + 1] << 8)));
        } else {
            for (int x = 0; x < width; ++x)
                dst[x] = RGB(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        }
    }
    return b;
}

}  // namespace plat

#pragma once
// Conversions between plat::Bitmap and the packed row layouts of bitmap files
// and printer transfers: 16-bit X1R5G5B5 and 24-bit B,G,R, rows padded to four
// bytes and stored bottom-up (the last row of the image first).
#include <cstdint>
#include <vector>

#include "platform/gfx/bitmap.h"

namespace plat {

// Bytes in one stored row of `width` pixels at `bits_per_pixel`, padded to a
// multiple of four.
constexpr uint64_t dib_row_bytes(uint64_t width, uint32_t bits_per_pixel) {
    return ((width * bits_per_pixel + 31) / 32) * 4;
}

// One pixel to and from X1R5G5B5 (bit 15 clear; 5 bits each of red, green,
// blue from high to low). Expanding replicates the top bits so that white
// stays white.
constexpr uint16_t to_x1r5g5b5(COLORREF c) {
    return static_cast<uint16_t>(((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) |
                                 (GetBValue(c) >> 3));
}
constexpr COLORREF from_x1r5g5b5(uint16_t v) {
    auto expand = [](unsigned five) { return static_cast<uint8_t>((five << 3) | (five >> 2)); };
    return RGB(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
}

// Packs a bitmap into bottom-up rows of 16 (X1R5G5B5) or 24 (B,G,R) bits.
std::vector<uint8_t> pack_dib_rows(const Bitmap& bitmap, int bits_per_pixel);

}  // namespace plat

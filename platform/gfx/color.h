#pragma once
// Colours as 0x00BBGGRR values, the layout the system's colour schemes and
// settings store. Pixels of a plat::Bitmap hold the same layout.
#include <cstdint>

namespace plat {

using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) {
    return static_cast<uint8_t>(c);
}
constexpr uint8_t GetGValue(COLORREF c) {
    return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t GetBValue(COLORREF c) {
    return static_cast<uint8_t>(c >> 16);
}

// The value pixel reads give for a point outside the surface or clip.
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// Keeps only the colour bits of a value (pixels never carry the top byte).
constexpr COLORREF color_bits(COLORREF c) {
    return c & 0x00FFFFFFu;
}

}  // namespace plat

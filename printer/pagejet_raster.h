#pragma once
// The raster pipeline: each scan line of 24-bit pixels (blue, green, red)
// becomes one to four one-bit ink planes (K; K, C, M, Y; or C, M, Y),
// halftoned by serpentine error diffusion, each plane row compressed with
// the cheapest of raw, PackBits and delta-row coding and written into the
// job stream.
#include <climits>
#include <cstdint>
#include <vector>

#include "printer/pagejet_job.h"

namespace pagejet {

inline constexpr int kNoFit = INT_MAX;

// Tables: K gamma (exponent 1.4, entries 0 and 1 are 0), CMY gamma (1.3) on
// the 0..8192 ink scale, and the value curve (1.8) on 0..255.
std::vector<int16_t> make_k_gamma();
std::vector<int16_t> make_cmy_gamma();
std::vector<uint8_t> make_value_table();

struct Hsv {
    int hue = 0;  // 0..1535
    int saturation = 0;
    int value = 0;
};
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// `previous_hue` is kept for a grey pixel, whose hue does not matter.
Hsv PagejetRgbToHsv(int red, int green, int blue, int previous_hue = 0);
Rgb PagejetHsvToRgb(int hue, int saturation, int value);

// TIFF PackBits of `count` bytes into `out` (or only counted when null).
int PagejetPackBits(const uint8_t* bytes, int count, uint8_t* out);
// Delta-row coding of `row` against `seed` (both `length` bytes) into `out`
// (`length` bytes of room); kNoFit when the coding would reach `length`.
int PagejetDeltaRow(const uint8_t* row, int length, uint8_t* out, const uint8_t* seed);

int PagejetChooseCompression(PrintJobContext& j, const uint8_t* bits, uint8_t* seed, int plane);
int PagejetHalftonePlane(PrintJobContext& j, PlaneState& plane, uint8_t* out, const uint8_t* mask,
                         int plane_index);
// Converts, halftones and sends every plane of one line of pixels_per_line
// pixels; 1 on success, 0 when a row was not sent.
int PagejetSendScanLine(PrintJobContext& j, const uint8_t* line);

}  // namespace pagejet

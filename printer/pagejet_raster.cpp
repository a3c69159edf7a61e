#include "printer/pagejet_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pagejet {
namespace {

constexpr int kHalfInk = 4096;
constexpr int kRandomMax = 32767;
constexpr int kHueSector = 256;
constexpr int kHueGreen = 512;
constexpr int kHueBlue = 1024;
constexpr int kHueFull = 1536;
constexpr int kWarpBlue = 163;
constexpr int kWarpGreen = 229;
constexpr int kMaxLiteral = 126;  // a pending literal above 125 bytes leaves in 126
constexpr int kMaxBlock = 128;    // bytes one PackBits block can carry
constexpr int kMaxDeltaRun = 8;   // replacement bytes of one delta command
constexpr int kOffsetInCommand = 31;
constexpr int kOffsetByteMax = 255;

int16_t saturate16(int v) {
    return int16_t(std::clamp(v, -32767, 32767));
}

// The same, for the halftone's running sums, which almost never leave the
// range: a predicted branch keeps the clamp off the chain from one pixel's
// error to the next.
int16_t saturate16_rarely(int v) {
    if (v > 32767 || v < -32767) [[unlikely]]
        return saturate16(v);
    return int16_t(v);
}

int gamma_entry(int i, double full, double exponent) {
    return int(full * std::pow(i / 255.0, exponent) + 0.5);
}

// A PackBits writer that only counts when it has no output.
struct PackWriter {
    uint8_t* out;
    int size = 0;
    void literal(const uint8_t* bytes, int count) {
        while (count > 0) {
            const int piece = std::min(count, kMaxBlock);
            if (out) {
                out[size] = uint8_t(piece - 1);
                std::memcpy(out + size + 1, bytes, size_t(piece));
            }
            size += 1 + piece;
            bytes += piece;
            count -= piece;
        }
    }
    void repeat(uint8_t byte, int count) {
        if (out) {
            out[size] = uint8_t(1 - count);
            out[size + 1] = byte;
        }
        size += 2;
    }
};

}  // namespace

std::vector<int16_t> make_k_gamma() {
    std::vector<int16_t> t(256, 0);
    for (int i = 2; i < 255; ++i) t[size_t(i)] = int16_t(gamma_entry(i, kFullInk, 1.4));
    t[255] = kFullInk;
    return t;
}

std::vector<int16_t> make_cmy_gamma() {
    std::vector<int16_t> t(256, 0);
    for (int i = 1; i < 255; ++i) t[size_t(i)] = int16_t(gamma_entry(i, kFullInk, 1.3));
    t[255] = kFullInk;
    return t;
}

std::vector<uint8_t> make_value_table() {
    std::vector<uint8_t> t(256, 0);
    for (int i = 1; i < 255; ++i) t[size_t(i)] = uint8_t(gamma_entry(i, 255, 1.8));
    t[255] = 255;
    return t;
}

Hsv PagejetRgbToHsv(int r, int g, int b, int previous_hue) {
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    Hsv out;
    out.value = mx;
    out.saturation = mx == 0 ? 0 : (mx - mn) * 255 / mx;
    out.hue = previous_hue;
    if (mx != mn) {
        const int span = mx - mn;
        if (r == mx)
            out.hue = (g - b) * 255 / span;
        else if (g == mx)
            out.hue = (b - r) * 255 / span + kHueGreen;
        else
            out.hue = (r - g) * 255 / span + kHueBlue;
        if (out.hue < 0) out.hue += kHueFull;
    }
    return out;
}

Rgb PagejetHsvToRgb(int h, int s, int v) {
    if (s == 0) return {v, v, v};
    const int f = h % kHueSector;
    const int p = (255 - s) * v / 255;
    const int q = (65025 - s * f) * v / 65025;
    const int t = v * (65025 - (255 - f) * s) / 65025;
    switch (h / kHueSector) {
        case 0:
            return {v, t, p};
        case 1:
            return {q, v, p};
        case 2:
            return {p, v, t};
        case 3:
            return {p, q, v};
        case 4:
            return {t, p, v};
        default:
            return {v, p, q};
    }
}

int PagejetPackBits(const uint8_t* bytes, int count, uint8_t* out) {
    PackWriter w{out};
    if (count <= 0) return 0;
    int literal_start = 0, literal = 0;
    uint8_t run_byte = bytes[0];
    int run = 1;
    for (int i = 1; i < count; ++i) {
        if (literal > kMaxLiteral - 1) {
            w.literal(bytes + literal_start, kMaxLiteral);
            literal_start += kMaxLiteral;
            literal -= kMaxLiteral;
        }
        if (run > kMaxBlock - 1) {
            w.literal(bytes + literal_start, literal);
            w.repeat(run_byte, kMaxBlock);
            literal = 0;
            run -= kMaxBlock;
            literal_start = i - run;
        }
        if (bytes[i] == run_byte) {
            ++run;
            continue;
        }
        if (run < (literal > 0 ? 3 : 2)) {
            literal += run;
        } else {
            w.literal(bytes + literal_start, literal);
            w.repeat(run_byte, run);
            literal = 0;
        }
        run_byte = bytes[i];
        if (literal > 0) {
            ++literal;
            run = 0;
        } else {
            literal_start = i;
            run = 1;
        }
    }
    if (run < 2) {
        literal += run;
        run = 0;
    }
    w.literal(bytes + literal_start, literal);
    if (run > 0) w.repeat(run_byte, run);
    return w.size;
}

int PagejetDeltaRow(const uint8_t* row, int length, uint8_t* out, const uint8_t* seed) {
    int size = 0;
    auto put = [&](uint8_t byte) {
        if (size + 1 >= length) return false;
        out[size++] = byte;
        return true;
    };
    int i = 0, last_end = 0;
    while (i < length) {
        if (row[i] == seed[i]) {
            ++i;
            continue;
        }
        const int start = i;
        while (i < length && row[i] != seed[i] && i - start < kMaxDeltaRun) ++i;
        const int replaced = i - start;
        const int offset = start - last_end;
        if (!put(uint8_t(((replaced - 1) << 5) | std::min(offset, kOffsetInCommand))))
            return kNoFit;
        if (offset >= kOffsetInCommand) {
            int rest = offset - kOffsetInCommand;
            for (; rest >= kOffsetByteMax; rest -= kOffsetByteMax)
                if (!put(kOffsetByteMax)) return kNoFit;
            if (!put(uint8_t(rest))) return kNoFit;
        }
        for (int k = start; k < i; ++k)
            if (!put(row[k])) return kNoFit;
        last_end = i;
    }
    return size;
}

int PagejetChooseCompression(PrintJobContext& j, const uint8_t* bits, uint8_t* seed, int plane) {
    const int b = j.bytes_per_row;
    int length = b;
    while (length > 1 && bits[length - 1] == 0) --length;
    if (length == 1 && bits[0] == 0) {
        PagejetSetCompression(j, kModeRaw);
        const int result = PagejetSendRow(j, nullptr, 0, plane);
        std::memset(seed, 0, size_t(b));
        return result;
    }
    const int packed = PagejetPackBits(bits, length, nullptr);
    int delta = PagejetDeltaRow(bits, b, j.compressed.data(), seed);
    delta = std::min({delta, packed, length});
    int result;
    if (delta == length) {
        PagejetSetCompression(j, kModeRaw);
        result = PagejetSendRow(j, bits, uint32_t(length), plane);
    } else if (delta == packed) {
        PagejetPackBits(bits, length, j.compressed.data());
        PagejetSetCompression(j, kModePackBits);
        result = PagejetSendRow(j, j.compressed.data(), uint32_t(packed), plane);
    } else {
        PagejetSetCompression(j, kModeDeltaRow);
        result = PagejetSendRow(j, j.compressed.data(), uint32_t(delta), plane);
    }
    std::memcpy(seed, bits, size_t(b));
    return result;
}

namespace {

// True when four neighbouring pixels from `px` have neither ink nor error:
// the halftone leaves them without a dot and passes nothing on.
bool four_clear(const int16_t* values, const int16_t* error, int px) {
    uint64_t v, e;
    std::memcpy(&v, values + px, sizeof v);
    std::memcpy(&e, error + px, sizeof e);
    return (v | e) == 0;
}

// Serpentine error diffusion of one plane row in one direction. A pixel
// with no ink, no error from above and none carried from its neighbour
// makes no dot and spreads nothing, so runs of them are stepped over. The
// two cells of the next row still open to additions (behind and under the
// pixel) are summed in registers and stored once complete.
template <bool Forward>
void diffuse_row(PrintJobContext& j, PlaneState& plane, uint8_t* out, const uint8_t* mask,
                 int16_t* next) {
    constexpr int step = Forward ? 1 : -1;
    const int n = j.pixels_per_line;
    const int end = Forward ? n : -1;
    int16_t* values = plane.values.data();
    const int16_t* above = plane.error.data();
    int carried = 0, previous = 0;
    int behind_cell = 0, under_cell = 0;  // next[px - step] and next[px] so far
    for (int px = Forward ? 0 : n - 1; px != end; px += step) {
        if (carried == 0 && values[px] == 0 && above[px] == 0) {
            next[px - step] = int16_t(behind_cell);
            next[px] = int16_t(under_cell);
            if constexpr (Forward) {
                while (px + 4 <= n && four_clear(values, above, px)) px += 4;
                while (px < n && values[px] == 0 && above[px] == 0) ++px;
            } else {
                while (px >= 3 && four_clear(values, above, px - 3)) px -= 4;
                while (px >= 0 && values[px] == 0 && above[px] == 0) --px;
            }
            if (px == end) return;
            behind_cell = next[px - step];
            under_cell = next[px];
        }
        const uint8_t bit = uint8_t(0x80 >> (px % 8));
        const int x = values[px];
        const int r = above[px];
        int error;
        if (x == 0 || (mask != nullptr && (mask[px / 8] & bit))) {
            error = saturate16_rarely(r + x + carried);
        } else if (x == kFullInk) {
            out[px / 8] |= bit;
            error = saturate16_rarely(r + carried);
        } else {
            int t = PagejetRandom(j) * (x - kHalfInk) / kRandomMax;
            if ((previous > 0 && t > 0) || (previous < 0 && t < 0)) t = -t;
            previous = t;
            const int16_t sum = saturate16(r + x + carried);
            values[px] = sum;
            if (sum + t > kHalfInk) {
                out[px / 8] |= bit;
                error = saturate16(sum - plane.dot);
            } else {
                error = sum;
            }
        }
        int ahead_cell = 0;
        if (error == 0) {
            carried = 0;
        } else {
            const int ahead = error / 16, below = 5 * error / 16, behind = 3 * error / 16;
            ahead_cell = ahead;
            under_cell = saturate16_rarely(under_cell + below);
            behind_cell = saturate16_rarely(behind_cell + behind);
            carried = error - ((ahead + below) + behind);
        }
        next[px - step] = int16_t(behind_cell);
        behind_cell = under_cell;
        under_cell = ahead_cell;
    }
    next[end - step] = int16_t(behind_cell);
    next[end] = int16_t(under_cell);
}

}  // namespace

int PagejetHalftonePlane(PrintJobContext& j, PlaneState& plane, uint8_t* out, const uint8_t* mask,
                         int plane_index) {
    const int n = j.pixels_per_line;
    std::memset(out, 0, size_t(j.bytes_per_row));
    std::fill(j.next_errors.begin(), j.next_errors.end(), 0);
    int16_t* next = j.next_errors.data() + 1;  // next[-1] and next[n] are the guards
    if (j.rows_sent % 2 == 0)
        diffuse_row<true>(j, plane, out, mask, next);
    else
        diffuse_row<false>(j, plane, out, mask, next);
    std::copy(next, next + n, plane.error.begin());
    if (j.observer) j.observer(plane_index, out, uint32_t(j.bytes_per_row), j.observer_context);
    return PagejetChooseCompression(j, out, plane.seed.data(), plane_index);
}

namespace {

// The C, M, Y (and K) values of one colour pixel.
void convert_color_pixel(PrintJobContext& j, int b, int g, int r, size_t px, int& hue) {
    auto& k = j.planes[kPlaneK].values[px];
    auto& c = j.planes[kPlaneC].values[px];
    auto& m = j.planes[kPlaneM].values[px];
    auto& y = j.planes[kPlaneY].values[px];
    if (!j.three_planes && b == g && g == r) {
        k = j.k_gamma[size_t(255 - b)];
        c = m = y = 0;
        return;
    }
    const Hsv hsv = PagejetRgbToHsv(r, g, b, hue);
    hue = hsv.hue;
    const int v = 255 - j.value_table[size_t(255 - hsv.value)];
    int h = hsv.hue;
    if (b > r && b > g) {
        h = h < kHueBlue ? kWarpBlue * (h - 768) / 255 + 768
                         : (kHueGreen - kWarpBlue) * (h - 1280) / 255 + 1280;
    } else if (g > r && g > b) {
        h = h >= kHueGreen ? (h - 768) * (kHueGreen - kWarpGreen) / 255 + 768
                           : kWarpGreen * (h - 256) / 255 + 256;
    }
    const Rgb rgb = PagejetHsvToRgb(h, hsv.saturation, v);
    c = j.cmy_gamma[size_t(255 - rgb.red)];
    m = j.cmy_gamma[size_t(255 - rgb.green)];
    y = j.cmy_gamma[size_t(255 - rgb.blue)];
    if (!j.three_planes) {
        k = std::min({c, m, y});
        c = int16_t(c - k);
        m = int16_t(m - k);
        y = int16_t(y - k);
    }
}

}  // namespace

int PagejetSendScanLine(PrintJobContext& j, const uint8_t* line) {
    const size_t n = size_t(j.pixels_per_line);
    if (!j.color) {
        auto& k = j.planes[kPlaneK].values;
        for (size_t px = 0; px < n; ++px) {
            const int b = line[3 * px], g = line[3 * px + 1], r = line[3 * px + 2];
            k[px] = j.k_gamma[size_t(255 - ((g * 151 + r * 76 + b * 28) >> 8))];
        }
    } else {
        int hue = 0;
        for (size_t px = 0; px < n; ++px) {
            const uint8_t* bgr = line + 3 * px;
            // A pixel like its left neighbour (the page is the screen scaled
            // up) takes its neighbour's inks; the hue it would carry is the
            // same too.
            if (px > 0 && std::memcmp(bgr, bgr - 3, 3) == 0) {
                for (int p = j.three_planes ? kPlaneC : kPlaneK; p <= kPlaneY; ++p)
                    j.planes[size_t(p)].values[px] = j.planes[size_t(p)].values[px - 1];
                continue;
            }
            convert_color_pixel(j, bgr[0], bgr[1], bgr[2], px, hue);
        }
    }
    bool ok = true;
    if (!j.color) {
        ok = PagejetHalftonePlane(j, j.planes[kPlaneK], j.k_bits.data(), nullptr, kPlaneK);
    } else {
        const uint8_t* mask = nullptr;
        if (!j.three_planes) {
            ok = PagejetHalftonePlane(j, j.planes[kPlaneK], j.k_bits.data(), nullptr, kPlaneK);
            mask = j.k_bits.data();
        }
        for (int p = kPlaneC; ok && p <= kPlaneY; ++p)
            ok = PagejetHalftonePlane(j, j.planes[size_t(p)], j.color_bits.data(), mask, p);
    }
    ++j.rows_sent;
    return ok ? 1 : 0;
}

}  // namespace pagejet

#include "platform/gfx/image_file.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/fs/atomic_save.h"
#include "platform/gfx/dib.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace plat {

namespace {

// Largest side and pixel count a file may claim; larger claims are refused
// before anything is allocated.
constexpr int64_t kMaxSide = 32768;
constexpr int64_t kMaxPixels = int64_t(1) << 26;

void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
uint32_t get16(std::span<const uint8_t> d, size_t at) {
    return d[at] | (d[at + 1] << 8);
}
uint32_t get32(std::span<const uint8_t> d, size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (uint32_t(d[at + 3]) << 24);
}

BmpReadResult fail(std::string why) {
    BmpReadResult r;
    r.error = std::move(why);
    return r;
}

// Expands a masked channel of a packed pixel to eight bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    bool contiguous() const { return mask == 0 || ((mask >> shift) & ((mask >> shift) + 1)) == 0; }
    uint8_t operator()(uint32_t v) const {
        if (!bits) return 0;
        uint32_t x = (v & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(x >> (bits - 8));
        // Replicates the bits downward so that full scale stays full scale.
        uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits) | x;
            filled += bits;
        }
        return static_cast<uint8_t>(out >> (filled - 8));
    }
};

bool save(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    return atomic_save(path, std::as_bytes(bytes));
}

}  // namespace

std::vector<uint8_t> encode_bmp(const Bitmap& bitmap, int bits_per_pixel) {
    if (!bitmap || (bits_per_pixel != 16 && bits_per_pixel != 24)) return {};
    std::vector<uint8_t> pixels = pack_dib_rows(bitmap, bits_per_pixel);
    const uint32_t image_size = static_cast<uint32_t>(pixels.size());
    std::vector<uint8_t> out(BMP_HEADERS_SIZE, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, BMP_HEADERS_SIZE + image_size);
    put32(out, 10, BMP_HEADERS_SIZE);
    put32(out, 14, BMP_INFO_HEADER_SIZE);
    put32(out, 18, static_cast<uint32_t>(bitmap.width()));
    put32(out, 22, static_cast<uint32_t>(bitmap.height()));
    put16(out, 26, 1);
    put16(out, 28, static_cast<uint32_t>(bits_per_pixel));
    put32(out, 30, 0);  // BI_RGB
    put32(out, 34, image_size);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

BmpReadResult decode_bmp(std::span<const uint8_t> d) {
    if (d.size() < BMP_HEADERS_SIZE) return fail("file too short for a bitmap header");
    if (d[0] != 'B' || d[1] != 'M') return fail("not a bitmap file (no \"BM\" signature)");
    const uint32_t file_size = get32(d, 2);
    const uint32_t offset = get32(d, 10);
    const uint32_t info_size = get32(d, 14);
    if (file_size > d.size()) return fail("file shorter than its header says");
    if (info_size < BMP_INFO_HEADER_SIZE || info_size > d.size() - BMP_FILE_HEADER_SIZE)
        return fail("bad information header size");
    const int32_t width = static_cast<int32_t>(get32(d, 18));
    const int32_t height = static_cast<int32_t>(get32(d, 22));
    const uint32_t planes = get16(d, 26);
    const uint32_t bpp = get16(d, 28);
    const uint32_t compression = get32(d, 30);
    const int64_t abs_h = height < 0 ? -int64_t(height) : int64_t(height);
    if (width <= 0 || abs_h == 0 || width > kMaxSide || abs_h > kMaxSide ||
        int64_t(width) * abs_h > kMaxPixels)
        return fail("bad image size");
    if (planes != 1) return fail("bad plane count");
    if (bpp != 16 && bpp != 24 && bpp != 32) return fail("unsupported bits per pixel");

    uint32_t masks[3] = {0, 0, 0};
    if (compression == 3 && bpp != 24) {
        // BI_BITFIELDS: three masks follow the 40-byte header (or sit in it
        // for the longer header forms).
        const size_t at = BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;
        if (d.size() < at + 12) return fail("file too short for colour masks");
        for (int i = 0; i < 3; ++i) masks[i] = get32(d, at + 4 * i);
    } else if (compression == 0) {
        if (bpp == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        if (bpp == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    } else {
        return fail("unsupported compression");
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    if (!red.contiguous() || !green.contiguous() || !blue.contiguous())
        return fail("bad colour masks");

    const uint64_t row_bytes = dib_row_bytes(static_cast<uint64_t>(width), bpp);
    const uint64_t pixel_bytes = row_bytes * static_cast<uint64_t>(abs_h);
    if (offset < BMP_FILE_HEADER_SIZE + info_size || offset > d.size() ||
        pixel_bytes > d.size() - offset)
        return fail("pixel data runs past the end of the file");

    Bitmap b = Bitmap::create(width, static_cast<int>(abs_h));
    if (!b) return fail("out of memory");
    const std::span<const uint8_t> rows = d.subspan(offset, pixel_bytes);
    for (int64_t y = 0; y < abs_h; ++y) {
        const uint8_t* s = rows.data() + y * row_bytes;
        uint32_t* out = b.row(static_cast<int>(height < 0 ? y : abs_h - 1 - y));
        for (int32_t x = 0; x < width; ++x) {
            if (bpp == 24) {
                out[x] = RGB(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
                continue;
            }
            const uint32_t v =
                bpp == 16 ? uint32_t(s[2 * x] | (s[2 * x + 1] << 8))
                          : uint32_t(s[4 * x] | (s[4 * x + 1] << 8) | (s[4 * x + 2] << 16) |
                                     (uint32_t(s[4 * x + 3]) << 24));
            out[x] = RGB(red(v), green(v), blue(v));
        }
    }
    BmpReadResult r;
    r.bitmap = std::move(b);
    r.file_size_field = file_size;
    return r;
}

bool write_bmp_file(const std::filesystem::path& host_file, const Bitmap& bitmap,
                    int bits_per_pixel) {
    std::vector<uint8_t> bytes = encode_bmp(bitmap, bits_per_pixel);
    if (bytes.empty()) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    return save(host_file, bytes);
}

BmpReadResult read_bmp_file(const std::filesystem::path& host_file) {
    std::ifstream in(host_file, std::ios::binary);
    if (!in) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return fail("cannot open " + host_file.string());
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    BmpReadResult r = decode_bmp(bytes);
    if (!r) set_last_error(ERROR_INVALID_DATA);
    return r;
}

namespace {

struct PngSink {
    std::vector<uint8_t> bytes;
};

void png_write_cb(png_structp png, png_bytep data, png_size_t len) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    sink->bytes.insert(sink->bytes.end(), data, data + len);
}
void png_flush_cb(png_structp) {}

bool encode_png(const Bitmap& bitmap, PngSink& sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, &sink, png_write_cb, png_flush_cb);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width()),
                 static_cast<png_uint_32>(bitmap.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    // Pixels are 0x00BBGGRR: in memory R, G, B and an unused byte.
    static_assert(std::endian::native == std::endian::little);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < bitmap.height(); ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(bitmap.row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_png_file(const std::filesystem::path& host_file, const Bitmap& bitmap) {
    if (!bitmap) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    PngSink sink;
    {
        Bitmap copy = bitmap.clone();  // encode outside the surface's lock
        if (!encode_png(copy, sink)) {
            set_last_error(ERROR_GEN_FAILURE);
            return false;
        }
    }
    return save(host_file, sink.bytes);
}

}  // namespace plat

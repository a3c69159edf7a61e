#pragma once
// Reading and writing image files: Windows bitmap files (16-bit X1R5G5B5 and
// 24-bit, BI_RGB, bottom-up, 54-byte header) and PNG screenshots.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"

namespace plat {

inline constexpr uint32_t BMP_FILE_HEADER_SIZE = 14;
inline constexpr uint32_t BMP_INFO_HEADER_SIZE = 40;
inline constexpr uint32_t BMP_HEADERS_SIZE = BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;

// The whole file image of `bitmap` as a 16- or 24-bit bitmap file.
std::vector<uint8_t> encode_bmp(const Bitmap& bitmap, int bits_per_pixel);

// The result of a read: a bitmap, or an empty one and why.
struct BmpReadResult {
    Bitmap bitmap;
    std::string error;
    uint32_t file_size_field = 0;  // bytes the header says the image takes
    explicit operator bool() const { return static_cast<bool>(bitmap); }
};

// Parses a bitmap file image (16, 24 or 32 bits, BI_RGB, also 16-bit
// BI_BITFIELDS with the 5-5-5 masks). The data may extend past the image
// (a trailer); it must not be shorter than the header says.
BmpReadResult decode_bmp(std::span<const uint8_t> file);

// File forms. Writes go to a temporary file renamed into place. False on an
// I/O error (last error set).
bool write_bmp_file(const std::filesystem::path& host_file, const Bitmap& bitmap,
                    int bits_per_pixel);
BmpReadResult read_bmp_file(const std::filesystem::path& host_file);
bool write_png_file(const std::filesystem::path& host_file, const Bitmap& bitmap);

}  // namespace plat

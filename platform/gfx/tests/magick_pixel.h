#pragma once
// Test helpers: one pixel of an image file as ImageMagick reads it, and the
// pixels two image files differ in, independent checks of what our code drew
// or wrote.
#include <cstdio>
#include <filesystem>
#include <string>

namespace plat {

// The pixel at (x, y) as "#RRGGBB"; anything else when ImageMagick cannot
// read the file.
inline std::string magick_pixel(const std::filesystem::path& file, int x, int y) {
    const std::string cmd = "convert '" + file.string() + "' -crop 1x1+" + std::to_string(x) + "+" +
                            std::to_string(y) +
                            " -depth 8 -format '%[hex:p{0,0}]' info:- 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {};
    char buf[64] = {};
    const size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return "#" + std::string(buf, n).substr(0, 6);
}

// The number of pixels in which two image files differ, as ImageMagick's
// compare counts them; -1 when it cannot compare them.
inline long magick_difference(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::string cmd =
        "compare -metric AE '" + a.string() + "' '" + b.string() + "' null: 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[64] = {};
    const size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    try {
        return n ? std::stol(std::string(buf, n)) : -1;
    } catch (...) {
        return -1;
    }
}

}  // namespace plat

#pragma once
// The resolved form of a font: a FreeType face at one pixel size, with the
// glyphs rendered so far. Instances are shared by every Font made from an
// equal spec, so labels drawn again come from the cache.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gfx/font.h"

namespace plat::detail {

// One rendered glyph: an 8-bit coverage image placed relative to the pen
// position on the baseline.
struct Glyph {
    int left = 0;  // from the pen position to the image's left column
    int top = 0;   // from the baseline up to the image's top row
    int width = 0;
    int rows = 0;
    int advance = 0;  // whole pixels to the next pen position
    std::vector<uint8_t> coverage;
};

class FontFile;

class FontInstance {
  public:
    FontInstance(FontSpec spec, std::shared_ptr<FontFile> file);
    ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    const FontSpec& spec() const { return spec_; }
    const FontMetrics& metrics() const { return metrics_; }
    const std::filesystem::path& file() const;
    // Underline position below the baseline and thickness, in pixels.
    int underline_offset() const { return underline_offset_; }
    int underline_thickness() const { return underline_thickness_; }

    // The glyph of a code point, rendered on first use. Code points the face
    // lacks come from the fallback face (the CJK face for Han characters).
    // The reference stays valid while the instance lives.
    const Glyph& glyph(char32_t code_point);
    // The sum of the advances of `text` (UTF-16, surrogate pairs joined).
    int advance_of(std::u16string_view text);

  private:
    const Glyph& render_locked(char32_t cp);
    bool has_char(char32_t cp) const;

    FontSpec spec_;
    std::shared_ptr<FontFile> file_;
    void* size_ = nullptr;  // FT_Size of this instance on the shared face
    FontMetrics metrics_;
    int underline_offset_ = 1;
    int underline_thickness_ = 1;
    bool embolden_ = false;
    bool oblique_ = false;
    std::mutex mutex_;
    // Glyphs below 0x100 are the common case: a flat table read without the
    // lock once filled. Every glyph is owned by `others_` or `owned_`.
    std::array<std::atomic<const Glyph*>, 256> latin_{};
    std::vector<std::unique_ptr<Glyph>> owned_;
    std::unordered_map<char32_t, std::unique_ptr<Glyph>> others_;
    std::shared_ptr<FontInstance> fallback_;
    bool fallback_tried_ = false;
};

// Walks UTF-16 text as code points.
template <typename F>
void for_each_code_point(std::u16string_view s, F&& f) {
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        f(c);
    }
}

}  // namespace plat::detail

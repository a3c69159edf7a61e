#pragma once
// Fonts: a face name, a size and a style, resolved to a font file and
// rendered through FreeType with a shared glyph cache.
//
// A face name is looked up, in order, among the files added with
// add_font_file() (by family name), in the substitution table (which maps a
// name the system uses to a font file of the device image and, when that file
// is missing, to a family found through fontconfig), and finally through
// fontconfig itself. "Tahoma" (with its bold file) and "SC_Song" come seeded
// in the table.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/gfx/geometry.h"

namespace plat {

inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_SEMIBOLD = 600;
inline constexpr int FW_BOLD = 700;

// Dots per inch of the screen, used to turn points into pixels.
inline constexpr int SCREEN_DPI = 96;

// What a font is made from.
struct FontSpec {
    // Below zero: the character (em) height in pixels. Above zero: the cell
    // height (ascent + descent) in pixels. Zero: a default 12-pixel font.
    int height = 0;
    // The average character width in pixels; zero keeps the face's own
    // proportions.
    int width = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    std::u16string face;
};

struct FontMetrics {
    int ascent = 0;   // pixels above the baseline
    int descent = 0;  // pixels below the baseline
    int height = 0;   // ascent + descent: one line of text
    int average_width = 0;
};

namespace detail {
class FontInstance;
}

// A font handle; copies share the resolved face and its cache. An empty handle
// stands for the default font (12 pixels, "Tahoma").
class Font {
  public:
    Font() = default;
    static Font create(const FontSpec& spec);
    // A font of `tenths_of_point` (120 = 12 pt) on a `dpi` device; its height
    // is -(tenths_of_point * dpi / 720), rounded.
    static Font create_point(int tenths_of_point, std::u16string_view face, int dpi = SCREEN_DPI);
    // The font every device context starts with.
    static Font default_font();

    explicit operator bool() const { return impl_ != nullptr; }
    // The spec it was made from (as given, face name included).
    const FontSpec& spec() const;
    FontMetrics metrics() const;
    // The width and line height of one line of text (no line breaks
    // interpreted).
    Size text_extent(std::u16string_view text) const;
    // The font file the face resolved to.
    std::filesystem::path file() const;

    detail::FontInstance* instance() const { return impl_.get(); }

  private:
    std::shared_ptr<detail::FontInstance> impl_;
};

// Makes the faces in a font file available by their family names (and by the
// file name without extension). False when the file is missing or no font.
bool add_font_file(const std::filesystem::path& host_file);
// Adds the fonts of a file given by its instrument path (looked up without
// regard to case, like every instrument path); the number of faces it holds,
// 0 with ERROR_FILE_NOT_FOUND when it is missing or no font. Adding the same
// file again reads nothing and answers the same number.
int add_font_resource(std::u16string_view instrument_path);
// How many entries the registry of added fonts holds (faces by family name
// and files); it grows only when a new file is added.
size_t font_registry_size();
// Maps a face name to a font file of the device image (an instrument path,
// may be empty) and a fontconfig pattern used when that file is missing
// ("DejaVu Sans", "WenQuanYi Micro Hei:lang=zh-cn").
void set_face_substitute(std::u16string_view face, std::u16string_view device_file,
                         std::string_view fallback_pattern);
// Takes the face substitutions the device image seeds in the registry
// (HKEY_LOCAL_MACHINE\SYSTEM\GDI\FontSubstitutes: face name = family). Each
// entry replaces the fontconfig fallback of that face; device files already
// known for a face stay. Returns the number of entries taken.
int load_face_substitutes();
// The font file a face name resolves to; empty when nothing matched at all.
std::filesystem::path resolve_face(std::u16string_view face, int weight = FW_NORMAL);

}  // namespace plat

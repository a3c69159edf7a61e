#include "platform/gfx/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include "platform/fs/device_path.h"
#include "platform/gfx/font_instance.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace plat {
namespace detail {

namespace {

std::u16string fold(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = fold_case(c);
    return out;
}

}  // namespace

// One opened face of a font file, shared by every size made from it.
class FontFile {
  public:
    FontFile(FT_Face face, std::filesystem::path path) : face(face), path(std::move(path)) {}
    ~FontFile();
    FT_Face face;
    std::filesystem::path path;
};

// The process's fonts: the FreeType library, the faces opened so far, the
// files added by path, the face-name substitutions and the live instances.
// FreeType calls on a face are serialised by `ft_mutex`.
class FontLibrary {
  public:
    // Never destroyed: fonts held by static objects anywhere may be released
    // at any point of the process's exit.
    static FontLibrary& get() {
        static FontLibrary* lib = new FontLibrary;
        return *lib;
    }

    std::recursive_mutex ft_mutex;

    std::shared_ptr<FontFile> open_file(const std::filesystem::path& path, int index) {
        std::lock_guard l(ft_mutex);
        auto key = std::make_pair(path.string(), index);
        if (auto it = files_.find(key); it != files_.end()) return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(library_, path.c_str(), index, &face) != 0) return nullptr;
        auto f = std::make_shared<FontFile>(face, path);
        files_[key] = f;
        return f;
    }

    bool add_file(const std::filesystem::path& path) { return add_file_counted(path) > 0; }

    // Adds the faces of a font file; the number of faces the file holds, 0
    // when it is no font. A file added before (by any spelling of its path)
    // is not read again.
    int add_file_counted(const std::filesystem::path& given) {
        std::error_code ec;
        std::filesystem::path path = std::filesystem::canonical(given, ec);
        if (ec) return 0;
        std::lock_guard l(ft_mutex);
        if (auto it = added_files_.find(path.string()); it != added_files_.end()) return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(library_, path.c_str(), 0, &face) != 0) return 0;
        const long faces = face->num_faces;
        for (long i = 0; i < faces; ++i) {
            FT_Face f = face;
            if (i > 0 && FT_New_Face(library_, path.c_str(), i, &f) != 0) continue;
            if (f->family_name) {
                const bool bold = (f->style_flags & FT_STYLE_FLAG_BOLD) != 0;
                added_[{fold(from_utf8(f->family_name)), bold}] = {path, static_cast<int>(i)};
            }
            if (f != face) FT_Done_Face(f);
        }
        FT_Done_Face(face);
        added_[{fold(path.stem().u16string()), false}] = {path, 0};
        resolved_.clear();
        return added_files_[path.string()] = static_cast<int>(std::max(faces, 1L));
    }

    size_t added_count() {
        std::lock_guard l(ft_mutex);
        return added_.size() + added_files_.size();
    }

    void substitute(std::u16string_view face, std::u16string_view device_file,
                    std::u16string_view bold_device_file, std::string_view pattern) {
        std::lock_guard l(ft_mutex);
        substitutes_[fold(face)] = {std::u16string(device_file), std::u16string(bold_device_file),
                                    std::string(pattern)};
        resolved_.clear();
    }

    void substitute_family(std::u16string_view face, std::string_view pattern) {
        std::lock_guard l(ft_mutex);
        substitutes_[fold(face)].pattern = std::string(pattern);
        resolved_.clear();
    }

    // Resolves a face name to a file and face index.
    std::pair<std::filesystem::path, int> resolve(std::u16string_view face_name, int weight) {
        std::lock_guard l(ft_mutex);
        const bool bold = weight >= FW_SEMIBOLD;
        const std::u16string key = fold(face_name.empty() ? u"Tahoma" : face_name);
        // Answers are kept per device root until the faces change.
        auto memo_key = std::make_tuple(device_root().string(), key, bold);
        if (auto it = resolved_.find(memo_key); it != resolved_.end()) return it->second;
        return resolved_[memo_key] = resolve_uncached(key, bold);
    }

    std::pair<std::filesystem::path, int> resolve_uncached(const std::u16string& key, bool bold) {
        if (auto it = added_.find({key, bold}); it != added_.end()) return it->second;
        const auto sub = substitutes_.find(key);
        // A bold face of the device image comes before the regular one made
        // bold by the renderer.
        if (bold && sub != substitutes_.end())
            if (auto file = device_file(sub->second.bold_file)) return {*file, 0};
        if (auto it = added_.find({key, false}); it != added_.end()) return it->second;
        std::string pattern = to_utf8(key);
        if (sub != substitutes_.end()) {
            if (auto file = device_file(sub->second.file)) return {*file, 0};
            pattern = sub->second.pattern;
        }
        return match(pattern, bold);
    }

    // The host file of a font file of the device image, when it exists.
    static std::optional<std::filesystem::path> device_file(const std::u16string& instrument_path) {
        if (instrument_path.empty()) return std::nullopt;
        auto host = host_path(instrument_path);
        if (host && std::filesystem::is_regular_file(*host)) return host;
        return std::nullopt;
    }

    // The live instance for a spec, made when there is none.
    std::shared_ptr<FontInstance> instance(const FontSpec& spec) {
        auto [path, index] = resolve(spec.face, spec.weight);
        std::lock_guard l(ft_mutex);
        auto key = std::make_tuple(path.string(), index, spec.height, spec.width, spec.weight,
                                   spec.italic, spec.underline);
        if (auto it = instances_.find(key); it != instances_.end())
            if (auto inst = it->second.lock()) return inst;
        auto file = path.empty() ? nullptr : open_file(path, index);
        if (!file) return nullptr;
        auto inst = std::make_shared<FontInstance>(spec, std::move(file));
        instances_[key] = inst;
        // The fonts made last stay alive with their glyphs, so that a dialog
        // that makes its fonts again finds them ready.
        recent_.push_back(inst);
        if (recent_.size() > kRecentFonts) recent_.pop_front();
        return inst;
    }

    FT_Library library() const { return library_; }

  private:
    FontLibrary() {
        FT_Init_FreeType(&library_);
        // Fontconfig is ours alone; its configuration is released at exit.
        std::atexit(FcFini);
        substitutes_[u"tahoma"] = {u"\\FlashFX Disk\\System\\Tahoma.ttf",
                                   u"\\FlashFX Disk\\System\\Tahomabd.ttf", "DejaVu Sans"};
        // "System" is the interface's default face.
        substitutes_[u"system"] = substitutes_[u"tahoma"];
        substitutes_[u"sc_song"] = {u"\\FlashFX Disk\\System\\Sunfon.ttf", u"",
                                    "WenQuanYi Micro Hei:lang=zh-cn"};
    }

    // Fontconfig's answer for a pattern, asked once: matching takes far
    // longer than making a font from a known file.
    std::pair<std::filesystem::path, int> match(const std::string& pattern, bool bold) {
        auto key = std::make_pair(pattern, bold);
        if (auto it = matched_.find(key); it != matched_.end()) return it->second;
        return matched_[key] = ask_fontconfig(pattern, bold);
    }

    std::pair<std::filesystem::path, int> ask_fontconfig(const std::string& pattern, bool bold) {
        std::pair<std::filesystem::path, int> out{{}, 0};
        FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
        if (!pat) return out;
        if (bold) FcPatternAddInteger(pat, FC_WEIGHT, FC_WEIGHT_BOLD);
        FcConfigSubstitute(nullptr, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result = FcResultNoMatch;
        FcPattern* font = FcFontMatch(nullptr, pat, &result);
        if (font) {
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch) {
                FcPatternGetInteger(font, FC_INDEX, 0, &index);
                out = {reinterpret_cast<const char*>(file), index};
            }
            FcPatternDestroy(font);
        }
        FcPatternDestroy(pat);
        return out;
    }

    FT_Library library_ = nullptr;
    // Faces stay open: a system uses a handful of font files.
    std::map<std::pair<std::string, int>, std::shared_ptr<FontFile>> files_;
    std::map<std::pair<std::u16string, bool>, std::pair<std::filesystem::path, int>> added_;
    // Files added so far (canonical host path) with the number of faces each holds.
    std::map<std::string, int> added_files_;
    // A face name's font files in the device image (instrument paths, may be
    // empty) and the fontconfig pattern used when they are missing.
    struct Substitute {
        std::u16string file;
        std::u16string bold_file;
        std::string pattern;
    };
    std::map<std::u16string, Substitute> substitutes_;
    std::map<std::pair<std::string, bool>, std::pair<std::filesystem::path, int>> matched_;
    std::map<std::tuple<std::string, std::u16string, bool>, std::pair<std::filesystem::path, int>>
        resolved_;
    static constexpr size_t kRecentFonts = 32;
    std::deque<std::shared_ptr<FontInstance>> recent_;
    std::map<std::tuple<std::string, int, int, int, int, bool, bool>, std::weak_ptr<FontInstance>>
        instances_;
};

FontFile::~FontFile() {
    std::lock_guard l(FontLibrary::get().ft_mutex);
    FT_Done_Face(face);
}

namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP;

int ceil26(FT_Pos v) {
    return static_cast<int>((v + 63) >> 6);
}
int round26(FT_Pos v) {
    return static_cast<int>((v + 32) >> 6);
}

}  // namespace

FontInstance::FontInstance(FontSpec spec, std::shared_ptr<FontFile> file)
    : spec_(std::move(spec)), file_(std::move(file)) {
    std::lock_guard l(FontLibrary::get().ft_mutex);
    FT_Face face = file_->face;
    FT_Size size = nullptr;
    FT_New_Size(face, &size);
    FT_Activate_Size(size);
    size_ = size;

    const double upem = face->units_per_EM ? face->units_per_EM : 2048;
    const double cell_units = std::max<double>(1, face->ascender - face->descender);
    double em_y = 12;
    if (spec_.height < 0)
        em_y = -spec_.height;
    else if (spec_.height > 0)
        em_y = spec_.height * upem / cell_units;
    em_y = std::max(1.0, em_y);
    double em_x = em_y;
    if (spec_.width > 0) {
        double avg_units = upem / 2;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && os2->xAvgCharWidth > 0)
            avg_units = os2->xAvgCharWidth;
        const double avg_px = avg_units * em_y / upem;
        em_x = em_y * spec_.width / avg_px;
    }
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(em_x * 64)),
                     static_cast<FT_F26Dot6>(std::lround(em_y * 64)), 72, 72);
    metrics_.ascent = ceil26(size->metrics.ascender);
    metrics_.descent = ceil26(-size->metrics.descender);
    metrics_.height = metrics_.ascent + metrics_.descent;
    embolden_ = spec_.weight >= FW_SEMIBOLD && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    oblique_ = spec_.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    const double scale = em_y / upem;
    underline_offset_ =
        std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    underline_thickness_ =
        std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    // Measured here under the FreeType lock, not through the glyph cache,
    // whose lock is always taken before the FreeType one.
    metrics_.average_width = 1;
    if (FT_Load_Char(face, 'x', kLoadFlags) == 0)
        metrics_.average_width = std::max(1, round26(face->glyph->advance.x));
}

FontInstance::~FontInstance() {
    std::lock_guard l(FontLibrary::get().ft_mutex);
    FT_Done_Size(static_cast<FT_Size>(size_));
}

const std::filesystem::path& FontInstance::file() const {
    return file_->path;
}

bool FontInstance::has_char(char32_t cp) const {
    return FT_Get_Char_Index(file_->face, cp) != 0;
}

const Glyph& FontInstance::glyph(char32_t cp) {
    if (cp < 256)
        if (const Glyph* g = latin_[cp].load(std::memory_order_acquire)) return *g;
    std::lock_guard l(mutex_);
    if (cp < 256) {
        if (const Glyph* g = latin_[cp].load(std::memory_order_relaxed)) return *g;
    } else if (auto it = others_.find(cp); it != others_.end()) {
        return *it->second;
    }
    return render_locked(cp);
}

const Glyph& FontInstance::render_locked(char32_t cp) {
    auto g = std::make_unique<Glyph>();
    bool from_fallback = false;
    {
        std::lock_guard fl(FontLibrary::get().ft_mutex);
        if (!has_char(cp) && cp >= 0x80 && !fallback_tried_) {
            fallback_tried_ = true;
            FontSpec fs = spec_;
            fs.face = u"SC_Song";
            fallback_ = FontLibrary::get().instance(fs);
            if (fallback_ && fallback_->file() == file()) fallback_.reset();
            if (fallback_) fallback_->fallback_tried_ = true;
        }
        from_fallback = !has_char(cp) && fallback_ && cp >= 0x80;
        if (!from_fallback) {
            FT_Face face = file_->face;
            FT_Activate_Size(static_cast<FT_Size>(size_));
            // Outlines only: the embedded bitmap strikes of some faces (Tahoma's
            // small sizes) are one bit a pixel, not coverage.
            if (FT_Load_Char(face, cp, kLoadFlags) == 0) {
                if (embolden_) FT_GlyphSlot_Embolden(face->glyph);
                if (oblique_) FT_GlyphSlot_Oblique(face->glyph);
                if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
                    const FT_Bitmap& bm = face->glyph->bitmap;
                    g->left = face->glyph->bitmap_left;
                    g->top = face->glyph->bitmap_top;
                    g->width = static_cast<int>(bm.width);
                    g->rows = static_cast<int>(bm.rows);
                    g->coverage.resize(static_cast<size_t>(g->width) * g->rows);
                    for (int y = 0; y < g->rows; ++y)
                        std::copy_n(bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch, g->width,
                                    g->coverage.data() + static_cast<size_t>(y) * g->width);
                }
                g->advance = round26(face->glyph->advance.x);
            }
        }
    }
    if (from_fallback) *g = fallback_->glyph(cp);
    Glyph& ref = *g;
    if (cp < 256) {
        owned_.push_back(std::move(g));
        latin_[cp].store(&ref, std::memory_order_release);
    } else {
        others_[cp] = std::move(g);
    }
    return ref;
}

int FontInstance::advance_of(std::u16string_view text) {
    int w = 0;
    for_each_code_point(text, [&](char32_t c) { w += glyph(c).advance; });
    return w;
}

}  // namespace detail

// --- Font ---------------------------------------------------------------------

namespace {
const FontSpec& empty_spec() {
    static const FontSpec spec{};
    return spec;
}
}  // namespace

Font Font::create(const FontSpec& spec) {
    Font f;
    f.impl_ = detail::FontLibrary::get().instance(spec);
    return f;
}

Font Font::create_point(int tenths_of_point, std::u16string_view face, int dpi) {
    FontSpec spec;
    const int64_t v = static_cast<int64_t>(tenths_of_point) * dpi;
    spec.height = -static_cast<int>((std::llabs(v) + 360) / 720);
    spec.face = std::u16string(face);
    return create(spec);
}

Font Font::default_font() {
    FontSpec spec;
    spec.height = -12;
    spec.face = u"Tahoma";
    return create(spec);
}

const FontSpec& Font::spec() const {
    return impl_ ? impl_->spec() : empty_spec();
}
FontMetrics Font::metrics() const {
    return impl_ ? impl_->metrics() : FontMetrics{};
}
Size Font::text_extent(std::u16string_view text) const {
    if (!impl_) return default_font().text_extent(text);
    return {impl_->advance_of(text), impl_->metrics().height};
}
std::filesystem::path Font::file() const {
    return impl_ ? impl_->file() : std::filesystem::path{};
}

bool add_font_file(const std::filesystem::path& host_file) {
    return detail::FontLibrary::get().add_file(host_file);
}

int add_font_resource(std::u16string_view instrument_path) {
    const auto host = host_path(instrument_path);
    const int faces = host ? detail::FontLibrary::get().add_file_counted(*host) : 0;
    if (faces == 0) set_last_error(ERROR_FILE_NOT_FOUND);
    return faces;
}

size_t font_registry_size() {
    return detail::FontLibrary::get().added_count();
}

void set_face_substitute(std::u16string_view face, std::u16string_view device_file,
                         std::string_view fallback_pattern) {
    detail::FontLibrary::get().substitute(face, device_file, u"", fallback_pattern);
}

int load_face_substitutes() {
    RegKey key;
    if (hkey_local_machine().open(u"SYSTEM\\GDI\\FontSubstitutes", key) != ERROR_SUCCESS) return 0;
    int taken = 0;
    std::u16string name;
    uint32_t type = 0;
    for (uint32_t i = 0; key.enum_value(i, name, &type) == ERROR_SUCCESS; ++i) {
        if (auto family = key.get_string(name); family && !family->empty()) {
            detail::FontLibrary::get().substitute_family(name, to_utf8(*family));
            ++taken;
        }
    }
    return taken;
}

std::filesystem::path resolve_face(std::u16string_view face, int weight) {
    return detail::FontLibrary::get().resolve(face, weight).first;
}

}  // namespace plat

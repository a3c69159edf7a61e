// Text drawing of the device context: glyphs from the font's cache blended
// in the text colour, line layout for draw_text().
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gfx/dc.h"
#include "platform/gfx/font_instance.h"
#include "platform/gfx/raster.h"

namespace plat {

namespace {

using detail::FontInstance;
using detail::for_each_code_point;
using detail::Glyph;

FontInstance* instance_of(const Font& selected, Font& fallback_holder) {
    if (selected) return selected.instance();
    fallback_holder = Font::default_font();
    return fallback_holder.instance();
}

// src over dst with coverage a (0..255), each channel rounded exactly.
inline uint32_t blend(uint32_t dst, uint32_t src, uint32_t a) {
    const uint32_t na = 255 - a;
    uint32_t rb = (src & 0xFF00FF) * a + (dst & 0xFF00FF) * na + 0x800080;
    rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
    uint32_t g = (src & 0x00FF00) * a + (dst & 0x00FF00) * na + 0x008000;
    g = ((g + ((g >> 8) & 0x00FF00)) >> 8) & 0x00FF00;
    return rb | g;
}

// Blends `color` over n pixels with per-pixel coverage.
void blend_row(uint32_t* d, const uint8_t* cov, size_t n, uint32_t color) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i src = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(color)), zero);
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i c128 = _mm_set1_epi16(128);
    for (; i + 4 <= n; i += 4) {
        uint32_t a4;
        std::memcpy(&a4, cov + i, 4);
        if (a4 == 0) continue;
        // Coverage of four pixels, each repeated over its four channels.
        __m128i a = _mm_cvtsi32_si128(static_cast<int>(a4));
        a = _mm_unpacklo_epi8(a, a);
        a = _mm_unpacklo_epi16(a, a);
        __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i out[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i ah = h ? _mm_unpackhi_epi8(a, zero) : _mm_unpacklo_epi8(a, zero);
            const __m128i dh = h ? _mm_unpackhi_epi8(px, zero) : _mm_unpacklo_epi8(px, zero);
            // (src * a + dst * (255 - a) + 128) / 255, rounded exactly.
            __m128i t = _mm_add_epi16(_mm_mullo_epi16(src, ah),
                                      _mm_mullo_epi16(dh, _mm_sub_epi16(c255, ah)));
            t = _mm_add_epi16(t, c128);
            t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
            out[h] = t;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(out[0], out[1]));
    }
#endif
    for (; i < n; ++i) {
        const uint32_t a = cov[i];
        if (a == 255)
            d[i] = color;
        else if (a)
            d[i] = blend(d[i], color, a);
    }
}

// Draws one line whose cell's top-left corner is the surface pixel (x, y).
// Returns the advance width.
int draw_line(Bitmap& surface, const Rect& clip, FontInstance& font, int x, int y,
              std::u16string_view text, COLORREF color, bool underline) {
    const int baseline = y + font.metrics().ascent;
    uint32_t* const base = surface.pixels();
    const ptrdiff_t stride = surface.stride();
    int pen = x;
    for_each_code_point(text, [&](char32_t cp) {
        const Glyph& g = font.glyph(cp);
        const int gx = pen + g.left;
        const int gy = baseline - g.top;
        const Rect box = Rect{gx, gy, gx + g.width, gy + g.rows}.intersect(clip);
        for (int yy = box.top; yy < box.bottom; ++yy) {
            const uint8_t* cov = g.coverage.data() + static_cast<size_t>(yy - gy) * g.width;
            blend_row(base + yy * stride + box.left, cov + (box.left - gx),
                      static_cast<size_t>(box.right - box.left), color);
        }
        pen += g.advance;
    });
    if (underline) {
        const int top = baseline + font.underline_offset();
        detail::Raster(surface, clip).fill({x, top, pen, top + font.underline_thickness()}, color);
    }
    return pen - x;
}

// Where a line of text drawn at (x, y) with an advance of `width` may put
// pixels: glyphs may reach past their cell on every side (overhangs,
// accents, underline), by less than a line height.
Rect text_area(FontInstance& font, int x, int y, int width) {
    const int h = font.metrics().height;
    return Rect{x, y, x + width, y + h}.inflate(h, h);
}

// Removes the '&' prefix marks ("&&" stands for one '&').
std::u16string strip_prefix(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size())
            ++i;
        else if (s[i] == u'&')
            continue;
        out.push_back(s[i]);
    }
    return out;
}

std::u16string expand_tabs(std::u16string_view s) {
    std::u16string out;
    for (char16_t c : s) {
        if (c == u'\t')
            out.append(8 - out.size() % 8, u' ');
        else
            out.push_back(c);
    }
    return out;
}

// Splits text into the lines draw_text() lays out, as views into `text`.
std::vector<std::u16string_view> layout_lines(std::u16string_view text, uint32_t format,
                                              FontInstance& font, int max_width) {
    std::vector<std::u16string_view> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back(text);
        return lines;
    }
    size_t start = 0;
    while (true) {
        const size_t end = text.find_first_of(u"\r\n", start);
        const std::u16string_view para =
            text.substr(start, end == std::u16string_view::npos ? text.npos : end - start);
        if (!(format & DT_WORDBREAK) || font.advance_of(para) <= max_width) {
            lines.push_back(para);
        } else {
            // Greedy word wrap at spaces; a word wider than the line stays
            // whole on its own line.
            size_t line_start = 0, line_end = 0;
            size_t i = 0;
            while (i <= para.size()) {
                const size_t j = para.find(u' ', i);
                const size_t word_end = j == para.npos ? para.size() : j;
                if (line_end > line_start &&
                    font.advance_of(para.substr(line_start, word_end - line_start)) > max_width) {
                    lines.push_back(para.substr(line_start, line_end - line_start));
                    line_start = i;
                }
                line_end = word_end;
                i = word_end + 1;
            }
            lines.push_back(para.substr(line_start, line_end - line_start));
        }
        if (end == std::u16string_view::npos) break;
        size_t next = end + 1;
        if (text[end] == u'\r' && next < text.size() && text[next] == u'\n') ++next;
        start = next;
        if (start >= text.size()) break;
    }
    return lines;
}

}  // namespace

void Dc::text_out(int x, int y, std::u16string_view text) {
    if (!surface_) return;
    Font holder;
    FontInstance* font = instance_of(font_, holder);
    if (!font) return;
    const int dx = x + origin_.x, dy = y + origin_.y;
    auto lock = surface_.lock();
    note_changed(text_area(*font, dx, dy, font->advance_of(text)));
    if (bk_mode_ == OPAQUE) {
        const int w = font->advance_of(text);
        detail::Raster(surface_, clip_)
            .fill({dx, dy, dx + w, dy + font->metrics().height}, bk_color_);
    }
    draw_line(surface_, clip_, *font, dx, dy, text, text_color_, font->spec().underline);
}

Size Dc::text_extent(std::u16string_view text) const {
    Font holder;
    FontInstance* font = instance_of(font_, holder);
    if (!font) return {};
    return {font->advance_of(text), font->metrics().height};
}

int Dc::draw_text(std::u16string_view text, Rect& rect, uint32_t format) {
    Font holder;
    FontInstance* font = instance_of(font_, holder);
    if (!font) return 0;
    // Plain labels, the common case, are laid out without copying.
    std::u16string prepared;
    if (text.find_first_of(u"&\t\r\n") != std::u16string_view::npos) {
        prepared.assign(text);
        if (!(format & DT_NOPREFIX)) prepared = strip_prefix(prepared);
        if (format & DT_EXPANDTABS) prepared = expand_tabs(prepared);
        // A single line shows line breaks as nothing.
        if (format & DT_SINGLELINE)
            std::erase_if(prepared, [](char16_t c) { return c == u'\r' || c == u'\n'; });
        text = prepared;
    }
    const std::vector<std::u16string_view> lines =
        layout_lines(text, format, *font, std::max(0, rect.width()));
    const int line_h = font->metrics().height;
    const int total_h = line_h * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        int w = 0;
        for (const auto& l : lines) w = std::max(w, font->advance_of(l));
        // Wrapped text keeps the given width unless a word needs more.
        const bool keep_width = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE) &&
                                lines.size() > 1 && w <= rect.width();
        if (!keep_width) rect.right = rect.left + w;
        rect.bottom = rect.top + total_h;
        return total_h;
    }

    int top = rect.top;
    // Vertical placement applies to single lines only.
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rect.top + (rect.height() - line_h) / 2;
        else if (format & DT_BOTTOM)
            top = rect.bottom - line_h;
    }
    if (!surface_) return total_h;
    Rect clip = clip_;
    if (!(format & DT_NOCLIP)) clip = clip.intersect(rect.offset(origin_.x, origin_.y));
    auto lock = surface_.lock();
    int y = top;
    for (const auto& line : lines) {
        const int w = font->advance_of(line);
        int x = rect.left;
        if (format & DT_CENTER)
            x = rect.left + (rect.width() - w) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - w;
        const int dx = x + origin_.x, dy = y + origin_.y;
        note_changed(text_area(*font, dx, dy, w).intersect(clip));
        if (bk_mode_ == OPAQUE)
            detail::Raster(surface_, clip).fill({dx, dy, dx + w, dy + line_h}, bk_color_);
        draw_line(surface_, clip, *font, dx, dy, line, text_color_, font->spec().underline);
        y += line_h;
    }
    if (format & (DT_VCENTER | DT_BOTTOM) && format & DT_SINGLELINE) return top - rect.top + line_h;
    return total_h;
}

}  // namespace plat

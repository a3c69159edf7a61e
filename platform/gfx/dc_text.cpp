// Text drawing of the device context: glyphs from the font's cache blended
// in the text colour, line layout for draw_text().
#include <algorithm>
#include <vector>

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

inline uint32_t blend(uint32_t dst, uint32_t src, unsigned a) {
    if (a == 255) return src;
    const unsigned na = 255 - a;
    uint32_t rb = ((src & 0xFF00FF) * a + (dst & 0xFF00FF) * na + 0x800080) >> 8;
    uint32_t g = ((src & 0x00FF00) * a + (dst & 0x00FF00) * na + 0x008000) >> 8;
    return (rb & 0xFF00FF) | (g & 0x00FF00);
}

// Draws one line whose cell's top-left corner is the surface pixel (x, y).
// Returns the advance width.
int draw_line(Bitmap& surface, const Rect& clip, FontInstance& font, int x, int y,
              std::u16string_view text, COLORREF color, bool underline) {
    const int baseline = y + font.metrics().ascent;
    int pen = x;
    for_each_code_point(text, [&](char32_t cp) {
        const Glyph& g = font.glyph(cp);
        const int gx = pen + g.left;
        const int gy = baseline - g.top;
        const Rect box = Rect{gx, gy, gx + g.width, gy + g.rows}.intersect(clip);
        for (int yy = box.top; yy < box.bottom; ++yy) {
            const uint8_t* cov = g.coverage.data() + static_cast<size_t>(yy - gy) * g.width;
            uint32_t* d = surface.row(yy);
            for (int xx = box.left; xx < box.right; ++xx) {
                const unsigned a = cov[xx - gx];
                if (a) d[xx] = blend(d[xx], color, a);
            }
        }
        pen += g.advance;
    });
    if (underline) {
        const int top = baseline + font.underline_offset();
        detail::Raster(surface, clip).fill({x, top, pen, top + font.underline_thickness()}, color);
    }
    return pen - x;
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

// Splits text into the lines draw_text() lays out.
std::vector<std::u16string> layout_lines(std::u16string_view text, uint32_t format,
                                         FontInstance& font, int max_width) {
    std::vector<std::u16string> lines;
    if (format & DT_SINGLELINE) {
        std::u16string one;
        for (char16_t c : text)
            if (c != u'\r' && c != u'\n') one.push_back(c);
        lines.push_back(std::move(one));
        return lines;
    }
    size_t start = 0;
    while (true) {
        size_t end = text.find_first_of(u"\r\n", start);
        std::u16string_view para =
            text.substr(start, end == std::u16string_view::npos ? text.npos : end - start);
        if (!(format & DT_WORDBREAK) || font.advance_of(para) <= max_width) {
            lines.emplace_back(para);
        } else {
            // Greedy word wrap; a word wider than the line stays whole.
            std::u16string line;
            size_t i = 0;
            while (i < para.size()) {
                size_t j = para.find(u' ', i);
                size_t word_end = j == para.npos ? para.size() : j;
                std::u16string candidate = line;
                if (!candidate.empty()) candidate.push_back(u' ');
                candidate.append(para.substr(i, word_end - i));
                if (!line.empty() && font.advance_of(candidate) > max_width) {
                    lines.push_back(std::move(line));
                    line.assign(para.substr(i, word_end - i));
                } else {
                    line = std::move(candidate);
                }
                i = word_end + 1;
            }
            lines.push_back(std::move(line));
        }
        if (end == std::u16string_view::npos) break;
        if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
        start = end + 1;
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
    std::u16string prepared(text);
    if (!(format & DT_NOPREFIX)) prepared = strip_prefix(prepared);
    if (format & DT_EXPANDTABS) prepared = expand_tabs(prepared);
    const std::vector<std::u16string> lines =
        layout_lines(prepared, format, *font, std::max(0, rect.width()));
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
        if (bk_mode_ == OPAQUE)
            detail::Raster(surface_, clip).fill({dx, dy, dx + w, dy + line_h}, bk_color_);
        draw_line(surface_, clip, *font, dx, dy, line, text_color_, font->spec().underline);
        y += line_h;
    }
    if (format & (DT_VCENTER | DT_BOTTOM) && format & DT_SINGLELINE) return top - rect.top + line_h;
    return total_h;
}

}  // namespace plat

#include "widgets/text_label.h"

#include "core/res_string.h"

CTextLabel::CTextLabel(const plat::Rect& r) : CTextItem(r) {}

plat::Size CTextLabel::Measure(plat::Dc& dc) const {
    return dc.text_extent(text_);
}

void CTextLabel::Fill(plat::Dc& dc) const {
    if (opaque && brush) dc.fill_rect(rect, *brush);
}

void CTextLabel::DrawFit(plat::Dc& dc, uint32_t format) {
    const plat::Font old = font ? dc.select_font(*font) : dc.font();
    const plat::Size ext = Measure(dc);
    if (ext.cx > rect.width()) rect = rect.inflate(ext.cx - rect.width(), 0);
    if (ext.cy > rect.height()) rect = rect.inflate(0, ext.cy - rect.height());
    dc.set_text_color(textColor);
    Fill(dc);
    const int old_mode = dc.set_bk_mode(backgroundMode);
    plat::Rect r = rect;
    dc.draw_text(text_, r, format);
    dc.set_bk_mode(old_mode);
    dc.select_font(old);
}

void CTextLabel::DrawAligned(plat::Dc& dc, uint32_t format, int alignment) {
    const plat::Font old = font ? dc.select_font(*font) : dc.font();
    const plat::Size ext = Measure(dc);
    if (alignment == kAlignLeft) {
        rect.right = rect.left + ext.cx;
    } else if (alignment == kAlignWiden) {
        if (ext.cx > rect.width()) rect = rect.inflate(ext.cx - rect.width(), 0);
    } else if (alignment == kAlignRight) {
        rect.left = rect.right - ext.cx;
    }
    if (ext.cy > rect.height()) rect = rect.inflate(0, ext.cy - rect.height());
    dc.set_text_color(textColor);
    Fill(dc);
    if (!text_.empty()) {
        const int old_mode = dc.set_bk_mode(backgroundMode);
        plat::Rect r = rect;
        dc.draw_text(text_, r, format);
        dc.set_bk_mode(old_mode);
    }
    dc.select_font(old);
}

void CTextLabel::Draw(plat::Dc& dc, uint32_t format) {
    const plat::Font old = font ? dc.select_font(*font) : dc.font();
    dc.set_text_color(textColor);
    Fill(dc);
    const int old_mode = dc.set_bk_mode(plat::TRANSPARENT);
    plat::Rect r = rect;
    dc.draw_text(text_, r, format);
    dc.set_bk_mode(old_mode);
    dc.select_font(old);
}

void CTextLabel::SetTextId(uint32_t id) {
    text_ = LoadResString(id);
}

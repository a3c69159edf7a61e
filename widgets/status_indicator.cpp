#include "widgets/status_indicator.h"

#include "core/text.h"
#include "platform/gfx/artwork.h"

namespace {
constexpr int kMaxLevel = 100;
}

CStatusIndicator::CStatusIndicator()
    : iconDefault_(plat::load_icon(kIconDefault)),
      iconState1_(plat::load_icon(kIconState1)),
      iconStates23_(plat::load_icon(kIconStates23)),
      iconState4_(plat::load_icon(kIconState4)),
      iconSpare_(plat::load_icon(kIconSpare)) {}

int CStatusIndicator::Create(plat::Window* owner, int left, int top, int right, int bottom,
                             ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    textRect_ = plat::Rect{left + kTextLeft, top + 2, right - 2, bottom - 2}.normalized();
    return 1;
}

void CStatusIndicator::SetValue(int state, int level) {
    state_ = state;
    level_ = level;
}

COLORREF CStatusIndicator::FillColor() const {
    switch (state_) {
        case 1:
        case 2:
        case 4:
            return SchemeColor(colorIndex_);
        case 3:
            return SchemeColor(ci::kStatusAlarm);
        default:
            return SchemeColor(ci::kStatusFill);
    }
}

const plat::Icon& CStatusIndicator::CurrentIcon() const {
    switch (state_) {
        case 1:
            return iconState1_;
        case 2:
        case 3:
            return iconStates23_;
        case 4:
            return iconState4_;
        default:
            return iconDefault_;
    }
}

int CStatusIndicator::IconLeft() const {
    return rect_.left + (state_ == 4 ? kState4Shift : 0);
}

bool CStatusIndicator::ShowsText() const {
    if (level_ < 0 || level_ > kMaxLevel) return false;
    return !(state_ == 1 && level_ == kMaxLevel);
}

void CStatusIndicator::Draw(plat::Dc& dc) {
    dc.fill_rect(rect_, FillColor());
    dc.draw_icon(IconLeft(), rect_.top, CurrentIcon());
    if (!ShowsText()) return;
    const core::Text text = core::FormatText("%d%%", level_);
    dc.set_text_color(SchemeColor(ci::kHighlightText));
    const plat::Font old = dc.select_font(font_);
    plat::Rect r = textRect_;
    dc.draw_text(text, r, plat::DT_LEFT | plat::DT_TOP);
    dc.select_font(old);
}

int CStatusIndicator::Redraw() {
    WithOwnerDc([&](plat::Dc& dc) { Draw(dc); });
    return 0;
}

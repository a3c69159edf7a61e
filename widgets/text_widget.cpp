#include "widgets/text_widget.h"

#include <algorithm>

#include "core/res_string.h"

namespace {
constexpr double kHalf = 0.5;
constexpr double kNarrow = 0.35;
constexpr uint32_t kItemFormat =
    plat::DT_LEFT | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX;
}  // namespace

CTextWidget::CTextWidget(int split_code) : splitCode_(split_code) {}

CTextWidget::CTextWidget(uint32_t label_id, int style1, int style2)
    : labelId_(label_id), measured_(true), style1_(style1), style2_(style2) {}

CTextWidget::~CTextWidget() = default;

int CTextWidget::Create(plat::Window* owner, int left, int top, int right, int bottom,
                        ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    plat::FontSpec spec = font_.spec();
    spec.weight = plat::FW_BOLD;
    bold_ = plat::Font::create(spec);
    int split = 0;
    core::Text label;
    if (measured_) {
        label = LoadResString(labelId_);
        split = left + bold_.text_extent(label).cx + 2;
    } else {
        const double factor = (splitCode_ == kSplitNarrow) ? kNarrow : kHalf;
        split = left + static_cast<int>((right - left) * factor) - 2;
    }
    label_ = std::make_unique<CTextLabel>(plat::Rect{left, top, split, bottom});
    value_ = std::make_unique<CTextLabel>(plat::Rect{split, top, right, bottom});
    label_->SetText(label);
    for (CTextLabel* item : {label_.get(), value_.get()}) {
        item->textColor = SchemeColor(ci::kHighlightText);
        item->brush = &brush_;
        item->opaque = false;
    }
    label_->font = &bold_;
    value_->font = &font_;
    return 1;
}

int CTextWidget::SetTexts(const core::Text& label, const core::Text& value) {
    bool changed = false;
    if (label_ && !measured_ && label != label_->Text()) {
        label_->SetText(label);
        changed = true;
    }
    if (value_ && value != value_->Text()) {
        value_->SetText(value);
        changed = true;
    }
    return changed ? 1 : 0;
}

void CTextWidget::SetText(core::Text text) {
    SetTexts(u"", text);
}

int CTextWidget::SetLabelIdAndValue(uint32_t id, const core::Text& value) {
    return SetTexts(LoadResString(id), value);
}

int CTextWidget::SetTextsById(uint32_t label_id, uint32_t value_id) {
    return SetTexts(LoadResString(label_id), LoadResString(value_id));
}

int CTextWidget::SetLabelIdValueColor(uint32_t id, const core::Text& value, COLORREF color) {
    if (value_) {
        // A colour change alone shows on the next redraw of the value;
        // colour 0 is black, in every scheme.
        value_->textColor = color;
        value_->font = color != 0 ? &bold_ : &font_;
        valueColorSet_ = true;
    }
    return SetTexts(LoadResString(id), value);
}

void CTextWidget::SetLabelId(uint32_t id) {
    labelId_ = id;
    if (label_) label_->SetText(LoadResString(id));
}

void CTextWidget::TakeSchemeColours() {
    CScreenWidget::TakeSchemeColours();
    if (label_) label_->textColor = SchemeColor(ci::kHighlightText);
    if (value_ && !valueColorSet_) value_->textColor = SchemeColor(ci::kHighlightText);
}

void CTextWidget::Paint(plat::Dc& dc, Part part) {
    FollowScheme();
    dc.fill_rect(rect_, brush_);
    if (!label_ || !value_) return;
    // The items never paint outside the widget.
    const plat::Rect old_clip = dc.clip();
    dc.intersect_clip(rect_);
    if (part != Part::kValue) label_->Draw(dc, kItemFormat);
    if (part != Part::kLabel) {
        value_->rect.left = ValueLeft();
        value_->Draw(dc, kItemFormat);
    }
    dc.set_clip(old_clip);
}

void CTextWidget::CollectTexts(DrawnTexts& out) const {
    if (!label_ || !value_) return;
    const plat::Font& value_font = value_->font ? *value_->font : font_;
    out.push_back({"label", label_->Text(), bold_, label_->rect, kItemFormat});
    const plat::Rect value_box{ValueLeft(), rect_.top, rect_.right, rect_.bottom};
    out.push_back({"value", value_->Text(), value_font, value_box, kItemFormat, false});
}

int CTextWidget::ValueLeft() const {
    // A blank label leaves its room to the value: a value without a label
    // (the active marker, a note) gets the whole width of the cell.
    const core::Text& label = label_->Text();
    const bool blank =
        std::all_of(label.begin(), label.end(), [](char16_t c) { return c == u' '; });
    return blank ? label_->rect.left : label_->rect.right + 2;
}

void CTextWidget::Draw(plat::Dc& dc) {
    Paint(dc, Part::kBoth);
}

void CTextWidget::RedrawAll() {
    WithOwnerDc([&](plat::Dc& dc) { Paint(dc, Part::kBoth); });
}

void CTextWidget::RedrawLabel() {
    WithOwnerDc([&](plat::Dc& dc) { Paint(dc, Part::kLabel); });
}

void CTextWidget::RedrawValue() {
    WithOwnerDc([&](plat::Dc& dc) { Paint(dc, Part::kValue); });
}

int CTextWidget::Redraw() {
    RedrawAll();
    return 0;
}

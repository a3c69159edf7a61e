#include "widgets/readout_box.h"

#include <algorithm>

#include "core/res_string.h"
#include "widgets/widget_services.h"

namespace {

constexpr int kBoxFontHeight = -14;
constexpr int kFrameEllipse = 12;
constexpr int kInnerEllipse = 10;
constexpr int kKeyTextInset = 2;
constexpr int kPanelTextInset = 4;
constexpr uint32_t kLabelFormat = plat::DT_CENTER | plat::DT_TOP | plat::DT_NOPREFIX;

bool IsBlank(const core::Text& t) {
    return std::all_of(t.begin(), t.end(), [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    });
}

}  // namespace

CReadoutBox::CReadoutBox(int id, bool key_style) : id_(id), keyStyle_(key_style) {}

int CReadoutBox::Create(plat::Window* owner, int left, int top, int right, int bottom,
                        ColorSchemeIndex color_index, int, CColorScheme* scheme) {
    owner_ = owner;
    scheme_ = scheme;
    colorIndex_ = color_index;
    TakeSchemeColours();
    NoteSchemeTaken();
    outer_ = {left, top, right, bottom};
    rect_ = outer_.inflate(-1, -1);
    if (keyStyle_) {
        const int q = (right - left - 2) / 3;
        barRect_ = {left + q, bottom - 6, right - q, bottom - 3};
    }
    const int d = keyStyle_ ? kKeyTextInset : kPanelTextInset;
    textRect_ = rect_.inflate(-d, -d);
    plat::FontSpec spec;
    spec.height = kBoxFontHeight;
    spec.weight = plat::FW_SEMIBOLD;
    spec.face = WidgetFontFace();
    font_ = plat::Font::create(spec);
    spec.underline = true;
    underlineFont_ = plat::Font::create(spec);
    return 1;
}

bool CReadoutBox::IsEnabled() const {
    return !disabled_ && !IsBlank(title_);
}

void CReadoutBox::SetTitle(const core::Text& text) {
    if (text != title_) {
        title_ = text;
        textDirty_ = true;
    }
    SetDisabled(false);
    choice1_.clear();
    choice2_.clear();
}

int CReadoutBox::SetDisabled(bool flag) {
    if (flag == disabled_) return flag ? 1 : 0;
    disabled_ = flag;
    barDirty_ = true;
    return 1;
}

int CReadoutBox::SetSelected(bool flag) {
    if (!IsEnabled()) {
        if (selected_) frameDirty_ = true;  // the fill must lose the selected colour
        selected_ = false;
        return 0;
    }
    if (flag == selected_) return flag ? 1 : 0;
    selected_ = flag;
    frameDirty_ = true;
    return 1;
}

void CReadoutBox::SetCaption(const core::Text& text, bool disabled, bool selected) {
    if (text != title_) {
        title_ = text;
        textDirty_ = true;
    }
    SetDisabled(disabled);
    if (disabled) {
        selected_ = false;
    } else if (selected != selected_) {
        selected_ = selected;
        frameDirty_ = true;
    }
    choice1_.clear();
    choice2_.clear();
    highlight_ = selected;
}

void CReadoutBox::SetChoiceTexts(const core::Text& text, uint32_t id2, uint32_t id3, int choice,
                                 bool highlight) {
    auto replace = [&](core::Text& field, const core::Text& value) {
        if (field != value) {
            field = value;
            textDirty_ = true;
        }
    };
    replace(title_, text);
    replace(choice1_, LoadResString(id2));
    replace(choice2_, LoadResString(id3));
    SetDisabled(false);
    if (choice != choiceIndex_) {
        choiceIndex_ = choice;
        textDirty_ = true;
    }
    highlight_ = highlight;
}

int CReadoutBox::SetActive(bool flag) {
    if (flag && active_) return 1;
    active_ = flag;
    Invalidate();
    return 1;
}

void CReadoutBox::Invalidate() {
    barDirty_ = textDirty_ = frameDirty_ = true;
    Update();
}

void CReadoutBox::Update() {
    WithOwnerDc([&](plat::Dc& dc) { Paint(dc); });
}

void CReadoutBox::Draw(plat::Dc& dc) {
    barDirty_ = textDirty_ = frameDirty_ = true;
    Paint(dc);
}

const plat::Brush& CReadoutBox::StateBrush() const {
    if (active_) return activeBrush_;
    if (selected_) return selectedBrush_;
    return brush_;
}

COLORREF CReadoutBox::TextColor() const {
    if (active_ || selected_) return SchemeColor(ci::kHighlightText);
    return SchemeColor(keyStyle_ ? ci::kKeyText : ci::kPanelText);
}

void CReadoutBox::TakeSchemeColours() {
    CScreenWidget::TakeSchemeColours();
    frameBrush_ = plat::Brush::solid(SchemeColor(ci::kFrame));
    activeBrush_ = plat::Brush::solid(SchemeColor(activeColorIndex_));
    selectedBrush_ = plat::Brush::solid(SchemeColor(selectedColorIndex_));
    barBrush_ = plat::Brush::solid(SchemeColor(ci::kDisabledBar));
}

void CReadoutBox::Paint(plat::Dc& dc) {
    if (FollowScheme()) frameDirty_ = true;           // every part in the new colours
    if (barDirty_ && !disabled_) frameDirty_ = true;  // the frame repaint removes the bar
    if (frameDirty_) {
        DrawFrame(dc);
        textDirty_ = barDirty_ = true;
    } else if (textDirty_) {
        dc.fill_rect(textRect_, StateBrush());
        barDirty_ = true;
    }
    if (textDirty_) DrawLabel(dc);
    if (barDirty_) {
        if (keyStyle_ && disabled_) dc.fill_rect(barRect_, barBrush_);
        barDirty_ = false;
    }
}

void CReadoutBox::DrawFrame(plat::Dc& dc) {
    const plat::Brush old = dc.select_brush(frameBrush_);
    dc.round_rect(outer_, kFrameEllipse, kFrameEllipse);
    dc.select_brush(StateBrush());
    dc.round_rect(rect_, kInnerEllipse, kInnerEllipse);
    dc.select_brush(old);
    frameDirty_ = false;
}

std::pair<plat::Rect, plat::Rect> CReadoutBox::ChoiceRects() const {
    const plat::Rect& t = textRect_;
    const int w = t.width(), h = t.height();
    return {plat::Rect{t.left, t.bottom - h / 3, t.right - w / 2, t.bottom},
            plat::Rect{t.right - w / 2, t.bottom - h / 3, t.right, t.bottom}};
}

std::pair<core::Text, core::Text> CReadoutBox::ChoiceTexts() const {
    return {choiceIndex_ == 0 ? choice1_ : choice1_ + u"/",
            choiceIndex_ == 0 ? u"/" + choice2_ : choice2_};
}

void CReadoutBox::CollectTexts(DrawnTexts& out) const {
    if (choice1_.empty()) {
        out.push_back({"caption", title_, font_, textRect_, kLabelFormat});
        return;
    }
    // The caption keeps clear of the choices' third of the box.
    const auto [left, right] = ChoiceRects();
    const auto [left_text, right_text] = ChoiceTexts();
    const plat::Rect caption{textRect_.left, textRect_.top, textRect_.right, left.top};
    out.push_back({"caption", title_, font_, caption, kLabelFormat});
    out.push_back({"first choice", left_text, font_, left, kLabelFormat});
    out.push_back({"second choice", right_text, font_, right, kLabelFormat});
}

void CReadoutBox::DrawLabel(plat::Dc& dc) {
    dc.set_text_color(TextColor());
    const int old_mode = dc.set_bk_mode(plat::TRANSPARENT);
    const plat::Font old_font = dc.select_font(font_);
    plat::Rect r = textRect_;
    dc.draw_text(title_, r, kLabelFormat);
    if (!choice1_.empty()) {
        if (!choiceRects_) choiceRects_.emplace(ChoiceRects());
        plat::Rect left = choiceRects_->first, right = choiceRects_->second;
        const plat::Font& left_font = choiceIndex_ == 0 ? underlineFont_ : font_;
        const plat::Font& right_font = choiceIndex_ == 1 ? underlineFont_ : font_;
        const auto [left_text, right_text] = ChoiceTexts();
        dc.select_font(left_font);
        dc.draw_text(left_text, left, kLabelFormat);
        dc.select_font(right_font);
        dc.draw_text(right_text, right, kLabelFormat);
    }
    dc.select_font(old_font);
    dc.set_bk_mode(old_mode);
    textDirty_ = false;
}

CReadoutBox* GroupBox(const CWidgetGroup& group, int i) {
    return dynamic_cast<CReadoutBox*>(group.GetChild(i));
}

std::unique_ptr<CReadoutBox> MakeBox(int id, const BoxStyle& style, const plat::Rect& r) {
    auto box = std::make_unique<CReadoutBox>(id, style.keyStyle);
    box->SetActiveColorIndex(style.active);
    box->SetSelectedColorIndex(style.selected);
    box->Create(style.owner, r.left, r.top, r.right, r.bottom, style.fill, style.pt10,
                style.scheme);
    return box;
}

// --- CPanelWidget ----------------------------------------------------------

namespace {
constexpr int kPanelBoxPitch = 115;
constexpr int kPanelBoxWidth = 112;
constexpr int kFourBoxLefts[CPanelWidget::kFourBoxCount] = {4, 120, 468, 584};
}  // namespace

int CPanelWidget::Create(plat::Window* owner, int left, int top, int right, int bottom,
                         ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    SetCount(kBoxCount);
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    const BoxStyle style{false, ci::kMenuKey, ci::kMenuKeyActive, ci::kMenuKeySelected, owner,
                         pt10,  scheme};
    for (int i = 0; i < kBoxCount; ++i) {
        const int x = left + 4 + kPanelBoxPitch * i;
        SetChild(i, MakeBox(i, style, {x, top + 2, x + kPanelBoxWidth, top + 33}));
    }
    return 1;
}

int CPanelWidget::CreateFourBoxes(plat::Window* owner, int left, int top, int right, int bottom,
                                  ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    SetCount(kFourBoxCount);
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    const BoxStyle style{
        false, ci::kMenuKeyActive, ci::kMenuKeyActive, ci::kMenuKeyActive, owner, pt10, scheme};
    for (int i = 0; i < kFourBoxCount; ++i) {
        const int x = left + kFourBoxLefts[i];
        SetChild(i, MakeBox(i, style, {x, top + 4, x + kPanelBoxWidth, top + 41}));
    }
    return 1;
}

void CPanelWidget::SetTexts(const uint32_t* ids, int count) {
    if (!ids) return;
    for (int i = 0; i < count && i < count_; ++i)
        if (CReadoutBox* b = Box(i)) b->SetCaption(LoadResString(ids[i]), false, false);
}

int CPanelWidget::SetBoxTextById(uint32_t id, int box, bool disabled, bool selected) {
    CReadoutBox* b = Box(box);
    if (!b) return count_;
    b->SetCaption(LoadResString(id), disabled, selected);
    return 0;
}

int CPanelWidget::Show(int, int box) {
    if (box == -1 || box == -2) {
        CScreenWidget::Redraw();
        ForEachChild([](int, IGroupChild& c) { c.Invalidate(); });
    } else if (CReadoutBox* b = Box(box)) {
        ClearHighlights();
        b->Invalidate();
        b->SetHighlight(true);
    }
    return 0;
}

int CPanelWidget::Select(int, int box, bool on) {
    ForEachChild([&](int i, IGroupChild& c) {
        if (!on || i != box) {
            c.SetHighlight(false);
            if (c.IsSelected()) c.SetSelected(false);
            c.Update();
        } else {
            c.SetSelected(true);
            c.Update();
            c.SetHighlight(true);
        }
    });
    return 0;
}

void CPanelWidget::Select(int i) {
    Select(0, i, true);
}

int CPanelWidget::GetCurrentBox() {
    const int h = GetHighlighted();
    if (h >= 0) return h;
    if (IGroupChild* c = GetChild(0)) c->SetHighlight(true);
    return 0;
}

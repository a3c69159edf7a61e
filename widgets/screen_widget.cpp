#include "widgets/screen_widget.h"

#include <algorithm>

#include "widgets/widget_services.h"

CScreenWidget::CScreenWidget() {
    Init();
}

CScreenWidget::~CScreenWidget() = default;

bool CScreenWidget::HitTest(plat::Point p) const {
    return rect_.contains(p);
}

int CScreenWidget::GetId(plat::Point) const {
    return -1;
}

void CScreenWidget::Draw(plat::Dc& dc) {
    FollowScheme();
    dc.fill_rect(rect_, brush_);
}

int CScreenWidget::Redraw() {
    WithOwnerDc([&](plat::Dc& dc) { Draw(dc); });
    return 1;
}

void CScreenWidget::SetValue(int, int) {}
void CScreenWidget::SetRowText(core::Text, int) {}
void CScreenWidget::SetTexts(const uint32_t*, int) {}
void CScreenWidget::SetText(core::Text) {}
void CScreenWidget::Update() {}

void CScreenWidget::Init() {
    owner_ = nullptr;
    rect_ = {};
    colorIndex_ = 0;
    brush_ = plat::Brush::null();
    font_ = plat::Font();
    scheme_ = nullptr;
}

int CScreenWidget::Create(plat::Window* owner, int left, int top, int right, int bottom,
                          ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    owner_ = owner;
    scheme_ = scheme;
    colorIndex_ = color_index;
    brush_ = plat::Brush::solid(SchemeColor(color_index));
    NoteSchemeTaken();
    rect_ = {left, top, right, bottom};
    font_ = plat::Font::create_point(pt10, WidgetFontFace());
    return 1;
}

COLORREF CScreenWidget::SchemeColor(ColorSchemeIndex index) const {
    return scheme_ ? scheme_->GetColor(index) : 0;
}

void CScreenWidget::TakeSchemeColours() {
    brush_ = plat::Brush::solid(SchemeColor(colorIndex_));
}

bool CScreenWidget::FollowScheme() {
    if (!scheme_ || scheme_->GetGeneration() == schemeGeneration_) return false;
    TakeSchemeColours();
    NoteSchemeTaken();
    return true;
}

void CScreenWidget::NoteSchemeTaken() {
    schemeGeneration_ = scheme_ ? scheme_->GetGeneration() : 0;
}

void CScreenWidget::DrawCentredText(plat::Dc& dc, const plat::Rect& r, const core::Text& text,
                                    COLORREF color, COLORREF fill) const {
    constexpr uint32_t kCentred =
        plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX;
    dc.fill_rect(r, fill);
    const int old_mode = dc.set_bk_mode(plat::TRANSPARENT);
    dc.set_text_color(color);
    const plat::Font old = dc.select_font(font_);
    plat::Rect t = r;
    dc.draw_text(text, t, kCentred);
    dc.select_font(old);
    dc.set_bk_mode(old_mode);
}

// --- CWidgetGroup ----------------------------------------------------------

CWidgetGroup::CWidgetGroup() = default;

CWidgetGroup::~CWidgetGroup() {
    for (auto& c : children_) c.reset();
}

IGroupChild* CWidgetGroup::GetChild(int i) const {
    if (i < 0 || i >= count_ || i >= kMaxChildren) return nullptr;
    return children_[static_cast<size_t>(i)].get();
}

void CWidgetGroup::SetChild(int i, std::unique_ptr<IGroupChild> child) {
    if (i < 0 || i >= kMaxChildren) return;
    children_[static_cast<size_t>(i)] = std::move(child);
}

bool CWidgetGroup::HitTest(plat::Point p) const {
    bool hit = false;
    ForEachChild([&](int, IGroupChild& c) { hit = hit || c.HitTest(p); });
    return hit;
}

int CWidgetGroup::GetId(plat::Point p) const {
    for (int i = 0; i < count_; ++i)
        if (IGroupChild* c = GetChild(i); c && c->HitTest(p)) return c->GetChildId();
    return -1;
}

void CWidgetGroup::Update() {
    ForEachChild([](int, IGroupChild& c) {
        if (c.NeedsUpdate()) c.Update();
    });
}

void CWidgetGroup::Draw(plat::Dc& dc) {
    CScreenWidget::Draw(dc);
    ForEachChild([&](int, IGroupChild& c) { c.Draw(dc); });
}

void CWidgetGroup::CollectTexts(DrawnTexts& out) const {
    ForEachChild([&](int i, IGroupChild& c) {
        const auto* w = dynamic_cast<const CScreenWidget*>(&c);
        if (!w) return;
        const size_t first = out.size();
        w->CollectTexts(out);
        for (size_t k = first; k < out.size(); ++k)
            out[k].where = "box " + std::to_string(i + 1) + " " + out[k].where;
    });
}

void CWidgetGroup::SelectAndUpdate(int i) {
    Select(i);
    Update();
}

void CWidgetGroup::DeselectAllAndUpdate() {
    DeselectAll();
    Update();
}

void CWidgetGroup::Select(int i) {
    if (i < 0 || i >= count_) return;
    ForEachChild([&](int k, IGroupChild& c) {
        if (k == i) {
            if (!c.IsSelected()) c.SetSelected(true);
        } else if (c.IsSelected()) {
            c.SetSelected(false);
        }
    });
}

void CWidgetGroup::DeselectAll() {
    ForEachChild([](int, IGroupChild& c) {
        if (c.IsSelected()) c.SetSelected(false);
    });
}

int CWidgetGroup::GetSelectedIndex() const {
    for (int i = 0; i < count_; ++i)
        if (IGroupChild* c = GetChild(i); c && c->IsSelected()) return i;
    return -1;
}

void CWidgetGroup::RedrawAll() {
    CScreenWidget::Redraw();
    ForEachChild([](int, IGroupChild& c) { c.Invalidate(); });
}

void CWidgetGroup::SetChildState(int i, bool active, bool selected) {
    if (IGroupChild* c = GetChild(i)) {
        c->SetSelected(selected);
        c->SetActive(active);
    }
}

void CWidgetGroup::SetChildStateAlt(int i, bool active, bool selected) {
    SetChildState(i, active, selected);
}

int CWidgetGroup::GetHighlighted() const {
    for (int i = 0; i < count_; ++i)
        if (IGroupChild* c = GetChild(i); c && c->IsHighlighted()) return i;
    return -1;
}

void CWidgetGroup::ClearHighlights() {
    ForEachChild([](int, IGroupChild& c) { c.SetHighlight(false); });
}

void CWidgetGroup::SetCount(int n) {
    count_ = std::clamp(n, 0, kMaxChildren);
}

void CWidgetGroup::Refresh() {
    RedrawAll();
}

void CWidgetGroup::ResetChildren() {
    for (int i = 0; i < count_; ++i) SetChildState(i, false, false);
    ClearHighlights();
}

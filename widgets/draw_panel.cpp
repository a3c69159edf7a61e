#include "widgets/draw_panel.h"

namespace {
constexpr int kRowPitch = 21;
constexpr int kRowHeight = 20;
constexpr int kBoxIndent = 20;
constexpr int kBoxStyle1 = 11;
constexpr int kBoxStyle2 = 1;
constexpr uint32_t kRowFormat =
    plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX;
}  // namespace

CDrawPanel::CDrawPanel(int count0, const uint32_t* ids0, int count1, const uint32_t* ids1) {
    const int counts[2] = {count0, count1};
    const uint32_t* ids[2] = {ids0, ids1};
    for (int r = 0; r < 2; ++r) {
        if (counts[r] <= 0 || !ids[r]) continue;
        textBoxMode_ = true;
        boxCount_[static_cast<size_t>(r)] = counts[r];
        for (int j = 0; j < kBoxesPerRow && j < counts[r]; ++j)
            boxIds_[static_cast<size_t>(r)][static_cast<size_t>(j)] = ids[r][j];
    }
}

CDrawPanel::~CDrawPanel() = default;

int CDrawPanel::Create(plat::Window* owner, int left, int top, int right, int bottom,
                       ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    for (int r = 0; r < kRowCount; ++r) {
        const int y = top + kRowPitch * r;
        if (!textBoxMode_ || r >= 2) {
            rows_[static_cast<size_t>(r)] = {left, y, right, y + kRowHeight};
            continue;
        }
        const unsigned span = static_cast<unsigned>(right - left - kBoxIndent);
        const int count = boxCount_[static_cast<size_t>(r)];
        const int w = count > 0 ? static_cast<int>(span / static_cast<unsigned>(count))
                                : static_cast<int>(span);
        int x = left + kBoxIndent;
        for (int j = 0; j < kBoxesPerRow; ++j) {
            const uint32_t id = boxIds_[static_cast<size_t>(r)][static_cast<size_t>(j)];
            if (id == 0) continue;
            auto box = std::make_unique<CTextWidget>(id, kBoxStyle1, kBoxStyle2);
            box->Create(owner, x, y, x + w, y + kRowHeight, color_index, pt10, scheme);
            boxes_[static_cast<size_t>(r)][static_cast<size_t>(j)] = std::move(box);
            x += w - kBoxIndent;
        }
    }
    return 1;
}

CTextWidget* CDrawPanel::GetBox(int row, int j) const {
    if (row < 0 || row > 1 || j < 0 || j >= kBoxesPerRow) return nullptr;
    return boxes_[static_cast<size_t>(row)][static_cast<size_t>(j)].get();
}

const core::Text& CDrawPanel::GetRowText(int row) const {
    static const core::Text kNone;
    if (row < 0 || row >= kTextRows) return kNone;
    return texts_[static_cast<size_t>(row)];
}

void CDrawPanel::Draw(plat::Dc& dc) {
    // The third row reaches past a 60-pixel pane: nothing paints outside it.
    const plat::Rect old_clip = dc.clip();
    dc.intersect_clip(rect_);
    CScreenWidget::Draw(dc);
    const plat::Brush brush = plat::Brush::solid(SchemeColor(colorIndex_));
    dc.set_text_color(SchemeColor(ci::kHighlightText));
    const plat::Font old = dc.select_font(font_);
    for (int r = 0; r < kRowCount; ++r) {
        const bool boxes = textBoxMode_ && r != 2;
        if (boxes) {
            if (r == 3) continue;  // no widgets on row 3
            for (int j = 0; j < kBoxesPerRow; ++j)
                if (CTextWidget* b = GetBox(r, j)) b->Draw(dc);
            continue;
        }
        if (r == 3) continue;
        plat::Rect row = rows_[static_cast<size_t>(r)];
        dc.fill_rect(row, brush);
        dc.draw_text(texts_[static_cast<size_t>(r)], row, kRowFormat);
    }
    dc.select_font(old);
    dc.set_clip(old_clip);
}

int CDrawPanel::Redraw() {
    WithOwnerDc([&](plat::Dc& dc) { Draw(dc); });
    return 0;
}

void CDrawPanel::SetValue(int index, int value) {
    if (CTextWidget* b = GetBox(0, index)) b->SetText(core::FormatText("%d", value));
}

void CDrawPanel::SetRowText(core::Text text, int row) {
    if (row < 0 || row >= kTextRows) return;
    texts_[static_cast<size_t>(row)] = std::move(text);
}

void CDrawPanel::SetRowTextFrom(const core::Text* text, int row) {
    if (text) SetRowText(*text, row);
}

void CDrawPanel::SetRowTexts(const CBufferPair* pair) {
    if (!pair) return;
    for (int i = 0; i < 4; ++i)
        if (const core::Text* t = pair->Get(i))
            if (CTextWidget* b = GetBox(i / 2, i % 2)) b->SetText(*t);
    SetRowTextFrom(pair->Get(4), 1);
    SetRowTextFrom(pair->Get(5), 2);
}

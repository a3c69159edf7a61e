#include "widgets/readout_panel.h"

#include "core/res_string.h"
#include "core/units.h"

namespace {
constexpr int kRowPitch = 17;
constexpr int kRowHeight = 16;
constexpr int kRowZeroCodes[CReadoutPanel::kColumns] = {1, 0, 2, 2};
constexpr int kCaptionCells = 3;
constexpr uint32_t kStartId = 229;
constexpr uint32_t kCentreId = 214;
constexpr uint32_t kSpanId = 215;
constexpr uint32_t kStopId = 230;
constexpr uint32_t kCentred =
    plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX;

bool InRange(int row, int column) {
    return row >= 0 && row < CReadoutPanel::kMaxRows && column >= 0 &&
           column < CReadoutPanel::kColumns;
}
}  // namespace

CReadoutPanel::CReadoutPanel(int rows)
    : rowCount_(rows >= 1 && rows <= kMaxRows ? rows : kMaxRows), cellLayout_(rows == 0) {}

CReadoutPanel::~CReadoutPanel() = default;

int CReadoutPanel::Create(plat::Window* owner, int left, int top, int right, int bottom,
                          ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    const int q4 = (right - left - 10) / 4;
    const int q3 = (right - left - 10) / 3;
    for (int i = 0; i < rowCount_; ++i) {
        const int t = top + 1 + kRowPitch * i, b = t + kRowHeight;
        const plat::Rect row{left + 1, t, right, b};
        if (!cellLayout_) {
            rows_[static_cast<size_t>(i)] = row;
            continue;
        }
        const bool caption_row = i == kCaptionRow;
        if (caption_row) rows_[static_cast<size_t>(i)] = row;
        const int cells = caption_row ? kCaptionCells : kColumns;
        const int w = caption_row ? q3 : q4;
        for (int j = 0; j < cells; ++j) {
            const int code = (i == 0) ? kRowZeroCodes[j] : CTextWidget::kSplitNarrow;
            const int x = left + 2 + j * (w + 2);
            auto cell = std::make_unique<CTextWidget>(code);
            cell->Create(owner, x, t, x + w, b, color_index, pt10, scheme);
            cells_[static_cast<size_t>(i)][static_cast<size_t>(j)] = std::move(cell);
        }
    }
    plat::FontSpec spec = font_.spec();
    spec.weight = plat::FW_BOLD;
    bold_ = plat::Font::create(spec);
    return 1;
}

CTextWidget* CReadoutPanel::GetCell(int row, int column) const {
    if (!InRange(row, column)) return nullptr;
    return cells_[static_cast<size_t>(row)][static_cast<size_t>(column)].get();
}

const core::Text& CReadoutPanel::GetRowCaption(int row) const {
    static const core::Text kNone;
    if (row < 0 || row >= kMaxRows) return kNone;
    return captions_[static_cast<size_t>(row)];
}

int CReadoutPanel::SetCellIds(uint32_t label_id, uint32_t value_id, int row, int column) {
    return SetCellText(label_id, LoadResString(value_id), row, column, 0);
}

int CReadoutPanel::SetCellText(uint32_t label_id, const core::Text& value, int row, int column,
                               COLORREF color) {
    CTextWidget* cell = GetCell(row, column);
    if (!cell || !cell->SetLabelIdValueColor(label_id, value, color)) return 0;
    RedrawCell(0, 0, row, column);
    return 1;
}

int CReadoutPanel::SetCellTexts(const core::Text& label, const core::Text& value, int row,
                                int column) {
    CTextWidget* cell = GetCell(row, column);
    if (!cell || !cell->SetTexts(label, value)) return 0;
    RedrawCell(0, 0, row, column);
    return 1;
}

void CReadoutPanel::SetCellValue(const core::Text& text, int row, int column) {
    if (CTextWidget* cell = GetCell(row, column)) cell->SetText(text);
}

void CReadoutPanel::SetRowCaptionById(uint32_t id, int row) {
    SetRowCaption(LoadResString(id), row);
}

void CReadoutPanel::SetRowCaption(const core::Text& text, int row) {
    if (row < 0 || row >= kMaxRows) return;
    if (cellLayout_ && row != kCaptionRow) return;
    captions_[static_cast<size_t>(row)] = text;
}

void CReadoutPanel::RedrawCell(int, int, int row, int column) {
    if (!cellLayout_) return;
    if (CTextWidget* cell = GetCell(row, column)) cell->RedrawAll();
}

void CReadoutPanel::ClearRow(int row) {
    for (int c = 0; c < kColumns; ++c) SetCellText(kBlankLabelId, u"", row, c, 0);
}

void CReadoutPanel::DrawHighlightBox(plat::Dc& dc, const plat::Rect& r, const core::Text& text,
                                     ColorSchemeIndex color) {
    DrawCentredText(dc, r, text, SchemeColor(ci::kHighlightText), SchemeColor(color));
}

void CReadoutPanel::Paint(plat::Dc& dc, int, bool full) {
    FollowScheme();
    if (full) dc.fill_rect(rect_, brush_);
    dc.set_text_color(SchemeColor(ci::kHighlightText));
    const plat::Font old = dc.select_font(font_);
    if (cellLayout_) {
        const int last = full ? kMaxRows : kCaptionRow;
        for (int i = 0; i < last; ++i)
            for (int j = 0; j < kColumns; ++j)
                if (CTextWidget* cell = GetCell(i, j)) cell->Draw(dc);
        if (full && rows_[kCaptionRow])
            DrawHighlightBox(dc, *rows_[kCaptionRow], captions_[kCaptionRow], highlight_);
    } else {
        const int n = full ? rowCount_ : rowCount_ - 1;
        const core::Text blank = LoadResString(kBlankLabelId);
        for (int i = 0; i < n; ++i) {
            const plat::Rect r = *rows_[static_cast<size_t>(i)];
            const core::Text& caption = captions_[static_cast<size_t>(i)];
            const bool plain = caption.empty() || caption == blank;
            if (i == n - 1 && !plain) {
                if (full) DrawHighlightBox(dc, r, caption, highlight_);
                continue;
            }
            dc.fill_rect(r, brush_);
            plat::Rect t = r;
            dc.draw_text(caption, t, kCentred);
        }
    }
    dc.select_font(old);
}

void CReadoutPanel::CollectTexts(DrawnTexts& out) const {
    for (int i = 0; i < kMaxRows; ++i) {
        const std::string row = "row " + std::to_string(i + 1) + " ";
        if (rows_[static_cast<size_t>(i)])
            out.push_back({row + "caption", captions_[static_cast<size_t>(i)], font_,
                           *rows_[static_cast<size_t>(i)], kCentred});
        for (int j = 0; j < kColumns; ++j) {
            const CTextWidget* cell = GetCell(i, j);
            if (!cell) continue;
            const size_t first = out.size();
            cell->CollectTexts(out);
            for (size_t k = first; k < out.size(); ++k)
                out[k].where = row + "cell " + std::to_string(j + 1) + " " + out[k].where;
        }
    }
}

void CReadoutPanel::RedrawRows(int argument, bool full, ColorSchemeIndex color) {
    if (color > 0) highlight_ = color;
    WithOwnerDc([&](plat::Dc& dc) { Paint(dc, argument, full); });
}

void CReadoutPanel::Draw(plat::Dc& dc) {
    Paint(dc, 0, true);
}

void CReadoutPanel::ShowFrequencyRow(const CFrequencyRange* range, uint32_t format, int row) {
    if (row < 0 || row >= kMaxRows) return;
    const uint32_t labels[kColumns] = {kStartId, kSpanId, kCentreId, kStopId};
    if (!range) {
        if (!cellLayout_ || row == kCaptionRow) captions_[static_cast<size_t>(row)].clear();
        const uint32_t order[kColumns] = {kStartId, kCentreId, kSpanId, kStopId};
        for (int c = 0; c < kColumns; ++c) SetCellText(order[c], u"", row, c, 0);
        return;
    }
    const uint64_t values[kColumns] = {range->GetStart(), range->GetSpan(), range->GetCentre(),
                                       range->GetStop()};
    if (cellLayout_) {
        for (int c = 0; c < kColumns; ++c)
            SetCellText(labels[c], FormatValue(values[c], format, false, true, false, 0), row, c,
                        0);
        return;
    }
    core::Text caption;
    for (int c = 0; c < kColumns; ++c) {
        if (c > 0) caption += core::Text(17, u' ');
        caption +=
            LoadResString(labels[c]) + u" " + FormatValue(values[c], format, false, true, false, 0);
    }
    captions_[static_cast<size_t>(row)] = caption;
}

void CReadoutPanel::ShowFrequencyCaption(const CFrequencyRange* range) {
    if (cellLayout_ || !range) return;
    const uint32_t labels[3] = {kStartId, kCentreId, kStopId};
    const uint64_t values[3] = {range->GetStart(), range->GetCentre(), range->GetStop()};
    core::Text caption = u" ";
    for (int i = 0; i < 3; ++i) {
        caption +=
            LoadResString(labels[i]) + u" " + FormatValue(values[i], 0, false, true, true, 3);
        if (i < 2) caption += core::Text(24, u' ');
    }
    captions_[0] = caption;
}

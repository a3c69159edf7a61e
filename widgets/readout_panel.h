#pragma once
// The band of text rows under the graph. Built with 0 rows it has the cell
// layout: rows 0..4 with four label-and-value cells, row 5 with three cells
// and a caption. Built with 1..6 rows it has plain caption rows. Rows and
// columns outside the layout (negative ones too) touch nothing.
#include <array>
#include <memory>
#include <optional>

#include "core/frequency_range.h"
#include "widgets/text_widget.h"

class CReadoutPanel : public CScreenWidget {
  public:
    static constexpr int kMaxRows = 6;
    static constexpr int kColumns = 4;
    static constexpr int kCaptionRow = 5;
    static constexpr uint32_t kBlankLabelId = 184;

    explicit CReadoutPanel(int rows);
    ~CReadoutPanel() override;

    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    int SetCellIds(uint32_t label_id, uint32_t value_id, int row, int column);
    // Redraws the cell when a text changed; 1 then, else 0.
    int SetCellText(uint32_t label_id, const core::Text& value, int row, int column,
                    COLORREF color);
    void SetRowCaptionById(uint32_t id, int row);
    void SetRowCaption(const core::Text& text, int row);
    void RedrawCell(int ignored1, int ignored2, int row, int column);
    void RedrawRows(int argument, bool full, ColorSchemeIndex color);
    void ShowFrequencyRow(const CFrequencyRange* range, uint32_t format, int row);
    void ShowFrequencyCaption(const CFrequencyRange* range);
    ColorSchemeIndex GetHighlightColour() const { return highlight_; }
    void ClearRow(int row);
    int SetCellTexts(const core::Text& label, const core::Text& value, int row, int column);
    void SetCellValue(const core::Text& text, int row, int column);

    int GetRowCount() const { return rowCount_; }
    bool IsCellLayout() const { return cellLayout_; }
    CTextWidget* GetCell(int row, int column) const;
    const core::Text& GetRowCaption(int row) const;

  private:
    void Paint(plat::Dc& dc, int argument, bool full);
    void DrawHighlightBox(plat::Dc& dc, const plat::Rect& r, const core::Text& text,
                          ColorSchemeIndex color);

    std::array<std::optional<plat::Rect>, kMaxRows> rows_{};
    std::array<core::Text, kMaxRows> captions_;
    std::array<std::array<std::unique_ptr<CTextWidget>, kColumns>, kMaxRows> cells_;
    int rowCount_;
    bool cellLayout_;
    plat::Font bold_;
    ColorSchemeIndex highlight_ = 0;
};

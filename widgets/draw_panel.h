#pragma once
// The small pane of four text rows under the graph. Plain rows 0..2 are
// centred texts (row 3 is never drawn); given string ids, rows 0 and 1 hold
// up to two measured label-and-value boxes each, which overlap by 20 pixels.
#include <array>
#include <memory>
#include <vector>

#include "core/posted_records.h"
#include "widgets/text_widget.h"

class CDrawPanel : public CScreenWidget {
  public:
    static constexpr int kRowCount = 4;
    static constexpr int kTextRows = 3;
    static constexpr int kBoxesPerRow = 2;

    CDrawPanel(int count0 = 0, const uint32_t* ids0 = nullptr, int count1 = 0,
               const uint32_t* ids1 = nullptr);
    ~CDrawPanel() override;

    void Draw(plat::Dc& dc) override;
    int Redraw() override;
    void SetValue(int index, int value) override;
    void SetRowText(core::Text text, int row) override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    // Texts 0/1 to the row-0 boxes, 2/3 to the row-1 boxes, 4 the row-1
    // text, 5 the row-2 text; null texts are skipped.
    virtual void SetRowTexts(const CBufferPair* pair);
    virtual void SetRowTextFrom(const core::Text* text, int row);

    bool IsTextBoxMode() const { return textBoxMode_; }
    // Box j of row r (0 or 1), or null.
    CTextWidget* GetBox(int row, int j) const;
    const core::Text& GetRowText(int row) const;
    const plat::Rect& GetRowRect(int row) const { return rows_[static_cast<size_t>(row)]; }

  private:
    bool textBoxMode_ = false;
    std::array<plat::Rect, kRowCount> rows_{};
    std::array<core::Text, kTextRows> texts_;
    std::array<int, 2> boxCount_{};
    std::array<std::array<uint32_t, kBoxesPerRow>, 2> boxIds_{};
    std::array<std::array<std::unique_ptr<CTextWidget>, kBoxesPerRow>, 2> boxes_;
};

#pragma once
// A label and a value side by side in one rectangle: the label in a bold
// font on the left, the value in the normal font after it. In split mode the
// label takes a fixed share of the width; in measured mode the label is a
// fixed string id exactly as wide as its text.
#include <memory>

#include "widgets/screen_widget.h"
#include "widgets/text_label.h"

class CTextWidget : public CScreenWidget {
  public:
    // Split codes: 0 and 2 split at half the width, 1 at 35 %.
    static constexpr int kSplitHalf = 0;
    static constexpr int kSplitNarrow = 1;
    static constexpr int kSplitHalfToo = 2;

    // Split mode.
    explicit CTextWidget(int split_code);
    // Measured mode with the label's string id.
    CTextWidget(uint32_t label_id, int style1, int style2);
    ~CTextWidget() override;

    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;
    int Redraw() override;
    void SetText(core::Text text) override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    // 1 when a text changed; none of these redraws.
    int SetTexts(const core::Text& label, const core::Text& value);
    int SetLabelIdAndValue(uint32_t id, const core::Text& value);
    int SetTextsById(uint32_t label_id, uint32_t value_id);
    // A non-zero colour shows the value in that colour and the bold font;
    // 0 in black and the normal font.
    int SetLabelIdValueColor(uint32_t id, const core::Text& value, COLORREF color);
    int SetTextOnly(const core::Text& value) { return SetTexts(u"", value); }
    void RedrawAll();
    void RedrawLabel();
    void RedrawValue();
    void SetLabelId(uint32_t id);

    core::Text GetLabel() const { return label_ ? label_->Text() : core::Text(); }
    core::Text GetValue() const { return value_ ? value_->Text() : core::Text(); }
    const CTextLabel* LabelItem() const { return label_.get(); }
    const CTextLabel* ValueItem() const { return value_.get(); }
    bool IsMeasured() const { return measured_; }

  protected:
    void TakeSchemeColours() override;

  private:
    enum class Part { kBoth, kLabel, kValue };
    void Paint(plat::Dc& dc, Part part);
    // Where the value starts (label and value present).
    int ValueLeft() const;

    std::unique_ptr<CTextLabel> label_;
    std::unique_ptr<CTextLabel> value_;
    plat::Font bold_;
    uint32_t labelId_ = 0;
    bool measured_ = false;
    bool valueColorSet_ = false;  // the value keeps the colour it was given
    int splitCode_ = kSplitNarrow;
    int style1_ = 38;
    int style2_ = 0;
};

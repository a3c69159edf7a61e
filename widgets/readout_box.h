#pragma once
// The framed, rounded box that carries a caption: the soft keys and the
// captions of the six menu keys. It repaints only the parts that changed
// (frame, label, disabled bar) when its Update runs.
#include <optional>

#include "widgets/screen_widget.h"

class CReadoutBox : public CScreenWidget, public IGroupChild {
  public:
    CReadoutBox(int id, bool key_style);

    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;
    void Update() override;
    bool HitTest(plat::Point p) const override { return CScreenWidget::HitTest(p); }
    // The base Create is not used; the font size is ignored.
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    bool IsSelected() const override { return selected_; }
    bool IsEnabled() const;
    bool NeedsUpdate() const override { return barDirty_ || textDirty_ || frameDirty_; }
    void SetTitle(const core::Text& text);
    int SetDisabled(bool flag);
    int SetSelected(bool flag) override;
    void SetCaption(const core::Text& text, bool disabled, bool selected);
    void SetChoiceTexts(const core::Text& text, uint32_t id2, uint32_t id3, int choice,
                        bool highlight);
    int SetActive(bool flag) override;
    void Invalidate() override;
    void SetHighlight(bool flag) override { highlight_ = flag; }
    bool IsHighlighted() const override { return highlight_; }
    int GetChildId() const override { return id_; }

    // Set by the creator before Create.
    void SetActiveColorIndex(ColorSchemeIndex i) { activeColorIndex_ = i; }
    void SetSelectedColorIndex(ColorSchemeIndex i) { selectedColorIndex_ = i; }

    bool IsActive() const { return active_; }
    bool IsDisabled() const { return disabled_; }
    const core::Text& GetTitle() const { return title_; }
    int GetChoiceIndex() const { return choiceIndex_; }
    const plat::Rect& GetOuterRect() const { return outer_; }
    const plat::Rect& GetTextRect() const { return textRect_; }
    // Empty unless in key style.
    const plat::Rect& GetBarRect() const { return barRect_; }

  protected:
    void TakeSchemeColours() override;

  private:
    void Paint(plat::Dc& dc);
    void DrawFrame(plat::Dc& dc);
    void DrawLabel(plat::Dc& dc);
    // The two halves of the box's lower third, and their texts: the choice
    // in force underlined, the other with the slash between them.
    std::pair<plat::Rect, plat::Rect> ChoiceRects() const;
    std::pair<core::Text, core::Text> ChoiceTexts() const;
    const plat::Brush& StateBrush() const;
    COLORREF TextColor() const;

    ColorSchemeIndex activeColorIndex_ = 0;
    ColorSchemeIndex selectedColorIndex_ = 0;
    int id_;
    bool active_ = false;
    bool selected_ = false;
    bool keyStyle_;
    bool disabled_ = false;
    bool highlight_ = false;
    bool barDirty_ = true;
    bool textDirty_ = true;
    bool frameDirty_ = true;
    core::Text title_;
    core::Text choice1_;
    core::Text choice2_;
    int choiceIndex_ = 0;
    plat::Rect outer_{};
    plat::Rect textRect_{};
    plat::Rect barRect_{};
    std::optional<std::pair<plat::Rect, plat::Rect>> choiceRects_;  // made on first use
    plat::Brush frameBrush_ = plat::Brush::null();
    plat::Brush activeBrush_ = plat::Brush::null();
    plat::Brush selectedBrush_ = plat::Brush::null();
    plat::Brush barBrush_ = plat::Brush::null();
    plat::Font underlineFont_;
};

// Readout box i of a group, or null (index outside the count, or no box).
CReadoutBox* GroupBox(const CWidgetGroup& group, int i);

// How a group makes its boxes: style, the three fill entries and the
// common creation arguments.
struct BoxStyle {
    bool keyStyle;
    ColorSchemeIndex fill;
    ColorSchemeIndex active;
    ColorSchemeIndex selected;
    plat::Window* owner;
    int pt10;
    CColorScheme* scheme;
};
std::unique_ptr<CReadoutBox> MakeBox(int id, const BoxStyle& style, const plat::Rect& r);

// The captions of the six menu keys in the bottom pane.
class CPanelWidget : public CWidgetGroup {
  public:
    static constexpr int kBoxCount = 6;
    static constexpr int kFourBoxCount = 4;

    void SetTexts(const uint32_t* ids, int count) override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;
    using CWidgetGroup::Select;
    void Select(int i) override;

    int CreateFourBoxes(plat::Window* owner, int left, int top, int right, int bottom,
                        ColorSchemeIndex color_index, int pt10, CColorScheme* scheme);
    // The count when `box` is out of range, else 0.
    int SetBoxTextById(uint32_t id, int box, bool disabled, bool selected);
    int Show(int ignored, int box);
    int Select(int ignored, int box, bool on);
    // The first box with the highlight mark; marks box 0 when none has it.
    int GetCurrentBox();
    CReadoutBox* Box(int i) const { return GroupBox(*this, i); }
};

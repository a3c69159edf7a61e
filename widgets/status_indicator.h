#pragma once
// The small widget in the lower right corner: an icon for a state code and
// the level next to it as a percentage.
#include "platform/gfx/icon.h"
#include "widgets/screen_widget.h"

class CStatusIndicator : public CScreenWidget {
  public:
    // Icon resource ids.
    static constexpr int kIconDefault = 134;
    static constexpr int kIconState1 = 130;
    static constexpr int kIconStates23 = 132;
    static constexpr int kIconState4 = 131;
    static constexpr int kIconSpare = 170;
    static constexpr int kState4Shift = 5;
    static constexpr int kTextLeft = 65;

    CStatusIndicator();
    void Draw(plat::Dc& dc) override;
    int Redraw() override;
    // Stores state and level; draws nothing.
    void SetValue(int state, int level) override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;
    // Paints only the background.
    void Erase() { CScreenWidget::Redraw(); }

    int GetState() const { return state_; }
    int GetLevel() const { return level_; }
    const plat::Rect& GetTextRect() const { return textRect_; }
    // What Draw shows for the stored state and level.
    COLORREF FillColor() const;
    const plat::Icon& CurrentIcon() const;
    int IconLeft() const;
    bool ShowsText() const;

  private:
    int level_ = 0;
    int state_ = 0;
    plat::Rect textRect_{};
    plat::Icon iconDefault_, iconState1_, iconStates23_, iconState4_, iconSpare_;
};

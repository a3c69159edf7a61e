#pragma once
// The title bar across the top of every screen: the title or file label,
// the clock, the setup name or an id panel, and a status icon at the right
// edge. CIdPanel shows one centred text.
#include <memory>

#include "platform/gfx/icon.h"
#include "widgets/clock_panel.h"
#include "widgets/text_label.h"
#include "widgets/text_widget.h"

class CIdPanel : public CScreenWidget {
  public:
    explicit CIdPanel(bool visible) : visible_(visible) {}
    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;
    // Paints, then invalidates its rectangle in the owner window with erase
    // (the main view has no background, so nothing repaints).
    int Redraw() override;
    void SetText(core::Text text) override { text_ = std::move(text); }
    void SetTextObject(const core::Text& text) { text_ = text; }
    const core::Text& GetText() const { return text_; }

  private:
    bool visible_;
    core::Text text_;
};

class CFileLabelPanel : public CScreenWidget {
  public:
    static constexpr int kClockLeft = 290;
    static constexpr int kRightPartLeft = 530;
    static constexpr int kClockPt10 = 140;
    static constexpr int kSetupPt10 = 100;
    static constexpr int kIconConnected = 284;
    static constexpr int kIconBusy = 285;
    static constexpr int kNoIconBitmap = 283;

    CFileLabelPanel(core::Text title, bool id_flag);
    CFileLabelPanel(core::Text title, core::Text second, bool id_flag, bool setup_flag);
    ~CFileLabelPanel() override;

    // Only the clock answers a touch.
    bool HitTest(plat::Point p) const override;
    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;
    int Redraw() override;
    void Init() override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    // "text" or "text:extra"; no redraw.
    void SetFileLabel(const core::Text& text, const core::Text& extra);
    // Shows the text in the id panel (when there is one); frees the text
    // object whenever `release` is set.
    void SetIdObject(core::Text* text, bool release);
    void SetIdText(const core::Text& text);
    void RedrawClock();
    // Draws the icon at once when the state changes.
    void SetStatusIcon(int state);
    void SetSetupName(const core::Text& name);
    void SetSetupText(const core::Text& label, const core::Text& value);

    core::Text GetFileLabel() const { return title_ ? title_->Text() : core::Text(); }
    int GetStatusIcon() const { return iconState_; }
    CIdPanel* GetIdPanel() const { return idPanel_.get(); }
    CTextWidget* GetSetupWidget() const { return setup_.get(); }
    CClockPanel* GetClock() const { return clock_.get(); }
    plat::Rect StatusIconRect() const;

  protected:
    void TakeSchemeColours() override;

  private:
    void DrawStatusIcon(plat::Dc& dc) const;

    std::unique_ptr<CIdPanel> idPanel_;
    std::unique_ptr<CClockPanel> clock_;
    std::unique_ptr<CTextLabel> title_;
    plat::Rect titleBox_{};  // left of the clock; the title's own rect grows to fit
    std::unique_ptr<CTextWidget> setup_;
    int iconState_ = 0;
    core::Text titleText_;
    core::Text secondText_;
    bool idFlag_;
    bool setupFlag_;
    core::Text traceLabel_;
    core::Text setupLabel_;
    plat::Icon connected_;
    plat::Icon busy_;
    plat::Bitmap noIcon_;
};

#pragma once
// Light text boxes: a rectangle and a text that the panels and the graph
// draw their labels with. They are not screen widgets; fonts and brushes are
// the owner's.
#include <cstdint>

#include "core/text.h"
#include "platform/gfx/dc.h"

class CTextItem {
  public:
    explicit CTextItem(const plat::Rect& r = {}) : rect(r) {}
    virtual ~CTextItem() = default;
    virtual void SetItemText(const core::Text& text) { itemText_ = text; }

    plat::Rect rect;
    int backgroundMode = plat::TRANSPARENT;

  protected:
    core::Text itemText_;
};

class CTextLabel : public CTextItem {
  public:
    // Alignments of DrawAligned.
    static constexpr int kAlignLeft = 0;
    static constexpr int kAlignWiden = 1;
    static constexpr int kAlignRight = 2;

    explicit CTextLabel(const plat::Rect& r = {});

    virtual void SetText(const core::Text& text) { text_ = text; }
    // Grows the rectangle when the text is wider or taller (each side out by
    // the full difference), fills it when opaque and draws the text.
    virtual void DrawFit(plat::Dc& dc, uint32_t format);
    // Aligns the rectangle to the text (0: right edge follows, 1: widens, 2:
    // left edge follows), grows it vertically, fills when opaque and draws a
    // text that is not empty in the label's background mode.
    virtual void DrawAligned(plat::Dc& dc, uint32_t format, int alignment);
    // Fills when opaque and draws the text inside the rectangle, which stays
    // as it is.
    void Draw(plat::Dc& dc, uint32_t format);
    virtual void SetTextId(uint32_t id);
    virtual core::Text GetText() const { return text_; }
    const core::Text& Text() const { return text_; }

    const plat::Font* font = nullptr;  // not owned
    plat::COLORREF textColor = 0;
    bool opaque = false;
    const plat::Brush* brush = nullptr;  // not owned

  private:
    plat::Size Measure(plat::Dc& dc) const;
    void Fill(plat::Dc& dc) const;

    core::Text text_;
};

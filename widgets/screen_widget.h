#pragma once
// The root of every widget: a plain object, not a window, that keeps a
// rectangle in its owner window's client coordinates and paints itself into
// a device context of that window on request. Draw(dc) paints on any
// context, also one over a bitmap. Widget groups own up to eight children
// and pass hit tests, selection and redraws on to them.
#include <array>
#include <cstdint>
#include <memory>

#include "core/text.h"
#include "platform/gfx/dc.h"
#include "platform/window/paint.h"
#include "widgets/color_scheme.h"
#include "widgets/text_fit.h"

namespace plat {
class Window;
}

class CScreenWidget {
  public:
    CScreenWidget();
    virtual ~CScreenWidget();
    CScreenWidget(const CScreenWidget&) = delete;
    CScreenWidget& operator=(const CScreenWidget&) = delete;

    // Whether the point lies inside the rectangle.
    virtual bool HitTest(plat::Point p) const;
    // The id of the element at the point; -1 for none.
    virtual int GetId(plat::Point p) const;
    // Paints the widget on `dc`; the base fills the rectangle with the
    // background brush.
    virtual void Draw(plat::Dc& dc);
    // Paints through a context of the owner window; 1.
    virtual int Redraw();
    virtual void SetValue(int index, int value);
    virtual void SetRowText(core::Text text, int row);
    virtual void SetTexts(const uint32_t* ids, int count);
    virtual void SetText(core::Text text);
    // Repaints what changed.
    virtual void Update();
    // Forgets owner, scheme, brush, font and rectangle.
    virtual void Init();
    // Keeps owner and scheme, makes the background brush from entry
    // `color_index` and a point font of `pt10` tenths of a point in the
    // widget face; 1.
    virtual int Create(plat::Window* owner, int left, int top, int right, int bottom,
                       ColorSchemeIndex color_index, int pt10, CColorScheme* scheme);
    // Appends every text the widget draws now, with its font and box; the
    // base draws none.
    virtual void CollectTexts(DrawnTexts& /*out*/) const {}

    const plat::Rect& GetRect() const { return rect_; }
    plat::Window* GetOwner() const { return owner_; }
    CColorScheme* GetScheme() const { return scheme_; }
    const plat::Brush& GetBrush() const { return brush_; }
    const plat::Font& GetFont() const { return font_; }
    ColorSchemeIndex GetColorIndex() const { return colorIndex_; }

  protected:
    // The scheme's colour at `index` (black without a scheme).
    COLORREF SchemeColor(ColorSchemeIndex index) const;
    // Makes the brushes and colours the widget keeps from the scheme's
    // colours of now; a widget keeping more of them makes those too.
    virtual void TakeSchemeColours();
    // When the scheme's colours changed since the widget took them, takes
    // them again (the painting operations call it first); whether it did.
    bool FollowScheme();
    // The scheme's generation when the widget took its colours.
    void NoteSchemeTaken();
    // Fills `r` with `fill`, then draws one line of text centred both ways in
    // it, transparent, in `color` and the widget's font; the context's mode
    // and font are restored.
    void DrawCentredText(plat::Dc& dc, const plat::Rect& r, const core::Text& text, COLORREF color,
                         COLORREF fill) const;
    // Runs `paint` with a context over the owner window; nothing without an
    // owner.
    template <typename F>
    void WithOwnerDc(F&& paint) const {
        if (!owner_) return;
        plat::WindowDc dc(owner_);
        paint(dc.dc());
    }

    plat::Window* owner_ = nullptr;
    plat::Rect rect_{};
    ColorSchemeIndex colorIndex_ = 0;
    plat::Brush brush_ = plat::Brush::null();  // null until Create
    plat::Font font_;
    CColorScheme* scheme_ = nullptr;  // not owned
    uint32_t schemeGeneration_ = 0;   // of the colours the widget keeps
};

// What a widget group asks of its children (the readout box offers it).
class IGroupChild {
  public:
    virtual ~IGroupChild() = default;
    virtual bool IsSelected() const = 0;
    virtual bool NeedsUpdate() const = 0;
    virtual int SetSelected(bool flag) = 0;
    virtual int SetActive(bool flag) = 0;
    virtual void Invalidate() = 0;
    virtual void SetHighlight(bool flag) = 0;
    virtual bool IsHighlighted() const = 0;
    virtual void Update() = 0;
    // Paints the child in full on `dc`.
    virtual void Draw(plat::Dc& dc) = 0;
    virtual bool HitTest(plat::Point p) const = 0;
    virtual int GetChildId() const = 0;
};

// Up to eight owned children. Every operation skips children that do not
// exist and ignores an index outside 0..count-1 (negative ones included).
class CWidgetGroup : public CScreenWidget {
  public:
    static constexpr int kMaxChildren = 8;
    CWidgetGroup();
    ~CWidgetGroup() override;

    bool HitTest(plat::Point p) const override;
    int GetId(plat::Point p) const override;
    void Update() override;
    // The group's background, then every child in full.
    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;

    virtual void SelectAndUpdate(int i);
    virtual void DeselectAllAndUpdate();
    virtual void Select(int i);
    virtual void DeselectAll();
    virtual int GetSelectedIndex() const;
    virtual void RedrawAll();
    virtual void SetChildState(int i, bool active, bool selected);
    virtual void SetChildStateAlt(int i, bool active, bool selected);
    virtual int GetHighlighted() const;
    virtual void ClearHighlights();
    virtual void SetCount(int n);
    virtual void Refresh();
    // Every child inactive and unselected, then no highlight mark.
    void ResetChildren();

    int GetCount() const { return count_; }
    // Child i, or null.
    IGroupChild* GetChild(int i) const;

  protected:
    void SetChild(int i, std::unique_ptr<IGroupChild> child);
    // Calls f(index, child) for every existing child below the count.
    template <typename F>
    void ForEachChild(F&& f) const {
        for (int i = 0; i < count_; ++i)
            if (IGroupChild* c = children_[static_cast<size_t>(i)].get()) f(i, *c);
    }

    std::array<std::unique_ptr<IGroupChild>, kMaxChildren> children_;
    int count_ = kMaxChildren;
};

#pragma once
// The date and time field of the title bar, formatted from the local time on
// every redraw, and the small vertical signal bar of the satellite display.
#include <initializer_list>
#include <optional>
#include <variant>

#include "platform/kernel/clock.h"
#include "widgets/screen_widget.h"

// One argument of a checked format: a number or a text.
using FormatArg = std::variant<int, core::Text>;

// Formats `pattern` when its conversions are exactly one per argument, %d
// (with flags, width, precision) for a number and %s for a text, in order;
// "%%" is a percent sign. Anything else gives no text.
std::optional<core::Text> CheckedFormat(const core::Text& pattern,
                                        std::initializer_list<FormatArg> args);

// The clock text of `t` in time format `format` (1: time, then the date
// with the month name; other: month/day/year, then the time). Translated
// patterns whose conversions do not fit fall back to the English ones.
core::Text FormatClockText(const plat::SystemTime& t, uint32_t format);

class CClockPanel : public CScreenWidget {
  public:
    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;
    int Redraw() override;
    // Shows this time instead of the local time (pictures of the screen
    // taken at a known time); none returns to the local time.
    void SetFixedTime(std::optional<plat::SystemTime> t) { fixed_ = t; }

  private:
    // The fixed time's or the local time's text in the clock's format.
    core::Text Text() const;

    std::optional<plat::SystemTime> fixed_;
};

// A bar that shows a value between 0 and a maximum by filling its lower part
// red over black. It draws on the whole screen, not on a window.
class CSignalBar {
  public:
    CSignalBar(int id, int left, int top, int right, int bottom, int maximum);
    virtual ~CSignalBar() = default;

    // Clamps into 0..maximum.
    virtual void SetValue(int value);
    // Draws on the screen surface.
    virtual void Draw();
    // Draws on `dc`; a maximum of 0 or less gives an all-black bar.
    void Draw(plat::Dc& dc) const;

    int GetValue() const { return value_; }
    int GetMaximum() const { return maximum_; }
    int GetId() const { return id_; }
    const plat::Rect& GetRect() const { return rect_; }
    // The filled (red) part for the value.
    plat::Rect FilledRect() const;

  private:
    plat::Rect rect_;
    int id_;
    int maximum_;
    int value_ = 0;
};

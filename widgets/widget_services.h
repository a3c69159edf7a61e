#pragma once
// What the widgets need of the application: the widget font face, the
// clock's time format and the message box. The application implements the
// interface and registers itself while it runs; without one (tests, the
// gallery) the face is "Tahoma", the format 1 and messages are recorded.
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"

class IWidgetServices {
  public:
    virtual ~IWidgetServices() = default;
    virtual std::u16string GetFontFace2() const = 0;
    // 1: time first, then the date with the month name; other: date first.
    virtual uint32_t GetTimeFormat() const = 0;
    virtual int ShowMessage(const core::Text& text, uint32_t style) = 0;

    static IWidgetServices* current();
    static void set_current(IWidgetServices* services);
};

inline constexpr uint32_t kTimeFormatTimeFirst = 1;
inline constexpr const char16_t* kDefaultWidgetFace = u"Tahoma";
inline constexpr int kMessageOk = 1;

// Through the registered services, or the defaults.
std::u16string WidgetFontFace();
uint32_t WidgetTimeFormat();
int WidgetShowMessage(const core::Text& text, uint32_t style);
// The messages shown while no services were registered (oldest first).
std::vector<core::Text> RecordedWidgetMessages();
void ClearRecordedWidgetMessages();

#pragma once
// The system's message box: a caption, a text, an icon and one of the button
// sets OK, OK/Cancel or Yes/No, shown modally on the calling thread.
//
// Keys: Enter answers the button that has the focus (the first button at the
// start), Escape answers Cancel, No, or OK when OK is the only button,
// Left/Right move the focus between the buttons; a click on a button answers
// it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/framework/system_services.h"

namespace plat {

class CWnd;

// Button sets (the low three bits of the flags).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_TYPEMASK = 0x7;
// Icons (MB_ICONEXCLAMATION comes with the system services).
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;
inline constexpr uint32_t MB_ICONMASK = 0x70;

// Shows the box over `owner` (may be null) and answers IDOK, IDCANCEL, IDYES
// or IDNO; an unknown button set shows OK alone. -1 when the box could not be
// made or the program is quitting.
int message_box(CWnd* owner, std::u16string_view text, std::u16string_view caption, uint32_t flags);

// Sees every box as it opens; tests install one. Null removes it.
struct MessageBoxCall {
    std::u16string text;
    std::u16string caption;
    uint32_t flags = 0;
};
using MessageBoxObserver = std::function<void(const MessageBoxCall&)>;
void set_message_box_observer(MessageBoxObserver observer);

}  // namespace plat

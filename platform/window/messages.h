#pragma once
// Window message numbers, virtual-key codes and the parameter layouts that
// cross module boundaries. The values are fixed: stored key logs, posted
// commands and the language and printer libraries depend on them.
#include <cstdint>

#include "platform/kernel/message_queue.h"

namespace plat {

// Messages.
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_ENABLE = 0x000A;
inline constexpr uint32_t WM_SETTEXT = 0x000C;
inline constexpr uint32_t WM_GETTEXT = 0x000D;
inline constexpr uint32_t WM_GETTEXTLENGTH = 0x000E;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
// WM_QUIT (0x0012) comes from the kernel's message queue.
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SHOWWINDOW = 0x0018;
inline constexpr uint32_t WM_FONTCHANGE = 0x001D;
inline constexpr uint32_t WM_NEXTDLGCTL = 0x0028;
inline constexpr uint32_t WM_SETFONT = 0x0030;
inline constexpr uint32_t WM_GETFONT = 0x0031;
inline constexpr uint32_t WM_NOTIFY = 0x004E;
// A window's icons: wParam ICON_SMALL or ICON_BIG, lParam a const Icon* (the
// window keeps a copy; null removes it).
inline constexpr uint32_t WM_SETICON = 0x0080;
inline constexpr uintptr_t ICON_SMALL = 0;
inline constexpr uintptr_t ICON_BIG = 1;
inline constexpr uint32_t WM_NCDESTROY = 0x0082;
inline constexpr uint32_t WM_GETDLGCODE = 0x0087;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_INITDIALOG = 0x0110;
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_CTLCOLORMSGBOX = 0x0132;
inline constexpr uint32_t WM_CTLCOLOREDIT = 0x0133;
inline constexpr uint32_t WM_CTLCOLORLISTBOX = 0x0134;
inline constexpr uint32_t WM_CTLCOLORBTN = 0x0135;
inline constexpr uint32_t WM_CTLCOLORDLG = 0x0136;
inline constexpr uint32_t WM_CTLCOLORSCROLLBAR = 0x0137;
inline constexpr uint32_t WM_CTLCOLORSTATIC = 0x0138;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_APP = 0x8000;

// Virtual keys.
inline constexpr uint32_t VK_LBUTTON = 0x01;
inline constexpr uint32_t VK_RBUTTON = 0x02;
inline constexpr uint32_t VK_BACK = 0x08;
inline constexpr uint32_t VK_TAB = 0x09;
inline constexpr uint32_t VK_RETURN = 0x0D;
inline constexpr uint32_t VK_SHIFT = 0x10;
inline constexpr uint32_t VK_CONTROL = 0x11;
inline constexpr uint32_t VK_MENU = 0x12;
inline constexpr uint32_t VK_ESCAPE = 0x1B;
inline constexpr uint32_t VK_SPACE = 0x20;
inline constexpr uint32_t VK_PRIOR = 0x21;
inline constexpr uint32_t VK_NEXT = 0x22;
inline constexpr uint32_t VK_END = 0x23;
inline constexpr uint32_t VK_HOME = 0x24;
inline constexpr uint32_t VK_LEFT = 0x25;
inline constexpr uint32_t VK_UP = 0x26;
inline constexpr uint32_t VK_RIGHT = 0x27;
inline constexpr uint32_t VK_DOWN = 0x28;
inline constexpr uint32_t VK_DELETE = 0x2E;
inline constexpr uint32_t VK_NUMPAD0 = 0x60;
inline constexpr uint32_t VK_MULTIPLY = 0x6A;
inline constexpr uint32_t VK_ADD = 0x6B;
inline constexpr uint32_t VK_SEPARATOR = 0x6C;
inline constexpr uint32_t VK_SUBTRACT = 0x6D;
inline constexpr uint32_t VK_DECIMAL = 0x6E;
inline constexpr uint32_t VK_DIVIDE = 0x6F;
inline constexpr uint32_t VK_F1 = 0x70;
inline constexpr uint32_t VK_F12 = 0x7B;
inline constexpr uint32_t VK_F13 = 0x7C;
inline constexpr uint32_t VK_F19 = 0x82;
inline constexpr uint32_t VK_F20 = 0x83;
inline constexpr uint32_t VK_F24 = 0x87;
inline constexpr uint32_t VK_OEM_PLUS = 0xBB;
inline constexpr uint32_t VK_OEM_MINUS = 0xBD;
inline constexpr uint32_t VK_OEM_PERIOD = 0xBE;
constexpr uint32_t vk_function(int n) {
    return VK_F1 + static_cast<uint32_t>(n - 1);
}

// Mouse-message key flags (wParam of button messages).
inline constexpr uintptr_t MK_LBUTTON = 0x0001;
inline constexpr uintptr_t MK_RBUTTON = 0x0002;
inline constexpr uintptr_t MK_SHIFT = 0x0004;
inline constexpr uintptr_t MK_CONTROL = 0x0008;

inline constexpr int WHEEL_DELTA = 120;

// Dialog end codes and notification codes of buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr uint32_t BN_CLICKED = 0;

// Parameter packing.
constexpr uint16_t loword(uintptr_t v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}
constexpr uint16_t hiword(uintptr_t v) {
    return static_cast<uint16_t>((v >> 16) & 0xFFFF);
}
constexpr intptr_t make_lparam(int lo, int hi) {
    return static_cast<intptr_t>(
        static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(lo))) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16)));
}
constexpr uintptr_t make_wparam(int lo, int hi) {
    return static_cast<uintptr_t>(static_cast<uint32_t>(make_lparam(lo, hi)));
}
// Signed coordinates of a mouse message's lParam.
constexpr int get_x_lparam(intptr_t lp) {
    return static_cast<int16_t>(loword(static_cast<uintptr_t>(lp)));
}
constexpr int get_y_lparam(intptr_t lp) {
    return static_cast<int16_t>(hiword(static_cast<uintptr_t>(lp)));
}
// The signed wheel delta in the high word of WM_MOUSEWHEEL's wParam.
constexpr int get_wheel_delta(uintptr_t wp) {
    return static_cast<int16_t>(hiword(wp));
}
// WM_KEYDOWN/WM_KEYUP lParam: repeat count in bits 0-15, bit 30 the previous
// state (1 = was down), bit 31 the transition (1 = released).
constexpr intptr_t key_lparam(uint16_t repeat, bool was_down, bool released) {
    uint32_t v = repeat;
    if (was_down) v |= 1u << 30;
    if (released) v |= 1u << 31;
    return static_cast<intptr_t>(static_cast<int32_t>(v));
}
constexpr uint16_t key_repeat(intptr_t lp) {
    return loword(static_cast<uintptr_t>(lp));
}
// The modifier keys as they stood when a key message was posted ride in its
// lParam's reserved bits 25-27, so that whoever handles the message (also
// after a window posted it on to another) sees them as they were then.
inline constexpr uint32_t kKeyStateRecorded = 1u << 25;
inline constexpr uint32_t kKeyStateShift = 1u << 26;
inline constexpr uint32_t kKeyStateControl = 1u << 27;
constexpr bool is_key_message(uint32_t msg) {
    return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR;
}

}  // namespace plat

#pragma once
// The soft input panel behind the sip_* services (system_services.h): a
// small window above all others that never takes the focus, holding a grid
// of letters, digits, a blank and punctuation with one cell selected.
//
// Input-method data is two 32-bit words. Writing a command in the first
// word moves or asks: 2 right, 3 left, 4 down, 5 up (each wrapping around the
// grid's row or column), 1 puts the selected character into the second
// word, 513 resets the selection to the first cell.
#include <cstdint>
#include <string_view>

#include "platform/gfx/color.h"
#include "platform/gfx/geometry.h"

namespace plat {

inline constexpr char kSipClass[] = "SipWndClass";

// The grid, row by row.
inline constexpr int kSipColumns = 10;
inline constexpr int kSipRows = 5;
inline constexpr std::u16string_view kSipCharacters =
    u"ABCDEFGHIJ"
    u"KLMNOPQRST"
    u"UVWXYZ0123"
    u"456789 .-_"
    u",+/()#@&!?";
static_assert(kSipCharacters.size() == kSipColumns * kSipRows);

inline constexpr int kSipCellSize = 24;
inline constexpr int kSipWidth = kSipColumns * kSipCellSize + 2;
inline constexpr int kSipHeight = kSipRows * kSipCellSize + 2;
// Where the panel stands until it is placed.
inline constexpr Rect kSipDefaultRect{212, 320, 212 + kSipWidth, 320 + kSipHeight};

// Input-method commands.
inline constexpr uint32_t kSipImAnswer = 1;
inline constexpr uint32_t kSipImRight = 2;
inline constexpr uint32_t kSipImLeft = 3;
inline constexpr uint32_t kSipImDown = 4;
inline constexpr uint32_t kSipImUp = 5;
inline constexpr uint32_t kSipImReset = 513;

inline constexpr COLORREF kSipBack = RGB(0xF4, 0xF6, 0xF8);
inline constexpr COLORREF kSipSelected = RGB(0xF0, 0x8C, 0x00);
inline constexpr COLORREF kSipGrid = RGB(0x46, 0x5A, 0x78);

// The panel as it is now (for tests and the display).
struct SipPanelState {
    bool shown = false;
    Rect rect = kSipDefaultRect;
    int selected = 0;  // index into kSipCharacters
    uint32_t im[2] = {};
};
SipPanelState sip_panel_state();
// Closes the panel's window (the program is ending).
void sip_panel_close();

}  // namespace plat

#pragma once
// The program's own icons and bitmaps, looked up by the resource ids the
// screens and widgets use. Every image is drawn by code here; a load returns
// a fresh bitmap (callers may draw on it) or an empty handle for an unknown id.
#include "platform/gfx/bitmap.h"
#include "platform/gfx/icon.h"

namespace plat {

// The size the system gives icons drawn at their own size.
inline constexpr int SYSTEM_ICON_SIZE = 32;

Bitmap load_bitmap(int id);
// The same with the colours given: the graph backgrounds 210 and 214 are drawn
// on `background` with the graticule and frame in `grid`; other ids are as
// load_bitmap(id).
Bitmap load_bitmap(int id, COLORREF background, COLORREF grid);

// The message box's icons (message_icons.cpp), also found by load_bitmap.
inline constexpr int kStopIconBitmap = 1422;
inline constexpr int kInformationIconBitmap = 1423;
inline constexpr int kQuestionIconBitmap = 1424;
inline constexpr int kWarningIconBitmap = 1425;
Bitmap message_box_icon(int id);
Icon load_icon(int id);

}  // namespace plat

#pragma once
// The gallery's pictures: every widget in its states on a margin of
// kOutside (a colour no scheme holds, so a widget that paints outside its
// rectangle shows), and the whole chrome as drawn through a window.
#include <filesystem>
#include <string>
#include <vector>

#include "widgets/gallery/chrome.h"

namespace gallery {

inline constexpr COLORREF kOutside = plat::RGB(255, 0, 255);
inline constexpr int kMargin = 8;
// The clock's time in the pictures: 2013-02-01 13:30:05.
plat::SystemTime GalleryTime();

struct Picture {
    std::string name;     // file name without ".png"
    plat::Rect rect;      // the widget's rectangle (screen coordinates)
    plat::Bitmap bitmap;  // the rectangle plus kMargin on every side; the
                          // chrome: the whole screen
};

// The pictures of one scheme.
std::vector<Picture> RenderScheme(int number);
// Writes every scheme's pictures; answers how many, -1 on a write error.
int WriteGallery(const std::filesystem::path& out);

}  // namespace gallery

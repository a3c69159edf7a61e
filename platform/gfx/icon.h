#pragma once
// An icon: a colour image plus a transparency mask of the same size.
#include <cstdint>
#include <vector>

#include "platform/gfx/bitmap.h"

namespace plat {

class Icon {
  public:
    Icon() = default;
    // `opaque` holds one byte per pixel, row by row: non-zero draws the
    // pixel, zero leaves the destination as it is. An empty vector makes
    // every pixel opaque.
    Icon(Bitmap image, std::vector<uint8_t> opaque);

    explicit operator bool() const { return static_cast<bool>(image_); }
    int width() const { return image_ ? image_.width() : 0; }
    int height() const { return image_ ? image_.height() : 0; }
    const Bitmap& image() const { return image_; }
    bool opaque_at(int x, int y) const;

  private:
    Bitmap image_;
    std::vector<uint8_t> opaque_;
};

}  // namespace plat

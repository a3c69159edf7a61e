#include "platform/gfx/icon.h"

namespace plat {

Icon::Icon(Bitmap image, std::vector<uint8_t> opaque)
    : image_(std::move(image)), opaque_(std::move(opaque)) {
    if (image_ && opaque_.size() != static_cast<size_t>(image_.width()) * image_.height())
        opaque_.clear();
}

bool Icon::opaque_at(int x, int y) const {
    if (!image_ || x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return false;
    if (opaque_.empty()) return true;
    return opaque_[static_cast<size_t>(y) * image_.width() + x] != 0;
}

}  // namespace plat

#include "platform/gfx/bitmap.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace plat {

struct Bitmap::Data {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    mutable std::recursive_mutex mutex;
};

Bitmap Bitmap::create(int width, int height, COLORREF fill) {
    Bitmap b;
    if (width < 1 || height < 1) return b;
    b.data_ = std::make_shared<Data>();
    b.data_->width = width;
    b.data_->height = height;
    b.data_->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height),
                           color_bits(fill));
    return b;
}

int Bitmap::width() const {
    return data_ ? data_->width : 0;
}
int Bitmap::height() const {
    return data_ ? data_->height : 0;
}
int Bitmap::stride() const {
    return data_ ? data_->width : 0;
}
uint32_t* Bitmap::pixels() {
    return data_ ? data_->pixels.data() : nullptr;
}
const uint32_t* Bitmap::pixels() const {
    return data_ ? data_->pixels.data() : nullptr;
}

COLORREF Bitmap::pixel(int x, int y) const {
    if (!data_ || x < 0 || y < 0 || x >= data_->width || y >= data_->height) return CLR_INVALID;
    auto l = lock();
    return row(y)[x];
}

void Bitmap::set_pixel(int x, int y, COLORREF c) {
    if (!data_ || x < 0 || y < 0 || x >= data_->width || y >= data_->height) return;
    auto l = lock();
    row(y)[x] = color_bits(c);
}

void Bitmap::fill(COLORREF c) {
    if (!data_) return;
    auto l = lock();
    std::fill(data_->pixels.begin(), data_->pixels.end(), color_bits(c));
}

Bitmap Bitmap::clone() const {
    if (!data_) return {};
    auto l = lock();
    Bitmap b;
    b.data_ = std::make_shared<Data>();
    b.data_->width = data_->width;
    b.data_->height = data_->height;
    b.data_->pixels = data_->pixels;
    return b;
}

std::recursive_mutex& Bitmap::mutex() const {
    static std::recursive_mutex none;
    return data_ ? data_->mutex : none;
}

SurfacePairLock::SurfacePairLock(const Bitmap& a, const Bitmap& b) {
    std::recursive_mutex* ma = &a.mutex();
    std::recursive_mutex* mb = &b.mutex();
    if (ma == mb) {
        first_ = ma;
        second_ = nullptr;
        first_->lock();
        return;
    }
    // A fixed order by address keeps two threads copying in opposite
    // directions from deadlocking.
    if (std::less<>()(mb, ma)) std::swap(ma, mb);
    first_ = ma;
    second_ = mb;
    first_->lock();
    second_->lock();
}

SurfacePairLock::~SurfacePairLock() {
    if (second_) second_->unlock();
    first_->unlock();
}

}  // namespace plat

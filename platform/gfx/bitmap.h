#pragma once
// A surface of 32-bit pixels. Each pixel holds a COLORREF value (0x00BBGGRR).
// Bitmap is a handle: copies refer to the same pixels, which live while any
// handle does; clone() makes an independent copy. Every surface carries its
// own recursive lock, taken by each drawing operation, so that several
// threads may draw on one surface (the screen) safely.
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "platform/gfx/color.h"
#include "platform/gfx/geometry.h"

namespace plat {

class Bitmap {
  public:
    Bitmap() = default;
    // A width x height surface filled with `fill`. Sizes below 1 give an empty
    // handle.
    static Bitmap create(int width, int height, COLORREF fill = 0);

    explicit operator bool() const { return data_ != nullptr; }
    bool same_surface(const Bitmap& o) const { return data_ == o.data_; }

    int width() const;
    int height() const;
    Size size() const { return {width(), height()}; }
    Rect bounds() const { return {0, 0, width(), height()}; }
    // Pixels from one row start to the next.
    int stride() const;

    // Direct pixel access. Callers that may race with drawing on another
    // thread hold lock() while they touch the pixels.
    uint32_t* pixels();
    const uint32_t* pixels() const;
    uint32_t* row(int y) { return pixels() + static_cast<ptrdiff_t>(y) * stride(); }
    const uint32_t* row(int y) const { return pixels() + static_cast<ptrdiff_t>(y) * stride(); }

    // Checked single-pixel access; reads outside give CLR_INVALID, writes
    // outside are ignored.
    COLORREF pixel(int x, int y) const;
    void set_pixel(int x, int y, COLORREF c);
    void fill(COLORREF c);

    // A deep copy with its own lock.
    Bitmap clone() const;

    // The surface's lock (recursive).
    std::recursive_mutex& mutex() const;
    std::unique_lock<std::recursive_mutex> lock() const {
        return std::unique_lock<std::recursive_mutex>(mutex());
    }

  private:
    struct Data;
    std::shared_ptr<Data> data_;
};

// Locks the surfaces of a transfer in a deadlock-free order; the same surface
// twice is locked once.
class SurfacePairLock {
  public:
    SurfacePairLock(const Bitmap& a, const Bitmap& b);
    ~SurfacePairLock();
    SurfacePairLock(const SurfacePairLock&) = delete;
    SurfacePairLock& operator=(const SurfacePairLock&) = delete;

  private:
    std::recursive_mutex* first_;
    std::recursive_mutex* second_;
};

}  // namespace plat

#include "platform/display/sdl_present.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "platform/display/sdl_display.h"
#include "platform/window/window.h"

namespace plat {

namespace {

// The window rectangle that shows screen rectangle r when the screen fills
// `area`: every window pixel whose source pixel lies in r.
Rect window_rect(const Rect& r, const Rect& area) {
    const int64_t aw = area.width(), ah = area.height();
    // Window column x shows screen column (x - left) * 800 / aw; the first
    // column showing screen column c is ceil(c * aw / 800).
    auto first_x = [&](int c) {
        return area.left + static_cast<int>((c * aw + kScreenWidth - 1) / kScreenWidth);
    };
    auto first_y = [&](int c) {
        return area.top + static_cast<int>((c * ah + kScreenHeight - 1) / kScreenHeight);
    };
    return {first_x(r.left), first_y(r.top), first_x(r.right), first_y(r.bottom)};
}

}  // namespace

SdlScreenPresenter::SdlScreenPresenter(SDL_Window* window) : window_(window) {}

SdlScreenPresenter::~SdlScreenPresenter() {
    if (converted_) SDL_FreeSurface(converted_);
}

Rect SdlScreenPresenter::copy(const Bitmap& screen, const Rect& r, SDL_Surface* target,
                              const Rect& area) {
    // The screen's pixels (0x00BBGGRR) into the window's format, in place.
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(screen.pixels()), kScreenWidth, kScreenHeight, 32,
        screen.stride() * static_cast<int>(sizeof(uint32_t)), SDL_PIXELFORMAT_XBGR8888);
    if (!source) return {};
    SDL_Rect part{r.left, r.top, r.width(), r.height()};
    SDL_Rect at = part;
    SDL_BlitSurface(source, &part, converted_, &at);
    SDL_FreeSurface(source);

    const Rect out = window_rect(r, area).intersect({0, 0, target->w, target->h});
    if (out.empty()) return {};
    const int bpp = target->format->BytesPerPixel;
    auto* dst = static_cast<uint8_t*>(target->pixels);
    const auto* src = static_cast<const uint8_t*>(converted_->pixels);
    if (area.width() == kScreenWidth && area.height() == kScreenHeight) {
        for (int y = out.top; y < out.bottom; ++y)
            std::memcpy(dst + y * target->pitch + out.left * bpp,
                        src + (y - area.top) * converted_->pitch + (out.left - area.left) * bpp,
                        static_cast<size_t>(out.width() * bpp));
        return out;
    }
    const int64_t ah = area.height();
    for (int y = out.top; y < out.bottom; ++y) {
        const auto sy = static_cast<int>((y - area.top) * int64_t{kScreenHeight} / ah);
        const uint8_t* from = src + sy * converted_->pitch;
        uint8_t* to = dst + y * target->pitch;
        for (int x = out.left; x < out.right; ++x)
            std::memcpy(to + x * bpp, from + columns_[static_cast<size_t>(x - area.left)] * bpp,
                        static_cast<size_t>(bpp));
    }
    return out;
}

bool SdlScreenPresenter::present(const Bitmap& screen, std::span<const Rect> changed, bool whole) {
    SDL_Surface* target = SDL_GetWindowSurface(window_);  // remade after a resize
    if (!target) return false;
    if (!converted_ || converted_->format->format != target->format->format) {
        if (converted_) SDL_FreeSurface(converted_);
        converted_ = SDL_CreateRGBSurfaceWithFormat(
            0, kScreenWidth, kScreenHeight, target->format->BitsPerPixel, target->format->format);
        if (!converted_) return false;
        whole = true;
    }
    const Rect area = fit_screen(target->w, target->h);
    if (area.empty()) return true;
    if (area != columns_for_) {
        columns_.resize(static_cast<size_t>(area.width()));
        for (int x = 0; x < area.width(); ++x)
            columns_[static_cast<size_t>(x)] =
                static_cast<int>(x * int64_t{kScreenWidth} / area.width());
        columns_for_ = area;
        whole = true;
    }
    auto lock = screen.lock();
    if (whole) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        copy(screen, {0, 0, kScreenWidth, kScreenHeight}, target, area);
        return SDL_UpdateWindowSurface(window_) == 0;
    }
    std::vector<SDL_Rect> shown;
    shown.reserve(changed.size());
    for (const Rect& r : changed) {
        const Rect part = r.intersect({0, 0, kScreenWidth, kScreenHeight});
        if (part.empty()) continue;
        const Rect out = copy(screen, part, target, area);
        if (!out.empty()) shown.push_back({out.left, out.top, out.width(), out.height()});
    }
    if (shown.empty()) return true;
    return SDL_UpdateWindowSurfaceRects(window_, shown.data(), static_cast<int>(shown.size())) == 0;
}

}  // namespace plat

#pragma once
// Puts the 800 x 600 screen into an SDL window's own surface, scaled to fit
// with its aspect kept (nearest pixel), and hands the X server only the
// window areas that changed.
#include <span>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"

struct SDL_Window;
struct SDL_Surface;

namespace plat {

class SdlScreenPresenter {
  public:
    explicit SdlScreenPresenter(SDL_Window* window);
    ~SdlScreenPresenter();
    SdlScreenPresenter(const SdlScreenPresenter&) = delete;
    SdlScreenPresenter& operator=(const SdlScreenPresenter&) = delete;

    // Shows the `changed` rectangles (screen coordinates) of `screen`;
    // `whole` repaints the window in full, bars included (after a resize or
    // an exposure). False when the window has no surface to draw on.
    bool present(const Bitmap& screen, std::span<const Rect> changed, bool whole);

  private:
    // Copies one screen rectangle into the window surface at `area` (the
    // screen's place in the window); answers the window rectangle written.
    Rect copy(const Bitmap& screen, const Rect& r, SDL_Surface* target, const Rect& area);

    SDL_Window* window_;
    SDL_Surface* converted_ = nullptr;  // the screen in the window's pixel format
    std::vector<int> columns_;          // source column of each window column
    Rect columns_for_{};                // the area columns_ was made for
};

}  // namespace plat

#include "platform/display/backend.h"

#include "platform/display/headless.h"
#include "platform/display/sdl_display.h"

namespace plat {

std::unique_ptr<DisplayBackend> make_display(const DisplayOptions& options) {
    if (options.display == DisplayKind::Sdl) return std::make_unique<SdlDisplay>();
    return std::make_unique<HeadlessDisplay>(options.script, options.virtual_clock);
}

}  // namespace plat

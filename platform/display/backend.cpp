#include "platform/display/backend.h"

#include "platform/display/headless.h"
#include "platform/display/sdl_display.h"
#include "platform/window/message_loop.h"

namespace plat {

void DisplayBackend::request_quit(uint32_t ui_tid, const Event& cancel) {
    if (!quit_) {
        post_thread_message(ui_tid, WM_QUIT, 0, 0);
        return;
    }
    const Event done = queue_on_ui_thread(ui_tid, quit_);
    if (done) wait_any({&done, &cancel}, INFINITE);
}

std::unique_ptr<DisplayBackend> make_display(const DisplayOptions& options) {
    if (options.display == DisplayKind::Sdl) return std::make_unique<SdlDisplay>();
    return std::make_unique<HeadlessDisplay>(options.script, options.virtual_clock);
}

}  // namespace plat

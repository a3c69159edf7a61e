#include "platform/display/backend.h"

#include "platform/display/headless.h"
#include "platform/display/sdl_display.h"
#include "platform/window/message_loop.h"

namespace plat {

Event DisplayBackend::queue_quit(uint32_t ui_tid) {
    if (!quit_) {
        post_thread_message(ui_tid, WM_QUIT, 0, 0);
        return Event();
    }
    return queue_on_ui_thread(ui_tid, quit_);
}

void DisplayBackend::request_quit(uint32_t ui_tid, const Event& cancel) {
    const Event done = queue_quit(ui_tid);
    if (done) wait_any({&done, &cancel}, INFINITE);
}

std::unique_ptr<DisplayBackend> make_display(const DisplayOptions& options) {
    if (options.display == DisplayKind::Sdl) return std::make_unique<SdlDisplay>();
    return std::make_unique<HeadlessDisplay>(options.script, options.virtual_clock);
}

}  // namespace plat

#pragma once
// A visible full-screen top-level window for the tests and benchmarks that
// draw screens, with the UI queue drained after its creation and after its
// end.
#include <optional>

#include "platform/kernel/message_queue.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace widget_test {

// Dispatches every UI message waiting in the queue.
inline void DrainUiQueue() {
    plat::Message m;
    while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
}

class ScreenView : public plat::Window {
  public:
    explicit ScreenView(const char* class_name) {
        plat::register_window_class({class_name, 0, std::nullopt});
        plat::CreateParams p;
        p.class_name = class_name;
        p.style = plat::WS_VISIBLE;
        p.rect = {0, 0, plat::kScreenWidth, plat::kScreenHeight};
        create(p);
        DrainUiQueue();
    }
    ~ScreenView() override {
        destroy();
        DrainUiQueue();
    }
    ScreenView(const ScreenView&) = delete;
    ScreenView& operator=(const ScreenView&) = delete;
};

}  // namespace widget_test

#pragma once
// A visible full-screen top-level window for benchmarks that draw screens,
// with the UI queue drained after its creation and after its end.
#include <optional>

#include "platform/kernel/message_queue.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace bench_view {

// Dispatches every UI message waiting in the queue.
inline void Drain() {
    plat::Message m;
    while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
}

// Drains the queue inside a running program, where the program's script may
// end (and ask it to quit) while a timed loop runs in a handler: the quit is
// held back and posted again when the loop is done, as a modal loop does.
class QuitKeeper {
  public:
    QuitKeeper() = default;
    ~QuitKeeper() {
        if (quit_) plat::post_quit_message(*quit_);
    }
    QuitKeeper(const QuitKeeper&) = delete;
    QuitKeeper& operator=(const QuitKeeper&) = delete;

    void Drain() {
        plat::Message m;
        while (plat::peek_ui_message(m, true)) {
            if (m.message == plat::WM_QUIT && m.window == nullptr)
                quit_ = static_cast<int>(m.wparam);
            else
                plat::dispatch_message(m);
        }
    }

  private:
    std::optional<int> quit_;
};

class ScreenView : public plat::Window {
  public:
    explicit ScreenView(const char* class_name) {
        plat::register_window_class({class_name, 0, std::nullopt});
        plat::CreateParams p;
        p.class_name = class_name;
        p.style = plat::WS_VISIBLE;
        p.rect = {0, 0, plat::kScreenWidth, plat::kScreenHeight};
        create(p);
        Drain();
    }
    ~ScreenView() override {
        destroy();
        Drain();
    }
    ScreenView(const ScreenView&) = delete;
    ScreenView& operator=(const ScreenView&) = delete;
};

}  // namespace bench_view

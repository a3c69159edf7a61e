#pragma once
// The benchmarks' full-screen view and UI queue: the view of the tests, and
// a drain that keeps a running program's quit for later.
#include <optional>

#include "platform/kernel/message_queue.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"
#include "widgets/tests/screen_view.h"

namespace bench_view {

// Dispatches every UI message waiting in the queue.
inline void Drain() {
    widget_test::DrainUiQueue();
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

using widget_test::ScreenView;

}  // namespace bench_view

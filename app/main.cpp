// The main program of the instrument.
#include "app/celvane_app.h"
#include "platform/display/signal_watcher.h"
#include "platform/window/message_loop.h"

namespace {

// An interrupt or termination signal closes the program as the user would,
// so that the shutdown order runs.
void RequestClose(CCelvaneApp& app) {
    const uint32_t ui = plat::input_thread();
    if (!ui) return;
    plat::run_on_ui_thread(
        ui,
        [&app] {
            if (app.m_pMainWnd && plat::is_window(app.m_pMainWnd))
                app.m_pMainWnd->PostMessage(plat::WM_CLOSE);
            else
                plat::post_thread_message(plat::current_thread_id(), plat::WM_QUIT, 0, 0);
        },
        1000);
}

}  // namespace

int main(int argc, char** argv) {
    // The application lives in main's frame, so that its frame, windows and
    // threads end before the platform's own statics do.
    CCelvaneApp theApp;

    const plat::SignalWatcher watcher([&theApp] { RequestClose(theApp); });

    // app_main powers the hardware on before the program starts.
    const int code = plat::app_main(theApp, argc, argv);
    return code;
}

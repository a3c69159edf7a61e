// TWDiag, the diagnostics program of the instrument's boards. The main
// program starts it as "\FlashFX Disk\Startup\QXCopy\TWDiag.exe"; it takes
// the options every program takes.
#include "platform/display/signal_watcher.h"
#include "platform/kernel/thread.h"
#include "platform/window/message_loop.h"
#include "tools/diag/diag_app.h"

int main(int argc, char** argv) {
    static diag::CDiagApp theApp;
    // An interrupt or termination signal closes the dialog as Escape would.
    const plat::SignalWatcher watcher([] {
        const uint32_t ui = plat::input_thread();
        if (!ui) return;
        plat::run_on_ui_thread(
            ui,
            [] {
                if (theApp.m_pMainWnd && plat::is_window(theApp.m_pMainWnd))
                    theApp.m_pMainWnd->PostMessage(plat::WM_CLOSE);
                else
                    plat::post_thread_message(plat::current_thread_id(), plat::WM_QUIT, 0, 0);
            },
            1000);
    });
    return plat::app_main(theApp, argc, argv);
}

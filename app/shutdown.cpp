// CCelvaneApp shutdown: ExitInstance in its fixed order.
#include "app/celvane_app.h"

#include "app/app_file_services.h"
#include "app/app_print_services.h"
#include "app/main_frame.h"
#include "core/history.h"
#include "dialogs/numeric_edit.h"
#include "instrument/measurement.h"
#include "platform/framework/sip_panel.h"
#include "platform/framework/system_services.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/thread.h"
#include "platform/registry/registry.h"
#include "screens/mode_base.h"

int CCelvaneApp::ExitInstance() {
    if (!started_) {
        // A second instance (or a start that never got past the instance
        // check) leaves the running instance's state alone.
        instance_mutex_ = {};
        return kStartFailed;
    }
    // The frame goes first, as a close of the frame ends the program; a quit
    // that arrived while a dialog held the frame disabled left it standing.
    // The program is already ending: the frame posts no second quit.
    m_pMainWnd = nullptr;
    closing_ = true;
    // The current screen lets go of its popups first: they are child windows
    // that free themselves with the frame, and the screen would otherwise
    // hold their pointers until it is deleted.
    if (frame_ && plat::is_window(frame_)) {
        StopCurrentMode();
        frame_->DestroyWindow();
    }
    // 1. The screen to start on next time, and the history.
    SaveMode();
    // 2.
    plat::debug_printf("CCelvaneApp::ExitInstance +\n");
    // 3. Stop the screen.
    if (current_mode_) current_mode_->StopMeasurement();
    // 4. A pause for the board to settle, cut short when a signal asked the
    // program to end at once.
    end_requested_.wait(kExitPauseMs);
    // 5.
    if (!history_dumped_) DumpHistory();
    // 6.
    if (layout_saved_) plat::activate_keyboard_layout(saved_layout_);

    // The DSP link stops here, before the screens that own its listening
    // measurements go away, so that no late reply reaches a deleted one.
    if (dsp_) dsp_->Stop();

    // 7. Screens.
    current_mode_ = nullptr;
    setup_mode_ = nullptr;
    while (auto* screen = static_cast<CModeBase*>(modes_.GetHead(true))) {
        screen->OnClose();
        delete screen;
    }

    // The graph panel after the screens: their setups own the marker
    // records, which the graph only points to.
    graph_panel_.reset();

    // 8. Threads.
    if (spi_client_) spi_client_->Stop();
    CMeasurement::SetSleepEvents({}, {});
    if (serial_port_) serial_port_->Stop();
    if (usb_port_) usb_port_->Stop();
    if (alert_thread_) alert_thread_->Quit();
    alert_thread_.reset();
    spi_client_.reset();
    if (dispatcher_) dispatcher_->Stop();

    // 9. Libraries, events, task bar.
    language_.Free();
    bio_.close();
    battery_.reset();
    temperature_monitor_.reset();
    if (smart_io_) smart_io_->Unload();
    smart_io_.reset();
    battery_alarm_ = {};
    if (task_bar_ && plat::is_window(task_bar_)) task_bar_->show(plat::SW_SHOW);
    plat::sip_panel_close();

    // 10. Programs started from here.
    for (auto& record : launched_) {
        if (record.process) {
            record.process.terminate(0);
            record.process.close();
        }
    }
    frame_ = nullptr;
    frame_owner_.reset();
    plat::set_registry_save_observer({});
    IScreenServices::set_current(nullptr);
    IWidgetServices::set_current(nullptr);
    IDialogServices::set_current(nullptr);
    CNumericEdit::DeleteEditBrush();
    UnregisterAppFileServices();
    UnregisterAppPrintServices();
    // 11.
    end_requested_.wait(kExitPauseMs);
    const int code = CWinApp::ExitInstance();
    return start_ok_ ? code : kStartFailed;
}

bool CCelvaneApp::StopCurrentMode() {
    if (!current_mode_) return false;
    current_mode_->StopMeasurement();
    current_mode_->CancelEntry();
    return true;
}

void CCelvaneApp::RequestShutdown() {
    if (frame_ && plat::is_window(frame_)) frame_->PostMessage(plat::WM_CLOSE);
}

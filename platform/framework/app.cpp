#include "platform/framework/app.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/display/backend.h"
#include "platform/display/options.h"
#include "platform/framework/system_services.h"
#include "platform/framework/win_thread.h"
#include "platform/hardware/simulated_hardware.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/thread.h"
#include "platform/registry/registry.h"

namespace plat {

namespace {
std::atomic<CWinApp*> g_app{nullptr};

std::string program_name(const char* argv0) {
    return argv0 ? std::filesystem::path(argv0).filename().string() : std::string("program");
}

// The options a user got wrong are answered in one line on standard error:
// status 2 for an option, 1 for a device root that cannot serve.
std::optional<int> check_options(const DisplayOptions& o, const std::string& program) {
    if (o.help) {
        std::printf("usage: %s [options]\n%s", program.c_str(), display_options_help());
        return 0;
    }
    if (!o.rest.empty()) {
        std::fprintf(stderr, "%s: unknown option \"%s\" (--help lists the options)\n",
                     program.c_str(), o.rest.front().c_str());
        return 2;
    }
    std::error_code ec;
    if (!o.root.empty() && !std::filesystem::is_directory(o.root, ec)) {
        std::fprintf(stderr,
                     "%s: the device root \"%s\" does not exist (make run lays one out; "
                     "or name an existing folder)\n",
                     program.c_str(), o.root.c_str());
        return 2;
    }
    return std::nullopt;
}

bool root_writable() {
    std::error_code ec;
    const auto root = device_root();
    if (!std::filesystem::is_directory(root, ec)) std::filesystem::create_directories(root, ec);
    return ::access(root.c_str(), W_OK | X_OK) == 0;
}
}  // namespace

std::optional<std::vector<uint8_t>> CWinApp::GetProfileBinary(std::u16string_view section,
                                                              std::u16string_view entry) const {
    RegKey key;
    if (hkey_current_user().open(registry_key_ + u"\\" + std::u16string(section), key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return key.get_binary(entry);
}

bool CWinApp::WriteProfileBinary(std::u16string_view section, std::u16string_view entry,
                                 const std::vector<uint8_t>& data) const {
    RegKey key;
    if (hkey_current_user().create(registry_key_ + u"\\" + std::u16string(section), key) !=
        ERROR_SUCCESS)
        return false;
    return key.set_binary(entry, data) == ERROR_SUCCESS;
}

CWinApp::CWinApp() {
    g_app.store(this);
}

CWinApp::~CWinApp() {
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

CWinApp* CWinApp::Get() {
    return g_app.load();
}

bool CWinApp::InitInstance() {
    return true;
}

int CWinApp::ExitInstance() {
    return quit_code_;
}

bool CWinApp::OnIdle(long) {
    return false;
}

bool is_idle_message(const Message& msg) {
    return msg.message != WM_PAINT && msg.message != WM_TIMER && msg.message != WM_MOUSEMOVE;
}

bool CWinApp::PreTranslateMessage(const Message& msg) {
    Window* top = nullptr;
    if (pre_translate_to_ancestors(msg, &top)) return true;
    if (m_pMainWnd && top != m_pMainWnd && is_window(m_pMainWnd) && msg.window &&
        static_cast<Window*>(msg.window)->is_descendant_of(m_pMainWnd)) {
        return m_pMainWnd->PreTranslateMessage(msg);
    }
    return false;
}

bool CWinApp::PumpMessage() {
    return pump_one_message([this](const Message& m) { return PreTranslateMessage(m); },
                            quit_code_);
}

int CWinApp::Run() {
    run_idle_loop([this](long count) { return OnIdle(count); }, [this] { return PumpMessage(); });
    return ExitInstance();
}

int run_app(CWinApp& app) {
    ensure_message_queue();
    set_message_filter([&app](const Message& m) { return app.PreTranslateMessage(m); });
    int code;
    app.running_ = true;
    if (!app.InitInstance()) {
        code = app.ExitInstance();
    } else {
        code = app.Run();
    }
    app.running_ = false;
    set_message_filter(nullptr);
    return code;
}

int app_main(CWinApp& app, int argc, const char* const* argv) {
    const std::string program = program_name(argc > 0 ? argv[0] : nullptr);
    std::string error;
    auto options = parse_display_options(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "%s: %s (--help lists the options)\n", program.c_str(), error.c_str());
        return 2;
    }
    if (const auto done = check_options(*options, program)) return *done;
    apply_display_options(*options);
    // A file-size limit fails a write with EFBIG, which the program reports,
    // rather than ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!root_writable()) {
        std::fprintf(stderr, "%s: the device root \"%s\" cannot be written\n", program.c_str(),
                     device_root().c_str());
        return 1;
    }
    // A window asked for where no display is reachable would run unseen.
    if (options->display == DisplayKind::Sdl && !display_present()) {
        std::fprintf(stderr,
                     "%s: --display sdl: no display is reachable (DISPLAY and WAYLAND_DISPLAY "
                     "are unset); running headless, script on standard input\n",
                     program.c_str());
        options->display = DisplayKind::Headless;
        if (options->script.empty()) options->script = "-";
    }
    // Power-on: the hardware is plugged in before the program starts (with a
    // simulated world, the simulator's devices), and unplugged after it ended.
    hardware::SimulatedHardware simulated = hardware::SimulatedHardware::power_on();
    ensure_message_queue();
    set_input_thread(current_thread_id());
    TaskBarWindow task_bar;
    task_bar.create_bar();
    auto start_display = [&]() -> std::unique_ptr<DisplayBackend> {
        auto display = make_display(*options);
        if (!display) return nullptr;
        display->set_quit_handler([&app] {
            CWnd* main = app.m_pMainWnd;
            if (main && is_window(main) && main->is_enabled()) {
                post_message(main, WM_CLOSE, 0, 0);
            } else {
                post_thread_message(input_thread(), WM_QUIT, 0, 0);
            }
        });
        if (!display->start(current_thread_id())) return nullptr;
        return display;
    };
    auto display = start_display();
    if (!display && options->display == DisplayKind::Sdl) {
        std::fprintf(stderr,
                     "%s: --display sdl: the window could not open; running headless, script "
                     "on standard input\n",
                     program.c_str());
        options->display = DisplayKind::Headless;
        if (options->script.empty()) options->script = "-";
        display = start_display();
    }
    if (!display) {
        std::fprintf(stderr, "%s: the display could not start\n", program.c_str());
        return 2;
    }
    int code = run_app(app);
    display->stop();
    // A script with lines it could not carry out did not do what was asked.
    if (const int errors = display->input_errors(); errors > 0 && code == 0) {
        std::fprintf(stderr, "%s: %d script line%s could not be carried out\n", program.c_str(),
                     errors, errors == 1 ? "" : "s");
        code = kScriptErrorStatus;
    }
    return code;
}

}  // namespace plat

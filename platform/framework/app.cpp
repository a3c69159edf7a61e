#include "platform/framework/app.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/display/backend.h"
#include "platform/display/options.h"
#include "platform/display/signal_watcher.h"
#include "platform/framework/system_services.h"
#include "platform/framework/win_thread.h"
#include "platform/hardware/simulated_hardware.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/thread.h"
#include "platform/registry/registry.h"
#include "platform/window/message_loop.h"

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
        return 1;
    }
    // A script file that cannot be read is said here, before any display
    // starts, so that it is the one line the user sees.
    if (!o.script.empty() && o.script != "-" && ::access(o.script.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "%s: cannot read the script \"%s\"\n", program.c_str(),
                     o.script.c_str());
        return 2;
    }
    return std::nullopt;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Without --root (and without a root from the program that started this
// one) the program uses the device root `make run` lays out, laying it out
// first when it is missing, and says so in one line. False when the root
// could not be laid out (said in one line too).
bool choose_default_root(const DisplayOptions& o, const std::string& program) {
    const char* inherited = std::getenv(kDeviceRootVariable);
    if (!o.root.empty() || (inherited && *inherited)) return true;
    const std::filesystem::path root = CELVANE_DEFAULT_ROOT;
    set_device_root(root);
    std::error_code ec;
    if (std::filesystem::exists(root / "registry.factory", ec)) {
        std::fprintf(stderr, "%s: device root %s (no --root given)\n", program.c_str(),
                     root.c_str());
        return true;
    }
    const std::string cmd = quoted(CELVANE_IMAGE_BUILDER) + " " + quoted(CELVANE_PROGRAM_DIR) +
                            " " + quoted(root.string()) + " >/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr,
                     "%s: the device root %s could not be laid out (make run lays it out)\n",
                     program.c_str(), root.c_str());
        return false;
    }
    std::fprintf(stderr, "%s: device root %s, laid out now (no --root given)\n", program.c_str(),
                 root.c_str());
    return true;
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
    return pump_one_message(
        [this](const Message& m) {
            if (PreTranslateMessage(m)) return true;
            translate_message(m);
            try {
                dispatch_message(m);
            } catch (const std::exception& e) {
                ProcessWndProcException(e, m);
            }
            return true;
        },
        quit_code_);
}

intptr_t CWinApp::ProcessWndProcException(const std::exception& e, const Message& msg) {
    debug_printf("Exception in the window procedure (message 0x%04X): %s\n", msg.message, e.what());
    return 0;
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
    // An interrupt or termination signal ends the user's input: the program
    // then closes as its user would close it, through its normal exit. The
    // watcher blocks the signals before any thread starts.
    std::mutex display_lock;
    DisplayBackend* shown = nullptr;  // under display_lock
    bool signalled = false;           // under display_lock
    const SignalWatcher watcher([&] {
        app.OnEndRequested();
        const std::lock_guard lock(display_lock);
        signalled = true;
        if (shown) shown->end_input();
    });
    apply_display_options(*options);
    if (!choose_default_root(*options, program)) return 1;
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
    // Headless without a script: the user types it.
    if (options->display == DisplayKind::Headless && options->script.empty()) {
        options->script = "-";
        std::fprintf(stderr,
                     "%s: headless: reading the script from standard input (key F1, wait 500, "
                     "shot FILE, quit)\n",
                     program.c_str());
    }
    // A simulated world described with a mistake is refused before anything
    // starts: the user's edits would otherwise give way to the default world.
    if (const std::string problem = hardware::simulated_world_problem(); !problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), problem.c_str());
        return 2;
    }
    // Power-on: the hardware is plugged in before the program starts (with a
    // simulated world, the simulator's devices), and unplugged after it ended.
    hardware::SimulatedHardware simulated = hardware::SimulatedHardware::power_on();
    ensure_message_queue();
    set_input_thread(current_thread_id());
    TaskBarWindow task_bar;
    task_bar.create_bar();
    std::string sdl_failure;
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
        if (!display->start(current_thread_id())) {
            sdl_failure = display->start_failure();
            return nullptr;
        }
        return display;
    };
    auto display = start_display();
    if (!display && options->display == DisplayKind::Sdl) {
        std::fprintf(stderr,
                     "%s: --display sdl: no window opens (%s); running headless, script on "
                     "standard input\n",
                     program.c_str(), sdl_failure.c_str());
        options->display = DisplayKind::Headless;
        if (options->script.empty()) options->script = "-";
        display = start_display();
    }
    if (!display) {
        std::fprintf(stderr, "%s: the display could not start\n", program.c_str());
        return 2;
    }
    {
        const std::lock_guard lock(display_lock);
        shown = display.get();
        if (signalled) shown->end_input();
    }
    int code = run_app(app);
    {
        const std::lock_guard lock(display_lock);
        shown = nullptr;
    }
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

#pragma once
// CWinApp: the application object with its start routine, its message loop
// with idle processing and its exit routine; and the entry point that reads
// the common options, starts the display back end and runs the application.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/framework/wnd.h"

namespace plat {

class CWinApp {
  public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application object of the process (the most recently made one).
    static CWinApp* Get();

    // Start: false ends the program (the exit routine still runs).
    virtual bool InitInstance();
    // Exit: answers the program's exit code.
    virtual int ExitInstance();
    // The message loop: idle processing while the queue is empty, then one
    // message at a time until WM_QUIT; then ExitInstance.
    virtual int Run();
    // Idle work; `count` counts calls since the last message. True asks for
    // another call. The default asks for none.
    virtual bool OnIdle(long count);
    // An interrupt or termination signal asked the program to end; the
    // program is about to be asked to close. Runs on the signal's thread.
    virtual void OnEndRequested() {}
    // Offers a message to its window and that window's ancestors (each
    // CWnd::PreTranslateMessage), then to the main window's.
    virtual bool PreTranslateMessage(const Message& msg);
    // Takes and dispatches one message; false on WM_QUIT. An exception that
    // leaves a window procedure goes to ProcessWndProcException and the loop
    // goes on.
    virtual bool PumpMessage();
    // The exception that left a window procedure while it handled `msg`:
    // said in one line on the debugger output; answers the message's result.
    virtual intptr_t ProcessWndProcException(const std::exception& e, const Message& msg);

    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOW;

    // The application's profile: values in subkeys ("sections") of its key
    // below HKEY_CURRENT_USER (default "Application").
    void SetRegistryKey(std::u16string key) { registry_key_ = std::move(key); }
    const std::u16string& GetRegistryKey() const { return registry_key_; }
    std::optional<std::vector<uint8_t>> GetProfileBinary(std::u16string_view section,
                                                         std::u16string_view entry) const;
    bool WriteProfileBinary(std::u16string_view section, std::u16string_view entry,
                            const std::vector<uint8_t>& data) const;

    // The exit code WM_QUIT carried.
    int quit_code() const { return quit_code_; }
    // Whether run_app is running this application (destroying the main
    // window then ends the message loop).
    bool is_running() const { return running_; }

  private:
    friend int run_app(CWinApp& app);
    int quit_code_ = 0;
    bool running_ = false;
    std::u16string registry_key_ = u"Application";
};

// Installs the application's pre-translation on the calling thread, runs
// InitInstance and then Run, or ExitInstance alone after a failed start.
int run_app(CWinApp& app);

// The program entry: reads --display, --script, --root and --clock, powers
// the hardware on (the simulated hardware when the registry says the world is
// simulated), starts the chosen display back end with the calling thread as
// the user-interface thread, creates the task bar window and runs the
// application; powers the hardware off when it ended. Answers the
// exit code (2 for bad options).
int app_main(CWinApp& app, int argc, const char* const* argv);
// app_main's status when the program ended well but script lines failed.
inline constexpr int kScriptErrorStatus = 3;

// Whether a message counts as activity for idle processing.
bool is_idle_message(const Message& msg);

}  // namespace plat

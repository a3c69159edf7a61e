// The application framework driven end to end through the headless display:
// timers on virtual time, commands posted from another thread, keys to the
// focus window, modal dialogs and screenshots; plus the start and exit
// routines and the dialog manager's key rules.
#include "platform/framework/app.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/frame.h"
#include "platform/framework/system_services.h"
#include "platform/framework/win_thread.h"
#include "platform/gfx/tests/magick_pixel.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"

namespace plat {
namespace {

constexpr int kDialogId = 211;
constexpr COLORREF kViewColor = RGB(0, 96, 48);

void register_test_dialog() {
    DialogTemplate t;
    t.id = kDialogId;
    t.style = WS_CAPTION | DS_CENTER | DS_MODALFRAME;
    t.cx = 160;
    t.cy = 80;
    t.caption = u"Test";
    t.items = {
        {"STATIC", u"Hello", 100, SS_LEFT, 8, 8, 100, 12},
        {"BUTTON", u"Stop", 101, BS_GROUPBOX, 4, 24, 150, 50},
        {"BUTTON", u"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 40, 50, 16},
        {"BUTTON", u"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 70, 40, 50, 16},
    };
    register_dialog_template(t);
}

// Ends with the code its keys ask for; F3 gives 42. Enter and Escape do
// nothing by themselves.
class TestDialog : public CDialog {
  public:
    explicit TestDialog(CWnd* parent) : CDialog(kDialogId, parent) {}
    std::vector<uint32_t> keys;

  protected:
    bool PreTranslateMessage(const Message& m) override {
        if (m.message == WM_KEYUP && m.wparam == vk_function(3)) {
            EndDialog(42);
            return true;
        }
        if (m.message == WM_KEYDOWN) keys.push_back(static_cast<uint32_t>(m.wparam));
        return false;
    }
};

class View : public CWnd {
  public:
    struct Key {
        uint32_t vk;
        bool down;
        bool shift;
    };
    std::vector<Key> keys;
    std::vector<intptr_t> commands;
    std::vector<uint32_t> command_threads;
    std::vector<uint64_t> timer_times;
    std::vector<intptr_t> dialog_results;
    std::vector<int> wheel;
    std::vector<Point> clicks;
    uint64_t timer_set_at = 0;

  protected:
    int OnCreate(const CreateParams*) override {
        timer_set_at = now_ms();
        SetTimer(1, 1000);
        return 0;
    }
    void OnPaint() override {
        CPaintDC dc(this);
        dc->fill_rect(GetClientRect(), kViewColor);
    }
    void OnTimer(uintptr_t id) override {
        if (id == 1) {
            KillTimer(1);
            timer_times.push_back(now_ms());
        }
    }
    void OnKeyDown(uint32_t key, uint32_t, uint32_t) override {
        if (key == vk_function(2)) throw std::runtime_error("F2 refused");
        keys.push_back({key, true, get_key_state(VK_SHIFT) < 0});
        if (key == VK_F1) {
            TestDialog dlg(this);
            dialog_results.push_back(dlg.DoModal());
        }
    }
    void OnKeyUp(uint32_t key, uint32_t, uint32_t) override {
        keys.push_back({key, false, get_key_state(VK_SHIFT) < 0});
    }
    bool OnMouseWheel(uint32_t, int delta, Point) override {
        wheel.push_back(delta);
        return true;
    }
    void OnLButtonDown(uint32_t, Point p) override { clicks.push_back(p); }
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override {
        if (loword(wparam) == 32810) {
            commands.push_back(lparam);
            command_threads.push_back(current_thread_id());
            return true;
        }
        return CWnd::OnCommand(wparam, lparam);
    }
};

class MainFrame : public CFrameWnd {
  public:
    View view;

  protected:
    int OnCreate(const CreateParams*) override {
        SetWindowText(u"Tarnwick");
        if (!view.Create("View", u"", WS_CHILD | WS_VISIBLE, GetClientRect(), this,
                         AFX_IDW_PANE_FIRST)) {
            return -1;
        }
        return 0;
    }
};

class TestApp : public CWinApp {
  public:
    MainFrame frame;
    int idle_calls = 0;
    bool exited = false;
    Thread poster;
    int payload[3] = {};

    bool InitInstance() override {
        if (!frame.LoadFrame(129)) return false;
        m_pMainWnd = &frame;
        frame.ShowWindow(m_nCmdShow);
        frame.UpdateWindow();
        frame.view.SetFocus();
        CFrameWnd* target = &frame;
        int* data = payload;
        poster = Thread::start([target, data] {
            for (int i = 0; i < 3; ++i) {
                post_message(target, WM_COMMAND, 32810, reinterpret_cast<intptr_t>(&data[i]));
            }
            return 0u;
        });
        return true;
    }
    bool OnIdle(long count) override {
        ++idle_calls;
        return count < 1;
    }
    int ExitInstance() override {
        exited = true;
        poster.join();
        return 5;
    }
    std::vector<std::string> exceptions;
    intptr_t ProcessWndProcException(const std::exception& e, const Message& msg) override {
        exceptions.push_back(std::string(e.what()) + " " + std::to_string(msg.message));
        return CWinApp::ProcessWndProcException(e, msg);
    }
};

class ScriptedSession : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("celvane-app-" + std::to_string(current_thread_id()));
        std::filesystem::create_directories(dir_);
        register_test_dialog();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    int run(TestApp& app, const std::string& script) {
        const auto file = dir_ / "session.txt";
        std::ofstream(file) << script;
        const std::string f = file.string(), root = (dir_ / "root").string();
        std::filesystem::create_directories(root);  // a device root must exist
        const char* argv[] = {"prog",    "--display", "headless",  "--script",
                              f.c_str(), "--root",    root.c_str()};
        return app_main(app, 7, argv);
    }
    std::filesystem::path dir_;
};

// An exception out of a window procedure reaches the application's handler
// with its message, and the loop takes the next key.
TEST_F(ScriptedSession, AnExceptionOfAWindowProcedureGoesToTheApplication) {
    TestApp app;
    EXPECT_EQ(run(app, "wait 10\nkey F2\nkey F5\nquit\n"), 5);
    EXPECT_EQ(app.exceptions,
              (std::vector<std::string>{"F2 refused " + std::to_string(WM_KEYDOWN)}));
    ASSERT_FALSE(app.frame.view.keys.empty());
    EXPECT_EQ(app.frame.view.keys.back().vk, vk_function(5));
}

TEST_F(ScriptedSession, TimersCommandsKeysDialogsAndShots) {
    TestApp app;
    // Where the dialog's OK button lies on the screen.
    const Font font = Font::create_point(80, u"Tahoma");
    const Size base = dialog_base_units(font);
    const Rect dlg = map_dialog_rect({0, 0, 160, 80}, base);
    const int dlg_left = (kScreenWidth - dlg.width()) / 2;
    const int dlg_top = (kScreenHeight - dlg.height() - kCaptionHeight) / 2;
    const Rect ok = map_dialog_rect({10, 40, 60, 56}, base);
    const int ok_x = dlg_left + ok.left + ok.width() / 2;
    const int ok_y = dlg_top + kCaptionHeight + ok.top + ok.height() / 2;

    const auto shot1 = dir_ / "dialog.png";
    const auto shot2 = dir_ / "after.png";
    const std::string script =
        "wait 999\n"
        "key F5\n"
        "key shift+F3\n"
        "wait 1\n"
        "key F1            # opens the dialog\n"
        "key RETURN        # does not end it\n"
        "key ESCAPE\n"
        "shot " +
        shot1.string() +
        "\n"
        "key F3            # ends it with 42\n"
        "key F1\n"
        "click " +
        std::to_string(ok_x) + " " + std::to_string(ok_y) +
        "\n"
        "wheel -2\n"
        "click 10 20\n"
        "shot " +
        shot2.string() +
        "\n"
        "quit\n";
    EXPECT_EQ(run(app, script), 5);
    EXPECT_TRUE(app.exited);
    View& v = app.frame.view;

    ASSERT_EQ(v.timer_times.size(), 1u);
    EXPECT_EQ(v.timer_times[0] - v.timer_set_at, 1000u) << "the timer fires at its virtual time";

    ASSERT_EQ(v.commands.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v.commands[i], reinterpret_cast<intptr_t>(&app.payload[i]));
        EXPECT_EQ(v.command_threads[i], current_thread_id());
    }

    // F5, Shift+F3 reach the view; the dialog's keys do not.
    ASSERT_GE(v.keys.size(), 5u);
    EXPECT_EQ(v.keys[0].vk, vk_function(5));
    EXPECT_TRUE(v.keys[0].down);
    EXPECT_EQ(v.keys[2].vk, vk_function(3));
    EXPECT_TRUE(v.keys[2].shift);
    EXPECT_EQ(v.keys[4].vk, VK_F1);
    for (const auto& k : v.keys) EXPECT_NE(k.vk, VK_RETURN);

    EXPECT_EQ(v.dialog_results, (std::vector<intptr_t>{42, IDOK}));
    EXPECT_EQ(v.wheel, (std::vector<int>{-WHEEL_DELTA, -WHEEL_DELTA}));
    ASSERT_EQ(v.clicks.size(), 1u) << "the click on the dialog's button stays in the dialog";
    EXPECT_EQ(v.clicks[0], (Point{10, 20}));
    EXPECT_GT(app.idle_calls, 0);

    // The shot shows the view around the dialog and the dialog's face.
    char view_hex[8];
    std::snprintf(view_hex, sizeof view_hex, "#%02X%02X%02X", GetRValue(kViewColor),
                  GetGValue(kViewColor), GetBValue(kViewColor));
    char caption_hex[8];
    std::snprintf(caption_hex, sizeof caption_hex, "#%02X%02X%02X",
                  GetRValue(CDialog::kCaptionColor), GetGValue(CDialog::kCaptionColor),
                  GetBValue(CDialog::kCaptionColor));
    EXPECT_EQ(magick_pixel(shot1, 5, 5), view_hex);
    EXPECT_EQ(magick_pixel(shot1, dlg_left + 2, dlg_top + 2), caption_hex);
    EXPECT_NE(magick_pixel(shot1, dlg_left + 2, dlg_top + kCaptionHeight + 2), view_hex);
    // After the dialog the view shows again where it was.
    EXPECT_EQ(magick_pixel(shot2, dlg_left + 2, dlg_top + kCaptionHeight + 2), view_hex);
}

TEST(Application, ExitRoutineRunsAfterAFailedStart) {
    struct Failing : CWinApp {
        bool exited = false;
        bool InitInstance() override { return false; }
        int ExitInstance() override {
            exited = true;
            return 3;
        }
    } app;
    EXPECT_EQ(run_app(app), 3);
    EXPECT_TRUE(app.exited);
}

TEST(Application, BadOptionsEndTheProgram) {
    CWinApp app;
    const char* argv[] = {"prog", "--display", "vga"};
    EXPECT_EQ(app_main(app, 3, argv), 2);
}

TEST(Dialogs, EnterAndEscapeAreOnlyKeys) {
    register_test_dialog();
    struct Quiet : CDialog {
        Quiet() : CDialog(kDialogId) {}
        std::vector<uint32_t> seen;
        bool OnInitDialog() override {
            PostMessage(WM_USER + 5);
            return true;
        }
        intptr_t WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
            if (msg == WM_USER + 5) EndDialog(7);
            return CDialog::WindowProc(msg, wp, lp);
        }
        bool PreTranslateMessage(const Message& m) override {
            if (m.message == WM_KEYDOWN || m.message == WM_KEYUP) seen.push_back(m.message);
            return false;
        }
    } dlg;
    ensure_message_queue();
    set_input_thread(current_thread_id());
    for (uint32_t vk : {VK_RETURN, VK_ESCAPE}) {
        post_key_input(vk, true);
        post_key_input(vk, false);
    }
    // The keys are queued before the dialog exists and reach it once it has
    // the focus; it ends only through its own message.
    set_message_filter([](const Message& m) {
        for (Window* w = static_cast<Window*>(m.window); w && is_window(w); w = w->parent()) {
            if (CWnd* c = CWnd::FromHandle(w); c && c->PreTranslateMessage(m)) return true;
        }
        return false;
    });
    EXPECT_EQ(dlg.DoModal(), 7);
    set_message_filter(nullptr);
    EXPECT_EQ(dlg.seen.size(), 4u);
}

TEST(Dialogs, FocusMovesAmongTabStopsAndModelessDialogsStay) {
    register_test_dialog();
    CDialog dlg(kDialogId);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    CWnd* ok = dlg.GetDlgItem(IDOK);
    CWnd* cancel = dlg.GetDlgItem(IDCANCEL);
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(CWnd::GetFocus(), ok);
    dlg.NextDlgCtrl();
    EXPECT_EQ(CWnd::GetFocus(), cancel);
    dlg.NextDlgCtrl();
    EXPECT_EQ(CWnd::GetFocus(), ok) << "focus wraps";
    dlg.PrevDlgCtrl();
    EXPECT_EQ(CWnd::GetFocus(), cancel);
    static_cast<CButton*>(cancel)->Click();
    EXPECT_FALSE(dlg.exists()) << "Cancel ends a modeless dialog by destroying it";
}

TEST(Dialogs, AChildDialogKeepsItsClientSizeInsideItsParent) {
    register_test_dialog();
    DialogTemplate t = *find_dialog_template(kDialogId);
    t.id = kDialogId + 1;
    t.style = WS_CHILD | WS_CAPTION;
    t.x = 20;
    t.y = 10;
    register_dialog_template(t);
    CWnd parent;
    ASSERT_TRUE(parent.Create("Parent", u"", WS_VISIBLE, Rect{100, 50, 700, 550}, nullptr, 0));
    CDialog top(kDialogId), child(kDialogId + 1, &parent);
    ASSERT_TRUE(top.Create());
    ASSERT_TRUE(child.Create(kDialogId + 1, &parent));
    // Both templates ask for one client size; the caption comes on top of it.
    EXPECT_EQ(child.client_rect(), top.client_rect());
    EXPECT_EQ(child.rect().height(), top.rect().height());
    EXPECT_GT(child.rect().left, 0);
    EXPECT_LT(child.rect().left, 100) << "placed in the parent's client coordinates";
    child.DestroyWindow();
    top.DestroyWindow();
    parent.DestroyWindow();
}

// A user-interface thread: nothing runs before its resume; a thread message
// reaches its pre-translation on its own thread; idle processing follows the
// message; WM_QUIT ends the loop and its exit runs there.
TEST(WinThread, RunsItsOwnLoopFromResumeToQuit) {
    struct Probe : CWinThread {
        std::atomic<int> inits{0}, exits{0}, idles{0};
        std::atomic<uint32_t> seen_on{0};
        Event got{true, false}, idle_after_message{true, false};
        bool InitInstance() override {
            ++inits;
            return true;
        }
        bool OnIdle(long count) override {
            if (count == 0) ++idles;
            if (seen_on != 0) idle_after_message.set();
            return false;
        }
        bool PreTranslateMessage(const Message& m) override {
            if (m.message != 32831) return CWinThread::PreTranslateMessage(m);
            seen_on = current_thread_id();
            got.set();
            return true;
        }
        int ExitInstance() override {
            ++exits;
            return 7;
        }
    };
    Probe t;
    ASSERT_TRUE(t.CreateThread(true));
    EXPECT_FALSE(t.CreateThread(true)) << "one thread an object";
    EXPECT_FALSE(t.PostThreadMessage(32831, 0, 0)) << "no queue before it runs";
    EXPECT_EQ(t.inits, 0);
    t.ResumeThread();
    while (!t.PostThreadMessage(32831, 0, 0)) std::this_thread::yield();
    ASSERT_TRUE(t.got.wait(INFINITE));
    EXPECT_EQ(t.seen_on, t.thread_id());
    EXPECT_NE(t.thread_id(), current_thread_id());
    // Idle processing comes once the queue is empty again; a quit posted
    // before that would legitimately skip it.
    ASSERT_TRUE(t.idle_after_message.wait(INFINITE));
    ASSERT_TRUE(t.Quit());
    EXPECT_EQ(t.inits, 1);
    EXPECT_EQ(t.exits, 1);
    EXPECT_GE(t.idles, 1);
    EXPECT_EQ(t.thread().exit_code(), 7u);

    Probe never;  // ended without ever being resumed: InitInstance still runs first
    ASSERT_TRUE(never.CreateThread(true));
    ASSERT_TRUE(never.Quit());
    EXPECT_EQ(never.exits, 1);
}

TEST(SystemServices, StubsRecordTheirCalls) {
    reset_system_service_calls();
    EXPECT_EQ(get_keyboard_layout_list(15).size(), 1u);
    EXPECT_EQ(activate_keyboard_layout(0x04090409), 0x04090409u);
    system_idle_timer_reset();
    EXPECT_EQ(ext_escape_query(6149), 1);
    EXPECT_EQ(ext_escape_query(6301), 0);
    message_beep(MB_ICONEXCLAMATION);
    const auto c = system_service_calls();
    EXPECT_EQ(c.layout_activations, 1);
    EXPECT_EQ(c.idle_timer_resets, 1);
    EXPECT_EQ(c.escape_queries, (std::vector<int>{6149, 6301}));
    EXPECT_EQ(c.beeps, (std::vector<uint32_t>{MB_ICONEXCLAMATION}));
    EXPECT_EQ(sip_status(), SIP_STATUS_AVAILABLE);
    EXPECT_FALSE(sip_get_info(nullptr));

    TaskBarWindow bar;
    ASSERT_TRUE(bar.create_bar());
    Window* found = find_window("HHTaskBar");
    ASSERT_EQ(found, &bar);
    found->show(SW_HIDE);
    found->show(SW_SHOW);
    EXPECT_EQ(bar.hides(), 1);
    EXPECT_EQ(bar.shows(), 1);
}

}  // namespace
}  // namespace plat

// The frame and the view route keys, wheel steps, timers and commands to the
// current screen and the application, in a real run on the headless display.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "core/app_commands.h"
#include "core/res_string.h"
#include "platform/framework/system_services.h"

using namespace app_test;

namespace {

TEST(Routing, ShiftedFunctionKeysNestedKeysAndKeysPostedToTheFrame) {
    DeviceRoot root("celvane-keys");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(kScreenNetworkAnalyzer);
    app.initial = screen;
    screen->onKey = [&](uint32_t key, int pressed) {
        // Shift+F5 arrives as F17; while it is handled another key comes in.
        if (key == 128 && pressed)
            app.GetMainFrame()->view().SendMessage(plat::WM_KEYDOWN, plat::vk_function(2), 1);
    };
    screen->probes[plat::VK_F1] = [&] {
        // A key posted to the frame reaches the screen; a release whose press
        // the view never saw does not.
        app.GetMainFrame()->PostMessage(plat::WM_KEYDOWN, plat::vk_function(4), 1);
        app.GetMainFrame()->PostMessage(plat::WM_KEYUP, plat::vk_function(4), 1);
        app.GetMainFrame()->view().PostMessage(plat::WM_KEYUP, plat::vk_function(6), 1);
    };
    ASSERT_EQ(RunScript(app, root, "key shift+F12\nkey shift+F5\nkey F1\nwait 10\nquit\n"), 0);

    std::vector<std::string> keys;
    for (const auto& e : log->entries)
        if (e.rfind("screen1 key", 0) == 0 || e.rfind("screen1 nested", 0) == 0) keys.push_back(e);
    const std::vector<std::string> expected = {
        "screen1 key 135 1", "screen1 key 135 0",     // Shift+F12 is F24
        "screen1 key 128 1", "screen1 nested 113 1",  // the nested key as it came
        "screen1 key 128 0", "screen1 key 112 1",
        "screen1 key 112 0", "screen1 key 115 1",  // F4 through the frame
        "screen1 key 115 0",
    };
    EXPECT_EQ(keys, expected);
}

TEST(Routing, WheelTimersOnTheSpectrumScreenAndTheFrameTimersOfTheScreens) {
    DeviceRoot root("celvane-wheel");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* spectrum = app.AddScreen(kScreenSpectrumAnalyzer);
    RecordingScreen* vna = app.AddScreen(kScreenNetworkAnalyzer);
    spectrum->selectedSoftKey = 3;
    vna->selectedSoftKey = 3;
    app.initial = spectrum;
    spectrum->probes[plat::VK_F1] = [&] {
        app.SwitchToMode(vna);
        // Reply guards set on the frame and on the view.
        app.GetMainFrame()->SetTimer(7, 20000);
        app.GetMainFrame()->view().SetTimer(8, 20000);
    };
    ASSERT_EQ(
        RunScript(app, root, "wheel 1\nwait 1500\nkey F1\nwheel -1\nwait 1500\nwait 40000\nquit\n"),
        0);

    EXPECT_TRUE(log->has("screen2 wheel 120"));
    EXPECT_FALSE(log->has("screen2 commit 3")) << "no wheel commit on the spectrum screen";
    EXPECT_TRUE(log->has("screen1 wheel -120"));
    int commits = 0, bias = 0, cal = 0;
    for (const auto& e : log->entries) {
        commits += e == "screen1 commit 3";
        bias += e == "screen1 ShowBiasTeeMessage";
        cal += e == "screen1 OnCalTransferFailed";
    }
    EXPECT_EQ(commits, 1) << "the wheel selection is committed once, a second after the step";
    EXPECT_EQ(bias, 1) << "frame timer 7 reaches the view once";
    EXPECT_EQ(cal, 1);
}

// Records the application's side of the command table.
class CommandApp : public TestApp {
  public:
    using TestApp::TestApp;
    bool armed = false;

    void rec(const std::string& s) {
        if (armed) log->add("app " + s);
    }
    void StoreSetting(uint32_t id, intptr_t v) override {
        rec("StoreSetting " + std::to_string(id) + " " + std::to_string(v));
    }
    void ApplyContrast(uint32_t v) override { rec("ApplyContrast " + std::to_string(v)); }
    bool LoadLanguage(int32_t id) override {
        rec("LoadLanguage " + std::to_string(id));
        return id == kLanguageEnglish;
    }
    void BioRequest(int32_t a, int32_t b) override {
        rec("BioRequest " + std::to_string(a) + " " + std::to_string(b));
    }
    void SwitchToMode(CModeBase* s) override {
        if (!armed) return TestApp::SwitchToMode(s);
        rec("SwitchToMode " + std::to_string(reinterpret_cast<intptr_t>(s)));
    }
    bool ShowListFile(uint32_t c, intptr_t o) override {
        rec("ShowListFile " + std::to_string(c) + " " + std::to_string(o));
        return true;
    }
    void RecallSetupItem(CSortedItem* i) override {
        rec("RecallSetupItem " + std::to_string(reinterpret_cast<intptr_t>(i)));
    }
    bool LaunchProgram(uint32_t c) override {
        rec("LaunchProgram " + std::to_string(c));
        return true;
    }
    void ShowTools() override { rec("ShowTools"); }
    void ShowSetupScreen() override { rec("ShowSetupScreen"); }
    void ShowModeSelect() override { rec("ShowModeSelect"); }
    bool ActivateForMeasurement(CMeasurement* m) override {
        rec("ActivateForMeasurement " + std::to_string(reinterpret_cast<intptr_t>(m)));
        return true;
    }
    void SwitchToModeNoStart(CModeBase* s) override {
        rec("SwitchToModeNoStart " + std::to_string(reinterpret_cast<intptr_t>(s)));
    }
};

TEST(Routing, EveryApplicationCommandMakesItsCall) {
    DeviceRoot root("celvane-commands");
    auto log = std::make_shared<Log>();
    CommandApp app(log);
    RecordingScreen* power = app.AddScreen(kScreenPowerMeter);
    app.initial = power;
    power->probes[plat::VK_F1] = [&] {
        app.armed = true;
        log->add("begin");
        // The two records are owned by their receivers: none is posted here;
        // the texts of the panes go with their commands.
        auto text = [](const char16_t* t) { return std::make_unique<core::Text>(t); };
        for (uint32_t id = 32804; id <= 32848; ++id) {
            plat::CWnd* frame = app.GetMainFrame();
            if (id == kCmdPane1)
                PostCommandObject<kCmdPane1>(frame, text(u"one"));
            else if (id == kCmdPane2)
                PostCommandObject<kCmdPane2>(frame, text(u"two"));
            else if (id == kCmdPane0)
                PostCommandObject<kCmdPane0>(frame, text(u"zero"));
            else if (id == kCmdReadout)
                PostCommandObject<kCmdReadout>(frame, text(u"help"));
            else
                frame->PostMessage(plat::WM_COMMAND, id, (id == 32824 || id == 32829) ? 0 : 7);
        }
        app.GetMainFrame()->PostMessage(plat::WM_COMMAND, 32849, 7);  // outside the table
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nwait 10\nquit\n"), 0);

    const std::vector<std::string> expected = {
        "screen3 ReloadTexts",
        "app StoreSetting 32804 0",  // 32804
        "app ApplyContrast 7",
        "app StoreSetting 32805 7",  // 32805
        "app LoadLanguage 7",        // 32806 (fails)
        "app BioRequest 7 0",        // 32807
        "screen3 ShowPage 7",
        "screen3 OnCommand32809 7",  // 32808, 32809
        "app SwitchToMode 7",
        "app StoreSetting 32811 7",  // 32810, 32811
        "app ShowListFile 32816 7",  // 32816
        "screen3 OnCommand3281x 1 one",
        "screen3 OnCommand3281x 2 two",  // 32817, 32818
        "screen3 OnCommand3281x 0 zero",
        "app RecallSetupItem 7",  // 32819, 32820
        "screen3 RefreshPane 7",
        "app ShowListFile 32823 7",  // 32821, 32823
        "screen3 OnCommandRecord 0",
        "screen3 OnCommand32825 7",  // 32824, 32825
        "app LaunchProgram 7",
        "screen3 OnBufferPair 0",  // 32828, 32829
        "app ShowTools",
        "screen3 OnCommand32833 1 help",  // 32832, 32833
        "app ShowListFile 32834 7",
        "app ShowSetupScreen",  // 32834, 32835
        "screen3 ClosePopup",
        "screen3 OnTraceFilesChanged 7",  // 32837, 32838
        "app ActivateForMeasurement 7",
        "app SwitchToModeNoStart 7",  // 32839, 32840
        "screen3 PostKeyEvent 32841 0",
        "screen3 PostKeyEvent 32844 0",  // 32841, 32844
        "screen3 PostKeyEvent 32845 0",
        "app ShowModeSelect",  // 32845, 32846
        "app ShowSetupScreen",
        "app ShowListFile 32848 7",  // 32847, 32848
    };
    std::vector<std::string> seen;
    bool on = false;
    for (const auto& e : log->entries) {
        if (e == "begin")
            on = true;
        else if (e == "screen3 StopMeasurement")
            break;  // the close
        else if (on && (e.rfind("app ", 0) == 0 ||
                        (e.rfind("screen3 ", 0) == 0 && e.rfind("screen3 key", 0) != 0 &&
                         e != "screen3 StopMeasurement" && e != "screen3 CancelEntry" &&
                         e != "screen3 OnClose")))
            seen.push_back(e);
    }
    EXPECT_EQ(seen, expected);
}

TEST(Routing, AnExceptionInACommandShowsTheErrorMessageAndTheViewGetsTheFocusBack) {
    DeviceRoot root("celvane-exception");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(kScreenNetworkAnalyzer);
    screen->throwInReloadTexts = true;
    app.initial = screen;
    std::vector<std::u16string> shown;
    SetMessageBoxObserver([&](const std::u16string& text, uint32_t) { shown.push_back(text); });
    bool focusOnView = false;
    screen->probes[plat::VK_F1] = [&] {
        app.GetMainFrame()->PostMessage(plat::WM_COMMAND, 32804, 0);
    };
    screen->probes[plat::vk_function(2)] = [&] {
        focusOnView = plat::CWnd::GetFocus() == &app.GetMainFrame()->view();
    };
    const int code = RunScript(app, root, "key F1\nwait 10\nkey RETURN\nkey F2\nquit\n");
    SetMessageBoxObserver(nullptr);
    ASSERT_EQ(code, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], LoadResString(64250));
    EXPECT_TRUE(focusOnView);
    EXPECT_FALSE(log->has("screen1 key 13 0")) << "the box's Enter is not the screen's";
}

TEST(MessageBox, ButtonSetsAndAnswers) {
    // Button sets other than OK and Yes/No answer "cancel" without a box.
    std::vector<std::u16string> shown;
    SetMessageBoxObserver([&](const std::u16string& text, uint32_t) { shown.push_back(text); });
    EXPECT_EQ(ShowMessage(u"x", MB_OKCANCEL), plat::IDCANCEL);
    EXPECT_EQ(ShowMessage(u"x", MB_YESNOCANCEL), plat::IDCANCEL);
    EXPECT_TRUE(shown.empty());

    DeviceRoot root("celvane-box");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(kScreenNetworkAnalyzer);
    app.initial = screen;
    std::vector<int> answers;
    screen->probes[plat::VK_F1] = [&] { answers.push_back(ShowMessage(u"Delete?", MB_YESNO)); };
    screen->probes[plat::vk_function(2)] = [&] {
        answers.push_back(ShowMessage(u"Delete?", MB_YESNO));
    };
    screen->probes[plat::vk_function(3)] = [&] {
        answers.push_back(ShowMessage(u"Saved.", MB_OK));
    };
    screen->probes[plat::vk_function(4)] = [&] {
        answers.push_back(ShowMessageById(894, MB_YESNO));
    };
    const int code = RunScript(app, root,
                               "key F1\nkey RETURN\n"             // Yes has the focus
                               "key F2\nkey RIGHT\nkey RETURN\n"  // No
                               "key F3\nkey ESCAPE\n"             // Escape on OK: cancel
                               "key F4\nkey ESCAPE\n"             // Escape on Yes/No: No
                               "quit\n");
    SetMessageBoxObserver(nullptr);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(answers, (std::vector<int>{plat::IDYES, plat::IDNO, plat::IDCANCEL, plat::IDNO}));
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[3], LoadResString(894));
}

}  // namespace

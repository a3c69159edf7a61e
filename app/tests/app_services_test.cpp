// The application's own services in a real run: settings that survive a
// restart, storage figures, contrast bounds, folders, the mode file and the
// screen switches.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/tests/app_test_support.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/sorted_item_list.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"
#include "platform/window/message_loop.h"

using namespace app_test;

namespace {

TEST(Settings, ColourSchemeAndContrastSurviveARestart) {
    DeviceRoot root("celvane-persist");
    {
        TestApp app(std::make_shared<Log>());
        app.initial = app.AddScreen(kScreenNetworkAnalyzer);
        app.initial->probes[plat::VK_F1] = [&] {
            app.SetColorSchemeNumber(3);
            app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32804, 0);
            app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32805, 40);
        };
        ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    }
    {
        TestApp app(std::make_shared<Log>());
        EXPECT_EQ(RunScript(app, root, "quit\n"), 0);
        EXPECT_EQ(app.GetColorSchemeNumber(), 3u);
        EXPECT_EQ(app.GetSettings()->Contrast, 40u);
        // The custom scheme keeps its colours.
        CColorScheme* scheme = app.GetColorScheme();
        ASSERT_NE(scheme, nullptr);
        app.SetColorSchemeNumber(5);
        EXPECT_EQ(app.GetColorScheme(), scheme) << "the widgets' scheme object stays";
        EXPECT_EQ(scheme->GetName(), u"Custom Display");
        scheme->SetColor(0, 0x123456);
        scheme->SetColor(47, 0xABCDEF);
        app.StoreSetting(32804, 0);
    }
    {
        TestApp app(std::make_shared<Log>());
        EXPECT_EQ(RunScript(app, root, "quit\n"), 0);
        EXPECT_EQ(app.GetColorSchemeNumber(), 5u);
        EXPECT_EQ(app.GetColorScheme()->GetColor(0), 0x123456u);
        EXPECT_EQ(app.GetColorScheme()->GetColor(47), 0xABCDEFu);
        EXPECT_EQ(app.GetColorScheme()->GetColor(1), 0xFFFFFFu) << "the scheme's own table";
        EXPECT_EQ(app.GetSettings()->Contrast, 40u);
    }
}

TEST(Services, StorageContrastFoldersAndClock) {
    DeviceRoot root("celvane-services");
    std::filesystem::create_directories(root.path() / "FlashFX Disk" / "My Lists");
    TestApp app(std::make_shared<Log>());
    uint64_t total0 = 0, free0 = 0, totalPath = 0, freePath = 0, totalMem = 0;
    uint64_t capacity = 0;
    bool foldersOk = false;
    uint32_t contrastLow = 99, contrastHigh = 0;
    plat::SystemTime clock{};
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    app.initial->probes[plat::VK_F1] = [&] {
        free0 = app.GetStorageInfo(CCelvaneApp::kFlashVolume, &total0);
        freePath = app.GetStorageInfoForPath(u"\\flashfx DISK\\My Setups\\a.stp", &totalPath);
        app.GetStorageInfoForPath(u"\\Temp\\x", &totalMem);
        capacity = std::filesystem::space(root.path() / "FlashFX Disk").capacity;
        app.GetSettings()->Contrast = 3;
        app.ContrastDown(10);
        contrastLow = app.GetSettings()->Contrast;
        app.ContrastUp(250);
        contrastHigh = app.GetSettings()->Contrast;
        foldersOk = app.CreateFolders();  // all four exist by now
        clock = plat::local_time();
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);

    // 64-bit figures of the host volume (well over 4 GiB on any build host).
    EXPECT_EQ(total0, capacity);
    EXPECT_GT(free0, 0u);
    EXPECT_EQ(totalPath, total0) << "the volume name matches without regard to case";
    EXPECT_NE(totalMem, total0) << "other paths report memory";
    EXPECT_EQ(contrastLow, 0u);
    EXPECT_EQ(contrastHigh, 100u);
    EXPECT_TRUE(foldersOk);
    for (const char* f : {"My Traces", "My Pictures", "My Setups", "My Lists"})
        EXPECT_TRUE(root.Exists(std::filesystem::path("FlashFX Disk") / f)) << f;
    // The clock is never set back to the build date.
    EXPECT_GE(clock.year, 2024);
}

TEST(Services, MonthNames) {
    const struct {
        const char16_t* text;
        int month;
    } cases[] = {{u"Mar 14 2013", 3}, {u"dec", 12}, {u"JAN", 1}, {u"Xyz", 1}, {u"Ma", 1}};
    for (const auto& c : cases) EXPECT_EQ(CCelvaneApp::MonthFromName(c.text), c.month);
}

class Item : public CSortedItem {
  public:
    explicit Item(uint32_t mode) : mode_(mode) {}
    uint32_t GetModeId() const override { return mode_; }
    core::Text GetName() const override { return u"item"; }

  private:
    uint32_t mode_;
};

TEST(Screens, SwitchesAndARecallWithoutScreenOrMeasurementChangeNothing) {
    DeviceRoot root("celvane-switch");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* vna = app.AddScreen(kScreenNetworkAnalyzer);
    RecordingScreen* tools = app.AddScreen(kScreenTools);
    RecordingScreen* setup = app.AddScreen(kScreenSetup);
    app.initial = vna;
    CModeBase* afterRecall = nullptr;
    CModeBase* afterTools = nullptr;
    CModeBase* afterSetup = nullptr;
    vna->probes[plat::VK_F1] = [&] {
        Item spectrum(2), network(1);
        app.RecallSetupItem(&spectrum);  // no spectrum screen
        app.RecallSetupItem(&network);   // the screen has no measurement for it
        afterRecall = app.GetCurrentMode();
        app.SetLastMeasurementModeId(1);  // as the network analyzer records itself
        app.ShowTools();
        afterTools = app.GetCurrentMode();
    };
    tools->probes[plat::vk_function(2)] = [&] {
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32835, 0);
        afterSetup = app.GetCurrentMode();
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nkey F2\nquit\n"), 0);
    EXPECT_EQ(afterRecall, vna);
    EXPECT_EQ(afterTools, tools);
    EXPECT_EQ(afterSetup, setup);
    // Each switch leaves the old screen first; the last one is stopped at
    // close; every screen is closed at exit.
    EXPECT_TRUE(log->has("screen1 CancelEntry"));
    EXPECT_TRUE(log->has("screen4 OnActivate"));
    EXPECT_TRUE(log->has("screen4 CancelEntry"));
    EXPECT_TRUE(log->has("screen5 StopMeasurement"));
    for (int id : {1, 4, 5}) EXPECT_TRUE(log->has("screen" + std::to_string(id) + " OnClose"));
    // The setup screen was entered from the tools, which came from the
    // network analyzer: mode.txt keeps the last measurement screen.
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), "1");
}

TEST(Screens, ModeFileThatCannotBeWrittenIsSkipped) {
    DeviceRoot root("celvane-nomode");
    std::filesystem::create_directories(root.system() / "mode.txt");  // a folder in the way
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenSpectrumAnalyzer);
    EXPECT_EQ(RunScript(app, root, "quit\n"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(root.system() / "mode.txt"));
}

TEST(Screens, StartScreenFromTheModeFileOnlyWhereTheHardwareHasIt) {
    const struct {
        const char* mode;
        uint32_t model;
        int expected;
    } cases[] = {{"2", 0x207, 2}, {"2", 0x205, 0}, {"1", 0x205, 1}, {"1", 6, 0}, {"7", 0x207, 0}};
    for (const auto& c : cases) {
        DeviceRoot root("celvane-start");
        root.Write("FlashFX Disk/System/mode.txt", c.mode);
        TestApp app(std::make_shared<Log>());
        app.AddScreen(kScreenModeSelect);
        app.AddScreen(kScreenNetworkAnalyzer);
        app.AddScreen(kScreenSpectrumAnalyzer);
        int current = -1;
        // The hardware word comes from the settings store's device model.
        {
            CRegistry reg;
            auto k = reg.OpenKey(plat::hkey_current_user(), u"Vorn Electronic\\Tarnwick", true);
            ASSERT_TRUE(k);
            const uint32_t model = c.model;
            k->SetValue(u"DeviceModel", plat::REG_DWORD, &model, 4);
        }
        for (auto* s : app.screens)
            s->probes[plat::VK_F1] = [&] { current = app.GetCurrentMode()->GetModeId(); };
        ASSERT_EQ(RunScript(app, root, "wait 10\nkey F1\nquit\n"), 0);
        EXPECT_EQ(current, c.expected) << c.mode << " on " << c.model;
    }
}

}  // namespace

namespace {

TEST(Screens, AFailedStartShutsDownAndEndsWithAFailureStatus) {
    struct NoScreens : TestApp {
        using TestApp::TestApp;
        bool CreateModes() override { return false; }
    };
    DeviceRoot root("celvane-failed");
    {
        NoScreens app(std::make_shared<Log>());
        EXPECT_EQ(RunScript(app, root, "quit\n"), CCelvaneApp::kStartFailed);
    }
    // Without a message loop the script's input stays queued on this thread.
    plat::Message stale;
    for (int i = 0; i < 1000 && plat::peek_ui_message(stale, true); ++i) {
    }
    EXPECT_NE(root.Read("FlashFX Disk/HistoryLog.txt").find("start-up failed"), std::string::npos);
}

}  // namespace

namespace {

// The one graph panel: made at start-up in the main pane on the
// application's scheme, gone after the exit.
TEST(Startup, GraphPanelLivesFromStartUpToExit) {
    DeviceRoot root("celvane-graph-panel");
    TestApp app(std::make_shared<Log>());
    plat::Rect rect{};
    bool has_graph = false;
    CColorScheme* scheme = nullptr;
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    app.initial->probes[plat::VK_F1] = [&] {
        if (CGraphPanel* panel = app.GetGraphPanel()) {
            rect = panel->GetRect();
            has_graph = panel->GetGraph() != nullptr;
            scheme = panel->GetScheme();
            panel->DrawGraph(nullptr, false);
        }
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    EXPECT_TRUE(has_graph);
    EXPECT_EQ(rect, (plat::Rect{0, 30, 705, 455}));
    EXPECT_EQ(scheme, app.GetColorScheme());
    EXPECT_EQ(app.GetGraphPanel(), nullptr);
    EXPECT_EQ(root.Read("FlashFX Disk/HistoryLog.txt").find("not present: graph panel"),
              std::string::npos);
}

// A registry and a history log that cannot be written (here: a file-size
// limit below their size, as a full volume would) are each said once in the
// status line and once in the history, however often the writes fail.
TEST(WriteFailures, TheRegistryAndTheHistoryLogSayOnceThatTheyWereNotWritten) {
    DeviceRoot root("celvane-write-failures");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    std::vector<uint32_t> registry;
    std::vector<bool> history;
    screen->probes['1'] = [&] {
        plat::RegKey key;
        ASSERT_EQ(plat::hkey_current_user().create(u"Write failure", key), 0u);
        rlimit was{};
        ::getrlimit(RLIMIT_FSIZE, &was);
        const rlimit tiny{16, was.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        for (uint32_t i = 0; i < 3; ++i) registry.push_back(key.set_dword(u"Value", i + 1));
        for (int i = 0; i < 2; ++i) history.push_back(app.DumpHistory());
        ::setrlimit(RLIMIT_FSIZE, &was);
    };
    ASSERT_EQ(RunScript(app, root, "key 1\nwait 100\nquit\n"), 0);
    EXPECT_EQ(registry, std::vector<uint32_t>(3, plat::ERROR_CANTWRITE));
    EXPECT_EQ(history, std::vector<bool>(2, false));
    const std::string settings = plat::to_utf8(LoadResString(65001));
    const std::string historyLog = plat::to_utf8(LoadResString(65002));
    auto shown = [&](const std::string& text) {
        return std::count(log->entries.begin(), log->entries.end(),
                          "screen1 status " + text + " 1");
    };
    EXPECT_EQ(shown(settings), 1);
    EXPECT_EQ(shown(historyLog), 1);
    // The log written at the exit holds each once.
    const std::string written = root.Read("FlashFX Disk/HistoryLog.txt");
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = written.find(text); at != std::string::npos;
             at = written.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(settings), 1u);
    EXPECT_EQ(count(historyLog), 1u);
}

}  // namespace

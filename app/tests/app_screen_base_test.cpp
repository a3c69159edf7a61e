// The screen base in the real application on the headless display: keys and
// touches through the view, soft-key pages on the screen, switching screens,
// command codes, the key lock, the help texts and the status path.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/tests/screen_base_support.h"
#include "core/app_commands.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "core/settings/system_settings.h"
#include "core/sorted_item_list.h"
#include "platform/text/utf.h"

using namespace app_test;
using namespace screen_test;

namespace {

namespace fs = std::filesystem;

// The entries of one screen that match a prefix, in order.
std::vector<std::string> Entries(const Log& log, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& e : log.entries)
        if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
}

// An entry of the application's item list.
class TestItem : public CSortedItem {
  public:
    explicit TestItem(core::Text name) : name_(std::move(name)) {}
    uint32_t GetModeId() const override { return 2; }
    core::Text GetName() const override { return name_; }

  private:
    core::Text name_;
};

// A line of the script that runs the next step of the current screen.
const std::string kStep = "key shift+F12\n";

TEST(ScreenBaseInApp, KeysReachTheirHandlersOnTheRightEdge) {
    DeviceRoot root("celvane-sb-keys");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    ASSERT_EQ(RunScript(app, root,
                        "key F2\nkey F13\nkey shift+F6\nkey 5\nkey MINUS\nkey PERIOD\n"
                        "key LEFT\nkey ESCAPE\nkey RETURN\nkey F20\nkey F19\nquit\n"),
              0);
    const std::vector<std::string> expected = {
        "screen1 event 113 1", "screen1 event 113 0", "screen1 soft 113",    "screen1 event 124 1",
        "screen1 event 124 0", "screen1 menu 124",    "screen1 event 129 1", "screen1 event 129 0",
        "screen1 menu 129",    "screen1 event 53 1",  "screen1 event 53 0",  "screen1 numeric 53",
        "screen1 event 109 1", "screen1 event 109 0", "screen1 numeric 109", "screen1 event 190 1",
        "screen1 event 190 0", "screen1 numeric 190", "screen1 event 37 1",  "screen1 arrow 37 1",
        "screen1 event 37 0",  "screen1 arrow 37 0",  "screen1 event 27 1",  "screen1 event 27 0",
        "screen1 escape",      "screen1 event 13 1",  "screen1 event 13 0",  "screen1 enter",
        "screen1 event 131 1", "screen1 event 131 0",
        "screen1 stop",  // the setup key stops, then asks the application
        "screen1 event 130 1", "screen1 event 130 0", "screen1 mode 130",
    };
    std::vector<std::string> seen;
    for (const auto& e : Entries(*log, "screen1 "))
        if (e.rfind("screen1 OnActivate", 0) != 0 && e != "screen1 CancelEntry") seen.push_back(e);
    // What follows the mode key is the shutdown's.
    ASSERT_GE(seen.size(), expected.size());
    seen.resize(expected.size());
    EXPECT_EQ(seen, expected);
}

TEST(ScreenBaseInApp, PagesTouchesAndTheSelectedKeyOnTheScreen) {
    DeviceRoot root("celvane-sb-touch");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    const fs::path shot = root.path() / "page.png";
    // Soft key 1 (F2) at x 750; menu caption 2 at the bottom.
    plat::Rect key1{}, key5{}, caption2{};
    bool labelSeen = false;
    uint32_t selected = 0;
    app.first->steps.push_back([&] {
        CSoftKeyMenu* menu = app.first->soft_key_menu();
        key1 = menu->Key(1)->GetTextRect();
        key5 = menu->Key(5)->GetTextRect();
        caption2 = app.first->menu_key_panel()->Box(2)->GetOuterRect();
        labelSeen = menu->Key(0)->GetTitle() == LoadResString(kStart);
        selected = Rgb(app.first->create_arg()->GetColor(ci::kSoftKeySelected));
        // A touch that starts on soft key 3 and ends outside every key.
        plat::CWnd& view = app.GetMainFrame()->view();
        const plat::Rect k3 = menu->Key(3)->GetOuterRect();
        view.SendMessage(plat::WM_LBUTTONDOWN, 0,
                         plat::make_lparam((k3.left + k3.right) / 2, (k3.top + k3.bottom) / 2));
        view.SendMessage(plat::WM_LBUTTONUP, 0, plat::make_lparam(100, 300));
    });
    bool highlighted = false;
    app.first->steps.push_back([&] {
        highlighted = app.first->GetSelectedSoftKey() == 3;
        // A touch on menu caption 2 acts as F15.
        plat::CWnd& view = app.GetMainFrame()->view();
        const int x = (caption2.left + caption2.right) / 2,
                  y = (caption2.top + caption2.bottom) / 2;
        view.SendMessage(plat::WM_LBUTTONDOWN, 0, plat::make_lparam(x, y));
        view.SendMessage(plat::WM_LBUTTONUP, 0, plat::make_lparam(x, y));
    });
    ASSERT_EQ(
        RunScript(app, root,
                  kStep + kStep + "click 752 130\nwait 10\nshot " + shot.string() + "\nquit\n"),
        0);
    EXPECT_TRUE(labelSeen);
    EXPECT_TRUE(highlighted) << "a touch that ends outside every key highlights its key";
    const auto soft = Entries(*log, "screen1 soft");
    const auto menu = Entries(*log, "screen1 menu");
    EXPECT_EQ(menu, std::vector<std::string>{"screen1 menu 126"}) << "the caption acts as its key";
    EXPECT_EQ(soft, std::vector<std::string>{"screen1 soft 113"}) << "soft key 1 touched";
    EXPECT_FALSE(log->has("screen1 soft 115")) << "the touch that left its key acts not";

    Shot s(shot);
    ASSERT_TRUE(s.ok());
    // The touched key is selected: its label area is drawn in the scheme's
    // selected colour, unlike a key that is not.
    const uint32_t plain = s.at(key5.left + 2, key5.top + 2);
    EXPECT_EQ(s.at(key1.left + 2, key1.top + 2), selected);
    EXPECT_NE(plain, selected);
    // Key 1 carries glyphs of its label; key 5 (blank label) none.
    EXPECT_GT(s.CountOther(key1, selected), 20);
    EXPECT_EQ(s.CountOther(key5, plain), 0);
}

TEST(ScreenBaseInApp, SwitchingThroughTheHomeWidgetAndAMeasurementCode) {
    DeviceRoot root("celvane-sb-switch");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    const fs::path before = root.path() / "before.png", after = root.path() / "after.png";
    int refused = -1, taken = -1;
    plat::Rect title{}, softKeys{};
    app.first->steps.push_back([&] {
        app.first->set_key_lock(true);
        app.first->set_page(5);
        // The setup screen (5) is missing: the home widget posts nothing.
        app.GetMainFrame()->view().SendMessage(
            plat::WM_LBUTTONDOWN, 0, plat::make_lparam(kHomeRect.left + 5, kHomeRect.top + 5));
        app.second->measurement = std::make_unique<TestMeasurement>(4);
        refused = app.first->OnCommand(0x0203, 0);   // no measurement 3 there
        refused += app.first->OnCommand(0x0403, 0);  // no screen 4
        taken = app.first->OnCommand(0x0204, 0);
    });
    bool current = false, unlocked = false, stored = false, firstActive = true;
    app.second->steps.push_back([&] {
        current = app.GetCurrentMode() == app.second;
        unlocked = !app.second->key_locked();
        stored = app.GetSettings()->CurrentMode == static_cast<uint32_t>(kScreenSpectrumAnalyzer);
        firstActive = app.first->IsActive();
        title = app.second->file_label_panel()->GetRect();
        softKeys = app.second->soft_key_menu()->GetRect();
        // Back with the right button on the home widget: the mode selection
        // screen (0) is missing too, so nothing happens.
        app.GetMainFrame()->view().SendMessage(
            plat::WM_RBUTTONDOWN, 0, plat::make_lparam(kHomeRect.left + 5, kHomeRect.top + 5));
    });
    ASSERT_EQ(RunScript(app, root,
                        "shot " + before.string() + "\n" + kStep + "wait 10\nshot " +
                            after.string() + "\n" + kStep + "wait 10\nquit\n"),
              0);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(taken, 1);
    const auto order = Entries(*log, "screen");
    auto at = [&](const std::string& e) {
        return std::find(order.begin(), order.end(), e) - order.begin();
    };
    ASSERT_TRUE(log->has("screen2 measurement 4"));
    ASSERT_TRUE(log->has("screen2 OnActivate page 0"));
    EXPECT_LT(at("screen1 CancelEntry"), at("screen2 OnActivate page 0"));
    EXPECT_TRUE(current);
    EXPECT_TRUE(unlocked) << "activation released the key lock";
    EXPECT_TRUE(stored) << "the current screen id is in the settings store";
    EXPECT_FALSE(firstActive);

    // Only the new screen's panes: the title bar changed, the soft keys
    // carry the same labels, and nothing else of the old screen is left.
    Shot b(before), a(after);
    ASSERT_TRUE(b.ok() && a.ok());
    int changed = 0;
    for (int x = title.left; x < title.left + 300; ++x)
        for (int y = title.top; y < title.bottom; ++y) changed += a.at(x, y) != b.at(x, y);
    EXPECT_GT(changed, 20) << "the title bar shows the new screen's title";
    int keysChanged = 0;
    for (int y = softKeys.top; y < softKeys.bottom; ++y)
        for (int x = softKeys.left; x < softKeys.right; ++x)
            keysChanged += a.at(x, y) != b.at(x, y);
    EXPECT_EQ(keysChanged, 0) << "the same page looks the same on either screen";
}

TEST(ScreenBaseInApp, ATouchOnTheHomeWidgetShowsTheSetupScreen) {
    DeviceRoot root("celvane-sb-home");
    auto log = std::make_shared<Log>();
    PaneApp app(log, true);
    app.first->steps.push_back([&] {
        plat::reset_system_service_calls();
        app.GetMainFrame()->view().SendMessage(
            plat::WM_LBUTTONDOWN, 0, plat::make_lparam(kHomeRect.left + 5, kHomeRect.top + 5));
        app.GetMainFrame()->view().SendMessage(
            plat::WM_LBUTTONUP, 0, plat::make_lparam(kHomeRect.left + 5, kHomeRect.top + 5));
    });
    bool setupCurrent = false;
    std::vector<uint32_t> beeps;
    app.third->steps.push_back([&] {
        setupCurrent = app.GetCurrentMode() == app.third;
        beeps = plat::system_service_calls().beeps;
    });
    ASSERT_EQ(RunScript(app, root, kStep + "wait 10\n" + kStep + "quit\n"), 0);
    EXPECT_TRUE(setupCurrent);
    EXPECT_TRUE(log->has("screen1 CancelEntry"));
    EXPECT_TRUE(log->has("screen5 OnActivate page 0"));
    EXPECT_EQ(beeps, std::vector<uint32_t>{0}) << "the default sound of the activation";
}

TEST(ScreenBaseInApp, CommandCodes) {
    DeviceRoot root("celvane-sb-commands");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    struct Case {
        intptr_t argument;
        int result;
        uint32_t contrast;  // the stored level afterwards
    };
    const Case contrast[] = {{0, 1, 100}, {1, 1, 80}, {2, 1, 60}, {3, 1, 50}, {4, 1, 40},
                             {5, 1, 20},  {6, 1, 0},  {7, 0, 0},  {-1, 0, 0}};
    std::vector<std::string> failures;
    std::vector<int> results;
    app.first->steps.push_back([&] {
        for (const Case& c : contrast) {
            const int r = app.first->OnCommand(0x80000008, c.argument);
            if (r != c.result || app.GetSettings()->Contrast != c.contrast)
                failures.push_back(std::to_string(c.argument));
        }
        // Posted commands: the launch codes and the tools screen.
        for (uint32_t code : {0x8000001Du, 0x8000001Eu, 0x80000025u, 0x80000026u, 0x80000027u,
                              0x80000024u, 0x80000099u})
            results.push_back(app.first->OnCommand(code, 0));
        results.push_back(app.first->OnCommand(0x80000003, 0));
        results.push_back(app.first->OnCommand(0x80000023, 0));
        results.push_back(app.first->OnCommand(0x8000001C, 0));  // answered No
        app.answer = 6;
    });
    int page = -1;
    std::vector<std::string> shownLabels;
    app.first->steps.push_back([&] {
        page = app.first->page();
        for (int k = 0; k < 2; ++k)
            shownLabels.push_back(plat::to_utf8(app.first->soft_key_menu()->Key(k)->GetTitle()));
        results.push_back(app.first->OnCommand(0x8000001C, 0));  // answered Yes
    });
    ASSERT_EQ(RunScript(app, root, kStep + "wait 10\n" + kStep + "wait 10\nkey F1\nquit\n"), 0);
    EXPECT_TRUE(failures.empty()) << "contrast arguments " << ::testing::PrintToString(failures);
    EXPECT_EQ(results, (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(page, 53);
    EXPECT_EQ(shownLabels, (std::vector<std::string>{plat::to_utf8(LoadResString(kHigh)),
                                                     plat::to_utf8(LoadResString(kLow))}));
    EXPECT_EQ(app.timeDateDialogs, 1);
    ASSERT_EQ(app.messages.size(), 2u);
    EXPECT_EQ(app.messages[0], LoadResString(894));
    EXPECT_FALSE(log->has("screen1 event 112 0")) << "the program ended on Yes";
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), "1");
    // The contrast is in the registry (the last level taken: 0).
    const std::string registry = root.Read("registry.txt");
    EXPECT_NE(registry.find("\"Contrast\"=dword:00000000"), std::string::npos);
}

// The screen's pixels after a message box closed are those from before it
// opened (the box keeps what it covers and puts it back).
TEST(ScreenBaseInApp, TheScreenIsWholeAgainAfterAMessageBox) {
    DeviceRoot root("celvane-sb-box");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    app.realBox = true;
    int result = -1;
    app.first->steps.push_back([&] { result = app.first->OnCommand(0x8000001C, 0); });
    const fs::path before = root.path() / "before.png", open = root.path() / "open.png",
                   after = root.path() / "after.png";
    ASSERT_EQ(
        RunScript(app, root,
                  "wait 10\nshot " + before.string() + "\n" + kStep + "wait 10\nshot " +
                      open.string() + "\nkey ESCAPE\nwait 10\nshot " + after.string() + "\nquit\n"),
        0);
    EXPECT_EQ(result, 0) << "the exit question was not answered Yes";
    Shot b(before), o(open), a(after);
    ASSERT_TRUE(b.ok() && o.ok() && a.ok());
    EXPECT_FALSE(b.SameAs(o)) << "the box was on the screen";
    EXPECT_TRUE(b.SameAs(a));
}

TEST(ScreenBaseInApp, TheKeyLockRefusesKeysUntilActivation) {
    DeviceRoot root("celvane-sb-lock");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    app.first->steps.push_back([&] {
        app.first->set_key_lock2(true);
        plat::reset_system_service_calls();
    });
    std::vector<uint32_t> beeps;
    app.first->steps.push_back([&] {
        beeps = plat::system_service_calls().beeps;
        app.first->OnActivate();
    });
    ASSERT_EQ(
        RunScript(app, root, kStep + "key F1\nkey UP\nkey RETURN\n" + kStep + "key F3\nquit\n"), 0);
    EXPECT_EQ(beeps, (std::vector<uint32_t>{0x20, 0x20, 0x20, 0x20}));
    const auto status = Entries(*log, "screen1 status ");
    ASSERT_EQ(status.size(), 4u) << "F1 and UP, each when down and when up";
    EXPECT_EQ(status[0], "screen1 status " + plat::to_utf8(LoadResString(64392)));
    EXPECT_FALSE(log->has("screen1 soft 112"));
    EXPECT_FALSE(log->has("screen1 arrow 38 1"));
    EXPECT_FALSE(log->has("screen1 enter"));
    EXPECT_TRUE(log->has("screen1 soft 114")) << "activation released the lock";
}

TEST(ScreenBaseInApp, HelpTextsByHardware) {
    DeviceRoot root("celvane-sb-help");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    struct Case {
        uint32_t hardware;
        int kind;
        uint32_t title;  // 0: the custom help's empty title; ~0u: refused
        const char16_t* file;
    };
    constexpr uint32_t kRefused = ~0u;
    const Case cases[] = {
        {0x207, 0, 64184, u"vna.txt"},
        {0x207, 1, 64185, u"specan.txt"},
        {0x207, 2, 64186, u"powermeter.txt"},
        {0x207, 7, 0, u"custom.txt"},
        {6, 0, kRefused, nullptr},
        {6, 1, 64185, u"specan.txt"},
        {6, 2, 64186, u"powermeter.txt"},
        {6, 7, 0, u"custom.txt"},
        {0x205, 0, 64184, u"vna.txt"},
        {0x205, 1, kRefused, nullptr},
        {0x205, 2, 64186, u"powermeter.txt"},
        {0x205, 7, 0, u"custom.txt"},
        {0x207, -1, kRefused, nullptr},
    };
    std::vector<std::string> failures;
    app.first->steps.push_back([&] {
        for (const Case& c : cases) {
            app.hardwareId = c.hardware;
            app.helpViewers.clear();
            const uint32_t answer = app.first->ShowModeHelp(c.kind);
            const std::string name = std::to_string(c.hardware) + "/" + std::to_string(c.kind);
            if (answer != c.hardware) failures.push_back(name + " answer");
            if (c.title == kRefused) {
                if (!app.helpViewers.empty()) failures.push_back(name + " opened");
                continue;
            }
            if (app.helpViewers.size() != 1) {
                failures.push_back(name + " not opened");
                continue;
            }
            const core::Text title = c.title ? LoadResString(c.title) : core::Text();
            if (app.helpViewers[0].first != title) failures.push_back(name + " title");
            if (app.helpViewers[0].second != u"\\FlashFX Disk\\Help\\" + std::u16string(c.file))
                failures.push_back(name + " file");
        }
        app.first->ShowQuickHelpNotice();
    });
    ASSERT_EQ(RunScript(app, root, kStep + "quit\n"), 0);
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
    ASSERT_EQ(app.messages.size(), 1u);
    EXPECT_EQ(app.messages[0], LoadResString(64260));
}

TEST(ScreenBaseInApp, StatusPathBandwidthFlagPageHelpAndTheItemRing) {
    DeviceRoot root("celvane-sb-path");
    auto log = std::make_shared<Log>();
    PaneApp app(log);
    std::vector<const CSortedItem*> items;
    int count = -1;
    bool afterBandwidth = false, afterFrequency = true;
    core::Text help;
    app.first->steps.push_back([&] {
        CModeBase& s = *app.first;
        for (int i = 0; i < 11; ++i) s.PushStatusPath(1019, false);
        count = s.status_path()->GetCount();
        s.PushStatusPath(808, true);
        afterBandwidth = s.GetBandwidthFlag();
        s.PushStatusPath(63016, false);
        afterFrequency = s.GetBandwidthFlag();
        help = s.readout_panel()->GetRowCaption(5);
    });
    // The item ring over the application's item list.
    std::vector<const CSortedItem*> next, previous;
    app.first->steps.push_back([&] {
        CSortedItemList& list = app.GetSortedList();
        for (const char16_t* name : {u"a", u"b", u"c"}) list.Add(new TestItem(name));
        for (CSortedItem* i = list.GetHead(); i; i = i->NextItem()) {
            next.push_back(app.first->GetNextItem(i));
            previous.push_back(app.first->GetPreviousItem(i));
        }
        items = {list.GetHead(), list.GetHead()->NextItem(),
                 list.GetHead()->NextItem()->NextItem()};
    });
    // The backlight keys with "BIO1:" closed: manual, level high (2).
    int labelId = 0, choice = -1, highlighted = -1;
    std::vector<bool> selected;
    core::Text custom;
    app.first->steps.push_back([&] {
        app.first->ShowBacklightKeys(5);
        CSoftKeyMenu* menu = app.first->soft_key_menu();
        labelId = app.first->GetBacklightLabelId();
        choice = menu->Key(0)->GetChoiceIndex();
        for (int k = 1; k <= 4; ++k) selected.push_back(menu->Key(k)->IsSelected());
        highlighted = menu->GetHighlighted();
        custom = menu->Key(4)->GetTitle();
    });
    ASSERT_EQ(RunScript(app, root, kStep + kStep + kStep + "quit\n"), 0);
    EXPECT_EQ(labelId, 999);
    EXPECT_EQ(choice, 1) << "manual";
    EXPECT_EQ(selected, (std::vector<bool>{true, false, false, false})) << "high marks key 1";
    EXPECT_EQ(highlighted, 5);
    EXPECT_EQ(custom, LoadResString(1007) + u"\n2%");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(next, (std::vector<const CSortedItem*>{items[1], items[2], items[0]}));
    EXPECT_EQ(previous, (std::vector<const CSortedItem*>{items[2], items[0], items[1]}));
    EXPECT_EQ(count, 10) << "an eleventh push is ignored";
    EXPECT_TRUE(afterBandwidth);
    EXPECT_FALSE(afterFrequency);
    EXPECT_EQ(help, LoadResString(kPageHelp)) << "the readout's help item shows the page's help";
}

}  // namespace

// The setting list, time and date, quick help and language dialogs in the
// real application, headless and scripted: opened by a screen from a digit
// key as the screens open them, answered with the instrument's keys.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "app/tests/screen_base_support.h"
#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "dialogs/language_dlg.h"
#include "dialogs/quick_help_dlg.h"
#include "dialogs/setting_list_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "files/lists/antenna.h"
#include "language/tests/language_test_support.h"
#include "platform/framework/edit.h"
#include "platform/gfx/tests/magick_pixel.h"
#include "platform/kernel/clock.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kCodeTimeDate = 0x80000023;
constexpr uint32_t kLanguageCommand = 32806;
constexpr uint32_t kDigit1 = '1', kDigit2 = '2', kDigit3 = '3', kDigit4 = '4';

// What a dialog showed when it opened and what it answered.
struct Outcome {
    std::vector<std::u16string> rows;
    int selected = -2;
    intptr_t end = 0;
};

template <class Dlg>
class Watched : public Dlg {
  public:
    template <class... A>
    explicit Watched(Outcome& out, A&&... args) : Dlg(std::forward<A>(args)...), out_(out) {}

  protected:
    bool OnInitDialog() override {
        const bool r = Dlg::OnInitDialog();
        for (int i = 0; i < this->GetList().GetCount(); ++i)
            out_.rows.push_back(this->GetList().GetText(i));
        out_.selected = this->GetList().GetCurSel();
        return r;
    }

  private:
    Outcome& out_;
};

TEST(AppDialogs, SettingListsOpenOnTheirRowsAndAnswer) {
    DeviceRoot root("celvane-lists");
    TestApp app(std::make_shared<Log>());
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    Outcome rbw, antenna, points;
    double ratio = 0;
    const CAntenna* chosen = nullptr;
    int chosenRow = -2;
    int32_t count = 0;
    screen->probes[kDigit1] = [&] {
        Watched<CRbwVbwDlg> dlg(rbw, app.GetMainView(), 200000.0);
        rbw.end = dlg.DoModal();
        ratio = dlg.GetValue();
    };
    screen->probes[kDigit2] = [&] {
        Watched<CValueListDlg> dlg(antenna, app.GetMainView(), u"No such antenna");
        antenna.end = dlg.DoModal();
        chosen = dlg.GetSelection();
        chosenRow = dlg.GetSelectedIndex();
    };
    screen->probes[kDigit3] = [&] {
        Watched<CDataPointsDlg> dlg(points, app.GetMainView(), 300);
        points.end = dlg.DoModal();
        count = dlg.GetSelection();
    };
    const fs::path shot = root.path() / "antennas.png";
    ASSERT_EQ(RunScript(app, root,
                        "key 1\nkey F6\nkey 2\nkey DOWN\nshot " + shot.string() +
                            "\nkey UP\nkey F6\nkey 3\nkey DOWN\nkey F6\nquit\n"),
              0);
    EXPECT_EQ(rbw.end, plat::IDOK);
    EXPECT_EQ(rbw.selected, 10) << "above 100,000: the last row";
    EXPECT_DOUBLE_EQ(ratio, 100000);

    const CAntennaList* list = app.GetAntennaList();
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->GetCount(), 1u);
    EXPECT_EQ(antenna.rows.size(), list->GetCount());
    EXPECT_EQ(antenna.rows[1], list->GetAt(1)->GetName());
    EXPECT_EQ(antenna.selected, 0) << "an unknown name opens on the first row";
    EXPECT_EQ(antenna.end, plat::IDOK);
    EXPECT_EQ(chosen, list->GetAt(0));
    EXPECT_EQ(chosenRow, 0);
    EXPECT_TRUE(fs::exists(shot));

    EXPECT_EQ(points.selected, 5) << "300 points: the table's 353";
    EXPECT_EQ(count, 705);
}

// ------------------------------------------------------------ time and date

std::string OtherProgramsTime(const fs::path& root) {
    const std::string cmd =
        "'" + (BinDir() / "print_local_time").string() + "' --root '" + root.string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return "";
    char buf[64] = {};
    const size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return std::string(buf, n);
}

TEST(AppDialogs, TimeAndDateSetsTheClockEveryProgramSeesOnF1Down) {
    DeviceRoot root("celvane-clock");
    ASSERT_TRUE(plat::set_local_time({2030, 1, 0, 15, 10, 20, 30, 0}));
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    int dialogs = 0;
    screen->probes[kDigit1] = [&] {
        ++dialogs;
        screen->OnCommand(kCodeTimeDate, 0);
    };
    plat::SystemTime afterSet{}, afterCancel{};
    screen->probes[kDigit2] = [&] { afterSet = plat::local_time(); };
    screen->probes[kDigit3] = [&] { afterCancel = plat::local_time(); };
    // Hour up, minute up twice, next field, day up; F1 pressed sets the
    // clock. Then once more, hour up and F8: nothing is set.
    ASSERT_EQ(RunScript(app, root,
                        "key 1\nkey UP\nkey RIGHT\nkey UP\nkey UP\nkey F2\nkey UP\n"
                        "down F1\nup F1\nkey 2\n"
                        "key 1\nkey UP\nkey F8\nkey 3\nquit\n"),
              0);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(afterSet.year, 2030);
    EXPECT_EQ(afterSet.month, 1);
    EXPECT_EQ(afterSet.day, 16);
    EXPECT_EQ(afterSet.hour, 11);
    EXPECT_TRUE(afterSet.minute == 22 || afterSet.minute == 23) << afterSet.minute;
    EXPECT_EQ(afterCancel.day, 16) << "F8 sets nothing";
    EXPECT_EQ(afterCancel.hour, 11) << "F8 sets nothing";
    // The release of F1 after the dialog closed reaches no screen.
    EXPECT_FALSE(log->has("screen1 key 112 0"));
    EXPECT_FALSE(log->has("screen1 key 112 1"));

    const std::string seen = OtherProgramsTime(root.path());
    EXPECT_EQ(seen.substr(0, 13), "2030-01-16 11") << seen;
    // The host's clock stays where it was.
    const std::time_t host = std::time(nullptr);
    EXPECT_LT(std::abs(std::difftime(
                  host, std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()))),
              5.0);
    EXPECT_LT(1900 + std::localtime(&host)->tm_year, 2030);
}

// ------------------------------------------------------------ quick help

// What the open viewer shows, sampled on the user-interface thread.
struct ViewerState {
    std::u16string top;   // its top line
    std::u16string text;  // its whole text
    std::u16string title;
    int visible = 0;
    bool operator==(const ViewerState&) const = default;
};
std::vector<ViewerState> g_states;  // UI thread

void SampleViewer(plat::Window*, uint32_t, uintptr_t, uint32_t) {
    for (plat::Window* top : plat::top_level_windows()) {
        if (!top->is_visible()) continue;
        auto* edit = dynamic_cast<plat::CEdit*>(
            plat::CWnd::FromHandle(top->child_by_id(CQuickHelpDlg::kTextEdit)));
        plat::Window* title = top->child_by_id(CQuickHelpDlg::kTitleStatic);
        if (!edit || !title) continue;
        const auto lines = edit->GetDisplayLines();
        const int first = edit->GetFirstVisibleLine();
        ViewerState s{first < static_cast<int>(lines.size()) ? lines[first] : u"",
                      edit->GetWindowText(), title->text(), edit->GetVisibleLineCount()};
        if (g_states.empty() || !(g_states.back() == s)) g_states.push_back(s);
        return;
    }
}

std::string Utf16File(const std::u16string& text, bool bom) {
    std::string bytes = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

TEST(AppDialogs, QuickHelpPagesThroughAHelpFile) {
    DeviceRoot root("celvane-help");
    fs::create_directories(root.path() / "FlashFX Disk" / "Help");
    std::u16string text;
    for (int i = 1; i <= 100; ++i) {
        const std::string line = "Line " + std::to_string(i);
        text += std::u16string(line.begin(), line.end());
        if (i < 100) text += u"\r\n";
    }
    root.Write("FlashFX Disk/Help/custom.txt", Utf16File(text, true));
    TestApp app(std::make_shared<Log>());
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    g_states.clear();
    bool closed = false;
    screen->probes[kDigit1] = [&] {
        const uintptr_t timer = plat::set_timer(nullptr, 0, 10, SampleViewer);
        screen->OpenHelp(CModeBase::kHelpVna);  // titled; its file is absent here
        screen->OpenHelp(CModeBase::kHelpCustom);
        closed = true;
        plat::kill_timer(nullptr, timer);
    };
    std::vector<std::pair<std::u16string, uint32_t>> boxes;
    SetMessageBoxObserver([&](const std::u16string& t, uint32_t style) {
        boxes.push_back({t, style});
    });
    const fs::path open = root.path() / "open.png", down = root.path() / "down.png",
                   top = root.path() / "top.png";
    ASSERT_EQ(RunScript(app, root,
                        "key 1\nwait 50\nkey RETURN\nwait 50\nkey F8\nwait 50\nshot " +
                            open.string() + "\nkey DOWN\nwait 50\nshot " + down.string() +
                            "\nkey F2\nwait 50\nkey F4\nwait 50\nkey F3\nwait 50\nshot " +
                            top.string() + "\nkey ESCAPE\nwait 50\nquit\n"),
              0);
    SetMessageBoxObserver(nullptr);
    EXPECT_TRUE(closed);
    // The missing file is named in an exclamation box, then the viewer shows.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].first.find(u"\\FlashFX Disk\\Help\\vna.txt"), std::u16string::npos);
    EXPECT_EQ(boxes[0].second & plat::MB_ICONMASK, plat::MB_ICONEXCLAMATION);
    ASSERT_GE(g_states.size(), 6u);
    EXPECT_EQ(g_states[0].text, u"");
    EXPECT_EQ(g_states[0].title, u"Quick Help");
    // The custom help: its lines as the keys move them.
    std::vector<std::u16string> tops;
    for (size_t i = 1; i < g_states.size(); ++i) tops.push_back(g_states[i].top);
    const int visible = g_states.back().visible;
    ASSERT_GT(visible, 5);
    const std::string last = "Line " + std::to_string(100 - visible + 1);
    const std::vector<std::u16string> want = {u"Line 1", u"Line 2", u"Line 32",
                                              std::u16string(last.begin(), last.end()), u"Line 1"};
    EXPECT_EQ(tops, want);
    EXPECT_EQ(g_states[1].text, text);
    EXPECT_EQ(g_states[1].title, u"");  // the custom help has no title
    // On screen: Down changed the page; F3 brought the first one back.
    EXPECT_GT(plat::magick_difference(open, down), 0);
    EXPECT_EQ(plat::magick_difference(open, top), 0);
}

TEST(AppDialogs, QuickHelpShowsDefinedPagesForShortOddAndUnmarkedFiles) {
    DeviceRoot root("celvane-help-odd");
    fs::create_directories(root.path() / "FlashFX Disk" / "Help");
    using namespace std::string_literals;
    const std::vector<std::pair<std::string, std::u16string>> files = {
        {""s, u""},  // empty
        {"\xFF\xFE"
         "A\0B\0C"s,
         u"AB"},             // a trailing odd byte
        {"\xFF"s, u""},      // one byte
        {"C\0D\0"s, u"CD"},  // no byte-order mark: nothing lost
        {"\xFF\xFE"s, u""},  // the mark alone
        {"\xFF\xFE"
         "E\0\0\0F\0"s,
         u"E"},  // up to the first zero
    };
    TestApp app(std::make_shared<Log>());
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    g_states.clear();
    size_t next = 0;
    uintptr_t timer = 0;
    screen->probes[kDigit1] = [&] {
        if (!timer) timer = plat::set_timer(nullptr, 0, 10, SampleViewer);
        root.Write("FlashFX Disk/Help/custom.txt", files[next++].first);
        screen->OpenHelp(CModeBase::kHelpCustom);
    };
    std::string script;
    for (size_t i = 0; i < files.size(); ++i) script += "key 1\nwait 50\nkey F8\n";
    ASSERT_EQ(RunScript(app, root, script + "quit\n"), 0);
    EXPECT_EQ(next, files.size());
    std::vector<std::u16string> shown, want;
    for (const ViewerState& s : g_states) shown.push_back(s.text);
    for (const auto& f : files) want.push_back(f.second);
    EXPECT_EQ(shown, want);
}

// The viewer and the time dialog over a screen with panes: the screen's soft
// keys read the dialog's labels while it is open, and the screen is whole
// again once it closed.
std::vector<std::u16string> g_labels;  // UI thread

void ReadLabels(plat::Window*, uint32_t, uintptr_t id, uint32_t) {
    plat::kill_timer(nullptr, id);
    g_labels.clear();
    if (CSoftKeyMenu* bar = dialog_services::SoftKeyBar())
        for (int i = 0; i < CSoftKeyMenu::kKeyCount; ++i)
            g_labels.push_back(bar->Key(i)->GetTitle());
}

TEST(AppDialogs, TheScreensKeysCarryTheDialogsLabelsAndComeBack) {
    DeviceRoot root("celvane-dialog-keys");
    fs::create_directories(root.path() / "FlashFX Disk" / "Help");
    root.Write("FlashFX Disk/Help/custom.txt", Utf16File(u"Custom help", true));
    screen_test::PaneApp app(std::make_shared<Log>());
    app.realDialogs = true;
    std::vector<std::u16string> helpLabels, timeLabels;
    app.first->steps.push_back([&] {
        plat::set_timer(nullptr, 0, 1, ReadLabels);
        app.first->OpenHelp(CModeBase::kHelpCustom);
        helpLabels = g_labels;
    });
    app.first->steps.push_back([&] {
        plat::set_timer(nullptr, 0, 1, ReadLabels);
        app.first->OnCommand(kCodeTimeDate, 0);
        timeLabels = g_labels;
    });
    const std::string step = "key shift+F12\n";
    const fs::path before = root.path() / "before.png", help = root.path() / "help.png",
                   time = root.path() / "time.png", after1 = root.path() / "after1.png",
                   after2 = root.path() / "after2.png";
    ASSERT_EQ(RunScript(app, root,
                        "wait 10\nshot " + before.string() + "\n" + step + "wait 10\nshot " +
                            help.string() + "\nkey F8\nwait 10\nshot " + after1.string() + "\n" +
                            step + "wait 10\nshot " + time.string() + "\nkey F8\nwait 10\nshot " +
                            after2.string() + "\nquit\n"),
              0);
    auto texts = [](std::initializer_list<uint32_t> ids) {
        std::vector<std::u16string> v;
        for (uint32_t id : ids) v.push_back(LoadResString(id));
        return v;
    };
    EXPECT_EQ(helpLabels, texts({63195, 63196, 63197, 63198, 184, 184, 184, 63199}));
    EXPECT_EQ(timeLabels, texts({191, 1330, 184, 184, 184, 184, 184, 1019}));
    EXPECT_GT(plat::magick_difference(before, help), 0);
    EXPECT_GT(plat::magick_difference(before, time), 0);
    EXPECT_EQ(plat::magick_difference(before, after1), 0);
    EXPECT_EQ(plat::magick_difference(before, after2), 0);
}

// ------------------------------------------------------------ quitting

// A quit that arrives while a dialog is open ends the program with the
// frame, the dialog and every other window gone when the entry point
// returns: nothing is left for the process's teardown to destroy.
TEST(AppDialogs, QuittingWithADialogOpenLeavesNoWindowBehind) {
    DeviceRoot root("celvane-quit-dialog");
    fs::create_directories(root.path() / "FlashFX Disk" / "Help");
    root.Write("FlashFX Disk/Help/custom.txt", Utf16File(u"Custom help", true));
    using Open = std::function<void(CCelvaneApp&, RecordingScreen&)>;
    const std::vector<std::pair<const char*, Open>> kinds = {
        {"entry",
         [](CCelvaneApp& a, RecordingScreen&) {
             CSignalOffsetDlg dlg(a.GetMainView(), u"1", 1.0);
             dlg.DoModal();
         }},
        {"list",
         [](CCelvaneApp& a, RecordingScreen&) {
             CValueListDlg dlg(a.GetMainView(), u"No such antenna");
             dlg.DoModal();
         }},
        {"message box", [](CCelvaneApp&, RecordingScreen&) { ShowMessage(u"Open", plat::MB_OK); }},
        {"help", [](CCelvaneApp&, RecordingScreen& s) { s.OpenHelp(CModeBase::kHelpCustom); }},
    };
    for (const auto& [kind, open] : kinds) {
        SCOPED_TRACE(kind);
        bool opened = false;
        bool returned = false;
        {
            TestApp app(std::make_shared<Log>());
            RecordingScreen* screen = app.AddScreen(1);
            app.initial = screen;
            screen->probes[kDigit1] = [&, open = open] {
                opened = true;
                open(app, *screen);
                returned = true;
            };
            EXPECT_EQ(RunScript(app, root, "key 1\nquit\n"), 0);
            EXPECT_TRUE(opened);
            EXPECT_TRUE(returned) << "the quit ended the dialog's loop";
            EXPECT_TRUE(plat::top_level_windows().empty())
                << plat::top_level_windows().size() << " window(s) left";
        }
    }
}

// ------------------------------------------------------------ language

// The tools screen's part: the dialog on the current language, its choice
// handed to the application.
struct LanguageRun {
    Outcome shown;
    int32_t chosen = 0;
    int32_t after = 0;
};

LanguageRun ChooseLanguage(CCelvaneApp& app) {
    LanguageRun run;
    Watched<CLanguageDlg> dlg(run.shown, app.GetMainView(), app.GetLanguageId());
    run.shown.end = dlg.DoModal();
    run.chosen = dlg.GetLanguage();
    if (run.shown.end == plat::IDOK)
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, kLanguageCommand, run.chosen);
    run.after = app.GetLanguageId();
    return run;
}

class ImageRoot : public DeviceRoot {
  public:
    explicit ImageRoot(const std::string& tag)
        : DeviceRoot(tag), built(lang_test::LayOutImage(path())) {}
    bool built;
};

TEST(AppDialogs, LanguageDialogWithOnlyMandarinInstalledOffersOneRow) {
    ImageRoot root("celvane-lang-one");
    ASSERT_TRUE(root.built);
    fs::remove(root.system() / "QXEnglishDll.dll");
    TestApp app(std::make_shared<Log>());
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    LanguageRun run;
    screen->probes[kDigit1] = [&] { run = ChooseLanguage(app); };
    ASSERT_EQ(RunScript(app, root, "key 1\nkey F6\nquit\n"), 0);
    EXPECT_EQ(run.shown.rows, std::vector<std::u16string>{u"Chinese"});
    EXPECT_EQ(run.shown.selected, 0);
    EXPECT_EQ(run.shown.end, plat::IDOK);
    EXPECT_EQ(run.chosen, 4);
    EXPECT_EQ(run.after, 4);
}

TEST(AppDialogs, LanguageDialogSwitchesToMandarinAndBack) {
    ImageRoot root("celvane-lang-two");
    ASSERT_TRUE(root.built);
    root.Write("FlashFX Disk/System/language.txt", "9");
    TestApp app(std::make_shared<Log>());
    RecordingScreen* screen = app.AddScreen(1);
    app.initial = screen;
    std::vector<LanguageRun> runs;
    screen->probes[kDigit1] = [&] { runs.push_back(ChooseLanguage(app)); };
    ASSERT_EQ(RunScript(app, root,
                        "key 1\nkey DOWN\nkey F6\nkey 1\nkey UP\nkey F6\nkey 1\nkey ESCAPE\n"
                        "quit\n"),
              0);
    ASSERT_EQ(runs.size(), 3u);
    const std::u16string zh = u"\u4e2d\u6587";
    EXPECT_EQ(runs[0].shown.rows, (std::vector<std::u16string>{u"English", u"Chinese"}));
    EXPECT_EQ(runs[0].shown.selected, 0) << "English is current";
    EXPECT_EQ(runs[0].after, 4);
    // In Mandarin the rows read in the Mandarin table; English stays English.
    EXPECT_EQ(runs[1].shown.rows, (std::vector<std::u16string>{u"English", zh}));
    EXPECT_EQ(runs[1].shown.selected, 1) << "Mandarin is current";
    EXPECT_EQ(runs[1].after, 9);
    EXPECT_EQ(runs[2].shown.end, plat::IDCANCEL);
    EXPECT_EQ(runs[2].chosen, 9);
    EXPECT_EQ(runs[2].after, 9);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "9");
}

}  // namespace

// The setup manager screen in-process over a temporary device root: real
// setup files written by the setup objects, the real setup list dialog and
// viewer in windows, stand-in instrument screens for the kinds a unit
// carries, and message boxes answered by script.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "core/app_commands.h"
#include "core/history.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "core/sorted_item_list.h"
#include "dialogs/setup_select_dlg.h"
#include "dialogs/setup_sequence_dlg.h"
#include "dialogs/tests/dialog_test_support.h"
#include "files/formats/setup_file.h"
#include "files/listed_setup.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/fs/tests/test_support.h"
#include "platform/text/utf.h"
#include "screens/screen_services.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/system/setup_mode.h"
#include "widgets/soft_key_menu.h"
#include "widgets/title_bar.h"

namespace {

namespace fs = std::filesystem;
using namespace dialog_test;
constexpr uint32_t VK_F1 = plat::VK_F1, VK_F2 = VK_F1 + 1, VK_F3 = VK_F1 + 2, VK_F4 = VK_F1 + 3,
                   VK_F5 = VK_F1 + 4, VK_F6 = VK_F1 + 5, VK_F7 = VK_F1 + 6, VK_F8 = VK_F1 + 7;

constexpr int kYes = 6, kNo = 7;

// A window that records the commands posted to it (the frame).
class Frame : public plat::CWnd {
  public:
    std::vector<std::pair<uint32_t, intptr_t>> commands;
    size_t Recalls() const {
        size_t n = 0;
        for (const auto& c : commands) n += c.first == kCmdRecallSetup;
        return n;
    }

  protected:
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override {
        commands.emplace_back(plat::loword(wparam), lparam);
        return true;
    }
};

// An instrument screen of a kind the unit carries; it measures nothing.
class StandIn : public CModeBase {
  public:
    explicit StandIn(int id) { mode_id_ = id; }
};

class Services : public StubScreenServices {
  public:
    CSortedItemList list;
    std::map<int, std::unique_ptr<StandIn>> screens;
    std::deque<int> answers;  // message box answers, in order; then OK
    uint32_t hardware = 6;

    uint32_t GetHardwareId() const override { return hardware; }
    CModeBase* FindScreen(int id) override {
        auto it = screens.find(id);
        return it == screens.end() ? nullptr : it->second.get();
    }
    CSortedItem* GetFirstItem() override { return list.GetHead(); }
    int ShowScreenMessage(const core::Text& text, uint32_t) override {
        messages.push_back(text);
        if (answers.empty()) return 1;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    CSortedItemList* GetSetupList() override { return &list; }
    void DeleteSetupList() override {
        while (CSortedItem* item = list.GetHead()) {
            list.Remove(item);
            delete item;
        }
    }
};

// What the dialogs ask: the list sorted, and the texts for the screen.
class DialogServices : public FakeServices {
  public:
    Services* app = nullptr;
    CModeBase* current = nullptr;
    ISetupEntry* SortSetupList(uint32_t mode) override {
        app->list.SetSortMode(mode);
        if (!app->list.IsSorted()) app->list.SortChain();
        return CListedSetup::EntryOf(app->list.GetHead());
    }
    void HandOverToCurrentMode(std::unique_ptr<CBufferPair> pair) override {
        if (current) current->OnBufferPair(pair.get());
    }
};

// The screen with the save dialog answered by the test.
class Screen : public CSetupMode {
  public:
    std::vector<SetupSaveInfo> proposed;
    std::optional<SetupSaveInfo> typed;

  protected:
    bool RunSaveDialog(SetupSaveInfo& info) override {
        proposed.push_back(info);
        if (typed) info = *typed;
        return true;
    }
};

const char16_t kFolder[] = u"\\FlashFX Disk\\My Setups\\";

class SetupScreen : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        HistoryInit(0xFFFFFFFF);
        fs::create_directories(root_.path() / "FlashFX Disk" / "My Setups" / "Backup");
        plat::register_window_class({"SetupTestFrame", 0, std::nullopt});
        ASSERT_TRUE(
            frame_.Create("SetupTestFrame", u"", plat::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
        dialogs_.holder = dialogs_.scheme.get();
        dialogs_.view = &view;
        dialogs_.with_bars = false;
        dialogs_.app = &app_;
        IDialogServices::set_current(&dialogs_);
        IScreenServices::set_current(&app_);
        Carry(2);
        Save(std::make_unique<CSAMeasSetup>(), u"Backup\\Factory SA");
        Save(std::make_unique<CVNAMeasSetup>(), u"Backup\\Factory VNA");
    }
    void TearDown() override {
        screen_.reset();
        drain();
        IScreenServices::set_current(nullptr);
        frame_.DestroyWindow();
        app_.DeleteSetupList();
        DialogFixture::TearDown();
    }

    void Carry(int id) { app_.screens[id] = std::make_unique<StandIn>(id); }
    // A setup saved by its own object under `name` (".tws" added).
    void Save(std::unique_ptr<CMeasSetup> setup, const core::Text& name) {
        const size_t slash = name.find_last_of(u'\\');
        setup->SetSetupLabel(slash == core::Text::npos ? name : name.substr(slash + 1));
        setup->SetFilePath(kFolder + name + u".tws");
        if (setup->GetMeasurementClass() == CMeasSetup::kClassPower) {
            // The power meter's setup is written by the common setup file.
            CSetupFile file(setup.get());
            ASSERT_TRUE(file.Write(setup->GetFilePath()));
            return;
        }
        ASSERT_TRUE(setup->Save());
    }
    fs::path Host(const std::string& name) const {
        return root_.path() / "FlashFX Disk" / "My Setups" / name;
    }
    void Open() {
        screen_ = std::make_unique<Screen>();
        dialogs_.current = screen_.get();
        screen_->OnCreate(&view, &frame_, 0, services.scheme.get());
        screen_->SetSetupContext(&context_);
        screen_->OnActivate();
        drain();
    }
    void Key(uint32_t key) {
        screen_->OnKeyEvent(key, 1);
        screen_->OnKeyEvent(key, 0);
        drain();
    }
    // The file column of the list's rows.
    std::vector<core::Text> Rows() {
        std::vector<core::Text> out;
        CSetupSelectDlg* dlg = screen_->GetSelectDialog();
        if (!dlg) return out;
        for (int r = 0; r < dlg->List().GetItemCount(); ++r)
            out.push_back(dlg->List().GetItemText(r, 0));
        return out;
    }
    void Highlight(const core::Text& name) {
        CSetupSelectDlg* dlg = screen_->GetSelectDialog();
        ASSERT_NE(dlg, nullptr);
        for (int i = 0; i < dlg->GetRowCount(); ++i) {
            if (dlg->GetSelectedSetup() && dlg->GetSelectedSetup()->GetEntryFileName() == name)
                return;
            dlg->MoveHighlight(true);
        }
        FAIL() << "no row " << plat::to_utf8(name);
    }
    std::set<std::string> SetupFiles() const {
        std::set<std::string> out;
        for (const auto& dir : {Host(""), Host("Backup")})
            for (const auto& e : fs::directory_iterator(dir))
                if (e.is_regular_file()) out.insert(e.path().filename().string());
        return out;
    }

    celvane_test::TempRoot root_{"setup-screen"};
    Frame frame_;
    Services app_;
    DialogServices dialogs_;
    CSAMeasSetup context_;
    std::unique_ptr<Screen> screen_;
};

TEST_F(SetupScreen, OpensOnItsMainPageWithTheFactorySetupListed) {
    Open();
    EXPECT_EQ(screen_->GetModeId(), 5);
    EXPECT_EQ(screen_->GetPopupId(), 137);
    EXPECT_EQ(screen_->page(), 0);
    const int labels[] = {1194, 1142, 1143, 1208, 1209, 651, 184, 1019};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(screen_->label(0, k), labels[k]) << k;
    EXPECT_EQ(screen_->file_label_panel()->GetFileLabel(), LoadResString(136));
    // The network analyzer's factory setup has no screen on this unit.
    EXPECT_EQ(Rows(), std::vector<core::Text>{u"Factory SA"});
    EXPECT_NE(screen_->GetFactorySA(), nullptr);
    EXPECT_EQ(screen_->GetFactoryVNA(), nullptr);
}

TEST_F(SetupScreen, ListsTheFolderAsTheUnitCarriesItAndNamesAFileItCannotRead) {
    Save(std::make_unique<CSAMeasSetup>(), u"A");
    fs::rename(Host("A.tws"), Host("A.TWS"));
    Save(std::make_unique<CSAMeasSetup>(), u"factory sa");
    Save(std::make_unique<CSAMeasSetup>(), u"Hidden");
    fs::rename(Host("Hidden.tws"), Host(".h.tws"));
    fs::create_directories(Host("x.tws"));
    Save(std::make_unique<CVNAMeasSetup>(), u"N");
    Save(std::make_unique<CSAMeasSetup>(), u"T");
    const std::string whole = root_.Read(Host("T.tws"));
    root_.Write(Host("T.tws"), whole.substr(0, whole.size() / 2));
    const size_t history_before = HistoryRing().Count();
    Open();
    EXPECT_EQ(Rows(), (std::vector<core::Text>{u"A", u"Factory SA", u"factory sa"}));
    // The damaged file: one history entry, and the screen names it.
    EXPECT_EQ(HistoryRing().Count(), history_before + 1);
    EXPECT_NE(HistoryRing().Format().find("T.tws"), std::string::npos);
    EXPECT_NE(screen_->GetLoadReport().find(u"T.tws"), core::Text::npos);
    EXPECT_NE(screen_->GetLoadReport().find(u"1"), core::Text::npos);
    // "factory sa" is an ordinary setup.
    EXPECT_NE(CListedSetup::From(app_.list.FindByName(u"factory sa")), screen_->GetFactorySA());
    screen_.reset();
    // With a network analyzer screen its setups are listed too.
    Carry(1);
    Open();
    EXPECT_EQ(Rows(),
              (std::vector<core::Text>{u"A", u"Factory SA", u"Factory VNA", u"N", u"factory sa"}));
    EXPECT_NE(screen_->GetFactoryVNA(), nullptr);
}

TEST_F(SetupScreen, DeletesTheHighlightedSetupOnlyWhenTheUserSaysYes) {
    Save(std::make_unique<CSAMeasSetup>(), u"Mast");
    Save(std::make_unique<CSAMeasSetup>(), u"Other");
    Open();
    Key(VK_F5);  // manage setup files
    ASSERT_EQ(screen_->page(), 56);
    Highlight(u"Mast");
    const auto before = SetupFiles();
    app_.answers = {kNo};
    Key(VK_F4);
    ASSERT_EQ(app_.messages.size(), 1u);
    EXPECT_EQ(app_.messages[0], LoadResString(1147));
    EXPECT_EQ(SetupFiles(), before);
    app_.answers = {kYes};
    Key(VK_F4);
    auto after = before;
    after.erase("Mast.tws");
    EXPECT_EQ(SetupFiles(), after);
    EXPECT_EQ(frame_.Recalls(), 0u);
    EXPECT_EQ(Rows(), (std::vector<core::Text>{u"Factory SA", u"Other"}));
    // The factory setup is refused without a question.
    app_.messages.clear();
    Highlight(u"Factory SA");
    Key(VK_F4);
    EXPECT_EQ(app_.messages, std::vector<core::Text>{LoadResString(1202)});
    EXPECT_EQ(SetupFiles(), after);
}

TEST_F(SetupScreen, DeleteAllLeavesTheTwoFactoryFiles) {
    Carry(1);
    for (const char16_t* name : {u"A", u"B", u"C"}) Save(std::make_unique<CSAMeasSetup>(), name);
    Open();
    Key(VK_F5);
    app_.answers = {kYes};
    Key(VK_F5);
    EXPECT_EQ(app_.messages, std::vector<core::Text>{LoadResString(1210)});
    EXPECT_EQ(SetupFiles(), (std::set<std::string>{"Factory SA.tws", "Factory VNA.tws"}));
    EXPECT_EQ(Rows(), (std::vector<core::Text>{u"Factory SA", u"Factory VNA"}));
}

TEST_F(SetupScreen, SavesUnderATypedNameAndAsksBeforeOverwriting) {
    Open();
    context_.SetTitle(u"old title");
    screen_->typed = SetupSaveInfo{u"42", u"Title", u"Sub", u"Notes"};
    Key(VK_F2);
    ASSERT_TRUE(fs::exists(Host("42.tws")));
    const std::string first = root_.Read(Host("42.tws"));
    EXPECT_NE(first.find("Title"), std::string::npos);
    EXPECT_NE(first.find("Notes"), std::string::npos);
    EXPECT_EQ(context_.GetSetupLabel(), u"42");
    EXPECT_EQ(Rows(), (std::vector<core::Text>{u"42", u"Factory SA"}));
    // Again: No keeps the bytes, Yes writes them anew.
    screen_->typed->notes = u"Other notes";
    app_.answers = {kNo};
    Key(VK_F2);
    EXPECT_EQ(app_.messages.back(), LoadResString(1340));
    EXPECT_EQ(root_.Read(Host("42.tws")), first);
    app_.answers = {kYes};
    Key(VK_F2);
    EXPECT_NE(root_.Read(Host("42.tws")).find("Other notes"), std::string::npos);
}

TEST_F(SetupScreen, RefusesNamesThatAreNoFileNames) {
    Open();
    const auto before = SetupFiles();
    for (const char16_t* name : {u"a\\b", u"..", u"a/b", u"x:y", u"q?", u" . ", u"", u"t\tab"}) {
        app_.messages.clear();
        EXPECT_FALSE(screen_->CreateSetupFile(&context_, {name, u"", u"", u""}));
        EXPECT_EQ(app_.messages, std::vector<core::Text>{LoadResString(64252)});
    }
    EXPECT_EQ(SetupFiles(), before);
    EXPECT_TRUE(fs::is_empty(root_.path() / "FlashFX Disk" / "My Setups" / "Backup") == false);
}

TEST_F(SetupScreen, AFailedSaveKeepsTheSetupsOldName) {
    Open();
    context_.SetSetupLabel(u"Live");
    context_.SetFilePath(u"\\FlashFX Disk\\My Setups\\Live.tws");
    context_.SetTitle(u"Live title");
    fs::remove_all(root_.path() / "FlashFX Disk" / "My Setups");
    EXPECT_FALSE(screen_->CreateSetupFile(&context_, {u"New", u"New title", u"", u""}));
    EXPECT_EQ(app_.messages.back(), u"Error: Could not create a new setup.");
    EXPECT_EQ(context_.GetSetupLabel(), u"Live");
    EXPECT_EQ(context_.GetTitle(), u"Live title");
    EXPECT_EQ(context_.GetFilePath(), u"\\FlashFX Disk\\My Setups\\Live.tws");
}

TEST_F(SetupScreen, TheFactorySetupIsProposedUnderTheGeneralName) {
    Open();
    context_.SetSetupLabel(u"Factory SA");
    context_.SetSubtitle(u"factory");
    Key(VK_F2);
    ASSERT_EQ(screen_->proposed.size(), 1u);
    EXPECT_EQ(screen_->proposed[0].name, u"General SA");
    EXPECT_EQ(screen_->proposed[0].title, u"General SA Measurement");
    EXPECT_EQ(screen_->proposed[0].subtitle, u"");
    EXPECT_TRUE(fs::exists(Host("General SA.tws")));
}

TEST_F(SetupScreen, SavingOverAFileKeepsTheCalibrationsOfBothSetups) {
    fs::create_directories(root_.path() / "FlashFX Disk" / "My Cals");
    root_.Write("FlashFX Disk/My Cals/Site1.cal", "one");
    root_.Write("FlashFX Disk/My Cals/Site2.cal", "two");
    Carry(1);
    Save(std::make_unique<CVNAMeasSetup>(), u"Site1");
    Save(std::make_unique<CVNAMeasSetup>(), u"Site2");
    Open();
    CVNAMeasSetup site1;
    ASSERT_TRUE(site1.Load(u"\\FlashFX Disk\\My Setups\\Site1.tws"));
    app_.answers = {kYes};
    EXPECT_TRUE(screen_->CreateSetupFile(&site1, {u"Site2", u"", u"", u""}));
    // Site1's own calibration stays; the overwritten file's goes with it.
    EXPECT_EQ(root_.Read("FlashFX Disk/My Cals/Site1.cal"), "one");
    EXPECT_FALSE(root_.Exists("FlashFX Disk/My Cals/Site2.cal"));
    EXPECT_TRUE(fs::exists(Host("Site1.tws")));
}

TEST_F(SetupScreen, ViewsSetupsAndStepsThroughThemWithWrap) {
    Carry(3);
    for (const char16_t* name : {u"A", u"B", u"C"}) Save(std::make_unique<CSAMeasSetup>(), name);
    Save(std::make_unique<CPowerMeasSetup>(), u"D");
    Open();
    Highlight(u"A");
    Key(VK_F6);  // view setup
    ASSERT_EQ(screen_->GetPopupId(), 172);
    ASSERT_EQ(screen_->page(), 54);
    CSetupSequenceDlg* seq = screen_->GetSequenceDialog();
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->GetPreviousName(), u"Factory SA");
    EXPECT_EQ(seq->GetNextName(), u"B");
    const struct {
        uint32_t key;
        const char16_t* viewed;
    } steps[] = {{VK_F7, u"B"}, {VK_F7, u"C"},          {VK_F7, u"D"}, {VK_F7, u"Factory SA"},
                 {VK_F7, u"A"}, {VK_F8, u"Factory SA"}, {VK_F8, u"D"}};
    for (const auto& s : steps) {
        Key(s.key);
        ASSERT_NE(screen_->GetViewedSetup(), nullptr);
        EXPECT_EQ(screen_->GetViewedSetup()->GetName(), s.viewed);
    }
    // The viewed power setup is read as one.
    ASSERT_NE(seq->GetViewedSetup(), nullptr);
    EXPECT_EQ(seq->GetViewedSetup()->GetMeasurementClass(), CMeasSetup::kClassPower);
    EXPECT_EQ(seq->GetPreviousName(), u"C");
    EXPECT_EQ(seq->GetNextName(), u"Factory SA");
}

TEST_F(SetupScreen, WithOneSetupBothNeighboursAreItself) {
    fs::remove(root_.path() / "FlashFX Disk" / "My Setups" / "Backup" / "Factory SA.tws");
    Save(std::make_unique<CSAMeasSetup>(), u"Only");
    Open();
    Key(VK_F6);
    CSetupSequenceDlg* seq = screen_->GetSequenceDialog();
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->GetPreviousName(), u"Only");
    EXPECT_EQ(seq->GetNextName(), u"Only");
    Key(VK_F8);  // previous: nothing with one setup
    EXPECT_EQ(screen_->GetViewedSetup()->GetName(), u"Only");
}

TEST_F(SetupScreen, RecallsTheFactorySetupOnlyWhileItIsListed) {
    Open();
    Key(VK_F4);  // recall default
    ASSERT_EQ(frame_.Recalls(), 1u);
    EXPECT_EQ(reinterpret_cast<CSortedItem*>(frame_.commands.back().second)->GetName(),
              u"Factory SA");
    fs::remove(Host("Backup/Factory SA.tws"));
    screen_->ReloadSetupList();
    screen_->GetSelectDialog()->Reload();
    EXPECT_EQ(screen_->GetFactorySA(), nullptr);
    Key(VK_F4);
    EXPECT_EQ(frame_.Recalls(), 1u);
}

TEST_F(SetupScreen, CopiesSetupsToAndFromTheUsbDrive) {
    Save(std::make_unique<CSAMeasSetup>(), u"A");
    Save(std::make_unique<CSAMeasSetup>(), u"B");
    Open();
    Key(VK_F5);
    Highlight(u"A");
    // No USB drive: said, nothing copied.
    Key(VK_F1);
    EXPECT_EQ(app_.messages, std::vector<core::Text>{LoadResString(64255)});
    EXPECT_FALSE(root_.Exists("Hard Disk"));
    fs::create_directories(root_.path() / "Hard Disk");
    Key(VK_F1);
    const fs::path usb = root_.path() / "Hard Disk" / "My Setups";
    ASSERT_TRUE(fs::exists(usb / "A.tws"));
    EXPECT_EQ(root_.Read(usb / "A.tws"), root_.Read(Host("A.tws")));
    EXPECT_FALSE(fs::exists(usb / "B.tws"));
    Key(VK_F2);  // all to USB
    EXPECT_EQ(root_.Read(usb / "B.tws"), root_.Read(Host("B.tws")));
    // From USB: a new file and one over a listed file, each listed once.
    CSAMeasSetup c;
    c.SetSetupLabel(u"C");
    c.SetFilePath(u"\\Hard Disk\\My Setups\\C.tws");
    ASSERT_TRUE(c.Save());
    Key(VK_F3);
    EXPECT_EQ(root_.Read(Host("C.tws")), root_.Read(usb / "C.tws"));
    EXPECT_EQ(Rows(), (std::vector<core::Text>{u"A", u"B", u"C", u"Factory SA"}));
}

}  // namespace

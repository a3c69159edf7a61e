// The setup list dialog over real setup objects of the application's sorted
// list: its rows, the texts it hands to the screen, the highlight's wrap,
// the sort actions, Enter's recall and the file-manager form's choices.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "core/app_commands.h"
#include "core/frequency_range.h"
#include "core/params.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "core/routines.h"
#include "core/sorted_item_list.h"
#include "core/units.h"
#include "dialogs/file_list_screen.h"
#include "dialogs/setup_select_dlg.h"
#include "dialogs/setup_sequence_dlg.h"
#include "dialogs/setup_texts.h"
#include "dialogs/tests/dialog_test_support.h"
#include "files/listed_setup.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"

namespace {

using namespace dialog_test;

// The window the dialog lives in; it records the commands posted to it.
// Like the real receiver it owns a readout text it is sent, and keeps a
// copy of it.
class Parent : public plat::CWnd {
  public:
    std::vector<std::pair<uint32_t, intptr_t>> commands;
    std::vector<std::u16string> readouts;

  protected:
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override {
        const uint32_t code = plat::loword(wparam);
        commands.emplace_back(code, lparam);
        if (code == kCmdReadout) {
            const std::unique_ptr<core::Text> text(TakeCommandObject<kCmdReadout>(lparam));
            readouts.push_back(*text);
        }
        return true;
    }
};

// An instrument screen with a file list of its own.
class FileScreen : public IFileListScreen {
  public:
    ISetupEntry* first = nullptr;
    int page = 0;
    int key_codes = 0, deletes = 0;
    ISetupEntry* GetFirstFileEntry() override { return first; }
    int GetSoftKeyPage() const override { return page; }
    bool OnKeyCode(int key) override {
        EXPECT_EQ(key, 0);
        ++key_codes;
        return true;
    }
    bool DeleteTraceFiles(int key) override {
        EXPECT_EQ(key, 0);
        ++deletes;
        return true;
    }
};

class SetupServices : public FakeServices {
  public:
    CSortedItemList* list = nullptr;
    FileScreen* screen = nullptr;
    std::vector<std::vector<core::Text>> shown;  // slots 0, 1, 2 and 5 of each hand-over

    ISetupEntry* SortSetupList(uint32_t mode) override {
        if (!list) return nullptr;
        list->SetSortMode(mode);
        if (!list->IsSorted()) list->SortChain();
        return CListedSetup::EntryOf(list->GetHead());
    }
    void HandOverToCurrentMode(std::unique_ptr<CBufferPair> pair) override {
        std::vector<core::Text> texts;
        for (int slot : {0, 1, 2, 5}) texts.push_back(pair->Get(slot) ? *pair->Get(slot) : u"?");
        shown.push_back(texts);
    }
    IFileListScreen* GetFileListScreen() const override { return screen; }
};

constexpr int kYear = 2026, kMonth = 12, kDay = 10;

std::unique_ptr<CMeasSetup> Stored(std::unique_ptr<CMeasSetup> setup, const char16_t* name,
                                   int hour, int minute) {
    setup->SetFilePath(core::Text(u"\\FlashFX Disk\\My Setups\\") + name + u".tws");
    setup->SetSaveTime(MakeLocal(kYear, kMonth, kDay, hour, minute, 0));
    return setup;
}

class SetupSelect : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        plat::register_window_class({"SetupSelectParent", 0, std::nullopt});
        ASSERT_TRUE(parent_.Create("SetupSelectParent", u"", plat::WS_POPUP | plat::WS_VISIBLE,
                                   {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0));
        mine_.holder = mine_.scheme.get();
        mine_.view = &parent_;
        mine_.with_bars = false;
        mine_.list = &list_;
        IDialogServices::set_current(&mine_);
    }
    void TearDown() override {
        if (dlg_ && dlg_->exists()) dlg_->DestroyWindow();  // frees itself
        drain();
        parent_.DestroyWindow();
        DialogFixture::TearDown();
    }

    // Three setups: a spectrum one from 100 MHz to 200 MHz (RBW 1 kHz, VBW
    // 300 Hz) saved at 00:05, a network analyzer one at 12:30 and a power
    // one at 13:07; named so that name order is that order.
    void AddThree() {
        auto sa = std::make_unique<CSAMeasSetup>();
        sa->SetFrequencyRange(std::make_unique<CFrequencyRange>(0u, 100000000u, 200000000u));
        sa->GetBandwidthSettings()->SetRbwIndex(2, false);
        sa->GetBandwidthSettings()->SetVbwIndex(3, false);
        list_.Add(new CListedSetup(Stored(std::move(sa), u"A", 0, 5)));
        list_.Add(new CListedSetup(Stored(std::make_unique<CVNAMeasSetup>(), u"B", 12, 30)));
        list_.Add(new CListedSetup(Stored(std::make_unique<CPowerMeasSetup>(), u"C", 13, 7)));
    }
    CSetupSelectDlg* Open(bool file_manager) {
        dlg_ = new CSetupSelectDlg(&parent_, &mine_.holder, file_manager);
        EXPECT_TRUE(dlg_->Create());
        dlg_->ShowWindow(plat::SW_SHOW);
        if (!file_manager) dlg_->Reload();
        drain();
        return dlg_;
    }
    core::Text Cell(int row, int column) const { return dlg_->List().GetItemText(row, column); }
    int Marked() const { return dlg_->List().GetNextItem(-1, plat::LVNI_FOCUSED); }
    // The file column of the marked row.
    core::Text MarkedName() const { return Marked() < 0 ? u"" : Cell(Marked(), 0); }

    Parent parent_;
    SetupServices mine_;
    CSortedItemList list_;
    CSetupSelectDlg* dlg_ = nullptr;
};

TEST_F(SetupSelect, RowsShowFileFrequencyInstrumentAndTime) {
    AddThree();
    Open(false);
    ASSERT_EQ(dlg_->List().GetItemCount(), 3);
    ASSERT_EQ(dlg_->List().GetHeaderCtrl()->GetItemCount(), 4);
    const core::Text range = FormatValue(100000000, 0, false, false, true, 6) + u"-" +
                             FormatValue(200000000, 0, false, true, true, 6);
    EXPECT_EQ(range, u"100.000000-200.000000 MHz");
    const struct {
        const char16_t* file;
        core::Text mode;
        const char16_t* time;
    } rows[] = {{u"A", u"Spec", u"12:05AM/10-Dec-2026"},
                {u"B", u"VNA", u"12:30PM/10-Dec-2026"},
                {u"C", LoadResString(61228), u"1:07PM/10-Dec-2026"}};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(Cell(r, 0), rows[r].file) << r;
        EXPECT_EQ(Cell(r, 2), rows[r].mode) << r;
        EXPECT_EQ(Cell(r, 3), rows[r].time) << r;
    }
    EXPECT_EQ(Cell(0, 1), range);
    // The screen was shown the first setup: its summary names the range and
    // the bandwidth block's texts.
    ASSERT_FALSE(mine_.shown.empty());
    EXPECT_EQ(mine_.shown.back()[2], range + u", RBW: 1 kHz, VBW: 300 Hz");
    EXPECT_EQ(mine_.shown.back()[0], LoadResString(446));
}

TEST_F(SetupSelect, ArrowsAndWheelWrapAtBothEnds) {
    AddThree();
    Open(false);
    ASSERT_EQ(MarkedName(), u"A");
    const struct {
        uint32_t key;
        int wheel;
        const char16_t* after;
    } steps[] = {{plat::VK_UP, 0, u"C"},   {plat::VK_DOWN, 0, u"A"}, {plat::VK_DOWN, 0, u"B"},
                 {0, -120, u"A"},          {0, -120, u"C"},          {0, 120, u"A"},
                 {plat::VK_DOWN, 0, u"B"}, {plat::VK_DOWN, 0, u"C"}, {plat::VK_DOWN, 0, u"A"}};
    for (const auto& s : steps) {
        if (s.key) {
            plat::post_key_input(s.key, true);
        } else {
            plat::post_wheel_input(s.wheel);
        }
        drain();
        EXPECT_EQ(MarkedName(), s.after);
        EXPECT_EQ(dlg_->GetCurrentRow(), Marked());
    }
    // The highlighted setup's texts went to the screen.
    EXPECT_EQ(mine_.shown.back()[2].substr(0, 3), u"100");
}

TEST_F(SetupSelect, SortActionsCycleTheirModes) {
    Open(false);
    const struct {
        int action;
        uint32_t mode;
    } steps[] = {{8, 1}, {8, 2},  {8, 3},  {10, 6},  {10, 7},  {10, 6}, {9, 4},
                 {9, 5}, {11, 8}, {11, 9}, {12, 10}, {12, 11}, {12, 10}};
    EXPECT_EQ(dlg_->GetSortMode(), 6u);
    for (const auto& s : steps) {
        dlg_->OnAction(s.action);
        EXPECT_EQ(dlg_->GetSortMode(), s.mode) << s.action;
    }
}

TEST_F(SetupSelect, EnterPressedAndReleasedRecallsOnceUnlessTheOwnerActed) {
    AddThree();
    Open(false);
    plat::post_key_input(plat::VK_DOWN, true);
    drain();
    Press(plat::VK_RETURN);
    drain();
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].first, static_cast<uint32_t>(kCmdRecallSetup));
    auto* item = reinterpret_cast<CSortedItem*>(parent_.commands[0].second);
    ASSERT_NE(CListedSetup::From(item), nullptr);
    EXPECT_EQ(item->GetName(), u"B");
    EXPECT_EQ(CListedSetup::From(item), dlg_->GetChosenSetup());
    // A release without its press chooses nothing.
    plat::post_key_input(plat::VK_RETURN, false);
    drain();
    EXPECT_EQ(parent_.commands.size(), 1u);
    // The owner acted between press and release: the release only clears.
    plat::post_key_input(plat::VK_RETURN, true);
    drain();
    dlg_->SetActedOn(true);
    plat::post_key_input(plat::VK_RETURN, false);
    drain();
    EXPECT_EQ(parent_.commands.size(), 1u);
    EXPECT_FALSE(dlg_->IsActedOn());
}

TEST_F(SetupSelect, AnEmptyListShowsBlanksAndChoosesNothing) {
    Open(false);
    EXPECT_EQ(dlg_->List().GetItemCount(), 0);
    ASSERT_FALSE(mine_.shown.empty());
    EXPECT_EQ(mine_.shown.back(), (std::vector<core::Text>{u" ", u" ", u" ", u" "}));
    Press(plat::VK_RETURN);
    plat::post_key_input(plat::VK_DOWN, true);
    drain();
    EXPECT_TRUE(parent_.commands.empty());
    EXPECT_EQ(dlg_->GetChosenSetup(), nullptr);
}

TEST_F(SetupSelect, RemovedEntriesPutTheMarkOnTheCurrentRowModuloTheCount) {
    AddThree();
    Open(false);
    plat::post_key_input(plat::VK_UP, true);
    drain();
    ASSERT_EQ(dlg_->GetCurrentRow(), 2);
    CSortedItem* last = list_.GetHead()->NextItem()->NextItem();
    ASSERT_TRUE(list_.Remove(last));
    delete last;
    parent_.commands.clear();
    dlg_->SendMessage(plat::WM_COMMAND, CSetupSelectDlg::kUpdateDialogList, 0);
    EXPECT_EQ(dlg_->List().GetItemCount(), 2);
    EXPECT_EQ(MarkedName(), u"A");  // 2 modulo 2
}

TEST_F(SetupSelect, TheFileManagerFormActsByTheScreensPage) {
    AddThree();
    FileScreen screen;
    screen.first = CListedSetup::EntryOf(list_.GetHead());
    mine_.screen = &screen;
    mine_.list = nullptr;
    const struct {
        int page;
        int key_codes, deletes;
        size_t commands;
    } cases[] = {{45, 1, 0, 1}, {46, 0, 1, 0}, {0, 0, 0, 0}, {54, 0, 0, 0}};
    for (const auto& c : cases) {
        screen.page = c.page;
        screen.key_codes = screen.deletes = 0;
        parent_.commands.clear();
        Open(true);
        ASSERT_EQ(dlg_->List().GetHeaderCtrl()->GetItemCount(), 3);
        ASSERT_EQ(dlg_->List().GetItemCount(), 3);
        EXPECT_EQ(Cell(1, 0), u"B");
        EXPECT_EQ(Cell(2, 2), u"1:07PM/10-Dec-2026");
        Press(plat::VK_RETURN);
        drain();
        EXPECT_EQ(screen.key_codes, c.key_codes) << c.page;
        EXPECT_EQ(screen.deletes, c.deletes) << c.page;
        ASSERT_EQ(parent_.commands.size(), c.commands) << c.page;
        if (c.commands) {
            EXPECT_EQ(parent_.commands[0].first, static_cast<uint32_t>(kCmdClosePopup));
            EXPECT_EQ(parent_.commands[0].second, CSetupSelectDlg::IDD);
        }
        dlg_->DestroyWindow();
        dlg_ = nullptr;
        drain();
    }
}

// The viewer of one setup: the arrows and the wheel move through its lines
// with wrap, and each line with a help text posts that text to the window
// the viewer lives in (line 0 the setup's label, line 1 its path; the last
// line, the waterfall, has none).
TEST_F(SetupSelect, TheViewerMovesThroughTheLinesWithWrapAndPostsEachLinesHelp) {
    CSAMeasSetup viewed;
    viewed.SetFilePath(u"\\FlashFX Disk\\My Setups\\A.tws");
    auto* seq = new CSetupSequenceDlg(&parent_);  // frees itself
    seq->SetViewedSetup(&viewed);
    ASSERT_TRUE(seq->Create());
    seq->ShowWindow(plat::SW_SHOW);
    drain();
    const int last = seq->Lines().GetCount() - 1;
    ASSERT_GT(last, 14);
    ASSERT_EQ(seq->Lines().GetItemData(last), 68u);
    // The help text each move posted, or "" for none.
    auto move = [&](const std::function<void()>& input) {
        parent_.readouts.clear();
        input();
        drain();
        return parent_.readouts.empty() ? std::u16string() : parent_.readouts.back();
    };
    const struct {
        const char* input;
        std::function<void()> act;
        int row;
        uint32_t help;  // 0: none
    } steps[] = {
        {"up on row 0", [] { Press(plat::VK_UP); }, last, 0},
        {"down on the last row", [] { Press(plat::VK_DOWN); }, 0, 64406},
        {"left as down", [] { Press(plat::VK_LEFT); }, 1, 64407},
        {"right as up", [] { Press(plat::VK_RIGHT); }, 0, 64406},
        {"wheel back", [] { plat::post_wheel_input(-120); }, last, 0},
        {"wheel on", [] { plat::post_wheel_input(120); }, 0, 64406},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.input);
        const std::u16string help = move(step.act);
        EXPECT_EQ(seq->Lines().GetCurSel(), step.row);
        EXPECT_EQ(help, step.help ? LoadResString(step.help) : u"");
    }
    seq->DestroyWindow();
    drain();
}

TEST(SetupTexts, SizesTimesAndDates) {
    const struct {
        uint64_t bytes;
        bool whole;
        const char16_t* text;
    } sizes[] = {{0, false, u"0 bytes"},
                 {1022, false, u"1022 bytes"},
                 {1023, false, u"1.0 Kbytes"},
                 {1536, false, u"1.5 Kbytes"},
                 {1536, true, u"1.0 Kbytes"},
                 {1048574, false, u"1024.0 Kbytes"},
                 {1048575, false, u"1.0 Mbytes"},
                 {3 * 1048576 / 2, false, u"1.5 Mbytes"},
                 {3 * 1048576 / 2, true, u"1.0 Mbytes"}};
    for (const auto& s : sizes)
        EXPECT_EQ(setup_texts::FormatSize(s.bytes, s.whole), s.text) << s.bytes;
    const struct {
        int hour, minute, second;
        const char16_t* stamp;
        const char16_t* date_time;
    } times[] = {{0, 5, 0, u"12:05AM/08-Dec-2026", u"12:05:00 AM 08/12/2026"},
                 {0, 30, 0, u"12:30AM/08-Dec-2026", u"12:30:00 AM 08/12/2026"},
                 {12, 30, 0, u"12:30PM/08-Dec-2026", u"12:30:00 PM 08/12/2026"},
                 {13, 5, 9, u"1:05PM/08-Dec-2026", u"01:05:09 PM 08/12/2026"},
                 {23, 59, 59, u"11:59PM/08-Dec-2026", u"11:59:59 PM 08/12/2026"}};
    for (const auto& t : times) {
        const std::time_t when = MakeLocal(2026, 12, 8, t.hour, t.minute, t.second);
        EXPECT_EQ(setup_texts::FormatTimeStamp(when), t.stamp);
        EXPECT_EQ(setup_texts::FormatDateTime(when), t.date_time);
    }
    // A damaged file's bandwidth index names no text.
    EXPECT_EQ(setup_texts::RbwText(9), u"");
    EXPECT_EQ(setup_texts::VbwText(11), u"");
    EXPECT_EQ(setup_texts::VbwText(10), u"1 MHz");
}

}  // namespace

// The save dialog driven as the user drives it: the input panel's
// selection by arrows, Enter typing the selected character, digits typing
// themselves, the soft keys moving between fields and editing, and the
// names and titles it refuses with a message box answered by keys.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/res_string.h"
#include "core/sip_helper.h"
#include "core/text.h"
#include "dialogs/message_dlg.h"
#include "dialogs/tests/dialog_test_support.h"
#include "dialogs/text_entry_dlg.h"
#include "platform/framework/sip_panel.h"
#include "platform/text/utf.h"

namespace {

using namespace dialog_test;

class OpenedSaveInfo : public CSaveInfoDlg {
  public:
    using CSaveInfoDlg::CSaveInfoDlg;
    plat::Event opened{true, false};
    std::u16string Text(int id) const {
        const plat::CWnd* c = GetDlgItem(id);
        return c ? c->GetWindowText() : std::u16string();
    }

  protected:
    bool OnInitDialog() override {
        const bool r = CSaveInfoDlg::OnInitDialog();
        opened.set();
        return r;
    }
};

class OpenedMessage : public CMessageDlg {
  public:
    OpenedMessage(plat::CWnd* parent, const std::u16string& text, uint32_t style,
                  plat::Event& opened)
        : CMessageDlg(parent, text, style), opened_(opened) {}

  protected:
    bool OnInitDialog() override {
        const bool r = CMessageDlg::OnInitDialog();
        opened_.set();
        return r;
    }

  private:
    plat::Event& opened_;
};

// The message boxes shown, each a real box the user answers; `box_opened`
// is set once one is up.
class RecordingServices : public FakeServices {
  public:
    std::vector<std::u16string> shown;
    plat::Event box_opened{true, false};
    int ShowMessage(const std::u16string& text, uint32_t style,
                    const std::u16string& /*caption*/) override {
        shown.push_back(text);
        OpenedMessage box(GetMainView(), text, style, box_opened);
        return static_cast<int>(box.DoModal());
    }
};

class SaveInfo : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        recording.holder = recording.scheme.get();
        recording.view = &view;
        recording.with_bars = false;
        IDialogServices::set_current(&recording);
        // The input panel settles for a short while as it opens: time moves
        // on to a deadline that near once a thread sleeps until it.
        mover_ = std::thread([this] {
            while (!stop_) {
                const uint64_t now = clock.now(), next = clock.next_deadline();
                if (next > now && next <= now + kPanelSettleMs) clock.advance(next - now);
                std::this_thread::yield();
            }
        });
    }
    void TearDown() override {
        stop_ = true;
        mover_.join();
        DialogFixture::TearDown();
    }
    std::string Label(int i) { return core::LowBytes(services.keys.Key(i)->GetTitle()); }
    static void SoftKey(int n) { Press(plat::vk_function(n)); }
    // Moves the panel's selection to a character of its grid (down and
    // right, wrapping) and types it with Enter.
    void TypeFromPanel(char16_t ch) {
        const size_t at = plat::kSipCharacters.find(ch);
        ASSERT_NE(at, std::u16string_view::npos);
        Settle();
        const int from = plat::sip_panel_state().selected;
        const int to = static_cast<int>(at);
        const int rows =
            (to / plat::kSipColumns - from / plat::kSipColumns + plat::kSipRows) % plat::kSipRows;
        const int columns =
            (to % plat::kSipColumns - from % plat::kSipColumns + plat::kSipColumns) %
            plat::kSipColumns;
        for (int r = 0; r < rows; ++r) Press(plat::VK_DOWN);
        for (int c = 0; c < columns; ++c) Press(plat::VK_RIGHT);
        Press(plat::VK_RETURN);
    }

    RecordingServices recording;
    static constexpr uint64_t kPanelSettleMs = 125;
    std::atomic<bool> stop_{false};
    std::thread mover_;
};

TEST_F(SaveInfo, TypesByPanelAndKeypadAndMovesBetweenFields) {
    OpenedSaveInfo dlg(&view);
    dlg.m_Name = u"General SA";
    dlg.m_Subtitle = u"old";
    dlg.m_Path = u"\\FlashFX Disk\\My Setups\\A rather long setup name.tws";
    dlg.m_DateTime = u"12/08/2026 13:05:09";
    IDialogServices::set_current(&services);  // with the screen's bars
    std::u16string path_shown, title_preset, caption;
    std::vector<std::string> labels;
    bool panel_shown = false;
    const intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            Settle();
            path_shown = dlg.Text(CSaveInfoDlg::kPathEdit);
            title_preset = dlg.Text(CSaveInfoDlg::kTitleEdit);
            caption = dlg.Text(CSaveInfoDlg::kNameCaption);
            for (int i = 0; i < 8; ++i) labels.push_back(Label(i));
            panel_shown = plat::sip_panel_state().shown;
            SoftKey(7);  // clear the name
            Press('4');
            Press('2');
            TypeFromPanel(u'M');  // 42M
            SoftKey(3);           // caret before M
            SoftKey(5);           // back space: 4M
            SoftKey(6);           // delete: 4
            Press(plat::VK_OEM_PERIOD);
            Press('5');  // 4.5
            SoftKey(2);  // title
            SoftKey(5);  // General -> Genera
            SoftKey(2);  // sub title
            SoftKey(7);
            TypeFromPanel(u'B');
            SoftKey(2);  // notes
            SoftKey(2);  // back to the name
            Press('6');
            Settle();
            SoftKey(1);
        });
    EXPECT_EQ(r, plat::IDOK);
    EXPECT_TRUE(panel_shown);
    // A 52-character path shows its last 37 characters after "...".
    EXPECT_EQ(path_shown, u"..." + dlg.m_Path.substr(dlg.m_Path.size() - 37));
    EXPECT_EQ(title_preset, u"General");
    EXPECT_EQ(caption, LoadResString(64225));
    EXPECT_EQ(labels, (std::vector<std::string>{"Save", "Next\nField", "Prev\nChar", "Next\nChar",
                                                "Back\nSpace", "Delete", "Clear", "Return"}));
    EXPECT_EQ(dlg.m_Name, u"4.56");
    EXPECT_EQ(dlg.m_Title, u"Genera");
    EXPECT_EQ(dlg.m_Subtitle, u"B");
}

// A refused entry shows one box; the Enter that answers it neither types
// nor accepts, and the dialog stays open on the field to mend.
TEST_F(SaveInfo, RefusesNamesThatAreNoFileNamesAndTitlesTooLong) {
    struct Case {
        std::u16string name, title;
        uint32_t message;
        int field;
    };
    const Case cases[] = {
        {u"a\\b", u"", CSaveInfoDlg::kInvalidName, 0},
        {u"..", u"", CSaveInfoDlg::kInvalidName, 0},
        {u" . ", u"", CSaveInfoDlg::kInvalidName, 0},
        {u"", u"", CSaveInfoDlg::kInvalidName, 0},
        {u"x:y", u"", CSaveInfoDlg::kInvalidName, 0},
        {u"ok", std::u16string(31, u'T'), CSaveInfoDlg::kTooLong, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(plat::to_utf8(c.name));
        recording.shown.clear();
        OpenedSaveInfo dlg(&view);
        dlg.m_Name = c.name;
        dlg.m_Title = c.title;
        int field = -1;
        std::u16string name_after;
        const intptr_t r = RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); },
            [&] {
                Settle();
                recording.box_opened.reset();
                SoftKey(1);
                recording.box_opened.wait(plat::INFINITE);
                Settle();
                Press(plat::VK_RETURN);  // OK on the box
                Settle();
                field = dlg.GetCurrentField();
                name_after = dlg.Text(CSaveInfoDlg::kNameEdit);
                SoftKey(8);
            });
        EXPECT_EQ(r, plat::IDCANCEL);
        EXPECT_EQ(recording.shown, std::vector<std::u16string>{LoadResString(c.message)});
        EXPECT_EQ(field, c.field);
        EXPECT_EQ(name_after, c.name);
    }
}

// The edit operations on a field at its caret.
TEST_F(SaveInfo, EditsAtTheCaretInInsertAndOverwriteMode) {
    OpenedSaveInfo dlg(&view);
    dlg.m_Name = u"abc";
    ASSERT_TRUE(dlg.Create());
    plat::CEdit* edit = dlg.GetFieldEdit(0);
    ASSERT_NE(edit, nullptr);
    edit->SetSel(0, 0);
    dlg.EditKey(0, CTextEntryDlg::kKeyBackSpace);  // at the start: nothing
    EXPECT_EQ(edit->GetWindowText(), u"abc");
    dlg.EditKey(0, CTextEntryDlg::kKeyEnd);
    dlg.EditKey(0, CTextEntryDlg::kKeyDelete);  // at the end: nothing
    EXPECT_EQ(edit->GetWindowText(), u"abc");
    dlg.EditKey(0, CTextEntryDlg::kKeyInsert);  // overwrite from here on
    EXPECT_FALSE(dlg.IsInsertMode());
    dlg.EditKey(0, 'd');  // at the end: appended
    EXPECT_EQ(edit->GetWindowText(), u"abcd");
    dlg.EditKey(0, CTextEntryDlg::kKeyHome);
    dlg.EditKey(0, 186);  // ":" over "a"
    dlg.EditKey(0, 189);  // "-" over "b"
    EXPECT_EQ(edit->GetWindowText(), u":-cd");
    dlg.EditKey(0, CTextEntryDlg::kKeyInsert);
    dlg.EditKey(0, 128);  // "#" inserted before "c"
    EXPECT_EQ(edit->GetWindowText(), u":-#cd");
    dlg.DeleteRange(edit, -3, 2);  // from the start
    EXPECT_EQ(edit->GetWindowText(), u"#cd");
    dlg.DeleteRange(edit, 1, 99);  // to the end
    EXPECT_EQ(edit->GetWindowText(), u"#");
    dlg.ClearField(0);
    EXPECT_EQ(edit->GetWindowText(), u"");
    dlg.DestroyWindow();
    drain();
}

// Typing stops at 30 characters in the title and the sub title; the name
// and the notes take more.
TEST_F(SaveInfo, TitlesTakeThirtyCharactersAndNoMore) {
    OpenedSaveInfo dlg(&view);
    dlg.m_Name = u"n";
    dlg.m_Title = std::u16string(29, u'T');
    ASSERT_TRUE(dlg.Create());
    for (int field = 0; field < 4; ++field) {
        plat::CEdit* edit = dlg.GetFieldEdit(field);
        ASSERT_NE(edit, nullptr);
        dlg.EditKey(field, CTextEntryDlg::kKeyEnd);
        for (int i = 0; i < 40; ++i) dlg.EditKey(field, 'A');
    }
    EXPECT_EQ(dlg.Text(CSaveInfoDlg::kTitleEdit).size(), 30u);
    EXPECT_EQ(dlg.Text(CSaveInfoDlg::kSubtitleEdit).size(), 30u);
    EXPECT_EQ(dlg.Text(CSaveInfoDlg::kNameEdit).size(), 41u);
    EXPECT_EQ(dlg.Text(CSaveInfoDlg::kNotesEdit).size(), 40u);
    dlg.DestroyWindow();
    drain();
}

// A unit that types by its keypad alone has no panel: Enter accepts.
class KeypadOnly : public RecordingServices {
  public:
    uint16_t GetSpiWord() const override { return 1; }
};

TEST_F(SaveInfo, WithoutAnInputPanelEnterAccepts) {
    KeypadOnly keypad;
    keypad.holder = keypad.scheme.get();
    keypad.view = &view;
    IDialogServices::set_current(&keypad);
    OpenedSaveInfo dlg(&view);
    dlg.m_Name = u"Site";
    bool panel = true;
    const intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            Settle();
            panel = dlg.UsesInputPanel();
            Press(plat::VK_RETURN);
        });
    EXPECT_EQ(r, plat::IDOK);
    EXPECT_FALSE(panel);
    EXPECT_EQ(dlg.m_Name, u"Site");
    IDialogServices::set_current(&recording);
}

}  // namespace

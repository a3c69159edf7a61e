// The dialog bases driven through the real message loop: keys and taps on
// the screen's bars reach a soft-key dialog as key messages, Enter and
// Escape act on release, the list-box dialog's wrapping list and soft keys,
// the modeless list dialog's forwarding, colours and self-deletion, and the
// input panel through its wrapper.
#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "core/res_string.h"
#include "core/sip_helper.h"
#include "dialog_test_support.h"
#include "dialogs/list_box_dlg.h"
#include "dialogs/list_dlg.h"
#include "platform/framework/controls.h"
#include "platform/framework/edit.h"
#include "platform/framework/sip_panel.h"

namespace {

using namespace dialog_test;

constexpr int kKeyIdd = 9201;
constexpr int kListBoxIdd = 9202;
constexpr int kListIdd = 9203;
constexpr int kListId = 1393;
constexpr int kEditId = 10, kStaticId = 11, kListBoxId = 12, kButtonId = 13;

void RegisterTemplates() {
    plat::DialogTemplate keys;
    keys.id = kKeyIdd;
    keys.style = plat::WS_POPUP | plat::WS_CAPTION | plat::DS_CENTER;
    keys.cx = 160;
    keys.cy = 80;
    keys.caption = u"Keys";
    keys.items = {{"BUTTON", u"OK", plat::IDOK, plat::WS_TABSTOP, 10, 50, 50, 16}};
    plat::register_dialog_template(keys);

    plat::DialogTemplate list = keys;
    list.id = kListBoxIdd;
    list.items = {{"LISTBOX", u"", kListId, plat::LBS_NOTIFY | plat::WS_BORDER, 8, 8, 140, 60}};
    plat::register_dialog_template(list);

    plat::DialogTemplate coloured = keys;
    coloured.id = kListIdd;
    coloured.items = {
        {"EDIT", u"12", kEditId, plat::WS_TABSTOP, 8, 8, 60, 12},
        {"STATIC", u"Label", kStaticId, plat::SS_LEFT, 80, 8, 60, 12},
        {"LISTBOX", u"", kListBoxId, plat::WS_TABSTOP, 8, 24, 60, 40},
        {"BUTTON", u"Go", kButtonId, plat::WS_TABSTOP, 80, 40, 40, 16},
    };
    plat::register_dialog_template(coloured);
}

class Bases : public DialogFixture {
  protected:
    void SetUp() override {
        RegisterTemplates();
        DialogFixture::SetUp();
    }
};

// Records the keys it sees before dispatch and the soft keys it is told of.
class KeyDlg : public CSoftKeyDlg {
  public:
    explicit KeyDlg(plat::CWnd* parent) : CSoftKeyDlg(kKeyIdd, parent) {}
    plat::Event opened{true, false};
    std::vector<std::pair<uint32_t, bool>> keys;  // key, down
    std::vector<std::pair<int, bool>> soft;

    bool PreTranslateMessage(const plat::Message& m) override {
        if (m.message == plat::WM_KEYDOWN || m.message == plat::WM_KEYUP)
            keys.push_back({static_cast<uint32_t>(m.wparam), m.message == plat::WM_KEYDOWN});
        return CSoftKeyDlg::PreTranslateMessage(m);
    }
    bool OnSoftKey(int index, bool pressed) override {
        soft.push_back({index, pressed});
        return true;
    }

  protected:
    bool OnInitDialog() override {
        const bool r = CSoftKeyDlg::OnInitDialog();
        opened.set();
        return r;
    }
};

TEST_F(Bases, EnterAndEscapeActOnTheirReleaseOnly) {
    for (uint32_t key : {plat::VK_RETURN, plat::VK_ESCAPE}) {
        KeyDlg dlg(&view);
        bool open_while_held = false;
        const intptr_t r = RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); },
            [&] {
                plat::post_key_input(key, true);
                plat::post_key_input(key, true, 2);  // held: repeats
                Settle();
                open_while_held = dlg.IsWindowVisible();
                plat::post_key_input(key, false);
            });
        EXPECT_TRUE(open_while_held);
        EXPECT_EQ(r, key == plat::VK_RETURN ? plat::IDOK : plat::IDCANCEL);
    }
}

TEST_F(Bases, TapsOnTheScreensBarsArriveAsKeys) {
    KeyDlg dlg(&view);
    bool captured_outside = false, released_in_caption = true;
    const intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            EXPECT_EQ(plat::capture_window(), nullptr);
            Tap({20, 20});  // the pointer leaves the dialog
            Settle();
            clock.advance(CSoftKeyDlg::kCapturePeriodMs);
            Settle();
            captured_outside = plat::capture_window() == &dlg;
            Tap(SoftKeyCentre(2));
            Settle();
            Tap(MenuKeyCentre(1));
            Settle();
            // The pointer rests in the caption strip: the capture goes.
            const Rect w = dlg.GetWindowRect();
            Tap({w.left + 40, w.top + 10});
            Settle();
            clock.advance(CSoftKeyDlg::kCapturePeriodMs);
            Settle();
            released_in_caption = plat::capture_window() == nullptr;
            Press(plat::VK_ESCAPE);
        });
    EXPECT_EQ(r, plat::IDCANCEL);
    EXPECT_TRUE(captured_outside);
    EXPECT_TRUE(released_in_caption);
    const std::vector<std::pair<int, bool>> soft{{2, true}, {2, false}};
    EXPECT_EQ(dlg.soft, soft);
    const uint32_t f14 = plat::VK_F13 + 1;
    const std::vector<std::pair<uint32_t, bool>> keys{
        {plat::VK_F1 + 2, true}, {plat::VK_F1 + 2, false}, {f14, true}, {f14, false},
        {plat::VK_ESCAPE, true}, {plat::VK_ESCAPE, false}};
    EXPECT_EQ(dlg.keys, keys);
    EXPECT_EQ(plat::capture_window(), nullptr);
}

class FiveRowDlg : public CListBoxDlg {
  public:
    FiveRowDlg(plat::CWnd* parent, int rows)
        : CListBoxDlg(kListBoxIdd, parent, kListId), rows_(rows) {}
    plat::Event opened{true, false};
    int selchanges = 0;

  protected:
    bool OnInitDialog() override {
        const bool r = CListBoxDlg::OnInitDialog();
        for (int i = 0; i < rows_; ++i) m_List.AddString(u"Row " + std::u16string(1, u'0' + i));
        if (rows_) m_List.SetCurSel(2);
        opened.set();
        return r;
    }
    bool OnCommand(uintptr_t wp, intptr_t lp) override {
        if (plat::loword(wp) == kListId && plat::hiword(wp) == plat::LBN_SELCHANGE) ++selchanges;
        return CListBoxDlg::OnCommand(wp, lp);
    }

  private:
    int rows_;
};

TEST_F(Bases, ListBoxDialogWrapsAndEndsOnTheReleaseOfF6) {
    FiveRowDlg dlg(&view, 5);
    const plat::CListBox& list = dlg.GetList();
    struct Step {
        uint32_t key;
        int wheel;  // a wheel turn instead, 0 for none
        int row;
    };
    const std::vector<Step> steps = {
        {plat::VK_F1 + 3, 0, 0},  // F4: first row
        {plat::VK_UP, 0, 4},      // from the first row to the last
        {plat::VK_DOWN, 0, 0},    // from the last row to the first
        {plat::VK_LEFT, 0, 4},    // last row
        {plat::VK_RIGHT, 0, 0},   // first row
        {plat::VK_F1 + 4, 0, 4},  // F5: last row
        {0, 1, 0},                // forward wheel on the last row: the first
        {0, -1, 4},               // backward from the first: the last
        {plat::VK_DOWN, 0, 0},
        {plat::VK_DOWN, 0, 1},
    };
    std::vector<int> rows;
    std::vector<int> notes;
    bool open_after_f6_down = false;
    const intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            for (const Step& s : steps) {
                const int before = dlg.selchanges;
                if (s.wheel) {
                    plat::post_wheel_notches(s.wheel);
                } else {
                    plat::post_key_input(s.key, true);
                }
                Settle();  // acted on the press
                rows.push_back(list.GetCurSel());
                notes.push_back(dlg.selchanges - before);
                if (!s.wheel) plat::post_key_input(s.key, false);
            }
            plat::post_key_input(plat::VK_F1 + 5, true);
            Settle();
            open_after_f6_down = dlg.IsWindowVisible();
            plat::post_key_input(plat::VK_F1 + 5, false);
        });
    EXPECT_EQ(r, plat::IDOK);
    EXPECT_TRUE(open_after_f6_down);
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(rows[i], steps[i].row) << "step " << i;
        EXPECT_EQ(notes[i], 1) << "one selection change per move, step " << i;
    }
    // The dialog's labels stand on the screen's soft-key bar.
    EXPECT_EQ(services.keys.Key(3)->GetTitle(), LoadResString(CListBoxDlg::kTopLabel));
    EXPECT_EQ(services.keys.Key(5)->GetTitle(), LoadResString(CListBoxDlg::kSelectLabel));
    EXPECT_EQ(services.keys.Key(7)->GetTitle(), LoadResString(CListBoxDlg::kBackLabel));
}

TEST_F(Bases, AnEmptyListIsSilentAndItsOkIsACancel) {
    FiveRowDlg dlg(&view, 0);
    const intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            for (uint32_t k : {plat::VK_UP, plat::VK_DOWN, plat::VK_LEFT, plat::VK_RIGHT,
                               plat::VK_F1 + 3, plat::VK_F1 + 4})
                Press(k);
            plat::post_wheel_notches(1);
            Press(plat::VK_F1 + 5);
        });
    EXPECT_EQ(r, plat::IDCANCEL);
    EXPECT_EQ(dlg.selchanges, 0);
    EXPECT_EQ(dlg.GetList().GetCurSel(), -1);
}

// A modeless list dialog that counts its deletions.
class CountedListDlg : public CListDlg {
  public:
    static inline int deleted = 0;
    CountedListDlg(plat::CWnd* parent, CColorScheme* const* holder)
        : CListDlg(kListIdd, parent, holder) {}
    ~CountedListDlg() override { ++deleted; }
};

class KeyView : public View {
  public:
    std::vector<uint32_t> keys;

  protected:
    void OnKeyDown(uint32_t key, uint32_t, uint32_t) override { keys.push_back(key); }
};

TEST_F(Bases, AModelessListDialogForwardsKeysColoursAndGoesOnce) {
    KeyView parent;
    ASSERT_TRUE(parent.Create("DialogTestView", u"", plat::WS_POPUP | plat::WS_VISIBLE,
                              {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0));
    drain();
    CountedListDlg::deleted = 0;
    for (bool with_scheme : {true, false}) {
        SCOPED_TRACE(with_scheme);
        CColorScheme* none = nullptr;
        auto* dlg = new CountedListDlg(&parent, with_scheme ? &services.holder : &none);
        ASSERT_TRUE(dlg->Create());
        dlg->ShowWindow(plat::SW_SHOW);
        dlg->GetDlgItem(kEditId)->SetFocus();
        drain();
        const plat::Bitmap shot = plat::screen_snapshot();
        auto colour_of = [&](int id) {
            const Rect r = dlg->GetDlgItem(id)->GetWindowRect();
            return shot.pixel(r.right - 3, r.bottom - 3);
        };
        const COLORREF face = with_scheme ? services.scheme->GetColor(CListDlg::kFaceEntry)
                                          : CListDlg::kNoSchemeColor;
        const COLORREF list = with_scheme ? services.scheme->GetColor(CListDlg::kListEntry)
                                          : CListDlg::kNoSchemeColor;
        EXPECT_EQ(colour_of(kStaticId), face);
        EXPECT_EQ(colour_of(kEditId), face);
        EXPECT_EQ(colour_of(kListBoxId), list);
        const Rect w = dlg->GetWindowRect();
        EXPECT_EQ(shot.pixel(w.right - 2, w.bottom - 2), face) << "the face";
        // An instrument key it does not handle goes to the parent; Left moves
        // between its controls and stays.
        parent.keys.clear();
        Press(plat::VK_F1 + 2);
        Press(plat::VK_LEFT);
        Press(plat::VK_F19);
        drain();
        EXPECT_EQ(parent.keys, (std::vector<uint32_t>{plat::VK_F1 + 2, plat::VK_F19}));
        dlg->DestroyWindow();  // the dialog deletes itself
        drain();
    }
    EXPECT_EQ(CountedListDlg::deleted, 2);
    parent.DestroyWindow();
}

TEST_F(Bases, TheInputPanelThroughItsWrapper) {
    const plat::Bitmap before = plat::screen_snapshot();
    {
        CSipHelper sip;
        ASSERT_TRUE(sip.available());
        // Showing waits a moment for the panel: time moves on once it waits.
        plat::Thread ticker = plat::Thread::start([this] {
            while (clock.timed_waiters() == 0) std::this_thread::yield();
            clock.advance(200);
            return 0u;
        });
        sip.ShowAt(256, 352);
        ticker.join();
        drain();
        const plat::SipPanelState s = plat::sip_panel_state();
        EXPECT_TRUE(s.shown);
        EXPECT_EQ(s.rect.left, 256);
        EXPECT_EQ(s.rect.top, 352);
        EXPECT_EQ(plat::screen_snapshot().pixel(256 + 4, 352 + 4), plat::kSipSelected);
        EXPECT_EQ(plat::focus_window(), &view) << "the panel never takes the focus";
        const struct {
            uint32_t key;
            char16_t selected;
        } moves[] = {{plat::VK_LEFT, u'J'}, {plat::VK_RIGHT, u'A'}, {plat::VK_UP, u','},
                     {plat::VK_DOWN, u'A'}, {plat::VK_RIGHT, u'B'}, {plat::VK_DOWN, u'L'}};
        for (const auto& m : moves) {
            ASSERT_TRUE(sip.OnArrowKey(m.key));
            sip.SendImValue(plat::kSipImAnswer);
            EXPECT_EQ(sip.GetImValue(), static_cast<uint32_t>(m.selected));
        }
        sip.SendImValue(CSipHelper::kImReady);  // 513 resets
        sip.SendImValue(plat::kSipImAnswer);
        EXPECT_EQ(sip.GetImValue(), static_cast<uint32_t>(u'A'));
    }  // deleting the wrapper hides the panel
    drain();
    EXPECT_FALSE(plat::sip_panel_state().shown);
    EXPECT_EQ(Differing(before), 0);
    plat::sip_panel_close();
}

}  // namespace

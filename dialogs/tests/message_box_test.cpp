// The message box, the progress window and the alert window, driven as a
// user drives them (keys and taps from a second thread while the modal loop
// runs) and checked on the screen: answers, icons, sounds, and the screen
// put back when they close.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/res_string.h"
#include "dialog_test_support.h"
#include "dialogs/alert_dlg.h"
#include "dialogs/message_dlg.h"
#include "dialogs/progress_dlg.h"
#include "platform/framework/message_box.h"
#include "platform/fs/device_path.h"
#include "platform/gfx/artwork.h"
#include "platform/kernel/device_root.h"

namespace {

using namespace dialog_test;

class SoundRoot {
  public:
    SoundRoot() {
        path_ = std::filesystem::temp_directory_path() /
                ("celvane-dialogs-" + std::to_string(plat::current_thread_id()));
        std::filesystem::create_directories(path_ / "Windows");
        plat::set_device_root(path_);
        plat::write_wave_file(u"\\Windows\\critical.wav", plat::make_tone(880, 20));
        plat::write_wave_file(u"\\Windows\\question.wav", plat::make_tone(740, 20));
    }
    ~SoundRoot() { std::filesystem::remove_all(path_); }

  private:
    std::filesystem::path path_;
};

class ProbedMessageDlg : public CMessageDlg {
  public:
    using CMessageDlg::CMessageDlg;
    plat::Event opened{true, false};
    std::vector<int> visible_icons;
    size_t sounds_at_first_paint = SIZE_MAX;

  protected:
    bool OnInitDialog() override {
        const bool r = CMessageDlg::OnInitDialog();
        for (int id : {kStopIcon, kWarningIcon, kQuestionIcon, kInformationIcon})
            if (GetDlgItem(id) && (GetDlgItem(id)->style() & plat::WS_VISIBLE))
                visible_icons.push_back(id);
        opened.set();
        return r;
    }
    void OnPaint() override {
        if (sounds_at_first_paint == SIZE_MAX) sounds_at_first_paint = plat::played_sounds().size();
        CMessageDlg::OnPaint();
    }
};

class MessageBoxes : public DialogFixture {
  protected:
    SoundRoot root;
};

// Whether the static shows the bitmap, centred, pixel for pixel.
bool ShowsBitmap(const plat::CWnd* icon, int bitmap_id) {
    const plat::Bitmap want = plat::load_bitmap(bitmap_id);
    const plat::Bitmap shot = plat::screen_snapshot();
    const Rect r = icon->GetWindowRect();
    const int x0 = r.left + (r.width() - want.width()) / 2;
    const int y0 = r.top + (r.height() - want.height()) / 2;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (shot.pixel(x0 + x, y0 + y) != want.pixel(x, y)) return false;
    return true;
}

TEST_F(MessageBoxes, AnswersIconsAndSoundsAsATable) {
    using plat::MB_ICONASTERISK, plat::MB_ICONEXCLAMATION, plat::MB_ICONHAND, plat::MB_ICONQUESTION,
        plat::MB_OK, plat::MB_YESNO;
    const struct {
        uint32_t type;
        std::vector<uint32_t> keys;
        int tap;  // a button to tap instead, 0 for none
        int answer;
        int icon;
        int bitmap;
        const char16_t* sound;
    } table[] = {
        {MB_YESNO | MB_ICONQUESTION,
         {plat::VK_RETURN},
         0,
         plat::IDYES,
         CMessageDlg::kQuestionIcon,
         plat::kQuestionIconBitmap,
         u"question.wav"},
        {MB_YESNO,
         {},
         CMessageDlg::kYes,
         plat::IDYES,
         CMessageDlg::kInformationIcon,
         plat::kInformationIconBitmap,
         u"question.wav"},
        {MB_YESNO | MB_ICONHAND,
         {plat::VK_RIGHT, plat::VK_RETURN},
         0,
         plat::IDNO,
         CMessageDlg::kStopIcon,
         plat::kStopIconBitmap,
         u"critical.wav"},
        {MB_YESNO,
         {},
         CMessageDlg::kNo,
         plat::IDNO,
         CMessageDlg::kInformationIcon,
         plat::kInformationIconBitmap,
         u"question.wav"},
        {MB_YESNO,
         {plat::VK_RIGHT, plat::VK_LEFT, plat::VK_RETURN},
         0,
         plat::IDYES,
         CMessageDlg::kInformationIcon,
         plat::kInformationIconBitmap,
         u"question.wav"},
        {MB_YESNO,
         {plat::VK_ESCAPE},
         0,
         plat::IDCANCEL,
         CMessageDlg::kInformationIcon,
         plat::kInformationIconBitmap,
         u"question.wav"},
        {MB_OK | MB_ICONEXCLAMATION,
         {plat::VK_RETURN},
         0,
         plat::IDOK,
         CMessageDlg::kWarningIcon,
         plat::kWarningIconBitmap,
         u"critical.wav"},
        {MB_OK | MB_ICONASTERISK,
         {},
         CMessageDlg::kOk,
         plat::IDOK,
         CMessageDlg::kInformationIcon,
         plat::kInformationIconBitmap,
         u"question.wav"},
        {MB_OK,
         {plat::VK_LEFT, plat::VK_ESCAPE},
         0,
         plat::IDCANCEL,
         CMessageDlg::kInformationIcon,
         plat::kInformationIconBitmap,
         u"question.wav"},
    };
    const plat::Bitmap before = plat::screen_snapshot();
    const int view_paints = view.paints;
    for (const auto& row : table) {
        SCOPED_TRACE(row.type);
        plat::clear_played_sounds();
        ProbedMessageDlg dlg(&view, u"Delete the setup?", row.type);
        bool icon_drawn = false;
        const intptr_t answer = RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); },
            [&] {
                icon_drawn = ShowsBitmap(dlg.GetDlgItem(row.icon), row.bitmap);
                for (uint32_t k : row.keys) Press(k);
                if (row.tap) {
                    const Rect b = dlg.GetDlgItem(row.tap)->GetWindowRect();
                    Tap({(b.left + b.right) / 2, (b.top + b.bottom) / 2});
                }
            });
        EXPECT_EQ(answer, row.answer);
        EXPECT_EQ(dlg.visible_icons, std::vector<int>{row.icon});
        EXPECT_TRUE(icon_drawn);
        const auto sounds = plat::played_sounds();
        ASSERT_EQ(sounds.size(), 1u);
        EXPECT_EQ(sounds[0].source, std::u16string(u"\\Windows\\") + row.sound);
        EXPECT_TRUE(sounds[0].wait);
        EXPECT_EQ(dlg.sounds_at_first_paint, 1u) << "the sound plays before the box shows";
        drain();
        EXPECT_EQ(Differing(before), 0) << "the screen is put back";
        EXPECT_EQ(plat::focus_window(), &view);
    }
    EXPECT_EQ(view.paints, view_paints) << "nothing below had to repaint";
}

// A caption stands in the box's title bar; without one the bar is empty.
TEST_F(MessageBoxes, ACaptionStandsInTheTitleBar) {
    for (const std::u16string caption : {u"DC Bias", u""}) {
        ProbedMessageDlg dlg(&view, u"Over current", plat::MB_OK | plat::MB_ICONEXCLAMATION,
                             caption);
        std::u16string shown;
        const intptr_t answer = RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); },
            [&] {
                shown = dlg.GetWindowText();
                Press(plat::VK_RETURN);
            });
        EXPECT_EQ(answer, plat::IDOK);
        EXPECT_EQ(shown, caption);
        EXPECT_EQ(dlg.text(), u"Over current");
    }
}

TEST_F(MessageBoxes, AMissingSoundPlaysNothingAndTheBoxOpensAllTheSame) {
    std::filesystem::remove(plat::host_path(u"\\Windows\\critical.wav").value());
    ProbedMessageDlg dlg(&view, u"Battery low", plat::MB_OK | plat::MB_ICONHAND);
    const intptr_t answer = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); }, [] { Press(plat::VK_RETURN); });
    EXPECT_EQ(answer, plat::IDOK);
    EXPECT_TRUE(plat::played_sounds().empty());
}

TEST_F(MessageBoxes, ProgressFillsByA32BitRangeAndLeavesTheScreenAsItWas) {
    const plat::Bitmap before = plat::screen_snapshot();
    auto* dlg = new CProgressDlg(&view);
    dlg->SetText(u"Copying files...");
    ASSERT_TRUE(dlg->Create());
    dlg->ShowWindow(plat::SW_SHOW);
    dlg->Invalidate();
    dlg->UpdateWindow();
    plat::CProgressCtrl& bar = dlg->GetBar();
    auto filled = [&] {
        drain();
        const plat::Bitmap s = plat::screen_snapshot();
        const Rect inside = bar.BarInside();
        const Point o = bar.client_origin();
        int n = 0;
        for (int x = inside.left; x < inside.right; ++x)
            n += s.pixel(o.x + x, o.y + inside.top + inside.height() / 2) == plat::kProgressFill;
        return std::pair{n, inside.width()};
    };
    const struct {
        uint32_t maximum;
        uint32_t position;
    } table[] = {{200, 100}, {200000, 100000}, {1400000, 700000}, {1400000, 1400000}};
    for (const auto& row : table) {
        dlg->SetProgress(0, row.maximum);
        dlg->SetProgress(row.position, 0);  // the maximum given now changes nothing
        const auto [n, width] = filled();
        EXPECT_NEAR(n, static_cast<double>(width) * row.position / row.maximum, 1.0) << row.maximum;
        EXPECT_EQ(dlg->GetMaximum(), row.maximum);
    }
    dlg->SetText(u"Writing...");
    dlg->SetProgress(5, 0);
    EXPECT_EQ(dlg->GetDlgItem(CProgressDlg::kTextEdit)->GetWindowText(), u"Writing...");
    dlg->ShowWindow(plat::SW_HIDE);
    dlg->DestroyWindow();
    delete dlg;
    drain();
    EXPECT_EQ(Differing(before), 0);
}

// The alert thread of the program: its own message loop, the alert built,
// shown and focused there, destroyed and deleted by its owner.
class AlertThread {
  public:
    explicit AlertThread(CColorScheme* const* holder) : holder_(holder) {
        thread_ = plat::Thread::start([this] {
            plat::ensure_message_queue();
            tid_ = plat::current_thread_id();
            ready_.set();
            plat::Message m;
            while (plat::get_ui_message(m)) {
                bool consumed = false;
                for (plat::Window* w = static_cast<plat::Window*>(m.window);
                     w && plat::is_window(w) && !consumed; w = w->parent()) {
                    if (auto* c = plat::CWnd::FromHandle(w)) consumed = c->PreTranslateMessage(m);
                }
                if (!consumed) {
                    plat::translate_message(m);
                    plat::dispatch_message(m);
                }
            }
            Close();
            return 0u;
        });
        ready_.wait();
    }
    ~AlertThread() {
        plat::run_on_ui_thread(
            tid_, [] { plat::post_quit_message(0); }, plat::INFINITE);
        thread_.join();
    }
    // Runs `fn` on the alert thread while this thread keeps pumping: the
    // focus moves between the threads by sent messages.
    void RunThere(std::function<void()> fn) {
        const plat::Event done = plat::queue_on_ui_thread(tid_, std::move(fn));
        while (!done.is_set()) {
            if (!DialogFixture::PumpOne()) std::this_thread::yield();
        }
    }
    // Replaces the alert there is with a new one (on the alert thread).
    void Raise(uint32_t caption_id, uint32_t message_id) {
        RunThere([&] {
            Close();
            alert_ = new CAlertMessageDlg(nullptr);
            alert_->m_CaptionId = caption_id;
            alert_->m_MessageId = message_id;
            alert_->m_ppScheme = holder_;
            alert_->Create();
            alert_->ShowWindow(plat::SW_SHOW);
            alert_->SetFocus();
            ++raised_;
        });
    }
    void Close() {
        if (!alert_) return;
        alert_->ShowWindow(plat::SW_HIDE);
        alert_->DestroyWindow();
        delete alert_;  // the one and only free
        alert_ = nullptr;
    }
    CAlertMessageDlg* alert() const { return alert_; }
    uint32_t tid() const { return tid_; }

  private:
    CColorScheme* const* holder_;
    plat::Thread thread_;
    plat::Event ready_{true, false};
    std::atomic<uint32_t> tid_{0};
    CAlertMessageDlg* alert_ = nullptr;  // alert thread
    int raised_ = 0;
};

TEST_F(MessageBoxes, TheAlertOnItsOwnThreadTakesTheFocusAndHidesOnTheFirstKey) {
    struct KeyLog : View {
        std::vector<uint32_t> keys;
        void OnKeyDown(uint32_t key, uint32_t, uint32_t) override { keys.push_back(key); }
        bool OnMouseWheel(uint32_t, int delta, Point) override {
            keys.push_back(static_cast<uint32_t>(delta));
            return true;
        }
    };
    KeyLog screen;
    ASSERT_TRUE(screen.Create("DialogTestView", u"", plat::WS_POPUP | plat::WS_VISIBLE,
                              {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0));
    screen.SetFocus();
    drain();
    const plat::Bitmap before = plat::screen_snapshot();
    {
        AlertThread alerts(&services.holder);
        alerts.Raise(184, 1122);
        EXPECT_EQ(plat::focus_window(), alerts.alert());
        plat::wait_ui_idle(alerts.tid(), plat::INFINITE);
        // The first key hides it and reaches no screen.
        Press(plat::VK_F1 + 2);
        drain();
        plat::wait_ui_idle(alerts.tid(), plat::INFINITE);
        EXPECT_FALSE(alerts.alert()->IsWindowVisible());
        // A second alert replaces the first; a wheel turn hides it.
        alerts.Raise(184, 730);
        EXPECT_EQ(alerts.alert()->GetMessage(), LoadResString(730));
        plat::post_wheel_notches(1);
        drain();
        plat::wait_ui_idle(alerts.tid(), plat::INFINITE);
        EXPECT_FALSE(alerts.alert()->IsWindowVisible());
        alerts.RunThere([&] { alerts.Close(); });
        EXPECT_EQ(plat::focus_window(), &screen) << "the focus comes back";
    }
    drain();
    EXPECT_TRUE(screen.keys.empty());
    EXPECT_EQ(Differing(before), 0);
    screen.DestroyWindow();
}

}  // namespace

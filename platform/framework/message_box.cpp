#include "platform/framework/message_box.h"

#include <array>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"

namespace plat {
namespace {

constexpr int kOneButtonIdd = 59901;
constexpr int kTwoButtonIdd = 59902;
constexpr int kTextId = 100;
constexpr int kFirstButton = 101;
constexpr int kSecondButton = 102;
constexpr int kIconSize = 32;
constexpr int kIconLeft = 10;
constexpr int kIconTop = 12;

std::mutex g_observer_mutex;
MessageBoxObserver g_observer;  // guarded by g_observer_mutex

void notify(const MessageBoxCall& call) {
    MessageBoxObserver observer;
    {
        std::lock_guard lock(g_observer_mutex);
        observer = g_observer;
    }
    if (observer) observer(call);
}

void register_templates() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_basic_controls();
        DialogTemplate one;
        one.id = kOneButtonIdd;
        one.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        one.cx = 200;
        one.cy = 80;
        one.items = {
            {"STATIC", u"", kTextId, SS_CENTER, 36, 8, 156, 40},
            {"BUTTON", u"", kFirstButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 75, 56, 50, 16},
        };
        DialogTemplate two = one;
        two.id = kTwoButtonIdd;
        two.items = {
            {"STATIC", u"", kTextId, SS_CENTER, 36, 8, 156, 40},
            {"BUTTON", u"", kFirstButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 44, 56, 50, 16},
            {"BUTTON", u"", kSecondButton, BS_PUSHBUTTON | WS_TABSTOP, 106, 56, 50, 16},
        };
        register_dialog_template(std::move(one));
        register_dialog_template(std::move(two));
    });
}

struct ButtonSet {
    int count;
    std::array<int, 2> answers;
    std::array<const char16_t*, 2> labels;
    int escape;  // the answer of Escape
};

ButtonSet button_set(uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {2, {IDOK, IDCANCEL}, {u"OK", u"Cancel"}, IDCANCEL};
        case MB_YESNO:
            return {2, {IDYES, IDNO}, {u"Yes", u"No"}, IDNO};
        default:
            return {1, {IDOK, IDOK}, {u"OK", u"OK"}, IDOK};
    }
}

class MessageBoxDlg;

// A button that hands the box's keys to the box.
class BoxButton : public CButton {
  public:
    explicit BoxButton(MessageBoxDlg* box) : box_(box) {}

  protected:
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;

  private:
    MessageBoxDlg* box_;
};

class MessageBoxDlg : public CDialog {
  public:
    MessageBoxDlg(CWnd* owner, std::u16string_view text, std::u16string_view caption,
                  uint32_t flags)
        : CDialog(button_set(flags).count == 1 ? kOneButtonIdd : kTwoButtonIdd, owner),
          text_(text),
          caption_(caption),
          icon_(flags & MB_ICONMASK),
          set_(button_set(flags)),
          first_(this),
          second_(this) {
        AttachControl(kFirstButton, &first_);
        if (set_.count == 2) AttachControl(kSecondButton, &second_);
    }

    // Enter, Escape, Left and Right; true when the key was the box's.
    bool OnBoxKey(uint32_t key) {
        switch (key) {
            case VK_RETURN:
                EndDialog(CWnd::GetFocus() == &second_ ? set_.answers[1] : set_.answers[0]);
                return true;
            case VK_ESCAPE:
                EndDialog(set_.escape);
                return true;
            case VK_LEFT:
                first_.SetFocus();
                return true;
            case VK_RIGHT:
                (set_.count == 2 ? static_cast<CWnd&>(second_) : first_).SetFocus();
                return true;
            default:
                return false;
        }
    }

  protected:
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        SetWindowText(caption_);
        if (CWnd* t = GetDlgItem(kTextId)) t->SetWindowText(text_);
        first_.SetWindowText(set_.labels[0]);
        if (set_.count == 2) second_.SetWindowText(set_.labels[1]);
        first_.SetFocus();
        return false;
    }
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override {
        if (!OnBoxKey(key)) CDialog::OnKeyDown(key, repeat, flags);
    }
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override {
        if (hiword(wparam) == BN_CLICKED) {
            if (loword(wparam) == kFirstButton) return EndDialog(set_.answers[0]), true;
            if (loword(wparam) == kSecondButton) return EndDialog(set_.answers[1]), true;
        }
        return CDialog::OnCommand(wparam, lparam);
    }
    void OnPaint() override {
        CDialog::OnPaint();
        if (!icon_) return;
        WindowDc dc(this);
        DrawIcon(dc.dc());
    }

  private:
    // Simple drawn icons: a red stop sign (hand), a yellow warning triangle
    // (exclamation), blue discs with "?" or "i".
    void DrawIcon(Dc& dc) const {
        const Rect box{kIconLeft, kIconTop, kIconLeft + kIconSize, kIconTop + kIconSize};
        const char16_t* mark = u"!";
        COLORREF fill = RGB(0xF2, 0xC0, 0x1E);
        if (icon_ == MB_ICONEXCLAMATION) {
            const Point tri[] = {{box.left + kIconSize / 2, box.top},
                                 {box.right, box.bottom},
                                 {box.left, box.bottom}};
            dc.select_pen(Pen::solid(1, RGB(0x80, 0x60, 0x00)));
            dc.select_brush(Brush::solid(fill));
            dc.polygon(tri);
        } else {
            fill = icon_ == MB_ICONHAND ? RGB(0xC8, 0x20, 0x20) : RGB(0x20, 0x50, 0xC0);
            mark = icon_ == MB_ICONHAND ? u"X" : icon_ == MB_ICONQUESTION ? u"?" : u"i";
            dc.select_pen(Pen::solid(1, fill));
            dc.select_brush(Brush::solid(fill));
            dc.round_rect(box, kIconSize, kIconSize);
        }
        dc.select_font(GetFont());
        dc.set_bk_mode(TRANSPARENT);
        dc.set_text_color(icon_ == MB_ICONEXCLAMATION ? RGB(0, 0, 0) : RGB(255, 255, 255));
        Rect r = box;
        r.top += icon_ == MB_ICONEXCLAMATION ? kIconSize / 4 : 0;
        dc.draw_text(mark, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }

    std::u16string text_;
    std::u16string caption_;
    uint32_t icon_;
    ButtonSet set_;
    BoxButton first_;
    BoxButton second_;
};

void BoxButton::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (!box_->OnBoxKey(key)) CButton::OnKeyDown(key, repeat, flags);
}

}  // namespace

int message_box(CWnd* owner, std::u16string_view text, std::u16string_view caption,
                uint32_t flags) {
    register_templates();
    notify({std::u16string(text), std::u16string(caption), flags});
    MessageBoxDlg box(owner, text, caption, flags);
    return static_cast<int>(box.DoModal());
}

void set_message_box_observer(MessageBoxObserver observer) {
    std::lock_guard lock(g_observer_mutex);
    g_observer = std::move(observer);
}

}  // namespace plat

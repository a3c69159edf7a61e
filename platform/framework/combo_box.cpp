#include "platform/framework/combo_box.h"

#include <algorithm>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"

namespace plat {

namespace {
constexpr COLORREF kComboBack = RGB(255, 255, 255);
constexpr char kDropClass[] = "ComboLBox";
constexpr int kListId = 1000;
}  // namespace

// The dropped list: a popup below the box holding a list box; a chosen row
// or Enter closes it with that row, Escape or a lost focus without one.
class CComboBox::DropList : public CWnd {
  public:
    explicit DropList(CComboBox* owner) : owner_(owner) {
        register_window_class({kDropClass, CS_SAVEBITS, std::nullopt});
    }
    bool open(const Rect& screen) {
        if (!Create(kDropClass, u"", WS_POPUP | WS_BORDER, screen, nullptr, 0)) return false;
        list_.SetFont(control_font(owner_), false);
        list_.Create(LBS_NOTIFY | WS_VISIBLE | WS_BORDER, GetClientRect(), this, kListId);
        for (const auto& s : owner_->strings_) list_.AddString(s);
        list_.SetCurSel(owner_->sel_);
        ShowWindow(SW_SHOW);
        list_.SetFocus();
        return true;
    }
    CListBox list_;

  protected:
    bool OnCommand(uintptr_t wp, intptr_t lp) override {
        if (loword(wp) == kListId && hiword(wp) == LBN_SELCHANGE) {
            // A tap chose the row (keys move within the list until Enter).
            if (!keyboard_move_) owner_->choose(list_.GetCurSel());
            return true;
        }
        if (loword(wp) == kListId && hiword(wp) == LBN_KILLFOCUS) {
            owner_->post_close();
            return true;
        }
        return CWnd::OnCommand(wp, lp);
    }
    bool PreTranslateMessage(const Message& m) override {
        if (m.message != WM_KEYDOWN) return false;
        switch (m.wparam) {
            case VK_RETURN:
                owner_->choose(list_.GetCurSel());
                return true;
            case VK_ESCAPE:
                owner_->ShowDropDown(false);
                return true;
            default:
                keyboard_move_ = true;
                send_message(&list_, m.message, m.wparam, m.lparam);
                keyboard_move_ = false;
                return true;
        }
    }

  private:
    CComboBox* owner_;
    bool keyboard_move_ = false;
};

CComboBox::CComboBox() = default;

CComboBox::~CComboBox() {
    drop_.reset();
}

bool CComboBox::Create(uint32_t style, const Rect& r, CWnd* parent, int id) {
    return CWnd::Create("COMBOBOX", u"", style | WS_CHILD, r, parent, id);
}

int CComboBox::AddString(std::u16string_view text) {
    strings_.emplace_back(text);
    return GetCount() - 1;
}

int CComboBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return static_cast<int>(CB_ERR);
    strings_.erase(strings_.begin() + index);
    if (sel_ == index) sel_ = -1;
    if (sel_ > index) --sel_;
    Invalidate();
    return GetCount();
}

void CComboBox::ResetContent() {
    strings_.clear();
    sel_ = -1;
    Invalidate();
}

int CComboBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount()) {
        sel_ = -1;
        Invalidate();
        return static_cast<int>(CB_ERR);
    }
    sel_ = index;
    Invalidate();
    return index;
}

int CComboBox::GetLBText(int index, std::u16string& out) const {
    if (index < 0 || index >= GetCount()) return static_cast<int>(CB_ERR);
    out = strings_[static_cast<size_t>(index)];
    return static_cast<int>(out.size());
}

int CComboBox::FindStringExact(int start, std::u16string_view text) const {
    const int n = GetCount();
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k + n) % n;
        if (strings_[static_cast<size_t>(i)] == text) return i;
    }
    return static_cast<int>(CB_ERR);
}

bool CComboBox::GetDroppedState() const {
    return drop_ && drop_->exists();
}

CListBox* CComboBox::GetDroppedList() const {
    return GetDroppedState() ? &drop_->list_ : nullptr;
}

void CComboBox::ShowDropDown(bool show) {
    if (show == GetDroppedState()) return;
    if (show) {
        const Rect box = GetWindowRect();
        const int rows = std::clamp(GetCount(), 1, kDroppedRows);
        CListBox probe;  // the row height the list will use
        probe.SetFont(control_font(this), false);
        const int height = rows * probe.GetItemHeight() + 4;
        Rect r{box.left, box.bottom, box.right, box.bottom + height};
        if (r.bottom > kScreenHeight) r = r.offset(0, box.top - height - box.bottom);
        notify_parent(this, CBN_DROPDOWN);
        drop_ = std::make_unique<DropList>(this);
        if (!drop_->open(r)) drop_.reset();
    } else {
        drop_.reset();  // destroys the popup
        notify_parent(this, CBN_CLOSEUP);
        if (is_window(this)) SetFocus();
    }
    Invalidate(false);
}

void CComboBox::choose(int index) {
    const bool changed = index != sel_ && index >= 0;
    if (index >= 0) SetCurSel(index);
    post_close();
    if (changed) notify_parent(this, CBN_SELCHANGE);
}

void CComboBox::post_close() {
    PostMessage(CB_SHOWDROPDOWN, 0, 0);
}

intptr_t CComboBox::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    const auto index = static_cast<int>(static_cast<intptr_t>(wp));
    switch (msg) {
        case CB_ADDSTRING:
            return AddString(reinterpret_cast<const char16_t*>(lp));
        case CB_DELETESTRING:
            return DeleteString(index);
        case CB_GETCOUNT:
            return GetCount();
        case CB_GETCURSEL:
            return sel_;
        case CB_SETCURSEL:
            return SetCurSel(index);
        case CB_GETLBTEXT:
            return lp ? GetLBText(index, *reinterpret_cast<std::u16string*>(lp)) : CB_ERR;
        case CB_RESETCONTENT:
            ResetContent();
            return 0;
        case CB_FINDSTRINGEXACT:
            return FindStringExact(index, reinterpret_cast<const char16_t*>(lp));
        case CB_SHOWDROPDOWN:
            ShowDropDown(wp != 0);
            return 1;
        case WM_CREATE:
        case WM_SETFONT: {
            const intptr_t result = CWnd::WindowProc(msg, wp, lp);
            FitClosedHeight();
            return result;
        }
        default:
            return CWnd::WindowProc(msg, wp, lp);
    }
}

void CComboBox::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if ((key == VK_UP || key == VK_DOWN) && GetCount() > 0) {
        const int next = std::clamp(sel_ + (key == VK_DOWN ? 1 : -1), 0, GetCount() - 1);
        if (next != sel_) {
            SetCurSel(next);
            notify_parent(this, CBN_SELCHANGE);
        }
        return;
    }
    CWnd::OnKeyDown(key, repeat, flags);
}

void CComboBox::OnLButtonDown(uint32_t, Point) {
    SetFocus();
    ShowDropDown(!GetDroppedState());
}

void CComboBox::OnSetFocus(CWnd*) {
    Invalidate(false);
}

void CComboBox::OnKillFocus(CWnd*) {
    Invalidate(false);
}

// A dialog gives the box the height of its dropped list; closed, the box is
// one line of its font high, so that it covers nothing below it (the list
// drops below the box in a popup of its own).
void CComboBox::FitClosedHeight() {
    const int closed = control_font(this).metrics().height + 2 * kFacePadding;
    const Rect r = rect();
    if (r.height() > closed) move({r.left, r.top, r.right, r.top + closed}, false);
}

void CComboBox::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.select_font(control_font(this));
    const Brush bg = control_colors(this, dc, WM_CTLCOLOREDIT, Brush::solid(kComboBack));
    const Rect r = client_rect();
    dc.fill_rect(r, bg);
    const int button = r.height();
    const Rect text_rect{r.left, r.top, r.right - button, r.bottom};
    const bool focused = focus_window() == this;
    if (focused) dc.fill_rect(text_rect.inflate(-2, -2), kSelectionBack);
    dc.set_bk_mode(TRANSPARENT);
    if (focused) dc.set_text_color(kSelectionText);
    Rect tr = text_rect.inflate(-CEdit::kMargin, 0);
    if (sel_ >= 0)
        dc.draw_text(strings_[static_cast<size_t>(sel_)], tr,
                     DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    // The drop button: a framed square with a down-pointing triangle.
    const Rect b{r.right - button, r.top, r.right, r.bottom};
    dc.fill_rect(b, kControlFace);
    dc.frame_rect(b, Brush::solid(kControlFrame));
    const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    const int s = std::max(2, button / 5);
    const Point tri[] = {{cx - s, cy - s / 2}, {cx + s, cy - s / 2}, {cx, cy + s / 2}};
    dc.select_pen(Pen::null());
    dc.select_brush(Brush::solid(kControlFrame));
    dc.polygon(tri);
    dc.frame_rect(r, Brush::solid(kControlFrame));
}

void register_combo_box_control() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_control_class("COMBOBOX", [] { return std::make_unique<CComboBox>(); });
    });
}

}  // namespace plat

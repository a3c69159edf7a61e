#include "platform/framework/controls.h"

#include <mutex>

#include "platform/framework/combo_box.h"
#include "platform/framework/date_time.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "platform/framework/list_box.h"
#include "platform/framework/list_ctrl.h"
#include "platform/framework/progress.h"
#include "platform/gfx/artwork.h"

namespace plat {

Brush control_colors(CWnd* control, Dc& dc, uint32_t ctl_message, const Brush& fallback) {
    dc.set_text_color(control->IsWindowEnabled() ? kControlText : kControlDisabledText);
    if (CWnd* parent = control->GetParent()) {
        const auto* b = reinterpret_cast<const Brush*>(
            send_message(parent, ctl_message, reinterpret_cast<uintptr_t>(&dc),
                         reinterpret_cast<intptr_t>(control)));
        if (b) return *b;
    }
    return fallback;
}

Font control_font(const CWnd* control) {
    return control->GetFont() ? control->GetFont() : Font::default_font();
}

void notify_parent(CWnd* control, uint32_t code) {
    if (CWnd* parent = control->GetParent()) {
        parent->SendMessage(WM_COMMAND,
                            make_wparam(control->GetDlgCtrlID(), static_cast<int>(code)),
                            reinterpret_cast<intptr_t>(static_cast<Window*>(control)));
    }
}

namespace {
uint32_t text_format(uint32_t static_style) {
    switch (static_style & SS_TYPEMASK) {
        case SS_CENTER:
            return DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
        case SS_RIGHT:
            return DT_RIGHT | DT_WORDBREAK | DT_NOPREFIX;
        default:
            return DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;
    }
}
}  // namespace

bool CStatic::Create(std::u16string_view text, uint32_t style, const Rect& r, CWnd* parent,
                     int id) {
    return CWnd::Create("STATIC", text, style | WS_CHILD, r, parent, id);
}

int CStatic::OnCreate(const CreateParams* params) {
    const std::u16string& ref = params ? params->text : std::u16string();
    if ((style() & SS_TYPEMASK) == SS_BITMAP && ref.size() > 1 && ref[0] == u'#') {
        int id = 0;
        for (size_t i = 1; i < ref.size() && ref[i] >= u'0' && ref[i] <= u'9'; ++i)
            id = id * 10 + (ref[i] - u'0');
        bitmap_ = load_bitmap(id);
    }
    return CWnd::OnCreate(params);
}

Bitmap CStatic::SetBitmap(Bitmap bitmap) {
    Bitmap old = bitmap_;
    bitmap_ = std::move(bitmap);
    Invalidate();
    return old;
}

void CStatic::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.select_font(GetFont());
    const Brush bg = control_colors(this, dc, WM_CTLCOLORSTATIC, Brush::solid(CDialog::kFaceColor));
    const Rect r = client_rect();
    dc.fill_rect(r, bg);
    if ((style() & SS_TYPEMASK) == SS_BITMAP) {
        if (!bitmap_) return;
        int x = 0, y = 0;
        if (style() & SS_CENTERIMAGE) {
            x = (r.width() - bitmap_.width()) / 2;
            y = (r.height() - bitmap_.height()) / 2;
        }
        dc.bit_blt(x, y, bitmap_.width(), bitmap_.height(), bitmap_, 0, 0);
        return;
    }
    dc.set_bk_mode(TRANSPARENT);
    Rect tr = r;
    uint32_t fmt = text_format(style());
    if (style() & SS_CENTERIMAGE) fmt = (fmt & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    dc.draw_text(GetWindowText(), tr, fmt);
}

void CStatic::OnLButtonUp(uint32_t flags, Point p) {
    if ((style() & SS_NOTIFY) && GetParent()) {
        GetParent()->PostMessage(WM_COMMAND, make_wparam(GetDlgCtrlID(), 0),
                                 reinterpret_cast<intptr_t>(static_cast<Window*>(this)));
    }
    CWnd::OnLButtonUp(flags, p);
}

bool CButton::Create(std::u16string_view text, uint32_t style, const Rect& r, CWnd* parent,
                     int id) {
    return CWnd::Create("BUTTON", text, style | WS_CHILD, r, parent, id);
}

void CButton::SetCheck(int state) {
    if (check_ != state) {
        check_ = state;
        Invalidate();
    }
}

void CButton::Click() {
    const uint32_t k = kind();
    if (k == BS_AUTOCHECKBOX) SetCheck(check_ == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    if (k == BS_AUTORADIOBUTTON) {
        // The other automatic radio buttons of the parent go off.
        if (CWnd* parent = GetParent()) {
            for (Window* c : parent->children()) {
                auto* b = dynamic_cast<CButton*>(c);
                if (b && b != this && b->kind() == BS_AUTORADIOBUTTON) b->SetCheck(BST_UNCHECKED);
            }
        }
        SetCheck(BST_CHECKED);
    }
    if (CWnd* parent = GetParent()) {
        parent->SendMessage(WM_COMMAND, make_wparam(GetDlgCtrlID(), static_cast<int>(BN_CLICKED)),
                            reinterpret_cast<intptr_t>(static_cast<Window*>(this)));
    }
}

void CButton::OnLButtonDown(uint32_t, Point) {
    if (kind() == BS_GROUPBOX) return;
    pressed_ = true;
    SetCapture();
    Invalidate(false);
}

void CButton::OnLButtonUp(uint32_t, Point p) {
    if (!pressed_) return;
    pressed_ = false;
    if (GetCapture() == this) release_capture();
    Invalidate(false);
    if (client_rect().contains(p)) Click();
}

void CButton::OnSetFocus(CWnd*) {
    Invalidate(false);
}

void CButton::OnKillFocus(CWnd*) {
    Invalidate(false);
}

void CButton::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.select_font(GetFont());
    const Rect r = client_rect();
    const uint32_t k = kind();
    const bool focused = focus_window() == this;
    if (k == BS_GROUPBOX) {
        const Brush bg =
            control_colors(this, dc, WM_CTLCOLORSTATIC, Brush::solid(CDialog::kFaceColor));
        dc.fill_rect(r, bg);
        const Size ts = dc.text_extent(GetWindowText());
        const int mid = ts.cy / 2;
        dc.select_pen(Pen::solid(1, kControlFrame));
        dc.select_brush(Brush::null());
        dc.round_rect({r.left, r.top + mid, r.right, r.bottom}, 6, 6);
        if (!GetWindowText().empty()) {
            dc.set_bk_mode(OPAQUE);
            dc.set_bk_color(bg.color);
            dc.text_out(r.left + 8, r.top, u" " + GetWindowText() + u" ");
        }
        return;
    }
    const Brush bg = control_colors(this, dc, WM_CTLCOLORBTN, Brush::solid(CDialog::kFaceColor));
    dc.set_bk_mode(TRANSPARENT);
    if (k == BS_CHECKBOX || k == BS_AUTOCHECKBOX || k == BS_RADIOBUTTON ||
        k == BS_AUTORADIOBUTTON) {
        dc.fill_rect(r, bg);
        const int box = std::min(r.height() - 2, 14);
        const Rect b{r.left + 1, r.top + (r.height() - box) / 2, r.left + 1 + box,
                     r.top + (r.height() - box) / 2 + box};
        const bool radio = k == BS_RADIOBUTTON || k == BS_AUTORADIOBUTTON;
        dc.select_pen(Pen::solid(1, focused ? kControlFocus : kControlFrame));
        dc.select_brush(Brush::solid(kControlFace));
        if (radio) {
            dc.round_rect(b, box, box);
        } else {
            dc.rectangle(b);
        }
        if (check_ == BST_CHECKED) {
            const Rect mark = b.inflate(-3, -3);
            dc.select_pen(Pen::null());
            dc.select_brush(Brush::solid(kControlFrame));
            if (radio) {
                dc.round_rect(mark, mark.width(), mark.height());
            } else {
                dc.fill_rect(mark, kControlFrame);
            }
        }
        Rect tr{b.right + 6, r.top, r.right, r.bottom};
        dc.draw_text(GetWindowText(), tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    // Push button: a rounded, framed key; pressed keys are filled darker and
    // the focus key gets an orange frame.
    dc.fill_rect(r, bg);
    dc.select_pen(Pen::solid(focused ? 2 : 1, focused ? kControlFocus : kControlFrame));
    dc.select_brush(Brush::solid(pressed_ ? kControlPressed : kControlFace));
    dc.round_rect(r, 8, 8);
    Rect tr = r;
    dc.draw_text(GetWindowText(), tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void register_basic_controls() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_control_class("STATIC", [] { return std::make_unique<CStatic>(); });
        register_control_class("BUTTON", [] { return std::make_unique<CButton>(); });
    });
    register_edit_control();
    register_list_box_control();
    register_progress_control();
    register_date_time_control();
    register_combo_box_control();
    register_list_view_control();
}

}  // namespace plat

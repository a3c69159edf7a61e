#include "platform/framework/dialog.h"

#include <mutex>

#include "platform/framework/controls.h"

namespace plat {

namespace {

struct Registry {
    std::mutex m;
    std::map<int, DialogTemplate> templates;
    std::map<std::string, ControlFactory, std::less<>> factories;
};

Registry& registry() {
    static Registry r;
    return r;
}

constexpr char kDialogClass[] = "#32770";
// Space around the icon in the caption strip.
constexpr int kCaptionIconMargin = 5;

}  // namespace

void register_dialog_template(DialogTemplate tmpl) {
    std::lock_guard lock(registry().m);
    const int id = tmpl.id;
    registry().templates[id] = std::move(tmpl);
}

const DialogTemplate* find_dialog_template(int id) {
    std::lock_guard lock(registry().m);
    auto it = registry().templates.find(id);
    return it == registry().templates.end() ? nullptr : &it->second;
}

void register_control_class(std::string_view class_name, ControlFactory factory) {
    std::lock_guard lock(registry().m);
    registry().factories[std::string(class_name)] = std::move(factory);
}

namespace {
std::unique_ptr<CWnd> make_control(std::string_view class_name) {
    register_basic_controls();
    std::lock_guard lock(registry().m);
    auto it = registry().factories.find(class_name);
    if (it == registry().factories.end()) return std::make_unique<CWnd>();
    return it->second();
}
}  // namespace

Size dialog_base_units(const Font& font) {
    const FontMetrics m = font.metrics();
    // The average width of the alphabet, as dialog units are defined.
    const Size abc = font.text_extent(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int cx = abc.cx > 0 ? (abc.cx / 26 + 1) / 2 : std::max(1, m.average_width);
    return {std::max(1, cx), std::max(1, m.height)};
}

Rect map_dialog_rect(const Rect& u, Size base) {
    auto mx = [&](int v) { return v * base.cx / 4; };
    auto my = [&](int v) { return v * base.cy / 8; };
    return {mx(u.left), my(u.top), mx(u.right), my(u.bottom)};
}

CDialog::CDialog(int idd, CWnd* parent) : idd_(idd), parent_wnd_(parent) {
    register_window_class({kDialogClass, CS_SAVEBITS, kFaceColor});
}

CDialog::~CDialog() {
    if (exists()) DestroyWindow();
}

void CDialog::AttachControl(int id, CWnd* control) {
    attached_[id] = control;
}

bool CDialog::make_window(int idd, CWnd* parent, bool modal) {
    const DialogTemplate* t = find_dialog_template(idd);
    if (!t || exists()) return false;
    idd_ = idd;
    parent_wnd_ = parent;
    modal_ = modal;
    ended_ = false;
    result_ = -1;
    const Font font = Font::create_point(t->point_size * 10, t->font_face);
    SetFont(font, false);
    const Size base = dialog_base_units(font);
    Rect r = map_dialog_rect({t->x, t->y, t->x + t->cx, t->y + t->cy}, base);
    const bool caption = (t->style & WS_CAPTION) == WS_CAPTION;
    if (caption) r.bottom += kCaptionHeight;  // the template's size is the client area
    // Dialogs are top-level windows owned by their parent; a child style in
    // the template makes a dialog inside its parent, placed in its client area.
    const bool child = (t->style & WS_CHILD) != 0;
    if (child && parent) {
        // Already in the parent's client coordinates.
    } else if (t->style & DS_CENTER) {
        r = r.offset(-r.left + (kScreenWidth - r.width()) / 2,
                     -r.top + (kScreenHeight - r.height()) / 2);
    } else if (parent && is_window(parent)) {
        const Point o = parent->client_origin();
        r = r.offset(o.x, o.y);
    }
    const uint32_t style = (t->style & ~WS_VISIBLE) | (child ? 0 : WS_POPUP);
    if (!CWnd::Create(kDialogClass, t->caption, style, r, child ? parent : nullptr, 0))
        return false;
    for (const DialogItem& item : t->items) {
        CWnd* ctl = nullptr;
        if (auto it = attached_.find(item.id); it != attached_.end() && item.id != 0) {
            ctl = it->second;
        } else {
            owned_controls_.push_back(make_control(item.class_name));
            ctl = owned_controls_.back().get();
        }
        const Rect cr = map_dialog_rect({item.x, item.y, item.x + item.cx, item.y + item.cy}, base);
        ctl->SetFont(font, false);
        ctl->Create(item.class_name, item.text, item.style | WS_CHILD | WS_VISIBLE, cr, this,
                    item.id);
    }
    DoDataExchange();
    const bool focus_first = OnInitDialog();
    if (t->style & WS_VISIBLE || modal) show(SW_SHOW);
    if (focus_first) {
        CWnd* first = step_focus(+1);
        (first ? first : this)->SetFocus();
    }
    return true;
}

intptr_t CDialog::DoModal() {
    Window* owner = parent_wnd_ && is_window(parent_wnd_) ? parent_wnd_->top_level() : nullptr;
    Window* old_focus = focus_window();
    const bool owner_was_enabled = owner && owner->is_enabled();
    if (!make_window(idd_, parent_wnd_, true)) return -1;
    if (owner_was_enabled) owner->enable(false);
    const bool ended = run_modal_loop([this] { return ended_ || !exists(); });
    if (owner_was_enabled && is_window(owner)) owner->enable(true);
    if (exists()) DestroyWindow();
    owned_controls_.clear();
    if (is_window(old_focus) && old_focus->is_visible()) {
        set_focus(old_focus);
    } else if (is_window(owner)) {
        set_focus(owner);
    }
    return ended ? result_ : -1;
}

bool CDialog::Create(int idd, CWnd* parent) {
    return make_window(idd, parent, false);
}

void CDialog::EndDialog(int result) {
    result_ = result;
    ended_ = true;
    if (modal_) {
        show(SW_HIDE);
    } else {
        DestroyWindow();
    }
}

bool CDialog::OnInitDialog() {
    return true;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(uintptr_t wparam, intptr_t lparam) {
    const uint32_t id = loword(wparam);
    const uint32_t code = hiword(wparam);
    if (code == BN_CLICKED && id == static_cast<uint32_t>(IDOK)) {
        OnOK();
        return true;
    }
    if (code == BN_CLICKED && id == static_cast<uint32_t>(IDCANCEL)) {
        OnCancel();
        return true;
    }
    return CWnd::OnCommand(wparam, lparam);
}

intptr_t CDialog::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == WM_CLOSE) {
        OnCancel();
        return 0;
    }
    if (msg == WM_SETICON) {
        const auto* icon = reinterpret_cast<const Icon*>(lparam);
        (wparam == ICON_BIG ? big_icon_ : small_icon_) = icon ? *icon : Icon();
        if (exists()) Invalidate();
        return 0;
    }
    if (msg == WM_NEXTDLGCTL) {
        if (lparam) {
            GotoDlgCtrl(FromHandle(reinterpret_cast<Window*>(wparam)));
        } else if (wparam) {
            PrevDlgCtrl();
        } else {
            NextDlgCtrl();
        }
        return 0;
    }
    return CWnd::WindowProc(msg, wparam, lparam);
}

CWnd* CDialog::step_focus(int direction) {
    std::vector<CWnd*> stops;
    for (Window* c : children()) {
        CWnd* w = FromHandle(c);
        if (w && (w->style() & WS_TABSTOP) && (w->style() & WS_VISIBLE) && w->is_enabled()) {
            stops.push_back(w);
        }
    }
    if (stops.empty()) return nullptr;
    Window* f = focus_window();
    auto it = std::find(stops.begin(), stops.end(), f);
    if (it == stops.end()) return direction > 0 ? stops.front() : stops.back();
    const auto n = static_cast<long>(stops.size());
    const long i = ((it - stops.begin()) + direction + n) % n;
    return stops[static_cast<size_t>(i)];
}

void CDialog::NextDlgCtrl() {
    if (CWnd* w = step_focus(+1)) w->SetFocus();
}

void CDialog::PrevDlgCtrl() {
    if (CWnd* w = step_focus(-1)) w->SetFocus();
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    if (control && control->is_descendant_of(this)) control->SetFocus();
}

void CDialog::OnPaint() {
    CPaintDC pdc(this);
    const Brush* own = OnCtlColor(&pdc.dc(), this, WM_CTLCOLORDLG);
    pdc->fill_rect(client_rect(), own ? *own : face_brush_);
    if ((style() & WS_CAPTION) == WS_CAPTION) {
        WindowDc whole(this, true);
        const Rect bar{0, 0, rect().width(), kCaptionHeight};
        whole->fill_rect(bar, kCaptionColor);
        whole->select_font(GetFont());
        whole->set_text_color(RGB(255, 255, 255));
        whole->set_bk_mode(TRANSPARENT);
        Rect text_rect = bar.inflate(-8, 0);
        if (const Icon& icon = small_icon_ ? small_icon_ : big_icon_) {
            const int side = kCaptionHeight - 2 * kCaptionIconMargin;
            whole->draw_icon(kCaptionIconMargin, kCaptionIconMargin, icon, side, side);
            text_rect.left = kCaptionHeight;
        }
        whole->draw_text(GetWindowText(), text_rect,
                         DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

const Brush* CDialog::OnCtlColor(Dc* dc, CWnd* control, uint32_t ctl_message) {
    if (const Brush* own = CWnd::OnCtlColor(dc, control, ctl_message)) return own;
    if (dc) {
        dc->set_text_color(kControlText);
        dc->set_bk_color(kFaceColor);
    }
    return &face_brush_;
}

}  // namespace plat

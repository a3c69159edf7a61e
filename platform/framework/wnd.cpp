#include "platform/framework/wnd.h"

#include "platform/framework/app.h"

namespace plat {

CWnd::~CWnd() {
    // Runs the handlers of this class while the object is still whole.
    if (exists()) DestroyWindow();
}

bool CWnd::Create(std::string_view class_name, std::u16string_view text, uint32_t style,
                  const Rect& rect, CWnd* parent, int id) {
    CreateParams p;
    p.class_name = std::string(class_name);
    p.text = std::u16string(text);
    p.style = style;
    p.rect = rect;
    p.parent = parent;
    p.id = id;
    if (!PreCreateWindow(p)) return false;
    if (!find_window_class(p.class_name)) register_window_class({p.class_name, 0, std::nullopt});
    if (parent && !font_) font_ = parent->GetFont();
    return create(p);
}

bool CWnd::PreCreateWindow(CreateParams&) {
    return true;
}

bool CWnd::DestroyWindow() {
    if (!exists()) return false;
    destroy();
    return true;
}

bool CWnd::PreTranslateMessage(const Message&) {
    return false;
}

intptr_t CWnd::window_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    const Current saved = current_;
    current_ = {msg, wparam, lparam};
    const intptr_t r = WindowProc(msg, wparam, lparam);
    current_ = saved;
    if (msg == WM_NCDESTROY) {
        if (CWinApp* app = CWinApp::Get(); app && app->m_pMainWnd == this) {
            app->m_pMainWnd = nullptr;
            if (app->is_running()) post_quit_message(0);
        }
        PostNcDestroy();  // may delete this
    }
    return r;
}

intptr_t CWnd::Default() {
    return default_proc(current_.msg, current_.wparam, current_.lparam);
}

intptr_t CWnd::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    const Point pt{get_x_lparam(lp), get_y_lparam(lp)};
    const auto repeat = static_cast<uint32_t>(key_repeat(lp));
    const auto kflags = static_cast<uint32_t>(hiword(static_cast<uintptr_t>(lp)));
    switch (msg) {
        case WM_CREATE:
            return OnCreate(reinterpret_cast<const CreateParams*>(lp));
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_TIMER:
            OnTimer(wp);
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(static_cast<uint32_t>(wp), repeat, kflags);
            return 0;
        case WM_KEYUP:
            OnKeyUp(static_cast<uint32_t>(wp), repeat, kflags);
            return 0;
        case WM_SYSKEYDOWN:
            OnSysKeyDown(static_cast<uint32_t>(wp), repeat, kflags);
            return 0;
        case WM_CHAR:
            OnChar(static_cast<uint32_t>(wp), repeat, kflags);
            return 0;
        case WM_SETFOCUS:
            OnSetFocus(FromHandle(reinterpret_cast<Window*>(wp)));
            return 0;
        case WM_KILLFOCUS:
            OnKillFocus(FromHandle(reinterpret_cast<Window*>(wp)));
            return 0;
        case WM_LBUTTONDOWN:
            OnLButtonDown(static_cast<uint32_t>(wp), pt);
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(static_cast<uint32_t>(wp), pt);
            return 0;
        case WM_LBUTTONDBLCLK:
            OnLButtonDblClk(static_cast<uint32_t>(wp), pt);
            return 0;
        case WM_RBUTTONDOWN:
            OnRButtonDown(static_cast<uint32_t>(wp), pt);
            return 0;
        case WM_RBUTTONUP:
            OnRButtonUp(static_cast<uint32_t>(wp), pt);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<uint32_t>(wp), pt);
            return 0;
        case WM_MOUSEWHEEL:
            return OnMouseWheel(loword(wp), get_wheel_delta(wp), pt) ? 1 : 0;
        case WM_SIZE:
            OnSize(static_cast<uint32_t>(wp), loword(static_cast<uintptr_t>(lp)),
                   hiword(static_cast<uintptr_t>(lp)));
            return 0;
        case WM_SHOWWINDOW:
            OnShowWindow(wp != 0, static_cast<uint32_t>(lp));
            return 0;
        case WM_COMMAND:
            return OnCommand(wp, lp) ? 1 : Default();
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<intptr_t>(OnCtlColor(
                reinterpret_cast<Dc*>(wp), FromHandle(reinterpret_cast<Window*>(lp)), msg));
        case WM_SETFONT:
            if (wp) SetFont(*reinterpret_cast<const Font*>(wp), lp != 0);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<intptr_t>(&font_);
        default:
            return Default();
    }
}

int CWnd::OnCreate(const CreateParams*) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnClose() {
    DestroyWindow();
}
void CWnd::OnPaint() {
    Default();
}
void CWnd::OnTimer(uintptr_t) {
    Default();
}
void CWnd::OnKeyDown(uint32_t, uint32_t, uint32_t) {
    Default();
}
void CWnd::OnKeyUp(uint32_t, uint32_t, uint32_t) {
    Default();
}
void CWnd::OnSysKeyDown(uint32_t, uint32_t, uint32_t) {
    Default();
}
void CWnd::OnChar(uint32_t, uint32_t, uint32_t) {
    Default();
}
void CWnd::OnSetFocus(CWnd*) {
    Default();
}
void CWnd::OnKillFocus(CWnd*) {
    Default();
}
void CWnd::OnLButtonDown(uint32_t, Point) {
    Default();
}
void CWnd::OnLButtonUp(uint32_t, Point) {
    Default();
}
void CWnd::OnLButtonDblClk(uint32_t, Point) {
    Default();
}
void CWnd::OnRButtonDown(uint32_t, Point) {
    Default();
}
void CWnd::OnRButtonUp(uint32_t, Point) {
    Default();
}
void CWnd::OnMouseMove(uint32_t, Point) {
    Default();
}
bool CWnd::OnMouseWheel(uint32_t, int, Point) {
    return Default() != 0;
}
void CWnd::OnSize(uint32_t, int, int) {
    Default();
}
void CWnd::OnShowWindow(bool, uint32_t) {
    Default();
}

bool CWnd::OnCommand(uintptr_t wparam, intptr_t lparam) {
    return OnCmdMsg(loword(wparam), hiword(wparam), lparam);
}

bool CWnd::OnCmdMsg(uint32_t, int, intptr_t) {
    return false;
}

const Brush* CWnd::OnCtlColor(Dc* dc, CWnd* control, uint32_t ctl_message) {
    return control && control != this ? control->CtlColor(dc, ctl_message) : nullptr;
}

const Brush* CWnd::CtlColor(Dc*, uint32_t) {
    return nullptr;
}

void CWnd::SetFont(const Font& font, bool redraw) {
    font_ = font;
    if (redraw) Invalidate();
}

}  // namespace plat

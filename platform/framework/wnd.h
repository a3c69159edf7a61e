#pragma once
// CWnd: a window whose messages arrive as virtual handler calls, the way the
// system's windows are written. Unhandled messages go to Default().
#include <cstdint>
#include <string_view>

#include "platform/gfx/dc.h"
#include "platform/gfx/font.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"

namespace plat {

class CWnd : public Window {
  public:
    CWnd() = default;
    ~CWnd() override;

    static CWnd* FromHandle(Window* w) { return dynamic_cast<CWnd*>(w); }

    // Creation. PreCreateWindow may change the parameters (class, style).
    bool Create(std::string_view class_name, std::u16string_view text, uint32_t style,
                const Rect& rect, CWnd* parent, int id);
    virtual bool PreCreateWindow(CreateParams& params);
    virtual bool DestroyWindow();

    // Sees messages of this window (and of its descendants) before dispatch;
    // true consumes the message.
    virtual bool PreTranslateMessage(const Message& msg);

    // The window procedure: calls the handlers below.
    virtual intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
    // The default handling of the message being handled.
    intptr_t Default();

    // Handlers; each default runs Default().
    virtual int OnCreate(const CreateParams* params);
    virtual void OnDestroy();
    virtual void OnClose();
    virtual void OnPaint();
    virtual void OnTimer(uintptr_t id);
    virtual void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags);
    virtual void OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags);
    virtual void OnSysKeyDown(uint32_t key, uint32_t repeat, uint32_t flags);
    virtual void OnChar(uint32_t ch, uint32_t repeat, uint32_t flags);
    virtual void OnSetFocus(CWnd* old);
    virtual void OnKillFocus(CWnd* next);
    virtual void OnLButtonDown(uint32_t flags, Point p);
    virtual void OnLButtonUp(uint32_t flags, Point p);
    virtual void OnLButtonDblClk(uint32_t flags, Point p);
    virtual void OnRButtonDown(uint32_t flags, Point p);
    virtual void OnRButtonUp(uint32_t flags, Point p);
    virtual void OnMouseMove(uint32_t flags, Point p);
    virtual bool OnMouseWheel(uint32_t flags, int delta, Point screen);
    virtual void OnSize(uint32_t type, int cx, int cy);
    virtual void OnShowWindow(bool show, uint32_t status);
    // WM_COMMAND: the default offers the command to OnCmdMsg.
    virtual bool OnCommand(uintptr_t wparam, intptr_t lparam);
    virtual bool OnCmdMsg(uint32_t id, int code, intptr_t lparam);
    // WM_CTLCOLOR*: the brush a child control paints its background with
    // (null for the control's own), after setting colours on `dc`.
    virtual const Brush* OnCtlColor(Dc* dc, CWnd* control, uint32_t ctl_message);
    // The reflected colour message: a control's own answer to the
    // WM_CTLCOLOR* its parent was sent for it (null: none). The parent's
    // default handling asks the control first.
    virtual const Brush* CtlColor(Dc* dc, uint32_t ctl_message);
    // Called after the window is gone (the object may delete itself).
    virtual void PostNcDestroy() {}

    // Helpers in the framework's terms.
    CWnd* GetParent() const { return FromHandle(parent()); }
    CWnd* GetDlgItem(int id) const { return FromHandle(child_by_id(id)); }
    int GetDlgCtrlID() const { return id(); }
    Rect GetClientRect() const { return client_rect(); }
    Rect GetWindowRect() const { return screen_rect(); }
    void MoveWindow(const Rect& r, bool repaint = true) { move(r, repaint); }
    bool ShowWindow(int cmd) { return show(cmd); }
    bool IsWindowVisible() const { return is_visible(); }
    bool EnableWindow(bool on) { return enable(on); }
    bool IsWindowEnabled() const { return is_enabled(); }
    void SetWindowText(std::u16string_view t) { set_text(t); }
    std::u16string GetWindowText() const { return text(); }
    void Invalidate(bool erase = true) { invalidate(nullptr, erase); }
    void InvalidateRect(const Rect* r, bool erase = true) { invalidate(r, erase); }
    void ValidateRect() { validate(); }
    void UpdateWindow() { update_window(this); }
    CWnd* SetFocus() { return FromHandle(set_focus(this)); }
    static CWnd* GetFocus() { return FromHandle(focus_window()); }
    CWnd* SetCapture() { return FromHandle(set_capture(this)); }
    static CWnd* GetCapture() { return FromHandle(capture_window()); }
    uintptr_t SetTimer(uintptr_t id, uint32_t ms, TimerProc proc = nullptr) {
        return set_timer(this, id, ms, proc);
    }
    bool KillTimer(uintptr_t id) { return kill_timer(this, id); }
    bool PostMessage(uint32_t msg, uintptr_t wp = 0, intptr_t lp = 0) {
        return post_message(this, msg, wp, lp);
    }
    intptr_t SendMessage(uint32_t msg, uintptr_t wp = 0, intptr_t lp = 0) {
        return send_message(this, msg, wp, lp);
    }
    void ScreenToClient(Point& p) const { p = screen_to_client(p); }
    void ClientToScreen(Point& p) const { p = client_to_screen(p); }
    void SetFont(const Font& font, bool redraw = true);
    const Font& GetFont() const { return font_; }

  protected:
    intptr_t window_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam) final;

  private:
    struct Current {
        uint32_t msg = 0;
        uintptr_t wparam = 0;
        intptr_t lparam = 0;
    };
    Current current_;
    Font font_;
};

// A device context for WM_PAINT, as handlers write it: CPaintDC dc(this).
class CPaintDC : public PaintDc {
  public:
    explicit CPaintDC(CWnd* w) : PaintDc(w) {}
};

// A device context over a window's client area.
class CClientDC : public WindowDc {
  public:
    explicit CClientDC(CWnd* w) : WindowDc(w) {}
};

}  // namespace plat

#include "platform/framework/sip_panel.h"

#include <cstring>
#include <memory>
#include <mutex>

#include "platform/framework/system_services.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

namespace plat {

namespace {

constexpr uint32_t SIPF_ON = 1;

// The panel's window: paints the grid, selects a tapped cell, and never
// takes the focus.
class SipWindow : public Window {
  public:
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override;
};

struct Panel {
    std::mutex m;
    SipPanelState state;                // guarded by m
    std::unique_ptr<SipWindow> window;  // guarded by m; lives on the thread that showed it
};

// Never destroyed: the panel's window may outlive the window tree at exit
// (sip_panel_close is the orderly way out).
Panel& panel() {
    static Panel* p = new Panel;
    return *p;
}

void move_selection(int& sel, uint32_t command) {
    int row = sel / kSipColumns, col = sel % kSipColumns;
    switch (command) {
        case kSipImRight:
            col = (col + 1) % kSipColumns;
            break;
        case kSipImLeft:
            col = (col + kSipColumns - 1) % kSipColumns;
            break;
        case kSipImDown:
            row = (row + 1) % kSipRows;
            break;
        case kSipImUp:
            row = (row + kSipRows - 1) % kSipRows;
            break;
        default:
            return;
    }
    sel = row * kSipColumns + col;
}

void paint_grid(Window* w) {
    const SipPanelState s = sip_panel_state();
    PaintDc pdc(w);
    Dc& dc = pdc.dc();
    const Rect r = w->client_rect();
    dc.fill_rect(r, kSipBack);
    dc.frame_rect(r, Brush::solid(kSipGrid));
    dc.select_font(Font::default_font());
    dc.set_bk_mode(TRANSPARENT);
    for (int i = 0; i < kSipColumns * kSipRows; ++i) {
        const int x = 1 + (i % kSipColumns) * kSipCellSize;
        const int y = 1 + (i / kSipColumns) * kSipCellSize;
        Rect cell{x, y, x + kSipCellSize, y + kSipCellSize};
        if (i == s.selected) dc.fill_rect(cell.inflate(-1, -1), kSipSelected);
        dc.frame_rect(cell, Brush::solid(kSipGrid));
        dc.set_text_color(RGB(0, 0, 0));
        const char16_t c = kSipCharacters[static_cast<size_t>(i)];
        dc.draw_text(std::u16string_view(&c, 1), cell,
                     DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

intptr_t SipWindow::window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    switch (msg) {
        case WM_PAINT:
            paint_grid(this);
            return 0;
        case WM_LBUTTONDOWN: {
            const int col = (get_x_lparam(lp) - 1) / kSipCellSize;
            const int row = (get_y_lparam(lp) - 1) / kSipCellSize;
            if (col >= 0 && col < kSipColumns && row >= 0 && row < kSipRows) {
                std::lock_guard lock(panel().m);
                panel().state.selected = row * kSipColumns + col;
            }
            invalidate(nullptr, false);
            return 0;
        }
        case WM_SETFOCUS:
            // The panel never keeps the focus: it goes back where it was.
            if (wp) set_focus(reinterpret_cast<Window*>(wp));
            return 0;
        default:
            return default_proc(msg, wp, lp);
    }
}

}  // namespace

SipPanelState sip_panel_state() {
    std::lock_guard lock(panel().m);
    return panel().state;
}

void sip_panel_close() {
    std::unique_ptr<SipWindow> w;
    {
        std::lock_guard lock(panel().m);
        w = std::move(panel().window);
        panel().state.shown = false;
    }
}

uint32_t sip_status() {
    return SIP_STATUS_AVAILABLE;
}

bool sip_show_im(uint32_t flags) {
    const bool on = (flags & SIPF_ON) != 0;
    Window* w;
    Rect rect;
    {
        std::lock_guard lock(panel().m);
        panel().state.shown = on;
        rect = panel().state.rect;
        if (on && !panel().window) {
            register_window_class({kSipClass, CS_SAVEBITS | CS_TOPMOST, kSipBack});
            panel().window = std::make_unique<SipWindow>();
            CreateParams p;
            p.class_name = kSipClass;
            p.style = WS_POPUP;
            p.rect = rect;
            if (!panel().window->create(p)) {
                panel().window.reset();
                panel().state.shown = false;
                return false;
            }
        }
        w = panel().window.get();
    }
    if (w) {
        if (on && w->rect() != rect) w->move(rect);
        w->show(on ? SW_SHOW : SW_HIDE);
    }
    return true;
}

bool sip_get_info(SipInfo* info) {
    if (!info) return false;
    std::lock_guard lock(panel().m);
    const SipPanelState& s = panel().state;
    info->flags = s.shown ? SIPF_ON : 0;
    info->input_panel = s.rect;
    info->visible_desktop = {0, 0, kScreenWidth, s.shown ? s.rect.top : kScreenHeight};
    if (info->im_data && info->im_data_size >= sizeof s.im)
        std::memcpy(info->im_data, s.im, sizeof s.im);
    return true;
}

bool sip_set_info(const SipInfo* info) {
    if (!info) return false;
    Window* w;
    Rect rect;
    {
        std::lock_guard lock(panel().m);
        SipPanelState& s = panel().state;
        if (!info->input_panel.empty()) s.rect = info->input_panel;
        if (info->im_data && info->im_data_size >= sizeof(uint32_t)) {
            uint32_t command = 0;
            std::memcpy(&command, info->im_data, sizeof command);
            s.im[0] = command;
            if (command == kSipImAnswer) {
                s.im[1] = kSipCharacters[static_cast<size_t>(s.selected)];
            } else if (command == kSipImReset) {
                s.selected = 0;
                s.im[1] = 0;
            } else {
                move_selection(s.selected, command);
            }
        }
        rect = s.rect;
        w = panel().window.get();
    }
    if (w && is_window(w)) {
        if (w->rect() != rect) w->move(rect);
        w->invalidate(nullptr, false);
    }
    return true;
}

}  // namespace plat

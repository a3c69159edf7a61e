#include "dialogs/instrument_dlg.h"

#include "core/keys.h"
#include "dialogs/dialog_services.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace {

// The index of the bar's key at a point of the bar owner's client area, -1
// for none.
int HitKey(const CWidgetGroup* bar, plat::Point p) {
    if (!bar || !bar->HitTest(p)) return -1;
    for (int i = 0; i < bar->GetCount(); ++i)
        if (const IGroupChild* c = bar->GetChild(i); c && c->HitTest(p)) return i;
    return -1;
}

}  // namespace

CInstrumentDlg::CInstrumentDlg(int idd, plat::CWnd* parent)
    : CDialog(idd, parent),
      m_pParent(parent),
      m_SmallFont(dialog_services::UiFont(dialog_services::SmallFontWeight())),
      m_LargeFont(dialog_services::UiFont(dialog_services::LargeFontHeight())),
      m_LargeFont2(dialog_services::UiFont(dialog_services::LargeFontHeight())) {}

CInstrumentDlg::~CInstrumentDlg() = default;

bool CInstrumentDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pSoftKeys = dialog_services::SoftKeyBar();
    m_pMenuKeys = dialog_services::MenuKeyBar();
    return true;
}

bool CSoftKeyDlg::OnInitDialog() {
    CInstrumentDlg::OnInitDialog();
    m_bCaptureReleased = false;
    ReleaseCaptureOnce();
    SetTimer(kCaptureTimer, kCapturePeriodMs);
    return true;
}

void CSoftKeyDlg::ReleaseCaptureOnce() {
    if (m_bCaptureReleased) return;
    if (GetCapture() == this) plat::release_capture();
    m_bCaptureReleased = true;
}

void CSoftKeyDlg::StopCaptureWatch() {
    ReleaseCaptureOnce();
    KillTimer(kCaptureTimer);
}

void CSoftKeyDlg::OnTimer(uintptr_t id) {
    if (id != kCaptureTimer) {
        CInstrumentDlg::OnTimer(id);
        return;
    }
    KillTimer(kCaptureTimer);
    const plat::Rect client = GetClientRect();
    plat::Point p = plat::get_cursor_pos();
    ScreenToClient(p);
    if (client.contains(p) || client.contains({p.x, p.y + kCaptionStrip})) {
        ReleaseCaptureOnce();
    } else if (m_bCaptureReleased) {
        SetCapture();
        m_bCaptureReleased = false;
    }
    SetTimer(kCaptureTimer, kCapturePeriodMs);
}

void CSoftKeyDlg::OnOK() {
    StopCaptureWatch();
    EndDialog(plat::IDOK);
}

void CSoftKeyDlg::OnCancel() {
    StopCaptureWatch();
    EndDialog(plat::IDCANCEL);
}

bool CSoftKeyDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    const auto repeat = plat::key_repeat(msg.lparam);
    switch (msg.message) {
        case plat::WM_KEYDOWN:
            if (OnKeyDown(key, repeat, 0u)) return true;
            // Enter and Escape for one of the controls act on the dialog:
            // the press does nothing.
            if (IsEndKey(key) && msg.window != static_cast<const plat::Window*>(this)) return true;
            break;
        case plat::WM_KEYUP:
            if (OnKeyUp(key, repeat, 0u)) return true;
            if (IsEndKey(key) && msg.window != static_cast<const plat::Window*>(this)) {
                if (key == plat::VK_RETURN) {
                    OnOK();
                } else {
                    OnCancel();
                }
                return true;
            }
            break;
        case plat::WM_MOUSEWHEEL:
            if (OnWheel(plat::get_wheel_delta(msg.wparam))) return true;
            break;
        case plat::WM_PAINT:
            // The dialog keeps the keyboard: it takes the focus back from a
            // window outside it (one of its controls may keep it), unless a
            // box over it has disabled it.
            if (!HoldsFocus() && exists() && IsWindowVisible() && IsWindowEnabled()) SetFocus();
            break;
        default:
            break;
    }
    return CInstrumentDlg::PreTranslateMessage(msg);
}

bool CSoftKeyDlg::IsEndKey(uint32_t key) {
    return key == plat::VK_RETURN || key == plat::VK_ESCAPE;
}

bool CSoftKeyDlg::HoldsFocus() const {
    for (plat::Window* w = plat::focus_window(); w; w = w->parent())
        if (w == this) return true;
    return false;
}

bool CSoftKeyDlg::OnKeyDown(uint32_t key, uint16_t, uint32_t) {
    if (IsSoftKeyVKey(key)) return OnSoftKey(SoftKeyFromVKey(key), true);
    if (key >= plat::VK_LEFT && key <= plat::VK_DOWN) return OnArrow(key, true);
    return false;
}

bool CSoftKeyDlg::OnKeyUp(uint32_t key, uint16_t, uint32_t) {
    if (IsSoftKeyVKey(key)) return OnSoftKey(SoftKeyFromVKey(key), false);
    return false;
}

void CSoftKeyDlg::OnFocus(plat::CWnd*) {
    Default();
}

bool CSoftKeyDlg::OnSoftKey(int, bool) {
    return false;
}

bool CSoftKeyDlg::OnArrow(uint32_t, bool) {
    return false;
}

bool CSoftKeyDlg::OnWheel(int) {
    return false;
}

void CSoftKeyDlg::OnKeyDownMsg(uint32_t key, uint16_t repeat, uint32_t flags) {
    OnKeyDown(key, repeat, flags);
    if (key == plat::VK_RETURN || key == plat::VK_ESCAPE) return;
    Default();
}

void CSoftKeyDlg::OnKeyUpMsg(uint32_t key, uint16_t repeat, uint32_t flags) {
    OnKeyUp(key, repeat, flags);
    if (key == plat::VK_RETURN) {
        OnOK();
    } else if (key == plat::VK_ESCAPE) {
        OnCancel();
    } else {
        Default();
    }
}

uint32_t CSoftKeyDlg::KeyAt(plat::Point client) const {
    const plat::CWnd* owner = GetOwner() ? GetOwner() : GetParent();
    if (!owner || !plat::is_window(owner)) return 0;
    const plat::Point p = owner->screen_to_client(client_to_screen(client));
    if (int i = HitKey(m_pSoftKeys, p); i >= 0) return VKeyFromSoftKey(i);
    if (int i = HitKey(m_pMenuKeys, p); i >= 0) return VKeyFromHardMenuKey(i);
    uint32_t key = 0;
    if (dialog_services::QueryLinkValue(p, &key) && key) return key;
    return 0;
}

intptr_t CSoftKeyDlg::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    const auto key = static_cast<uint32_t>(wp);
    switch (msg) {
        case plat::WM_KEYDOWN:
            OnKeyDownMsg(key, plat::key_repeat(lp), plat::hiword(static_cast<uintptr_t>(lp)));
            return 0;
        case plat::WM_KEYUP:
            OnKeyUpMsg(key, plat::key_repeat(lp), plat::hiword(static_cast<uintptr_t>(lp)));
            return 0;
        case plat::WM_SETFOCUS:
            OnFocus(FromHandle(reinterpret_cast<plat::Window*>(wp)));
            return 0;
        case plat::WM_CLOSE:
            StopCaptureWatch();
            return CInstrumentDlg::WindowProc(msg, wp, lp);
        case plat::WM_LBUTTONDOWN:
        case plat::WM_LBUTTONUP: {
            const plat::Point p{plat::get_x_lparam(lp), plat::get_y_lparam(lp)};
            if (const uint32_t k = KeyAt(p)) {
                PostMessage(msg == plat::WM_LBUTTONDOWN ? plat::WM_KEYDOWN : plat::WM_KEYUP, k, 0);
                return 0;
            }
            return CInstrumentDlg::WindowProc(msg, wp, lp);
        }
        default:
            return CInstrumentDlg::WindowProc(msg, wp, lp);
    }
}

void ShowSoftKeyLabels(CSoftKeyMenu* bar, std::span<const uint32_t> ids) {
    if (!bar) return;
    for (size_t i = 0; i < ids.size(); ++i)
        bar->SetKeyTextById(ids[i], static_cast<int>(i), false, false);
    bar->RedrawAll();
}

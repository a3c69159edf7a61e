#include "dialogs/list_dlg.h"

#include "core/keys.h"
#include "core/sip_helper.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "platform/framework/edit.h"
#include "platform/framework/list_box.h"
#include "widgets/color_scheme.h"

CListDlg::CListDlg(int idd, plat::CWnd* parent, CColorScheme* const* scheme_holder)
    : CInstrumentDlg(idd, parent),
      m_ppScheme(scheme_holder),
      m_pListParent(parent),
      m_Idd(idd),
      m_BrushA(plat::Brush::solid(kNoSchemeColor)),
      m_BrushB(plat::Brush::solid(kNoSchemeColor)),
      m_ListFont(dialog_services::UiFont(dialog_services::LargeFontHeight())) {}

CListDlg::~CListDlg() {
    m_bDestructing = true;
    if (exists()) DestroyWindow();
    if (m_bOwnsSip) delete m_pSip;
}

void CListDlg::SetSipHelper(CSipHelper* sip, bool owned) {
    if (m_bOwnsSip && m_pSip != sip) delete m_pSip;
    m_pSip = sip;
    m_bOwnsSip = owned;
}

bool CListDlg::Create() {
    return CDialog::Create(m_Idd, m_pListParent);
}

bool CListDlg::OnInitDialog() {
    CInstrumentDlg::OnInitDialog();
    ReloadColours();
    return true;
}

void CListDlg::RedrawWhole() {
    if (!exists() || !is_visible()) return;
    Invalidate();
    for (plat::Window* child : children()) child->invalidate(nullptr, true);
    UpdateWindow();
    for (plat::Window* child : children()) plat::update_window(child);
}

void CListDlg::ReloadColours() {
    if (const CColorScheme* s = Scheme()) {
        m_BrushA = plat::Brush::solid(s->GetColor(kFaceEntry));
        m_BrushB = plat::Brush::solid(s->GetColor(kListEntry));
    }
    if (exists()) Invalidate();
}

bool CListDlg::Forward(const plat::Message& msg) {
    if (!IsInstrumentKey(static_cast<uint32_t>(msg.wparam)) || !m_pListParent) return false;
    return m_pListParent->PostMessage(msg.message, msg.wparam, msg.lparam);
}

bool CListDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    switch (msg.message) {
        case plat::WM_KEYDOWN:
            if (m_bForwardKeys && Forward(msg)) return true;
            if (OnKeyDown(key, uint16_t{0}, 0u)) return true;
            if (Forward(msg)) return true;
            break;
        case plat::WM_KEYUP:
            if (OnKeyUp(key, uint16_t{0}, 0u)) return true;
            if (Forward(msg)) return true;
            break;
        case plat::WM_MOUSEWHEEL:
            if (OnWheel(plat::get_wheel_delta(msg.wparam))) return true;
            break;
        default:
            break;
    }
    return CInstrumentDlg::PreTranslateMessage(msg);
}

bool CListDlg::OnKeyDown(uint32_t key, uint16_t, uint32_t) {
    if (key >= plat::VK_LEFT && key <= plat::VK_DOWN) return OnArrow(key, true);
    return false;
}

bool CListDlg::OnKeyUp(uint32_t, uint16_t, uint32_t) {
    return false;
}

bool CListDlg::OnArrow(uint32_t key, bool) {
    if (key == plat::VK_LEFT) {
        PrevDlgCtrl();
        return true;
    }
    if (key == plat::VK_RIGHT) {
        NextDlgCtrl();
        return true;
    }
    return false;
}

bool CListDlg::OnWheel(int) {
    return false;
}

void CListDlg::OnAction(int code) {
    if (!m_pSip) return;
    if (code == kActionToggleSip) {
        ShowSip();
    } else if (code == kActionShowSip) {
        m_pSip->ShowAt(m_SipX, m_SipY);
    }
}

intptr_t CListDlg::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    const auto key = static_cast<uint32_t>(wp);
    switch (msg) {
        case plat::WM_KEYDOWN:
            OnKeyDown(key, plat::key_repeat(lp), 0u);
            if (key == plat::VK_RETURN || key == plat::VK_ESCAPE) return 0;
            return Default();
        case plat::WM_KEYUP:
            OnKeyUp(key, plat::key_repeat(lp), 0u);
            if (key == plat::VK_RETURN) {
                OnOK();
                return 0;
            }
            if (key == plat::VK_ESCAPE) {
                OnCancel();
                return 0;
            }
            return Default();
        default:
            return CInstrumentDlg::WindowProc(msg, wp, lp);
    }
}

void CListDlg::OnPaint() {
    CInstrumentDlg::OnPaint();  // the face in brush A; nothing of its own
    if (m_bAnnouncePaint && m_pListParent)
        m_pListParent->PostMessage(plat::WM_COMMAND, kPaintedCommand, m_Idd);
}

const plat::Brush* CListDlg::OnCtlColor(plat::Dc* dc, plat::CWnd* control, uint32_t ctl_message) {
    const plat::Brush* framework = CInstrumentDlg::OnCtlColor(dc, control, ctl_message);
    const CColorScheme* s = Scheme();
    if (!s) {
        switch (ctl_message) {
            case plat::WM_CTLCOLOREDIT:
            case plat::WM_CTLCOLORSTATIC:
            case plat::WM_CTLCOLORDLG:
                return &m_BrushA;
            case plat::WM_CTLCOLORLISTBOX:
                return &m_BrushB;
            default:
                return framework;
        }
    }
    switch (ctl_message) {
        case plat::WM_CTLCOLOREDIT:
        case plat::WM_CTLCOLORSTATIC:
            if (dc) {
                dc->set_text_color(s->GetColor(kTextEntry));
                dc->set_bk_mode(plat::TRANSPARENT);
            }
            return &m_BrushA;
        case plat::WM_CTLCOLORLISTBOX:
            if (dc) {
                dc->set_bk_color(s->GetColor(kListEntry));
                dc->set_bk_mode(plat::TRANSPARENT);
            }
            return &m_BrushB;
        case plat::WM_CTLCOLORBTN:
            if (dc) {
                dc->set_text_color(s->GetColor(kTextEntry));
                dc->set_bk_mode(plat::TRANSPARENT);
            }
            return framework;
        case plat::WM_CTLCOLORDLG:
            return &m_BrushA;
        default:
            return framework;
    }
}

void CListDlg::PostNcDestroy() {
    // A modeless dialog goes with its window; a modal one belongs to its
    // caller, and one being deleted is going already.
    if (!IsModal() && !m_bDestructing) delete this;
}

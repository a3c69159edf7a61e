#include "platform/framework/frame.h"

namespace plat {

bool CFrameWnd::LoadFrame(int resource_id, uint32_t, CWnd*) {
    resource_id_ = resource_id;
    return Create("FrameWnd", GetWindowText(), WS_POPUP, {0, 0, kScreenWidth, kScreenHeight},
                  nullptr, 0);
}

bool CFrameWnd::OnCmdMsg(uint32_t id, int code, intptr_t lparam) {
    if (CWnd* view = GetActiveView()) {
        if (view->OnCommand(make_wparam(static_cast<int>(id), code), lparam)) return true;
    }
    return CWnd::OnCmdMsg(id, code, lparam);
}

void CFrameWnd::OnSetFocus(CWnd* old) {
    if (CWnd* view = GetActiveView()) {
        view->SetFocus();
        return;
    }
    CWnd::OnSetFocus(old);
}

}  // namespace plat

#pragma once
// CFrameWnd: the program's top-level window covering the screen, with one
// view (the child with id AFX_IDW_PANE_FIRST) that gets commands first.
#include "platform/framework/wnd.h"

namespace plat {

inline constexpr int AFX_IDW_PANE_FIRST = 59648;
inline constexpr uint32_t FWS_ADDTOTITLE = 0x8000;

class CFrameWnd : public CWnd {
  public:
    // Creates the frame over the whole screen (the resource id names it).
    virtual bool LoadFrame(int resource_id, uint32_t style = FWS_ADDTOTITLE,
                           CWnd* parent = nullptr);
    CWnd* GetActiveView() const { return GetDlgItem(AFX_IDW_PANE_FIRST); }
    int resource_id() const { return resource_id_; }

  protected:
    // Commands go to the view first, then to the frame itself.
    bool OnCmdMsg(uint32_t id, int code, intptr_t lparam) override;
    void OnSetFocus(CWnd* old) override;

  private:
    int resource_id_ = 0;
};

}  // namespace plat

#pragma once
// CSystemScreen: what the screens outside the instruments share (mode
// selection, tools): the panes laid out as on the setup screen, the status
// line shown in the title pane, and the list area their dialogs take.
#include <cstdint>

#include "screens/mode_base.h"

class CSystemScreen : public CModeBase {
  public:
    CSystemScreen(int mode_id, uint32_t caption);

    bool ShowsBattery() const override { return true; }
    uint32_t GetCaption() const { return caption_; }
    // The area of the screen's dialogs: the client area less the title and
    // draw panel above, the soft keys at the right and the bottom bars.
    plat::Rect ListArea() const;

  protected:
    // Title pane, soft-key menu, menu-key bar, status indicator, draw panel
    // (with one labelled box in each of its first two rows when the ids are
    // not 0) and a readout panel of three plain rows.
    void CreateSystemPanes(uint32_t draw_label0, uint32_t draw_label1);
    // The status line (caption, then the stacked page titles) in the title.
    void ShowStatusLine();
    void ClearStatusLine();
    void PushStatusLine(uint32_t id);
    // Every pane drawn anew (after a language or colour change, or when the
    // screen becomes current).
    void RedrawAllPanes();
    // The six menu-key captions by string id.
    void SetMenuCaptions(const uint32_t (&ids)[kMenuKeyCount]);
    // The hardware id of the unit (0 without an application).
    uint32_t HardwareId() const;

  private:
    uint32_t caption_;
};

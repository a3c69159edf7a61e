#include "screens/system/system_screen.h"

#include "core/res_string.h"
#include "instrument/status_text_line.h"
#include "screens/screen_services.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace {
// The list area inside the client area.
constexpr int kListTop = 90, kListRight = 95, kListBottom = 77;
constexpr int kReadoutRows = 3;
}  // namespace

CSystemScreen::CSystemScreen(int mode_id, uint32_t caption) : caption_(caption) {
    mode_id_ = mode_id;
}

plat::Rect CSystemScreen::ListArea() const {
    const plat::Rect c = client_rect();
    return {c.left, c.top + kListTop, c.right - kListRight, c.bottom - kListBottom};
}

void CSystemScreen::CreateSystemPanes(uint32_t draw_label0, uint32_t draw_label1) {
    file_label_panel_ = std::make_unique<CFileLabelPanel>(LoadResString(caption_), true);
    CreatePane(*file_label_panel_, GetTitleLayout());
    soft_key_menu_ = std::make_unique<CSoftKeyMenu>();
    CreatePane(*soft_key_menu_, GetSoftKeyLayout());
    menu_key_panel_ = std::make_unique<CPanelWidget>();
    CreatePane(*menu_key_panel_, GetBottomLayout());
    status_indicator_ = std::make_unique<CStatusIndicator>();
    CreatePane(*status_indicator_, GetCornerLayout());
    if (draw_label0 && draw_label1)
        draw_panel_ = std::make_unique<CDrawPanel>(1, &draw_label0, 1, &draw_label1);
    else
        draw_panel_ = std::make_unique<CDrawPanel>();
    CreatePane(*draw_panel_, GetBannerLayout());
    readout_panel_ = std::make_unique<CReadoutPanel>(kReadoutRows);
    CreatePane(*readout_panel_, GetReadoutLayout());
}

void CSystemScreen::ShowStatusLine() {
    if (!file_label_panel_) return;
    file_label_panel_->SetFileLabel(LoadResString(caption_), {});
    // The caption names the screen; the stacked page titles follow it.
    core::Text path;
    for (int i = 0; status_path_ && i < status_path_->GetCount(); ++i) {
        if (!path.empty()) path += u"\\";
        path += LoadResString(status_path_->GetId(i));
    }
    file_label_panel_->SetIdText(path);
    file_label_panel_->Redraw();
}

void CSystemScreen::ClearStatusLine() {
    if (status_path_) status_path_->Clear();
}

void CSystemScreen::PushStatusLine(uint32_t id) {
    if (status_path_) status_path_->Push(id);
}

void CSystemScreen::RedrawAllPanes() {
    if (file_label_panel_) file_label_panel_->Redraw();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    if (menu_key_panel_) menu_key_panel_->Show(0, -1);
    if (draw_panel_) draw_panel_->Redraw();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, 0);
    if (status_indicator_) status_indicator_->Redraw();
}

void CSystemScreen::SetMenuCaptions(const uint32_t (&ids)[kMenuKeyCount]) {
    if (!menu_key_panel_) return;
    // The captions of a new language or colour scheme keep the lit key lit.
    const int lit = menu_key_panel_->GetSelectedIndex();
    for (int k = 0; k < kMenuKeyCount; ++k)
        menu_key_panel_->SetBoxTextById(ids[k], k, false, k == lit);
}

uint32_t CSystemScreen::HardwareId() const {
    auto* s = services();
    return s ? s->GetHardwareId() : 0;
}

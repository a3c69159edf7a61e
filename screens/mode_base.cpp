#include "screens/mode_base.h"

#include <algorithm>
#include <utility>

#include "core/app_commands.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "core/sorted_item_list.h"
#include "dialogs/progress_dlg.h"
#include "files/listed_setup.h"
#include "files/meas_setup.h"
#include "instrument/status_text_line.h"
#include "platform/framework/dialog.h"
#include "platform/framework/system_services.h"
#include "platform/framework/wnd.h"
#include "platform/window/paint.h"
#include "screens/screen_services.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace {

constexpr int kClientBottomMax = 595;
// The status path: the ids that set and clear the bandwidth flag.
constexpr uint32_t kBandwidthTitle = 808;
constexpr uint32_t kFrequencyTitle = 63016;
// The readout panel's item that shows the page's help text.
constexpr int kHelpItem = 5;

// Backlight: the soft keys' texts and the label ids of the setting in force.
constexpr uint32_t kBacklightMode = 994, kBacklightAuto = 555, kBacklightManual = 1023;
constexpr uint32_t kLevelTexts[3] = {538, 537, 536};  // keys 1..3: high, medium, low
constexpr uint32_t kCustomBacklight = 1007, kSensorGain = 1063;
constexpr int kLevelLow = 0, kLevelMedium = 1, kLevelHigh = 2, kLevelCustom = 3;
constexpr int kItemCustom = 4, kItemSensorGain = 5;

bool valid_cell(int page, int key) {
    return page >= 0 && page < CModeBase::kPageCount && key >= 0 && key < CModeBase::kKeysPerPage;
}

}  // namespace

CModeBase::CModeBase() {
    const std::u16string folder = u"\\FlashFX Disk\\Help";
    const char16_t* files[] = {u"vna.txt", u"specan.txt", u"powermeter.txt", u"custom.txt"};
    for (size_t i = 0; i < help_paths_.size(); ++i) help_paths_[i] = folder + u"\\" + files[i];
    ResetKeyTables();
}

// The panes first, then the status path; the lock goes with the members.
CModeBase::~CModeBase() {
    CModeBase::ClosePopup();
    progress_.reset();
    readout_panel_.reset();
    draw_panel_.reset();
    status_indicator_.reset();
    soft_key_menu_.reset();
    menu_key_panel_.reset();
    file_label_panel_.reset();
    extra_widget_.reset();
    home_widget_.reset();
    status_path_.reset();
}

int CModeBase::CreatePane(CScreenWidget& pane, const PaneLayout& l) const {
    return pane.Create(parent_view_, client_left_ + l.left, client_top_ + l.top,
                       client_left_ + l.right, client_top_ + l.bottom,
                       static_cast<ColorSchemeIndex>(l.colour), l.font, create_arg_);
}

plat::Rect CModeBase::client_rect() const {
    return {client_left_, client_top_, client_right_, client_bottom_};
}

void CModeBase::OnIdle() {
    if (file_label_panel_) file_label_panel_->RedrawClock();
}

void CModeBase::RepaintFrame() const {
    if (!main_frame_) return;
    main_frame_->InvalidateRect(nullptr);
    main_frame_->UpdateWindow();
}

IScreenServices* CModeBase::services() const {
    return IScreenServices::current();
}

void CModeBase::post_to_frame(uint32_t msg, uintptr_t wparam, intptr_t lparam) const {
    if (main_frame_) main_frame_->PostMessage(msg, wparam, lparam);
}

void CModeBase::send_to_frame(uint32_t msg, uintptr_t wparam, intptr_t lparam) const {
    if (main_frame_) main_frame_->SendMessage(msg, wparam, lparam);
}

void CModeBase::OnCommand32825(intptr_t) {}

void CModeBase::OnCommandRecord(CCommandRecord* record) {
    delete record;
}

void CModeBase::RefreshPane(int pane) {
    switch (pane) {
        case kPaneFileLabel:
            if (file_label_panel_) file_label_panel_->Redraw();
            break;
        case kPaneMenuKeys:
            if (menu_key_panel_) menu_key_panel_->Show(0, -1);
            break;
        case kPaneSoftKeys:
            if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
            break;
        case kPaneDrawPanel:
            if (draw_panel_) draw_panel_->Redraw();
            break;
        case kPaneReadout:
            if (readout_panel_) readout_panel_->RedrawRows(0, true, 0);
            break;
        case kPaneHome:
            if (home_widget_) home_widget_->Redraw();
            break;
        default:
            break;
    }
}

void CModeBase::OnBufferPair(CBufferPair* pair) {
    if (!pair || !draw_panel_) return;
    draw_panel_->SetRowTexts(pair);
    draw_panel_->Redraw();
}

void CModeBase::OnCommand3281x(int kind, const core::Text* text) {
    if (!draw_panel_ || !text) return;
    draw_panel_->SetRowTextFrom(text, kind);
    draw_panel_->Redraw();
}

void CModeBase::SetDrawPanelText(const std::u16string& text, int argument) {
    if (!draw_panel_) return;
    draw_panel_->SetRowText(text, argument);
    draw_panel_->Redraw();
}

void CModeBase::OnCommand32833(int kind, const core::Text* text) {
    if (!readout_panel_ || !text) return;
    readout_panel_->SetRowCaption(*text, kind);
    readout_panel_->RedrawRows(0, true, 0);
}

void CModeBase::RedrawPanes(uint32_t) {}
int CModeBase::ShowPage(int) {
    return 0;
}

void CModeBase::RepaintChangedKeys() {
    if (panes_frozen_) return;
    if (soft_key_menu_) soft_key_menu_->Update();
    if (menu_key_panel_) menu_key_panel_->Update();
}

int CModeBase::ClosePopup() {
    closing_popup_ = true;
    if (plat::CDialog* popup = std::exchange(popup_, nullptr)) {
        const int saved = saved_byte_;
        // Ending a modeless dialog destroys its window, and the dialog goes
        // with it.
        if (plat::is_window(popup)) popup->EndDialog(0);
        saved_byte_ = saved;
    }
    closing_popup_ = false;
    return 1;
}

namespace {
// Paints a window and its children now: the screen that shows progress keeps
// the user-interface thread busy with the work meanwhile.
void PaintNow(plat::Window* w) {
    plat::update_window(w);
    for (plat::Window* child : w->children()) PaintNow(child);
}
}  // namespace

void CModeBase::OpenProgress(int start, int range, const core::Text& text) {
    CloseProgress();
    auto window = std::make_unique<CProgressDlg>(main_frame_ ? main_frame_ : parent_view_);
    window->SetText(text);
    if (!window->Create()) return;
    window->ShowWindow(plat::SW_SHOW);
    progress_ = std::move(window);
    UpdateProgress(0, range);
    if (start != 0) UpdateProgress(start, range);
    PaintNow(progress_.get());
}

void CModeBase::UpdateProgress(int position, int range) {
    if (!progress_) return;
    progress_->SetProgress(static_cast<uint32_t>(std::max(position, 0)),
                           static_cast<uint32_t>(std::max(range, 0)));
    PaintNow(progress_.get());
}

void CModeBase::CloseProgress() {
    if (!progress_) return;
    progress_->ShowWindow(plat::SW_HIDE);
    progress_.reset();  // destroys the window
}

void CModeBase::OnTraceFilesChanged(intptr_t) {}
void CModeBase::ShowStatusMessage(const std::u16string&, int) {}

void CModeBase::CancelEntry() {
    active_ = false;
    ClosePopup();
}

void CModeBase::OnActivate() {
    active_ = true;
    fresh_activation_ = true;
    page_ = 0;
    plat::message_beep(0);
    if (auto* s = services()) s->SetCurrentModeId(mode_id_);
    key_lock_ = false;
    key_lock2_ = false;
}

void CModeBase::StartMeasurement() {
    active_ = true;
    fresh_activation_ = true;
    plat::message_beep(0);
    if (auto* s = services()) s->SetCurrentModeId(mode_id_);
}

int CModeBase::GetLastMeasurementModeId() const {
    auto* s = services();
    return s ? s->GetLastMeasurementModeId() : -1;
}

void CModeBase::ReturnToMeasurementScreen(int exceptId) {
    int last = GetLastMeasurementModeId();
    if (last == exceptId || last < 0 || last >= kScreenCount) return;
    auto* s = services();
    if (!s) return;
    switch (last) {
        case kScreenModeSelect:
            s->ShowModeSelect();
            break;
        case kScreenNetworkAnalyzer:
        case kScreenSpectrumAnalyzer:
            SwitchToPendingScreen();
            break;
        case kScreenTools:
            s->ShowTools();
            break;
        case kScreenSetup:
            s->ShowSetupScreen();
            break;
        default:
            break;
    }
}

void CModeBase::OnEnterKey() {
    fresh_activation_ = false;
}

void CModeBase::OnNumericKey(uint32_t, int) {}

int CModeBase::OnWheel(int) {
    fresh_activation_ = false;
    return GetSelectedSoftKey();
}

int CModeBase::OnKnobStep(int) {
    return 0;
}

void CModeBase::OnModeKey(uint32_t key) {
    StopMeasurement();
    BeforeModeSwitch();
    if (auto* s = services()) s->ModeKey(key);
}

int CModeBase::PrepareScreenSwitch() {
    auto* s = services();
    CModeBase* screen = s ? s->GetCurrentMeasurementScreen() : nullptr;
    return screen ? screen->BeforeModeSwitch() : 0;
}

void CModeBase::SwitchToPendingScreen() {
    auto* s = services();
    CModeBase* screen = s ? s->GetCurrentMeasurementScreen() : nullptr;
    if (fresh_activation_ && screen) PostCommandObject<kCmdSwitchMode>(main_frame_, screen);
}

void CModeBase::UpdateStatusIcons(int kind, int level) {
    if (panes_frozen_ || !status_indicator_) return;
    status_indicator_->SetValue(kind, level);
    status_indicator_->Redraw();
}

std::u16string CModeBase::GetFileLabelText() const {
    if (panes_frozen_ || !file_label_panel_) return {};
    return file_label_panel_->GetFileLabel();
}

void CModeBase::ForwardToApp(int value) {
    if (auto* s = services()) s->ForwardValue(value);
}

int CModeBase::OnCreate(plat::CWnd* view, plat::CWnd* frame, int, CColorScheme* createArg) {
    parent_view_ = view;
    main_frame_ = frame;
    if (view) {
        plat::Rect r = view->GetClientRect();
        client_left_ = r.left;
        client_top_ = r.top;
        client_right_ = r.right;
        client_bottom_ = r.bottom;
    }
    if (client_bottom_ > kClientBottomMax) client_bottom_ = kClientBottomMax;
    create_arg_ = createArg;
    if (auto* s = services()) s->InitBacklight();
    return 1;
}

void CModeBase::Lock() {
    lock_.lock();
}
void CModeBase::Unlock() {
    lock_.unlock();
}

int CModeBase::ShowSoftKeys() {
    if (!soft_key_menu_ || page_ < 0 || page_ >= kPageCount) return 1;
    std::array<uint32_t, kKeysPerPage> ids{};
    for (int k = 0; k < kKeysPerPage; ++k) ids[static_cast<size_t>(k)] = label_[page_][k];
    soft_key_menu_->SetTexts(ids.data(), kKeysPerPage);
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

int CModeBase::GetSelectedSoftKey() const {
    return soft_key_menu_ ? soft_key_menu_->GetHighlighted() : -1;
}

int CModeBase::GetSelectedMenuKey() const {
    return menu_key_panel_ ? menu_key_panel_->GetHighlighted() : -1;
}

void CModeBase::ShowPageTexts(int page) {
    if (page < 0 || page >= kPageCount) return;
    std::array<uint32_t, kKeysPerPage> captions{}, labels{};
    for (int k = 0; k < kKeysPerPage; ++k) {
        captions[static_cast<size_t>(k)] = menu_caption_[page][k];
        labels[static_cast<size_t>(k)] = label_[page][k];
    }
    if (menu_key_panel_) {
        menu_key_panel_->SetTexts(captions.data(), kMenuKeyCount);
        menu_key_panel_->Show(0, -1);
    }
    if (soft_key_menu_) {
        soft_key_menu_->SetTexts(labels.data(), kKeysPerPage);
        soft_key_menu_->RedrawAll();
    }
}

// ------------------------------------------------------------ backlight keys

int CModeBase::ShowBacklightKeys(int selected) {
    auto* s = services();
    CSoftKeyMenu* menu = soft_key_menu_.get();
    if (!menu) return 1;
    const bool automatic = s && s->IsBacklightAutomatic();
    const int level = s ? s->GetBacklightLevel(false) : kLevelHigh;
    const bool manual = !automatic;
    menu->SetKeyLabel(LoadResString(kBacklightMode) + u"\n", 0, kBacklightAuto, kBacklightManual,
                      automatic ? 0 : 1, false);
    for (int k = 1; k <= 3; ++k) {
        // Level 2 (high) marks key 1, level 1 key 2, level 0 key 3.
        const bool marked = manual && selected != kItemCustom && level == 3 - k;
        menu->SetKeyCaptionById(kLevelTexts[k - 1], k, false, marked);
    }
    const int custom = s ? s->GetBacklightLevel(true) : 0;
    menu->SetKeyCaption(LoadResString(kCustomBacklight) + u"\n" + core::FormatText("%d%%", custom),
                        4, false, manual && level == kLevelCustom);
    const int gain = s ? s->GetSensorGain() : 0;
    menu->SetKeyCaption(LoadResString(kSensorGain) + u"\n" + core::FormatText("%d", gain), 5, false,
                        false);
    menu->SetKeyCaptionById(kBlankLabel, 6, false, false);
    menu->SetKeyCaptionById(kBlankLabel, 7, false, false);
    if (selected == kItemCustom || selected == kItemSensorGain) menu->Highlight(selected);
    menu->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

int CModeBase::GetBacklightLabelId() const {
    auto* s = services();
    if (s && s->IsBacklightAutomatic()) return 539;
    switch (s ? s->GetBacklightLevel(false) : kLevelHigh) {
        case kLevelLow:
            return 997;
        case kLevelMedium:
            return 998;
        case kLevelCustom:
            return 1009;
        default:
            return 999;
    }
}

// ------------------------------------------------------------ status path

void CModeBase::PushStatusPath(uint32_t id, bool reset) {
    if (status_path_) {
        if (id == kBandwidthTitle) SetBandwidthFlag();
        if (id == kFrequencyTitle) ClearBandwidthFlag();
        if (reset) status_path_->Clear();
        status_path_->Push(id);
    }
    if (readout_panel_ && page_ >= 0 && page_ < kPageCount) {
        readout_panel_->SetRowCaptionById(static_cast<uint32_t>(page_help_[page_]), kHelpItem);
        readout_panel_->RedrawRows(0, true, 0);
    }
}

void CModeBase::PopStatusPath() {
    if (status_path_) status_path_->Pop();
}

CMeasurement* CModeBase::CreateMeasurementFor(CSortedItem* item) {
    const CListedSetup* listed = CListedSetup::From(item);
    const CMeasSetup* setup = listed ? listed->GetSetup() : nullptr;
    CMeasurement* measurement = setup ? FindMeasurement(setup->GetMeasurementId()) : nullptr;
    return measurement ? measurement : GetFirstMeasurement();
}

// ------------------------------------------------------------ item ring

CSortedItem* CModeBase::GetNextItem(CSortedItem* item) const {
    auto* s = services();
    CSortedItem* first = s ? s->GetFirstItem() : nullptr;
    if (!item) return first;
    CSortedItem* next = item->NextItem();
    return next ? next : first;
}

CSortedItem* CModeBase::GetPreviousItem(CSortedItem* item) const {
    auto* s = services();
    CSortedItem* first = s ? s->GetFirstItem() : nullptr;
    if (!first) return nullptr;
    CSortedItem* walk = first;
    // The first item's predecessor is the last.
    while (walk->NextItem() && walk->NextItem() != item) walk = walk->NextItem();
    return walk;
}

void CModeBase::OnActivateStart() {
    OnActivate();
}

void CModeBase::set_menu_caption(int page, int key, int id) {
    if (valid_cell(page, key)) menu_caption_[page][key] = id;
}

void CModeBase::set_page_help(int page, int id) {
    if (page >= 0 && page < kPageCount) page_help_[page] = id;
}

int CModeBase::action(int page, int key) const {
    return valid_cell(page, key) ? action_[page][key] : -1;
}

void CModeBase::set_action(int page, int key, int value) {
    if (valid_cell(page, key)) action_[page][key] = value;
}

int CModeBase::label(int page, int key) const {
    return valid_cell(page, key) ? label_[page][key] : kBlankLabel;
}

void CModeBase::set_label(int page, int key, int id) {
    if (valid_cell(page, key)) label_[page][key] = id;
}

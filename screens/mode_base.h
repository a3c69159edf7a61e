#pragma once
// CModeBase: the root of every full screen of the instrument (mode selection,
// tools, setup and the measurement screens). A screen is not a window: it
// draws into the main view through its panes and receives every key, pointer
// event, timer and command from the application through the virtual
// operations below. The base gives each operation its neutral behaviour; the
// screens override what they need and keep the names.
//
// Callers outside the screens use these names:
//  - the main view: OnKeyEvent, OnNestedKeyEvent, OnLeftButtonDown/Up,
//    ShowPressedKey, OnRightButtonDown/Up, OnWheel, GetSelectedSoftKey,
//    CommitSoftKey, the OnCommand3xxxx handlers, ShowBiasTeeMessage and
//    OnCalTransferFailed (view timers 7 and 8);
//  - the application: OnCreate, OnActivate, OnActivateStart, CancelEntry,
//    OnEnterFromList, SetCurrentMeasurement, StartMeasurement,
//    StopMeasurement, OnClose, GetModeId, GetLastMeasurementModeId,
//    GetStatusWord, GetItemStatusWord, IsBusy, ShowsBattery,
//    UpdateStatusIcons, OnIdle (once a second), SetSetupContext,
//    FindMeasurement, ReloadTexts;
//  - a measurement: the hooks of IMeasurementScreen (ProcessNewData,
//    RepaintScreen, QueryHook, NoticeHook, MessageSentHook, ScreenState,
//    ReplyIdleHook, GpsTextHook, ShowStatusMessage, GetSetup,
//    StopMeasurement), and ActivateMeasurement.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/screen_ids.h"
#include "core/text.h"
#include "instrument/measurement_screen.h"
#include "platform/gfx/geometry.h"
#include "platform/kernel/sync.h"

namespace plat {
class CWnd;
class CDialog;
}  // namespace plat
class IScreenServices;
class CProgressDlg;
class CMeasurement;
class CMeasSetup;
class CCommandRecord;
class CBufferPair;
class CColorScheme;
class CScreenWidget;
class CReadoutPanel;
class CDrawPanel;
class CStatusIndicator;
class CFileLabelPanel;
class CSoftKeyMenu;
class CPanelWidget;
class CStatusTextLine;
class CSortedItem;

// The record of WM_COMMAND 32809: a page's eight labels and eight actions
// (either may be null); the sender keeps it.
struct CPageRecord {
    const uint32_t* labels = nullptr;
    const int* actions = nullptr;
};

class CModeBase : public IMeasurementScreen {
  public:
    // Soft-key page tables: 74 pages of 8 keys, 6 menu-key captions each.
    static constexpr int kPageCount = 74;
    static constexpr int kKeysPerPage = 8;
    static constexpr int kBlankLabel = 184;
    static constexpr int kMenuKeyCount = 6;
    // Held arrow keys count their repeats up to this.
    static constexpr int kArrowRepeatMax = 35;
    // Pane ids of RefreshPane and WM_COMMAND 32821.
    static constexpr int kPaneFileLabel = 1;
    static constexpr int kPaneMenuKeys = 5;
    static constexpr int kPaneSoftKeys = 6;
    static constexpr int kPaneDrawPanel = 9;
    static constexpr int kPaneReadout = 10;
    static constexpr int kPaneHome = 15;
    // Help kinds of ShowModeHelp and OpenHelp.
    enum HelpKind { kHelpVna = 0, kHelpSpecAn = 1, kHelpPowerMeter = 2, kHelpCustom = 3 };

    // A pane rectangle with its colour index and font height.
    struct PaneLayout {
        int left, top, right, bottom, colour, font;
    };

    CModeBase();
    virtual ~CModeBase();
    CModeBase(const CModeBase&) = delete;
    CModeBase& operator=(const CModeBase&) = delete;

    // --- Notifications and commands -------------------------------------
    virtual void OnSettingChanged() {}
    virtual void OnSettingNotify() {}
    // WM_COMMAND 32825.
    virtual void OnCommand32825(intptr_t lparam);
    // WM_COMMAND 32824: the screen owns the record and deletes it
    // (kCmdCommandRecord in core/app_commands.h).
    virtual void OnCommandRecord(CCommandRecord* record);
    // WM_COMMAND 32821: redraws one pane by id (1, 5, 6, 9, 10, 15).
    virtual void RefreshPane(int pane);
    virtual CMeasurement* GetCurrentMeasurement() { return nullptr; }
    virtual int OnCommandHook2() { return 0; }

    // --- Pointer -----------------------------------------------------------
    // Answers 1 when the press or release hit a soft key or menu-key caption.
    virtual int OnRightButtonDown(uint32_t flags, int x, int y);
    virtual int OnLeftButtonUp(uint32_t flags, int x, int y);
    virtual int OnLeftButtonDown(uint32_t flags, int x, int y);
    virtual void ShowPressedKey();
    virtual void ResetSoftKeySelection();
    // The right button's release; nothing in the base.
    virtual void OnRightButtonUp(uint32_t flags, int x, int y);

    // --- Lifecycle and panes ----------------------------------------------
    // Called before the screen is deleted at shutdown.
    virtual void OnClose() {}
    // WM_COMMAND 32829: the pair stays the widgets' that posted it; the
    // draw panel releases its texts.
    virtual void OnBufferPair(CBufferPair* pair);
    // WM_COMMAND 32817 (kind 1), 32818 (2), 32819 (0): the text becomes row
    // `kind` of the draw panel (the view deletes the text afterwards).
    virtual void OnCommand3281x(int kind, const core::Text* text);
    virtual void SetDrawPanelText(const std::u16string& text, int argument);
    // WM_COMMAND 32833 (the view passes 1 and the text): the readout panel
    // shows the text as row `kind`'s caption.
    virtual void OnCommand32833(int kind, const core::Text* text);
    virtual int OnCommandHook3() { return 0; }
    virtual CMeasurement* GetFirstMeasurement() { return nullptr; }
    // WM_COMMAND 32809: a page record (labels and actions); 0 shows the page.
    virtual void OnCommand32809(intptr_t record);
    // After a language or colour change.
    virtual void ReloadTexts() {}
    virtual void RedrawPanes(uint32_t mask);
    virtual void ReloadSweepSettings() {}
    // Opens a page as a window; -1 the first page. Answers 1 when shown.
    virtual int ShowPage(int page);
    // WM_COMMAND 32837: ends the popup window when it still exists.
    // Answers 1.
    virtual int ClosePopup();
    // WM_COMMAND 32838.
    virtual void OnTraceFilesChanged(intptr_t lparam);
    // Flag 1 shows the text in the status line; "" with 0 removes it.
    void ShowStatusMessage(const std::u16string& text, int flag) override;
    // Once a second on the current screen: the title bar's clock moves on.
    virtual void OnIdle();
    // The screen stops being current.
    virtual void CancelEntry();
    // The screen becomes current.
    virtual void OnActivate();
    virtual void StartMeasurement();
    virtual void OnScreenHook() {}
    virtual bool IsActive() const { return active_; }
    virtual int GetModeId() const { return mode_id_; }
    // The measurement screen shown last (settings store).
    virtual int GetLastMeasurementModeId() const;
    virtual void ReturnToMeasurementScreen(int exceptId);
    virtual int GetActiveFunction() const { return active_function_; }
    // View timer 7 (bias-tee reply guard) and timer 8 (calibration transfer).
    virtual void ShowBiasTeeMessage() {}
    virtual void OnCalTransferFailed() {}
    virtual void SignalBeep() {}

    // --- Keys and commands ------------------------------------------------
    // Command codes of soft-key actions; answers 1 when handled.
    virtual int OnCommand(uint32_t code, intptr_t argument);
    virtual void OnSoftKey(uint32_t key, int repeat);
    virtual void OnMenuKey(uint32_t key, int flag);
    virtual int OnEscapeKey();
    virtual void OnEnterKey();
    virtual void OnArrowKey(uint32_t key, int pressed);
    virtual void OnNumericKey(uint32_t key, int flag);
    // A wheel step (signed, 120 per notch); answers the selected soft key.
    virtual int OnWheel(int delta);
    virtual int OnKnobStep(int delta);
    int StopMeasurement() override { return 0; }
    virtual void OnModeKey(uint32_t key);
    // The BeforeModeSwitch answer of the screen that owns the application's
    // current measurement; 0 without one.
    virtual int PrepareScreenSwitch();
    // While freshly activated, switches to the screen of the application's
    // current measurement (WM_COMMAND 32810 to the frame).
    virtual void SwitchToPendingScreen();
    // Status icons: kind 0..4 and a level 0..100 (battery and power).
    virtual void UpdateStatusIcons(int kind, int level);
    virtual std::u16string GetFileLabelText() const;
    virtual void ForwardToApp(int value);
    // Keeps the view and the frame and the client rectangle (bottom at most
    // 595); createArg is the colour scheme the panes draw with.
    virtual int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg);
    virtual int OnCreateHook() { return 0; }
    virtual bool ArePanesFrozen() const { return panes_frozen_; }
    virtual void OnFrozenHook() {}
    virtual void Lock();
    virtual void Unlock();
    virtual int ShowSoftKeys();
    // Repaints the soft keys and menu-key captions whose texts or marks
    // changed since they were last drawn; the view calls it after each key,
    // wheel step and command it hands the screen, so that the keys on screen
    // always show what they do.
    virtual void RepaintChangedKeys();
    virtual int GetSelectedSoftKey() const;
    virtual int GetSelectedMenuKey() const;
    virtual void CheckRestartAfterKey(uint32_t /*key*/) {}
    // Every key press (pressed 1) and release (0) after Shift translation.
    virtual void OnKeyEvent(uint32_t key, int pressed);
    // A key that arrived while another key was being handled (the view's
    // nested path); measurement screens type it into their open entry.
    virtual void OnKeyEventHook(uint32_t /*key*/, int /*pressed*/) {}
    virtual void OnPageHook() {}
    virtual int BeforeModeSwitch() { return 0; }
    virtual void SetBandwidthFlag() { bandwidth_flag_ = true; }
    virtual void ClearBandwidthFlag() { bandwidth_flag_ = false; }
    virtual bool GetBandwidthFlag() const { return bandwidth_flag_; }
    virtual int GetModeFlag() const { return 0; }
    virtual int IsMarkerOn() const { return 0; }
    virtual void SetFreshActivation(bool flag) { fresh_activation_ = flag; }
    virtual bool GetFreshActivation() const { return fresh_activation_; }
    virtual int GetRepeatStep() const;
    virtual void ResetKeyTables();
    // The eight backlight choices on the soft keys; item 4 or 5 highlights
    // the custom level or the sensor gain.
    virtual int ShowBacklightKeys(int selected_item);
    virtual void OnEntryHelpHook() {}
    // Appends a page title to the status path (reset: empties it first) and
    // shows the page's help text in the readout panel's help item.
    virtual void PushStatusPath(uint32_t text_id, bool reset);
    virtual void PopStatusPath();
    virtual void OnListHook() {}
    // The progress window of long file work over the screen: opening one
    // closes one still open; the bar runs from 0 to `range` and starts at
    // `start`. UpdateProgress moves an open bar (position 0 sets a new
    // range); CloseProgress takes the window off the screen.
    virtual void OpenProgress(int start, int range, const core::Text& text);
    virtual void UpdateProgress(int position, int range);
    virtual void CloseProgress();
    CProgressDlg* progress_window() const { return progress_.get(); }
    // The label id of the backlight setting in force.
    virtual int GetBacklightLabelId() const;
    virtual int GetBlankLabelId() const { return kBlankLabel; }
    // The application's item list walked as a ring.
    virtual CSortedItem* GetPreviousItem(CSortedItem* item) const;
    virtual CSortedItem* GetNextItem(CSortedItem* item) const;
    // Tells the user that quick help is shown in a scrolling text box.
    virtual void ShowQuickHelpNotice();
    // The help text of one instrument when the hardware carries it; answers
    // the hardware id.
    virtual uint32_t ShowModeHelp(int kind);
    // The help viewer for a kind (above 2: the custom help), unchecked.
    virtual void OpenHelp(int kind);
    const std::u16string& help_path(int kind) const;
    virtual PaneLayout GetTitleLayout() const { return {0, 0, 800, 30, 1, 160}; }
    virtual PaneLayout GetSoftKeyLayout() const { return {705, 30, 800, 566, 1, 100}; }
    virtual PaneLayout GetBottomLayout() const { return {0, 563, 705, 600, 1, 100}; }
    virtual PaneLayout GetCornerLayout() const { return {705, 566, 800, 600, 1, 100}; }
    virtual PaneLayout GetReadoutLayout() const { return {0, 455, 705, 563, 1, 100}; }
    virtual PaneLayout GetMainLayout() const { return {0, 30, 705, 455, 18, 90}; }
    virtual PaneLayout GetBannerLayout() const { return {0, 30, 705, 90, 1, 120}; }

    // --- Operations the application and the view call that screens may add
    // A word the application keeps after each screen switch.
    virtual uint32_t GetStatusWord() const { return 0; }
    // A word the application keeps after a setup item was recalled.
    virtual uint32_t GetItemStatusWord() const { return 0; }
    virtual bool IsBusy() const { return false; }
    // Whether the screen shows the battery indicator.
    virtual bool ShowsBattery() const { return false; }
    // A key that arrives while a key is being handled: OnKeyEventHook.
    virtual void OnNestedKeyEvent(uint32_t key, uint32_t /*repeat*/, uint32_t /*flags*/,
                                  int pressed) {
        OnKeyEventHook(key, pressed);
    }
    // The activation used when switching without starting the measurement.
    virtual void OnEnterFromList() { OnActivate(); }
    // Acts on the soft key the wheel selected: OnSoftKey(VK_F1 + key, 0).
    virtual void CommitSoftKey(int key);
    // The activation of the mode selection screen (home); the base
    // activates as OnActivate does.
    virtual void OnActivateStart();
    // Hands the screen a measurement before it is activated.
    virtual void SetCurrentMeasurement(CMeasurement* /*measurement*/, CMeasSetup* /*setup*/) {}
    // The measurement of a measurement id or selection value; null when none.
    virtual CMeasurement* FindMeasurement(intptr_t /*value*/) { return nullptr; }
    // The measurement a recalled setup list item runs in: the one of the
    // item's measurement id, else the screen's first.
    virtual CMeasurement* CreateMeasurementFor(CSortedItem* item);
    // Setup screen: the setup object of the screen the user came from.
    virtual void SetSetupContext(CMeasSetup* /*setup*/) {}
    // Gives the focus back to the control the screen remembers.
    virtual void RestoreFocus() {}
    // Power meter: the sensor zeroing results (WM_COMMAND 32841, 32844 and
    // 32845) for its key state machine.
    virtual void PostKeyEvent(uint32_t /*id*/, int /*flag*/) {}

    // --- Measurement hooks (IMeasurementScreen; measurement screens override
    // them) --------------------------------------------------------------
    CMeasSetup* GetSetup() const override { return setup_; }
    virtual void ActivateMeasurement() {}

    // --- Plain accessors ---------------------------------------------------
    int page() const { return page_; }
    void set_page(int page) { page_ = page; }
    bool key_locked() const { return key_lock_ || key_lock2_; }
    void set_key_lock(bool on) { key_lock_ = on; }
    plat::CWnd* main_frame() const { return main_frame_; }
    plat::CWnd* parent_view() const { return parent_view_; }
    CColorScheme* create_arg() const { return create_arg_; }
    int repeat_count() const { return repeat_count_; }
    int last_soft_key() const { return last_soft_key_; }
    int action(int page, int key) const;
    void set_action(int page, int key, int action);
    int label(int page, int key) const;
    void set_label(int page, int key, int id);
    void set_menu_caption(int page, int key, int id);
    void set_page_help(int page, int id);
    void set_key_lock2(bool on) { key_lock2_ = on; }
    int last_pointer_key() const { return last_pointer_key_; }
    CSoftKeyMenu* soft_key_menu() const { return soft_key_menu_.get(); }
    CPanelWidget* menu_key_panel() const { return menu_key_panel_.get(); }
    CReadoutPanel* readout_panel() const { return readout_panel_.get(); }
    CDrawPanel* draw_panel() const { return draw_panel_.get(); }
    CFileLabelPanel* file_label_panel() const { return file_label_panel_.get(); }
    CStatusIndicator* status_indicator() const { return status_indicator_.get(); }
    CScreenWidget* home_widget() const { return home_widget_.get(); }
    CStatusTextLine* status_path() const { return status_path_.get(); }
    // The client rectangle OnCreate kept (bottom at most 595).
    plat::Rect client_rect() const;

  protected:
    // The application services (null in isolated tests).
    IScreenServices* services() const;
    void post_to_frame(uint32_t msg, uintptr_t wparam, intptr_t lparam) const;
    // Has the frame handle a message before returning (user-interface thread).
    void send_to_frame(uint32_t msg, uintptr_t wparam, intptr_t lparam) const;
    // Creates a pane in the view at a layout (relative to the client
    // rectangle) with the screen's colour scheme; answers the widget's result.
    int CreatePane(CScreenWidget& pane, const PaneLayout& layout) const;
    // Shows page `page`'s six captions and eight labels (page 53's switch).
    void ShowPageTexts(int page);
    // Repaints the frame after a dialog the screen ran.
    void RepaintFrame() const;
    // The soft key or menu-key caption under a point, as a key code; 0 none.
    uint32_t KeyAt(plat::Point p) const;
    // Carries out a measurement switch code (0x0000ssmm).
    int SwitchToMeasurement(uint32_t code);

    // Panes; derived screens create them in OnCreate with the layouts.
    std::unique_ptr<CReadoutPanel> readout_panel_;
    std::unique_ptr<CDrawPanel> draw_panel_;
    std::unique_ptr<CStatusIndicator> status_indicator_;
    std::unique_ptr<CScreenWidget> extra_widget_;
    std::unique_ptr<CFileLabelPanel> file_label_panel_;
    std::unique_ptr<CSoftKeyMenu> soft_key_menu_;
    std::unique_ptr<CPanelWidget> menu_key_panel_;
    std::unique_ptr<CScreenWidget> home_widget_;
    std::unique_ptr<CStatusTextLine> status_path_;
    std::unique_ptr<CProgressDlg> progress_;
    // The modeless popup window ClosePopup ends (null: none). It frees
    // itself once its window is destroyed, so only is_window() may look at
    // it after the window could have gone.
    plat::CDialog* popup_ = nullptr;

    // The members below belong to the user-interface thread; the data a
    // measurement thread hands over is guarded by lock_ (Lock/Unlock).
    CMeasSetup* setup_ = nullptr;
    CColorScheme* create_arg_ = nullptr;
    int mode_id_ = -1;
    int saved_byte_ = 255;
    plat::CWnd* main_frame_ = nullptr;
    plat::CWnd* parent_view_ = nullptr;
    bool key_lock_ = false;
    bool key_lock2_ = false;
    bool active_ = false;
    int last_pointer_key_ = -1;
    bool fresh_activation_ = false;
    int open_page_ = 0;
    int page_ = 0;
    int active_function_ = 0;
    bool panes_frozen_ = false;
    bool closing_popup_ = false;
    int last_soft_key_ = -1;
    int repeat_count_ = 0;
    bool bandwidth_flag_ = false;
    int client_left_ = 0, client_top_ = 0, client_right_ = 0, client_bottom_ = 0;

    using PageTable = std::array<std::array<int, kKeysPerPage>, kPageCount>;
    PageTable key_link_{};
    PageTable menu_caption_{};
    PageTable label_{};
    PageTable action_{};
    PageTable key_help_{};
    std::array<int, kPageCount> parent_page_{};
    std::array<int, kPageCount> page_help_{};
    std::array<int, 12> spare_{};

  private:
    std::array<std::u16string, 4> help_paths_;
    plat::CriticalSection lock_;  // the screen's lock, held through Lock/Unlock
};

#pragma once
// The main program's frame window and the view inside it. The view draws
// nothing itself: it hands every key, pointer event, wheel step, view timer
// and application command to the application object or the current screen.
#include <bitset>
#include <cstdint>

#include "platform/framework/frame.h"

class CCelvaneApp;

// Application commands (WM_COMMAND ids with the argument in lParam).
enum AppCommandId : uint32_t {
    kCmdFirst = 32804,
    kCmdColorScheme = 32804,
    kCmdContrast = 32805,
    kCmdLanguage = 32806,
    kCmdBioRequest = 32807,
    kCmdShowPage = 32808,
    kCmdPageRecord = 32809,
    kCmdSwitchMode = 32810,
    kCmdQuickTexts = 32811,
    kCmdCableList = 32816,
    kCmdPane1 = 32817,
    kCmdPane2 = 32818,
    kCmdPane0 = 32819,
    kCmdRecallSetup = 32820,
    kCmdRefreshPane = 32821,
    kCmdBandList = 32823,
    kCmdCommandRecord = 32824,
    kCmd32825 = 32825,
    kCmdLaunch = 32828,
    kCmdBufferPair = 32829,
    kCmdShowTools = 32832,
    kCmdReadout = 32833,
    kCmdAntennaList = 32834,
    kCmdShowSetup = 32835,
    kCmdClosePopup = 32837,
    kCmdTraceFiles = 32838,
    kCmdActivateMeasurement = 32839,
    kCmdSwitchNoStart = 32840,
    kCmdZero1 = 32841,
    kCmdZero2 = 32844,
    kCmdZero3 = 32845,
    kCmdShowModeSelect = 32846,
    kCmdShowSetup2 = 32847,
    kCmdLimitMask = 32848,
    kCmdLast = 32848,
};

class CChildView : public plat::CWnd {
  public:
    // View timers.
    static constexpr uintptr_t kTimerBio = 1;
    static constexpr uintptr_t kTimerWheelEnd = 4;
    static constexpr uintptr_t kTimerWheelCommit = 5;
    static constexpr uintptr_t kTimerBiasTee = 7;
    static constexpr uintptr_t kTimerCalTransfer = 8;

    explicit CChildView(CCelvaneApp* app) : app_(app) {}

    bool PreCreateWindow(plat::CreateParams& params) override;
    bool PreTranslateMessage(const plat::Message& msg) override;
    void OnPaint() override;
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(plat::CWnd* old) override;
    void OnTimer(uintptr_t id) override;
    void OnLButtonDown(uint32_t flags, plat::Point p) override;
    void OnLButtonUp(uint32_t flags, plat::Point p) override;
    void OnRButtonDown(uint32_t flags, plat::Point p) override;
    void OnRButtonUp(uint32_t flags, plat::Point p) override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;

    void SetFocusSuppressed(bool on) { focusSuppressed_ = on; }

  private:
    bool Dispatch(uint32_t id, intptr_t lparam);
    void OnKey(uint32_t key, uint32_t repeat, uint32_t flags, bool down);

    CCelvaneApp* app_;
    bool mouseByte_ = false;
    uint32_t keyWord_ = 0;
    bool focusSuppressed_ = false;
    bool inKeyDown_ = false;
    bool inKeyUp_ = false;
    // Keys whose press the view saw; a release without one is dropped.
    std::bitset<256> pressed_;
};

class CMainFrame : public plat::CFrameWnd {
  public:
    static constexpr uintptr_t kTimerSecond = 2;
    static constexpr int kResourceId = 129;

    explicit CMainFrame(CCelvaneApp* app) : app_(app), view_(app) {}

    CChildView& view() { return view_; }

    bool PreCreateWindow(plat::CreateParams& params) override;
    int OnCreate(const plat::CreateParams* params) override;
    void OnSetFocus(plat::CWnd* old) override;
    void OnTimer(uintptr_t id) override;
    void OnDestroy() override;
    void OnClose() override;
    // Keys posted to the frame (drawn keys touched with the pointer) reach
    // the view's key handling.
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) override;

  private:
    CCelvaneApp* app_;
    CChildView view_;
};

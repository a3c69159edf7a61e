#pragma once
// The main program's frame window and the view inside it. The view draws
// nothing itself: it hands every key, pointer event, wheel step, view timer
// and application command to the application object or the current screen.
#include <bitset>
#include <cstdint>

#include "core/app_commands.h"
#include "platform/framework/frame.h"

class CCelvaneApp;

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
    // The measurement screens' refresh message; the rest to the framework.
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void SetFocusSuppressed(bool on) { focus_suppressed_ = on; }

  private:
    bool Dispatch(uint32_t id, intptr_t lparam);
    void OnKey(uint32_t key, uint32_t repeat, uint32_t flags, bool down);
    void RepaintChangedKeys();

    // Members belong to the user-interface thread, as the window does.
    CCelvaneApp* app_;
    bool mouse_byte_ = false;
    uint32_t key_word_ = 0;
    bool focus_suppressed_ = false;
    bool in_key_down_ = false;
    bool in_key_up_ = false;
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

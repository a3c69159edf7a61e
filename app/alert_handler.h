#pragma once
// CSystemAlertHandler2: the thread that shows the battery, temperature and
// voltage alerts. It listens to the application's event dispatcher for
// system alarms (mask 2) and shows each in the alert window over the screen;
// a box goes away after the alert time-out (whole seconds), on the next
// alarm, or when the thread ends (WM_QUIT).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/app_event.h"
#include "instrument/system/battery.h"
#include "platform/framework/win_thread.h"
#include "platform/kernel/sync.h"

class CAlertMessageDlg;
class CCelvaneApp;
class CColorScheme;

class CSystemAlertHandler2 : public plat::CWinThread {
  public:
    // The thread message the listener posts for each alarm.
    static constexpr uint32_t kAlertMessage = 32831;
    // The critical battery sound (played by file name, to its end).
    static constexpr char16_t kCriticalSound[] = u"criticl.wav";

    explicit CSystemAlertHandler2(CCelvaneApp* app);
    ~CSystemAlertHandler2() override;

    bool InitInstance() override;
    int ExitInstance() override;
    bool PreTranslateMessage(const plat::Message& msg) override;
    bool OnIdle(long count) override;
    // Closes the box there is, then shows the next alarm; answers whether a
    // box shows.
    virtual bool OnAlertEvent();
    // Shows the alarm's box (or plays its sound) and deletes the event;
    // answers whether a box shows.
    virtual bool ShowAlert(CAppEvent* event, const plat::Event& handle);

    // For supervision: the boxes opened so far; of the last, its text ids,
    // its place on the screen and when it opened and closed (platform clock;
    // closed 0 while it shows).
    struct Shown {
        uint32_t count = 0;
        uint32_t caption = 0;
        uint32_t message = 0;
        plat::Rect rect;
        uint64_t shown_ms = 0;
        uint64_t closed_ms = 0;
    };
    Shown GetShown() const;
    bool IsShowing() const { return showing_.load(); }

  private:
    // Hides, destroys and deletes the box there is; no box shows after.
    void CloseAlert();
    // On the user-interface thread: raises a settings counter and saves.
    void RaiseCounter(uint32_t kind);

    CCelvaneApp* app_;
    CColorScheme* scheme_;  // the holder the box reads the scheme from
    // The members below belong to the alert thread.
    std::unique_ptr<CBattery> battery_;
    CAlertMessageDlg* box_ = nullptr;  // owned; null without a box
    plat::Event wake_, box_event_;
    std::atomic<bool> showing_{false};
    CEventListener* listener_ = nullptr;  // owned, registered with the dispatcher
    uint32_t timeout_ms_ = 0;
    uint64_t end_ms_ = 0;  // platform clock
    uintptr_t timer_ = 0;
    mutable std::mutex shown_mutex_;
    Shown shown_;  // guarded by shown_mutex_
};

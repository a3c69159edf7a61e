#pragma once
// The bases of the program's dialogs.
//
// CInstrumentDlg: the root over the framework's modal dialog; it holds the
// interface fonts and, from initialisation on, the current screen's
// soft-key and menu-key bars.
//
// CSoftKeyDlg: a dialog driven from the keypad and from taps on the screen's
// bars. Keys reach OnKeyDown/OnKeyUp before dispatch; soft keys become
// OnSoftKey, arrows OnArrow, the wheel OnWheel. Enter and Escape act on
// their release only (OnOK, OnCancel). While the pointer is outside the
// dialog (and outside the caption strip above its client area) the dialog
// holds the pointer capture, re-judged every 250 ms on timer 9, so that taps
// on the screen's bars arrive here as posted key messages.
#include <cstdint>
#include <span>
#include <string>

#include "platform/framework/dialog.h"

class CPanelWidget;
class CSoftKeyMenu;

class CInstrumentDlg : public plat::CDialog {
  public:
    CInstrumentDlg(int idd, plat::CWnd* parent);
    ~CInstrumentDlg() override;

    CSoftKeyMenu* GetSoftKeyBar() const { return m_pSoftKeys; }
    CPanelWidget* GetMenuKeyBar() const { return m_pMenuKeys; }
    const std::u16string& GetTitle() const { return m_Title; }
    void SetTitle(std::u16string title) { m_Title = std::move(title); }

  protected:
    void DoDataExchange() override {}
    bool OnInitDialog() override;

    plat::CWnd* m_pParent;
    plat::Font m_SmallFont;               // owned
    plat::Font m_LargeFont;               // owned
    CSoftKeyMenu* m_pSoftKeys = nullptr;  // the current screen's; not owned
    CPanelWidget* m_pMenuKeys = nullptr;  // not owned
    plat::Font m_LargeFont2;              // owned
    std::u16string m_Title;
};

class CSoftKeyDlg : public CInstrumentDlg {
  public:
    // The timer that re-judges the pointer capture, and its period.
    static constexpr uintptr_t kCaptureTimer = 9;
    static constexpr uint32_t kCapturePeriodMs = 250;
    // The strip above the client area (the caption) counts as inside.
    static constexpr int kCaptionStrip = 30;

    CSoftKeyDlg(int idd, plat::CWnd* parent) : CInstrumentDlg(idd, parent) {}

    bool PreTranslateMessage(const plat::Message& msg) override;
    bool HoldsCapture() const { return !m_bCaptureReleased; }

    using CInstrumentDlg::OnKeyDown;
    using CInstrumentDlg::OnKeyUp;
    // Answer true when the key was handled.
    virtual bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags);
    virtual bool OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags);
    virtual void OnFocus(plat::CWnd* previous);
    virtual bool OnSoftKey(int index, bool pressed);
    virtual bool OnArrow(uint32_t key, bool pressed);
    virtual bool OnWheel(int delta);

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange() override { CInstrumentDlg::DoDataExchange(); }
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnTimer(uintptr_t id) override;

    // The handlers of WM_KEYDOWN and WM_KEYUP of the dialog window.
    void OnKeyDownMsg(uint32_t key, uint16_t repeat, uint32_t flags);
    void OnKeyUpMsg(uint32_t key, uint16_t repeat, uint32_t flags);
    void ReleaseCaptureOnce();
    // Stops timer 9 and releases the capture before the dialog ends.
    void StopCaptureWatch();

  private:
    static bool IsEndKey(uint32_t key);
    // Whether the focus is on the dialog or one of its controls.
    bool HoldsFocus() const;
    // A tap at a point of the dialog's client area, as a key of the screen's
    // bars or fixed key pane; 0 for none.
    uint32_t KeyAt(plat::Point client) const;

    bool m_bCaptureReleased = true;  // UI thread
};

// Labels a soft-key bar by string ids, key 1 first, and redraws it; a null
// bar is left alone.
void ShowSoftKeyLabels(CSoftKeyMenu* bar, std::span<const uint32_t> ids);

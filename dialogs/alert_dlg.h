#pragma once
// The alert window of the battery, temperature and voltage alerts: a caption
// and a message by string id, over the screen, on the alert thread's own
// message loop. It takes the focus when it opens, hides on the first key or
// wheel turn (which reaches nothing else), and gives the focus back to the
// window that had it when its owner destroys it.
//
// Its owner (the alert thread) creates it with `new`, sets the ids and the
// colour-scheme holder, calls Create, shows it and gives it the focus; later
// it destroys the window and deletes the object, exactly once: the dialog's
// own clean-up after destruction frees nothing.
#include <cstdint>
#include <string>

#include "dialogs/instrument_dlg.h"

class CColorScheme;

class CAlertMessageDlg : public CSoftKeyDlg {
  public:
    static constexpr int IDD = 162;
    static constexpr int kMessageEdit = 1122;
    // Scheme entry of the background brush.
    static constexpr int kBackgroundEntry = 1;

    explicit CAlertMessageDlg(plat::CWnd* parent);
    ~CAlertMessageDlg() override;

    uint32_t m_MessageId = 0;
    uint32_t m_CaptionId = 0;
    uint32_t m_Value = 0;  // kept for the owner
    CColorScheme* const* m_ppScheme = nullptr;

    // Creates the modeless window from the stored template and parent.
    virtual bool Create();
    bool PreTranslateMessage(const plat::Message& msg) override;
    void OnOK() override;

    const std::u16string& GetCaption() const { return m_Caption; }
    const std::u16string& GetMessage() const { return m_Message; }
    plat::Window* GetPreviousFocus() const { return m_pForeground; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override;
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

  private:
    std::u16string m_Caption;
    std::u16string m_Message;
    plat::CWnd* m_pAlertParent;
    int m_Idd = IDD;
    plat::Brush m_Brush = plat::Brush::null();
    plat::Window* m_pForeground = nullptr;
    plat::Font m_Font;  // owned
};

void RegisterAlertTemplate();

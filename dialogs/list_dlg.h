#pragma once
// CListDlg: the base of the coloured list dialogs. Usually modeless: made
// with `new` and Create, it deletes itself once its window is gone. Keys it
// does not handle go on to its parent when they are instrument keys; its
// controls and face take their colours from the current colour scheme
// (entries 1, 10 and 11), without a scheme from RGB(0, 128, 255) brushes.
#include <cstdint>

#include "dialogs/instrument_dlg.h"

class CColorScheme;
class CSipHelper;

class CListDlg : public CInstrumentDlg {
  public:
    // The colour of both brushes without a scheme.
    static constexpr plat::COLORREF kNoSchemeColor = plat::RGB(0, 128, 255);
    // Scheme entries of the face, the list boxes and the text.
    static constexpr int kFaceEntry = 1;
    static constexpr int kListEntry = 10;
    static constexpr int kTextEntry = 11;
    // The command posted to the parent on every paint when asked for.
    static constexpr uint32_t kPaintedCommand = 32825;
    // Action codes.
    static constexpr int kActionToggleSip = 13;
    static constexpr int kActionShowSip = 14;

    CListDlg(int idd, plat::CWnd* parent, CColorScheme* const* scheme_holder);
    ~CListDlg() override;

    bool PreTranslateMessage(const plat::Message& msg) override;

    virtual void OnAction(int code);
    virtual void UpdateSelection() {}
    virtual void Reload() {}
    // Takes the brushes from the colour scheme again (after a scheme change)
    // and repaints.
    void ReloadColours();
    // Paints the dialog and every control of it now (over whatever the
    // screen drew in their place).
    void RedrawWhole();
    // Creates the modeless window from the stored template and parent.
    virtual bool Create();
    using CInstrumentDlg::OnKeyDown;
    using CInstrumentDlg::OnKeyUp;
    virtual bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags);
    virtual bool OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags);
    virtual bool OnArrow(uint32_t key, bool pressed);
    virtual bool OnWheel(int delta);

    void SetForwardKeys(bool on) { m_bForwardKeys = on; }
    void SetAnnouncePaint(bool on) { m_bAnnouncePaint = on; }
    // The input panel the dialog uses; `owned` makes the dialog delete it.
    void SetSipHelper(CSipHelper* sip, bool owned);
    void SetSipPosition(int x, int y) {
        m_SipX = x;
        m_SipY = y;
    }

  protected:
    bool OnInitDialog() override;
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    const plat::Brush* OnCtlColor(plat::Dc* dc, plat::CWnd* control, uint32_t ctl_message) override;
    void OnPaint() override;
    // After the window is gone: the object deletes itself.
    void PostNcDestroy() override;

    CColorScheme* const* m_ppScheme;
    bool m_bOwnsSip = false;
    plat::CWnd* m_pListParent;
    int m_Idd;
    plat::Brush m_BrushA;
    plat::Brush m_BrushB;
    CSipHelper* m_pSip = nullptr;
    bool m_bAnnouncePaint = false;
    plat::Font m_ListFont;  // owned
    int m_SipX = 0;
    int m_SipY = 0;
    bool m_bForwardKeys = false;

  private:
    const CColorScheme* Scheme() const { return m_ppScheme ? *m_ppScheme : nullptr; }
    // Posts the key message to the parent; answers whether it went.
    bool Forward(const plat::Message& msg);

    bool m_bDestructing = false;
};

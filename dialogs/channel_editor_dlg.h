#pragma once
// CChannelEditorDlg: the "Channel Editor". It shows the band's name, start,
// span, stop and centre, its channel ranges ("0..124   975..1023", or "No
// channel supported!"), and for the channel in the entry field its low
// edge, spacing, high edge and centre. Left gives the band's last channel,
// Right its first; Up and Down step through a range and on into the next or
// previous one, staying at the band's ends; the wheel steps as Down (turned
// back) or Up. Soft keys (on release): select, first, last, -, -, backspace,
// clear (the channel the dialog opened on), back.
//
// Select or Enter takes the field's channel when something changed it (a
// key above, or a typed number other than the opening channel): a valid one
// becomes the caller's channel and the band's current channel and the
// dialog ends with IDOK; an invalid one shows "Invalid channel" once and the
// dialog stays open with the last valid channel in the field. Select without
// a change ends with IDOK and leaves the caller's channel. Back and Escape
// end with IDCANCEL.
#include <cstdint>

#include "core/text.h"
#include "dialogs/instrument_dlg.h"
#include "dialogs/numeric_edit.h"
#include "platform/framework/controls.h"
#include "platform/gfx/font.h"

class CSignalBand;

class CChannelEditorDlg : public CSoftKeyDlg {
  public:
    static constexpr int IDD = 201;
    static constexpr int kBandGroup = 1373, kNameCaption = 1386, kBandName = 1352;
    static constexpr int kBandStart = 1355, kBandSpan = 1357, kBandStop = 1356, kBandCentre = 1358;
    static constexpr int kChannelGroup = 1374, kSelectionCaption = 1354, kChannelEdit = 1101,
                         kRanges = 1353;
    static constexpr int kChannelStart = 1359, kChannelSpacing = 1361, kChannelStop = 1360,
                         kChannelCentre = 1362;
    static constexpr uint32_t kInvalidChannelText = 1168;
    static constexpr int32_t kNoChannel = -1;
    static constexpr const char16_t* kNoChannelsText = u"No channel supported!";

    // `channel` is the caller's channel; it receives the chosen one.
    CChannelEditorDlg(plat::CWnd* parent, CSignalBand* band, int32_t* channel);
    ~CChannelEditorDlg() override;

    // The number in the entry field (the last valid one while it reads none).
    int32_t GetChannel() const;
    uint64_t GetChannelLow() const { return m_Low; }
    uint64_t GetChannelHigh() const { return m_High; }
    uint64_t GetChannelCenter() const { return m_Centre; }
    uint64_t GetChannelSpan() const { return m_Span; }
    bool IsChannelValid() const;
    // The text of the band's channel ranges.
    static core::Text RangesText(const CSignalBand& band);

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    // Enter acts on its release only when this dialog saw its press (a
    // message box over the dialog may have taken the press).
    bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) override;
    bool OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) override;
    bool OnSoftKey(int index, bool pressed) override;
    bool OnArrow(uint32_t key, bool pressed) override;
    bool OnWheel(int delta) override;
    // Reads the field and shows that channel's edges, spacing and centre.
    void UpdateChannelInfo();

  private:
    // Puts a channel in the field (caret at its end), marks the change and
    // shows its values.
    void ShowChannel(int32_t channel, bool changed);
    // The next channel up or down from `channel`, crossing into the next or
    // previous range; `channel` itself at the band's ends or outside every
    // range.
    int32_t Step(int32_t channel, bool up) const;
    void Backspace();

    CSignalBand* m_pBand;        // not owned
    int32_t* m_pChannel;         // the caller's
    int32_t m_Channel;           // the band's current channel at construction
    int32_t m_StartChannel = 0;  // what the field showed on opening
    int32_t m_LastValid = 0;     // the last valid channel the field showed
    bool m_bChanged = false;
    bool m_bEnterDown = false;  // UI thread
    uint64_t m_Low = 0, m_High = 0, m_Centre = 0, m_Span = 0, m_Spacing = 0;
    int32_t m_First = 0, m_Last = 0;
    plat::Font m_ValueFont;  // owned
    plat::Font m_TitleFont;  // owned
    CIntegerEdit m_Edit;
};

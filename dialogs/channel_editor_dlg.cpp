#include "dialogs/channel_editor_dlg.h"

#include <algorithm>
#include <array>
#include <limits>
#include <mutex>

#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/dialog_services.h"
#include "files/lists/signal_band.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr uint32_t kSelectLabel = 1122, kFirstLabel = 63127, kLastLabel = 63128, kBlankLabel = 184,
                   kBackSpaceLabel = 1334, kClearLabel = 138, kBackLabel = 1019;
constexpr uint32_t kBandStandardText = 64215, kChannelSettingsText = 64214, kNameText = 64213,
                   kSelectionText = 64212;
constexpr uint32_t kStartText = 229, kSpanText = 215, kStopText = 230, kCentreText = 214,
                   kSpacingText = 1169;
constexpr int kSelectKey = 0, kFirstKey = 1, kLastKey = 2, kBackSpaceKey = 5, kClearKey = 6,
              kBackKey = 7;
// The two fonts of the interface face, in tenths of a point: values, and the
// band name and group titles.
constexpr uint32_t kValueTenths = 80, kTitleTenths = 100;

void RegisterChannelEditorTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        using D = CChannelEditorDlg;
        DialogTemplate t;
        t.id = D::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 266;
        t.cy = 196;
        t.caption = u"Channel Editor";
        t.items = {
            {"BUTTON", u"Band Standard", D::kBandGroup, BS_GROUPBOX, 7, 7, 241, 77},
            {"STATIC", u"Name", D::kNameCaption, SS_LEFT, 15, 20, 76, 14},
            {"STATIC", u"", D::kBandName, SS_LEFT, 96, 20, 145, 14},
            {"STATIC", u"", D::kBandStart, SS_LEFT, 15, 40, 107, 14},
            {"STATIC", u"", D::kBandSpan, SS_LEFT, 122, 40, 120, 14},
            {"STATIC", u"", D::kBandStop, SS_LEFT, 15, 62, 107, 14},
            {"STATIC", u"", D::kBandCentre, SS_LEFT, 122, 62, 120, 14},
            {"BUTTON", u"Channel Settings ", D::kChannelGroup, BS_GROUPBOX, 7, 92, 241, 94},
            {"STATIC", u"Selection", D::kSelectionCaption, SS_LEFT, 15, 108, 76, 14},
            {"EDIT", u"", D::kChannelEdit, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 96,
             106, 52, 14},
            {"STATIC", u"", D::kRanges, SS_LEFT, 96, 124, 146, 14},
            {"STATIC", u"", D::kChannelStart, SS_LEFT, 15, 144, 107, 14},
            {"STATIC", u"", D::kChannelSpacing, SS_LEFT, 122, 144, 120, 14},
            {"STATIC", u"", D::kChannelStop, SS_LEFT, 15, 166, 107, 14},
            {"STATIC", u"", D::kChannelCentre, SS_LEFT, 122, 166, 120, 14},
        };
        register_dialog_template(t);
    });
}

// A caption and a frequency with its unit; 0 shows "0".
core::Text Row(uint32_t caption, uint64_t hz) {
    return LoadResString(caption) + u" " +
           (hz == 0 ? core::Text(u"0") : FormatValue(hz, 0, false, true, false, 0));
}

}  // namespace

CChannelEditorDlg::CChannelEditorDlg(plat::CWnd* parent, CSignalBand* band, int32_t* channel)
    : CSoftKeyDlg(IDD, parent),
      m_pBand(band),
      m_pChannel(channel),
      m_Channel(band ? band->GetCurrentChannel() : 0) {
    plat::register_basic_controls();
    RegisterChannelEditorTemplate();
    AttachControl(kChannelEdit, &m_Edit);
    if (m_pBand && m_pBand->GetRangeCount() > 0) {
        int32_t last = 0;
        m_pBand->GetChannelRange(0, m_First, last);
        m_Last = m_pBand->GetLastChannel();
    }
}

CChannelEditorDlg::~CChannelEditorDlg() {
    if (m_Edit.exists()) m_Edit.DestroyWindow();
}

core::Text CChannelEditorDlg::RangesText(const CSignalBand& band) {
    if (band.GetRangeCount() <= 0) return kNoChannelsText;
    core::Text text;
    for (int32_t r = 0; r < band.GetRangeCount(); ++r) {
        int32_t first = 0, last = 0;
        band.GetChannelRange(r, first, last);
        if (r > 0) text += u"   ";
        text += core::FormatText("%d..%d", first, last);
    }
    return text;
}

bool CChannelEditorDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    static constexpr uint32_t kLabels[] = {kSelectLabel, kFirstLabel,     kLastLabel,  kBlankLabel,
                                           kBlankLabel,  kBackSpaceLabel, kClearLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);

    m_ValueFont = dialog_services::UiFont(kValueTenths);
    m_TitleFont = dialog_services::UiFont(kTitleTenths);
    auto set = [&](int id, const core::Text& text, const plat::Font& font) {
        plat::CWnd* w = GetDlgItem(id);
        if (!w) return;
        if (font) w->SetFont(font, false);
        w->SetWindowText(text);
    };
    const core::Text name = m_pBand ? m_pBand->GetName() : core::Text();
    set(kBandName, name, m_TitleFont);
    set(kBandGroup, LoadResString(kBandStandardText), m_TitleFont);
    set(kChannelGroup, LoadResString(kChannelSettingsText), m_TitleFont);
    set(kNameCaption, LoadResString(kNameText), m_TitleFont);
    if (m_pBand) {
        set(kBandStart, Row(kStartText, m_pBand->GetStart()), m_ValueFont);
        set(kBandSpan, Row(kSpanText, m_pBand->GetStop() - m_pBand->GetStart()), m_ValueFont);
        set(kBandStop, Row(kStopText, m_pBand->GetStop()), m_ValueFont);
        set(kBandCentre, Row(kCentreText, m_pBand->GetCenter()), m_ValueFont);
        set(kRanges, RangesText(*m_pBand), m_ValueFont);
    }
    if (m_Channel == kNoChannel) {
        m_Channel = m_First;
        m_bChanged = true;
    }
    set(kSelectionCaption, LoadResString(kSelectionText), m_ValueFont);
    if (m_ValueFont) m_Edit.SetFont(m_ValueFont, false);
    m_Edit.SetRange(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    m_StartChannel = m_Channel;
    m_LastValid = m_Channel;
    m_Edit.SetText(core::FormatText("%u", static_cast<uint32_t>(m_Channel)));
    UpdateChannelInfo();
    m_Edit.Activate();
    return false;
}

int32_t CChannelEditorDlg::GetChannel() const {
    int32_t value = m_LastValid;
    m_Edit.GetValue(value);
    return value;
}

bool CChannelEditorDlg::IsChannelValid() const {
    int32_t value = 0;
    return m_pBand && m_Edit.GetValue(value) && m_pBand->IsValidChannel(value);
}

void CChannelEditorDlg::UpdateChannelInfo() {
    if (!m_pBand) return;
    const int32_t channel = GetChannel();
    m_Centre = m_pBand->ChannelToFrequency(channel);
    m_Low = m_pBand->GetChannelLow(channel);
    m_High = m_pBand->GetChannelHigh(channel);
    m_Spacing = m_pBand->GetChannelSpacing(channel);
    m_Span = m_pBand->GetChannelSpan(channel);
    const std::array<std::pair<int, core::Text>, 4> rows = {{
        {kChannelStart, Row(kStartText, m_Low)},
        {kChannelSpacing, Row(kSpacingText, m_Spacing)},
        {kChannelStop, Row(kStopText, m_High)},
        {kChannelCentre, Row(kCentreText, m_Centre)},
    }};
    for (const auto& [id, text] : rows) {
        plat::CWnd* w = GetDlgItem(id);
        if (!w) continue;
        if (m_ValueFont) w->SetFont(m_ValueFont, false);
        w->SetWindowText(text);
    }
}

void CChannelEditorDlg::ShowChannel(int32_t channel, bool changed) {
    m_Edit.SetText(core::FormatText("%u", static_cast<uint32_t>(channel)));
    m_bChanged = changed;
    if (m_pBand && m_pBand->IsValidChannel(channel)) m_LastValid = channel;
    UpdateChannelInfo();
}

int32_t CChannelEditorDlg::Step(int32_t channel, bool up) const {
    if (!m_pBand) return channel;
    const int32_t range = m_pBand->GetRangeOfChannel(channel);
    if (range < 0) return channel;
    int32_t first = 0, last = 0;
    m_pBand->GetChannelRange(range, first, last);
    if (up) {
        if (channel < last) return channel + 1;
        if (range + 1 >= m_pBand->GetRangeCount()) return channel;
        int32_t next = 0, unused = 0;
        m_pBand->GetChannelRange(range + 1, next, unused);
        return next == channel ? channel + 1 : next;
    }
    if (channel > first) return channel - 1;
    if (range == 0) return channel;
    int32_t unused = 0, previous = 0;
    m_pBand->GetChannelRange(range - 1, unused, previous);
    return previous == channel ? channel - 1 : previous;
}

bool CChannelEditorDlg::OnArrow(uint32_t key, bool pressed) {
    if (!pressed) return true;
    switch (key) {
        case plat::VK_LEFT:
            ShowChannel(m_Last, true);
            break;
        case plat::VK_RIGHT:
            ShowChannel(m_First, true);
            break;
        case plat::VK_UP:
        case plat::VK_DOWN: {
            const int32_t channel = GetChannel();
            const int32_t next = Step(channel, key == plat::VK_UP);
            if (next != channel) ShowChannel(next, true);
            break;
        }
        default:
            return false;
    }
    return true;
}

bool CChannelEditorDlg::OnWheel(int delta) {
    return OnArrow(delta < 0 ? plat::VK_DOWN : plat::VK_UP, true);
}

void CChannelEditorDlg::Backspace() {
    int start = 0, end = 0;
    m_Edit.GetSel(start, end);
    if (start == end) {
        if (start <= 0) return;
        m_Edit.SetSel(start - 1, start);
    }
    m_Edit.ReplaceSel(u"");
    m_Edit.SetFocus();
}

bool CChannelEditorDlg::OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key == plat::VK_RETURN) m_bEnterDown = true;
    return CSoftKeyDlg::OnKeyDown(key, repeat, flags);
}

bool CChannelEditorDlg::OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key == plat::VK_RETURN) {
        if (!m_bEnterDown) return true;
        m_bEnterDown = false;
    }
    return CSoftKeyDlg::OnKeyUp(key, repeat, flags);
}

bool CChannelEditorDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return true;
    switch (index) {
        case kSelectKey:
            OnOK();
            break;
        case kFirstKey:
            ShowChannel(m_First, true);
            break;
        case kLastKey:
            ShowChannel(m_Last, true);
            break;
        case kBackSpaceKey:
            Backspace();
            break;
        case kClearKey:
            ShowChannel(m_StartChannel, false);
            break;
        case kBackKey:
            OnCancel();
            break;
        default:
            break;
    }
    return true;
}

void CChannelEditorDlg::OnOK() {
    int32_t value = 0;
    const bool read = m_Edit.GetValue(value);
    // A typed number other than the opening channel counts as a change.
    const bool changed = m_bChanged || (read && value != m_StartChannel);
    if (changed) {
        if (!IsChannelValid()) {
            // The box is modal over this dialog too: while it shows, the
            // dialog keeps neither the keys nor the focus.
            EnableWindow(false);
            dialog_services::ShowMessage(LoadResString(kInvalidChannelText), 0);
            EnableWindow(true);
            // The field shows the last valid channel again; the dialog stays.
            ShowChannel(m_LastValid, false);
            m_Edit.Activate();
            return;
        }
        UpdateChannelInfo();
        if (m_pChannel) *m_pChannel = value;
        m_pBand->SetCurrentChannel(value);
    }
    CSoftKeyDlg::OnOK();
}

#include "dialogs/freq_entry_dlg.h"

#include <algorithm>
#include <cmath>

#include "core/res_string.h"
#include "platform/framework/system_services.h"
#include "platform/window/message_loop.h"
#include "widgets/soft_key_menu.h"

namespace {

struct UnitFormat {
    const char* format;
    double multiplier;
};
constexpr UnitFormat kUnitFormats[CFreqEntryDlg::kUnitCount] = {
    {"%3.0f", 1.0}, {"%3.3f", 1e3}, {"%3.6f", 1e6}, {"%3.9f", 1e9}};

constexpr uint64_t kGiga = 1'000'000'000;
constexpr uint64_t kMega = 1'000'000;
constexpr uint64_t kKilo = 1'000;

uint32_t ValidUnit(uint32_t unit) {
    return unit < CFreqEntryDlg::kUnitCount ? unit : CFreqEntryDlg::kFallbackUnit;
}

}  // namespace

// --- CFreqEntryDlg ------------------------------------------------------------

CFreqEntryDlg::CFreqEntryDlg(plat::CWnd* parent) : CKeypadEntryDlg(parent) {}

void CFreqEntryDlg::Setup(uint32_t title_id, uint64_t value, uint64_t maximum, uint64_t minimum,
                          uint64_t step, uint32_t unit, int first_key) {
    m_TitleId = title_id;
    m_Value = value;
    m_Max = maximum;
    m_Min = minimum;
    m_Step = step;
    m_Unit = ValidUnit(unit);
    m_ResultHz = value;
    m_Result = static_cast<double>(value);
    // A digit or the point starts the text; the sign key (a frequency has
    // none) and no key leave it empty.
    m_InitialText = first_key == kSignKeyCode ? std::u16string() : KeyToChar(first_key);
}

uint32_t CFreqEntryDlg::UnitLabel(uint32_t unit) {
    static constexpr uint32_t kLabels[kUnitCount] = {kHzLabel, kKHzLabel, kMHzLabel, kGHzLabel};
    return kLabels[ValidUnit(unit)];
}

core::Text CFreqEntryDlg::StepLabel(uint64_t step) {
    core::Text amount;
    if (step >= kGiga) {
        amount = core::FormatText("%d GHz", static_cast<int>(step / kGiga));
    } else if (step >= kMega) {
        amount = core::FormatText("%d MHz", static_cast<int>(step / kMega));
    } else if (step >= kKilo) {
        amount = core::FormatText("%d KHz", static_cast<int>(step / kKilo));
    } else {
        amount = core::FormatText("%d Hz", static_cast<int>(step));
    }
    return LoadResString(kStepLabel) + u"\n" + amount;
}

double CFreqEntryDlg::ApplyUnit() {
    const UnitFormat& f = kUnitFormats[ValidUnit(m_Unit)];
    m_Edit.SetFormat(f.format);
    return f.multiplier;
}

void CFreqEntryDlg::Rescale() {
    const double m = ApplyUnit();
    m_Edit.SetDefault(static_cast<double>(m_Value) / m);
    m_Edit.SetRange(static_cast<double>(m_Min) / m, static_cast<double>(m_Max) / m);
    m_Edit.SetSteps(static_cast<double>(m_Step) / m, static_cast<double>(m_Step) / m);
}

void CFreqEntryDlg::SetUnit(uint32_t unit) {
    m_Unit = ValidUnit(unit);
    Rescale();
    SetUnitsCaption(LoadResString(UnitLabel(m_Unit)));
}

void CFreqEntryDlg::LabelSoftKeys() {
    if (!m_pSoftKeys) return;
    const uint32_t ids[CSoftKeyMenu::kKeyCount] = {kHzLabel,
                                                   kKHzLabel,
                                                   kMHzLabel,
                                                   kGHzLabel,
                                                   kBlankLabel,
                                                   m_bSpanKeys ? kFullSpanLabel : kBlankLabel,
                                                   m_bSpanKeys ? kMinSpanLabel : kBlankLabel,
                                                   kClearLabel};
    ShowSoftKeyLabels(m_pSoftKeys, ids);
    ShowStepLabel();
}

void CFreqEntryDlg::ShowStepLabel() {
    if (!m_pSoftKeys) return;
    m_pSoftKeys->SetKeyText(StepLabel(m_Step), kStepKey, false, false);
    m_pSoftKeys->RedrawAll();
}

bool CFreqEntryDlg::OnInitDialog() {
    CKeypadEntryDlg::OnInitDialog();
    SetTitleText(LoadResString(m_TitleId));
    LabelSoftKeys();
    SetUnit(m_Unit);
    m_Edit.SetSelectAll(false);
    return false;
}

void CFreqEntryDlg::NextStep() {
    m_Step = m_Step >= kLargestStep || m_Step == 0 ? 1 : m_Step * 10;
    ShowStepLabel();
    Rescale();
}

bool CFreqEntryDlg::ReadValue() {
    if (!m_Edit.Validate()) return false;
    double v = 0;
    m_Edit.GetValue(v);
    // Decimal fractions are not exact in binary (8.2 MHz is 8199999.99...
    // Hz): the nearest hertz, within the range.
    const double hz = std::round(m_Edit.Clamp(v) * kUnitFormats[ValidUnit(m_Unit)].multiplier);
    const double lo = static_cast<double>(m_Min), hi = static_cast<double>(m_Max);
    m_ResultHz = hz <= lo ? m_Min : hz >= hi ? m_Max : static_cast<uint64_t>(hz);
    m_Result = static_cast<double>(m_ResultHz);
    return true;
}

void CFreqEntryDlg::OnOK() {
    if (ReadValue()) EndOK();
}

bool CFreqEntryDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return false;
    if (index >= 0 && index < static_cast<int>(kUnitCount)) {
        SetUnit(static_cast<uint32_t>(index));
        OnOK();
        return true;
    }
    switch (index) {
        case kStepKey:
            NextStep();
            return true;
        case kFullSpanKey:
        case kMinSpanKey:
            if (!m_bSpanKeys) return false;
            m_Edit.SetValue(index == kFullSpanKey ? m_Edit.GetMax() : m_Edit.GetMin());
            m_Edit.SelectAll();
            return true;
        case kClearKey:
            m_Edit.ResetToDefault();
            return true;
        default:
            return false;
    }
}

void CFreqEntryDlg::ForwardChar(uint32_t key, bool pressed) {
    if (pressed || !m_Edit.exists()) return;
    const char16_t ch = plat::key_char(key);
    m_Edit.SendMessage(plat::WM_CHAR, ch ? ch : key, 0);
}

// --- CBandwidthEntryDlg -------------------------------------------------------

namespace {

// The first offered bandwidth and the title of a name.
struct BandwidthKind {
    size_t first;
    uint32_t title;
};

BandwidthKind KindOf(std::u16string_view name) {
    constexpr size_t k10Hz = 0, k100Hz = 2;
    if (name == u"VBW") return {k10Hz, CBandwidthEntryDlg::kVbwTitle};
    if (name == u"IFBW") return {k100Hz, CBandwidthEntryDlg::kIfbwTitle};
    return {k100Hz, CBandwidthEntryDlg::kRbwTitle};
}

}  // namespace

CBandwidthEntryDlg::CBandwidthEntryDlg(plat::CWnd* parent, std::u16string_view name, int first_key,
                                       int position)
    : CFreqEntryDlg(parent) {
    const BandwidthKind kind = KindOf(name);
    m_First = kind.first;
    const size_t last = kBandwidths.size() - 1;
    const size_t current = std::min(m_First + static_cast<size_t>(std::max(position, 0)), last);
    m_Selection = static_cast<int>(current - m_First);
    const uint64_t value = kBandwidths[current];
    Setup(kind.title, value, kBandwidths[last], kBandwidths[m_First], kWheelStep, UnitFor(value),
          first_key);
}

uint32_t CBandwidthEntryDlg::UnitFor(uint64_t hz) {
    constexpr uint64_t kKiloFrom = 1001;
    if (hz >= kMega) return 2;
    return hz >= kKiloFrom ? 1 : 0;
}

size_t CBandwidthEntryDlg::SnapToList(uint64_t hz) {
    for (size_t i = 0; i < kBandwidths.size(); ++i)
        if (kBandwidths[i] >= hz) return i;
    return kBandwidths.size() - 1;
}

void CBandwidthEntryDlg::LabelSoftKeys() {
    if (!m_pSoftKeys) return;
    const uint32_t ids[CSoftKeyMenu::kKeyCount] = {kHzLabel,    kKHzLabel,   kMHzLabel,
                                                   kBlankLabel, kBlankLabel, kBlankLabel,
                                                   kBlankLabel, kClearLabel};
    ShowSoftKeyLabels(m_pSoftKeys, ids);
    ShowStepLabel();
}

bool CBandwidthEntryDlg::OnSoftKey(int index, bool pressed) {
    constexpr int kRefusedKey = 3;
    if (pressed || index == kRefusedKey) return false;
    return CFreqEntryDlg::OnSoftKey(index, pressed);
}

void CBandwidthEntryDlg::OnOK() {
    if (!ReadValue()) return;
    const uint64_t hz = GetValue();
    const size_t i = std::max(SnapToList(hz), m_First);
    const uint64_t chosen = kBandwidths[i];
    if (chosen != hz) {
        // Raised to the next bandwidth: say so and show it.
        plat::message_beep(plat::MB_ICONEXCLAMATION);
        const uint32_t unit = UnitFor(chosen);
        SetUnit(unit);
        m_Edit.SetValue(static_cast<double>(chosen) / ApplyUnit());
    }
    SetResult(chosen);
    m_Result = static_cast<double>(chosen);
    m_Selection = static_cast<int>(i - m_First);
    EndOK();
}

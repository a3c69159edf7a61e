#include "dialogs/unit_entry_dlg.h"

#include <array>
#include <cmath>

#include "core/res_string.h"
#include "core/units.h"
#include "widgets/soft_key_menu.h"

// --- CUnitKeyEntryDlg -----------------------------------------------------------

CUnitKeyEntryDlg::CUnitKeyEntryDlg(plat::CWnd* parent, std::u16string initial_text,
                                   std::vector<UnitKey> keys, bool reset_bar)
    : CKeypadEntryDlg(parent, std::move(initial_text)),
      m_Keys(std::move(keys)),
      m_bResetBar(reset_bar) {}

bool CUnitKeyEntryDlg::OnInitDialog() {
    CKeypadEntryDlg::OnInitDialog();
    if (m_pSoftKeys && !m_Keys.empty()) {
        if (m_bResetBar) m_pSoftKeys->ResetChildren();
        std::array<uint32_t, CSoftKeyMenu::kKeyCount> ids;
        ids.fill(kBlankLabel);
        for (size_t k = 0; k < m_Keys.size() && k < ids.size(); ++k) ids[k] = m_Keys[k].label;
        ShowSoftKeyLabels(m_pSoftKeys, ids);
    }
    return false;
}

bool CUnitKeyEntryDlg::OnSoftKey(int index, bool pressed) {
    if (index < 0 || static_cast<size_t>(index) >= m_Keys.size()) return false;
    if (!pressed) OnUnitKey(m_Keys[static_cast<size_t>(index)].unit);
    return true;
}

double CUnitKeyEntryDlg::EnteredNumber() const {
    double v = 0;
    m_Edit.GetValue(v);
    return v;
}

double CUnitKeyEntryDlg::LimitConverted(double value) const {
    if (std::isnan(value)) return m_Edit.GetMin();
    return m_Edit.Clamp(value);
}

// --- CAmplitudeEntryDlg ---------------------------------------------------------

namespace {

const std::vector<UnitKey> kAmplitudeKeys = {
    {561, UNIT_DBM}, {823, UNIT_DBUV}, {824, UNIT_DBMV},
    {825, UNIT_DBV}, {1044, UNIT_V},   {560, UNIT_W},
};
const std::vector<UnitKey> kReflectionKeys = {
    {601, UNIT_VSWR},        {602, UNIT_DB},           {604, UNIT_REFL_COEFF},
    {61326, UNIT_MATCH_EFF}, {396, UNIT_REFL_PERCENT},
};
const std::vector<UnitKey> kLossKeys = {{1367, UNIT_DB_PER_METRE}, {1370, UNIT_DB_PER_FOOT}};
const std::vector<UnitKey> kTimeKeys = {{CSweepTimeDlg::kMsLabel, CSweepTimeDlg::kMilliseconds},
                                        {CSweepTimeDlg::kSecondsLabel, CSweepTimeDlg::kSeconds}};

// The cable-loss steps are single-precision values.
constexpr float kLossWheelStep = 0.0001f;
constexpr float kLossArrowStep = 0.1f;
constexpr double kLossMax = 20;
constexpr const char* kLossFormat = "%3.4f";
constexpr double kMsPerSecond = 1000;
constexpr double kSweepWheelStep = 1;
constexpr double kSweepArrowStep = 100;

}  // namespace

CAmplitudeEntryDlg::CAmplitudeEntryDlg(plat::CWnd* parent, std::u16string title,
                                       std::u16string initial_text, uint32_t unit, double value,
                                       double maximum, double minimum, double step)
    : CUnitKeyEntryDlg(parent, std::move(initial_text), kAmplitudeKeys, false), m_Unit(unit) {
    Configure({std::move(title), UnitName(unit), minimum, maximum, step, step, value});
}

void CAmplitudeEntryDlg::OnUnitKey(uint32_t unit) {
    const double v = EnteredNumber();
    // A voltage or a power of 0 or less is no level at all: the minimum.
    const bool linear = unit == UNIT_W || unit == UNIT_V;
    m_Result =
        linear && !(v > 0) ? m_Edit.GetMin() : LimitConverted(ConvertPowerUnit(v, m_Unit, unit));
    EndOK();
}

// --- CLevelEntryDlg -------------------------------------------------------------

CLevelEntryDlg::CLevelEntryDlg(plat::CWnd* parent, std::u16string title,
                               std::u16string initial_text, uint32_t unit, int mode, double value,
                               double maximum, double minimum, double step)
    : CUnitKeyEntryDlg(parent, std::move(initial_text), kReflectionKeys, true),
      m_Unit(unit),
      m_Mode(mode) {
    if (mode == kPlainModeA || mode == kPlainModeB) DropUnitKeys();
    Configure({std::move(title), UnitName(unit), minimum, maximum, step, step, value});
}

bool CLevelEntryDlg::OnInitDialog() {
    CUnitKeyEntryDlg::OnInitDialog();
    // With the unit keys shown the result is in return loss dB; the caption
    // keeps the caller's unit.
    if (m_Mode != kPlainModeA && m_Mode != kPlainModeB) m_Unit = UNIT_DB;
    return false;
}

void CLevelEntryDlg::OnUnitKey(uint32_t unit) {
    m_Result = LimitConverted(ConvertReflectionUnit(EnteredNumber(), UNIT_DB, unit));
    EndOK();
}

// --- CCableLossDlg --------------------------------------------------------------

CCableLossDlg::CCableLossDlg(plat::CWnd* parent, std::u16string initial_text, uint32_t unit,
                             float value)
    : CUnitKeyEntryDlg(parent, std::move(initial_text), kLossKeys, true), m_Unit(unit) {
    Configure({LoadResString(kTitle), LossUnitText(unit), 0, kLossMax, kLossWheelStep,
               kLossArrowStep, value});
    // Enough decimals for the wheel step to show (and to count).
    m_Edit.SetFormat(kLossFormat);
}

void CCableLossDlg::OnUnitKey(uint32_t unit) {
    m_Result =
        LimitConverted(ConvertLossPerLength(EnteredNumber(), SourceUnit{m_Unit}, TargetUnit{unit}));
    m_Unit = unit;
    SetUnitsCaption(LossUnitText(unit));
    EndOK();
}

// --- CSweepTimeDlg --------------------------------------------------------------

CSweepTimeDlg::CSweepTimeDlg(plat::CWnd* parent, std::u16string title, std::u16string initial_text,
                             double value_ms, double minimum_ms, double maximum_ms, uint32_t unit)
    : CUnitKeyEntryDlg(parent, std::move(initial_text), kTimeKeys, true),
      m_ValueMs(value_ms),
      m_MinMs(minimum_ms),
      m_MaxMs(maximum_ms),
      m_Unit(unit == kMilliseconds ? kMilliseconds : kSeconds) {
    Configure(
        {std::move(title), {}, minimum_ms, maximum_ms, kSweepWheelStep, kSweepArrowStep, value_ms});
}

double CSweepTimeDlg::Multiplier() const {
    return m_Unit == kMilliseconds ? 1 : kMsPerSecond;
}

void CSweepTimeDlg::Rescale() {
    const double m = Multiplier();
    m_Edit.SetDefault(m_ValueMs / m);
    m_Edit.SetRange(m_MinMs / m, m_MaxMs / m);
    m_Edit.SetSteps(kSweepWheelStep, kSweepArrowStep);
    SetUnitsCaption(LoadResString(m_Unit == kMilliseconds ? kMsLabel : kSecondsLabel));
}

bool CSweepTimeDlg::OnInitDialog() {
    CUnitKeyEntryDlg::OnInitDialog();
    Rescale();
    return false;
}

void CSweepTimeDlg::OnUnitKey(uint32_t unit) {
    m_Unit = unit;
    Rescale();
    OnOK();
}

void CSweepTimeDlg::OnOK() {
    if (!m_Edit.Validate()) return;
    m_Result = m_Edit.Clamp(EnteredNumber()) * Multiplier();
    EndOK();
}

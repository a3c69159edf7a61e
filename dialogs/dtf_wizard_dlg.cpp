#include "dialogs/dtf_wizard_dlg.h"

#include <algorithm>
#include <mutex>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/saturating_cast.h"
#include "core/units.h"
#include "files/lists/cable_type.h"
#include "files/vna_meas_setup.h"
#include "platform/framework/edit.h"
#include "platform/framework/system_services.h"
#include "platform/window/messages.h"
#include "widgets/soft_key_menu.h"

// ------------------------------------------------------------ the arithmetic

namespace dtf_wizard {

namespace {
// The point counts, each twice the one before less one.
int32_t NextPoints(int32_t points) {
    return points * 2 - 1;
}
}  // namespace

std::optional<Result> Validate(const Input& in) {
    if (!(in.length > 0) || !(in.resolution > 0)) return std::nullopt;
    // The whole units of the length, 1.25 times: the maximum distance.
    float distance = static_cast<float>(SaturatingCast<uint32_t>(in.length)) * 1.25f;
    if (distance == 0.0f) return std::nullopt;
    const uint32_t raw = SaturatingCast<uint32_t>(distance / in.resolution);
    Result r;
    r.points = kMinPoints;
    while (static_cast<uint32_t>(r.points) < raw && r.points < kMaxPoints)
        r.points = NextPoints(r.points);
    if (in.feet) distance *= kFeetToMetres;
    const float reach = static_cast<float>(r.points - 1) * in.vp * kHalfLightSpeed;
    r.span = SaturatingCast<uint64_t>(reach / distance);
    if (r.span > kMaxSpan) {
        r.span = kMaxSpan;
        // Metres one point step reaches at the widest span.
        const float step = in.vp * kHalfLightSpeed / static_cast<float>(kMaxSpan);
        r.points = kMinPoints;
        while (static_cast<float>(r.points - 1) * step < distance &&
               r.points < std::numeric_limits<int32_t>::max() / 2)
            r.points = NextPoints(r.points);
    }
    const uint64_t half = r.span / 2;
    r.centre = std::max(in.centre, in.lowest + half);
    r.centre = std::min(r.centre, kMaxFrequency - half);
    return r;
}

}  // namespace dtf_wizard

// ------------------------------------------------------------ the dialog

namespace {

using dtf_wizard::kMetresToFeet;
constexpr float kFeetToMetres = dtf_wizard::kFeetToMetres;

enum Control : int {
    kInstructionsGroup = 1427,
    kParametersGroup = 1428,
    kCalibrationGroup = 1429,
    kNotesGroup = 1430,
    kFirstInstruction = 1431,
    kCableCaption = 1435,
    kFirstFieldCaption = 1436,  // 1436 .. 1440
    kFirstNote = 1441,
    kStartCaption = 1404,
    kStopCaption = 1405,
};
constexpr uint32_t kFirstInstructionText = 64325, kFirstNoteText = 64337;
constexpr uint32_t kFirstFieldCaptionText = 64330;

enum Key : int {
    kKey0 = 0,
    kKey1 = 1,
    kKey2 = 2,
    kStepKey = 3,
    kPrevious = 4,
    kNext = 5,
    kClear = 6,
    kBack = 7
};
constexpr uint32_t kBlankLabel = 184, kPreviousLabel = 2542, kNextLabel = 1330, kClearLabel = 2543,
                   kBackLabel = 1019;
constexpr uint32_t kCableListLabel = 302, kNoneText = 658, kPercentLabel = 2544,
                   kFractionLabel = 2545;
constexpr uint32_t kMetresLabel = 759, kFeetLabel = 758, kStepLabel = 63011;
constexpr uint32_t kLossPerMetreLabel = 1367, kLossPerFootLabel = 1370;
constexpr std::array<uint32_t, 4> kFrequencyLabels = {887, 685, 686, 687};
constexpr uint64_t kGiga = 1000000000ull;

// The positions of the fields' rows (dialog units).
constexpr int kRowTop = 84, kRowHeight = 16;

void RegisterWizardTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CDtfWizardDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        t.cx = 389;
        t.cy = 298;
        t.caption = u"DTF Wizard";
        auto& items = t.items;
        items.push_back({"BUTTON", u"", kInstructionsGroup, BS_GROUPBOX, 5, 2, 379, 60});
        for (int i = 0; i < 4; ++i)
            items.push_back(
                {"STATIC", u"", kFirstInstruction + i, SS_LEFT, 12, 12 + 12 * i, 365, 10});
        items.push_back({"BUTTON", u"", kParametersGroup, BS_GROUPBOX, 5, 64, 379, 120});
        items.push_back({"STATIC", u"", kCableCaption, SS_LEFT, 12, kRowTop - 12, 140, 10});
        items.push_back({"EDIT", u"", CDtfWizardDlg::kCableNameId,
                         ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER, 160, kRowTop - 14, 140,
                         13});
        for (int i = 0; i < CDtfWizardDlg::kFieldCount; ++i) {
            const int y = kRowTop + 4 + kRowHeight * i;
            items.push_back({"STATIC", u"", kFirstFieldCaption + i, SS_LEFT, 12, y + 2, 140, 10});
            items.push_back({"EDIT", u"", CDtfWizardDlg::kFieldIds[static_cast<size_t>(i)],
                             ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 160, y, 140, 13});
            items.push_back({"STATIC", u"", CDtfWizardDlg::kUnitLabelIds[static_cast<size_t>(i)],
                             SS_LEFT, 305, y + 2, 75, 10});
        }
        items.push_back({"BUTTON", u"", kNotesGroup, BS_GROUPBOX, 5, 186, 379, 60});
        for (int i = 0; i < 4; ++i)
            items.push_back({"STATIC", u"", kFirstNote + i, SS_LEFT, 12, 196 + 12 * i, 365, 10});
        items.push_back({"BUTTON", u"", kCalibrationGroup, BS_GROUPBOX, 5, 248, 379, 45});
        items.push_back({"STATIC", u"", kStartCaption, SS_LEFT, 12, 262, 140, 10});
        items.push_back(
            {"EDIT", u"", CDtfWizardDlg::kStartEditId, ES_LEFT | WS_BORDER, 160, 260, 140, 13});
        items.push_back({"STATIC", u"", kStopCaption, SS_LEFT, 12, 277, 140, 10});
        items.push_back(
            {"EDIT", u"", CDtfWizardDlg::kStopEditId, ES_LEFT | WS_BORDER, 160, 275, 140, 13});
        items.push_back(
            {"STATIC", u"", CDtfWizardDlg::kStartStopUnitId, SS_LEFT, 305, 262, 75, 10});
        register_dialog_template(t);
    });
}

core::Text StepText(uint64_t step) {
    if (step >= kGiga) return core::FormatText("%d GHz", static_cast<int>(step / kGiga));
    if (step >= 1000000) return core::FormatText("%d MHz", static_cast<int>(step / 1000000));
    if (step >= 1000) return core::FormatText("%d KHz", static_cast<int>(step / 1000));
    return core::FormatText("%d Hz", static_cast<int>(step));
}

}  // namespace

CDtfWizardDlg::CDtfWizardDlg(plat::CWnd* parent, CVNAMeasSetup* setup,
                             std::function<void()> choose_cable, uint64_t lowest)
    : CSoftKeyDlg(IDD, parent),
      m_pSetup(setup),
      m_ChooseCable(std::move(choose_cable)),
      m_nLowest(lowest) {
    plat::register_basic_controls();
    RegisterWizardTemplate();
    for (int i = 0; i < kFieldCount; ++i)
        AttachControl(kFieldIds[static_cast<size_t>(i)], &GetField(i));
    AttachControl(kStartEditId, &m_StartEdit);
    AttachControl(kStopEditId, &m_StopEdit);
    AttachControl(kCableNameId, &m_CableEdit);
    // The starting values: a snapshot of the setup.
    const CFrequencyRange* range = setup ? setup->GetFrequencyRange() : nullptr;
    m_nCentre = m_nCentreDefault = range ? range->GetCentre() : dtf_wizard::kMaxFrequency / 2;
    if (setup) {
        m_fLength = 0.8f * setup->GetDtfStop();
        m_fResolution = m_fLength / static_cast<float>(std::max(2, setup->GetDataPoints()) - 1);
        m_nDistanceUnit = setup->GetDistanceUnit() == kFeet ? kFeet : kMetres;
        m_fVp = setup->GetDtfVp();
        m_fLoss = setup->GetDtfLoss();
    }
    m_dLengthDefault = m_fLength;
    m_fResolutionDefault = m_fResolution;
    m_dVpDefault = m_fVp;
    m_fLossDefault = m_fLoss;
    m_nFrequencyUnit = m_nFrequencyUnitStart = static_cast<int>(FrequencyUnitIndex(m_nCentre));
}

CDtfWizardDlg::~CDtfWizardDlg() {
    for (CDoubleEdit& e : m_Fields)
        if (e.exists()) e.DestroyWindow();
    for (plat::CWnd* w :
         {static_cast<plat::CWnd*>(&m_StartEdit), static_cast<plat::CWnd*>(&m_StopEdit),
          static_cast<plat::CWnd*>(&m_CableEdit)})
        if (w->exists()) w->DestroyWindow();
}

void CDtfWizardDlg::SetItemText(int id, const core::Text& text) {
    if (plat::CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

core::Text CDtfWizardDlg::CableName() const {
    const CCableType* cable = m_pSetup ? m_pSetup->GetCableType() : nullptr;
    return cable ? cable->GetName() : u"None";
}

uint64_t CDtfWizardDlg::Divisor(int unit) {
    static constexpr std::array<uint64_t, 4> kDivisors = {1, 1000, 1000000, kGiga};
    return kDivisors[static_cast<size_t>(std::clamp(unit, 0, 3))];
}

bool CDtfWizardDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    const plat::Rect r = GetWindowRect();
    MoveWindow({10, 30, 10 + r.right - r.left, 30 + r.bottom - r.top});
    SetWindowText(LoadResString(kCaptionText));
    static constexpr std::pair<int, uint32_t> kTexts[] = {
        {kInstructionsGroup, 64321}, {kParametersGroup, 64322}, {kCalibrationGroup, 64323},
        {kNotesGroup, 64324},        {kCableCaption, 64329},    {kStartCaption, 64335},
        {kStopCaption, 64336}};
    for (const auto& [id, text] : kTexts) SetItemText(id, LoadResString(text));
    for (int i = 0; i < 4; ++i) {
        SetItemText(kFirstInstruction + i,
                    LoadResString(kFirstInstructionText + static_cast<uint32_t>(i)));
        SetItemText(kFirstNote + i, LoadResString(kFirstNoteText + static_cast<uint32_t>(i)));
    }
    for (int i = 0; i < kFieldCount; ++i)
        SetItemText(kFirstFieldCaption + i,
                    LoadResString(kFirstFieldCaptionText + static_cast<uint32_t>(i)));
    // The start and stop of the calibration are not driven.
    for (plat::CWnd* w :
         {static_cast<plat::CWnd*>(&m_StartEdit), static_cast<plat::CWnd*>(&m_StopEdit)})
        if (w->exists()) w->ShowWindow(plat::SW_HIDE);
    m_CableText = CableName();
    m_CableEdit.SetWindowText(m_CableText);
    m_bCableChanged = false;
    m_bVpPercent = true;
    for (int i = 0; i < kFieldCount; ++i) SetupField(i);
    m_nField = kVp;
    GetField(kVp).Activate();
    GetField(kVp).SelectAll();
    ShowFieldKeys();
    return false;
}

// Limits, steps, format, unit label and value of a field, from the stored
// values; the field is then validated once, which clamps it.
void CDtfWizardDlg::SetupField(int field) {
    CDoubleEdit& e = GetField(field);
    const bool feet = m_nDistanceUnit == kFeet;
    const double length_scale = feet ? kMetresToFeet : 1.0;
    core::Text label;
    double value = 0, fallback = 0;
    switch (field) {
        case kVp:
            e.SetFormat("%3.2f");
            if (m_bVpPercent) {
                e.SetRange(10, 100);
                e.SetSteps(1, 10);
                value = static_cast<double>(m_fVp) * 100.0;
                fallback = m_dVpDefault * 100.0;
                label = u"% (10 - 100)";
            } else {
                e.SetRange(0.1, 1.0);
                e.SetSteps(0.01, 0.1);
                value = m_fVp;
                fallback = m_dVpDefault;
                label = u"% (0.1 - 1.0)";
            }
            break;
        case kLoss:
            e.SetFormat("%3.3f");
            e.SetRange(0, feet ? 20.0 * kFeetToMetres : 20.0);
            e.SetSteps(feet ? 0.1 : 1, feet ? 0.1 : 10);
            value = static_cast<double>(m_fLoss) * (feet ? kFeetToMetres : 1.0f);
            fallback = static_cast<double>(m_fLossDefault) * (feet ? kFeetToMetres : 1.0f);
            label = LoadResString(feet ? kLossPerFootLabel : kLossPerMetreLabel);
            break;
        case kLength:
            e.SetFormat("%3.3f");
            e.SetRange(0.1, 10000.0 * length_scale);
            e.SetSteps(feet ? 0.1 : 1, feet ? 0.1 : 10);
            value = m_fLength;
            fallback = m_dLengthDefault;
            label = LoadResString(feet ? kFeetLabel : kMetresLabel);
            break;
        case kResolution:
            e.SetFormat("%3.3f");
            e.SetRange(0.001, 1000.0 * length_scale);
            e.SetSteps(0.1, 1);
            value = m_fResolution;
            fallback = m_fResolutionDefault;
            label = LoadResString(feet ? kFeetLabel : kMetresLabel);
            break;
        case kCentre: {
            static constexpr std::array<const char*, 4> kFormats = {"%3.0f", "%3.3f", "%3.6f",
                                                                    "%3.9f"};
            const double d = static_cast<double>(Divisor(m_nFrequencyUnit));
            e.SetFormat(kFormats[static_cast<size_t>(m_nFrequencyUnit)]);
            e.SetRange(static_cast<double>(m_nLowest) / d,
                       static_cast<double>(dtf_wizard::kMaxFrequency) / d);
            e.SetSteps(static_cast<double>(m_nStep) / d, static_cast<double>(m_nStep) / d);
            value = static_cast<double>(m_nCentre) / d;
            fallback = static_cast<double>(m_nCentreDefault) / d;
            label = LoadResString(kFrequencyLabels[static_cast<size_t>(m_nFrequencyUnit)]);
            break;
        }
        default:
            return;
    }
    e.SetDefault(fallback);
    e.SetValue(value);
    e.Validate();
    SetItemText(kUnitLabelIds[static_cast<size_t>(field)], label);
}

void CDtfWizardDlg::ShowFieldKeys() {
    CSoftKeyMenu* bar = m_pSoftKeys;
    if (!bar) return;
    for (int k = 0; k < CSoftKeyMenu::kKeyCount; ++k) bar->SetKeyTitleById(kBlankLabel, k);
    bar->Select(0, CSoftKeyMenu::kAllKeys, false);
    int marked = -1;
    switch (m_nField) {
        case kVp: {
            const core::Text name = m_CableText.empty() || m_CableText == u"None"
                                        ? LoadResString(kNoneText)
                                        : m_CableText;
            bar->SetKeyTitle(LoadResString(kCableListLabel) + u"\n" + name, kKey0);
            bar->SetKeyTitleById(m_bVpPercent ? kPercentLabel : kFractionLabel, kKey1);
            break;
        }
        case kLoss:
        case kLength:
        case kResolution:
            bar->SetKeyTitleById(kMetresLabel, kKey0);
            bar->SetKeyTitleById(kFeetLabel, kKey1);
            marked = m_nDistanceUnit == kMetres ? kKey0 : kKey1;
            break;
        case kCentre:
            for (int u = 1; u <= 3; ++u)
                bar->SetKeyTitleById(kFrequencyLabels[static_cast<size_t>(u)], u - 1);
            bar->SetKeyTitle(LoadResString(kStepLabel) + u"\n" + StepText(m_nStep), kStepKey);
            marked = m_nFrequencyUnit - 1;
            break;
        default:
            break;
    }
    bar->SetKeyTitleById(kPreviousLabel, kPrevious);
    bar->SetKeyTitleById(kNextLabel, kNext);
    bar->SetKeyTitleById(kClearLabel, kClear);
    bar->SetKeyTitleById(kBackLabel, kBack);
    if (marked >= 0) bar->SetKeyState(0, marked, true);
    bar->Show(0, CSoftKeyMenu::kAllKeys);
}

void CDtfWizardDlg::GoToField(int field) {
    field = (field + kFieldCount) % kFieldCount;
    OnFieldFocus(field);
    GetField(field).Activate();
    GetField(field).SelectAll();
}

void CDtfWizardDlg::OnFieldFocus(int field) {
    if (field != m_nField) {
        GetField(m_nField).Validate();
        m_nField = field;
    }
    GetField(field).SelectAll();
    ShowFieldKeys();
}

void CDtfWizardDlg::OnFocus(plat::CWnd*) {
    GetField(m_nField).Reactivate();
}

bool CDtfWizardDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    if (plat::hiword(wparam) == plat::EN_SETFOCUS) {
        const auto id = static_cast<int>(plat::loword(wparam));
        for (int i = 0; i < kFieldCount; ++i)
            if (kFieldIds[static_cast<size_t>(i)] == id) {
                OnFieldFocus(i);
                return true;
            }
    }
    return CSoftKeyDlg::OnCommand(wparam, lparam);
}

bool CDtfWizardDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return true;
    switch (index) {
        case kPrevious:
            GoToField(m_nField - 1);
            return true;
        case kNext:
            GoToField(m_nField + 1);
            return true;
        case kClear:
            if (m_nField == kCentre) {
                m_nFrequencyUnit = m_nFrequencyUnitStart;
                SetupField(kCentre);
            }
            GetField(m_nField).ResetToDefault();
            GetField(m_nField).SelectAll();
            ShowFieldKeys();
            return true;
        case kBack:
            OnCancel();
            return true;
        default:
            break;
    }
    switch (m_nField) {
        case kVp:
            if (index == kKey0) ChooseCableFromList();
            if (index == kKey1) ToggleVpForm();
            break;
        case kLoss:
        case kLength:
        case kResolution:
            if (index == kKey0) SetDistanceUnit(kMetres);
            if (index == kKey1) SetDistanceUnit(kFeet);
            break;
        case kCentre:
            if (index >= kKey0 && index <= kKey2) SetFrequencyUnit(index + 1);
            if (index == kStepKey) {
                m_nStep = m_nStep >= kGiga ? 1 : m_nStep * 10;
                TakeShownValues();
                SetupField(kCentre);
            }
            break;
        default:
            break;
    }
    GetField(m_nField).Activate();
    GetField(m_nField).SelectAll();
    ShowFieldKeys();
    return true;
}

// What the fields show now, into the stored values (the unit toggles keep
// what was typed).
void CDtfWizardDlg::TakeShownValues() {
    const bool feet = m_nDistanceUnit == kFeet;
    double v = 0;
    if (GetField(kLoss).GetValue(v)) m_fLoss = static_cast<float>(feet ? v * kMetresToFeet : v);
    if (GetField(kLength).GetValue(v)) m_fLength = static_cast<float>(v);
    if (GetField(kResolution).GetValue(v)) m_fResolution = static_cast<float>(v);
    if (GetField(kCentre).GetValue(v))
        m_nCentre = SaturatingCast<uint64_t>(v * static_cast<double>(Divisor(m_nFrequencyUnit)));
}

void CDtfWizardDlg::SetDistanceUnit(int32_t unit) {
    if (unit == m_nDistanceUnit) return;
    TakeShownValues();
    const float scale = unit == kFeet ? static_cast<float>(kMetresToFeet) : kFeetToMetres;
    m_fLength *= scale;
    m_fResolution *= scale;
    m_dLengthDefault *= scale;
    m_fResolutionDefault *= scale;
    m_nDistanceUnit = unit;
    for (int f : {kLoss, kLength, kResolution}) SetupField(f);
}

// The stored Vp shown in the other form (a value typed but not read by OK
// is not kept).
void CDtfWizardDlg::ToggleVpForm() {
    m_bVpPercent = !m_bVpPercent;
    SetupField(kVp);
}

void CDtfWizardDlg::SetFrequencyUnit(int unit) {
    TakeShownValues();
    m_nFrequencyUnit = unit;
    SetupField(kCentre);
}

void CDtfWizardDlg::ChooseCableFromList() {
    if (m_ChooseCable) m_ChooseCable();
    Invalidate();
    const core::Text now = CableName();
    if (now == m_CableText || !m_pSetup) return;
    m_CableText = now;
    m_CableEdit.SetWindowText(m_CableText);
    m_bCableChanged = true;
    m_fVp = m_pSetup->GetDtfVp();
    m_fLoss = m_pSetup->GetDtfLoss();
    SetupField(kVp);
    SetupField(kLoss);
}

bool CDtfWizardDlg::ReadFields() {
    for (int i = 0; i < kFieldCount; ++i) {
        m_nField = i;
        if (!GetField(i).Validate()) {
            GetField(i).Activate();
            ShowFieldKeys();
            return false;
        }
    }
    double v = 0;
    GetField(kVp).GetValue(v);
    m_fVp = static_cast<float>(m_bVpPercent ? v * 0.01 : v);
    GetField(kLoss).GetValue(v);
    m_fLoss = static_cast<float>(m_nDistanceUnit == kFeet ? v * kMetresToFeet : v);
    GetField(kLength).GetValue(v);
    m_fLength = static_cast<float>(v);
    GetField(kResolution).GetValue(v);
    m_fResolution = static_cast<float>(v);
    GetField(kCentre).GetValue(v);
    m_nCentre = SaturatingCast<uint64_t>(v * static_cast<double>(Divisor(m_nFrequencyUnit)));
    return true;
}

// A length below one whole unit reaches nothing: the wizard stays on the
// length with a beep.
bool CDtfWizardDlg::Validate() {
    m_bValidated = false;
    const auto r = dtf_wizard::Validate(
        {m_fVp, m_fLength, m_fResolution, m_nDistanceUnit == kFeet, m_nCentre, m_nLowest});
    if (!r) {
        plat::message_beep(plat::MB_ICONEXCLAMATION);
        m_nField = kLength;
        GetField(kLength).Activate();
        GetField(kLength).SelectAll();
        ShowFieldKeys();
        return false;
    }
    m_nPoints = r->points;
    m_nSpan = r->span;
    m_nCentre = r->centre;
    m_bValidated = true;
    return true;
}

void CDtfWizardDlg::OnOK() {
    if (!ReadFields() || !Validate()) return;
    CSoftKeyDlg::OnOK();
}

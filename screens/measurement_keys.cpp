// The key routing of a measurement screen by its active function, and the
// frequency page (start, stop, centre, span, step, full span), which the
// base handles itself.
#include <algorithm>

#include "core/frequency_range.h"
#include "core/keys.h"
#include "files/meas_setup.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/measurement_base.h"
#include "widgets/soft_key_menu.h"

namespace {
// The functions (menu pages) the base routes.
enum Function : int {
    kFnFrequency = 0,
    kFnBandwidth = 1,
    kFnAmplitude = 9,
    kFnTrace = 14,
    kFnWaterfall = 15,
    kFnMeasure = 17,
    kFnMarker = 33,
    kFnSignalTools = 34,
    kFnMarkerSearch = 35,
    kFnMarkerType = 36,
    kFnThreshold = 37,
    kFnLimit38 = 38,
    kFnLimit39 = 39,
    kFnLimit40 = 40,
    kFnFile = 41,
    kFnLog = 44,
    kFnRecall = 45,
    kFnManage = 46,
    kFnImage = 47,
    kFnTools = 48,
    kFnHelp = 49,
    kFnAmplitudeUnit = 13,
};

struct MenuKeyEntry {
    int function;
    uint32_t title;
};
constexpr MenuKeyEntry kMenuKeys[] = {
    {kFnFrequency, 63016},
    {kFnBandwidth, 63019},
    {kFnAmplitude, 210},
    {kFnMeasure, 61231},
    {-1, 260},
    {kFnFile, 63018},
};
constexpr int kMenuKeyMarker = 4;
constexpr int kArrowCountMax = 70;
constexpr int kWheelNotch = 120;
constexpr uintptr_t kWheelTimer = 4;
constexpr uint32_t kWheelTimerMs = 10000;
constexpr int kEscapeIndex = 27;
constexpr uint64_t kMaxFrequency = 3600000000ull;
constexpr uint64_t kMinSpan = 1000;
// The time-domain measurement, which sweeps a span of 0.
constexpr int32_t kZeroSpanMeasurement = 28;
constexpr int64_t kKnobStepChange = 10000;
constexpr int64_t kFineStepChange = 10000;
constexpr int64_t kCoarseStepChange = 1000000;
constexpr int64_t kMinStep = 1;
constexpr uint64_t kFinePointsPerSpan = 705;
constexpr uint64_t kCoarseDivisions = 10;
constexpr float kFineSpanFactor = 1.1f;
constexpr float kCoarseSpanFactor = 2.0f;
constexpr float kSpanRounding = 0.9f;
constexpr int kIfbwKey = 4;
constexpr int kLogIntervalKey = 1;
constexpr int kStepKey = 4;

struct EntryLimits {
    uint32_t title;
    uint64_t low, high;
};
constexpr EntryLimits kEntryLimits[] = {
    {803, 0, kMaxFrequency},        {804, 0, kMaxFrequency},   {806, 0, kMaxFrequency},
    {805, kMinSpan, kMaxFrequency}, {63179, 1, kMaxFrequency},
};

// The unit index of a frequency: Hz, kHz, MHz or GHz.
int UnitIndex(uint64_t hertz) {
    if (hertz < 1000) return 0;
    if (hertz < 1000000) return 1;
    if (hertz < 1000000000) return 2;
    return 3;
}
}  // namespace

// --- Routing -----------------------------------------------------------------------

void CMeasurementBase::OnMenuKey(uint32_t key, int flag) {
    const int index =
        key >= VK_F13 && key < VK_F13 + kMenuKeyCount ? static_cast<int>(key - VK_F13) : -1;
    if (panes_frozen_ || flag != 0 || index < 0) {
        CModeBase::OnMenuKey(key, flag);
        return;
    }
    menuKeyUsed = true;
    const MenuKeyEntry& e = kMenuKeys[index];
    const int function = index == kMenuKeyMarker ? markerFunction : e.function;
    active_function_ = function;
    if (function >= 0 && function < kFunctionCount) lastKey[static_cast<size_t>(function)] = kNoKey;
    PushStatusPath(e.title, true);
}

void CMeasurementBase::OnSoftKey(uint32_t key, int repeat) {
    if (panes_frozen_ || repeat != 0) return;
    const int index = key == VK_ESCAPE ? kEscapeIndex : static_cast<int>(key - VK_F1);
    switch (active_function_) {
        case kFnFrequency:
            OnFrequencyMenuKey(index);
            break;
        case kFnTrace:
            OnTraceMenuKey(index);
            break;
        case kFnWaterfall:
            OnWaterfallMenuKey(index);
            break;
        case kFnMarker:
            OnMarkerMenuKey(index);
            break;
        case kFnSignalTools:
            OnSignalToolsMenuKey(index);
            break;
        case kFnMarkerSearch:
            OnMarkerSearchMenuKey(index);
            break;
        case kFnMarkerType:
            OnMarkerTypeMenuKey(index);
            break;
        case kFnThreshold:
            OnThresholdMenuKey(index);
            break;
        case kFnLimit38:
            OnLimitPageKey38(index);
            break;
        case kFnLimit39:
            OnLimitPageKey39(index);
            break;
        case kFnLimit40:
            OnLimitPageKey40(index);
            break;
        case kFnFile:
            OnTraceFileMenuKey(index);
            break;
        case kFnLog:
            OnLogMenuKey(index);
            break;
        case kFnRecall:
            if (OnKeyCode(index)) CloseTraceFileManager(1);
            break;
        case kFnManage:
            if (DeleteTraceFiles(index)) CloseTraceFileManager(1);
            break;
        case kFnImage:
            OnScreenImageMenuKey(index);
            break;
        case kFnTools:
            OpenToolsScreen();
            break;
        case kFnHelp:
            OnHelpMenuKey(index);
            break;
        default:
            break;
    }
}

int CMeasurementBase::ShowSoftKeys(int page, int highlight) {
    switch (page) {
        case kFnFrequency:
            return BuildFrequencyLabels(highlight, -1), 1;
        case kFnAmplitudeUnit:
            return ShowAmplitudeUnitMenu(), 1;
        case kFnMarker:
            return ShowMarkerMenu(-1, -1), 1;
        case kFnSignalTools:
            return ShowSignalToolsMenu(-1, -1), 1;
        case kFnMarkerSearch:
            return ShowMarkerSearchMenu(-1, -1), 1;
        case kFnMarkerType:
            return ShowMarkerTypeMenu(-1, -1), 1;
        case kFnThreshold:
            return BuildLimitLineMenu(highlight, -1), 1;
        case kFnLimit38:
            return BuildLimitEditMenu(highlight, -1), 1;
        case kFnLimit39:
            return BuildRefPointMenu(highlight, -1), 1;
        case kFnLimit40:
            return BuildEditPointsMenu(highlight, -1), 1;
        case kFnFile:
            return ShowTraceFileMenu(highlight), 1;
        case kFnLog:
            return ShowLogMenu(highlight), 1;
        case kFnRecall:
            return ShowRecallMenu(highlight), 1;
        case kFnManage:
            return ShowManageTraceMenu(highlight), 1;
        case kFnImage:
            return ShowScreenImageMenu(highlight), 1;
        case kFnTools:
            return ShowToolsMenu(highlight), 1;
        case kFnHelp:
            return ShowHelpMenu(highlight), 1;
        default:
            return 0;
    }
}

void CMeasurementBase::ShowCurrentPage(int highlight) {
    ShowSoftKeys(active_function_, highlight);
}

void CMeasurementBase::OnNumericKey(uint32_t key, int) {
    if (panes_frozen_) return;
    const int digit = KeyToDigit(key);
    const int selected = GetSelectedSoftKey();
    switch (active_function_) {
        case kFnFrequency:
            FrequencyDigit(digit);
            break;
        case kFnBandwidth:
            if (selected == kIfbwKey) OnIfbwMenuKey(kIfbwKey, 0, 0, 1, 0, digit);
            break;
        case kFnTrace:
            OnAveragingDigit(digit);
            break;
        case kFnMarker:
        case kFnMarkerType:
            EditMarkerPosition(digit);
            break;
        case kFnSignalTools:
            OnToolsDigit(digit);
            break;
        case kFnMarkerSearch:
            OnSearchDigit(digit);
            break;
        case kFnThreshold:
            OnThresholdDigit(digit);
            break;
        case kFnLimit39:
        case kFnLimit40:
            OnPointDigit(digit);
            break;
        case kFnLog:
            if (selected == kLogIntervalKey) EditLogInterval(digit);
            break;
        default:
            break;
    }
}

bool CMeasurementBase::CountArrowPress(int pressed) {
    if (!pressed) {
        arrowCount = 0;
        repeat_count_ = 0;
        return false;
    }
    if (repeat_count_ < kArrowRepeatMax) ++repeat_count_;
    arrowCount = repeat_count_;
    return true;
}

void CMeasurementBase::OnArrowKey(uint32_t key, int pressed) {
    if (!pressed) {
        arrowCount = 0;
        repeat_count_ = 0;
        return;
    }
    // The press counts (the first one as repeat 1), then goes to the page.
    CModeBase::OnArrowKey(key, pressed);
    arrowCount = std::min(arrowCount + 1, kArrowCountMax);
    switch (active_function_) {
        case kFnFrequency:
            FrequencyArrow(key);
            break;
        case kFnTrace:
            OnAveragingArrow(key);
            break;
        case kFnMarker:
        case kFnMarkerType:
            OnMarkerArrow(key);
            break;
        case kFnSignalTools:
            OnToolsArrow(key);
            break;
        case kFnMarkerSearch:
            OnSearchArrow(key);
            break;
        case kFnThreshold:
            OnThresholdArrow(key);
            break;
        case kFnLimit39:
        case kFnLimit40:
            OnPointArrow(key);
            break;
        case kFnLog:
            OnLogIntervalArrow(key);
            break;
        default:
            break;
    }
}

int CMeasurementBase::OnWheel(int delta) {
    if (main_frame_) main_frame_->KillTimer(kWheelTimer);
    OnKnobStep(delta);
    if (main_frame_) main_frame_->SetTimer(kWheelTimer, kWheelTimerMs);
    return GetSelectedSoftKey();
}

int CMeasurementBase::OnKnobStep(int delta) {
    switch (active_function_) {
        case kFnFrequency:
            FrequencyKnob(delta);
            break;
        case kFnTrace:
            OnAveragingKnob(delta);
            break;
        case kFnMarker:
        case kFnMarkerType:
            OnMarkerKnob(delta);
            break;
        case kFnSignalTools:
            OnToolsKnob(delta);
            break;
        case kFnMarkerSearch:
            OnSearchKnob(delta);
            break;
        case kFnThreshold:
            OnThresholdKnob(delta);
            break;
        case kFnLimit39:
        case kFnLimit40:
            OnPointKnob(delta);
            break;
        case kFnLog:
            OnLogIntervalKnob(delta);
            break;
        default:
            break;
    }
    return 1;
}

int CMeasurementBase::OnEscapeKey() {
    if (panes_frozen_) {
        SetScreenLayout(1);
        panes_frozen_ = false;
        ShowPage41(kNoKey);
        return 1;
    }
    CModeBase::OnEscapeKey();
    switch (active_function_) {
        case 5:
        case 6:
        case 7:
        case kFnAmplitudeUnit:
        case 16:
        case kFnThreshold:
        case kFnLimit38:
        case kFnLimit39:
        case kFnLimit40:
            PopStatusPath();
            break;
        case kFnRecall:
        case kFnManage:
        case kFnImage:
            CloseTraceFileManager(1);
            ShowPage41(0);
            break;
        default:
            break;
    }
    OnSoftKey(VK_ESCAPE, 0);
    return 1;
}

void CMeasurementBase::OnEnterKey() {
    if (panes_frozen_) {
        SetScreenLayout(1);
        panes_frozen_ = false;
        ShowPage41(kNoKey);
        return;
    }
    if (active_function_ >= kFnLimit38 && active_function_ <= kFnLimit40) {
        OnEditPointsEnter();
        return;
    }
    CModeBase::OnEnterKey();
}

void CMeasurementBase::SetActiveStep(int key) {
    if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
    if (active_function_ >= 0 && active_function_ < kFunctionCount)
        lastKey[static_cast<size_t>(active_function_)] = key;
}

int CMeasurementBase::OnEditPointsEnter() {
    return 0;
}

int CMeasurementBase::HandleZeroSpan(int, int, int) {
    return 0;
}

// --- Frequency page ---------------------------------------------------------------------

int CMeasurementBase::OnFrequencyMenuKey(int key) {
    entryArmed = false;
    if (key >= kKeyStart && key <= kKeyStep) {
        entryArmed = true;
    } else if (key == kKeyFullSpan) {
        FullSpan(kKeyFullSpan);
    } else if (key == kKeyList) {
        OnFrequencyListKey(kKeyList);
    }
    return entryArmed ? 1 : 0;
}

// Moves the step by a signed amount, kept from 1 Hz up (the range keeps its
// upper limit).
static void StepBy(CFrequencyRange& range, int64_t change) {
    const auto step = static_cast<int64_t>(range.GetStep());
    range.SetStep(std::max(step + change, kMinStep));
}

// One value of the range moved by a signed delta through its clamping
// setter; false when the setter refused.
static bool MoveValue(CFrequencyRange& range, int key, bool up, uint64_t delta) {
    auto moved = [&](uint64_t v) { return up ? v + delta : (v > delta ? v - delta : 0); };
    switch (key) {
        case CMeasurementBase::kKeyStart:
            return range.SetStart(moved(range.GetStart()), true) != 0 || delta == 0;
        case CMeasurementBase::kKeyStop:
            return range.SetStop(moved(range.GetStop()), true) != 0 || delta == 0;
        case CMeasurementBase::kKeyCentre:
            return range.SetCentre(moved(range.GetCentre()), true) != 0 || delta == 0;
        case CMeasurementBase::kKeySpan:
            return range.SetSpan(moved(range.GetSpan()), true) != 0 || delta == 0;
        default:
            return false;
    }
}

int CMeasurementBase::FrequencyKnob(int steps) {
    CFrequencyRange* range = setup_ ? setup_->GetFrequencyRange() : nullptr;
    if (!range) return 0;
    const int k = GetLastKey(active_function_);
    const uint64_t oldSpan = range->GetSpan();
    if (k == kKeyStep) {
        StepBy(*range, steps > 0 ? kKnobStepChange : -kKnobStepChange);
        ShowSoftKeys(active_function_, kStepKey);
        if (soft_key_menu_) soft_key_menu_->Select(0, kStepKey, true);
        return 1;
    }
    if (k < kKeyStart || k > kKeySpan) return 0;
    const uint64_t delta = range->GetStep() * static_cast<uint64_t>(std::abs(steps)) / kWheelNotch;
    // A step that moves nothing changes nothing and restarts nothing.
    if (delta == 0) return 0;
    if (!MoveValue(*range, k, steps > 0, delta)) return 0;
    ApplyValue(k, false, oldSpan);
    return 1;
}

int CMeasurementBase::FrequencyArrow(uint32_t key) {
    CFrequencyRange* range = setup_ ? setup_->GetFrequencyRange() : nullptr;
    if (!range) return 0;
    const int k = GetLastKey(active_function_);
    const bool up = key == VK_UP || key == VK_RIGHT;
    const bool fine = key == VK_UP || key == VK_DOWN;
    if (!up && key != VK_LEFT && key != VK_DOWN) return 0;
    const uint64_t span = range->GetSpan();
    if (k == kKeyStep) {
        const int64_t change = fine ? kFineStepChange : kCoarseStepChange;
        StepBy(*range, up ? change : -change);
        ShowSoftKeys(active_function_, kStepKey);
        return 1;
    }
    bool ok = false;
    if (k == kKeySpan) {
        const float factor = fine ? kFineSpanFactor : kCoarseSpanFactor;
        const uint64_t next =
            up ? static_cast<uint64_t>(static_cast<float>(span) * factor + kSpanRounding)
               : static_cast<uint64_t>(static_cast<float>(span) / factor);
        ok = range->SetSpan(next, true) != 0;
    } else if (k >= kKeyStart && k <= kKeyCentre) {
        const uint64_t delta = fine ? span / kFinePointsPerSpan : span / kCoarseDivisions;
        // A zero step is ignored: no change, no restart.
        if (delta == 0) return 0;
        ok = MoveValue(*range, k, up, delta);
    }
    if (!ok) return 0;
    ApplyValue(k, false, span);
    return 1;
}

int CMeasurementBase::FrequencyDigit(int digit) {
    CFrequencyRange* range = setup_ ? setup_->GetFrequencyRange() : nullptr;
    const int k = GetLastKey(active_function_);
    if (!range || k < kKeyStart || k > kKeyStep) return 0;
    const uint64_t oldSpan = range->GetSpan();
    const uint64_t values[] = {range->GetStart(), range->GetStop(), range->GetCentre(), oldSpan,
                               range->GetStep()};
    // A screen that takes a span of 0 lets the entry through 0; a span
    // between 0 and the smallest one is raised to the smallest. While it
    // sweeps a span of 0 that is the span it shows, so the span it keeps,
    // typed again, is a change too.
    const bool zeroSpan = k == kKeySpan && HandlesZeroSpan();
    const uint64_t current = zeroSpan && MeasurementId() == kZeroSpanMeasurement ? 0 : values[k];
    EntryLimits limits = kEntryLimits[k];
    if (k == kKeySpan) limits.low = zeroSpan ? 0 : MinimumSpan();
    if (k <= kKeyCentre) limits.low = MinimumFrequency();
    if (k == kKeySpan) limits.high = MaximumSpan();
    uint64_t entered = EnterFrequency(digit, current, limits.low, limits.high, 1, limits.title,
                                      UnitIndex(values[k]), k == kKeySpan, &entryValue2);
    if (zeroSpan && entered != 0) entered = std::max(entered, MinimumSpan());
    if (entered == current) {
        ShowSoftKeys(active_function_, -1);
        if (soft_key_menu_) soft_key_menu_->Select(0, k, true);
        return 1;
    }
    // A span of 0 is no span the range keeps: the screen that takes it
    // leaves the range as it was.
    if (k == kKeySpan && entered == 0 && HandlesZeroSpan()) {
        if (const int handled = HandleZeroSpan(kKeySpan, 0, 0)) return handled;
    }
    SetFrequencyValue(k, entered);
    ApplyValue(k, true, oldSpan);
    return 0;
}

uint64_t CMeasurementBase::MinimumFrequency() const {
    return 0;
}

uint64_t CMeasurementBase::MinimumSpan() const {
    return kMinSpan;
}

uint64_t CMeasurementBase::MaximumSpan() const {
    return kMaxFrequency;
}

void CMeasurementBase::SetFrequencyValue(int key, uint64_t value) {
    CFrequencyRange* range = setup_ ? setup_->GetFrequencyRange() : nullptr;
    if (!range) return;
    switch (key) {
        case kKeyStart:
            range->SetStart(value, true);
            break;
        case kKeyStop:
            range->SetStop(value, true);
            break;
        case kKeyCentre:
            range->SetCentre(value, true);
            break;
        case kKeySpan:
            if (value >= MinimumSpan()) range->SetSpan(value, true);
            break;
        case kKeyStep:
            range->SetStep(static_cast<int64_t>(std::min<uint64_t>(value, INT64_MAX)));
            break;
        default:
            break;
    }
}

void CMeasurementBase::FullSpan(int key) {
    CFrequencyRange* range = setup_ ? setup_->GetFrequencyRange() : nullptr;
    if (!range || range->GetSpan() == kMaxFrequency) return;
    const uint64_t oldSpan = range->GetSpan();
    SetFrequencyValue(kKeySpan, kMaxFrequency);
    ApplyValue(key, false, oldSpan);
}

void CMeasurementBase::ApplyValue(int key, bool keepSelection, uint64_t) {
    if (!setup_) return;
    setup_->NotifyChanged(true);
    TakeSweepSettings();
    ShowCurrentPage(-1);
    if (keepSelection) {
        if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
    } else if (soft_key_menu_) {
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    UpdateStatusRows();
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
    ResetHoldState();
}

// The limit and edit-point pages belong to a screen with a mask editor; the
// base takes none of their keys.
bool CMeasurementBase::OnLimitPageKey38(int) {
    return false;
}

bool CMeasurementBase::OnLimitPageKey39(int) {
    return false;
}

bool CMeasurementBase::OnLimitPageKey40(int) {
    return false;
}

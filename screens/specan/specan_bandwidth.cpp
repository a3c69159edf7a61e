// CSpecAnMode: the bandwidth menu (menu 1): RBW and VBW with their automatic
// and manual modes, the Span/RBW and RBW/VBW ratios, and the ways to the
// detection and sweep menus.
#include <algorithm>

#include "core/params.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/sa_meas_setup.h"
#include "screens/measurement/page_labels.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {
constexpr uint32_t kRbwModeLabel = 811, kVbwModeLabel = 812;
constexpr uint32_t kAuto = 555, kManual = 1023;
constexpr uint32_t kRbwLabel = 64146, kVbwLabel = 64147;
constexpr uint32_t kSpanRbwLabel = 61403, kRbwVbwLabel = 61404;
constexpr uint32_t kDetectorLabel = 64169, kSweepMore = 61282;
constexpr int kKeyRbwMode = 0, kKeyVbwMode = 2, kKeyRbwVbw = 5, kKeyDetector = 6, kKeySweep = 7;
constexpr int kMaxDigit = 9;

core::Text Number(uint32_t n) {
    return core::FormatText("%u", n);
}
}  // namespace

int CSpecAnMode::ShowBandwidthMenu(int key) {
    if (!soft_key_menu_) return 0;
    CChoiceBlock& b = Bandwidth();
    CSoftKeyMenu& m = *soft_key_menu_;
    m.SetKeyChoicesById(kRbwModeLabel, kKeyRbwMode, kAuto, kManual,
                        static_cast<int>(b.GetRbwMode()), false);
    m.SetKeyCaption(page_labels::FillPlace(kRbwLabel, b.GetRbwLabel()), kKeyRbw, false,
                    key == kKeyRbw);
    m.SetKeyChoicesById(kVbwModeLabel, kKeyVbwMode, kAuto, kManual,
                        static_cast<int>(b.GetVbwMode()), false);
    m.SetKeyCaption(page_labels::FillPlace(kVbwLabel, b.GetVbwLabel()), kKeyVbw, false,
                    key == kKeyVbw);
    m.SetKeyCaption(page_labels::FillPlace(kSpanRbwLabel, Number(b.GetSpanRatio())), kKeySpanRbw,
                    false, key == kKeySpanRbw);
    m.SetKeyCaption(page_labels::FillPlace(kRbwVbwLabel, Number(b.GetVbwRatio())), kKeyRbwVbw,
                    false, key == kKeyRbwVbw);
    m.SetKeyCaption(page_labels::FillPlace(
                        kDetectorLabel,
                        DetectorName(static_cast<uint32_t>(sa_setup_->GetDetectionMode()), false)),
                    kKeyDetector, false, key == kKeyDetector);
    m.SetKeyCaptionById(kSweepMore, kKeySweep, false, false);
    return 1;
}

int CSpecAnMode::OnBandwidthMenuKey(int key) {
    bandwidth_changed_ = false;
    CChoiceBlock& b = Bandwidth();
    bool changed = false;
    bool apply = false;
    switch (key) {
        case kKeyRbwMode:
            b.SetRbwMode(b.GetRbwMode() == CChoiceBlock::kModeAuto ? CChoiceBlock::kModeManual
                                                                   : CChoiceBlock::kModeAuto,
                         true);
            changed = apply = true;
            break;
        case kKeyRbw:
            b.SetRbwMode(CChoiceBlock::kModeManual, true);
            changed = true;
            break;
        case kKeyVbwMode:
            b.SetVbwMode(b.GetVbwMode() == CChoiceBlock::kModeAuto ? CChoiceBlock::kModeManual
                                                                   : CChoiceBlock::kModeAuto,
                         true);
            changed = apply = true;
            break;
        case kKeyVbw:
            b.SetVbwMode(CChoiceBlock::kModeManual, true);
            changed = true;
            break;
        case kKeySpanRbw:
            break;
        case kKeyRbwVbw:
            if (!EditRbwVbwRatio(key)) return 0;
            changed = apply = true;
            break;
        case kKeyDetector:
            ShowDetectionPage(kKeyDetector);
            return 1;
        case kKeySweep:
            return OpenSweepMenu(kKeySweep);
        default:
            return 0;
    }
    ShowSoftKeys(kMenuBandwidth, key);
    if (soft_key_menu_) {
        if (key == kKeyVbw) soft_key_menu_->SetKeyState(0, kKeyVbwMode, false);
        if (key == kKeyRbw) soft_key_menu_->SetKeyState(0, kKeyRbwMode, false);
    }
    RememberKey(kMenuBandwidth, key, true);
    if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
    if (changed) RefreshReadouts();
    if (apply) ApplySettings(true);
    return 1;
}

// After a value key changed its value.
static void AfterBandwidthValue(CSpecAnMode& screen, int key) {
    screen.ShowSoftKeys(kMenuBandwidth, key);
    if (CSoftKeyMenu* m = screen.soft_key_menu()) m->Select(0, key, true);
}

bool CSpecAnMode::StepBandwidth(uint32_t arrow) {
    const int key = LastKey(kMenuBandwidth);
    if (!specan::StepBandwidth(Bandwidth(), key, arrow)) return false;
    RefreshReadouts();
    ApplySettings(true);
    AfterBandwidthValue(*this, key);
    return true;
}

bool CSpecAnMode::TurnBandwidth(int steps) {
    const int key = LastKey(kMenuBandwidth);
    if (!specan::TurnBandwidth(Bandwidth(), key, steps)) return false;
    RefreshReadouts();
    ApplySettings(true);
    AfterBandwidthValue(*this, key);
    return true;
}

bool CSpecAnMode::EnterBandwidthDigit(int digit) {
    if (digit < 0 || digit > kMaxDigit) return false;  // minus and point are not taken here
    bool changed = false;
    const int key = LastKey(kMenuBandwidth);
    switch (key) {
        case kKeyRbw:
            changed = EditRbw(digit);
            break;
        case kKeyVbw:
            changed = EditVbw(digit);
            break;
        case kKeySpanRbw:
            changed = EditSpanRbwRatio(digit);
            break;
        default:
            return false;
    }
    if (changed) {
        RefreshReadouts();
        ApplySettings(true);
    }
    AfterBandwidthValue(*this, key);
    return changed;
}

bool CSpecAnMode::EditRbw(int digit) {
    CChoiceBlock& b = Bandwidth();
    open_entry_ = kEntryNumber;
    const auto chosen = Entries().Bandwidth(false, static_cast<int>(b.GetRbwIndex()), digit);
    const bool changed = chosen && b.SetRbwIndex(static_cast<uint32_t>(*chosen), true) != 0;
    AfterEntry();
    return changed;
}

bool CSpecAnMode::EditVbw(int digit) {
    CChoiceBlock& b = Bandwidth();
    open_entry_ = kEntryNumber;
    const auto chosen = Entries().Bandwidth(true, static_cast<int>(b.GetVbwIndex()), digit);
    // A VBW above the menu's range (1 MHz) is stored as its end, 300 kHz.
    const bool changed = chosen && b.SetVbwIndex(std::min<uint32_t>(static_cast<uint32_t>(*chosen),
                                                                    CChoiceBlock::kVbwAutoMax),
                                                 true) != 0;
    AfterEntry();
    return changed;
}

bool CSpecAnMode::EditSpanRbwRatio(int digit) {
    CChoiceBlock& b = Bandwidth();
    open_entry_ = kEntrySpanRbw;
    const auto ratio = Entries().SpanRbwRatio(static_cast<int>(b.GetSpanRatio()), digit);
    if (ratio && b.SetSpanRatio(static_cast<uint32_t>(std::clamp(*ratio, 10, 3600)), true) != 0)
        bandwidth_changed_ = true;
    AfterEntry();
    return bandwidth_changed_;
}

bool CSpecAnMode::EditRbwVbwRatio(int key) {
    CChoiceBlock& b = Bandwidth();
    const auto ratio = Entries().RbwVbwRatio(static_cast<int>(b.GetVbwRatio()));
    if (ratio && *ratio >= 1.0) b.SetVbwRatio(static_cast<uint32_t>(*ratio), true);
    ReturnToBandwidthMenu(key);
    AfterEntry();
    return ratio.has_value();
}

int CSpecAnMode::ReturnToBandwidthMenu(int key) {
    active_function_ = kMenuBandwidth;
    LastKey(kMenuBandwidth) = kNoKey;
    ShowSoftKeys(kMenuBandwidth, key);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return 1;
}

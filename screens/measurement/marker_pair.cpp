// The measurement screen's marker pair around a channel, the stored result
// words, the position texts a trace file records, the loudspeaker volume,
// the audible level indicator, the transient status message and a few
// accessors.
#include <algorithm>
#include <bit>
#include <cstring>

#include "core/frequency_range.h"
#include "core/keys.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "files/meas_setup.h"
#include "instrument/sensors/nmea.h"
#include "instrument/sensors/positions.h"
#include "platform/kernel/clock.h"
#include "platform/sound/sound.h"
#include "screens/measurement/level_beep.h"
#include "screens/measurement/readout_texts.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr uint32_t kVolumeTitle = 226;
constexpr int kStatusItem = CReadoutPanel::kCaptionRow;
constexpr ColorSchemeIndex kStatusShownColour = 46;
constexpr ColorSchemeIndex kStatusGoneColour = 39;
constexpr uint32_t kStatusMessageMs = 3000;
constexpr const char16_t* kBeepSound = u"menusel.wav";
constexpr uint32_t kTraceCaption = 61243;
constexpr int kTraceCaptionRow = 3;
constexpr int kTraceCaptionColumn = 3;
// A location name gives the tag at most this many characters.
constexpr size_t kTagNameChars = 10;

// The characters a file-name tag keeps of a location name.
bool IsTagCharacter(char16_t c) {
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    return std::u16string_view(u"!#$%&'(),-.;=@_`{}~").find(c) != std::u16string_view::npos;
}

// The GGA fix of a position sentence, when it has one of quality 1 or more.
std::unique_ptr<CGgaSentence> UsableFix(std::string_view text) {
    std::unique_ptr<CNmeaSentence> sentence = ParseNmeaSentence(text);
    if (!sentence || sentence->GetKind() != CNmeaSentence::kGga) return nullptr;
    auto* gga = static_cast<CGgaSentence*>(sentence.get());
    if (gga->GetFixQuality() < 1) return nullptr;
    sentence.release();
    return std::unique_ptr<CGgaSentence>(gga);
}
}  // namespace

int CMeasurementBase::PlaceMarkerPair(int a, int b, int64_t width, int64_t offset) {
    const CFrequencyRange* range = setup_ ? setup_->GetFrequencyRange() : nullptr;
    if (!range || !graphPanel || !BindMarkerRecords()) return 1;
    const auto centre = static_cast<int64_t>(range->GetCentre());
    const auto start = static_cast<int64_t>(range->GetStart());
    const auto stop = static_cast<int64_t>(range->GetStop());
    const int64_t half = width / 2;
    const int64_t low = std::max(centre - half + offset, start);
    const int64_t high = std::min(centre + half + offset, stop);
    bool switched = false;
    for (int m : {a, b}) {
        if (graphPanel->GetMarkerState(m) != 1) {
            graphPanel->TurnOnMarker(m);
            switched = true;
        }
    }
    // A pair already at its edges asks for no redraw.
    bool moved = switched;
    for (const auto& [m, edge] :
         {std::pair{a, std::max<int64_t>(low, 0)}, std::pair{b, std::max<int64_t>(high, 0)}}) {
        double level = 0;
        uint64_t at = 0;
        if (graphPanel->GetPendingMarkerValues(m, level, at) && at == static_cast<uint64_t>(edge))
            continue;
        graphPanel->SetMarkerPosition(m, static_cast<uint64_t>(edge));
        moved = true;
    }
    if (moved) RequestMarkerRedraw();
    if (switched) {
        ShowSoftKeys(active_function_, -1);
        if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    return 1;
}

uint64_t CMeasurementBase::GetResultValue0() const {
    return resultValues[0];
}
uint64_t CMeasurementBase::GetResultValue1() const {
    return resultValues[1];
}
uint64_t CMeasurementBase::GetResultValue2() const {
    return resultValues[2];
}
uint64_t CMeasurementBase::GetResultValue3() const {
    return resultValues[3];
}
uint64_t CMeasurementBase::GetResultValue4() const {
    return resultValues[4];
}
uint64_t CMeasurementBase::GetResultValue5() const {
    return resultValues[5];
}
uint64_t CMeasurementBase::GetResultValue6() const {
    return resultValues[6];
}
uint64_t CMeasurementBase::GetResultValue7() const {
    return resultValues[7];
}
uint64_t CMeasurementBase::GetResultValue8() const {
    return resultValues[8];
}
uint64_t CMeasurementBase::GetResultValue9() const {
    return resultValues[9];
}

double CMeasurementBase::PowerRatioDb(uint64_t divisor, double offset) const {
    return readout_texts::PowerRatioDb(std::bit_cast<double>(resultValues[1]), offset, divisor);
}

// --- Position texts ----------------------------------------------------------------------

int CMeasurementBase::SetPositionText(const char* bytes, size_t length) {
    if (length > positionText.size() || (length > 0 && !bytes)) return 0;
    if (length > 0) std::memcpy(positionText.data(), bytes, length);
    positionTextLength = length;
    return 1;
}

// The buffer holds at least 256 bytes: up to 255 of the text and a zero.
void CMeasurementBase::GetPositionText(char* buffer) const {
    if (!buffer) return;
    const size_t n = std::min(positionTextLength, positionText.size() - 1);
    std::memcpy(buffer, positionText.data(), n);
    buffer[n] = '\0';
}

void CMeasurementBase::GetPositionText2(char* buffer) const {
    if (!buffer) return;
    const size_t n = std::min(positionText2Length, positionText2.size() - 1);
    std::memcpy(buffer, positionText2.data(), n);
    buffer[n] = '\0';
}

int CMeasurementBase::SetPositionText2(const char* text) {
    if (!text) return 0;
    const size_t length = strnlen(text, positionText2.size() + 1);
    if (length > positionText2.size()) return 0;
    std::memcpy(positionText2.data(), text, length);
    positionText2Length = length;
    return 1;
}

core::Text CMeasurementBase::FormatPosition() {
    const auto fix = UsableFix({positionText.data(), positionTextLength});
    if (!fix) return {};
    return FindLocationName(fix->GetLatitude(), fix->GetLongitude());
}

core::Text CMeasurementBase::FormatPositionTag() {
    const auto fix = UsableFix({positionText.data(), positionTextLength});
    if (!fix) return {};
    core::Text tag;
    for (char16_t c :
         core::FormatText("%+011.7f%+012.7f_", fix->GetLatitude(), fix->GetLongitude()))
        if (c != u'.') tag += c;
    const core::Text name = FindLocationName(fix->GetLatitude(), fix->GetLongitude());
    size_t n = 0;
    while (n < name.size() && n < kTagNameChars && IsTagCharacter(name[n])) ++n;
    return tag + name.substr(0, n);
}

// --- Volume and the level beep -------------------------------------------------------------

void CMeasurementBase::ApplyVolume(int percent) {
    // The wave player takes the volume in percent; the beep's volume is
    // remembered for the sound record.
    beepVolume = std::clamp(percent, level_beep::kVolumeMin, level_beep::kVolumeMax);
    SetPlayerVolume(beepVolume);
}

void CMeasurementBase::ReshowVolumePage() {
    const int function = active_function_;
    const int key = GetLastKey(function);
    ShowSoftKeys(function, key);
    if (soft_key_menu_) soft_key_menu_->SetKeyState(0, key, entryArmed);
}

bool CMeasurementBase::StepVolume(uint32_t key) {
    if (!setup_) return false;
    const int volume = level_beep::StepVolume(setup_->GetVolumeType(), key);
    setup_->SetVolumeType(volume);
    ApplyVolume(volume);
    ReshowVolumePage();
    return true;
}

bool CMeasurementBase::TurnVolume(int steps) {
    if (!setup_) return false;
    const int volume = level_beep::TurnVolume(setup_->GetVolumeType(), steps);
    setup_->SetVolumeType(volume);
    ApplyVolume(volume);
    ReshowVolumePage();
    return true;
}

bool CMeasurementBase::EditVolume(int firstKey) {
    if (!setup_) return false;
    int value = setup_->GetVolumeType();
    const bool ok = RunVolumeDialog(kVolumeTitle, firstKey, value);
    if (ok) {
        const int volume = std::clamp(value, level_beep::kVolumeMin, level_beep::kVolumeMax);
        setup_->SetVolumeType(volume);
        ApplyVolume(volume);
        ReshowVolumePage();
    }
    RepaintScreen(0);
    return ok;
}

void CMeasurementBase::SignalBeep() {
    if (!setup_ || !setup_->GetFSBeepMode()) return;
    if (!IsMarkerOn()) {
        setup_->SetFSBeepMode(false);
        ShowSoftKeys(active_function_, 2);
        if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        return;
    }
    const uint32_t now = plat::tick_count();
    int marker = 0;
    if (!graphPanel || !graphPanel->GetCurrentMarker(marker)) return;
    const int point = graphPanel->GetMarkerPixelIndex(marker);
    uint32_t level = 0;
    {
        ScopedLock guard(*this);
        if (point < 0 || point >= static_cast<int>(shownColumnRows_.size())) return;
        level = shownColumnRows_[static_cast<size_t>(point)];
    }
    const int setupVolume = setup_->GetVolumeType();
    ApplyVolume(level_beep::BeepVolume(setupVolume, level));
    if (level_beep::BeepDue(now, lastBeepTick, level)) {
        plat::play_sound(kBeepSound, plat::SND_FILENAME | plat::SND_SYNC);
        lastBeepTick = now;
        ++beepCount;
    }
    ApplyVolume(setupVolume);
}

void CMeasurementBase::ShowStatusMessage(const std::u16string& text, int flag) {
    if (flag == 0) return;
    if (!readout_panel_) return;
    readout_panel_->SetRowCaption(text, kStatusItem);
    readout_panel_->RedrawRows(0, true, kStatusShownColour);
    plat::sleep_ms(kStatusMessageMs);
    readout_panel_->RedrawRows(0, true, kStatusGoneColour);
}

void CMeasurementBase::RefreshGraphMarkers() {
    if (!IsMarkerOn() && graphPanel) graphPanel->Redraw();
    RequestMarkerRedraw();
}

void CMeasurementBase::ShowTraceCaption() {
    if (readout_panel_)
        readout_panel_->SetCellText(kTraceCaption, u": " + GetTraceModeText(), kTraceCaptionRow,
                                    kTraceCaptionColumn, 0);
}

void CMeasurementBase::UpdateSweepReadout(bool full) {
    if (graphPanel && graphPanel->GetGraph() &&
        graphPanel->GetLayout() == CGraphWidget::kScreenLayout)
        return;
    if (full) {
        UpdateFrequencyReadout();
        ShowSweepTraceText();
        UpdateAllReadouts();
    }
    DrawChannelPower(full);
}

int CMeasurementBase::GetSweepCount() const {
    return sweepCount;
}
void CMeasurementBase::SetSweepCount(int count) {
    sweepCount = count;
}
void CMeasurementBase::SetSweepCount2(int count) {
    sweepCount2 = count;
}
void CMeasurementBase::SetModeFlag(int flag) {
    modeFlag = flag;
}
int CMeasurementBase::GetModeFlag() const {
    return modeFlag;
}

int CMeasurementBase::GetGuardedFlag() {
    ScopedLock guard(*this);
    return guardedFlag;
}

void CMeasurementBase::SetGuardedFlag(int flag) {
    ScopedLock guard(*this);
    guardedFlag = flag;
}

void CMeasurementBase::SetAttachedObject(std::unique_ptr<CScreenAttachment> object) {
    {
        ScopedLock guard(*this);
        attachedObject.swap(object);
    }
    // The previous object goes outside the lock.
}

CScreenAttachment* CMeasurementBase::GetAttachedObject() {
    ScopedLock guard(*this);
    return attachedObject.get();
}

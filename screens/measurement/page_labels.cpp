#include "screens/measurement/page_labels.h"

#include <array>
#include <string_view>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/meas_setup.h"
#include "screens/measurement/marker_search.h"
#include "widgets/soft_key_menu.h"

namespace page_labels {

namespace {
// Marker page.
constexpr uint32_t kIdSelectMarker = 1048, kIdMarker = 260, kIdMarkerToPeak = 274,
                   kIdPeakValley = 64444, kIdDelta = 720, kIdDeltaOn = 64248, kIdDeltaOff = 64249,
                   kIdMarkerDisplay = 64445, kIdMoreMarker = 1177, kIdThresholdLimit = 1052;
// Marker search page.
constexpr uint32_t kIdDetect = 64446, kIdPeak = 393, kIdValley = 706, kIdThreshold = 64447,
                   kIdPeakLeft = 64450, kIdPeakRight = 64451, kIdAllPeaks = 64318, kIdAllOff = 1051,
                   kIdToMin = 64319, kIdMinLeft = 64448, kIdMinRight = 64449, kIdAllMinima = 64313;
// Marker type page.
constexpr uint32_t kIdMarkerType = 1164, kIdIcon = 1165, kIdLine = 719, kIdAllIcons = 64452,
                   kIdAllLines = 64453, kIdReadoutPlace = 64454, kIdFirstPlace = 64218;
constexpr int kPlaces = 5;
// Signal tools and threshold alarm pages.
constexpr uint32_t kIdTone = 64378, kIdVolume = 64292, kIdToCentre = 278, kIdLimit = 681,
                   kIdUp = 704, kIdDown = 705, kIdAlarm = 1053;
// Detection, trace, averaging and attenuation pages.
constexpr std::array<uint32_t, 4> kDetectionIds = {836, 837, 791, 838};
constexpr std::array<int32_t, 4> kDetectionModes = {3, 2, 1, 0};
constexpr uint32_t kIdClearWrite = 61339, kIdMaxHold = 61337, kIdMinHold = 64457,
                   kIdAverageKey = 61338, kIdAverageReading = 833, kIdResetAverage = 179,
                   kIdWaterfall = 64358, kIdAverage = 800, kIdAverageCount = 832,
                   kIdAttenuation = 961, kIdAttenuationLevel = 61428, kIdAverageOff = 1124;
constexpr std::array<const char16_t*, 5> kAttenuationChoices = {
    u"\nAuto\n", u"\n0 dB\n", u"\n10 dB\n", u"\n20 dB\n", u"\n30 dB\n"};
constexpr std::array<int, 4> kAttenuationLevels = {0, 10, 20, 30};
// Amplitude unit page: dBm, dBuV, dBmV, dBV, volts, watts.
constexpr std::array<uint32_t, 6> kUnitIds = {561, 823, 824, 825, 1044, 560};
// Waterfall page.
constexpr uint32_t kIdWaterfallTwo = 64359, kIdTimeStamp = 64490, kIdSaveWaterfall = 64491,
                   kIdRecallWaterfall = 64492, kIdClearRecalled = 64493;
// Frequency page.
constexpr uint32_t kIdStart = 229, kIdStop = 230, kIdCentre = 214, kIdSpan = 215, kIdZoomIn = 63014,
                   kIdZoomOut = 63015, kIdFreqList = 664, kIdStartValue = 64140,
                   kIdStopValue = 64141, kIdCentreValue = 64142, kIdSpanValue = 64165,
                   kIdWheelStep = 63011, kIdFullSpan = 1068, kIdListName = 64135, kIdChannel = 209;
constexpr size_t kListNameWrap = 10;
constexpr int kListNameBreaks = 2;

void Text(CSoftKeyMenu& m, int key, uint32_t id, bool disabled = false) {
    m.SetKeyTextById(id, key, disabled, false);
}
void Text(CSoftKeyMenu& m, int key, const core::Text& text, bool disabled = false) {
    m.SetKeyText(text, key, disabled, false);
}
void OnOff(CSoftKeyMenu& m, int key, uint32_t id, bool on) {
    m.SetKeyLabelById(id, key, kOnId, kOffId, on ? 0 : 1, false);
}
void Blank(CSoftKeyMenu& m, int from, int to) {
    for (int k = from; k <= to; ++k) Text(m, k, kBlankId);
}
core::Text Frequency(uint64_t hz) {
    return FormatValue(hz, 0, false, true, false, 0);
}
// Up to two blanks of a long list name become line breaks.
core::Text WrapListName(core::Text name) {
    if (name.size() <= kListNameWrap) return name;
    int breaks = 0;
    for (char16_t& c : name)
        if (c == u' ' && breaks < kListNameBreaks) {
            c = u'\n';
            ++breaks;
        }
    return name;
}
}  // namespace

core::Text FillPlace(const core::Text& pattern, const core::Text& value) {
    core::Text out;
    bool filled = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c != u'%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        if (pattern[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // Flags, width and precision, then the conversion letter.
        size_t j = i + 1;
        while (j < pattern.size() && std::u16string_view(u" -+#0.0123456789").find(pattern[j]) !=
                                         std::u16string_view::npos)
            ++j;
        while (j < pattern.size() && (pattern[j] == u'l' || pattern[j] == u'h')) ++j;
        if (j >= pattern.size()) {
            out += c;
            continue;
        }
        if (!filled) out += value;
        filled = true;
        i = j;
    }
    return out;
}

core::Text FillPlace(uint32_t pattern_id, const core::Text& value) {
    return FillPlace(LoadResString(pattern_id), value);
}

void MarkerPage(CSoftKeyMenu& m, int number, bool marker_on, bool delta_on) {
    core::Text select = LoadResString(kIdSelectMarker);
    if (number >= 1) select += core::FormatText("\nM%d", number);
    Text(m, 0, select);
    OnOff(m, 1, kIdMarker, marker_on);
    Text(m, 2, kIdMarkerToPeak);
    Text(m, 3, kIdPeakValley);
    m.SetKeyLabelById(kIdDelta, 4, kIdDeltaOn, kIdDeltaOff, delta_on ? 0 : 1, false);
    Text(m, 5, kIdMarkerDisplay);
    Text(m, 6, kIdMoreMarker);
    Text(m, 7, kIdThresholdLimit);
}

void MarkerSearchPage(CSoftKeyMenu& m, const CMeasSetup& setup) {
    const bool valley = setup.GetMarkerSearchMode() == 1;
    m.SetKeyLabelById(kIdDetect, 0, kIdPeak, kIdValley, valley ? 1 : 0, false);
    if (valley) {
        Text(m, 1, kBlankId);
    } else {
        const core::Text offset =
            core::FormatText("% 6.1f", setup.GetLevel()) + u" " + UnitName(UNIT_RETURN_LOSS);
        const core::Text absolute =
            core::FormatText("% 6.1f", marker_search::AbsolutePeakThreshold(setup)) + u" " +
            UnitName(UNIT_DBM);
        Text(m, 1, LoadResString(kIdThreshold) + offset + u"\n" + absolute);
    }
    Text(m, 2, valley ? kIdToMin : kIdMarkerToPeak);
    Text(m, 3, valley ? kIdMinLeft : kIdPeakLeft);
    Text(m, 4, valley ? kIdMinRight : kIdPeakRight);
    Text(m, 5, valley ? kIdAllMinima : kIdAllPeaks);
    Text(m, 6, kIdAllOff);
    Text(m, 7, kReturnId);
}

void MarkerTypePage(CSoftKeyMenu& m, int type, int table_position) {
    m.SetKeyLabelById(kIdMarkerType, 0, kIdIcon, kIdLine, type == 0 ? 0 : 1, false);
    Text(m, 1, kIdAllIcons);
    Text(m, 2, kIdAllLines);
    const int place = table_position >= 0 && table_position < kPlaces ? table_position : 0;
    Text(m, 3,
         LoadResString(kIdReadoutPlace) + u"\n" +
             LoadResString(kIdFirstPlace + static_cast<uint32_t>(place)));
    Blank(m, 4, 6);
    Text(m, 7, kReturnId);
}

void SignalToolsPage(CSoftKeyMenu& m, CMeasSetup& setup) {
    OnOff(m, 0, kIdTone, setup.GetFSBeepMode());
    Text(m, 1, LoadResString(kIdVolume) + core::FormatText("\n%d%%", setup.GetVolumeType()));
    Text(m, 2, kIdToCentre);
    Blank(m, 3, 6);
    Text(m, 7, kReturnId);
}

void ThresholdAlarmPage(CSoftKeyMenu& m, const CMeasSetup& setup) {
    const bool up = setup.GetLimitType() == 1;
    m.SetKeyLabelById(kIdLimit, 0, kIdUp, kIdDown, up ? 0 : 1, false);
    OnOff(m, 1, kIdLimit, up ? setup.GetUpperLimitState() : setup.GetLowerLimitState());
    OnOff(m, 2, kIdAlarm, setup.GetLimitAlarm());
    Blank(m, 3, 6);
    Text(m, 7, kReturnId);
}

void DetectionPage(CSoftKeyMenu& m, int32_t detection) {
    for (size_t k = 0; k < kDetectionIds.size(); ++k)
        Text(m, static_cast<int>(k), kDetectionIds[k], kDetectionModes[k] == detection);
    Blank(m, 4, 6);
    Text(m, 7, kReturnId);
}

void TracePage(CSoftKeyMenu& m, const CMeasSetup& setup) {
    const int32_t hold = setup.GetPeakHoldMode();
    const bool averaging = setup.GetAveragingMode() != 0;
    OnOff(m, 0, kIdClearWrite, hold == 0 && !averaging);
    OnOff(m, 1, kIdMaxHold, hold == 1);
    OnOff(m, 2, kIdMinHold, hold == 2);
    OnOff(m, 3, kIdAverageKey, averaging);
    const core::Text count = core::FormatText("%d", setup.GetAveragingCount());
    Text(m, 4, FillPlace(LoadResString(kIdAverageReading), count));
    Text(m, 5, kIdResetAverage);
    Text(m, 6, kIdWaterfall);
    Text(m, 7, kReturnId);
}

void AveragingPage(CSoftKeyMenu& m, const CMeasSetup& setup) {
    OnOff(m, 0, kIdAverage, setup.GetAveragingMode() != 0);
    const core::Text count = core::FormatText("%d", setup.GetAveragingCount());
    Text(m, 1, FillPlace(LoadResString(kIdAverageCount), count));
    Text(m, 2, kIdResetAverage);
    Blank(m, 3, 6);
    Text(m, 7, kReturnId);
}

void AttenuationPage(CSoftKeyMenu& m, const CMeasSetup& setup) {
    int chosen = 0;
    if (setup.GetAttenuationMode() != 0) {
        const int level = static_cast<int>(setup.GetAttenuationLevel());
        for (size_t i = 0; i < kAttenuationLevels.size(); ++i)
            if (kAttenuationLevels[i] == level) chosen = static_cast<int>(i) + 1;
    }
    const core::Text name = LoadResString(kIdAttenuation);
    for (size_t k = 0; k < kAttenuationChoices.size(); ++k)
        Text(m, static_cast<int>(k), name + kAttenuationChoices[k], static_cast<int>(k) == chosen);
    Blank(m, 5, 6);
    Text(m, 7, kReturnId);
}

void AttenuationAveragePage(CSoftKeyMenu& m, const CMeasSetup& setup, int key) {
    Text(m, 0, kBlankId);
    const core::Text level = core::FormatText("%d", static_cast<int>(setup.GetAttenuationLevel()));
    m.SetKeyText(FillPlace(LoadResString(kIdAttenuationLevel), level), 1, false, key == 1);
    Text(m, 2, kBlankId);
    if (setup.GetAveragingMode() == 0)
        Text(m, 3, kIdAverageOff);
    else
        Text(m, 3, LoadResString(kIdAverage) + core::FormatText(" %d", setup.GetAveragingCount()));
    Blank(m, 4, 6);
    Text(m, 7, kReturnId);
}

void AmplitudeUnitPage(CSoftKeyMenu& m, int32_t unit) {
    int chosen = -1;
    switch (unit) {
        case UNIT_DBM:
            chosen = 0;
            break;
        case UNIT_DBUV:
            chosen = 1;
            break;
        case UNIT_DBMV:
            chosen = 2;
            break;
        case UNIT_DBV:
            chosen = 3;
            break;
        default:
            if (unit >= int32_t{UNIT_FV} && unit <= int32_t{UNIT_KV}) chosen = 4;
            if (unit >= int32_t{UNIT_FW} && unit <= int32_t{UNIT_KW}) chosen = 5;
            break;
    }
    for (size_t k = 0; k < kUnitIds.size(); ++k)
        Text(m, static_cast<int>(k), kUnitIds[k], static_cast<int>(k) == chosen);
    Text(m, 6, kBlankId);
    Text(m, 7, kReturnId);
}

void WaterfallPage(CSoftKeyMenu& m, int32_t mode, bool time_stamps) {
    const bool off = mode == 0;
    OnOff(m, 0, kIdWaterfall, !off);
    OnOff(m, 1, kIdWaterfallTwo, mode == 2);
    if (off)
        Text(m, 2, kBlankId);
    else
        OnOff(m, 2, kIdTimeStamp, time_stamps);
    Text(m, 3, kBlankId);
    Text(m, 4, off ? kBlankId : kIdSaveWaterfall);
    Text(m, 5, off ? kBlankId : kIdRecallWaterfall);
    Text(m, 6, off ? kBlankId : kIdClearRecalled);
    Text(m, 7, kReturnId);
}

void FrequencyPage(CSoftKeyMenu& m, const CMeasSetup& setup, int key, const core::Text& list_name,
                   bool channel_key) {
    static constexpr std::array<uint32_t, 4> kNames = {kIdStart, kIdStop, kIdCentre, kIdSpan};
    static constexpr std::array<uint32_t, 4> kValueIds = {kIdStartValue, kIdStopValue,
                                                          kIdCentreValue, kIdSpanValue};
    const CFrequencyRange* range = setup.GetFrequencyRange();
    if (range && key >= 0 && key < static_cast<int>(kNames.size())) {
        const std::array<uint64_t, 4> values = {range->GetStart(), range->GetStop(),
                                                range->GetCentre(), range->GetSpan()};
        const auto k = static_cast<size_t>(key);
        Text(m, key, LoadResString(kNames[k]) + u":\n" + Frequency(values[k]));
        return;
    }
    if (!range) {
        for (size_t k = 0; k < kNames.size(); ++k) Text(m, static_cast<int>(k), kNames[k]);
        Text(m, 4, kIdZoomIn);
        Text(m, 5, kIdZoomOut);
        Text(m, 6, kIdFreqList);
    } else {
        const std::array<uint64_t, 4> values = {range->GetStart(), range->GetStop(),
                                                range->GetCentre(), range->GetSpan()};
        for (size_t k = 0; k < kValueIds.size(); ++k)
            Text(m, static_cast<int>(k),
                 FillPlace(LoadResString(kValueIds[k]), Frequency(values[k])));
        Text(m, 4, LoadResString(kIdWheelStep) + u"\n" + Frequency(range->GetStep()));
        Text(m, 5, kIdFullSpan);
        if (list_name.empty())
            Text(m, 6, kIdFreqList);
        else
            Text(m, 6, FillPlace(LoadResString(kIdListName), WrapListName(list_name)));
    }
    Text(m, 7, channel_key ? kIdChannel : kBlankId);
}

}  // namespace page_labels

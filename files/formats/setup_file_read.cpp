// The reader's handling of the common tags of a setup file.
#include "core/res_string.h"
#include "core/routines.h"
#include "files/formats/keyword_tables.h"
#include "files/formats/setup_file.h"

namespace {

// The measurement names of each class, in the order the writer uses.
struct NamedId {
    std::u16string_view name;
    int32_t id;
};
constexpr NamedId kVnaIds[] = {
    {u"general", 0}, {u"frequency sweep", 1}, {u"distance to fault", 2}, {u"cable loss", 3},
    {u"gain", 4},    {u"reflection", 5},      {u"insertion loss", 6},    {u"current draw", 7}};
constexpr NamedId kSaIds[] = {{u"general", 20},
                              {u"occupied bandwidth", 21},
                              {u"channel power", 22},
                              {u"adjacent channel power", 23},
                              {u"demodulated signal", 26},
                              {u"carrier to interference", 27},
                              {u"time domain", 28},
                              {u"field strength", 29}};
constexpr NamedId kPowerIds[] = {{u"general", 10}, {u"internal power meter", 11}};

template <size_t N>
int32_t FindId(const NamedId (&table)[N], std::u16string_view name) {
    for (const NamedId& row : table)
        if (row.name == name) return row.id;
    return -1;
}

// The date parsers give a fixed fallback for a text they cannot read; that
// instant counts only when the text really says it.
std::optional<std::time_t> ParseDate(const core::Text& text, bool hour_first) {
    if (text.empty()) return std::nullopt;
    std::time_t t = hour_first ? ParseTimeDateHms(text) : ParseDateTimeMdy(text);
    if (t != FallbackDateTime()) return t;
    std::u16string_view fallback = hour_first ? u"11:00:00 02/12/2005" : u"02/12/2005 11:00:00";
    if (text.substr(0, fallback.size()) == fallback) return t;
    return std::nullopt;
}

}  // namespace

int32_t CSetupFile::MeasurementIdFromText(std::u16string_view text) const {
    switch (measurement_class_) {
        case CMeasSetup::kClassVna:
            return FindId(kVnaIds, text);
        case CMeasSetup::kClassSa:
            return FindId(kSaIds, text);
        case CMeasSetup::kClassPower:
            return FindId(kPowerIds, text);
        default:
            return -1;
    }
}

void CSetupFile::ApplyMeasurementId(const core::Text& text) {
    int32_t id = MeasurementIdFromText(text);
    if (id < 0) return;  // a name of a later version: the id stays
    measurement_id_ = id;
    CMeasSetup& s = Target();
    if (FileServices().OffersMeasurement(measurement_class_, id)) {
        s.SetMeasurementId(id);
        s.SetStateWord(CMeasSetup::kStateChanged);
    }
    if (!s.GetFrequencyRange())
        s.SetFrequencyRange(
            std::make_unique<CFrequencyRange>(0, 0, CFrequencyRange::kDefaultUpper));
}

void CSetupFile::ReadDate(int32_t id, const core::Text& value) {
    using namespace files::tag;
    CMeasSetup& s = Target();
    // The stamps by their place in the header: the first is the setup's
    // change time, the second its save time, the third its creation time.
    switch (id) {
        case kCreationDate:
            s.SetDateText(value);
            if (auto t = ParseDate(value, true)) {
                s.SetChangeTime(*t);
                s.SetSaveTime(*t);
            }
            break;
        case kChangeDate:
            if (auto t = ParseDate(value, true)) s.SetSaveTime(*t);
            break;
        case kFileSaveDate:
            s.SetDateText(value);
            if (auto t = ParseDate(value, false)) s.SetSaveTime(*t);
            break;
        default:
            if (auto t = ParseDate(value, true)) s.SetCreationTime(*t);
            break;
    }
}

CSetupFile::Step CSetupFile::ReadTag(int32_t id, const std::optional<core::Text>& value) {
    using namespace files::tag;
    switch (id) {
        case kNone:
        case kBodyEnd:
            return Step::kStop;
        case kHead:
        case kHeadEnd:
        case kBody:
        case kAppRevision:
        case kFileType:
        case kCopyright:
        case kHtml:
        case kHtmlEnd:
        case kFactory:
            return Step::kNext;
        case kSetupFileRevision:
            revision_ = Int(value);
            return Step::kNext;
        default:
            return DispatchTag(id, value);
    }
}

CSetupFile::Step CSetupFile::DispatchTag(int32_t id, const std::optional<core::Text>& value) {
    using namespace files::tag;
    CMeasSetup& s = Target();
    const core::Text text = value.value_or(core::Text());
    switch (id) {
        case kMeasurementClass:
        case kMeasurementClassVna: {
            if (!value) return Step::kStop;
            int32_t cls = text == u"vna" ? 1 : text == u"specan" ? 2 : text == u"power" ? 3 : 0;
            if (mode_ == 1 && cls != measurement_class_) return Refuse(kReadError + path_);
            measurement_class_ = cls;
            return Step::kNext;
        }
        case kMeasurementId:
            if (value) ApplyMeasurementId(text);
            return Step::kNext;
        case kCreationDate:
        case kChangeDate:
        case kFileSaveDate:
        case kLastUsedDate:
            ReadDate(id, text);
            return Step::kNext;
        case kSetupLabel:
            s.SetSetupLabel(text);
            return Step::kNext;
        case kNotes:
            s.SetNotes(text);
            return Step::kNext;
        case kTitle:
            s.SetTitle(text);
            return Step::kNext;
        case kSubtitle:
            s.SetSubtitle(text);
            return Step::kNext;
        case kFrequencyStart:
        case kFrequencyStop:
        case kFrequencyCenter:
        case kFrequencySpan:
            return ReadFrequency(id, Frequency(value));
        case kAmplitudeOffset:
            s.SetAmplitudeOffset(Double(value));
            return Step::kNext;
        case kDataPoints:
            if (!s.SetDataPoints(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kAmplitudeStart:
        case kAmplitudeStop:
        case kAmplitudeUnits: {
            if (!s.GetReferenceValue()) s.SetReferenceValue(std::make_unique<CGuardedValue>(6));
            CGuardedValue* ref = s.GetReferenceValue();
            if (id == kAmplitudeStart) ref->SetLower(Double(value), false);
            if (id == kAmplitudeStop) ref->SetUpper(Double(value), false);
            if (id == kAmplitudeUnits) ref->SetUnit(static_cast<uint32_t>(Int(value)));
            return Step::kNext;
        }
        case kBand:
            in_band_ = true;
            return Step::kNext;
        case kBandName:
            band_name_ = text;
            return Step::kNext;
        case kBandStart:
            band_start_ = Frequency(value);
            return Step::kNext;
        case kBandStop:
            band_stop_ = Frequency(value);
            return Step::kNext;
        case kBandEnd:
            if (in_band_) {
                if (ISetupBand* band = FileServices().FindBand(band_name_, band_start_, band_stop_))
                    s.SetBand(band);
            }
            in_band_ = false;
            return Step::kNext;
        case kMarker:
            in_marker_ = true;
            return Step::kNext;
        case kMarkerEnd:
            in_marker_ = false;
            return Step::kNext;
        case kMarkerId:
            marker_index_ = Int(value);
            return Step::kNext;
        case kMarkerType:
        case kMarkerState:
        case kCurrentMarker:
        case kMarkerLabel:
        case kMarkerDelta:
        case kMarkerDeltaIndex:
        case kMarkerFrequency:
        case kMarkerAmplitude:
        case kMarkerPixelIndex:
        case kMarkerFcFrequency:
        case kMarkerFcAmplitude:
            return in_marker_ ? ReadMarkerTag(id, value) : Step::kNext;
        case kUpperLimitValue:
            s.SetUpperLimitValue(Double(value));
            return Step::kNext;
        case kLowerLimitValue:
            s.SetLowerLimitValue(Double(value));
            return Step::kNext;
        case kUpperLimitState:
            s.SetUpperLimitState(Int(value) == 1);
            return Step::kNext;
        case kLowerLimitState:
            s.SetLowerLimitState(Int(value) == 1);
            return Step::kNext;
        case kLimitAlarm:
            s.SetLimitAlarm(Int(value) == 1);
            return Step::kNext;
        case kCableType:
            s.SetCableType(Environment() ? Environment()->FindCableType(text) : nullptr);
            return Step::kNext;
        case kReferenceLevel:
            s.SetReferenceLevel(Double(value));
            s.SetReferenceValue(std::make_unique<CGuardedValue>(
                static_cast<uint32_t>(s.GetMeasureUnit()), s.GetReferenceLevel(false), 0.01));
            return Step::kNext;
        case kReferenceStepping:
            s.SetReferenceStepping(Double(value));
            s.SetReferenceValue(std::make_unique<CGuardedValue>(
                static_cast<uint32_t>(s.GetMeasureUnit()), s.GetReferenceLevel(false),
                s.GetReferenceStepping()));
            return Step::kNext;
        case kResolutionLevel:
            s.SetResolutionLevel(Int(value));
            return Step::kNext;
        case kAttenuationLevel:
            s.SetAttenuationLevel(Int(value));
            return Step::kNext;
        case kAttenuationMode:
            if (!s.SetAttenuationMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kPreampLevel:
            s.SetPreampLevel(Int(value));
            return Step::kNext;
        case kPreampMode:
            if (!s.SetPreampMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kBandwidth:
            in_bandwidth_ = true;
            return Step::kNext;
        case kBandwidthEnd:
            in_bandwidth_ = false;
            return Step::kNext;
        case kResolutionBandwidth:
        case kResolutionBandwidthMode:
        case kVideoBandwidth:
        case kVideoBandwidthMode:
        case kRbwToVbwRatio:
        case kSpanToRbwRatio:
            if (in_bandwidth_ && ReadBandwidthTag(id, Int(value)) == Step::kFail) Skipped(id, text);
            return Step::kNext;
        case kScaleSetting:
            s.SetScaleSetting(Int(value));
            return Step::kNext;
        case kMeasureUnit:
            if (!s.SetMeasureUnit(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kAveragingMode:
            if (!s.SetAveragingMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kAveragingCount:
            s.SetAveragingCount(Int(value));
            return Step::kNext;
        case kDetectionMode:
            if (!s.SetDetectionMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kPeakHold:
            s.SetPeakHold(Int(value));
            return Step::kNext;
        case kPeakHoldMode:
            if (!s.SetPeakHoldMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kChannelNumber:
            s.SetChannelNumber(Int(value));
            return Step::kNext;
        case kVolumeType:
            s.SetVolumeType(Int(value));
            return Step::kNext;
        case kStartMe:
            s.SetStartMe(true);
            return Step::kNext;
        case kFavorite:
            s.SetFavorite(true);
            return Step::kNext;
        case kFSBeepMode:
            s.SetFSBeepMode(Int(value) != 0);
            return Step::kNext;
        case kWaterfallMode:
            if (!s.SetWaterfallMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        default:
            return Step::kNext;
    }
}

CSetupFile::Step CSetupFile::ReadFrequency(int32_t id, uint32_t hertz) {
    using namespace files::tag;
    CMeasSetup& s = Target();
    if (!s.GetFrequencyRange())
        s.SetFrequencyRange(
            std::make_unique<CFrequencyRange>(0, 0, CFrequencyRange::kDefaultUpper));
    CFrequencyRange* range = s.GetFrequencyRange();
    switch (id) {
        case kFrequencyStart:
            if (!range->IsValidStart(hertz))
                return Refuse(path_ + u"\n" + LoadResString(kIncompatibleId));
            range->SetStart(hertz, false);
            break;
        case kFrequencyStop:
            range->SetStop(hertz, false);
            break;
        case kFrequencyCenter:
            range->SetCentre(hertz, false);
            break;
        default:
            range->SetSpan(hertz, true);
            break;
    }
    return Step::kNext;
}

CSetupFile::Step CSetupFile::ReadMarkerTag(int32_t id, const std::optional<core::Text>& value) {
    using namespace files::tag;
    CValueRecord* m = Target().GetMarker(marker_index_);
    if (!m) return Step::kNext;  // after an id outside 0..5
    switch (id) {
        case kMarkerType:
            m->SetType(Int(value));
            break;
        case kMarkerState:
            m->SetState(Int(value));
            break;
        case kCurrentMarker:
            m->SetCurrent(Int(value) != 0);
            break;
        case kMarkerLabel:
            m->SetLabel(value.value_or(core::Text()));
            break;
        case kMarkerDelta:
            m->SetDelta(Int(value));
            break;
        case kMarkerDeltaIndex:
            m->SetDeltaIndex(Int(value));
            break;
        case kMarkerFrequency:
            m->SetFrequency(Frequency(value));
            break;
        case kMarkerAmplitude:
            m->SetAmplitude(Double(value));
            break;
        case kMarkerPixelIndex:
            m->SetPixelIndex(Int(value));
            break;
        case kMarkerFcFrequency:
            m->SetFcFrequency(Frequency(value));
            break;
        default:
            m->SetFcAmplitude(Double(value));
            break;
    }
    return Step::kNext;
}

CSetupFile::Step CSetupFile::ReadBandwidthTag(int32_t id, int32_t value) {
    using namespace files::tag;
    CChoiceBlock* b = Target().GetBandwidthSettings();
    if (!b) return Step::kNext;
    if (value < 0) return Step::kFail;
    uint32_t v = static_cast<uint32_t>(value);
    switch (id) {
        case kResolutionBandwidth:
            if (v >= CChoiceBlock::kRbwCount) return Step::kFail;
            b->SetRbwIndex(v, false);
            break;
        case kResolutionBandwidthMode:
            if (v > CChoiceBlock::kModeManual) return Step::kFail;
            if (v == CChoiceBlock::kModeManual) b->SetRbwMode(v, false);
            break;
        case kVideoBandwidth:
            if (v >= CChoiceBlock::kVbwCount) return Step::kFail;
            b->SetVbwIndex(v, false);
            break;
        case kVideoBandwidthMode:
            if (v > CChoiceBlock::kModeManual) return Step::kFail;
            b->SetVbwMode(v, false);
            break;
        case kRbwToVbwRatio:
            b->SetVbwRatio(v, false);
            break;
        default:
            b->SetSpanRatio(v, false);
            break;
    }
    return Step::kNext;
}

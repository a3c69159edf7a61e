#include "dialogs/setup_lines.h"

#include "core/frequency_range.h"
#include "core/params.h"
#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/setup_texts.h"
#include "files/lists/cable_type.h"
#include "files/meas_setup.h"
#include "files/setup_services.h"
#include "files/vna_meas_setup.h"

namespace setup_lines {

namespace {

constexpr uint32_t kOn = 308, kOff = 309, kUndefined = 703, kYes = 958, kNo = 959;
constexpr uint32_t kAuto = 555, kManual = 798, kModeWord = 187, kDb = 670, kDbc = 851;
constexpr uint32_t kMorningAm = 496;
constexpr uint32_t kDecimals = 6;
constexpr int kFirstMarkerLine = 42, kLastMarkerLine = 47;
constexpr uint32_t kFirstMarkerLabel = 675;
constexpr uint32_t kTriggerTexts[] = {63001, 63003, 63005, 64211, 63002, 63004};
constexpr int32_t kStandardSetup = 0x100, kExtendedSetup = 0x300;

core::Text Id(uint32_t id) {
    return LoadResString(id);
}

// Label, a tab and the value.
core::Text Row(uint32_t label, const core::Text& value) {
    return Id(label) + u"\t" + value;
}

// Label and ':', a tab and the value.
core::Text ColonRow(uint32_t label, const core::Text& value) {
    return Id(label) + u":\t" + value;
}

// Label, ": " (or a blank after a label that holds ':'), a tab and the value.
core::Text TextRow(uint32_t label, const core::Text& value) {
    const core::Text text = Id(label);
    return text + (text.find(u':') == core::Text::npos ? u": " : u" ") + u"\t" + value;
}

core::Text Hertz(uint64_t hertz) {
    return FormatValue(hertz, 0, false, true, true, kDecimals);
}

core::Text Fixed(const char* format, double value) {
    return core::TrimLeadingBlanks(core::FormatText(format, value));
}

core::Text OnOff(bool on) {
    return Id(on ? kOn : kOff);
}

bool IsVnaMeasurement(int32_t id) {
    return id >= 0 && id <= 7;
}
bool IsSpecAnMeasurement(int32_t id) {
    return (id >= 20 && id <= 23) || (id >= 26 && id <= 29);
}
constexpr int32_t kPowerMeasurement = 10;

core::Text FrequencyLine(int line, const CMeasSetup& setup) {
    static constexpr uint32_t kLabels[] = {657, 660, 661, 662};
    const CFrequencyRange* r = setup.GetFrequencyRange();
    core::Text value;
    if (r) {
        const uint64_t values[] = {r->GetStart(), r->GetStop(), r->GetCentre(), r->GetSpan()};
        value = Hertz(values[line - 14]);
    }
    return Row(kLabels[line - 14], value);
}

core::Text MarkerLine(int line, const CMeasSetup& setup) {
    const int index = line - kFirstMarkerLine;
    uint32_t state = kUndefined;
    switch (setup.GetMarkerState(index)) {
        case 1:
            state = kOn;
            break;
        case 0:
            state = kOff;
            break;
        default:
            break;
    }
    return Row(kFirstMarkerLabel + static_cast<uint32_t>(index), Id(state));
}

core::Text BandwidthLine(uint32_t label, const core::Text& width, uint32_t mode) {
    return Row(label, width + u" " + Id(mode == 0 ? kAuto : kManual) + u" " + Id(kModeWord));
}

core::Text ModulationText(CMeasSetup& setup) {
    switch (setup.GetModulationType()) {
        case 2:
            return Id(945);
        case 3:
            return Id(946);
        case 4:
            return Id(947) + u" - " + Hertz(setup.GetSidebandFrequency());
        case 5:
            return Id(948) + u" - " + Hertz(setup.GetSidebandFrequency());
        default:
            return Id(kMorningAm);
    }
}

}  // namespace

core::Text SharedLine(int line, const CMeasSetup& setup) {
    switch (line) {
        case 0:
            return TextRow(747, setup.GetSetupLabel());
        case 1:
            return TextRow(751, setup.GetFilePath());
        case 2:
            return Id(752) + u": \t" +
                   setup_texts::FormatSize(static_cast<uint32_t>(setup.GetOwnerWord()), true);
        case 3:
            return TextRow(346, Id(static_cast<uint32_t>(setup.GetMeasurementNameId())));
        case 5: {
            const int32_t type = setup.GetStateWord();
            return TextRow(876, Id(type == kStandardSetup   ? 877
                                   : type == kExtendedSetup ? 402
                                                            : 655));
        }
        case 6:
            return Row(742, setup_texts::FormatDateTime(setup.GetChangeTime()));
        case 7:
            return Row(743, setup_texts::FormatDateTime(setup.GetSaveTime()));
        case 9:
            return Row(1074, setup_texts::FormatDateTime(setup.GetCreationTime()));
        case 10:
            return Id(992);
        case 12:
            return TextRow(1062, Id(setup.GetFavorite() ? kYes : kNo));
        case 13:
            return TextRow(1011, Id(setup.GetStartMe() ? kYes : kNo));
        default:
            return {};
    }
}

core::Text CommonLine(int line, const CMeasSetup& setup) {
    if (line >= 14 && line <= 17) return FrequencyLine(line, setup);
    if (line >= kFirstMarkerLine && line <= kLastMarkerLine) return MarkerLine(line, setup);
    switch (line) {
        case 18:
            return setup.GetBand() ? Row(664, setup.GetBand()->GetName()) : core::Text();
        case 25: {
            const double offset = setup.GetAmplitudeOffset();
            return Row(669, Fixed(offset > 0 ? "% +6.3f" : "% 6.3f", offset) + u" " + UnitName(0));
        }
        case 48:
            return Id(681) + u":";
        case 49:
            return Id(755);
        case 50:
            return Id(756);
        default:
            return {};
    }
}

core::Text VnaLine(int line, const CMeasSetup& base) {
    const auto* setup = dynamic_cast<const CVNAMeasSetup*>(&base);
    if (!setup) return {};
    const core::Text unit = UnitName(static_cast<uint32_t>(setup->GetMeasureUnit()));
    switch (line) {
        case 20:
            return Id(663);
        case 22:
            return Row(666, Fixed("% 6.3f", setup->GetAmplitudeBottom()) + u" " + unit);
        case 23:
            return Row(667, Fixed("% 6.3f", setup->GetAmplitudeTop()) + u" " + unit);
        case 34:
            return Row(671, PointCountText(static_cast<uint32_t>(setup->GetDataPoints())));
        case 51:
            return Row(762, LevelChoiceText(static_cast<uint32_t>(setup->GetDtfSmoothing())));
        case 52:
            return Row(757, Id(setup->IsDistanceInMeters() ? 759 : 758));
        case 53:
            return setup->GetCableType() ? Row(760, setup->GetCableType()->GetName())
                                         : core::Text();
        case 67:
            switch (setup->GetDcBiasType()) {
                case 0:
                    return Row(1043, u"+12V");
                case 1:
                    return Row(1043, u"+24V");
                default:
                    return Row(1043, {});
            }
        default:
            return CommonLine(line, base);
    }
}

core::Text PowerLine(int line, const CMeasSetup&) {
    if (line == 54) return Row(774, {});
    if (line == 55) return Row(775, {});
    return {};
}

core::Text SpecAnLine(int line, const CMeasSetup& base) {
    // Some getters renew a stored value that lies outside its range.
    CMeasSetup& setup = const_cast<CMeasSetup&>(base);
    const CChoiceBlock* bw = setup.GetBandwidthSettings();
    switch (line) {
        case 26:
            return bw ? BandwidthLine(888, setup_texts::RbwText(bw->GetRbwIndex()),
                                      bw->GetRbwMode())
                      : core::Text();
        case 27:
            return bw ? BandwidthLine(890, setup_texts::VbwText(bw->GetVbwIndex()),
                                      bw->GetVbwMode())
                      : core::Text();
        case 28:
            return bw ? Row(925, core::FormatText("%u", bw->GetVbwRatio())) : core::Text();
        case 29:
            return bw ? Row(926, core::FormatText("%u", bw->GetSpanRatio())) : core::Text();
        case 30: {
            const auto unit = static_cast<uint32_t>(setup.GetMeasureUnit());
            const double level = ConvertPowerUnit(setup.GetReferenceLevel(false), unit, UNIT_W);
            return ColonRow(795, FormatLevel(level, unit, true, false, true, true));
        }
        case 31:
            return ColonRow(220,
                            Fixed("% 6.1f", setup.GetReferenceStepping()) + u" " + UnitName(26));
        case 32:
            return ColonRow(
                797, core::FormatText("%d", static_cast<int>(setup.GetAttenuationLevel())) + u" " +
                         Id(kDb));
        case 33:
            return ColonRow(799, OnOff(setup.GetPreampMode() == 0));
        case 38:
            return ColonRow(800, setup.GetAveragingMode() == 1
                                     ? Id(kOn) + core::FormatText(" %d", setup.GetAveragingCount())
                                     : Id(kOff));
        case 40:
            return Row(817, DetectorName(static_cast<uint32_t>(setup.GetDetectionMode()), true));
        case 41: {
            const int32_t mode = setup.GetTriggerMode();
            return Row(789, Id(mode >= 0 && mode < 6 ? kTriggerTexts[mode] : kUndefined));
        }
        case 56:
            return ColonRow(
                942,
                setup.GetThresholdMode() == 0
                    ? core::FormatText("%d%%", static_cast<int>(setup.GetThresholdPercentValue()))
                    : core::FormatText("%d ", static_cast<int>(setup.GetThresholdDb())) + Id(kDbc));
        case 57:
            return Row(936, setup.GetChannelNumber() == -1
                                ? core::Text()
                                : core::FormatText("%d", setup.GetChannelNumber()));
        case 58:
            return Row(954, Hertz(setup.GetCenterDistance()));
        case 59:
            return Row(944, ModulationText(setup));
        case 61:
            return Row(943, Hertz(setup.GetChannelWidth()));
        case 68:
            return Row(64369, OnOff(setup.GetWaterfallMode() == 1));
        default:
            return CommonLine(line, base);
    }
}

core::Text LineText(int line, const CMeasSetup& setup) {
    if (line < 0 || line >= kLineCount) return {};
    if (line <= 13 && line != 4 && line != 8 && line != 11) return SharedLine(line, setup);
    const int32_t id = setup.GetMeasurementId();
    if (IsVnaMeasurement(id)) return VnaLine(line, setup);
    if (id == kPowerMeasurement) return PowerLine(line, setup);
    if (IsSpecAnMeasurement(id)) return SpecAnLine(line, setup);
    return {};
}

}  // namespace setup_lines

#include "files/formats/vna_setup_file.h"

#include "core/res_string.h"
#include "files/formats/keyword_tables.h"

namespace {

// The names of the single-precision display levels, in the order written.
constexpr const char* kLevelFormats[] = {"\t<maximum level = %03f>\n", "\t<minimum level = %03f>\n",
                                         "\t<gain maximum level = %03f>\n",
                                         "\t<gain minimum level = %03f>\n"};

// File revisions below this map the first two levels to the clamped
// return-loss display.
constexpr int32_t kLevelsRevision = 4;

}  // namespace

bool CVNASetupFile::WriteSetupBlocks() {
    if (!WriteCommonBody()) return false;
    CVNAMeasSetup& s = *vna_;
    StepProgress(20, 100);
    WriteBytes("\t<bandwidth>\n");
    const CChoiceBlock* bandwidth = s.GetBandwidthSettings();
    WriteInt("\t\t<resolution bandwidth = %03d>\n",
             bandwidth ? static_cast<int32_t>(bandwidth->GetRbwIndex()) : 0);
    WriteBytes("\t</bandwidth>\n");
    WriteInt("\t<if immunity = %03d>\n", s.GetIfImmunity() ? 1 : 0);
    WriteInt("\t<cable loss interference immunity = %03d>\n",
             s.GetCableLossInterferenceImmunity() ? 1 : 0);
    WriteDouble("\t<power output = %03f>\n", s.GetPowerOutput());
    WriteInt("\t<1port measure unit = %03d>\n", s.GetOnePortMeasureUnit());
    const double levels[] = {s.GetMaximumLevel(), s.GetMinimumLevel(), s.GetGainMaximumLevel(),
                             s.GetGainMinimumLevel()};
    for (size_t i = 0; i < std::size(levels); ++i)
        WriteFloat(kLevelFormats[i], static_cast<float>(levels[i]));
    WriteInt("\t<dcbias type = %03d>\n", s.GetDcBiasType());
    ISetupEnvironment* env = Environment();
    core::Text cable = u"None";
    if (s.GetCableType() && env) cable = env->GetCableTypeName(s.GetCableType());
    WriteText("\t<dtf cable type = %s>\n", cable);
    WriteFloat("\t<dtf loss = %.5e>\n", s.GetDtfLoss());
    WriteInt("\t<dtf smooth = %03d>\n", s.GetDtfSmoothing());
    WriteInt("\t<dtf unit = %03d>\n", s.IsDistanceInMeters() ? 1 : 0);
    WriteFloat("\t<dtf start = %03f>\n", s.GetDtfStart());
    WriteFloat("\t<dtf stop = %03f>\n", s.GetDtfStop());
    WriteFloat("\t<dtf vp = %03f>\n", s.GetDtfVp());
    StepProgress(90, 100);
    // Only a calibration that is on the disk beside the setup is announced;
    // a setup without a store keeps what its file said.
    bool announce = s.GetDataStore()
                        ? calibration_written_ || (s.HasCalFile() && ShouldSaveCalibration())
                        : s.HasCalFile();
    if (announce) WriteBytes("\t<Has Calibration>\n");
    return GetWriteError() == 0;
}

uint32_t CVNASetupFile::EstimateSize() {
    return CSetupFile::EstimateSize() + EstimateCalibrationSize();
}

bool CVNASetupFile::Write(const core::Text& path) {
    if (!HasSpaceFor(path, EstimateSize())) return false;
    bool calibration_ok = true;
    calibration_written_ = false;
    if (ShouldSaveCalibration()) {
        calibration_ok = SaveCalibration();
        calibration_written_ = calibration_ok;
    }
    if (vna_->GetDataStore()) vna_->SetHasCalFile(calibration_written_);
    // The space was checked for both files.
    bool setup_ok = WriteFile(path, 0);
    return calibration_ok && setup_ok;
}

CSetupFile::Step CVNASetupFile::ReadTag(int32_t id, const std::optional<core::Text>& value) {
    using namespace files::tag;
    CVNAMeasSetup& s = VnaTarget();
    const core::Text text = value.value_or(core::Text());
    switch (id) {
        case kDcBiasType:
            if (!s.SetDcBiasType(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kResolutionBandwidth: {
            int32_t index = Int(value);
            CChoiceBlock* b = s.GetBandwidthSettings();
            if (index < 0 || index >= static_cast<int32_t>(CChoiceBlock::kRbwCount)) {
                Skipped(id, text);
            } else if (b) {
                b->SetRbwIndex(static_cast<uint32_t>(index), false);
            }
            return Step::kNext;
        }
        case kDtfStart:
            s.SetDtfStart(static_cast<float>(Double(value)));
            return Step::kNext;
        case kDtfStop:
            s.SetDtfStop(static_cast<float>(Double(value)));
            return Step::kNext;
        case kDtfVp:
            s.SetDtfVp(static_cast<float>(Double(value)));
            return Step::kNext;
        case kDtfSmooth:
            if (!s.SetDtfSmoothing(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kDtfUnit:
            s.SetDistanceUnit(Int(value) != 0);
            return Step::kNext;
        case kDtfLoss:
            s.SetDtfLoss(static_cast<float>(Double(value)));
            return Step::kNext;
        case kDtfCableType:
            if (!text.empty() && text != u"none" && Environment())
                s.SetCableType(Environment()->FindCableType(text));
            return Step::kNext;
        case kPowerOutput:
            s.SetPowerOutput(Double(value));
            return Step::kNext;
        case kIfImmunity:
            s.SetIfImmunity(Int(value) != 0);
            return Step::kNext;
        case kCableLossImmunity:
            s.SetCableLossInterferenceImmunity(Int(value) != 0);
            return Step::kNext;
        case kHasCalibration:
            s.SetHasCalFile(true);
            return Step::kNext;
        case kMaximumLevel:
        case kMinimumLevel: {
            double v = Double(value);
            bool max = id == kMaximumLevel;
            if (revision_ < kLevelsRevision) {
                max ? s.SetAmplitudeTopClamped(v) : s.SetAmplitudeBottomClamped(v);
            } else {
                max ? s.SetMaximumLevel(v) : s.SetMinimumLevel(v);
            }
            return Step::kNext;
        }
        case kGainMaximumLevel:
            s.SetGainMaximumLevel(Double(value));
            return Step::kNext;
        case kGainMinimumLevel:
            s.SetGainMinimumLevel(Double(value));
            return Step::kNext;
        case kOnePortMeasureUnit:
            if (!s.SetOnePortMeasureUnit(Int(value))) Skipped(id, text);
            return Step::kNext;
        default:
            return CSetupFile::ReadTag(id, value);
    }
}

void CVNASetupFile::PrepareTarget(CMeasSetup& target) {
    // Only the file says whether a calibration belongs to it.
    static_cast<CVNAMeasSetup&>(target).SetHasCalFile(false);
}

#include "files/formats/vna_setup_file.h"

#include <filesystem>
#include <system_error>

#include "core/res_string.h"
#include "files/formats/keyword_tables.h"
#include "platform/fs/device_path.h"

namespace {

namespace fs = std::filesystem;

// The file a commit is about to replace, kept under a second name until the
// commit is known to stand: Restore puts the old file back (or removes the
// new one when there was none); otherwise the kept name goes.
class ReplacedFile {
  public:
    explicit ReplacedFile(fs::path target)
        : target_(std::move(target)), kept_(target_.string() + ".replaced") {
        std::error_code ec;
        fs::remove(kept_, ec);
        existed_ = fs::is_regular_file(target_, ec);
        if (existed_) {
            fs::create_hard_link(target_, kept_, ec);
            kept_file_ = !ec;
        }
    }
    ~ReplacedFile() {
        std::error_code ec;
        if (kept_file_) fs::remove(kept_, ec);
    }
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;

    void Restore() {
        std::error_code ec;
        if (kept_file_) {
            fs::rename(kept_, target_, ec);
            kept_file_ = ec.operator bool();
        } else if (!existed_) {
            fs::remove(target_, ec);
        }
    }

  private:
    fs::path target_;
    fs::path kept_;
    bool existed_ = false;
    bool kept_file_ = false;
};

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
    calibration_written_ = false;
    calibration_file_.reset();
    if (ShouldSaveCalibration()) {
        if (!SaveCalibration()) return false;
        calibration_written_ = true;
    }
    const bool had_calibration = vna_->HasCalFile();
    if (vna_->GetDataStore()) vna_->SetHasCalFile(calibration_written_);
    // The space was checked for both files.
    const bool ok = WriteFile(path, 0);
    calibration_file_.reset();
    if (!ok) vna_->SetHasCalFile(had_calibration);
    return ok;
}

bool CVNASetupFile::CommitWritten() {
    std::optional<plat::AtomicFile> setup = CloseUncommitted();
    if (!setup) return false;
    if (!calibration_file_) return Commit(*setup);
    // Both files are written out; the calibration replaces its file first
    // and goes back when the setup cannot replace its own.
    std::optional<fs::path> calibration_path;
    if (std::optional<core::Text> path = CVNAMeasSetup::CalFilePathFor(vna_->GetSetupLabel()))
        calibration_path = plat::host_path(*path);
    if (!calibration_path) return false;
    ReplacedFile old_calibration(*calibration_path);
    const bool calibration_ok = Commit(*calibration_file_);
    calibration_file_.reset();
    if (!calibration_ok) return false;
    if (Commit(*setup)) return true;
    old_calibration.Restore();
    return false;
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

#include "files/formats/setup_file.h"

#include <algorithm>
#include <span>

#include "core/history.h"
#include "core/res_string.h"
#include "files/formats/keyword_tables.h"
#include "files/formats/number_format.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/errors.h"

namespace {

struct OpenClose {
    int32_t open, close;
};
constexpr OpenClose kBlocks[] = {{files::tag::kBand, files::tag::kBandEnd},
                                 {files::tag::kMarker, files::tag::kMarkerEnd},
                                 {files::tag::kLimit, files::tag::kLimitEnd},
                                 {files::tag::kTrigger, files::tag::kTriggerEnd},
                                 {files::tag::kBandwidth, files::tag::kBandwidthEnd}};

enum class ValueKind { kText, kInt, kFrequency, kDouble };

// The ids whose values are numbers, by the kind of number.
constexpr int32_t kFrequencyIds[] = {
    files::tag::kFrequencyStart,    files::tag::kFrequencyStop,    files::tag::kFrequencyCenter,
    files::tag::kFrequencySpan,     files::tag::kBandStart,        files::tag::kBandStop,
    files::tag::kBandSpan,          files::tag::kBandCenter,       files::tag::kMarkerFrequency,
    files::tag::kMarkerFcFrequency, files::tag::kChannelWidth,     files::tag::kAdjChannelWidth,
    files::tag::kCenterDistance,    files::tag::kSidebandFrequency};
constexpr int32_t kDoubleIds[] = {
    files::tag::kAmplitudeOffset, files::tag::kAmplitudeStart,    files::tag::kAmplitudeStop,
    files::tag::kMarkerAmplitude, files::tag::kMarkerFcAmplitude, files::tag::kUpperLimitValue,
    files::tag::kLowerLimitValue, files::tag::kReferenceLevel,    files::tag::kReferenceStepping,
    files::tag::kPowerOutput,     files::tag::kDtfStart,          files::tag::kDtfStop,
    files::tag::kDtfVp,           files::tag::kDtfLoss,           files::tag::kMaximumLevel,
    files::tag::kMinimumLevel,    files::tag::kGainMaximumLevel,  files::tag::kGainMinimumLevel};
constexpr int32_t kIntIds[] = {files::tag::kDataPoints,
                               files::tag::kAmplitudeUnits,
                               files::tag::kMarkerType,
                               files::tag::kMarkerState,
                               files::tag::kCurrentMarker,
                               files::tag::kMarkerDelta,
                               files::tag::kMarkerId,
                               files::tag::kMarkerDeltaIndex,
                               files::tag::kMarkerPixelIndex,
                               files::tag::kUpperLimitState,
                               files::tag::kLowerLimitState,
                               files::tag::kLimitAlarm,
                               files::tag::kIfImmunity,
                               files::tag::kDtfUnit,
                               files::tag::kDtfSmooth,
                               files::tag::kResolutionBandwidth,
                               files::tag::kResolutionBandwidthMode,
                               files::tag::kVideoBandwidth,
                               files::tag::kVideoBandwidthMode,
                               files::tag::kResolutionLevel,
                               files::tag::kAttenuationLevel,
                               files::tag::kAttenuationMode,
                               files::tag::kPreampLevel,
                               files::tag::kPreampMode,
                               files::tag::kScaleSetting,
                               files::tag::kMeasureUnit,
                               files::tag::kAveragingMode,
                               files::tag::kAveragingCount,
                               files::tag::kDetectionMode,
                               files::tag::kPeakHold,
                               files::tag::kPeakHoldMode,
                               files::tag::kTriggerMode,
                               files::tag::kTriggerRisingEdge,
                               files::tag::kTriggerFallingEdge,
                               files::tag::kTriggerVoltageLevel,
                               files::tag::kTriggerDelay,
                               files::tag::kSpanToRbwRatio,
                               files::tag::kTriggerLevel,
                               files::tag::kRbwToVbwRatio,
                               files::tag::kTriggerType,
                               files::tag::kThresholdPercentMisspelt,
                               files::tag::kThresholdMisspelt,
                               files::tag::kThresholdPercent,
                               files::tag::kThreshold,
                               files::tag::kChannelNumber,
                               files::tag::kModulationType,
                               files::tag::kVolumeType,
                               files::tag::kStartMe,
                               files::tag::kFavorite,
                               files::tag::kPlayTime,
                               files::tag::kThresholdModeMisspelt,
                               files::tag::kThresholdMode,
                               files::tag::kDcBiasType,
                               files::tag::kFreqCounter,
                               files::tag::kFSBeepMode,
                               files::tag::kCableLossImmunity,
                               files::tag::kSetupFileRevision,
                               files::tag::kWaterfallMode,
                               files::tag::kZeroSpanTime,
                               files::tag::kOnePortMeasureUnit};

bool Contains(std::span<const int32_t> ids, int32_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

ValueKind KindOf(int32_t id) {
    if (Contains(kFrequencyIds, id)) return ValueKind::kFrequency;
    if (Contains(kDoubleIds, id)) return ValueKind::kDouble;
    if (Contains(kIntIds, id)) return ValueKind::kInt;
    return ValueKind::kText;
}

bool ValueParses(int32_t id, const core::Text& value) {
    switch (KindOf(id)) {
        case ValueKind::kInt:
            return files::ParseStrictInt(value).has_value();
        case ValueKind::kFrequency:
            return files::ParseStrictFrequency(value).has_value();
        case ValueKind::kDouble:
            return files::ParseStrictDouble(value).has_value();
        default:
            return true;
    }
}

}  // namespace

CSetupFile::CSetupFile(CMeasSetup* setup)
    : setup_(setup), measurement_class_(setup ? setup->GetMeasurementClass() : 0) {}

// --- saving

bool CSetupFile::Write(const core::Text& path) {
    return WriteFile(path, EstimateSize());
}

std::string CSetupFile::FormatInMemory() {
    OpenInMemory();
    WriteHeader();
    if (WriteSetupBlocks()) {
        WriteString(kBodyClose);
        WriteString(kHtmlClose);
        WriteTrailer();
    }
    return GetText();
}

uint32_t CSetupFile::EstimateSize() {
    // The text as it will be written, with room to spare for the values
    // that may change before the write; a backup setup is kept small.
    uint64_t exact = FormatInMemory().size();
    std::u16string_view label = setup_->GetSetupLabel();
    bool backup = label == u"Backup SA" || label == u"Backup VNA";
    return static_cast<uint32_t>(backup ? exact : exact * 2);
}

bool CSetupFile::WriteFile(const core::Text& path, uint32_t size_estimate) {
    IFileServices& services = FileServices();
    reason_.clear();
    if (!HasSpaceFor(path, size_estimate)) return false;
    OpenProgress(0, 100, LoadResString(kSavingId) + path);
    StepProgress(0, 100);
    if (!OpenForWrite(path, size_estimate)) {
        CloseProgress();
        reason_ = path + kDirectoryNotFound;
        services.ShowMessage(reason_, kExclamation);
        return false;
    }
    WriteHeader();
    if (WriteSetupBlocks()) {
        WriteString(kBodyClose);
        WriteString(kHtmlClose);
        WriteTrailer();
    }
    bool ok = CommitWritten();
    CloseProgress();
    if (!ok) {
        reason_ = GetWriteError() == plat::ERROR_DISK_FULL ? LoadResString(kNoSpaceId)
                                                           : kWriteError + path;
        services.ShowMessage(reason_, kExclamation);
        return false;
    }
    setup_->SetOwnerWord(static_cast<int32_t>(GetWrittenLength()));
    return true;
}

bool CSetupFile::HasSpaceFor(const core::Text& path, uint32_t size_estimate) {
    IFileServices& services = FileServices();
    std::optional<uint64_t> free_bytes = services.GetFreeBytes(path);
    if (!free_bytes || size_estimate < *free_bytes) return true;
    reason_ = LoadResString(kNoSpaceId);
    services.ShowMessage(reason_, kExclamation);
    return false;
}

void CSetupFile::WriteHeader() {
    CMeasSetup& s = *setup_;
    WriteString(kHtmlOpen);
    WriteString(kHeadOpen);
    WriteCopyright();
    WriteBytes(
        Formatted("\t<setup file revision = %u>\n", static_cast<unsigned>(s.GetVersionWord())));
    WriteMeasurementClass(s.GetMeasurementClass());
    WriteMeasurementId(s.GetMeasurementClass(), s.GetMeasurementId());
    // The stamps by their place in the header: first, second and third.
    WriteDateTag(s.GetChangeTime(), 0);
    WriteDateTag(s.GetSaveTime(), 1);
    WriteDateTagText(s.GetDateText(), 2);
    WriteText("\t<setup label = %s>\n", s.GetSetupLabel());
    WriteText("\t<title = %s>\n", s.GetTitle());
    WriteText("\t<subtitle = %s>\n", s.GetSubtitle());
    WriteText("\t<setup location = %s>\n", {});
    WriteText("\t<operator = %s>\n", {});
    WriteDateTag(s.GetCreationTime(), 3);
    WriteText("\t<notes = %s>\n", s.GetNotes());
    WriteString(kHeadClose);
    WriteString(kBodyOpen);
}

bool CSetupFile::WriteSetupBlocks() {
    return WriteCommonBody();
}

bool CSetupFile::WriteCommonBody() {
    CMeasSetup& s = *setup_;
    if (const CFrequencyRange* range = s.GetFrequencyRange()) {
        WriteFrequency("\t<frequency start = %010u>\n", range->GetStart());
        WriteFrequency("\t<frequency stop = %010u>\n", range->GetStop());
        WriteFrequency("\t<frequency center = %010u>\n", range->GetCentre());
        WriteFrequency("\t<frequency span = %010u>\n", range->GetSpan());
    }
    if (ISetupBand* band = s.GetBand()) {
        WriteBandBlock(band->GetName(), band->GetStart(), band->GetStop(), std::nullopt);
        WriteInt("\t<channel number = %03d>\n", s.GetChannelNumber());
    }
    WriteInt("\t<measure unit = %03d>\n", s.GetMeasureUnit());
    WriteInt("\t<scale setting = %03d>\n", s.GetScaleSetting());
    WriteDouble("\t<amplitude offset = %#.5e>\n", s.GetAmplitudeOffset());
    WriteInt("\t<data points = %03d>\n", s.GetDataPoints());
    WriteInt("\t<averaging mode = %03d>\n", s.GetAveragingMode());
    WriteInt("\t<averaging count = %03d>\n", s.GetAveragingCount());
    WriteInt("\t<peak hold = %03d>\n", s.GetPeakHold());
    WriteInt("\t<peak hold mode = %03d>\n", s.GetPeakHoldMode());
    if (s.GetStartMe()) WriteInt("\t<start me = %03d>\n", 1);
    if (s.GetFavorite()) WriteInt("\t<favorite = %03d>\n", 1);
    WriteInt("\t<volume type = %03d>\n", s.GetVolumeType());
    WriteInt("\t<waterfall mode = %03d>\n", s.GetWaterfallMode());
    WriteInt("\t<FSBeep mode = %03d>\n", s.GetFSBeepMode() ? 1 : 0);
    WriteLimitBlock(s);
    for (int i = 0; i < CMeasSetup::kMarkerCount; ++i)
        if (const CValueRecord* marker = s.GetMarker(i)) WriteMarkerBlock(*marker);
    return GetWriteError() == 0;
}

void CSetupFile::WriteMarkerBlock(const CValueRecord& m) {
    if (m.GetState() == -1) return;
    WriteBytes("\t<marker>\n");
    WriteInt("\t\t<marker id = %03d>\n", m.GetId());
    WriteInt("\t\t<marker type = %03d>\n", m.GetType());
    WriteInt("\t\t<marker state = %03d>\n", m.GetState());
    WriteInt("\t\t<current marker = %03d>\n", m.IsCurrent() ? 1 : 0);
    WriteText("\t\t<marker label = %s>\n", m.GetLabel());
    WriteInt("\t\t<marker delta = %03d>\n", m.GetDelta());
    WriteInt("\t\t<marker delta index = %03d>\n", m.GetDeltaIndex());
    WriteFrequency("\t\t<marker frequency = %010u>\n", m.GetFrequency());
    WriteDouble("\t\t<marker amplitude = %#.5e>\n", m.GetAmplitude());
    WriteInt("\t\t<marker pixel index = %05d>\n", m.GetPixelIndex());
    WriteFrequency("\t\t<marker fc frequency = %010u>\n", m.GetFcFrequency());
    WriteDouble("\t\t<marker fc amplitude = %#.5e>\n", m.GetFcAmplitude());
    WriteBytes("\t</marker>\n");
}

void CSetupFile::WriteTriggerBlock(const CTriggerSettings& t) {
    WriteBytes("\t<trigger>\n");
    WriteInt("\t\t<trigger mode =  %03d>\n", t.GetMode());
    WriteInt("\t\t<trigger rising edge =  %03d>\n", t.IsRisingEdge() ? 1 : 0);
    WriteInt("\t\t<trigger falling edge =  %03d>\n", t.IsFallingEdge() ? 1 : 0);
    WriteInt("\t\t<trigger type =  %03d>\n", t.GetFlagB());
    WriteInt("\t\t<trigger level =  %03d>\n", t.GetFlagA());
    WriteInt("\t\t<trigger voltage level =  %03d>\n", t.GetType());
    WriteInt("\t\t<trigger delay =  %05d>\n", static_cast<int32_t>(t.GetDelay()));
    WriteBytes("\t</trigger>\n");
}

void CSetupFile::WriteBandwidthBlock(const CChoiceBlock& b) {
    WriteBytes("\t<bandwidth>\n");
    WriteInt("\t\t<resolution bandwidth = %03d>\n", static_cast<int32_t>(b.GetRbwIndex()));
    WriteInt("\t\t<resolution bandwidth mode = %03d>\n", static_cast<int32_t>(b.GetRbwMode()));
    WriteInt("\t\t<video bandwidth = %03d>\n", static_cast<int32_t>(b.GetVbwIndex()));
    WriteInt("\t\t<video bandwidth mode = %03d>\n", static_cast<int32_t>(b.GetVbwMode()));
    WriteInt("\t\t<rbw to vbw ratio = %03d>\n", static_cast<int32_t>(b.GetVbwRatio()));
    WriteInt("\t\t<span to rbw ratio = %03d>\n", static_cast<int32_t>(b.GetSpanRatio()));
    WriteBytes("\t</bandwidth>\n");
}

// --- reading

void CSetupFile::Fail(const core::Text& reason, bool quiet) {
    reason_ = reason;
    if (reason.empty() || silent_) return;
    if (quiet) {
        HistoryAddText(kHistoryFiles, reason);
    } else {
        FileServices().ShowMessage(reason, kExclamation);
    }
}

bool CSetupFile::ReadWithProgress(const core::Text& path, int32_t /*word*/) {
    OpenProgress(0, 100, LoadResString(kReadingId) + path);
    bool ok = Read(path, 1, false);
    CloseProgress();
    return ok;
}

bool CSetupFile::Read(const core::Text& path, int mode, bool header_only) {
    if (LoadFile(path) == 0) {
        // A missing file is no news; an empty or unreadable one is.
        Fail(plat::file_exists(path) ? kReadError + path : core::Text(), false);
        return false;
    }
    return ReadLoaded(path, mode, header_only, false);
}

bool CSetupFile::ReadSilently(const core::Text& path, core::Text* reason) {
    silent_ = true;
    const bool ok = Read(path, 1, false);
    silent_ = false;
    if (!ok && reason) *reason = reason_.empty() ? kReadError + path : reason_;
    return ok;
}

bool CSetupFile::ReadExpectingClass(const core::Text& path, int32_t measurement_class) {
    measurement_class_ = measurement_class;
    if (LoadFile(path) == 0) {
        Fail(plat::file_exists(path) ? kReadError + path : core::Text(), true);
        return false;
    }
    return ReadLoaded(path, 1, true, true);
}

bool CSetupFile::ReadBytes(std::string bytes, const core::Text& path, bool header_only) {
    if (LoadBytes(std::move(bytes)) == 0) {
        Fail(kReadError + path, false);
        return false;
    }
    return ReadLoaded(path, 1, header_only, false);
}

bool CSetupFile::ReadLoaded(const core::Text& path, int mode, bool header_only, bool quiet) {
    path_ = path;
    mode_ = mode;
    reason_.clear();
    revision_ = 0;
    band_name_.clear();
    band_start_ = band_stop_ = 0;
    in_band_ = in_marker_ = in_bandwidth_ = false;
    marker_index_ = -1;
    measurement_id_ = setup_->GetMeasurementId();
    std::vector<Token> tokens;
    if (!ValidateLines(header_only, tokens)) {
        Fail(kReadError + path, quiet);
        return false;
    }
    // A whole file is read into the defaults of the setup's form: what the
    // file leaves out (or writes only when it is not the default) comes
    // back as the default, not as what the live setup held. A header read
    // keeps the live body.
    target_ = header_only ? setup_->CloneSettings() : setup_->CreateDefaultSettings();
    PrepareTarget(*target_);
    for (const Token& token : tokens) {
        Step step = ReadTag(token.id, token.value);
        if (step == Step::kFail) {
            target_.reset();
            Fail(reason_.empty() ? kReadError + path : reason_, quiet);
            return false;
        }
        if (step == Step::kStop) break;
    }
    if (!FinishRead()) {
        target_.reset();
        Fail(reason_.empty() ? kReadError + path : reason_, quiet);
        return false;
    }
    target_->SetFilePath(path);
    // The setup lists show a setup's size in bytes.
    target_->SetOwnerWord(static_cast<int32_t>(GetLoadedBytes().size()));
    setup_->CopyFrom(*target_);
    target_.reset();
    CommitRead();
    return true;
}

bool CSetupFile::ValidateLines(bool header_only, std::vector<Token>& tokens) {
    if (GetLoadedBytes().find('\0') != std::string::npos) return false;
    core::Text line;
    int32_t id = 0;
    if (!ReadLine(line)) return false;
    ParseTagLine(line, id);
    if (id != files::tag::kHtml) return false;
    int32_t open_block = files::tag::kNone;
    bool version_guard = false;  // an unknown key ends the values taken
    while (ReadLine(line)) {
        std::optional<core::Text> value = ParseTagLine(line, id);
        if (id == files::tag::kNone && value) return false;  // a line that is no tag
        if (id == files::tag::kNone && line.find(u'<') == core::Text::npos) return false;
        if (id == files::tag::kNone) version_guard = true;
        for (const OpenClose& block : kBlocks) {
            if (id == block.open) {
                if (open_block != files::tag::kNone) return false;
                open_block = id;
            } else if (id == block.close && open_block == block.open) {
                open_block = files::tag::kNone;
            }
        }
        if (!version_guard && value && !ValueParses(id, *value)) return false;
        tokens.push_back({id, std::move(value)});
        if (id == files::tag::kBodyEnd) return open_block == files::tag::kNone;
        if (header_only && id == files::tag::kFrequencySpan) return true;
    }
    // The end of the data (or a line too long) before "</body>".
    return header_only && !IsLineTooLong() && open_block == files::tag::kNone;
}

int32_t CSetupFile::Int(const std::optional<core::Text>& value) {
    return value ? files::ParseStrictInt(*value).value_or(0) : 0;
}

uint32_t CSetupFile::Frequency(const std::optional<core::Text>& value) {
    return value ? files::ParseStrictFrequency(*value).value_or(0) : 0;
}

double CSetupFile::Double(const std::optional<core::Text>& value) {
    return value ? files::ParseStrictDouble(*value).value_or(0.0) : 0.0;
}

void CSetupFile::Skipped(int32_t id, const core::Text& value) {
    HistoryAdd(kHistoryFiles, u"setup value refused: " + value, static_cast<uint32_t>(id));
}

CSetupFile::Step CSetupFile::Refuse(core::Text reason) {
    reason_ = std::move(reason);
    return Step::kFail;
}

std::unique_ptr<CMeasSetup> CSetupFile::LoadSetupObject(const core::Text& path,
                                                        ISetupEnvironment* environment) {
    return LoadSetupObject(path, environment, nullptr);
}

std::unique_ptr<CMeasSetup> CSetupFile::LoadSetupObject(const core::Text& path,
                                                        ISetupEnvironment* environment,
                                                        core::Text* reason) {
    // The class line decides the form.
    CTaggedFile header;
    if (header.LoadFile(path) == 0) {
        if (reason) *reason = kReadError + path;
        return nullptr;
    }
    core::Text line;
    int32_t cls = 0;
    for (int lines = 0; lines < 8 && header.ReadLine(line); ++lines) {
        int32_t id = 0;
        std::optional<core::Text> value = ParseTagLine(line, id);
        if (id != files::tag::kMeasurementClassVna || !value) continue;
        if (*value == u"vna") cls = CMeasSetup::kClassVna;
        if (*value == u"specan") cls = CMeasSetup::kClassSa;
        if (*value == u"power") cls = CMeasSetup::kClassPower;
        break;
    }
    std::unique_ptr<CMeasSetup> setup;
    if (cls == CMeasSetup::kClassSa) setup = std::make_unique<CSAMeasSetup>(environment);
    if (cls == CMeasSetup::kClassVna) setup = std::make_unique<CVNAMeasSetup>(environment);
    if (cls == CMeasSetup::kClassPower) setup = std::make_unique<CPowerMeasSetup>(environment);
    if (!setup) {
        if (reason) *reason = u"No measurement class: " + path;
        return nullptr;
    }
    if (!(reason ? setup->LoadSilently(path, reason) : setup->Load(path))) return nullptr;
    return setup;
}

#include "files/formats/analyzer_trace_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/history.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/formats/keyword_tables.h"
#include "files/formats/number_format.h"

namespace {

// Tag ids of the trace data.
constexpr int32_t kSaData = 77, kVnaData = 78, kDtfData = 79;
constexpr int32_t kSaDataEnd = 80, kVnaDataEnd = 81, kDtfDataEnd = 82;
constexpr int32_t kAverages = 83, kDbReferenceLevel = 96, kOccupiedBandwidth = 191;
constexpr int32_t kCpPower = 193, kAcpPower = 197, kAcpHighPower = 198, kAcpLowPower = 199;
constexpr int32_t kDemodTime = 202, kC2iCarrier = 203, kC2iInterference = 204;
constexpr int32_t kC2iDifference = 205, kFsStart = 208, kFsStop = 209, kFsGain = 210;
constexpr int32_t kCalibrationType = 213, kAdcSaturation = 214, kTwoPortAvgGain = 215;
constexpr int32_t kTwoPortBAmps = 216, kTwoPortBias = 218, kCableLoss = 219;
constexpr int32_t kGpsData = 175, kGpsLocation = 176;

// Measurement ids whose results the files carry.
constexpr int32_t kOccupiedBandwidthId = 21, kChannelPowerId = 22, kAdjacentPowerId = 23;
constexpr int32_t kCarrierToInterferenceId = 27, kFieldStrengthId = 29;
constexpr int32_t kDistanceToFaultId = 2, kCableLossId = 3, kTwoPortId = 4;

// Unit codes of the reference level: dBm and watts.
constexpr uint32_t kUnitDbm = 0, kUnitWatts = 6;

constexpr char kPointFormat[] = "% 6.6f";

// The results lines, for the size estimates.
constexpr std::string_view kSaResultFormats[] = {"\t<db reference level = %#.5e>\n",
                                                 "\t<averages = %03d>\n",
                                                 "\t<occ bw =%010u>\n",
                                                 "\t<cp power = %.5e>\n",
                                                 "\t<acp power = %.5e>\n",
                                                 "\t<acp hipower = %.5e>\n",
                                                 "\t<acp lopower = %.5e>\n",
                                                 "\t<c2i carrier = %.5e>\n",
                                                 "\t<c2i ifpower = %.5e>\n",
                                                 "\t<c2i powerdiff = %.5e>\n",
                                                 "\t<fs start freq = %010u>\n",
                                                 "\t<fs stop freq = %010u>\n",
                                                 "\t<fs gain = %.5e>\n",
                                                 "\t<gps data = %s>\n",
                                                 "\t<gps location = %s>\n"};
constexpr std::string_view kVnaResultFormats[] = {
    "\t<averages = %03d>\n",       "\t<calib type = %d>\n",     "\t<adc sat gain = %d>\n",
    "\t<2port avg gain = %.5e>\n", "\t<2port b amps = %.5e>\n", "\t<2port bias = %d>\n",
    "\t<cable loss = %.5e>\n",     "\t<gps data = %s>\n",       "\t<gps location = %s>\n"};
constexpr std::string_view kSaLineFormat = "\t<sa data = %s>\n";
constexpr std::string_view kVnaLineFormat = "\t<vna data = %s>\n";
// Bytes reserved per point and for the fixed lines.
constexpr uint32_t kSaBytesPerPoint = 9, kSaFixedPoints = 68;
constexpr uint32_t kVnaBytesPerPoint = 21, kVnaFixedBytes = 556;

template <size_t N>
uint32_t TotalLength(const std::string_view (&formats)[N]) {
    size_t n = 0;
    for (std::string_view f : formats) n += f.size();
    return static_cast<uint32_t>(n);
}

// The checksum line is not enforced: a file whose last line does not hold
// the byte sum of everything before it is noted in the history.
void NoteChecksum(const std::string& bytes, const core::Text& path) {
    constexpr std::string_view kEnd = "</html>\r\n";
    size_t end = bytes.rfind(kEnd);
    if (end == std::string::npos) return;
    end += kEnd.size();
    uint32_t sum = 0;
    for (size_t i = 0; i < end; ++i) sum += static_cast<unsigned char>(bytes[i]);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%04d\r\n", static_cast<int>(sum));
    if (bytes.compare(end, std::string::npos, expected) != 0)
        HistoryAddText(CTaggedFile::kHistoryFiles, u"trace checksum differs: " + path);
}

// Appends one point value and its ";".
void AppendValue(std::string& line, float value) {
    line += files::FormatDouble(kPointFormat, value);
    line += ';';
}

template <typename T>
T ValueOr(const std::optional<T>& v) {
    return v.value_or(T{});
}

}  // namespace

// --- point blocks

void CTracePointBlock::WriteLine(CTaggedFile& file, std::string_view line_key,
                                 const std::string& text) {
    std::string line = "\t<";
    line += line_key;
    line += " = ";
    line += text;
    line += ">\n";
    file.WriteBytes(line);
}

void CTracePointBlock::Write(CTaggedFile& file, std::string_view line_key,
                             std::string_view close_line, uint32_t count, int values,
                             const PointAt& point_at) {
    std::string line;
    for (uint32_t i = 0; i < count; ++i) {
        if (const TracePoint* p = point_at(i)) {
            AppendValue(line, p->first);
            if (values == 2) AppendValue(line, p->second);
        }
        if (i != 0 && i % kPointsPerLine == 0) {
            WriteLine(file, line_key, line);
            line.clear();
        }
    }
    WriteLine(file, line_key, line);
    file.WriteBytes(close_line);
}

bool CTracePointBlock::Parse(std::u16string_view text, uint32_t count, int values,
                             std::vector<TracePoint>& points) {
    points.assign(count, TracePoint{});
    size_t position = 0;
    for (uint32_t i = 0; i < count; ++i) {
        for (int v = 0; v < values; ++v) {
            size_t end = text.find(u';', position);
            if (end == std::u16string_view::npos) return false;  // short block
            std::optional<double> value =
                files::ParseStrictDouble(text.substr(position, end - position));
            if (!value) return false;
            float f = files::ToFloat(*value);
            (v == 0 ? points[i].first : points[i].second) = f;
            position = end + 1;
        }
    }
    return true;  // values past the count are ignored
}

bool CTracePointBlock::Close(uint32_t count, int values) {
    open_ = false;
    if (count == 0 || count > kTraceBufferPoints) return false;
    parsed_ = Parse(text_, count, values, points_);
    text_.clear();
    return parsed_;
}

void CTracePointBlock::Reset() {
    text_.clear();
    points_.clear();
    open_ = parsed_ = false;
}

// --- shared state

core::Text CTraceFileState::SavePath() const {
    if (!path_.empty() || !source_) return path_;
    return source_->GetTracePath();
}

void CTraceFileState::DeliverPoints(const std::vector<TracePoint>& points) const {
    if (!buffer_) return;
    std::fill(buffer_, buffer_ + kTraceBufferPoints, TracePoint{});
    std::copy_n(points.begin(), std::min<size_t>(points.size(), kTraceBufferPoints), buffer_);
}

bool CTraceFileState::CoversPoints(uint32_t count, bool dtf) const {
    if (!source_ || count == 0 || count > kTraceBufferPoints) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!source_->GetPoint(i)) return false;
        if (dtf && !source_->GetDtfPoint(i)) return false;
    }
    return true;
}

TraceHeaderTexts CTraceFileState::HeaderTexts(const CMeasSetup& setup) const {
    if (source_) {
        if (std::optional<TraceHeaderTexts> texts = source_->GetHeaderTexts()) return *texts;
    }
    return {setup.GetChangeTime(), setup.GetSetupLabel(), setup.GetTitle(), setup.GetSubtitle(),
            setup.GetNotes()};
}

ITraceValueReceiver* CTraceFileState::Receiver(int32_t measurement_class) const {
    return receiver_ ? receiver_ : FileServices().FindTraceReceiver(measurement_class);
}

// --- spectrum analyzer

CSATraceFile::CSATraceFile(CMeasSetup* setup, const ITraceSource* source)
    : CTraceFileReader(setup, source, {}) {}

CSATraceFile::CSATraceFile(CMeasSetup* setup, const core::Text& path, const ITraceSource* source)
    : CTraceFileReader(setup, source, path) {}

bool CSATraceFile::Save() {
    const auto count = static_cast<uint32_t>(std::max(0, setup_->GetDataPoints()));
    if (!state_.CoversPoints(count, false)) return false;
    return WriteFile(state_.SavePath(), EstimateSize());
}

uint32_t CSATraceFile::EstimateSize() {
    uint32_t setup_part = state_.SetupPartEstimate([this] { return CSASetupFile::EstimateSize(); });
    uint32_t n = static_cast<uint32_t>(std::max(0, setup_->GetDataPoints()));
    estimate_ = setup_part + kSaBytesPerPoint * (n + kSaFixedPoints) +
                static_cast<uint32_t>(kSaLineFormat.size()) * n / CTracePointBlock::kPointsPerLine +
                TotalLength(kSaResultFormats);
    return estimate_;
}

bool CSATraceFile::WriteSetupBlocks() {
    if (!CSASetupFile::WriteSetupBlocks()) return false;
    if (state_.setup_only_) return true;
    WriteResults();
    StepProgress(static_cast<int>(GetWrittenLength()), static_cast<int>(estimate_));
    const ITraceSource* source = state_.source_;
    uint32_t count = static_cast<uint32_t>(std::max(0, setup_->GetDataPoints()));
    CTracePointBlock::Write(*this, "sa data", "\t</end sa data>\n", count, 1, [source](uint32_t i) {
        return source ? source->GetPoint(i) : nullptr;
    });
    StepProgress(static_cast<int>(GetWrittenLength()), static_cast<int>(estimate_));
    return GetWriteError() == 0;
}

void CSATraceFile::WriteResults() {
    CMeasSetup& s = *setup_;
    SaTraceValues v = state_.source_ ? state_.source_->GetSaValues() : SaTraceValues{};
    WriteDouble("\t<db reference level = %#.5e>\n",
                ConvertPowerUnit(s.GetReferenceLevel(false), kUnitDbm, kUnitWatts));
    WriteInt("\t<averages = %03d>\n", v.averages.value_or(s.GetAveragingCount()));
    switch (s.GetMeasurementId()) {
        case kOccupiedBandwidthId:
            WriteFrequency("\t<occ bw =%010u>\n", ValueOr(v.occupied_bandwidth));
            break;
        case kChannelPowerId:
            WriteDouble("\t<cp power = %.5e>\n", ValueOr(v.channel_power));
            break;
        case kAdjacentPowerId:
            WriteDouble("\t<acp power = %.5e>\n", ValueOr(v.channel_power));
            WriteDouble("\t<acp hipower = %.5e>\n", ValueOr(v.acp_high_power));
            WriteDouble("\t<acp lopower = %.5e>\n", ValueOr(v.acp_low_power));
            break;
        case kCarrierToInterferenceId:
            WriteDouble("\t<c2i carrier = %.5e>\n", ValueOr(v.c2i_carrier));
            WriteDouble("\t<c2i ifpower = %.5e>\n", ValueOr(v.c2i_interference));
            WriteDouble("\t<c2i powerdiff = %.5e>\n", ValueOr(v.c2i_difference));
            break;
        case kFieldStrengthId:
            if (!v.fs_gain) WriteText("\t<fs antenna name = %s>\n", {});
            WriteFrequency("\t<fs start freq = %010u>\n", ValueOr(v.fs_start));
            WriteFrequency("\t<fs stop freq = %010u>\n", ValueOr(v.fs_stop));
            WriteDouble("\t<fs gain = %.5e>\n", ValueOr(v.fs_gain));
            break;
        default:
            break;
    }
    WriteText("\t<gps data = %s>\n", v.gps_data);
    WriteText("\t<gps location = %s>\n", v.gps_location);
}

void CSATraceFile::ResetRead() {
    block_.Reset();
    values_ = {};
}

CSetupFile::Step CSATraceFile::ReadTag(int32_t id, const std::optional<core::Text>& value) {
    const core::Text text = value.value_or(core::Text());
    auto number = [&]() { return files::ParseStrictDouble(text); };
    // Results the screen shows: one written as no number is not measured.
    auto result = [&]() { return files::ParseResultDouble(text); };
    auto integer = [&]() { return files::ParseStrictInt(text); };
    auto frequency = [&]() { return files::ParseStrictFrequency(text); };
    auto store = [](auto parsed, auto& field) {
        if (!parsed) return Step::kFail;
        field = *parsed;
        return Step::kNext;
    };
    switch (id) {
        case kSaData:
            block_.Append(text);
            return Step::kNext;
        case kSaDataEnd:
            return block_.Close(static_cast<uint32_t>(Target().GetDataPoints()), 1) ? Step::kNext
                                                                                    : Step::kFail;
        case kAverages:
            return store(integer(), values_.averages);
        case kDbReferenceLevel: {
            std::optional<double> dbm = number();
            if (!dbm) return Step::kFail;
            if (!Target().SetReferenceLevel(ConvertPowerUnit(*dbm, kUnitWatts, kUnitDbm)))
                Skipped(id, text);
            return Step::kNext;
        }
        case kOccupiedBandwidth:
            return store(frequency(), values_.occupied_bandwidth);
        case kCpPower:
        case kAcpPower:
            return store(result(), values_.channel_power);
        case kAcpHighPower:
            return store(result(), values_.acp_high_power);
        case kAcpLowPower:
            return store(result(), values_.acp_low_power);
        case kDemodTime: {
            std::optional<int32_t> ms = integer();
            if (!ms) return Step::kFail;
            Target().SetPlayTime(*ms);
            return Step::kNext;
        }
        case kC2iCarrier:
            return store(result(), values_.c2i_carrier);
        case kC2iInterference:
            return store(result(), values_.c2i_interference);
        case kC2iDifference:
            return store(result(), values_.c2i_difference);
        case kFsStart:
            return store(frequency(), values_.fs_start);
        case kFsStop:
            return store(frequency(), values_.fs_stop);
        case kFsGain:
            return store(number(), values_.fs_gain);
        case kGpsData:
            values_.gps_data = text;
            return Step::kNext;
        case kGpsLocation:
            values_.gps_location = text;
            return Step::kNext;
        default:
            return CSASetupFile::ReadTag(id, value);
    }
}

bool CSATraceFile::FinishRead() {
    NoteChecksum(GetLoadedBytes(), path_);
    if (block_.IsParsed() && !block_.IsOpen()) return true;
    Refuse(kReadError + path_);
    return false;
}

void CSATraceFile::CommitRead() {
    state_.DeliverPoints(block_.Points());
    if (ITraceValueReceiver* receiver = state_.Receiver(setup_->GetMeasurementClass()))
        receiver->ReceiveSaValues(values_);
}

// --- network analyzer

CVNATraceFile::CVNATraceFile(CVNAMeasSetup* setup, const ITraceSource* source)
    : CTraceFileReader(setup, source, {}) {}

CVNATraceFile::CVNATraceFile(CVNAMeasSetup* setup, const core::Text& path, int /*mode*/,
                             const ITraceSource* source)
    : CTraceFileReader(setup, source, path) {}

bool CVNATraceFile::Save() {
    const auto count = static_cast<uint32_t>(std::max(0, setup_->GetDataPoints()));
    if (!state_.CoversPoints(count, IsDistanceToFault())) return false;
    return WriteFile(state_.SavePath(), EstimateSize());
}

bool CVNATraceFile::IsDistanceToFault() const {
    return setup_->GetMeasurementId() == kDistanceToFaultId;
}

uint32_t CVNATraceFile::EstimateSize() {
    uint32_t setup_part = state_.SetupPartEstimate([this] { return CSetupFile::EstimateSize(); });
    uint32_t n = static_cast<uint32_t>(std::max(0, setup_->GetDataPoints()));
    uint32_t block = kVnaBytesPerPoint * n + static_cast<uint32_t>(kVnaLineFormat.size()) * n /
                                                 CTracePointBlock::kPointsPerLine;
    return setup_part + kVnaFixedBytes + TotalLength(kVnaResultFormats) +
           block * (IsDistanceToFault() ? 2 : 1);
}

bool CVNATraceFile::WriteSetupBlocks() {
    if (!CVNASetupFile::WriteSetupBlocks()) return false;
    if (state_.setup_only_) return true;
    WriteResults();
    StepProgress(15, 100);
    const ITraceSource* source = state_.source_;
    uint32_t count = static_cast<uint32_t>(std::max(0, setup_->GetDataPoints()));
    CTracePointBlock::Write(
        *this, "vna data", "\t</end vna data>\n", count, 2,
        [source](uint32_t i) { return source ? source->GetPoint(i) : nullptr; });
    if (IsDistanceToFault())
        CTracePointBlock::Write(
            *this, "dtf data", "\t</end dtf data>\n", count, 2,
            [source](uint32_t i) { return source ? source->GetDtfPoint(i) : nullptr; });
    StepProgress(100, 100);
    return GetWriteError() == 0;
}

void CVNATraceFile::WriteResults() {
    auto& s = static_cast<CVNAMeasSetup&>(*setup_);
    VnaTraceValues v = state_.source_ ? state_.source_->GetVnaValues() : VnaTraceValues{};
    WriteInt("\t<averages = %03d>\n", v.averages.value_or(s.GetAveragingCount()));
    WriteInt("\t<calib type = %d>\n", ValueOr(v.calibration_type));
    WriteInt("\t<adc sat gain = %d>\n", ValueOr(v.adc_saturated) ? 1 : 0);
    if (s.GetMeasurementId() == kTwoPortId) {
        WriteFloat("\t<2port avg gain = %.5e>\n",
                   v.two_port_avg_gain.value_or(s.GetTwoPortAvgGain()));
        WriteDouble("\t<2port b amps = %.5e>\n", ValueOr(v.two_port_bias_current));
        WriteInt("\t<2port bias = %d>\n", ValueOr(v.two_port_bias) ? 1 : 0);
    }
    if (s.GetMeasurementId() == kCableLossId)
        WriteFloat("\t<cable loss = %.5e>\n", v.cable_loss.value_or(s.GetCableLoss()));
    WriteText("\t<gps data = %s>\n", v.gps_data);
    WriteText("\t<gps location = %s>\n", v.gps_location);
}

void CVNATraceFile::ResetRead() {
    vna_block_.Reset();
    dtf_block_.Reset();
    values_ = {};
}

CSetupFile::Step CVNATraceFile::ReadTag(int32_t id, const std::optional<core::Text>& value) {
    const core::Text text = value.value_or(core::Text());
    auto number = [&]() { return files::ParseStrictDouble(text); };
    auto integer = [&]() { return files::ParseStrictInt(text); };
    uint32_t count = static_cast<uint32_t>(Target().GetDataPoints());
    auto& s = static_cast<CVNAMeasSetup&>(Target());
    switch (id) {
        case kVnaData:
            vna_block_.Append(text);
            return Step::kNext;
        case kDtfData:
            dtf_block_.Append(text);
            return Step::kNext;
        case kVnaDataEnd:
            return vna_block_.Close(count, 2) ? Step::kNext : Step::kFail;
        case kDtfDataEnd:
            return dtf_block_.Close(count, 2) ? Step::kNext : Step::kFail;
        case kAverages:
        case kCalibrationType:
        case kAdcSaturation:
        case kTwoPortBias: {
            std::optional<int32_t> n = integer();
            if (!n) return Step::kFail;
            if (id == kAverages) values_.averages = *n;
            if (id == kCalibrationType) values_.calibration_type = *n;
            if (id == kAdcSaturation) values_.adc_saturated = *n != 0;
            if (id == kTwoPortBias) values_.two_port_bias = *n != 0;
            return Step::kNext;
        }
        case kTwoPortAvgGain:
        case kTwoPortBAmps:
        case kCableLoss: {
            std::optional<double> x = number();
            if (!x) return Step::kFail;
            float f = files::ToFloat(*x);
            if (id == kTwoPortAvgGain) s.SetTwoPortAvgGain(values_.two_port_avg_gain.emplace(f));
            if (id == kTwoPortBAmps) values_.two_port_bias_current = *x;
            if (id == kCableLoss) s.SetCableLoss(values_.cable_loss.emplace(f));
            return Step::kNext;
        }
        case kGpsData:
            values_.gps_data = text;
            return Step::kNext;
        case kGpsLocation:
            values_.gps_location = text;
            return Step::kNext;
        default:
            return CVNASetupFile::ReadTag(id, value);
    }
}

bool CVNATraceFile::FinishRead() {
    // A distance-to-fault trace shows its distance block, every other its
    // sweep block; each block present must be whole.
    NoteChecksum(GetLoadedBytes(), path_);
    bool dtf = Target().GetMeasurementId() == kDistanceToFaultId;
    const CTracePointBlock& shown = dtf ? dtf_block_ : vna_block_;
    if (shown.IsParsed() && !vna_block_.IsOpen() && !dtf_block_.IsOpen()) return true;
    Refuse(kReadError + path_);
    return false;
}

void CVNATraceFile::CommitRead() {
    bool dtf = setup_->GetMeasurementId() == kDistanceToFaultId;
    state_.DeliverPoints(dtf ? dtf_block_.Points() : vna_block_.Points());
    if (ITraceValueReceiver* receiver = state_.Receiver(setup_->GetMeasurementClass()))
        receiver->ReceiveVnaValues(values_);
}

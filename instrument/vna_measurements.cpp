#include "instrument/vna_measurements.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/frequency_range.h"
#include "core/params.h"
#include "files/vna_meas_setup.h"
#include "instrument/block_reader.h"
#include "instrument/device_port.h"

namespace {

using instrument::put_le;
using instrument::ReadLe;

constexpr uint16_t kClass = dsp::CLASS_VNA;
constexpr uint32_t kDescriptionId = 450;
constexpr uint32_t kEnglishNameId = 401;
constexpr float kMinDtfStopMetres = 0.2f;

uint16_t Msg(uint32_t kind) {
    return static_cast<uint16_t>(kClass + kind);
}

// A whole number of the setup as a record byte, clamped to the byte's range.
uint8_t SignedByte(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<uint8_t>(static_cast<int8_t>(std::clamp(v, -128.0, 127.0)));
}

uint32_t UnsignedWord(double v) {
    if (!(v > 0)) return 0;
    if (v >= 4294967295.0) return 4294967295u;
    return static_cast<uint32_t>(v);
}

}  // namespace

// ---- The family -----------------------------------------------------------------

CVnaMeasurement::CVnaMeasurement(CDevicePort* link, uint16_t message_id,
                                 const MeasurementTexts& texts)
    : CDspMeasurement(link, kFamilyVna, kDescriptionId), message_id_(message_id) {
    english_name_id_ = kEnglishNameId;
    SetTexts(texts);
}

int CVnaMeasurement::Init(IMeasurementScreen* screen) {
    CMeasurement::Init(screen);
    if (!sweep_item_) sweep_item_ = std::make_unique<CVnaSweepItem>();
    return 1;
}

CVNAMeasSetup* CVnaMeasurement::GetVnaSetup() const {
    return dynamic_cast<CVNAMeasSetup*>(GetSetup());
}

int CVnaMeasurement::IsReady() {
    const CMeasSetup* s = GetSetup();
    return s && s->GetFrequencyRange() ? 1 : 0;
}

int CVnaMeasurement::Send(uint16_t id, const void* payload) {
    const CMeasSetup* s = GetSetup();
    return s ? Queue(id, payload, static_cast<uint16_t>(s->GetDataPoints())) : 0;
}

int CVnaMeasurement::Send2(uint16_t id, const void* payload) {
    const CMeasSetup* s = GetSetup();
    return s ? Queue(id, payload, static_cast<uint16_t>(s->GetDisplayPoints())) : 0;
}

int CVnaMeasurement::Send3(uint16_t id, const void* payload) {
    const CVNAMeasSetup* s = GetVnaSetup();
    if (!s || !s->GetFrequencyRange()) return 0;
    return Queue(id, payload, static_cast<uint16_t>(s->GetSweepCalInfo().points));
}

int CVnaMeasurement::SendTable(uint16_t id, const void* table, size_t size) {
    const CVNAMeasSetup* s = GetVnaSetup();
    if (!s || !s->GetFrequencyRange()) return 0;
    return QueueTable(id, table, size, static_cast<uint16_t>(s->GetSweepCalInfo().points));
}

void CVnaMeasurement::BuildSweepMessage(uint8_t* r) const {
    // The calibration sweep's packed record with the measurement's points.
    const CVNAMeasSetup* s = GetVnaSetup();
    if (!s || !s->GetFrequencyRange()) return;
    CalTermInfo info = s->GetSweepCalInfo();
    info.points = static_cast<uint32_t>(s->GetDataPoints());
    const auto bytes = info.Serialize();
    std::memcpy(r, bytes.data(), bytes.size());
}

int CVnaMeasurement::SendSweep() {
    record_.fill(0);
    BuildSweepMessage(record_.data());
    return Send(message_id_, record_.data());
}

void CVnaMeasurement::BuildSweepRecord(uint32_t kind, uint8_t* r) const {
    const CVNAMeasSetup* s = GetVnaSetup();
    if (!s) return;
    if (const CFrequencyRange* range = s->GetFrequencyRange()) {
        put_le<uint64_t>(r, 0, range->GetStart());
        put_le<uint64_t>(r, 8, range->GetStop());
    }
    put_le<uint16_t>(r, 16, static_cast<uint16_t>(s->GetDisplayPoints()));
    r[18] = s->GetIfImmunity() ? 1 : 0;
    const CChoiceBlock* b = s->GetBandwidthSettings();
    r[19] = kind == 25 || !b ? 8 : static_cast<uint8_t>(b->GetRbwIndex(true));
    r[20] = SignedByte(s->GetPowerOutput());
    r[21] = 1;
    r[22] = 0;
    r[23] = 0;
}

void CVnaMeasurement::BuildFrequencyListRecord(uint8_t* r) const {
    const CVNAMeasSetup* s = GetVnaSetup();
    if (!s || !s->GetFrequencyRange()) return;
    const CalTermInfo info = s->GetSweepCalInfo();
    put_le<uint64_t>(r, 0, info.start);
    put_le<uint64_t>(r, 8, info.stop);
    put_le<uint16_t>(r, 16, static_cast<uint16_t>(info.points));
    r[18] = info.two_port ? 1 : 0;
    r[20] = SignedByte(info.power);
}

void CVnaMeasurement::BuildOptionRecord(uint8_t kind, uint8_t value, uint8_t* r) {
    r[0] = kind;
    r[1] = value;
    r[2] = 0;
    r[3] = 0;
}

int CVnaMeasurement::SendSweepSetup(uint32_t kind) {
    switch (kind) {
        case 5:
        case 6:
        case 7:
        case 8:
        case 25: {
            uint8_t r[vna::kSweepRecordSize] = {};
            BuildSweepRecord(kind, r);
            return Send2(Msg(kind), r);
        }
        default:
            return 0;
    }
}

int CVnaMeasurement::SendCommand(uint32_t kind) {
    switch (kind) {
        case 9:
        case 10:
        case 12:
        case 14:
        case 16:
        case 18:
        case 20:
        case 24:
        case 32:
        case 33:
            return Send2(Msg(kind), nullptr);
        case 23:
        case 36:
            return Send(Msg(kind), nullptr);
        default:
            return 0;
    }
}

int CVnaMeasurement::SendCalTable(uint32_t kind, const void* table, size_t size) {
    switch (kind) {
        case 11:
        case 13:
        case 15:
        case 17:
        case 34:
            // The link copies the table before SendTable returns.
            return SendTable(Msg(kind), table, size);
        default:
            return 0;
    }
}

int CVnaMeasurement::SendFrequencyList(uint32_t kind) {
    if (kind != 19 && kind != 21) return 0;
    uint8_t r[vna::kSweepRecordSize] = {};
    BuildFrequencyListRecord(r);
    return Send3(Msg(kind), r);
}

int CVnaMeasurement::SendOption(uint8_t kind, uint8_t value) {
    uint8_t r[vna::kOptionRecordSize];
    BuildOptionRecord(kind, value, r);
    return Send(dsp::msg::kOption, r);
}

int CVnaMeasurement::SendQuery() {
    return Send(dsp::msg::kVnaEnd, nullptr);
}

CDeviceItem* CVnaMeasurement::ParseReply(CDataBlock& block) {
    if (block.GetClass() != kClass || !sweep_item_) return nullptr;
    uint16_t id = 0, start = 0, count = 0;
    if (!ReadLe(block, 0, id) || !ReadLe(block, 4, start) || !ReadLe(block, 6, count))
        return nullptr;
    if (count == 0 || count > vna::kMaxBlockWords || start > vna::kMaxNextIndex) return nullptr;
    const CMeasSetup* s = GetSetup();
    const CFrequencyRange* r = s ? s->GetFrequencyRange() : nullptr;
    sweep_item_->SetId(id & 0xFF);
    sweep_item_->SetData(block.GetPointer(0), block.GetLength(), 8, 0);
    sweep_item_->SetRange(start, count, r ? r->GetStart() : 0, r ? r->GetStop() : 0);
    return sweep_item_.get();
}

// ---- The four measurements ----------------------------------------------------------

CFreqSweepMeasurement::CFreqSweepMeasurement(CDevicePort* link)
    : CVnaMeasurement(link, dsp::msg::kReflectionSweep, {455, 1, 1, 343, 343, 453, 627}) {}

CFreqSweepMeasurement::~CFreqSweepMeasurement() {
    Detach();
}

CDtfMeasurement::CDtfMeasurement(CDevicePort* link)
    : CVnaMeasurement(link, dsp::msg::kDistanceToFault, {458, 2, 4, 456, 457, 459, 628}) {}

CDtfMeasurement::~CDtfMeasurement() {
    Detach();
}

void CDtfMeasurement::BuildDtfRecord(uint8_t* r) const {
    const CVNAMeasSetup* s = GetVnaSetup();
    if (!s) return;
    BuildSweepRecord(0, r);
    // The board sweeps and transforms the measurement's own points, which is
    // what the driver counts to complete the sweep.
    put_le<uint16_t>(r, 16, static_cast<uint16_t>(s->GetDataPoints()));
    // Distances in metres (start in millimetres), the velocity factor in
    // 1/10,000, the cable loss in dB per metre.
    put_le<uint32_t>(r, 24, UnsignedWord(std::round(s->GetDtfStartRaw() * 1000.0)));
    put_le<float>(r, 28, std::max(s->GetDtfStopRaw(), kMinDtfStopMetres));
    put_le<uint32_t>(r, 32, UnsignedWord(std::round(s->GetDtfVp() * 10000.0)));
    put_le<float>(r, 36, s->GetDtfLoss());
    r[40] = static_cast<uint8_t>(std::clamp(s->GetDtfSmoothing(), 0, 255));
    r[41] = s->IsDistanceInMeters() ? 1 : 0;
    put_le<uint16_t>(r, 42, static_cast<uint16_t>(s->GetTriggerMode()));
}

int CDtfMeasurement::SendSweep() {
    record_.fill(0);
    BuildDtfRecord(record_.data());
    return Send(message_id_, record_.data());
}

CCableLossMeasurement::CCableLossMeasurement(CDevicePort* link)
    : CVnaMeasurement(link, dsp::msg::kReflectionSweep, {467, 3, 3, 464, 465, 468, 629}) {}

CCableLossMeasurement::~CCableLossMeasurement() {
    Detach();
}

CGainMeasurement::CGainMeasurement(CDevicePort* link)
    : CVnaMeasurement(link, dsp::msg::kTransmissionSweep, {475, 4, 2, 473, 474, 476, 632}) {}

CGainMeasurement::~CGainMeasurement() {
    Detach();
}

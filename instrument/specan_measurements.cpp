#include "instrument/specan_measurements.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/app_commands.h"
#include "core/frequency_range.h"
#include "core/params.h"
#include "core/posted_records.h"
#include "core/units.h"
#include "files/meas_setup.h"
#include "files/setup_services.h"
#include "files/trigger_settings.h"
#include "instrument/block_reader.h"
#include "instrument/device_port.h"

namespace specan {

uint8_t LevelByte(double db) {
    if (!(db > 0)) return 0;  // also NaN
    if (db >= 255) return 255;
    return static_cast<uint8_t>(db);
}

}  // namespace specan

namespace {

// The command record of a channel edge.
constexpr int32_t kEdgeGroup = 21;
constexpr int32_t kEdgeSubId = 3;

using instrument::get_le;
using instrument::put_le;
using instrument::ReadLe;

constexpr uint16_t kClass = dsp::CLASS_SPECTRUM;
constexpr uint32_t kDescriptionId = 451;
constexpr uint64_t kDefaultSideband = 95500000;
constexpr uint64_t kTopFrequency = 3600000000ull;
constexpr int32_t kDefaultPlayTime = 5000;
constexpr int32_t kDefaultZeroSpanTime = 5000;

bool Finite(float v) {
    return std::isfinite(v);
}

uint16_t Word(int32_t v) {
    return static_cast<uint16_t>(v);
}

// A reply block of the spectrum family whose id carries this reply number.
bool IsReply(CDataBlock& block, uint32_t number) {
    uint16_t id = 0;
    return block.GetClass() == kClass && ReadLe(block, 0, id) && (id & 0xFFu) == number;
}

// The converter the record fields share: whole numbers of the setup's
// choices.
uint16_t ReverseRbw(const CMeasSetup& s) {
    const CChoiceBlock* b = s.GetBandwidthSettings();
    return b ? static_cast<uint16_t>(b->GetRbwIndex(true)) : 0;
}

uint16_t ReverseVbw(const CMeasSetup& s) {
    const CChoiceBlock* b = s.GetBandwidthSettings();
    return b ? static_cast<uint16_t>(b->GetVbwIndex(true)) : 0;
}

uint64_t Centre(const CMeasSetup& s) {
    const CFrequencyRange* r = s.GetFrequencyRange();
    return r ? r->GetCentre() : 0;
}

uint64_t Span(const CMeasSetup& s) {
    const CFrequencyRange* r = s.GetFrequencyRange();
    return r ? r->GetSpan() : 0;
}

}  // namespace

// ---- The family -----------------------------------------------------------------

CSpectrumMeasurement::CSpectrumMeasurement(CDevicePort* link, size_t record_size,
                                           const MeasurementTexts& texts)
    : CDspMeasurement(link, kFamilySpectrum, kDescriptionId), record_(record_size, 0) {
    SetTexts(texts);
}

int CSpectrumMeasurement::Init(IMeasurementScreen* screen) {
    CMeasurement::Init(screen);
    if (!sweep_item_) sweep_item_ = std::make_unique<CSweepItem>();
    return 1;
}

int CSpectrumMeasurement::Send(uint16_t id, const void* payload) {
    CMeasSetup* s = GetSetup();
    if (!link_ || !s) return 0;
    return Queue(id, payload, Word(s->GetDataPoints()));
}

int CSpectrumMeasurement::SendRecord(uint16_t id) {
    std::fill(record_.begin(), record_.end(), 0);
    FillSweepRecord(record_.data());
    return Send(id, record_.data());
}

void CSpectrumMeasurement::FillCommon(uint8_t* r) const {
    const CMeasSetup* s = GetSetup();
    put_le<uint64_t>(r, 0, Centre(*s));
    put_le<uint64_t>(r, 8, Span(*s));
    put_le<uint16_t>(r, 16, ReverseVbw(*s));
    put_le<uint16_t>(r, 18, ReverseRbw(*s));
    put_le<uint16_t>(r, 20, Word(s->GetDetectionMode()));
    put_le<uint16_t>(r, 22, Word(s->GetDataPoints()));
    const uint8_t atten = specan::LevelByte(s->GetAttenuationLevel());
    r[24] = atten;
    r[25] = atten;
    r[26] = specan::LevelByte(s->GetPreampLevel());
    put_le<uint16_t>(r, 32, Word(s->GetTriggerMode()));
    if (const CTriggerSettings* t = s->GetTriggerSettings()) {
        put_le<uint16_t>(r, 34, Word(t->GetCondition()));
        put_le<uint16_t>(r, 36, static_cast<uint16_t>(t->GetLevel()));
        put_le<uint16_t>(r, 38, static_cast<uint16_t>(t->GetDelay()));
    }
}

void CSpectrumMeasurement::FillSweepRecord(uint8_t* record) {
    if (!record || !GetSetup()) return;
    FillCommon(record);
}

CDeviceItem* CSpectrumMeasurement::ParseTrace(CDataBlock& block) {
    if (block.GetClass() != kClass || !sweep_item_) return nullptr;
    uint16_t id = 0, start = 0, count = 0;
    if (!ReadLe(block, 0, id) || !ReadLe(block, 4, start) || !ReadLe(block, 6, count))
        return nullptr;
    if (count == 0 || count > specan::kMaxTracePoints || start > specan::kMaxTracePoints)
        return nullptr;
    const CMeasSetup* s = GetSetup();
    const CFrequencyRange* r = s ? s->GetFrequencyRange() : nullptr;
    sweep_item_->SetId(id & 0xFF);
    sweep_item_->SetData(block.GetPointer(0), block.GetLength(), 8, 0);
    sweep_item_->SetRange(start, count, r ? r->GetStart() : 0, r ? r->GetStop() : 0);
    return sweep_item_.get();
}

CDeviceItem* CSpectrumMeasurement::ParseReply(CDataBlock& block) {
    return ParseTrace(block);
}

int CSpectrumMeasurement::IsLastSegment(const CDeviceItem* item) const {
    const CMeasSetup* s = GetSetup();
    if (!s || !item || item->GetType() != CDeviceItem::kSweep) return 0;
    return static_cast<int64_t>(item->GetFirstIndex()) + item->GetCount() >=
                   static_cast<int64_t>(s->GetDataPoints()) - 1
               ? 1
               : 0;
}

int CSpectrumMeasurement::SameSweep(const uint8_t*, const uint8_t*) const {
    return 0;
}

bool CSpectrumMeasurement::SetComparedRecord(const uint8_t* record, size_t size) {
    if (!record) {
        compared_.clear();
        return true;
    }
    if (size < record_.size()) return false;
    compared_.assign(record, record + record_.size());
    return true;
}

int CSpectrumMeasurement::SetupChanged(CMeasSetup* setup) {
    if (compared_.empty() || !setup) return 1;
    const uint8_t* r = compared_.data();
    auto u16 = [r](size_t o) { return get_le<uint16_t>(r, o); };
    auto u64 = [r](size_t o) { return get_le<uint64_t>(r, o); };
    if (u64(0) != Centre(*setup)) return 1;
    if (u64(8) != Span(*setup)) return 1;
    if (u16(20) != Word(setup->GetDetectionMode())) return 1;
    if (u16(18) != ReverseRbw(*setup)) return 1;
    if (u16(16) != ReverseVbw(*setup)) return 1;
    if (r[24] != specan::LevelByte(setup->GetAttenuationLevel())) return 1;
    if (r[26] != specan::LevelByte(setup->GetPreampLevel())) return 1;
    const CTriggerSettings* t = setup->GetTriggerSettings();
    if (u16(38) != (t ? static_cast<uint16_t>(t->GetDelay()) : 0)) return 1;
    if (u16(32) != Word(setup->GetTriggerMode())) return 1;
    return 0;
}

void CSpectrumMeasurement::PostEdge(int index, uint64_t hertz) {
    if (!edge_window_) return;
    auto record = std::make_unique<CCommandRecord>(kEdgeGroup, kEdgeSubId, 1, hertz, index, 0);
    record->text = std::make_unique<core::Text>(FormatValue(hertz, 0, false, true, true, 3));
    PostCommandObject<kCmdCommandRecord>(edge_window_, std::move(record));
}

// ---- General spectrum -------------------------------------------------------------

CGeneralSpectrumMeasurement::CGeneralSpectrumMeasurement(CDevicePort* link)
    : CSpectrumMeasurement(link, specan::kSweepRecordSize, {500, 20, 1, 206, 206, 501, 634}) {}

CGeneralSpectrumMeasurement::~CGeneralSpectrumMeasurement() {
    Detach();
}

int CGeneralSpectrumMeasurement::Init(IMeasurementScreen* screen) {
    CSpectrumMeasurement::Init(screen);
    if (!query_item_) query_item_ = std::make_unique<CQueryReplyItem>();
    return 1;
}

CDeviceItem* CGeneralSpectrumMeasurement::ParseReply(CDataBlock& block) {
    uint16_t id = 0;
    if (ReadLe(block, 0, id) && id == dsp::msg::kCounterMarkers && query_item_) {
        const uint32_t length = block.GetLength();
        if (length <= 8 || !query_item_->Fill(block.GetPointer(8), length - 8)) return nullptr;
        query_item_->SetId(id & 0xFF);
        return query_item_.get();
    }
    return CSpectrumMeasurement::ParseReply(block);
}

int CGeneralSpectrumMeasurement::SameSweep(const uint8_t* a, const uint8_t* b) const {
    if (!a || !b) return 0;
    for (size_t o : {size_t{16}, size_t{18}, size_t{20}, size_t{22}, size_t{32}, size_t{38}})
        if (std::memcmp(a + o, b + o, 2) != 0) return 0;
    return std::memcmp(a, b, 8) == 0 ? 1 : 0;
}

int CGeneralSpectrumMeasurement::SetParameters(const uint8_t* record, size_t size) {
    if (!record || size < specan::kParameterRecordSize) return 0;
    return Send(dsp::msg::kCounterMarkers, record);
}

// ---- Occupied bandwidth -------------------------------------------------------------

COccupiedBwMeasurement::COccupiedBwMeasurement(CDevicePort* link)
    : CSpectrumMeasurement(link, specan::kMidRecordSize, {195, 21, 2, 498, 498, 499, 635}) {}

COccupiedBwMeasurement::~COccupiedBwMeasurement() {
    Detach();
}

int COccupiedBwMeasurement::Init(IMeasurementScreen* screen) {
    CSpectrumMeasurement::Init(screen);
    if (!obw_item_) obw_item_ = std::make_unique<COccupiedBwItem>();
    return 1;
}

void COccupiedBwMeasurement::FillSweepRecord(uint8_t* record) {
    CMeasSetup* s = GetSetup();
    if (!record || !s) return;
    FillCommon(record);
    const int32_t mode = s->GetThresholdMode();
    put_le<uint16_t>(record, 40, Word(mode));
    put_le<uint16_t>(record, 42, Word(mode == 0 ? s->GetThresholdPercent() : -s->GetThreshold()));
}

int COccupiedBwMeasurement::SetupChanged(CMeasSetup* setup) {
    if (CSpectrumMeasurement::SetupChanged(setup)) return 1;
    const uint16_t mode = get_le<uint16_t>(compared_.data(), 40);
    const uint16_t value = get_le<uint16_t>(compared_.data(), 42);
    const int32_t m = setup->GetThresholdMode();
    if (Word(m) != mode) return 1;
    if (m == 0 && Word(setup->GetThresholdPercent()) != value) return 1;
    if (m == 1 && Word(-setup->GetThreshold()) != value) return 1;
    return 0;
}

CDeviceItem* COccupiedBwMeasurement::ParseReply(CDataBlock& block) {
    if (IsReply(block, reply_number_) && obw_item_) {
        uint64_t bw = 0;
        if (!ReadLe(block, 8, bw)) return nullptr;
        obw_item_->SetId(reply_number_);
        if (has_value_ && bw == obw_item_->bandwidth) {
            changed_ = false;
            return obw_item_.get();
        }
        changed_ = true;
        has_value_ = true;
        {
            std::lock_guard lock(result_mutex_);
            obw_item_->bandwidth = bw;
        }
        const CMeasSetup* s = GetSetup();
        const uint64_t lower = (s ? Centre(*s) : 0) - bw / 2;
        obw_item_->SetRange(0, 0, lower, lower + bw);
        return obw_item_.get();
    }
    return CSpectrumMeasurement::ParseReply(block);
}

uint64_t COccupiedBwMeasurement::GetBandwidth() const {
    std::lock_guard lock(result_mutex_);
    return obw_item_ ? obw_item_->bandwidth : 0;
}

// ---- Channel power --------------------------------------------------------------

CChannelPowerMeasurement::CChannelPowerMeasurement(CDevicePort* link)
    : CChannelPowerMeasurement(link, specan::kMidRecordSize, {466, 22, 3, 196, 196, 502, 636}) {}

CChannelPowerMeasurement::~CChannelPowerMeasurement() {
    Detach();
}

CChannelPowerMeasurement::CChannelPowerMeasurement(CDevicePort* link, size_t record_size,
                                                   const MeasurementTexts& texts)
    : CSpectrumMeasurement(link, record_size, texts) {}

int CChannelPowerMeasurement::Init(IMeasurementScreen* screen) {
    CSpectrumMeasurement::Init(screen);
    if (!cp_item_) cp_item_ = std::make_unique<CChannelPowerItem>();
    return 1;
}

void CChannelPowerMeasurement::Reset() {
    CSpectrumMeasurement::Reset();
    std::lock_guard lock(result_mutex_);
    last_power_ = kNotMeasured;
}

int CChannelPowerMeasurement::SendSweep() {
    {
        std::lock_guard lock(result_mutex_);
        last_power_ = kNotMeasured;
    }
    return SendRecord(dsp::msg::kChannelPower);
}

double CChannelPowerMeasurement::GetLastPower() const {
    std::lock_guard lock(result_mutex_);
    return last_power_;
}

void CChannelPowerMeasurement::FillSweepRecord(uint8_t* record) {
    CMeasSetup* s = GetSetup();
    if (!record || !s) return;
    FillCommon(record);
    put_le<uint64_t>(record, 40, s->GetChannelWidth());
}

CDeviceItem* CChannelPowerMeasurement::ParseReply(CDataBlock& block) {
    if (IsReply(block, 3) && cp_item_) {
        float v = 0;
        double power = specan::kNoPower;
        if (ReadLe(block, 8, v) && Finite(v)) power = v;
        cp_item_->SetId(3);
        std::lock_guard lock(result_mutex_);
        cp_item_->channel_power = power;
        changed_ = power != last_power_;
        if (changed_) last_power_ = power;
        return cp_item_.get();
    }
    return CSpectrumMeasurement::ParseReply(block);
}

bool CChannelPowerMeasurement::ChannelEdges(int32_t channel, uint64_t& lower,
                                            uint64_t& upper) const {
    const CMeasSetup* s = GetSetup();
    const ISetupBand* band = s ? s->GetBand() : nullptr;
    if (!band) return false;
    const int64_t centre = static_cast<int64_t>(band->ChannelToFrequency(channel));
    const int64_t half = static_cast<int64_t>(band->GetChannelBandwidth(channel)) / 2;
    lower = static_cast<uint64_t>(centre - half);
    upper = static_cast<uint64_t>(centre + half);
    return true;
}

int CChannelPowerMeasurement::IsReady() {
    if (!CSpectrumMeasurement::IsReady()) return 0;
    const CMeasSetup* s = GetSetup();
    if (!s) return 0;
    if (!ChannelEdges(s->GetChannelNumber(), lower_edge_, upper_edge_)) {
        const CFrequencyRange* r = s->GetFrequencyRange();
        lower_edge_ = r ? r->GetStart() : 0;
        upper_edge_ = r ? r->GetStop() : 0;
    }
    PostEdge(0, lower_edge_);
    PostEdge(1, upper_edge_);
    return 1;
}

double CChannelPowerMeasurement::GetPowerDensity(uint64_t bandwidth, double offset) const {
    const double bw = static_cast<double>(static_cast<int64_t>(bandwidth));
    if (!(bw > 0)) return specan::kNoPower;
    const double d = 10.0 * std::log10(std::pow(10.0, (GetLastPower() + offset) * 0.1) / bw);
    return std::isfinite(d) ? d : specan::kNoPower;
}

// ---- Adjacent channel power ---------------------------------------------------------

CAcprMeasurement::CAcprMeasurement(CDevicePort* link)
    : CChannelPowerMeasurement(link, specan::kLongRecordSize, {503, 23, 4, 197, 197, 504, 637}) {}

CAcprMeasurement::~CAcprMeasurement() {
    Detach();
}

int CAcprMeasurement::Init(IMeasurementScreen* screen) {
    CChannelPowerMeasurement::Init(screen);
    if (!acpr_item_) acpr_item_ = std::make_unique<CAcprItem>();
    return 1;
}

int CAcprMeasurement::SendSweep() {
    {
        std::lock_guard lock(result_mutex_);
        last_lower_ = last_upper_ = kNotMeasured;
        last_lower_ratio_ = last_upper_ratio_ = 0;
    }
    return SendRecord(dsp::msg::kAdjacentChannelPower);
}

void CAcprMeasurement::GetRatios(float& lower, float& upper) const {
    std::lock_guard lock(result_mutex_);
    lower = acpr_item_ ? acpr_item_->lower_ratio : 0;
    upper = acpr_item_ ? acpr_item_->upper_ratio : 0;
}

void CAcprMeasurement::FillSweepRecord(uint8_t* record) {
    CMeasSetup* s = GetSetup();
    if (!record || !s) return;
    CChannelPowerMeasurement::FillSweepRecord(record);
    put_le<uint64_t>(record, 48, s->GetAdjChannelWidth());
    put_le<uint64_t>(record, 56, s->GetCenterDistance());
}

CDeviceItem* CAcprMeasurement::ParseReply(CDataBlock& block) {
    if (!IsReply(block, 4) || !acpr_item_) return CChannelPowerMeasurement::ParseReply(block);
    CAcprItem& item = *acpr_item_;
    item.SetId(4);
    std::lock_guard lock(result_mutex_);
    item.lower = item.upper = 0;
    item.lower_ratio = item.upper_ratio = 0;
    float v[5];
    for (int i = 0; i < 5; ++i) {
        if (!ReadLe(block, 8 + 4 * static_cast<uint32_t>(i), v[i]) || !Finite(v[i])) continue;
        switch (i) {
            case 0:
                item.channel_power = v[i];
                break;
            case 1:
                item.lower = v[i];
                break;
            case 2:
                item.upper = v[i];
                break;
            case 3:
                item.lower_ratio = v[i];
                break;
            default:
                item.upper_ratio = v[i];
                break;
        }
    }
    const bool same = item.channel_power == last_power_ && item.lower == last_lower_ &&
                      item.upper == last_upper_ && item.lower_ratio == last_lower_ratio_ &&
                      item.upper_ratio == last_upper_ratio_;
    changed_ = !same;
    if (!same) {
        last_power_ = item.channel_power;
        last_lower_ = item.lower;
        last_upper_ = item.upper;
        last_lower_ratio_ = item.lower_ratio;
        last_upper_ratio_ = item.upper_ratio;
    }
    return acpr_item_.get();
}

int CAcprMeasurement::IsReady() {
    if (!CChannelPowerMeasurement::IsReady()) return 0;
    const CMeasSetup* s = GetSetup();
    const auto* neighbours = dynamic_cast<const IChannelNeighbours*>(s->GetBand());
    if (!neighbours) return 1;
    for (int side = 0; side < 2; ++side) {
        const int32_t a = neighbours->StepChannel(s->GetChannelNumber(), side);
        uint64_t lower = 0, upper = 0;
        if (a == -1 || !ChannelEdges(a, lower, upper)) continue;
        PostEdge(2 + 2 * side, lower);
        PostEdge(3 + 2 * side, upper);
    }
    return 1;
}

// ---- Demodulation -----------------------------------------------------------------

CDemodSignalMeasurement::CDemodSignalMeasurement(CDevicePort* link)
    : CSpectrumMeasurement(link, specan::kLongRecordSize, {511, 26, 7, 201, 510, 512, 640}) {}

CDemodSignalMeasurement::~CDemodSignalMeasurement() {
    Detach();
}

int CDemodSignalMeasurement::Init(IMeasurementScreen* screen) {
    CSpectrumMeasurement::Init(screen);
    if (!demod_item_) demod_item_ = std::make_unique<CDemodItem>();
    audio_ = false;
    return 1;
}

int CDemodSignalMeasurement::SendSweep() {
    second_flag_ = false;
    return SendRecord(audio_ ? dsp::msg::kDemodulationAudio : dsp::msg::kSweep);
}

void CDemodSignalMeasurement::FillSweepRecord(uint8_t* r) {
    CMeasSetup* s = GetSetup();
    if (!r || !s) return;
    const uint64_t sideband = s->GetSidebandFrequency();
    if (!(sideband > 1 && sideband < kTopFrequency)) s->SetSidebandFrequency(kDefaultSideband);
    int32_t modulation = s->GetModulationType();
    put_le<uint16_t>(r, 40, Word(modulation));
    int32_t play = s->GetPlayTime();
    if (play < 1000 || play > 500000) {
        s->SetPlayTime(kDefaultPlayTime);
        play = kDefaultPlayTime;
    }
    put_le<uint16_t>(r, 56, static_cast<uint16_t>(play & 0xFFFF));
    if (s->GetVolumeType() > 100) s->SetVolumeType(50);
    FillCommon(r);
    if (audio_) {
        put_le<uint64_t>(r, 0, s->GetSidebandFrequency());
        put_le<uint64_t>(r, 8, 0);
        uint16_t rbw = 2;
        if (modulation == 1 || modulation == 3) {
            rbw = 4;
        } else if (modulation != 2) {
            modulation = 2;
            s->SetModulationType(2);
            put_le<uint16_t>(r, 40, 2);
        }
        put_le<uint16_t>(r, 18, rbw);
    }
    put_le<uint16_t>(r, 32, 0);
    put_le<uint16_t>(r, 36, 0);
    // Offsets 34 (trigger condition) and 38 (trigger delay) as in the sweep
    // record.
}

CDeviceItem* CDemodSignalMeasurement::ParseReply(CDataBlock& block) {
    if (!IsReply(block, 7) || !demod_item_) return CSpectrumMeasurement::ParseReply(block);
    uint16_t count = 0;
    if (!ReadLe(block, 6, count) || count >= specan::kMaxDemodSamples) return nullptr;
    float level = 0;
    int16_t l = 0;
    if (ReadLe(block, 8, level) && std::isfinite(level))
        l = static_cast<int16_t>(std::clamp(level, -32768.0f, 32767.0f));
    last_level_ = l;
    // Only the samples the block really holds.
    const uint32_t length = block.GetLength();
    const uint32_t present = length > 12 ? (length - 12) / 2 : 0;
    sample_count_ = std::min<uint32_t>(count, present);
    demod_item_->SetId(7);
    demod_item_->SetData(block.GetPointer(0), length, 12, 0);
    demod_item_->SetRange(0, sample_count_, 0, 0);
    std::memcpy(demod_item_->bytes, &l, sizeof l);
    return demod_item_.get();
}

const int16_t* CDemodSignalMeasurement::GetSamples() const {
    return demod_item_ ? reinterpret_cast<const int16_t*>(demod_item_->GetData()) : nullptr;
}

// ---- Carrier to interference, time domain, signal strength -----------------------------

CCarrierInterferenceMeasurement::CCarrierInterferenceMeasurement(CDevicePort* link)
    : CSpectrumMeasurement(link, specan::kSweepRecordSize, {513, 27, 8, 204, 204, 514, 641}) {}

CCarrierInterferenceMeasurement::~CCarrierInterferenceMeasurement() {
    Detach();
}

CTimeDomainMeasurement::CTimeDomainMeasurement(CDevicePort* link)
    : CSpectrumMeasurement(link, specan::kMidRecordSize, {516, 28, 9, 205, 205, 515, 642}) {}

CTimeDomainMeasurement::~CTimeDomainMeasurement() {
    Detach();
}

void CTimeDomainMeasurement::FillSweepRecord(uint8_t* r) {
    CMeasSetup* s = GetSetup();
    if (!r || !s) return;
    FillCommon(r);
    put_le<uint64_t>(r, 8, 0);
    int32_t t = s->GetZeroSpanTime();
    if (t <= 0 || t > 100000) {
        s->SetZeroSpanTime(kDefaultZeroSpanTime);
        t = kDefaultZeroSpanTime;
    }
    put_le<uint32_t>(r, 40, static_cast<uint32_t>(t));
}

CSignalStrengthMeasurement::CSignalStrengthMeasurement(CDevicePort* link)
    : CSpectrumMeasurement(link, specan::kSweepRecordSize, {521, 29, 10, 520, 520, 522, 643}) {}

CSignalStrengthMeasurement::~CSignalStrengthMeasurement() {
    Detach();
}

int CSignalStrengthMeasurement::Init(IMeasurementScreen* screen) {
    CSpectrumMeasurement::Init(screen);
    display_state_.assign(232, 0);
    parameters_.assign(specan::kParameterRecordSize, 0);
    return 1;
}

void CSignalStrengthMeasurement::FillSweepRecord(uint8_t* r) {
    if (!r || !GetSetup()) return;
    FillCommon(r);
    put_le<uint16_t>(r, 36, 0);
}

int CSignalStrengthMeasurement::SetParameters(const uint8_t* record, size_t size) {
    if (!record || size < specan::kParameterRecordSize) return 0;
    parameters_.assign(record, record + specan::kParameterRecordSize);
    return Send(dsp::msg::kCounterMarkers, parameters_.data());
}

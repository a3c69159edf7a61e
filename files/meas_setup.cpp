#include "files/meas_setup.h"

#include <algorithm>
#include <cmath>

#include "core/res_string.h"
#include "core/routines.h"
#include "core/units.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/clock.h"

namespace {

// A channel is shown over three of its bandwidths.
constexpr uint64_t kChannelSpanWidths = 3;

struct MeasurementRow {
    int32_t id;
    int32_t cls;
    int32_t name_id;      // title of the setup kind
    int32_t label_id;     // measurement name, 0 for none
    int32_t description;  // 0 for none
    int32_t code;
};

constexpr MeasurementRow kMeasurements[] = {
    {0, 1, 872, 401, 450, 101},  {1, 1, 856, 449, 453, 102},  {2, 1, 866, 457, 459, 103},
    {3, 1, 867, 465, 468, 104},  {4, 1, 864, 474, 476, 105},  {5, 1, 865, 461, 463, 108},
    {6, 1, 869, 478, 0, 106},    {7, 1, 863, 470, 0, 107},    {10, 3, 870, 0, 0, 301},
    {11, 3, 870, 0, 0, 201},     {20, 2, 871, 400, 451, 201}, {21, 2, 873, 498, 499, 202},
    {22, 2, 875, 196, 502, 203}, {23, 2, 868, 197, 504, 204}, {26, 2, 859, 510, 512, 207},
    {27, 2, 860, 204, 514, 208}, {28, 2, 861, 205, 515, 209}, {29, 2, 862, 520, 522, 210},
};

const MeasurementRow* FindMeasurement(int32_t id) {
    for (const auto& row : kMeasurements)
        if (row.id == id) return &row;
    return nullptr;
}

const char16_t kInvalidMeasurement[] = u"Invalid Measurement";

core::Text MeasurementText(int32_t id, int32_t cls, bool description) {
    const MeasurementRow* row = FindMeasurement(id);
    if (!row || row->cls != cls) return kInvalidMeasurement;
    int32_t text_id = description ? row->description : row->label_id;
    if (text_id == 0) return kInvalidMeasurement;
    return LoadResString(static_cast<uint32_t>(text_id));
}

struct HelpRow {
    int32_t code;
    int32_t id;
};
constexpr HelpRow kPropertyHelp[] = {
    {0, 64406},  {1, 64407},  {2, 64408},  {3, 64410},  {5, 64411},  {6, 64412},  {7, 64413},
    {9, 64438},  {10, 64439}, {12, 64440}, {13, 64441}, {14, 64414}, {15, 64415}, {16, 64416},
    {17, 64417}, {18, 64418}, {21, 64419}, {22, 64420}, {23, 64421}, {24, 64422}, {25, 64423},
    {35, 64424}, {42, 64425}, {43, 64425}, {44, 64425}, {45, 64425}, {46, 64425}, {47, 64425},
    {48, 64437}, {49, 64426}, {50, 64426}, {67, 1043},
};

constexpr double kAttenuationTable[] = {30.0, 20.0, 10.0, 0.0};
constexpr double kPreampTable[] = {24.0, 0.0};
// Reference steppings in dB per division.
constexpr double kSteppingTable[] = {1.0, 2.0, 5.0, 10.0, 15.0};

template <size_t N>
int TableIndex(const double (&table)[N], double value) {
    for (size_t i = 0; i < N; ++i)
        if (std::fabs(table[i] - value) < 1e-9) return static_cast<int>(i);
    return -1;
}

// Moves one entry towards the front (up) or the back (!up) of a table; at
// the end it wraps only when asked; a value not in the table gives the first.
template <size_t N>
double StepTable(const double (&table)[N], double value, bool up, bool wrap) {
    int i = TableIndex(table, value);
    if (i < 0) return table[0];
    int last = static_cast<int>(N) - 1;
    if (up) return i > 0 ? table[i - 1] : (wrap ? table[last] : table[0]);
    return i < last ? table[i + 1] : (wrap ? table[0] : table[last]);
}

double WattsToDbm(double watts) {
    return 10.0 * std::log10(watts) + 30.0;
}
double DbmToWatts(double dbm) {
    return std::pow(10.0, (dbm - 30.0) / 10.0);
}

bool InRange(int32_t v, int32_t lo, int32_t hi) {
    return v >= lo && v <= hi;
}

}  // namespace

// --- notification

CMeasSetup::ChangeBatch::ChangeBatch(CMeasSetup& setup) : setup_(setup) {
    ++setup_.batch_depth_;
}

CMeasSetup::ChangeBatch::~ChangeBatch() {
    if (--setup_.batch_depth_ == 0 && setup_.batch_pending_) {
        setup_.batch_pending_ = false;
        if (setup_.listener_) setup_.listener_(setup_);
    }
}

void CMeasSetup::NotifyChanged(bool changed) {
    changed_ = changed;
    if (!changed) return;
    if (state_word_ == kStateUnchanged) state_word_ = kStateChanged;
    if (batch_depth_ > 0) {
        batch_pending_ = true;
    } else if (listener_) {
        listener_(*this);
    }
}

// --- construction

CMeasSetup::CMeasSetup(ISetupEnvironment* environment) {
    Reset(environment);
}

CMeasSetup::~CMeasSetup() {
    // Unlink the chain first so that a long sequence is freed without recursion.
    std::unique_ptr<CMeasSetup> rest = std::move(next_);
    while (rest) rest = std::move(rest->next_);
}

core::Text CMeasSetup::QuickLabel(const char* stem, const plat::SystemTime& t) {
    return core::FormatText("%s(%02d-%02d %02d-%02d-%02d)", stem, t.month, t.day, t.hour, t.minute,
                            t.second);
}

std::time_t CMeasSetup::Now() {
    const plat::SystemTime now = plat::local_time();
    return MakeLocal(now.year, now.month, now.day, now.hour, now.minute, now.second);
}

void CMeasSetup::Reset(ISetupEnvironment* environment) {
    ChangeBatch batch(*this);
    environment_ = environment;
    setup_label_.clear();
    date_text_.clear();
    file_path_.clear();
    subtitle_.clear();
    notes_.clear();
    title_.clear();
    seventh_text_.clear();
    // The six marker records live as long as the setup: the graph that shows
    // them keeps their addresses across a reset or a recall.
    for (int i = 0; i < kMarkerCount; ++i) {
        if (markers_[i])
            *markers_[i] = CValueRecord(i);
        else
            markers_[i] = std::make_unique<CValueRecord>(i);
    }
    change_time_ = save_time_ = creation_time_ = Now();
    waterfall_mode_ = 0;
    fs_beep_mode_ = false;
    named_from_file_ = false;
    start_me_ = false;
    measurement_id_ = 0;
    measurement_name_id_ = 703;
    state_word_ = kStateUnchanged;
    owner_word_ = 0;
    measure_unit_ = 0;
    count_setting_ = 50;
    range_ = std::make_unique<CFrequencyRange>(0, 0, CFrequencyRange::kDefaultUpper);
    upper_limit_value_ = 20.0;
    lower_limit_value_ = -80.0;
    upper_limit_state_ = lower_limit_state_ = limit_alarm_ = false;
    limit_type_ = 0;
    sweep_flag_ = 1;
    freq_counter_ = false;
    band_ = nullptr;
    cable_type_ = nullptr;
    scale_setting_ = 1;
    amplitude_offset_ = 0.0;
    bandwidth_ = std::make_unique<CChoiceBlock>(this);
    data_points_ = kDefaultDataPoints;
    averaging_mode_ = 0;
    averaging_count_ = 2;
    reference_level_ = 0.1;
    reference_stepping_ = 10.0;
    reference_value_ =
        std::make_unique<CGuardedValue>(measure_unit_, reference_level_, reference_stepping_);
    attenuation_level_ = 30.0;
    previous_attenuation_level_ = 0.0;
    preamp_level_ = 0.0;
    attenuation_mode_ = 0;
    preamp_mode_ = 1;
    resolution_level_ = 3;
    peak_hold_ = 1;
    peak_hold_mode_ = 0;
    trace_entries_ = {};
    detection_mode_ = 3;
    trigger_ = std::make_unique<CTriggerSettings>();
    threshold_ = -500;
    threshold_percent_ = 990;
    threshold_mode_ = 0;
    channel_number_ = -1;
    channel_width_ = adj_channel_width_ = center_distance_ = range_->GetSpan() / 10;
    modulation_type_ = -1;
    sideband_frequency_ = 0;
    volume_type_ = 50;
    play_time_ = kDefaultPlayTime;
    zero_span_time_ = kDefaultZeroSpanTime;
    level_word_ = 0;
    level_ = -50.0;
    changed_ = false;
    favorite_ = false;
    marker_search_mode_ = 0;
    rssi_ = false;
    antenna_ = environment_ ? environment_->FindAntenna(u"None") : nullptr;
}

void CMeasSetup::ResetToDefaults() {
    ChangeBatch batch(*this);
    Reset(environment_);
    NotifyChanged(true);
}

// --- saving and loading

bool CMeasSetup::Load(const core::Text& path) {
    std::unique_ptr<ISetupFile> file = CreateSetupFile();
    if (!file || !file->Read(path)) return false;
    file_path_ = path;
    return true;
}

bool CMeasSetup::LoadSilently(const core::Text& path, core::Text* reason) {
    std::unique_ptr<ISetupFile> file = CreateSetupFile();
    if (!file) {
        if (reason) *reason = u"No reader: " + path;
        return false;
    }
    if (!file->ReadSilently(path, reason)) return false;
    file_path_ = path;
    return true;
}

bool CMeasSetup::LoadBackupQuietly(core::Text* reason) {
    const core::Text path = GetBackupPath();
    if (path.empty()) {
        if (reason) *reason = u"No backup setup";
        return false;
    }
    // A first quiet read finds a missing or damaged file before the form's
    // own load (which may show a message) runs.
    if (!LoadSilently(path, reason)) return false;
    return LoadBackup();
}

bool CMeasSetup::WriteThroughFile() {
    change_time_ = save_time_ = Now();
    std::unique_ptr<ISetupFile> file = CreateSetupFile();
    return file && file->Write(file_path_);
}

bool CMeasSetup::QuickSaveNamed(const char* label_stem) {
    StampSave(label_stem, true);
    state_word_ = kStateChanged;
    if (!Save()) return false;
    NotifyChanged(false);
    return true;
}

bool CMeasSetup::SaveBackupNamed(const char* label) {
    StampSave(label, false);
    if (!Save()) return false;
    NotifyChanged(false);
    return true;
}

void CMeasSetup::StampSave(const char* label_stem, bool quick) {
    plat::SystemTime t = plat::local_time();
    date_text_ = core::FormatText("%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year, t.hour,
                                  t.minute, t.second);
    if (quick) {
        setup_label_ = QuickLabel(label_stem, t);
        file_path_ = u"\\FlashFX Disk\\My Setups\\" + setup_label_ + u".tws";
    } else {
        setup_label_ = core::WidenBytes(label_stem);
        file_path_ = u"\\FlashFX Disk\\My Setups\\Backup\\" + setup_label_ + u".tws";
    }
}

bool CMeasSetup::DeleteFile(const core::Text& path) {
    return path.empty() || plat::delete_file(path);
}

// --- names

int32_t CMeasSetup::GetMeasurementCode() const {
    const MeasurementRow* row = FindMeasurement(measurement_id_);
    return row ? row->code : 201;
}

core::Text CMeasSetup::GetClassName() const {
    if (measurement_class_ == kClassVna) return LoadResString(445);
    if (measurement_class_ == kClassSa) return LoadResString(446);
    return u"Extended Mode Name";
}

core::Text CMeasSetup::GetMeasurementName() const {
    if (measurement_class_ == kClassVna) return GetVNAMeasurementName(measurement_id_);
    if (measurement_class_ == kClassSa) return GetSAMeasurementName(measurement_id_);
    return kInvalidMeasurement;
}

core::Text CMeasSetup::GetMeasurementDescription() const {
    if (measurement_class_ == kClassVna) return GetVNAMeasurementDescription(measurement_id_);
    if (measurement_class_ == kClassSa) return GetSAMeasurementDescription(measurement_id_);
    return kInvalidMeasurement;
}

core::Text CMeasSetup::GetSAMeasurementName(int32_t id) {
    return MeasurementText(id, kClassSa, false);
}
core::Text CMeasSetup::GetSAMeasurementDescription(int32_t id) {
    return MeasurementText(id, kClassSa, true);
}
core::Text CMeasSetup::GetVNAMeasurementName(int32_t id) {
    return MeasurementText(id, kClassVna, false);
}
core::Text CMeasSetup::GetVNAMeasurementDescription(int32_t id) {
    return MeasurementText(id, kClassVna, true);
}

bool CMeasSetup::SetMeasurementId(int32_t id) {
    const MeasurementRow* row = FindMeasurement(id);
    if (!row) return false;
    measurement_id_ = id;
    measurement_name_id_ = row->name_id;
    return true;
}

core::Text CMeasSetup::GetMeasurementTitle() const {
    return LoadResString(static_cast<uint32_t>(measurement_name_id_));
}

core::Text CMeasSetup::GetDisplayName() const {
    if (!named_from_file_) return LoadResString(static_cast<uint32_t>(GetDefaultNameId()));
    size_t slash = file_path_.rfind(u'\\');
    size_t begin = slash == core::Text::npos ? 0 : slash + 1;
    size_t dot = file_path_.rfind(u'.');
    if (dot == core::Text::npos || dot < begin) return file_path_.substr(begin);
    return file_path_.substr(begin, dot - begin);
}

int32_t CMeasSetup::GetPropertyHelpId(int32_t code) const {
    for (const auto& row : kPropertyHelp)
        if (row.code == code) return row.id;
    return -1;
}

namespace {
// The rows the spectrum and network analyzer forms add before the common ones.
constexpr HelpRow kAnalyzerHelp[] = {
    {26, 64401}, {27, 64403}, {30, 64404}, {31, 64405}, {22, 64420}, {23, 64421},
    {28, 64427}, {29, 64428}, {32, 64429}, {33, 64430}, {36, 64431}, {37, 64432},
    {38, 64433}, {39, 64434}, {40, 64435}, {41, 64436},
};
}  // namespace

int32_t CMeasSetup::AnalyzerPropertyHelpId(int32_t code) {
    for (const auto& row : kAnalyzerHelp)
        if (row.code == code) return row.id;
    return -1;
}

// --- chain

std::unique_ptr<CMeasSetup> CMeasSetup::SetNext(std::unique_ptr<CMeasSetup> next) {
    std::swap(next_, next);
    return next;
}

void CMeasSetup::Append(std::unique_ptr<CMeasSetup> setup) {
    CMeasSetup* last = this;
    while (last->next_) last = last->next_.get();
    last->next_ = std::move(setup);
}

int CMeasSetup::CountChain(const CMeasSetup* first) {
    int count = 0;
    for (const CMeasSetup* s = first; s; s = s->next_.get()) ++count;
    return count;
}

CMeasSetup* CMeasSetup::FindById(int32_t id) {
    for (CMeasSetup* s = this; s; s = s->next_.get())
        if (s->measurement_id_ == id) return s;
    return nullptr;
}

int CMeasSetup::CountByClassAndId(int32_t cls, int32_t id) const {
    int count = 0;
    for (const CMeasSetup* s = this; s; s = s->next_.get())
        if (s->measurement_class_ == cls && s->measurement_id_ == id) ++count;
    return count;
}

CMeasSetup* CMeasSetup::FindByClassAndId(int32_t cls, int32_t id) {
    for (CMeasSetup* s = this; s; s = s->next_.get())
        if (s->measurement_class_ == cls && s->measurement_id_ == id) return s;
    return nullptr;
}

// --- amplitude

double CMeasSetup::ClampedReference(double watts) const {
    double dbm = WattsToDbm(watts);
    double high = amplitude_offset_ + kRefAboveOffset;
    double low = amplitude_offset_ - kRefBelowOffset;
    if (dbm > high) return DbmToWatts(high);
    if (dbm < low) return DbmToWatts(low);
    return watts;
}

bool CMeasSetup::ClampReferenceLevel() {
    return Update(reference_level_, ClampedReference(reference_level_));
}

void CMeasSetup::StoreAmplitudeOffset(double offset) {
    if (std::isnan(offset)) return;
    ChangeBatch batch(*this);
    Update(amplitude_offset_, std::clamp(offset, -kMaxAmplitudeOffset, kMaxAmplitudeOffset));
    if (ClampsReferenceToOffset()) ClampReferenceLevel();
}

void CMeasSetup::SetAmplitudeOffset(double offset) {
    StoreAmplitudeOffset(offset);
}

double CMeasSetup::StepAmplitudeOffset(double step, bool up) {
    if (std::isnan(step)) return 0.0;
    double old = amplitude_offset_;
    if (up ? old >= kMaxAmplitudeOffset : old <= -kMaxAmplitudeOffset) return 0.0;
    StoreAmplitudeOffset(up ? old + step : old - step);
    return std::fabs(amplitude_offset_ - old);
}

double CMeasSetup::IncAmplitudeOffset(double step) {
    return StepAmplitudeOffset(step, true);
}
double CMeasSetup::DecAmplitudeOffset(double step) {
    return StepAmplitudeOffset(step, false);
}

bool CMeasSetup::StoreMeasureUnit(int32_t unit) {
    if (!InRange(unit, UNIT_DBM, UNIT_DB_PER_FOOT)) return false;
    if (reference_value_) reference_value_->SetUnit(static_cast<uint32_t>(unit));
    Update(measure_unit_, unit);
    return true;
}

bool CMeasSetup::SetMeasureUnit(int32_t unit) {
    return StoreMeasureUnit(unit);
}

bool CMeasSetup::SetReferenceLevel(double watts) {
    if (!(watts > 0.0) || std::isinf(watts)) return false;
    Update(reference_level_, ClampedReference(watts));
    return true;
}

double CMeasSetup::GetReferenceLevel(bool scaled) const {
    if (measurement_class_ != kClassSa && scaled && reference_value_) {
        return ConvertPowerUnit(reference_level_, reference_value_->GetUnit(), UNIT_W);
    }
    return reference_level_;
}

double CMeasSetup::GetReferenceLevelDbm() const {
    return WattsToDbm(reference_level_);
}

void CMeasSetup::AddReferenceLevel(bool wrap, double step_db) {
    if (std::isnan(step_db)) return;
    double high = amplitude_offset_ + kRefAboveOffset;
    double low = amplitude_offset_ - kRefBelowOffset;
    double dbm = GetReferenceLevelDbm() + step_db;
    if (dbm > high) dbm = wrap ? low : high;
    if (dbm < low) dbm = wrap ? high : low;
    Update(reference_level_, DbmToWatts(dbm));
}

void CMeasSetup::SetReferenceStepping(double db) {
    if (std::isnan(db)) return;
    Update(reference_stepping_, std::clamp(db, kMinStepping, kMaxStepping));
}

void CMeasSetup::IncReferenceStepping(bool wrap, double step) {
    if (std::isnan(step)) return;
    double v = reference_stepping_ + step;
    if (v > kMaxStepping) v = wrap ? kMinStepping : kMaxStepping;
    SetReferenceStepping(v);
}

void CMeasSetup::DecReferenceStepping(bool wrap, double step) {
    if (std::isnan(step)) return;
    double v = reference_stepping_ - step;
    if (v < kMinStepping) v = wrap ? kMaxStepping : kMinStepping;
    SetReferenceStepping(v);
}

void CMeasSetup::NextReferenceStepping() {
    constexpr int n = std::size(kSteppingTable);
    int i = TableIndex(kSteppingTable, reference_stepping_);
    Update(reference_stepping_, i < 0 ? kSteppingTable[0] : kSteppingTable[(i + 1) % n]);
}

void CMeasSetup::PrevReferenceStepping() {
    constexpr int n = std::size(kSteppingTable);
    int i = TableIndex(kSteppingTable, reference_stepping_);
    Update(reference_stepping_, i < 0 ? kSteppingTable[0] : kSteppingTable[(i + n - 1) % n]);
}

void CMeasSetup::SetReferenceValue(std::unique_ptr<CGuardedValue> value) {
    if (!value || value == reference_value_) return;
    reference_value_ = std::move(value);
    NotifyChanged(true);
}

void CMeasSetup::SetAttenuationLevel(double db) {
    if (std::isnan(db)) return;
    double value = std::clamp(db, kAttenuationTable[3], kAttenuationTable[0]);
    if (value == attenuation_level_) return;
    previous_attenuation_level_ = attenuation_level_;
    Update(attenuation_level_, value);
}

bool CMeasSetup::SetAttenuationMode(int32_t mode) {
    return UpdateChoice(attenuation_mode_, mode, 0, 1);
}

void CMeasSetup::IncAttenuationLevel(bool wrap) {
    SetAttenuationLevel(StepTable(kAttenuationTable, attenuation_level_, true, wrap));
}
void CMeasSetup::DecAttenuationLevel(bool wrap) {
    SetAttenuationLevel(StepTable(kAttenuationTable, attenuation_level_, false, wrap));
}

bool CMeasSetup::SetPreampMode(int32_t mode) {
    if (!InRange(mode, 0, 1)) return false;
    ChangeBatch batch(*this);
    Update(preamp_mode_, mode);
    Update(preamp_level_, mode == 0 ? kPreampTable[0] : kPreampTable[1]);
    return true;
}

void CMeasSetup::SetPreampLevel(double db) {
    if (std::isnan(db)) return;
    ChangeBatch batch(*this);
    Update(preamp_level_, std::clamp(db, kPreampTable[1], kPreampTable[0]));
    Update(preamp_mode_, preamp_level_ == kPreampTable[0] ? 0 : 1);
}

void CMeasSetup::IncPreampLevel(bool wrap) {
    SetPreampLevel(StepTable(kPreampTable, preamp_level_, true, wrap));
}
void CMeasSetup::DecPreampLevel(bool wrap) {
    SetPreampLevel(StepTable(kPreampTable, preamp_level_, false, wrap));
}

// --- frequencies, points and band

void CMeasSetup::InstallRange(std::unique_ptr<CFrequencyRange> range) {
    if (range) range_ = std::move(range);
    // The bandwidth block asks this setup for its range, so it follows the
    // new one; it only needs the new span.
    if (bandwidth_) bandwidth_->UpdateForSpan(range_->GetSpan());
    NotifyChanged(true);
}

void CMeasSetup::SetFrequencyRange(std::unique_ptr<CFrequencyRange> range) {
    if (!range) return;
    if (range.get() == range_.get()) {
        // Handed its own range back: keep it alive, just re-apply it.
        (void)range.release();
        InstallRange(nullptr);
        return;
    }
    InstallRange(std::move(range));
}

int32_t CMeasSetup::GetDisplayPoints() const {
    return std::max(data_points_, kDefaultDataPoints);
}

bool CMeasSetup::SetDataPoints(int32_t points) {
    if (!InRange(points, kMinDataPoints, kMaxDataPoints)) return false;
    Update(data_points_, points);
    return true;
}

void CMeasSetup::CycleDataPoints() {
    switch (data_points_) {
        case 177:
            SetDataPoints(353);
            break;
        case 353:
            SetDataPoints(705);
            break;
        case 705:
            SetDataPoints(1409);
            break;
        case 1409:
            SetDataPoints(177);
            break;
        default:
            break;
    }
}

void CMeasSetup::SetBand(ISetupBand* band) {
    ChangeBatch batch(*this);
    bool changed = band != band_;
    band_ = band;
    if (band) {
        band->CountUse(true);
        auto range = std::make_unique<CFrequencyRange>(band->GetStart(), band->GetCenter(),
                                                       band->GetStop(), band->GetSpan());
        // The instrument's limits stay those of the range the band replaces.
        range->SetLimits(range_->GetLowerLimit(), range_->GetUpperLimit(), range_->GetMinSpan());
        InstallRange(std::move(range));
        changed = true;
    }
    if (changed) NotifyChanged(true);
}

uint64_t CMeasSetup::GetBandValue(uint32_t i) const {
    return band_ ? band_->GetPointValue(i, static_cast<uint32_t>(GetDataPoints())) : 0;
}

void CMeasSetup::ApplyChannel() {
    if (!band_ || channel_number_ == -1) return;
    ChangeBatch batch(*this);
    const int32_t channel = channel_number_;
    const uint64_t bandwidth = band_->GetChannelBandwidth(channel);
    bool moved = range_->SetSpan(kChannelSpanWidths * bandwidth, true) != 0;
    moved = (range_->SetCentre(band_->ChannelToFrequency(channel), true) != 0) || moved;
    if (bandwidth_) bandwidth_->UpdateForSpan(range_->GetSpan());
    if (moved) NotifyChanged(true);
    SetCenterDistance(bandwidth);
}

void CMeasSetup::TuneToChannel(int32_t channel) {
    if (!band_) return;
    ChangeBatch batch(*this);
    SetChannelNumber(channel);
    ApplyChannel();
    const uint64_t bandwidth = band_->GetChannelBandwidth(channel);
    SetChannelWidth(bandwidth);
    SetAdjChannelWidth(bandwidth);
}

void CMeasSetup::SetBandwidthSettings(std::unique_ptr<CChoiceBlock> block) {
    if (block && block != bandwidth_) bandwidth_ = std::move(block);
}

// --- markers

CValueRecord* CMeasSetup::GetMarker(int i) const {
    return i >= 0 && i < kMarkerCount ? markers_[i].get() : nullptr;
}

int32_t CMeasSetup::GetMarkerState(int i) const {
    CValueRecord* marker = GetMarker(i);
    return marker ? marker->GetState() : -1;
}

void CMeasSetup::SetMarkerState(int i, int32_t state) {
    CValueRecord* marker = GetMarker(i);
    if (!marker || marker->GetState() == state) return;
    marker->SetState(state);
    NotifyChanged(true);
}

CValueRecord* CMeasSetup::GetMarkerFor(const CValueRecord* item) const {
    if (!item) return markers_[0].get();
    int32_t index = item->GetIndex();
    return index >= -1 && index < kMarkerCount - 1 ? markers_[index + 1].get() : markers_[0].get();
}

int CMeasSetup::CountActiveMarkers() const {
    return static_cast<int>(std::count_if(markers_.begin(), markers_.end(),
                                          [](const auto& m) { return m->GetState() == 1; }));
}

bool CMeasSetup::SetMarkerSearchMode(int32_t mode) {
    if (!InRange(mode, 0, 1)) return false;
    marker_search_mode_ = mode;
    return true;
}

// --- trace settings

bool CMeasSetup::SetAveragingMode(int32_t mode) {
    return UpdateChoice(averaging_mode_, mode, 0, 1);
}

void CMeasSetup::SetAveragingCount(int32_t n) {
    Update(averaging_count_, std::clamp(n, kMinAveraging, kMaxAveraging));
}

void CMeasSetup::IncAveragingCount(int32_t n) {
    if (n > kMaxAveraging) n = averaging_count_ == kMaxAveraging ? kMinAveraging : kMaxAveraging;
    SetAveragingCount(n);
}

void CMeasSetup::DecAveragingCount(int32_t n) {
    SetAveragingCount(std::max(n, kMinAveraging));
}

void CMeasSetup::SetPeakHold(int32_t n) {
    Update(peak_hold_, std::clamp(n, kMinPeakHold, kMaxPeakHold));
}

void CMeasSetup::IncPeakHold(int32_t n) {
    if (n > kMaxPeakHold) n = peak_hold_ == kMaxPeakHold ? kMinPeakHold : kMaxPeakHold;
    SetPeakHold(n);
}

void CMeasSetup::DecPeakHold(int32_t n) {
    SetPeakHold(std::max(n, kMinPeakHold));
}

bool CMeasSetup::SetPeakHoldMode(int32_t mode) {
    return UpdateChoice(peak_hold_mode_, mode, 0, 2);
}

bool CMeasSetup::SetDetectionMode(int32_t mode) {
    return UpdateChoice(detection_mode_, mode, 0, 3);
}

const CMeasSetup::TraceEntry* CMeasSetup::GetTraceEntry(int i) const {
    return i >= 0 && i < kTraceEntryCount ? &trace_entries_[i] : nullptr;
}

void CMeasSetup::SetTraceEntry(int i, const TraceEntry& entry) {
    if (i >= 0 && i < kTraceEntryCount) Update(trace_entries_[i], entry);
}

bool CMeasSetup::SetWaterfallMode(int32_t mode) {
    if (!InRange(mode, 0, 3)) return false;
    waterfall_mode_ = mode;
    return true;
}

bool CMeasSetup::SetTriggerMode(int32_t mode) {
    if (!InRange(mode, 0, CTriggerSettings::kModeCount - 1)) return false;
    if (trigger_->GetMode() != mode) {
        trigger_->SetMode(mode);
        NotifyChanged(true);
    }
    return true;
}

// --- threshold

bool CMeasSetup::SetThresholdMode(int32_t mode) {
    return UpdateChoice(threshold_mode_, mode, 0, 1);
}

void CMeasSetup::SetThreshold(int32_t tenths_db) {
    Update(threshold_, std::clamp(tenths_db, kMinThreshold, kMaxThreshold));
}

void CMeasSetup::SetThresholdPercent(int32_t tenths) {
    Update(threshold_percent_, std::clamp(tenths, 0, kMaxThresholdPercent));
}

void CMeasSetup::DecThresholdPercent(int32_t tenths) {
    SetThresholdPercent(tenths >= threshold_percent_ ? 0 : threshold_percent_ - tenths);
}

// --- channels

uint64_t CMeasSetup::ValidateChannelWidth(uint64_t hertz) const {
    return std::clamp(hertz, GetChannelWidthStep(), std::max<uint64_t>(GetMaxChannelWidth(), 1));
}

void CMeasSetup::SetChannelWidth(uint64_t hertz) {
    Update(channel_width_, ValidateChannelWidth(hertz));
}

void CMeasSetup::IncChannelWidth(uint64_t step) {
    uint64_t current = GetChannelWidth();
    SetChannelWidth(step > UINT64_MAX - current ? UINT64_MAX : current + step);
}

void CMeasSetup::DecChannelWidth(uint64_t step) {
    uint64_t current = GetChannelWidth();
    SetChannelWidth(step >= current ? 0 : current - step);
}

uint64_t CMeasSetup::GetChannelWidthStep() const {
    return std::max<uint64_t>(range_ ? range_->GetSpan() / 100 : 0, 1);
}

uint64_t CMeasSetup::GetMaxChannelWidth() const {
    return range_ ? range_->GetSpan() : 1;
}

uint64_t CMeasSetup::GetMinAdjChannelWidth() const {
    return GetChannelWidthStep();
}

uint64_t CMeasSetup::GetMaxAdjChannelWidth() const {
    return GetMaxChannelWidth();
}

void CMeasSetup::IncAdjChannelWidth(uint64_t step) {
    uint64_t v = adj_channel_width_ > UINT64_MAX - step ? UINT64_MAX : adj_channel_width_ + step;
    SetAdjChannelWidth(std::clamp(v, GetMinAdjChannelWidth(),
                                  std::max(GetMaxAdjChannelWidth(), GetMinAdjChannelWidth())));
}

void CMeasSetup::DecAdjChannelWidth(uint64_t step) {
    uint64_t v = step >= adj_channel_width_ ? 0 : adj_channel_width_ - step;
    SetAdjChannelWidth(std::clamp(v, GetMinAdjChannelWidth(),
                                  std::max(GetMaxAdjChannelWidth(), GetMinAdjChannelWidth())));
}

uint64_t CMeasSetup::GetMaxCenterDistance() const {
    uint64_t span = GetMaxChannelWidth();
    uint64_t min_width = GetMinAdjChannelWidth();
    return span > min_width ? (span - min_width) / 2 : 0;
}

void CMeasSetup::IncCenterDistance(uint64_t step) {
    uint64_t v = center_distance_ > UINT64_MAX - step ? UINT64_MAX : center_distance_ + step;
    SetCenterDistance(std::clamp(v, GetMinCenterDistance(), GetMaxCenterDistance()));
}

void CMeasSetup::DecCenterDistance(uint64_t step) {
    uint64_t v = step >= center_distance_ ? 0 : center_distance_ - step;
    SetCenterDistance(std::clamp(v, GetMinCenterDistance(), GetMaxCenterDistance()));
}

bool CMeasSetup::RaiseWidthsAndCheckFit() {
    if (adj_channel_width_ < GetMinAdjChannelWidth()) SetAdjChannelWidth(GetMinAdjChannelWidth());
    if (center_distance_ < GetMinCenterDistance()) SetCenterDistance(GetMinCenterDistance());
    return GetMaxChannelWidth() >= adj_channel_width_ + 2 * center_distance_;
}

bool CMeasSetup::FitAdjWidthToSpan() {
    ChangeBatch batch(*this);
    if (RaiseWidthsAndCheckFit()) return true;
    uint64_t span = GetMaxChannelWidth();
    if (2 * center_distance_ < span && span - 2 * center_distance_ >= GetMinAdjChannelWidth()) {
        SetAdjChannelWidth(span - 2 * center_distance_);
    } else {
        SetAdjChannelWidth(span / 3);
        SetCenterDistance(span / 3);
    }
    return false;
}

bool CMeasSetup::FitCenterDistanceToSpan() {
    ChangeBatch batch(*this);
    if (RaiseWidthsAndCheckFit()) return true;
    uint64_t span = GetMaxChannelWidth();
    if (adj_channel_width_ >= span) {
        SetAdjChannelWidth(span / 3);
        SetCenterDistance(span / 3);
    } else {
        SetCenterDistance((span - adj_channel_width_) / 2);
    }
    return false;
}

void CMeasSetup::ResetChannelWidths() {
    ChangeBatch batch(*this);
    uint64_t third = GetMaxChannelWidth() / 3;
    Update(channel_width_, third);
    Update(adj_channel_width_, third);
    Update(center_distance_, third);
}

// --- demodulation

bool CMeasSetup::SetModulationType(int32_t type) {
    return type == -1 ? (Update(modulation_type_, type), true)
                      : UpdateChoice(modulation_type_, type, 1, 5);
}

uint64_t CMeasSetup::GetSidebandFrequency() {
    if (sideband_frequency_ < 1 || sideband_frequency_ > CFrequencyRange::kDefaultUpper)
        sideband_frequency_ = kDefaultSideband;
    return sideband_frequency_;
}

int32_t CMeasSetup::GetVolumeType() {
    if (volume_type_ > 100 || volume_type_ < 0) volume_type_ = 50;
    return volume_type_;
}

int32_t CMeasSetup::GetPlayTime() {
    if (!InRange(play_time_, 1000, 500000)) play_time_ = kDefaultPlayTime;
    return play_time_;
}

int32_t CMeasSetup::GetZeroSpanTime() {
    if (!InRange(zero_span_time_, 1, 100000)) zero_span_time_ = kDefaultZeroSpanTime;
    return zero_span_time_;
}

void CMeasSetup::SetZeroSpanTime(int32_t time) {
    Update(zero_span_time_, std::clamp(time, 1, 100000));
}

void CMeasSetup::SetLevel(double level) {
    if (std::isnan(level)) return;
    level_ = std::clamp(level, kMinLevel, kMaxLevel);
}

#include "files/vna_meas_setup.h"

#include <algorithm>
#include <cmath>

#include "core/res_string.h"
#include "core/units.h"

namespace {

constexpr int32_t kPointTable[CVNAMeasSetup::kStepCount] = {12,  23,   45,   89,   177,  353,
                                                            705, 1409, 2817, 5633, 11265};

struct Scale {
    double top, bottom, min_step, default_step, default_span;
};
// By reflection unit 20..25.
constexpr Scale kScales[] = {
    {0, -100, 0.1, 1.0, 10.0}, {200, 1, 0.001, 0.1, 1.0}, {0, -100, 0.01, 1.0, 10.0},
    {1, 0, 0.001, 0.01, 0.1},  {100, 0, 0.1, 1.0, 10.0},  {100, 0, 0.1, 1.0, 10.0},
};
constexpr Scale kNoScale = {-1, -1, -1, -1, -1};
constexpr double kTwoPortTop = 60.0, kTwoPortBottom = -140.0;
constexpr double kMaxPowerOutput = 10.0;
constexpr float kMinVp = 0.1f, kMaxVp = 1.0f;
constexpr float kMaxDtfLoss = 20.0f;
constexpr float kHalfLightSpeed = 149896224.0f;

bool IsReflectionUnit(int32_t unit) {
    return unit >= int32_t{UNIT_RETURN_LOSS} && unit <= int32_t{UNIT_REFL_PERCENT};
}

const Scale& ScaleOf(int32_t unit) {
    return IsReflectionUnit(unit) ? kScales[unit - int32_t{UNIT_RETURN_LOSS}] : kNoScale;
}

}  // namespace

CVNAMeasSetup::CVNAMeasSetup(ISetupEnvironment* environment, CVNADataStore* store)
    : CMeasSetup(environment) {
    ResetVnaDefaults();
    store_ = store;
}

void CVNAMeasSetup::ResetVnaDefaults() {
    ChangeBatch batch(*this);
    SetMeasurementClass(kClassVna);
    SetMeasurementId(1);
    SetMeasurementNameId(872);
    ISetupEnvironment* environment = GetEnvironment();
    bool option = environment && environment->HasOption();
    GetFrequencyRange()->SetLimits(CFrequencyRange::GetLowLimit2(option),
                                   CFrequencyRange::kDefaultUpper, 100000);
    CChoiceBlock* bandwidth = GetBandwidthSettings();
    bandwidth->SetRbwMode(CChoiceBlock::kModeManual, true);
    bandwidth->SetVbwMode(CChoiceBlock::kModeManual, true);
    bandwidth->SetRbwIndex(6, true);
    MeasureUnitField() = UNIT_RETURN_LOSS;
    SetMeasureUnit(UNIT_DB);

    cable_loss_immunity_ = false;
    if_immunity_ = true;
    power_output_one_port_ = power_output_two_port_ = 0.0;
    minimum_level_ = -100.0;
    maximum_level_ = 0.0;
    gain_minimum_level_ = -140.0;
    gain_maximum_level_ = 60.0;
    dtf_vp_ = 0.89f;
    dtf_loss_ = 0.0f;
    dtf_loss_unit_ = UNIT_DB_PER_METRE;
    distance_unit_ = UNIT_METRE;
    calibrating_ = false;
    two_port_b_amps_ = 0.0;
    dtf_start_ = 0.1f;
    dtf_stop_ = 28.678f;
    dtf_smoothing_ = 0;
    dc_bias_type_ = 0;
    store_ = nullptr;
    cal_uploaded_ = false;
    has_cal_file_ = false;
    // No cable list: no cable type.
    SetCableType(environment ? environment->FindCableType(u"None") : nullptr);
}

// --- saving and loading

bool CVNAMeasSetup::Save() {
    return WriteThroughFile();
}

bool CVNAMeasSetup::QuickSave() {
    return QuickSaveNamed("General VNA");
}

bool CVNAMeasSetup::SaveBackup() {
    return SaveBackupNamed("Backup VNA");
}

bool CVNAMeasSetup::Load(const core::Text& path, bool read) {
    if (!read) return false;
    if (!CMeasSetup::Load(path)) return false;
    if (has_cal_file_) {
        LoadCalibration();
    } else if (store_) {
        store_->Clear();
    }
    cal_uploaded_ = false;
    return true;
}

void CVNAMeasSetup::LoadCalibration() {
    // A setup read for its properties only keeps knowing its calibration
    // file (so that deleting the setup deletes it too).
    if (!store_) return;
    std::unique_ptr<ISetupFile> file = CreateSetupFile();
    if (file && file->LoadCalibration()) return;
    has_cal_file_ = false;
    if (store_) store_->Clear();
}

std::optional<core::Text> CVNAMeasSetup::CalFilePathFor(const core::Text& label) {
    if (label.empty() || label.find(u"..") != core::Text::npos) return std::nullopt;
    core::Text name = label;
    std::replace(name.begin(), name.end(), u'\\', u'_');
    std::replace(name.begin(), name.end(), u'/', u'_');
    return u"\\FlashFX Disk\\My Cals\\" + name + u".cal";
}

bool CVNAMeasSetup::DeleteCalFile() {
    if (!has_cal_file_) return true;
    std::optional<core::Text> path = CalFilePathFor(GetSetupLabel());
    return path && DeleteFile(*path);
}

// --- names

core::Text CVNAMeasSetup::GetClassName() const {
    return LoadResString(445);
}
core::Text CVNAMeasSetup::GetMeasurementName() const {
    return GetVNAMeasurementName(GetMeasurementId());
}
core::Text CVNAMeasSetup::GetMeasurementDescription() const {
    return GetVNAMeasurementDescription(GetMeasurementId());
}

int32_t CVNAMeasSetup::GetDefaultNameId() const {
    switch (GetMeasurementId()) {
        case 1:
            return 627;
        case 2:
            return 628;
        case 3:
            return 629;
        case 4:
            return 632;
        case 5:
            return 633;
        default:
            return 401;
    }
}

int32_t CVNAMeasSetup::GetPropertyHelpId(int32_t code) const {
    int32_t id = AnalyzerPropertyHelpId(code);
    return id >= 0 ? id : CMeasSetup::GetPropertyHelpId(code);
}

// --- points and units

int32_t CVNAMeasSetup::DoGetDataPoints() const {
    return calibrating_ ? GetDisplayPoints() : CMeasSetup::DoGetDataPoints();
}

int32_t CVNAMeasSetup::GetDisplayPoints() const {
    return std::max(CMeasSetup::DoGetDataPoints(), kDefaultDataPoints);
}

int32_t CVNAMeasSetup::GetStepValue(uint32_t i) {
    return kPointTable[std::min(i, kStepCount - 1)];
}

uint32_t CVNAMeasSetup::FindStepIndex(int32_t n) {
    for (uint32_t i = 0; i < kStepCount; ++i)
        if (kPointTable[i] >= n) return i;
    return kStepCount - 1;
}

bool CVNAMeasSetup::SetDataPoints(int32_t points) {
    ChangeBatch batch(*this);
    Update(DataPointsField(), GetStepValue(FindStepIndex(points)));
    ValidateDtfStop();
    return true;
}

void CVNAMeasSetup::CycleDataPoints() {
    uint32_t i = FindStepIndex(DataPointsField());
    if (i + 1 < kStepCount) DataPointsField() = kPointTable[i + 1];
}

void CVNAMeasSetup::StepDataPointsDown() {
    uint32_t i = FindStepIndex(DataPointsField());
    if (i == 0) return;
    DataPointsField() = kPointTable[i - 1];
    // Fewer points reach less far: the distance stop follows.
    ValidateDtfStop();
}

int32_t CVNAMeasSetup::DoGetMeasureUnit() const {
    int32_t id = GetMeasurementId();
    return id == 3 || id == kTwoPortId ? int32_t{UNIT_RETURN_LOSS} : CMeasSetup::DoGetMeasureUnit();
}

int32_t CVNAMeasSetup::GetOnePortMeasureUnit() const {
    return CMeasSetup::DoGetMeasureUnit();
}

bool CVNAMeasSetup::SetMeasureUnit(int32_t unit) {
    if (IsTwoPort()) return false;
    return ConvertMeasureUnit(unit);
}

bool CVNAMeasSetup::SetOnePortMeasureUnit(int32_t unit) {
    if (IsTwoPort() || !IsReflectionUnit(unit)) return false;
    return StoreMeasureUnit(unit);
}

bool CVNAMeasSetup::ConvertMeasureUnit(int32_t unit) {
    if (!IsReflectionUnit(unit)) return false;
    int32_t old = CMeasSetup::DoGetMeasureUnit();
    if (old == unit) return true;
    ChangeBatch batch(*this);
    StoreMeasureUnit(unit);
    double top = ConvertReflectionUnit(maximum_level_, unit, old);
    double bottom = ConvertReflectionUnit(minimum_level_, unit, old);
    // Match efficiency runs the other way: top and bottom change places.
    if (old == UNIT_MATCH_EFF || unit == UNIT_MATCH_EFF) std::swap(top, bottom);
    maximum_level_ = top;
    minimum_level_ = bottom;
    maximum_level_ = ClampAmplitudeTop(maximum_level_);
    minimum_level_ = ClampAmplitudeBottom(minimum_level_);
    return true;
}

// --- scales

double CVNAMeasSetup::GetAmplitudeTop() const {
    return IsTwoPort() ? gain_maximum_level_ : maximum_level_;
}
double CVNAMeasSetup::GetAmplitudeBottom() const {
    return IsTwoPort() ? gain_minimum_level_ : minimum_level_;
}
void CVNAMeasSetup::SetAmplitudeTop(double v) {
    (IsTwoPort() ? gain_maximum_level_ : maximum_level_) = v;
}
void CVNAMeasSetup::SetAmplitudeBottom(double v) {
    (IsTwoPort() ? gain_minimum_level_ : minimum_level_) = v;
}

double CVNAMeasSetup::GetAmplitudeTopLimit() const {
    return IsTwoPort() ? kTwoPortTop : ScaleOf(GetMeasureUnit()).top;
}
double CVNAMeasSetup::GetAmplitudeBottomLimit() const {
    return IsTwoPort() ? kTwoPortBottom : ScaleOf(GetMeasureUnit()).bottom;
}
double CVNAMeasSetup::GetAmplitudeMinStep() const {
    return ScaleOf(GetMeasureUnit()).min_step;
}
double CVNAMeasSetup::GetDefaultScaleStep() const {
    return ScaleOf(GetMeasureUnit()).default_step;
}
double CVNAMeasSetup::GetDefaultScaleSpan() const {
    return ScaleOf(GetMeasureUnit()).default_span;
}

double CVNAMeasSetup::GetAmplitudeTopFromBottom() const {
    return std::min(GetAmplitudeBottom() + 10 * GetAmplitudeMinStep(), GetAmplitudeTopLimit());
}
double CVNAMeasSetup::GetAmplitudeBottomFromTop() const {
    return std::max(GetAmplitudeTop() - 10 * GetAmplitudeMinStep(), GetAmplitudeBottomLimit());
}

double CVNAMeasSetup::ClampAmplitudeTop(double v) const {
    v = std::min(v, GetAmplitudeTopLimit());
    return std::max(v, GetAmplitudeTopFromBottom());
}

double CVNAMeasSetup::ClampAmplitudeBottom(double v) const {
    v = std::min(v, GetAmplitudeBottomFromTop());
    return std::max(v, GetAmplitudeBottomLimit());
}

// --- output power
// ---------------------------------------------------------------------------------

double CVNAMeasSetup::GetMinPowerOutput() const {
    return IsTwoPort() ? -40.0 : -20.0;
}

double CVNAMeasSetup::ClampPowerOutput(double dbm) const {
    return std::clamp(dbm, GetMinPowerOutput(), kMaxPowerOutput);
}

double CVNAMeasSetup::GetPowerOutput() const {
    return IsTwoPort() ? power_output_two_port_ : power_output_one_port_;
}

void CVNAMeasSetup::SetPowerOutput(double dbm) {
    if (std::isnan(dbm)) return;
    (IsTwoPort() ? power_output_two_port_ : power_output_one_port_) = ClampPowerOutput(dbm);
}

bool CVNAMeasSetup::SetDcBiasType(int32_t type) {
    return UpdateChoice(dc_bias_type_, type, 0, 1);
}

// --- distance to fault
// -------------------------------------------------------------------------------

float CVNAMeasSetup::ToMetres(float display) const {
    return distance_unit_ == UNIT_FOOT ? static_cast<float>(FeetToMetres(display)) : display;
}
float CVNAMeasSetup::FromMetres(float metres) const {
    return distance_unit_ == UNIT_FOOT ? static_cast<float>(MetresToFeet(metres)) : metres;
}

void CVNAMeasSetup::SetDtfVp(float vp) {
    if (std::isnan(vp)) return;
    ChangeBatch batch(*this);
    Update(dtf_vp_, std::clamp(vp, kMinVp, kMaxVp));
    ValidateDtfStop();
}

void CVNAMeasSetup::IncDtfVp(float step) {
    SetDtfVp(std::min(dtf_vp_ + step, kMaxVp));
}

void CVNAMeasSetup::DecDtfVp(float step) {
    float v = dtf_vp_ - step;
    SetDtfVp(v <= kMinVp ? kMinVp : v);
}

void CVNAMeasSetup::IncDtfLoss(float step) {
    // A loss per foot is a larger loss per metre.
    float per_metre = distance_unit_ == UNIT_FOOT ? static_cast<float>(MetresToFeet(step)) : step;
    dtf_loss_ = std::clamp(dtf_loss_ + per_metre, 0.0f, kMaxDtfLoss);
}

void CVNAMeasSetup::DecDtfLoss(float step) {
    float per_metre = distance_unit_ == UNIT_FOOT ? static_cast<float>(MetresToFeet(step)) : step;
    dtf_loss_ = std::clamp(dtf_loss_ - per_metre, 0.0f, kMaxDtfLoss);
}

bool CVNAMeasSetup::SetDtfSmoothing(int32_t level) {
    if (level < 0 || level > 3) return false;
    dtf_smoothing_ = level;
    return true;
}

float CVNAMeasSetup::GetDtfStart() const {
    return FromMetres(dtf_start_);
}
float CVNAMeasSetup::GetDtfStop() const {
    return FromMetres(dtf_stop_);
}

void CVNAMeasSetup::SetDtfStart(float display) {
    SetDtfStartMetres(ToMetres(display));
}
void CVNAMeasSetup::SetDtfStop(float display) {
    SetDtfStopMetres(ToMetres(display));
}

void CVNAMeasSetup::StoreDtf(float& field, float value) {
    if (!std::isnan(value)) Update(field, value);
}

void CVNAMeasSetup::SetDtfStartMetres(float metres) {
    ChangeBatch batch(*this);
    StoreDtf(dtf_start_, metres);
    CheckDtfStart();
}

void CVNAMeasSetup::SetDtfStopMetres(float metres) {
    ChangeBatch batch(*this);
    StoreDtf(dtf_stop_, metres);
    CheckDtfStop();
}

float CVNAMeasSetup::GetDistanceResolution() const {
    float span = static_cast<float>(GetFrequencyRange()->GetSpan());
    if (span <= 0.0f) return 0.0f;
    return dtf_vp_ * kHalfLightSpeed / span;
}

float CVNAMeasSetup::GetMaxDistance() const {
    float d = static_cast<float>(CMeasSetup::DoGetDataPoints() - 1) * GetDistanceResolution();
    return std::min(d, kMaxDistance);
}

float CVNAMeasSetup::EffectiveMaxDistance() const {
    // Room for the shortest start and stop even when the sweep allows less.
    return std::max(GetMaxDistance(), kMinDistanceSpan * 2);
}

void CVNAMeasSetup::CheckDtfStart() {
    ChangeBatch batch(*this);
    float max = EffectiveMaxDistance();
    if (dtf_start_ < kMinDistanceSpan) Update(dtf_start_, kMinDistanceSpan);
    if (dtf_start_ > max - kMinDistanceSpan) {
        Update(dtf_start_, max - kMinDistanceSpan);
        Update(dtf_stop_, max);
    }
    if (dtf_stop_ < dtf_start_ + kMinDistanceSpan) Update(dtf_stop_, dtf_start_ + kMinDistanceSpan);
}

void CVNAMeasSetup::CheckDtfStop() {
    ChangeBatch batch(*this);
    float max = EffectiveMaxDistance();
    if (dtf_stop_ < 2 * kMinDistanceSpan) Update(dtf_stop_, 2 * kMinDistanceSpan);
    if (dtf_stop_ > max) Update(dtf_stop_, max);
    if (dtf_start_ > dtf_stop_ - kMinDistanceSpan) Update(dtf_start_, dtf_stop_ - kMinDistanceSpan);
}

void CVNAMeasSetup::ValidateDtfStop() {
    ChangeBatch batch(*this);
    float max = EffectiveMaxDistance();
    if (dtf_stop_ > max) Update(dtf_stop_, max);
    if (dtf_start_ > dtf_stop_ - kMinDistanceSpan) Update(dtf_start_, dtf_stop_ - kMinDistanceSpan);
}

// --- calibration
// ---------------------------------------------------------------------------------------

CalTermInfo CVNAMeasSetup::GetSweepCalInfo() const {
    const CFrequencyRange* range = GetFrequencyRange();
    return {static_cast<uint32_t>(GetDisplayPoints()), range->GetStart(), range->GetStop(),
            GetPowerOutput(), IsTwoPort() ? 1u : 0u};
}

bool CVNAMeasSetup::GetCalInfo(CalTermInfo& out) const {
    if (!store_) return false;
    out = store_->GetCalInfo();
    return true;
}

bool CVNAMeasSetup::IsCalValid(bool exact) const {
    CalTermInfo s = GetSweepCalInfo();
    return store_ && store_->IsValidFor(s.points, s.start, s.stop, s.power, s.two_port, exact);
}

bool CVNAMeasSetup::IsOnePortCalValid(bool exact) const {
    CalTermInfo s = GetSweepCalInfo();
    return store_ &&
           store_->IsOnePortValidFor(s.points, s.start, s.stop, s.power, s.two_port, exact);
}

bool CVNAMeasSetup::StoreTerm(CVNADataStore::Term term, const void* buffer) {
    if (!store_) return false;
    CalTermInfo s = GetSweepCalInfo();
    return store_->SetTerm(term, buffer, s.points, s.start, s.stop, s.power, s.two_port);
}

bool CVNAMeasSetup::GetIsolation(void* buffer) const {
    return store_ && store_->HasTransmission() && store_->GetEX(buffer);
}

bool CVNAMeasSetup::InvalidateCal() {
    if (!store_) return false;
    store_->Clear();
    return true;
}

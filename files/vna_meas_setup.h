#pragma once
// The setup of the network analyzer screen: the common setup plus the
// amplitude scales of the one-port and two-port displays, the output power,
// the distance-to-fault settings, a few results that traces keep, and the
// link to the calibration terms in the screen's data store.
#include <optional>

#include "files/meas_setup.h"
#include "files/vna_data_store.h"

class CVNAMeasSetup : public CMeasSetup {
  public:
    static constexpr int32_t kTwoPortId = 4;
    static constexpr uint32_t kStepCount = 11;
    static constexpr float kMinDistanceSpan = 0.1f;
    static constexpr float kMaxDistance = 10000.0f;
    static constexpr const char16_t* kBackupPath =
        u"\\FlashFX Disk\\My Setups\\Backup\\Backup VNA.tws";
    static constexpr const char16_t* kFactoryPath =
        u"\\FlashFX Disk\\My Setups\\Backup\\Factory VNA.tws";

    // Without a store: a setup read for its properties only.
    explicit CVNAMeasSetup(ISetupEnvironment* environment = nullptr,
                           CVNADataStore* store = nullptr);

    // --- saving and loading
    bool Save() override;
    bool QuickSave() override;
    bool SaveBackup() override;
    bool Load(const core::Text& path) override { return Load(path, true); }
    // Reads the setup (only when `read`), then loads its calibration or
    // clears the store.
    bool Load(const core::Text& path, bool read);
    bool LoadBackup() override { return Load(kBackupPath, true); }
    bool LoadFactory() override { return Load(kFactoryPath, true); }
    core::Text GetBackupPath() const override { return kBackupPath; }
    bool DeleteCalFile() override;
    // "\FlashFX Disk\My Cals\<label>.cal" with path separators in the label
    // replaced; nothing for an empty label or one holding "..".
    static std::optional<core::Text> CalFilePathFor(const core::Text& label);

    core::Text GetClassName() const override;
    core::Text GetMeasurementName() const override;
    core::Text GetMeasurementDescription() const override;
    int32_t GetDefaultNameId() const override;
    int32_t GetVersionWord() const override { return 4; }
    int32_t GetPropertyHelpId(int32_t code) const override;

    // --- points and units
    int32_t GetDisplayPoints() const override;
    // The first entry of the point table not below n.
    bool SetDataPoints(int32_t points) override;
    void CycleDataPoints() override;
    void StepDataPointsDown();
    static uint32_t GetStepCount() { return kStepCount; }
    static int32_t GetStepValue(uint32_t i);
    static uint32_t FindStepIndex(int32_t n);
    // Nothing for the two-port measurement; otherwise ConvertMeasureUnit.
    bool SetMeasureUnit(int32_t unit) override;
    // Reflection units 20..25 only; converts the one-port levels.
    bool ConvertMeasureUnit(int32_t unit);
    bool SetOnePortMeasureUnit(int32_t unit);
    int32_t GetOnePortMeasureUnit() const;

    // --- scales
    double GetAmplitudeTop() const;
    double GetAmplitudeBottom() const;
    void SetAmplitudeTop(double v);
    void SetAmplitudeBottom(double v);
    void SetAmplitudeTopClamped(double v) { SetAmplitudeTop(ClampAmplitudeTop(v)); }
    void SetAmplitudeBottomClamped(double v) { SetAmplitudeBottom(ClampAmplitudeBottom(v)); }
    double ClampAmplitudeTop(double v) const;
    double ClampAmplitudeBottom(double v) const;
    double GetAmplitudeTopLimit() const;
    double GetAmplitudeBottomLimit() const;
    double GetAmplitudeMinStep() const;
    double GetDefaultScaleStep() const;
    double GetDefaultScaleSpan() const;
    double GetAmplitudeTopFromBottom() const;
    double GetAmplitudeBottomFromTop() const;
    double GetMaximumLevel() const { return maximum_level_; }
    double GetMinimumLevel() const { return minimum_level_; }
    double GetGainMaximumLevel() const { return gain_maximum_level_; }
    double GetGainMinimumLevel() const { return gain_minimum_level_; }
    void SetMaximumLevel(double v) { maximum_level_ = v; }
    void SetMinimumLevel(double v) { minimum_level_ = v; }
    void SetGainMaximumLevel(double v) { gain_maximum_level_ = v; }
    void SetGainMinimumLevel(double v) { gain_minimum_level_ = v; }

    // --- output power
    double GetPowerOutput() const;
    void SetPowerOutput(double dbm);
    double ClampPowerOutput(double dbm) const;
    double GetMinPowerOutput() const;

    // --- switches and results
    bool GetIfImmunity() const { return if_immunity_; }
    void SetIfImmunity(bool on) { if_immunity_ = on; }
    bool GetCableLossInterferenceImmunity() const { return cable_loss_immunity_; }
    void SetCableLossInterferenceImmunity(bool on) { cable_loss_immunity_ = on; }
    float GetCableLoss() const { return cable_loss_; }
    void SetCableLoss(float v) { cable_loss_ = v; }
    float GetTwoPortAvgGain() const { return two_port_avg_gain_; }
    void SetTwoPortAvgGain(float v) { two_port_avg_gain_ = v; }
    double GetTwoPortBAmps() const { return two_port_b_amps_; }
    void SetTwoPortBAmps(double v) { two_port_b_amps_ = v; }
    int32_t GetDcBiasType() const { return dc_bias_type_; }
    // 0 or 1; other values are refused.
    bool SetDcBiasType(int32_t type);
    double GetBiasCurrentLimit() const { return 1000.0; }

    // --- distance to fault
    float GetDtfVp() const { return dtf_vp_; }
    // Clamped into 0.1..1.0.
    void SetDtfVp(float vp);
    void IncDtfVp(float step);
    void DecDtfVp(float step);
    float GetDtfLoss() const { return dtf_loss_; }
    void SetDtfLoss(float db_per_metre) { dtf_loss_ = db_per_metre; }
    // Steps in the display unit, limited to 0..20 dB per metre.
    void IncDtfLoss(float step);
    void DecDtfLoss(float step);
    int32_t GetDtfLossUnit() const { return dtf_loss_unit_; }
    void SetDtfLossUnit(int32_t unit) { dtf_loss_unit_ = unit; }
    bool IsDistanceInMeters() const { return distance_unit_ == 27; }
    void SetDistanceUnit(bool metres) { distance_unit_ = metres ? 27 : 28; }
    int32_t GetDistanceUnit() const { return distance_unit_; }
    int32_t GetDtfSmoothing() const { return dtf_smoothing_; }
    // 0..3; other values are refused.
    bool SetDtfSmoothing(int32_t level);
    float GetDtfStart() const;
    float GetDtfStop() const;
    float GetDtfStartRaw() const { return dtf_start_; }
    float GetDtfStopRaw() const { return dtf_stop_; }
    void SetDtfStart(float display);
    void SetDtfStop(float display);
    void IncDtfStart(float step) { SetDtfStartMetres(dtf_start_ + ToMetres(step)); }
    void DecDtfStart(float step) { SetDtfStartMetres(dtf_start_ - ToMetres(step)); }
    void IncDtfStop(float step) { SetDtfStopMetres(dtf_stop_ + ToMetres(step)); }
    void DecDtfStop(float step) { SetDtfStopMetres(dtf_stop_ - ToMetres(step)); }
    float GetDtfSpan() const { return dtf_stop_ - dtf_start_; }
    float GetDistanceResolution() const;
    float GetMaxDistance() const;
    float GetMinDistanceSpan() const { return kMinDistanceSpan; }
    void CheckDtfStart();
    void CheckDtfStop();
    void ValidateDtfStop();

    // --- calibration
    // ------------------------------------------------------------------------------
    CVNADataStore* GetDataStore() const { return store_; }
    void SetCalibrating() { calibrating_ = true; }
    void ClearCalibrating() { calibrating_ = false; }
    bool IsCalibrating() const { return calibrating_; }
    bool IsCalUploaded() const { return cal_uploaded_; }
    void SetCalUploaded(bool on) { cal_uploaded_ = on; }
    bool HasCalFile() const { return has_cal_file_; }
    void SetHasCalFile(bool on) { has_cal_file_ = on; }
    CalTermInfo GetSweepCalInfo() const;
    // Without a data store every calibration operation fails (false).
    bool GetCalInfo(CalTermInfo& out) const;
    bool IsCalValid(bool exact) const;
    bool IsOnePortCalValid(bool exact) const;
    bool HasOnePortCal() const { return store_ && store_->HasOnePort(); }
    bool HasTwoPortCal() const { return store_ && store_->HasTransmission(); }
    bool HasIsolationCal() const { return store_ && store_->HasIsolation(); }
    bool SetReflectionTracking(const void* buffer) { return StoreTerm(CVNADataStore::ER, buffer); }
    bool SetSourceMatch(const void* buffer) { return StoreTerm(CVNADataStore::ES, buffer); }
    bool SetDirectivity(const void* buffer) { return StoreTerm(CVNADataStore::ED, buffer); }
    bool SetTransmissionTracking(const void* buffer) {
        return StoreTerm(CVNADataStore::ET, buffer);
    }
    bool SetIsolation(const void* buffer) { return StoreTerm(CVNADataStore::EX, buffer); }
    bool GetReflectionTracking(void* buffer) const { return store_ && store_->GetER(buffer); }
    bool GetSourceMatch(void* buffer) const { return store_ && store_->GetES(buffer); }
    bool GetDirectivity(void* buffer) const { return store_ && store_->GetED(buffer); }
    bool GetTransmissionTracking(void* buffer) const { return store_ && store_->GetET(buffer); }
    bool GetIsolation(void* buffer) const;
    bool InvalidateCal();

    void CopyFrom(const CMeasSetup& other) override;

  protected:
    std::unique_ptr<CMeasSetup> CreateBlank() const override {
        return std::make_unique<CVNAMeasSetup>(GetEnvironment());
    }
    std::unique_ptr<ISetupFile> CreateSetupFile() override;
    int32_t DoGetMeasureUnit() const override;
    int32_t DoGetDataPoints() const override;
    bool ClampsReferenceToOffset() const override { return false; }

  private:
    void ResetVnaDefaults();
    bool IsTwoPort() const { return GetMeasurementId() == kTwoPortId; }
    float ToMetres(float display) const;
    float FromMetres(float metres) const;
    // The furthest stop, never closer than start and stop allow.
    float EffectiveMaxDistance() const;
    void SetDtfStartMetres(float metres);
    void SetDtfStopMetres(float metres);
    void StoreDtf(float& field, float value);
    bool StoreTerm(CVNADataStore::Term term, const void* buffer);
    void LoadCalibration();

    bool cable_loss_immunity_ = false;
    bool if_immunity_ = true;
    double power_output_one_port_ = 0.0;
    double power_output_two_port_ = 0.0;
    double minimum_level_ = -100.0;
    double maximum_level_ = 0.0;
    double gain_minimum_level_ = -140.0;
    double gain_maximum_level_ = 60.0;
    float dtf_vp_ = 0.89f;
    float dtf_loss_ = 0.0f;
    int32_t dtf_loss_unit_ = 29;
    int32_t distance_unit_ = 27;
    bool calibrating_ = false;
    float cable_loss_ = 0.0f;
    float two_port_avg_gain_ = 0.0f;
    double two_port_b_amps_ = 0.0;
    float dtf_start_ = 0.1f;
    float dtf_stop_ = 28.678f;
    int32_t dtf_smoothing_ = 0;
    int32_t dc_bias_type_ = 0;
    CVNADataStore* store_ = nullptr;
    bool cal_uploaded_ = false;
    bool has_cal_file_ = false;
};

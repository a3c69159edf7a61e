#pragma once
// The in-memory document of one instrument screen: every setting of a
// measurement with its defaults and limits, change notification, the six
// markers, the bandwidth block and trigger settings, and the chain of setups
// a setup sequence is made of. Used through its derived forms.
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>

#include "core/frequency_range.h"
#include "core/params.h"
#include "core/text.h"
#include "files/setup_services.h"
#include "files/trigger_settings.h"
#include "files/value_record.h"

class CMeasSetup : public IChoiceOwner {
  public:
    enum MeasurementClass : int32_t { kClassVna = 1, kClassSa = 2, kClassPower = 3 };
    static constexpr int32_t kStateUnchanged = 256;
    static constexpr int32_t kStateChanged = 512;
    static constexpr int kMarkerCount = 6;
    static constexpr int kTraceEntryCount = 50;
    static constexpr int32_t kMinDataPoints = 177, kMaxDataPoints = 11265;
    static constexpr int32_t kDefaultDataPoints = 705;
    static constexpr double kMaxAmplitudeOffset = 100.0;
    // The reference level stays within [offset - 140, offset + 30] dBm.
    static constexpr double kRefBelowOffset = 140.0, kRefAboveOffset = 30.0;
    static constexpr double kMinStepping = 1.0, kMaxStepping = 15.0;
    static constexpr int32_t kMinAveraging = 2, kMaxAveraging = 1024;
    static constexpr int32_t kMinPeakHold = 1, kMaxPeakHold = 50;
    static constexpr int32_t kMinThreshold = -700, kMaxThreshold = 0;
    static constexpr int32_t kMaxThresholdPercent = 1000;
    static constexpr double kMinLevel = -50.0, kMaxLevel = 300.0;
    static constexpr uint64_t kDefaultSideband = 95500000;
    static constexpr int32_t kDefaultPlayTime = 5000, kDefaultZeroSpanTime = 5000;

    struct TraceEntry {
        std::array<uint8_t, 16> bytes{};
        bool operator==(const TraceEntry&) const = default;
    };

    // Called once for every change of the setup (and once for a whole
    // compound operation such as a reset or a band change).
    using ChangeListener = std::function<void(CMeasSetup&)>;

    ~CMeasSetup() override;
    CMeasSetup(const CMeasSetup&) = delete;
    CMeasSetup& operator=(const CMeasSetup&) = delete;

    // --- ownership word, saving and loading
    void SetOwnerWord(int32_t word) { owner_word_ = word; }
    int32_t GetOwnerWord() const { return owner_word_; }
    virtual bool Save() { return false; }
    virtual bool QuickSave() { return false; }
    virtual bool SaveBackup() { return false; }
    // Reads the file into this setup; on success the file path becomes `path`.
    virtual bool Load(const core::Text& path);
    // Load without a message or history entry; a refusal's reason goes to
    // `reason`.
    bool LoadSilently(const core::Text& path, core::Text* reason);
    virtual bool LoadBackup() { return false; }
    virtual bool LoadFactory() { return false; }
    // The file SaveBackup writes; empty for a form without one.
    virtual core::Text GetBackupPath() const { return {}; }
    // LoadBackup once the backup file reads without a message; false with
    // the refusal's reason in `reason` when it is missing or damaged, the
    // setup untouched.
    bool LoadBackupQuietly(core::Text* reason);

    // --- copies
    // Every setting of `other`, a setup of the same form, becomes this
    // setup's, with one change notification. The listener, the chain, the
    // environment and (network analyzer) the calibration store stay.
    virtual void CopyFrom(const CMeasSetup& other);
    // A new setup of the same form holding this setup's settings.
    std::unique_ptr<CMeasSetup> CloneSettings() const;
    // A new setup of the same form holding its defaults.
    std::unique_ptr<CMeasSetup> CreateDefaultSettings() const { return CreateBlank(); }

    // --- measurement kind and names
    int32_t GetMeasurementId() const { return measurement_id_; }
    int32_t GetMeasurementCode() const;
    virtual core::Text GetClassName() const;
    virtual core::Text GetMeasurementName() const;
    virtual core::Text GetMeasurementDescription() const;
    static core::Text GetSAMeasurementName(int32_t id);
    static core::Text GetSAMeasurementDescription(int32_t id);
    static core::Text GetVNAMeasurementName(int32_t id);
    static core::Text GetVNAMeasurementDescription(int32_t id);
    virtual int32_t GetDefaultNameId() const { return 634; }
    virtual int32_t GetVersionWord() const { return 0; }
    // An id that no instrument offers is refused (false) and nothing changes.
    bool SetMeasurementId(int32_t id);
    int32_t GetMeasurementNameId() const { return measurement_name_id_; }
    core::Text GetDisplayName() const;
    // Deletes the file at an instrument path; an empty path is success.
    static bool DeleteFile(const core::Text& path);
    virtual bool DeleteCalFile() { return false; }
    core::Text GetMeasurementTitle() const;
    int32_t GetMeasurementClass() const { return measurement_class_; }
    virtual int32_t GetPropertyHelpId(int32_t code) const;

    // --- chain of setups (a setup sequence)
    // Replaces the rest of the chain; returns the part that was linked before.
    std::unique_ptr<CMeasSetup> SetNext(std::unique_ptr<CMeasSetup> next);
    CMeasSetup* GetNext() const { return next_.get(); }
    void Append(std::unique_ptr<CMeasSetup> setup);
    static int CountChain(const CMeasSetup* first);
    CMeasSetup* FindById(int32_t id);
    int CountByClassAndId(int32_t cls, int32_t id) const;
    CMeasSetup* FindByClassAndId(int32_t cls, int32_t id);

    // --- texts and time stamps
    const core::Text& GetSetupLabel() const { return setup_label_; }
    void SetSetupLabel(core::Text label) { setup_label_ = std::move(label); }
    const core::Text& GetDateText() const { return date_text_; }
    void SetDateText(core::Text text) { date_text_ = std::move(text); }
    const core::Text& GetFilePath() const { return file_path_; }
    void SetFilePath(core::Text path) { file_path_ = std::move(path); }
    const core::Text& GetSubtitle() const { return subtitle_; }
    void SetSubtitle(core::Text text) { subtitle_ = std::move(text); }
    const core::Text& GetNotes() const { return notes_; }
    void SetNotes(core::Text text) { notes_ = std::move(text); }
    const core::Text& GetTitle() const { return title_; }
    void SetTitle(core::Text text) { title_ = std::move(text); }
    const core::Text& GetSeventhText() const { return seventh_text_; }
    void SetSeventhText(core::Text text) { seventh_text_ = std::move(text); }
    bool IsNamedFromFile() const { return named_from_file_; }
    void SetNamedFromFile(bool named) { named_from_file_ = named; }
    // The three stamps, in the order the setup file header writes them:
    // the change time as "creation date", the save time as "change date" and
    // the creation time as "last used date". Save renews the first two.
    std::time_t GetChangeTime() const { return change_time_; }
    void SetChangeTime(std::time_t t) { change_time_ = t; }
    std::time_t GetSaveTime() const { return save_time_; }
    void SetSaveTime(std::time_t t) { save_time_ = t; }
    std::time_t GetCreationTime() const { return creation_time_; }
    void SetCreationTime(std::time_t t) { creation_time_ = t; }
    bool GetStartMe() const { return start_me_; }
    void SetStartMe(bool on) { start_me_ = on; }
    bool GetFavorite() const { return favorite_; }
    void SetFavorite(bool on) { favorite_ = on; }

    // --- change state
    bool IsChanged() const { return changed_; }
    // Stores the changed flag; true also turns the state word 256 into 512
    // and tells the listener.
    void NotifyChanged(bool changed);
    int32_t GetStateWord() const { return state_word_; }
    void SetStateWord(int32_t word) { state_word_ = word; }
    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }

    // Groups the changes of a compound operation into one notification.
    class ChangeBatch {
      public:
        explicit ChangeBatch(CMeasSetup& setup);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

      private:
        CMeasSetup& setup_;
    };

    int32_t GetCountSetting() const { return count_setting_; }
    void SetCountSetting(int32_t value) { Update(count_setting_, value); }

    // --- amplitude
    // Clamped into -100..100 dB.
    virtual void SetAmplitudeOffset(double offset);
    double GetAmplitudeOffset() const { return amplitude_offset_; }
    // The step actually applied, as an absolute value; 0 at the limit.
    virtual double IncAmplitudeOffset(double step);
    virtual double DecAmplitudeOffset(double step);
    int32_t GetMeasureUnit() const { return DoGetMeasureUnit(); }
    // A unit code outside 0..30 is refused (false).
    virtual bool SetMeasureUnit(int32_t unit);
    int32_t GetScaleSetting() const { return scale_setting_; }
    void SetScaleSetting(int32_t value) { scale_setting_ = value; }
    // Watts; refused when not a positive number, else clamped into the
    // reference range around the amplitude offset.
    bool SetReferenceLevel(double watts);
    double GetReferenceLevel(bool scaled) const;
    double GetReferenceLevelDbm() const;
    void AddReferenceLevel(bool wrap, double step_db);
    void SubtractReferenceLevel(bool wrap, double step_db) { AddReferenceLevel(wrap, -step_db); }
    // dB per division, clamped into 1..15.
    void SetReferenceStepping(double db);
    double GetReferenceStepping() const { return reference_stepping_; }
    void IncReferenceStepping(bool wrap, double step);
    void DecReferenceStepping(bool wrap, double step);
    void NextReferenceStepping();
    void PrevReferenceStepping();
    CGuardedValue* GetReferenceValue() const { return reference_value_.get(); }
    void SetReferenceValue(std::unique_ptr<CGuardedValue> value);

    double GetAttenuationLevel() const { return attenuation_level_; }
    double GetPreviousAttenuationLevel() const { return previous_attenuation_level_; }
    int32_t GetAttenuationMode() const { return attenuation_mode_; }
    // Clamped into 0..30 dB; the old value is kept as the previous one.
    void SetAttenuationLevel(double db);
    bool SetAttenuationMode(int32_t mode);
    void IncAttenuationLevel(bool wrap);
    void DecAttenuationLevel(bool wrap);
    double GetPreampLevel() const { return preamp_level_; }
    int32_t GetPreampMode() const { return preamp_mode_; }
    bool SetPreampMode(int32_t mode);
    // Clamped into 0..24 dB; the mode follows (0 only at 24 dB).
    void SetPreampLevel(double db);
    void IncPreampLevel(bool wrap);
    void DecPreampLevel(bool wrap);

    // --- frequencies, points and band
    CFrequencyRange* GetFrequencyRange() override { return range_.get(); }
    const CFrequencyRange* GetFrequencyRange() const { return range_.get(); }
    // Takes the range, gives its span to the bandwidth settings, notifies.
    void SetFrequencyRange(std::unique_ptr<CFrequencyRange> range);
    int32_t GetDataPoints() const { return DoGetDataPoints(); }
    virtual int32_t GetDisplayPoints() const;
    // 177..11,265; false and no change otherwise.
    virtual bool SetDataPoints(int32_t points);
    virtual void CycleDataPoints();
    ISetupBand* GetBand() const { return band_; }
    // Follows the band (not owned): the frequency range becomes the band's,
    // within the limits of the current range.
    void SetBand(ISetupBand* band);
    uint64_t GetBandValue(uint32_t i) const;
    void ApplyChannel();
    CChoiceBlock* GetBandwidthSettings() const { return bandwidth_.get(); }
    void SetBandwidthSettings(std::unique_ptr<CChoiceBlock> block);
    int32_t GetSweepFlag() const { return sweep_flag_; }
    void SetSweepFlag(int32_t flag) { sweep_flag_ = flag; }

    // --- limits
    double GetUpperLimitValue() const { return upper_limit_value_; }
    void SetUpperLimitValue(double v) { upper_limit_value_ = v; }
    double GetLowerLimitValue() const { return lower_limit_value_; }
    void SetLowerLimitValue(double v) { lower_limit_value_ = v; }
    bool GetUpperLimitState() const { return upper_limit_state_; }
    void SetUpperLimitState(bool on) { upper_limit_state_ = on; }
    bool GetLowerLimitState() const { return lower_limit_state_; }
    void SetLowerLimitState(bool on) { lower_limit_state_ = on; }
    bool GetLimitAlarm() const { return limit_alarm_; }
    void SetLimitAlarm(bool on) { limit_alarm_ = on; }
    // 1 selects the upper line and mask list, any other value the lower ones.
    int32_t GetLimitType() const { return limit_type_; }
    void SetLimitType(int32_t type) { limit_type_ = type; }

    // --- markers
    bool GetFreqCounter() const { return freq_counter_; }
    void SetFreqCounter(bool on) { freq_counter_ = on; }
    CValueRecord* GetMarker(int i) const;
    int32_t GetMarkerState(int i) const;
    void SetMarkerState(int i, int32_t state);
    CValueRecord* GetMarkerFor(const CValueRecord* item) const;
    int CountActiveMarkers() const;
    // 0 peaks, 1 minima.
    int32_t GetMarkerSearchMode() const { return marker_search_mode_; }
    bool SetMarkerSearchMode(int32_t mode);

    CCableType* GetCableType() const { return cable_type_; }
    void SetCableType(CCableType* cable) { Update(cable_type_, cable); }

    // --- trace settings
    int32_t GetAveragingMode() const { return averaging_mode_; }
    int32_t GetAveragingCount() const { return averaging_count_; }
    // A hook the screens may call; it does nothing.
    virtual void EmptyHook() {}
    // 0 off, 1 on.
    bool SetAveragingMode(int32_t mode);
    // Clamped into 2..1,024.
    void SetAveragingCount(int32_t n);
    void IncAveragingCount(int32_t n);
    void DecAveragingCount(int32_t n);
    int32_t GetPeakHold() const { return peak_hold_; }
    void SetPeakHold(int32_t n);
    void IncPeakHold(int32_t n);
    void DecPeakHold(int32_t n);
    int32_t GetPeakHoldMode() const { return peak_hold_mode_; }
    // 0 off, 1 maximum, 2 minimum.
    bool SetPeakHoldMode(int32_t mode);
    int32_t GetDetectionMode() const { return detection_mode_; }
    // 0 average power, 1 sample, 2 negative peak, 3 positive peak.
    bool SetDetectionMode(int32_t mode);
    int32_t GetResolutionLevel() const { return resolution_level_; }
    void SetResolutionLevel(int32_t level) { Update(resolution_level_, level); }
    const TraceEntry* GetTraceEntry(int i) const;
    void SetTraceEntry(int i, const TraceEntry& entry);
    // 0 off, 1 waterfall, 2 spectrum and waterfall, 3 recalled waterfall.
    int32_t GetWaterfallMode() const { return waterfall_mode_; }
    bool SetWaterfallMode(int32_t mode);

    // --- trigger
    int32_t GetTriggerMode() const { return trigger_->GetMode(); }
    // 0..5; other modes are refused (false).
    bool SetTriggerMode(int32_t mode);
    CTriggerSettings* GetTriggerSettings() const { return trigger_.get(); }

    // --- occupied bandwidth threshold
    int32_t GetThresholdMode() const { return threshold_mode_; }
    // 0 percent, 1 level below the peak.
    bool SetThresholdMode(int32_t mode);
    int32_t GetThreshold() const { return threshold_; }
    void SetThreshold(int32_t tenths_db);
    void ClampThresholdHigh(int32_t tenths_db) { SetThreshold(tenths_db); }
    void ClampThresholdLow(int32_t tenths_db) { SetThreshold(tenths_db); }
    float GetThresholdDb() const { return static_cast<float>(threshold_ * 0.1); }
    int32_t GetThresholdPercent() const { return threshold_percent_; }
    void SetThresholdPercent(int32_t tenths);
    void ClampThresholdPercent(int32_t tenths) { SetThresholdPercent(tenths); }
    void DecThresholdPercent(int32_t tenths);
    float GetThresholdPercentValue() const { return static_cast<float>(threshold_percent_ * 0.1); }

    // --- channels
    int32_t GetChannelNumber() const { return channel_number_; }
    void SetChannelNumber(int32_t channel) { Update(channel_number_, channel); }
    uint64_t GetChannelWidth() const { return ValidateChannelWidth(channel_width_); }
    void SetChannelWidth(uint64_t hertz);
    void IncChannelWidth(uint64_t step);
    void DecChannelWidth(uint64_t step);
    uint64_t GetChannelWidthStep() const;
    uint64_t GetMaxChannelWidth() const;
    uint64_t GetAdjChannelWidth() const { return adj_channel_width_; }
    void SetAdjChannelWidth(uint64_t hertz) { Update(adj_channel_width_, hertz); }
    void IncAdjChannelWidth(uint64_t step);
    void DecAdjChannelWidth(uint64_t step);
    uint64_t GetMinAdjChannelWidth() const;
    uint64_t GetMaxAdjChannelWidth() const;
    bool FitAdjWidthToSpan();
    bool FitCenterDistanceToSpan();
    void ResetChannelWidths();
    uint64_t GetCenterDistance() const { return center_distance_; }
    void SetCenterDistance(uint64_t hertz) { Update(center_distance_, hertz); }
    void IncCenterDistance(uint64_t step);
    void DecCenterDistance(uint64_t step);
    uint64_t GetMinCenterDistance() const { return 0; }
    uint64_t GetMaxCenterDistance() const;
    // The width limited to [span / 100 (at least 1), span].
    uint64_t ValidateChannelWidth(uint64_t hertz) const;

    // --- demodulation and field strength
    int32_t GetModulationType() const { return modulation_type_; }
    // -1 none, 1 AM, 2 wide FM, 3 narrow FM, 4 upper and 5 lower sideband.
    bool SetModulationType(int32_t type);
    // A stored value outside 1..3,600,000,000 Hz is first reset to 95.5 MHz.
    uint64_t GetSidebandFrequency();
    void SetSidebandFrequency(uint64_t hertz) { Update(sideband_frequency_, hertz); }
    // A stored value above 100 is first reset to 50.
    int32_t GetVolumeType();
    void SetVolumeType(int32_t volume) { Update(volume_type_, volume); }
    // A stored value outside 1,000..500,000 ms is first reset to 5,000.
    int32_t GetPlayTime();
    void SetPlayTime(int32_t ms) { Update(play_time_, ms); }
    CAntenna* GetAntenna() const { return antenna_; }
    void SetAntenna(CAntenna* antenna) { antenna_ = antenna; }
    // A stored value outside 1..100,000 is first reset to 5,000.
    int32_t GetZeroSpanTime();
    void SetZeroSpanTime(int32_t time);
    bool GetFSBeepMode() const { return fs_beep_mode_; }
    void SetFSBeepMode(bool on) { fs_beep_mode_ = on; }
    bool GetRssi() const { return rssi_; }
    void SetRssi(bool on) { rssi_ = on; }

    // --- the peak threshold offset
    // ----------------------------------------------------------------
    int32_t GetLevelWord() const { return level_word_; }
    void SetLevelWord(int32_t word) { level_word_ = word; }
    double GetLevel() const { return level_; }
    // Clamped into -50..300.
    void SetLevel(double level);
    void IncLevel(double step) { SetLevel(level_ + step); }
    void DecLevel(double step) { SetLevel(level_ - step); }

    // --- reset
    // ------------------------------------------------------------------------------------ Every
    // field of this class to its default; remembers the environment.
    virtual void Reset(ISetupEnvironment* environment);
    // Reset with the environment given at construction, then notifies.
    void ResetToDefaults();
    ISetupEnvironment* GetEnvironment() const { return environment_; }

    // The bandwidth block reports its changes here.
    void OnChoiceChanged() override { NotifyChanged(true); }

    // The local time now, as the files stamp it.
    static std::time_t Now();
    // The trace listing learns the class from a legacy trace file.
    void SetMeasurementClass(int32_t cls) { measurement_class_ = cls; }

  protected:
    explicit CMeasSetup(ISetupEnvironment* environment);

    void SetMeasurementNameId(int32_t id) { measurement_name_id_ = id; }
    // The help rows both analyzer forms look up first; -1 for other codes.
    static int32_t AnalyzerPropertyHelpId(int32_t code);
    // The file object of this setup's form; none until a form provides one.
    virtual std::unique_ptr<ISetupFile> CreateSetupFile() { return nullptr; }
    // A new setup of this form with its defaults.
    virtual std::unique_ptr<CMeasSetup> CreateBlank() const = 0;
    // The copy of the fields of this class, without notification.
    void CopyBaseFields(const CMeasSetup& other);
    // Saves through the file object to the file path.
    bool WriteThroughFile();
    // Quick save: label "<stem>(MM-DD hh-mm-ss)" in My Setups; backup save:
    // label and file "<label>.tws" in My Setups\Backup. Both date the setup,
    // save it and on success clear the changed flag.
    bool QuickSaveNamed(const char* label_stem);
    bool SaveBackupNamed(const char* label);
    // Stores the value and notifies when it differs.
    template <typename T>
    bool Update(T& field, T value) {
        if (field == value) return false;
        field = value;
        NotifyChanged(true);
        return true;
    }
    // Refuses (false) a choice outside lo..hi; else stores it as Update does.
    bool UpdateChoice(int32_t& field, int32_t value, int32_t lo, int32_t hi) {
        if (value < lo || value > hi) return false;
        Update(field, value);
        return true;
    }
    // Storage the derived forms read and change directly.
    virtual int32_t DoGetMeasureUnit() const { return measure_unit_; }
    virtual int32_t DoGetDataPoints() const { return data_points_; }
    int32_t& MeasureUnitField() { return measure_unit_; }
    int32_t& DataPointsField() { return data_points_; }
    void StoreAmplitudeOffset(double offset);
    // Base unit setter: stores, gives the unit to the reference value.
    bool StoreMeasureUnit(int32_t unit);
    // True when offset changes also keep the reference level in its range.
    virtual bool ClampsReferenceToOffset() const { return true; }

  private:
    friend class ChangeBatch;
    void InstallRange(std::unique_ptr<CFrequencyRange> range);
    void StampSave(const char* label_stem, bool quick);
    bool RaiseWidthsAndCheckFit();
    bool ClampReferenceLevel();
    double ClampedReference(double watts) const;
    double StepAmplitudeOffset(double step, bool up);

    // Notification state.
    ChangeListener listener_;
    int batch_depth_ = 0;
    bool batch_pending_ = false;

    int32_t waterfall_mode_ = 0;
    bool fs_beep_mode_ = false;
    bool named_from_file_ = false;
    core::Text setup_label_, date_text_, file_path_, subtitle_, notes_, title_;
    std::time_t change_time_ = 0, save_time_ = 0, creation_time_ = 0;
    core::Text seventh_text_;
    bool start_me_ = false;
    std::array<std::unique_ptr<CValueRecord>, kMarkerCount> markers_;
    int32_t measurement_class_ = 0;
    int32_t measurement_id_ = 0;
    int32_t measurement_name_id_ = 703;
    int32_t state_word_ = kStateUnchanged;
    int32_t owner_word_ = 0;
    int32_t measure_unit_ = 0;
    int32_t count_setting_ = 50;
    std::unique_ptr<CFrequencyRange> range_;
    std::unique_ptr<CGuardedValue> reference_value_;
    double upper_limit_value_ = 20.0, lower_limit_value_ = -80.0;
    bool upper_limit_state_ = false, lower_limit_state_ = false, limit_alarm_ = false;
    int32_t limit_type_ = 0;
    int32_t sweep_flag_ = 1;
    bool freq_counter_ = false;
    ISetupBand* band_ = nullptr;
    CCableType* cable_type_ = nullptr;
    int32_t scale_setting_ = 1;
    double amplitude_offset_ = 0.0;
    std::unique_ptr<CChoiceBlock> bandwidth_;
    int32_t data_points_ = kDefaultDataPoints;
    int32_t averaging_mode_ = 0;
    int32_t averaging_count_ = 2;
    double reference_level_ = 0.1;
    double reference_stepping_ = 10.0;
    double attenuation_level_ = 30.0;
    double previous_attenuation_level_ = 0.0;
    double preamp_level_ = 0.0;
    int32_t attenuation_mode_ = 0;
    int32_t preamp_mode_ = 1;
    int32_t resolution_level_ = 3;
    int32_t peak_hold_ = 1;
    int32_t peak_hold_mode_ = 0;
    std::array<TraceEntry, kTraceEntryCount> trace_entries_{};
    int32_t detection_mode_ = 3;
    std::unique_ptr<CTriggerSettings> trigger_;
    int32_t threshold_ = -500;
    int32_t threshold_percent_ = 990;
    int32_t threshold_mode_ = 0;
    int32_t channel_number_ = -1;
    uint64_t channel_width_ = 0, adj_channel_width_ = 0, center_distance_ = 0;
    int32_t modulation_type_ = -1;
    uint64_t sideband_frequency_ = 0;
    int32_t volume_type_ = 50;
    int32_t play_time_ = kDefaultPlayTime;
    CAntenna* antenna_ = nullptr;
    int32_t zero_span_time_ = kDefaultZeroSpanTime;
    int32_t level_word_ = 0;
    double level_ = -50.0;
    ISetupEnvironment* environment_ = nullptr;
    std::unique_ptr<CMeasSetup> next_;
    bool changed_ = false;
    bool favorite_ = false;
    int32_t marker_search_mode_ = 0;
    bool rssi_ = false;
};

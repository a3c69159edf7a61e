#pragma once
// CVnaMode: the network analyzer screen (mode id 1). It owns its data store
// and the setup over it, and the four measurements (match, distance to
// fault, cable loss and, on the instruments with two ports, gain); it routes
// the keys of its menus, turns the board's replies into traces, calibrates
// with the board and moves the error terms between the board and the setup,
// and watches the DC bias of the gain measurement.
//
// The parts of the screen live in their own files: the key dispatch and the
// pages (vna_dispatch.cpp), the sweep data, scale and DC bias
// (vna_sweep.cpp), the calibration and its term transfer
// (vna_calibration.cpp), the readout cells (vna_readouts.cpp) and the
// amplitude and units pages (vna_amplitude.cpp). The modal entry dialogs are
// run through IVnaEntries, so tests can answer them.
//
// Threads: sweep blocks (reply codes 1 to 4) and the run state (96) are
// handled on the thread that delivers them, as the measurement base's intake
// is. Every other reply of the network analyzer class (the calibration
// standards, the term transfer, the DC-bias current and the stop) is copied
// into a queue and handed to the user-interface thread with the display
// refresh it posts; that thread alone touches the calibration and DC-bias
// state, the timers 7 and 8 and the message boxes.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "files/formats/trace_source.h"
#include "files/meas_setup.h"
#include "screens/measurement_base.h"
#include "screens/vna/vna_settings.h"

class CCableType;
class CSignalBand;
class CVNADataStore;
class CVNAMeasSetup;
class CVnaMeasurement;

// The entry dialogs of the network analyzer's pages. Each runs its dialog
// modally with the first typed key (a digit 0..9, 10 minus, 11 point) and
// answers the accepted value, or nothing when the user escaped.
class IVnaEntries {
  public:
    virtual ~IVnaEntries() = default;
    // A level in `unit` within [low, high]; the answer is in `unit` too.
    virtual std::optional<double> Level(uint32_t title_id, int first, uint32_t unit, int type,
                                        double value, double high, double low, double step) = 0;
    virtual std::optional<double> Offset(int first, double offset) = 0;
    // The output power (dBm) within [low, +10].
    virtual std::optional<double> PowerOutput(int first, double power, double low) = 0;

    // The entries of the settings pages; each answers nothing unless a
    // dialog runs.
    // The cable list over `list` (null without a list file): true when OK
    // left a cable in `choice`.
    virtual bool CableList(CCableType** /*choice*/, bool /*metric*/, CCableType* /*list*/) {
        return false;
    }
    virtual std::optional<int32_t> DataPoints(int32_t /*points*/) { return std::nullopt; }
    // The IFBW choice, 0 (100 Hz) .. 8 (1 MHz).
    virtual std::optional<int> Ifbw(int /*index*/) { return std::nullopt; }
    // A distance in metres or feet within [low, high].
    virtual std::optional<double> Distance(uint32_t /*title_id*/, int /*first*/, bool /*metric*/,
                                           double /*value*/, double /*low*/, double /*high*/,
                                           double /*wheel_step*/, double /*arrow_step*/) {
        return std::nullopt;
    }
    // Vp in percent.
    virtual std::optional<double> Vp(int /*first*/, double /*percent*/) { return std::nullopt; }
    // A loss per length and the unit it was entered in (29 dB/m, 30 dB/ft).
    struct Loss {
        double value = 0;
        uint32_t unit = 0;
    };
    virtual std::optional<Loss> CableLoss(int /*first*/, uint32_t /*unit*/, double /*value*/) {
        return std::nullopt;
    }
    // The band list over `list` (its head): true when OK left a band in
    // `band`, which holds the current band (or null) when the list opens.
    virtual bool Band(CSignalBand** /*band*/, CSignalBand* /*list*/) { return false; }
    // Shows a help file (its instrument path) under a title.
    virtual void QuickHelp(const core::Text& /*title*/, const core::Text& /*path*/) {}
    // The distance-to-fault wizard over the setup: its results when OK
    // validated them. `choose_cable` runs the screen's cable list.
    struct DtfWizardResults {
        float vp = 0, loss = 0;  // fraction, dB per metre
        uint64_t centre = 0, span = 0;
        int32_t points = 0;
        int32_t loss_unit = 0, distance_unit = 0;
        float stop_distance = 0;  // in the distance unit
    };
    virtual std::optional<DtfWizardResults> DtfWizard(CVNAMeasSetup* /*setup*/,
                                                      std::function<void()> /*choose_cable*/,
                                                      uint64_t /*lowest*/) {
        return std::nullopt;
    }
};

// The message boxes the screen asks; tests answer them.
class IVnaMessages {
  public:
    virtual ~IVnaMessages() = default;
    // A box with OK (false) or Yes and No (true); true when Yes or OK.
    virtual bool Ask(uint32_t text_id, uint32_t caption_id, bool yes_no) = 0;
};

// The values a recalled trace brought with it; each stays until the next
// recall.
struct VnaRecalledValues {
    double avg_gain = 0;
    double bias_current = 0;   // amperes
    int32_t bias_voltage = 0;  // 0 "+12V", any other "+24V"
    bool bias_on = false;
    double cable_loss = 0;
    int32_t calib_type = 0;  // bit 0 one-port, bit 1 two-port, bit 2 isolation
    bool adc_sat_gain = false;
};

class CVnaMode : public CMeasurementBase, public ITraceValueReceiver, public ITraceSource {
  public:
    static constexpr int kModeId = 1;
    static constexpr int kMaxPoints = 11265;
    static constexpr int kInitialPoints = 705;
    // The pages of the screen.
    enum Page : int {
        kPageFrequency = 0,
        kPageSweep = 4,
        kPageCalibration = 8,
        kPageAmplitude = 9,
        kPageUnits = 13,
        kPageTrace = 14,
        kPageMeasure = 17,
        kPageMatch = 26,
        kPageDtf = 27,
        kPageCableLoss = 28,
        kPageGain = 29,
        kPageSmoothing = 30,
        kPageCable = 31,
        kPageFurther = 32,
        kPageMarker = 33,
        kPageFile = 41,
        kPageLog = 44,
        kPageRecall = 45,
    };
    // The calibration standards (the current standard being measured).
    enum Standard : int {
        kNoStandard = 0,
        kOpen = 1,
        kShort = 2,
        kLoad = 3,
        kThru = 4,
        kIsolation = 5,
        kSkipOthers = 6,
    };
    // The view timers of the DC-bias and calibration transfer watchdogs.
    static constexpr uintptr_t kBiasTimer = 7;
    static constexpr uintptr_t kTransferTimer = 8;
    static constexpr uint32_t kWatchdogMs = 20000;
    // The setup's distance unit of metres; the help key of page 27.
    static constexpr int32_t kDistanceMetres = 27;
    static constexpr int kDtfHelpKey = 7;

    explicit CVnaMode(CDspInterface* link);
    ~CVnaMode() override;

    void SetEntries(std::unique_ptr<IVnaEntries> entries);
    void SetMessages(std::unique_ptr<IVnaMessages> messages);

    // --- Lifecycle ---------------------------------------------------------------
    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg) override;
    void OnActivate() override;
    // Leaving the screen: another instrument may use the board meanwhile, so
    // the next activation uploads the terms again.
    void CancelEntry() override;
    void StartMeasurement() override;
    void SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* setup) override;
    void ReloadTexts() override;
    // The title names the screen and the current measurement type.
    void ShowTitle();
    // The framework's sweep restart: RestartFromSetup.
    void InstrumentHook() override;
    void RestartFromSetup();
    void ResetKeyTables() override;
    CMeasurement* SetMeasurement(CMeasurement* ignored) override;
    // The measurement whose type equals the setup's measurement id.
    CMeasurement* MeasurementOfType(int type) const;
    // Stops the sweep. With the DC bias on in the gain measurement the link
    // goes on listening without a sweep, so the bias watchdog's current
    // queries are still answered.
    int StopMeasurement() override;
    // Full span: the whole range from the lowest frequency up to 3.6 GHz.
    void FullSpan(int key) override;

    // --- Keys and pages ------------------------------------------------------------
    void OnMenuKey(uint32_t key, int flag) override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnNumericKey(uint32_t key, int flag) override;
    void OnArrowKey(uint32_t key, int pressed) override;
    int OnKnobStep(int delta) override;
    using CMeasurementBase::ShowSoftKeys;
    int ShowSoftKeys(int page, int key) override;
    int ShowMenuKeyLabels() override;
    void ShowKeyHelp(int key);
    void ShowMenuHelp(int index);
    int OnFrequencyMenuKey(int key) override;
    void ApplyValue(int key, bool keepSelection, uint64_t oldSpan) override;
    uint64_t MinimumFrequency() const override;
    uint64_t MinimumSpan() const override;
    // The lowest frequency of the board.
    uint64_t LowestFrequency() const;
    // The measure page of the current type (26 + type - 1).
    void ShowMeasurePage();
    // The band key: a band of the application's list chosen in the band
    // dialog becomes the range.
    bool OnFrequencyListKey(int key) override;
    // A band that starts at or above the lowest frequency becomes the
    // setup's range (its own centre and span where it has a channel plan);
    // one below it is refused with a message.
    void ChooseBand(CSignalBand& band);

    // --- Sweep data (any thread that delivers replies) ---------------------------------
    void ProcessNewData(CDeviceItem* record, int flag) override;
    // A block of a distance-to-fault sweep the board streams as it goes
    // (reply code 1).
    void ProcessDtfBlock(CDeviceItem* record);
    void ProcessPoint(int index, double frequency, double value) override;
    int GetBlockPointCount(CDeviceItem* record) override;
    int GetBlockEndIndex(CDeviceItem* record) override;
    double GetTracePoint(CDeviceItem* record, int index) override;
    double ConvertLevel(double level) override;
    int PrepareSweepStart(int axisMode, int* out) override;
    int LoadScaleRange() override;
    double ReadStoredPoint(int array, int index) override;
    void ReprocessStoredTrace() override;
    int StopAfterSingleSweep() override;
    void SetRunState(CDeviceItem* record) override;
    int RefreshDisplay() override;
    // The user-interface thread's half of a reply (codes 5 to 35).
    void OnPostedReply(uint16_t code, const std::vector<uint8_t>& data, uint32_t values);
    // Handles the replies the delivering thread queued.
    void TakePostedReplies();

    // --- Scale ----------------------------------------------------------------------
    void Autoscale();
    void RebuildAmplitudeAxis();

    // --- DC bias ----------------------------------------------------------------------
    void ShowBiasTeeMessage() override;
    void CheckDcBiasCurrent(uint32_t word);
    bool IsDcBiasOn() const { return dc_bias_on_.load(); }
    // Switches the DC bias on (the gain measurement) or off; on starts the
    // watchdog, off stops it and tells the board.
    void SetDcBiasOn(bool on);

    // --- Calibration ----------------------------------------------------------------------
    int ShowCalibrationMenu() override;
    void OnCalibrationKey(int key);
    virtual void MeasureOpen();
    virtual void MeasureShort();
    virtual void MeasureLoad();
    virtual void MeasureThru();
    virtual void MeasureIsolation();
    virtual void SkipOtherCalibrations();
    void OnCalibrationReply(uint16_t code, const std::vector<uint8_t>& data, uint32_t values);
    void ComputeCalibration();
    void DownloadCalibration();
    void UploadCalibration();
    void UploadNextTerm();
    void OnDspReply(uint16_t code);
    void OnCalTransferFailed() override;
    void EndCalibration();
    void ClearCalibration();

    // --- Readouts -------------------------------------------------------------------------
    void UpdateSweepReadout(bool full) override;
    void UpdateStatusRows() override;
    void ShowCalibrationAnnotation();
    void ShowDataPointsAnnotation();
    void ShowDtfReadouts();
    void ShowCableLossReadouts();
    void ShowCableLoss(double loss);
    void ShowGainReadouts();
    void ShowBiasState();
    void ShowAverageGain(double gain);
    void ShowRecalledBias();
    void ShowBiasCurrent(double amps);
    // Readout row 2: offset, attenuation, detector and trigger.
    void UpdateSettingsReadout() override;

    // --- Amplitude and units pages --------------------------------------------------------
    int ShowAmplitudeMenu(int key);
    void BuildAmplitudeLabels();
    void OnAmplitudeKey(int key);
    void OnAmplitudeArrow(uint32_t key);
    void OnAmplitudeKnob(int steps);
    void OnAmplitudeDigit(int digit);
    void RefreshAmplitudePage();
    void OnOffsetChanged();
    void OnPowerChanged();
    void OpenUnitsMenu();
    int ShowUnitsMenu();
    void OnUnitsKey(int key);

    // --- Settings pages ------------------------------------------------------------------
    // The sweep page (4), the measurement selection (17), the pages of the
    // four types (26 to 29) and the distance-to-fault pages (30 to 32).
    virtual int ShowSettingsPage(int page, int key);
    virtual void OnSettingsKey(int page, int key);
    virtual void OnSettingsDigit(int page, int digit);
    virtual void OnSettingsArrow(int page, uint32_t key);
    virtual void OnSettingsKnob(int page, int steps);
    // Makes the measurement of a type (1..4) current, tells the application
    // (WM_COMMAND 32839) and shows the type's page.
    void SwitchMeasurementType(int type);
    // Runs the cable list; a chosen cable gives the setup its Vp and its loss
    // at the centre of the range; "None" clears the cable.
    void ChooseCable(bool redraw);
    // Runs the distance-to-fault wizard; true when its results were applied.
    bool RunDtfWizard();
    // The IFBW choice of the setup, 0 (100 Hz) .. 8 (1 MHz).
    int IfbwIndex() const;
    void SetIfbwIndex(int index);
    bool ImmunityOn() const;
    void SetImmunity(bool on);
    static core::Text BiasVoltageText(int32_t type);

    // --- Markers -----------------------------------------------------------------------------
    // Digits on a distance-to-fault marker: its distance typed in the
    // distance unit, held within the distance-to-fault range.
    bool EditMarkerDistance(int key) override;

    // --- Trace files ----------------------------------------------------------------------
    // The network analyzer trace of the setup: the record's points beside
    // this screen's calibration, cable loss, gain and DC bias.
    bool SaveTraceFile(const core::Text& path, CMeasSetup* setup,
                       const ITraceSource* source) override;
    // Codes 0 and 1 recall the file manager's highlighted trace (alone, or
    // beside the live trace); the others go to the framework.
    bool OnKeyCode(int code) override;
    // Recalls the trace file at `path` (code as OnKeyCode); false when
    // nothing was recalled. An empty path says no file is selected.
    bool RecallTraceFile(int code, const core::Text& path);
    // Takes a recalled trace's points; from then on a recalled trace is
    // present.
    void LoadRecalledTrace(const float* entries, int count) override;
    // Whether the readouts show a recalled trace's values (a recalled trace
    // shown without the live one).
    bool IsRecalledTraceShown() const;
    // Shows the recalled trace (code as OnKeyCode) and its values.
    void ShowRecalledValues(int code);
    // The activation a recall asked for shows the recalled trace again.
    void ShowRecallAfterActivation();
    // ITraceValueReceiver: the values of a trace read.
    void ReceiveVnaValues(const VnaTraceValues& values) override;
    // ITraceSource: the record being saved, with the live values.
    core::Text GetTracePath() const override;
    std::optional<TraceHeaderTexts> GetHeaderTexts() const override;
    const TracePoint* GetPoint(uint32_t i) const override;
    const TracePoint* GetDtfPoint(uint32_t i) const override;
    VnaTraceValues GetVnaValues() const override;

    void SetRecalledAvgGain(double v) { recalled_.avg_gain = v; }
    double GetRecalledAvgGain() const { return recalled_.avg_gain; }
    void SetRecalledBiasCurrent(double amps) { recalled_.bias_current = amps; }
    double GetRecalledBiasCurrent() const { return recalled_.bias_current; }
    void SetRecalledBiasVoltage(int32_t v) { recalled_.bias_voltage = v; }
    int32_t GetRecalledBiasVoltage() const { return recalled_.bias_voltage; }
    void SetRecalledBiasOn(bool on) { recalled_.bias_on = on; }
    bool GetRecalledBiasOn() const { return recalled_.bias_on; }
    void SetRecalledCableLoss(double v) { recalled_.cable_loss = v; }
    double GetRecalledCableLoss() const { return recalled_.cable_loss; }
    void SetRecalledCalibType(int32_t v) { recalled_.calib_type = v; }
    int32_t GetRecalledCalibType() const { return recalled_.calib_type; }
    void SetRecalledAdcSatGain(bool on) { recalled_.adc_sat_gain = on; }
    bool GetRecalledAdcSatGain() const { return recalled_.adc_sat_gain; }

    // --- Accessors (tests) ---------------------------------------------------------------
    CVNAMeasSetup* GetVnaSetup() const { return vna_setup_.get(); }
    CVNADataStore* GetDataStore() const { return data_store_.get(); }
    int CurrentType() const;
    int GetCurrentMenuKey() const { return current_menu_key_; }
    bool IsCalibrationPageActive() const { return cal_page_; }
    int GetCurrentStandard() const { return current_standard_; }
    bool IsUploadBusy() const { return key_lock_; }
    bool IsDownloadBusy() const { return key_lock2_; }
    int GetProgressColour() const { return progress_colour_; }
    uint32_t GetUnansweredBiasQueries() const { return unanswered_bias_queries_; }
    double GetTraceMaximum() const;
    // The displayed values of the last committed sweep (under the lock).
    std::vector<double> GetShownTrace();
    double GetTraceMinimum() const;

  protected:
    IVnaEntries& Entries();
    IVnaMessages& Messages();
    CVnaMeasurement* Current() const;
    vna::UnitScale ScaleOfSetup() const;
    void SetTimer(uintptr_t id);
    void KillTimer(uintptr_t id);
    // Readout row 5 (help and progress) with a text and a colour.
    void ShowHelpRow(const core::Text& text, int colour);
    void ShowHelpRowId(uint32_t id, int colour);
    void ShowProgress(uint32_t text_id, int percent, int colour);
    void ClearProgressRow();
    void ShowDtfProgress();
    void SwitchOffDcBias();
    void PushScaleToGraph();
    void AfterEntry();
    // Sets one standard's measurement going.
    void MeasureStandard(Standard standard, uint32_t code);
    // The download requests of the measured standards, pending.
    bool QueueDownloadRequests();
    void RestartAfterTransfer();
    // Hands the conversion buffer to the setup as the term a fetch code
    // brought.
    void StoreTerm(uint16_t code);
    void OnCableLossSweepDone();
    void OnGainSweepDone();

    // The settings pages' parts.
    void GoToPage(int page, int marked);
    void MarkKey(int page, int key);
    bool HasGainMeasurement() const;
    core::Text CableName() const;
    int SmoothingLevel();
    void BuildSweepLabels();
    void BuildDtfLabels();
    void BuildSmoothingLabels();
    void BuildCableLabels();
    void BuildGainLabels();
    void OnSweepPageKey(int key);
    void OnMeasureSelectKey(int key);
    void OnDtfPageKey(int key);
    void OnSmoothingPageKey(int key);
    void OnCablePageKey(int key);
    void OnGainPageKey(int key);
    void AfterDtfChange();
    void StepDistance(int item, float step);
    void StepCableValue(int item, float step);
    void EditDtfDistance(int item, int digit);
    void EditDtfVp(int digit);
    void EditDtfLoss(int digit);

  private:
    std::unique_ptr<CVNADataStore> data_store_;
    std::unique_ptr<CVNAMeasSetup> vna_setup_;
    std::unique_ptr<IVnaEntries> entries_;
    std::unique_ptr<IVnaMessages> messages_;
    std::unique_ptr<CFreqEntryDlg> freq_entry_;
    // The term conversion buffer: 8 bytes a point, a term at its start.
    std::vector<uint8_t> term_buffer_;
    uint32_t hardware_id_ = 0;
    std::array<int, kMenuKeyCount> menu_of_key_{kPageFrequency, kPageCalibration, kPageAmplitude,
                                                kPageMeasure,   kPageMarker,      kPageFile};
    int current_menu_key_ = 0;

    // --- Calibration state (user-interface thread) ---
    bool cal_page_ = false;
    int current_standard_ = kNoStandard;
    std::array<bool, 6> measured_{};  // by Standard 1..5
    bool skip_others_ = false;
    bool one_port_fetch_ = false, two_port_fetch_ = false;
    std::array<bool, 8> download_pending_{};  // codes 9, 24, 32, 10, 12, 14, 16, 33
    bool first_request_ = false;
    std::array<bool, 7> upload_pending_{};         // 19, 21, ER, ES, ED, ET, EX
    std::array<bool, 7> upload_unacknowledged_{};  // the same seven
    // Holds the setup's change notifications back while calibrating.
    std::unique_ptr<CMeasSetup::ChangeBatch> cal_batch_;

    // --- Recalled trace (user-interface thread) ---
    VnaRecalledValues recalled_;
    bool recalled_present_ = false;  // a recall took a trace's points
    // How the recalled trace is shown (code 0 or 1) once the activation the
    // recall asked the application for has run; -1 when none is due.
    int recall_shown_at_activation_ = -1;
    // The record whose trace SaveTraceFile writes, while it writes.
    const ITraceSource* saving_source_ = nullptr;

    // --- DC bias (written by the user-interface thread; the delivering
    // thread reads the flag when a single sweep stops) ---
    std::atomic<bool> dc_bias_on_{false};
    uint32_t unanswered_bias_queries_ = 0;

    // --- Sweep (the delivering thread, or under the lock where said) ---
    std::atomic<bool> stop_after_sweep_{false};
    int progress_colour_ = 39;  // user-interface thread
    // The measurement type the intake works with (taken on the user-interface
    // thread, read by the delivering thread).
    std::atomic<int> type_{vna::kMatch};
    // The display conversion's settings (under the lock).
    vna::UnitScale display_scale_;
    double display_offset_ = 0;
    // Set by the delivering thread when a cable-loss or gain sweep completed
    // (its type, after its average); the user-interface thread stores the
    // average in the setup and annotates it at its refresh.
    std::atomic<int> sweep_done_type_{0};
    std::atomic<double> sweep_average_{0};
    // Whether the intake is taking a streamed distance-to-fault block
    // (the delivering thread's).
    bool dtf_block_ = false;
    // The progress of a streamed distance-to-fault sweep for row 5, left by
    // the delivering thread: the block's start index in the high half and
    // the point count in the low one; or none, or cleared.
    static constexpr int64_t kNoProgress = -1, kProgressCleared = -2;
    std::atomic<int64_t> dtf_progress_{kNoProgress};
    std::atomic<int> dtf_progress_colour_{44};
    // Replies the user-interface thread handles, in their order.
    struct PostedReply {
        uint16_t code = 0;
        uint32_t values = 0;  // 32-bit values in data
        std::vector<uint8_t> data;
    };
    std::mutex reply_lock_;
    std::deque<PostedReply> replies_;  // guarded by reply_lock_
};

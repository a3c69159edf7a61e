#pragma once
// CSpecAnMode: the spectrum analyzer screen (mode id 2). It owns its setup
// and, through SetMeasurement, the eight measurement functions; it routes the
// keys of its menus (frequency, bandwidth and sweep, amplitude, measure,
// markers, file) to the menu handlers, and hands the running measurement's
// result records to the measurement base's data path.
//
// The menus of this screen live in their own files: bandwidth
// (specan_bandwidth.cpp), sweep and trigger (specan_sweep.cpp), amplitude,
// units and the frequency page (specan_amplitude.cpp); the key dispatch in
// specan_dispatch.cpp. The modal entry dialogs are run through
// ISpecAnEntries, so tests can answer them.
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "files/formats/trace_source.h"
#include "screens/limit_mask.h"
#include "screens/measurement_base.h"

class CChoiceBlock;
class CSAMeasSetup;
class CStatusTextLine;
class CLimitMaskFile;
class CSignalBand;

// The entry dialogs the settings menus open. Each runs its dialog modally
// with the first typed key (a digit 0..9, 10 minus, 11 point) and answers the
// accepted value, or nothing when the user escaped.
class ISpecAnEntries {
  public:
    virtual ~ISpecAnEntries() = default;
    // A bandwidth by its list position ("RBW" from 100 Hz, "VBW" from 10 Hz).
    virtual std::optional<int> Bandwidth(bool video, int position, int first) = 0;
    virtual std::optional<int> SpanRbwRatio(int ratio, int first) = 0;
    virtual std::optional<double> RbwVbwRatio(int ratio) = 0;
    // Milliseconds between low and high (the gate delay).
    virtual std::optional<double> GateDelay(uint32_t title_id, int ms, int low, int high,
                                            int first) = 0;
    // A number within [low, high], stepped by `step`.
    virtual std::optional<double> Number(uint32_t title_id, double value, double high, double low,
                                         double step, int first) = 0;
    // A level in `unit` within [low, high].
    virtual std::optional<double> Amplitude(uint32_t title_id, uint32_t unit, double value,
                                            double high, double low, int first) = 0;
    virtual std::optional<int> Scale(int scale, uint32_t unit, int first) = 0;
    virtual std::optional<double> Offset(double offset, int first) = 0;
    // A percentage (0..100, one decimal) under the title.
    virtual std::optional<double> Percent(uint32_t title_id, double percent, int first) = 0;
    // A level in dBc within [low, high].
    virtual std::optional<double> DbcLevel(double db, double low, double high, int first) = 0;
    // A frequency in hertz within [low, high] (the screen's frequency entry).
    virtual std::optional<uint64_t> Frequency(uint32_t title_id, uint64_t value, uint64_t low,
                                              uint64_t high, int first) = 0;
    // A duration shown in seconds, answered in milliseconds within [low, high].
    virtual std::optional<double> Duration(uint32_t title_id, int ms, int low, int high,
                                           int first) = 0;
    // The row chosen in the list of the antennas, opened on the current
    // name; -1 when the list chose none.
    virtual std::optional<int> Antenna(const core::Text& current) = 0;
    // The mask chosen in the line/mask list opened on `current`.
    virtual std::optional<int> LineMask(const std::vector<core::Text>& names, int current);
    // A mask name typed into the text entry titled `title_id`.
    virtual std::optional<core::Text> MaskName(uint32_t title_id, const core::Text& name);
    // The mask point dialog: it reads points through `load` (point number;
    // offset and level out; false for none) and hands each saved point to
    // `enter`, which answers whether it was taken. True when it ended done.
    using PointLoader = std::function<bool(int, double&, double&)>;
    using PointTaker = std::function<bool(int, double, double)>;
    virtual bool MaskPoint(const CMeasurementBase::PointDialog& dialog, const PointLoader& load,
                           const PointTaker& enter);
};

class CSpecAnMode : public CMeasurementBase, public ITraceValueReceiver {
  public:
    static constexpr int kModeId = 2;
    static constexpr int kInitialPoints = 705;
    // The Span/RBW entry, an entry state of this screen only.
    static constexpr int kEntrySpanRbw = 2;

    explicit CSpecAnMode(CDspInterface* link);
    ~CSpecAnMode() override;

    // The entry dialogs (the real ones unless a test sets its own).
    void SetEntries(std::unique_ptr<ISpecAnEntries> entries);

    // --- Lifecycle -------------------------------------------------------------
    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg) override;
    void OnActivate() override;
    void StartMeasurement() override;
    void ProcessSweep() override;
    void SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* setup) override;
    void OnScreenHook() override;
    void ReloadTexts() override;
    void InstrumentHook() override {}

    // --- Keys ------------------------------------------------------------------
    void OnMenuKey(uint32_t key, int flag) override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnNumericKey(uint32_t key, int flag) override;
    void OnArrowKey(uint32_t key, int pressed) override;
    int OnKnobStep(int delta) override;
    using CMeasurementBase::ShowSoftKeys;
    int ShowSoftKeys(int menu, int key) override;
    int ShowMenuKeyLabels() override { return ShowMenuKeyLabels(current_menu_key_); }
    int ShowMenuKeyLabels(int selected);
    // The title bar names the screen and its current measurement function.
    void ShowTitle();
    void OnPageHook(int key);
    void ShowMenuKeyHelp(int group);
    // The base's tables with the help captions of the screen's pages and
    // keys.
    void ResetKeyTables() override;

    // --- Data path hooks ---------------------------------------------------------
    void ProcessNewData(CDeviceItem* record, int flag) override;
    void UpdateStatusRows() override;
    int PrepareSweepStart(int axisMode, int* out) override;
    int LoadScaleRange() override;
    double GetTracePoint(CDeviceItem* record, int index) override;
    int GetBlockPointCount(CDeviceItem* record) override;
    int GetBlockEndIndex(CDeviceItem* record) override;
    double ConvertLevel(double level) override;
    int StopAfterSingleSweep() override;
    int RefreshDisplay() override;
    void SetRunState(CDeviceItem* record) override;
    void AllocTraceBuffers(int points) override;
    void FreeTraceBuffers() override;

    // --- Measurement functions -------------------------------------------------
    // Builds the eight measurement objects (the argument is ignored).
    CMeasurement* SetMeasurement(CMeasurement* ignored) override;
    void AddMeasurement(CMeasurement* measurement);

    // --- Bandwidth menu (1) ------------------------------------------------------
    int ShowBandwidthMenu(int key);
    int OnBandwidthMenuKey(int key);
    bool EnterBandwidthDigit(int digit);
    bool StepBandwidth(uint32_t arrow);
    bool TurnBandwidth(int steps);
    bool EditRbw(int digit);
    bool EditVbw(int digit);
    bool EditSpanRbwRatio(int digit);
    bool EditRbwVbwRatio(int key);
    int ReturnToBandwidthMenu(int key);

    // --- Sweep and trigger menus (4..7) -----------------------------------------
    int ShowSweepMenu(int key);
    bool OnExtraMenuKey(int key) override;
    int OpenSweepMenu(int key);
    int OpenTriggerMenu(int key);
    int OpenExternalTriggerMenu(int key);
    int OpenVideoTriggerMenu(int key);
    int ShowTriggerSourceMenu(int key);
    int ShowExternalTriggerMenu(int key);
    int ShowVideoTriggerMenu(int key);
    bool OnTriggerSourceKey(int key);
    bool OnExternalTriggerKey(int key);
    bool OnVideoTriggerKey(int key);
    bool EditGateDelay(int digit);
    bool StepGateDelay(uint32_t arrow);
    bool TurnGateDelay(int steps);
    bool EditTriggerLevel(int digit);
    bool StepTriggerLevel(uint32_t arrow);
    bool TurnTriggerLevel(int steps);
    void OnTriggerChanged(int key);

    // --- Amplitude, attenuation and units menus (9, 12, 13) ---------------------
    int ShowAmplitudeMenu(int key);
    void BuildAmplitudeKeys();
    void ChooseAmplitudeValue(int key);
    int OnAmplitudeMenuKey(int key);
    bool EnterAmplitudeDigit(int digit);
    bool StepAmplitude(uint32_t arrow);
    bool TurnAmplitude(int steps);
    void OpenAttenuationMenu();
    int OnAttenuationMenuKey(int key);
    void TogglePreamp();
    void OpenUnitsMenu();
    int ShowAmplitudeUnitMenu() override;
    int OnUnitsMenuKey(int key);
    bool EditReferenceLevel(int digit);
    bool EditScale(int digit);
    bool EditOffset(int digit);
    void OnReferenceChanged();
    void OnScaleChanged();
    void OnAttenuationChanged();
    void OnOffsetChanged();
    void AutoScaleUnit();
    // Reference level and scale from the trace's highest and lowest level
    // (dBm): the lowest on the graph's bottom line, the spread over the ten
    // divisions (1 to 15 dB each).
    void AutoScale(double maximum, double minimum) override;
    // The highest and lowest level (dBm, offset included) of the trace
    // shown; none before a point has come.
    std::optional<std::pair<double, double>> TraceExtremes();

    // --- Trace files ---------------------------------------------------------------
    bool SaveTraceFile(const core::Text& path, CMeasSetup* setup,
                       const ITraceSource* source) override;
    // Codes 0 and 1 recall the file manager's trace; others go to the base.
    bool OnKeyCode(int code) override;
    // Reads the highlighted trace into the setup and the held trace (code 0
    // alone, code 1 beside the live trace); true when it was read.
    bool RecallSelectedTrace(int code);
    // Readouts, scale and panes after a setup was loaded into the screen.
    void RefreshAfterLoad();
    bool IsSettingsLoaded() const { return settingsLoaded_; }
    void OnTraceModeChanged() override;
    int OnFrequencyMenuKey(int key) override;
    // Every frequency value applied: the automatic bandwidths follow the new
    // span and the sweep restarts with it.
    void ApplyValue(int key, bool keepSelection, uint64_t oldSpan) override;

    // --- Measure menu (17) and the measurement-function menus (18..25) ---------
    // Makes the measurement of `id` current (0 stands for the general
    // spectrum) and has the application start it; 0.
    int SwitchMeasurement(uint32_t id);
    virtual int ShowMeasurementOnOffMenu(int key);
    virtual int OpenMeasurementMenu(int key);
    virtual int ShowFunctionMenu(int menu, int key);
    virtual int OnFunctionMenuKey(int menu, int key);
    virtual bool OnFunctionDigit(int menu, int digit);
    virtual bool OnFunctionArrow(int menu, uint32_t key);
    virtual bool OnFunctionKnob(int menu, int steps);
    // Menu 17 again with no key chosen; the twin shows a function menu the
    // same way (menu 24 keeps 23 as the one to return to).
    int ReturnToMeasurementMenu(int key);
    int ReturnToFunctionMenu(int menu, int key);

    // --- Signal bands and channels (frequency page keys 6 and 7) ----------------
    // Chooses a band in the band dialog and tunes to it; true.
    bool OnFrequencyListKey(int key) override;
    // The base's labels; for the whole page key 7 names the channel when the
    // band has channels.
    int BuildFrequencyLabels(int key, int extra) override;
    // The setup's band, null without one.
    CSignalBand* CurrentBand() const;
    bool BandHasChannels() const;
    // Tunes to a chosen band, or to its current channel where it has a plan.
    void TuneToBand(CSignalBand* band);
    // A span the frequency menu applied (the time domain starts at a span of
    // 0 and ends at another one); 1 when it took over the restart.
    virtual int OnSpanValue(int key, uint64_t span);
    int HandleZeroSpan(int key, int a, int b) override;
    bool HandlesZeroSpan() const override { return true; }
    // Flag 1: the time domain with its menu; 0: the general spectrum.
    void EnterTimeDomain(bool on);
    // At a measurement start: the time axis for the time domain; 1 when it
    // is current.
    int StartTimeDomain();
    bool EditMarkerTime(int key) override;
    bool RunSweepTimeDialog(int firstKey, int initial, int low, int high, int* result) override;
    // The antenna factors of the setup's antenna, taken by the next sweep.
    void BuildAntennaFactors() override;
    // Demodulation: sweeps and audio take turns, the audio for the
    // demodulation time.
    void UpdateAudioState();

    // --- Carrier to interference (menu 25) ---------------------------------------
    int MeasureCarrier();
    int MeasureInterference();
    int ResetCarrierInterference();
    void CarrierLevels(double& carrier, double& interference, double& ratio) override;

    // --- Result fields: the live C/I values and the block a recalled trace
    // or setup brings (the file readers and writers use them) ----------------------
    double GetCarrierPower() const { return m_CarrierPower; }
    void SetCarrierPower(double value);
    double GetInterferencePower() const { return m_InterferencePower; }
    void SetInterferencePower(double value);
    double GetPowerDifference() const { return m_PowerDifference; }
    void SetPowerDifference(double value);
    struct StoredResults {
        uint64_t occupiedBandwidth = 0;
        double channelPower = -300.0;
        double spare = 0;
        double acpUpperPower = -300.0;
        double acpLowerPower = -300.0;
        double carrierPower = -1000.0;
        double interferencePower = -1000.0;
        double powerDifference = -1000.0;
        uint64_t fieldStrengthStart = 0;
        uint64_t fieldStrengthStop = 0;
        double fieldStrengthGain = 0;
    };
    StoredResults* SetStoredOccupiedBw(uint64_t hertz);
    StoredResults* SetStoredChannelPower(double value);
    StoredResults* SetStoredAcpUpperPower(double value);
    StoredResults* SetStoredAcpLowerPower(double value);
    StoredResults* SetStoredCarrierPower(double value);
    StoredResults* SetStoredInterferencePower(double value);
    StoredResults* SetStoredPowerDifference(double value);
    StoredResults* SetFieldStrengthStart(uint64_t hertz);
    StoredResults* SetFieldStrengthStop(uint64_t hertz);
    StoredResults* SetFieldStrengthGain(double value);
    const StoredResults& GetStoredResults() const { return m_StoredResults; }
    // A recalled trace's results: C/I into both sets, the rest into the
    // stored block; the result row shows the block while a recalled trace
    // is held alone.
    void ReceiveSaValues(const SaTraceValues& values) override;
    // What a trace writer stores: the live C/I values and the stored block.
    SaTraceValues GetSaValues() const;
    void SetRecalled(bool recalled) { m_Recalled = recalled; }
    bool IsRecalled() const { return m_Recalled; }
    void ShowMeasurementResult(bool detail) override;

    // --- Marker and signal-tool pages (33, 34) -----------------------------------
    int ShowMarkerMenu(int highlight, int extra) override;
    bool OnMarkerMenuKey(int key) override;
    int ShowSignalToolsMenu(int highlight, int extra) override;
    bool OnSignalToolsMenuKey(int key) override;
    // Stops a running frequency counter; 0.
    bool OnMarkerChanged() override;
    bool IsKeySelected() const { return m_KeySelected; }

    // --- Threshold lines, limit lines and emission masks (page 37 on) ---------------
    // "LINE" and at most 100 masks a list.
    static constexpr int kMaxMaskEntries = 101;
    bool RunLevelDialog(uint32_t titleId, uint32_t unit, double value, double high, double low,
                        int firstKey, double& entered) override;
    // Both lists from the file's masks (null: the built-in ones); 1 when a
    // record of the file was missing.
    int LoadMasks(CLimitMaskFile* maskFile);
    void BuildDefaultMasks();
    // The names of the selected limit's list; its count.
    int GetMaskNames();
    std::vector<core::Text> MaskNames() override;
    int SelectedMaskIndex() const override;
    // The list dialog: the chosen mask into the edit record; its index.
    int SelectLineOrMask();
    int LoadMaskForEdit(int index, int limitType);
    // The limit of every trace point from an edit record.
    int SearchPoint(EmissionMask& record, double refLevel, uint64_t refFrequency,
                    std::vector<double>& out);
    void ShowUpperLimitLabel() override;
    void ShowLowerLimitLabel() override;
    void DrawUpperLimit();
    void DrawLowerLimit();
    const std::vector<EmissionMask>& MaskList(bool upper) const;
    // The limit the last drawing projected (user-interface thread).
    const std::vector<double>& GetLimitArray(bool upper) const;
    bool IsMaskEditing() const { return maskEditing_; }
    bool IsMaskLocked() const { return maskLock_; }
    int GetEditState() const { return editState; }
    int GetEditPointIndex() const { return editPointIndex; }
    // Pages 37 to 40 and their keys.
    int BuildLimitLineMenu(int highlight, int extra) override;
    int BuildLimitMenu(int highlight, int extra);
    int BuildLimitEditMenu(int highlight, int extra) override;
    int BuildRefPointMenu(int highlight, int extra) override;
    int BuildEditPointsMenu(int highlight, int extra) override;
    int BuildSaveMenu(int highlight, int extra);
    bool OnThresholdMenuKey(int key) override;
    bool OnLimitMenuKey(int key);
    bool OnLimitPageKey38(int key) override;
    bool OnLimitPageKey39(int key) override;
    bool OnLimitPageKey40(int key) override;
    bool OnLimitEditMenuKey(int key);
    bool OnRefPointMenuKey(int key);
    bool OnEditPointsMenuKey(int key);
    int OnEditPointsEnter() override;
    bool OnPointValueEntered(int index, double offset, double level) override;
    // The editor.
    void NewLimitLine();
    void EditLimitLine();
    void LeaveLimitEditor();
    void NextPoint();
    bool AddPoint();
    bool DeletePoint();
    void CancelPointEdit();
    void ApplyRefPointSettings();
    int RebuildMaskLines();
    int StoreEditedMask();
    int EditMaskName(core::Text& name);

    // --- Accessors (tests) ----------------------------------------------------------
    CSAMeasSetup* GetSASetup() const { return sa_setup_.get(); }
    bool IsSingleSweep() const { return m_SingleSweep; }
    bool IsTriggerArmed() const { return trigger_armed_; }
    int GetCurrentMenuKey() const { return current_menu_key_; }
    int GetMenuOfKey(int i) const { return menu_of_key_[i]; }

  protected:
    // The entry dialogs; never null.
    ISpecAnEntries& Entries();
    // The setup's bandwidth block (the setup always has one).
    CChoiceBlock& Bandwidth() const;
    // The current measurement's function id; 20 without one.
    uint32_t CurrentType() const;
    // The last key of the current menu; the lookup of menu m's last key.
    int& LastKey(int menu) { return lastKey[static_cast<size_t>(menu)]; }
    // Moves the remembered key of `menu` to `key` (deselecting the old one).
    void RememberKey(int menu, int key, bool selected);
    // Takes the new reference level, scale and unit to the graph.
    void PushScaleToGraph();
    // Converts the limit values into the setup's unit after a unit change and
    // clamps them into the new scale.
    void ConvertLimitsFrom(uint32_t old_unit);
    // A modal entry ended: the main frame takes the focus again and repaints.
    void AfterEntry();
    // Readout refresh after a settings change.
    void RefreshReadouts();

    // --- The function menus' pages and keys ---------------------------------------
    // The function key of a menu page: its name with the On/Off toggle.
    void ShowFunctionKeys(uint32_t name_id, uint32_t function);
    // The common start of a function menu's key: key 0 switches the function,
    // key 7 and Escape return to menu 17 (true: nothing more to do).
    bool BeginFunctionKey(int key, uint32_t function);
    // The common end: the page again with the key remembered.
    void FinishFunctionKey(int menu, int key);
    // After a value handler changed something: the page and its key again.
    void ReshowFunctionValue(int menu);
    int ShowObwMenu(int key);
    int ShowChannelPowerMenu(int key);
    int ShowAcpMenu(int key);
    int ShowTimeDomainMenu(int key);
    int ShowFieldStrengthMenu(int key);
    int ShowDemodMenu(int key);
    int ShowDemodTypeMenu(int key);
    int ShowCarrierInterferenceMenu(int key);
    int OnObwMenuKey(int key);
    int OnChannelPowerMenuKey(int key);
    int OnAcpMenuKey(int key);
    int OnTimeDomainMenuKey(int key);
    int OnFieldStrengthMenuKey(int key);
    int OnDemodMenuKey(int key);
    int OnDemodTypeMenuKey(int key);
    int OnCarrierInterferenceMenuKey(int key);
    // Value keys: `arrow` an arrow key code, or 0 with `steps` a knob turn.
    bool ObwValue(uint32_t arrow, int steps);
    bool ObwDigit(int digit);
    bool WidthValue(int menu, uint32_t arrow, int steps);
    bool WidthDigit(int menu, int digit);
    // A width of menu 19 or 20 changed: restart with the channel edges marked.
    void AfterWidthChange(int menu, bool force);
    bool SweepTimeValue(uint32_t arrow, int steps);
    bool SweepTimeDigit(int digit);
    void AfterSweepTimeChange();
    bool FieldStrengthValue(uint32_t arrow, int steps);
    bool FieldStrengthDigit(int digit);
    bool SelectAntenna(int key);
    bool DemodValue(uint32_t arrow, int steps);
    bool DemodDigit(int digit);
    bool MarkerToDemodFrequency();
    void AfterDemodChange();
    bool ShowDemodValue(bool restart);
    bool CarrierValue(uint32_t arrow, int steps);
    // The frequency step of the demodulation frequency's arrows.
    uint64_t DemodStep() const;
    void ResetAudioRing();
    void PrepareFunctionDisplay();

  private:
    std::unique_ptr<CSAMeasSetup> sa_setup_;
    bool settingsLoaded_ = false;  // a setup was loaded into the screen (UI thread)
    std::unique_ptr<ISpecAnEntries> entries_;
    std::unique_ptr<CFreqEntryDlg> freq_entry_;
    std::unique_ptr<CWavePlayer> wave_player_;
    CMeasurement* previous_measurement_ = nullptr;
    int open_entry_ = kEntryNone;
    // Set by the arm key, cleared as the next sweep starts (on the thread that
    // delivers the sweep); the user-interface thread then takes the key's
    // selection away.
    std::atomic<bool> trigger_armed_{false};
    std::atomic<bool> disarmed_{false};
    int trigger_single_variant_ = 0;
    bool bandwidth_changed_ = false;
    std::array<int, kMenuKeyCount> menu_of_key_{0, 1, 9, 17, 33, 41};
    int current_menu_key_ = 0;
    bool key_flag_ = false;
    bool changed_by_key_ = false;
    bool delay_entered_ = false;
    int saved_attenuation_mode_ = 0;
    int redraw_request_ = 0;
    bool wait_for_display_ = true;
    // The antenna factors of a field strength sweep: the pending ones are
    // written under the screen lock and taken into `correction_` by the
    // measurement worker as a sweep starts; the worker alone reads that.
    std::vector<double> correction_, pending_correction_;
    bool correction_pending_ = false;
    double level_top_ = 20.0, level_bottom_ = -80.0;
    // The measure page's key selection, cleared by the marker page's keys.
    bool m_KeySelected = false;
    // A function value changed by the key being handled.
    bool m_ValueChanged = false;
    // Limit lines and masks (user-interface thread).
    void DrawLimit(bool upper);
    void FollowAxisWithLimits();
    // The sweep axis the limits were last projected on.
    struct ProjectedAxis {
        uint64_t start = 0, span = 0;
        int32_t points = 0;
        bool operator==(const ProjectedAxis&) const = default;
    } projectedAxis_;
    void ToggleMaskLock();
    bool EmToMaxPeak();
    std::optional<std::array<double, 3>> PublishedLevels();
    void StartEditing(bool upper);
    core::Text FreeMaskName() const;
    bool WriteMaskFile(const std::vector<EmissionMask>& upper,
                       const std::vector<EmissionMask>& lower);
    std::optional<int> RunLineMaskList(const std::vector<core::Text>& names, int current) override;
    bool RunPointDialog(const PointDialog& dialog) override;
    std::vector<EmissionMask> upperMasks_, lowerMasks_;
    std::vector<core::Text> upperNames_, lowerNames_;
    // The index last chosen in each list (lower, upper).
    std::array<int, 2> selectedMask_{};
    std::vector<double> upperLimit_, lowerLimit_;
    bool maskEditing_ = false, newMask_ = false;
    bool pointUnit_ = false, refPointUnit_ = false, emLock_ = false;
    // The mask frequency lock and the centre and start it keeps.
    bool maskLock_ = false;
    uint64_t lockCentre_ = 0, lockStart_ = 0;
    // The centre last handed to the graph's limit cursors while editing.
    uint64_t cursorCentre_ = 0;
    // While editing: the centre on the graph's limit cursors (the lower
    // limit moves cursor 0 only while no reference point is placed).
    void ShowLimitCursors(bool upper, uint64_t centre);
    // The point as it was before the edit began.
    MaskPoint savedPoint_;
    double graphTop_ = 0, graphBottom_ = 0;
    // Carrier to interference (user-interface thread): levels in dBm, the
    // difference in dB; -1000 = not measured.
    bool m_WaitingForCarrier = true;
    int carrier_marker_ = -1, interference_marker_ = -1;
    uint64_t carrier_hz_ = 0, interference_hz_ = 0;
    double m_CarrierPower = -1000.0, m_InterferencePower = -1000.0, m_PowerDifference = -1000.0;
    StoredResults m_StoredResults;
    bool m_Recalled = false;  // a recalled trace is held (user-interface thread)
    // Demodulation: audio asked of the board (user-interface thread).
    bool demod_running_ = false;
};

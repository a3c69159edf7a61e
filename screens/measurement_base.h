#pragma once
// CMeasurementBase: the common base of the instrument screens (spectrum
// analyzer, network analyzer, power meter). It keeps the screen's chain of
// measurements of which one is current, the panes of a measurement screen,
// the application's shared graph panel, the sweep axis of the setup, the
// data path that turns the current measurement's result records into traces,
// peak and valley lists and limit states, and the routing of the menu keys,
// soft keys, digits, arrows and wheel to the page handlers.
//
// Threads: result records arrive on the measurement worker (ProcessNewData,
// the intake of a sweep block, AppendAudioSamples). The intake works on the
// working arrays, which only that thread touches; CommitSweepBlock copies
// them into the display set under the screen lock (Lock/Unlock, recursive)
// and posts one refresh message (kMsgDisplayRefresh) to the view, not again
// until the user-interface thread has taken it. That thread then runs
// RefreshDisplay and PublishToGraph, which copy the display set into the
// graph's data record: the screen lock is always taken before the graph's.
// Everything else runs on the user-interface thread.
//
// Operations whose behaviour belongs to later work do nothing here
// (measurement_pending.cpp); the instrument screens override the hooks.
#include <array>
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "dialogs/file_list_screen.h"
#include "platform/gfx/color.h"
#include "platform/window/messages.h"
#include "screens/limit_mask.h"
#include "screens/mode_base.h"
#include "screens/trace_processing.h"

class CDeviceItem;
class CDspInterface;
class CGraphPanel;
class CGraphWidget;
class CListenerList;
class CSAMeasSetup;
class CTimeout;
class CTraceFile;
class CSetupSelectDlg;
class ITraceSource;
class CWavePlayer;
class CFreqEntryDlg;
class CNumberEntryDlg;

// An object a screen holds for whoever attached it; the screen deletes it
// when another one is attached and when the screen goes.
class CScreenAttachment {
  public:
    virtual ~CScreenAttachment() = default;
};
class CValueRecord;

// The record that ApplyFrequencyCounter hands to the measurement; its first
// 56 bytes are the payload of the counter-marker message (0x300B).
struct CounterMarkerRecord {
    static constexpr int kMarkers = 6;
    static constexpr size_t kPayloadSize = 56;
    std::array<uint8_t, kMarkers> enabled{};
    std::array<uint64_t, kMarkers> frequency{};
    std::array<uint64_t, kMarkers> further{};
    // The 56 little-endian payload bytes: six flags, two zero bytes, six
    // frequencies.
    std::array<uint8_t, kPayloadSize> Payload() const;
};

class CMeasurementBase : public CModeBase, public IFileListScreen {
  public:
    // The private message the screen posts to the view after a commit: lParam
    // is the screen (a CModeBase* of the application's list).
    // wParam kRefreshAfterCommit, or kRedrawWhole after the board woke.
    static constexpr uint32_t kMsgDisplayRefresh = plat::WM_APP + 0x21;
    static constexpr uintptr_t kRefreshAfterCommit = 0, kRedrawWhole = 1;
    // Pane id of the graph panel (RefreshPane, WM_COMMAND 32821).
    static constexpr int kPaneGraph = 19;
    static constexpr int kFunctionCount = 56;
    static constexpr int kNoKey = 8;
    // The soft-key index Escape reaches a page's key handler with.
    static constexpr int kEscapeKey = 27;
    static constexpr int kDisplayColumns = 705;
    static constexpr int kMaxPoints = 11265;
    static constexpr int kMinPoints = 2;
    // The history bit of the start-up setup's origin.
    static constexpr uint32_t kHistoryBackup = 0x10;
    static constexpr size_t kTraceTextBytes = 90120;
    static constexpr uint32_t kTimeoutPeriodMs = 60000;
    static constexpr int kColumnSteps = 210;
    // Audio ring: ten buffers of 40,000 16-bit samples.
    static constexpr int kAudioBuffers = 10;
    static constexpr int kAudioBufferSamples = 40000;
    static constexpr int kMarkerCount = 6;
    // Frequency page keys.
    enum FrequencyKey {
        kKeyStart = 0,
        kKeyStop,
        kKeyCentre,
        kKeySpan,
        kKeyStep,
        kKeyFullSpan,
        kKeyList
    };
    // Entry states (which dialog the keys belong to).
    enum EntryState { kEntryNone = 0, kEntryFrequency = 1, kEntryNumber = 3 };

    CMeasurementBase();
    ~CMeasurementBase() override;

    // --- Overrides of CModeBase ------------------------------------------
    void OnCommand32825(intptr_t lparam) override;
    void RefreshPane(int pane) override;
    CMeasurement* GetCurrentMeasurement() override { return currentMeasurement; }
    void OnClose() override;
    CMeasurement* GetFirstMeasurement() override { return measurementChain; }
    // The battery's state shows in the status indicator of the corner.
    bool ShowsBattery() const override { return status_indicator_ != nullptr; }
    void RedrawPanes(uint32_t mask) override;
    void ReloadSweepSettings() override;
    int ShowPage(int page) override;
    int ClosePopup() override;
    void OnTraceFilesChanged(intptr_t lparam) override;
    void ShowStatusMessage(const std::u16string& text, int flag) override;
    void CancelEntry() override;
    void OnActivate() override;
    void StartMeasurement() override;
    void ShowBiasTeeMessage() override {}
    void OnCalTransferFailed() override {}
    void SignalBeep() override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnMenuKey(uint32_t key, int flag) override;
    int OnEscapeKey() override;
    void OnEnterKey() override;
    void OnArrowKey(uint32_t key, int pressed) override;
    void OnNumericKey(uint32_t key, int flag) override;
    int OnWheel(int delta) override;
    int OnKnobStep(int delta) override;
    int StopMeasurement() override;
    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg) override;
    int OnCreateHook() override;
    void TakeBackupSetup();
    using CModeBase::ShowSoftKeys;
    // Shows a page through its builder; 0 for ids without one here.
    virtual int ShowSoftKeys(int page, int highlight);
    void CheckRestartAfterKey(uint32_t key) override;
    // Not while the graph covers the whole screen.
    void RepaintChangedKeys() override;
    int GetModeFlag() const override;
    int IsMarkerOn() const override;
    CMeasurement* FindMeasurement(intptr_t id) override;
    // The application makes a measurement of the chain current.
    void SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* setup) override;
    void ProcessNewData(CDeviceItem* record, int flag) override;
    // A key that arrives while an entry dialog of the screen is open.
    void OnKeyEventHook(uint32_t key, int pressed) override;
    void RepaintScreen(int flag) override;
    // Any thread: asks the user-interface thread to draw every pane anew
    // (RedrawWholeScreen).
    void Redraw(int flag) override;
    // Every pane of the layout in force drawn anew (user-interface thread).
    void RedrawWholeScreen();
    // After the board's I/O controller woke: a measurement the sleep stopped
    // starts again, and every pane is drawn anew (user-interface thread).
    void ResumeAfterWake();

    // --- Activation and the measurement chain ----------------------------
    void ActivateMeasurement() override;
    virtual void ProcessSweep() {}
    virtual void SetSpareWord(int word) { spareWord = word; }
    virtual int GetSpareWord() const { return spareWord; }
    virtual core::Text GetTraceFolder() const;
    virtual core::Text MakeTracePath(const core::Text& name) const;
    virtual core::Text AddTraceExtension(const core::Text& name) const;
    virtual void UpdateStatusRows();

    // --- Sweep data hooks and intake ---------------------------------------
    // At the start of a new sweep; 0 in the base.
    virtual int PrepareSweepStart(int axisMode, int* out);
    virtual void RestartTraceRedraw();
    // Loads the scale limits (scaleTop, scaleBottom); 1 in the base.
    virtual int LoadScaleRange();
    virtual void ProcessBlockPoints(CDeviceItem* record);
    virtual void ProcessSweepBlock(CDeviceItem* record);
    virtual void ReprocessStoredTrace();
    virtual void ApplyPendingLimitRedraw();
    virtual int SetupFrequencyAxis(int axisMode);
    virtual void OnResultRecord(CDeviceItem* record);
    // The level of the global point `index` of the record; NaN for a point
    // the record does not carry, which the intake leaves as it was.
    virtual double GetTracePoint(CDeviceItem* record, int index);
    virtual double ConvertLevel(double level);
    // The record's end index (the points of the sweep up to its end).
    virtual int GetBlockPointCount(CDeviceItem* record);
    virtual int GetBlockEndIndex(CDeviceItem* record);
    virtual int PublishPeakLists();
    // Each instrument screen supplies it (the spectrum analyzer's does
    // nothing).
    virtual void InstrumentHook() = 0;

    // --- Layout, chain, panes -----------------------------------------------
    virtual void SetScreenLayout(int layout);
    virtual int GetMeasurementCount() const;
    virtual CMeasurement* GetMeasurementAt(int n) const;
    // The first measurement becomes the chain; later ones are appended.
    virtual CMeasurement* SetMeasurement(CMeasurement* measurement);
    virtual void CreatePanes(plat::CWnd* owner);

    // --- Readouts (result display and marker pair) -------------------------
    virtual void UpdateSweepReadout(bool full);
    virtual void UpdateFrequencyReadout();
    virtual void UpdateBandwidthReadout();
    virtual void UpdateSettingsReadout();
    virtual void UpdateListAndChannel();
    virtual void ShowFrequencyListName();
    virtual void ShowChannelNumber();
    virtual void ShowActiveMarker();
    virtual void ShowLimitTestResult();
    virtual void UpdateAllReadouts();
    virtual void RefreshActiveMarker();
    virtual void ShowMeasurementResult(bool detail);
    virtual void ShowSweepTraceText();
    virtual void DrawChannelPower(bool full);
    virtual int PlaceMarkerPair(int a, int b, int64_t width, int64_t offset);
    virtual int ShowMenuKeyLabels();

    // --- Page builders -------------------------------------------------------
    virtual int BuildFrequencyLabels(int key, int extra);
    virtual int BuildFrequencyLabelsWithChannel(int key, int extra);
    virtual int ShowAmplitudeUnitMenu();
    virtual int ShowDetectionMenu();
    virtual int ShowTraceFileMenu(int highlight);
    virtual int ShowSaveTraceCaption();
    virtual int ShowLogMenu(int highlight);
    virtual int ShowRecallMenu(int highlight);
    virtual int ShowManageTraceMenu(int highlight);
    virtual int ShowToolsMenu(int highlight);
    virtual int ShowHelpMenu(int highlight);
    virtual int ShowScreenImageMenu(int highlight);
    virtual int ShowMarkerMenu(int highlight, int extra);
    virtual int ShowMarkerSearchMenu(int highlight, int extra);
    virtual int ShowMarkerTypeMenu(int highlight, int extra);
    virtual int ShowSignalToolsMenu(int highlight, int extra);
    virtual int ShowThresholdAlarmMenu(int highlight, int extra);
    virtual int BuildLimitLineMenu(int highlight, int extra);
    virtual int BuildRefPointMenu(int highlight, int extra);
    virtual int BuildLimitEditMenu(int highlight, int extra);
    virtual int BuildEditPointsMenu(int highlight, int extra);
    virtual int HasExtraMenu();
    virtual int BuildTraceModeLabels();
    virtual int BuildAveragingLabels();
    virtual int ShowAttenuationMenu();
    virtual int BuildAttenuationAverageLabels(int key);
    virtual int ShowBandwidthMenu();
    virtual int ShowCalibrationMenu();
    virtual int BuildPage9(int key);
    virtual void ResetDisplayState();

    // --- Page switches -------------------------------------------------------
    virtual void ShowMarkerPage(int key);
    virtual void ShowMarkerSearchPage(int key);
    virtual void ShowMarkerTypePage(int key);
    virtual void ShowSignalToolsPage(int key);
    virtual void ShowThresholdPage(int key);
    virtual void ShowLimitPage38(int key);
    virtual void ShowLimitPage39(int key);
    virtual void ShowLimitPage40(int key);
    virtual void ShowPage41(int key);
    virtual void ShowPage44(int key);
    virtual void ShowPage45(int key);
    virtual void ShowPage46(int key);
    virtual void ShowPage47(int key);
    virtual void ShowPage49(int key);
    virtual void EnterPage52();
    virtual void ShowDetectionPage(int key);
    virtual void ReturnToPage9(int key);
    virtual void ShowAmplitudeUnitPage();
    virtual void ShowTracePage();

    // --- Page handlers: frequency page ---------------------------------------
    virtual int OnFrequencyMenuKey(int key);
    virtual void ApplyValue(int key, bool keepSelection, uint64_t oldSpan);
    virtual void FullSpan(int key);
    // A span of 0 entered; 0 in the base (nothing handled).
    virtual int HandleZeroSpan(int key, int a, int b);
    virtual int OnEditPointsEnter();
    virtual void SetActiveStep(int key);
    int FrequencyKnob(int steps);
    int FrequencyArrow(uint32_t key);
    int FrequencyDigit(int digit);
    void SetFrequencyValue(int key, uint64_t value);
    // The limits of frequency entry (the network analyzer screen has its own).
    virtual uint64_t MinimumFrequency() const;
    virtual uint64_t MinimumSpan() const;
    virtual uint64_t MaximumSpan() const;
    // Whether the screen takes a span of 0 (HandleZeroSpan): the span
    // entry then starts at 0.
    virtual bool HandlesZeroSpan() const { return false; }

    // --- Settings application and value entry ---------------------------------
    void ApplyAndRestart(bool resetDisplay);
    virtual bool ApplySettings(bool resetDisplay);
    void ApplyFrequencyCounter();
    virtual bool ToggleFrequencyCounter();
    virtual bool ConvertLimitValues(int newUnit);
    float EnterNumber(int first, float initial, int8_t option, int a, int b, int c);
    // The numeric-entry dialog of EnterNumber, with its limits and step as
    // given; nothing when cancelled.
    std::optional<float> RunNumberDialog(uint32_t titleId, float initial, bool flag, float high,
                                         float low, float step);
    virtual bool EnterSweepTime(int initial, int* result);
    // The sweep-time dialog started with a typed key (-1 none): the entered
    // milliseconds within [low, high] into `result` (`initial` when
    // cancelled); whether the user accepted it.
    virtual bool RunSweepTimeDialog(int firstKey, int initial, int low, int high, int* result);
    // The frequency entered, or `value` when cancelled or without a dialog.
    uint64_t EnterFrequency(int first, uint64_t value, uint64_t low, uint64_t high, uint64_t step,
                            uint32_t titleId, int unitIndex, bool showUnit, uint64_t* result);
    // The step of an arrow key on a frequency (0 for up/down below 1 kHz).
    static uint64_t ArrowStep(uint64_t value, uint32_t key);

    // --- Page handlers: markers, tools, thresholds ------------------------------
    virtual bool OnMarkerMenuKey(int key);
    virtual bool OnMarkerSearchMenuKey(int key);
    virtual bool OnMarkerTypeMenuKey(int key);
    virtual bool OnSignalToolsMenuKey(int key);
    virtual bool OnToolsArrow(uint32_t key);
    virtual bool OnToolsKnob(int delta);
    virtual bool OnToolsDigit(int digit);
    virtual bool OnMarkerArrow(uint32_t key);
    virtual bool OnMarkerKnob(int delta);
    virtual bool EditMarkerPosition(int key);
    virtual bool EditMarkerFrequency(int key);
    virtual bool EditMarkerTime(int key);
    virtual bool EditMarkerDistance(int key);
    virtual bool OnSearchArrow(uint32_t key);
    virtual bool OnSearchKnob(int delta);
    virtual bool OnSearchDigit(int digit);
    virtual bool StepThreshold(uint32_t key);
    virtual bool TurnThreshold(int delta);
    virtual bool EnterThreshold(int digit);
    virtual bool OnThresholdMenuKey(int key);
    virtual bool SelectThresholdLine();
    virtual bool ToggleThresholdLine();
    virtual bool ToggleLimitAlarm();
    virtual bool OnThresholdArrow(uint32_t key);
    virtual bool OnThresholdKnob(int delta);
    virtual bool OnThresholdDigit(int digit);
    virtual bool MoveUpperLine(uint32_t key);
    virtual bool MoveLowerLine(uint32_t key);
    virtual bool TurnUpperLine(int delta);
    virtual bool TurnLowerLine(int delta);
    virtual bool GetThresholdEntry(int& which, double& value, double& high, double& low);
    virtual bool SetThresholdValue(double value);
    virtual bool OnLimitPageKey38(int key);
    virtual bool OnLimitPageKey39(int key);
    virtual bool OnLimitPageKey40(int key);
    virtual bool OnPointArrow(uint32_t key);
    virtual bool OnPointKnob(int delta);
    virtual bool OnPointDigit(int digit);
    virtual bool TurnPointLevel(int delta);
    virtual bool CheckEditedPoint(int delta);
    virtual double LoadEditPoint(int index, double* frequency, double* level);
    virtual bool OpenPointDialog(int digit);
    virtual int OpenLineMaskList(bool repaintGraph);
    // What the mask point dialog opens with: the caption, the key that
    // opened it (-1 none), centre and span shown, the offset and level
    // limits, the points it steps through, the edit state (1 add, 2 edit, 3
    // delete) and the point number it starts on.
    struct PointDialog {
        uint32_t titleId = 0;
        int firstKey = -1;
        uint64_t centre = 0, span = 0;
        double offsetLow = 0, offsetHigh = 0, levelLow = 0, levelHigh = 0;
        int count = 0, mode = 0, current = 1;
    };
    // A point the mask point dialog entered (point number, offset in Hz,
    // level); whether it was taken. No screen of the base takes one.
    virtual bool OnPointValueEntered(int index, double offset, double level);
    // The names the line/mask list offers and the one selected (none in
    // the base).
    virtual std::vector<core::Text> MaskNames();
    virtual int SelectedMaskIndex() const;
    // The type word (absolute flag) the pending point takes.
    virtual int PendingPointType() const;
    // The level of the selected threshold line typed into the amplitude
    // entry (started with `key`).
    virtual bool EditLevelLine(int key);
    // The amplitude entry of a threshold line; false when cancelled.
    virtual bool RunLevelDialog(uint32_t titleId, uint32_t unit, double value, double high,
                                double low, int firstKey, double& entered);
    // The mask point and line/mask list dialogs (the screen runs them; the
    // base has none).
    virtual bool RunPointDialog(const PointDialog& dialog);
    virtual std::optional<int> RunLineMaskList(const std::vector<core::Text>& names, int current);
    // The edit record of the upper (or lower) limit.
    EmissionMask& EditRecord(bool upper) { return upper ? upperEdit_ : lowerEdit_; }
    const EmissionMask& EditRecord(bool upper) const { return upper ? upperEdit_ : lowerEdit_; }
    // The point under edit (its offset, level and type word).
    MaskPoint GetPendingPoint() const { return {editOffset, editLevel, editTypeWord}; }
    virtual bool EditLogInterval(int digit);
    virtual bool OnLogIntervalArrow(uint32_t key);
    virtual bool OnLogIntervalKnob(int delta);
    virtual bool OnFrequencyListKey(int key);
    virtual bool OnDetectionMenuKey(int key);
    virtual bool OnExtraMenuKey(int key);
    virtual bool OnIfbwMenuKey(int key, int a, int b, int c, int d, int digit);
    // The trace point index of a frequency (0 unless f > start and span > 0).
    virtual int FrequencyToPoint(uint64_t start, uint64_t frequency, uint64_t span) const;

    // --- Trace files -------------------------------------------------------------
    virtual bool CopyTracesToUsb(int single, int toUsb, const core::Text& name);
    virtual bool DeleteTraceFile(const core::Text& name);
    virtual std::unique_ptr<CTraceFile> BuildTraceFileObject();
    // Under the lock: 0 until a whole sweep arrived; else the 8-byte entries.
    virtual int GetTraceForFile(uint8_t* buffer, int* count);
    virtual int GetSecondTraceForFile(uint8_t* buffer, int* count);
    virtual void LoadRecalledTrace(const float* entries, int count);
    virtual void HoldTrace();
    virtual void SetHoldState();
    virtual void ResetHoldState();
    virtual bool OpenTraceFileManager();
    // The file manager window of page 137 while it is open.
    CSetupSelectDlg* GetFileManager() const { return m_FileManager; }
    virtual bool CloseTraceFileManager(int flag);
    // Stops and restarts the measurement when it says the setup's last
    // change needs it; true when it restarted.
    virtual bool CheckRestart();
    bool KeyMayNeedRestart(uint32_t key) const;
    virtual bool IsSaveBusy() const;
    virtual bool OnTraceFileMenuKey(int key);
    bool DeleteTraceFiles(int key) override;
    virtual bool OnLogMenuKey(int key);
    bool OnKeyCode(int key) override;
    // The first trace of the list the file manager (popup 137) shows.
    ISetupEntry* GetFirstFileEntry() override;
    int GetSoftKeyPage() const override { return page(); }
    virtual bool OnRecallMenuKey(int key);
    virtual bool OnManageTraceKey(int key);
    virtual bool QuickSaveTrace();
    virtual bool LabelAndSaveTraceWithDialog();
    virtual bool LabelAndSaveTrace(CTraceFile* file, CMeasSetup* setup, const core::Text& name,
                                   bool showDialog);
    // The instrument's trace writer: the setup and the record's points into
    // the file at `path`; the base writes nothing.
    virtual bool SaveTraceFile(const core::Text& path, CMeasSetup* setup,
                               const ITraceSource* source);
    // The save dialog over the record's texts; false when cancelled.
    virtual bool RunSaveTraceDialog(CTraceFile& file, CMeasSetup& setup, const core::Text& name);
    // The title a labelled trace of a setup class starts with.
    static core::Text PresetTraceTitle(int32_t measurementClass);
    // The trace the file manager has highlighted; null without one.
    ISetupEntry* SelectedTraceEntry() const;
    // The recalled trace held: code 0 alone, code 1 beside the live trace.
    void ShowRecalledTrace(int code);
    // The recall keys without the file manager: the held trace alone (code
    // 0) or beside the live one (code 1).
    void HoldForRecallKey(int code);
    // The trace list anew from the trace folder.
    void ReloadTraceList();
    // The log interval, held within its limits.
    void SetLogInterval(int64_t ms);
    uint32_t GetLogInterval() const { return m_LogInterval; }
    // "General SA(MM-DD hh-mm-ss)" (or "General VNA(...)") of the time now.
    core::Text QuickTraceName() const;
    static constexpr int64_t kLogMinMs = 5000, kLogMaxMs = 3600000;
    virtual bool OpenToolsScreen();
    virtual bool ShowFullScreen();
    virtual bool OnHelpMenuKey(int key);
    virtual bool OnScreenImageMenuKey(int key);
    virtual bool QuickSaveScreen();
    virtual bool PrintScreen();
    virtual bool ManageImageFiles();
    virtual bool LogTraceIfDue();
    // File copies with progress and the trace-folder scan.
    virtual bool CopyFileWithProgress(const core::Text& sourceFolder, const core::Text& name,
                                      const core::Text& targetFolder);
    virtual void CopyFolderFiles(CMeasSetup* setup, const core::Text& sourceFolder,
                                 const core::Text& targetFolder, int kind);
    virtual int FindTraceFiles(const core::Text& folder);
    // Free bytes of the volume that holds the path (all 64 bits); nothing
    // when unknown.
    virtual std::optional<uint64_t> FreeBytesOn(const core::Text& path);
    // Whether the volume of `folder` has room for `bytes` more; else 749.
    bool HasRoomFor(const core::Text& folder, uint64_t bytes);
    // The program's message box; the button pressed (0 without one).
    int ShowFileMessage(const core::Text& text, uint32_t style);

    // --- Marker family -------------------------------------------------------
    virtual bool SelectNextMarker();
    virtual bool ToggleMarker();
    virtual bool MarkerToPeak();
    virtual bool NextPeak();
    virtual bool PeakLeft();
    virtual bool PeakRight();
    virtual bool MarkerToMin();
    virtual bool NextMin();
    virtual bool MinLeft();
    virtual bool MinRight();
    virtual bool MarkerToCenter();
    virtual bool CenterToMarker();
    virtual bool MarkerToRefLevel();
    virtual bool CycleDeltaMarker();
    virtual bool ToggleMarkerType();
    virtual bool EditMarkerLabel();
    virtual bool CycleMarkerReadout();
    virtual bool ToggleMarkerFlag();
    virtual bool AllMarkersToPeaks();
    virtual bool AllMarkersToMinima();
    virtual bool AllMarkersOff();
    virtual bool OnMarkerChanged();

    // --- Acquisition, sweep data, peaks and limits ------------------------------
    virtual void AllocTraceBuffers(int points);
    virtual void FreeTraceBuffers();
    void ForgetReceivedSweep();
    virtual int RefreshHook();
    // The instrument screen's display refresh; 1 in the base.
    virtual int RefreshDisplay();
    virtual void PublishToGraph();
    virtual void PumpAudio();
    // Whether demodulated samples have come since the ring was last reset.
    bool AudioDataArrived();
    virtual int SweepHook();
    virtual int MeasureSweepTime(int endIndex, bool sweepComplete);
    virtual core::Text FormatElapsedTime(uint32_t ms) const;
    virtual void ShowSweepTime(uint32_t ms);
    virtual core::Text GetSweepTimeSuffix() const;
    virtual void AppendAudioSamples(const int16_t* samples, uint32_t count);
    virtual void CommitSweepBlock(int points, int layout);
    virtual void OnMarkerResults(CDeviceItem* record);
    virtual void ProcessPoint(int index, double frequency, double value);
    virtual void TrackExtremes(int index, double level);
    virtual void DetectPeaks(double level, int index);
    virtual void SegmentLimitPass(double level, double upper, double lower, int index);
    virtual void PlotTracePoint(double level, int index);
    virtual void SortPeaks();
    virtual void SortValleys();
    virtual void ShowUpperLimitLabel();
    virtual void ShowLowerLimitLabel();
    virtual void BuildDivisionTable();
    virtual void ClearHoldBuffer();
    virtual int GetSweepAverage(double* out);
    // The points of the current sweep received so far.
    int GetPointsReceived();
    // The sweeps completed since the screen was made.
    int GetCompletedSweeps();
    // True once a single sweep is complete and its trace held.
    bool IsSingleSweepHeld();
    virtual core::Text GetTraceModeText();
    virtual void SetRunState(CDeviceItem* record);
    virtual void ShowRecordText(const char* text, int length, int kind);
    virtual double ReadStoredPoint(int array, int index);
    virtual double GetResultA();
    virtual double GetResultB();
    virtual int SetReferenceTraceDoubles(const double* values, int count);
    virtual int SetReferenceTrace(const float* values, int count);
    virtual int StopAfterSingleSweep();
    // The user-interface thread takes the refresh message (the view calls it).
    void OnDisplayRefresh();

    // --- Marker results, position texts, sound, accessors ----------------------
    virtual uint64_t GetResultValue0() const;
    virtual uint64_t GetResultValue1() const;
    virtual uint64_t GetResultValue2() const;
    virtual uint64_t GetResultValue3() const;
    virtual uint64_t GetResultValue4() const;
    virtual uint64_t GetResultValue5() const;
    virtual uint64_t GetResultValue6() const;
    virtual uint64_t GetResultValue7() const;
    virtual uint64_t GetResultValue8() const;
    virtual uint64_t GetResultValue9() const;
    virtual double PowerRatioDb(uint64_t divisor, double offset) const;
    virtual int SetPositionText(const char* bytes, size_t length);
    virtual void GetPositionText(char* buffer) const;
    virtual void GetPositionText2(char* buffer) const;
    virtual int SetPositionText2(const char* text);
    virtual core::Text FormatPosition();
    virtual core::Text FormatPositionTag();
    virtual bool StepVolume(uint32_t key);
    virtual bool TurnVolume(int steps);
    virtual bool EditVolume(int firstKey);
    virtual void RefreshGraphMarkers();
    virtual void ShowTraceCaption();
    virtual int GetSweepCount() const;
    virtual void SetSweepCount(int count);
    virtual void SetSweepCount2(int count);
    virtual void SetModeFlag(int flag);
    virtual int GetGuardedFlag();
    virtual void SetGuardedFlag(int flag);
    // Takes the object and deletes the one attached before.
    virtual void SetAttachedObject(std::unique_ptr<CScreenAttachment> object);
    virtual CScreenAttachment* GetAttachedObject();

    // --- Trace, averaging and waterfall menus -------------------------------------
    virtual bool OnTraceMenuKey(int key);
    virtual bool OnWaterfallMarkerArrow(uint32_t key);
    virtual bool ShowWaterfallMenu(int key);
    virtual bool OnWaterfallMenuKey(int key);
    virtual bool BuildWaterfallMenu();
    virtual bool LeaveWaterfallRecall();
    virtual bool ChooseWaterfallFile();
    virtual bool OnAveragingDigit(int digit);
    virtual bool OnAveragingArrow(uint32_t key);
    virtual bool OnAveragingKnob(int step);
    virtual bool EnterAveragingCount(int digit);
    virtual bool StepAveragingCount(uint32_t key);
    virtual bool KnobAveragingCount(int step);
    virtual void OnAveragingCountChanged();
    virtual void OnTraceModeChanged();

    // --- Automatic settings and forwards ---------------------------------------------
    virtual double AutoAttenuation();
    virtual bool ApplyAutoAttenuation();
    virtual void AutoScale(double maximum, double minimum);
    virtual void BuildAntennaFactors();
    virtual void SelectChannel();
    virtual void SetTraceAxis(int trace);
    virtual bool ForwardToMeasurement1(intptr_t value);
    virtual bool ForwardToMeasurement2(intptr_t value);
    virtual bool ForwardToMeasurement3(intptr_t value);
    virtual bool ForwardToMeasurement4(intptr_t value);
    virtual bool ForwardToMeasurement5(intptr_t value);
    virtual bool ForwardToMeasurement6(intptr_t value);
    virtual bool IsListReady(const void* item) const;
    virtual bool RefreshAfterEntry();

    // --- Plain accessors (tests and derived screens) ------------------------------------
    CGraphPanel* GetGraphPanel() const { return graphPanel; }
    // Under the lock: the measurement worker sizes the buffers.
    int GetPointCount();
    int GetLastKey(int function) const;
    int GetEntryState() const { return entryState; }
    // The volume the level beep last played with, and how often it played.
    int GetBeepVolume() const { return beepVolume; }
    int GetBeepCount() const { return beepCount; }
    bool IsCountInEdit() const { return countInEdit; }
    double GetTraceAxisStart() const { return traceAxisStart; }
    double GetTraceAxisStep() const { return traceAxisStep; }
    uint64_t GetEntryValue2() const { return entryValue2; }
    // The global spectrum analyzer setup store (null without an application).
    static CSAMeasSetup* GlobalSASetup();

  protected:
    // An arrow key on a page the screen handles itself: a release ends the
    // run of repeats, a press counts one more (up to the cap). True for a
    // press, which the page then acts on.
    bool CountArrowPress(int pressed);

    // One entry of the division table.
    struct Division {
        int start = 0;
        int weight = 0;
    };
    // A point's pixel column and row.
    struct PixelPair {
        int32_t column = 0;
        int32_t row = 30;
    };
    // The arrays that BuildDivisionTable and the hold copy keep.
    struct HoldPair {
        uint32_t a = 0, b = 0;
    };
    // One set of the trace arrays (working or display), N entries each.
    struct TraceSet {
        std::vector<double> raw, display, sweep, upper, lower, hold, holdDisplay;
        // The measured level of each point: while a limit is edited the
        // trace shows that limit, and the limit test takes this level.
        std::vector<double> measured;
        std::vector<PixelPair> pixels, upperPixels, lowerPixels, holdPixels;
        std::vector<uint64_t> frequency;
        std::vector<int32_t> segmentStart, segmentCode;
        int segmentCount = 0;
        void Resize(int n);
    };

    // The first steps of both activations.
    void BeginMeasurement();
    // Posts the refresh message unless one is pending.
    void PostDisplayRefresh();
    // The application's graph panel, setup store and DSP link (null in
    // isolated tests).
    CGraphPanel* AppGraphPanel() const;
    CDspInterface* AppDspInterface() const;
    // Shows the page of the active function again with no key chosen.
    void ShowCurrentPage(int highlight = -1);
    bool IsSpectrumSetup() const;

    // --- Markers, sound, readout rows and menu pages: helpers -------------------------------
    // Each marker operation asks for the whole-trace redraw with the marker
    // values (m_FullRedraw 2).
    void RequestMarkerRedraw();
    // Hands the graph the setup's six marker records unless it shows them
    // already; false without a graph.
    bool BindMarkerRecords();
    int CountMarkersOn() const;
    // The point of the current marker (0 without one).
    int CurrentMarkerPoint() const;
    // Switches the selected marker on when none is on; true when it did.
    bool EstablishMarker();
    // A copy of the peak (or minimum) lists, taken under the lock.
    struct ExtremaLists {
        std::vector<int32_t> byLevel, byPosition;
    };
    ExtremaLists TakeExtrema(bool minima);
    void MoveMarkerTo(int32_t point);
    bool SearchFirst(bool minima);
    bool SearchNext(bool minima);
    bool SearchBeside(bool minima, bool right);
    bool PlaceAllMarkersAt(bool peaks);
    bool MoveMarkerBy(bool right, int points);
    bool ThresholdInEdit() const;
    // Threshold lines: the arrow step, the wheel unit, and whether a line
    // moves (on, without a fixed reference level).
    double ThresholdArrowStep() const;
    double ThresholdWheelUnit();
    bool LineMovable(bool upper) const;
    // Point editing: whether a point is being added or edited, the centre
    // the mask stands on, the selected line, its redraw, and the marker
    // put on the pending point.
    bool PointInEdit() const;
    uint64_t LimitCentre() const;
    bool SelectedUpper() const;
    void RedrawSelectedLimit();
    void ShowEditCursor();
    // The pending point (offset, level, type word) becomes `p`.
    void TakePendingPoint(const MaskPoint& p);
    void ThresholdChanged();
    void ClearPageFlags();
    // The marker page's follow-up of a handled key (page, highlight, setup
    // notification, readouts).
    void FinishMarkerPageKey(int key);
    bool VolumeInEdit() const;
    void AfterVolumeKey();
    void ApplyVolume(int percent);
    void ReshowVolumePage();
    int ShowPageLabels(int highlight);
    void TellWaterfallMode(bool pause);
    bool SaveWaterfallFile();
    void SetField(uint32_t label, const core::Text& text, int row, int column,
                  plat::COLORREF colour);
    void SetFieldText(const core::Text& label, const core::Text& text, int row, int column);
    // The id of the current measurement (the setup's without one).
    int32_t MeasurementId() const;
    void BlankResultRow();
    void ShowChannelPowerRow(bool adjacent, uint32_t unit, double offset);
    void ShowCarrierInterferenceRow(uint32_t unit);
    // Labels the first markers for the measurement function shown; the
    // labels an earlier function set on further markers go (a label the user
    // has typed since stays).
    void LabelMarkers(std::initializer_list<const char16_t*> labels);
    void SwitchToPage(int page, int key);
    // Opens a page of the file menu, remembering the function shown before.
    void OpenFilePage(int page);
    // Destroys the file manager's window, if any.
    void CloseFileManagerWindow();
    // Makes the file manager's window of page 137 and shows it; false when
    // it cannot be made.
    bool CreateFileManagerWindow();
    void ReturnTo(int page, int key);
    // The value dialogs of the marker and trace pages; false when cancelled.
    virtual bool RunMarkerFrequencyDialog(int firstKey, uint64_t value, uint64_t low, uint64_t high,
                                          uint32_t titleId, uint64_t& entered);
    virtual bool RunThresholdDialog(int firstKey, double offset, double noiseLevel,
                                    double& entered);
    virtual bool RunVolumeDialog(uint32_t titleId, int firstKey, int& volume);
    virtual bool RunAveragingDialog(int firstKey, int& count);
    // The marker label dialog on `label`; the label typed when accepted.
    virtual bool RunMarkerLabelDialog(core::Text& label);
    // The loudspeaker volume in percent (the wave player's).
    virtual void SetPlayerVolume(int percent);
    // The carrier and interference levels (dBm) and their ratio (dB) of the
    // carrier-to-interference function; -999 or below when not measured.
    virtual void CarrierLevels(double& carrier, double& interference, double& ratio);
    // Makes `measurement` the current one, under the lock, while the data
    // thread may be taking a block in.
    void ReplaceCurrentMeasurement(CMeasurement* measurement);
    // The current measurement, taken under the lock (for the data thread).
    CMeasurement* LockedCurrentMeasurement();

    // --- Fields of the measurement screen (UI thread unless said) --------------
    // Replaced under the lock (ReplaceCurrentMeasurement) once sweeps may
    // arrive; the data thread takes it under the lock as a block begins.
    CMeasurement* currentMeasurement = nullptr;
    CMeasurement* blockMeasurement_ = nullptr;  // the data thread's: as the block began
    CMeasurement* measurementChain = nullptr;   // owned: the chain's first
    CDspInterface* dspLink = nullptr;
    std::unique_ptr<CListenerList> traceList;
    CGraphPanel* graphPanel = nullptr;  // the application's; not owned
    // The file manager popup of page 137 (UI thread); it frees itself once
    // its window is destroyed.
    CSetupSelectDlg* m_FileManager = nullptr;
    std::unique_ptr<uint8_t[]> m_TraceText1;
    std::unique_ptr<uint8_t[]> m_TraceText2;
    std::unique_ptr<CTimeout> timeout;
    uint32_t timeoutPeriod = kTimeoutPeriodMs;
    std::array<int, kFunctionCount> lastKey{};
    int markerFunction = 33;
    bool entryArmed = false;
    int arrowCount = 0;
    bool menuKeyUsed = false;
    int screenLayout = 1;
    uint64_t entryValue2 = 1;
    int redrawState = 0;
    double axisStart = 0, axisStop = 0;
    int pointCount = 0;
    int previousPointCount = 0;
    std::vector<Division> divisionTable;
    std::vector<HoldPair> holdBuffer, holdCopy;
    int holdCounter = 0;
    std::array<char, 256> positionText{};
    size_t positionTextLength = 0;
    std::array<char, 256> positionText2{};
    size_t positionText2Length = 0;
    bool logoLoaded = false;
    std::array<core::Text, 3> texts;
    std::vector<core::Text> texts1, texts2;
    int spareWord = 0;
    int entryState = kEntryNone;
    CFreqEntryDlg* freqEntryDlg = nullptr;      // the instrument screen's; kept
    CNumberEntryDlg* numberEntryDlg = nullptr;  // open while entryState is 3 (UI thread)
    bool freqCounterOn = false;
    bool counterChanged = false;
    double scaleTop = 0, scaleBottom = -100;
    int sweepCount = 0, sweepCount2 = 0;

    // Results of the measurement functions and marker state (markers).
    std::array<uint64_t, 10> resultValues{};
    uint32_t lastBeepTick = 0;
    CWavePlayer* wavePlayer = nullptr;
    int modeFlag = 0;
    int guardedFlag = 0;                                // under the lock
    std::unique_ptr<CScreenAttachment> attachedObject;  // under the lock
    int nextPeakCursor = 0, nextMinCursor = 0;
    int selectedMarker = 0;
    bool markerCountFlag = false, markerEditFlag = false;
    int markerPoint = 0;
    bool markerMoved = false;
    uint64_t keptMarkerFrequency = 0;
    int markerTablePosition = 0;
    bool pageShowFlag = false, pageSelectFlag = false, pageHighlightFlag = false;
    // The peak search lists of the last committed block (under the lock).
    std::vector<int32_t> peaksByLevel, peaksByPosition, minsByLevel, minsByPosition;
    int peakListCount = 0, minListCount = 0;
    // Threshold lines and limit point editing.
    bool upperOn = false, lowerOn = false;
    std::atomic<bool> upperLabelFlag{false}, lowerLabelFlag{false};
    int editState = 0;
    int editPointIndex = 0;
    int64_t editOffset = 0;
    double editLevel = 0;
    int editTypeWord = 0;
    uint64_t editMarkerFrequency = 0;
    bool wholeLineFlag = false;
    bool pointChangedFlag = false;
    // The masks under edit of the upper and the lower limit, and whether
    // the pending point shows in the limit as the reference point.
    EmissionMask upperEdit_, lowerEdit_;
    bool refPointActive = false;
    std::vector<double> antennaFactors;
    // Trace files and log.
    bool m_SaveBusy = false;
    bool m_LogOn = false;
    uint32_t m_LogInterval = 5000;
    std::unique_ptr<CTimeout> m_LogTimer;
    // The function shown before a file page opened, and whether the file
    // manager is being closed by CloseTraceFileManager.
    int previousFunction_ = 0;
    bool closingManager_ = false;
    int returnPage = 0;
    int parentPage = 33;
    int menuPageOfKeys = 0;
    // Set by an instrument screen whose display stays ready across a stop.
    bool m_DisplayKept = false;

    // The setup values the data path uses, taken on the user-interface
    // thread (TakeSweepSettings) and read by the intake.
    struct SweepSettings {
        int points = 0;
        uint64_t start = 0, centre = 0, stop = 0;
        int averagingMode = 0, averagingCount = 0, peakHoldMode = 0;
        int waterfallMode = 0, limitType = 0, sweepMode = 0;
        bool upperOn = false, lowerOn = false, limitAlarm = false, freqCounter = false;
        // A limit is being edited: the trace shows the edited limit and the
        // limit's line the measured trace (m_LimitEditing when taken).
        bool limitEditing = false;
        // The setup is the network analyzer's (its class when taken).
        bool network = false;
        double upperValue = 0, lowerValue = 0;
        // The limit at each point when a limit is no flat line (an
        // instrument screen's mask); null for a flat line at the value.
        std::shared_ptr<const std::vector<double>> upperShape, lowerShape;
        double threshold = 0;                     // the peak threshold T
        double scaleTop = 0, scaleBottom = -100;  // LoadScaleRange's limits
    };
    // Copies the setup's values for the data path (under the lock).
    void TakeSweepSettings();
    // The limit of each point of the next sweeps for the upper (or lower)
    // line; an empty one makes the line flat at its value again. The data
    // path takes it at the start of a sweep, so that a sweep is tested
    // against one limit throughout.
    void SetLimitShape(bool upper, std::vector<double> shape);
    // After the setup's trace mode changed: the data path takes the new
    // mode at the next sweep boundary, starting from the newest sweep.
    void RequestTraceModeRestart();
    // The peak threshold T of the setup.
    double PeakThreshold() const;

    // --- The data path (working set: measurement worker; display set and
    // the flags marked so: under the lock) -----------------------------------
    // N, 2..11,265: written with the buffers it sizes by the measurement
    // worker (or before it runs), under the lock.
    int m_PointCount = 0;
    TraceSet work_;
    TraceSet shown_;  // under the lock
    // The column levels (at least 705 entries): the intake's (measurement
    // worker), and the last commit's copy that the level beep reads (under
    // the lock).
    std::vector<int32_t> m_ColumnRows;
    std::vector<int32_t> shownColumnRows_;
    // Peak and valley lists of the sweep so far (found order) and their
    // ranking (ranked when the sweep is whole).
    trace::PointList m_Peaks, m_Valleys;
    std::vector<int32_t> m_SortedPeakIndex, m_SortedValleyIndex;
    std::vector<double> m_SortedPeakLevel, m_SortedValleyLevel;
    trace::PeakDetector m_Detector;
    // The limit segmentation of the block (into work_'s segment lists).
    trace::LimitSegmenter m_Segmenter;
    int m_SegmentLength = 60;
    double m_Threshold = 0;  // T of the sweep, set at the block intake
    // What the running results of the sweep stand on: the points visited so
    // far and the settings they were taken in with (RunningResultsStart).
    struct LoopBasis {
        double threshold = 0, scaleTop = 0, scaleBottom = 0, levelOfZero = 0;
        bool limitsOn = false, upperOn = false, lowerOn = false, limitEditing = false;
        bool operator==(const LoopBasis&) const = default;
    } m_LoopBasis;
    int m_LoopVisited = 0;
    // Where the per-point loop of the block starts; from 0 it restarts the
    // running results.
    int RunningResultsStart(bool resumable);
    // Column mapping state.
    int nextColumn = 0;
    int64_t columnSum = 0;
    int columnCount = 0;
    int columnCurrent = -1;

    int m_BlockStart = 0, m_BlockEnd = 0, m_NextBlockStart = 0;
    // Set on the user-interface thread when the measurement starts again:
    // the next block begins a new sweep.
    std::atomic<bool> newSweepRequested_{false};
    int m_PointsInBlock = 0;
    // The frequency axis the running sweep started on, and whether every
    // block of it came on that axis: only such a sweep gives the peak lists
    // (measurement worker).
    struct SweepAxis {
        int points = 0;
        uint64_t start = 0, stop = 0;
        bool operator==(const SweepAxis&) const = default;
    } m_SweepAxis;
    bool m_SweepOnOneAxis = false;
    int m_RedrawFrom = 0, m_RedrawTo = 0, m_PointsReceived = 0;  // under the lock
    // The raw levels of the last whole sweep, kept while the next one streams
    // in so that a trace saved mid-sweep is one the screen showed whole;
    // empty until a sweep of the present settings completed (under the lock).
    std::vector<double> completedRaw_;
    double m_AxisStartHz = 0, m_AxisStepHz = 0;
    uint64_t m_AxisStartHz64 = 0, m_AxisStopHz64 = 0;
    double m_CurrentPointHz = 0;
    double m_LevelSum = 0, m_SweepAverage = 0;
    double m_SweepMax = 0, m_SweepMin = 0;
    uint64_t m_AxisPosition = 0;
    // Set by the limit editor (user-interface thread); the data path takes
    // it with the sweep settings.
    std::atomic<bool> m_LimitEditing{false};
    std::atomic<bool> m_Live{true};
    std::atomic<bool> m_Hold{false};
    bool m_UpperLimitOn = false, m_LowerLimitOn = false, m_LimitsOn = false;
    bool m_UpperFailed = false, m_LowerFailed = false, m_LimitAlarmShown = false;
    bool m_SweepComplete = false;
    // Set by the trace-mode setters (hold restart, average restart).
    std::atomic<bool> m_HoldRestart{false}, m_AverageRestart{false};
    int m_AverageOn = 0, m_HoldMode = 0;
    int m_AverageCount = 0;  // under the lock
    std::atomic<int> m_FullRedraw{0};
    bool m_DataChanged = false;                                     // under the lock
    bool shownLimitEditing_ = false;                                // under the lock
    bool m_DisplayReady = false;                                    // under the lock
    int m_RememberedLayout = 1;                                     // under the lock
    bool m_SweepCompleted = false, m_SweepCompletedBefore = false;  // under the lock
    // Whether a sweep has begun at its first point since the measurement
    // was last started or restarted: only such a sweep completes one.
    bool sweepBegunSinceRestart_ = false;  // under the lock
    // Whether the measurement was last (re)started for a single sweep, and
    // whether that sweep is complete: then the trace holds it, and blocks
    // the board sends before it has taken the stop are not the user's.
    bool singleSweepRun_ = false;   // under the lock
    bool singleSweepHeld_ = false;  // under the lock
    int completedSweeps_ = 0;       // under the lock
    bool m_SingleSweep = false;
    std::atomic<int> m_MarkerRedrawPoint{-1};
    int m_DisplayWord = 0;
    // Full-trace refresh handshake (measurement worker).
    bool redrawRequest = false, redrawArmed = false, redrawAcknowledged = false;
    // Set by HoldTrace, taken by the commit (under the lock).
    bool holdCopyPending = false;
    // Reference trace.
    std::vector<double> m_ReferenceTrace;  // under the lock
    bool m_ReferenceChanged = false;
    double resultA = 0, resultB = 0;  // under the lock
    // Sweep timing.
    uint32_t m_SweepStartTick = 0, m_LastSweepTime = 0, m_LastCallTick = 0;
    uint32_t m_AccumulatedMs = 0, m_EstimateSum = 0, m_EstimateCount = 0;
    bool m_SweepDone = false;
    uint32_t m_ShownSweepTime = 0;
    // The message text of ShowRecordText with its length.
    std::array<char, 256> m_RecordText{};
    size_t m_RecordTextLength = 0;

    // Audio ring (under the lock).
    // kAudioBuffers x kAudioBufferSamples. Left unset: a buffer is played
    // only once filled, and a screen that never plays sound never pages it in.
    std::unique_ptr<int16_t[]> m_AudioRing;
    std::array<int, kAudioBuffers> m_AudioState{};
    int m_FillBuffer = 0, m_FillPos = 0, m_PlayBuffer = 0;
    bool m_AudioStreaming = false, m_AudioDataArrived = false, m_AudioTimeOver = false;
    int64_t m_AudioStartTime = 0;

    // Marker results of the last 774 record.
    std::array<uint8_t, kMarkerCount> markerPresent{};
    std::array<std::array<double, 2>, kMarkerCount> markerReadings{};

    // --- Markers, sound, readout rows and menu pages: state ------------------------------------
    int beepVolume = 0;        // the wave player's volume in percent
    int beepCount = 0;         // level beeps played
    bool countInEdit = false;  // the averaging count takes digits, arrows and wheel
    bool autoScaleRequest = false;
    double traceAxisStart = 0, traceAxisStep = 0;

    // Helpers of the data path.
    void RestartTraceModes();
    int32_t FrequencyToColumn(double frequency) const;
    int32_t LevelToRow(double level) const;
    bool CommitUnderLock(int points, int layout, int n);
    void CopyPeakLists();
    void CommitHoldAndHandshake(int n);
    void ShowPendingResults();
    void ShowSweepTimeText(uint32_t ms);
    bool PublishUnderLock(CGraphPanel& panel, bool& waterfallLine);
    void FillGraphData(CGraphWidget& graph, int from, int to);
    void ShowLimitLabel(bool upper);
    void DrawLimitLabel(bool upper, double value);
    void AppendAudioUnderLock(const int16_t* samples, uint32_t count);
    // The audio ring's hand-over to the wave player.
    virtual void QueueAudioBuffer(int slot);
    // Whether the buffer may be written again.
    virtual bool ReleaseAudioBuffer(int slot);

    // What the commit leaves for the user-interface thread (under the lock).
    bool limitResultPending_ = false, limitLabelsPending_ = false, logPending_ = false;
    bool captionPending_ = false, sweepTimePending_ = false, waterfallLinePending_ = false;
    bool readoutsPending_ = false;
    // The marker labels the result row set last (user-interface thread's).
    std::array<core::Text, 6> functionLabels_;
    std::vector<int32_t> shownColumns_;
    SweepSettings limitsInTrace_;    // the limits the limit traces hold (worker)
    bool wholeTraceChanged_ = true;  // the next commit copies every point (worker)
    SweepSettings pendingSettings_;  // under the lock
    SweepSettings sweep_;            // the intake's copy (measurement worker)
    // The limit shapes the user-interface thread made last (that thread's).
    std::shared_ptr<const std::vector<double>> upperShape_, lowerShape_;
    // Fills a limit trace from its shape, or flat at `value`.
    void FillLimitTrace(std::vector<double>& trace,
                        const std::shared_ptr<const std::vector<double>>& shape, double value);

  private:
    std::atomic<bool> refresh_posted_{false};
};

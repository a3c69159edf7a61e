#pragma once
// CPowerMeterMode: the power meter screen (mode id 3). It reads an external
// power sensor through one power measurement per sensor port, follows the
// port whose sensor answered first, and shows the readings in one large
// readout. Every key, the sensor-found and waiting events and the zeroing
// results run through the key state machine under the screen's event lock.
//
// The screen's parts live in their own files: the pages and the sensor set-up
// (power_pages.cpp), the soft-key actions (power_actions.cpp), ranges,
// sensor commands and value entries (power_sensor_setup.cpp).
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "files/formats/power_setup_file.h"
#include "instrument/power_measurement.h"
#include "screens/measurement_base.h"
#include "screens/power/key_state_machine.h"
#include "screens/power/power_meter_readout.h"

class CPowerMeasSetup;
class CSerialPort;
class CUsbMeterPort;

// The number entry the value entries open; answers the accepted value, or
// nothing when the user escaped.
class IPowerEntries {
  public:
    virtual ~IPowerEntries() = default;
    virtual std::optional<float> Number(uint32_t title_id, float value, float minimum,
                                        float maximum) = 0;
};

class CPowerMeterMode : public CMeasurementBase,
                        public IPowerScreen,
                        public IPowerKeyTarget,
                        public IPowerReadoutOwner,
                        public IPowerCsvSource {
  public:
    static constexpr int kModeId = 3;
    static constexpr uint32_t kTitleId = 61250;
    static constexpr int kFirstPage = 55;
    static constexpr int kLastMenuPage = 60;
    static constexpr int kLastCaptionPage = 73;
    static constexpr uint32_t kSerialMeasurementId = 11;
    static constexpr uint32_t kUsbMeasurementId = 12;

    // A soft key's caption: its text, and for a two-state key its two state
    // names with the state shown (-1: a plain caption).
    struct KeyCaption {
        core::Text text;
        uint32_t first = 0, second = 0;
        int state = -1;
    };

    CPowerMeterMode(CDevicePort* serial_port, CDevicePort* usb_port);
    ~CPowerMeterMode() override;

    // The one power meter screen, or null.
    static CPowerMeterMode* Instance();
    void SetEntries(std::unique_ptr<IPowerEntries> entries);

    // --- CModeBase / CMeasurementBase ------------------------------------
    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg) override;
    void OnActivate() override;
    void StartMeasurement() override { OnActivate(); }
    void CancelEntry() override;
    void OnClose() override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnMenuKey(uint32_t key, int flag) override;
    int OnWheel(int) override { return -1; }
    void OnKeyEvent(uint32_t key, int pressed) override;
    void OnNestedKeyEvent(uint32_t key, uint32_t repeat, uint32_t flags, int pressed) override;
    void PostKeyEvent(uint32_t key, int pressed) override;
    void ReloadTexts() override;
    void InstrumentHook() override {}
    CMeasurement* SetMeasurement(CMeasurement* measurement) override;
    using CMeasurementBase::ShowSoftKeys;
    int ShowSoftKeys(int page, int highlight) override;
    int StopMeasurement() override;

    // --- The update -------------------------------------------------------
    // One reading of ten values, from the followed measurement's thread.
    int UpdateMeasurement(const PowerReading& reading);
    void EnterWaitState();
    void LeaveWaitState();
    void ShowSensorTitle();
    // Takes a sensor of `type` as the one in use: its menus, title, hint and
    // ranges (nothing when the type is the current one). True when attached.
    bool AttachSensor(int type);

    // --- IPowerScreen (the measurements' threads) ---------------------------
    PowerScreenFields& Fields() override { return fields_; }
    void UpdateReadout(CPowerMeasurement& from) override;
    void SensorLost(CPowerMeasurement& from) override;
    void SetStatusText(const std::string& text) override;
    void PostNotice(Notice notice) override;

    // --- The key state machine's actions ----------------------------------------
    void ActModeKey() override;
    void ActSetupKey() override;
    void ActMenuKey(int index) override;
    void ActSoftKey(int index) override { OnPowerSoftKey(index); }
    void ActEnterKey() override;
    void ActPointKey() override;
    void ActUpKey() override;
    void ActDownKey() override;
    void ActZeroingError() override;
    void ActFirmwareAdvice() override;
    void ActNoSensor() override;
    void PostZeroingError();
    void PostSensorFirmwareAdvice();
    void PostNoSensor();

    // --- IPowerReadoutOwner ---------------------------------------------------
    int GetSensorType() const override { return sensor_type_.load(); }
    uint8_t GetProbeByte() const override { return probe_ ? 1 : 0; }
    bool GetIconFlag() const override { return false; }
    bool IsZeroingInProgress() const override { return fields_.zeroing.load(); }
    float GetPeakAverage() const override { return peak_average_.load(); }
    void SetVswrValue(float vswr) override { vswr_.store(vswr); }

    // --- IPowerCsvSource ----------------------------------------------------------
    bool IsLogging() const override { return logging_.load(); }
    CPowerLogFile* GetLogFile() const override { return log_file_.get(); }
    bool IsForwardPeak() const override { return peak_mode_sent_; }
    float GetVswr() const override { return vswr_.load(); }
    core::Text GetSensorTitle() const override;
    PowerReadings GetReadings() const override;

    // --- Menus and actions ----------------------------------------------------------
    void SelectMenuPage(int page, int menu_index, bool refresh_panel);
    virtual void OnPowerSoftKey(int key);
    virtual void SetUnitWatts();
    virtual void SetUnitDbm();
    virtual void OnRangeMenuKey(bool up);
    virtual void ShowRangeMenu(bool flag);
    virtual void EditInputOffset();
    virtual void ApplyFilter();
    virtual void EditCcdfLimit(bool ask);
    virtual void EditMatchOffset();
    virtual void EditDutyCycle();
    virtual void SetSensorKind(int kind);
    virtual void LoadCaptions();
    virtual void SendSensorCommand(char letter);
    virtual void ShowTwoStepHint(uint32_t first, uint32_t second);
    virtual float EditValue(uint32_t title_id, float minimum, float maximum, float current);
    virtual core::Text SetupSensorDisplay();

    // --- What tests and the export read ---------------------------------------------
    CPowerMeterReadout* GetReadout() const { return readout_.get(); }
    CKeyStateMachine& GetKeyMachine() { return key_machine_; }
    uint32_t GetDisplayWord() const { return display_word_.load(); }
    int GetMenuPage() const { return menu_page_; }
    int GetLogRatio() const { return log_ratio_; }
    bool IsWaiting() const { return waiting_.load(); }
    bool IsPromptShown() const { return prompt_shown_; }
    const KeyCaption& Caption(int page, int key) const;
    uint32_t GetSoftKeyHint(int page, int key) const;
    int GetForwardRangeIndex() const { return forward_range_; }
    int GetReflectedRangeIndex() const { return reflected_range_; }
    int GetRangeSelectIndex() const { return range_select_; }
    bool IsRatioOn() const { return ratio_10_; }
    core::Text GetAppliedFilterText() const { return LoadResStringOr(applied_filter_); }
    CPowerMeasurement* GetFollowedMeasurement() const { return followed_.load(); }
    CPowerMeasurement* GetMeasurementOfPort(bool usb) const;

    static constexpr int kCaptionCount = kPageCount * kKeysPerPage;

  private:
    static core::Text LoadResStringOr(uint32_t id);
    void CreatePowerPanes();
    void ShowPageKeys(int page);
    void ShowKeyCaption(int key);
    void ShowKeyFeedback(uint32_t key, int pressed);
    void ApplyFamilyTables(int type);
    void ApplyShownValues(const PowerReading& reading, std::array<float, 11>& shown);

    bool FollowProbeLetter();
    void LogReading();
    void StopLogging(bool disk_full);
    void ToggleLogging();
    void StartZeroing();
    void StopForSwitch();
    // True when the action put its own text in the hint line (zeroing, the
    // log key), which the key's own hint then leaves in place.
    bool RunAction(int code, int key);
    void SetProbeKeys(bool second_probe);
    void SetReadoutLabels(uint32_t a, uint32_t b, uint32_t c);
    void PlaySoundFile(const char16_t* name) const;
    void RedrawSoftKeys();
    void ShowHint(const core::Text& text, COLORREF background);
    void ShowHint(const core::Text& text);
    int ValueForKind(const std::array<float, 11>& shown) const;
    IPowerEntries& Entries();
    CPowerSensor* FollowedSensor() const;

    CDevicePort* serial_port_;
    CDevicePort* usb_port_;
    std::unique_ptr<CPowerMeasSetup> power_setup_;
    CKeyStateMachine key_machine_{PowerMeterKeyStates};
    std::unique_ptr<CPowerMeterReadout> readout_;
    std::unique_ptr<CPowerSetupFile> setup_file_;
    std::unique_ptr<CPowerLogFile> log_file_;  // the event lock
    std::unique_ptr<IPowerEntries> entries_;
    // Serialises every entry into the key state machine, the update and the
    // waiting state; held while an action's dialog runs, so it is recursive.
    std::recursive_mutex event_mutex_;
    PowerScreenFields fields_;
    std::array<CPowerMeasurement*, 2> ports_{};  // serial, USB; the chain owns them
    std::atomic<CPowerMeasurement*> followed_{nullptr};
    std::array<uint32_t, 2> readings_seen_{};  // the event lock

    // The members below are guarded by the event lock (they change only in
    // the update, the actions and the waiting state) unless atomic.
    std::array<KeyCaption, kCaptionCount> captions_;
    PageTable soft_hint_{};
    PageTable menu_hint_{};
    core::Text sensor_name_;
    uint32_t description_hint_ = 0;
    std::atomic<uint32_t> display_word_{0};
    int menu_page_ = kFirstPage;
    std::atomic<int> sensor_type_{0};
    uint32_t filter_caption_ = 0, applied_filter_ = 0;
    float filter_value_ = 10000.0f;
    int log_ratio_ = 1, log_skip_ = 0;
    float last_shown_ = 0;
    float saved_forward_scale_ = 0, saved_reflected_scale_ = 0;
    int forward_range_ = 3, reflected_range_ = 0, range_select_ = 0;
    std::atomic<float> peak_average_{0};
    std::atomic<float> vswr_{0};
    std::atomic<bool> logging_{false};
    bool log_ratio_adjustable_ = false;
    bool prompt_shown_ = false;
    std::atomic<bool> configuration_finished_{false};
    std::atomic<bool> zeroing_sound_pending_{false};
    std::atomic<bool> waiting_{false};
    bool redraw_after_waiting_ = false;
    std::atomic<bool> skip_redraw_{false};
    bool new_sensor_ = false;
    bool sensor_attached_ = false;
    bool forward_choice_open_ = false, reflected_choice_open_ = false;
    bool ratio_10_ = false;
    bool filter_pending_ = false;
    bool peak_mode_sent_ = false;
    bool probe_ = false;
    bool confirm_ = false;
    bool first_feedback_done_ = false;
    int remembered_menu_key_ = -1;
    std::array<float, 11> last_values_{};
};

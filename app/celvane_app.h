#pragma once
// CCelvaneApp: the main program's application object. It starts the
// instrument in a fixed order, owns the long-lived services, switches between
// the full screens, runs the once-a-second services on the frame's timer and
// shuts everything down in a fixed order.
//
// Services of later subsystems that are not part of the program yet are
// skipped at start-up with a history entry (see SkipService); the program
// runs without them.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/alert_handler.h"
#include "app/language.h"
#include "app/write_failure_notice.h"
#include "core/app_event.h"
#include "core/locked_list.h"
#include "core/settings/system_settings.h"
#include "core/sorted_item_list.h"
#include "core/sorted_string_array.h"
#include "dialogs/dialog_services.h"
#include "drivers/smartio/smart_io.h"
#include "files/sa_meas_setup.h"
#include "instrument/buffer_helper.h"
#include "instrument/dsp_interface.h"
#include "instrument/sensor_ports.h"
#include "instrument/sensors/gps_receiver.h"
#include "instrument/system/battery.h"
#include "instrument/system/spi_client.h"
#include "instrument/system/temperature_monitor.h"
#include "platform/devices/device_manager.h"
#include "platform/framework/app.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/sync.h"
#include "platform/process/process.h"
#include "screens/screen_services.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"
#include "widgets/widget_services.h"

class CAntennaList;
class CBufferPair;
class CCableType;
class CDebugLog;
class CLimitMaskFile;
class CMainFrame;
class CSignalBand;
class CModeBase;
class CMeasurement;
class CMeasSetup;

// The memory status record of the last once-a-second check, for the parts
// that show memory use.
const plat::MemoryStatus& GlobalMemoryStatusRecord();

class CCelvaneApp : public plat::CWinApp, public IScreenServices, public IBoardVersionSink {
  public:
    // Hardware ids (hardware word & 0xFFF).
    static constexpr uint32_t kTW740S = 0x207;
    static constexpr uint32_t kTW740 = 0x205;
    static constexpr uint32_t kTW741S = 0x107;
    static constexpr uint32_t kTW74S = 6;

    // Storage kinds of GetStorageInfo.
    static constexpr int kFlashVolume = 0;
    static constexpr int kHardDisk = 1;
    static constexpr int kMemory = 2;

    // History bit of the start-up entries (the start-up mask is 48).
    static constexpr uint32_t kHistoryStart = 16;
    static constexpr uint32_t kHistoryKeys = 32;

    // Exit code of a start that failed (a second instance among them).
    static constexpr int kStartFailed = 1;
    // The pauses of the exit routine.
    static constexpr uint32_t kExitPauseMs = 1000;

    CCelvaneApp();
    ~CCelvaneApp() override;

    // The application object of the process, if it is a CCelvaneApp.
    static CCelvaneApp* GetApp();

    bool InitInstance() override;
    int ExitInstance() override;
    // Hides the soft input panel, then reports as the framework does.
    intptr_t ProcessWndProcException(const std::exception& e, const plat::Message& msg) override;
    void OnEndRequested() override { end_requested_.set(); }
    // True once ExitInstance has begun: the frame is gone and nobody is left
    // to answer a message box.
    bool IsClosing() const { return closing_; }

    // --- Storage and files ---------------------------------------------
    // Free bytes of the volume (0 "\FlashFX Disk", 1 "\Hard Disk") or of
    // physical memory (2); `total` takes the total. 0 and 0 for other kinds.
    virtual uint64_t GetStorageInfo(int kind, uint64_t* total);
    // The kind of the path's volume (matched without regard to case), then
    // GetStorageInfo.
    virtual uint64_t GetStorageInfoForPath(std::u16string_view path, uint64_t* total);
    virtual bool HasMode(int id);
    virtual bool SetModeMeasurement(int id, intptr_t value);
    virtual bool FileExists(std::u16string_view path);
    // Temperature in degrees Celsius from the monitor, 0 without one.
    virtual int32_t TemperatureQuery1(int32_t value);
    // The same reading in degrees Fahrenheit; never changes an event.
    virtual int32_t TemperatureQuery2(int32_t value);
    // The default printer's name, its driver in `driver`; string 570 when
    // no printer key is usable; nothing when no printer matches.
    virtual std::optional<std::u16string> GetDefaultPrinter(std::u16string* driver);
    virtual uint32_t GetBatteryPercent() const { return battery_percent_; }
    virtual uint32_t GetBatteryWord() const { return battery_word_; }

    // --- Board I/O requests on "BIO1:" ------------------------------------
    virtual uint32_t BioGetValue6();
    virtual uint32_t BioQuery(bool flag);
    virtual void BioSetValue(int32_t value);
    virtual void BioRequest(int32_t a, int32_t b);
    virtual void BioSetValue3(int32_t value);
    virtual uint32_t BioGetValue5();
    virtual bool BioSetWord(const uint8_t* bytes);

    // --- Once a second ------------------------------------------------------
    virtual void UpdateFanState();
    virtual void CheckMemory();
    virtual uint64_t GetAvailableMemory();
    virtual void WatchProcess();
    virtual void CheckBatteryStatus();
    virtual void UpdateCurrentMode();
    virtual void OnSecondTick();

    // --- Screens ---------------------------------------------------------
    // Whether an instrument screen exists on the hardware id.
    static bool ScreenAllowed(int screen, uint32_t hardwareId);
    virtual void SaveMode();
    // Writes the history log now; a failure is said once in the status line
    // and the history.
    bool DumpHistory();
    virtual bool LoadStartupLists();
    virtual void ContrastDown(uint32_t step);
    virtual void ContrastUp(uint32_t step);
    virtual void ApplyContrast(uint32_t value);
    virtual CLockedList& GetModeList() { return modes_; }
    virtual CModeBase* FindMode(int id);
    virtual bool ActivateForMeasurement(CMeasurement* measurement);
    virtual void RecallSetupItem(CSortedItem* item);
    virtual void SwitchToMode(CModeBase* screen);
    virtual void SwitchToModeNoStart(CModeBase* screen);
    virtual void StoreSetting(uint32_t id, intptr_t value);
    void ShowModeSelect() override;
    void ShowSetupScreen() override;
    void ShowTools() override;
    virtual CModeBase* GetCurrentMode() const { return current_mode_; }
    virtual bool LoadLanguage(int32_t id);
    // The language's own name; empty when its library is absent (the
    // English family then answers the program's own name for English).
    virtual std::u16string GetLanguageName(int32_t id);
    virtual bool ShowListFile(uint32_t command, intptr_t owner);
    virtual bool LoadListFile(uint32_t command, intptr_t arg);
    // The lists of start-up (each may be null: no cable list without its
    // file) and the limit masks last loaded.
    CSignalBand* GetBandList() const override { return band_list_.get(); }
    CCableType* GetCableList() const { return cable_list_.get(); }
    CAntennaList* GetAntennaList() const { return antenna_list_.get(); }
    CLimitMaskFile* GetLimitMaskFile() const { return limit_masks_.get(); }
    virtual void DeleteSortedList() { sorted_items_.reset(); }
    virtual CSortedItemList& GetSortedList();
    // The setup list in sort mode `mode` (sorted again when the mode changed
    // or entries came in unsorted); its first entry.
    virtual CSortedItem* SortSetupList(uint32_t mode);
    // The current screen shows the pair's texts; then the pair goes.
    virtual void HandOverToCurrentMode(std::unique_ptr<CBufferPair> pair);
    virtual bool LaunchProgram(uint32_t command);
    virtual int ReturnsZero() { return 0; }
    virtual bool IsModeIdle() const;
    virtual void SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* from);
    virtual CMeasurement* GetCurrentMeasurement() const { return current_measurement_; }
    virtual CMeasSetup* GetFromModeId() const { return from_setup_; }
    virtual void SetFirmwareVersion(uint32_t major, uint32_t minor);
    virtual void SetIdentityBytes(const uint8_t* bytes, size_t count);
    // The DSP link's version read: kept at once on the user-interface
    // thread, from the link's thread at the next second tick.
    void OnBoardVersion(uint32_t major, uint32_t minor, const uint8_t* identity,
                        size_t count) override;
    virtual plat::CWnd* GetMainView() const;
    virtual void CopyLanguageFiles();
    virtual void SyncClockToBuildDate();
    virtual bool CreateFolders();
    virtual bool InitDisplay();
    virtual bool CreateModes();
    virtual void AddMode(CModeBase* screen);
    virtual bool CreateGraphPanel();
    virtual bool InitServices();
    virtual bool InitDevices();
    virtual bool IsAlreadyRunning();
    static int MonthFromName(std::u16string_view text);

    // --- Services other parts ask for --------------------------------------
    int GetLastSelectedMode() const override { return last_selected_mode_; }
    void SetLastSelectedMode(int mode) override { last_selected_mode_ = mode; }
    bool GetAlertsEnabled() const { return alerts_enabled_.load(); }
    void SetAlertsEnabled(bool on) { alerts_enabled_ = on; }
    bool GetSensorZeroRequest() const { return sensor_zero_request_; }
    void SetSensorZeroRequest(bool on) { sensor_zero_request_ = on; }
    bool GetSensorZeroDone() const { return sensor_zero_done_; }
    void SetSensorZeroDone(bool on) { sensor_zero_done_ = on; }
    // Closes the program as the user would (WM_CLOSE to the frame).
    void RequestShutdown();

    // --- Accessors -----------------------------------------------------------
    uint32_t GetOwnerWord() const { return 0; }
    uint32_t GetHardwareId() const override { return hardware_word_ & 0xFFF; }
    uint32_t GetHardwareWord() const { return hardware_word_; }
    void SetHardwareWord(uint32_t word) { hardware_word_ = word; }
    std::u16string CreateModelName() const;
    const UiFonts& GetFonts() const { return fonts_; }
    uint32_t GetSmallFontHeight() const { return fonts_.small.height; }
    uint32_t GetSmallFontWidth() const { return fonts_.small.width; }
    uint32_t GetSmallFontWeight() const { return fonts_.small.weight; }
    const std::u16string& GetFontFace() const { return fonts_.small.face; }
    const std::u16string& GetFontFace2() const { return fonts_.large.face; }
    uint32_t GetLargeFontHeight() const { return fonts_.large.height; }
    uint32_t GetLargeFontWidth() const { return fonts_.large.width; }
    const std::u16string& GetIdentityText() const { return identity_text_; }
    void SetIdentityText(std::u16string text) { identity_text_ = std::move(text); }
    void SetModeChanged() { mode_changed_ = true; }
    bool StopCurrentMode();
    bool ForwardToCurrentMode(int a, const core::Text* b);
    bool RefreshLinkObject() { return false; }
    bool QueryLinkValue(uint32_t* out) {
        if (out) *out = 0;
        return false;
    }
    CSystemSettings* GetSettings() const { return settings_.get(); }
    CMainFrame* GetMainFrame() const { return frame_; }
    int32_t GetLanguageId() const override { return language_id_; }
    int GetStartMode() const { return start_mode_; }
    uint32_t GetStatusWord() const { return status_word_; }
    CEventDispatcher* GetDispatcher() const { return dispatcher_.get(); }
    // The thread of the alert boxes (null before InitDevices and after the exit).
    CSystemAlertHandler2* GetAlertThread() const { return alert_thread_.get(); }
    // The user-interface thread (the one that started the application).
    uint32_t GetUiThreadId() const { return ui_thread_id_; }
    CSpiClient* GetSpiClient() const { return spi_client_.get(); }
    // The word the I/O controller keeps; false and 0 on failure.
    bool GetSpiWord(uint16_t* out) {
        uint16_t value = 0;
        const bool ok = spi_client_ && spi_client_->ReadStoredWord(value);
        if (out) *out = ok ? value : 0;
        return ok;
    }
    // The colour scheme every widget draws with (null before InitDevices);
    // its number is entry 48.
    CColorScheme* GetColorScheme() const { return color_scheme_.get(); }
    // The one graph panel the measurement screens share (null before
    // CreateModes and after the exit).
    CGraphPanel* GetGraphPanel() const { return graph_panel_.get(); }
    uint32_t GetColorSchemeNumber() const;
    // Gives the scheme object the colours of scheme `number` (1..5; others
    // give 1).
    void SetColorSchemeNumber(uint32_t number);
    bool IsSecondInstance() const { return second_instance_; }

    // --- DSP link --------------------------------------------------------------
    // Stops and deletes the link there is, then creates and starts a new one;
    // false (and no link) when it does not start.
    bool CreateDspInterface(std::u16string_view name);
    bool RestartDspInterface() { return CreateDspInterface(u""); }
    CDspInterface* GetDspInterface() const { return dsp_.get(); }

    // --- Sensor and GPS ports ------------------------------------------------
    CSerialPort* GetSerialPort() const { return serial_port_.get(); }
    CUsbMeterPort* GetUsbPort() const { return usb_port_.get(); }
    CGpsReceiver* GetGpsReceiver() const { return gps_.get(); }
    CBufferHelper* GetBufferPool() const { return buffer_pool_.get(); }

    // --- IScreenServices ------------------------------------------------------
    void SetCurrentModeId(int id) override;
    int GetLastMeasurementModeId() const override;
    void SetLastMeasurementModeId(int id) override;
    CModeBase* GetCurrentMeasurementScreen() const override;
    void ModeKey(uint32_t key) override;
    void SetupKey(uint32_t key) override;
    void ForwardValue(int value) override;
    CModeBase* FindScreen(int id) override { return FindMode(id); }
    bool CanSwitchMeasurement() const override { return IsModeIdle(); }
    void SetContrast(int level) override;
    void InitBacklight() override;
    bool IsBacklightAutomatic() override;
    int GetBacklightLevel(bool custom) override;
    int GetSensorGain() override;
    void SetAutoBacklight(bool on) override;
    void SetBacklightLevel(int level, int custom) override;
    void SetSensorGain(int gain) override;
    bool RestartLink() override { return RestartDspInterface(); }
    void NoteModeChanged() override;

    // --- System information ---------------------------------------------------
    // The backlight: the custom level in percent (custom set) or the manual
    // level 0..3; 2 on failure.
    int GetBacklightSetting(bool custom) { return static_cast<int>(BioQuery(custom)); }
    // The automatic backlight's state (1 on); 0 on failure.
    uint32_t IoControl() { return BioGetValue6(); }
    // Percent and seconds (255 no estimate) as the battery check last read.
    uint32_t GetBatteryLevel() const { return battery_percent_; }
    uint32_t GetBatteryTime() const { return battery_word_; }
    int32_t GetTemperatureC() { return TemperatureQuery1(0); }
    int32_t GetTemperatureF() { return TemperatureQuery2(0); }
    uint64_t GetMemoryAndDiskStatus(int index, uint64_t* total) {
        return GetStorageInfo(index, total);
    }
    // The identity fields of the system information box.
    SystemIdentity GetSystemIdentity();
    CSortedItem* GetFirstItem() override;
    int ShowScreenMessage(const core::Text& text, uint32_t style) override;
    CGraphPanel* GetSharedGraphPanel() const override { return graph_panel_.get(); }
    CLimitMaskFile* LoadLimitMasks() override;
    CDspInterface* GetDspLink() const override { return dsp_.get(); }
    CSAMeasSetup* GetGlobalSASetup() override { return &sa_setup_store_; }
    void SetAppMeasurement(CMeasurement* measurement, CMeasSetup* setup) override {
        SetCurrentMeasurement(measurement, setup);
    }
    void RunQuickHelp(const core::Text& title, const std::u16string& path) override;
    CSortedItemList* GetSetupList() override { return &GetSortedList(); }
    void DeleteSetupList() override { DeleteSortedList(); }
    bool LoadsSetups() const override;
    ISetupEnvironment* GetSetupEnvironment() override;
    CCableType* GetScreenCableList() override { return GetCableList(); }
    void RunTimeDateDialog() override;

  protected:
    // A service of a later subsystem that the program does not have yet:
    // noted in the history ring and the debugger output.
    void SkipService(const char16_t* what);
    // Leaves the current screen and makes `screen` current.
    void MakeCurrent(CModeBase* screen);
    void ClearAlarmLatches() {
        battery_alarm_posted_ = false;
        memory_alarm_posted_ = false;
    }
    bool BioIoctl(uint32_t sub, int32_t value, uint32_t* reply);
    void InstallLanguageFont(int32_t id);
    void PostAlarm(uint32_t argument);

  private:
    struct Launched {
        plat::Process process;
    };

    // Every member belongs to the user-interface thread, except the screen
    // list, which has its own lock (CLockedList::Lock, ScopedLock).
    std::unique_ptr<CSystemSettings> settings_;
    std::unique_ptr<CBufferHelper> buffer_pool_;
    std::unique_ptr<CSerialPort> serial_port_;
    std::unique_ptr<CUsbMeterPort> usb_port_;
    std::unique_ptr<CGpsReceiver> gps_;  // on the serial port; outlives the link
    std::unique_ptr<CDspInterface> dsp_;
    std::unique_ptr<CDebugLog> debug_log_;
    std::unique_ptr<CSortedStringArray> location_texts_;
    std::unique_ptr<CSortedStringArray> user_texts_;
    std::unique_ptr<CEventDispatcher> dispatcher_;
    uint32_t status_word_ = 0;
    bool force_english_ = false;
    bool escape_support1_ = false;
    bool escape_support2_ = false;
    int start_mode_ = 0;
    uint8_t battery_status_ = 0;
    uint32_t battery_percent_ = 0;
    uint32_t battery_word_ = 0;
    bool mode_changed_ = true;
    bool battery_alarm_posted_ = false;
    bool memory_alarm_posted_ = false;
    int32_t language_id_ = kLanguageEnglish;
    uint32_t saved_layout_ = 0;
    bool layout_saved_ = false;
    CModeBase* current_mode_ = nullptr;
    CMeasurement* current_measurement_ = nullptr;
    CMeasSetup* from_setup_ = nullptr;
    int last_selected_mode_ = 1;
    CLockedList modes_{true};  // guarded by its own lock
    plat::Mutex instance_mutex_;
    plat::Event battery_alarm_;
    std::unique_ptr<CSortedItemList> sorted_items_;
    std::unique_ptr<CSignalBand> band_list_;
    std::unique_ptr<CCableType> cable_list_;
    std::unique_ptr<CAntennaList> antenna_list_;
    std::unique_ptr<CLimitMaskFile> limit_masks_;
    std::array<Launched, 2> launched_;
    bool history_dumped_ = false;
    // Set when a signal asked the program to end: the exit's pauses are cut
    // short. Set by the signal's thread, waited on by the UI thread.
    plat::Event end_requested_{true, false};
    CModeBase* setup_mode_ = nullptr;
    std::u16string identity_text_;
    uint32_t hardware_word_ = 0;
    UiFonts fonts_;
    LanguageBinding language_;
    std::unique_ptr<CColorScheme> color_scheme_;
    std::unique_ptr<CGraphPanel> graph_panel_;
    // The global spectrum analyzer setup store (user-interface thread).
    CSAMeasSetup sa_setup_store_;
    // What the widgets ask of the application; registered while it runs.
    std::unique_ptr<IWidgetServices> widget_services_;
    // What the dialogs ask of the application; registered while it runs.
    std::unique_ptr<IDialogServices> dialog_services_;
    CMainFrame* frame_ = nullptr;
    std::unique_ptr<CMainFrame> frame_owner_;
    std::atomic<bool> alerts_enabled_{true};  // read by the alert thread
    bool sensor_zero_request_ = false;
    bool sensor_zero_done_ = false;
    bool second_instance_ = false;
    bool started_ = false;
    bool closing_ = false;  // user-interface thread
    bool start_ok_ = false;
    plat::Window* task_bar_ = nullptr;
    plat::devices::StreamFile bio_;
    std::unique_ptr<CSmartIO> smart_io_;
    std::unique_ptr<CTemperatureMonitor> temperature_monitor_;
    std::unique_ptr<CBattery> battery_;
    std::unique_ptr<CSpiClient> spi_client_;
    std::unique_ptr<CSystemAlertHandler2> alert_thread_;
    uint32_t ui_thread_id_ = 0;
    uint16_t spi_stored_word_ = 0;
    // A version read on the link's thread, until the user-interface thread
    // keeps it.
    struct PendingVersion {
        uint32_t major = 0, minor = 0;
        std::vector<uint8_t> identity;
    };
    std::mutex version_lock_;
    std::optional<PendingVersion> pending_version_;  // guarded by version_lock_
    void KeepPendingVersion();
    // Says when the registry or the history log could not be written.
    CWriteFailureNotice write_notice_;
};

#pragma once
// The application services a screen's base behaviour calls. The application
// object implements them and registers itself while it runs; screens built
// without an application (isolated tests) find none and skip the calls.
#include <cstdint>
#include <string>

#include "core/text.h"

class CModeBase;
class CMeasurement;
class CMeasSetup;
class CSortedItem;
class CGraphPanel;
class CDspInterface;
class CSAMeasSetup;
class CLimitMaskFile;
class CSortedItemList;
class ISetupEnvironment;

class IScreenServices {
  public:
    virtual ~IScreenServices() = default;

    // The registered services of the running program, or null.
    static IScreenServices* current();
    static void set_current(IScreenServices* services);

    // Stores the id of the screen that became current (settings store).
    virtual void SetCurrentModeId(int id) = 0;
    // The measurement screen shown last (settings store).
    virtual int GetLastMeasurementModeId() const = 0;
    // Measurement screens record themselves as shown last.
    virtual void SetLastMeasurementModeId(int /*id*/) {}
    // The screen that owns the application's current measurement, or null.
    virtual CModeBase* GetCurrentMeasurementScreen() const = 0;
    // The mode key (mode selection screen) and the setup key (setup screen).
    virtual void ModeKey(uint32_t key) = 0;
    virtual void SetupKey(uint32_t key) = 0;
    virtual void ShowModeSelect() = 0;
    virtual void ShowTools() = 0;
    virtual void ShowSetupScreen() = 0;
    // A value a screen hands to the application's matching service.
    virtual void ForwardValue(int value) = 0;

    // The screens below answer as a program without hardware would; the
    // application gives the real answers.
    // The hardware id (model word & 0xFFF).
    virtual uint32_t GetHardwareId() const { return 0; }
    // The screen object of an id, or null.
    virtual CModeBase* FindScreen(int /*id*/) { return nullptr; }
    // False while measurement switch codes must be refused.
    virtual bool CanSwitchMeasurement() const { return true; }
    // Gives a measurement the value the settings list keeps for it (0 when
    // it keeps none) before the measurement's screen is switched to.
    virtual void ApplyKeptValue(CMeasurement* /*measurement*/) {}
    // Sets the display contrast (0..100) and stores it as a setting.
    virtual void SetContrast(int /*level*/) {}
    // The two board I/O controls every screen's creation sends.
    virtual void InitBacklight() {}
    virtual bool IsBacklightAutomatic() { return false; }
    // The manual level (0 low, 1 medium, 2 high, 3 custom), or with custom
    // set the custom level in percent.
    virtual int GetBacklightLevel(bool /*custom*/) { return 2; }
    virtual int GetSensorGain() { return 0; }
    // The backlight and sensor gain requests of the tools screen: automatic
    // backlight on or off; the manual level (0 low, 1 middle, 2 high, 3 the
    // custom level in percent); the sensor gain (-250..+250).
    virtual void SetAutoBacklight(bool /*on*/) {}
    virtual void SetBacklightLevel(int /*level*/, int /*custom*/) {}
    virtual void SetSensorGain(int /*gain*/) {}
    // The instrument last chosen in the mode list (1 network analyzer, 2
    // spectrum analyzer, 3 power meter).
    virtual int GetLastSelectedMode() const { return 1; }
    virtual void SetLastSelectedMode(int /*mode*/) {}
    // Restarts the DSP link; false when it does not start.
    virtual bool RestartLink() { return true; }
    // A system screen was shown: the status indicator is drawn anew at the
    // battery check, which runs at once.
    virtual void NoteModeChanged() {}
    // The language the interface shows (9 English, 4 Mandarin).
    virtual int32_t GetLanguageId() const { return 9; }
    // The first item of the application's item list, or null.
    virtual CSortedItem* GetFirstItem() { return nullptr; }
    // The drawn button (0..3: mode, setup, Escape, Enter) under a point, or -1.
    virtual int HitButtonRow(int /*x*/, int /*y*/) const { return -1; }
    // The program's message box; answers the button pressed (6 Yes, 1 OK).
    virtual int ShowScreenMessage(const core::Text& /*text*/, uint32_t /*style*/) { return 0; }
    // The modal quick-help viewer of a help file.
    virtual void RunQuickHelp(const core::Text& /*title*/, const std::u16string& /*path*/) {}
    // The modal time and date dialog.
    virtual void RunTimeDateDialog() {}

    // What the measurement screens share through the application.
    // The one graph panel of the measurement screens, or null.
    virtual CGraphPanel* GetSharedGraphPanel() const { return nullptr; }
    // The DSP link, null while it is down.
    virtual CDspInterface* GetDspLink() const { return nullptr; }
    // Loads the limit-mask list file; the file's masks, or null when the
    // file is missing or wrong (the screen then builds its own masks).
    virtual CLimitMaskFile* LoadLimitMasks() { return nullptr; }
    // The global spectrum analyzer setup store, into which the spectrum
    // analyzer screen copies its setup before each restart; null without one.
    virtual CSAMeasSetup* GetGlobalSASetup() { return nullptr; }
    // The setup manager's share of the application: its sorted setup list
    // (null without an application), deleting the list with all entries,
    // whether stored setups are listed at all (the LoadSetups setting) and
    // the environment setups read from files use.
    virtual CSortedItemList* GetSetupList() { return nullptr; }
    virtual void DeleteSetupList() {}
    virtual bool LoadsSetups() const { return true; }
    virtual ISetupEnvironment* GetSetupEnvironment() { return nullptr; }
    // The application's current measurement and setup object.
    virtual void SetAppMeasurement(CMeasurement* /*measurement*/, CMeasSetup* /*setup*/) {}
};

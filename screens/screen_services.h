#pragma once
// The application services a screen's base behaviour calls. The application
// object implements them and registers itself while it runs; screens built
// without an application (isolated tests) find none and skip the calls.
#include <cstdint>

class CModeBase;

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
};

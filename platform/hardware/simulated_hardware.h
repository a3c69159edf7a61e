#pragma once
// The simulated hardware, plugged in by the platform at power-on. When the
// registry says the world is simulated (HKLM "Simulator", REG_DWORD
// "Simulated" non-zero; the device image seeds it), power-on loads the
// simulator library that the key's "Dll" value names from the device image's
// "\Windows" folder and calls its power-on entry, which puts the simulated
// devices on their buses as plugging in the hardware would (the acquisition
// board on the USB host, where its driver claims it). Power-off takes them
// off again. No program links the simulator: every module of a process sees
// the one instance of each simulated device that this library holds.
#include <cstdint>
#include <string>

namespace plat::hardware {

inline constexpr char16_t kSimulatorKey[] = u"Simulator";
inline constexpr char16_t kSimulatedValue[] = u"Simulated";
inline constexpr char16_t kDllValue[] = u"Dll";
inline constexpr char16_t kDefaultDll[] = u"Simulator.dll";

// The simulator library's C entry points: power-on plugs the simulated
// devices in and answers how many it plugged in; power-off unplugs them.
inline constexpr char kPowerOnEntry[] = "SimulatorPowerOn";
inline constexpr char kPowerOffEntry[] = "SimulatorPowerOff";
using PowerOnFn = int32_t();
using PowerOffFn = void();
// The world the simulator would power on, checked: 0 when it can be read,
// else the number of things wrong, the first of them (file, place, value) in
// `line` (`size` bytes with the terminating zero).
inline constexpr char kCheckWorldEntry[] = "SimulatorCheckWorld";
using CheckWorldFn = int32_t(char* line, uint32_t size);

// Whether the registry says the world is simulated (a missing value: no).
bool simulated_world();

// For a simulated world whose description cannot be read (an edited scene
// with a mistake), the one line that says what is wrong; empty otherwise.
std::string simulated_world_problem();

// The simulated hardware from power-on to power-off (move-only).
class SimulatedHardware {
  public:
    SimulatedHardware() = default;
    ~SimulatedHardware();
    SimulatedHardware(SimulatedHardware&& other) noexcept;
    SimulatedHardware& operator=(SimulatedHardware&& other) noexcept;
    SimulatedHardware(const SimulatedHardware&) = delete;
    SimulatedHardware& operator=(const SimulatedHardware&) = delete;

    // Reads the registry of the process's device root and, for a simulated
    // world, loads the simulator and powers it on; says on the debug output
    // what it did. Empty when the world is not simulated or the library
    // cannot be loaded.
    static SimulatedHardware power_on();

    // Whether the simulator is loaded and powered on.
    explicit operator bool() const { return power_off_ != nullptr; }
    // How many simulated devices power-on plugged in.
    int32_t devices() const { return devices_; }
    // Unplugs the simulated devices. The library stays loaded for the
    // process, as the drivers do: a device taken off the bus may still be
    // released late by a pipe its driver closes.
    void power_off();

  private:
    PowerOffFn* power_off_ = nullptr;
    int32_t devices_ = 0;
};

}  // namespace plat::hardware

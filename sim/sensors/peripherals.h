#pragma once
// The devices on the instrument's serial port "com1:" and USB sensor port
// "UPM1:" in the simulated world: a GPS receiver replaying a log, serial and
// USB power sensors. Tests plug and unplug them at run time.
#include <filesystem>
#include <memory>
#include <string>

#include "sim/scene.h"
#include "sim/sensors/sensor_physics.h"

namespace sim {

class PeripheralWorld {
  public:
    // Puts the scene's devices on the ports; reads the replay log from the
    // device root.
    PeripheralWorld(const Scene& scene, const std::filesystem::path& device_root);
    // Takes every device off the ports.
    ~PeripheralWorld();
    PeripheralWorld(const PeripheralWorld&) = delete;
    PeripheralWorld& operator=(const PeripheralWorld&) = delete;

    // "gps", "none" or a sensor model; "none" silences the line.
    void SetCom1(const std::string& device);
    // A K630-family model, or "none" to unplug.
    void SetUsb(const std::string& model);
    SensorSignalState& Signal() { return signal_; }

  private:
    Scene scene_;
    std::filesystem::path root_;
    SensorSignalState signal_;
};

// When the world is simulated: the peripherals of the device root's scene.
std::unique_ptr<PeripheralWorld> attach_simulated_peripherals();

}  // namespace sim

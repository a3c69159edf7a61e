#pragma once
// The devices on the instrument's serial port "com1:" and USB sensor port
// "UPM1:" in the simulated world: a GPS receiver replaying a log, serial and
// USB power sensors. Tests plug and unplug them at run time, and the world
// follows edits of the scene file's "peripherals" while it runs.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

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
    // Takes the scene file's peripherals when the file changed since the
    // last look (a file with problems is left alone).
    void FollowSceneFile();

    // How often the world looks at the scene file.
    static constexpr uint32_t kWatchMs = 200;

  private:
    void Apply(const Peripherals& p);
    uint32_t Watch();

    std::mutex mutex_;  // serialises plugging
    Scene scene_;       // guarded by mutex_
    std::filesystem::path root_;
    SensorSignalState signal_;
    std::filesystem::file_time_type seen_time_{};  // owned by the watching thread
    uintmax_t seen_size_ = 0;                      // owned by the watching thread
    plat::Event stop_;
    plat::Thread watcher_;
};

// When the world is simulated: the peripherals of the device root's scene.
std::unique_ptr<PeripheralWorld> attach_simulated_peripherals();

}  // namespace sim

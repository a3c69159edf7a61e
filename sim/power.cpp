// The simulator library's power entries, called by the platform at power-on
// and power-off when the registry says the world is simulated: they plug the
// simulated devices in and take them off again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>

#include "platform/kernel/device_root.h"
#include "platform/usb/usb_host.h"
#include "sim/board_factory.h"
#include "sim/board_io/board_io.h"
#include "sim/sensors/peripherals.h"

namespace {

// The simulated devices on their buses.
struct PluggedIn {
    std::mutex mutex;
    plat::usb::AttachId board = 0;                      // guarded by mutex
    std::unique_ptr<sim::BoardIoPlug> board_io;         // guarded by mutex
    std::unique_ptr<sim::PeripheralWorld> peripherals;  // guarded by mutex
};

PluggedIn& plugged_in() {
    static PluggedIn devices;
    return devices;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t SimulatorPowerOn() {
    PluggedIn& devices = plugged_in();
    std::lock_guard lock(devices.mutex);
    if (!devices.board_io) {
        auto board_io = std::make_shared<sim::BoardIo>();
        board_io->load_scene(sim::load_scene(sim::scene_path(plat::device_root())).scene);
        devices.board_io = std::make_unique<sim::BoardIoPlug>(std::move(board_io));
    }
    if (!devices.board) devices.board = sim::attach_simulated_board();
    // The sensors and the GPS receiver on the serial and USB sensor ports.
    if (!devices.peripherals) devices.peripherals = sim::attach_simulated_peripherals();
    return devices.board ? 1 : 0;
}

extern "C" __attribute__((visibility("default"))) int32_t SimulatorCheckWorld(char* line,
                                                                              uint32_t size) {
    const sim::SceneLoad load = sim::load_scene(sim::scene_path(plat::device_root()));
    if (load.problems.empty()) return 0;
    if (line && size > 0) std::snprintf(line, size, "%s", load.problems.front().c_str());
    return static_cast<int32_t>(std::min<size_t>(load.problems.size(), INT32_MAX));
}

extern "C" __attribute__((visibility("default"))) void SimulatorPowerOff() {
    PluggedIn& devices = plugged_in();
    std::lock_guard lock(devices.mutex);
    if (devices.board) plat::usb::Host::instance().detach(devices.board);
    devices.board = 0;
    devices.board_io.reset();
    devices.peripherals.reset();
}

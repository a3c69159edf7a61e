#pragma once
// Test support for the simulated board: a scene that streams as fast as the
// host reads and without random noise, and a device root whose device
// manager has loaded the acquisition driver and claimed that board.
#include <filesystem>
#include <fstream>

#include "drivers/dsp/tests/install_driver.h"
#include "platform/devices/device_manager.h"
#include "sim/board_factory.h"

namespace sim_test {

inline sim::Scene fast_scene() {
    sim::Scene s = sim::default_scene();
    s.time_scale = 0;
    s.receiver.noise_variation = false;
    return s;
}

// Installs the driver and fast_scene() into `root`, starts the device
// manager and attaches the simulated board; 0 when it was not attached.
inline plat::usb::AttachId start_simulated_device(const std::filesystem::path& root) {
    celvane_test::install_dsp_driver(root);
    std::ofstream(sim::scene_path(root)) << sim::scene_json(fast_scene());
    plat::devices::start();
    return sim::attach_simulated_board();
}

}  // namespace sim_test

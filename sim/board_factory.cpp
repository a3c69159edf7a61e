#include "sim/board_factory.h"

#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/registry/registry.h"

namespace sim {

bool board_is_simulated() {
    plat::RegKey key;
    if (plat::hkey_local_machine().open(kSimulatedKey, key) != 0) return true;
    return key.get_dword(kSimulatedValue).value_or(1) != 0;
}

std::shared_ptr<AcquisitionBoard> create_simulated_board(const std::filesystem::path& device_root) {
    SceneLoad load = load_scene(scene_path(device_root));
    if (!load.error.empty())
        plat::debug_printf("Simulated board: scene not read (%s), using the default world\n",
                           load.error.c_str());
    auto board = std::make_shared<AcquisitionBoard>(load.scene, device_root / "board");
    const std::string& log = load.scene.board.command_log;
    if (!log.empty()) {
        // A plain file name only: the log stays inside the device root.
        if (log.find_first_of("/\\") != std::string::npos || log == "." || log == "..")
            plat::debug_printf("Simulated board: command_log \"%s\" is not a file name, ignored\n",
                               log.c_str());
        else
            board->set_command_log(device_root / log);
    }
    return board;
}

plat::usb::AttachId attach_simulated_board() {
    if (!board_is_simulated()) return 0;
    return plat::usb::Host::instance().attach(create_simulated_board(plat::device_root()));
}

}  // namespace sim

#include "sim/board_factory.h"

#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"

namespace sim {

std::unique_ptr<AcquisitionBoard> create_simulated_board(const std::filesystem::path& device_root) {
    SceneLoad load = load_scene(scene_path(device_root));
    if (!load.error.empty())
        plat::debug_printf("Simulated board: scene not read (%s), using the default world\n",
                           load.error.c_str());
    return std::make_unique<AcquisitionBoard>(load.scene);
}

std::unique_ptr<AcquisitionBoard> create_simulated_board() {
    return create_simulated_board(plat::device_root());
}

}  // namespace sim

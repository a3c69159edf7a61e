#pragma once
// Creates the simulated acquisition board from the scene file of a device
// root; this is what the device manager attaches when the registry says the
// board is simulated.

#include <filesystem>
#include <memory>

#include "sim/acquisition_board.h"

namespace sim {

// Reads "<root>/scene.json" (the default world when it is missing); a
// malformed file is reported on the debug output with its line and the
// default world is used.
std::unique_ptr<AcquisitionBoard> create_simulated_board(const std::filesystem::path& device_root);

// The same for the process's device root.
std::unique_ptr<AcquisitionBoard> create_simulated_board();

}  // namespace sim

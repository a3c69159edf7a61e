#pragma once
// Creates the simulated acquisition board from the scene file of a device
// root and puts it on the USB host; this is what starts the simulated board
// when the registry says the board is simulated.

#include <filesystem>
#include <memory>

#include "platform/usb/usb_host.h"
#include "sim/acquisition_board.h"

namespace sim {

// Registry place of the switch: HKLM "Drivers\USB\ClientDrivers\VornDSP",
// REG_DWORD "Simulated"; a missing value means simulated (factory default).
inline constexpr char16_t kSimulatedKey[] = u"Drivers\\USB\\ClientDrivers\\VornDSP";
inline constexpr char16_t kSimulatedValue[] = u"Simulated";
bool board_is_simulated();

// Reads "<root>/scene.json" (the default world when it is missing); a
// malformed file is reported on the debug output with its line and the
// default world is used. What the board keeps across power cycles lies in
// "<root>/board".
std::shared_ptr<AcquisitionBoard> create_simulated_board(const std::filesystem::path& device_root);

// When the board is simulated: creates it from the process's device root and
// attaches it to the USB host, where the acquisition driver claims it.
// Returns the attachment (0 when the board is not simulated).
plat::usb::AttachId attach_simulated_board();

}  // namespace sim

#pragma once
// Test support: installs the acquisition-board driver into a device root the
// way the device image does (its library in "\Windows" and its USB client key
// in the registry), so that the device manager loads it at start.
#include <filesystem>
#include <stdexcept>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"

namespace celvane_test {

inline void install_dsp_driver(const std::filesystem::path& root) {
    std::filesystem::copy_file(build_bin() / "VornDSP.so", root / "Windows" / "VornDSP.dll",
                               std::filesystem::copy_options::overwrite_existing);
    plat::RegKey key;
    if (plat::hkey_local_machine().create(dsp::kClientDriverKey, key) != plat::ERROR_SUCCESS)
        throw std::runtime_error("the driver's registry key cannot be created");
    key.set_string(u"Dll", dsp::kDriverLibrary);
    key.set_string(u"Prefix", dsp::kDevicePrefix);
    key.set_dword(u"Index", 1);
}

}  // namespace celvane_test

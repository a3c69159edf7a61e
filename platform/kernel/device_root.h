#pragma once
#include <filesystem>
#include <string>

namespace plat {

// The host folder that holds the instrument's whole world (flash volume, USB
// storage, registry, run-time locks). Chosen by `--root DIR`, else by the
// CELVANE_ROOT environment variable, else "build/device".
std::filesystem::path device_root();
inline constexpr const char* kDeviceRootVariable = "CELVANE_ROOT";
void set_device_root(const std::filesystem::path& root);

// Picks `--root DIR` (or `--root=DIR`) out of a program's arguments and makes
// it the device root; returns whether the option was present.
bool apply_root_option(int argc, const char* const* argv);

}  // namespace plat

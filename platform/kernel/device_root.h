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

// The options of a small tool: --help (or -h) prints `usage` and answers 0;
// an option other than --root (when the tool takes one) is named on standard
// error and answers 2. Answers -1 when the tool goes on.
int check_tool_options(int argc, const char* const* argv, const char* usage, bool takes_root);

}  // namespace plat

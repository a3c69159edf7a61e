#pragma once
// The one place where an instrument path ("\FlashFX Disk\System\mode.txt",
// "\Hard Disk\...", a bare name relative to "\") becomes a host path below the
// device root. Everywhere else the program keeps the instrument's path strings.
#include <filesystem>
#include <optional>
#include <string_view>

namespace plat {

// Each segment is matched case-insensitively against what exists, as on the
// instrument's file system; segments that do not exist yet keep the case they
// were given. Paths that would leave the device root (".." segments, host
// absolute paths, drive letters) give nothing, with last error
// ERROR_PATH_NOT_FOUND.
std::optional<std::filesystem::path> host_path(std::u16string_view instrument_path);
std::optional<std::filesystem::path> host_path(std::string_view instrument_path_utf8);

}  // namespace plat

#pragma once
// Internal: host file descriptor helpers and the platform's error code for a
// host errno.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace plat::detail {

uint32_t error_from_errno(int err);
// Sets the last error from errno and returns false, for one-line failures.
bool fail_errno();
bool fail(uint32_t code);
// The error for a host path that does not exist: ERROR_FILE_NOT_FOUND when
// its folder exists, else ERROR_PATH_NOT_FOUND.
uint32_t missing_entry_error(const std::filesystem::path& host);

// Writes all of `data`, retrying short writes; false with the last error and
// errno set. A reader that left or a file-size limit fails the write with
// EPIPE or EFBIG; neither signal reaches the program.
bool write_all(int fd, std::span<const std::byte> data);

}  // namespace plat::detail

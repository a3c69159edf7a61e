#pragma once
// Internal: host file descriptor helpers and the platform's error code for a
// host errno.
#include <cstddef>
#include <cstdint>
#include <span>

namespace plat::detail {

uint32_t error_from_errno(int err);
// Sets the last error from errno and returns false, for one-line failures.
bool fail_errno();
bool fail(uint32_t code);

// Writes all of `data`, retrying short writes; false with the last error set.
bool write_all(int fd, std::span<const std::byte> data);

}  // namespace plat::detail

#pragma once
// Internal: the platform's error code for a host errno.
#include <cstdint>

namespace plat::detail {

uint32_t error_from_errno(int err);
// Sets the last error from errno and returns false, for one-line failures.
bool fail_errno();
bool fail(uint32_t code);

}  // namespace plat::detail

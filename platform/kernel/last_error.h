#pragma once
#include <cstdint>

namespace plat {

// The calling thread's last-error code.
uint32_t get_last_error();
void set_last_error(uint32_t code);

}  // namespace plat

#include "platform/kernel/last_error.h"

namespace plat {

namespace {
thread_local uint32_t t_last_error = 0;
}

uint32_t get_last_error() {
    return t_last_error;
}
void set_last_error(uint32_t code) {
    t_last_error = code;
}

}  // namespace plat

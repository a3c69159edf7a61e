#pragma once
#include <cstdint>

namespace plat::detail {
// Forgets the queue of a thread that has ended.
void drop_thread_queue(uint32_t tid);
}  // namespace plat::detail

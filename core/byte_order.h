#pragma once
// Little-endian fields in byte records (messages, reply blocks, stored
// records): the platform's helper, which the drivers and the simulator use
// as well.
#include "platform/byte_order.h"

namespace core {
using plat::get_le;
using plat::put_le;
}  // namespace core

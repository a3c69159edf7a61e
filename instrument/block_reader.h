#pragma once
// Little-endian field access for the measurements' message records and the
// reply blocks they read: a block field is read only when it lies wholly
// within the block's used length.
#include <cstdint>
#include <cstring>

#include "core/byte_order.h"
#include "core/data_block.h"

namespace instrument {

template <typename T>
bool ReadLe(CDataBlock& block, uint32_t offset, T& out) {
    const uint32_t length = block.GetLength();
    if (offset > length || length - offset < sizeof(T)) return false;
    const uint8_t* p = block.GetPointer(offset);
    if (!p) return false;
    std::memcpy(&out, p, sizeof(T));
    return true;
}

using core::get_le;
using core::put_le;

}  // namespace instrument

#pragma once
// Little-endian field access for the measurements' message records and the
// reply blocks they read: a block field is read only when it lies wholly
// within the block's used length.
#include <cstdint>
#include <cstring>

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

template <typename T>
void WriteLe(uint8_t* record, size_t offset, T value) {
    std::memcpy(record + offset, &value, sizeof(T));
}

template <typename T>
T GetLe(const uint8_t* record, size_t offset) {
    T v;
    std::memcpy(&v, record + offset, sizeof(T));
    return v;
}

}  // namespace instrument

#pragma once
// Little-endian fields in byte records (messages, reply blocks, stored
// records). The host is little-endian, so a field is its bytes as they lie.
#include <bit>
#include <cstdint>
#include <cstring>

namespace core {

static_assert(std::endian::native == std::endian::little);

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

}  // namespace core

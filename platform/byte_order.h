#pragma once
// Little-endian fields in byte records: packets on the board's wire, reply
// blocks, stored records. The one byte-order helper of the tree, for every
// layer. The host is little-endian, so a field is its bytes as they lie.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace plat {

static_assert(std::endian::native == std::endian::little);

// The field of type T at `offset` bytes into `record`.
template <typename T>
T get_le(const uint8_t* record, size_t offset = 0) {
    T v;
    std::memcpy(&v, record + offset, sizeof(T));
    return v;
}

template <typename T>
void put_le(uint8_t* record, size_t offset, T value) {
    std::memcpy(record + offset, &value, sizeof(T));
}

// The field at the start of `record`.
template <typename T>
void put_le(uint8_t* record, T value) {
    put_le<T>(record, 0, value);
}

}  // namespace plat

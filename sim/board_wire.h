#pragma once
// Byte-level helpers for the board's USB packets (little-endian) held in
// growing byte vectors: reads past the end give 0, writes past it grow the
// vector. The field access itself is the platform's byte-order helper.

#include <cstdint>
#include <vector>

#include "platform/byte_order.h"

namespace sim {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
T get_le(const Bytes& b, std::size_t offset) {
    if (offset + sizeof(T) > b.size()) return T{};
    return plat::get_le<T>(b.data(), offset);
}

template <typename T>
void put_le(Bytes& b, std::size_t offset, T v) {
    if (b.size() < offset + sizeof(T)) b.resize(offset + sizeof(T));
    plat::put_le<T>(b.data(), offset, v);
}

template <typename T>
void append_le(Bytes& b, T v) {
    put_le(b, b.size(), v);
}

}  // namespace sim

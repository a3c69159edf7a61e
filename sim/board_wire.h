#pragma once
// Byte-level helpers for the board's USB packets (little-endian).

#include <cstdint>
#include <cstring>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
T get_le(const Bytes& b, std::size_t offset) {
    T v{};
    if (offset + sizeof(T) <= b.size()) std::memcpy(&v, b.data() + offset, sizeof(T));
    return v;
}

template <typename T>
void put_le(Bytes& b, std::size_t offset, T v) {
    if (b.size() < offset + sizeof(T)) b.resize(offset + sizeof(T));
    std::memcpy(b.data() + offset, &v, sizeof(T));
}

template <typename T>
void append_le(Bytes& b, T v) {
    put_le(b, b.size(), v);
}

}  // namespace sim

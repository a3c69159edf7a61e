#include "instrument/byte_ring.h"

#include <mutex>

uint8_t CByteRing::PopByte() {
    std::lock_guard lock(mutex_);
    if (read_ == write_) return 0;
    const uint8_t b = buffer_[read_];
    read_ = (read_ + 1) % kSize;
    return b;
}

uint32_t CByteRing::GetCount() const {
    std::lock_guard lock(mutex_);
    return (write_ + kSize - read_) % kSize;
}

void CByteRing::Push(uint32_t count, const uint8_t* bytes) {
    if (count >= kSize) return;
    std::lock_guard lock(mutex_);
    for (uint32_t i = 0; i < count; ++i) {
        buffer_[write_] = bytes[i];
        write_ = (write_ + 1) % kSize;
        if (write_ == read_) read_ = (read_ + 1) % kSize;  // full: drop the oldest
    }
}

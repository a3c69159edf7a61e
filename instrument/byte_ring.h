#pragma once
// The 2048-byte receive ring of a device port, with its own lock. A writer
// that would lap the reader drops the oldest bytes instead, so the count
// stays true.
#include <cstdint>

#include "platform/kernel/sync.h"

class CByteRing {
  public:
    static constexpr uint32_t kSize = 2048;

    bool IsNotEmpty() const { return GetCount() != 0; }
    // The next byte (0 when the ring is empty).
    uint8_t PopByte();
    uint32_t GetCount() const;
    // A count of kSize or more is ignored.
    void Push(uint32_t count, const uint8_t* bytes);

  private:
    mutable plat::Mutex mutex_{false};
    uint8_t buffer_[kSize] = {};
    uint32_t read_ = 0;
    uint32_t write_ = 0;
};

#pragma once
// An array of owned texts kept in ascending order (16-bit units), growing by
// ten entries when full.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/text.h"

class CSortedStringArray {
  public:
    static constexpr uint32_t kGrowth = 10;

    explicit CSortedStringArray(uint32_t capacity = 10, uint32_t kind = 0);
    virtual ~CSortedStringArray() = default;

    void RemoveAll();
    bool RemoveAt(uint32_t index);
    bool RemoveAtUnlocked(uint32_t index);
    // Null past the count. A text keeps its address while it is in the
    // array, however the array grows or sorts around it.
    const core::Text* GetAt(uint32_t index) const;
    void Lock() const { mutex_.lock(); }
    void Unlock() const { mutex_.unlock(); }
    void LockWait() const { mutex_.lock(); }
    bool Add(std::u16string_view text);
    bool AddLocked(std::u16string_view text);

    uint32_t GetCount() const;
    uint32_t GetCapacity() const;
    // What the list holds (the settings store keeps several quick-text lists).
    uint32_t GetKind() const { return kind_; }

  private:
    bool InsertSorted(std::u16string_view text);

    mutable std::recursive_mutex mutex_;
    uint32_t capacity_;
    uint32_t kind_;
    std::vector<std::unique_ptr<core::Text>> texts_;
};

#include "core/sorted_string_array.h"

#include <algorithm>

CSortedStringArray::CSortedStringArray(uint32_t capacity, uint32_t kind)
    : capacity_(capacity), kind_(kind) {
    texts_.reserve(capacity);
}

void CSortedStringArray::RemoveAll() {
    std::lock_guard lock(mutex_);
    texts_.clear();
}

bool CSortedStringArray::RemoveAt(uint32_t index) {
    std::lock_guard lock(mutex_);
    return RemoveAtUnlocked(index);
}

bool CSortedStringArray::RemoveAtUnlocked(uint32_t index) {
    if (index >= texts_.size()) return false;
    texts_.erase(texts_.begin() + index);
    return true;
}

const core::Text* CSortedStringArray::GetAt(uint32_t index) const {
    std::lock_guard lock(mutex_);
    return index < texts_.size() ? texts_[index].get() : nullptr;
}

bool CSortedStringArray::Add(std::u16string_view text) {
    return AddLocked(text);
}

bool CSortedStringArray::AddLocked(std::u16string_view text) {
    std::lock_guard lock(mutex_);
    if (texts_.size() >= capacity_) {
        try {
            texts_.reserve(capacity_ + kGrowth);
        } catch (const std::bad_alloc&) {
            return false;
        }
        capacity_ += kGrowth;
    }
    return InsertSorted(text);
}

bool CSortedStringArray::InsertSorted(std::u16string_view text) {
    auto at = std::upper_bound(texts_.begin(), texts_.end(), text,
                               [](std::u16string_view a, const std::unique_ptr<core::Text>& b) {
                                   return core::CompareUnits(a, *b) < 0;
                               });
    texts_.insert(at, std::make_unique<core::Text>(text));
    return true;
}

uint32_t CSortedStringArray::GetCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<uint32_t>(texts_.size());
}

uint32_t CSortedStringArray::GetCapacity() const {
    std::lock_guard lock(mutex_);
    return capacity_;
}

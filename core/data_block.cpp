#include "core/data_block.h"

#include <cstring>

#include "core/chain.h"

CDataBlock::CDataBlock(void* owner, uint32_t capacity)
    : buffer_(capacity ? new uint8_t[capacity]() : nullptr), capacity_(capacity), owner_(owner) {}

CDataBlock::~CDataBlock() {
    CDataBlock* rest = next_;
    next_ = nullptr;
    core::DeleteChain(rest);
}

void CDataBlock::Append(CDataBlock* block) {
    core::AppendToChain(this, block);
}

uint32_t CDataBlock::GetTypeLow() const {
    if (!buffer_ || capacity_ < 2) return 15;
    return buffer_[0];
}

uint32_t CDataBlock::GetClass() const {
    if (!buffer_ || capacity_ < 2) return 15;
    uint16_t word;
    std::memcpy(&word, buffer_.get(), 2);
    return word & 0xF000u;
}

uint32_t CDataBlock::SetLength(uint32_t n) {
    length_ = n > capacity_ ? capacity_ : n;
    return capacity_;
}

uint8_t* CDataBlock::GetPointer(uint32_t offset) {
    if (!buffer_ || offset > length_) return nullptr;
    return buffer_.get() + offset;
}

bool CDataBlock::PutWord(uint32_t index, uint16_t value) {
    uint64_t end = (static_cast<uint64_t>(index) + 1) * sizeof value;
    if (!buffer_ || end > length_) return false;
    std::memcpy(buffer_.get() + index * sizeof value, &value, sizeof value);
    return true;
}

bool CDataBlock::PutDouble(uint32_t index, double value) {
    uint64_t end = (static_cast<uint64_t>(index) + 1) * sizeof value;
    if (!buffer_ || end > length_) return false;
    std::memcpy(buffer_.get() + index * sizeof value, &value, sizeof value);
    return true;
}

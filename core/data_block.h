#pragma once
// An allocated byte buffer with a capacity, a used length and a link to a
// following block (the DSP link's receive blocks).
#include <cstdint>
#include <memory>

class CDataBlock {
  public:
    CDataBlock(void* owner, uint32_t capacity);
    // Frees the buffer and deletes the rest of the chain.
    virtual ~CDataBlock();
    CDataBlock(const CDataBlock&) = delete;
    CDataBlock& operator=(const CDataBlock&) = delete;

    CDataBlock* GetNext() const { return next_; }
    void SetNext(CDataBlock* next) { next_ = next; }
    void Append(CDataBlock* block);
    // Low byte of the first 16-bit word; 15 without a buffer.
    uint32_t GetTypeLow() const;
    // The first 16-bit word masked with 0xF000; 15 without a buffer.
    uint32_t GetClass() const;
    uint32_t GetLength() const { return length_; }
    // Stores n, or the capacity when n is larger; returns the capacity.
    uint32_t SetLength(uint32_t n);
    // buffer + offset when the offset does not pass the used length, else null.
    uint8_t* GetPointer(uint32_t offset);
    // Store only elements that lie wholly within the used length.
    bool PutWord(uint32_t index, uint16_t value);
    bool PutDouble(uint32_t index, double value);

    uint32_t GetCapacity() const { return capacity_; }
    uint32_t GetFlag() const { return flag_; }
    void SetFlag(uint32_t flag) { flag_ = flag; }
    void* GetOwner() const { return owner_; }

  private:
    uint32_t flag_ = 0;
    uint32_t length_ = 0;
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t capacity_;
    uint32_t word_ = 0;
    CDataBlock* next_ = nullptr;
    void* owner_;
};

#pragma once
// The pool of large receive buffers the application keeps for the DSP link:
// free and filled lists, at most 20 buffers ever made.
#include <cstdint>
#include <mutex>

#include "core/data_block.h"
#include "core/locked_list.h"

// One pool buffer: a data block with its index and the words that are
// cleared whenever it changes hands.
class CPoolBuffer : public CDataBlock {
  public:
    CPoolBuffer(uint32_t index, uint32_t size) : CDataBlock(nullptr, size), index_(index) {}
    uint32_t GetIndex() const { return index_; }
    bool in_use = false;
    uint32_t fill_count = 0;
    uint32_t third_word = 0;

  private:
    uint32_t index_;
};

class CBufferHelper {
  public:
    static constexpr uint32_t kDefaultSize = 90128;
    static constexpr uint32_t kMaxBuffers = 20;

    CBufferHelper() = default;
    ~CBufferHelper();
    CBufferHelper(const CBufferHelper&) = delete;
    CBufferHelper& operator=(const CBufferHelper&) = delete;

    // A free buffer (a new one while fewer than 20 exist); null when the pool
    // is exhausted.
    CPoolBuffer* GetBuffer();
    void ReleaseBuffer(CPoolBuffer* buffer);
    void QueueFilled(CPoolBuffer* buffer);
    CPoolBuffer* TakeFilled();
    uint32_t GetFilledCount() { return filled_.GetCount(); }
    // Destroys every listed buffer; later ones are made at the new size. The
    // count of buffers made is kept.
    void SetBufferSize(uint32_t size);
    uint32_t GetCreatedCount() {
        std::lock_guard lock(mutex_);
        return created_;
    }

  private:
    void DestroyAll();
    CLockedList free_;
    CLockedList filled_;
    std::mutex mutex_;
    uint32_t created_ = 0;          // guarded by mutex_
    uint32_t size_ = kDefaultSize;  // guarded by mutex_
};

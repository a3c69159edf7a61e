#include "instrument/buffer_helper.h"

#include "platform/kernel/debug_out.h"

CBufferHelper::~CBufferHelper() {
    DestroyAll();
}

CPoolBuffer* CBufferHelper::GetBuffer() {
    auto* buffer = static_cast<CPoolBuffer*>(free_.GetHead(true));
    if (!buffer) {
        std::lock_guard lock(mutex_);
        if (created_ >= kMaxBuffers) return nullptr;
        plat::debug_printf("CBufferHelper::GetBuffer Warning: no free buffer.\n");
        buffer = new CPoolBuffer(created_++, size_);
    }
    buffer->in_use = true;
    buffer->fill_count = 0;
    buffer->third_word = 0;
    return buffer;
}

void CBufferHelper::ReleaseBuffer(CPoolBuffer* buffer) {
    if (!buffer) return;
    buffer->in_use = false;
    buffer->third_word = 0;
    free_.AddTail(buffer);
}

void CBufferHelper::QueueFilled(CPoolBuffer* buffer) {
    if (!buffer) return;
    buffer->third_word = 0;
    filled_.AddTail(buffer);
}

CPoolBuffer* CBufferHelper::TakeFilled() {
    return static_cast<CPoolBuffer*>(filled_.GetHead(true));
}

void CBufferHelper::SetBufferSize(uint32_t size) {
    {
        std::lock_guard lock(mutex_);
        size_ = size;
    }
    DestroyAll();
}

void CBufferHelper::DestroyAll() {
    for (CLockedList* list : {&free_, &filled_})
        while (auto* buffer = static_cast<CPoolBuffer*>(list->GetHead(true))) delete buffer;
}

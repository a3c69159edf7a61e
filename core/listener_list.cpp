#include "core/listener_list.h"

#include "core/chain.h"

uint32_t CListenerList::GetCount() const {
    std::lock_guard lock(mutex_);
    uint32_t n = 0;
    for (CChainLink* i = head_; i; i = i->GetNext()) ++n;
    return n;
}

CChainLink* CListenerList::GetHead() const {
    std::lock_guard lock(mutex_);
    return head_;
}

void CListenerList::Add(CChainLink* item) {
    if (!item) return;
    std::lock_guard lock(mutex_);
    item->SetNext(nullptr);
    core::AddToChain(head_, item);
}

bool CListenerList::Remove(CChainLink* item) {
    std::lock_guard lock(mutex_);
    return core::RemoveFromChain(head_, item);
}

void CListenerList::DeleteAll() {
    std::lock_guard lock(mutex_);
    core::DeleteChain(head_);
    head_ = nullptr;
}

#pragma once
// A mutex-guarded intrusive chain of objects that carry their own link. The
// list owns the items only for DeleteAll.
#include <cstdint>
#include <mutex>

#include "core/chain_link.h"

class CListenerList {
  public:
    CListenerList() = default;
    virtual ~CListenerList() = default;
    CListenerList(const CListenerList&) = delete;
    CListenerList& operator=(const CListenerList&) = delete;

    uint32_t GetCount() const;
    CChainLink* GetHead() const;
    void Add(CChainLink* item);
    // Unlinks the item and clears its link; false when it is not in the list.
    bool Remove(CChainLink* item);
    // Clears each item's link and deletes it.
    void DeleteAll();
    void Lock() const { mutex_.lock(); }
    void Unlock() const { mutex_.unlock(); }

  private:
    mutable std::recursive_mutex mutex_;
    CChainLink* head_ = nullptr;
};

#pragma once
// The application's sorted list of stored setups: an owned intrusive chain
// ordered by one of eleven sort modes.
#include <cstdint>
#include <functional>
#include <mutex>

#include "core/chain_link.h"
#include "core/text.h"

// What the list needs of an entry.
class CSortedItem : public CChainLink {
  public:
    // Measurement class: 1 network analyzer, 2 spectrum analyzer, 3 power meter.
    virtual uint32_t GetModeId() const = 0;
    virtual core::Text GetName() const = 0;
    // The setup file the item stands for; empty when it has none.
    virtual core::Text GetFilePath() const { return {}; }
    virtual core::Text GetOperatorText() const { return {}; }
    virtual core::Text GetLocationText() const { return {}; }
    virtual uint32_t GetDate() const { return 0; }
    virtual bool IsFlagA() const { return false; }
    virtual bool IsFlagB() const { return false; }
    virtual bool IsMarked() const { return false; }

    CSortedItem* NextItem() const { return static_cast<CSortedItem*>(GetNext()); }
};

// Sort modes: 1..3 group by measurement class (orders 2,1,3 / 1,2,3 / 3,2,1);
// 4/5 operator, 6/7 name, 8/9 location, 10/11 date; even ascending, odd
// descending.
class CSortedItemList {
  public:
    // Called with the new mode whenever SetSortMode re-sorts (the application
    // stores it as the ListMode setting and announces the change).
    using ModeStored = std::function<void(uint32_t mode)>;

    explicit CSortedItemList(uint32_t mode = 0, ModeStored on_mode_stored = {});
    virtual ~CSortedItemList();
    CSortedItemList(const CSortedItemList&) = delete;
    CSortedItemList& operator=(const CSortedItemList&) = delete;

    // Re-sorts for a non-zero mode that differs from the present one; returns
    // the head.
    CSortedItem* SetSortMode(uint32_t mode);
    uint32_t GetSortMode() const;
    CSortedItem* GetHead() const;
    bool IsSorted() const;

    // At the end; the list owns the item and counts as unsorted.
    void Add(CSortedItem* item);
    CSortedItem* FindByName(std::u16string_view name) const;
    // Unlinks the item (the caller owns it again); false when absent.
    bool Remove(CSortedItem* item);
    uint32_t CountFlagA() const;
    uint32_t CountFlagB() const;
    CSortedItem* FirstMarked() const;
    CSortedItem* NthFlagA(uint32_t n) const;
    // Sorts the chain by the present mode.
    void SortChain();
    // Moves the items of one measurement class out of `chain` (in order).
    static CSortedItem* TakeByMode(CSortedItem*& chain, uint32_t mode_id);
    // Appends a chain of items at the end.
    void Merge(CSortedItem* chain);
    // Appends a chain and sorts again.
    void MergeSorted(CSortedItem* chain);

    void Lock() const { mutex_.lock(); }
    void Unlock() const { mutex_.unlock(); }

  private:
    static CSortedItem* SortByMode(CSortedItem* chain, uint32_t mode);

    mutable std::recursive_mutex mutex_;
    uint32_t mode_;
    bool sorted_ = false;
    CSortedItem* head_ = nullptr;
    ModeStored on_mode_stored_;
};

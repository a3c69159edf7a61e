#include "core/sorted_item_list.h"

#include "core/chain.h"

namespace {

enum class SortKey { Operator, Name, Location, Date };

core::Text TextKey(const CSortedItem* item, SortKey key) {
    switch (key) {
        case SortKey::Operator:
            return item->GetOperatorText();
        case SortKey::Name:
            return item->GetName();
        default:
            return item->GetLocationText();
    }
}

// Builds a chain by appending items at its end.
class ChainBuilder {
  public:
    void Append(CSortedItem* item) {
        if (!item) return;
        if (tail_)
            tail_->SetNext(item);
        else
            head_ = item;
        tail_ = item;
        while (tail_->NextItem()) tail_ = tail_->NextItem();
    }
    CSortedItem* Head() const { return head_; }

  private:
    CSortedItem* head_ = nullptr;
    CSortedItem* tail_ = nullptr;
};

// One step of the selection sort: takes the smallest (ascending) or largest
// (descending) item out of the chain. For text keys the candidate starts at
// the first item whose key is not empty; a chain of only empty keys gives
// null and stays as it is.
CSortedItem* SelectOne(CSortedItem*& chain, SortKey key, bool ascending) {
    CSortedItem* candidate = chain;
    core::Text best;
    if (key != SortKey::Date) {
        while (candidate && (best = TextKey(candidate, key)).empty())
            candidate = candidate->NextItem();
        if (!candidate) return nullptr;
    }
    for (CSortedItem* i = candidate->NextItem(); i; i = i->NextItem()) {
        bool smaller;
        core::Text text;
        if (key == SortKey::Date) {
            smaller = i->GetDate() < candidate->GetDate();
        } else {
            text = TextKey(i, key);
            smaller = core::CompareUnits(text, best) < 0;
        }
        if (ascending ? smaller : !smaller) {
            candidate = i;
            best = std::move(text);
        }
    }
    core::RemoveFromChain(chain, candidate);
    return candidate;
}

}  // namespace

CSortedItemList::CSortedItemList(uint32_t mode, ModeStored on_mode_stored)
    : mode_(mode), on_mode_stored_(std::move(on_mode_stored)) {}

CSortedItemList::~CSortedItemList() {
    core::DeleteChain(head_);
}

CSortedItem* CSortedItemList::TakeByMode(CSortedItem*& chain, uint32_t mode_id) {
    ChainBuilder taken;
    for (CSortedItem* i = chain; i;) {
        CSortedItem* next = i->NextItem();
        if (i->GetModeId() == mode_id) {
            core::RemoveFromChain(chain, i);
            taken.Append(i);
        }
        i = next;
    }
    return taken.Head();
}

CSortedItem* CSortedItemList::SortByMode(CSortedItem* chain, uint32_t mode) {
    if (!chain || !chain->NextItem() || mode == 0 || mode > 11) return chain;
    ChainBuilder sorted;
    if (mode <= 3) {
        static constexpr uint32_t kOrders[3][3] = {{2, 1, 3}, {1, 2, 3}, {3, 2, 1}};
        for (uint32_t mode_id : kOrders[mode - 1]) sorted.Append(TakeByMode(chain, mode_id));
        sorted.Append(chain);  // entries of any other class keep their order at the end
        return sorted.Head();
    }
    static constexpr SortKey kKeys[4] = {SortKey::Operator, SortKey::Name, SortKey::Location,
                                         SortKey::Date};
    SortKey key = kKeys[(mode - 4) / 2];
    bool ascending = mode % 2 == 0;
    while (chain) {
        CSortedItem* chosen = SelectOne(chain, key, ascending);
        if (!chosen) {
            sorted.Append(chain);
            break;
        }
        sorted.Append(chosen);
    }
    return sorted.Head();
}

CSortedItem* CSortedItemList::SetSortMode(uint32_t mode) {
    std::lock_guard lock(mutex_);
    if (mode != 0 && mode != mode_) {
        mode_ = mode;
        head_ = SortByMode(head_, mode_);
        sorted_ = true;
        if (on_mode_stored_) on_mode_stored_(mode_);
    }
    return head_;
}

uint32_t CSortedItemList::GetSortMode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

CSortedItem* CSortedItemList::GetHead() const {
    std::lock_guard lock(mutex_);
    return head_;
}

bool CSortedItemList::IsSorted() const {
    std::lock_guard lock(mutex_);
    return sorted_;
}

void CSortedItemList::Add(CSortedItem* item) {
    if (!item) return;
    std::lock_guard lock(mutex_);
    item->SetNext(nullptr);
    core::AddToChain(head_, item);
    sorted_ = false;
}

CSortedItem* CSortedItemList::FindByName(std::u16string_view name) const {
    std::lock_guard lock(mutex_);
    for (CSortedItem* i = head_; i; i = i->NextItem()) {
        if (core::CompareUnits(i->GetName(), name) == 0) return i;
    }
    return nullptr;
}

bool CSortedItemList::Remove(CSortedItem* item) {
    std::lock_guard lock(mutex_);
    return core::RemoveFromChain(head_, item);
}

uint32_t CSortedItemList::CountFlagA() const {
    std::lock_guard lock(mutex_);
    uint32_t n = 0;
    for (CSortedItem* i = head_; i; i = i->NextItem()) n += i->IsFlagA() ? 1 : 0;
    return n;
}

uint32_t CSortedItemList::CountFlagB() const {
    std::lock_guard lock(mutex_);
    uint32_t n = 0;
    for (CSortedItem* i = head_; i; i = i->NextItem()) n += i->IsFlagB() ? 1 : 0;
    return n;
}

CSortedItem* CSortedItemList::FirstMarked() const {
    std::lock_guard lock(mutex_);
    for (CSortedItem* i = head_; i; i = i->NextItem()) {
        if (i->IsMarked()) return i;
    }
    return nullptr;
}

CSortedItem* CSortedItemList::NthFlagA(uint32_t n) const {
    std::lock_guard lock(mutex_);
    for (CSortedItem* i = head_; i; i = i->NextItem()) {
        if (i->IsFlagA() && n-- == 0) return i;
    }
    return nullptr;
}

void CSortedItemList::SortChain() {
    std::lock_guard lock(mutex_);
    head_ = SortByMode(head_, mode_);
    sorted_ = true;
}

void CSortedItemList::Merge(CSortedItem* chain) {
    if (!chain) return;
    std::lock_guard lock(mutex_);
    core::AddToChain(head_, chain);
    sorted_ = false;
}

void CSortedItemList::MergeSorted(CSortedItem* chain) {
    std::lock_guard lock(mutex_);
    Merge(chain);
    SortChain();
}

#pragma once
// Helpers for intrusive chains: objects linked through their own
// GetNext/SetNext.

namespace core {

template <typename T>
T* NextIn(const T* item) {
    return static_cast<T*>(item->GetNext());
}

// Appends `item` behind the last object of the chain that starts at `head`.
template <typename T>
void AppendToChain(T* head, T* item) {
    while (NextIn(head)) head = NextIn(head);
    head->SetNext(item);
}

// Appends `item`, or makes it the head of an empty chain.
template <typename T>
void AddToChain(T*& head, T* item) {
    if (head)
        AppendToChain(head, item);
    else
        head = item;
}

// Takes `item` out of the chain that starts at `head` and clears its link;
// false when it is not in the chain.
template <typename T>
bool RemoveFromChain(T*& head, T* item) {
    T* prev = nullptr;
    for (T* i = head; i; prev = i, i = NextIn(i)) {
        if (i != item) continue;
        if (prev)
            prev->SetNext(NextIn(i));
        else
            head = NextIn(i);
        i->SetNext(nullptr);
        return true;
    }
    return false;
}

// Deletes every object of a chain, one after the other (never recursively, so
// long chains cannot exhaust the stack).
template <typename T>
void DeleteChain(T* head) {
    while (head) {
        T* next = NextIn(head);
        head->SetNext(nullptr);
        delete head;
        head = next;
    }
}

}  // namespace core

#pragma once
// A doubly linked list of pointer-sized values that it does not own, with an
// optional re-entrant mutex so that lists can serve as queues between threads.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

class CLockedList {
  public:
    struct Node;
    using Position = Node*;

    explicit CLockedList(bool with_mutex = true);
    virtual ~CLockedList();
    CLockedList(const CLockedList&) = delete;
    CLockedList& operator=(const CLockedList&) = delete;

    void AddTail(void* value);
    void AddHead(void* value);
    // Removes the first node holding the value; false when there is none.
    bool Remove(void* value);
    // Null when empty; `remove` takes the value off the list.
    void* GetHead(bool remove);
    void* GetTail(bool remove);
    void* GetAt(size_t index);
    // The value after `value` (found by `position` when it is set, else by
    // value). At the end: the head with `wrap`, else null. `position` is
    // updated to the returned value's node.
    void* GetNext(void* value, Position& position, bool wrap);
    // The value before; from the head it wraps to the tail.
    void* GetPrev(void* value, Position& position);
    uint32_t GetCount();

    // Callers that walk the list with GetNext hold Lock around the walk.
    void Lock();
    void Unlock();

  private:
    Node* NewNode(void* value, Node* prev, Node* next);
    Node* FindNode(void* value) const;
    void Unlink(Node* node);

    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    uint32_t count_ = 0;
    std::unique_ptr<std::recursive_mutex> mutex_;
};

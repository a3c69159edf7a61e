#include "core/locked_list.h"

#include "core/scoped_lock.h"

struct CLockedList::Node {
    void* value;
    Node* prev;
    Node* next;
};

CLockedList::CLockedList(bool with_mutex)
    : mutex_(with_mutex ? std::make_unique<std::recursive_mutex>() : nullptr) {}

CLockedList::~CLockedList() {
    for (Node* n = head_; n;) {
        Node* next = n->next;
        delete n;
        n = next;
    }
}

void CLockedList::Lock() {
    if (mutex_) mutex_->lock();
}

void CLockedList::Unlock() {
    if (mutex_) mutex_->unlock();
}

CLockedList::Node* CLockedList::NewNode(void* value, Node* prev, Node* next) {
    return new Node{value, prev, next};
}

CLockedList::Node* CLockedList::FindNode(void* value) const {
    for (Node* n = head_; n; n = n->next) {
        if (n->value == value) return n;
    }
    return nullptr;
}

void CLockedList::Unlink(Node* node) {
    (node->prev ? node->prev->next : head_) = node->next;
    (node->next ? node->next->prev : tail_) = node->prev;
    --count_;
    delete node;
}

void CLockedList::AddTail(void* value) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    Node* n = NewNode(value, tail_, nullptr);
    (tail_ ? tail_->next : head_) = n;
    tail_ = n;
    ++count_;
}

void CLockedList::AddHead(void* value) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    Node* n = NewNode(value, nullptr, head_);
    (head_ ? head_->prev : tail_) = n;
    head_ = n;
    ++count_;
}

bool CLockedList::Remove(void* value) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    Node* n = FindNode(value);
    if (!n) return false;
    Unlink(n);
    return true;
}

void* CLockedList::GetHead(bool remove) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    if (!head_) return nullptr;
    void* value = head_->value;
    if (remove) Unlink(head_);
    return value;
}

void* CLockedList::GetTail(bool remove) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    if (!tail_) return nullptr;
    void* value = tail_->value;
    if (remove) Unlink(tail_);
    return value;
}

void* CLockedList::GetAt(size_t index) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    Node* n = head_;
    for (size_t i = 0; n && i < index; ++i) n = n->next;
    return n ? n->value : nullptr;
}

void* CLockedList::GetNext(void* value, Position& position, bool wrap) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    Node* n = position ? position : FindNode(value);
    if (!n) return nullptr;
    Node* next = n->next ? n->next : (wrap ? head_ : nullptr);
    position = next;
    return next ? next->value : nullptr;
}

void* CLockedList::GetPrev(void* value, Position& position) {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    Node* n = position ? position : FindNode(value);
    if (!n) return nullptr;
    Node* prev = n->prev ? n->prev : tail_;
    position = prev;
    return prev ? prev->value : nullptr;
}

uint32_t CLockedList::GetCount() {
    ScopedLock guard(*this);  // nothing when the list has no mutex
    return count_;
}

#include "core/app_event.h"

#include "core/chain.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/message_queue.h"

CAppEvent::CAppEvent(uint32_t mask, uint32_t argument, uint32_t field1, uint32_t field2,
                     int32_t field3)
    : field1_(field1),
      field2_(field2),
      field3_(field3),
      argument_(argument),
      mask_(mask),
      time_stamp_(static_cast<uint32_t>(plat::local_epoch_seconds())) {}

CAppEvent::~CAppEvent() {
    CAppEvent* rest = next_;
    next_ = nullptr;
    core::DeleteChain(rest);
}

uint32_t CAppEvent::GetField(uint32_t kind) const {
    switch (kind) {
        case 1:
            return field1_;
        case 2:
            return field2_;
        case 3:
            return static_cast<uint32_t>(field3_);
        default:
            return 0;
    }
}

void CAppEvent::Append(CAppEvent* event) {
    core::AppendToChain(this, event);
}

CEventListener::CEventListener(uint32_t mask) : mask_(mask) {}

CEventListener::~CEventListener() {
    delete pending_;
    CEventListener* rest = next_;
    next_ = nullptr;
    core::DeleteChain(rest);
}

CAppEvent* CEventListener::TakeEvent() {
    std::lock_guard lock(mutex_);
    CAppEvent* event = pending_;
    if (event) {
        pending_ = event->GetNext();
        if (!pending_) pending_tail_ = nullptr;
        event->SetNext(nullptr);
    }
    return event;
}

void CEventListener::Notify() {
    if (event_) event_.set();
    if (thread_id_ != 0) plat::post_thread_message(thread_id_, thread_message_, 0, 0);
}

void CEventListener::Accept(CAppEvent* event) {
    std::lock_guard lock(mutex_);
    event->SetNext(nullptr);
    (pending_tail_ ? pending_tail_->next_ref() : pending_) = event;
    pending_tail_ = event;
}

void CEventListener::Append(CEventListener* listener) {
    core::AppendToChain(this, listener);
}

void CEventListener::SetThread(uint32_t thread_id, uint32_t message) {
    thread_id_ = thread_id;
    thread_message_ = message;
}

CEventDispatcher::CEventDispatcher() : quit_(false, false), new_item_(false, false) {}

CEventDispatcher::~CEventDispatcher() {
    Stop();
    // The worker may not outlive the members it uses.
    if (worker_) worker_.join();
    delete queue_;
}

void CEventDispatcher::RemoveListener(CEventListener* listener) {
    if (!listener) return;
    std::lock_guard lock(mutex_);
    CEventListener* prev = nullptr;
    for (CEventListener* i = listeners_; i; prev = i, i = i->GetNext()) {
        if (i->GetId() != listener->GetId()) continue;
        if (prev)
            prev->SetNext(i->GetNext());
        else
            listeners_ = i->GetNext();
        i->SetNext(nullptr);
        return;
    }
}

void CEventDispatcher::AddListener(CEventListener* listener) {
    if (!listener) return;
    std::lock_guard lock(mutex_);
    listener->SetId(next_listener_id_++);
    listener->SetNext(nullptr);
    core::AddToChain(listeners_, listener);
}

bool CEventDispatcher::Deliver(CAppEvent* event) {
    std::lock_guard lock(mutex_);
    for (CEventListener* i = listeners_; i; i = i->GetNext()) {
        if (i->IsEnabled() && (i->GetMask() & event->GetMask()) != 0) {
            i->Accept(event);
            i->Notify();
            return true;
        }
    }
    return false;
}

void CEventDispatcher::Post(CAppEvent* event) {
    if (!event) return;
    {
        std::lock_guard lock(mutex_);
        event->SetSequence(next_sequence_++);
        event->SetNext(nullptr);
        (queue_tail_ ? queue_tail_->next_ref() : queue_) = event;
        queue_tail_ = event;
    }
    new_item_.set();
}

bool CEventDispatcher::Start() {
    if (worker_) return true;
    quit_.reset();
    worker_ = plat::Thread::start([this] { return Run(); });
    new_item_.set();  // events posted before the start are delivered now
    return true;
}

void CEventDispatcher::Stop() {
    quit_.set();
    if (worker_) worker_.join(1000);
}

uint32_t CEventDispatcher::Run() {
    for (;;) {
        uint32_t which = plat::wait_any({&new_item_, &quit_}, plat::INFINITE);
        if (which != 0) return 0;
        std::lock_guard lock(mutex_);
        while (CAppEvent* event = queue_) {
            queue_ = event->GetNext();
            if (!queue_) queue_tail_ = nullptr;
            event->SetNext(nullptr);
            if (!Deliver(event)) delete event;
        }
    }
}

#pragma once
// Application events: producers post CAppEvent records to the dispatcher,
// whose worker hands each to the first enabled listener whose mask shares a
// bit with the event's mask.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

// Event masks and the arguments of the system alarm.
inline constexpr uint32_t kEventMaskSystemAlarm = 2;
inline constexpr uint32_t kAlarmBattery = 0;
inline constexpr uint32_t kAlarmMemory = 1;
inline constexpr uint32_t kAlarmHighTemperature = 2;
inline constexpr uint32_t kAlarmDspStatus = 3;
inline constexpr uint32_t kAlarmCriticalBattery = 4;
inline constexpr uint32_t kAlarmBatteryStatus = 5;

class CAppEvent {
  public:
    CAppEvent(uint32_t mask, uint32_t argument, uint32_t field1 = 0, uint32_t field2 = 0,
              int32_t field3 = 0);
    // Also deletes the chained next events.
    virtual ~CAppEvent();
    CAppEvent(const CAppEvent&) = delete;
    CAppEvent& operator=(const CAppEvent&) = delete;

    // Kinds 1..3; other kinds give 0.
    uint32_t GetField(uint32_t kind) const;
    uint32_t GetField1() const { return field1_; }
    uint32_t GetArgument() const { return argument_; }
    uint32_t GetMask() const { return mask_; }
    uint32_t GetSequence() const { return sequence_; }
    void SetSequence(uint32_t sequence) { sequence_ = sequence; }
    uint32_t GetTimeStamp() const { return time_stamp_; }
    void SetNext(CAppEvent* next) { next_ = next; }
    CAppEvent* GetNext() const { return next_; }
    void Append(CAppEvent* event);
    CAppEvent*& next_ref() { return next_; }

  private:
    uint32_t sequence_ = 0;
    uint32_t field1_;
    uint32_t field2_;
    int32_t field3_;
    uint32_t argument_;
    uint32_t mask_;
    CAppEvent* next_ = nullptr;
    uint32_t time_stamp_;
};

class CEventListener {
  public:
    explicit CEventListener(uint32_t mask);
    // Deletes the pending events and the chained next listeners.
    virtual ~CEventListener();
    CEventListener(const CEventListener&) = delete;
    CEventListener& operator=(const CEventListener&) = delete;

    // The oldest pending event with its link cleared (the caller owns it), or null.
    CAppEvent* TakeEvent();
    // Sets the event handle when there is one; posts the thread message when
    // a thread is set.
    void Notify();
    void Accept(CAppEvent* event);
    void Append(CEventListener* listener);
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

    bool IsEnabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    uint32_t GetMask() const { return mask_; }
    uint32_t GetId() const { return id_; }
    void SetId(uint32_t id) { id_ = id; }
    CEventListener* GetNext() const { return next_; }
    void SetNext(CEventListener* next) { next_ = next; }
    void SetEventHandle(plat::Event event) { event_ = std::move(event); }
    void SetThread(uint32_t thread_id, uint32_t message);

  private:
    std::atomic<bool> enabled_{true};
    CEventListener* next_ = nullptr;
    uint32_t mask_;
    uint32_t id_ = 0;
    CAppEvent* pending_ = nullptr;
    CAppEvent* pending_tail_ = nullptr;
    plat::Event event_;
    std::recursive_mutex mutex_;
    uint32_t thread_id_ = 0;
    uint32_t thread_message_ = 0;
};

class CEventDispatcher {
  public:
    CEventDispatcher();
    // Stops the worker and deletes the events still queued.
    virtual ~CEventDispatcher();
    CEventDispatcher(const CEventDispatcher&) = delete;
    CEventDispatcher& operator=(const CEventDispatcher&) = delete;

    // Unlinks the listener with the same id and clears its link (not deleted).
    void RemoveListener(CEventListener* listener);
    void AddListener(CEventListener* listener);
    // Hands the event to the first matching enabled listener; false when none took it.
    bool Deliver(CAppEvent* event);
    // Queues the event; the dispatcher owns it from now on.
    void Post(CAppEvent* event);
    bool Start();
    // Asks the worker to end and waits up to 1000 ms for it.
    void Stop();
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

  private:
    uint32_t Run();

    plat::Event quit_;
    plat::Event new_item_;
    CAppEvent* queue_ = nullptr;
    CAppEvent* queue_tail_ = nullptr;
    CEventListener* listeners_ = nullptr;
    std::recursive_mutex mutex_;
    uint32_t next_listener_id_ = 1;
    uint32_t next_sequence_ = 1;
    plat::Thread worker_;
};

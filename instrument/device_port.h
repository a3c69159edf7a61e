#pragma once
// The base of the instrument's device links (the DSP link and the sensor
// ports): a device handle, a reader thread with its stop event, the port
// lock, the line event that tells waiters a reply is in, the receive ring and
// the measurement listening for replies.
#include <atomic>
#include <cstdint>
#include <memory>

#include "instrument/byte_ring.h"
#include "platform/devices/device_manager.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

class CMeasurement;

class CDevicePort {
  public:
    CDevicePort();
    virtual ~CDevicePort();
    CDevicePort(const CDevicePort&) = delete;
    CDevicePort& operator=(const CDevicePort&) = delete;

    virtual void Attach(void* object) { attached_ = object; }
    virtual int ReadReply() { return 1; }
    // Sets the stop event, closes the device and waits up to 1000 ms for the
    // thread.
    virtual void Stop();
    virtual uint8_t PopByte() { return ring_->PopByte(); }
    virtual uint32_t GetCount() { return ring_->GetCount(); }
    virtual int Write(const void* /*bytes*/, uint32_t /*size*/) { return 0; }
    virtual int Write2(const void* bytes, uint32_t size) { return Write(bytes, size); }
    virtual int WriteText(const char* text, uint32_t size) { return Write(text, size); }
    // Creates the line event and the port lock.
    virtual int Start();
    virtual plat::Event GetReplyEvent() const { return line_event_; }
    virtual bool IsOpen() const { return static_cast<bool>(device_); }
    virtual int Open() { return 1; }
    virtual void Close() { device_.close(); }
    virtual int SendMessage(uint16_t /*id*/, const void* /*payload*/, uint16_t /*argument*/) {
        return 0;
    }
    // Queues a table upload of `count` entries from the `size` bytes at
    // `data`, copied before this returns; 0 when they do not hold the table.
    virtual int SendTable(uint16_t /*index*/, const void* /*data*/, size_t /*size*/,
                          uint16_t /*count*/) {
        return 0;
    }
    virtual void RequestStop() {}
    virtual bool GetAlarm() const { return alarm_; }
    virtual void SetListener(CMeasurement* listener) { listener_.store(listener); }
    // Clears the listener when it is this measurement.
    virtual void RemoveListener(CMeasurement* listener) {
        CMeasurement* expected = listener;
        listener_.compare_exchange_strong(expected, nullptr);
    }
    virtual void Lock() { port_mutex_.lock(); }
    virtual void Unlock() { port_mutex_.unlock(); }
    virtual void SetAlive(bool /*alive*/) {}
    virtual bool IsAlive() { return false; }
    // The sensor ports' framing and line settings; the other links ignore
    // them (the power measurement calls them on whichever port it has).
    virtual int32_t GetPortMode() const { return -1; }
    virtual void SetPortMode(int32_t /*mode*/) {}
    // settings: {baud rate, byte size, parity check (bit 0), stop bits}.
    virtual bool Configure(const uint32_t* /*settings*/) { return false; }

    CMeasurement* GetListener() const { return listener_.load(); }
    // The reply-acceptance flag: set while a measurement's replies are wanted.
    bool AcceptsReplies() const { return accept_replies_.load(); }
    void SetAcceptReplies(bool on) { accept_replies_.store(on); }

  protected:
    std::atomic<bool> accept_replies_{false};
    plat::Event stop_event_;
    std::unique_ptr<CByteRing> ring_;
    plat::devices::StreamFile device_;
    plat::Mutex port_mutex_;
    plat::Thread thread_;
    plat::Event line_event_;
    void* attached_ = nullptr;
    bool alarm_ = false;
    std::atomic<CMeasurement*> listener_{nullptr};
};

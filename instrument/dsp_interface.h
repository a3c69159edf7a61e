#pragma once
// The main program's link to the acquisition board ("DSP1:"): one pending
// stream message (a newer one replaces it) and the waiting messages that need
// no stop, under the port lock, sent by the link's own thread with the
// stop-before-stream handshake and at most one send per 500 ms; every new
// reply block is fetched from the driver, its header checked and the block
// handed to the listening measurement.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "core/data_block.h"
#include "core/text.h"
#include "instrument/device_port.h"
#include "instrument/dsp_message.h"

class CEventDispatcher;

class CGpsReceiver;

// Who keeps what the board's version record says: the firmware version
// (words 2 and 3 of the record) and the identity bytes (the 12 bytes from
// offset 24). Called on the thread that read the record.
class IBoardVersionSink {
  public:
    virtual ~IBoardVersionSink() = default;
    virtual void OnBoardVersion(uint32_t major, uint32_t minor, const uint8_t* identity,
                                size_t count) = 0;
};

class CDspInterface : public CDevicePort {
  public:
    // Link states.
    static constexpr int kClosed = 0;
    static constexpr int kOpened = 2;
    static constexpr int kIdle = 10;
    static constexpr int kQueued = 11;

    // The GPS receiver (may be none) is polled for its fix text while GPS
    // polling is on.
    explicit CDspInterface(CGpsReceiver* gps = nullptr);
    // Turns GPS polling on and gives the receiver its port mode again.
    void EnableGpsPolling();
    ~CDspInterface() override;

    int ReadReply() override;
    // Ends the thread, then closes the device.
    void Stop() override;
    int Write(const void* bytes, uint32_t size) override;
    int Start() override;
    virtual bool IsConnected();
    int Open() override;
    void Close() override;
    int SendMessage(uint16_t id, const void* payload, uint16_t argument) override;
    int SendTable(uint16_t index, const void* data, size_t size, uint16_t count) override;
    void RequestStop() override;
    void SetAlive(bool alive) override;
    bool IsAlive() override;
    // Clears the listener when it is this measurement, after any delivery to
    // it has finished.
    void RemoveListener(CMeasurement* listener) override;
    void SetListener(CMeasurement* listener) override;

    plat::Event GetDriverEvent() const { return driver_event_; }
    virtual int DeliverReply();
    virtual int AcceptReplies();
    virtual int GetStatus(uint8_t record[dsp::kStatusRecordSize]);
    virtual int ReadVersion();
    virtual int GetErrorStatus();
    virtual int GetStatus18();
    virtual void CheckStatus();
    virtual void PostStatusEvent(int suppress);
    virtual int StateStep(int no_delivery);
    virtual bool HasOption() const;

    // Where the status check posts its alarm event (none: not posted).
    void SetEventDispatcher(CEventDispatcher* dispatcher) { dispatcher_ = dispatcher; }
    // Where each version read goes; set before Start.
    void SetVersionSink(IBoardVersionSink* sink) { version_sink_ = sink; }
    // The identity bytes handed on from the version record.
    static constexpr size_t kIdentityBytes = 12;
    // What the last version read returned: the board's firmware version words
    // and the identity bytes (the serial number text).
    uint16_t GetVersionWord(int index) const;
    const uint8_t* GetIdentityBytes() const { return version_ + dsp::kSerialOffset; }
    // After the device failed, the link's thread opens it again once a second
    // and resends the listening measurement's last stream-starting message,
    // then the query that was pending behind it.
    void SetAutoReconnect(bool on) { auto_reconnect_.store(on); }
    int GetState() const { return state_.load(); }
    // The id of the last message the driver took (one the board never sees
    // included), or 0.
    uint16_t GetLastSentId() const { return last_sent_id_.load(); }
    bool IsErrorShown() const { return error_shown_.load(); }
    // The number of messages that need no stop waiting to go.
    size_t WaitingQueries();

  protected:
    // The device calls; tests replace them with a scripted board.
    virtual bool OpenDevice();
    virtual bool RawControlIn(uint32_t code, const void* in, uint32_t in_size);
    virtual bool RawControlOut(uint32_t code, void* out, uint32_t out_size, uint32_t* returned);
    virtual bool RawControlOut2(uint32_t code, void* out, uint32_t out_size, uint32_t* returned);

    int ControlIn(uint32_t code, const void* in, uint32_t in_size);
    int ControlOut(uint32_t code, void* out, uint32_t out_size, uint32_t* returned);
    int ControlOut2(uint32_t code, void* out, uint32_t out_size, uint32_t* returned);
    int CheckReply(CDataBlock& block);
    int SendPending();
    int SendStep();

  private:
    static constexpr uint32_t kGpsTextMax = 256;
    // Hands the receiver's fix text to the listening measurement.
    void PollGps();
    // PollGps while polling is on and replies are accepted.
    void PollGpsWhenOn();
    uint32_t last_gps_poll_tick_ = 0;       // link thread
    CGpsReceiver* gps_;                     // set at construction
    std::atomic<bool> gps_polling_{false};  // set by any thread, read by the link thread
    uint32_t SensorThread();
    // A message, query or stop waits to be taken through (port lock inside).
    bool HasWork();
    int ControlFailed(uint32_t code);
    void TellListener(const core::Text& text, int flag);
    void SetListenerState(int state);
    bool ListenerActive();
    void TryReconnect();
    // Stops a streaming board (or waits for the echo of a stop in flight).
    void StopBoard(bool send_stop);
    int FinishOpen();

    // Sets the connected flag under the port lock.
    void SetConnected(bool connected);

    // Written by Open (the opening thread) or the link thread on reconnect,
    // before the state says opened.
    uint8_t open_record_[sizeof(dsp::DriverInfo)] = {};
    uint8_t version_[dsp::kVersionInfoSize] = {};
    IBoardVersionSink* version_sink_ = nullptr;  // set before the link thread starts
    std::atomic<int> state_{kClosed};
    uint32_t failed_sends_ = 0;    // link thread
    uint32_t last_send_tick_ = 0;  // link thread
    // The message being sent: staged from pending_ under the port lock, read
    // by the link thread alone once staged.
    std::unique_ptr<dspmsg::PendingRecord> send_slot_;
    plat::Event driver_event_;  // set by the driver; waited on by the link thread
    // Set by whoever queues a message or a stop; waited on by the link thread.
    plat::Event work_event_{false, false};
    bool status_event_flag_ = false;             // thread that checks the status (user interface)
    std::unique_ptr<CDataBlock> receive_block_;  // link thread (and Stop after it ended)
    uint32_t control_failures_ = 0;              // device_mutex_
    std::atomic<bool> error_shown_{false};
    uint32_t last_error_ = 0;  // device_mutex_
    // Port lock (Lock/Unlock of the base).
    bool send_requested_ = false;
    bool stop_requested_ = false;
    bool staged_ = false;
    // What is staged is a waiting query: it is already out of queries_, so a
    // newer stream message or table goes behind it and never replaces it.
    bool staged_query_ = false;
    bool connected_ = false;
    bool alive_ = false;
    std::unique_ptr<dspmsg::PendingRecord> pending_;
    // Messages that need no stop (queries, the DC bias switch), in the order
    // asked; one asked again while it waits takes the new payload in its
    // place. They go before the pending stream message or stop, so none is
    // replaced or dropped by it, and none stands between a stream message
    // that waits and its stop. The replies of the running stream (an
    // upload's acknowledgements) are still taken while one goes.
    struct WaitingQuery {
        uint16_t id = 0;
        uint16_t argument = 0;
        std::vector<uint8_t> payload;
    };
    std::deque<WaitingQuery> queries_;
    // Takes the oldest waiting query into the send slot (port lock held).
    void StageQuery();
    // Takes the pending message into the send slot (port lock held).
    void StagePending();
    // Lets a newer stream message or table take the place of a staged
    // stream message; a staged query goes first as it is (port lock held).
    void DropStagedStream();
    // What a reconnect resends: the last message that started a stream and
    // the query queued after it (none once a stop was asked for).
    std::unique_ptr<dspmsg::PendingRecord> last_stream_;
    bool has_last_stream_ = false;
    std::unique_ptr<dspmsg::PendingRecord> last_query_;
    bool has_last_query_ = false;
    // The link thread's own.
    bool stop_sent_ = false;
    bool echo_received_ = false;
    bool streaming_ = false;  // a message was sent and no stop since
    bool resend_after_open_ = false;
    // The query to resend once the resent stream message went out.
    std::unique_ptr<dspmsg::PendingRecord> query_after_stream_;
    bool resend_query_ = false;
    uint32_t last_reconnect_tick_ = 0;

    CEventDispatcher* dispatcher_ = nullptr;  // set before Start
    std::atomic<bool> auto_reconnect_{true};
    std::atomic<uint16_t> last_sent_id_{0};  // written by the link thread
    std::atomic<bool> lost_device_{false};
    // Serialises the device calls with open and close.
    std::recursive_mutex device_mutex_;
    // Held while the listener is called, so that it cannot go away meanwhile.
    std::recursive_mutex listener_mutex_;
};

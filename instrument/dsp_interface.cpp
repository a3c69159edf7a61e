#include "instrument/dsp_interface.h"

#include "instrument/sensors/gps_receiver.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "core/app_event.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "instrument/measurement.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace {

using PortLock = ScopedLock<CDevicePort>;

constexpr uint32_t kHistoryMask = 16;

// Sets the event when the scope ends, on every way out of it.
class WakeOnExit {
  public:
    explicit WakeOnExit(const plat::Event& event) : event_(event) {}
    ~WakeOnExit() { event_.set(); }
    WakeOnExit(const WakeOnExit&) = delete;
    WakeOnExit& operator=(const WakeOnExit&) = delete;

  private:
    const plat::Event& event_;
};
constexpr uint32_t kRateLimitMs = 501;
constexpr uint32_t kEchoWaitMs = 6000;
constexpr uint32_t kReconnectMs = 1000;
constexpr uint32_t kGpsPollMs = 10;  // the quiet round's length
constexpr uint32_t kStatusOpenFailed = 64364;
constexpr uint32_t kStatusInvalidReply = 64365;
constexpr uint32_t kStatusDriverError = 64366;
// A status word above this raises the board alarm.
constexpr uint16_t kAlarmLimit = 100;

// The platform's text for an error code, as the user sees it.
const char* SystemMessage(uint32_t error) {
    switch (error) {
        case plat::ERROR_INVALID_FUNCTION:
            return "Incorrect function.";
        case plat::ERROR_FILE_NOT_FOUND:
            return "The system cannot find the file specified.";
        case plat::ERROR_INVALID_HANDLE:
            return "The handle is invalid.";
        case plat::ERROR_NOT_ENOUGH_MEMORY:
            return "Not enough storage is available to process this command.";
        case plat::ERROR_NOT_SUPPORTED:
            return "The request is not supported.";
        case plat::ERROR_REQ_NOT_ACCEP:
            return "No more connections can be made to this remote computer at this time.";
        case plat::ERROR_BUSY:
            return "The requested resource is in use.";
        case 1002:
            return "The window cannot act on the sent message.";
        case 1117:
            return "The request could not be performed because of an I/O device error.";
        default:
            return "Unknown error.";
    }
}

// A text of the string table used as a printf format.
template <typename... Args>
core::Text FormatById(uint32_t id, Args... args) {
    const std::string format = core::LowBytes(LoadResString(id));
    return core::FormatText(format.c_str(), args...);
}

void CopyRecord(dspmsg::PendingRecord& to, const dspmsg::PendingRecord& from) {
    to.code = from.code;
    to.length = from.length;
    to.id = from.id;
    to.argument = from.argument;
    const uint32_t n = from.length >= 4 ? std::min(from.length - 4, dspmsg::kMaxPayload) : 0;
    std::memcpy(to.payload, from.payload, n);
}

bool Elapsed(uint32_t since, uint32_t ms) {
    const uint32_t now = plat::tick_count();
    return now < since || now - since >= ms;  // a wrapped tick counts as elapsed
}

}  // namespace

CDspInterface::CDspInterface(CGpsReceiver* gps)
    : gps_(gps),
      send_slot_(std::make_unique<dspmsg::PendingRecord>()),
      pending_(std::make_unique<dspmsg::PendingRecord>()),
      last_stream_(std::make_unique<dspmsg::PendingRecord>()),
      last_query_(std::make_unique<dspmsg::PendingRecord>()),
      query_after_stream_(std::make_unique<dspmsg::PendingRecord>()) {}

CDspInterface::~CDspInterface() {
    Stop();
    receive_block_.reset();
}

int CDspInterface::Start() {
    CDevicePort::Start();
    stop_event_ = plat::Event(false, false);
    driver_event_ = plat::Event::create(dsp::kDriverEventName, true, false);
    receive_block_ = std::make_unique<CDataBlock>(this, dspmsg::kReceiveBlockSize);
    state_ = kClosed;
    control_failures_ = 0;
    error_shown_ = false;
    last_error_ = 0;
    plat::ThreadOptions options;
    options.stack_size = 256000;
    options.priority = 3;
    thread_ = plat::Thread::start([this] { return SensorThread(); }, options);
    return 1;
}

void CDspInterface::Stop() {
    if (stop_event_) stop_event_.set();
    if (thread_) {
        thread_.join(plat::INFINITE);
        thread_ = plat::Thread();
    }
    Close();
}

bool CDspInterface::OpenDevice() {
    std::lock_guard lock(device_mutex_);
    device_ = plat::devices::StreamFile::open(dsp::kDeviceName);
    return static_cast<bool>(device_);
}

bool CDspInterface::RawControlIn(uint32_t code, const void* in, uint32_t in_size) {
    std::lock_guard lock(device_mutex_);
    if (!device_) {
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return false;
    }
    uint32_t returned = 0;
    return device_.io_control(code, in, in_size, nullptr, 0, &returned);
}

bool CDspInterface::RawControlOut(uint32_t code, void* out, uint32_t out_size, uint32_t* returned) {
    std::lock_guard lock(device_mutex_);
    if (!device_) {
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return false;
    }
    return device_.io_control(code, nullptr, 0, out, out_size, returned);
}

bool CDspInterface::RawControlOut2(uint32_t code, void* out, uint32_t out_size,
                                   uint32_t* returned) {
    return RawControlOut(code, out, out_size, returned);
}

int CDspInterface::Write(const void* bytes, uint32_t size) {
    std::lock_guard lock(device_mutex_);
    if (!device_) return 0;
    return device_.write(bytes, size) == size;
}

bool CDspInterface::IsConnected() {
    PortLock lock(*this);
    return connected_;
}

void CDspInterface::Close() {
    state_ = kClosed;
    SetConnected(false);
    std::lock_guard lock(device_mutex_);
    device_.close();
}

int CDspInterface::Open() {
    SetConnected(false);
    if (!OpenDevice()) {
        const int32_t handle = -1;
        HistoryAdd(kHistoryMask, u"Invalid Handle for DSP: ", static_cast<uint32_t>(handle));
        if (GetListener()) {
            TellListener(FormatById(kStatusOpenFailed, handle), 1);
            error_shown_ = true;
        }
        return 0;
    }
    return FinishOpen();
}

int CDspInterface::FinishOpen() {
    uint32_t returned = 0;
    ControlOut(dsp::IOCTL_DSP_DRIVER_INFO, open_record_, sizeof open_record_, &returned);
    if (!IsOpen()) return 0;
    ReadVersion();
    if (!IsOpen()) return 0;
    // Connected before the state says opened: the link thread checks the
    // connection as soon as it sees the state.
    SetConnected(true);
    state_ = kOpened;
    // Wake the link thread, which sleeps a second at a time while closed.
    if (driver_event_) driver_event_.set();
    return 1;
}

int CDspInterface::ReadVersion() {
    uint32_t returned = 0;
    const int ok = ControlOut(dsp::IOCTL_DSP_VERSION, version_, sizeof version_, &returned);
    if (ok) {
        if (version_sink_)
            version_sink_->OnBoardVersion(GetVersionWord(2), GetVersionWord(3),
                                          version_ + dsp::kSerialOffset, kIdentityBytes);
        plat::debug_printf("   DSP Config Date %.6s\n",
                           reinterpret_cast<const char*>(version_ + dsp::kDspDateOffset));
        plat::debug_printf("   FPGA Config Date %.6s\n",
                           reinterpret_cast<const char*>(version_ + dsp::kFpgaDateOffset));
        plat::debug_printf("   Serial Number %.8s\n",
                           reinterpret_cast<const char*>(version_ + dsp::kSerialOffset));
    }
    return ok;
}

uint16_t CDspInterface::GetVersionWord(int index) const {
    if (index < 0 || index > 3) return 0;
    return plat::get_le<uint16_t>(version_ + 2 * index);
}

bool CDspInterface::HasOption() const {
    return (GetVersionWord(1) & dsp::kVersionOptionFlag) != 0;
}

int CDspInterface::GetStatus(uint8_t record[dsp::kStatusRecordSize]) {
    uint32_t returned = 0;
    return ControlOut(dsp::IOCTL_DSP_STATUS, record, dsp::kStatusRecordSize, &returned);
}

int CDspInterface::GetErrorStatus() {
    uint8_t record[dsp::kStatusRecordSize] = {};
    uint32_t returned = 0;
    if (!ControlOut(dsp::IOCTL_DSP_ERROR_STATUS, record, sizeof record, &returned)) return 5;
    return static_cast<int>(plat::get_le<uint32_t>(record));
}

int CDspInterface::GetStatus18() {
    uint8_t record[dsp::kStatusRecordSize] = {};
    uint32_t returned = 0;
    if (!ControlOut(dsp::IOCTL_DSP_COMMAND43, record, sizeof record, &returned)) return 5;
    return static_cast<int>(plat::get_le<uint32_t>(record));
}

void CDspInterface::CheckStatus() {
    uint8_t record[dsp::kStatusRecordSize] = {};
    if (!GetStatus(record)) return;
    const uint32_t flags = plat::get_le<uint32_t>(record);
    if (!(flags & dsp::kStatusSupplyAlarm))
        status_event_flag_ = false;
    else if (!status_event_flag_)
        PostStatusEvent(0);
    alarm_ = plat::get_le<uint16_t>(record, dsp::kStatusSupplyOffset) > kAlarmLimit ||
             plat::get_le<uint16_t>(record, dsp::kStatusTemperatureOffset) > kAlarmLimit;
}

void CDspInterface::PostStatusEvent(int suppress) {
    if (suppress) return;
    if (dispatcher_) dispatcher_->Post(new CAppEvent(2, kAlarmDspStatus));
    status_event_flag_ = true;
}

int CDspInterface::AcceptReplies() {
    accept_replies_ = true;
    return 1;
}

void CDspInterface::SetAlive(bool alive) {
    PortLock lock(*this);
    alive_ = alive;
}

bool CDspInterface::IsAlive() {
    PortLock lock(*this);
    return alive_;
}

void CDspInterface::SetConnected(bool connected) {
    PortLock lock(*this);
    connected_ = connected;
}

void CDspInterface::SetListener(CMeasurement* listener) {
    std::lock_guard lock(listener_mutex_);
    CDevicePort::SetListener(listener);
}

void CDspInterface::RemoveListener(CMeasurement* listener) {
    std::lock_guard lock(listener_mutex_);
    CDevicePort::RemoveListener(listener);
}

void CDspInterface::TellListener(const core::Text& text, int flag) {
    std::lock_guard lock(listener_mutex_);
    if (CMeasurement* m = GetListener()) m->ShowStatusText(text, flag);
}

void CDspInterface::SetListenerState(int state) {
    std::lock_guard lock(listener_mutex_);
    if (CMeasurement* m = GetListener()) m->SetState(state);
}

bool CDspInterface::ListenerActive() {
    std::lock_guard lock(listener_mutex_);
    CMeasurement* m = GetListener();
    return m && m->IsActive();
}

// ---- Messages -----------------------------------------------------------------

int CDspInterface::SendMessage(uint16_t id, const void* payload, uint16_t argument) {
    const uint32_t size = dspmsg::PayloadSize(id);
    const WakeOnExit wake(work_event_);
    PortLock lock(*this);
    if (!connected_) return 0;
    if (!dspmsg::NeedsStop(id)) {
        auto same = std::find_if(queries_.begin(), queries_.end(),
                                 [id](const WaitingQuery& q) { return q.id == id; });
        WaitingQuery& q = same != queries_.end() ? *same : queries_.emplace_back();
        q.id = id;
        q.argument = argument;
        q.payload.assign(size, 0);
        if (size && payload) std::memcpy(q.payload.data(), payload, size);
        if (dsp::message_has_flag(id, dsp::kQuery)) {
            last_query_->code = dspmsg::ControlCodeFor(id);
            last_query_->length = size + 4;
            last_query_->id = id;
            last_query_->argument = argument;
            if (size) std::memcpy(last_query_->payload, q.payload.data(), size);
            has_last_query_ = true;
        }
        state_ = kQueued;
        return 1;
    }
    pending_->code = dspmsg::ControlCodeFor(id);
    pending_->length = size + 4;
    pending_->id = id;
    pending_->argument = argument;
    if (size) {
        if (payload)
            std::memcpy(pending_->payload, payload, size);
        else
            std::memset(pending_->payload, 0, size);
    }
    CopyRecord(*last_stream_, *pending_);
    has_last_stream_ = true;
    has_last_query_ = false;
    send_requested_ = true;
    stop_requested_ = false;
    DropStagedStream();
    state_ = kQueued;
    return 1;
}

size_t CDspInterface::WaitingQueries() {
    PortLock lock(*this);
    return queries_.size();
}

void CDspInterface::StageQuery() {
    const WaitingQuery& q = queries_.front();
    send_slot_->code = dspmsg::ControlCodeFor(q.id);
    send_slot_->length = static_cast<uint32_t>(q.payload.size()) + 4;
    send_slot_->id = q.id;
    send_slot_->argument = q.argument;
    if (!q.payload.empty()) std::memcpy(send_slot_->payload, q.payload.data(), q.payload.size());
    queries_.pop_front();
    staged_ = true;
    staged_query_ = true;
}

void CDspInterface::StagePending() {
    CopyRecord(*send_slot_, *pending_);
    send_requested_ = false;
    staged_ = true;
    staged_query_ = false;
}

void CDspInterface::DropStagedStream() {
    if (!staged_query_) staged_ = false;
}

int CDspInterface::SendTable(uint16_t index, const void* data, size_t size, uint16_t count) {
    // The table's entries must all be in the caller's bytes, and the bytes
    // must fit the message.
    if (data && (size < size_t{count} * dsp::kTableEntryBytes || size > dspmsg::kMaxPayload))
        return 0;
    const WakeOnExit wake(work_event_);
    PortLock lock(*this);
    if (!connected_) return 0;
    pending_->code = dsp::IOCTL_DSP_UPLOAD_TABLE;
    pending_->length = dspmsg::kMaxPayload + 4;
    pending_->id = index;
    pending_->argument = count;
    const size_t copied = data ? size : 0;
    if (copied) std::memcpy(pending_->payload, data, copied);
    std::memset(pending_->payload + copied, 0, dspmsg::kMaxPayload - copied);
    send_requested_ = true;
    stop_requested_ = false;
    DropStagedStream();
    // Queued like any message: the stop handshake goes first, so that the
    // upload does not wait out the echo time-out of a stop never sent.
    state_ = kQueued;
    return 1;
}

void CDspInterface::RequestStop() {
    const WakeOnExit wake(work_event_);
    PortLock lock(*this);
    if (connected_) {
        send_requested_ = true;
        stop_requested_ = true;
        has_last_stream_ = false;
        has_last_query_ = false;
    }
}

// ---- Control calls ------------------------------------------------------------

int CDspInterface::ControlFailed(uint32_t code) {
    const uint32_t error = plat::get_last_error();
    // The user-interface thread (Open) and the link thread both get here.
    std::lock_guard lock(device_mutex_);
    if (error != last_error_) control_failures_ = 0;
    last_error_ = error;
    if (control_failures_ < 3) {
        Close();
        lost_device_ = true;
        control_failures_ = 2;
        const core::Text text =
            core::FormatText("CDspInterface failed:(dwIoControl %x) Error#:%d: %s", code, error,
                             SystemMessage(error));
        plat::debug_printf("%s\n", core::LowBytes(text).c_str());
        HistoryAdd(kHistoryMask, u"Device Disconnected. Please reconnect.", error);
        if (GetListener()) {
            TellListener(text, 1);
            error_shown_ = true;
        }
    }
    if (++control_failures_ > 10) control_failures_ = 0;
    return 0;
}

int CDspInterface::ControlIn(uint32_t code, const void* in, uint32_t in_size) {
    if (RawControlIn(code, in, in_size)) return 1;
    return ControlFailed(code);
}

int CDspInterface::ControlOut(uint32_t code, void* out, uint32_t out_size, uint32_t* returned) {
    if (RawControlOut(code, out, out_size, returned)) return 1;
    return ControlFailed(code);
}

int CDspInterface::ControlOut2(uint32_t code, void* out, uint32_t out_size, uint32_t* returned) {
    if (RawControlOut2(code, out, out_size, returned)) return 1;
    return ControlFailed(code);
}

// ---- Replies ------------------------------------------------------------------

int CDspInterface::ReadReply() {
    CDataBlock& block = *receive_block_;
    block.SetLength(block.GetCapacity());
    uint8_t* buffer = block.GetPointer(0);
    uint32_t returned = 0;
    const int ok = ControlOut2(dsp::IOCTL_DSP_READ_BLOCK, buffer, block.GetCapacity(), &returned);
    control_failures_ = 0;
    block.SetLength(ok ? returned : 0);
    // Less than a header is nothing new either.
    if (!ok || returned < sizeof(dsp::BlockHeader)) return 0;
    return CheckReply(block);
}

int CDspInterface::CheckReply(CDataBlock& block) {
    const dspmsg::ReplyHeader h = dspmsg::ReadHeader(block.GetPointer(0));
    if (h.id == dspmsg::kEchoId) {
        echo_received_ = true;
        return 0;
    }
    if (dspmsg::IsValidReplyId(h.id)) {
        if (error_shown_.exchange(false)) TellListener(core::Text(), 0);
        return 1;
    }
    if (h.id < dspmsg::kFirstInvalidHeaderId) {
        const core::Text text = FormatById(kStatusDriverError, h.id);
        plat::debug_printf("%s\n", core::LowBytes(text).c_str());
        HistoryAdd(kHistoryMask, u"DSP Driver error: Error Id: ", h.id);
        return 0;
    }
    const core::Text text = FormatById(kStatusInvalidReply, h.id, h.length, h.index, h.count);
    HistoryAdd(kHistoryMask, u"Invalid message id: ", h.id);
    HistoryAdd(kHistoryMask, u"Invalid message len: ", h.length);
    HistoryAdd(kHistoryMask, u"Invalid message index: ", h.index);
    HistoryAdd(kHistoryMask, u"Invalid message count: ", h.count);
    TellListener(text, 1);
    error_shown_ = true;
    return 0;
}

int CDspInterface::DeliverReply() {
    if (!ReadReply()) return 0;
    if (!accept_replies_) return 0;
    std::lock_guard lock(listener_mutex_);
    CMeasurement* m = GetListener();
    if (!m || !m->IsActive()) return 0;
    CDeviceItem* result = m->ParseReply(*receive_block_);
    if (!result) return 0;
    m->ForwardResult(result, 1);
    m->ReleaseResult(result);
    line_event_.set();
    return 1;
}

// ---- The link thread ------------------------------------------------------------

bool CDspInterface::HasWork() {
    PortLock lock(*this);
    return send_requested_ || stop_requested_ || staged_ || !queries_.empty();
}

uint32_t CDspInterface::SensorThread() {
    try {
        failed_sends_ = 0;
        int countdown = 1;
        last_send_tick_ = plat::tick_count();
        for (;;) {
            // The link steps every 10 ms while it has a message to take
            // through or the receiver to poll; idle, a new message wakes it.
            const int s = state_;
            const bool stepping = s == kQueued || (s == kIdle && (gps_polling_ || HasWork()));
            const uint32_t timeout = stepping ? 10 : 1000;
            const uint32_t r =
                plat::wait_any({&stop_event_, &driver_event_, &work_event_}, timeout);
            SetAlive(true);
            if (r == plat::WAIT_OBJECT_0) {
                // Leave the board idle: a board that still streams refuses the
                // version and status reads of the next link that opens it.
                if (IsOpen() && (streaming_ || (stop_sent_ && !echo_received_)))
                    StopBoard(streaming_);
                Close();
                stop_event_.set();
                break;
            }
            if (state_ == kClosed) TryReconnect();
            if (r == plat::WAIT_OBJECT_0 + 1) {
                driver_event_.reset();
                StateStep(0);
                countdown = 0;
                // A streaming board may leave no quiet round: the receiver
                // is polled on time as well.
                if (Elapsed(last_gps_poll_tick_, kGpsPollMs)) PollGpsWhenOn();
                continue;
            }
            if (countdown > 0)
                --countdown;
            else
                PollGpsWhenOn();
            StateStep(countdown);
        }
    } catch (const std::exception& e) {
        plat::debug_printf("DspInterface::SensorThread: Exception. %s\n", e.what());
    }
    return 0;
}

void CDspInterface::EnableGpsPolling() {
    gps_polling_ = true;
    if (gps_) gps_->ReapplyPortMode();
}

void CDspInterface::PollGpsWhenOn() {
    if (!gps_polling_ || !accept_replies_) return;
    last_gps_poll_tick_ = plat::tick_count();
    PollGps();
}

void CDspInterface::PollGps() {
    if (!gps_) return;
    char text[kGpsTextMax + 1] = {};
    uint32_t length = 0, status = 0;
    gps_->GetFixText(text, kGpsTextMax, &length, &status);
    std::lock_guard lock(listener_mutex_);
    CMeasurement* m = GetListener();
    if (m && m->IsActive())
        m->ForwardGpsText(text, static_cast<int>(length), static_cast<int>(status));
}

void CDspInterface::StopBoard(bool send_stop) {
    if (send_stop && !RawControlIn(dsp::IOCTL_DSP_STOP, nullptr, 0)) return;
    // Wait for the echo, so that it does not meet the next opener's first
    // command on the board's pipe.
    CDataBlock& block = *receive_block_;
    for (int i = 0; i < 100; ++i) {
        block.SetLength(block.GetCapacity());
        uint32_t returned = 0;
        if (!RawControlOut2(dsp::IOCTL_DSP_READ_BLOCK, block.GetPointer(0), block.GetCapacity(),
                            &returned))
            return;
        if (returned >= sizeof(dsp::BlockHeader) &&
            dspmsg::ReadHeader(block.GetPointer(0)).id == dspmsg::kEchoId)
            return;
        driver_event_.wait(10);
        driver_event_.reset();
    }
}

void CDspInterface::TryReconnect() {
    if (!lost_device_ || !auto_reconnect_) return;
    if (!Elapsed(last_reconnect_tick_, kReconnectMs)) return;
    last_reconnect_tick_ = plat::tick_count();
    SetConnected(false);
    if (!OpenDevice()) return;
    if (!FinishOpen() || state_ != kOpened) {
        Close();  // try again at the next round
        return;
    }
    lost_device_ = false;
    resend_after_open_ = true;
    HistoryAdd(kHistoryMask, u"Device reconnected. ", 0);
}

int CDspInterface::StateStep(int no_delivery) {
    switch (state_.load()) {
        case kClosed:
            return 0;
        case kOpened: {
            {
                PortLock lock(*this);
                state_ = kClosed;
                if (connected_) {
                    uint8_t status[dsp::kStatusRecordSize] = {};
                    if (ReadVersion() && GetStatus(status)) state_ = kIdle;
                }
            }
            if (state_ == kIdle && resend_after_open_) {
                resend_after_open_ = false;
                // Resume the measurement that was running when the device went.
                // A query alone resumes nothing: the stream goes first and
                // its pending query follows once the stream went out.
                bool stream, query;
                auto copy = std::make_unique<dspmsg::PendingRecord>();
                {
                    PortLock lock(*this);
                    stream = has_last_stream_;
                    query = has_last_query_;
                    if (stream) CopyRecord(*copy, *last_stream_);
                    if (query) CopyRecord(stream ? *query_after_stream_ : *copy, *last_query_);
                }
                if ((stream || query) && ListenerActive()) {
                    echo_received_ = false;
                    stop_sent_ = false;
                    resend_query_ = stream && query;
                    SendMessage(copy->id, copy->payload, copy->argument);
                }
            }
            break;
        }
        case kIdle: {
            bool work;
            {
                PortLock lock(*this);
                // A stop or a query with nothing taken and no stop on its
                // way goes through the handshake step, never as a resend of
                // the last message; after a stop, a query waits for the echo
                // (the driver refuses it until then).
                if (!staged_ && !stop_sent_ && (stop_requested_ || !queries_.empty()))
                    state_ = kQueued;
                work = send_requested_ || staged_ || !queries_.empty();
            }
            if (state_ == kQueued)
                SendPending();
            else if (work)
                SendStep();
            break;
        }
        case kQueued:
            if (stop_sent_) {
                {
                    // The board is stopped or a message that needs no stop
                    // is on its way: a newer message replaces what was
                    // taken, but a waiting query goes first, and a query
                    // taken goes as it is.
                    PortLock lock(*this);
                    const bool query_taken = staged_ && !dspmsg::NeedsStop(send_slot_->id);
                    if (!query_taken && !queries_.empty() && (send_requested_ || !staged_))
                        StageQuery();
                    else if (!query_taken && send_requested_)
                        StagePending();
                }
                SendStep();
            } else {
                SendPending();
            }
            break;
        default:
            break;
    }
    const int s = state_;
    if ((s == kIdle || s == kQueued) && !no_delivery) return DeliverReply();
    return 0;
}

int CDspInterface::SendPending() {
    bool query;
    {
        PortLock lock(*this);
        if (!send_requested_ && !stop_requested_ && queries_.empty()) return 0;
        if (staged_) return 1;
        query = !queries_.empty();
    }
    // The running stream's replies are still wanted while a query goes; a
    // stop ends them.
    if (!query) accept_replies_ = false;
    if (!Elapsed(last_send_tick_, kRateLimitMs)) return 1;
    last_send_tick_ = plat::tick_count();
    bool stop_only = false;
    {
        PortLock lock(*this);
        query = !queries_.empty();
        if (query) {
            StageQuery();
        } else {
            stop_only = stop_requested_;
            if (!stop_only) StagePending();
            send_requested_ = false;
            stop_requested_ = false;
        }
    }
    stop_sent_ = true;
    if (stop_only || dspmsg::NeedsStop(send_slot_->id)) {
        // Only the echo of this stop counts, not one of an earlier stop.
        accept_replies_ = false;
        echo_received_ = false;
        streaming_ = false;
        ControlIn(dsp::IOCTL_DSP_STOP, nullptr, 0);
    } else {
        echo_received_ = true;
    }
    SetListenerState(0);
    if (state_ != kClosed) state_ = kIdle;
    return 1;
}

int CDspInterface::SendStep() {
    {
        // Stage the next message first when nothing is staged.
        PortLock lock(*this);
        if (!staged_) {
            if (!queries_.empty()) {
                StageQuery();
            } else if (stop_requested_) {
                // A stop is on its way already.
                send_requested_ = stop_requested_ = false;
            } else {
                StagePending();
            }
            return 1;
        }
    }
    if (!echo_received_) {
        if (Elapsed(last_send_tick_, kEchoWaitMs)) {
            last_send_tick_ = plat::tick_count();
            ControlIn(dsp::IOCTL_DSP_STOP, nullptr, 0);
        }
        return 1;
    }
    last_send_tick_ = plat::tick_count();
    const dspmsg::PendingRecord& m = *send_slot_;
    if (ControlIn(m.code, m.Message(), m.length)) {
        last_sent_id_ = m.id;
        stop_sent_ = false;
        echo_received_ = false;
        streaming_ = true;
        SetListenerState(1);
        accept_replies_ = true;
        state_ = kQueued;
        bool stopping;
        {
            PortLock lock(*this);
            staged_ = false;
            stopping = stop_requested_;
        }
        if (dspmsg::NotifiesSent(m.id) && !stopping) {
            std::lock_guard lock(listener_mutex_);
            if (CMeasurement* l = GetListener()) l->OnMessageSent();
        }
        if (resend_query_ && dspmsg::NeedsStop(m.id)) {
            resend_query_ = false;
            const dspmsg::PendingRecord& q = *query_after_stream_;
            if (!stopping) SendMessage(q.id, q.payload, q.argument);
        }
    } else {
        plat::sleep_ms(500);
        if (++failed_sends_ > 10) {
            echo_received_ = false;
            stop_sent_ = true;
            ControlIn(dsp::IOCTL_DSP_STOP, nullptr, 0);
            failed_sends_ = 0;
        }
    }
    return 1;
}

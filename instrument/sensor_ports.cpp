#include "instrument/sensor_ports.h"

#include <mutex>

#include "platform/kernel/clock.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace {

constexpr uint32_t kReadWaitMs = 1000;       // a read waits this long for one byte
constexpr uint32_t kReadSliceMs = 100;       // ... in slices, so a stop is seen at once
constexpr uint32_t kSerialPassWaitMs = 100;  // the readers' waits between passes
constexpr uint32_t kUsbPassWaitMs = 250;
constexpr uint32_t kStopWaitMs = 1000;
constexpr uint32_t kReopenWaitMs = 250;
constexpr int kReaderPriority = 3;
constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kLineFeed = 10;
constexpr uint32_t kLooseReplyBytes = 40;  // other modes: a reply at 40 bytes
constexpr uint16_t kXonLimit = 2048;
constexpr uint16_t kXoffLimit = 512;

}  // namespace

// ------------------------------------------------------------------ CCommPort

CCommPort::CCommPort(const char16_t* device, uint32_t pass_wait_ms)
    : device_name_(device), pass_wait_ms_(pass_wait_ms) {
    line_event_ = plat::Event(true, false);
}

CCommPort::~CCommPort() {
    CCommPort::Stop();
}

bool CCommPort::OpenLine() {
    auto line = plat::serial::CommFile::open(device_name_);
    if (!line) return false;
    line.purge(plat::serial::PURGE_RXCLEAR | plat::serial::PURGE_TXCLEAR);
    std::lock_guard lock(line_mutex_);
    line_ = std::move(line);
    ApplyReaderTimeouts();
    return true;
}

void CCommPort::ApplyReaderTimeouts() {
    plat::serial::CommTimeouts t;
    t.read_interval = plat::serial::MAXDWORD;
    t.read_total_multiplier = plat::serial::MAXDWORD;
    t.read_total_constant = kReadSliceMs;
    line_.set_timeouts(t);
}

bool CCommPort::IsOpen() const {
    std::lock_guard lock(line_mutex_);
    return static_cast<bool>(line_);
}

void CCommPort::Close() {
    std::lock_guard lock(line_mutex_);
    line_.close();
}

int CCommPort::Write(const void* bytes, uint32_t size) {
    reading_.store(true);
    std::lock_guard lock(line_mutex_);
    uint32_t written = 0;
    return line_ && line_.write(bytes, size, &written) && written == size ? 1 : 0;
}

int CCommPort::ReadByte(uint8_t& byte) {
    const uint64_t start = plat::now_ms();
    do {
        uint32_t got = 0;
        if (!line_.read(&byte, 1, &got)) {
            if (plat::get_last_error() == plat::ERROR_DEVICE_NOT_CONNECTED) Close();
            return -1;
        }
        if (got == 1) return 1;
    } while (!stop_event_.is_set() && plat::now_ms() - start < kReadWaitMs);
    return 0;
}

void CCommPort::CompleteReply(const std::vector<uint8_t>& reply) {
    if (!reply.empty()) ring_->Push(static_cast<uint32_t>(reply.size()), reply.data());
    line_event_.set();
}

int CCommPort::Start() {
    port_mutex_ = plat::Mutex(false);
    stop_event_ = plat::Event(false, false);
    plat::ThreadOptions options;
    options.priority = kReaderPriority;
    thread_ = plat::Thread::start([this] { return Run(); }, options);
    return 1;
}

void CCommPort::Stop() {
    if (stop_event_) stop_event_.set();
    // The reader sees the stop within a read slice; it must have left before
    // the line closes under it.
    if (thread_ && !thread_.join(kStopWaitMs)) thread_.join();
    Close();
}

uint32_t CCommPort::Run() {
    while (!stop_event_.wait(pass_wait_ms_)) Pass();
    return 0;
}

// ---------------------------------------------------------------- CSerialPort

CSerialPort::CSerialPort(uint32_t port_number)
    : CCommPort(u"com1:", kSerialPassWaitMs), port_number_(port_number) {
    GetDeviceName(port_number_);
    if (OpenLine()) {
        std::lock_guard lock(line_mutex_);
        line_.get_state(settings_);
    }
}

const char16_t* CSerialPort::GetDeviceName(uint32_t /*port_number*/) {
    settings_ = plat::serial::CommState{};
    return u"com1:";
}

void CSerialPort::SetPortMode(int32_t mode) {
    mode_.store(mode);
    if (mode == port_mode::kGps) reading_.store(true);
}

bool CSerialPort::Configure(const uint32_t* settings) {
    if (!settings) return false;
    plat::serial::CommState s = settings_;
    s.baud_rate = settings[0];
    s.byte_size = static_cast<uint8_t>(settings[1]);
    s.parity_check = (settings[2] & 1) != 0;
    s.stop_bits = static_cast<uint8_t>(settings[3]);
    s.xon_limit = kXonLimit;
    s.xoff_limit = kXoffLimit;
    s.xon_char = s.xoff_char = s.error_char = s.eof_char = s.event_char = 0;
    s.outx_cts_flow = s.outx_dsr_flow = false;
    s.dtr_control = plat::serial::DTR_CONTROL_DISABLE;
    s.rts_control = plat::serial::RTS_CONTROL_DISABLE;
    s.out_x = s.in_x = false;
    if (!IsOpen()) {
        // The reader opens lines; a missing one is looked for again shortly.
        plat::sleep_ms(kReopenWaitMs);
        return true;
    }
    std::lock_guard lock(line_mutex_);
    if (line_.set_state(s)) settings_ = s;
    uint32_t mask = 0, modem = 0;
    line_.get_mask(&mask);
    line_.get_modem_status(&modem);
    return true;
}

void CSerialPort::PassToCallback(uint32_t count, const uint8_t* bytes) {
    if (ILineCallback* callback = callback_.load()) callback->OnBytes(count, bytes);
}

uint32_t CSerialPort::FixedReplyLength(int32_t mode, uint8_t first) {
    const bool long_form = mode == port_mode::kFixedLong;
    switch (first) {
        case 'D':
            return long_form ? 14 : 13;
        case '5':
            return 21;
        case 'B':
            return 2;
        case 'G':
            return 2;
        case 'C':
            return long_form ? 28 : 27;
        case '~':
            return 1;
        default:
            return 0;
    }
}

void CSerialPort::Pass() {
    // A line that appeared after start-up (or came back) is opened here.
    if (!IsOpen() && !OpenLine()) return;
    const int32_t mode = mode_.load();
    if (mode >= port_mode::kFixedFirst && mode <= port_mode::kFixedLast) return FixedPass(mode);
    const bool text = mode == port_mode::kTextLine ||
                      (mode >= port_mode::kTextFirst && mode <= port_mode::kTextLast);
    // A text reply reaches the ring whole, once its carriage return has come
    // (one broken off by a silent second is dropped, as a fixed-length one
    // is). Other replies are read as their bytes come, whatever their length.
    std::vector<uint8_t> reply;
    uint32_t in_reply = 0;
    uint8_t byte = 0;
    while (reading_.load() && ReadByte(byte) == 1) {
        if (mode == port_mode::kGps) {
            PassToCallback(1, &byte);
            if (stop_event_.is_set()) return;
            continue;
        }
        if (text)
            reply.push_back(byte);
        else
            ring_->Push(1, &byte);
        ++in_reply;
        if (byte == kCarriageReturn || (!text && in_reply >= kLooseReplyBytes)) {
            CompleteReply(reply);
            return;
        }
    }
}

void CSerialPort::FixedPass(int32_t mode) {
    std::vector<uint8_t> reply;
    uint32_t remaining = 0;
    uint8_t byte = 0;
    while (reading_.load() && ReadByte(byte) == 1) {
        if (reply.empty()) {
            remaining = FixedReplyLength(mode, byte);
            if (!remaining) continue;
            reply.push_back(byte);
            continue;
        }
        reply.push_back(byte);
        if (--remaining == 0) {
            reply.push_back(kLineFeed);
            CompleteReply(reply);
            return;
        }
    }
}

// -------------------------------------------------------------- CUsbMeterPort

CUsbMeterPort::CUsbMeterPort() : CCommPort(u"UPM1:", kUsbPassWaitMs) {}

int CUsbMeterPort::Open() {
    return OpenLine() ? 1 : 0;
}

void CUsbMeterPort::Pass() {
    if (!IsOpen()) {
        Open();
        return;
    }
    std::vector<uint8_t> reply;
    uint8_t byte = 0;
    while (reading_.load() && ReadByte(byte) == 1) {
        reply.push_back(byte);
        if (byte == kCarriageReturn) {
            CompleteReply(reply);
            return;
        }
    }
}

#include "instrument/sensors/gps_receiver.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/kernel/clock.h"

namespace {

enum FrameState { kIdle, kBody, kCheck1, kCheck2, kWantCr, kWantLf };

constexpr int kHexBase = 16;
constexpr uint32_t kLineEnd = 2;  // CR LF at the end of a stored text

bool IsHex(uint8_t c) {
    return std::isxdigit(c) != 0;
}

// A lock on a platform mutex taken with a time-out.
class TimedLock {
  public:
    TimedLock(const plat::Mutex& m, uint32_t timeout_ms) : m_(m), held_(m.wait(timeout_ms)) {}
    ~TimedLock() {
        if (held_) m_.unlock();
    }
    TimedLock(const TimedLock&) = delete;
    TimedLock& operator=(const TimedLock&) = delete;
    explicit operator bool() const { return held_; }

  private:
    const plat::Mutex& m_;
    bool held_;
};

}  // namespace

CGpsReceiver::CGpsReceiver(CDevicePort* port) : port_(port) {
    if (auto* serial = dynamic_cast<CSerialPort*>(port_)) serial->SetLineCallback(this);
    ReapplyPortMode();
}

CGpsReceiver::~CGpsReceiver() {
    if (auto* serial = dynamic_cast<CSerialPort*>(port_)) serial->SetLineCallback(nullptr);
}

void CGpsReceiver::ReapplyPortMode() {
    if (port_) port_->SetPortMode(port_mode::kGps);
}

void CGpsReceiver::OnBytes(uint32_t count, const uint8_t* bytes) {
    for (uint32_t i = 0; i < count; ++i) OnChar(bytes[i]);
}

void CGpsReceiver::OnChar(uint8_t c) {
    auto count = [this](uint32_t Counters::*which) {
        std::lock_guard lock(counters_mutex_);
        ++(counters_.*which);
        state_ = kIdle;
    };
    if (c == '$') {
        sentence_[0] = '$';
        length_ = 1;
        checksum_ = 0;
        state_ = kBody;
        return;
    }
    if (state_ == kIdle) return;
    if (state_ <= kCheck2 && length_ >= kMaxSentence) return count(&Counters::too_long);
    sentence_[length_++] = static_cast<char>(c);
    switch (state_) {
        case kBody:
            if (c == '*')
                state_ = kCheck1;
            else
                checksum_ ^= c;
            return;
        case kCheck1:
        case kCheck2:
            if (!IsHex(c)) return count(&Counters::bad_checksum_digit);
            state_ = state_ == kCheck1 ? kCheck2 : kWantCr;
            return;
        case kWantCr:
            if (c != '\r') return count(&Counters::missing_cr);
            state_ = kWantLf;
            return;
        case kWantLf:
            state_ = kIdle;
            if (c != '\n') return count(&Counters::missing_lf);
            Complete();
            return;
        default:
            state_ = kIdle;
    }
}

void CGpsReceiver::Complete() {
    sentence_[length_] = 0;
    const char digits[3] = {sentence_[length_ - 4], sentence_[length_ - 3], 0};
    const auto sent = static_cast<uint8_t>(std::strtoul(digits, nullptr, kHexBase));
    if (sent != checksum_) {
        std::lock_guard lock(counters_mutex_);
        ++counters_.checksum_mismatch;
        return;
    }
    last_good_tick_.store(plat::tick_count());
    any_good_.store(true);
    Store(ParseNmeaSentence(std::string_view(sentence_, length_)));
    // Counted once stored, so a reader of the counters sees the store done.
    std::lock_guard lock(counters_mutex_);
    ++counters_.good;
}

void CGpsReceiver::Store(std::unique_ptr<CNmeaSentence> sentence) {
    TimedLock lock(mutex_, kStoreWaitMs);
    if (!lock) {
        std::lock_guard count_lock(counters_mutex_);
        ++counters_.dropped_busy;
        return;
    }
    if (!sentence) return;
    switch (sentence->GetKind()) {
        case CNmeaSentence::kGga: {
            gga_ = static_cast<CGgaSentence&>(*sentence);
            fix_valid_.store(gga_.GetFixQuality() > 0);
            if (gga_.GetFixQuality() > 0) fix_text_.assign(sentence_, length_);
            break;
        }
        case CNmeaSentence::kGsv:
            if (collecting_.Merge(static_cast<CGsvSentence&>(*sentence))) {
                complete_ = collecting_;
                collecting_.Clear();
            }
            break;
        case CNmeaSentence::kRmc:
            rmc_ = static_cast<CRmcSentence&>(*sentence);
            break;
        default:
            break;
    }
}

bool CGpsReceiver::GetGga(CGgaSentence& out) {
    std::lock_guard lock(mutex_);
    out = gga_;
    return out.GetFixQuality() > 0;
}

bool CGpsReceiver::GetGsv(CGsvSentence& out) {
    std::lock_guard lock(mutex_);
    out = complete_;
    return out.IsComplete();
}

bool CGpsReceiver::GetRmc(CRmcSentence& out) {
    std::lock_guard lock(mutex_);
    out = rmc_;
    return out.GetStatus() == 'A';
}

bool CGpsReceiver::IsFresh() const {
    return any_good_.load() && plat::tick_count() - last_good_tick_.load() < kFreshMs;
}

bool CGpsReceiver::GetFixText(char* buffer, uint32_t size, uint32_t* length, uint32_t* status) {
    std::lock_guard lock(mutex_);
    const uint32_t s = !IsFresh() ? 0 : fix_valid_.load() ? 2 : 1;
    if (status) *status = s;
    if (length) *length = 0;
    if (!buffer || size == 0 || fix_text_.size() < kLineEnd) return false;
    uint32_t n = static_cast<uint32_t>(fix_text_.size()) - kLineEnd;
    if (n > size) n = size;
    std::memcpy(buffer, fix_text_.data(), n);
    if (n < size) buffer[n] = 0;
    if (length) *length = n;
    return true;
}

CGpsReceiver::Counters CGpsReceiver::GetCounters() const {
    std::lock_guard lock(counters_mutex_);
    return counters_;
}

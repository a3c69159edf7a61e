#include "sim/board_io/microcontroller.h"

namespace sim {

uint8_t Microcontroller::exchange(uint8_t in) {
    std::lock_guard lock(mutex_);
    const bool command = in == spi::CMD_SYNC || in == spi::CMD_STATUS || in == spi::CMD_KEYS ||
                         in == spi::CMD_SLEEP || in == spi::CMD_SHUTDOWN_ACK ||
                         in == spi::CMD_STATE;
    if (!command) {
        if (replies_.empty()) return 0;
        if (!echo_pending_ && busy_) {
            --busy_;
            return spi::kNotReady;
        }
        echo_pending_ = false;
        const uint8_t out = replies_.front();
        replies_.pop_front();
        return out;
    }
    commands_.push_back(in);
    replies_.clear();
    echo_pending_ = in != spi::CMD_SYNC;
    if (echo_pending_) replies_.push_back(in);
    switch (in) {
        case spi::CMD_SYNC:
            replies_.insert(replies_.end(), std::begin(spi::kSyncReply), std::end(spi::kSyncReply));
            asleep_ = false;
            break;
        case spi::CMD_STATUS:
            replies_.insert(replies_.end(), status_.begin(), status_.end());
            break;
        case spi::CMD_KEYS:
            while (!keys_.empty()) {
                replies_.push_back(keys_.front().first);
                replies_.push_back(keys_.front().second);
                keys_.pop_front();
            }
            replies_.push_back(0);
            replies_.push_back(0);
            break;
        case spi::CMD_SLEEP:
            asleep_ = true;
            break;
        case spi::CMD_STATE:
            replies_.push_back(asleep_ ? spi::kStateAsleep : spi::kStateRunning);
            break;
        default:
            break;
    }
    return 0;
}

void Microcontroller::set_status(const std::array<uint8_t, spi::kStatusBytes>& status) {
    std::lock_guard lock(mutex_);
    status_ = status;
}

void Microcontroller::push_key(uint8_t first, uint8_t second) {
    std::lock_guard lock(mutex_);
    keys_.emplace_back(first, second);
}

void Microcontroller::set_busy(unsigned count) {
    std::lock_guard lock(mutex_);
    busy_ = count;
}

std::vector<uint8_t> Microcontroller::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

bool Microcontroller::asleep() const {
    std::lock_guard lock(mutex_);
    return asleep_;
}

}  // namespace sim

#include "sim/board_io/microcontroller.h"

#include "drivers/bio/bio_protocol.h"
#include "platform/text/utf.h"

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

void Microcontroller::supervise() {
    const bool was = temperature_alarm_;
    if (panel_.temperature_c >= panel_.temperature_limit_c)
        temperature_alarm_ = true;
    else if (panel_.temperature_c < panel_.temperature_limit_c - kTemperatureHysteresisC)
        temperature_alarm_ = false;
    if (!temperature_is_high_) {
        // The event may stand from an earlier board: it takes this one's state.
        temperature_is_high_ =
            plat::Event::create(plat::to_utf8(bio::kTemperatureIsHigh), true, false);
    } else if (was == temperature_alarm_) {
        return;
    }
    if (temperature_alarm_)
        temperature_is_high_.set();
    else
        temperature_is_high_.reset();
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

#pragma once
// A test board for the "DSP1:" driver: records every command packet it gets,
// answers commands from a table and sends whatever packets a test queues.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/usb/usb_host.h"

namespace dsp::test {

using Bytes = std::vector<uint8_t>;

// A board packet {type, length, payload}.
inline Bytes packet(uint16_t type, const Bytes& payload, int length = -1) {
    Bytes p(4 + payload.size());
    plat::put_le<uint16_t>(p.data(), type);
    plat::put_le<uint16_t>(p.data() + 2,
                           static_cast<uint16_t>(length < 0 ? payload.size() : length));
    if (!payload.empty()) std::memcpy(p.data() + 4, payload.data(), payload.size());
    return p;
}

// A large-block packet {type, 4 + data bytes, start, count, data}.
inline Bytes large_packet(uint16_t type, uint16_t start, uint16_t count, const Bytes& data) {
    Bytes payload(4 + data.size());
    plat::put_le<uint16_t>(payload.data(), start);
    plat::put_le<uint16_t>(payload.data() + 2, count);
    std::memcpy(payload.data() + 4, data.data(), data.size());
    return packet(type, payload);
}

struct Command {
    uint16_t command = 0;
    Bytes payload;
};

class ScriptedBoard : public plat::usb::AttachedDevice {
  public:
    plat::usb::InterfaceInfo describe() const override {
        plat::usb::InterfaceInfo info;
        info.vendor_id = kBoardVendorId;
        info.product_id = kBoardProductId;
        info.endpoints = {{kInterruptInEndpoint, USB_ENDPOINT_TYPE_INTERRUPT, 8, 10},
                          {kInterruptOutEndpoint, USB_ENDPOINT_TYPE_INTERRUPT, 8, 10},
                          {kBulkInEndpoint, USB_ENDPOINT_TYPE_BULK, kMaxPacketSize, 0},
                          {kBulkOutEndpoint, USB_ENDPOINT_TYPE_BULK, kMaxPacketSize, 0}};
        return info;
    }
    void attached(plat::usb::DeviceLink& link) override {
        std::lock_guard lock(mutex_);
        link_ = &link;
    }
    void detached() override {
        std::lock_guard lock(mutex_);
        link_ = nullptr;
    }

    uint32_t receive_out(uint8_t, std::span<const uint8_t> data) override {
        std::unique_lock lock(mutex_);
        held_.wait(lock, [&] { return !hold_out_; });
        Command c;
        if (data.size() >= 4) {
            c.command = plat::get_le<uint16_t>(data.data());
            c.payload.assign(data.begin() + 4, data.end());
        }
        commands_.push_back(c);
        changed_.notify_all();
        if (refuse_out_) return USB_TRANSFER_STALL;
        if (c.command == CMD_STOP && echo_stop_) send_locked(packet(CMD_STOP, {}));
        auto it = replies_.find(c.command);
        if (it != replies_.end()) send_locked(it->second);
        return USB_TRANSFER_OK;
    }

    // The reply the board sends to `command` ({echo, length, data}).
    void answer(uint16_t command, const Bytes& data, uint16_t echo) {
        std::lock_guard lock(mutex_);
        replies_[command] = packet(echo, data);
    }
    void answer(uint16_t command, const Bytes& data) { answer(command, data, command); }
    void set_echo_stop(bool on) {
        std::lock_guard lock(mutex_);
        echo_stop_ = on;
    }
    void set_refuse_out(bool on) {
        std::lock_guard lock(mutex_);
        refuse_out_ = on;
    }
    // Holds OUT transfers inside receive_out until released.
    void hold_out(bool on) {
        std::lock_guard lock(mutex_);
        hold_out_ = on;
        held_.notify_all();
    }

    void send(const Bytes& p) {
        std::lock_guard lock(mutex_);
        send_locked(p);
    }
    void fail_next_read(uint32_t error) {
        std::lock_guard lock(mutex_);
        if (link_) link_->fail_in(kBulkInEndpoint, error);
    }

    std::vector<Command> commands() const {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    // Waits until `count` commands have come (generous bound).
    bool wait_commands(size_t count, int ms = 3000) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return commands_.size() >= count; });
    }

  private:
    void send_locked(const Bytes& p) {
        if (link_) link_->send_in(kBulkInEndpoint, p);
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_, held_;
    plat::usb::DeviceLink* link_ = nullptr;
    std::map<uint16_t, Bytes> replies_;
    std::vector<Command> commands_;
    bool echo_stop_ = true;
    bool refuse_out_ = false;
    bool hold_out_ = false;
};

}  // namespace dsp::test

// The in-process USB host controller: devices behind `AttachedDevice`,
// client drivers behind the C function table of usb_client.h.
#include "platform/usb/usb_host.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace plat::usb {
class DeviceSlot;
struct TransferState;
}  // namespace plat::usb

// The opaque handles of the C interface.
struct UsbDevice_ {
    plat::usb::DeviceSlot* slot;
};
struct UsbPipe_ {
    std::shared_ptr<plat::usb::DeviceSlot> slot;
    plat::usb::Endpoint endpoint;
};
struct UsbTransfer_ {
    std::shared_ptr<plat::usb::TransferState> state;
};

namespace plat::usb {

struct TransferState {
    UsbPipe_* pipe = nullptr;  // identity only: the pipe may close first
    std::shared_ptr<DeviceSlot> slot;
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    uint32_t bytes = 0;
    uint32_t error = USB_TRANSFER_OK;
    bool complete = false;
    UsbCompletionRoutine done = nullptr;
    void* context = nullptr;
    // Completion routines run under this lock so that close_transfer can make
    // sure none runs after it returned.
    std::mutex callback_mutex;
    bool closed = false;

    void run_callback() {
        std::lock_guard lock(callback_mutex);
        if (!closed && done) done(context);
    }
};

using TransferPtr = std::shared_ptr<TransferState>;

// A queued packet, or a fault that ends the transfer taking it.
struct InPacket {
    std::vector<uint8_t> bytes;
    uint32_t error = USB_TRANSFER_OK;
    bool starts_write = true;  // the first USB packet of a device's write, not yet begun
};

struct InQueue {
    uint16_t max_packet = 64;
    std::deque<InPacket> packets;
    size_t bytes = 0;
    std::list<TransferPtr> waiting;  // IN transfers in issue order
};

// One device on the bus, with its endpoint queues and the client's view.
class DeviceSlot : public DeviceLink, public std::enable_shared_from_this<DeviceSlot> {
  public:
    DeviceSlot(AttachId id, std::shared_ptr<AttachedDevice> device)
        : id_(id), device_(std::move(device)), info_(device_->describe()) {
        handle_.slot = this;
        endpoints_.reserve(info_.endpoints.size());
        for (const Endpoint& ep : info_.endpoints) {
            endpoints_.push_back({ep.address, ep.type, ep.max_packet_size, ep.interval});
            if (ep.is_in())
                in_[ep.address].max_packet = ep.max_packet_size ? ep.max_packet_size : 64;
        }
        descriptor_.interface_number = info_.interface_number;
        descriptor_.interface_class = info_.interface_class;
        descriptor_.interface_subclass = info_.interface_subclass;
        descriptor_.interface_protocol = info_.interface_protocol;
        descriptor_.endpoint_count = static_cast<uint8_t>(endpoints_.size());
        descriptor_.vendor_id = info_.vendor_id;
        descriptor_.product_id = info_.product_id;
        descriptor_.endpoints = endpoints_.data();
    }

    AttachId id() const { return id_; }
    AttachedDevice& device() { return *device_; }
    UsbDeviceHandle handle() { return &handle_; }
    const UsbInterfaceDescriptor* descriptor() const { return &descriptor_; }

    // ---- DeviceLink ----
    bool send_in(uint8_t address, std::span<const uint8_t> data) override {
        std::vector<TransferPtr> finished;
        {
            std::lock_guard lock(mutex_);
            auto it = in_.find(address);
            if (gone_ || it == in_.end()) return false;
            InQueue& q = it->second;
            size_t offset = 0;
            do {
                size_t n = std::min<size_t>(q.max_packet, data.size() - offset);
                q.packets.push_back({{data.begin() + offset, data.begin() + offset + n},
                                     USB_TRANSFER_OK,
                                     offset == 0});
                q.bytes += n;
                offset += n;
            } while (offset < data.size());
            // A write that ends on a packet boundary is not followed by a
            // zero-length packet: the transfer size tells the host when to stop.
            serve(q, finished);
        }
        for (auto& t : finished) t->run_callback();
        return true;
    }

    size_t queued_in(uint8_t address) const override {
        std::lock_guard lock(mutex_);
        auto it = in_.find(address);
        return it == in_.end() ? 0 : it->second.bytes;
    }

    void clear_in(uint8_t address) override {
        std::lock_guard lock(mutex_);
        auto it = in_.find(address);
        if (it == in_.end()) return;
        // The rest of a write the host has begun to read stays: a reader
        // that took its head takes its tail, not what the device sends next.
        InQueue& q = it->second;
        auto first_dropped = q.packets.begin();
        while (first_dropped != q.packets.end() && !first_dropped->starts_write) ++first_dropped;
        for (auto p = first_dropped; p != q.packets.end(); ++p) q.bytes -= p->bytes.size();
        q.packets.erase(first_dropped, q.packets.end());
    }

    bool fail_in(uint8_t address, uint32_t error) override {
        std::vector<TransferPtr> finished;
        {
            std::lock_guard lock(mutex_);
            auto it = in_.find(address);
            if (gone_ || it == in_.end()) return false;
            it->second.packets.push_back({{}, error ? error : uint32_t{USB_TRANSFER_STALL}});
            serve(it->second, finished);
        }
        for (auto& t : finished) t->run_callback();
        return true;
    }

    // ---- Host side ----
    UsbTransferHandle issue(UsbPipe_* pipe, UsbCompletionRoutine done, void* context,
                            uint32_t flags, uint32_t size, void* buffer, uint8_t type) {
        const Endpoint& ep = pipe->endpoint;
        const bool in = (flags & USB_IN_TRANSFER) != 0;
        if (ep.type != type || in != ep.is_in() || (size && !buffer)) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        auto state = std::make_shared<TransferState>();
        state->pipe = pipe;
        state->slot = shared_from_this();
        state->buffer = static_cast<uint8_t*>(buffer);
        state->size = size;
        state->done = done;
        state->context = context;
        {
            std::lock_guard lock(mutex_);
            if (gone_) {
                set_last_error(ERROR_DEVICE_NOT_CONNECTED);
                return nullptr;
            }
            if (!in) ++out_calls_;  // the device is not told it left while this runs
        }
        auto* handle = new UsbTransfer_{state};
        if (!in) {
            uint32_t error = device_->receive_out(ep.address, {state->buffer, size});
            {
                std::lock_guard lock(mutex_);
                state->complete = true;
                state->error = error;
                state->bytes = error == USB_TRANSFER_OK ? size : 0;
                if (--out_calls_ == 0) out_done_.notify_all();
            }
            state->run_callback();
            return handle;
        }
        std::vector<TransferPtr> finished;
        {
            std::lock_guard lock(mutex_);
            if (gone_) {
                finish(state, USB_TRANSFER_CANCELLED);
                finished.push_back(state);
            } else {
                InQueue& q = in_[ep.address];
                q.waiting.push_back(state);
                serve(q, finished);
            }
        }
        for (auto& t : finished) t->run_callback();
        return handle;
    }

    bool status(const TransferState& t, uint32_t* bytes, uint32_t* error) const {
        std::lock_guard lock(mutex_);
        if (bytes) *bytes = t.bytes;
        if (error) *error = t.error;
        return t.complete;
    }

    bool abort(const TransferPtr& state) {
        {
            std::lock_guard lock(mutex_);
            if (state->complete) return true;
            finish(state, USB_TRANSFER_CANCELLED);
            for (auto& [address, q] : in_) q.waiting.remove(state);
        }
        state->run_callback();
        return true;
    }

    void abort_pipe(const UsbPipe_* pipe) {
        std::vector<TransferPtr> finished;
        {
            std::lock_guard lock(mutex_);
            for (auto& [address, q] : in_) {
                for (auto it = q.waiting.begin(); it != q.waiting.end();) {
                    if ((*it)->pipe == pipe) {
                        finish(*it, USB_TRANSFER_CANCELLED);
                        finished.push_back(*it);
                        it = q.waiting.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
        }
        for (auto& t : finished) t->run_callback();
    }

    // Waits until no OUT transfer is inside the device.
    void wait_out_calls() {
        std::unique_lock lock(mutex_);
        out_done_.wait(lock, [&] { return out_calls_ == 0; });
    }

    // Ends every outstanding transfer and refuses new ones.
    void mark_gone() {
        std::vector<TransferPtr> finished;
        {
            std::lock_guard lock(mutex_);
            gone_ = true;
            for (auto& [address, q] : in_) {
                for (auto& t : q.waiting) {
                    finish(t, USB_TRANSFER_CANCELLED);
                    finished.push_back(t);
                }
                q.waiting.clear();
                q.packets.clear();
                q.bytes = 0;
            }
        }
        for (auto& t : finished) t->run_callback();
    }

    // The device's endpoint with the descriptor's address and type.
    std::optional<Endpoint> find_endpoint(const UsbEndpointDescriptor* ep) const {
        for (const Endpoint& e : info_.endpoints) {
            if (e.address == ep->address &&
                (e.type & USB_ENDPOINT_TYPE_MASK) == (ep->attributes & USB_ENDPOINT_TYPE_MASK))
                return e;
        }
        return std::nullopt;
    }

    struct Notification {
        UsbNotifyRoutine routine = nullptr;
        void* context = nullptr;
    };
    void set_notification(UsbNotifyRoutine routine, void* context) {
        std::lock_guard lock(mutex_);
        notification_ = {routine, context};
    }
    bool clear_notification(UsbNotifyRoutine routine, void* context) {
        std::lock_guard lock(mutex_);
        if (notification_.routine != routine || notification_.context != context) return false;
        notification_ = {};
        return true;
    }
    Notification take_notification() {
        std::lock_guard lock(mutex_);
        return std::exchange(notification_, {});
    }

    std::atomic<bool> claimed{false};

  private:
    static void finish(const TransferPtr& t, uint32_t error) {
        t->complete = true;
        t->error = error;
    }

    // Moves queued packets into waiting IN transfers, oldest first.
    void serve(InQueue& q, std::vector<TransferPtr>& finished) {
        while (!q.waiting.empty() && !q.packets.empty()) {
            TransferPtr t = q.waiting.front();
            bool ended = false;
            uint32_t error = USB_TRANSFER_OK;
            while (!ended && !q.packets.empty()) {
                if (q.packets.front().error) {
                    error = q.packets.front().error;
                    q.packets.pop_front();
                    ended = true;
                    break;
                }
                std::vector<uint8_t>& packet = q.packets.front().bytes;
                uint32_t room = t->size - t->bytes;
                size_t n = std::min<size_t>(room, packet.size());
                if (n) std::memcpy(t->buffer + t->bytes, packet.data(), n);
                t->bytes += static_cast<uint32_t>(n);
                q.bytes -= n;
                const bool short_packet = packet.size() < q.max_packet;
                if (n < packet.size()) {
                    packet.erase(packet.begin(), packet.begin() + n);
                    q.packets.front().starts_write = false;
                } else {
                    q.packets.pop_front();
                    if (short_packet) ended = true;
                }
                if (t->bytes == t->size) ended = true;
            }
            if (!ended) break;
            finish(t, error);
            finished.push_back(t);
            q.waiting.pop_front();
        }
    }

    const AttachId id_;
    std::shared_ptr<AttachedDevice> device_;
    const InterfaceInfo info_;
    UsbDevice_ handle_{};
    std::vector<UsbEndpointDescriptor> endpoints_;
    UsbInterfaceDescriptor descriptor_{};
    mutable std::mutex mutex_;
    std::map<uint8_t, InQueue> in_;
    bool gone_ = false;
    int out_calls_ = 0;
    std::condition_variable out_done_;
    Notification notification_;
};

namespace {

DeviceSlot* slot_of(UsbDeviceHandle device) {
    return device ? device->slot : nullptr;
}

UsbPipeHandle open_pipe(UsbDeviceHandle device, const UsbEndpointDescriptor* endpoint) {
    DeviceSlot* slot = slot_of(device);
    std::optional<Endpoint> found;
    if (slot && endpoint) found = slot->find_endpoint(endpoint);
    if (!found) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return new UsbPipe_{slot->shared_from_this(), *found};
}

int32_t close_pipe(UsbPipeHandle pipe) {
    if (!pipe) return 0;
    pipe->slot->abort_pipe(pipe);
    delete pipe;
    return 1;
}

int32_t abort_pipe_transfers(UsbPipeHandle pipe, uint32_t) {
    if (!pipe) return 0;
    pipe->slot->abort_pipe(pipe);
    return 1;
}

UsbTransferHandle issue_bulk(UsbPipeHandle pipe, UsbCompletionRoutine done, void* context,
                             uint32_t flags, uint32_t size, void* buffer) {
    if (!pipe) return nullptr;
    return pipe->slot->issue(pipe, done, context, flags, size, buffer, USB_ENDPOINT_TYPE_BULK);
}

UsbTransferHandle issue_interrupt(UsbPipeHandle pipe, UsbCompletionRoutine done, void* context,
                                  uint32_t flags, uint32_t size, void* buffer) {
    if (!pipe) return nullptr;
    return pipe->slot->issue(pipe, done, context, flags, size, buffer, USB_ENDPOINT_TYPE_INTERRUPT);
}

int32_t is_transfer_complete(UsbTransferHandle transfer) {
    if (!transfer) return 1;
    return transfer->state->slot->status(*transfer->state, nullptr, nullptr) ? 1 : 0;
}

int32_t get_transfer_status(UsbTransferHandle transfer, uint32_t* bytes, uint32_t* error) {
    if (!transfer) return 0;
    return transfer->state->slot->status(*transfer->state, bytes, error) ? 1 : 0;
}

int32_t abort_transfer(UsbTransferHandle transfer, uint32_t) {
    if (!transfer) return 0;
    return transfer->state->slot->abort(transfer->state) ? 1 : 0;
}

int32_t close_transfer(UsbTransferHandle transfer) {
    if (!transfer) return 0;
    abort_transfer(transfer, 0);
    {
        std::lock_guard lock(transfer->state->callback_mutex);
        transfer->state->closed = true;
    }
    delete transfer;
    return 1;
}

int32_t register_notification(UsbDeviceHandle device, UsbNotifyRoutine routine, void* context) {
    DeviceSlot* slot = slot_of(device);
    if (!slot || !routine) return 0;
    slot->set_notification(routine, context);
    return 1;
}

int32_t unregister_notification(UsbDeviceHandle device, UsbNotifyRoutine routine, void* context) {
    DeviceSlot* slot = slot_of(device);
    return slot && slot->clear_notification(routine, context) ? 1 : 0;
}

const UsbFunctions kFunctions = {
    USB_FUNCTIONS_VERSION,
    open_pipe,
    close_pipe,
    abort_pipe_transfers,
    issue_bulk,
    issue_interrupt,
    is_transfer_complete,
    get_transfer_status,
    abort_transfer,
    close_transfer,
    register_notification,
    unregister_notification,
};

class HostImpl final : public Host {
  public:
    AttachId attach(std::shared_ptr<AttachedDevice> device) override {
        if (!device) return 0;
        std::lock_guard bus(bus_mutex_);
        std::shared_ptr<DeviceSlot> slot;
        {
            std::lock_guard lock(mutex_);
            slot = std::make_shared<DeviceSlot>(++next_id_, std::move(device));
            slots_[slot->id()] = slot;
        }
        slot->device().attached(*slot);
        offer(slot, clients());
        return slot->id();
    }

    bool detach(AttachId id) override {
        std::lock_guard bus(bus_mutex_);
        std::shared_ptr<DeviceSlot> slot;
        {
            std::lock_guard lock(mutex_);
            auto it = slots_.find(id);
            if (it == slots_.end()) return false;
            slot = it->second;
            slots_.erase(it);
        }
        slot->mark_gone();
        auto note = slot->take_notification();
        if (note.routine) note.routine(note.context, USB_CLOSE_DEVICE, nullptr);
        slot->wait_out_calls();
        slot->device().detached();
        return true;
    }

    std::vector<AttachId> attached_devices() const override {
        std::lock_guard lock(mutex_);
        std::vector<AttachId> ids;
        for (const auto& [id, slot] : slots_) ids.push_back(id);
        return ids;
    }

    bool claimed(AttachId id) const override {
        std::lock_guard lock(mutex_);
        auto it = slots_.find(id);
        return it != slots_.end() && it->second->claimed;
    }

    void add_client_driver(const ClientDriver& driver) override {
        std::lock_guard bus(bus_mutex_);
        std::vector<std::shared_ptr<DeviceSlot>> unclaimed;
        {
            std::lock_guard lock(mutex_);
            std::erase_if(clients_, [&](const ClientDriver& c) { return c.name == driver.name; });
            clients_.push_back(driver);
            for (const auto& [id, slot] : slots_)
                if (!slot->claimed) unclaimed.push_back(slot);
        }
        for (auto& slot : unclaimed) offer(slot, {driver});
    }

    void remove_client_driver(std::u16string_view name) override {
        std::lock_guard bus(bus_mutex_);
        std::lock_guard lock(mutex_);
        std::erase_if(clients_, [&](const ClientDriver& c) { return c.name == name; });
    }

  private:
    std::vector<ClientDriver> clients() const {
        std::lock_guard lock(mutex_);
        return clients_;
    }

    static void offer(const std::shared_ptr<DeviceSlot>& slot,
                      const std::vector<ClientDriver>& drivers) {
        for (const ClientDriver& driver : drivers) {
            if (!driver.attach) continue;
            int32_t accepted = 0;
            int32_t ok = driver.attach(slot->handle(), &kFunctions, slot->descriptor(),
                                       driver.key.c_str(), &accepted);
            if (ok && accepted) {
                slot->claimed = true;
                return;
            }
        }
    }

    // Serialises attach, detach and client registration (each may call into
    // client drivers); `mutex_` only guards the maps.
    std::recursive_mutex bus_mutex_;
    mutable std::mutex mutex_;
    std::map<AttachId, std::shared_ptr<DeviceSlot>> slots_;
    std::vector<ClientDriver> clients_;
    AttachId next_id_ = 0;
};

}  // namespace

Host& Host::instance() {
    static HostImpl* host = new HostImpl();  // lives as long as the process
    return *host;
}

}  // namespace plat::usb

#include "drivers/dsp/board_pipes.h"

#include "platform/kernel/errors.h"
#include "platform/kernel/sync.h"

namespace dsp {

namespace {

const UsbEndpointDescriptor* first_endpoint(const UsbInterfaceDescriptor* iface, uint8_t type,
                                            bool in) {
    for (uint8_t i = 0; i < iface->endpoint_count; ++i) {
        const UsbEndpointDescriptor& ep = iface->endpoints[i];
        if ((ep.attributes & USB_ENDPOINT_TYPE_MASK) == type &&
            ((ep.address & USB_ENDPOINT_DIRECTION_IN) != 0) == in)
            return &ep;
    }
    return nullptr;
}

uint32_t signal(void* context) {
    static_cast<plat::Event*>(context)->set();
    return 0;
}

}  // namespace

bool BoardPipes::open(UsbDeviceHandle device, const UsbFunctions* functions,
                      const UsbInterfaceDescriptor* iface) {
    fn_ = functions;
    auto open_one = [&](uint8_t type, bool in) -> UsbPipeHandle {
        const UsbEndpointDescriptor* ep = first_endpoint(iface, type, in);
        return ep ? fn_->open_pipe(device, ep) : nullptr;
    };
    interrupt_in_ = open_one(USB_ENDPOINT_TYPE_INTERRUPT, true);
    interrupt_out_ = open_one(USB_ENDPOINT_TYPE_INTERRUPT, false);
    bulk_in_ = open_one(USB_ENDPOINT_TYPE_BULK, true);
    bulk_out_ = open_one(USB_ENDPOINT_TYPE_BULK, false);
    return interrupt_in_ && bulk_in_ && bulk_out_;
}

void BoardPipes::abort_all() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    for (UsbTransferHandle t : active_) fn_->abort_transfer(t, 0);
    for (UsbPipeHandle p : {interrupt_in_, interrupt_out_, bulk_in_, bulk_out_})
        if (p) fn_->abort_pipe_transfers(p, 0);
}

void BoardPipes::close() {
    if (!fn_) return;
    abort_all();
    for (UsbPipeHandle* p : {&interrupt_in_, &interrupt_out_, &bulk_in_, &bulk_out_}) {
        if (*p) fn_->close_pipe(*p);
        *p = nullptr;
    }
    fn_ = nullptr;
}

uint32_t BoardPipes::bulk_in(void* buffer, uint32_t size, uint32_t timeout_ms, uint32_t* error) {
    return transfer(bulk_in_, USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK, buffer, size, timeout_ms,
                    error);
}

uint32_t BoardPipes::bulk_out(const void* buffer, uint32_t size, uint32_t timeout_ms,
                              uint32_t* error) {
    return transfer(bulk_out_, USB_OUT_TRANSFER, const_cast<void*>(buffer), size, timeout_ms,
                    error);
}

uint32_t BoardPipes::transfer(UsbPipeHandle pipe, uint32_t flags, void* buffer, uint32_t size,
                              uint32_t timeout_ms, uint32_t* error) {
    plat::Event done(true, false);
    UsbTransferHandle t = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (aborted_ || !pipe) {
            *error = USB_TRANSFER_CANCELLED;
            return 0;
        }
        t = fn_->issue_bulk_transfer(pipe, &signal, &done, flags, size, buffer);
        if (!t) {
            *error = USB_TRANSFER_NOT_CONNECTED;
            return 0;
        }
        active_.insert(t);
    }
    bool timed_out = !done.wait(timeout_ms);
    {
        std::lock_guard lock(mutex_);
        active_.erase(t);
        if (timed_out) fn_->abort_transfer(t, 0);
    }
    uint32_t bytes = 0, status = 0;
    fn_->get_transfer_status(t, &bytes, &status);
    fn_->close_transfer(t);
    // A transfer that ran out of time ends cancelled by our abort; report the
    // time-out (it may also have completed just before the abort).
    if (timed_out && status == USB_TRANSFER_CANCELLED) status = USB_TRANSFER_TIMEOUT;
    *error = status;
    return status == USB_TRANSFER_OK ? bytes : 0;
}

}  // namespace dsp

#pragma once
// The pipes of one attached board and blocking transfers on them with
// time-outs. Once aborted, every outstanding and later transfer ends with
// USB_TRANSFER_CANCELLED, so that no thread can stay blocked on a board that
// is going away.
#include <cstdint>
#include <mutex>
#include <set>

#include "platform/usb/usb_client.h"

namespace dsp {

class BoardPipes {
  public:
    BoardPipes() = default;
    BoardPipes(const BoardPipes&) = delete;
    BoardPipes& operator=(const BoardPipes&) = delete;
    ~BoardPipes() { close(); }

    // Opens the first endpoint of each kind; the interrupt IN endpoint is
    // required, the bulk pair carries the data. False when one is missing.
    bool open(UsbDeviceHandle device, const UsbFunctions* functions,
              const UsbInterfaceDescriptor* interface_descriptor);
    // Aborts every transfer and refuses new ones.
    void abort_all();
    void close();

    // Bytes moved; `*error` is 0 or the transfer error (1460 on time-out).
    uint32_t bulk_in(void* buffer, uint32_t size, uint32_t timeout_ms, uint32_t* error);
    uint32_t bulk_out(const void* buffer, uint32_t size, uint32_t timeout_ms, uint32_t* error);

  private:
    uint32_t transfer(UsbPipeHandle pipe, uint32_t flags, void* buffer, uint32_t size,
                      uint32_t timeout_ms, uint32_t* error);

    const UsbFunctions* fn_ = nullptr;
    UsbPipeHandle interrupt_in_ = nullptr;
    UsbPipeHandle interrupt_out_ = nullptr;
    UsbPipeHandle bulk_in_ = nullptr;
    UsbPipeHandle bulk_out_ = nullptr;
    std::mutex mutex_;
    bool aborted_ = false;
    std::set<UsbTransferHandle> active_;
};

}  // namespace dsp

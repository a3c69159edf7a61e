#pragma once
// The simulated USB host controller. Devices (the simulated acquisition
// board, scripted test boards) attach as objects behind `AttachedDevice`;
// client drivers register their attach entry and are offered every device
// that attaches, in registration order, until one claims it.
//
// Data model of a device's endpoints:
//  - OUT (host to device): every bulk or interrupt OUT transfer is handed
//    whole to `AttachedDevice::receive_out` on the thread that issued it; the
//    transfer completes with what that call returns.
//  - IN (device to host): the device queues data with `DeviceLink::send_in`
//    whenever it likes (from any thread). The host cuts each call into packets
//    of the endpoint's max packet size, the last one short (an empty call
//    queues a zero-length packet). An IN transfer of N bytes takes packets
//    until N bytes came or a short packet ended it; a packet larger than the
//    room left is split and its rest stays queued for the next transfer.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/usb/usb_client.h"

namespace plat::usb {

struct Endpoint {
    uint8_t address = 0;  // bit 7 set for IN
    uint8_t type = USB_ENDPOINT_TYPE_BULK;
    uint16_t max_packet_size = 64;
    uint8_t interval = 0;
    bool is_in() const { return (address & USB_ENDPOINT_DIRECTION_IN) != 0; }
};

struct InterfaceInfo {
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint8_t interface_number = 0;
    uint8_t interface_class = 0xFF;  // vendor specific
    uint8_t interface_subclass = 0;
    uint8_t interface_protocol = 0;
    std::vector<Endpoint> endpoints;
};

// What the host gives an attached device to talk back through. Valid from
// `AttachedDevice::attached` until `AttachedDevice::detached` returns.
class DeviceLink {
  public:
    virtual ~DeviceLink() = default;
    // Queues IN data on an IN endpoint; false when the endpoint is no IN
    // endpoint of this device or the device is detached.
    virtual bool send_in(uint8_t endpoint_address, std::span<const uint8_t> data) = 0;
    // Bytes queued on an IN endpoint and not yet taken by the host (lets a
    // device pace itself).
    virtual size_t queued_in(uint8_t endpoint_address) const = 0;
    // Drops what is queued on an IN endpoint, except the rest of a write
    // (one send_in) whose beginning the host has already read: a device
    // drops whole packets, never the tail of one the host is reading.
    virtual void clear_in(uint8_t endpoint_address) = 0;
    // Makes the IN transfer that reaches this point of the queue end with
    // `error` (USB_TRANSFER_TIMEOUT, USB_TRANSFER_STALL, ...) and the bytes it
    // took so far: a way for a device to show bus faults.
    virtual bool fail_in(uint8_t endpoint_address, uint32_t error) = 0;
};

// A device on the bus.
class AttachedDevice {
  public:
    virtual ~AttachedDevice() = default;
    // The device's one interface with its endpoints; read once at attach.
    virtual InterfaceInfo describe() const = 0;
    // The device is on the bus; `link` stays valid until detached().
    virtual void attached(DeviceLink& link) = 0;
    // An OUT transfer on `endpoint_address` carrying `data`. Runs on the
    // issuing thread and must not block for long. Returns USB_TRANSFER_OK or
    // a transfer error (USB_TRANSFER_STALL, USB_TRANSFER_TIMEOUT, ...). The
    // device may call send_in from here.
    virtual uint32_t receive_out(uint8_t endpoint_address, std::span<const uint8_t> data) = 0;
    // The device left the bus (after the client driver was told, and once no
    // receive_out call runs any more).
    virtual void detached() = 0;
};

// Identifies one attachment of a device.
using AttachId = uint32_t;

// A client driver as the host knows it.
struct ClientDriver {
    std::u16string name;  // e.g. u"VornDSP"
    std::u16string key;   // its registry key, given to the attach entry
    UsbDeviceAttachFn attach = nullptr;
};

class Host {
  public:
    // The process's host controller.
    static Host& instance();

    // Puts a device on the bus and offers it to the client drivers; returns
    // its id (0 only when `device` is null). A device no client claims stays
    // attached and is offered again to clients that register later.
    virtual AttachId attach(std::shared_ptr<AttachedDevice> device) = 0;
    // Takes a device off the bus: outstanding transfers end with
    // USB_TRANSFER_CANCELLED, the claiming client gets USB_CLOSE_DEVICE (on
    // this thread), then the device's detached() runs. False for an unknown id.
    virtual bool detach(AttachId id) = 0;
    // Ids of the devices on the bus.
    virtual std::vector<AttachId> attached_devices() const = 0;
    // Whether a client driver claimed the device.
    virtual bool claimed(AttachId id) const = 0;

    // Registers a client driver; devices on the bus that nobody claimed are
    // offered to it at once.
    virtual void add_client_driver(const ClientDriver& driver) = 0;
    // Forgets a client driver (devices it claimed stay claimed until they
    // detach).
    virtual void remove_client_driver(std::u16string_view name) = 0;

  protected:
    ~Host() = default;
};

}  // namespace plat::usb

#pragma once
// The USB host's interface to client drivers: the descriptors a client sees,
// the function table it drives pipes and transfers through, and the entry
// points a client-driver library exports. Everything here crosses a library
// boundary, so it is plain C with fixed-width types.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Endpoint attributes (low two bits of `attributes`).
#define USB_ENDPOINT_TYPE_MASK 0x03u
#define USB_ENDPOINT_TYPE_CONTROL 0x00u
#define USB_ENDPOINT_TYPE_ISOCHRONOUS 0x01u
#define USB_ENDPOINT_TYPE_BULK 0x02u
#define USB_ENDPOINT_TYPE_INTERRUPT 0x03u
// Bit 7 of an endpoint address marks an IN (device to host) endpoint.
#define USB_ENDPOINT_DIRECTION_IN 0x80u

// Transfer flags.
#define USB_IN_TRANSFER 0x00000080u
#define USB_OUT_TRANSFER 0x00000000u
#define USB_SHORT_TRANSFER_OK 0x00000004u

// Notification codes given to a client's notification routine.
#define USB_CLOSE_DEVICE 1u

// Transfer errors: 0, or the last-error code the transfer failed with.
#define USB_TRANSFER_OK 0u
#define USB_TRANSFER_CANCELLED 1223u      // aborted (ERROR_CANCELLED)
#define USB_TRANSFER_TIMEOUT 1460u        // ERROR_TIMEOUT
#define USB_TRANSFER_NOT_CONNECTED 1167u  // device gone (ERROR_DEVICE_NOT_CONNECTED)
#define USB_TRANSFER_STALL 31u            // refused by the device (ERROR_GEN_FAILURE)

typedef struct UsbEndpointDescriptor {
    uint8_t address;           // endpoint number, bit 7 set for IN
    uint8_t attributes;        // USB_ENDPOINT_TYPE_*
    uint16_t max_packet_size;  // bytes per packet
    uint8_t interval;          // polling interval of interrupt endpoints (ms)
} UsbEndpointDescriptor;

typedef struct UsbInterfaceDescriptor {
    uint8_t interface_number;
    uint8_t alternate_setting;
    uint8_t interface_class;
    uint8_t interface_subclass;
    uint8_t interface_protocol;
    uint8_t endpoint_count;
    uint16_t vendor_id;  // of the device the interface belongs to
    uint16_t product_id;
    const UsbEndpointDescriptor* endpoints;  // endpoint_count entries
} UsbInterfaceDescriptor;

typedef struct UsbDevice_* UsbDeviceHandle;
typedef struct UsbPipe_* UsbPipeHandle;
typedef struct UsbTransfer_* UsbTransferHandle;

// Called once when a transfer completes (done, failed or aborted), on
// whichever thread completed it. Returns nothing of interest.
typedef uint32_t (*UsbCompletionRoutine)(void* context);
// Called with USB_CLOSE_DEVICE when the device detaches; returns nonzero
// when the client handled the code.
typedef int32_t (*UsbNotifyRoutine)(void* context, uint32_t code, void* info);

// The function table a client receives at attach. Transfers are
// asynchronous: issue returns a handle at once (null on failure), the
// completion routine runs when it ends, and the client reads the outcome
// with get_transfer_status and frees the handle with close_transfer.
typedef struct UsbFunctions {
    uint32_t version;  // USB_FUNCTIONS_VERSION
    UsbPipeHandle (*open_pipe)(UsbDeviceHandle device, const UsbEndpointDescriptor* endpoint);
    int32_t (*close_pipe)(UsbPipeHandle pipe);
    // Aborts every transfer outstanding on the pipe (they end with 1223).
    int32_t (*abort_pipe_transfers)(UsbPipeHandle pipe, uint32_t flags);
    // Bulk and interrupt transfers: direction from `flags` (USB_IN_TRANSFER)
    // must match the pipe's endpoint. An IN transfer ends when `size` bytes
    // came or a short packet arrived; without USB_SHORT_TRANSFER_OK a short
    // IN transfer still completes with the bytes it got.
    UsbTransferHandle (*issue_bulk_transfer)(UsbPipeHandle pipe, UsbCompletionRoutine done,
                                             void* context, uint32_t flags, uint32_t size,
                                             void* buffer);
    UsbTransferHandle (*issue_interrupt_transfer)(UsbPipeHandle pipe, UsbCompletionRoutine done,
                                                  void* context, uint32_t flags, uint32_t size,
                                                  void* buffer);
    // Nonzero once the transfer has ended.
    int32_t (*is_transfer_complete)(UsbTransferHandle transfer);
    // Bytes moved and the transfer error (USB_TRANSFER_*); returns nonzero
    // when the transfer has ended.
    int32_t (*get_transfer_status)(UsbTransferHandle transfer, uint32_t* bytes, uint32_t* error);
    int32_t (*abort_transfer)(UsbTransferHandle transfer, uint32_t flags);
    // Frees the handle; an outstanding transfer is aborted first.
    int32_t (*close_transfer)(UsbTransferHandle transfer);
    int32_t (*register_notification_routine)(UsbDeviceHandle device, UsbNotifyRoutine routine,
                                             void* context);
    int32_t (*unregister_notification_routine)(UsbDeviceHandle device, UsbNotifyRoutine routine,
                                               void* context);
} UsbFunctions;

#define USB_FUNCTIONS_VERSION 1u

// Entry points of a client-driver library.
// USBInstallDriver(registry key of the client) -> nonzero on success.
typedef int32_t (*UsbInstallDriverFn)(const char16_t* client_key);
typedef int32_t (*UsbUnInstallDriverFn)(void);
// USBDeviceAttach: offered every attaching device; sets *accepted to 1 when
// the client claims it. Returns nonzero unless the attach failed.
typedef int32_t (*UsbDeviceAttachFn)(UsbDeviceHandle device, const UsbFunctions* functions,
                                     const UsbInterfaceDescriptor* interface_descriptor,
                                     const char16_t* driver_key, int32_t* accepted);

#ifdef __cplusplus
}
#endif

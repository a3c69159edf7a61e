// The exported entry points of the VornDSP library: the USB client-driver
// calls and the stream entries of "DSP1:".
#include "drivers/dsp/dsp_driver.h"
#include "platform/devices/stream_driver.h"
#include "platform/usb/usb_client.h"

extern "C" {

__attribute__((visibility("default"))) int32_t USBInstallDriver(const char16_t*) {
    return 1;
}

__attribute__((visibility("default"))) int32_t USBUnInstallDriver(void) {
    return 1;
}

__attribute__((visibility("default"))) int32_t USBDeviceAttach(
    UsbDeviceHandle device, const UsbFunctions* functions,
    const UsbInterfaceDescriptor* interface_descriptor, const char16_t*, int32_t* accepted) {
    if (accepted) *accepted = 0;
    if (!interface_descriptor || interface_descriptor->vendor_id != dsp::kBoardVendorId ||
        interface_descriptor->product_id != dsp::kBoardProductId)
        return 1;  // not our board: declined, not failed
    if (!dsp::DspDriver::instance().attach(device, functions, interface_descriptor)) return 0;
    if (accepted) *accepted = 1;
    return 1;
}

}  // extern "C"

STREAM_DRIVER_ENTRIES(DSP, dsp::DspDriver::instance())

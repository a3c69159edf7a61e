// The exported entry points of the VornDSP library: the USB client-driver
// calls and the stream entries of "DSP1:".
#include "drivers/dsp/dsp_driver.h"
#include "platform/devices/stream_driver.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/usb/usb_client.h"

STREAM_DRIVER_DECLARE(DSP)

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

StreamContext DSP_Init(const char16_t*, const void*) {
    return dsp::DspDriver::instance().init();
}

int32_t DSP_Deinit(StreamContext device) {
    return dsp::DspDriver::instance().deinit(device);
}

StreamContext DSP_Open(StreamContext device, uint32_t, uint32_t) {
    return dsp::DspDriver::instance().open(device);
}

int32_t DSP_Close(StreamContext open) {
    return dsp::DspDriver::instance().close(open);
}

uint32_t DSP_Read(StreamContext open, void* buffer, uint32_t size) {
    return dsp::DspDriver::instance().read(open, buffer, size);
}

uint32_t DSP_Write(StreamContext open, const void* buffer, uint32_t size) {
    return dsp::DspDriver::instance().write(open, buffer, size);
}

uint32_t DSP_Seek(StreamContext, int32_t, uint32_t) {
    plat::set_last_error(plat::ERROR_NOT_SUPPORTED);
    return STREAM_FAILED;
}

int32_t DSP_IOControl(StreamContext open, uint32_t code, const uint8_t* input, uint32_t input_size,
                      uint8_t* output, uint32_t output_size, uint32_t* bytes_returned) {
    return dsp::DspDriver::instance().io_control(open, code, input, input_size, output, output_size,
                                                 bytes_returned);
}

}  // extern "C"

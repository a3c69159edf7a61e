#include "drivers/dsp/packet_reader.h"

#include <cstring>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/usb/usb_client.h"

namespace dsp {

namespace {

PacketRead failed(uint32_t error) {
    PacketRead r;
    r.error = error ? error : uint32_t{USB_TRANSFER_STALL};
    r.status = error == USB_TRANSFER_CANCELLED ? STATUS_READ_CANCELLED
               : error == USB_TRANSFER_TIMEOUT ? STATUS_READ_TIMEOUT
                                               : STATUS_READ_FAILED;
    return r;
}

}  // namespace

PacketRead read_packet(uint8_t* packet, const TransferFn& transfer, bool stopping) {
    std::memset(packet, 0, sizeof(PacketHead));
    uint32_t error = 0;
    uint32_t received = transfer(packet, kFirstTransferSize, &error);
    if (error || received == 0) return failed(error);
    received = std::min<uint32_t>(received, kFirstTransferSize);

    // A packet longer than the first transfer comes in one more transfer,
    // unless the first one already ended short (then the packet ended there
    // and what follows belongs to the next packet).
    const uint16_t length = plat::get_le<uint16_t>(packet + 2);
    if (4u + length > kFirstTransferSize && received == kFirstTransferSize) {
        const auto rest = static_cast<uint32_t>(remainder_transfer_size(length));
        for (int attempt = 1;; ++attempt) {
            uint32_t n = transfer(packet + received, rest, &error);
            if (error == USB_TRANSFER_CANCELLED) return failed(error);
            if (!error && n > 0) {
                received += std::min(n, rest);
                break;
            }
            if (attempt >= 2 || stopping) {
                PacketRead r = failed(error);
                r.pause = true;
                return r;
            }
        }
    }
    PacketRead r;
    r.received = received;
    return r;
}

}  // namespace dsp

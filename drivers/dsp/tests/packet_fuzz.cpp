// Fuzz target: what a board may put on the bulk IN pipe, read as the driver
// reads it (first transfer, rounded remainder, transfer faults) and stored
// into the reply block under arbitrary acquisition settings, with fetches
// into buffers of arbitrary size in between. The packet buffer has exactly
// the driver's size and fetch buffers exactly the size given, so any write or
// read past them is caught.
#include <cstdint>
#include <cstring>
#include <vector>

#include "drivers/dsp/packet_reader.h"
#include "drivers/dsp/shared_block.h"
#include "platform/usb/usb_client.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    const uint8_t* take(size_t n) {
        if (size - pos < n) return nullptr;
        const uint8_t* p = data + pos;
        pos += n;
        return p;
    }
    uint16_t u16() {
        const uint8_t* p = take(2);
        return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> memory(dsp::kSharedBlockSize);
    static std::vector<uint8_t> packet(dsp::kPacketBufferSize);
    dsp::SharedBlock block(memory.data());
    block.clear_head();
    block.reset();
    dsp::AssemblyState state;
    Input in{data, size};

    // A transfer takes {selector, length, bytes} from the input: a fault, or
    // up to `size` of the bytes.
    auto transfer = [&](uint8_t* buffer, uint32_t room, uint32_t* error) -> uint32_t {
        const uint8_t* sel = in.take(1);
        if (!sel) {
            *error = USB_TRANSFER_CANCELLED;
            return 0;
        }
        static const uint32_t faults[] = {USB_TRANSFER_TIMEOUT, USB_TRANSFER_CANCELLED,
                                          USB_TRANSFER_STALL};
        if (*sel < 3) {
            *error = faults[*sel];
            return 0;
        }
        *error = 0;
        const size_t n = std::min<size_t>({in.u16(), room, in.size - in.pos});
        std::memcpy(buffer, in.take(n), n);
        return static_cast<uint32_t>(n);
    };

    while (const uint8_t* op = in.take(1)) {
        switch (*op % 6) {
            case 0: {  // a packet from the pipe, stored while acquiring
                dsp::PacketRead r = dsp::read_packet(packet.data(), transfer, *op & 0x80);
                if (r.status)
                    block.store_status(r.status);
                else
                    block.store_packet(packet.data(), r.received, state);
                break;
            }
            case 1: {  // a packet from the pipe taken as a stop echo
                dsp::PacketRead r = dsp::read_packet(packet.data(), transfer, false);
                if (!r.status) block.store_echo(packet.data(), r.received);
                break;
            }
            case 2: {  // a fetch into a buffer of the given size
                const uint32_t out_size = std::min<uint32_t>(in.u16() * 2u, dsp::kFetchBufferSize);
                std::vector<uint8_t> buffer(out_size);
                uint32_t returned = 0, error = 0;
                if (block.fetch(out_size ? buffer.data() : nullptr, out_size, &returned, &error) &&
                    returned > out_size)
                    __builtin_trap();
                break;
            }
            case 3:
                state.expected = in.u16();
                break;
            case 4: {
                state.last_message_id = in.u16();
                state.reply_class = state.last_message_id & dsp::kClassMask;
                break;
            }
            case 5:
                block.reset();
                break;
        }
    }
    return 0;
}

#pragma once
// Reading one board packet from the bulk IN pipe: the first transfer of up
// to 64 bytes and, for a longer packet, one rounded remainder transfer
// (retried once). Transport-free so that any sequence of transfer outcomes
// can be fed to it.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace dsp {

// One transfer into `buffer` of at most `size` bytes; returns the bytes
// moved and sets `*error` (0 or a transfer error).
using TransferFn = std::function<uint32_t(uint8_t* buffer, uint32_t size, uint32_t* error)>;

struct PacketRead {
    size_t received = 0;  // bytes of the packet in the buffer
    uint16_t status = 0;  // status block to store instead (0: a packet came)
    uint32_t error = 0;   // transfer error behind the status
    bool pause = false;   // the remainder failed: wait before reading on
};

// `packet` holds kPacketBufferSize bytes. `stopping` gives up on a failed
// remainder at once.
PacketRead read_packet(uint8_t* packet, const TransferFn& transfer, bool stopping);

}  // namespace dsp

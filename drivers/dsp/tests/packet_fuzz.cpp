// Fuzz target: arbitrary sequences of board packets stored into the reply
// block under arbitrary acquisition settings, with fetches into buffers of
// arbitrary size in between. Each packet lies in a heap buffer of exactly
// the bytes "received", so any read past them is caught.
#include <cstdint>
#include <cstring>
#include <vector>

#include "drivers/dsp/shared_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> memory(dsp::kSharedBlockSize);
    static std::vector<uint8_t> out(dsp::kFetchBufferSize);
    dsp::SharedBlock block(memory.data());
    block.clear_head();
    block.reset();
    dsp::AssemblyState state;
    size_t pos = 0;
    auto take = [&](size_t n) -> const uint8_t* {
        if (size - pos < n) return nullptr;
        const uint8_t* p = data + pos;
        pos += n;
        return p;
    };
    while (const uint8_t* op = take(3)) {
        const uint16_t arg = static_cast<uint16_t>(op[1] | (op[2] << 8));
        switch (op[0] % 6) {
        case 0: {  // a packet of `arg` bytes as received
            const size_t n = std::min<size_t>(arg % (dsp::kPacketBufferSize + 1), size - pos);
            std::vector<uint8_t> packet(data + pos, data + pos + n);
            pos += n;
            if (packet.size() < 4) packet.resize(4);  // the driver clears the head first
            block.store_packet(packet.data(), n, state);
            break;
        }
        case 1: {  // a fetch into a buffer of `arg` * 2 bytes
            const uint32_t out_size = std::min<uint32_t>(arg * 2u, dsp::kFetchBufferSize);
            std::vector<uint8_t> buffer(out_size);
            uint32_t returned = 0, error = 0;
            if (block.fetch(out_size ? buffer.data() : nullptr, out_size, &returned, &error) &&
                returned > out_size)
                __builtin_trap();
            break;
        }
        case 2: state.expected = arg; break;
        case 3:
            state.last_message_id = arg;
            state.reply_class = arg & dsp::kClassMask;
            break;
        case 4: block.reset(); break;
        case 5: {  // a stop echo of `arg % 128` bytes
            const size_t n = std::min<size_t>(arg % 128, size - pos);
            std::vector<uint8_t> packet(data + pos, data + pos + n);
            pos += n;
            if (packet.size() < 4) packet.resize(4);
            block.store_echo(packet.data(), n);
            break;
        }
        }
    }
    return 0;
}

#pragma once
// DSP messages to the acquisition board and the checks on the reply blocks
// the board sends back: classes, control codes, payload sizes, which
// messages need the stop handshake, and the reply header test.
#include <cstdint>

#include "drivers/dsp/dsp_protocol.h"

namespace dspmsg {

inline constexpr uint32_t kMaxPayload = dsp::kTableMessagePayload;    // the largest message
inline constexpr uint32_t kReceiveBlockSize = dsp::kFetchBufferSize;  // header + data
inline constexpr uint16_t kEchoId = dsp::LOW_ECHO;                    // the board's echo of a stop
inline constexpr uint16_t kFirstInvalidHeaderId = 160;

inline constexpr uint16_t ClassOf(uint16_t id) {
    return id & dsp::kClassMask;
}
inline constexpr uint8_t LowByte(uint16_t id) {
    return dsp::message_number(id);
}

// The control code that carries a message of this id's class; 0 for a class
// that has none.
uint32_t ControlCodeFor(uint16_t id);
// Bytes of payload that follow the head of a message with this id.
inline uint32_t PayloadSize(uint16_t id) {
    return dsp::message_payload_size(id);
}
// A message that starts streaming is preceded by a stop; these need none.
inline bool NeedsStop(uint16_t id) {
    return dsp::message_needs_stop(id);
}
// Messages whose send the measurement is told of.
inline bool NotifiesSent(uint16_t id) {
    return dsp::message_notifies_sent(id);
}

// The reply header test: a valid id has no bit of 0x0F00 and is class
// 0x2000 with low byte 1..36, class 0x3000 with low byte 1..11, or either
// class with low byte 0x60.
bool IsValidReplyId(uint16_t id);

// The message as the driver takes it: control code and length (payload + 4)
// in front of the message head and payload.
struct PendingRecord {
    uint32_t code = 0;
    uint32_t length = 0;
    uint16_t id = 0;
    uint16_t argument = 0;
    uint8_t payload[kMaxPayload] = {};

    // The bytes handed to the driver: id, argument, payload.
    const void* Message() const { return &id; }
};

// The header words of a fetched block.
struct ReplyHeader {
    uint16_t id = 0;
    uint16_t length = 0;
    uint16_t index = 0;
    uint16_t count = 0;
};
ReplyHeader ReadHeader(const uint8_t* block);

}  // namespace dspmsg

#pragma once
// The acquisition board's protocol as the "DSP1:" driver, its clients and the
// simulated board all see it: the board's USB interface, command and data
// packets, the driver's I/O control codes, the shared block the driver
// assembles replies in and the named objects around it. Header only, no
// dependencies beyond the standard library.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace dsp {

// ---- Names -----------------------------------------------------------------
inline constexpr char16_t kDeviceName[] = u"DSP1:";
inline constexpr char16_t kDevicePrefix[] = u"DSP";
inline constexpr char kDriverEventName[] = "DSPDriverEvent";  // manual reset
inline constexpr char kMemoryMutexName[] = "DSPMemoryMutex";
inline constexpr char kFileMappingName[] = "DSPFileMapping";
// Registry key the driver activates "DSP1:" from when a board attaches.
inline constexpr char16_t kClientDriverKey[] = u"Drivers\\USB\\ClientDrivers\\VornDSP";
inline constexpr char16_t kDriverName[] = u"VornDSP";
inline constexpr char16_t kDriverLibrary[] = u"VornDSP.dll";
inline constexpr char kVersionText[] = "\r\nDSP USB Driver Version 0.69 05/24/06 Retail\r\n";
inline constexpr uint16_t kDriverVersion = 69;
// Device and open context of every stream call.
inline constexpr uintptr_t kContext = 0xCAFE;

// ---- The board on the bus --------------------------------------------------
inline constexpr uint16_t kBoardVendorId = 0xC5E1;  // ids the board reports (our own)
inline constexpr uint16_t kBoardProductId = 0xD5B1;
inline constexpr uint8_t kInterruptInEndpoint = 0x81;
inline constexpr uint8_t kInterruptOutEndpoint = 0x01;
inline constexpr uint8_t kBulkInEndpoint = 0x82;
inline constexpr uint8_t kBulkOutEndpoint = 0x02;
inline constexpr uint16_t kMaxPacketSize = 64;

// ---- I/O control codes of "DSP1:" ------------------------------------------
inline constexpr uint32_t IOCTL_DSP_POWER_STOP = 0x010303FF;
inline constexpr uint32_t IOCTL_DSP_DRIVER_INFO = 0xDEAD0001;  // out DriverInfo (12)
inline constexpr uint32_t IOCTL_DSP_VERSION = 0xDEAD0002;      // out 36
inline constexpr uint32_t IOCTL_DSP_STATUS = 0xDEAD0003;       // out 8
inline constexpr uint32_t IOCTL_DSP_LOAD_DSP = 0xDEAD0004;     // in path (UTF-16, bytes)
inline constexpr uint32_t IOCTL_DSP_LOAD_FPGA = 0xDEAD0005;    // in path
inline constexpr uint32_t IOCTL_DSP_COMMAND5 = 0xDEAD0006;
inline constexpr uint32_t IOCTL_DSP_COMMAND6 = 0xDEAD0007;  // out >= 4
inline constexpr uint32_t IOCTL_DSP_COMMAND7 = 0xDEAD0008;  // out >= 4
inline constexpr uint32_t IOCTL_DSP_STOP = 0xDEAD0009;
inline constexpr uint32_t IOCTL_DSP_START_OTHER = 0xDEAD000A;     // reply class 0x1000
inline constexpr uint32_t IOCTL_DSP_START_SPECTRUM = 0xDEAD000B;  // reply class 0x3000
inline constexpr uint32_t IOCTL_DSP_START_VNA = 0xDEAD000C;       // reply class 0x2000
inline constexpr uint32_t IOCTL_DSP_COMMAND9 = 0xDEAD000D;        // in >= 16
inline constexpr uint32_t IOCTL_DSP_ERROR_STATUS = 0xDEAD000E;    // out 8
inline constexpr uint32_t IOCTL_DSP_RUN = 0xDEAD000F;             // in u16 id (>= 4)
inline constexpr uint32_t IOCTL_DSP_READ_BLOCK = 0xDEAD0010;      // out <= 90,128
inline constexpr uint32_t IOCTL_DSP_START_4000 = 0xDEAD0011;      // not supported
inline constexpr uint32_t IOCTL_DSP_0012 = 0xDEAD0012;            // not supported
inline constexpr uint32_t IOCTL_DSP_COMMAND10 = 0xDEAD0013;       // in >= 192
inline constexpr uint32_t IOCTL_DSP_CALIBRATION = 0xDEAD0014;     // in >= 1,020
inline constexpr uint32_t IOCTL_DSP_UPLOAD_TABLE = 0xDEAD0017;    // in table
inline constexpr uint32_t IOCTL_DSP_COMMAND43 = 0xDEAD0018;       // out 8

// ---- Board commands (u16 command of a command packet) ----------------------
inline constexpr uint16_t CMD_VERSION = 1;
inline constexpr uint16_t CMD_LOAD_DSP = 2;
inline constexpr uint16_t CMD_LOAD_FPGA = 3;
inline constexpr uint16_t CMD_STATUS = 4;
inline constexpr uint16_t CMD_5 = 5;
inline constexpr uint16_t CMD_6 = 6;
inline constexpr uint16_t CMD_7 = 7;
inline constexpr uint16_t CMD_9 = 9;
inline constexpr uint16_t CMD_10 = 10;
inline constexpr uint16_t CMD_CALIBRATION = 11;
inline constexpr uint16_t CMD_STOP = 0x41;  // echoed by a data packet of low byte 0x41
inline constexpr uint16_t CMD_ERROR_STATUS = 0x42;
inline constexpr uint16_t CMD_43 = 0x43;
inline constexpr uint16_t CMD_VNA_END = 0x2023;  // sent by the power stop after a VNA message

// ---- Classes and block types -----------------------------------------------
inline constexpr uint16_t kClassMask = 0xF000;
inline constexpr uint16_t kSubMask = 0x0F00;  // bits 8-11
inline constexpr uint16_t CLASS_STATUS = 0x0000;
inline constexpr uint16_t CLASS_OTHER = 0x1000;
inline constexpr uint16_t CLASS_VNA = 0x2000;
inline constexpr uint16_t CLASS_SPECTRUM = 0x3000;
inline constexpr uint16_t CLASS_4000 = 0x4000;
inline constexpr uint8_t LOW_ECHO = 0x41;  // stop echo
inline constexpr uint8_t LOW_RUN = 0x60;   // run state / status reply

inline constexpr uint16_t STATUS_READ_FAILED = 144;     // 0x90
inline constexpr uint16_t STATUS_READ_TIMEOUT = 145;    // 0x91
inline constexpr uint16_t STATUS_READ_CANCELLED = 146;  // 0x92
inline constexpr uint16_t STATUS_UNEXPECTED = 147;      // 0x93
inline constexpr uint16_t STATUS_BAD_SPECTRUM = 148;    // 0x94
inline constexpr uint16_t STATUS_BAD_VNA = 149;         // 0x95
inline constexpr uint16_t STATUS_BAD_STATUS = 150;      // 0x96
inline constexpr uint16_t STATUS_BAD_CLASS = 151;       // 0x97
inline constexpr uint16_t STATUS_WRONG_CLASS = 152;     // 0x98

// ---- Packets (little-endian) -----------------------------------------------
// Command packet on the bulk OUT pipe: head + payload.
struct CommandHead {
    uint16_t command;
    uint16_t length;  // payload bytes
};
// Reply to a command, read from the bulk IN pipe (at most 64 bytes).
struct ReplyHead {
    uint16_t echo;
    uint16_t length;  // data bytes behind the head
};
// Data packet from the board: 4 + length bytes in all.
struct PacketHead {
    uint16_t type;
    uint16_t length;
};
// Large blocks (spectrum 1, 7, 9; network analyzer 1-4, 10, 12, 14, 16, 33)
// carry start index and count behind the head, then the data.
struct LargePacketHead {
    uint16_t type;
    uint16_t length;
    uint16_t start;
    uint16_t count;
};
static_assert(sizeof(CommandHead) == 4 && sizeof(ReplyHead) == 4 && sizeof(PacketHead) == 4 &&
              sizeof(LargePacketHead) == 8);

inline constexpr size_t kCommandBufferSize = 1024;
inline constexpr size_t kMaxCommandPayload = kCommandBufferSize - sizeof(CommandHead);  // 1,020
inline constexpr size_t kReplyBufferSize = 64;
inline constexpr size_t kFirstTransferSize = 64;
inline constexpr size_t kPacketBufferSize = 90129;
inline constexpr size_t kDownloadChunk = 1012;  // file bytes per download command
inline constexpr size_t kTableEntriesPerPacket = 126;
inline constexpr size_t kTablePayloadSize = 1016;  // 8 + 126 x 8

// Bytes of the transfer that follows the first 64 of a packet of payload
// length L: 64 x (ceil((4 + L) / 64) - 1); 0 when the packet fits in 64.
constexpr size_t remainder_transfer_size(uint16_t payload_length) {
    size_t total = 4u + payload_length;
    size_t packets = (total + 63) / 64;
    return packets > 1 ? 64 * (packets - 1) : 0;
}

// 16-bit sum of bytes, the checksum of download chunks and table entries.
inline uint16_t checksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum += data[i];
    return static_cast<uint16_t>(sum);
}

// ---- Records returned by I/O controls ---------------------------------------
struct DriverInfo {  // 0xDEAD0001
    uint16_t version;
    uint16_t zero;
    uint32_t acquisition_state;
    uint32_t transfer_status;
};
static_assert(sizeof(DriverInfo) == 12);

// 0xDEAD0002 reply (36 bytes, as the board sends it).
inline constexpr size_t kVersionInfoSize = 36;
inline constexpr size_t kVersionWordsOffset = 4;  // two u16 version words
inline constexpr size_t kDspDateOffset = 12;      // 6 characters
inline constexpr size_t kFpgaDateOffset = 18;     // 6 characters
inline constexpr size_t kSerialOffset = 24;       // 8 characters

// Head of a fetched block (0xDEAD0010).
struct BlockHeader {
    uint16_t type;
    uint16_t length;  // payload length of the last packet
    uint16_t next;    // start index + count of the last packet
    uint16_t count;   // 32-bit words - 1 (large and small), samples - 1 (sample block)
};
static_assert(sizeof(BlockHeader) == 8);
inline constexpr size_t kFetchBufferSize = 90128;  // 8 + 90,120
// A fetch returns sizeof(BlockHeader) + data bytes; 0 means nothing new.

// ---- "DSPFileMapping" ---------------------------------------------------------
inline constexpr size_t kSharedBlockSize = 181116;
namespace shared {
inline constexpr size_t kConsumed = 0;        // u32: 1 fetched / nothing waiting
inline constexpr size_t kComplete = 4;        // u32
inline constexpr size_t kPacketBytes = 8;     // u32
inline constexpr size_t kLargeLength = 208;   // u32: 4 + data bytes in the large block
inline constexpr size_t kSmallLength = 212;   // u32: 4 + data bytes in the small area
inline constexpr size_t kSampleLength = 216;  // u32: 2 x samples
inline constexpr size_t kType = 220;          // u16
inline constexpr size_t kLength = 222;        // u16
inline constexpr size_t kStart = 420;         // u16
inline constexpr size_t kCount = 422;         // u16
inline constexpr size_t kAreaA = 620;
inline constexpr size_t kAreaB = 90740;
inline constexpr size_t kSmallArea = 180860;
inline constexpr size_t kAreaSize = 90120;
inline constexpr size_t kSmallAreaSize = 256;
inline constexpr size_t kHeadWords = 50;  // zeroed at attach from kPacketBytes
}  // namespace shared
static_assert(shared::kSmallArea + shared::kSmallAreaSize == kSharedBlockSize);
inline constexpr size_t kMaxSmallBlock = 260;  // packet bytes of a small block
inline constexpr size_t kStatusBlockSize = 64;
inline constexpr uint32_t kAreaWords = 22530;  // 32-bit words in an area
inline constexpr uint32_t kAreaItems = 11265;  // 8-byte items in an area
inline constexpr uint32_t kSampleCapacity = 20000;

// ---- Messages (0xDEAD000A/B/C input: u16 id, u16 argument, payload) ---------
struct MessageHead {
    uint16_t id;
    uint16_t argument;
};
static_assert(sizeof(MessageHead) == 4);

// Minimum input size (head included) of a start message; empty when the id is
// refused.
constexpr std::optional<uint32_t> message_min_size(uint16_t id) {
    const uint16_t cls = id & kClassMask;
    const uint16_t low = id & 0xFF;
    if (id == 0x0060) return 4;
    if (cls == CLASS_VNA) {
        switch (low) {
            case 1:
            case 2:
            case 3:
                return 36;
            case 4:
                return 60;
            case 5:
            case 6:
            case 7:
            case 8:
            case 19:
            case 21:
            case 25:
                return 28;
            case 11:
            case 13:
            case 15:
            case 17:
            case 34:
                return 1020;
            case 22:
                return 8;
            case 9:
            case 10:
            case 12:
            case 14:
            case 16:
            case 18:
            case 20:
            case 23:
            case 24:
            case 32:
            case 33:
            case 35:
                return 4;
            default:
                return std::nullopt;
        }
    }
    if (cls == CLASS_SPECTRUM) {
        switch (low) {
            case 1:
                return 44;
            case 2:
            case 3:
            case 9:
            case 10:
                return 52;
            case 4:
            case 7:
                return 68;
            case 5:
            case 11:
                return 60;
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

// The driver's test of a block type (bits 8-11 ignored).
constexpr bool is_valid_block_type(uint16_t type) {
    const uint16_t cls = type & kClassMask;
    const uint8_t low = type & 0xFF;
    switch (cls) {
        case CLASS_STATUS:
            return (low >= 0x40 && low <= 0x44) || low == LOW_RUN || (low >= 0x90 && low <= 0x98);
        case CLASS_OTHER:
            return true;
        case CLASS_VNA:
            return (low >= 1 && low <= 36) || low == LOW_ECHO || low == LOW_RUN;
        case CLASS_SPECTRUM:
            return (low >= 1 && low <= 11) || low == LOW_ECHO || low == LOW_RUN;
        default:
            return false;
    }
}

// Block types whose packets carry start index and count.
constexpr bool is_large_block_type(uint16_t type) {
    if (type & kSubMask) return false;
    const uint16_t cls = type & kClassMask;
    const uint8_t low = type & 0xFF;
    if (cls == CLASS_SPECTRUM) return low == 1 || low == 7 || low == 9;
    if (cls == CLASS_VNA)
        return (low >= 1 && low <= 4) || low == 10 || low == 12 || low == 14 || low == 16 ||
               low == 33;
    return false;
}

// Little-endian field access in byte buffers.
inline uint16_t get_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t get_u32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void put_u16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put_u32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace dsp

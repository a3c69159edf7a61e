#pragma once
// The acquisition board's protocol as the "DSP1:" driver, its clients and the
// simulated board all see it: the board's USB interface, command and data
// packets, the driver's I/O control codes, the shared block the driver
// assembles replies in and the named objects around it. Header only, no
// dependencies beyond the standard library and the platform's byte-order
// helper.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/byte_order.h"

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
// Smallest buffers of the I/O controls above.
inline constexpr uint32_t kStatusRecordSize = 8;  // 0xDEAD0003, 000E, 0018 out
inline constexpr uint32_t kWordReplySize = 4;     // 0xDEAD0007, 0008 out
inline constexpr uint32_t kRunMinInput = 4;       // 0xDEAD000F in
inline constexpr uint32_t kCommand9MinInput = 16;
inline constexpr uint32_t kCommand10MinInput = 192;
inline constexpr uint32_t kCalibrationMinInput = 1020;

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
// Message numbers of the two measuring classes run from 1 to these.
inline constexpr uint8_t kLastSpectrumNumber = 11;
inline constexpr uint8_t kLastVnaNumber = 36;
inline constexpr uint8_t LOW_RUN = 0x60;  // run state / status reply

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
inline constexpr size_t kTableEntryBytes = 8;      // bytes of one table entry
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
inline constexpr size_t kVersionWordsOffset = 4;   // two u16 version words
inline constexpr size_t kDspDateOffset = 12;       // 6 characters
inline constexpr size_t kFpgaDateOffset = 18;      // 6 characters
inline constexpr size_t kSerialOffset = 24;        // 8 characters
inline constexpr uint16_t kVersionOptionFlag = 4;  // in version word 1: the option is fitted
// 0xDEAD0003 reply: u32 flags, u16 supply (0.1 V), u16 temperature (deg C).
inline constexpr uint32_t kStatusSupplyAlarm = 8;  // flag: supply low
inline constexpr size_t kStatusSupplyOffset = 4;
inline constexpr size_t kStatusTemperatureOffset = 6;

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
// A sample block is offered once more than this many 16-bit slots have come.
inline constexpr uint32_t kSampleBlockThreshold = kSampleCapacity / 2;
inline constexpr uint32_t kMaxSpectrumPoints = 705;  // points of a spectrum trace

// ---- Messages (0xDEAD000A/B/C input: u16 id, u16 argument, payload) ---------
struct MessageHead {
    uint16_t id;
    uint16_t argument;
};
static_assert(sizeof(MessageHead) == 4);

inline constexpr uint16_t kLowMask = 0x00FF;  // the message number of an id
constexpr uint8_t message_number(uint16_t id) {
    return static_cast<uint8_t>(id & kLowMask);
}
// The board command that starts the acquisition of a class without a
// message (0xDEAD000F): the class with the low byte 0x40.
inline constexpr uint8_t LOW_RUN_COMMAND = 0x40;
constexpr uint16_t run_command(uint16_t id) {
    return static_cast<uint16_t>((id & kClassMask) | LOW_RUN_COMMAND);
}

// Message ids. Senders: the spectrum and network-analyzer measurements and
// the screens through them; ids without a sender are named by number.
namespace msg {
inline constexpr uint16_t kRunState = CLASS_STATUS | LOW_RUN;  // 0x0060
// Spectrum analyzer (reply class 0x3000).
inline constexpr uint16_t kSweep = 0x3001;
inline constexpr uint16_t kOccupiedBandwidth = 0x3002;
inline constexpr uint16_t kChannelPower = 0x3003;
inline constexpr uint16_t kAdjacentChannelPower = 0x3004;
inline constexpr uint16_t kSpectrum05 = 0x3005;
inline constexpr uint16_t kSpectrum06 = 0x3006;
inline constexpr uint16_t kDemodulationAudio = 0x3007;
inline constexpr uint16_t kSpectrum08 = 0x3008;
inline constexpr uint16_t kZeroSpan = 0x3009;
inline constexpr uint16_t kSpectrum0A = 0x300A;
inline constexpr uint16_t kCounterMarkers = 0x300B;
// Network analyzer (reply class 0x2000).
inline constexpr uint16_t kReflectionSweep = 0x2001;
inline constexpr uint16_t kTransmissionSweep = 0x2002;
inline constexpr uint16_t kVna03 = 0x2003;
inline constexpr uint16_t kDistanceToFault = 0x2004;
inline constexpr uint16_t kMeasureOpen = 0x2005;
inline constexpr uint16_t kMeasureShort = 0x2006;
inline constexpr uint16_t kMeasureLoad = 0x2007;
inline constexpr uint16_t kMeasureThrough = 0x2008;
inline constexpr uint16_t kSolveOnePort = 0x2009;
inline constexpr uint16_t kFetchReflectionTracking = 0x200A;
inline constexpr uint16_t kStoreReflectionTracking = 0x200B;
inline constexpr uint16_t kFetchSourceMatch = 0x200C;
inline constexpr uint16_t kStoreSourceMatch = 0x200D;
inline constexpr uint16_t kFetchDirectivity = 0x200E;
inline constexpr uint16_t kStoreDirectivity = 0x200F;
inline constexpr uint16_t kFetchTransmissionTracking = 0x2010;
inline constexpr uint16_t kStoreTransmissionTracking = 0x2011;
inline constexpr uint16_t kVna12 = 0x2012;
inline constexpr uint16_t kVna13 = 0x2013;
inline constexpr uint16_t kVna14 = 0x2014;
inline constexpr uint16_t kVna15 = 0x2015;
inline constexpr uint16_t kOption = 0x2016;       // bias on or off
inline constexpr uint16_t kBiasCurrent = 0x2017;  // query
inline constexpr uint16_t kSolveTwoPort = 0x2018;
inline constexpr uint16_t kMeasureIsolation = 0x2019;
inline constexpr uint16_t kSolveTwoPortAgain = 0x2020;
inline constexpr uint16_t kFetchIsolation = 0x2021;
inline constexpr uint16_t kStoreIsolation = 0x2022;
inline constexpr uint16_t kVnaEnd = CMD_VNA_END;  // 0x2023
inline constexpr uint16_t kStartOnly = 0x2024;
}  // namespace msg

// Handling flags of a message.
enum MessageFlags : uint8_t {
    // A query: goes out at once, with no stop before it (the driver sends it
    // even while busy, the link waits for no echo).
    kQuery = 1,
    // The measurement is not told that the message went out.
    kNoNotice = 2,
    // The driver only starts the acquisition and sends nothing.
    kStartOnly = 4,
    // A term table the board stores: the link sends it as a table upload.
    kTableStore = 8,
};

// One message on the wire. `payload` is what the link sends behind the head;
// `driver_min` is the smallest input (head included) the driver takes, 0 when
// it refuses the id. A table store carries a full table in the link's record
// and the driver takes it from one table packet on.
struct MessageInfo {
    uint16_t id;
    uint32_t payload;
    uint32_t driver_min;
    uint8_t flags;
};

inline constexpr uint32_t kTableMessagePayload = 90120;  // a whole calibration table
namespace detail {
constexpr MessageInfo sized(uint16_t id, uint32_t payload, uint8_t flags = 0) {
    return {id, payload, static_cast<uint32_t>(sizeof(MessageHead)) + payload, flags};
}
constexpr MessageInfo table(uint16_t id) {
    return {id, kTableMessagePayload,
            static_cast<uint32_t>(sizeof(MessageHead) + kTablePayloadSize), kTableStore};
}
// Known to the link, refused by the driver.
constexpr MessageInfo refused(uint16_t id, uint32_t payload = 0, uint8_t flags = 0) {
    return {id, payload, 0, flags};
}
}  // namespace detail

// Every id of the status, spectrum (low bytes 1-11) and network-analyzer
// (low bytes 1-36) classes. Ids not listed have no payload, are refused by the
// driver, are preceded by a stop and are noticed; classes 0x1000 and 0x4000
// have no payload, no stop and no notice.
inline constexpr MessageInfo kMessages[] = {
    detail::sized(msg::kRunState, 0),
    detail::sized(msg::kSweep, 40),
    detail::sized(msg::kOccupiedBandwidth, 48),
    detail::sized(msg::kChannelPower, 48),
    detail::sized(msg::kAdjacentChannelPower, 64),
    detail::sized(msg::kSpectrum05, 56),
    detail::refused(msg::kSpectrum06, 56),
    detail::sized(msg::kDemodulationAudio, 64, kNoNotice),
    detail::refused(msg::kSpectrum08, 40),
    detail::sized(msg::kZeroSpan, 48),
    detail::sized(msg::kSpectrum0A, 48),
    detail::sized(msg::kCounterMarkers, 56, kQuery | kNoNotice),
    detail::sized(msg::kReflectionSweep, 32),
    detail::sized(msg::kTransmissionSweep, 32),
    detail::sized(msg::kVna03, 32),
    detail::sized(msg::kDistanceToFault, 56),
    detail::sized(msg::kMeasureOpen, 24),
    detail::sized(msg::kMeasureShort, 24),
    detail::sized(msg::kMeasureLoad, 24),
    detail::sized(msg::kMeasureThrough, 24),
    detail::sized(msg::kSolveOnePort, 0),
    detail::sized(msg::kFetchReflectionTracking, 0),
    detail::table(msg::kStoreReflectionTracking),
    detail::sized(msg::kFetchSourceMatch, 0),
    detail::table(msg::kStoreSourceMatch),
    detail::sized(msg::kFetchDirectivity, 0),
    detail::table(msg::kStoreDirectivity),
    detail::sized(msg::kFetchTransmissionTracking, 0),
    detail::table(msg::kStoreTransmissionTracking),
    detail::sized(msg::kVna12, 0),
    detail::sized(msg::kVna13, 24),
    detail::sized(msg::kVna14, 0),
    detail::sized(msg::kVna15, 24),
    detail::sized(msg::kOption, 4, kQuery | kNoNotice),
    detail::sized(msg::kBiasCurrent, 0, kQuery | kNoNotice),
    detail::sized(msg::kSolveTwoPort, 0),
    detail::sized(msg::kMeasureIsolation, 24),
    detail::refused(0x201A),
    detail::refused(0x201B),
    detail::refused(0x201C),
    detail::refused(0x201D),
    detail::refused(0x201E),
    detail::refused(0x201F),
    detail::sized(msg::kSolveTwoPortAgain, 0),
    detail::sized(msg::kFetchIsolation, 0),
    detail::table(msg::kStoreIsolation),
    detail::sized(msg::kVnaEnd, 0, kNoNotice),
    detail::refused(msg::kStartOnly, 0, kStartOnly | kNoNotice),
};

// The entry of an id; an id the table does not list has no payload, is
// refused by the driver and has no flags. Spectrum and network-analyzer ids
// are known by class and number (bits 8-11 ignored).
constexpr MessageInfo message_info(uint16_t id) {
    const uint16_t cls = id & kClassMask;
    const uint16_t key =
        (cls == CLASS_SPECTRUM || cls == CLASS_VNA) ? static_cast<uint16_t>(id & ~kSubMask) : id;
    for (const MessageInfo& m : kMessages)
        if (m.id == key) return m;
    return {id, 0, 0, 0};
}

// Bytes of payload the link sends behind the head of this id.
constexpr uint32_t message_payload_size(uint16_t id) {
    return message_info(id).payload;
}

// Minimum input size (head included) of a start message; empty when the
// driver refuses the id.
constexpr std::optional<uint32_t> message_min_size(uint16_t id) {
    const uint32_t minimum = message_info(id).driver_min;
    if (minimum == 0) return std::nullopt;
    return minimum;
}

// Classes whose messages need no stop and are never noticed.
constexpr bool is_unsequenced_class(uint16_t id) {
    const uint16_t cls = id & kClassMask;
    return cls == CLASS_OTHER || cls == CLASS_4000;
}

constexpr bool message_has_flag(uint16_t id, uint8_t flag) {
    return (message_info(id).flags & flag) != 0;
}

// Whether the link stops the board and waits for the echo before sending.
constexpr bool message_needs_stop(uint16_t id) {
    return !is_unsequenced_class(id) && !message_has_flag(id, kQuery);
}

// Whether the measurement is told that the message went out.
constexpr bool message_notifies_sent(uint16_t id) {
    return !is_unsequenced_class(id) && !((id & kSubMask) == 0 && message_has_flag(id, kNoNotice));
}

// The driver's test of a block type (bits 8-11 ignored).
constexpr bool is_valid_block_type(uint16_t type) {
    const uint16_t cls = type & kClassMask;
    const uint8_t low = message_number(type);
    switch (cls) {
        case CLASS_STATUS:
            return (low >= 0x40 && low <= 0x44) || low == LOW_RUN || (low >= 0x90 && low <= 0x98);
        case CLASS_OTHER:
            return true;
        case CLASS_VNA:
            return (low >= 1 && low <= kLastVnaNumber) || low == LOW_ECHO || low == LOW_RUN;
        case CLASS_SPECTRUM:
            return (low >= 1 && low <= kLastSpectrumNumber) || low == LOW_ECHO || low == LOW_RUN;
        default:
            return false;
    }
}

// Block types whose packets carry start index and count.
constexpr bool is_large_block_type(uint16_t type) {
    if (type & kSubMask) return false;
    const uint16_t cls = type & kClassMask;
    const uint8_t low = message_number(type);
    if (cls == CLASS_SPECTRUM) return low == 1 || low == 7 || low == 9;
    if (cls == CLASS_VNA)
        return (low >= 1 && low <= 4) || low == 10 || low == 12 || low == 14 || low == 16 ||
               low == 33;
    return false;
}

}  // namespace dsp

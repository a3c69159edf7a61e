#include "drivers/dsp/shared_block.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel/errors.h"

namespace dsp {

namespace {

constexpr uint32_t ERROR_INVALID_BLOCK = 1002;

// The start index, count and data of a large packet, once they are known to
// lie inside the bytes received, inside the packet's own length and inside
// the target area.
struct LargePart {
    uint16_t start = 0;
    uint16_t count = 0;
    const uint8_t* data = nullptr;
};

bool parse_large(const uint8_t* packet, size_t received, size_t unit, uint32_t capacity,
                 LargePart& part) {
    if (received < sizeof(LargePacketHead)) return false;
    const uint16_t length = plat::get_le<uint16_t>(packet + 2);
    part.start = plat::get_le<uint16_t>(packet + 4);
    part.count = plat::get_le<uint16_t>(packet + 6);
    part.data = packet + sizeof(LargePacketHead);
    const size_t bytes = size_t{part.count} * unit;
    if (length < 4 || bytes > length - 4u) return false;
    if (bytes > received - sizeof(LargePacketHead)) return false;
    return uint32_t{part.start} + part.count <= capacity;
}

uint32_t packet_bytes(const uint8_t* packet, size_t received) {
    if (received < sizeof(PacketHead)) return static_cast<uint32_t>(received);
    return static_cast<uint32_t>(
        std::min<size_t>(4u + plat::get_le<uint16_t>(packet + 2), received));
}

// The area a large block is assembled in and fetched from: spectrum traces
// and the first network-analyzer block in A, the other network-analyzer
// blocks in B.
size_t large_area(uint16_t type) {
    return (type & kClassMask) == CLASS_SPECTRUM || (type & 0xFF) == 1 ? shared::kAreaA
                                                                       : shared::kAreaB;
}

bool is_vna_offered_when_complete(uint8_t low) {
    return low == 10 || low == 12 || low == 14 || low == 16 || low == 33;
}

}  // namespace

uint32_t SharedBlock::u32(size_t offset) const {
    uint32_t v;
    std::memcpy(&v, base_ + offset, 4);
    return v;
}
uint16_t SharedBlock::u16(size_t offset) const {
    uint16_t v;
    std::memcpy(&v, base_ + offset, 2);
    return v;
}
void SharedBlock::set_u32(size_t offset, uint32_t v) {
    std::memcpy(base_ + offset, &v, 4);
}
void SharedBlock::set_u16(size_t offset, uint16_t v) {
    std::memcpy(base_ + offset, &v, 2);
}

void SharedBlock::set_last(uint32_t bytes, uint16_t type, uint16_t length, uint16_t start,
                           uint16_t count) {
    set_u32(shared::kPacketBytes, bytes);
    set_u16(shared::kType, type);
    set_u16(shared::kLength, length);
    set_u16(shared::kStart, start);
    set_u16(shared::kCount, count);
}

void SharedBlock::clear_head() {
    set_u32(shared::kConsumed, 0);
    set_u32(shared::kComplete, 0);
    std::memset(base_ + shared::kPacketBytes, 0, shared::kHeadWords * 4);
}

void SharedBlock::reset() {
    set_u32(shared::kConsumed, 1);
    set_u32(shared::kComplete, 0);
    set_u32(shared::kLargeLength, 4);
    set_u32(shared::kSmallLength, 4);
    set_u32(shared::kSampleLength, 4);
}

void SharedBlock::store_small(uint16_t type, uint16_t length, const uint8_t* data, size_t available,
                              size_t byte_count) {
    byte_count = std::clamp<size_t>(byte_count, 4, kMaxSmallBlock);
    const size_t data_bytes = byte_count - 4;
    available = std::min(available, data_bytes);
    set_last(static_cast<uint32_t>(byte_count), type, length, 0, 0);
    uint8_t* area = base_ + shared::kSmallArea;
    if (available) std::memcpy(area, data, available);
    std::memset(area + available, 0, data_bytes - available);
    set_u32(shared::kSmallLength, static_cast<uint32_t>(byte_count));
    set_u32(shared::kConsumed, 0);
    set_u32(shared::kComplete, 1);
}

void SharedBlock::store_status(uint16_t code) {
    store_small(code, kStatusBlockSize, nullptr, 0, kStatusBlockSize);
}

void SharedBlock::store_echo(const uint8_t* packet, size_t received) {
    const size_t available = received > 4 ? received - 4 : 0;
    store_small(plat::get_le<uint16_t>(packet), kStatusBlockSize, packet + 4, available,
                kStatusBlockSize);
}

void SharedBlock::store_small_packet(const uint8_t* packet, size_t received, uint16_t type) {
    const uint32_t bytes = std::min<uint32_t>(packet_bytes(packet, received), kMaxSmallBlock);
    const size_t available = bytes > 4 ? bytes - 4 : 0;
    store_small(type, plat::get_le<uint16_t>(packet + 2), packet + 4, available,
                std::max<uint32_t>(bytes, 4));
}

void SharedBlock::store_sub_typed(const uint8_t* packet, size_t received, uint16_t invalid_status) {
    const uint16_t type = plat::get_le<uint16_t>(packet);
    const uint16_t length = plat::get_le<uint16_t>(packet + 2);
    if (!is_valid_block_type(type) || length > kMaxSmallBlock) {
        store_status(invalid_status);
        return;
    }
    const size_t available = received > 4 ? received - 4 : 0;
    store_small(type, length, packet + 4, available, kStatusBlockSize);
}

bool SharedBlock::append_large(const uint8_t* packet, size_t received, AssemblyState& state,
                               uint32_t unit, size_t area, bool offer_only_complete) {
    state.sample_counter = 0;
    set_u32(shared::kPacketBytes, packet_bytes(packet, received));
    set_u16(shared::kType, plat::get_le<uint16_t>(packet));
    set_u16(shared::kLength, plat::get_le<uint16_t>(packet + 2));
    LargePart part;
    if (!parse_large(packet, received, unit, shared::kAreaSize / unit, part)) return false;
    const uint32_t end = uint32_t{part.start} + part.count;
    if (end > state.expected) return false;
    set_u16(shared::kStart, part.start);
    set_u16(shared::kCount, part.count);
    std::memcpy(base_ + area + size_t{part.start} * unit, part.data, size_t{part.count} * unit);
    // The block length counts the 4-byte head: at most a whole block.
    const uint32_t limit = std::min<uint32_t>(unit * state.expected + 4u, 4 + shared::kAreaSize);
    set_u32(shared::kLargeLength,
            std::min<uint32_t>(u32(shared::kLargeLength) + unit * part.count, limit));
    const bool complete = end >= state.expected;
    if (complete) set_u32(shared::kComplete, 1);
    if (complete || !offer_only_complete) set_u32(shared::kConsumed, 0);
    return true;
}

bool SharedBlock::append_samples(const uint8_t* packet, size_t received, AssemblyState& state) {
    set_u32(shared::kPacketBytes, packet_bytes(packet, received));
    set_u16(shared::kType, plat::get_le<uint16_t>(packet));
    set_u16(shared::kLength, plat::get_le<uint16_t>(packet + 2));
    const uint32_t capacity = std::min<uint32_t>(state.sample_capacity, shared::kAreaSize / 2);
    LargePart part;
    // The start index of a sample packet carries no meaning: samples append.
    if (!parse_large(packet, received, 2, UINT32_MAX, part)) return false;
    set_u16(shared::kStart, 0);
    set_u16(shared::kCount, part.count);
    const uint32_t old = std::min<uint32_t>(state.sample_counter, capacity);
    uint32_t counter = old + part.count;
    if (counter > capacity) {
        counter = capacity;
    } else {
        std::memcpy(base_ + shared::kAreaB + size_t{old} * 2, part.data, size_t{part.count} * 2);
    }
    set_u32(shared::kSampleLength, 2 * counter);
    if (counter > capacity / 2) {
        set_u32(shared::kComplete, 1);
        set_u32(shared::kConsumed, 0);
        counter = 0;
    }
    state.sample_counter = static_cast<uint16_t>(counter);
    return true;
}

void SharedBlock::store_status_class(const uint8_t* packet, size_t received, AssemblyState& state) {
    const uint16_t type = plat::get_le<uint16_t>(packet);
    const uint8_t low = type & 0xFF;
    if (type & kSubMask)
        store_sub_typed(packet, received, STATUS_BAD_STATUS);
    else if (low == LOW_ECHO)
        store_small_packet(packet, received, type);
    else if (low == LOW_RUN)
        store_small_packet(packet, received, type | state.reply_class);
    else
        store_status(STATUS_BAD_STATUS);
}

void SharedBlock::store_spectrum(const uint8_t* packet, size_t received, AssemblyState& state) {
    const uint16_t type = plat::get_le<uint16_t>(packet);
    if (type & kSubMask) return store_sub_typed(packet, received, STATUS_BAD_SPECTRUM);
    bool stored = true;
    switch (type & 0xFF) {
        case 1:
        case 9:
            stored = append_large(packet, received, state, 4, large_area(type), false);
            break;
        case 7:
            stored = append_samples(packet, received, state);
            break;
        case 2:
        case 3:
        case 4:
        case 10:
        case 11:
        case LOW_ECHO:
        case LOW_RUN:
            store_small_packet(packet, received, type);
            break;
        default:
            stored = false;
    }
    if (!stored) store_status(STATUS_BAD_SPECTRUM);
}

void SharedBlock::store_vna(const uint8_t* packet, size_t received, AssemblyState& state) {
    const uint16_t type = plat::get_le<uint16_t>(packet);
    if (type & kSubMask) return store_sub_typed(packet, received, STATUS_BAD_VNA);
    const uint8_t low = type & 0xFF;
    bool stored = true;
    if (is_large_block_type(type)) {
        stored = append_large(packet, received, state, 8, large_area(type),
                              is_vna_offered_when_complete(low));
    } else if ((low >= 5 && low <= 9) || low == 11 || low == 13 || low == 15 ||
               (low >= 17 && low <= 21) || (low >= 23 && low <= 25) || low == 32 || low == 34 ||
               low == 35 || low == LOW_ECHO || low == LOW_RUN) {
        store_small_packet(packet, received, type);
    } else {
        stored = false;
    }
    if (!stored) store_status(STATUS_BAD_VNA);
}

void SharedBlock::store_packet(const uint8_t* packet, size_t received, AssemblyState& state) {
    const uint16_t cls = plat::get_le<uint16_t>(packet) & kClassMask;
    if (cls != CLASS_STATUS && cls != (state.last_message_id & kClassMask))
        store_status(STATUS_WRONG_CLASS);
    else if (cls == CLASS_STATUS)
        store_status_class(packet, received, state);
    else if (cls == CLASS_SPECTRUM)
        store_spectrum(packet, received, state);
    else if (cls == CLASS_VNA)
        store_vna(packet, received, state);
    else
        store_status(STATUS_BAD_CLASS);
}

bool SharedBlock::fetch(uint8_t* out, uint32_t out_size, uint32_t* returned, uint32_t* error) {
    *returned = 0;
    if (u32(shared::kConsumed) == 1) return true;
    const uint16_t type = u16(shared::kType);
    const uint16_t cls = type & kClassMask;
    set_u32(shared::kComplete, 0);
    set_u32(shared::kConsumed, 1);
    if (!is_valid_block_type(type) ||
        (cls != CLASS_STATUS && cls != CLASS_VNA && cls != CLASS_SPECTRUM)) {
        *error = ERROR_INVALID_BLOCK;
        return false;
    }
    enum class Kind { Small, Large, Samples } kind = Kind::Small;
    size_t area = shared::kSmallArea;
    if (type == (CLASS_SPECTRUM | 7)) {
        kind = Kind::Samples;
        area = shared::kAreaB;
    } else if (is_large_block_type(type)) {
        kind = Kind::Large;
        area = large_area(type);
    }
    uint32_t length = 0, data = 0;
    uint16_t count = 0;
    switch (kind) {
        case Kind::Small:
            length = u32(shared::kSmallLength);
            data = std::min<uint32_t>(length > 4 ? length - 4 : 0, shared::kSmallAreaSize);
            count = static_cast<uint16_t>(length / 4 - 1);
            break;
        case Kind::Large:
            length = u32(shared::kLargeLength);
            data = std::min<uint32_t>(length > 4 ? length - 4 : 0, shared::kAreaSize);
            count = static_cast<uint16_t>(length / 4 - 1);
            break;
        case Kind::Samples:
            length = u32(shared::kSampleLength);
            data = std::min<uint32_t>(length, shared::kAreaSize);
            count = static_cast<uint16_t>(length / 2 - 1);
            break;
    }
    if (!out || sizeof(BlockHeader) + data > out_size) {
        *error = ERROR_INVALID_BLOCK;
        return false;
    }
    BlockHeader head{type, u16(shared::kLength),
                     static_cast<uint16_t>(u16(shared::kStart) + u16(shared::kCount)), count};
    std::memcpy(out, &head, sizeof head);
    std::memcpy(out + sizeof head, base_ + area, data);
    *returned = static_cast<uint32_t>(sizeof head + data);
    return true;
}

}  // namespace dsp

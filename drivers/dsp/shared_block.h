#pragma once
// The reply block the driver assembles board packets into ("DSPFileMapping"):
// the writers that store data, small and status blocks, the dispatch of a
// packet by its class, and the fetch of the newest block. Pure memory logic:
// the caller holds "DSPMemoryMutex" around every call and signals
// "DSPDriverEvent" after each store.
#include <cstddef>
#include <cstdint>

#include "drivers/dsp/dsp_protocol.h"

namespace dsp {

// The acquisition words the writers read and update.
struct AssemblyState {
    uint16_t expected = 0;         // words or items that complete a block
    uint16_t reply_class = 0;      // OR-ed into a status reply 0x0060
    uint16_t last_message_id = 0;  // class of the running message
    uint16_t sample_capacity = kSampleCapacity;
    uint16_t sample_counter = 0;
};

class SharedBlock {
  public:
    // `base` points at kSharedBlockSize bytes.
    explicit SharedBlock(uint8_t* base) : base_(base) {}

    // Zeroes the two flags and the 50 words from offset 8 (at attach).
    void clear_head();
    // Nothing waiting: consumed 1, complete 0, the three lengths 4.
    void reset();
    // A complete block waits unfetched.
    bool block_waiting() const {
        return u32(shared::kComplete) == 1 && u32(shared::kConsumed) == 0;
    }

    // Stores a board packet by its class. `received` is the number of bytes
    // actually in `packet` (the head's length may claim more).
    void store_packet(const uint8_t* packet, size_t received, AssemblyState& state);
    // A stop echo: a small block with payload length 64.
    void store_echo(const uint8_t* packet, size_t received);
    // A 64-byte status block of type `code`.
    void store_status(uint16_t code);
    // A small block of `byte_count` bytes (head included, at most 260): type,
    // length and byte_count - 4 data bytes, of which `available` come from
    // `data` and the rest are zero.
    void store_small(uint16_t type, uint16_t length, const uint8_t* data, size_t available,
                     size_t byte_count);

    // Fetches the newest block into `out`: the 8-byte BlockHeader and the data
    // bytes. Returns false with `*error` (1002) for an invalid block or one
    // that does not fit; `*returned` is 8 + data bytes, or 0 when nothing is
    // new. The block counts as fetched in every case.
    bool fetch(uint8_t* out, uint32_t out_size, uint32_t* returned, uint32_t* error);

    uint32_t u32(size_t offset) const;
    uint16_t u16(size_t offset) const;

  private:
    void set_u32(size_t offset, uint32_t v);
    void set_u16(size_t offset, uint16_t v);
    void set_last(uint32_t bytes, uint16_t type, uint16_t length, uint16_t start, uint16_t count);

    // The writers return false when the packet is refused (nothing stored).
    // Words (unit 4) or items (unit 8) at the packet's start index in `area`;
    // the block is offered after every packet unless `offer_only_complete`.
    bool append_large(const uint8_t* packet, size_t received, AssemblyState& state, uint32_t unit,
                      size_t area, bool offer_only_complete);
    bool append_samples(const uint8_t* packet, size_t received, AssemblyState& state);
    void store_small_packet(const uint8_t* packet, size_t received, uint16_t type);
    void store_sub_typed(const uint8_t* packet, size_t received, uint16_t invalid_status);
    void store_spectrum(const uint8_t* packet, size_t received, AssemblyState& state);
    void store_vna(const uint8_t* packet, size_t received, AssemblyState& state);
    void store_status_class(const uint8_t* packet, size_t received, AssemblyState& state);

    uint8_t* base_;
};

}  // namespace dsp

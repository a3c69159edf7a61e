#pragma once
// Between the wave output and the sound recording.
#include <cstddef>
#include <cstdint>

#include "platform/sound/wave_out.h"

namespace plat::sound_detail {

// A number for a new opening of the wave output.
uint32_t next_opening();
// Keeps one played buffer of opening `opening`.
void record_stream_buffer(uint32_t opening, const WaveFormat& format, const uint8_t* data,
                          size_t size, uint32_t volume);
// Marks the opening's stream closed.
void record_stream_closed(uint32_t opening);

}  // namespace plat::sound_detail

#pragma once
// Sounds and wave output heard through SDL2 audio: each sound and each wave
// output stream plays on an SDL audio device of its own format.
#include <memory>
#include <string>

#include "platform/sound/sound.h"

namespace plat {

// Starts SDL's audio and checks that a device opens; null, with the reason
// in `error`, when none does (sounds are then recorded only).
std::shared_ptr<ISoundSink> open_sdl_sound(std::string* error);

}  // namespace plat

// celvane-tones HOST_FOLDER: writes the system's sounds ("critical.wav",
// "criticl.wav", "question.wav", "menusel.wav", "startup.wav", "exclam.wav",
// "default.wav", "close.wav") into the device image's "\Windows" folder.
// A file that already holds the same bytes is left alone.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/sound/sound.h"

namespace {

bool same_bytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    return old == bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: celvane-tones HOST_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    // Two notes for the warnings, three falling ones for the system's own
    // alarms, one for questions, a click for menu moves.
    const std::pair<const char*, plat::WaveData> sounds[] = {
        {"critical.wav", plat::join_waves({plat::make_tone(880, 150), plat::make_tone(660, 250)})},
        {"criticl.wav", plat::join_waves({plat::make_tone(1046, 120), plat::make_tone(784, 120),
                                          plat::make_tone(523, 260)})},
        {"question.wav", plat::make_tone(740, 200)},
        {"menusel.wav", plat::make_tone(1200, 30)},
        // Rising notes for ready, one high note for attention, a short one
        // for notices, a falling pair for closing.
        {"startup.wav", plat::join_waves({plat::make_tone(523, 80), plat::make_tone(784, 120)})},
        {"exclam.wav", plat::make_tone(1318, 150)},
        {"default.wav", plat::make_tone(988, 80)},
        {"close.wav", plat::join_waves({plat::make_tone(880, 60), plat::make_tone(660, 60)})},
    };
    for (const auto& [name, wave] : sounds) {
        const auto bytes = plat::encode_wave(wave);
        const auto path = folder / name;
        if (same_bytes(path, bytes)) continue;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "celvane-tones: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

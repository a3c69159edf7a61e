// Writes the default scene of the simulated hardware, or checks a scene file.
//   sim_scene --default FILE   writes FILE unless it exists
//   sim_scene --check FILE     reads FILE and reports what is wrong with it

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sim/scene.h"

namespace {

constexpr const char* kUsage =
    "usage: sim_scene --default FILE | --check FILE\n"
    "  --default FILE   write the default world to FILE unless it exists\n"
    "  --check FILE     report each thing wrong with FILE, one a line (status 1)\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--default") == 0) {
        if (std::filesystem::exists(argv[2])) return 0;
        std::ofstream out(argv[2], std::ios::binary);
        out << sim::scene_json(sim::default_scene());
        if (out.flush()) return 0;
        std::fprintf(stderr, "sim_scene: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        if (!std::filesystem::is_regular_file(argv[2])) {
            std::fprintf(stderr, "%s: no such scene file\n", argv[2]);
            return 1;
        }
        const sim::SceneLoad load = sim::load_scene(argv[2]);
        for (const std::string& problem : load.problems)
            std::fprintf(stderr, "%s\n", problem.c_str());
        return load.problems.empty() ? 0 : 1;
    }
    if (argc >= 2 && argv[1][0] == '-' && std::strcmp(argv[1], "--default") != 0 &&
        std::strcmp(argv[1], "--check") != 0)
        std::fprintf(stderr, "sim_scene: unknown option %s\n", argv[1]);
    std::fputs(kUsage, stderr);
    return 2;
}

// Writes the default scene of the simulated hardware, or checks a scene file.
//   sim_scene --default FILE   writes FILE unless it exists
//   sim_scene --check FILE     reads FILE and reports what is wrong with it

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sim/scene.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--default") == 0) {
        if (std::filesystem::exists(argv[2])) return 0;
        std::ofstream out(argv[2], std::ios::binary);
        out << sim::scene_json(sim::default_scene());
        return out ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        sim::SceneLoad load = sim::load_scene(argv[2]);
        if (!load.error.empty()) {
            std::fprintf(stderr, "%s\n", load.error.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: sim_scene --default FILE | --check FILE\n");
    return 2;
}

// Writes the waterfall fuzz target's seeds into the folder given: pictures
// the graph itself saves (an empty waterfall, a few rows, a full one), so
// that fuzzing starts from files the recall takes.
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/fs/device_path.h"
#include "widgets/fuzz/waterfall_fuzz_setup.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: waterfall_seeds OUTDIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    waterfall_fuzz::Setup s("waterfall-seeds");
    CGraphWidget& graph = *s.panel.GetGraph();
    int row = 0, written = 0;
    for (int rows : {0, 7, 400}) {
        for (; row < rows; ++row) {
            {
                auto d = graph.LockData();
                for (int c = 0; c < 705; ++c) d->columnLevels[size_t(c)] = (row * 7 + c) % 256;
            }
            s.panel.AddWaterfallLine();
        }
        const std::array<uint32_t, 9> values = {uint32_t(rows), 1, 2, 3, 4, 5, 6, 7, 8};
        const auto host = s.panel.SaveWaterfall(values)
                              ? plat::host_path(std::u16string_view(graph.GetLastPicturePath()))
                              : std::nullopt;
        if (!host) {
            std::fprintf(stderr, "waterfall_seeds: the graph saved no picture at %d rows\n", rows);
            return 1;
        }
        std::filesystem::copy_file(*host, out / ("saved-" + std::to_string(rows) + ".bmp"),
                                   std::filesystem::copy_options::overwrite_existing);
        ++written;
    }
    std::filesystem::remove_all(s.root);
    std::printf("waterfall_seeds: %d pictures in %s\n", written, out.c_str());
    return 0;
}

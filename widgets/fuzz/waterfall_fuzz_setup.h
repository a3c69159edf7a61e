#pragma once
// The graph the waterfall fuzz target recalls into, and the one its seeds
// are saved from: a panel of the instrument's size with the waterfall on,
// in a device root of its own below the temporary folder.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/kernel/device_root.h"
#include "widgets/graph_panel.h"

// The font set-up fontconfig makes once for the process (its caches live
// until the process ends) is no leak of the graph: the leak check of the
// fuzz target and of its seed writer passes over it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace waterfall_fuzz {

struct Setup {
    explicit Setup(const char* name) {
        root = std::filesystem::temp_directory_path() /
               (std::string(name) + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "FlashFX Disk" / "My Pictures");
        plat::set_device_root(root);
        scheme = CreateColorScheme(1);
        panel.Create(nullptr, 0, 30, 705, 455, 18, 90, scheme.get());
        panel.SetWaterfallMode(2);
    }
    std::filesystem::path root;
    std::unique_ptr<CColorScheme> scheme;
    CGraphPanel panel{1, 0};
};

}  // namespace waterfall_fuzz

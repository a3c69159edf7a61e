// libFuzzer target: recalling any file as a waterfall picture refuses it or
// takes it without touching memory the graph does not own, and the graph
// keeps adding rows afterwards.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/kernel/device_root.h"
#include "widgets/graph_panel.h"
#include "widgets/widget_services.h"

namespace {

struct Setup {
    Setup() {
        root = std::filesystem::temp_directory_path() /
               ("waterfall-fuzz-" + std::to_string(::getpid()));
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup s;
    std::ofstream(s.root / "FlashFX Disk" / "My Pictures" / "in.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    s.panel.RecallWaterfall(u"\\FlashFX Disk\\My Pictures\\in.bmp");
    s.panel.RestoreWaterfall();
    s.panel.AddWaterfallLine();
    ClearRecordedWidgetMessages();
    return 0;
}

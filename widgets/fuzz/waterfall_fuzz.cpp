// libFuzzer target: recalling any file as a waterfall picture refuses it or
// takes it without touching memory the graph does not own, and the graph
// keeps adding rows afterwards.
#include <cstddef>
#include <cstdint>
#include <fstream>

#include "widgets/fuzz/waterfall_fuzz_setup.h"
#include "widgets/widget_services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static waterfall_fuzz::Setup s("waterfall-fuzz");
    std::ofstream(s.root / "FlashFX Disk" / "My Pictures" / "in.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    s.panel.RecallWaterfall(u"\\FlashFX Disk\\My Pictures\\in.bmp");
    s.panel.RestoreWaterfall();
    s.panel.AddWaterfallLine();
    ClearRecordedWidgetMessages();
    return 0;
}

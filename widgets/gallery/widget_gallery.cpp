// widget_gallery OUTDIR: pictures of every widget in its states and of the
// whole screen chrome, in every colour scheme, as OUTDIR/<n>-<scheme>/*.png.
// Runs without a display.
#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/kernel/device_root.h"
#include "widgets/gallery/gallery.h"

int main(int argc, char** argv) {
    const int done = plat::check_tool_options(
        argc, argv,
        "usage: widget_gallery OUTDIR\n"
        "  draws every widget in every colour scheme as OUTDIR/<n>-<scheme>/*.png\n",
        false);
    if (done >= 0) return done;
    if (argc != 2) {
        std::fprintf(stderr, "usage: widget_gallery OUTDIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "widget_gallery: cannot create %s: %s\n", out.c_str(),
                     ec.message().c_str());
        return 1;
    }
    const int written = gallery::WriteGallery(out);
    if (written < 0) return 1;
    std::printf("widget_gallery: %d pictures in %s\n", written, out.c_str());
    return 0;
}

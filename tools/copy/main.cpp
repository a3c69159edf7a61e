// QXCopy, the start-up copy program. It takes the common "--root" option
// and no other; it has no window and, once started, its exit code is 0.
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "platform/display/options.h"
#include "platform/hardware/simulated_hardware.h"
#include "tools/copy/qxcopy.h"

int main(int argc, char** argv) {
    std::string error;
    const auto options = plat::parse_display_options(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "QXCopy: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::printf("usage: QXCopy [--root DIR]\n");
        return 0;
    }
    if (!options->rest.empty()) {
        std::fprintf(stderr, "QXCopy: unknown option \"%s\" (it takes --root DIR)\n",
                     options->rest.front().c_str());
        return 2;
    }
    std::error_code ec;
    if (!options->root.empty() && !std::filesystem::is_directory(options->root, ec)) {
        std::fprintf(stderr, "QXCopy: the device root \"%s\" does not exist\n",
                     options->root.c_str());
        return 2;
    }
    plat::apply_display_options(*options);
    // A file size limit makes a write fail rather than end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    plat::hardware::SimulatedHardware hardware = plat::hardware::SimulatedHardware::power_on();
    return qxcopy::QxCopyMain();
}

// QXCopy, the start-up copy program. It takes the common "--root" option
// and no other; it has no window and its exit code is always 0.
#include <csignal>
#include <cstdio>

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
    plat::apply_display_options(*options);
    // A file size limit makes a write fail rather than end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    plat::hardware::SimulatedHardware hardware = plat::hardware::SimulatedHardware::power_on();
    return qxcopy::QxCopyMain();
}

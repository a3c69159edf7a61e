// Helper program for the process tests: writes the instrument path it learnt
// and its arguments to "\Temp\child.txt", then sleeps (argument "sleep") or
// exits with the code given as argument "exit N".
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/fs/atomic_save.h"
#include "platform/kernel/device_root.h"
#include "platform/process/process.h"
#include "platform/text/utf.h"

int main(int argc, char** argv) {
    if (!plat::apply_root_option(argc, argv)) return 90;
    std::string report = plat::to_utf8(plat::program_path()) + "\n";
    for (int i = 3; i < argc; ++i) report += std::string(argv[i]) + "\n";
    plat::atomic_save(u"\\Temp\\child.txt", report);
    for (int i = 3; i < argc; ++i) {
        if (std::string(argv[i]) == "exit" && i + 1 < argc) return std::atoi(argv[i + 1]);
    }
    for (;;) ::pause();
}

// Prints the instrument's local time of a device root as another program of
// the instrument sees it: "YYYY-MM-DD HH:MM:SS".
#include <cstdio>
#include <cstring>

#include "platform/kernel/clock.h"
#include "platform/kernel/device_root.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--root") != 0) {
        std::fprintf(stderr, "usage: print_local_time --root DIR\n");
        return 2;
    }
    plat::set_device_root(argv[2]);
    const plat::SystemTime t = plat::local_time();
    std::printf("%04u-%02u-%02u %02u:%02u:%02u\n", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
    return 0;
}

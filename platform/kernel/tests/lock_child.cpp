// Helper process for the single-instance tests: creates the named mutex given
// on the command line and exits with 1 when it already existed, else 0.
#include "platform/kernel/kernel.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    plat::set_device_root(argv[1]);
    plat::Created created;
    plat::Mutex m = plat::Mutex::create(argv[2], true, &created);
    return created.already_existed ? 1 : 0;
}

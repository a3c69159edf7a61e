// celvane-registry --root DIR merge-factory
// Brings a device root's registry up to its factory registry: adds the keys
// and values it lacks and keeps every value it holds.
#include <cstdio>
#include <string_view>

#include "platform/kernel/device_root.h"
#include "platform/registry/registry.h"

int main(int argc, char** argv) {
    const int done = plat::check_tool_options(
        argc, argv,
        "usage: celvane-registry --root DIR merge-factory\n"
        "  merge-factory   adds the factory registry's keys and values the device\n"
        "                  root's registry lacks; keeps every value it holds\n",
        true);
    if (done >= 0) return done;
    plat::apply_root_option(argc, argv);
    if (argc < 2 || std::string_view(argv[argc - 1]) != "merge-factory") {
        std::fprintf(stderr, "usage: celvane-registry --root DIR merge-factory\n");
        return 2;
    }
    uint32_t error = plat::merge_factory_registry();
    if (error != 0) {
        std::fprintf(stderr, "celvane-registry: cannot update the registry (error %u)\n", error);
        return 1;
    }
    return 0;
}

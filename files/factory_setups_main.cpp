// celvane-factory-setups --root DIR
// Writes the factory setups of a device image where they are absent; the
// setups a user keeps are never touched.
#include <cstdio>

#include "files/factory_setups.h"
#include "files/setup_services.h"
#include "platform/kernel/device_root.h"
#include "platform/text/utf.h"

int main(int argc, char** argv) {
    const int done = plat::check_tool_options(
        argc, argv,
        "usage: celvane-factory-setups --root DIR\n"
        "  writes the factory setups into the device root where they are absent\n",
        true);
    if (done >= 0) return done;
    if (!plat::apply_root_option(argc, argv)) {
        std::fprintf(stderr, "usage: celvane-factory-setups --root DIR\n");
        return 2;
    }
    bool ok = WriteFactorySetups();
    for (const core::Text& message : RecordedFileMessages())
        std::fprintf(stderr, "celvane-factory-setups: %s\n", plat::to_utf8(message).c_str());
    return ok ? 0 : 1;
}

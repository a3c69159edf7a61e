// Helper process for the registry tests.
//   registry_child ROOT set NAME NUMBER   writes HKCU\Test value NAME = NUMBER
//   registry_child ROOT get NAME          prints the value, exit 1 when missing
//   registry_child ROOT burst TAG         writes TAG0, TAG1, ... until killed
//   registry_child ROOT count TAG N       writes TAG0 .. TAG<N-1>, then exits
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/kernel/device_root.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    plat::set_device_root(argv[1]);
    std::string op = argv[2];
    std::u16string name = plat::from_utf8(argv[3]);
    plat::RegKey key;
    if (plat::hkey_current_user().create(u"Test", key) != 0) return 3;
    if (op == "set" && argc > 4)
        return key.set_dword(name, std::strtoul(argv[4], nullptr, 0)) ? 4 : 0;
    if (op == "get") {
        auto v = key.get_dword(name);
        if (!v) return 1;
        std::printf("%u\n", *v);
        return 0;
    }
    if (op == "burst" || op == "count") {
        bool told = false;
        unsigned long n = op == "count" ? std::strtoul(argv[4], nullptr, 0) : ~0UL;
        for (unsigned long i = 0; i < n; ++i) {
            plat::RegKey sub;
            key.create(name + plat::from_utf8(std::to_string(i % 8)), sub);
            if (sub.set_string(u"Text", plat::from_utf8("value " + std::to_string(i))) != 0)
                return 5;
            if (key.set_dword(name + plat::from_utf8(std::to_string(i)), uint32_t(i)) != 0)
                return 5;
            if (!told) {  // the parent kills only after the burst is under way
                std::fputs("r", stdout);
                std::fflush(stdout);
                told = true;
            }
        }
        return 0;
    }
    return 2;
}

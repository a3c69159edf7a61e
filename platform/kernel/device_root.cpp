#include "platform/kernel/device_root.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

namespace plat {

namespace {
std::mutex g_root_lock;
std::filesystem::path g_root;
}  // namespace

std::filesystem::path device_root() {
    std::lock_guard lock(g_root_lock);
    if (g_root.empty()) {
        const char* env = std::getenv(kDeviceRootVariable);
        g_root = (env && *env) ? std::filesystem::path(env) : std::filesystem::path("build/device");
        g_root = std::filesystem::absolute(g_root);
    }
    return g_root;
}

void set_device_root(const std::filesystem::path& root) {
    std::lock_guard lock(g_root_lock);
    g_root = std::filesystem::absolute(root);
}

bool apply_root_option(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--root" && i + 1 < argc) {
            set_device_root(argv[i + 1]);
            return true;
        }
        if (arg.starts_with("--root=")) {
            set_device_root(std::string(arg.substr(7)));
            return true;
        }
    }
    return false;
}

int check_tool_options(int argc, const char* const* argv, const char* usage, bool takes_root) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] ? argv[i] : "";
        if (arg == "--help" || arg == "-h") {
            std::printf("%s", usage);
            return 0;
        }
        if (takes_root && arg == "--root") {
            ++i;
            continue;
        }
        if ((takes_root && arg.starts_with("--root=")) || !arg.starts_with("-") || arg == "-")
            continue;
        const std::string program =
            std::filesystem::path(argv[0] ? argv[0] : "").filename().string();
        std::fprintf(stderr, "%s: unknown option \"%s\" (--help lists the options)\n",
                     program.c_str(), std::string(arg).c_str());
        return 2;
    }
    return -1;
}

}  // namespace plat

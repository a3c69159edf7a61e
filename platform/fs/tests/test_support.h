#pragma once
// Shared by the platform's storage tests: a fresh device root in the
// temporary folder for one test (removed after it), file contents, and the
// build's program folder.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/kernel/device_root.h"

namespace celvane_test {

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempRoot {
  public:
    explicit TempRoot(const std::string& tag) {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                (tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_ / "FlashFX Disk" / "System");
        std::filesystem::create_directories(path_ / "Windows");
        plat::set_device_root(path_);
    }
    ~TempRoot() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    // Files below the root, by their host path relative to it.
    std::string Read(const std::filesystem::path& rel) const { return slurp(path_ / rel); }
    void Write(const std::filesystem::path& rel, const std::string& text) const {
        std::ofstream(path_ / rel, std::ios::binary) << text;
    }
    bool Exists(const std::filesystem::path& rel) const {
        return std::filesystem::exists(path_ / rel);
    }

  private:
    std::filesystem::path path_;
};

// Where the build put its programs and libraries (the test runner says).
inline std::filesystem::path build_bin() {
    const char* bin = std::getenv("CELVANE_BUILD_BIN");
    return std::filesystem::path(bin ? bin : ".");
}

}  // namespace celvane_test

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
#include <system_error>

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

#ifdef CELVANE_DEVICE_IMAGE_DIR
// Lays out `root` as a fresh device root: a copy of the device image the
// build laid out once with the image builder (as `make run` lays out its
// root). Files already in the root stay. Answers an empty string, or why the
// copy could not be made.
inline std::string copy_device_image(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    const fs::path image = CELVANE_DEVICE_IMAGE_DIR;
    if (!fs::is_directory(image / "FlashFX Disk"))
        return "the build's device image " + image.string() +
               " is missing: build the target device-image";
    std::error_code ec;
    fs::create_directories(root, ec);
    fs::copy(image, root, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    return ec ? "cannot copy the device image to " + root.string() + ": " + ec.message()
              : std::string();
}
#endif

}  // namespace celvane_test

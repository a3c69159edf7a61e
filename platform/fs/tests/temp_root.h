#pragma once
// A fresh device root in the temporary folder for one test, removed after it.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/kernel/device_root.h"

namespace celvane_test {

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

  private:
    std::filesystem::path path_;
};

}  // namespace celvane_test

#pragma once
// A fresh device root for tests that touch instrument files.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/kernel/device_root.h"

class TempDeviceRoot {
  public:
    explicit TempDeviceRoot(const std::string& name)
        : root_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(root_ / "FlashFX Disk");
        plat::set_device_root(root_);
    }
    ~TempDeviceRoot() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    const std::filesystem::path& path() const { return root_; }
    std::string Read(const std::filesystem::path& rel) const {
        std::ifstream in(root_ / rel, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

  private:
    std::filesystem::path root_;
};

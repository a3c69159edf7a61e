#pragma once
// Internal: an advisory lock file under the device root's run/ folder, held
// while the object lives, so that a name can be owned by one process at a time.
#include <string_view>

namespace plat::detail {

class ProcessLock {
  public:
    explicit ProcessLock(std::string_view name);
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // False when another process holds the lock of that name.
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace plat::detail

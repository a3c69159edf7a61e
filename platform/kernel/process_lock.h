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

    // Whether this process holds the lock of that name.
    bool held() const { return fd_ >= 0; }
    // Whether another process holds it (a lock file that cannot be made,
    // in a device root that cannot be written, is not another process).
    bool busy() const { return busy_; }

  private:
    int fd_ = -1;
    bool busy_ = false;
};

}  // namespace plat::detail

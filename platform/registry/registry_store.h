#pragma once
// Internal: the process's view of the device root's registry file. Every
// access first checks whether another process saved a newer file; every
// change is made under an advisory lock on "run/registry.lock", on the newest
// file, and saved atomically before the lock is released.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>

#include "platform/registry/registry_tree.h"

namespace plat::detail {

class RegistryStore {
  public:
    static RegistryStore& instance();

    // Runs `f` on the current tree; returns what `f` returns.
    uint32_t read(const std::function<uint32_t(const RegNode&)>& f);
    // Runs `f` on the newest tree; when it succeeds and sets `changed`, the
    // tree is saved (ERROR_CANTWRITE when that fails; the change is then
    // dropped).
    uint32_t write(const std::function<uint32_t(RegNode&, bool& changed)>& f);

    // The factory registry of the current device root (empty when missing or
    // damaged).
    RegNode factory();

    void set_save_observer(std::function<void(bool written)> observer);

  private:
    struct Loaded {
        bool valid = false;
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        uint64_t generation = 0;
    };
    void refresh(bool locked);
    void load_factory();
    void repair();

    std::mutex observer_mutex_;
    std::function<void(bool)> observer_;  // guarded by observer_mutex_
    std::mutex mutex_;
    std::filesystem::path root_;
    RegNode tree_;
    Loaded loaded_;
};

}  // namespace plat::detail

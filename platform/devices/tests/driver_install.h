#pragma once
// Test support: installs a built-in stream driver into a device root the way
// the device image does (its library in "\Windows", its key in the registry).
#include <atomic>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/devices/device_manager.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"

namespace celvane_test {

inline void install_builtin_driver(const std::filesystem::path& root, const std::string& built,
                                   std::u16string_view key_name, std::u16string_view dll,
                                   std::u16string_view prefix) {
    if (!built.empty())  // else the library is in place already
        std::filesystem::copy_file(build_bin() / (built + ".so"),
                                   root / "Windows" / std::filesystem::path(std::u16string(dll)),
                                   std::filesystem::copy_options::overwrite_existing);
    plat::RegKey key;
    if (plat::hkey_local_machine().create(key_name, key) != plat::ERROR_SUCCESS)
        throw std::runtime_error("the driver's registry key cannot be created");
    key.set_string(u"Dll", dll);
    key.set_string(u"Prefix", prefix);
    key.set_dword(u"Index", 1);
}

// Deactivates `device` while another thread keeps making `call` on a handle
// to it (each call then completes or fails); answers the deactivation's
// result once the caller has stopped.
inline bool deactivate_with_calls_in_flight(plat::devices::ActiveDevice device,
                                            const std::function<void()>& call) {
    constexpr int kCallsBefore = 20;
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::thread client([&] {
        while (!stop) {
            call();
            ++calls;
        }
    });
    while (calls < kCallsBefore) std::this_thread::yield();
    const bool done = plat::devices::deactivate_device(device);
    stop = true;
    client.join();
    return done;
}

// Sets the factory identity that selects the board layout.
inline void set_board_name(std::u16string_view name) {
    plat::RegKey key;
    plat::hkey_local_machine().create(u"Ident", key);
    key.set_string(u"Name", name);
}

}  // namespace celvane_test

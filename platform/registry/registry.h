#pragma once
// The registry: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE with keys and typed
// values, shared by every program of one device root and kept in a readable
// text file there ("registry.txt"), saved atomically after each change.
// Names of keys and values compare case-insensitively; operations return the
// platform's error codes (and also set the last error).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

enum class Hive : uint8_t { CurrentUser, LocalMachine };

// One open key. Copies are independent handles to the same key; a handle
// whose key was deleted answers ERROR_KEY_DELETED.
class RegKey {
  public:
    RegKey() = default;
    explicit RegKey(Hive hive) : hive_(hive), open_(true) {}
    explicit operator bool() const { return open_; }
    void close() { open_ = false; }

    // Opens an existing subkey ("A\B\C"); never creates. ERROR_FILE_NOT_FOUND
    // when missing. An empty path opens this key again.
    uint32_t open(std::u16string_view subkey, RegKey& out) const;
    // Opens the subkey, creating every missing level; `created` tells whether
    // the last level was made.
    uint32_t create(std::u16string_view subkey, RegKey& out, bool* created = nullptr) const;

    // With data null, only type and size are reported; a buffer smaller than
    // the value gives ERROR_MORE_DATA with *size set to what it needs.
    uint32_t query_value(std::u16string_view name, uint32_t* type, void* data,
                         uint32_t* size) const;
    uint32_t set_value(std::u16string_view name, uint32_t type, const void* data,
                       uint32_t size) const;
    uint32_t delete_value(std::u16string_view name) const;
    // Deletes the subkey with everything below it.
    uint32_t delete_key(std::u16string_view subkey) const;

    // By index in a stable order (creation order); ERROR_NO_MORE_ITEMS past
    // the end.
    uint32_t enum_key(uint32_t index, std::u16string& name) const;
    uint32_t enum_value(uint32_t index, std::u16string& name, uint32_t* type = nullptr,
                        std::vector<uint8_t>* data = nullptr) const;
    uint32_t query_info(uint32_t* subkeys, uint32_t* values) const;

    // Typed helpers. Strings are stored as UTF-16 with their terminator
    // (the size in bytes counts it); a read string stops at the first zero.
    std::optional<uint32_t> get_dword(std::u16string_view name) const;
    uint32_t set_dword(std::u16string_view name, uint32_t value) const;
    std::optional<std::u16string> get_string(std::u16string_view name) const;
    uint32_t set_string(std::u16string_view name, std::u16string_view text) const;
    std::optional<std::vector<uint8_t>> get_binary(std::u16string_view name) const;
    uint32_t set_binary(std::u16string_view name, const std::vector<uint8_t>& data) const;
    std::optional<std::vector<std::u16string>> get_multi_string(std::u16string_view name) const;
    uint32_t set_multi_string(std::u16string_view name,
                              const std::vector<std::u16string>& texts) const;

    Hive hive() const { return hive_; }
    // The key's path below its hive, as it was given.
    std::u16string path() const;

  private:
    Hive hive_ = Hive::CurrentUser;
    bool open_ = false;
    std::vector<std::u16string> path_;
};

// Adds the keys and values of the device root's factory registry
// ("registry.factory") that the registry lacks; values already there, changed
// by the user or not, stay as they are.
uint32_t merge_factory_registry();

// Called after every attempt to save a change of the registry, with whether
// the file was written; on the writing thread, with no registry lock held.
// An empty function removes the observer.
void set_registry_save_observer(std::function<void(bool written)> observer);

inline RegKey hkey_current_user() {
    return RegKey(Hive::CurrentUser);
}
inline RegKey hkey_local_machine() {
    return RegKey(Hive::LocalMachine);
}

}  // namespace plat

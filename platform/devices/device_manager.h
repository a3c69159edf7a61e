#pragma once
// The device manager: stream drivers loaded by file name from the registry's
// driver keys, their devices named "PFXn:", and the calls clients make on them.
//
// A driver key (e.g. HKLM "Drivers\BuiltIn\BIO") holds
//   "Dll"    REG_SZ    library file name ("VornIO.dll"), looked up in "\Windows"
//   "Prefix" REG_SZ    three letters ("BIO")
//   "Index"  REG_DWORD the n of "PFXn:" (default 1)
//   "Order"  REG_DWORD load order of built-in drivers, lowest first (default 0)
// Built-in drivers are the subkeys of HKLM "Drivers\BuiltIn"; USB client
// drivers are the subkeys of HKLM "Drivers\USB\ClientDrivers" that name a
// library: they are given to the USB host and activate their own devices.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devices/stream_driver.h"

namespace plat::devices {

// The values of a driver key.
struct DriverKey {
    std::u16string dll;
    std::u16string prefix;
    uint32_t index = 1;
    uint32_t order = 0;
};

// Reads a driver key below HKLM; empty (last error set) when the key or its
// "Dll" or "Prefix" value is missing.
std::optional<DriverKey> read_driver_key(std::u16string_view key);

// Handle of an activated device; 0 means none.
using ActiveDevice = uint32_t;

// Activates the device described by the driver key below HKLM: loads the
// library, binds its entry points, calls `<Prefix>_Init` and makes "PFXn:"
// openable. Returns 0 on failure (last error set; ERROR_ALREADY_EXISTS when
// "PFXn:" is taken).
ActiveDevice activate_device(std::u16string_view key, const void* bus_context = nullptr);
// Removes the device: new opens fail, handles open on it fail with
// ERROR_INVALID_HANDLE, then `<Prefix>_Deinit` runs once no call of the
// manager's is inside the driver. False for an unknown handle.
bool deactivate_device(ActiveDevice device);
// Calls every active device's power entries (`_PowerHandler` and
// `_PowerDown`, last activated first; `_PowerUp` and `_PowerHandler`, first
// activated first).
void power_down_devices();
void power_up_devices();
// Names of the active devices ("DSP1:", ...).
std::vector<std::u16string> active_device_names();
bool is_active(std::u16string_view name);

// Loads the built-in drivers and registers the USB client drivers found in
// the registry. Runs once per process; later calls do nothing and return
// the number of devices the first call activated.
size_t start();

// An open stream device, closed by the destructor.
class StreamFile {
  public:
    StreamFile() = default;
    ~StreamFile() { close(); }
    StreamFile(StreamFile&& other) noexcept;
    StreamFile& operator=(StreamFile&& other) noexcept;
    StreamFile(const StreamFile&) = delete;
    StreamFile& operator=(const StreamFile&) = delete;

    // Opens "PFXn:" (case-insensitive). Empty with ERROR_FILE_NOT_FOUND when
    // no such device is active, or with the driver's error when its open fails.
    static StreamFile open(std::u16string_view name,
                           uint32_t access = STREAM_ACCESS_READ | STREAM_ACCESS_WRITE,
                           uint32_t share = 0);

    explicit operator bool() const { return open_ != nullptr; }
    // The driver's result; the driver's last-error code stays the thread's.
    bool io_control(uint32_t code, const void* input, uint32_t input_size, void* output,
                    uint32_t output_size, uint32_t* bytes_returned);
    // STREAM_FAILED on failure.
    uint32_t read(void* buffer, uint32_t size);
    uint32_t write(const void* buffer, uint32_t size);
    uint32_t seek(int32_t distance, uint32_t method);
    bool close();

  private:
    template <class F>
    uint32_t on_device(F&& call);
    std::shared_ptr<struct OpenRecord> open_;
};

}  // namespace plat::devices

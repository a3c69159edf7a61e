#include "platform/print/printer_port.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "platform/fs/host_io.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace fs = std::filesystem;

namespace {

constexpr const char16_t* kPortsKey = u"Drivers\\Ports";
constexpr const char16_t* kHostDeviceValue = u"HostDevice";
constexpr const char16_t* kPrinterInfoValue = u"PrinterInfo";
constexpr int kMaxSpoolNumber = 9999;

// An open port: where the bytes go and, for a spooled job, the names of the
// file while it is written and once it is complete.
struct Port {
    int fd = -1;
    uint32_t printer_info = kPrinterInfoFourPlanes;
    fs::path part_path;   // spooled job being written; empty otherwise
    fs::path final_path;  // its name once closed
    bool failed = false;
};

std::mutex ports_mutex;
std::map<int32_t, std::unique_ptr<Port>> ports;  // guarded by ports_mutex
int32_t next_handle = 1;                         // guarded by ports_mutex

// "LPT1:" -> "LPT1"; empty for a name that is not letters and digits before
// one colon.
std::string port_stem(std::u16string_view name) {
    std::string stem;
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c == u':' && i + 1 == name.size() && !stem.empty()) return stem;
        const bool alnum =
            (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
        if (!alnum) return {};
        stem += static_cast<char>(c);
    }
    return {};
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A path below the device root that does not climb out of it.
bool inside_root(const fs::path& rel) {
    if (rel.empty() || rel.is_absolute()) return false;
    for (const auto& part : rel)
        if (part == "..") return false;
    return true;
}

int open_spool_file(const std::string& stem, Port& port) {
    const fs::path folder = plat::device_root() / plat::kSpoolFolder;
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (int n = 1; n <= kMaxSpoolNumber; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "%s-%04d.prn", stem.c_str(), n);
        const fs::path final_path = folder / name;
        const fs::path part_path = folder / (std::string(".") + name + ".part");
        if (fs::exists(final_path, ec)) continue;
        const int fd = ::open(part_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        port.part_path = part_path;
        port.final_path = final_path;
        return fd;
    }
    errno = ENOSPC;
    return -1;
}

// Opens a named pipe or file in the device root, or a host device. A pipe
// with no reader fails at once (ENXIO) rather than waiting for one.
int open_target(const std::string& target) {
    fs::path path(target);
    if (!path.is_absolute()) {
        if (!inside_root(path)) {
            errno = EINVAL;
            return -1;
        }
        path = plat::device_root() / path;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) (void)::ftruncate(fd, 0);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

void discard_spool(Port& port) {
    if (port.part_path.empty()) return;
    std::error_code ec;
    fs::remove(port.part_path, ec);
    port.part_path.clear();
}

}  // namespace

extern "C" {

int32_t PrinterOpen(const char16_t* port_name) {
    const std::string stem = port_name ? port_stem(port_name) : std::string();
    if (stem.empty()) {
        plat::set_last_error(plat::ERROR_INVALID_NAME);
        return kInvalidPrinterHandle;
    }
    auto port = std::make_unique<Port>();
    std::u16string host_device;
    plat::RegKey key;
    const std::u16string key_name =
        std::u16string(kPortsKey) + u"\\" + plat::from_utf8(lower(stem));
    if (plat::hkey_local_machine().open(key_name, key) == plat::ERROR_SUCCESS) {
        host_device = key.get_string(kHostDeviceValue).value_or(u"");
        port->printer_info = key.get_dword(kPrinterInfoValue).value_or(kPrinterInfoFourPlanes);
    }
    port->fd = host_device.empty() ? open_spool_file(stem, *port)
                                   : open_target(plat::to_utf8(host_device));
    if (port->fd < 0) {
        const int err = errno;
        plat::debug_printf("PrinterOpen: %s: %s\n", stem.c_str(), std::strerror(err));
        plat::set_last_error(err == ENXIO ? plat::ERROR_DEVICE_NOT_CONNECTED
                                          : plat::detail::error_from_errno(err));
        return kInvalidPrinterHandle;
    }
    std::lock_guard lock(ports_mutex);
    const int32_t handle = next_handle++;
    ports.emplace(handle, std::move(port));
    return handle;
}

int32_t PrinterSend(int32_t handle, const uint8_t* bytes, uint32_t count) {
    std::lock_guard lock(ports_mutex);
    auto it = ports.find(handle);
    if (it == ports.end()) {
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return 0;
    }
    Port& port = *it->second;
    if (port.failed) {
        plat::set_last_error(plat::ERROR_WRITE_FAULT);
        return 0;
    }
    if (count == 0) return 1;
    if (bytes == nullptr ||
        !plat::detail::write_all(port.fd, std::as_bytes(std::span(bytes, count)))) {
        port.failed = true;
        plat::set_last_error(bytes ? plat::detail::error_from_errno(errno)
                                   : plat::ERROR_INVALID_PARAMETER);
        discard_spool(port);
        return 0;
    }
    return 1;
}

void PrinterClose(int32_t handle) {
    std::unique_ptr<Port> port;
    {
        std::lock_guard lock(ports_mutex);
        auto it = ports.find(handle);
        if (it == ports.end()) return;
        port = std::move(it->second);
        ports.erase(it);
    }
    const bool closed = ::close(port->fd) == 0;
    if (port->part_path.empty()) return;
    std::error_code ec;
    if (closed && !port->failed) fs::rename(port->part_path, port->final_path, ec);
    if (!closed || port->failed || ec) discard_spool(*port);
}

uint32_t GetPrinterInfo(int32_t handle, uint32_t info_class, void* value, uint32_t length) {
    std::lock_guard lock(ports_mutex);
    auto it = ports.find(handle);
    if (it == ports.end()) return plat::ERROR_INVALID_HANDLE;
    if (info_class != kPrinterInfoPlanes || value == nullptr || length < sizeof(uint32_t))
        return plat::ERROR_INVALID_PARAMETER;
    const uint32_t info = it->second->printer_info;
    std::memcpy(value, &info, sizeof info);
    return plat::ERROR_SUCCESS;
}

}  // extern "C"

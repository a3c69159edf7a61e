// The device manager: activated stream devices by name, and the calls that
// clients make on them through the drivers' entry points.
#include "platform/devices/device_manager.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>

#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/module/library.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "platform/usb/usb_host.h"

namespace plat::devices {

namespace {

// A driver library with its bound entry points. Shared by the devices it
// serves; unloaded when the last of them goes.
struct DriverLibrary {
    Library library;
    StreamInitFn init = nullptr;
    StreamDeinitFn deinit = nullptr;
    StreamOpenFn open = nullptr;
    StreamCloseFn close = nullptr;
    StreamReadFn read = nullptr;
    StreamWriteFn write = nullptr;
    StreamSeekFn seek = nullptr;
    StreamIOControlFn io_control = nullptr;
    StreamPowerFn power_up = nullptr;
    StreamPowerFn power_down = nullptr;
    StreamPowerHandlerFn power_handler = nullptr;

    template <class F>
    void bind(F& slot, const std::string& prefix, const char* entry) {
        slot = library.bind<std::remove_pointer_t<F>>((prefix + entry).c_str());
    }
};

std::u16string windows_path(std::u16string_view dll) {
    if (dll.find_first_of(u"\\/") != std::u16string_view::npos) return std::u16string(dll);
    return u"\\Windows\\" + std::u16string(dll);
}

std::shared_ptr<DriverLibrary> load_driver(const DriverKey& key) {
    auto lib = std::make_shared<DriverLibrary>();
    lib->library = Library::load(windows_path(key.dll));
    if (!lib->library) return nullptr;
    const std::string prefix = to_utf8(key.prefix);
    lib->bind(lib->init, prefix, "_Init");
    lib->bind(lib->deinit, prefix, "_Deinit");
    lib->bind(lib->open, prefix, "_Open");
    lib->bind(lib->close, prefix, "_Close");
    lib->bind(lib->read, prefix, "_Read");
    lib->bind(lib->write, prefix, "_Write");
    lib->bind(lib->seek, prefix, "_Seek");
    lib->bind(lib->io_control, prefix, "_IOControl");
    lib->bind(lib->power_up, prefix, "_PowerUp");
    lib->bind(lib->power_down, prefix, "_PowerDown");
    lib->bind(lib->power_handler, prefix, "_PowerHandler");
    if (!lib->init || !lib->deinit || !lib->open || !lib->close || !lib->read || !lib->write ||
        !lib->seek || !lib->io_control) {
        set_last_error(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return lib;
}

}  // namespace

// One active device.
struct ActiveRecord {
    std::u16string name;  // "DSP1:"
    std::u16string key;
    std::shared_ptr<DriverLibrary> driver;
    StreamContext context = 0;

    std::mutex mutex;
    std::condition_variable idle;
    bool active = true;
    int calls = 0;

    // Counts a call in; false (ERROR_INVALID_HANDLE) once deactivated.
    bool enter() {
        std::lock_guard lock(mutex);
        if (!active) {
            set_last_error(ERROR_INVALID_HANDLE);
            return false;
        }
        ++calls;
        return true;
    }
    void leave() {
        std::lock_guard lock(mutex);
        if (--calls == 0) idle.notify_all();
    }
};

struct OpenRecord {
    std::shared_ptr<ActiveRecord> device;
    StreamContext context = 0;
};

namespace {

class CallScope {
  public:
    explicit CallScope(ActiveRecord& device) : device_(device), entered_(device.enter()) {}
    ~CallScope() {
        if (entered_) device_.leave();
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
    explicit operator bool() const { return entered_; }

  private:
    ActiveRecord& device_;
    bool entered_;
};

bool same_name(std::u16string_view a, std::u16string_view b) {
    return equals_ignore_case(a, b);
}

class Manager {
  public:
    static Manager& instance() {
        static Manager* manager = new Manager();  // lives as long as the process
        return *manager;
    }

    ActiveDevice activate(std::u16string_view key, const void* bus_context) {
        auto values = read_driver_key(key);
        if (!values) return 0;
        auto record = std::make_shared<ActiveRecord>();
        record->name = values->prefix + std::u16string(1, u'0' + values->index % 10) + u":";
        record->key = std::u16string(key);
        {
            std::lock_guard lock(mutex_);
            if (find_locked(record->name)) {
                set_last_error(ERROR_ALREADY_EXISTS);
                return 0;
            }
        }
        record->driver = load_driver(*values);
        if (!record->driver) return 0;
        // The driver may activate further devices from inside its init; no
        // lock is held while it runs.
        record->context = record->driver->init(record->key.c_str(), bus_context);
        if (!record->context) {
            if (get_last_error() == 0) set_last_error(ERROR_GEN_FAILURE);
            return 0;
        }
        std::lock_guard lock(mutex_);
        if (find_locked(record->name)) {
            record->driver->deinit(record->context);
            set_last_error(ERROR_ALREADY_EXISTS);
            return 0;
        }
        ActiveDevice handle = ++next_handle_;
        devices_[handle] = record;
        return handle;
    }

    bool deactivate(ActiveDevice handle) {
        std::shared_ptr<ActiveRecord> record;
        {
            std::lock_guard lock(mutex_);
            auto it = devices_.find(handle);
            if (it == devices_.end()) {
                set_last_error(ERROR_INVALID_HANDLE);
                return false;
            }
            record = it->second;
            devices_.erase(it);
        }
        {
            std::unique_lock lock(record->mutex);
            record->active = false;
            record->idle.wait(lock, [&] { return record->calls == 0; });
        }
        record->driver->deinit(record->context);
        return true;
    }

    std::shared_ptr<ActiveRecord> find(std::u16string_view name) {
        std::lock_guard lock(mutex_);
        return find_locked(name);
    }

    // Power entries of every active device: down in the reverse order of
    // activation, up in that order.
    void power(bool down) {
        std::vector<std::shared_ptr<ActiveRecord>> records;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [handle, record] : devices_) records.push_back(record);
        }
        if (down) std::reverse(records.begin(), records.end());
        for (const auto& record : records) {
            CallScope scope(*record);
            if (!scope) continue;
            const DriverLibrary& lib = *record->driver;
            if (down && lib.power_handler) lib.power_handler(record->context, 1);
            if (down && lib.power_down) lib.power_down(record->context);
            if (!down && lib.power_up) lib.power_up(record->context);
            if (!down && lib.power_handler) lib.power_handler(record->context, 0);
        }
    }

    std::vector<std::u16string> names() {
        std::lock_guard lock(mutex_);
        std::vector<std::u16string> out;
        for (const auto& [handle, record] : devices_) out.push_back(record->name);
        return out;
    }

    size_t start() {
        std::call_once(started_, [this] { started_count_ = load_from_registry(); });
        return started_count_;
    }

  private:
    std::shared_ptr<ActiveRecord> find_locked(std::u16string_view name) {
        for (const auto& [handle, record] : devices_)
            if (same_name(record->name, name)) return record;
        return nullptr;
    }

    size_t load_from_registry() {
        size_t count = 0;
        // Built-in drivers, lowest order first.
        RegKey builtin;
        if (hkey_local_machine().open(u"Drivers\\BuiltIn", builtin) == ERROR_SUCCESS) {
            std::vector<std::pair<uint32_t, std::u16string>> keys;
            std::u16string sub;
            for (uint32_t i = 0; builtin.enum_key(i, sub) == ERROR_SUCCESS; ++i) {
                std::u16string path = u"Drivers\\BuiltIn\\" + sub;
                if (auto values = read_driver_key(path)) keys.emplace_back(values->order, path);
            }
            std::stable_sort(keys.begin(), keys.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (const auto& [order, path] : keys) {
                if (activate(path, nullptr))
                    ++count;
                else
                    debug_printf("Device manager: %s failed to load (error %u)\n",
                                 to_utf8(path).c_str(), get_last_error());
            }
        }
        // USB client drivers: given to the host, which offers them devices.
        RegKey clients;
        if (hkey_local_machine().open(u"Drivers\\USB\\ClientDrivers", clients) == ERROR_SUCCESS) {
            std::u16string sub;
            for (uint32_t i = 0; clients.enum_key(i, sub) == ERROR_SUCCESS; ++i)
                register_usb_client(sub, u"Drivers\\USB\\ClientDrivers\\" + sub);
        }
        return count;
    }

    void register_usb_client(const std::u16string& name, const std::u16string& key) {
        RegKey k;
        if (hkey_local_machine().open(key, k) != ERROR_SUCCESS) return;
        auto dll = k.get_string(u"Dll");
        if (!dll) return;
        Library library = Library::load(windows_path(*dll));
        auto install = library.bind<std::remove_pointer_t<UsbInstallDriverFn>>("USBInstallDriver");
        auto attach = library.bind<std::remove_pointer_t<UsbDeviceAttachFn>>("USBDeviceAttach");
        if (!install || !attach || !install(key.c_str())) {
            debug_printf("Device manager: USB client %s not installed\n", to_utf8(name).c_str());
            return;
        }
        usb_clients_.push_back(std::move(library));
        usb::Host::instance().add_client_driver({name, key, attach});
    }

    std::mutex mutex_;
    std::map<ActiveDevice, std::shared_ptr<ActiveRecord>> devices_;
    ActiveDevice next_handle_ = 0;
    std::once_flag started_;
    size_t started_count_ = 0;
    std::vector<Library> usb_clients_;  // stay loaded for the process
};

}  // namespace

std::optional<DriverKey> read_driver_key(std::u16string_view key) {
    RegKey k;
    uint32_t error = hkey_local_machine().open(key, k);
    if (error != ERROR_SUCCESS) {
        set_last_error(error);
        return std::nullopt;
    }
    DriverKey values;
    auto dll = k.get_string(u"Dll");
    auto prefix = k.get_string(u"Prefix");
    if (!dll || !prefix || prefix->size() != 3) {
        set_last_error(ERROR_BADKEY);
        return std::nullopt;
    }
    values.dll = *dll;
    values.prefix = *prefix;
    values.index = k.get_dword(u"Index").value_or(1);
    values.order = k.get_dword(u"Order").value_or(0);
    return values;
}

ActiveDevice activate_device(std::u16string_view key, const void* bus_context) {
    return Manager::instance().activate(key, bus_context);
}

bool deactivate_device(ActiveDevice device) {
    return Manager::instance().deactivate(device);
}

void power_down_devices() {
    Manager::instance().power(true);
}

void power_up_devices() {
    Manager::instance().power(false);
}

std::vector<std::u16string> active_device_names() {
    return Manager::instance().names();
}

bool is_active(std::u16string_view name) {
    return Manager::instance().find(name) != nullptr;
}

size_t start() {
    return Manager::instance().start();
}

// ---- StreamFile -------------------------------------------------------------

StreamFile::StreamFile(StreamFile&& other) noexcept : open_(std::move(other.open_)) {}

StreamFile& StreamFile::operator=(StreamFile&& other) noexcept {
    if (this != &other) {
        close();
        open_ = std::move(other.open_);
    }
    return *this;
}

StreamFile StreamFile::open(std::u16string_view name, uint32_t access, uint32_t share) {
    StreamFile file;
    auto device = Manager::instance().find(name);
    if (!device) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return file;
    }
    CallScope scope(*device);
    if (!scope) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return file;
    }
    StreamContext context = device->driver->open(device->context, access, share);
    if (!context) return file;
    file.open_ = std::make_shared<OpenRecord>(OpenRecord{device, context});
    return file;
}

bool StreamFile::io_control(uint32_t code, const void* input, uint32_t input_size, void* output,
                            uint32_t output_size, uint32_t* bytes_returned) {
    if (bytes_returned) *bytes_returned = 0;
    if (!open_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    CallScope scope(*open_->device);
    if (!scope) return false;
    uint32_t returned = 0;
    bool ok = open_->device->driver->io_control(
                  open_->context, code, static_cast<const uint8_t*>(input), input_size,
                  static_cast<uint8_t*>(output), output_size, &returned) != 0;
    if (bytes_returned) *bytes_returned = returned;
    return ok;
}

// Runs `call` on the open device; STREAM_FAILED for a closed file or a
// device that went away.
template <class F>
uint32_t StreamFile::on_device(F&& call) {
    if (!open_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return STREAM_FAILED;
    }
    CallScope scope(*open_->device);
    if (!scope) return STREAM_FAILED;
    return call(*open_->device->driver, open_->context);
}

uint32_t StreamFile::read(void* buffer, uint32_t size) {
    return on_device([&](DriverLibrary& d, StreamContext c) { return d.read(c, buffer, size); });
}

uint32_t StreamFile::write(const void* buffer, uint32_t size) {
    return on_device([&](DriverLibrary& d, StreamContext c) { return d.write(c, buffer, size); });
}

uint32_t StreamFile::seek(int32_t distance, uint32_t method) {
    return on_device(
        [&](DriverLibrary& d, StreamContext c) { return d.seek(c, distance, method); });
}

bool StreamFile::close() {
    if (!open_) return false;
    auto record = std::move(open_);
    CallScope scope(*record->device);
    // A device that went away has nothing left to close.
    if (!scope) return true;
    return record->device->driver->close(record->context) != 0;
}

}  // namespace plat::devices

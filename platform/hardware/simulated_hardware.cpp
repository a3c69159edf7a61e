#include "platform/hardware/simulated_hardware.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"
#include "platform/module/library.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace plat::hardware {

namespace {

// Loaded simulator libraries; they stay loaded for the process.
struct LoadedLibraries {
    std::mutex mutex;
    std::vector<Library> libraries;  // guarded by mutex
};

void keep_loaded(Library library) {
    static LoadedLibraries loaded;
    std::lock_guard lock(loaded.mutex);
    loaded.libraries.push_back(std::move(library));
}

// The simulator's key below HKLM; false when it is missing.
bool open_simulator_key(RegKey& key) {
    return hkey_local_machine().open(kSimulatorKey, key) == 0;
}

}  // namespace

bool simulated_world() {
    RegKey key;
    if (!open_simulator_key(key)) return false;
    return key.get_dword(kSimulatedValue).value_or(0) != 0;
}

namespace {

// The simulator library the registry names, in the device image's
// "\Windows" folder, and its path.
Library load_simulator(std::u16string& path) {
    RegKey key;
    std::u16string dll = kDefaultDll;
    if (open_simulator_key(key)) {
        if (auto name = key.get_string(kDllValue); name && !name->empty()) dll = *name;
    }
    path = u"\\Windows\\" + dll;
    return Library::load(path);
}

}  // namespace

std::string simulated_world_problem() {
    if (!simulated_world()) return {};
    std::u16string path;
    Library library = load_simulator(path);
    auto* check = library ? library.bind<CheckWorldFn>(kCheckWorldEntry) : nullptr;
    if (!check) return {};  // power-on says what is missing
    char line[1024] = {};
    const int32_t problems = check(line, sizeof line);
    keep_loaded(std::move(library));
    if (problems <= 0) return {};
    std::string out(line);
    if (problems > 1) out += " (and " + std::to_string(problems - 1) + " more)";
    return out;
}

SimulatedHardware::~SimulatedHardware() {
    power_off();
}

SimulatedHardware::SimulatedHardware(SimulatedHardware&& other) noexcept
    : power_off_(std::exchange(other.power_off_, nullptr)),
      devices_(std::exchange(other.devices_, 0)) {}

SimulatedHardware& SimulatedHardware::operator=(SimulatedHardware&& other) noexcept {
    if (this != &other) {
        power_off();
        power_off_ = std::exchange(other.power_off_, nullptr);
        devices_ = std::exchange(other.devices_, 0);
    }
    return *this;
}

SimulatedHardware SimulatedHardware::power_on() {
    SimulatedHardware hardware;
    if (!simulated_world()) {
        debug_printf(
            "Simulated hardware: off (the registry's world is not simulated), "
            "no simulated device plugged in\n");
        return hardware;
    }
    std::u16string path;
    Library library = load_simulator(path);
    if (!library) {
        debug_printf(
            "Simulated hardware: %s not loaded (error %u), no simulated device "
            "plugged in\n",
            to_utf8(path).c_str(), get_last_error());
        return hardware;
    }
    auto* on = library.bind<PowerOnFn>(kPowerOnEntry);
    auto* off = library.bind<PowerOffFn>(kPowerOffEntry);
    if (!on || !off) {
        debug_printf("Simulated hardware: %s lacks %s or %s\n", to_utf8(path).c_str(),
                     kPowerOnEntry, kPowerOffEntry);
        return hardware;
    }
    hardware.devices_ = on();
    keep_loaded(std::move(library));
    hardware.power_off_ = off;
    debug_printf("Simulated hardware: %s powered on, %d device(s) plugged in\n",
                 to_utf8(path).c_str(), hardware.devices_);
    return hardware;
}

void SimulatedHardware::power_off() {
    if (!power_off_) return;
    std::exchange(power_off_, nullptr)();
    devices_ = 0;
}

}  // namespace plat::hardware

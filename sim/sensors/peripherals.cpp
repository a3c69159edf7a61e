#include "sim/sensors/peripherals.h"

#include "platform/fs/file.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/serial/serial_port.h"
#include "platform/text/utf.h"
#include "sim/board_factory.h"
#include "sim/gps/nmea_replay.h"
#include "sim/sensors/binary_sims.h"
#include "sim/sensors/k630_sim.h"

namespace sim {

namespace {

constexpr char16_t kCom1[] = u"com1";
constexpr char16_t kUsbSensor[] = u"UPM1";

std::string ReadInstrumentFile(const std::string& path) {
    plat::File file =
        plat::File::open(plat::from_utf8(path), plat::FileAccess::Read, plat::FileOpen::Existing);
    std::string text;
    if (!file) return text;
    char chunk[4096];
    for (;;) {
        const int64_t n = file.read(std::as_writable_bytes(std::span(chunk)));
        if (n <= 0) break;
        text.append(chunk, static_cast<size_t>(n));
    }
    return text;
}

bool IsK630Family(const std::string& model) {
    return model.size() == 4 && model.rfind("K6", 0) == 0 && model[3] == '0' && model != "K610" &&
           model != "K620";
}

}  // namespace

PeripheralWorld::PeripheralWorld(const Scene& scene, const std::filesystem::path& root)
    : scene_(scene), root_(root), signal_(scene.peripherals.sensor) {
    SetCom1(scene.peripherals.com1);
    SetUsb(scene.peripherals.usb);
    std::error_code error;
    const std::filesystem::path file = scene_path(root_);
    seen_time_ = std::filesystem::last_write_time(file, error);
    seen_size_ = error ? 0 : std::filesystem::file_size(file, error);
    stop_ = plat::Event(true, false);
    watcher_ = plat::Thread::start([this] { return Watch(); });
}

PeripheralWorld::~PeripheralWorld() {
    stop_.set();
    watcher_.join();
    plat::serial::set_port_peer(kCom1, nullptr);
    plat::serial::unplug(kUsbSensor);
}

uint32_t PeripheralWorld::Watch() {
    while (!stop_.wait(kWatchMs)) FollowSceneFile();
    return 0;
}

void PeripheralWorld::FollowSceneFile() {
    const std::filesystem::path file = scene_path(root_);
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file, error);
    if (error) return;
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error || (time == seen_time_ && size == seen_size_)) return;
    SceneLoad load = load_scene(file);
    // A file caught half-written is read again at the next look.
    if (!load.problems.empty()) return;
    seen_time_ = time;
    seen_size_ = size;
    Apply(load.scene.peripherals);
}

void PeripheralWorld::Apply(const Peripherals& p) {
    std::string com1, usb;
    {
        std::lock_guard lock(mutex_);
        com1 = scene_.peripherals.com1;
        usb = scene_.peripherals.usb;
        scene_.peripherals.gps_log = p.gps_log;
    }
    signal_.set(p.sensor);
    if (p.com1 != com1) SetCom1(p.com1);
    if (p.usb != usb) SetUsb(p.usb);
}

void PeripheralWorld::SetCom1(const std::string& device) {
    std::lock_guard lock(mutex_);
    scene_.peripherals.com1 = device;
    plat::serial::PeerFactory factory;
    if (device == "gps") {
        const std::string log = ReadInstrumentFile(scene_.peripherals.gps_log);
        if (log.empty())
            plat::debug_printf("Simulated GPS: no log at %s\n", scene_.peripherals.gps_log.c_str());
        const double scale = scene_.time_scale;
        factory = [log, scale](int fd) {
            return std::make_unique<LinePeer>(fd, std::make_unique<NmeaReplay>(log, scale));
        };
    } else if (IsK630Family(device)) {
        factory = [this, device](int fd) {
            return std::make_unique<LinePeer>(fd, std::make_unique<K630Sim>(device, true, signal_));
        };
    } else if (device == "K610" || device == "K610M") {
        const bool m = device == "K610M";
        factory = [this, m](int fd) {
            return std::make_unique<LinePeer>(fd, std::make_unique<K610Sim>(m, signal_));
        };
    } else if (device == "K615") {
        factory = [this](int fd) {
            return std::make_unique<LinePeer>(fd, std::make_unique<K615Sim>(signal_));
        };
    } else if (device != "none") {
        plat::debug_printf("Simulated com1: no model of %s, the line stays silent\n",
                           device.c_str());
    }
    // Without a factory the line stays, silent.
    plat::serial::set_port_peer(
        kCom1, factory ? factory : [](int) { return std::unique_ptr<plat::serial::IPeer>(); });
}

void PeripheralWorld::SetUsb(const std::string& model) {
    std::lock_guard lock(mutex_);
    scene_.peripherals.usb = model;
    plat::serial::unplug(kUsbSensor);
    if (!IsK630Family(model)) return;
    plat::serial::plug(kUsbSensor, [this, model](int fd) {
        return std::make_unique<LinePeer>(fd, std::make_unique<K630Sim>(model, false, signal_));
    });
}

std::unique_ptr<PeripheralWorld> attach_simulated_peripherals() {
    if (!board_is_simulated()) return nullptr;
    const std::filesystem::path root = plat::device_root();
    SceneLoad load = load_scene(scene_path(root));
    return std::make_unique<PeripheralWorld>(load.scene, root);
}

}  // namespace sim

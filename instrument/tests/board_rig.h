#pragma once
// The whole chain for end-to-end measurement tests: a device root with the
// acquisition driver installed, the simulated board of a scene attached to
// the USB host behind a recorder that keeps every command packet the board
// receives, and the main program's DSP link opened on "DSP1:".
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <vector>

#include "drivers/dsp/dsp_protocol.h"
#include "drivers/dsp/tests/install_driver.h"
#include "instrument/dsp_interface.h"
#include "instrument/tests/wait_for.h"
#include "platform/devices/device_manager.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"
#include "platform/usb/usb_host.h"
#include "sim/acquisition_board.h"
#include "sim/scene.h"

namespace measure_test {

// The board as the host sees it, with a log of the command packets it got.
class RecordingBoard : public plat::usb::AttachedDevice {
  public:
    struct Packet {
        uint16_t command = 0;
        std::vector<uint8_t> payload;
    };

    explicit RecordingBoard(const sim::Scene& scene)
        : board_(std::make_shared<sim::AcquisitionBoard>(scene)) {}

    plat::usb::InterfaceInfo describe() const override { return board_->describe(); }
    void attached(plat::usb::DeviceLink& link) override { board_->attached(link); }
    void detached() override { board_->detached(); }
    uint32_t receive_out(uint8_t endpoint, std::span<const uint8_t> data) override {
        if (endpoint == dsp::kBulkOutEndpoint && data.size() >= 4) {
            const uint16_t command = plat::get_le<uint16_t>(data.data());
            const uint16_t length = plat::get_le<uint16_t>(data.data() + 2);
            Packet p{command, {}};
            p.payload.assign(data.begin() + 4,
                             data.begin() + 4 + std::min<size_t>(length, data.size() - 4));
            std::lock_guard lock(mutex_);
            packets_.push_back(std::move(p));
        }
        return board_->receive_out(endpoint, data);
    }

    std::vector<Packet> Packets() const {
        std::lock_guard lock(mutex_);
        return packets_;
    }
    // The payload of the last packet with this command; empty when none.
    std::vector<uint8_t> LastPayload(uint16_t command) const {
        std::lock_guard lock(mutex_);
        for (auto it = packets_.rbegin(); it != packets_.rend(); ++it)
            if (it->command == command) return it->payload;
        return {};
    }
    // The complex floats of the term table uploaded with this id, put
    // together from the upload packets {u32 first, u16 entries, u16 sum, ...}.
    std::vector<uint8_t> UploadedTable(uint16_t id) const {
        std::lock_guard lock(mutex_);
        std::vector<uint8_t> table;
        for (const Packet& p : packets_) {
            if (p.command != id || p.payload.size() < 8) continue;
            uint32_t first;
            uint16_t entries;
            std::memcpy(&first, p.payload.data(), 4);
            std::memcpy(&entries, p.payload.data() + 4, 2);
            if (first == 0) table.clear();
            const size_t end = (size_t{first} + entries) * 8;
            if (table.size() < end) table.resize(end);
            std::memcpy(table.data() + size_t{first} * 8, p.payload.data() + 8,
                        std::min<size_t>(size_t{entries} * 8, p.payload.size() - 8));
        }
        return table;
    }

  private:
    std::shared_ptr<sim::AcquisitionBoard> board_;
    mutable std::mutex mutex_;
    std::vector<Packet> packets_;
};

// One device root for the whole process. The device manager registers the
// USB client driver with the host once a process, from the library of the
// root it started in; a rig in another root would activate "DSP1:" from a
// second copy of the driver, which knows no board.
inline const celvane_test::TempRoot& ProcessRoot() {
    struct Root {
        Root() { celvane_test::install_dsp_driver(root.path()); }
        celvane_test::TempRoot root{"measure-e2e"};
    };
    static const Root once;
    return once.root;
}

class BoardRig {
  public:
    explicit BoardRig(const sim::Scene& scene) {
        plat::set_debug_to_stderr(false);
        plat::set_device_root(ProcessRoot().path());
        plat::devices::start();
        board_ = std::make_shared<RecordingBoard>(scene);
        id_ = plat::usb::Host::instance().attach(board_);
        link_.Start();
        if (link_.Open() != 1)
            throw std::runtime_error("DSP1: did not open (error " +
                                     std::to_string(plat::get_last_error()) + ")");
        if (!instrument_test::WaitFor([&] { return link_.GetState() == CDspInterface::kIdle; }))
            throw std::runtime_error("link not ready");
    }
    ~BoardRig() {
        link_.Stop();
        plat::usb::Host::instance().detach(id_);
    }

    CDspInterface& link() { return link_; }
    RecordingBoard& board() { return *board_; }

  private:
    std::shared_ptr<RecordingBoard> board_;
    plat::usb::AttachId id_ = 0;
    CDspInterface link_;
};

// The scene of the reference files, with the board streaming as fast as
// the host reads and without random noise.
inline sim::Scene LoadScene(const std::filesystem::path& file) {
    sim::SceneLoad load = sim::load_scene(file);
    if (!load.error.empty()) throw std::runtime_error(load.error);
    load.scene.time_scale = 0;
    load.scene.receiver.noise_variation = false;
    return load.scene;
}

}  // namespace measure_test

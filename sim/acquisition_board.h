#pragma once
// The simulated acquisition board as the USB host sees it: command packets
// arrive on bulk OUT, replies and data packets leave on bulk IN. A thread of
// its own paces the data streams that messages start, the way the real
// board's sweeps would.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/kernel/sync.h"
#include "platform/usb/usb_host.h"

#include "sim/board_wire.h"
#include "sim/network_model.h"
#include "sim/scene.h"
#include "sim/spectrum_model.h"

namespace sim {

class AcquisitionBoard : public plat::usb::AttachedDevice {
  public:
    // `state_folder` (empty: none) keeps what the board stores across power
    // cycles: the committed firmware images "dsp.bin" and "fpga.bin" and the
    // last calibration block "calibration.bin", each saved whole.
    explicit AcquisitionBoard(const Scene& scene, std::filesystem::path state_folder = {});
    ~AcquisitionBoard() override;
    AcquisitionBoard(const AcquisitionBoard&) = delete;
    AcquisitionBoard& operator=(const AcquisitionBoard&) = delete;

    // The device on the bus: interrupt IN/OUT, bulk IN/OUT. Command packets
    // {u16 command, u16 length, payload} arrive on bulk OUT; replies and data
    // packets leave on bulk IN.
    plat::usb::InterfaceInfo describe() const override;
    void attached(plat::usb::DeviceLink& link) override;
    std::uint32_t receive_out(std::uint8_t endpoint, std::span<const std::uint8_t> data) override;
    void detached() override;

    bool streaming() const;
    // Appends every command packet received from now on to a host file.
    void set_command_log(const std::filesystem::path& file);
    const Scene& scene() const { return scene_; }

    // Bytes the board keeps queued ahead of the host at most.
    static constexpr std::size_t kMaxQueuedBytes = 16384;

  private:
    struct Stream;
    // Pipe work decided under the state lock and carried out after it.
    struct Outgoing {
        bool clear = false;
        std::vector<Bytes> packets;
    };

    void run();
    void handle_command(std::uint16_t command, const Bytes& payload, Outgoing& out);
    void reply(std::uint16_t command, const Bytes& data, Outgoing& out);
    static void queue_small(std::uint16_t type, const Bytes& data, Outgoing& out);
    void start_message(std::uint16_t id, const Bytes& payload, Outgoing& out);
    void answer_query(std::uint16_t id, const Bytes& payload, Outgoing& out);
    void store_table(std::uint16_t id, const Bytes& payload);
    void next_round(Stream& st);
    void flush(const Outgoing& out);
    void log_command(std::uint16_t command, const Bytes& payload) const;
    // Saves `data` as `name` in the state folder; false when it could not.
    bool keep(const char* name, const Bytes& data) const;

    std::vector<Complex> measured_sweep(int kind, const std::vector<double>& f) const;
    // Whether the scene leaves this reply of `id` out (counting it).
    bool leave_out(std::uint16_t id);

    Scene scene_;
    std::filesystem::path state_folder_;
    SpectrumModel spectrum_;
    NetworkModel network_;

    // Lock order: pipe_mutex_, then mutex_, then model_mutex_. The pipe lock
    // keeps everything put on the bulk IN pipe in order (a stop's clear and
    // echo never interleave with a data packet); it is recursive because a
    // host completion routine may send the next command from inside send_in.
    // The model lock guards the models and what the rounds keep across
    // messages: the board's thread computes a round under it alone, so that
    // a stop never waits for a long sweep's arithmetic.
    std::recursive_mutex pipe_mutex_;
    mutable std::mutex mutex_;
    std::mutex model_mutex_;
    plat::Event wake_{false, false};  // set for the board's thread by every change
    plat::usb::DeviceLink* link_ = nullptr;
    bool reply_unread_ = false;
    bool quit_ = false;
    std::uint64_t generation_ = 0;    // bumped by every stop and every new message
    std::shared_ptr<Stream> stream_;  // kept alive by the board's thread while it computes a round
    double next_due_ms_ = 0;          // platform clock; guarded by mutex_

    // Network-analyzer state kept across messages.
    double na_start_ = 2e6, na_stop_ = 4e9;
    int na_points_ = 705;
    std::map<int, std::vector<Complex>> standards_;                 // raw readings by message id
    std::map<std::uint16_t, std::vector<Complex>> computed_terms_;  // by fetch id
    // The terms the board corrects its sweeps with, by store id: uploaded, or
    // solved from the standards.
    std::map<std::uint16_t, std::vector<Complex>> uploaded_terms_;
    bool bias_on_ = false;
    // Replies still to leave out, by message id (0: every one); under the
    // model lock.
    std::map<std::uint16_t, std::uint32_t> left_out_;

    // Downloads.
    Bytes images_[2];
    bool image_bad_[2] = {false, false};
    Bytes calibration_;
    std::uint16_t error_code_ = 0, error_component_ = 0;

    std::filesystem::path command_log_;  // under the pipe lock
    // When the board started (platform clock): signals switch off after it.
    const double started_ms_;
    // The switch-off event of each scene signal (empty for none); set only.
    const std::vector<plat::Event> off_events_;

    std::thread thread_;
};

}  // namespace sim

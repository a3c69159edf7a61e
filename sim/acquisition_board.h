#pragma once
// The simulated acquisition board as the USB host sees it: command packets
// arrive on bulk OUT, replies and data packets leave on bulk IN. A thread of
// its own paces the data streams that messages start, the way the real
// board's sweeps would.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "sim/board_wire.h"
#include "sim/network_model.h"
#include "sim/scene.h"
#include "sim/spectrum_model.h"

namespace sim {

class AcquisitionBoard {
  public:
    explicit AcquisitionBoard(const Scene& scene);
    ~AcquisitionBoard();
    AcquisitionBoard(const AcquisitionBoard&) = delete;
    AcquisitionBoard& operator=(const AcquisitionBoard&) = delete;

    // A command packet {u16 command, u16 length, payload} from the host.
    // Returns false for a packet the board cannot take (too short, too long).
    bool bulk_out(const std::uint8_t* data, std::size_t size);

    // The next IN transfer, at most `max` bytes; -1 after `timeout_ms`
    // (negative waits forever) or when aborted.
    int bulk_in(std::uint8_t* buffer, std::size_t max, int timeout_ms);
    // Wakes every reader waiting in `bulk_in` with a failure.
    void abort_in();

    bool streaming() const;
    std::size_t queued_transfers() const;
    const Scene& scene() const { return scene_; }

    // Largest transfer the board queues ahead of the host.
    static constexpr std::size_t kMaxQueued = 64;

  private:
    struct Stream;

    void run();
    void handle_command(std::uint16_t command, const Bytes& payload);
    void reply(std::uint16_t command, const Bytes& data);
    void queue_packet(const Bytes& packet);
    void queue_small(std::uint16_t type, const Bytes& data);
    void stop_stream();
    void start_message(std::uint16_t id, const Bytes& payload);
    void answer_query(std::uint16_t id, const Bytes& payload);
    void store_table(std::uint16_t id, const Bytes& payload);
    bool produce(std::chrono::steady_clock::duration& pause);

    std::vector<Complex> measured_sweep(int kind, const std::vector<double>& f) const;

    Scene scene_;
    SpectrumModel spectrum_;
    NetworkModel network_;

    mutable std::mutex mutex_;
    std::condition_variable in_ready_;
    std::condition_variable work_;
    std::deque<Bytes> in_;
    bool reply_unread_ = false;
    bool quit_ = false;
    std::uint64_t abort_generation_ = 0;
    std::unique_ptr<Stream> stream_;
    std::chrono::steady_clock::time_point next_due_;

    // Network-analyzer state kept across messages.
    double na_start_ = 2e6, na_stop_ = 4e9;
    int na_points_ = 705;
    std::map<int, std::vector<Complex>> standards_;                 // raw readings by message id
    std::map<std::uint16_t, std::vector<Complex>> computed_terms_;  // by fetch id
    std::map<std::uint16_t, std::vector<Complex>> uploaded_terms_;  // by store id
    bool bias_on_ = false;

    // Downloads.
    Bytes images_[2];
    bool image_bad_[2] = {false, false};
    Bytes calibration_;
    std::uint16_t error_code_ = 0, error_component_ = 0;

    std::thread thread_;
};

}  // namespace sim

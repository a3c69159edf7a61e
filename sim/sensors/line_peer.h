#pragma once
// A simulated device on the far end of a serial line: a thread on the
// pseudo-terminal's master side that feeds the device what the instrument
// writes and sends what the device answers or emits in time.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/serial/serial_port.h"

namespace sim {

class ILineDevice {
  public:
    virtual ~ILineDevice() = default;
    // Bytes the instrument wrote; returns the bytes to send back.
    virtual std::string OnBytes(std::string_view in, uint64_t now_ms) = 0;
    // Output due by now (readings, sentences).
    virtual std::string OnTime(uint64_t /*now_ms*/) { return {}; }
    // The platform time at which OnTime next has output; 0 while none is
    // due until bytes arrive.
    virtual uint64_t NextDue(uint64_t /*now_ms*/) const { return 0; }
};

// The peer's thread sleeps until the instrument writes or the device's next
// output is due; it has no cadence of its own.
class LinePeer : public plat::serial::IPeer {
  public:
    LinePeer(int master_fd, std::unique_ptr<ILineDevice> device);
    ~LinePeer() override;

  private:
    void Run();
    void Send(const std::string& bytes);
    int fd_;
    std::unique_ptr<ILineDevice> device_;  // the peer thread's
    std::atomic<bool> stop_{false};
    int wake_fd_ = -1;  // an eventfd the destructor writes to end a wait
    std::thread thread_;
};

}  // namespace sim

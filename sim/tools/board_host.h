#pragma once
// A minimal host side of the board protocol for tools and tests: puts a board
// on the USB host, claims it as a client driver would, sends command packets
// on bulk OUT and reassembles data packets from bulk IN transfers the way the
// acquisition driver reads them.

#include <memory>
#include <optional>

#include "platform/usb/usb_host.h"
#include "sim/acquisition_board.h"

namespace sim {

struct Packet {
    std::uint16_t type = 0;
    std::uint16_t length = 0;  // bytes after the 4-byte head
    Bytes body;                // `length` bytes
    int transfers = 0;         // IN transfers it took
    std::size_t first_transfer = 0, second_transfer = 0;

    std::uint16_t start() const { return get_le<std::uint16_t>(body, 0); }
    std::uint16_t count() const { return get_le<std::uint16_t>(body, 2); }
};

class BoardHost {
  public:
    explicit BoardHost(std::shared_ptr<AcquisitionBoard> board);
    ~BoardHost();
    BoardHost(const BoardHost&) = delete;
    BoardHost& operator=(const BoardHost&) = delete;

    bool send(std::uint16_t command, const Bytes& payload = {});
    // One IN transfer of up to `size` bytes; nullopt on time-out.
    std::optional<Bytes> transfer_in(std::size_t size, int timeout_ms);
    // One packet: a first transfer of up to 64 bytes, then one remainder.
    std::optional<Packet> read(int timeout_ms = 5000);
    // Reads until a packet of `type`; other packets are skipped.
    std::optional<Packet> read_type(std::uint16_t type, int limit = 100000);
    // The stop handshake: stop, then wait for its echo.
    bool stop();
    // The values of one whole sweep of `points` values of `width` bytes, from
    // packets of `type`, starting at the next sweep start.
    Bytes collect(std::uint16_t type, int points, std::size_t width);

    // Uploads `count` 8-byte table entries in packets of up to 126, each
    // answered by its echo. False when an echo is missing.
    bool upload_table(std::uint16_t id, const Bytes& entries, int count);

    AcquisitionBoard& board() { return *board_; }

  private:
    std::shared_ptr<AcquisitionBoard> board_;
    plat::usb::AttachId id_ = 0;
    struct Pipes;
    std::unique_ptr<Pipes> pipes_;
};

}  // namespace sim

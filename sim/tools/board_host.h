#pragma once
// A minimal host side of the board protocol, for tools and tests: sends
// command packets and reassembles data packets from their transfers.

#include <optional>

#include "sim/acquisition_board.h"

namespace sim {

struct Packet {
    std::uint16_t type = 0;
    std::uint16_t length = 0;  // bytes after the 4-byte head
    Bytes body;                // `length` bytes

    std::uint16_t start() const { return get_le<std::uint16_t>(body, 0); }
    std::uint16_t count() const { return get_le<std::uint16_t>(body, 2); }
};

class BoardHost {
  public:
    explicit BoardHost(AcquisitionBoard& board) : board_(board) {}

    bool send(std::uint16_t command, const Bytes& payload = {}) {
        Bytes p;
        append_le<std::uint16_t>(p, command);
        append_le<std::uint16_t>(p, static_cast<std::uint16_t>(payload.size()));
        p.insert(p.end(), payload.begin(), payload.end());
        return board_.bulk_out(p.data(), p.size());
    }

    // One packet: a first transfer of up to 64 bytes, then one remainder.
    std::optional<Packet> read(int timeout_ms = 5000) {
        std::uint8_t first[64];
        const int n = board_.bulk_in(first, sizeof first, timeout_ms);
        if (n < 4) return std::nullopt;
        Packet p;
        p.type = static_cast<std::uint16_t>(first[0] | first[1] << 8);
        p.length = static_cast<std::uint16_t>(first[2] | first[3] << 8);
        p.body.assign(first + 4, first + n);
        if (4u + p.length > 64) {
            const std::size_t rest = 64 * ((4u + p.length + 63) / 64 - 1);
            Bytes more(rest);
            const int m = board_.bulk_in(more.data(), more.size(), timeout_ms);
            if (m < 0) return std::nullopt;
            p.body.insert(p.body.end(), more.begin(), more.begin() + m);
        }
        p.body.resize(p.length);
        return p;
    }

    // Reads until a packet of `type`; other packets are skipped.
    std::optional<Packet> read_type(std::uint16_t type, int limit = 100000) {
        for (int i = 0; i < limit; ++i) {
            auto p = read();
            if (!p) return std::nullopt;
            if (p->type == type) return p;
        }
        return std::nullopt;
    }

    // The stop handshake: stop, then wait for its echo.
    bool stop() {
        send(0x41);
        return read_type(0x0041, 1000).has_value();
    }

    // Collects `points` values of `width` bytes from consecutive packets of `type`
    // that begin a fresh sweep at index 0.
    Bytes collect(std::uint16_t type, int points, std::size_t width) {
        Bytes out(static_cast<std::size_t>(points) * width);
        int have = 0;
        bool started = false;
        while (have < points) {
            auto p = read_type(type);
            if (!p) return {};
            if (p->start() == 0) started = true, have = 0;
            if (!started) continue;
            std::copy(p->body.begin() + 4, p->body.end(),
                      out.begin() + static_cast<long>(p->start() * width));
            have = p->start() + p->count();
        }
        return out;
    }

  private:
    AcquisitionBoard& board_;
};

}  // namespace sim

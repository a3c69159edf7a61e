#pragma once
// The command packets the simulated board logged ("board.log" in the device
// root, one packet a line: "XXXX: b0 b1 ..." in hex).
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace board_log {

struct Record {
    uint16_t command = 0;
    std::vector<uint8_t> payload;
    // A little-endian value of the payload at `offset`.
    template <typename T>
    T Get(size_t offset) const {
        T v{};
        for (size_t i = 0; i < sizeof(T); ++i)
            v |= static_cast<T>(static_cast<T>(payload.at(offset + i)) << (8 * i));
        return v;
    }
};

inline std::vector<Record> Read(const std::filesystem::path& log) {
    std::vector<Record> out;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string head;
        words >> head;
        if (head.size() != 5 || head[4] != ':') continue;
        Record r;
        r.command = static_cast<uint16_t>(std::stoul(head.substr(0, 4), nullptr, 16));
        std::string byte;
        while (words >> byte)
            r.payload.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace board_log

#pragma once
// The real NMEA logs and gpsd's decoding of them (.chk): each sentence with
// the JSON records that followed it.
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace sensor_test {

struct NmeaStep {
    std::string sentence;
    std::vector<nlohmann::json> records;
};

inline std::string NmeaDataDir() {
    return NMEA_DATA_DIR;
}

// The sentences of a .log as a receiver sends them ('#' lines dropped).
inline std::vector<std::string> ReadNmeaLog(const std::string& name) {
    std::ifstream in(NmeaDataDir() + "/" + name);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        out.push_back(line);
    }
    return out;
}

inline std::vector<NmeaStep> ReadNmeaCheck(const std::string& name) {
    std::ifstream in(NmeaDataDir() + "/" + name + ".chk");
    std::vector<NmeaStep> steps;
    for (std::string line; std::getline(in, line);) {
        // Some sentences are stored with their CR; a replay adds CR LF itself.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '{') {
            if (!steps.empty()) steps.back().records.push_back(nlohmann::json::parse(line));
        } else {
            steps.push_back({line, {}});
        }
    }
    return steps;
}

// Seconds of the day of a gpsd time "YYYY-MM-DDThh:mm:ss.sssZ".
inline double TimeOfDay(const std::string& iso) {
    const size_t t = iso.find('T');
    return std::stod(iso.substr(t + 1, 2)) * 3600 + std::stod(iso.substr(t + 4, 2)) * 60 +
           std::stod(iso.substr(t + 7));
}

}  // namespace sensor_test

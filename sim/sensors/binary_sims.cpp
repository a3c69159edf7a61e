#include "sim/sensors/binary_sims.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "instrument/sensors/sensor_protocol.h"

namespace sp = sensor_protocol;

namespace sim {

namespace {

constexpr uint32_t kFullScaleMicrowatts = 25000000;  // 25 W
constexpr uint32_t kFactorMillionths = 1000000;      // factor 1
constexpr char kSerial[] = "SIM06101";
constexpr uint16_t kFirmware = 0x0102;

// Appends the check of everything so far.
void Seal(std::vector<uint8_t>& r) {
    uint8_t check[2];
    sp::PutBe16(check, sp::Crc16(r));
    r.insert(r.end(), check, check + 2);
}

std::string Bytes(const std::vector<uint8_t>& r) {
    return std::string(r.begin(), r.end());
}

// Handles the commands of a binary sensor: "I\n" identification (a lone
// 'I' is the wake byte), letters with a CR, the three-byte "G,x".
template <typename Handle>
std::string Commands(std::string& pending, std::string_view in, Handle&& handle) {
    pending.append(in);
    std::string out;
    size_t i = 0;
    while (i < pending.size()) {
        const char c = pending[i];
        if (c == 'G') {
            if (pending.size() - i < 3) break;
            out += handle(std::string_view(pending).substr(i, 3));
            i += 3;
            continue;
        }
        if (c == sp::kWake && i + 1 < pending.size() && pending[i + 1] == '\n') {
            out += handle("I\n");
            i += 2;
            continue;
        }
        out += handle(std::string_view(pending).substr(i, 1));
        ++i;
    }
    pending.erase(0, i);
    return out;
}

}  // namespace

K610Sim::K610Sim(bool m_variant, const SensorSignalState& signal)
    : m_(m_variant), physics_(signal, sensor_spec(m_variant ? "K610M" : "K610"), 610) {}

std::string K610Sim::Calibration() const {
    std::vector<uint8_t> r(1 + (m_ ? sp::kK610MCalBytes : sp::kK610CalBytes) - 2, 0);
    r[0] = 'C';
    sp::PutBe32(&r[1], kFullScaleMicrowatts);
    sp::PutBe32(&r[5], kFactorMillionths);
    sp::PutBe32(&r[9], kFactorMillionths);
    std::memcpy(&r[13], kSerial, 8);
    sp::PutBe16(&r[21], kFirmware);
    Seal(r);
    return Bytes(r);
}

std::string K610Sim::Data(uint64_t now_ms) {
    const double w = physics_.measure(now_ms);
    // The host multiplies by the temperature correction; the sensor's raw
    // count carries its inverse (1.0 for the K610M).
    const uint16_t t = sp::K610TemperatureWord(physics_.temperature_c());
    const double k = m_ ? 1.0 : sp::K610CorrectionFactor(t);
    const auto counts = [&](double watts) {
        return static_cast<uint32_t>(std::lround(watts / k * sp::kK610CountsPerWatt));
    };
    std::vector<uint8_t> r(1 + (m_ ? sp::kK610MDataBytes : sp::kK610DataBytes) - 2, 0);
    r[0] = 'D';
    sp::PutBe32(&r[1], counts(w));
    sp::PutBe32(&r[5], counts(w * physics_.reflected_share()));
    sp::PutBe16(&r[9], t);
    if (m_) r[kProbeByte] = static_cast<uint8_t>(probe_);
    Seal(r);
    return Bytes(r);
}

std::string K610Sim::OnBytes(std::string_view in, uint64_t now_ms) {
    return Commands(pending_, in, [&](std::string_view cmd) -> std::string {
        if (cmd == "I\n") return m_ ? "K610M\r\n" : "K610\r\n";
        if (cmd == "C") return Calibration();
        if (cmd == "D") return Data(now_ms);
        if (cmd.size() == 3 && cmd[0] == 'G') probe_ = cmd[2];
        return {};  // line ends, other models' bytes
    });
}

K615Sim::K615Sim(const SensorSignalState& signal) : physics_(signal, sensor_spec("K615"), 615) {}

std::string K615Sim::Calibration() const {
    std::vector<uint8_t> r(sp::kK615CalRecord - 2, 0);
    r[0] = 'C';
    sp::PutBe32(&r[1], kZeroCount);
    sp::PutBe32(&r[5], kZeroCount + kSensitivity);
    sp::PutBe32(&r[9], kSensitivity);
    sp::PutBe16(&r[13], kTemperatureWord);
    r[15] = static_cast<uint8_t>(kExponent);
    r[16] = uint8_t(kMantissa >> 16);
    r[17] = uint8_t(kMantissa >> 8);
    r[18] = uint8_t(kMantissa);
    Seal(r);
    return Bytes(r);
}

std::string K615Sim::Record(uint64_t now_ms) {
    // The inverse of the host's power formula at the calibration temperature.
    const double factor = kMantissa * std::pow(10.0, -kExponent);
    const double c = physics_.measure(now_ms) * factor / sp::kK615FullScaleW * kSensitivity;
    std::vector<uint8_t> r(sp::kK615DataRecord - 2, 0);
    r[0] = 'D';
    sp::PutBe32(&r[1], kZeroCount + static_cast<uint32_t>(std::lround(std::max(c, 0.0))));
    sp::PutBe16(&r[5], kTemperatureWord);
    Seal(r);
    return Bytes(r);
}

std::string K615Sim::OnBytes(std::string_view in, uint64_t now_ms) {
    return Commands(pending_, in, [&](std::string_view cmd) -> std::string {
        if (cmd == "I\n") {
            running_ = false;
            return "K615\r\n";
        }
        if (cmd == "I") running_ = false;
        if (cmd == "C") return Calibration();
        if (cmd == "D") {
            running_ = true;
            next_ms_ = now_ms;
        }
        if (cmd == "Z" && !physics_.ignores_zero()) {
            physics_.zero();
            return std::string(1, char(sp::kK615ZeroReply));
        }
        return {};
    });
}

std::string K615Sim::OnTime(uint64_t now_ms) {
    if (!running_ || now_ms < next_ms_) return {};
    next_ms_ = now_ms + sp::kReadingPeriodMs;
    return Record(now_ms);
}

}  // namespace sim

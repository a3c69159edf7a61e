#pragma once
// The power sensors' command protocol, shared by the sensor classes and the
// simulated sensors: model texts and codes, commands and reply letters, the
// K630-family reading layout, our K610/K610M 'D' and 'C' reply layouts and
// the K615 poll sequence. Every multi-byte number is high byte first.
#include <cstddef>
#include <cstdint>
#include <span>

namespace sensor_protocol {

// Model codes (also the serial port mode the model's replies need).
inline constexpr int32_t kK610 = 1;
inline constexpr int32_t kK610M = 3;
inline constexpr int32_t kK615 = 5;
inline constexpr int32_t kK630 = 6;
inline constexpr int32_t kK640 = 18;
inline constexpr int32_t kK650 = 19;
inline constexpr int32_t kK660 = 20;
inline constexpr int32_t kK670 = 21;

struct Model {
    const char* text;
    int32_t code;
};
// The K630 family in the order the model check tries them.
inline constexpr Model kK630Family[] = {
    {"K630", kK630}, {"K640", kK640}, {"K650", kK650}, {"K660", kK660}, {"K670", kK670}};

// Identification: the host sends kIdentify; a sensor answers with its model
// text and a line end ("K640\r\n"). kWake alone wakes a sensor.
inline constexpr char kIdentify[] = "I\n";
inline constexpr char kWake = 'I';

inline constexpr uint8_t kAck[] = {',', 'A', 'C', 'K'};
inline constexpr uint8_t kNak = 0x15;
// A K630-family sensor on a serial line answers its first F with this and
// from then on takes commands ending in a line feed.
inline constexpr char kSerialAnnounce[] = "rs232";

// K630-family replies: "<letter>,<fields>,ACK" and "\r\n" (the port's reader
// completes a reply at the CR, the reply reader at the LF). F: "F,<model>,ACK"; G: "G,<source word
// as %1.5e>,ACK"; U and Z: "U,ACK", "Z,ACK". D starts the reading output: a reading every
// kReadingPeriodMs until U (which is not answered), "D," and then the numbers of keys 1 to 9 in
// "%1.5e" (two exponent digits), then ",ACK".
inline constexpr uint32_t kReadingPeriodMs = 400;
// Reading keys (the power meter's values 1..9; value 0 is the source word).
namespace key {
inline constexpr uint32_t kBurst = 1;
inline constexpr uint32_t kTemperature = 2;  // degrees Celsius
inline constexpr uint32_t kForward = 3;      // main power, watts
inline constexpr uint32_t kReflected = 4;    // watts
inline constexpr uint32_t kPeak = 5;         // watts
inline constexpr uint32_t kFilter = 6;
inline constexpr uint32_t kCcdf = 7;  // percent
inline constexpr uint32_t kCrest = 8;
inline constexpr uint32_t kDuty = 9;  // percent
inline constexpr uint32_t kCount = 9;
}  // namespace key

// The K630 family's full scale in watts (the reading limits' k).
inline constexpr float kK630FullScale = 150.0f;

// K610/K610M (fixed-length replies, port modes 1 and 3). "G,F" stops the
// sensor's output, "C\r" asks for the calibration reply, "D\r" for one
// reading. After 'D': forward count (u32), reflected count (u32),
// temperature word (u16), status byte, for the K610M a probe byte (the
// letter of its last "G," command), then the
// check (u16) of everything before it, the letter included. After 'C': full
// scale in microwatts (u32), forward and reflected calibration factors (u32,
// millionths), serial number (8 characters), firmware word (u16), zero
// bytes to the length, check (u16). Both end in a line feed that the port's
// reader adds.
inline constexpr size_t kK610DataBytes = 13;  // after the letter
inline constexpr size_t kK610MDataBytes = 14;
inline constexpr size_t kK610CalBytes = 27;
inline constexpr size_t kK610MCalBytes = 28;
inline constexpr double kK610CountsPerWatt = 1.0e6;  // raw counts at factor 1
// The K610's temperature correction of a temperature word (1.0 outside
// 9472..50688); the host multiplies its readings by it.
inline double K610CorrectionFactor(uint16_t t) {
    if (t < 9472 || t > 50688) return 1.0;
    const double x = t;
    return 1.237163701968717e-14 * x * x * x + 63980076.0 / (x * x) + 0.5661143064498901;
}
// The K610's temperature word counts hundredths of a kelvin.
inline constexpr double kKelvinAtZeroCelsius = 273.15;
inline constexpr double kK610WordsPerKelvin = 100.0;
inline float K610Celsius(uint16_t t) {
    return static_cast<float>(t / kK610WordsPerKelvin - kKelvinAtZeroCelsius);
}
inline uint16_t K610TemperatureWord(double celsius) {
    return static_cast<uint16_t>((celsius + kKelvinAtZeroCelsius) * kK610WordsPerKelvin + 0.5);
}
inline constexpr double kCalFactorUnit = 1.0e-6;
inline constexpr char kK610Stop[] = "G,F";
inline constexpr char kK610Calibration[] = "C\r";
inline constexpr char kK610Reading[] = "D\r";

// K615 (binary records): the wake byte 'I' also stops the data output; "C\r"
// asks for the 21-byte calibration record; "D\r" starts data records of 11
// bytes every kReadingPeriodMs; "Z" zeroes and is answered by one 'Z'.
// Records stand in the ring in the order they came; the host takes them by
// count. Sequence: wake, C; D; (zero: I, Z, then D again).
inline constexpr size_t kK615CalRecord = 21;
inline constexpr size_t kK615DataRecord = 11;
inline constexpr uint8_t kK615ZeroReply = 'Z';
inline constexpr double kK615FullScaleW = 0.01;
// The temperature word of degrees Celsius: (t - 4500) x 0.0060816337 - 40.
inline constexpr double kK615DegreesPerStep = 0.0060816337;
inline constexpr double kK615WordAtMinus40 = 4500;

// Big-endian fields of the binary replies.
inline uint16_t GetBe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t GetBe32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void PutBe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void PutBe32(uint8_t* p, uint32_t v) {
    PutBe16(p, uint16_t(v >> 16));
    PutBe16(p + 2, uint16_t(v));
}

// CRC-16 (polynomial 0x8005, initial 0, no reflection, no final XOR) over
// the bytes taken in pairs, high byte first; an odd count is padded with one
// zero byte.
inline uint16_t Crc16(std::span<const uint8_t> bytes) {
    constexpr uint16_t kPolynomial = 0x8005;
    uint16_t crc = 0;
    auto feed = [&](uint8_t b) {
        crc ^= static_cast<uint16_t>(b << 8);
        for (int i = 0; i < 8; ++i)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ kPolynomial : crc << 1);
    };
    for (uint8_t b : bytes) feed(b);
    if (bytes.size() % 2) feed(0);
    return crc;
}

}  // namespace sensor_protocol

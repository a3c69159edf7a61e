#pragma once
// "BIO1:", the board I/O driver: control codes, backlight sub-commands, the
// registry values, the named events shared with the main program, the
// digital-output device of the second layout, and the conversion of a raw
// temperature reading (which the simulated board inverts).
#include <cstdint>

namespace bio {

inline constexpr char16_t kDriverKey[] = u"Drivers\\BuiltIn\\BIO";
inline constexpr char16_t kDriverLibrary[] = u"VornIO.dll";
inline constexpr char16_t kDevicePrefix[] = u"BIO";
inline constexpr char16_t kDeviceName[] = u"BIO1:";
inline constexpr uintptr_t kContext = 0xDEAD;

inline constexpr uint32_t IOCTL_BIO_FAN = 0xBABA0001;        // in {u32 sub, u32}; sub 2: out u32
inline constexpr uint32_t IOCTL_BIO_OUTPUTS = 0xBABA0002;    // in u8 on (4 bytes)
inline constexpr uint32_t IOCTL_BIO_OUTPUTS2 = 0xBABA0003;   // the same
inline constexpr uint32_t IOCTL_BIO_BACKLIGHT = 0xBABA0004;  // in {u32 sub, i32}; subs 4-7 out u32
inline constexpr uint32_t IOCTL_BIO_VERSION = 0xBABA0005;    // out u32
inline constexpr uint32_t kInterfaceVersion = 256;

inline constexpr uint32_t FAN_OFF = 0, FAN_ON = 1, FAN_TEMPERATURE = 2;
enum BacklightSub : uint32_t {
    BL_SET_MODE = 0,
    BL_PRESET = 1,
    BL_CUSTOM = 2,
    BL_SENSOR_GAIN = 3,
    BL_GET_CUSTOM = 4,
    BL_GET_GAIN = 5,
    BL_GET_MODE = 6,
    BL_GET_PRESET = 7,
    BL_FADE_OUT = 8,
    BL_FADE_IN = 9,
};
inline constexpr uint32_t kPresetCustom = 3;
inline constexpr uint32_t kFadeStep = 5;
inline constexpr uint32_t kFadeStepMs = 25;

// Named manual-reset events shared with the main program's temperature monitor.
inline constexpr char16_t kTemperatureIsHigh[] = u"TemperatureIsHigh";
inline constexpr char16_t kHighTemperature[] = u"HighTemperature";
inline constexpr char16_t kRunFan[] = u"RunFan";

// GPIO outputs of bank 0.
inline constexpr uint32_t kFanPin = 0x8;  // GPIO 3, standard layout
inline constexpr uint32_t kOutputPin7 = 0x80;
inline constexpr uint32_t kOutputPin10 = 0x400;

// The digital-output device switching the fan on the second layout.
inline constexpr char16_t kDioName[] = u"DIO1:";
inline constexpr uint32_t IOCTL_DIO_CAPABLE = 257;    // out u32
inline constexpr uint32_t IOCTL_DIO_CONFIGURE = 261;  // in u32 15
inline constexpr uint32_t kDioFanOn = 15;
inline constexpr uint32_t kDioFanOff = 14;

// Light-sensor reading at which the automatic backlight is at its highest.
inline constexpr int32_t kLightFull = 760;

// The second layout's sensor curve: raw reading to the first layout's scale.
constexpr int32_t board_temp_table(int32_t raw) {
    const int32_t t = raw * 200;
    if (raw > 852) return (t / 81 + 1178) / 10;
    if (raw > 707) return (t / 145 + 2107) / 10;
    if (raw >= 490) return (t / 218 + 2433) / 10;
    if (raw > 258) return (t / 231 + 2459) / 10;
    if (raw >= 102) return (t / 157 + 2353) / 10;
    return (t / 71 + 2197) / 10;
}

// Degrees Celsius (integer part) of a raw reading; Fahrenheit when asked.
inline int32_t temperature_from_raw(int32_t raw, bool second_layout, bool fahrenheit) {
    if (second_layout) raw = board_temp_table(raw);
    const float celsius = float(raw) * 0.907f - 246.9f;
    return int32_t(fahrenheit ? celsius * 1.8f + 32.0f : celsius);
}

}  // namespace bio

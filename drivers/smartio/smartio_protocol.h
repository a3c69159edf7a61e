#pragma once
// The board I/O library "SMARTIO.dll" (or its renamed copy "KEYBDDR.dll"):
// the signatures of its entry points, bound by name by CSmartIO and
// exported by the simulated board's library.
#include <cstdint>

namespace smartio {

inline constexpr char kLibrary[] = "SMARTIO.dll";
inline constexpr char kFallbackLibrary[] = "KEYBDDR.dll";

extern "C" {
typedef int32_t (*SIOSelectOptionFn)(uint32_t option);
typedef int32_t (*SIOInitDDRFn)(uint8_t directions);  // A to D
typedef uint8_t (*SIOReadPortFn)(void);               // A to D
typedef int32_t (*SIOWritePortFn)(uint8_t value);     // A to D
typedef int32_t (*SIOBackLightSwitchFn)(void);        // ON, OFF
typedef int32_t (*SIOBackLightPwmFn)(uint8_t level);
typedef int32_t (*SIOReadKeypadFn)(uint8_t* key);
typedef int32_t (*SIOBackLightVEEPwmFn)(uint8_t level);
typedef int32_t (*SIOSetKeyPadSizeFn)(uint8_t rows, uint8_t columns);
typedef uint16_t (*SIOAnalogConversionFn)(uint8_t channel);
typedef uint16_t (*SIOVersionFn)(void);  // firmware, device version, part type
typedef int32_t (*SIOSetVEEPwmFn)(uint8_t value);
typedef uint16_t (*SIOReadTemperatureFn)(void);
}

// The analogue channel of the light sensor.
inline constexpr uint8_t kLightChannel = 0;
// What the simulated library reports.
inline constexpr uint16_t kFirmwareVersion = 0x0102;
inline constexpr uint16_t kDeviceVersion = 0x0001;
inline constexpr uint16_t kPartType = 0x0A0B;

}  // namespace smartio

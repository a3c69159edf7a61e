#pragma once
// "SPI1:", the board's I/O microcontroller behind the synchronous serial
// port: the driver's control codes, the microcontroller's byte commands and
// the records both sides agree on. Shared by the driver, the main program's
// SPI client and the simulated microcontroller.
#include <cstdint>

namespace spi {

inline constexpr char16_t kDriverKey[] = u"Drivers\\BuiltIn\\SPI";
inline constexpr char16_t kDriverLibrary[] = u"VornSPI.dll";
inline constexpr char16_t kDevicePrefix[] = u"SPI";
inline constexpr char16_t kDeviceName[] = u"SPI1:";
inline constexpr uintptr_t kContext = 0xFACE;

// Control codes.
inline constexpr uint32_t IOCTL_SPI_GET_STATUS = 0xBEEF0004;  // out: SpiStatusRecord
inline constexpr uint32_t IOCTL_SPI_GET_STATE = 0xBEEF0008;   // out: u16
inline constexpr uint32_t IOCTL_SPI_READ_KEYS = 0xBEEF0014;   // out: SpiKeyRecord
inline constexpr uint32_t IOCTL_SPI_ENTER_SLEEP = 0xBEEF001C;
inline constexpr uint32_t IOCTL_SPI_POWER_OFF = 0xBEEF0020;
inline constexpr uint32_t IOCTL_SPI_EXIT_SLEEP = 0xBEEF0028;
inline constexpr uint32_t IOCTL_SPI_SHUTDOWN_ACK = 0xBEEF002C;
inline constexpr uint32_t IOCTL_SPI_ARM_SHUTDOWN = 0xBEEF0030;  // in: u32 flag
inline constexpr uint32_t IOCTL_SPI_STORE_WORD = 0xBEEF0034;    // in: u16
inline constexpr uint32_t IOCTL_SPI_LOAD_WORD = 0xBEEF0038;     // out: u16

// Named manual-reset events between driver and client.
inline constexpr char16_t kExitSleepEvent[] = u"SPIExitSleepMode";
inline constexpr char16_t kEnterSleepEvent[] = u"SPIEnterSleepMode";
inline constexpr char16_t kShutdownEvent[] = u"SPIIOShutDown";
inline constexpr char16_t kClientEvent[] = u"SPIDriverEvent";

// Microcontroller commands. Each byte the master writes clocks one reply byte
// in; after a command byte the next reply is the command's echo, then its
// data. 0x77 stands for "not ready yet".
inline constexpr uint8_t CMD_SYNC = 0xFF;  // replies kSyncReply
inline constexpr uint8_t CMD_STATUS = 2;   // replies kStatusBytes status bytes
inline constexpr uint8_t CMD_KEYS = 4;     // replies key-event pairs, ending with 0, 0
inline constexpr uint8_t CMD_SLEEP = 5;
inline constexpr uint8_t CMD_SHUTDOWN_ACK = 6;
inline constexpr uint8_t CMD_STATE = 7;  // replies one state byte
inline constexpr uint8_t kNotReady = 0x77;
inline constexpr uint8_t kSyncReply[2] = {0x5A, 0xA5};
inline constexpr unsigned kStatusBytes = 24;
inline constexpr unsigned kMaxKeyPairs = 16;

// Status bytes of CMD_STATUS (our layout).
inline constexpr unsigned kStatusFlags = 0;         // bit 0 external power, bit 1 charging
inline constexpr unsigned kStatusCharge = 4;        // u16 charge in percent
inline constexpr unsigned kStatusFirmware = 8;      // firmware version
inline constexpr unsigned kStatusTemperature = 11;  // board temperature, degrees Celsius
// State byte of CMD_STATE.
inline constexpr uint8_t kStateRunning = 3;
inline constexpr uint8_t kStateAsleep = 5;

// The reply of IOCTL_SPI_GET_STATUS: five little-endian u16.
inline constexpr uint32_t kStatusRecordSize = 10;
inline constexpr uint16_t kStatusAnswered = 257;
// The reply of IOCTL_SPI_READ_KEYS: u16 count, 16 first bytes, 16 second bytes.
inline constexpr uint32_t kKeyRecordSize = 34;

}  // namespace spi

#pragma once
// The processor's I2C unit as VornI2C drives it and the simulated unit
// answers: register offsets, bits, the transfer record of I2C_Read and
// I2C_Write, and the simulated board's EEPROM-like slave.
#include <cstdint>

namespace i2c {

inline constexpr char16_t kDriverKey[] = u"Drivers\\BuiltIn\\I2C";
inline constexpr char16_t kDriverLibrary[] = u"VornI2C.dll";
inline constexpr char16_t kDevicePrefix[] = u"I2C";
inline constexpr char16_t kDeviceName[] = u"I2C1:";
inline constexpr uintptr_t kContext = 0xBABA;

// The null IIC driver.
inline constexpr char16_t kBlankKey[] = u"Drivers\\BuiltIn\\IIC";
inline constexpr char16_t kBlankLibrary[] = u"Blankbus.dll";
inline constexpr char16_t kBlankPrefix[] = u"IIC";
inline constexpr char16_t kBlankName[] = u"IIC1:";
inline constexpr uintptr_t kBlankContext = 0xBABC;

// Register offsets in the unit.
inline constexpr uint32_t kBusMonitor = 0;
inline constexpr uint32_t kData = 8;
inline constexpr uint32_t kControl = 16;
inline constexpr uint32_t kStatus = 24;
inline constexpr uint32_t kSlaveAddress = 32;

// Control bits.
inline constexpr uint32_t CR_START = 0x1;
inline constexpr uint32_t CR_STOP = 0x2;
inline constexpr uint32_t CR_ACKNAK = 0x4;
inline constexpr uint32_t CR_TRANSFER = 0x8;
inline constexpr uint32_t CR_CLOCK_ENABLE = 0x20;
inline constexpr uint32_t CR_UNIT_ENABLE = 0x40;
inline constexpr uint32_t CR_FAST_ACCESS = 0x1000;
inline constexpr uint32_t CR_UNIT_RESET = 0x4000;
// Status bits (written as 1 to clear).
inline constexpr uint32_t SR_ACK_ERROR = 0x2;
inline constexpr uint32_t SR_UNIT_BUSY = 0x4;
inline constexpr uint32_t SR_BUS_BUSY = 0x8;
inline constexpr uint32_t SR_TRANSMIT_EMPTY = 0x40;
inline constexpr uint32_t SR_RECEIVE_FULL = 0x80;
inline constexpr uint32_t SR_CLEAR_ALL = 0x6F0;
inline constexpr uint32_t SR_RECEIVE_CLEAR = 0x18F;
inline constexpr uint32_t kOwnSlaveAddress = 16;
// Power-manager configuration bit the second layout sets.
inline constexpr uint32_t kPcfrI2cEnable = 0x40;
inline constexpr uint32_t kBusLockRetries = 1000;
inline constexpr uint32_t kBusLockAttempts = 5;
inline constexpr uint32_t kBusLockTimeout = 0xE0120006;  // last error of a lock not taken

// The buffer of I2C_Read and I2C_Write. `data` is the caller's pointer, so
// a valid record is at least sizeof(TransferRecord) long.
struct TransferRecord {
    uint32_t start;  // non-zero: begin with a start condition
    uint32_t stop;   // non-zero: end with a stop condition
    uint8_t* data;
    uint32_t count;
};

// The simulated board's EEPROM-like slave: 256 bytes; the first byte written
// after its address sets the byte pointer, later bytes are stored there; reads
// past the end are not acknowledged.
inline constexpr uint8_t kEepromAddress = 0x50;
inline constexpr unsigned kEepromSize = 256;

}  // namespace i2c

#pragma once
// Physical addresses and register offsets of the instrument's processor
// blocks that the board drivers map (see registers.h), shared by the drivers,
// the main program's GPIO pin and the simulated board.
#include <cstdint>

namespace plat::hw {

// GPIO block: levels, directions, set and clear registers of three banks,
// alternate functions.
inline constexpr uint32_t kGpioBase = 0x40E00000;
inline constexpr uint32_t kGpioBlockSize = 108;
inline constexpr uint32_t kGpioWindowSize = 0x10000;  // the 64 KB window of the pin objects
inline constexpr uint32_t kGpioLevel0 = 0x00;
inline constexpr uint32_t kGpioDirection0 = 0x0C;
inline constexpr uint32_t kGpioDirection2 = 0x14;
inline constexpr uint32_t kGpioSet0 = 0x18;
inline constexpr uint32_t kGpioSet2 = 0x20;
inline constexpr uint32_t kGpioClear0 = 0x24;
inline constexpr uint32_t kGpioClear2 = 0x2C;
inline constexpr uint32_t kGpioAltFunction2Upper = 0x68;

// Clock block: the clock-enable register and the SSP clock bit.
inline constexpr uint32_t kClockBase = 0x41300000;
inline constexpr uint32_t kClockBlockSize = 12;
inline constexpr uint32_t kClockEnable = 4;
inline constexpr uint32_t kClockSsp = 0x200;

// Synchronous serial port: standard and second board layout.
inline constexpr uint32_t kSspBaseStandard = 0x41400000;
inline constexpr uint32_t kSspBaseSecond = 0x41900000;
inline constexpr uint32_t kSspBlockSize = 20;
inline constexpr uint32_t kSspControl0 = 0;
inline constexpr uint32_t kSspControl1 = 4;
inline constexpr uint32_t kSspStatus = 8;
inline constexpr uint32_t kSspData = 16;
inline constexpr uint32_t kSspEnable = 0x80;          // control 0
inline constexpr uint32_t kSspTransmitNotFull = 0x4;  // status
inline constexpr uint32_t kSspReceiveNotEmpty = 0x8;  // status

// I2C unit: standard and second board layout; power-manager configuration.
inline constexpr uint32_t kI2cBaseStandard = 0x40301680;
inline constexpr uint32_t kI2cBaseSecond = 0x40F00180;
inline constexpr uint32_t kI2cBlockSize = 36;
inline constexpr uint32_t kPcfrAddress = 0x40F0001C;

// The page whose word at kBusLockOffset every bus user of the second layout
// takes before an I2C register access.
inline constexpr uint32_t kBusLockPage = 0xA0085000;
inline constexpr uint32_t kBusLockMapSize = 4090;
inline constexpr uint32_t kBusLockOffset = 804;

}  // namespace plat::hw

#pragma once
// The battery device "BAT1:" of the platform: its control codes, status
// word bits and record, and the event it keeps set while the charge is low.
#include <cstdint>

namespace plat::battery {

inline constexpr char16_t kDeviceName[] = u"BAT1:";
inline constexpr char kAlarmEvent[] = "VornBatteryAlarm";

inline constexpr uint32_t IOCTL_STATUS_WORD = 0xBABA0005;  // out: u32 status word
inline constexpr uint32_t IOCTL_RECORD = 0xBABA0007;       // out: the record

// Status word bits.
inline constexpr uint32_t kLowCharge = 0x0200;  // 3-10 % on battery
inline constexpr uint32_t kFewCycles = 0x0100;
inline constexpr uint32_t kDischarged = 0x0800;  // 2 % or less on battery
inline constexpr uint32_t kHighTemperature = 0x1000;
inline constexpr uint32_t kCharged = 0x4000;  // full on external power
inline constexpr uint32_t kOvercharge = 0x8000;

// The record: byte 0 source, byte 1 flags, byte 2 charge in percent, bytes
// 4-7 remaining seconds (255: not known), bytes 8-11 voltage in mV, rest 0.
inline constexpr uint32_t kRecordSize = 56;
inline constexpr unsigned kRecordSource = 0, kRecordFlags = 1, kRecordCharge = 2;
inline constexpr unsigned kRecordRemaining = 4, kRecordVoltage = 8;
inline constexpr uint8_t kSourceBattery = 0, kSourceExternal = 1;
inline constexpr uint8_t kFlagLow = 4, kFlagCharging = 8;
inline constexpr uint32_t kRemainingUnknown = 255;
inline constexpr unsigned kLowChargePercent = 10, kDischargedPercent = 2;

}  // namespace plat::battery

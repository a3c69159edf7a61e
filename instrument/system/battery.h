#pragma once
// The main program's view of the battery device "BAT1:".
#include <cstdint>

#include "platform/devices/device_manager.h"

class CBattery {
  public:
    CBattery() = default;
    virtual ~CBattery() = default;
    CBattery(const CBattery&) = delete;
    CBattery& operator=(const CBattery&) = delete;

    // The text id of the battery's state; 61210 without a device or an answer.
    virtual uint32_t GetStatusStringId();
    // Opens the device; always true (without it every request fails).
    virtual bool Open();
    // The device's record (kRecordSize bytes); false without the device.
    virtual bool ReadRecord(uint8_t* record);
    bool IsOpen() const { return bool(m_device); }

  private:
    plat::devices::StreamFile m_device;
};

// Text ids of the battery states.
inline constexpr uint32_t kIdsBatteryHighTemperature = 438;
inline constexpr uint32_t kIdsBatteryOvercharge = 439;
inline constexpr uint32_t kIdsBatteryLow = 440;
inline constexpr uint32_t kIdsBatteryFewCycles = 441;
inline constexpr uint32_t kIdsBatteryCharged = 442;
inline constexpr uint32_t kIdsBatteryDischarged = 443;
inline constexpr uint32_t kIdsBatteryUnknown = 61210;

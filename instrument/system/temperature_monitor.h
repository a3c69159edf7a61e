#pragma once
// The main program's side of the board temperature: reads it from "BIO1:",
// keeps "HighTemperature" and "RunFan", and raises the temperature alert
// once while "TemperatureIsHigh" stands.
#include <cstdint>

#include "platform/devices/device_manager.h"
#include "platform/kernel/sync.h"

class CEventDispatcher;

class CTemperatureMonitor {
  public:
    explicit CTemperatureMonitor(CEventDispatcher* dispatcher);
    virtual ~CTemperatureMonitor() = default;
    CTemperatureMonitor(const CTemperatureMonitor&) = delete;
    CTemperatureMonitor& operator=(const CTemperatureMonitor&) = delete;

    // Degrees Celsius, or Fahrenheit with the flag; 0 without the device.
    virtual int32_t ReadTemperature(uint32_t fahrenheit);
    // Returns whether an alert stands.
    virtual bool CheckTemperature(bool high);
    virtual void RaiseAlert();
    virtual void SetRunFan(bool on);
    static int32_t CelsiusToFahrenheit(int32_t celsius);
    bool HasDevice() const { return bool(m_bio); }

  private:
    CEventDispatcher* m_dispatcher;
    plat::devices::StreamFile m_bio;
    plat::Event m_temperatureIsHigh, m_highTemperature, m_runFan;
    bool m_alertRaised = false;
};

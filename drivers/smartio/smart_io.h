#pragma once
// CSmartIO binds the board I/O library at run time ("SMARTIO.dll", else its
// renamed copy "KEYBDDR.dll") and offers its entry points. Without a library
// it is not ready and every call gives its "no value" result.
#include <cstdint>

#include "drivers/smartio/smartio_protocol.h"
#include "platform/module/library.h"

class CSmartIO {
  public:
    CSmartIO();
    ~CSmartIO() = default;
    CSmartIO(const CSmartIO&) = delete;
    CSmartIO& operator=(const CSmartIO&) = delete;

    bool IsReady() const { return m_ready; }
    // The reading, 0xFFFF when not ready or missing.
    uint16_t AnalogConversion(uint8_t channel) const;
    void BackLightPwm(uint8_t level) const;
    void BackLightOnOff(bool on) const;
    // The raw reading, 0 when not ready or missing.
    uint16_t ReadTemperature() const;
    void SetVeePwm(uint8_t value) const;
    void Unload();

    smartio::SIOSelectOptionFn SIOSelectOption = nullptr;
    smartio::SIOInitDDRFn SIOInitDDRA = nullptr, SIOInitDDRB = nullptr, SIOInitDDRC = nullptr,
                          SIOInitDDRD = nullptr;
    smartio::SIOReadPortFn SIOReadPortA = nullptr, SIOReadPortB = nullptr, SIOReadPortC = nullptr,
                           SIOReadPortD = nullptr;
    smartio::SIOWritePortFn SIOWritePortA = nullptr, SIOWritePortB = nullptr,
                            SIOWritePortC = nullptr, SIOWritePortD = nullptr;
    smartio::SIOBackLightSwitchFn SIOBackLightON = nullptr, SIOBackLightOFF = nullptr;
    smartio::SIOBackLightPwmFn SIOBackLightPwm = nullptr;
    smartio::SIOReadKeypadFn SIOReadKeypad = nullptr;
    smartio::SIOBackLightVEEPwmFn SIOBackLightVEEPwm = nullptr;
    smartio::SIOSetKeyPadSizeFn SIOSetKeyPadSize = nullptr;
    smartio::SIOAnalogConversionFn SIOAnalogConversion = nullptr;
    smartio::SIOVersionFn SIOFirmwareVersion = nullptr, SIOReadDeviceVersion = nullptr,
                          SIOReadDevicePartType = nullptr;
    smartio::SIOSetVEEPwmFn SIOSetVEEPwm = nullptr;
    smartio::SIOReadTemperatureFn SIOReadTemperature = nullptr;

  private:
    void BindAll();

    plat::Library m_library;
    bool m_ready = false;
};

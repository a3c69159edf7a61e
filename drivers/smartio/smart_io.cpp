#include "drivers/smartio/smart_io.h"

#include "platform/kernel/debug_out.h"

namespace {

constexpr uint16_t kNoReading = 0xFFFF;

}  // namespace

CSmartIO::CSmartIO() {
    plat::debug_output("\r\nLoading SMARTIO.DLL...\r\n");
    m_library = plat::Library::load(std::string_view(smartio::kLibrary));
    if (m_library) {
        plat::debug_output("\r\nSMARTIO.DLL Loaded successfully...\r\n");
    } else {
        plat::debug_output("\r\nCan't find SMARTIO.DLL\r\n");
        plat::debug_output("\r\nLoading KEYBDDR.DLL...\r\n");
        m_library = plat::Library::load(std::string_view(smartio::kFallbackLibrary));
        if (!m_library) {
            plat::debug_output("\r\nFailed to load OemSmartIO library!\r\n");
            return;
        }
        plat::debug_output("\r\nKEYBDDR.DLL Loaded successfully...\r\n");
    }
    BindAll();
    m_ready = true;
}

void CSmartIO::BindAll() {
    const auto bind = [this](auto& slot, const char* name) {
        slot = m_library.bind<std::remove_pointer_t<std::remove_reference_t<decltype(slot)>>>(name);
    };
    bind(SIOSelectOption, "SIOSelectOption");
    bind(SIOInitDDRA, "SIOInitDDRA");
    bind(SIOInitDDRB, "SIOInitDDRB");
    bind(SIOInitDDRC, "SIOInitDDRC");
    bind(SIOInitDDRD, "SIOInitDDRD");
    bind(SIOReadPortA, "SIOReadPortA");
    bind(SIOReadPortB, "SIOReadPortB");
    bind(SIOReadPortC, "SIOReadPortC");
    bind(SIOReadPortD, "SIOReadPortD");
    bind(SIOWritePortA, "SIOWritePortA");
    bind(SIOWritePortB, "SIOWritePortB");
    bind(SIOWritePortC, "SIOWritePortC");
    bind(SIOWritePortD, "SIOWritePortD");
    bind(SIOBackLightON, "SIOBackLightON");
    bind(SIOBackLightOFF, "SIOBackLightOFF");
    bind(SIOBackLightPwm, "SIOBackLightPwm");
    bind(SIOReadKeypad, "SIOReadKeypad");
    bind(SIOBackLightVEEPwm, "SIOBackLightVEEPwm");
    bind(SIOSetKeyPadSize, "SIOSetKeyPadSize");
    bind(SIOAnalogConversion, "SIOAnalogConversion");
    bind(SIOFirmwareVersion, "SIOFirmwareVersion");
    bind(SIOReadDeviceVersion, "SIOReadDeviceVersion");
    bind(SIOReadDevicePartType, "SIOReadDevicePartType");
    bind(SIOSetVEEPwm, "SIOSetVEEPwm");
    bind(SIOReadTemperature, "SIOReadTemperature");
}

uint16_t CSmartIO::AnalogConversion(uint8_t channel) const {
    if (!m_ready) return kNoReading;
    if (!SIOAnalogConversion) {
        plat::debug_output("SIOAnalogConversion function not available\r\n");
        return kNoReading;
    }
    return SIOAnalogConversion(channel);
}

void CSmartIO::BackLightPwm(uint8_t level) const {
    if (!m_ready) return;
    if (SIOBackLightPwm)
        SIOBackLightPwm(level);
    else
        plat::debug_output("SIOBackLightPwm function not available\r\n");
}

void CSmartIO::BackLightOnOff(bool on) const {
    if (!m_ready) return;
    if (on && SIOBackLightON)
        SIOBackLightON();
    else if (on)
        plat::debug_output("SIOBacklightON function not available\r\n");
    else if (SIOBackLightOFF)
        SIOBackLightOFF();
    else
        plat::debug_output("SIOBacklightOFF function not available\r\n");
}

uint16_t CSmartIO::ReadTemperature() const {
    if (!m_ready) return 0;
    if (!SIOReadTemperature) {
        plat::debug_output("SIOReadTemperature function not available\r\n");
        return 0;
    }
    return SIOReadTemperature();
}

void CSmartIO::SetVeePwm(uint8_t value) const {
    if (!m_ready) return;
    if (SIOSetVEEPwm)
        SIOSetVEEPwm(value);
    else
        plat::debug_output("SIOSetVEEPwm function not available\r\n");
}

void CSmartIO::Unload() {
    m_library.unload();
    m_ready = false;
}

#include "instrument/system/temperature_monitor.h"

#include "core/app_event.h"
#include "drivers/bio/bio_protocol.h"
#include "platform/byte_order.h"
#include "platform/text/utf.h"

CTemperatureMonitor::CTemperatureMonitor(CEventDispatcher* dispatcher) : m_dispatcher(dispatcher) {
    m_bio = plat::devices::StreamFile::open(bio::kDeviceName);
    m_temperatureIsHigh = plat::Event::create(plat::to_utf8(bio::kTemperatureIsHigh), true, false);
    m_highTemperature = plat::Event::create(plat::to_utf8(bio::kHighTemperature), true, false);
    m_runFan = plat::Event::create(plat::to_utf8(bio::kRunFan), true, false);
}

int32_t CTemperatureMonitor::ReadTemperature(uint32_t fahrenheit) {
    if (!m_bio) return 0;
    uint8_t in[8], out[4] = {};
    plat::put_le<uint32_t>(in, bio::FAN_TEMPERATURE);
    plat::put_le<uint32_t>(in, 4, fahrenheit);
    uint32_t returned = 0;
    if (!m_bio.io_control(bio::IOCTL_BIO_FAN, in, sizeof in, out, sizeof out, &returned)) return 0;
    return plat::get_le<int32_t>(out);
}

bool CTemperatureMonitor::CheckTemperature(bool high) {
    if (high)
        m_highTemperature.set();
    else
        m_highTemperature.reset();
    if (m_temperatureIsHigh.is_set()) {
        if (!m_alertRaised) RaiseAlert();
    } else {
        m_alertRaised = false;
    }
    return m_alertRaised;
}

void CTemperatureMonitor::RaiseAlert() {
    if (m_dispatcher)
        m_dispatcher->Post(new CAppEvent(kEventMaskSystemAlarm, kAlarmHighTemperature));
    m_alertRaised = true;
}

void CTemperatureMonitor::SetRunFan(bool on) {
    if (on)
        m_runFan.set();
    else
        m_runFan.reset();
}

int32_t CTemperatureMonitor::CelsiusToFahrenheit(int32_t celsius) {
    return int32_t(double(celsius) * 1.8 + 32.0);
}

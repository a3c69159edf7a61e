#include "instrument/system/battery.h"

#include "platform/byte_order.h"
#include "platform/devices/battery_device.h"

using namespace plat::battery;

uint32_t CBattery::GetStatusStringId() {
    if (!m_device) return kIdsBatteryUnknown;
    uint8_t out[4] = {};
    uint32_t returned = 0;
    if (!m_device.io_control(IOCTL_STATUS_WORD, nullptr, 0, out, sizeof out, &returned))
        return kIdsBatteryUnknown;
    const uint32_t word = plat::get_le<uint32_t>(out);
    struct Bit {
        uint32_t bit, id;
    };
    static constexpr Bit kOrder[] = {{kHighTemperature, kIdsBatteryHighTemperature},
                                     {kOvercharge, kIdsBatteryOvercharge},
                                     {kLowCharge, kIdsBatteryLow},
                                     {kFewCycles, kIdsBatteryFewCycles},
                                     {kCharged, kIdsBatteryCharged},
                                     {kDischarged, kIdsBatteryDischarged}};
    for (const Bit& b : kOrder)
        if (word & b.bit) return b.id;
    return kIdsBatteryUnknown;
}

bool CBattery::Open() {
    m_device =
        plat::devices::StreamFile::open(kDeviceName, STREAM_ACCESS_READ | STREAM_ACCESS_WRITE,
                                        STREAM_ACCESS_READ | STREAM_ACCESS_WRITE);
    return true;
}

bool CBattery::ReadRecord(uint8_t* record) {
    if (!m_device || !record) return false;
    uint32_t returned = 0;
    return m_device.io_control(IOCTL_RECORD, nullptr, 0, record, kRecordSize, &returned);
}

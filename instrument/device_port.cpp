#include "instrument/device_port.h"

CDevicePort::CDevicePort() : ring_(std::make_unique<CByteRing>()) {}

CDevicePort::~CDevicePort() = default;

void CDevicePort::Stop() {
    if (stop_event_) stop_event_.set();
    Close();
    if (thread_) thread_.join(1000);
}

int CDevicePort::Start() {
    line_event_ = plat::Event(false, false);
    port_mutex_ = plat::Mutex(false);
    return 1;
}

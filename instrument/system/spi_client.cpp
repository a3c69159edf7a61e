#include "instrument/system/spi_client.h"

#include "drivers/spi/spi_protocol.h"
#include "platform/byte_order.h"
#include "platform/text/utf.h"

namespace {

constexpr uint32_t kGpio19 = 0x80000;
constexpr uint32_t kRetryMs = 1000;
constexpr uint32_t kStopWaitMs = 1000;
constexpr int kClientPriority = 3;
constexpr int kNotOpen = 0, kOpen = 3, kConnected = 2;

plat::Event named(const char16_t* name) {
    return plat::Event::create(plat::to_utf8(name), true, false);
}

}  // namespace

CSpiClient::CSpiClient(std::function<void()> shutdown) : m_shutdownApp(std::move(shutdown)) {
    m_gpio = std::make_unique<CPhysMemWindow>(kGpio19, true);
    m_gpio->SetLevel(true);
    m_device = plat::devices::StreamFile::open(spi::kDeviceName);
}

CSpiClient::~CSpiClient() {
    Stop();
    m_device.close();
}

bool CSpiClient::IoControl(uint32_t code, const void* input, uint32_t input_size, void* output,
                           uint32_t output_size) {
    if (!m_device) return false;
    uint32_t returned = 0;
    return m_device.io_control(code, input, input_size, output, output_size, &returned);
}

bool CSpiClient::ReadStatus() {
    uint8_t record[spi::kStatusRecordSize];
    if (!IoControl(spi::IOCTL_SPI_GET_STATUS, nullptr, 0, record, sizeof record)) return false;
    for (int i = 0; i < 5; ++i) m_status[i] = plat::get_le<uint16_t>(record, 2 * i);
    return m_status[0] != 0;
}

bool CSpiClient::SendShutdownAck() {
    return IoControl(spi::IOCTL_SPI_SHUTDOWN_ACK, nullptr, 0, nullptr, 0);
}

bool CSpiClient::SetShutdownArmed(uint32_t flag) {
    uint8_t in[4];
    plat::put_le<uint32_t>(in, flag);
    return IoControl(spi::IOCTL_SPI_ARM_SHUTDOWN, in, sizeof in, nullptr, 0);
}

bool CSpiClient::Open() {
    if (!m_device) m_device = plat::devices::StreamFile::open(spi::kDeviceName);
    return bool(m_device);
}

bool CSpiClient::ReadStoredWord(uint16_t& value) {
    uint8_t out[2] = {};
    if (!IoControl(spi::IOCTL_SPI_LOAD_WORD, nullptr, 0, out, sizeof out)) {
        value = 0;
        return false;
    }
    value = plat::get_le<uint16_t>(out);
    return true;
}

void CSpiClient::Start() {
    m_stop = plat::Event(true, false);
    m_driverEvent = named(spi::kClientEvent);
    m_thread = plat::Thread::start([this] { return Run(); }, {.priority = kClientPriority});
    m_exitSleep = named(spi::kExitSleepEvent);
    m_enterSleep = named(spi::kEnterSleepEvent);
    m_shutdown = named(spi::kShutdownEvent);
}

void CSpiClient::Stop() {
    if (!m_thread) return;
    m_stop.set();
    // The thread uses this object: it must have ended before the object
    // goes, however long the wait (a loaded machine, or a virtual clock
    // whose second passes at once).
    if (!m_thread.join(kStopWaitMs)) m_thread.join();
}

uint32_t CSpiClient::Run() {
    // The shut-down event is created by Start after the thread: open it here.
    const plat::Event shutdown = named(spi::kShutdownEvent);
    for (;;) {
        const uint32_t timeout = m_state == kConnected ? plat::INFINITE : kRetryMs;
        const uint32_t which = plat::wait_any({&m_driverEvent, &m_stop, &shutdown}, timeout);
        if (which == plat::WAIT_TIMEOUT) {
            if (m_state == kNotOpen && Open())
                m_state = kOpen;
            else if (m_state == kOpen && ReadStatus())
                m_state = kConnected;
        } else if (which == 1) {
            return 0;
        } else if (which == 2) {
            shutdown.reset();
            if (m_shutdownApp) m_shutdownApp();
            SendShutdownAck();
            return 0;
        } else {
            m_driverEvent.reset();  // else the wait would return at once, forever
        }
    }
}

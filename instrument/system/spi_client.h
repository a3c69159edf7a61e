#pragma once
// The main program's side of "SPI1:": connects to the board's I/O
// controller, waits for its shut-down request and drives GPIO 19.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "instrument/system/phys_mem_window.h"
#include "platform/devices/device_manager.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

class CSpiClient {
  public:
    // `shutdown` is the application's shut-down operation, run on the
    // client thread when the controller asks for it.
    explicit CSpiClient(std::function<void()> shutdown);
    virtual ~CSpiClient();
    CSpiClient(const CSpiClient&) = delete;
    CSpiClient& operator=(const CSpiClient&) = delete;

    virtual bool ReadStatus();
    virtual bool SendShutdownAck();
    virtual bool SetShutdownArmed(uint32_t flag);
    virtual bool Open();
    virtual plat::Event GetExitSleepEvent() const { return m_exitSleep; }
    virtual plat::Event GetEnterSleepEvent() const { return m_enterSleep; }
    virtual plat::Event GetShutdownEvent() const { return m_shutdown; }
    virtual void Stop();
    virtual void Start();
    virtual bool IoControl(uint32_t code, const void* input, uint32_t input_size, void* output,
                           uint32_t output_size);
    bool ReadStoredWord(uint16_t& value);
    uint16_t GetStatusWord() const { return m_status[0]; }
    // 0 not open, 3 open, 2 connected.
    int ConnectState() const { return m_state; }

  private:
    uint32_t Run();

    plat::Event m_driverEvent, m_stop;
    std::function<void()> m_shutdownApp;
    plat::devices::StreamFile m_device;  // requests of both threads; the driver serialises
    plat::Thread m_thread;
    uint16_t m_status[5] = {};
    plat::Event m_exitSleep, m_enterSleep, m_shutdown;
    std::unique_ptr<CPhysMemWindow> m_gpio;
    std::atomic<int> m_state{0};
};

#pragma once
// The two sensor ports: the serial port "com1:" (serial power sensors and the
// GPS receiver) and the USB power-sensor port "UPM1:". Each has one reader
// thread that reads its line a byte at a time, frames replies by the port
// mode into the receive ring and sets the line event when a reply is
// complete; in GPS mode every byte goes to the line callback instead.
#include <atomic>
#include <cstdint>
#include <vector>

#include "instrument/device_port.h"
#include "platform/serial/serial_port.h"

// Port modes: how the serial reader frames replies.
namespace port_mode {
inline constexpr int32_t kUnset = -1;
inline constexpr int32_t kFixedFirst = 1;  // 1..4: fixed-length replies
inline constexpr int32_t kFixedLast = 4;
inline constexpr int32_t kFixedLong = 3;  // K610M: 'D' and 'C' one byte longer
inline constexpr int32_t kTextLine = 6;   // 6, 17..21: text lines ended by CR
inline constexpr int32_t kTextFirst = 17;
inline constexpr int32_t kTextLast = 21;
inline constexpr int32_t kGps = 16;  // every byte to the line callback
inline constexpr int32_t kUsb = 1;   // what the USB port reports
}  // namespace port_mode

// Takes every byte the serial port receives in GPS mode.
class ILineCallback {
  public:
    virtual ~ILineCallback() = default;
    virtual void OnBytes(uint32_t count, const uint8_t* bytes) = 0;
};

// What the two sensor ports share: the open line, the reading flag, the
// reader thread with its passes, writes that mark the line as gone.
class CCommPort : public CDevicePort {
  public:
    ~CCommPort() override;
    int Write(const void* bytes, uint32_t size) override;
    // Starts the stop event and the reader; the line event stays the one made
    // at construction (manual-reset; waiters reset it), so no waiter is left
    // on a replaced one.
    int Start() override;
    void Stop() override;
    bool IsOpen() const override;
    void Close() override;
    bool IsReading() const { return reading_.load(); }

  protected:
    CCommPort(const char16_t* device, uint32_t pass_wait_ms);
    // Opens the device; flushes it on success.
    bool OpenLine();
    // Reads one byte with the reader's time-outs: 1 byte, 0 none, -1 when the
    // line failed (a gone device is closed so the next pass re-opens it).
    int ReadByte(uint8_t& byte);
    // Hands the rest of a reply to the ring and wakes its reader.
    void CompleteReply(const std::vector<uint8_t>& reply);
    virtual void Pass() = 0;

    const char16_t* device_name_;
    plat::serial::CommFile line_;  // the reader's between passes; guarded by line_mutex_
    mutable plat::Mutex line_mutex_{false};
    std::atomic<bool> reading_{false};

  private:
    uint32_t Run();
    void ApplyReaderTimeouts();
    uint32_t pass_wait_ms_;
};

class CSerialPort : public CCommPort {
  public:
    explicit CSerialPort(uint32_t port_number);
    int32_t GetPortMode() const override { return mode_.load(); }
    bool Configure(const uint32_t* settings) override;
    // Mode 16 (GPS) also turns reading on: the receiver never writes.
    void SetPortMode(int32_t mode) override;
    // Clears the kept line settings and returns "com1:".
    const char16_t* GetDeviceName(uint32_t port_number);
    void SetLineCallback(ILineCallback* callback) { callback_.store(callback); }
    void PassToCallback(uint32_t count, const uint8_t* bytes);
    const plat::serial::CommState& GetLineSettings() const { return settings_; }

    // Bytes that follow a reply's first byte in fixed-length mode; 0 for a
    // byte that starts no reply.
    static uint32_t FixedReplyLength(int32_t mode, uint8_t first);

  private:
    void Pass() override;
    void FixedPass(int32_t mode);
    uint32_t port_number_;
    std::atomic<ILineCallback*> callback_{nullptr};
    plat::serial::CommState settings_;  // kept from the device at open
    std::atomic<int32_t> mode_{port_mode::kUnset};
};

class CUsbMeterPort : public CCommPort {
  public:
    CUsbMeterPort();
    int32_t GetPortMode() const override { return port_mode::kUsb; }
    // Opens "UPM1:"; false (handle cleared) when no sensor is plugged in.
    int Open() override;

  private:
    void Pass() override;
};

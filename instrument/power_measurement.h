#pragma once
// The power-meter measurements: the reading of an external power sensor on
// the serial port or the USB sensor port. Unlike the other families they do
// not use the DSP link: the link field holds the sensor port and a sensor
// thread of their own drives the sensors and the power meter screen.
#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "instrument/measurement.h"
#include "instrument/sensors/power_sensor.h"

class CBufferHelper;
class CPowerMeasurement;

// The power meter screen as the sensor thread sees it; the screen registers
// itself as the program's one power meter screen.
class IPowerScreen {
  public:
    enum class Notice { kPeriodic, kReading, kZeroingResult };

    virtual ~IPowerScreen() = default;
    virtual PowerScreenFields& Fields() = 0;
    // Called on the measurement's sensor thread at each pass that may bring a
    // reading; the screen takes the measurement's latest reading when it is
    // new.
    virtual void UpdateReadout(CPowerMeasurement& from) = 0;
    // The measurement's sensor stopped answering; the measurement forgot it.
    virtual void SensorLost(CPowerMeasurement& from) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void PostNotice(Notice notice) = 0;

    static IPowerScreen* Current();
    static void SetCurrent(IPowerScreen* screen);
};

// The ten values of a reading as the power meter numbers them.
using PowerReading = std::array<float, 10>;

class CPowerMeasurement : public CMeasurement, public ISensorListener {
  public:
    static constexpr int kListSensors = 1;

    explicit CPowerMeasurement(CDevicePort* port);
    ~CPowerMeasurement() override;

    int Init(IMeasurementScreen* screen) override;
    void Stop() override;
    int IsReady() override { return 1; }
    // The base reset, then the setup's measurement id.
    void Reset(uint32_t id);
    // The base reset when the argument's first word is 0.
    void OnIdle(const uint32_t* argument);
    // Hands a value to the screen's data path (flag 1).
    void ForwardReading(CDeviceItem* value);
    void SetSensor(CPowerSensor* sensor);
    // Forgets the current sensor (it stopped answering).
    void ForgetSensor();
    CBufferHelper* GetBufferPool() const { return pool_; }
    // The application's buffer pool, fetched by every power measurement's Init.
    static void SetBufferPool(CBufferHelper* pool);
    CPowerSensor* GetSensor() const { return sensor_.load(); }
    CPowerSensor* GetSensorChain() const { return chain_.get(); }
    int GetSensorFlag() const;
    float GetSensorScale() const;
    float GetSensorField() const;
    void SetSensorField(float v);
    void CreateSensorChain(int list_kind, uint8_t port_kind);
    // The latest reading's values; false before the first one.
    bool GetLatestReading(PowerReading& out) const;
    uint32_t GetReadingCount() const;

    void OnSensorReading(const CSensorReading& reading) override;
    PowerScreenFields* GetScreenFields() override;

  protected:
    std::unique_ptr<CPowerSensor> chain_;
    CBufferHelper* pool_ = nullptr;
    std::atomic<CPowerSensor*> sensor_{nullptr};
    mutable std::mutex reading_mutex_;
    PowerReading latest_{};  // guarded by reading_mutex_
    uint32_t readings_ = 0;  // guarded by reading_mutex_
};

class CExtPowerMeasurement : public CPowerMeasurement {
  public:
    static constexpr uint8_t kSerial = 0;
    static constexpr uint8_t kUsb = 1;
    // A pass waits up to kCycleWaits times kCycleWaitMs for a reply.
    static constexpr uint32_t kCycleWaitMs = 500;
    static constexpr int kCycleWaits = 5;

    CExtPowerMeasurement(CDevicePort* port, uint8_t port_kind);
    ~CExtPowerMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    void Start(uint32_t a, uint32_t b) override;
    void Stop() override;
    // Ends the sensor thread (the sensor's output is stopped).
    void EndThread();

  private:
    uint32_t SensorThread();
    struct Cycle;
    void RunPhase(Cycle& c, IPowerScreen* screen);
    // The sensor refused zeroing, or never answered it.
    void ZeroFailed(Cycle& c, IPowerScreen* screen, bool timed_out);
    void CountIdle(Cycle& c, IPowerScreen* screen);
    void LoseSensor(Cycle& c, IPowerScreen* screen);
    // Waits for the stop event or a reply: 0 stop, 1 reply, 2 time-out.
    int WaitPass(Cycle& c);

    uint8_t port_kind_;
    plat::Event stop_event_;
    plat::Thread thread_;
};

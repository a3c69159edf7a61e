#pragma once
// The power sensors: the common base (replies, acknowledgement, the chain of
// candidate models, identification) and the model classes with their poll
// state machines. A sensor runs on the power measurement's sensor thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "instrument/device_item.h"
#include "instrument/device_port.h"
#include "instrument/sensors/sensor_protocol.h"

// What the power meter screen shares with the sensors and the sensor thread
// (single bytes written by one side and read by the other).
struct PowerScreenFields {
    std::atomic<bool> stopped{false};       // while set the sensor thread idles
    std::atomic<int> sensor_kind{0};        // 2 and 3 select the longer counts
    std::atomic<bool> zeroing{false};       // zeroing in progress
    std::atomic<bool> zero_request{false};  // the application's zero request
    std::atomic<bool> zero_done{false};     // the application's zero-done flag
    std::atomic<bool> configuring{false};   // a command to the sensor is under way
    std::atomic<char> probe_letter{0};      // the probe mode the sensor reports
    std::atomic<bool> zero_refused{false};  // the sensor refused a zero command
};

// What a sensor hands its readings to (the power measurement).
class ISensorListener {
  public:
    virtual ~ISensorListener() = default;
    virtual void OnSensorReading(const CSensorReading& reading) = 0;
    virtual PowerScreenFields* GetScreenFields() = 0;
};

class CPowerSensor {
  public:
    // The poll state after ResetPoll.
    static constexpr int kPollStart = 2;

    CPowerSensor(CDevicePort* port, ISensorListener* listener, bool serial_form);
    virtual ~CPowerSensor();
    CPowerSensor(const CPowerSensor&) = delete;
    CPowerSensor& operator=(const CPowerSensor&) = delete;

    // The chain of candidate sensors (each owns the rest).
    void AppendSensor(std::unique_ptr<CPowerSensor> sensor);
    CPowerSensor* GetNextSensor() const { return next_.get(); }

    double GetScale() const { return scale_; }
    void SetScale(float s) { scale_ = s; }
    float GetField() const { return field_after_scale_; }
    void SetField(float v) { field_after_scale_ = v; }
    int32_t GetModelCode() const { return model_code_; }
    virtual int GetSensorFlag() const { return 1; }
    plat::Event GetDataEvent() const { return port_->GetReplyEvent(); }
    // Reads 50-byte pieces until none is left.
    void Drain();
    // 9600 baud, 8 data bits, no parity, one stop bit (serial port only).
    void ConfigureLine();
    bool SendIdentify();
    // On the chain's head: reads the identification reply and returns the
    // member that accepts it (null when none does).
    CPowerSensor* Identify();
    void ResetPoll() { state_ = kPollStart; }
    bool IsIdentified() const { return identified_; }
    int GetPollState() const { return state_; }
    virtual bool PollSend() = 0;
    virtual bool PollReceive() = 0;
    virtual void StopOutput() = 0;
    // True when the identification text names one of this class's models
    // (the model code is then set).
    virtual bool AcceptModel(std::string_view reply) = 0;
    const std::string& GetIdentReply() const { return ident_reply_; }

    // 10 log10(1000 W), at least -30.
    static double WattsToDbm(double watts);

    // --- The power meter's settings (any thread) ---------------------------
    // The sensor type the power meter keys its menus on (the model code); 0
    // before a model answered.
    int GetType() const {
        const int32_t code = model_code_.load();
        return code > 0 ? code : 0;
    }
    // A paused sensor keeps its settings; resuming sends them before the
    // next reading.
    void Pause() { paused_ = true; }
    void Resume();
    // The mode command with a letter ('F', 'N', 'P', 'A'): "G," and the
    // letter on the letter-protocol sensors, sent before the next reading.
    void SendMode(char letter);
    void SetKind(int kind) { kind_ = kind; }
    void SetFilter(float filter) { filter_ = filter; }
    void SetCcdfLimit(float watts) { ccdf_limit_ = watts; }
    int GetKind() const { return kind_.load(); }
    float GetFilter() const { return filter_.load(); }
    float GetCcdfLimit() const { return ccdf_limit_.load(); }
    bool IsPaused() const { return paused_.load(); }

  protected:
    // A reply from the ring: until the ring is empty, a line feed is taken
    // or max bytes are read; carriage returns dropped on the serial line.
    // Line ends left from an earlier reply are skipped.
    std::string ReadReply(size_t max);
    bool Send(std::string_view bytes, char reply_letter);
    bool IsAccepted(std::string_view reply) const;
    static bool IsRefused(std::string_view reply);
    // Hands the reading on; the first reading after the sensor took every
    // command clears the power meter's configuring flag.
    void HandReading(const CSensorReading& reading);
    // Whether this model sends settings (a model that does not drops a
    // resume at its next reading).
    virtual bool SendsSettings() const { return false; }
    // Whether this model takes the mode command.
    virtual bool TakesModeLetter() const { return false; }
    // Takes the pending settings request: true once after Resume.
    bool TakeSettingsRequest() { return reconfigure_.exchange(false); }
    // Takes the pending mode letter (0 when none).
    char TakeModeLetter() { return mode_letter_.exchange(0); }
    PowerScreenFields* Fields() const { return listener_ ? listener_->GetScreenFields() : nullptr; }

    CDevicePort* port_;
    ISensorListener* listener_;
    bool serial_form_;
    char expected_ = 0;
    int state_ = 0;
    bool identified_ = false;
    bool running_ = false;
    // Read by the screen and the measurement's users on other threads.
    std::atomic<int32_t> model_code_{-1};
    uint32_t source_ = 0;
    std::atomic<float> scale_{1.0f};
    std::atomic<float> field_after_scale_{0};
    std::string ident_reply_;
    std::unique_ptr<CPowerSensor> next_;
    // The settings the power meter gave; written on its thread, read by the
    // sensor thread.
    std::atomic<bool> paused_{false};
    std::atomic<bool> reconfigure_{false};
    std::atomic<char> mode_letter_{0};
    std::atomic<int> kind_{1};
    std::atomic<float> filter_{10000.0f};
    std::atomic<float> ccdf_limit_{0.15f};
};

// The K630 family (K630, K640, K650, K660, K670): text replies.
class CPowerSensorC : public CPowerSensor {
  public:
    static constexpr size_t kMaxFields = 12;

    CPowerSensorC(CDevicePort* port, ISensorListener* listener, bool serial_form);
    ~CPowerSensorC() override;
    int GetSensorFlag() const override { return 0; }
    bool SendsSettings() const override { return true; }
    bool PollSend() override;
    bool PollReceive() override;
    void StopOutput() override;
    bool AcceptModel(std::string_view reply) override;
    bool IsSerialFraming() const { return serial_framing_; }
    uint32_t GetSourceWord() const { return source_; }
    const std::vector<uint8_t>& GetRawData() const { return raw_; }

    // A reading reply turned into a reading (null when it is none); the
    // numbers' exponents are widened to three digits before they are read.
    std::unique_ptr<CSensorReading> ParseReading(std::string reply) const;
    // "e-03" -> "e-003" at the end of a number.
    static std::string WidenExponent(std::string_view number);
    // An exponent of a sign and three digits shortened to two, in place.
    static void ShortenExponents(std::string& text);

  private:
    bool SendF();
    bool SendG();
    bool SendD();
    bool SendU();
    bool SendZ();
    bool ReadIdentification();
    bool ReadG();
    bool TakeReading();
    void ApplyLimits(CSensorReading& reading) const;

    bool serial_framing_ = false;
    int wait_count_ = 0;
    double config1_ = 150.0;
    double config2_ = 0.15;
    float config3_ = 10000.0f;
    int digit1_ = 1;
    int digit2_ = 0;
    std::vector<uint8_t> raw_;
};

// The sensor object of a model code (1, 2, 14 K610; 3 K610M; 5, 15 K615;
// 6, 17..21 the K630 family); null for codes without a class.
std::unique_ptr<CPowerSensor> MakePowerSensor(int32_t code, CDevicePort* port,
                                              ISensorListener* listener, bool serial_form);

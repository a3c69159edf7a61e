#pragma once
// The binary-protocol power sensors: the K610 and K610M (fixed-length
// replies with a check) and the K615 (calibration and data records).
#include <array>

#include "instrument/sensors/power_sensor.h"

// K610: fixed-length replies, model code 1.
class CPowerSensorA : public CPowerSensor {
  public:
    static constexpr size_t kAverage = 8;

    CPowerSensorA(CDevicePort* port, ISensorListener* listener, bool serial_form);
    ~CPowerSensorA() override;
    bool PollSend() override;
    bool PollReceive() override;
    void StopOutput() override;
    bool AcceptModel(std::string_view reply) override;
    bool TakesModeLetter() const override { return true; }
    // s and s x 0.1.
    void SetScale(float s);
    virtual double GetCorrectionFactor(uint16_t temperature_word) const;
    double GetFullScaleW() const { return full_scale_w_; }

  protected:
    // Bytes after the letter of a data and of a calibration reply.
    virtual size_t DataBytes() const;
    virtual size_t CalBytes() const;
    // One framed reply (letter, bytes, line feed) from the ring; empty when
    // none is complete or its check fails (the sensor is then identified
    // again).
    std::vector<uint8_t> TakeFramed(char letter, size_t bytes);
    bool ReadCalibration();
    bool ReadData();
    // What a data reply says beyond the readings (nothing on the K610).
    virtual void ReportProbe(const std::vector<uint8_t>&) {}

    bool mode_word_ = false;  // 'N' instead of 'F' in the G command
    float tenth_scale_ = 0.1f;
    double full_scale_w_ = 0;
    double forward_factor_ = 1, reflected_factor_ = 1;
    std::array<uint32_t, kAverage> forward_{}, reflected_{};
    size_t filled_ = 0, next_ = 0;
    bool must_identify_ = false;
};

// K610M: model code 3, no temperature correction, one byte longer replies.
class CPowerSensorB : public CPowerSensorA {
  public:
    CPowerSensorB(CDevicePort* port, ISensorListener* listener, bool serial_form);
    bool AcceptModel(std::string_view reply) override;
    double GetCorrectionFactor(uint16_t) const override { return 1.0; }

  protected:
    // The probe byte of a data reply: the letter of the last "G," command.
    static constexpr size_t kProbeByte = 12;
    size_t DataBytes() const override;
    size_t CalBytes() const override;
    void ReportProbe(const std::vector<uint8_t>& reply) override;
};

// K615: model code 5, binary calibration and data records.
class CPowerSensorD : public CPowerSensor {
  public:
    CPowerSensorD(CDevicePort* port, ISensorListener* listener, bool serial_form);
    ~CPowerSensorD() override;
    bool PollSend() override;
    bool PollReceive() override;
    void StopOutput() override;
    bool AcceptModel(std::string_view reply) override;

    // The calibration reply of `record` (21 bytes); false when short, of
    // another letter, failing its check, or with sensitivity or window 0.
    bool ReadCalibration(const uint8_t* record, size_t size);
    static float GetTemperatureCorrection(uint16_t temperature_word);
    static float TemperatureCelsius(uint16_t temperature_word);
    static uint16_t ComputeCheck(uint16_t count, const uint8_t* bytes);
    void ResetFilter();
    float GetFilteredPower() const { return filtered_w_; }
    uint16_t GetAuxiliaryWord() const { return aux_word_; }
    static int8_t GetRangeIndex();
    void MarkZeroTemperature() { zero_temperature_ = temperature_; }
    bool IsZeroAdvised() const;
    std::unique_ptr<CSensorReading> ReadDataRecords();
    void SelectAveraging(float power, float filtered);

    double GetCalibrationFactor() const { return cal_factor_; }
    uint8_t GetAveragingCount() const { return averaging_; }
    uint8_t GetTargetAveraging() const { return target_; }
    void SetAveragingCount(uint8_t n) { averaging_ = n; }
    void SetTargetAveraging(uint8_t n) { target_ = n; }
    void SetTemperatureWord(uint16_t t) { temperature_ = t; }
    void SetZeroAdviceOff(bool off) { zero_advice_off_ = off; }
    void SetFilteredPower(float w) { filtered_w_ = w; }
    bool HasRecordError() const { return record_error_; }

  private:
    uint32_t zero_count_ = 0;
    uint32_t cal_count_ = 0;
    int64_t cal_span_ = 0;
    uint32_t sensitivity_ = 0;
    uint16_t cal_temperature_ = 0;
    float cal_correction_ = 1.0f;
    double cal_factor_ = 1.0;
    double full_scale_w_ = sensor_protocol::kK615FullScaleW;
    float window_ = 0;
    int32_t current_ = 0;
    uint16_t temperature_ = 0;
    uint16_t aux_word_ = 0;
    float correction_ = 1.0f;
    uint16_t zero_temperature_ = 0;
    uint8_t averaging_ = 1, target_ = 1;
    float deviation_sum_ = 0, averaged_count_ = 0, filtered_w_ = 0, power_w_ = 0;
    bool zero_advice_off_ = false;
    bool accepted_ = false;
    bool record_error_ = false;
};

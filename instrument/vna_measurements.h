#pragma once
// The network analyzer's measurements. Besides its own sweep message a
// network-analyzer measurement carries every class-0x2000 message of the
// network analyzer screen: sweep set-ups of the calibration standards, term
// fetches, term uploads through the table path, frequency lists, the DC-bias
// option and the query. Each is chosen by a kind that equals the message
// number.
#include <array>
#include <cstdint>
#include <memory>

#include "drivers/dsp/dsp_protocol.h"
#include "instrument/device_item.h"
#include "instrument/dsp_measurement.h"

class CVNAMeasSetup;

namespace vna {

inline constexpr uint32_t kMaxBlockWords = dsp::kAreaWords;
inline constexpr uint32_t kMaxNextIndex = dsp::kAreaItems;
inline constexpr size_t kSweepMessageSize = dsp::message_payload_size(dsp::msg::kReflectionSweep);
// Set-ups and frequency lists.
inline constexpr size_t kSweepRecordSize = dsp::message_payload_size(dsp::msg::kMeasureOpen);
inline constexpr size_t kDtfRecordSize = dsp::message_payload_size(dsp::msg::kDistanceToFault);
inline constexpr size_t kOptionRecordSize = dsp::message_payload_size(dsp::msg::kOption);
// One term table (11,265 complex floats).
inline constexpr size_t kTableBytes = dsp::kTableMessagePayload;
inline constexpr uint32_t kTableEntries = dsp::kAreaItems;

}  // namespace vna

class CVnaMeasurement : public CDspMeasurement {
  public:
    int Init(IMeasurementScreen* screen) override;
    CDeviceItem* ParseReply(CDataBlock& block) override;
    // Whether the setup has a frequency range.
    int IsReady() override;

    // The measurement's own sweep message.
    int SendSweep() override;
    // Queue a message with the setup's data points, display points or the
    // calibration sweep's point count as the argument.
    int Send(uint16_t id, const void* payload);
    int Send2(uint16_t id, const void* payload);
    int Send3(uint16_t id, const void* payload);
    // Queues a term table upload (0xDEAD0017) from the `size` bytes at
    // `table`; 0 when they are fewer than the sweep's points need.
    int SendTable(uint16_t id, const void* table, size_t size);

    // Kinds 5, 6, 7, 8, 25: a calibration standard's sweep set-up.
    int SendSweepSetup(uint32_t kind);
    // Kinds 9, 10, 12, 14, 16, 18, 20, 24, 32, 33 (display points) and 23, 36.
    int SendCommand(uint32_t kind);
    // Kinds 11, 13, 15, 17, 34: the 90,120-byte term table.
    int SendCalTable(uint32_t kind, const void* table, size_t size);
    // Kinds 19, 21.
    int SendFrequencyList(uint32_t kind);
    // The DC-bias option: {kind, value, 0, 0}.
    int SendOption(uint8_t kind, uint8_t value);
    int SendQuery();

    void BuildSweepRecord(uint32_t kind, uint8_t* record) const;
    void BuildFrequencyListRecord(uint8_t* record) const;
    static void BuildOptionRecord(uint8_t kind, uint8_t value, uint8_t* record);
    // The 32-byte record of the sweep messages 0x2001 to 0x2003.
    void BuildSweepMessage(uint8_t* record) const;

    uint16_t GetMessageId() const { return message_id_; }
    CVNAMeasSetup* GetVnaSetup() const;
    CVnaSweepItem* GetSweepItem() const { return sweep_item_.get(); }

  protected:
    CVnaMeasurement(CDevicePort* link, uint16_t message_id, const MeasurementTexts& texts);

    uint16_t message_id_;
    std::unique_ptr<CVnaSweepItem> sweep_item_;
    // The sweep message's record, kept until the next send.
    std::array<uint8_t, vna::kDtfRecordSize> record_{};
    double reference_impedance_ = 50.0;
    double phase_offset_ = 0.0;
};

class CFreqSweepMeasurement : public CVnaMeasurement {
  public:
    explicit CFreqSweepMeasurement(CDevicePort* link);
    ~CFreqSweepMeasurement() override;
};

class CDtfMeasurement : public CVnaMeasurement {
  public:
    explicit CDtfMeasurement(CDevicePort* link);
    ~CDtfMeasurement() override;
    int SendSweep() override;
    void BuildDtfRecord(uint8_t* record) const;
};

class CCableLossMeasurement : public CVnaMeasurement {
  public:
    explicit CCableLossMeasurement(CDevicePort* link);
    ~CCableLossMeasurement() override;
};

class CGainMeasurement : public CVnaMeasurement {
  public:
    explicit CGainMeasurement(CDevicePort* link);
    ~CGainMeasurement() override;
    // The gain measurement's own settings: its limit (100.0), an offset and
    // a reference, in dB.
    double GetGainLimit() const { return gain_limit_; }
    double GetGainOffset() const { return gain_offset_; }
    double GetGainReference() const { return gain_reference_; }

  private:
    double gain_limit_ = 100.0;
    double gain_offset_ = 0.0;
    double gain_reference_ = 0.0;
};

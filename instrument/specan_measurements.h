#pragma once
// The spectrum analyzer's measurements. Each builds its sweep record from
// the screen's setup, sends it through the DSP link and turns the board's
// class-0x3000 reply blocks into result items. The channel power classes
// also post the frequencies of their channel edges to the frame window.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/text.h"
#include "drivers/dsp/dsp_protocol.h"
#include "instrument/device_item.h"
#include "instrument/dsp_measurement.h"

class CMeasSetup;
namespace plat {
class CWnd;
}

// What a signal band offers beyond the setup's band interface: the number of
// the channel next to a channel on side 0 or 1, -1 when there is none.
class IChannelNeighbours {
  public:
    virtual ~IChannelNeighbours() = default;
    virtual int32_t StepChannel(int32_t channel, int side) const = 0;
};

namespace specan {

inline constexpr uint32_t kMaxTracePoints = dsp::kMaxSpectrumPoints;
inline constexpr double kNoPower = -300.0;
inline constexpr uint32_t kMaxDemodSamples = dsp::kSampleCapacity;

// Record sizes.
inline constexpr size_t kSweepRecordSize = dsp::message_payload_size(dsp::msg::kSweep);
inline constexpr size_t kMidRecordSize = dsp::message_payload_size(dsp::msg::kChannelPower);
inline constexpr size_t kLongRecordSize =
    dsp::message_payload_size(dsp::msg::kAdjacentChannelPower);
inline constexpr size_t kParameterRecordSize = dsp::message_payload_size(dsp::msg::kCounterMarkers);

// A setup level in dB as the record's unsigned byte: clamped to 0..255, then
// truncated.
uint8_t LevelByte(double db);

}  // namespace specan

class CSpectrumMeasurement : public CDspMeasurement {
  public:
    CSpectrumMeasurement(CDevicePort* link, size_t record_size, const MeasurementTexts& texts);
    int Init(IMeasurementScreen* screen) override;
    CDeviceItem* ParseReply(CDataBlock& block) override;
    int IsReady() override { return 1; }

    // Sends a message with the setup's data points as the argument; sets the
    // active flag. Returns the link's answer.
    int Send(uint16_t id, const void* payload);
    // Whether the setup differs from the compared record in the fields that
    // need a new sweep; 1 while no record is set.
    int SetupChanged(CMeasSetup* setup) override;
    // Whether a trace item reaches the end of the sweep.
    virtual int IsLastSegment(const CDeviceItem* item) const;
    virtual int SameSweep(const uint8_t* a, const uint8_t* b) const;
    // Fills the record of the class from the setup into a zeroed buffer.
    virtual void FillSweepRecord(uint8_t* record);

    // The record the last Send built.
    const uint8_t* GetRecord() const { return record_.data(); }
    size_t GetRecordSize() const { return record_.size(); }
    // The record SetupChanged compares with (the screen's choice), of this
    // class's record size; none clears it. A record shorter than this
    // class's is refused (false) and the compared record left as it was.
    bool SetComparedRecord(const uint8_t* record, size_t size);
    // The window the channel power classes post their channel edges to, each
    // as a command record (WM_COMMAND 32824) that the receiver deletes:
    // group 21, sub-id 3, count 1, the edge in hertz as the value, the edge
    // index (0/1 the channel, 2/3 the adjacent channel on side 0, 4/5 on
    // side 1) as the first argument, flag 0 and the frequency as shown as
    // the text. None posts nothing.
    void SetEdgeWindow(plat::CWnd* frame) { edge_window_ = frame; }
    CSweepItem* GetSweepItem() const { return sweep_item_.get(); }

  protected:
    // The trace segment of a class-0x3000 block; null when the block is
    // refused.
    CDeviceItem* ParseTrace(CDataBlock& block);
    int SendRecord(uint16_t id);
    void PostEdge(int index, uint64_t hertz);
    // The record with the fields every class shares.
    void FillCommon(uint8_t* record) const;

    std::vector<uint8_t> record_;
    std::unique_ptr<CSweepItem> sweep_item_;
    std::vector<uint8_t> compared_;  // empty: none
    plat::CWnd* edge_window_ = nullptr;
};

class CGeneralSpectrumMeasurement : public CSpectrumMeasurement {
  public:
    explicit CGeneralSpectrumMeasurement(CDevicePort* link);
    ~CGeneralSpectrumMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    int SendSweep() override { return SendRecord(dsp::msg::kSweep); }
    CDeviceItem* ParseReply(CDataBlock& block) override;
    int SameSweep(const uint8_t* a, const uint8_t* b) const override;
    // Sends the 56-byte counter-marker record (0x300B) the screen built;
    // 0 when `size` is short of it.
    int SetParameters(const uint8_t* record, size_t size);
    CQueryReplyItem* GetQueryItem() const { return query_item_.get(); }

  private:
    std::unique_ptr<CQueryReplyItem> query_item_;
};

class COccupiedBwMeasurement : public CSpectrumMeasurement {
  public:
    explicit COccupiedBwMeasurement(CDevicePort* link);
    ~COccupiedBwMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    int SendSweep() override { return SendRecord(dsp::msg::kOccupiedBandwidth); }
    CDeviceItem* ParseReply(CDataBlock& block) override;
    int SetupChanged(CMeasSetup* setup) override;
    void FillSweepRecord(uint8_t* record) override;
    COccupiedBwItem* GetResultItem() const { return obw_item_.get(); }
    // The bandwidth of the last reply (0 before one), for any thread.
    uint64_t GetBandwidth() const;

  private:
    // The item is the delivering thread's; the bandwidth it carries is
    // written and read under `result_mutex_`.
    std::unique_ptr<COccupiedBwItem> obw_item_;
    mutable std::mutex result_mutex_;
    bool has_value_ = false;
};

class CChannelPowerMeasurement : public CSpectrumMeasurement {
  public:
    explicit CChannelPowerMeasurement(CDevicePort* link);
    ~CChannelPowerMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    int SendSweep() override;
    void Reset() override;
    CDeviceItem* ParseReply(CDataBlock& block) override;
    int IsReady() override;
    void FillSweepRecord(uint8_t* record) override;
    // The power density of the last channel power over `bandwidth` Hz, with
    // an offset in dB; -300.0 for a bandwidth that is not positive.
    double GetPowerDensity(uint64_t bandwidth, double offset) const;
    // The last channel power, kNotMeasured until a reply after the sweep
    // was sent (any thread).
    double GetLastPower() const;
    uint64_t GetLowerEdge() const { return lower_edge_; }
    uint64_t GetUpperEdge() const { return upper_edge_; }
    CChannelPowerItem* GetResultItem() const { return cp_item_.get(); }

  protected:
    CChannelPowerMeasurement(CDevicePort* link, size_t record_size, const MeasurementTexts& texts);
    // The edges of channel `channel` of the setup's band.
    bool ChannelEdges(int32_t channel, uint64_t& lower, uint64_t& upper) const;
    // The replies' results arrive on the delivering thread and the readout
    // reads them on the user-interface thread: the last results and the
    // result items' values are written and read under this mutex.
    mutable std::mutex result_mutex_;
    double last_power_ = kNotMeasured;
    uint64_t lower_edge_ = 0;
    uint64_t upper_edge_ = 0;

  private:
    std::unique_ptr<CChannelPowerItem> cp_item_;
};

class CAcprMeasurement : public CChannelPowerMeasurement {
  public:
    explicit CAcprMeasurement(CDevicePort* link);
    ~CAcprMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    int SendSweep() override;
    CDeviceItem* ParseReply(CDataBlock& block) override;
    int IsReady() override;
    void FillSweepRecord(uint8_t* record) override;
    CAcprItem* GetAcprItem() const { return acpr_item_.get(); }
    // The adjacent channels' ratios of the last reply (0 before one), for
    // any thread.
    void GetRatios(float& lower, float& upper) const;

  private:
    std::unique_ptr<CAcprItem> acpr_item_;
    double last_lower_ = kNotMeasured;
    double last_upper_ = kNotMeasured;
    float last_lower_ratio_ = 0;
    float last_upper_ratio_ = 0;
};

class CDemodSignalMeasurement : public CSpectrumMeasurement {
  public:
    explicit CDemodSignalMeasurement(CDevicePort* link);
    ~CDemodSignalMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    int SendSweep() override;
    CDeviceItem* ParseReply(CDataBlock& block) override;
    void FillSweepRecord(uint8_t* record) override;
    // Set by the screen: the next Send asks for audio (0x3007).
    void SetAudio(bool on) { audio_ = on; }
    bool GetAudio() const { return audio_; }
    int16_t GetLastLevel() const { return last_level_; }
    CDemodItem* GetResultItem() const { return demod_item_.get(); }
    // The samples of the last audio block (16-bit PCM).
    const int16_t* GetSamples() const;
    uint32_t GetSampleCount() const { return sample_count_; }

  private:
    std::unique_ptr<CDemodItem> demod_item_;
    bool audio_ = false;
    bool second_flag_ = false;
    int16_t last_level_ = 0;
    uint32_t sample_count_ = 0;
};

class CCarrierInterferenceMeasurement : public CSpectrumMeasurement {
  public:
    explicit CCarrierInterferenceMeasurement(CDevicePort* link);
    ~CCarrierInterferenceMeasurement() override;
    int SendSweep() override { return SendRecord(dsp::msg::kSweep); }
};

class CTimeDomainMeasurement : public CSpectrumMeasurement {
  public:
    explicit CTimeDomainMeasurement(CDevicePort* link);
    ~CTimeDomainMeasurement() override;
    int SendSweep() override { return SendRecord(dsp::msg::kZeroSpan); }
    void FillSweepRecord(uint8_t* record) override;
};

class CSignalStrengthMeasurement : public CSpectrumMeasurement {
  public:
    explicit CSignalStrengthMeasurement(CDevicePort* link);
    ~CSignalStrengthMeasurement() override;
    int Init(IMeasurementScreen* screen) override;
    int SendSweep() override { return SendRecord(dsp::msg::kSweep); }
    void FillSweepRecord(uint8_t* record) override;
    // As the general measurement's: 0 when `size` is short of the record.
    int SetParameters(const uint8_t* record, size_t size);

  private:
    // Kept for the screen's signal-strength display.
    std::vector<uint8_t> display_state_;
    std::vector<uint8_t> parameters_;
};

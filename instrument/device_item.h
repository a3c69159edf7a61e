#pragma once
// Device items: the typed result records that travel from a measurement, a
// sensor or a trace file to the code that draws, stores or searches them.
// An item covers a frequency range with one value per point; 1.0e-18 marks
// a value that was not measured.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/data_block.h"

class CDeviceItemManager;

inline constexpr double kNotMeasured = 1.0e-18;

class CDeviceItem {
  public:
    // Type codes.
    static constexpr uint32_t kTimeDomain = 0x0000;
    static constexpr uint32_t kSensorReading = 0x0100;
    static constexpr uint32_t kRawData = 0x0104;
    static constexpr uint32_t kVnaSweep = 0x0200;
    static constexpr uint32_t kSweep = 0x0300;
    static constexpr uint32_t kOccupiedBw = 0x0301;
    static constexpr uint32_t kChannelPower = 0x0302;
    static constexpr uint32_t kAcpr = 0x0303;
    static constexpr uint32_t kDemod = 0x0305;
    static constexpr uint32_t kQueryReply = 0x0306;

    CDeviceItem();
    virtual ~CDeviceItem();
    CDeviceItem(const CDeviceItem&) = delete;
    CDeviceItem& operator=(const CDeviceItem&) = delete;

    virtual CDeviceItem* GetNext() const { return next_; }
    virtual CDeviceItem* FindByFrequency(uint64_t f);
    virtual CDeviceItem* FindById(uint32_t id);
    virtual uint32_t GetChainLength() const;
    // Keeps the total - head - tail bytes after the first head bytes, with a
    // terminating zero byte; returns the kept length.
    virtual uint32_t SetData(const uint8_t* bytes, uint32_t total, uint32_t head, uint32_t tail);
    virtual void Append(CDeviceItem* item);
    virtual void Format(char* text, size_t size);
    // A new text owned by the caller.
    virtual char* CreateText(bool with_head, bool with_value, uint32_t point);
    virtual uint32_t GetCount() const { return count_; }
    virtual double GetValueAtFrequency(uint64_t f);
    virtual double GetValue(uint32_t point) const;
    virtual void SetPair(uint32_t point, float a, float b);
    virtual void SetValue(uint32_t point, double value);
    virtual void SetValueAtFrequency(uint64_t f, double value);
    virtual float* GetPairA(uint32_t point);
    virtual float* GetPairB(uint32_t point);
    virtual double GetNotMeasured() const { return kNotMeasured; }
    virtual double GetFirstValue() const { return GetValue(0); }
    virtual double HoldMaximumIn(uint32_t global_point, CDeviceItemManager* other);
    struct HeldValue {
        uint64_t frequency;
        double value;
    };
    virtual double HoldMaximumInList(uint32_t global_point, bool enabled,
                                     std::vector<HeldValue>* list);
    virtual uint32_t GetPointOfFrequency(uint64_t f) const;
    virtual uint32_t GetLocalPoint(uint32_t global_point) const {
        return global_point - first_index_;
    }
    virtual uint64_t GetFrequencyOfPoint(uint32_t point) const;
    virtual void UpdateMinMax(double value, uint64_t start, uint64_t stop, uint64_t tag);
    virtual uint64_t FindLevelCrossing(double level, uint64_t from, bool downwards,
                                       CDeviceItemManager* set, bool forwards);
    virtual void Reset();

    // Fields.
    uint32_t GetType() const { return type_; }
    uint32_t GetId() const { return id_; }
    void SetId(uint32_t id) { id_ = id; }
    uint32_t GetDataLength() const { return data_length_; }
    const uint8_t* GetData() const { return data_.get(); }
    CDataBlock* GetBlock() const { return block_.get(); }
    void AttachBlock(std::unique_ptr<CDataBlock> block) { block_ = std::move(block); }
    std::unique_ptr<CDataBlock> DetachBlock() { return std::move(block_); }
    uint32_t GetFirstIndex() const { return first_index_; }
    void SetRange(uint32_t first_index, uint32_t count, uint64_t start, uint64_t stop);
    // The arrays belong to the producer (or the manager's clear).
    void SetArrays(float* values, float* pairs_a, float* pairs_b);
    float* GetValues() const { return values_; }
    float* GetPairsB() const { return pairs_b_; }
    uint64_t GetStart() const { return start_; }
    uint64_t GetStop() const { return stop_; }
    double GetMinimum() const { return minimum_; }
    double GetMaximum() const { return maximum_; }
    uint64_t GetTagAtMinimum() const { return tag_min_; }
    uint64_t GetTagAtMaximum() const { return tag_max_; }
    void SetNext(CDeviceItem* next) { next_ = next; }

  protected:
    // The step between points; 0 when the span is below the count.
    int64_t Step() const;
    bool Holds(uint64_t f) const { return start_ <= f && f <= stop_; }

    uint32_t type_ = 0;
    uint32_t id_ = 0;
    uint32_t data_length_ = 0;
    std::unique_ptr<uint8_t[]> data_;
    std::unique_ptr<CDataBlock> block_;
    uint32_t first_index_ = 0;
    uint32_t count_ = 0;
    float* values_ = nullptr;
    float* pairs_a_ = nullptr;
    float* pairs_b_ = nullptr;
    uint64_t start_ = 0;
    uint64_t stop_ = 0;
    double minimum_ = kNotMeasured;
    double maximum_ = kNotMeasured;
    uint64_t tag_min_ = 0;
    uint64_t tag_max_ = 0;
    CDeviceItem* next_ = nullptr;
};

class CTimeDomainItem : public CDeviceItem {
  public:
    CTimeDomainItem() { type_ = kTimeDomain; }
};

// One segment of a swept trace; the sweep classes write "%05u,%05u,%05u"
// heads and "%#.5e" values.
class CSweepItem : public CDeviceItem {
  public:
    CSweepItem() { type_ = kSweep; }
    char* CreateText(bool with_head, bool with_value, uint32_t point) override;
};

class CVnaSweepItem : public CSweepItem {
  public:
    CVnaSweepItem() { type_ = kVnaSweep; }
};

class COccupiedBwItem : public CDeviceItem {
  public:
    COccupiedBwItem() { type_ = kOccupiedBw; }
    char* CreateText(bool with_head, bool with_value, uint32_t point) override;
    uint64_t bandwidth = 0;
};

class CChannelPowerItem : public CDeviceItem {
  public:
    CChannelPowerItem() { type_ = kChannelPower; }
    char* CreateText(bool with_head, bool with_value, uint32_t point) override;
    double channel_power = 0;
};

class CAcprItem : public CChannelPowerItem {
  public:
    CAcprItem() { type_ = kAcpr; }
    char* CreateText(bool with_head, bool with_value, uint32_t point) override;
    double lower = 0, upper = 0;
    float lower_ratio = 0, upper_ratio = 0;
};

class CDemodItem : public CDeviceItem {
  public:
    CDemodItem() { type_ = kDemod; }
    uint8_t bytes[10] = {};
};

// The reply to the counter-marker query: per marker whether it is present,
// its counted frequency and its level.
class CQueryReplyItem : public CDeviceItem {
  public:
    static constexpr int kMarkers = 6;
    static constexpr uint32_t kReplyBytes = 80;  // data bytes the reply carries
    CQueryReplyItem() { type_ = kQueryReply; }
    // From the reply's data: six presence bytes at 0, six doubles at 8, six
    // floats at 56. False when the data is too short.
    bool Fill(const uint8_t* data, uint32_t size);
    uint8_t present[kMarkers] = {};
    double frequency[kMarkers] = {};
    double level[kMarkers] = {};
};

class CSensorReading : public CDeviceItem {
  public:
    explicit CSensorReading(uint32_t kind = 0, uint32_t source = 0) : source_(source) {
        type_ = kSensorReading + kind;
    }
    void Format(char* text, size_t size) override;
    virtual void SetExtra(uint32_t key, uint32_t value);
    // Keys 1 to 12 (the bits of a single-precision value).
    virtual void SetField(uint32_t key, uint32_t value);
    void SetFieldValue(uint32_t key, float value);
    uint32_t GetSource() const { return source_; }
    float GetFieldValue(int index) const;
    // The reading's values 0..9 as the power meter numbers them: value 0 is
    // the source word, value i the field of key i.
    float GetReadingValue(int i) const;
    void SetScale(float scale) { scale_ = scale; }
    float GetScale() const { return scale_; }

    static constexpr uint32_t kMaxKey = 12;

  private:
    uint32_t source_;
    uint32_t fields_[kMaxKey] = {};
    float scale_ = 1.0f;
};

// A raw sensor reply that is not a reading.
class CRawDataItem {
  public:
    CRawDataItem(const uint8_t* data, uint32_t size)
        : type(CDeviceItem::kRawData), size(size), data(data, data + size) {}
    uint32_t type;
    uint32_t size;
    std::vector<uint8_t> data;
};

#pragma once
// The trigger of a spectrum measurement: mode (source + 3 x continuous),
// which edges trigger, the video trigger level, the gate delay and the
// trigger condition.
#include <cstdint>

class CTriggerSettings {
  public:
    static constexpr int32_t kModeCount = 6;  // 0..5
    static constexpr int32_t kDefaultMode = 3;
    static constexpr uint32_t kDelayMin = 1, kDelayMax = 10000, kDefaultDelay = 5000;
    static constexpr int16_t kLevelMin = -20000, kLevelMax = 3000;
    enum Edge : int32_t { kRising = 0, kFalling = 1, kBoth = 2 };
    static constexpr int32_t kConditionCount = 5;  // 0..4

    CTriggerSettings() = default;
    virtual ~CTriggerSettings() = default;

    virtual int32_t GetMode() const { return mode_; }
    // Stores m with its remainder and group; returns (m / 3) * 3. A mode
    // outside 0..5 is refused: nothing changes and -1 is returned.
    virtual int32_t SetMode(int32_t m);
    virtual uint8_t GetType() const { return type_; }
    virtual void SetType(uint8_t t);
    virtual bool IsRisingEdge() const { return edge_ == kRising || edge_ == kBoth; }
    virtual int32_t SetRisingEdge(bool on);
    virtual bool IsFallingEdge() const { return edge_ == kFalling || edge_ == kBoth; }
    virtual int32_t SetFallingEdge(bool on);
    virtual int32_t GetEdge() const { return edge_; }
    // An edge outside 0..2 is refused (false).
    virtual bool SetEdge(int32_t e);
    virtual uint8_t GetFlagA() const { return flag_a_; }
    virtual void SetFlagA(uint8_t b);
    virtual uint8_t GetFlagB() const { return flag_b_; }
    virtual void SetFlagB(uint8_t b);

    uint32_t GetDelay() const { return delay_; }
    // Clamped into 1..10,000.
    void SetDelay(uint32_t delay);
    void IncDelay(uint32_t step);
    void DecDelay(uint32_t step);
    int16_t GetLevel() const { return level_; }
    // Clamped into -20,000..3,000; does not mark.
    void SetLevel(int16_t level);
    void IncLevel(int32_t step);
    void DecLevel(int32_t step);
    int32_t GetModeRemainder() const { return mode_remainder_; }
    int32_t GetModeGroup() const { return mode_group_; }
    int32_t GetCondition() const { return condition_; }
    // A condition outside 0..4 is refused (false).
    bool SetCondition(int32_t condition);
    int32_t GetModified() const { return modified_; }

  private:
    void Mark() { modified_ = 1; }

    int32_t modified_ = 0;
    int32_t mode_ = kDefaultMode;
    uint32_t delay_ = kDefaultDelay;
    int16_t level_ = 0;
    uint8_t type_ = 0;
    int32_t edge_ = kRising;
    uint8_t flag_a_ = 0;
    uint8_t flag_b_ = 0;
    int32_t mode_remainder_ = 0;
    int32_t mode_group_ = 1;
    int32_t condition_ = 1;
};

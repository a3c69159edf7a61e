#pragma once
// The record of one marker: its id, state and type, its position on the
// frequency, time and distance axes, the measured amplitudes, its delta
// relation to a reference marker, an fc reading and its label. Plain data
// behind virtual accessors; the graph and the setup files read and change it.
#include <cstdint>

#include "core/text.h"

class CValueRecord {
  public:
    // Amplitude of a marker that has not been measured yet.
    static constexpr double kNotMeasured = 1.0e-18;

    explicit CValueRecord(int32_t id);
    virtual ~CValueRecord() = default;

    virtual int32_t GetState() const { return state_; }
    virtual void SetState(int32_t state);
    virtual int32_t GetIndex() const { return index_; }
    virtual void SetIndex(int32_t index);
    virtual int32_t GetType() const { return type_; }
    virtual void SetType(int32_t type);
    virtual int32_t GetDelta() const { return delta_; }
    virtual void SetDelta(int32_t delta) { delta_ = delta; }
    // amplitude - reference amplitude, stored and returned.
    virtual double UpdateDeltaAmplitude();
    // value - amplitude, stored and returned.
    virtual double SetDeltaAmplitudeFrom(double value);
    virtual int32_t GetDeltaIndex() const { return delta_index_; }
    virtual void SetDeltaIndex(int32_t index) { delta_index_ = index; }
    virtual int32_t GetId() const { return id_; }
    virtual bool GetSpareFlag() const { return spare_flag_; }
    virtual void SetSpareFlag(bool flag);
    virtual uint64_t GetFrequency() const { return frequency_; }
    virtual void SetFrequency(uint64_t hertz);
    virtual uint64_t GetPosition2() const { return position2_; }
    virtual void SetPosition2(uint64_t value);
    virtual uint64_t GetFcFrequency() const { return fc_frequency_; }
    virtual void SetFcFrequency(uint64_t hertz);
    // The deltas are signed differences position - reference over the full
    // 64 bits (a 2.9 GHz span reads as such).
    virtual int64_t UpdateDeltaFrequency();
    virtual int SetReferenceFrequency(uint64_t hertz);
    virtual int64_t UpdateDelta2();
    virtual int SetReference2(uint64_t value);
    virtual uint64_t GetPosition3() const { return position3_; }
    virtual void SetPosition3(uint64_t value);
    virtual int64_t UpdateDelta3();
    virtual int SetReference3(uint64_t value);
    virtual double GetReferenceAmplitude() const { return reference_amplitude_; }
    virtual void SetReferenceAmplitude(double value) { reference_amplitude_ = value; }
    virtual double GetAmplitude() const { return amplitude_; }
    virtual void SetAmplitude(double value);
    virtual double GetFcAmplitude() const { return fc_amplitude_; }
    virtual void SetFcAmplitude(double value);
    virtual int32_t GetReferenceY() const { return reference_y_; }
    virtual void SetReferenceY(int32_t y) { reference_y_ = y; }
    virtual int32_t GetLiveY() const { return live_y_; }
    virtual void SetLiveY(int32_t y);
    virtual int32_t GetPixelIndex() const { return pixel_index_; }
    virtual void SetPixelIndex(int32_t index);
    virtual int32_t GetMarkerOption() const { return marker_option_; }
    virtual void SetMarkerOption(int32_t option) { marker_option_ = option; }
    virtual bool IsCurrent() const { return current_; }
    virtual void SetCurrent(bool current) { current_ = current; }
    virtual core::Text GetLabel() const { return label_; }
    virtual void SetLabel(core::Text label) { label_ = std::move(label); }
    virtual core::Text GetSecondText() const { return second_text_; }
    virtual void SetSecondText(core::Text text) { second_text_ = std::move(text); }
    // Back to the defaults; the id becomes 0, the kept fields stay.
    virtual void Reset();

    bool IsChanged() const { return changed_; }
    int32_t GetRow() const { return row_; }
    void SetRow(int32_t row) { row_ = row; }
    double GetDeltaAmplitude() const { return delta_amplitude_; }
    int64_t GetDeltaFrequency() const { return delta_frequency_; }
    int64_t GetDelta2() const { return delta2_; }
    int64_t GetDelta3() const { return delta3_; }

    // Pending moves, written and read directly by the graph.
    struct MoveRequests {
        uint64_t value = 0;
        int32_t index = 0;
        uint8_t flags[4] = {0, 0, 0, 0};
    };
    MoveRequests& Requests() { return requests_; }

  private:
    void MarkChanged() { changed_ = true; }

    bool changed_ = false;
    MoveRequests requests_;
    int32_t pixel_index_ = 0;
    int32_t row_ = 0;
    core::Text label_;
    core::Text second_text_;
    int32_t id_ = 0;
    int32_t state_ = 0;
    int32_t index_ = -1;
    int32_t type_ = 1;
    int32_t delta_ = 0;
    double delta_amplitude_ = 0.0;
    int32_t marker_option_ = 0;
    bool spare_flag_ = true;
    uint64_t frequency_ = 0;
    uint64_t position2_ = 0;
    uint64_t fc_frequency_ = 0;
    double amplitude_ = kNotMeasured;
    double reference_amplitude_ = kNotMeasured;
    double fc_amplitude_ = 0.0;
    int32_t delta_index_ = 0;
    int64_t delta_frequency_ = 0;
    int64_t delta2_ = 0;
    uint64_t reference_frequency_ = 0;
    uint64_t reference2_ = 0;
    int64_t delta3_ = 0;
    uint64_t position3_ = 0;
    uint64_t reference3_ = 0;
    int32_t live_y_ = 0;
    int32_t reference_y_ = 0;
    bool current_ = false;
};

#pragma once
// What a trace file stores besides the setup: the points of the measured
// trace (from a trace source) and the results of the measurement. On reading
// the results go to a receiver, the screen of the setup's class, once the
// whole file was accepted.
#include <cstdint>
#include <ctime>
#include <optional>

#include "core/text.h"

// One entry of a point buffer: the spectrum analyzer keeps its value and a
// zero word, the network analyzer the point's two values.
struct TracePoint {
    float first = 0.0f;
    float second = 0.0f;
};
static_assert(sizeof(TracePoint) == 8);

// A point buffer holds up to this many points (90,120 bytes).
inline constexpr uint32_t kTraceBufferPoints = 11265;
inline constexpr size_t kTraceBufferBytes = kTraceBufferPoints * sizeof(TracePoint);

// The results of a spectrum analyzer trace. Each value is present when the
// writer wrote it or the reader read it.
struct SaTraceValues {
    std::optional<int32_t> averages;
    std::optional<uint32_t> occupied_bandwidth;  // Hz
    std::optional<double> channel_power;
    std::optional<double> acp_high_power, acp_low_power;
    std::optional<double> c2i_carrier, c2i_interference, c2i_difference;
    // Field strength: the antenna's band and gain (none: no antenna).
    std::optional<uint32_t> fs_start, fs_stop;  // Hz
    std::optional<double> fs_gain;
    core::Text gps_data, gps_location;
};

// The results of a network analyzer trace.
struct VnaTraceValues {
    std::optional<int32_t> averages;
    std::optional<int32_t> calibration_type;
    std::optional<bool> adc_saturated;
    std::optional<float> two_port_avg_gain;
    std::optional<double> two_port_bias_current;
    std::optional<bool> two_port_bias;
    std::optional<float> cable_loss;
    core::Text gps_data, gps_location;
};

// The texts a trace file's header carries from the trace record.
struct TraceHeaderTexts {
    std::time_t time = 0;  // when the trace was taken
    core::Text label, title, subtitle, notes;
};

// The measurement-side object whose trace is written.
class ITraceSource {
  public:
    virtual ~ITraceSource() = default;
    virtual core::Text GetTracePath() const = 0;
    // The header texts of the record; none: the setup's own texts.
    virtual std::optional<TraceHeaderTexts> GetHeaderTexts() const { return std::nullopt; }
    // Point i of the trace (spectrum analyzer: first value only); none when
    // the trace has no value there.
    virtual const TracePoint* GetPoint(uint32_t i) const = 0;
    // Point i of the distance-to-fault trace.
    virtual const TracePoint* GetDtfPoint(uint32_t /*i*/) const { return nullptr; }
    virtual SaTraceValues GetSaValues() const { return {}; }
    virtual VnaTraceValues GetVnaValues() const { return {}; }
};

// The screen that shows a recalled trace's results.
class ITraceValueReceiver {
  public:
    virtual ~ITraceValueReceiver() = default;
    virtual void ReceiveSaValues(const SaTraceValues& /*values*/) {}
    virtual void ReceiveVnaValues(const VnaTraceValues& /*values*/) {}
};

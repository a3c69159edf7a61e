#pragma once
// The value texts of the readout rows under the graph and of the trace
// caption: pure functions of the values they show, so that the rows and the
// tests format alike.
#include <cstdint>

#include "core/text.h"
#include "platform/gfx/color.h"

namespace readout_texts {

// A power at or below this is shown as "N/A" (not measured).
inline constexpr double kNotMeasuredPower = -300.0;
// A result or marker value not yet measured.
inline constexpr double kNotMeasured = 1e-18;
// A carrier-to-interference level at or below this is not shown.
inline constexpr double kNoCarrierLevel = -999.0;
// The blank label of a readout field.
inline constexpr uint32_t kBlankLabel = 184;
// The most characters of the active marker field, its "M" included.
inline constexpr size_t kActiveMarkerChars = 22;

// "(A)" for an automatic bandwidth (mode 0), "(M)" for a manual one.
core::Text BandwidthModeSuffix(uint32_t mode);
// The attenuation in whole dB with "(A)" for the automatic mode 0, "(M)"
// otherwise: "10 dB(A)".
core::Text AttenuationText(double db, int32_t mode);

// 10 log10(10^((power + offset) / 10) / divisor); the not-measured value
// -300 when the power is not measured or the divisor is 0.
double PowerRatioDb(double power, double offset, uint64_t divisor);
// The channel power with the amplitude offset and the unit name: "N/A" when
// not measured, "% +6.3f" for a measured power above 0, else "% 6.3f".
core::Text ChannelPowerText(double power, double offset, uint32_t unit);
// The power spectral density "% 6.1f <unit>/Hz"; empty when the channel
// width is 0 or not measured or the power is not measured.
core::Text PowerDensityText(double power, double offset, uint64_t width_hz, uint32_t unit);
// An adjacent channel ratio: "% +4.1f dB" above 0, else "% 4.1f dB".
core::Text AdjacentRatioText(float ratio);

// The demodulation types 1..5; any other type is corrected to 2.
int32_t CorrectDemodType(int32_t type);
core::Text DemodTypeName(int32_t type);

// A carrier or interference level (dBm) shown in `unit`: empty at or below
// -999, "% 6.3f" for dBm, "% 4.1f" otherwise, then the unit name.
core::Text CarrierLevelText(double level_dbm, uint32_t unit);
// The carrier-to-interference ratio "% 4.1f dB"; empty at or below -999.
core::Text CarrierRatioText(double ratio_db);

// The field of the active marker: "M" and the marker's readout, at most 22
// characters together.
core::Text ActiveMarkerText(const core::Text& readout);

// The limit test field: blank with both limits off, else PASS in green or
// FAIL in red, in capitals.
struct LimitField {
    uint32_t label = kBlankLabel;
    core::Text text;
    plat::COLORREF colour = 0;
};
inline constexpr plat::COLORREF kPassColour = 0x8000;
inline constexpr plat::COLORREF kFailColour = 0xFF;
LimitField LimitTestField(bool upper_on, bool lower_on, bool failed);

// The trace mode: maximum hold, minimum hold, "Average k/n" while averaging,
// else clear/write.
core::Text TraceModeText(int32_t hold_mode, bool averaging, uint32_t averaged, uint32_t count);

// The string id of the sweep (single or continuous) and of the trigger
// source (internal, external, video) of a trigger mode 0..5.
uint32_t SweepModeNameId(int32_t trigger_mode);
uint32_t TriggerSourceNameId(int32_t trigger_mode);

}  // namespace readout_texts

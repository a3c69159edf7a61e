#pragma once
// The soft-key pages the measurement screens share: marker, peak search,
// marker type, signal tools, threshold alarm, detection, trace, averaging,
// attenuation, amplitude unit, waterfall and frequency. Each builder writes
// the page's eight keys from the setup's state; a two-state key shows On or
// Off with the current choice highlighted, and the present choice among
// alternatives is shown as a disabled key.
#include <cstdint>

#include "core/text.h"

class CSoftKeyMenu;
class CMeasSetup;

namespace page_labels {

inline constexpr uint32_t kOnId = 308;
inline constexpr uint32_t kOffId = 309;
inline constexpr uint32_t kBlankId = 184;
inline constexpr uint32_t kReturnId = 1019;

// A label pattern with its first printf place ("%s", "%u", "% 6.3f", ...)
// replaced by `value` and any later place dropped; "%%" gives "%". The
// pattern is never used as a format, so a translated table cannot inject
// one. A pattern without a place gets nothing.
core::Text FillPlace(const core::Text& pattern, const core::Text& value);
// The same for a pattern from the string table.
core::Text FillPlace(uint32_t pattern_id, const core::Text& value);

// Marker page: `number` 1..6 is the selected marker (0 none).
void MarkerPage(CSoftKeyMenu& menu, int number, bool marker_on, bool delta_on);
void MarkerSearchPage(CSoftKeyMenu& menu, const CMeasSetup& setup);
void MarkerTypePage(CSoftKeyMenu& menu, int type, int table_position);
void SignalToolsPage(CSoftKeyMenu& menu, CMeasSetup& setup);
void ThresholdAlarmPage(CSoftKeyMenu& menu, const CMeasSetup& setup);
void DetectionPage(CSoftKeyMenu& menu, int32_t detection);
void TracePage(CSoftKeyMenu& menu, const CMeasSetup& setup);
void AveragingPage(CSoftKeyMenu& menu, const CMeasSetup& setup);
void AttenuationPage(CSoftKeyMenu& menu, const CMeasSetup& setup);
void AttenuationAveragePage(CSoftKeyMenu& menu, const CMeasSetup& setup, int key);
void AmplitudeUnitPage(CSoftKeyMenu& menu, int32_t unit);
void WaterfallPage(CSoftKeyMenu& menu, int32_t mode, bool time_stamps);
// Frequency page; `key` 0..3 replaces only that key's label by its value
// with the name and a colon; `list_name` is the setup's frequency list
// (empty: none); `channel_key` shows the channel key on soft key 7.
void FrequencyPage(CSoftKeyMenu& menu, const CMeasSetup& setup, int key,
                   const core::Text& list_name, bool channel_key);

}  // namespace page_labels

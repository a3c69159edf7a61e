#pragma once
// The texts the setup list dialogs show of a stored setup: its frequency
// range, its summary line, its time stamps and its file size.
#include <cstdint>
#include <ctime>

#include "core/text.h"

class CFrequencyRange;
class ISetupEntry;

namespace setup_texts {

// The format text of a string id applied to the arguments; texts given with
// %s are UTF-8.
core::Text FormatById(uint32_t id, ...);

// Start "-" stop, six decimals, the stop with its unit; empty without a range.
core::Text FrequencyText(const CFrequencyRange* range);
// "12:05AM/10-Dec-2026": the local time on a 12-hour clock, then the date.
core::Text FormatTimeStamp(std::time_t time);
// "01:07:09 PM 08/12/2026": the local time on a 12-hour clock with its
// morning or afternoon text, then day/month/year.
core::Text FormatDateTime(std::time_t time);
// "%d bytes" below 1,023 bytes, "%.1f Kbytes" below 1,048,575, else
// "%.1f Mbytes". `whole` divides in whole numbers (the decimal is then 0).
core::Text FormatSize(uint64_t bytes, bool whole);

// The resolution (0..8) and video (0..10) bandwidth texts; empty for an
// index outside its table.
core::Text RbwText(uint32_t index);
core::Text VbwText(uint32_t index);

// The summary of an entry by its class: the band's name or the frequency
// text (network analyzer); that text with ", RBW: " and ", VBW: " and the
// bandwidth texts (spectrum analyzer); nothing (power meter, other).
core::Text VnaSummary(const ISetupEntry& entry);
core::Text SpecAnSummary(const ISetupEntry& entry);
core::Text Summary(const ISetupEntry& entry);

}  // namespace setup_texts

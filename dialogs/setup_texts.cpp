#include "dialogs/setup_texts.h"

#include <cstdarg>
#include <cstdio>

#include "core/frequency_range.h"
#include "core/params.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/meas_setup.h"
#include "files/setup_entry.h"
#include "files/setup_services.h"
#include "platform/text/utf.h"

namespace setup_texts {

namespace {

constexpr uint32_t kFirstMonthText = 483;  // January; December is 494
constexpr uint32_t kDateFormat = 495;      // "%02d-%s-%02d"
constexpr uint32_t kMorningText = 496, kAfternoonText = 497;
constexpr uint32_t kClockFormat = 1022;  // "%02d:%02d:%02d %s "
constexpr uint32_t kDayMonthYear = 149;  // "%02d/%02d/%04d"
constexpr uint32_t kRbwLabel = 815, kVbwLabel = 816;
constexpr uint32_t kFirstRbwText = 899, kFirstVbwText = 897;
constexpr uint32_t kRbwCount = 9, kVbwCount = 11;
constexpr uint32_t kDecimals = 6;
constexpr uint64_t kKilo = 1024, kMega = 1048576;
constexpr uint64_t kKiloFrom = 1023, kMegaFrom = 1048575;

std::tm LocalParts(std::time_t time) {
    std::tm t{};
    localtime_r(&time, &t);
    return t;
}

int TwelveHour(int hour) {
    if (hour == 0) return 12;
    return hour > 12 ? hour - 12 : hour;
}

}  // namespace

core::Text FormatById(uint32_t id, ...) {
    const std::string format = plat::to_utf8(LoadResString(id));
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format.c_str(), args);
    va_end(args);
    return plat::from_utf8(out);
}

core::Text FrequencyText(const CFrequencyRange* range) {
    if (!range) return {};
    return FormatValue(range->GetStart(), 0, false, false, true, kDecimals) + u"-" +
           FormatValue(range->GetStop(), 0, false, true, true, kDecimals);
}

core::Text FormatTimeStamp(std::time_t time) {
    const std::tm t = LocalParts(time);
    const char* format = t.tm_hour < 12 ? (t.tm_min < 10 ? "%d:0%1dAM" : "%d:%2dAM")
                                        : (t.tm_min < 10 ? "%d:0%1dPM" : "%d:%2dPM");
    core::Text text = core::FormatText(format, TwelveHour(t.tm_hour), t.tm_min);
    const std::string month =
        plat::to_utf8(LoadResString(kFirstMonthText + static_cast<uint32_t>(t.tm_mon)));
    return text + u"/" + FormatById(kDateFormat, t.tm_mday, month.c_str(), t.tm_year + 1900);
}

core::Text FormatDateTime(std::time_t time) {
    const std::tm t = LocalParts(time);
    const std::string half =
        plat::to_utf8(LoadResString(t.tm_hour < 12 ? kMorningText : kAfternoonText));
    return FormatById(kClockFormat, TwelveHour(t.tm_hour), t.tm_min, t.tm_sec, half.c_str()) +
           FormatById(kDayMonthYear, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
}

core::Text FormatSize(uint64_t bytes, bool whole) {
    if (bytes < kKiloFrom) return core::FormatText("%d bytes", static_cast<int>(bytes));
    if (bytes < kMegaFrom) {
        const double k = whole ? static_cast<double>(bytes / kKilo)
                               : static_cast<double>(static_cast<float>(bytes) / kKilo);
        return core::FormatText("%.1f Kbytes", k);
    }
    const double m = whole ? static_cast<double>(bytes / kMega)
                           : static_cast<double>(static_cast<float>(bytes) / kMega);
    return core::FormatText("%.1f Mbytes", m);
}

core::Text RbwText(uint32_t index) {
    return index < kRbwCount ? LoadResString(kFirstRbwText + index) : core::Text();
}

core::Text VbwText(uint32_t index) {
    return index < kVbwCount ? LoadResString(kFirstVbwText + index) : core::Text();
}

core::Text VnaSummary(const ISetupEntry& entry) {
    if (const ISetupBand* band = entry.GetSignalBand()) return band->GetName();
    return FrequencyText(entry.GetFrequencyRange());
}

core::Text SpecAnSummary(const ISetupEntry& entry) {
    core::Text text = VnaSummary(entry);
    if (!text.empty()) text += u", ";
    const CChoiceBlock* block = entry.GetBandwidthSettings();
    text += LoadResString(kRbwLabel) + u" ";
    if (block) text += RbwText(block->GetRbwIndex());
    text += u", " + LoadResString(kVbwLabel) + u" ";
    if (block) text += VbwText(block->GetVbwIndex());
    return text;
}

core::Text Summary(const ISetupEntry& entry) {
    switch (entry.GetMeasurementClass()) {
        case CMeasSetup::kClassVna:
            return VnaSummary(entry);
        case CMeasSetup::kClassSa:
            return SpecAnSummary(entry);
        default:
            return {};
    }
}

}  // namespace setup_texts

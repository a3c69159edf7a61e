#include "core/routines.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/fs/device_path.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/clock.h"
#include "platform/text/number_text.h"
#include "platform/text/utf.h"

void CTimeout::Start(uint32_t period_ms) {
    start_ = plat::tick_count();
    period_ = period_ms;
}

bool CTimeout::IsExpired() const {
    return plat::tick_count() - start_ > period_;
}

namespace {

// The parsers' 20-byte buffer: at most the first 19 characters.
template <typename T>
T ScanNumber(std::u16string_view text, const char* format) {
    char buffer[20];
    CStringToAnsi(buffer, sizeof buffer, text);
    T value{};
    if (std::sscanf(buffer, format, &value) != 1) return T{};
    return value;
}

}  // namespace

int ParseInt(std::u16string_view text) {
    return ScanNumber<int>(text, "%d");
}
int ParseIntAlt(std::u16string_view text) {
    return ScanNumber<int>(text, "%d");
}
// The number at the start of the first 19 characters, blanks before it
// skipped; 0 when none is there.
double ScanDouble(std::u16string_view text) {
    char buffer[20];
    const size_t n = CStringToAnsi(buffer, sizeof buffer, text);
    const std::optional<plat::NumberPrefix> v =
        plat::parse_number_prefix(std::string_view(buffer, n));
    return v ? v->value : 0.0;
}

float ParseFloat(std::u16string_view text) {
    constexpr double kMax = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(ScanDouble(text), -kMax, kMax));
}
double ParseDouble(std::u16string_view text) {
    return ScanDouble(text);
}

size_t CStringToAnsi(char* buffer, size_t size, std::u16string_view text) {
    if (!buffer || size == 0) return 0;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<char>(text[i] & 0xFF);
    buffer[n] = '\0';
    return n;
}

int32_t ByteSum(const uint8_t* bytes, uint32_t count, int32_t seed) {
    int32_t sum = seed;
    for (uint32_t i = 0; i < count; ++i) sum += static_cast<int8_t>(bytes[i]);
    return sum;
}

int FindComma(const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (bytes[i] == ',') return static_cast<int>(i);
    }
    return -1;
}

namespace {

// Decimal digits at [pos, pos + width); -1 when one is not a digit.
int Digits(std::u16string_view text, size_t pos, size_t width) {
    int value = 0;
    for (size_t i = pos; i < pos + width; ++i) {
        if (text[i] < u'0' || text[i] > u'9') return -1;
        value = value * 10 + (text[i] - u'0');
    }
    return value;
}

struct DateFields {
    size_t month, day, year, hour, minute, second;
};

std::time_t ParseFixedDate(std::u16string_view text, const DateFields& at) {
    if (text.size() < 19) return FallbackDateTime();
    int month = Digits(text, at.month, 2), day = Digits(text, at.day, 2);
    int year = Digits(text, at.year, 4), hour = Digits(text, at.hour, 2);
    int minute = Digits(text, at.minute, 2), second = Digits(text, at.second, 2);
    // Non-digits and a month or day of 0 count as bad fields too.
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1900 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59) {
        return FallbackDateTime();
    }
    return MakeLocal(year, month, day, hour, minute, second);
}

}  // namespace

std::time_t MakeLocal(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

std::time_t FallbackDateTime() {
    return MakeLocal(2005, 2, 12, 11, 0, 0);
}

std::time_t ParseDateTimeMdy(std::u16string_view text) {
    return ParseFixedDate(text, {0, 3, 6, 11, 14, 17});
}

std::time_t ParseTimeDateHms(std::u16string_view text) {
    return ParseFixedDate(text, {9, 12, 15, 0, 3, 6});
}

namespace {

// The last-write time in whole seconds.
bool ModifiedSeconds(std::u16string_view path, uint64_t& seconds) {
    auto time = plat::last_write_time(path);
    if (!time) return false;
    seconds = *time / 10000000;
    return true;
}

}  // namespace

bool IsFileNewer(std::u16string_view path_a, std::u16string_view path_b) {
    uint64_t a = 0, b = 0;
    if (!ModifiedSeconds(path_a, a)) return false;
    if (!ModifiedSeconds(path_b, b)) return true;
    return a > b;
}

bool FileExists(std::u16string_view path) {
    return plat::file_exists(path);
}

std::optional<int> ReadNumberFile(std::u16string_view path) {
    auto host = plat::host_path(path);
    if (!host) return std::nullopt;
    std::FILE* file = std::fopen(host->c_str(), "r");
    if (!file) return std::nullopt;
    // The state files hold a few digits; more than this is no number of them.
    char text[64] = {};
    const size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    std::string_view rest(text, length);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front())))
        rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
    // A number out of the int range is a damaged file, not a wrapped value.
    int value = 0;
    if (std::from_chars(rest.data(), rest.data() + rest.size(), value).ec != std::errc())
        return std::nullopt;
    return value;
}

bool HasFileExtension(std::u16string_view file_name, std::u16string_view extension) {
    size_t dot = file_name.rfind(u'.');
    if (dot == std::u16string_view::npos) return false;
    return plat::equals_ignore_case(file_name.substr(dot + 1), extension);
}

bool IsSystemFolder(std::u16string_view folder, std::u16string_view name) {
    static constexpr std::u16string_view kProtected[] = {
        u"\\FlashFx Disk\\Startup", u"\\FlashFx Disk\\Drivers",
        u"\\FlashFx Disk\\Help",    u"\\Windows",
        u"\\My Documents",          u"\\Program Files"};
    core::Text path(folder == u"\\" ? std::u16string_view() : folder);
    path += u'\\';
    path += name;
    for (auto p : kProtected) {
        if (plat::equals_ignore_case(path, p)) return true;
    }
    return false;
}

// A name counts as taken by a visible file of the extension whose name
// equals it, with or without the extension.
bool IsFileNameFree(std::u16string_view folder, std::u16string_view name,
                    std::u16string_view extension) {
    core::Text pattern(folder);
    if (pattern.empty() || pattern.back() != u'\\') pattern += u'\\';
    pattern += u'*';
    core::Text with_ext(name);
    with_ext += u'.';
    with_ext += extension;
    plat::FindData entry;
    plat::FindFile find = plat::FindFile::first(pattern, entry);
    for (bool more = static_cast<bool>(find); more; more = find.next(entry)) {
        constexpr uint32_t kSkipped = plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN;
        if ((entry.attributes & kSkipped) != 0 || !HasFileExtension(entry.name, extension))
            continue;
        if (plat::equals_ignore_case(entry.name, name) ||
            plat::equals_ignore_case(entry.name, with_ext)) {
            return false;
        }
    }
    return true;
}

double NextStepValue(double x, double step) {
    double whole_step = std::trunc(step);
    if (whole_step == 0.0) return x;
    double q = std::trunc(std::trunc(std::fabs(x)) / whole_step);
    if (q >= 1.0) return x + step;
    return std::fabs(std::fmod(x, step)) + x;
}

core::Text SplitSlashField(std::u16string_view text, uint32_t index, char16_t separator, bool head,
                           uint32_t mode) {
    size_t sep = text.find(separator);
    if (text.empty() || sep == std::u16string_view::npos) return {};
    core::Text up_to(text.substr(0, sep + 1));
    std::u16string_view after = text.substr(sep + 1);
    if (mode == 3) return head ? up_to : core::Text(after);
    if (mode != 2) return {};
    if (!after.empty() && index < after.size()) {
        up_to += after.substr(0, index);
        if (index != 0) up_to += u'/';
        up_to += after[index];
        if (index + 1 != after.size()) up_to += u'/';
        up_to += after.substr(index + 1);
    }
    return up_to;
}

bool QuotedField(std::u16string_view text, core::Text& field, size_t& next) {
    if (text.empty() || text[0] != u'"') {
        next = 0;
        return false;
    }
    size_t close = text.find(u'"', 1);
    if (close == std::u16string_view::npos) {
        next = 0;
        return false;
    }
    if (close < 2) return false;  // "" is taken as an ordinary field
    field = core::Text(text.substr(1, close - 1));
    next = close + 1;
    return true;
}

// A field that opens with a double quote is taken without its quotes, and the
// character after the closing quote counts as the separator. Any other field
// runs to the next separator. Without a further separator the rest is the
// last field, except that a text of one unquoted field gives false.
bool SplitFields(std::u16string_view text, std::vector<core::Text>& fields,
                 std::u16string_view separator) {
    if (separator.empty()) return false;
    std::u16string_view rest = text;
    bool first = true;
    for (;;) {
        core::Text quoted;
        size_t next = 0;
        if (QuotedField(rest, quoted, next)) {
            fields.push_back(std::move(quoted));
            // Skip the closing quote and the separator behind it, never past the end.
            size_t skip = next + 1 < rest.size() ? next + 1 : rest.size();
            if (next >= rest.size()) return true;  // the quoted field ended the text
            rest = rest.substr(skip);
            first = false;
            continue;
        }
        size_t sep = rest.find(separator);
        if (sep == std::u16string_view::npos) {
            if (first) return false;
            fields.emplace_back(rest);
            return true;
        }
        fields.emplace_back(rest.substr(0, sep));
        rest = rest.substr(sep + separator.size());
        first = false;
    }
}

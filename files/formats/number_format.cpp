#include "files/formats/number_format.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/text/number_text.h"

namespace files {

namespace {

// Longer values than this are no number the files write.
constexpr size_t kMaxNumberText = 64;
constexpr size_t kExponentDigits = 3;

// Pads the exponent of "1.5e+02" to "1.5e+002".
std::string WidenExponent(std::string text) {
    size_t e = text.find_first_of("eE");
    if (e == std::string::npos || e + 2 > text.size()) return text;
    size_t digits = e + 2;  // past the sign
    size_t count = text.size() - digits;
    if (count < kExponentDigits) text.insert(digits, kExponentDigits - count, '0');
    return text;
}

// The text as 8-bit characters when it is a plain number text, cut of one
// leading blank; nothing for other characters or a text too long.
std::optional<std::string> NumberBytes(std::u16string_view text) {
    if (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    if (text.empty() || text.size() > kMaxNumberText) return std::nullopt;
    std::string out;
    for (char16_t c : text) {
        bool ok = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'e' ||
                  c == u'E';
        if (!ok) return std::nullopt;
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace

std::string FormatDouble(std::string_view conversion, double value) {
    if (!std::isfinite(value)) value = kNotANumberValue;
    std::string text = plat::format_number(conversion, value);
    const char kind = conversion.empty() ? 'f' : conversion.back();
    return kind == 'e' || kind == 'E' ? WidenExponent(std::move(text)) : text;
}

std::string FormatDoubleLine(std::string_view line_format, double value) {
    size_t begin = line_format.find('%');
    if (begin == std::string_view::npos) return std::string(line_format);
    size_t end = line_format.find_first_of("eEfFgG", begin);
    if (end == std::string_view::npos) return std::string(line_format);
    std::string out(line_format.substr(0, begin));
    out += FormatDouble(line_format.substr(begin, end - begin + 1), value);
    out += line_format.substr(end + 1);
    return out;
}

std::optional<int32_t> ParseStrictInt(std::u16string_view text) {
    std::optional<std::string> bytes = NumberBytes(text);
    if (!bytes) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(bytes->c_str(), &end, 10);
    if (errno != 0 || end != bytes->c_str() + bytes->size() || v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

std::optional<uint32_t> ParseStrictFrequency(std::u16string_view text) {
    std::optional<std::string> bytes = NumberBytes(text);
    if (!bytes || (*bytes)[0] == '-' || (*bytes)[0] == '+') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(bytes->c_str(), &end, 10);
    if (errno != 0 || end != bytes->c_str() + bytes->size() || v > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::optional<double> ParseStrictDouble(std::u16string_view text) {
    std::optional<std::string> bytes = NumberBytes(text);
    if (!bytes) return std::nullopt;
    const std::optional<double> v = plat::parse_number(*bytes);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

std::optional<double> ParseResultDouble(std::u16string_view text) {
    if (std::optional<double> v = ParseStrictDouble(text)) return v;
    if (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) text.remove_prefix(1);
    std::string word;
    for (char16_t c : text) {
        if (c > 0x7F) return std::nullopt;
        word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    if (word == "nan" || word == "inf" || word == "infinity")
        return std::numeric_limits<double>::quiet_NaN();
    return std::nullopt;
}

int64_t RoundHalfUp(double value) {
    constexpr double kLimit = 9.2e18;  // inside the 64-bit range
    double r = std::floor(value + 0.5);
    if (!(r > -kLimit)) return static_cast<int64_t>(-kLimit);
    if (r > kLimit) return static_cast<int64_t>(kLimit);
    return static_cast<int64_t>(r);
}

float ToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -kMax, kMax));
}

}  // namespace files

#include "instrument/sensors/nmea.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/text/number_text.h"

namespace {

constexpr size_t kMaxFields = 21;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kMinutesPerDegree = 60.0;
constexpr int kFirstSatelliteField = 4;
constexpr int kFieldsPerSatellite = 4;
constexpr double kMaxFormattedTime = 1e9;

// A number from a field; 0 when the field holds none.
double Number(std::string_view field) {
    const std::optional<plat::NumberPrefix> n = plat::parse_number_prefix(field);
    return n ? n->value : 0;
}

// A count or angle field; out-of-range text gives 0 or the largest count.
uint32_t Unsigned(std::string_view field) {
    const double v = Number(field);
    if (!(v > 0)) return 0;
    return v >= double(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(v);
}

std::string_view Field(const std::vector<std::string_view>& fields, size_t i) {
    return i < fields.size() ? fields[i] : std::string_view{};
}

}  // namespace

double CGeoCoordinate::Signed() const {
    const char h = static_cast<char>(std::toupper(static_cast<unsigned char>(hemisphere)));
    return h == 'S' || h == 'W' ? -degrees : degrees;
}

double CGeoCoordinate::Radians() const {
    return Signed() * kRadiansPerDegree;
}

std::vector<std::string_view> SplitNmeaFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t i = 0; i <= text.size() && fields.size() < kMaxFields; ++i) {
        if (i == text.size() || text[i] == ',' || text[i] == '*') {
            fields.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

double ParseNmeaTime(std::string_view f) {
    if (f.size() < 4) return 0;
    const double hours = Number(f.substr(0, 2));
    const double minutes = Number(f.substr(2, 2));
    const double seconds = Number(f.substr(4));
    return hours * 3600 + minutes * 60 + seconds;
}

CGeoCoordinate ParseNmeaCoordinate(std::string_view value, std::string_view hemisphere) {
    CGeoCoordinate c;
    // An empty or one-character field carries no position.
    if (value.size() < 2) return c;
    const size_t point = value.find('.');
    const size_t end = point == std::string_view::npos ? value.size() : point;
    const size_t split = end >= 2 ? end - 2 : 0;
    const double whole = Number(value.substr(0, split));
    const double minutes = Number(value.substr(split));
    c.degrees = whole + minutes / kMinutesPerDegree;
    c.hemisphere = hemisphere.empty() ? 0 : hemisphere[0];
    return c;
}

CGgaSentence::CGgaSentence(const std::vector<std::string_view>& f) : CNmeaSentence(kGga) {
    time_ = ParseNmeaTime(Field(f, 1));
    latitude_ = ParseNmeaCoordinate(Field(f, 2), Field(f, 3));
    longitude_ = ParseNmeaCoordinate(Field(f, 4), Field(f, 5));
    fix_quality_ = static_cast<int>(std::min<uint32_t>(Unsigned(Field(f, 6)), INT_MAX));
    satellites_ = static_cast<int>(std::min<uint32_t>(Unsigned(Field(f, 7)), INT_MAX));
    hdop_ = Number(Field(f, 8));
    altitude_ = {Number(Field(f, 9)), !Field(f, 9).empty()};
    geoid_ = {Number(Field(f, 11)), !Field(f, 11).empty()};
}

CGsvSentence::CGsvSentence(const std::vector<std::string_view>& f) : CNmeaSentence(kGsv) {
    messages_ = Unsigned(Field(f, 1));
    number_ = Unsigned(Field(f, 2));
    in_view_ = static_cast<int>(std::min<uint32_t>(Unsigned(Field(f, 3)), INT_MAX));
    // The checksum is the last field; satellite fields stand before it.
    const size_t data_fields = f.empty() ? 0 : f.size() - 1;
    for (size_t i = kFirstSatelliteField;
         i + 1 <= data_fields && satellites_.size() < kMaxSatellites; i += kFieldsPerSatellite) {
        if (Field(f, i).empty()) continue;
        satellites_.push_back({Unsigned(Field(f, i)), Unsigned(Field(f, i + 1)),
                               Unsigned(Field(f, i + 2)), Unsigned(Field(f, i + 3))});
    }
}

bool CGsvSentence::AddSatellite(const SatelliteRecord& s) {
    if (GetSatelliteCount() >= kMaxSatellites) return false;
    satellites_.push_back(s);
    return true;
}

bool CGsvSentence::Merge(const CGsvSentence& m) {
    const bool follows = m.number_ == number_ + 1 && m.messages_ == messages_ && !complete_;
    if (m.number_ == 1) {
        *this = CGsvSentence();
        messages_ = m.messages_;
        in_view_ = m.in_view_;
    } else if (!follows || number_ == 0) {
        Clear();
        return false;
    }
    if (m.messages_ == 0 || m.number_ > m.messages_) {
        Clear();
        return false;
    }
    number_ = m.number_;
    for (const auto& s : m.satellites_) AddSatellite(s);
    complete_ = number_ == messages_;
    return complete_;
}

CRmcSentence::CRmcSentence(const std::vector<std::string_view>& f) : CNmeaSentence(kRmc) {
    time_ = ParseNmeaTime(Field(f, 1));
    status_ = Field(f, 2).empty() ? 0 : Field(f, 2)[0];
    latitude_ = ParseNmeaCoordinate(Field(f, 3), Field(f, 4));
    longitude_ = ParseNmeaCoordinate(Field(f, 5), Field(f, 6));
    speed_ = Number(Field(f, 7));
    course_ = Number(Field(f, 8));
    const std::string_view d = Field(f, 9);
    if (d.size() >= 6) {
        char text[16];
        std::snprintf(text, sizeof text, "%.2s/%.2s/20%.2s", d.data(), d.data() + 2, d.data() + 4);
        date_ = text;
    }
}

std::string CRmcSentence::FormatDateTime() const {
    // A time field of garbage digits can be any size.
    const double t = std::isfinite(time_) ? std::clamp(time_, 0.0, kMaxFormattedTime) : 0.0;
    const int hours = static_cast<int>(t / 3600);
    const int minutes = static_cast<int>((t - hours * 3600.0) / 60);
    const double seconds = t - hours * 3600.0 - minutes * 60.0;
    char text[48];
    std::snprintf(text, sizeof text, " %2.2d:%2.2d:", hours, minutes);
    return date_ + text + plat::format_number("%05.2f", seconds);
}

std::unique_ptr<CNmeaSentence> ParseNmeaSentence(std::string_view text) {
    const auto fields = SplitNmeaFields(text);
    if (fields.empty()) return nullptr;
    if (fields[0] == "$GPGGA") return std::make_unique<CGgaSentence>(fields);
    if (fields[0] == "$GPGSV") return std::make_unique<CGsvSentence>(fields);
    if (fields[0] == "$GPRMC") return std::make_unique<CRmcSentence>(fields);
    return nullptr;
}

#include "instrument/sensors/positions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "files/formats/line_reader_file.h"
#include "platform/text/number_text.h"
#include "platform/text/utf.h"

namespace {

constexpr double kEarthRadiusM = 6371000.0;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr size_t kLocationFields = 4;
constexpr double kMaxLatitude = 90;
constexpr double kMaxLongitude = 180;

bool ParseNumber(std::string_view field, double& out) {
    const std::optional<plat::NumberPrefix> n = plat::parse_number_prefix(field);
    out = n ? n->value : 0;
    if (!n) return false;
    std::string_view rest = field.substr(n->length);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    return rest.empty();
}

std::vector<std::string_view> SplitRow(std::string_view row) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        // The name may be quoted and hold commas; it is the last field.
        if (fields.size() == kLocationFields - 1) {
            fields.push_back(row.substr(start));
            return fields;
        }
        const size_t comma = row.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(row.substr(start));
            return fields;
        }
        fields.push_back(row.substr(start, comma - start));
        start = comma + 1;
    }
}

std::string_view Unquote(std::string_view name) {
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    if (!name.empty() && name.front() == '"') {
        name.remove_prefix(1);
        const size_t close = name.find('"');
        return close == std::string_view::npos ? name : name.substr(0, close);
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.remove_suffix(1);
    return name;
}

}  // namespace

double GreatCircleDistance(const GeoPosition& a, const GeoPosition& b) {
    const double lat1 = a.latitude * kRadiansPerDegree, lat2 = b.latitude * kRadiansPerDegree;
    const double dlon = (b.longitude - a.longitude) * kRadiansPerDegree;
    double c = std::sin(lat1) * std::sin(lat2) + std::cos(lat1) * std::cos(lat2) * std::cos(dlon);
    // Rounding can carry the argument past 1 for equal or near positions.
    c = std::clamp(c, -1.0, 1.0);
    return kEarthRadiusM * std::acos(c);
}

std::optional<LocationRow> ParseLocationRow(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto f = SplitRow(line);
    if (f.size() < kLocationFields) return std::nullopt;
    double lat = 0, lon = 0, radius = 0;
    if (!ParseNumber(f[0], lat) || !ParseNumber(f[1], lon) || !ParseNumber(f[2], radius))
        return std::nullopt;
    LocationRow row;
    row.centre.latitude = std::fabs(lat) <= kMaxLatitude ? lat : 0;
    row.centre.longitude = std::fabs(lon) <= kMaxLongitude ? lon : 0;
    row.radius_m = std::max(radius, 0.0);
    row.name = plat::from_utf8(Unquote(f[3]));
    return row;
}

std::vector<LocationRow> ParseLocationList(std::string_view text) {
    std::vector<LocationRow> rows;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (auto row = ParseLocationRow(text.substr(0, end))) rows.push_back(std::move(*row));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return rows;
}

std::u16string FindLocationName(const GeoPosition& position, std::u16string_view path) {
    // Line by line through the bounded line reader: a stray huge file is
    // never held whole, and the first matching row ends the reading.
    CLineReaderFile file;
    if (!file.Open(core::Text(path))) return {};
    core::Text line;
    while (file.ReadString(line)) {
        const std::optional<LocationRow> row = ParseLocationRow(plat::to_utf8(line));
        if (row && row->radius_m >= GreatCircleDistance(row->centre, position)) return row->name;
    }
    return {};
}

std::u16string FindLocationName(double latitude, double longitude) {
    return FindLocationName(GeoPosition{latitude, longitude});
}

#pragma once
// Positions: the distance between two of them and the user's list of named
// locations ("\FlashFX Disk\My Lists\Locations.csv").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct GeoPosition {
    double latitude = 0;  // signed degrees
    double longitude = 0;
};

// Metres along the earth's surface (spherical law of cosines).
double GreatCircleDistance(const GeoPosition& a, const GeoPosition& b);

struct LocationRow {
    GeoPosition centre;
    double radius_m = 0;
    std::u16string name;
};

inline constexpr char16_t kLocationsFile[] = u"\\FlashFX Disk\\My Lists\\Locations.csv";

// One row of the list: latitude, longitude, radius, name (a trailing CR
// dropped); nothing for a row the list skips (below).
std::optional<LocationRow> ParseLocationRow(std::string_view line);
// Rows of the list text: latitude, longitude, radius, name. Rows with fewer
// than four fields or a non-numeric latitude, longitude or radius are
// skipped; a latitude outside -90..90 or a longitude outside -180..180 is
// not kept (0); a negative radius counts as 0.
std::vector<LocationRow> ParseLocationList(std::string_view text);
// The name of the first row whose circle holds the position; empty when
// none does or the file cannot be read.
std::u16string FindLocationName(const GeoPosition& position,
                                std::u16string_view file = kLocationsFile);
std::u16string FindLocationName(double latitude, double longitude);

#pragma once
// NMEA 0183 sentences the instrument reads ($GPGGA, $GPGSV, $GPRMC), their
// fields, and the parser that makes them from a sentence's text.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A latitude or longitude: degrees and the hemisphere letter (0 when none).
struct CGeoCoordinate {
    double degrees = 0;
    char hemisphere = 0;
    // Negative for 'S' and 'W'.
    double Signed() const;
    double Radians() const;
};

struct CDoubleValue {
    double value = 0;
    bool valid = false;
};

class CNmeaSentence {
  public:
    static constexpr int kGga = 1;
    static constexpr int kGsv = 2;
    static constexpr int kRmc = 3;

    explicit CNmeaSentence(int kind) : kind_(kind) {}
    virtual ~CNmeaSentence() = default;
    int GetKind() const { return kind_; }
    double GetTime() const { return time_; }  // seconds of the day

  protected:
    int kind_;
    double time_ = 0;
};

class CGgaSentence : public CNmeaSentence {
  public:
    CGgaSentence() : CNmeaSentence(kGga) {}
    explicit CGgaSentence(const std::vector<std::string_view>& fields);
    double GetLatitude() const { return latitude_.Signed(); }
    double GetLongitude() const { return longitude_.Signed(); }
    const CGeoCoordinate& Latitude() const { return latitude_; }
    const CGeoCoordinate& Longitude() const { return longitude_; }
    int GetFixQuality() const { return fix_quality_; }
    int GetSatellitesUsed() const { return satellites_; }
    double GetHdop() const { return hdop_; }
    double GetAltitude() const { return altitude_.value; }
    const CDoubleValue& Altitude() const { return altitude_; }
    const CDoubleValue& GeoidSeparation() const { return geoid_; }

  private:
    CGeoCoordinate latitude_, longitude_;
    int fix_quality_ = 0;
    int satellites_ = 0;
    double hdop_ = 0;
    CDoubleValue altitude_, geoid_;
};

struct SatelliteRecord {
    uint32_t prn = 0;
    uint32_t elevation = 0;
    uint32_t azimuth = 0;
    uint32_t snr = 0;
    bool operator==(const SatelliteRecord&) const = default;
};

// A $GPGSV message, and the set of satellites in view that its messages
// make (what the satellite bars show).
class CGsvSentence : public CNmeaSentence {
  public:
    static constexpr int kMaxSatellites = 12;

    CGsvSentence() : CNmeaSentence(kGsv) {}
    explicit CGsvSentence(const std::vector<std::string_view>& fields);
    uint32_t GetMessageCount() const { return messages_; }
    uint32_t GetMessageNumber() const { return number_; }
    int GetSatellitesInView() const { return in_view_; }
    const std::vector<SatelliteRecord>& Satellites() const { return satellites_; }
    // The records held (GetSatelliteCount of them).
    const SatelliteRecord* GetSatellites() const { return satellites_.data(); }
    int GetSatelliteCount() const { return static_cast<int>(satellites_.size()); }
    bool IsComplete() const { return complete_; }

    // A negative count is taken as 0.
    void SetSatellitesInView(int count) { in_view_ = count < 0 ? 0 : count; }
    // False when twelve records are held already.
    bool AddSatellite(const SatelliteRecord& s);

    // Adds one message of a set to this collecting set: message 1 starts a
    // new set, message k joins after k-1, anything else (gap, repeat, another
    // count) starts over. True when the set became complete.
    bool Merge(const CGsvSentence& message);
    void Clear() { *this = CGsvSentence(); }

  private:
    uint32_t messages_ = 0;
    uint32_t number_ = 0;
    int in_view_ = 0;
    std::vector<SatelliteRecord> satellites_;
    bool complete_ = false;
};

class CRmcSentence : public CNmeaSentence {
  public:
    CRmcSentence() : CNmeaSentence(kRmc) {}
    explicit CRmcSentence(const std::vector<std::string_view>& fields);
    char GetStatus() const { return status_; }
    double GetLatitude() const { return latitude_.Signed(); }
    double GetLongitude() const { return longitude_.Signed(); }
    double GetSpeed() const { return speed_; }
    double GetCourse() const { return course_; }
    // "dd/mm/20yy", empty without a date.
    const std::string& GetDate() const { return date_; }
    // The date and " hh:mm:ss.ss" of the UTC time.
    std::string FormatDateTime() const;

  private:
    char status_ = 0;
    CGeoCoordinate latitude_, longitude_;
    double speed_ = 0;
    double course_ = 0;
    std::string date_;
};

// The fields of a sentence, cut at every ',' and '*' (at most 21).
std::vector<std::string_view> SplitNmeaFields(std::string_view text);
// A new sentence for "$GPGGA", "$GPGSV" or "$GPRMC"; null for any other.
std::unique_ptr<CNmeaSentence> ParseNmeaSentence(std::string_view text);

// Field readers (an empty or too short field gives 0).
double ParseNmeaTime(std::string_view field);
CGeoCoordinate ParseNmeaCoordinate(std::string_view value, std::string_view hemisphere);

// The GPS receiver against real receivers' logs (decoded independently by
// gpsd), hostile input, and the position helpers.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "files/formats/line_reader_file.h"
#include "instrument/sensors/gps_receiver.h"
#include "instrument/sensors/positions.h"
#include "instrument/tests/wait_for.h"
#include "nmea_log.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/clock.h"
#include "pty_pair.h"

extern char** environ;

namespace {

using instrument_test::WaitFor;
using namespace sensor_test;

uint32_t Framed(const CGpsReceiver::Counters& c) {
    return c.good + c.checksum_mismatch + c.bad_checksum_digit + c.missing_cr + c.missing_lf +
           c.too_long;
}

std::vector<std::string_view> Fields(const std::string& s) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == ',' || s[i] == '*') {
            out.emplace_back(s.data() + start, i - start);
            start = i + 1;
        }
    return out;
}

// Follows GSV sets as they arrive: true when this message completes a set
// whose messages 1..n came in order.
class GsvTracker {
  public:
    bool Completes(const std::vector<std::string_view>& f) {
        if (f[0] != "$GPGSV") return false;
        const int n = std::stoi(std::string(f[1])), k = std::stoi(std::string(f[2]));
        next_ = (k == 1 || (k == next_ && n == count_)) ? k + 1 : 0;
        count_ = n;
        return next_ != 0 && k == n;
    }

  private:
    int next_ = 0, count_ = 0;
};

// Checks the receiver's store against gpsd's records of one sentence.
void CheckStep(CGpsReceiver& gps, const NmeaStep& step, GsvTracker& sets) {
    SCOPED_TRACE(step.sentence);
    const auto f = Fields(step.sentence);
    const bool is_gga = f[0] == "$GPGGA", is_rmc = f[0] == "$GPRMC";
    const bool completes = sets.Completes(f);
    CGgaSentence gga;
    const bool gga_valid = gps.GetGga(gga);
    CRmcSentence rmc;
    const bool rmc_valid = gps.GetRmc(rmc);
    if (is_gga) {
        // No fix in the sentence, no valid fix in the store.
        const int quality = f[6].empty() ? 0 : std::stoi(std::string(f[6]));
        EXPECT_EQ(gga_valid, quality > 0);
        EXPECT_EQ(gps.HasValidFix(), quality > 0);
    }
    if (is_rmc && f[9].size() == 6) {
        const std::string d(f[9]);
        EXPECT_EQ(rmc.GetDate(), d.substr(0, 2) + "/" + d.substr(2, 2) + "/20" + d.substr(4, 2));
    }
    for (const auto& r : step.records) {
        if (r["class"] == "TPV" && r.contains("time") && r.contains("lat") && r.contains("lon")) {
            const double tod = TimeOfDay(r["time"]);
            const double lat = r["lat"], lon = r["lon"];
            bool matched = false;
            if (gga_valid && std::fabs(gga.GetTime() - tod) < 1e-6) {
                EXPECT_NEAR(gga.GetLatitude(), lat, 1e-6);
                EXPECT_NEAR(gga.GetLongitude(), lon, 1e-6);
                if (is_gga && r.contains("altMSL")) {
                    EXPECT_NEAR(gga.GetAltitude(), double(r["altMSL"]), 1e-3);
                }
                matched = true;
            }
            if (rmc_valid && std::fabs(rmc.GetTime() - tod) < 1e-6) {
                EXPECT_NEAR(rmc.GetLatitude(), lat, 1e-6);
                EXPECT_NEAR(rmc.GetLongitude(), lon, 1e-6);
                matched = true;
            }
            EXPECT_TRUE(matched) << "no stored fix at " << r["time"];
        }
        if (r["class"] == "SKY" && completes) {
            CGsvSentence set;
            ASSERT_TRUE(gps.GetGsv(set));
            std::vector<SatelliteRecord> want;
            for (const auto& s : r.value("satellites", nlohmann::json::array()))
                want.push_back({s["PRN"], uint32_t(double(s["el"])), uint32_t(double(s["az"])),
                                uint32_t(double(s["ss"]))});
            auto got = set.Satellites();
            auto by_prn = [](const auto& a, const auto& b) { return a.prn < b.prn; };
            std::sort(want.begin(), want.end(), by_prn);
            std::sort(got.begin(), got.end(), by_prn);
            EXPECT_EQ(got, want);
        }
    }
}

// Replays a log into the far end of "com1:" sentence by sentence and checks
// every step. `writer` writes one sentence's bytes.
template <typename Writer>
void ReplayLog(const std::string& log, CGpsReceiver& gps, Writer&& writer) {
    const auto steps = ReadNmeaCheck(log);
    // The .chk holds the log's own sentences in order.
    ASSERT_EQ(ReadNmeaLog(log).size(), steps.size());
    GsvTracker sets;
    for (const auto& step : steps) {
        const uint32_t before = Framed(gps.GetCounters());
        writer(step.sentence + "\r\n");
        ASSERT_TRUE(WaitFor([&] { return Framed(gps.GetCounters()) > before; }))
            << "not framed: " << step.sentence;
        CheckStep(gps, step, sets);
    }
    EXPECT_EQ(gps.GetCounters().checksum_mismatch, 0u);
}

class GpsOnCom1 : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"gps"};
};

class GpsLogs : public GpsOnCom1, public ::testing::WithParamInterface<const char*> {};

TEST_P(GpsLogs, EveryFixAndSatelliteSetMatchesTheIndependentDecoding) {
    PtyPair pty;
    MapCom1(pty.slave_path());
    CSerialPort port(1);
    port.Start();
    CGpsReceiver gps(&port);
    ReplayLog(GetParam(), gps, [&](const std::string& bytes) { pty.Write(bytes); });
    if (std::string(GetParam()) == "garmin17n.log") {
        // Its satellite set lacks message 1: it never completes.
        CGsvSentence set;
        EXPECT_FALSE(gps.GetGsv(set));
    }
    port.Stop();
}

INSTANTIATE_TEST_SUITE_P(RealReceivers, GpsLogs,
                         ::testing::Values("bt451.log", "garmin17n.log", "tn204.log"),
                         [](const auto& info) {
                             const std::string file = info.param;
                             return file.substr(0, file.find('.'));
                         });

// A socat pair between the receiver and the test, as a real null-modem link.
class SocatPair {
  public:
    explicit SocatPair(const std::filesystem::path& dir) : a_(dir / "ttyA"), b_(dir / "ttyB") {
        const std::string left = "pty,raw,echo=0,link=" + a_.string();
        const std::string right = "pty,raw,echo=0,link=" + b_.string();
        const char* argv[] = {"socat", left.c_str(), right.c_str(), nullptr};
        posix_spawnp(&pid_, "socat", nullptr, nullptr, const_cast<char**>(argv), environ);
    }
    ~SocatPair() {
        if (fd_ >= 0) ::close(fd_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Ready() {
        if (!std::filesystem::exists(a_) || !std::filesystem::exists(b_)) return false;
        if (fd_ < 0) fd_ = ::open(b_.c_str(), O_RDWR | O_NOCTTY);
        return fd_ >= 0;
    }
    void Write(const std::string& bytes) const {
        size_t put = 0;
        while (put < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + put, bytes.size() - put);
            if (n > 0) put += size_t(n);
        }
    }
    const std::filesystem::path& a() const { return a_; }

  private:
    std::filesystem::path a_, b_;
    pid_t pid_ = -1;
    int fd_ = -1;
};

TEST_F(GpsOnCom1, ALogThroughASocatPairDecodesTheSame) {
    SocatPair socat(root_.path());
    ASSERT_TRUE(WaitFor([&] { return socat.Ready(); }, 10000)) << "socat did not start";
    MapCom1(socat.a().string());
    CSerialPort port(1);
    port.Start();
    CGpsReceiver gps(&port);
    ReplayLog("tn204.log", gps, [&](const std::string& bytes) { socat.Write(bytes); });
    port.Stop();
}

TEST_F(GpsOnCom1, ASentenceSplitOverPausesStillDecodes) {
    PtyPair pty;
    MapCom1(pty.slave_path());
    CSerialPort port(1);
    port.Start();
    CGpsReceiver gps(&port);
    const std::string gga = "$GPGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,-32.4,M,,*4E\r\n";
    pty.Write(gga.substr(0, 20));
    // Whatever the reader did meanwhile (a read that timed out, a new
    // pass), the framer keeps its place.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    pty.Write(gga.substr(20, 30));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pty.Write(gga.substr(50));
    ASSERT_TRUE(WaitFor([&] { return gps.GetCounters().good == 1; }));
    CGgaSentence fix;
    EXPECT_TRUE(gps.GetGga(fix));
    EXPECT_NEAR(fix.GetLatitude(), 33 + 48.605 / 60, 1e-9);
    port.Stop();
}

// ------------------------------------------------------------- hostile input

const std::string kGoodGga =
    "$GPGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,-32.4,M,,*4E\r\n";

std::string Sum(const std::string& body) {  // "$...*hh" for test input
    uint8_t x = 0;
    for (char c : body.substr(1)) x ^= uint8_t(c);
    char hex[8];
    std::snprintf(hex, sizeof hex, "*%02X", x);
    return body + hex;
}

struct HostileCase {
    const char* name;
    std::string bytes;
    uint32_t CGpsReceiver::Counters::*counter;  // the counter that moves (null: none)
};

TEST(GpsFramer, HostileInputGivesNoFalseFixAndNeighboursDecode) {
    const std::string long_body = Sum("$GPTXT," + std::string(247, 'A'));
    ASSERT_EQ(long_body.size(), 257u);
    const std::vector<HostileCase> cases = {
        {"garbage", "\x01\xff garbage, no dollar\r\n", nullptr},
        {"wrong checksum", "$GPGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,-32.4,M,,*4F\r\n",
         &CGpsReceiver::Counters::checksum_mismatch},
        {"non-hex digit", "$GPGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,,M,,*4G\r\n",
         &CGpsReceiver::Counters::bad_checksum_digit},
        {"LF without CR", "$GPGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,-32.4,M,,*4E\n",
         &CGpsReceiver::Counters::missing_cr},
        {"CR without LF", "$GPGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,-32.4,M,,*4E\rX",
         &CGpsReceiver::Counters::missing_lf},
        {"dollar mid-sentence", "$GPGGA,230149,3348.6", nullptr},
        {"257 characters", long_body + "\r\n", &CGpsReceiver::Counters::too_long},
        {"GN talker",
         Sum("$GNGGA,230149,3348.605,N,11821.126,W,1,05,1.7,49.4,M,-32.4,M,,") + "\r\n",
         &CGpsReceiver::Counters::good},
        {"proprietary", "$PGRME,17.4,M,40.3,M,43.9,M*15\r\n", &CGpsReceiver::Counters::good},
        {"empty fields", Sum("$GPGGA,,,,,,0,,,,,,,,") + "\r\n", &CGpsReceiver::Counters::good},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CGpsReceiver gps(nullptr);
        for (char ch : c.bytes) gps.OnChar(uint8_t(ch));
        const auto counters = gps.GetCounters();
        if (c.counter) {
            EXPECT_EQ(counters.*(c.counter), 1u);
        }
        EXPECT_EQ(Framed(counters), c.counter ? 1u : 0u);
        CGgaSentence fix;
        EXPECT_FALSE(gps.GetGga(fix));
        EXPECT_FALSE(gps.HasValidFix());
        char text[300];
        uint32_t length = 0, status = 0;
        EXPECT_FALSE(gps.GetFixText(text, sizeof text, &length, &status));
        // The next good sentence decodes.
        for (char ch : kGoodGga) gps.OnChar(uint8_t(ch));
        EXPECT_TRUE(gps.GetGga(fix));
        EXPECT_NEAR(fix.GetLongitude(), -(118 + 21.126 / 60), 1e-9);
    }
    // A 256-character sentence is still within bounds.
    CGpsReceiver gps(nullptr);
    for (char ch : Sum("$GPTXT," + std::string(246, 'A')) + "\r\n") gps.OnChar(uint8_t(ch));
    EXPECT_EQ(gps.GetCounters().good, 1u);
}

TEST(GpsFramer, FixTextIsTheSentenceWithoutItsLineEndAndAgesOut) {
    plat::VirtualClock clock;
    CGpsReceiver gps(nullptr);
    for (char ch : kGoodGga) gps.OnChar(uint8_t(ch));
    char text[300] = {};
    uint32_t length = 0, status = 0;
    ASSERT_TRUE(gps.GetFixText(text, sizeof text, &length, &status));
    EXPECT_EQ(std::string(text, length), kGoodGga.substr(0, kGoodGga.size() - 2));
    EXPECT_EQ(status, 2u);
    // A small buffer gets the first characters, unterminated.
    char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    ASSERT_TRUE(gps.GetFixText(small, 6, &length, &status));
    EXPECT_EQ(std::string(small, 6), "$GPGGA");
    clock.advance(CGpsReceiver::kFreshMs);
    EXPECT_FALSE(gps.IsFresh());
    EXPECT_TRUE(gps.GetFixText(text, sizeof text, &length, &status));
    EXPECT_EQ(status, 0u);
    // A sentence without a fix makes the data fresh again but not the fix.
    for (char ch : Sum("$GPGGA,,,,,,0,,,,,,,,") + "\r\n") gps.OnChar(uint8_t(ch));
    gps.GetFixText(text, sizeof text, &length, &status);
    EXPECT_EQ(status, 1u);
}

// ------------------------------------------------------------------ fields

TEST(NmeaFields, CoordinatesTimesAndShortFields) {
    const CGeoCoordinate south = ParseNmeaCoordinate("4807.038", "S");
    EXPECT_NEAR(south.Signed(), -48.1173, 1e-4);
    EXPECT_NEAR(ParseNmeaCoordinate("01131.000", "w").Signed(), -(11 + 31.0 / 60), 1e-12);
    for (const char* shortField : {"", "7"}) {
        const CGeoCoordinate c = ParseNmeaCoordinate(shortField, "N");
        EXPECT_EQ(c.degrees, 0);
        EXPECT_EQ(c.hemisphere, 0);
    }
    EXPECT_DOUBLE_EQ(ParseNmeaTime("123519.25"), 12 * 3600 + 35 * 60 + 19.25);
    EXPECT_EQ(ParseNmeaTime(""), 0);
    EXPECT_EQ(ParseNmeaSentence("$GPGLL,4916.45,N,12311.12,W,225444,A*31"), nullptr);
    const auto rmc =
        ParseNmeaSentence("$GPRMC,225446.5,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68");
    ASSERT_NE(rmc, nullptr);
    EXPECT_EQ(static_cast<CRmcSentence&>(*rmc).FormatDateTime(), "19/11/2094 22:54:46.50");
}

TEST(GsvSets, ASetCompletesOnlyInOrderFromMessageOne) {
    auto gsv = [](const char* text) { return CGsvSentence(SplitNmeaFields(text)); };
    const auto m1 = gsv("$GPGSV,2,1,05,01,10,100,30,02,20,200,,03,30,300,33,04,40,045,44*00");
    const auto m2 = gsv("$GPGSV,2,2,05,05,50,050,*00");
    CGsvSentence set;
    EXPECT_FALSE(set.Merge(m2));  // no message 1
    EXPECT_FALSE(set.Merge(m1));
    EXPECT_FALSE(set.Merge(m1));  // a repeat of message 1 starts over
    ASSERT_TRUE(set.Merge(m2));
    ASSERT_EQ(set.Satellites().size(), 5u);
    EXPECT_EQ(set.Satellites()[1], (SatelliteRecord{2, 20, 200, 0}));
    EXPECT_EQ(set.Satellites()[4], (SatelliteRecord{5, 50, 50, 0}));
    CGsvSentence gap;
    gap.Merge(m1);
    EXPECT_FALSE(gap.Merge(gsv("$GPGSV,3,3,05,05,50,050,*00")));
    EXPECT_FALSE(gap.IsComplete());
}

// --------------------------------------------------------------- positions

double Haversine(double lat1, double lon1, double lat2, double lon2) {
    const double r = M_PI / 180, dlat = (lat2 - lat1) * r, dlon = (lon2 - lon1) * r;
    const double a = std::pow(std::sin(dlat / 2), 2) +
                     std::cos(lat1 * r) * std::cos(lat2 * r) * std::pow(std::sin(dlon / 2), 2);
    return 2 * 6371000.0 * std::asin(std::sqrt(a));
}

TEST(Positions, DistanceAgreesWithHaversineAndIsZeroForOnePosition) {
    const GeoPosition paris{48.8566, 2.3522}, london{51.5074, -0.1278};
    EXPECT_NEAR(GreatCircleDistance(paris, london), Haversine(48.8566, 2.3522, 51.5074, -0.1278),
                0.01);
    for (const GeoPosition& p : {paris, GeoPosition{33.810083333, -118.3521}, GeoPosition{}}) {
        const double d = GreatCircleDistance(p, p);
        EXPECT_FALSE(std::isnan(d));
        EXPECT_EQ(d, 0);
    }
}

TEST(Positions, LocationListSkipsBadRowsAndFindsTheFirstCircle) {
    celvane_test::TempRoot root("locations");
    std::filesystem::create_directories(root.path() / "FlashFX Disk" / "My Lists");
    std::ofstream(root.path() / "FlashFX Disk" / "My Lists" / "Locations.csv")
        << "Latitude,Longitude,Radius,Name\r\n"
           "\r\n"
           "33.81,-118.352,\r\n"
           "abc,-118.352,500,Bad\r\n"
           "33.81,-118.352,-5,Point only\r\n"
           "33.8101,-118.3521,100,\"Harbor, Site 1\" trailing\r\n"
           "33.81,-118.35,5000,Wide\r\n";
    EXPECT_EQ(FindLocationName(33.810083333, -118.3521), u"Harbor, Site 1");
    EXPECT_EQ(FindLocationName(33.81, -118.352), u"Point only");
    EXPECT_EQ(FindLocationName(33.83, -118.35), u"Wide");
    EXPECT_EQ(FindLocationName(10, 10), u"");
    // A line beyond the reader's bound ends the reading: what follows it is
    // never reached, and the line is never held whole.
    std::ofstream(root.path() / "FlashFX Disk" / "My Lists" / "Locations.csv")
        << "10,10,1000," << std::string(CLineReaderFile::kMaxLineBytes + 1, 'x')
        << "\n33.81,-118.35,5000,Wide\n";
    EXPECT_EQ(FindLocationName(33.83, -118.35), u"");
    const auto rows = ParseLocationList("95,200,10,Out of range\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].centre.latitude, 0);
    EXPECT_EQ(rows[0].centre.longitude, 0);
}

}  // namespace

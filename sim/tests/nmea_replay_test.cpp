// The GPS receiver's replay of a recorded log, driven through its line-device
// interface on a clock of the test's own: every cycle of the log is sent on
// its own, one cycle of the log's pace after the one before, also the cycles
// the receiver sent before it knew the time.
#include "sim/gps/nmea_replay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// "hhmmss.ss" of `seconds` after midnight.
std::string NmeaTime(double seconds) {
    const int whole = static_cast<int>(seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%05.2f", whole / 3600, whole / 60 % 60,
                  seconds - whole / 60 * 60);
    return text;
}

// A log of `no_fix` cycles without a time, then `fixes` cycles with one,
// `period` seconds apart from 12:00:00 on; each cycle starts with RMC.
std::string Log(int no_fix, int fixes, double period) {
    std::string log = "# a receiver starting cold\n";
    for (int i = 0; i < no_fix; ++i)
        log +=
            "$GPRMC,,V,,,,,,,,,,N*53\n$GPGGA,,,,,,0,00,99.99,,,,,,*48\n"
            "$GPGSA,A,1,,,,,,,,,,,,,99.99,99.99,99.99*30\n$GPGSV,1,1,00*79\n"
            "$GPGLL,,,,,,V,N*64\n";
    for (int i = 0; i < fixes; ++i) {
        const std::string t = NmeaTime(12 * 3600 + i * period);
        log += "$GPRMC," + t + ",A,5547.82113,N,02334.14130,E,0.253,,091209,,,A*00\n$GPGGA," + t +
               ",5547.82113,N,02334.14130,E,1,04,2.72,37.0,M,26.9,M,,*00\n"
               "$GPGSV,2,1,05,01,10,100,30,02,20,200,31,03,30,300,32,04,40,040,33*00\n"
               "$GPGSV,2,2,05,05,50,050,34*00\n$GPGLL,5547.82113,N,02334.14130,E," +
               t + ",A,A*00\n";
    }
    return log;
}

struct Sent {
    uint64_t at_ms;
    std::string bytes;
};

// What the replay sends over `until_ms` of its clock, started at 1000 ms.
std::vector<Sent> Replay(sim::NmeaReplay& replay, uint64_t until_ms) {
    std::vector<Sent> sent;
    for (uint64_t now = 1000; now <= until_ms;) {
        if (std::string out = replay.OnTime(now); !out.empty()) sent.push_back({now, out});
        now = std::max(replay.NextDue(now), now + 1);
    }
    return sent;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(NmeaReplay, CyclesWithoutATimeKeepTheLogsPace) {
    constexpr int kNoFix = 48, kFixes = 3;
    for (double period : {1.0, 0.5}) {
        SCOPED_TRACE(testing::Message() << "a cycle every " << period << " s");
        sim::NmeaReplay replay(Log(kNoFix, kFixes, period), 1.0);
        const uint64_t step = static_cast<uint64_t>(period * 1000);
        const auto sent = Replay(replay, 1000 + (kNoFix + kFixes - 1) * step);
        ASSERT_EQ(sent.size(), size_t{kNoFix + kFixes});
        for (size_t i = 0; i < sent.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "cycle " << i);
            EXPECT_EQ(sent[i].at_ms, 1000 + i * step);
            EXPECT_EQ(Count(sent[i].bytes, "$GPRMC"), 1u);
            EXPECT_EQ(Count(sent[i].bytes, "$GPGGA"), 1u);
            EXPECT_EQ(sent[i].bytes.find("$GPRMC,,V") == 0, i < kNoFix);
        }
        // The first fix comes after the cold start's cycles, not at once.
        EXPECT_EQ(sent[kNoFix].bytes.rfind("$GPRMC,120000.00,A", 0), 0u);
    }
}

}  // namespace

// Files written and read while the process runs under a locale whose decimal
// point is a comma (as a library may set it): a setup, a trace and the power
// CSV come out byte for byte as under the C locale, and read back the same.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "files/formats/analyzer_trace_file.h"
#include "files/formats/power_setup_file.h"
#include "files/formats/setup_file.h"
#include "files_test_support.h"

using namespace files_test;

namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";
constexpr uint32_t kPoints = 705;
constexpr int32_t kAdjacentPowerMeasurement = 23;

class Trace : public ITraceSource {
  public:
    Trace() {
        for (uint32_t i = 0; i < kPoints; ++i)
            points_.push_back({-42.125f - 0.37f * static_cast<float>(i), 0.0f});
    }
    core::Text GetTracePath() const override { return u"\\FlashFX Disk\\My Traces\\Comma.twf"; }
    const TracePoint* GetPoint(uint32_t i) const override {
        return i < points_.size() ? &points_[i] : nullptr;
    }
    SaTraceValues GetSaValues() const override {
        SaTraceValues v;
        v.channel_power = -12.3456789;
        v.acp_high_power = -61.5;
        v.acp_low_power = 1.25e-7;
        return v;
    }

  private:
    std::vector<TracePoint> points_;
};

class PowerScreen : public IPowerCsvSource {
  public:
    bool IsLogging() const override { return false; }
    CPowerLogFile* GetLogFile() const override { return nullptr; }
    int32_t GetSensorType() const override { return type; }
    bool IsForwardPeak() const override { return peak; }
    float GetVswr() const override { return 1.25f; }
    core::Text GetSensorTitle() const override { return u"Sensor"; }
    PowerReadings GetReadings() const override {
        return {1.5f, -0.25f, 0.5f, -0.5f, 2.0f, 3.125f, 50.0f, 0.1f, 0.2f, 0.3f, 23.5f};
    }
    int32_t type = 5;
    bool peak = false;
};

// What the program writes, and what it reads back from it.
struct Written {
    std::string sa_setup, vna_setup, trace, csv;
    std::vector<float> trace_read;
    std::string sa_setup_reread;
};

Written WriteAndRead() {
    ListEnvironment env;
    Written out;
    CSAMeasSetup sa(&env);
    EXPECT_TRUE(CSASetupFile(&sa).ReadBytes(Golden("sa_rev4.tws"), u"sa.tws", false));
    out.sa_setup = CSASetupFile(&sa).FormatInMemory();
    CSAMeasSetup again(&env);
    EXPECT_TRUE(CSASetupFile(&again).ReadBytes(out.sa_setup, u"sa.tws", false));
    out.sa_setup_reread = CSASetupFile(&again).FormatInMemory();
    CVNAMeasSetup vna(&env);
    EXPECT_TRUE(CVNASetupFile(&vna).ReadBytes(Golden("vna_rev4.tws"), u"vna.tws", false));
    out.vna_setup = CVNASetupFile(&vna).FormatInMemory();

    sa.SetMeasurementId(kAdjacentPowerMeasurement);
    EXPECT_TRUE(sa.SetDataPoints(kPoints));
    Trace trace;
    out.trace = CSATraceFile(&sa, &trace).FormatInMemory();
    CSAMeasSetup read(&env);
    std::vector<TracePoint> buffer(kTraceBufferPoints);
    EXPECT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(out.trace, u"t.twf", buffer.data()));
    for (uint32_t i = 0; i < kPoints; ++i) out.trace_read.push_back(buffer[i].first);

    CPowerSetupFile csv;
    PowerScreen screen;
    const plat::SystemTime time{2009, 3, 0, 15, 14, 30, 5, 0};
    for (const auto& [type, peak] : {std::pair{5, false}, {1, true}, {1, false}, {18, false}}) {
        screen.type = type;
        screen.peak = peak;
        csv.SetHeaderFlag(true);
        out.csv += csv.FormatCsv(screen, true, time);
    }
    return out;
}

class CommaLocale {
  public:
    CommaLocale() : active_(std::setlocale(LC_ALL, kCommaLocale) != nullptr) {}
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    bool active() const { return active_; }

  private:
    bool active_;
};

}  // namespace

TEST(CommaLocale, SetupsTracesAndThePowerCsvAreWrittenAndReadAsUnderTheCLocale) {
    DeviceRoot root;
    TestServices services;
    const Written c = WriteAndRead();
    EXPECT_EQ(c.sa_setup, Golden("sa_rev4.tws"));
    EXPECT_EQ(c.sa_setup_reread, c.sa_setup);
    EXPECT_NE(c.trace.find("\t<acp lopower = 1.25000e-007>\n"), std::string::npos);
    EXPECT_NE(c.csv.find(",1.500000,0.500000,23.50"), std::string::npos);

    CommaLocale comma;
    ASSERT_TRUE(comma.active()) << kCommaLocale << " is missing: scripts/install-deps makes it";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale is in force for the C library";

    const Written under_comma = WriteAndRead();
    EXPECT_EQ(under_comma.sa_setup, c.sa_setup);
    EXPECT_EQ(under_comma.sa_setup_reread, c.sa_setup);
    EXPECT_EQ(under_comma.vna_setup, c.vna_setup);
    EXPECT_EQ(under_comma.trace, c.trace);
    EXPECT_EQ(under_comma.trace_read, c.trace_read);
    EXPECT_EQ(under_comma.csv, c.csv);
    EXPECT_TRUE(services.messages.empty()) << services.messages.front();
}

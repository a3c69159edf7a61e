// Random setups written, read into fresh setups and written again give the
// same bytes; texts outside ASCII come back too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "files/formats/line_reader_file.h"
#include "files_test_support.h"

using namespace files_test;

namespace {

class Random {
  public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    int32_t Int(int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(engine_);
    }
    uint64_t U64(uint64_t lo, uint64_t hi) {
        return std::uniform_int_distribution<uint64_t>(lo, hi)(engine_);
    }
    double Real(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(engine_);
    }
    bool Flip() { return Int(0, 1) == 1; }
    // Printable characters from ASCII, Latin-1, Greek, CJK and a pair of
    // surrogates; no line break and no ">" at the end.
    core::Text Text() {
        static const char16_t kPool[] = u"aZ09 <>=;_\u00e9\u00df\u00b5\u03a9\u5317\u4eac\U0001F600";
        core::Text t;
        int n = Int(0, 12);
        for (int i = 0; i < n; ++i) {
            size_t k = static_cast<size_t>(Int(0, static_cast<int32_t>(std::size(kPool)) - 2));
            if (kPool[k] >= 0xD800 && kPool[k] <= 0xDBFF) {
                t += kPool[k];
                t += kPool[k + 1];
            } else if (kPool[k] >= 0xDC00 && kPool[k] <= 0xDFFF) {
                t += kPool[k - 1];
                t += kPool[k];
            } else {
                t += kPool[k];
            }
        }
        while (!t.empty() && t.back() == u'>') t.pop_back();
        return t;
    }

  private:
    std::mt19937 engine_;
};

void Randomize(CMeasSetup& s, Random& r) {
    s.SetSetupLabel(r.Text());
    s.SetTitle(r.Text());
    s.SetSubtitle(r.Text());
    s.SetNotes(r.Text());
    if (r.Flip()) s.SetDateText(u"");
    s.SetStartMe(r.Flip());
    s.SetFavorite(r.Flip());
    uint64_t start = r.U64(10000000, 3000000000);
    uint64_t stop = r.U64(start + 1000000, 3600000000);
    CFrequencyRange* range = s.GetFrequencyRange();
    range->SetStart(start, false);
    range->SetStop(stop, false);
    s.SetMeasureUnit(r.Int(0, 6));
    s.SetAmplitudeOffset(r.Real(-100, 100));
    // A reference level inside its range around the offset (a value at the
    // edge of the range moves by the last written digit on reading).
    double dbm = s.GetAmplitudeOffset() + r.Real(-130, 20);
    s.SetReferenceLevel(std::pow(10.0, (dbm - 30.0) / 10.0));
    s.SetAveragingMode(r.Int(0, 1));
    s.SetAveragingCount(r.Int(2, 1024));
    s.SetPeakHold(r.Int(1, 50));
    s.SetPeakHoldMode(r.Int(0, 2));
    s.SetVolumeType(r.Int(0, 100));
    s.SetWaterfallMode(r.Int(0, 3));
    s.SetFSBeepMode(r.Flip());
    s.SetUpperLimitState(r.Flip());
    s.SetUpperLimitValue(r.Real(-150, 50));
    s.SetLowerLimitState(r.Flip());
    s.SetLowerLimitValue(r.Real(-150, 50));
    s.SetLimitAlarm(r.Flip());
    for (int i = 0; i < CMeasSetup::kMarkerCount; ++i) {
        CValueRecord* m = s.GetMarker(i);
        // A marker of state -1 is not written; a fresh setup's markers are 0.
        m->SetState(r.Int(0, 3));
        m->SetType(r.Int(0, 3));
        m->SetCurrent(r.Flip());
        m->SetLabel(r.Text());
        m->SetDelta(r.Int(0, 5));
        m->SetDeltaIndex(r.Int(0, 5));
        m->SetFrequency(r.U64(0, 4294967295u));
        m->SetAmplitude(r.Real(-150, 30));
        m->SetPixelIndex(r.Int(0, 704));
        m->SetFcFrequency(r.U64(0, 4294967295u));
        m->SetFcAmplitude(r.Real(-150, 30));
    }
}

template <typename Setup, typename File>
void CheckRoundTrips(Setup& setup, ISetupEnvironment* env) {
    File first(&setup);
    std::string text = first.FormatInMemory();
    Setup fresh(env);
    File reader(&fresh);
    ASSERT_TRUE(reader.ReadBytes(text, u"random", false)) << text;
    File again(&fresh);
    std::string rewritten = again.FormatInMemory();
    size_t at = std::mismatch(text.begin(), text.end(), rewritten.begin(), rewritten.end()).first -
                text.begin();
    size_t from = text.rfind('\n', at) + 1;
    ASSERT_EQ(rewritten, text) << "first difference in: "
                               << text.substr(from, text.find('\n', at) - from) << " / "
                               << rewritten.substr(from, rewritten.find('\n', at) - from);
    EXPECT_EQ(fresh.GetSetupLabel(), setup.GetSetupLabel());
    EXPECT_EQ(fresh.GetNotes(), setup.GetNotes());
    EXPECT_EQ(fresh.GetMarker(3)->GetLabel(),
              setup.GetMarker(3)->GetState() == -1 ? core::Text() : setup.GetMarker(3)->GetLabel());
}

}  // namespace

TEST(SetupFileProperty, RandomSpectrumSetupsRoundTrip) {
    TestServices services;
    ListEnvironment env;
    Random r(20261208);
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE(i);
        CSAMeasSetup s(&env);
        Randomize(s, r);
        s.SetMeasurementId(r.Flip() ? 20 : r.Int(21, 23));
        s.SetThreshold(r.Int(-700, 0));
        s.SetThresholdPercent(r.Int(0, 1000));
        s.SetThresholdMode(r.Int(0, 1));
        s.ResetChannelWidths();  // widths that fit the span
        s.SetModulationType(r.Int(1, 3));
        s.SetAttenuationMode(r.Int(0, 1));
        s.SetAttenuationLevel(r.Int(0, 3) * 10.0);
        s.SetDetectionMode(r.Int(0, 3));
        s.SetFreqCounter(r.Flip());
        s.SetZeroSpanTime(r.Int(1, 100000));
        s.SetPlayTime(r.Int(1000, 500000));
        s.SetCableType(r.Flip() ? Cable() : nullptr);
        s.SetAntenna(r.Flip() ? Antenna() : nullptr);
        s.GetTriggerSettings()->SetDelay(static_cast<uint32_t>(r.Int(1, 10000)));
        s.GetTriggerSettings()->SetEdge(r.Int(0, 2));
        s.GetBandwidthSettings()->SetRbwIndex(static_cast<uint32_t>(r.Int(0, 8)), false);
        s.GetBandwidthSettings()->SetVbwIndex(static_cast<uint32_t>(r.Int(0, 10)), false);
        s.GetBandwidthSettings()->SetVbwMode(static_cast<uint32_t>(r.Int(0, 1)), false);
        CheckRoundTrips<CSAMeasSetup, CSASetupFile>(s, &env);
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST(SetupFileProperty, RandomNetworkSetupsRoundTrip) {
    TestServices services;
    ListEnvironment env;
    Random r(1409);
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE(i);
        CVNAMeasSetup s(&env);
        Randomize(s, r);
        s.SetMeasurementId(r.Int(0, 7));
        s.SetDataPoints(CVNAMeasSetup::GetStepValue(static_cast<uint32_t>(r.Int(0, 10))));
        s.SetOnePortMeasureUnit(r.Int(20, 25));
        s.SetPowerOutput(r.Real(-20, 10));
        s.SetIfImmunity(r.Flip());
        s.SetCableLossInterferenceImmunity(r.Flip());
        s.SetMaximumLevel(static_cast<float>(r.Real(-50, 50)));
        s.SetMinimumLevel(static_cast<float>(r.Real(-150, -50)));
        s.SetDcBiasType(r.Int(0, 1));
        s.SetDistanceUnit(r.Flip());
        s.SetDtfVp(static_cast<float>(r.Real(0.1, 1.0)));
        s.SetDtfSmoothing(r.Int(0, 3));
        s.SetDtfLoss(static_cast<float>(r.Real(0, 2)));
        // Distances inside the reach of the sweep (one at its edge moves by
        // the last written digit on reading).
        s.SetDtfStart(0.0f);
        s.SetDtfStop(s.GetMaxDistance() * static_cast<float>(r.Real(0.2, 0.8)));
        CheckRoundTrips<CVNAMeasSetup, CVNASetupFile>(s, &env);
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST(SetupFileProperty, RevisionThreeMapsTheLevelsToTheReturnLossDisplay) {
    TestServices services;
    ListEnvironment env;
    std::string text = Golden("vna_rev4.tws");
    text.replace(text.find("revision = 4"), 12, "revision = 3");
    CVNAMeasSetup old(&env);
    CVNASetupFile file(&old);
    ASSERT_TRUE(file.ReadBytes(text, u"old", false));
    EXPECT_EQ(file.GetRevision(), 3);
    EXPECT_EQ(old.GetAmplitudeTop(), old.ClampAmplitudeTop(0.0));
    EXPECT_EQ(old.GetAmplitudeBottom(), old.ClampAmplitudeBottom(-60.0));
    CVNAMeasSetup current(&env);
    EXPECT_EQ(old.GetMaximumLevel(), current.GetMaximumLevel());  // untouched

    CVNAMeasSetup now(&env);
    CVNASetupFile reader(&now);
    ASSERT_TRUE(reader.ReadBytes(Golden("vna_rev4.tws"), u"new", false));
    EXPECT_EQ(now.GetMaximumLevel(), 0.0);
    EXPECT_EQ(now.GetMinimumLevel(), -60.0);
}

TEST(LineReaderFile, SplitsLinesSkipsEmptyOnesAndCapsTheirLength) {
    DeviceRoot root;
    root.Write("FlashFX Disk/My Lists/Locations.csv",
               "a\r\nb\n\n\r\na\rb\n\xe5\x8c\x97,\xff\nlast");
    CLineReaderFile reader;
    ASSERT_TRUE(reader.Open(u"\\FlashFX Disk\\My Lists\\Locations.csv"));
    core::Text line;
    std::vector<core::Text> lines;
    while (reader.ReadString(line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<core::Text>{u"a", u"b", u"ab", u"\u5317,\u00ff", u"last"}));
    EXPECT_FALSE(reader.Failed());

    root.Write("FlashFX Disk/My Lists/Long.csv",
               "first\n" + std::string(CLineReaderFile::kMaxLineBytes + 1, 'x') + "\nnext\n");
    ASSERT_TRUE(reader.Open(u"\\FlashFX Disk\\My Lists\\Long.csv"));
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_FALSE(reader.ReadString(line));
    EXPECT_TRUE(reader.Failed());
    EXPECT_FALSE(reader.Open(u"\\FlashFX Disk\\My Lists\\Absent.csv"));
}

// The spectrum measurements against a link that records what they queue and
// reply blocks built by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/app_commands.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "files/sa_meas_setup.h"
#include "files/setup_services.h"
#include "instrument/specan_measurements.h"
#include "instrument/tests/measurement_fixtures.h"
#include "platform/framework/wnd.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace {

using namespace measure_test;

constexpr uint64_t kCentre = 947500000;
constexpr uint64_t kSpan = 20000000;

class SpectrumTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ConfigureSpectrum(setup_, kCentre, kSpan);
        setup_.GetTriggerSettings()->SetCondition(2);
        setup_.GetTriggerSettings()->SetLevel(-1234);
        setup_.GetTriggerSettings()->SetDelay(77);
        setup_.SetTriggerMode(4);
    }

    template <typename M>
    std::unique_ptr<M> Make() {
        auto m = std::make_unique<M>(&link_);
        m->Init(&screen_);
        return m;
    }

    CSAMeasSetup setup_;
    Screen screen_{&setup_};
    RecordingLink link_;
};

TEST(SpectrumLevels, AttenuationAndPreampBytesAreClamped) {
    EXPECT_EQ(specan::LevelByte(-5.0), 0);
    EXPECT_EQ(specan::LevelByte(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(specan::LevelByte(30.9), 30);
    EXPECT_EQ(specan::LevelByte(255.0), 255);
    EXPECT_EQ(specan::LevelByte(1e9), 255);
}

TEST_F(SpectrumTest, EachClassSendsItsMessageWithItsRecord) {
    setup_.SetThresholdMode(1);
    setup_.SetThreshold(-235);
    setup_.SetChannelWidth(5000000);
    setup_.SetAdjChannelWidth(4000000);
    setup_.SetCenterDistance(5000000);
    setup_.SetZeroSpanTime(1500);

    struct Case {
        std::unique_ptr<CSpectrumMeasurement> m;
        uint16_t id;
        size_t size;
        uint32_t measurement_id;
        uint8_t reply;
    };
    std::vector<Case> cases;
    cases.push_back({Make<CGeneralSpectrumMeasurement>(), dsp::msg::kSweep, 40, 20, 1});
    cases.push_back({Make<COccupiedBwMeasurement>(), dsp::msg::kOccupiedBandwidth, 48, 21, 2});
    cases.push_back({Make<CChannelPowerMeasurement>(), dsp::msg::kChannelPower, 48, 22, 3});
    cases.push_back({Make<CAcprMeasurement>(), dsp::msg::kAdjacentChannelPower, 64, 23, 4});
    cases.push_back({Make<CDemodSignalMeasurement>(), dsp::msg::kSweep, 64, 26, 7});
    cases.push_back({Make<CCarrierInterferenceMeasurement>(), dsp::msg::kSweep, 40, 27, 8});
    cases.push_back({Make<CTimeDomainMeasurement>(), dsp::msg::kZeroSpan, 48, 28, 9});
    cases.push_back({Make<CSignalStrengthMeasurement>(), dsp::msg::kSweep, 40, 29, 10});

    const char* names[] = {"General SA",     "Occupied Bandwidth", "Channel Power",
                           "Adjacent Power", "Demod Signal",       "Interference Ratio",
                           "Time Domain",    "Signal Strength"};
    for (size_t i = 0; i < cases.size(); ++i) {
        auto& c = cases[i];
        SCOPED_TRACE(c.measurement_id);
        EXPECT_EQ(core::LowBytes(LoadResString(c.m->GetEnglishNameId())), names[i]);
        EXPECT_NE(core::LowBytes(LoadResString(c.m->GetTitleId())), "");
        EXPECT_NE(core::LowBytes(LoadResString(c.m->GetDescriptionId())), "");
        EXPECT_EQ(c.m->GetId(), c.measurement_id);
        EXPECT_EQ(c.m->GetReplyNumber(), c.reply);
        EXPECT_EQ(c.m->GetFamily(), CMeasurement::kFamilySpectrum);
        link_.sent.clear();
        c.m->Start(0, 0);
        ASSERT_EQ(link_.sent.size(), 1u);
        const auto& sent = link_.sent[0];
        EXPECT_EQ(sent.id, c.id);
        EXPECT_EQ(sent.argument, 705);
        EXPECT_TRUE(c.m->IsActive());
        // The board gets the record's size; the rest of a 64-byte demodulation
        // record stays behind for 0x3007.
        const Bytes want = ExpectedRecord(setup_, c.measurement_id, c.id);
        EXPECT_EQ(want.size(), std::min(c.size, size_t{dspmsg::PayloadSize(c.id)}));
        if (c.measurement_id == 21) {
            EXPECT_EQ(Get<uint16_t>(want, 42), 235);
        }
        if (c.measurement_id == 28) {
            EXPECT_EQ(Get<uint32_t>(want, 40), 1500u);
        }
        EXPECT_EQ(sent.payload, want);
    }
}

TEST_F(SpectrumTest, OccupiedBandwidthPercentModeSendsThePercent) {
    auto m = Make<COccupiedBwMeasurement>();
    setup_.SetThresholdMode(0);
    setup_.SetThresholdPercent(990);
    m->Start(0, 0);
    EXPECT_EQ(Get<uint16_t>(link_.sent.at(0).payload, 40), 0);
    EXPECT_EQ(Get<uint16_t>(link_.sent.at(0).payload, 42), 990);
}

TEST_F(SpectrumTest, TraceBlocksUpTo705PointsAreTaken) {
    auto m = Make<CGeneralSpectrumMeasurement>();
    const Bytes data(705 * 4, 0);
    struct Case {
        uint16_t id, index, count;
        bool taken;
    } cases[] = {
        {dsp::msg::kSweep, 0, 705, true},    {dsp::msg::kSweep, 0, 706, false},
        {dsp::msg::kSweep, 705, 64, true},   {dsp::msg::kSweep, 706, 64, false},
        {dsp::msg::kSweep, 64, 0, false},    {dsp::msg::kReflectionSweep, 64, 64, false},
        {dsp::msg::kZeroSpan, 64, 64, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << c.id << std::dec << " " << c.index << " " << c.count);
        auto b = MakeBlock(c.id, c.index, c.count, data);
        CDeviceItem* item = m->ParseReply(*b);
        EXPECT_EQ(item != nullptr, c.taken);
        if (item) {
            EXPECT_EQ(item->GetType(), CDeviceItem::kSweep);
            EXPECT_EQ(item->GetId(), dsp::message_number(c.id));
            EXPECT_EQ(item->GetFirstIndex(), c.index);
            EXPECT_EQ(item->GetCount(), c.count);
        }
    }
}

TEST_F(SpectrumTest, LastSegmentReachesTheDataPoints) {
    auto m = Make<CGeneralSpectrumMeasurement>();
    const Bytes data(104 * 4, 0);
    EXPECT_EQ(m->IsLastSegment(m->ParseReply(*MakeBlock(dsp::msg::kSweep, 600, 104, data))), 1);
    EXPECT_EQ(m->IsLastSegment(m->ParseReply(*MakeBlock(dsp::msg::kSweep, 600, 103, data))), 0);
    COccupiedBwItem other;
    EXPECT_EQ(m->IsLastSegment(&other), 0);
}

TEST_F(SpectrumTest, ChannelPowerThatIsNotANumberBecomesMinus300) {
    auto m = Make<CChannelPowerMeasurement>();
    m->Start(0, 0);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        Bytes data;
        double power;
        bool changed;
    } cases[] = {
        {Floats({-42.5f}), -42.5, true}, {Floats({-42.5f}), -42.5, false},
        {Floats({nan}), -300.0, true},   {Floats({inf}), -300.0, false},
        {Floats({-inf}), -300.0, false}, {Bytes{}, -300.0, false},
        {Floats({-40.0f}), -40.0, true},
    };
    for (const Case& c : cases) {
        CDeviceItem* item = m->ParseReply(*MakeBlock(dsp::msg::kChannelPower, 0, 1, c.data));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetType(), CDeviceItem::kChannelPower);
        EXPECT_EQ(static_cast<CChannelPowerItem*>(item)->channel_power, c.power);
        EXPECT_EQ(m->HasNewResult(), c.changed);
    }
    // A -300 dBm channel never divides by zero or overflows into the density.
    EXPECT_EQ(m->GetPowerDensity(0, 0.0), -300.0);
    EXPECT_TRUE(std::isfinite(m->GetPowerDensity(1000000, 0.0)));
    m->ParseReply(*MakeBlock(dsp::msg::kChannelPower, 0, 1, Floats({-40.0f})));
    EXPECT_NEAR(m->GetPowerDensity(1000000, 0.0), -100.0, 1e-9);
    EXPECT_NEAR(m->GetPowerDensity(1000, 3.0), -67.0, 1e-9);
    // Trace blocks still go to the family.
    CDeviceItem* trace = m->ParseReply(*MakeBlock(dsp::msg::kSweep, 64, 64, Bytes(256)));
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace->GetType(), CDeviceItem::kSweep);
}

TEST_F(SpectrumTest, AdjacentPowerChangesWhenAnyOfItsFiveValuesDoes) {
    auto m = Make<CAcprMeasurement>();
    m->Start(0, 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto parse = [&](const Bytes& data) {
        return static_cast<CAcprItem*>(
            m->ParseReply(*MakeBlock(dsp::msg::kAdjacentChannelPower, 0, 5, data)));
    };
    CAcprItem* item = parse(Floats({-40.f, -60.f, -61.f, -20.f, -21.f}));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetType(), CDeviceItem::kAcpr);
    EXPECT_EQ(item->channel_power, -40.0);
    EXPECT_EQ(item->lower, -60.0);
    EXPECT_EQ(item->upper, -61.0);
    EXPECT_EQ(item->lower_ratio, -20.f);
    EXPECT_EQ(item->upper_ratio, -21.f);
    EXPECT_TRUE(m->HasNewResult());
    parse(Floats({-40.f, -60.f, -61.f, -20.f, -21.f}));
    EXPECT_FALSE(m->HasNewResult());
    for (int i = 0; i < 5; ++i) {
        float v[5] = {-40.f, -60.f, -61.f, -20.f, -21.f};
        v[i] += 1;
        parse(Floats({v[0], v[1], v[2], v[3], v[4]}));
        EXPECT_TRUE(m->HasNewResult()) << i;
        parse(Floats({-40.f, -60.f, -61.f, -20.f, -21.f}));
    }
    // Values that are not numbers: adjacent powers and ratios 0, the channel
    // power keeps its last value.
    item = parse(Floats({nan, nan, -61.f, nan, -21.f}));
    EXPECT_EQ(item->channel_power, -40.0);
    EXPECT_EQ(item->lower, 0.0);
    EXPECT_EQ(item->upper, -61.0);
    EXPECT_EQ(item->lower_ratio, 0.f);
    EXPECT_EQ(item->upper_ratio, -21.f);
    // A channel-power block reaches the channel power class's handling.
    CDeviceItem* cp = m->ParseReply(*MakeBlock(dsp::msg::kChannelPower, 0, 1, Floats({-33.f})));
    ASSERT_NE(cp, nullptr);
    EXPECT_EQ(cp->GetType(), CDeviceItem::kChannelPower);
}

TEST_F(SpectrumTest, UnchangedOccupiedBandwidthClearsTheFlag) {
    auto m = Make<COccupiedBwMeasurement>();
    Bytes data;
    Put<uint64_t>(data, 0, 4800000);
    auto* item = static_cast<COccupiedBwItem*>(
        m->ParseReply(*MakeBlock(dsp::msg::kOccupiedBandwidth, 0, 2, data)));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetType(), CDeviceItem::kOccupiedBw);
    EXPECT_EQ(item->bandwidth, 4800000u);
    EXPECT_EQ(item->GetStart(), kCentre - 2400000);
    EXPECT_EQ(item->GetStop(), kCentre + 2400000);
    EXPECT_TRUE(m->HasNewResult());
    EXPECT_NE(m->ParseReply(*MakeBlock(dsp::msg::kOccupiedBandwidth, 0, 2, data)), nullptr);
    EXPECT_FALSE(m->HasNewResult());
    EXPECT_EQ(m->ParseReply(*MakeBlock(dsp::msg::kOccupiedBandwidth, 0, 2, Bytes(4))),
              nullptr);  // too short
}

TEST_F(SpectrumTest, DemodulationRecordFollowsTheModulation) {
    auto m = Make<CDemodSignalMeasurement>();
    m->SetAudio(true);
    struct Case {
        uint64_t sideband_in, sideband_out;
        int32_t play_in, play_out;
        int32_t modulation_in;
        uint16_t rbw_word, modulation_word;
    } cases[] = {
        {1, 95500000, 999, 5000, 1, 4, 1},
        {2, 2, 500000, 500000, 2, 2, 2},
        {3600000000ull, 95500000, 1000, 1000, 3, 4, 3},
        {100000000, 100000000, 5000, 5000, 4, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sideband_in);
        setup_.SetSidebandFrequency(c.sideband_in);
        setup_.SetPlayTime(c.play_in);
        setup_.SetModulationType(c.modulation_in);
        link_.sent.clear();
        m->Start(0, 0);
        ASSERT_EQ(link_.sent.size(), 1u);
        const Bytes& r = link_.sent[0].payload;
        EXPECT_EQ(link_.sent[0].id, dsp::msg::kDemodulationAudio);
        EXPECT_EQ(r.size(), 64u);
        EXPECT_EQ(Get<uint64_t>(r, 0), c.sideband_out);
        EXPECT_EQ(Get<uint64_t>(r, 8), 0u);
        EXPECT_EQ(Get<uint16_t>(r, 18), c.rbw_word);
        EXPECT_EQ(Get<uint16_t>(r, 40), c.modulation_word);
        EXPECT_EQ(Get<uint16_t>(r, 56), static_cast<uint16_t>(c.play_out));
        EXPECT_EQ(Get<uint16_t>(r, 32), 0);
        EXPECT_EQ(Get<uint16_t>(r, 34), 2);
        EXPECT_EQ(Get<uint16_t>(r, 36), 0);
        EXPECT_EQ(Get<uint16_t>(r, 38), 77);
        EXPECT_EQ(setup_.GetModulationType(), c.modulation_word);
    }
}

TEST_F(SpectrumTest, DemodulatedAudioBlocks) {
    auto m = Make<CDemodSignalMeasurement>();
    Bytes data = Floats({-37.6f});
    for (int16_t s : {100, -200, 300}) Put(data, data.size(), s);
    auto* item = m->ParseReply(*MakeBlock(dsp::msg::kDemodulationAudio, 0, 4, data));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetType(), CDeviceItem::kDemod);
    EXPECT_EQ(m->GetLastLevel(), -37);
    ASSERT_EQ(m->GetSampleCount(), 3u);  // only the samples the block holds
    EXPECT_EQ(m->GetSamples()[1], -200);
    // An absurd level is clamped, a missing one is 0.
    EXPECT_NE(m->ParseReply(*MakeBlock(dsp::msg::kDemodulationAudio, 0, 4, Floats({1e30f}))),
              nullptr);
    EXPECT_EQ(m->GetLastLevel(), 32767);
    EXPECT_NE(m->ParseReply(*MakeBlock(dsp::msg::kDemodulationAudio, 0, 4, {})), nullptr);
    EXPECT_EQ(m->GetLastLevel(), 0);
    EXPECT_EQ(m->ParseReply(*MakeBlock(dsp::msg::kDemodulationAudio, 0, 20000, data)), nullptr);
    EXPECT_NE(m->ParseReply(*MakeBlock(dsp::msg::kDemodulationAudio, 0, 19999, data)), nullptr);
}

TEST_F(SpectrumTest, TimeDomainSendsTheZeroSpanTime) {
    // (The setup itself keeps the time within 1..100,000 ms.)
    auto m = Make<CTimeDomainMeasurement>();
    for (auto [in, out] : {std::pair{0, 1}, {100000, 100000}, {1500, 1500}}) {
        setup_.SetZeroSpanTime(in);
        link_.sent.clear();
        m->Start(0, 0);
        EXPECT_EQ(Get<uint32_t>(link_.sent.at(0).payload, 40), static_cast<uint32_t>(out)) << in;
    }
}

TEST_F(SpectrumTest, SetupChangedComparesTheSweepFields) {
    auto m = Make<COccupiedBwMeasurement>();
    EXPECT_EQ(m->SetupChanged(&setup_), 1);  // no record yet
    m->Start(0, 0);
    // A short record is refused: the measurement still has none to compare.
    EXPECT_FALSE(m->SetComparedRecord(m->GetRecord(), m->GetRecordSize() - 1));
    EXPECT_EQ(m->SetupChanged(&setup_), 1);
    EXPECT_TRUE(m->SetComparedRecord(m->GetRecord(), m->GetRecordSize()));
    EXPECT_EQ(m->SetupChanged(&setup_), 0);
    // Not compared: data points, trigger level and condition.
    setup_.SetDataPoints(401);
    setup_.GetTriggerSettings()->SetLevel(5);
    setup_.GetTriggerSettings()->SetCondition(1);
    EXPECT_EQ(m->SetupChanged(&setup_), 0);
    const std::function<void()> changes[] = {
        [&] {
            setup_.GetFrequencyRange()->Set(kCentre - kSpan, kCentre, kCentre + kSpan, 2 * kSpan,
                                            0);
        },
        [&] { setup_.SetDetectionMode(0); },
        [&] { setup_.GetBandwidthSettings()->SetRbwIndex(2, false); },
        [&] { setup_.GetBandwidthSettings()->SetVbwIndex(2, false); },
        [&] { setup_.SetAttenuationLevel(30); },
        [&] { setup_.GetTriggerSettings()->SetDelay(9); },
        [&] { setup_.SetTriggerMode(1); },
        [&] { setup_.SetThresholdPercent(500); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        SetUp();
        setup_.SetThresholdMode(0);
        setup_.SetThresholdPercent(990);
        link_.sent.clear();
        m->Start(0, 0);
        m->SetComparedRecord(m->GetRecord(), m->GetRecordSize());
        ASSERT_EQ(m->SetupChanged(&setup_), 0) << i;
        changes[i]();
        EXPECT_EQ(m->SetupChanged(&setup_), 1) << i;
    }
}

TEST_F(SpectrumTest, GeneralSpectrumComparesSweepsAndReadsTheMarkerQuery) {
    auto m = Make<CGeneralSpectrumMeasurement>();
    m->Start(0, 0);
    Bytes a(m->GetRecord(), m->GetRecord() + 40), b = a;
    EXPECT_EQ(m->SameSweep(a.data(), b.data()), 1);
    Put<uint16_t>(b, 36, 99);  // the trigger level does not count
    b[24] = 7;
    EXPECT_EQ(m->SameSweep(a.data(), b.data()), 1);
    Put<uint16_t>(b, 22, 401);
    EXPECT_EQ(m->SameSweep(a.data(), b.data()), 0);

    Bytes query(56, 0);
    query[0] = 1;
    Put<uint64_t>(query, 8, 940000000);
    // A record one byte short is refused and nothing goes out.
    const size_t before = link_.sent.size();
    EXPECT_EQ(m->SetParameters(query.data(), query.size() - 1), 0);
    EXPECT_EQ(link_.sent.size(), before);
    ASSERT_EQ(m->SetParameters(query.data(), query.size()), 1);
    EXPECT_EQ(link_.sent.back().id, dsp::msg::kCounterMarkers);
    EXPECT_EQ(link_.sent.back().payload, query);

    Bytes reply(80, 0);
    reply[0] = 1;
    Put<double>(reply, 8, 940000123.0);
    Put<float>(reply, 56, -30.5f);
    auto* item = dynamic_cast<CQueryReplyItem*>(
        m->ParseReply(*MakeBlock(dsp::msg::kCounterMarkers, 0, 19, reply)));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetType(), CDeviceItem::kQueryReply);
    EXPECT_EQ(item->present[0], 1);
    EXPECT_EQ(item->frequency[0], 940000123.0);
    EXPECT_EQ(item->level[0], -30.5);
    EXPECT_EQ(m->ParseReply(*MakeBlock(dsp::msg::kCounterMarkers, 0, 1, Bytes(8))),
              nullptr);  // too short
}

// A band of 200 kHz channels, channel n centred at 935 MHz + n * 200 kHz,
// channels 0..10.
class TestBand : public ISetupBand, public IChannelNeighbours {
  public:
    uint64_t GetStart() const override { return 935000000; }
    uint64_t GetStop() const override { return 937000000; }
    uint64_t GetSpan() const override { return 2000000; }
    uint64_t GetCenter() const override { return 936000000; }
    uint64_t ChannelToFrequency(int32_t c) const override { return 935000000 + 200000ull * c; }
    uint64_t GetChannelBandwidth(int32_t) const override { return 200001; }
    uint64_t GetChannelSpacing(int32_t) const override { return 200000; }
    uint64_t GetPointValue(uint32_t, uint32_t) const override { return 0; }
    void CountUse(bool) override {}
    int32_t StepChannel(int32_t c, int side) const override {
        const int32_t n = side == 0 ? c - 1 : c + 1;
        return n < 0 || n > 10 ? -1 : n;
    }
};

// The frame window the edges are posted to: takes each command record.
class Edges : public plat::CWnd {
  public:
    Edges() {
        plat::register_window_class({"EdgeTestFrame", 0, std::nullopt});
        Create("EdgeTestFrame", u"", 0, {0, 0, 10, 10}, nullptr, 0);
    }
    ~Edges() override { DestroyWindow(); }
    bool OnCommand(uintptr_t wp, intptr_t lp) override {
        if (plat::loword(wp) != kCmdCommandRecord) return CWnd::OnCommand(wp, lp);
        std::unique_ptr<CCommandRecord> r(TakeCommandObject<kCmdCommandRecord>(lp));
        EXPECT_EQ(r->group, 21);
        EXPECT_EQ(r->sub, 3);
        EXPECT_EQ(r->count, 1);
        EXPECT_EQ(r->flag, 0);
        got.push_back({r->args[0], r->value});
        texts.push_back(r->text ? core::LowBytes(*r->text) : std::string());
        return true;
    }
    // Takes what was posted.
    void Drain() {
        plat::Message m;
        while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
    }
    std::vector<std::pair<int, uint64_t>> got;
    std::vector<std::string> texts;
};

TEST_F(SpectrumTest, ChannelEdgesWithoutBandAreTheRange) {
    auto m = Make<CAcprMeasurement>();
    Edges edges;
    m->SetEdgeWindow(&edges);
    ASSERT_EQ(m->IsReady(), 1);
    edges.Drain();
    const std::vector<std::pair<int, uint64_t>> want = {{0, kCentre - kSpan / 2},
                                                        {1, kCentre + kSpan / 2}};
    EXPECT_EQ(edges.got, want);
    EXPECT_EQ(m->GetLowerEdge(), kCentre - kSpan / 2);
    ASSERT_EQ(edges.texts.size(), 2u);
    EXPECT_NE(edges.texts[0].find("937.500"), std::string::npos) << edges.texts[0];
}

TEST_F(SpectrumTest, ChannelEdgesFollowTheBandAndItsNeighbours) {
    TestBand band;
    setup_.SetBand(&band);
    auto m = Make<CAcprMeasurement>();
    Edges edges;
    m->SetEdgeWindow(&edges);
    setup_.SetChannelNumber(0);  // no channel below
    ASSERT_EQ(m->IsReady(), 1);
    edges.Drain();
    std::vector<std::pair<int, uint64_t>> want = {{0, 935000000 - 100000},
                                                  {1, 935000000 + 100000},
                                                  {4, 935200000 - 100000},
                                                  {5, 935200000 + 100000}};
    EXPECT_EQ(edges.got, want);
    edges.got.clear();
    setup_.SetChannelNumber(5);
    ASSERT_EQ(m->IsReady(), 1);
    edges.Drain();
    EXPECT_EQ(edges.got.size(), 6u);
    EXPECT_EQ(edges.got[2], (std::pair<int, uint64_t>{2, 935800000 - 100000}));
    setup_.SetBand(nullptr);
}

}  // namespace

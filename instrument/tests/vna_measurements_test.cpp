// The network-analyzer measurements against a link that records what they
// queue and reply blocks built by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/res_string.h"
#include "files/vna_meas_setup.h"
#include "instrument/tests/measurement_fixtures.h"
#include "instrument/vna_measurements.h"

namespace {

using namespace measure_test;

class VnaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setup_.GetFrequencyRange()->Set(500000000, 1000000000, 1500000000, 1000000000, 0);
        setup_.SetDataPoints(1001);
        setup_.GetBandwidthSettings()->SetRbwIndex(3, false);
        setup_.SetPowerOutput(-10);
        setup_.SetIfImmunity(true);
    }

    template <typename M>
    std::unique_ptr<M> Make() {
        auto m = std::make_unique<M>(&link_);
        m->Init(&screen_);
        return m;
    }

    Bytes SweepRecord(uint8_t ifbw_word) const {
        Bytes r(24, 0);
        Put<uint64_t>(r, 0, 500000000);
        Put<uint64_t>(r, 8, 1500000000);
        Put<uint16_t>(r, 16, static_cast<uint16_t>(setup_.GetDisplayPoints()));
        r[18] = 1;
        r[19] = ifbw_word;
        r[20] = static_cast<uint8_t>(static_cast<int8_t>(setup_.GetPowerOutput()));
        r[21] = 1;
        return r;
    }

    CVNAMeasSetup setup_;
    Screen screen_{&setup_};
    RecordingLink link_;
};

TEST_F(VnaTest, EachMeasurementSendsItsSweep) {
    struct Case {
        std::unique_ptr<CVnaMeasurement> m;
        uint32_t id;
        uint8_t reply;
        uint16_t message;
    };
    std::vector<Case> cases;
    cases.push_back({Make<CFreqSweepMeasurement>(), 1, 1, dsp::msg::kReflectionSweep});
    cases.push_back({Make<CCableLossMeasurement>(), 3, 3, dsp::msg::kReflectionSweep});
    cases.push_back({Make<CGainMeasurement>(), 4, 2, dsp::msg::kTransmissionSweep});
    const char* names[] = {"Frequency Sweep", "Cable Loss", "Gain"};
    for (size_t i = 0; i < cases.size(); ++i) {
        auto& c = cases[i];
        SCOPED_TRACE(c.id);
        EXPECT_EQ(core::LowBytes(LoadResString(c.m->GetEnglishNameId())), names[i]);
        EXPECT_NE(core::LowBytes(LoadResString(c.m->GetTitleId())), "");
        EXPECT_EQ(c.m->GetId(), c.id);
        EXPECT_EQ(c.m->GetReplyNumber(), c.reply);
        EXPECT_EQ(c.m->GetFamily(), CMeasurement::kFamilyVna);
        link_.sent.clear();
        c.m->Start(0, 0);
        ASSERT_EQ(link_.sent.size(), 1u);
        const Bytes& r = link_.sent[0].payload;
        EXPECT_EQ(link_.sent[0].id, c.message);
        EXPECT_EQ(link_.sent[0].argument, setup_.GetDataPoints());
        ASSERT_EQ(r.size(), 32u);
        EXPECT_EQ(Get<uint32_t>(r, 0), static_cast<uint32_t>(setup_.GetDataPoints()));
        EXPECT_EQ(Get<uint64_t>(r, 4), 500000000u);
        EXPECT_EQ(Get<uint64_t>(r, 12), 1500000000u);
        EXPECT_EQ(Get<double>(r, 20), setup_.GetPowerOutput());
        EXPECT_TRUE(c.m->IsActive());
    }
}

TEST_F(VnaTest, DistanceToFaultRecord) {
    auto m = Make<CDtfMeasurement>();
    EXPECT_EQ(m->GetReplyNumber(), 4);
    setup_.SetDtfVp(0.85f);
    setup_.SetDtfLoss(0.25f);
    setup_.SetTriggerMode(2);
    m->Start(0, 0);
    ASSERT_EQ(link_.sent.size(), 1u);
    const Bytes& r = link_.sent[0].payload;
    EXPECT_EQ(link_.sent[0].id, dsp::msg::kDistanceToFault);
    ASSERT_EQ(r.size(), 56u);
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 24), SweepRecord(5));
    EXPECT_EQ(Get<uint32_t>(r, 24),
              static_cast<uint32_t>(std::lround(setup_.GetDtfStartRaw() * 1000)));
    EXPECT_FLOAT_EQ(Get<float>(r, 28), std::max(setup_.GetDtfStopRaw(), 0.2f));
    EXPECT_EQ(Get<uint32_t>(r, 32), 8500u);
    EXPECT_FLOAT_EQ(Get<float>(r, 36), 0.25f);
    EXPECT_EQ(Get<uint16_t>(r, 42), 2);
    EXPECT_EQ(Bytes(r.begin() + 44, r.end()), Bytes(12, 0));
}

TEST_F(VnaTest, MessageKindsAndTheirRecords) {
    auto m = Make<CFreqSweepMeasurement>();
    const uint16_t display = static_cast<uint16_t>(setup_.GetDisplayPoints());
    const uint16_t cal_points = static_cast<uint16_t>(setup_.GetSweepCalInfo().points);
    for (uint32_t kind = 0; kind < 40; ++kind) {
        SCOPED_TRACE(kind);
        link_.sent.clear();
        m->SendSweepSetup(kind);
        if (kind == 5 || kind == 6 || kind == 7 || kind == 8 || kind == 25) {
            ASSERT_EQ(link_.sent.size(), 1u);
            EXPECT_EQ(link_.sent[0].id, dsp::CLASS_VNA + kind);
            EXPECT_EQ(link_.sent[0].argument, display);
            EXPECT_EQ(link_.sent[0].payload, SweepRecord(kind == 25 ? 8 : 5));
        } else {
            EXPECT_TRUE(link_.sent.empty());
        }
        link_.sent.clear();
        m->SendCommand(kind);
        const std::vector<uint32_t> by_display = {9, 10, 12, 14, 16, 18, 20, 24, 32, 33};
        const bool display_kind =
            std::find(by_display.begin(), by_display.end(), kind) != by_display.end();
        if (display_kind || kind == 23 || kind == 36) {
            ASSERT_EQ(link_.sent.size(), 1u);
            EXPECT_EQ(link_.sent[0].id, dsp::CLASS_VNA + kind);
            EXPECT_EQ(link_.sent[0].argument, display_kind ? display : setup_.GetDataPoints());
            EXPECT_TRUE(link_.sent[0].payload.empty());
        } else {
            EXPECT_TRUE(link_.sent.empty());  // 11 is a table upload, not a command
        }
        link_.sent.clear();
        m->SendFrequencyList(kind);
        if (kind == 19 || kind == 21) {
            ASSERT_EQ(link_.sent.size(), 1u);
            EXPECT_EQ(link_.sent[0].argument, cal_points);
            EXPECT_EQ(Get<uint64_t>(link_.sent[0].payload, 0), 500000000u);
            EXPECT_EQ(Get<uint16_t>(link_.sent[0].payload, 16), cal_points);
        } else {
            EXPECT_TRUE(link_.sent.empty());
        }
    }
    link_.sent.clear();
    m->SendOption(0, 1);
    m->SendQuery();
    ASSERT_EQ(link_.sent.size(), 2u);
    EXPECT_EQ(link_.sent[0].id, dsp::msg::kOption);
    EXPECT_EQ(link_.sent[0].payload, (Bytes{0, 1, 0, 0}));
    EXPECT_EQ(link_.sent[1].id, dsp::msg::kVnaEnd);
}

TEST_F(VnaTest, CalibrationTablesGoThroughTheTablePath) {
    auto m = Make<CFreqSweepMeasurement>();
    Bytes table(vna::kTableBytes);
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i * 7);
    for (uint32_t kind : {11u, 13u, 15u, 17u, 34u, 12u}) {
        link_.sent.clear();
        m->SendCalTable(kind, table.data(), table.size());
        if (kind == 12) {
            EXPECT_TRUE(link_.sent.empty());
            continue;
        }
        ASSERT_EQ(link_.sent.size(), 1u);
        EXPECT_TRUE(link_.sent[0].table);
        EXPECT_EQ(link_.sent[0].id, dsp::CLASS_VNA + kind);
        EXPECT_EQ(link_.sent[0].argument, setup_.GetSweepCalInfo().points);
        EXPECT_EQ(link_.sent[0].payload, table);
    }
}

TEST_F(VnaTest, SweepBlocksUpTo22530Words) {
    auto m = Make<CGainMeasurement>();
    const Bytes data(8 * 64, 0);
    struct Case {
        uint16_t id, index, count;
        bool taken;
    } cases[] = {
        {dsp::msg::kTransmissionSweep, 11265, 22530, true},
        {dsp::msg::kTransmissionSweep, 64, 22531, false},
        {dsp::msg::kTransmissionSweep, 11266, 64, false},
        {dsp::msg::kTransmissionSweep, 64, 0, false},
        {dsp::msg::kSweep, 64, 64, false},
        {dsp::msg::kBiasCurrent, 0, 14, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        CDeviceItem* item = m->ParseReply(*MakeBlock(c.id, c.index, c.count, data));
        EXPECT_EQ(item != nullptr, c.taken);
        if (item) {
            EXPECT_EQ(item->GetType(), CDeviceItem::kVnaSweep);
            EXPECT_EQ(item->GetId(), dsp::message_number(c.id));
            EXPECT_EQ(item->GetFirstIndex(), c.index);
            EXPECT_EQ(item->GetCount(), c.count);
        }
    }
}

TEST_F(VnaTest, ReadyOnlyWithAFrequencyRange) {
    auto m = Make<CFreqSweepMeasurement>();
    EXPECT_EQ(m->IsReady(), 1);
    setup_.SetMeasurementId(4);
    m->Reset();
    EXPECT_EQ(setup_.GetMeasurementId(), 1);
}

}  // namespace

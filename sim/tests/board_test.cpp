#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/kernel/clock.h"
#include "sim/board_factory.h"
#include "sim/spectrum_model.h"
#include "sim/tests/simulated_device.h"
#include "sim/tools/board_host.h"

namespace {

using sim::AcquisitionBoard;
using Board = std::shared_ptr<sim::AcquisitionBoard>;
using sim::BoardHost;
using sim::Bytes;
using sim::get_le;
using sim::put_le;
using sim_test::fast_scene;

// Detector codes of the sweep record.
constexpr std::uint16_t kPositivePeak = 3;  // 0 average, 1 sample, 2 negative peak

Bytes sweep_record(int points = 705) {
    Bytes r(40, 0);
    put_le<std::uint64_t>(r, 0, 940000000);
    put_le<std::uint64_t>(r, 8, 20000000);
    put_le<std::uint16_t>(r, 18, 3);  // 30 kHz
    put_le<std::uint16_t>(r, 20, kPositivePeak);
    put_le<std::uint16_t>(r, 22, static_cast<std::uint16_t>(points));
    return r;
}

// A network-analyzer sweep message: points, start and stop.
Bytes na_record(std::uint64_t start, std::uint64_t stop, int points) {
    Bytes r(32, 0);
    put_le<std::uint32_t>(r, 0, static_cast<std::uint32_t>(points));
    put_le<std::uint64_t>(r, 4, start);
    put_le<std::uint64_t>(r, 12, stop);
    return r;
}

// A calibration-standard message: start, stop and points.
Bytes standard_setup(std::uint64_t start, std::uint64_t stop, int points) {
    Bytes r(24, 0);
    put_le<std::uint64_t>(r, 0, start);
    put_le<std::uint64_t>(r, 8, stop);
    put_le<std::uint16_t>(r, 16, static_cast<std::uint16_t>(points));
    return r;
}

TEST(Board, VersionReplyCarriesIdentityAndOptionBit) {
    for (bool option : {true, false}) {
        sim::Scene s = fast_scene();
        s.board.option_bit = option;
        BoardHost host(std::make_shared<AcquisitionBoard>(s));
        ASSERT_TRUE(host.send(1));
        auto p = host.read();
        ASSERT_TRUE(p);
        EXPECT_EQ(p->type, 1);
        ASSERT_EQ(p->length, 36);
        EXPECT_EQ((get_le<std::uint16_t>(p->body, 2) & 4) != 0, option);
        EXPECT_EQ(std::string(p->body.begin() + 12, p->body.begin() + 18), "060524");
        EXPECT_EQ(std::string(p->body.begin() + 24, p->body.begin() + 32), "SIM00001");
        EXPECT_EQ(get_le<std::uint32_t>(p->body, 32), 0u);
    }
}

TEST(Board, StopDropsUnreadPacketsAndQueuesExactlyOneEcho) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    host.send(dsp::CMD_STOP);  // idle stop is echoed too
    auto echo = host.read();
    ASSERT_TRUE(echo);
    EXPECT_EQ(echo->type, dsp::LOW_ECHO);
    EXPECT_EQ(echo->length, 60);  // a whole 64-byte transfer
    EXPECT_FALSE(host.transfer_in(64, 20));

    host.send(dsp::msg::kSweep, sweep_record());
    ASSERT_TRUE(host.read_type(dsp::msg::kSweep));
    // Let the board fill the pipe, then stop and ask for the status without
    // reading: the echo and the reply follow, nothing else.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    host.send(dsp::CMD_STOP);
    host.send(4);
    auto p = host.read();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, dsp::LOW_ECHO);
    EXPECT_FALSE(host.board().streaming());
    p = host.read();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, 4);
    EXPECT_EQ(p->length, 8);
    EXPECT_EQ(get_le<std::uint16_t>(p->body, 6), 38);  // temperature
    EXPECT_FALSE(host.transfer_in(64, 30));
}

// The link raises its alarm when a status reading stands above 100 and the
// voltage alert on flag 8: a healthy board trips neither.
TEST(Board, StatusReportsAHealthySupplyUnlessTheSceneSaysOtherwise) {
    struct Case {
        double supply_v, temperature_c;
        bool voltage_alert, alarm;
    } cases[] = {{12.1, 38, false, false},
                 {10.0, 38, false, false},
                 {16.5, 38, true, true},
                 {12.1, 105, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.supply_v);
        sim::Scene s = fast_scene();
        s.board.supply_v = c.supply_v;
        s.board.temperature_c = c.temperature_c;
        BoardHost host(std::make_shared<AcquisitionBoard>(s));
        host.send(dsp::CMD_STATUS);
        auto p = host.read();
        ASSERT_TRUE(p);
        ASSERT_EQ(p->length, 8);
        EXPECT_EQ((get_le<std::uint32_t>(p->body, 0) & 8) != 0, c.voltage_alert);
        const bool alarm =
            get_le<std::uint16_t>(p->body, 4) > 100 || get_le<std::uint16_t>(p->body, 6) > 100;
        EXPECT_EQ(alarm, c.alarm);
    }
}

TEST(Board, PacketsAreReadAsAFirst64ByteTransferAndOneRoundedRest) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    host.send(dsp::msg::kSweep, sweep_record(100));
    auto run = host.read();
    ASSERT_TRUE(run);
    EXPECT_EQ(run->type, dsp::msg::kRunState);
    EXPECT_EQ(run->transfers, 1);
    auto p = host.read();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->length, 4 + 64 * 4);
    EXPECT_EQ(p->first_transfer, 64u);
    EXPECT_EQ(p->second_transfer, 4u + p->length - 64);
    EXPECT_EQ(p->start(), 0);
    EXPECT_EQ(p->count(), 64);
    p = host.read();  // the last 36 points
    ASSERT_TRUE(p);
    EXPECT_EQ(p->start(), 64);
    EXPECT_EQ(p->count(), 36);
}

// An idle board keeps silent, but for the bias current while the bias is on:
// the host listens for that one without a sweep.
TEST(Board, QueriesAreAnsweredWhileAStreamRunsAndTheBiasCurrentWhileTheBiasIsOn) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    host.send(dsp::msg::kBiasCurrent);
    host.send(dsp::msg::kCounterMarkers, Bytes(56, 0));
    EXPECT_FALSE(host.transfer_in(64, 50));

    host.send(dsp::msg::kOption, Bytes{0, 1, 0, 0});  // DC bias on, no reply
    host.send(dsp::msg::kCounterMarkers, Bytes(56, 0));
    EXPECT_FALSE(host.transfer_in(64, 50));
    host.send(dsp::msg::kBiasCurrent);
    auto idle = host.read_type(dsp::msg::kBiasCurrent);
    ASSERT_TRUE(idle);
    EXPECT_EQ(get_le<std::uint32_t>(idle->body, 0), 120u * 255u);  // 0.12 A in mA x 255

    host.send(dsp::msg::kTransmissionSweep, na_record(100000000, 1000000000, 101));
    host.send(dsp::msg::kBiasCurrent);
    auto p = host.read_type(dsp::msg::kBiasCurrent);
    ASSERT_TRUE(p);
    EXPECT_EQ(get_le<std::uint32_t>(p->body, 0), 120u * 255u);
    EXPECT_TRUE(host.stop());
}

TEST(Board, CounterMarkersCountTheNearestCarrier) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    host.send(dsp::msg::kSweep, sweep_record());
    Bytes q(56, 0);
    q[0] = 1;
    q[2] = 1;
    put_le<std::uint64_t>(q, 8, 940010000);   // 10 kHz off the -30 dBm carrier
    put_le<std::uint64_t>(q, 24, 930000000);  // nothing there
    host.send(dsp::msg::kCounterMarkers, q);
    auto p = host.read_type(dsp::msg::kCounterMarkers);
    ASSERT_TRUE(p);
    ASSERT_GE(p->length, 80);
    EXPECT_EQ(p->body[0], 1);
    EXPECT_EQ(p->body[1], 0);
    EXPECT_EQ(get_le<double>(p->body, 8), 940e6);
    EXPECT_NEAR(get_le<float>(p->body, 56), -30.0, 0.01);
    EXPECT_EQ(get_le<double>(p->body, 24), 930e6);
    EXPECT_LT(get_le<float>(p->body, 64), -90.0f);
    EXPECT_TRUE(host.stop());
}

// The counter counts whole hertz, not the scene's exact number.
TEST(Board, CounterMarkersReadToTheCountersResolution) {
    sim::Scene scene = fast_scene();
    scene.signals = {{940000123.4, -30, 0}};
    BoardHost host(std::make_shared<AcquisitionBoard>(scene));
    host.send(0x3001, sweep_record());
    Bytes q(56, 0);
    q[0] = 1;
    put_le<std::uint64_t>(q, 8, 940000000);
    host.send(0x300B, q);
    auto p = host.read_type(0x300B);
    ASSERT_TRUE(p);
    EXPECT_EQ(get_le<double>(p->body, 8), 940000123.0);
    EXPECT_TRUE(host.stop());
}

// A download chunk or table upload that reaches past what the board holds is
// refused, however its offset and length add up in 32 bits.
TEST(Board, DownloadsAndTablesPastTheBoardsMemoryAreRefused) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    for (std::uint32_t offset : {0xFFFFFFFFu, 0xFFFFFF00u, 0x10000000u}) {
        SCOPED_TRACE(offset);
        Bytes chunk(8 + 1000, 0x5A);
        put_le<std::uint32_t>(chunk, 0, offset);
        put_le<std::uint16_t>(chunk, 4, 1000);
        put_le<std::uint16_t>(chunk, 6, dsp::checksum(chunk.data() + 8, 1000));
        host.send(2, chunk);
        auto r = host.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(get_le<std::uint32_t>(r->body, 0), 1u);
        host.send(6);
        EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 1u);  // nothing to commit
    }
    for (std::uint32_t first : {0xFFFFFFFFu, 0xFFFFFF82u, 11265u}) {
        SCOPED_TRACE(first);
        Bytes table(1016, 0);
        put_le<std::uint32_t>(table, 0, first);
        put_le<std::uint16_t>(table, 4, 126);
        host.send(0x200B, table);
        EXPECT_EQ(host.read()->type, 0x200B);
        host.send(0x42);
        auto err = host.read();
        EXPECT_EQ(get_le<std::uint16_t>(err->body, 0), 3);
    }
}

TEST(Board, DownloadChecksumsAreVerified) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    Bytes chunk(8 + 100);
    for (int i = 0; i < 100; ++i) chunk[8 + i] = static_cast<std::uint8_t>(i * 7);
    put_le<std::uint32_t>(chunk, 0, 0);
    put_le<std::uint16_t>(chunk, 4, 100);
    put_le<std::uint16_t>(chunk, 6, dsp::checksum(chunk.data() + 8, 100));
    host.send(2, chunk);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 0u);
    host.send(6);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 0u);  // committed

    put_le<std::uint16_t>(chunk, 6, 1);  // wrong sum
    host.send(3, chunk);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 1u);
    host.send(dsp::CMD_ERROR_STATUS);
    auto err = host.read();
    EXPECT_EQ(get_le<std::uint16_t>(err->body, 0), 1);
    EXPECT_EQ(get_le<std::uint16_t>(err->body, 2), 3);
    host.send(7);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 1u);  // refused commit

    EXPECT_FALSE(host.send(11, Bytes(1021, 0)));  // larger than a command packet

    Bytes table(1016, 0);
    put_le<std::uint16_t>(table, 4, 2);
    table[8] = 9;  // the sum says 0
    host.send(dsp::msg::kStoreReflectionTracking, table);
    EXPECT_EQ(host.read()->type, dsp::msg::kStoreReflectionTracking);
    host.send(dsp::CMD_ERROR_STATUS);
    err = host.read();
    EXPECT_EQ(get_le<std::uint16_t>(err->body, 0), 3);
    EXPECT_EQ(get_le<std::uint16_t>(err->body, 2), dsp::msg::kStoreReflectionTracking);
}

TEST(Board, SpectrumResultsFollowTheirTrace) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    Bytes r = sweep_record();
    put_le<std::uint16_t>(r, 20, kPositivePeak);
    r.resize(48);
    put_le<std::uint64_t>(r, 40, 1000000);
    host.send(dsp::msg::kChannelPower, r);
    auto trace = host.collect(dsp::msg::kSweep, 705, 4);
    ASSERT_EQ(trace.size(), 705u * 4);
    EXPECT_NEAR(get_le<float>(trace, 352 * 4), -30.0, 0.05);  // the carrier at the centre
    auto cp = host.read_type(dsp::msg::kChannelPower);
    ASSERT_TRUE(cp);
    EXPECT_NEAR(get_le<float>(cp->body, 0), -30.0, 0.01);
    EXPECT_TRUE(host.stop());
}

// Sanitizer builds run a tenth of the sweeps to stay fast.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kManySweeps = 1000;
#else
constexpr int kManySweeps = 10000;
#endif

TEST(Board, KeepsUpOverManySweepsWithoutLossOrReordering) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    host.send(dsp::msg::kSweep, sweep_record());
    ASSERT_EQ(host.read()->type, dsp::msg::kRunState);
    int expect_start = 0;
    for (int sweep = 0; sweep < kManySweeps; ++sweep) {
        while (true) {
            auto p = host.read();
            ASSERT_TRUE(p);
            ASSERT_EQ(p->type, dsp::msg::kSweep);
            ASSERT_EQ(p->start(), expect_start) << "sweep " << sweep;
            expect_start = p->start() + p->count();
            if (expect_start == 705) break;
        }
        expect_start = 0;
    }
    EXPECT_TRUE(host.stop());
}

// The board corrects with the terms it solved from the standards; the first
// parameter block of an upload makes it forget them, and the uploaded tables
// correct again.
TEST(Board, SolvedTermsCorrectUntilAnUploadStartsAndUploadedTermsCorrectTheSweep) {
    sim::Scene s = fast_scene();
    s.dut.cable.length_m = 0;
    s.dut.faults.clear();
    s.dut.termination = sim::Termination::Load;
    s.dut.load_return_loss_db = 20;
    BoardHost host(std::make_shared<AcquisitionBoard>(s));
    const int n = 201;
    const Bytes setup = standard_setup(100000000, 3000000000, n);
    for (std::uint16_t id :
         {dsp::msg::kMeasureOpen, dsp::msg::kMeasureShort, dsp::msg::kMeasureLoad}) {
        host.stop();
        host.send(id, setup);
        ASSERT_TRUE(host.read_type(id));
    }
    host.stop();
    host.send(dsp::msg::kSolveOnePort);
    ASSERT_TRUE(host.read_type(dsp::msg::kSolveOnePort));
    const std::pair<std::uint16_t, std::uint16_t> pairs[] = {
        {dsp::msg::kFetchReflectionTracking, dsp::msg::kStoreReflectionTracking},
        {dsp::msg::kFetchSourceMatch, dsp::msg::kStoreSourceMatch},
        {dsp::msg::kFetchDirectivity, dsp::msg::kStoreDirectivity}};
    std::vector<Bytes> terms;
    for (auto [fetch, store] : pairs) {
        host.stop();
        host.send(fetch);
        terms.push_back(host.collect(fetch, n, 8));
    }
    const Bytes rec = na_record(100000000, 3000000000, n);
    host.stop();
    host.send(dsp::msg::kReflectionSweep, rec);
    Bytes solved = host.collect(dsp::msg::kReflectionSweep, n, 8);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(get_le<float>(solved, i * 8), -20.0, 0.01) << i;
    host.stop();
    host.send(dsp::msg::kVna13, setup);
    ASSERT_TRUE(host.read_type(dsp::msg::kVna13));
    host.stop();
    host.send(dsp::msg::kReflectionSweep, rec);
    Bytes raw = host.collect(dsp::msg::kReflectionSweep, n, 8);
    EXPECT_GT(std::abs(get_le<float>(raw, 100 * 8) + 20), 0.5);  // uncorrected is off
    host.stop();
    for (std::size_t k = 0; k < 3; ++k)
        ASSERT_TRUE(host.upload_table(pairs[k].second, terms[k], n));
    host.send(dsp::msg::kReflectionSweep, rec);
    Bytes fixed = host.collect(dsp::msg::kReflectionSweep, n, 8);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(get_le<float>(fixed, i * 8), -20.0, 0.01) << i;
    EXPECT_TRUE(host.stop());
}

// Each sample block (closed by the driver once more than 10,000 slots have
// come: 21 packets of 500) starts with the station's level; the samples
// around it run on without a gap. The station's 1 kHz tone at 20,000
// samples a second repeats every 20 samples, so a sample differs from the
// one 20 before only by the hiss under the carrier (at most 2 x 1 % of
// full scale); two lost samples would shift the tone by 36 degrees.
TEST(Board, AudioStreamCarriesTheLevelAtEachBlockStartAndTheSamplesRunOn) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    Bytes r(64, 0);
    put_le<std::uint64_t>(r, 0, 95500000);  // the scene's broadcast station
    put_le<std::uint16_t>(r, 18, 2);        // 100 kHz
    put_le<std::uint16_t>(r, 40, 2);        // FM
    put_le<std::uint16_t>(r, 56, 5000);
    host.send(dsp::msg::kDemodulationAudio, r);
    constexpr int kSlotsPerBlock = 10500, kPeriod = 20;
    constexpr double kFullScale = 32767.0 * 0.9, kHissBound = 2 * 0.01 * kFullScale + 2;
    int slots = 0, blocks = 0;
    std::vector<int> samples;
    while (slots < 25000) {
        auto p = host.read_type(dsp::msg::kDemodulationAudio);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->count(), 500);
        ASSERT_EQ(p->length, 4 + 2 * p->count());
        EXPECT_EQ(p->start(), slots % kSlotsPerBlock);
        std::size_t at = 4;
        if (p->start() == 0) {
            ++blocks;
            EXPECT_NEAR(get_le<float>(p->body, at), -40.0, 0.01);  // the station's level
            at += sizeof(float);
        }
        for (; at + 2 <= p->body.size(); at += 2)
            samples.push_back(static_cast<std::int16_t>(get_le<std::uint16_t>(p->body, at)));
        slots += p->count();
    }
    EXPECT_EQ(blocks, 3);
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(slots - 2 * blocks));
    double worst = 0;
    for (std::size_t n = kPeriod; n < samples.size(); ++n)
        worst = std::max(worst, std::abs(static_cast<double>(samples[n] - samples[n - kPeriod])));
    EXPECT_LT(worst, kHissBound);
    EXPECT_TRUE(host.stop());
}

// A message the scene leaves unanswered gets no replies in a spectrum or an
// audio stream either: a sweep left unanswered for good sends nothing while
// the queries around it are answered, and an audio stream whose first round
// is left out begins with the second.
TEST(Board, UnansweredSpectrumAndAudioStreamsSendNothing) {
    {
        sim::Scene s = fast_scene();
        s.board.unanswered = {{dsp::msg::kSweep, 0}};
        BoardHost host(std::make_shared<AcquisitionBoard>(s));
        host.send(dsp::msg::kSweep, sweep_record());
        for (int query = 0; query < 20; ++query) {
            ASSERT_TRUE(host.send(1));
            std::optional<sim::Packet> p;
            do {
                p = host.read();
                ASSERT_TRUE(p);
                ASSERT_NE(p->type, dsp::msg::kSweep) << "query " << query;
            } while (p->type != 1);
        }
        EXPECT_TRUE(host.stop());
    }
    sim::Scene s = fast_scene();
    s.board.unanswered = {{dsp::msg::kDemodulationAudio, 1}};
    BoardHost host(std::make_shared<AcquisitionBoard>(s));
    Bytes r(64, 0);
    put_le<std::uint64_t>(r, 0, 95500000);
    put_le<std::uint16_t>(r, 18, 2);
    put_le<std::uint16_t>(r, 40, 2);
    put_le<std::uint16_t>(r, 56, 5000);
    host.send(dsp::msg::kDemodulationAudio, r);
    auto first = host.read_type(dsp::msg::kDemodulationAudio);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->start(), first->count());
    EXPECT_TRUE(host.stop());
}

// The burst alone over the noise: no signal in the filter.
sim::Scene burst_scene() {
    sim::Scene s = fast_scene();
    s.signals.clear();
    return s;
}

TEST(Board, ZeroSpanShowsTheBurstEnvelope) {
    BoardHost host(std::make_shared<AcquisitionBoard>(burst_scene()));
    Bytes r = sweep_record(501);
    r.resize(48);
    put_le<std::uint32_t>(r, 40, 20);  // 20 ms: two periods of the 10 ms burst
    host.send(dsp::msg::kZeroSpan, r);
    Bytes t = host.collect(dsp::msg::kZeroSpan, 501, 4);
    ASSERT_EQ(t.size(), 501u * 4);
    int on = 0;
    for (int i = 0; i < 501; ++i) {
        const float v = get_le<float>(t, static_cast<std::size_t>(i) * 4);
        if (v > -35) {
            EXPECT_NEAR(v, -30.0, 0.01);
            ++on;
        }
    }
    EXPECT_NEAR(on / 501.0, 0.4, 0.01);  // on 4 ms of every 10
    EXPECT_TRUE(host.stop());
}

// A video trigger (mode 5 continuous, 2 single) starts each trace at a rising
// edge of the burst plus its delay (tenths of a millisecond at 38); with its
// level (hundredths of a dBm at 36) above the burst no trace comes.
TEST(Board, ZeroSpanWaitsForTheVideoTrigger) {
    constexpr int kPoints = 501;
    constexpr double kTraceMs = 20, kPeriod = 10, kOn = 4, kDelay = 2.5;
    for (std::uint16_t mode : {std::uint16_t{5}, std::uint16_t{2}}) {
        BoardHost host(std::make_shared<AcquisitionBoard>(burst_scene()));
        Bytes r = sweep_record(kPoints);
        r.resize(48);
        put_le<std::uint32_t>(r, 40, static_cast<std::uint32_t>(kTraceMs));
        put_le<std::uint16_t>(r, 32, mode);
        put_le<std::int16_t>(r, 36, -3500);  // -35 dBm
        put_le<std::uint16_t>(r, 38, static_cast<std::uint16_t>(kDelay * 10));
        host.send(dsp::msg::kZeroSpan, r);
        Bytes t = host.collect(dsp::msg::kZeroSpan, kPoints, 4);
        ASSERT_EQ(t.size(), size_t{kPoints} * 4);
        for (int i = 0; i < kPoints; ++i) {
            const double at = kTraceMs * i / (kPoints - 1) + kDelay;
            const bool high = std::fmod(at, kPeriod) < kOn;
            const float v = get_le<float>(t, static_cast<std::size_t>(i) * 4);
            EXPECT_EQ(v > -35, high) << "point " << i;
        }
        EXPECT_TRUE(host.stop());
    }
    // The level above the burst (-30 dBm): the run state, then no trace.
    BoardHost host(std::make_shared<AcquisitionBoard>(burst_scene()));
    Bytes r = sweep_record(kPoints);
    r.resize(48);
    put_le<std::uint32_t>(r, 40, static_cast<std::uint32_t>(kTraceMs));
    put_le<std::uint16_t>(r, 32, 5);
    put_le<std::int16_t>(r, 36, -2000);
    host.send(dsp::msg::kZeroSpan, r);
    auto run = host.read();
    ASSERT_TRUE(run);
    EXPECT_EQ(run->type, dsp::LOW_RUN);
    EXPECT_FALSE(host.read(200));
    EXPECT_TRUE(host.stop());
}

// A signal with `off_after_s` is left out of the sweeps that start later.
TEST(Board, ASignalSwitchedOffLeavesTheLaterSweeps) {
    sim::Scene s = fast_scene();
    s.signals = {{940e6, -30.0, 0}};
    s.signals[0].off_after_s = 5;
    sim::SpectrumModel model(s);
    sim::SpectrumSettings settings;
    settings.centre_hz = 940e6;
    settings.span_hz = 1e6;
    settings.points = 101;
    const auto peak = [&] {
        const auto trace = model.sweep(settings);
        return *std::max_element(trace.begin(), trace.end());
    };
    model.set_elapsed(4.9);
    EXPECT_NEAR(peak(), -30.0, 0.1);
    model.set_elapsed(5.0);
    EXPECT_LT(peak(), -60.0);
}

// A signal with `off_event` stays in every sweep until whoever runs the board
// sets that event; the sweeps that start later leave it out, and only those
// already queued ahead of the host still carry it.
TEST(Board, ASignalSwitchedOffByItsEventLeavesTheLaterSweeps) {
    sim::Scene s = fast_scene();
    s.signals = {{940e6, -30.0, 0}};
    s.signals[0].off_event = "BoardTestCarrierOff";
    BoardHost host(std::make_shared<AcquisitionBoard>(s));
    host.send(dsp::msg::kSweep, sweep_record());
    const auto carrier = [&] {
        const Bytes trace = host.collect(dsp::msg::kSweep, 705, 4);
        EXPECT_EQ(trace.size(), 705u * 4);
        return trace.size() == 705u * 4 ? get_le<float>(trace, 352 * 4) : 0.0f;
    };
    for (int sweep = 0; sweep < 20; ++sweep) ASSERT_NEAR(carrier(), -30.0, 0.05) << sweep;
    plat::Event off = plat::Event::open("BoardTestCarrierOff");
    ASSERT_TRUE(off);
    off.set();
    // The board keeps at most kMaxQueuedBytes ahead, a few whole sweeps.
    const int queued = int(AcquisitionBoard::kMaxQueuedBytes / (705 * 4)) + 2;
    int on = 0;
    while (on <= queued && carrier() > -60) ++on;
    EXPECT_LE(on, queued);
    for (int sweep = 0; sweep < 5; ++sweep) EXPECT_LT(carrier(), -60.0) << sweep;
    EXPECT_TRUE(host.stop());
}

TEST(Board, SweepsArePacedByTheSweepTime) {
    sim::Scene s = fast_scene();
    s.time_scale = 1;
    s.receiver.min_sweep_ms = 100;
    BoardHost host(std::make_shared<AcquisitionBoard>(s));
    host.send(dsp::msg::kSweep, sweep_record(101));
    const auto t0 = std::chrono::steady_clock::now();
    for (int sweep = 0; sweep < 3; ++sweep)
        ASSERT_TRUE(host.collect(dsp::msg::kSweep, 101, 4).size());
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    EXPECT_GE(ms, 150);  // at least two whole sweeps of 100 ms lie between
    EXPECT_TRUE(host.stop());
}

// On a virtual clock the board sweeps on the program's time: each packet of
// a sweep comes when the clock reaches its turn, and a sweep time later the
// next sweep has ended.
TEST(Board, SweepsFollowThePlatformClock) {
    plat::VirtualClock clock;  // moved by the test alone
    sim::Scene s = fast_scene();
    s.time_scale = 1;
    s.receiver.min_sweep_ms = 100;  // 101 points: two packets, 50 ms apart
    BoardHost host(std::make_shared<AcquisitionBoard>(s));
    const uint64_t t0 = clock.now();
    ASSERT_TRUE(host.send(dsp::msg::kSweep, sweep_record(101)));
    auto run = host.read();  // the run state, read so that the board goes on
    ASSERT_TRUE(run);
    EXPECT_EQ(run->type, dsp::LOW_RUN);
    // Moves time to the board's next deadline once it has settled into its
    // wait, and answers the sweep packets sent by then with their times.
    std::vector<std::pair<uint64_t, bool>> ends;  // time, whether it ended a sweep
    const auto settle_and_read = [&] {
        while (clock.next_deadline() <= clock.now()) std::this_thread::yield();
        while (auto p = host.read(0))
            if (p->type == dsp::msg::kSweep)
                ends.emplace_back(clock.now() - t0, p->start() + p->count() == 101);
    };
    settle_and_read();
    while (ends.size() < 6) {
        clock.advance(clock.next_deadline() - clock.now());
        settle_and_read();
    }
    // The first packet at once (or a millisecond on, when the board first
    // waited for the run state to be read), then one every 50 ms; every
    // second one ends a sweep.
    ASSERT_LE(ends[0].first, 1u);
    ends[0].first = 0;
    const std::vector<std::pair<uint64_t, bool>> want = {{0, false},  {50, true},   {100, false},
                                                         {150, true}, {200, false}, {250, true}};
    EXPECT_EQ(ends, want);
    EXPECT_TRUE(host.stop());
}

// A distance-to-fault sweep comes in blocks of its own message number, but
// one that takes a second or more is streamed as it goes in blocks of the
// frequency sweep's number; both carry the transform, which peaks at the
// scene's fault (an ideal reflectometer; the cable ends in a matched load).
TEST(Board, ALongDistanceToFaultSweepIsStreamedInBlocksOfTheFrequencySweep) {
    constexpr int n = 353;
    struct Case {
        double sweep_ms;
        std::uint16_t blocks;
    } cases[] = {{0, dsp::msg::kDistanceToFault},
                 {999, dsp::msg::kDistanceToFault},
                 {1000, dsp::msg::kReflectionSweep}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sweep_ms);
        sim::Scene s = fast_scene();
        s.dut.cable.length_m = 19;
        s.dut.cable.velocity_factor = 0.85;
        s.dut.faults = {{12.0, 26.0}};
        s.dut.termination = sim::Termination::Load;
        s.dut.load_return_loss_db = 60;
        s.terms.directivity_db = s.terms.source_match_db = 300;  // an ideal reflectometer
        s.terms.reflection_tracking_db = s.terms.tracking_delay_ns = 0;
        s.board.dtf_sweep_ms = c.sweep_ms;
        BoardHost host(std::make_shared<AcquisitionBoard>(s));
        Bytes r(56, 0);
        put_le<std::uint64_t>(r, 0, 500000000);
        put_le<std::uint64_t>(r, 8, 1500000000);
        put_le<std::uint16_t>(r, 16, n);
        put_le<float>(r, 28, 20.0f);  // 0 to 20 m
        put_le<std::uint32_t>(r, 32, 8500);
        ASSERT_TRUE(host.send(dsp::msg::kDistanceToFault, r));
        const Bytes trace = host.collect(c.blocks, n, 8);
        ASSERT_EQ(trace.size(), std::size_t{n} * 8);
        int peak = 0;
        for (int i = 1; i < n; ++i)
            if (get_le<float>(trace, i * 8) > get_le<float>(trace, peak * 8)) peak = i;
        const double bin = 20.0 / (n - 1);
        EXPECT_NEAR(peak * bin, 12.0, bin);
        EXPECT_TRUE(host.stop());
    }
}

TEST(Board, FactoryReadsTheDeviceRootsSceneOrFallsBackToTheDefault) {
    const auto root =
        std::filesystem::temp_directory_path() / ("sim_factory_" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    { std::ofstream(sim::scene_path(root)) << R"({"board": {"serial": "FROMFILE"}})"; }
    EXPECT_EQ(sim::create_simulated_board(root)->scene().board.serial, "FROMFILE");
    // A malformed file, or one with a problem anywhere, gives the default world.
    for (const char* text :
         {"{\n\"board\": {\"serial\": }\n}", R"({"board": {"serial": "FROMFILE", "seriall": 1}})",
          R"({"board": {"serial": "FROMFILE"}, "dut": {"cable": {"length_m": -3}}})"}) {
        std::ofstream(sim::scene_path(root)) << text;
        EXPECT_EQ(sim::create_simulated_board(root)->scene().board.serial, "SIM00001") << text;
    }
    std::filesystem::remove_all(root);
    EXPECT_EQ(sim::create_simulated_board(root)->scene().dut.cable.length_m, 30);
}

// The scene can name a file in the device root that records every command
// packet; a name with a path in it is ignored.
TEST(Board, CommandLogRecordsEveryPacketInTheDeviceRoot) {
    const auto root =
        std::filesystem::temp_directory_path() / ("sim_log_" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    { std::ofstream(sim::scene_path(root)) << R"({"board": {"command_log": "cmd.log"}})"; }
    {
        BoardHost host(sim::create_simulated_board(root));
        ASSERT_TRUE(host.send(0x1234, Bytes{0x01, 0xAB}));
        ASSERT_TRUE(host.send(0x0042));
    }
    std::ifstream in(root / "cmd.log");
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "1234: 01 AB");
    EXPECT_EQ(second, "0042:");
    { std::ofstream(sim::scene_path(root)) << R"({"board": {"command_log": "../out.log"}})"; }
    {
        BoardHost host(sim::create_simulated_board(root));
        ASSERT_TRUE(host.send(0x1234));
    }
    EXPECT_FALSE(std::filesystem::exists(root.parent_path() / "out.log"));
    std::filesystem::remove_all(root);
}

// Solved, and again uploaded after an upload's first block made the board
// forget them, the thru and isolation terms correct the gain sweep.
TEST(Board, ThruAndIsolationTermsCorrectTheGainSweep) {
    BoardHost host(std::make_shared<AcquisitionBoard>(fast_scene()));
    const int n = 101;
    const Bytes setup = standard_setup(100000000, 2000000000, n);
    for (std::uint16_t id :
         {dsp::msg::kMeasureThrough, dsp::msg::kMeasureIsolation, dsp::msg::kSolveTwoPort}) {
        host.stop();
        host.send(id, id == dsp::msg::kSolveTwoPort ? Bytes{} : setup);
        ASSERT_TRUE(host.read_type(id));
    }
    const Bytes rec = na_record(100000000, 2000000000, n);
    host.stop();
    host.send(dsp::msg::kTransmissionSweep, rec);
    Bytes solved = host.collect(dsp::msg::kTransmissionSweep, n, 8);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(get_le<float>(solved, i * 8u), 20.0, 0.01) << i;
    std::vector<Bytes> terms;
    for (std::uint16_t fetch : {dsp::msg::kFetchTransmissionTracking, dsp::msg::kFetchIsolation}) {
        host.stop();
        host.send(fetch);
        terms.push_back(host.collect(fetch, n, 8));
    }
    host.stop();
    host.send(dsp::msg::kVna13, setup);
    ASSERT_TRUE(host.read_type(dsp::msg::kVna13));
    host.stop();
    host.send(dsp::msg::kTransmissionSweep, rec);
    Bytes raw = host.collect(dsp::msg::kTransmissionSweep, n, 8);
    EXPECT_NEAR(get_le<float>(raw, 50 * 8), 20.0 - 2.0, 0.01);  // through the raw tracking
    host.stop();
    ASSERT_TRUE(host.upload_table(dsp::msg::kStoreTransmissionTracking, terms[0], n));
    ASSERT_TRUE(host.upload_table(dsp::msg::kStoreIsolation, terms[1], n));
    host.send(dsp::msg::kTransmissionSweep, rec);
    Bytes fixed = host.collect(dsp::msg::kTransmissionSweep, n, 8);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(get_le<float>(fixed, i * 8u), 20.0, 0.01) << i;
    EXPECT_TRUE(host.stop());
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>

#include "sim/tools/board_host.h"

namespace {

using sim::AcquisitionBoard;
using sim::BoardHost;
using sim::Bytes;
using sim::get_le;
using sim::put_le;

sim::Scene fast_scene() {
    sim::Scene s = sim::default_scene();
    s.time_scale = 0;
    s.receiver.noise_variation = false;
    return s;
}

Bytes sweep_record(int points = 705) {
    Bytes r(40, 0);
    put_le<std::uint64_t>(r, 0, 940000000);
    put_le<std::uint64_t>(r, 8, 20000000);
    put_le<std::uint16_t>(r, 18, 3);  // 30 kHz
    put_le<std::uint16_t>(r, 20, 3);
    put_le<std::uint16_t>(r, 22, static_cast<std::uint16_t>(points));
    return r;
}

TEST(Board, VersionReplyCarriesIdentityAndOptionBit) {
    for (bool option : {true, false}) {
        sim::Scene s = fast_scene();
        s.board.option_bit = option;
        AcquisitionBoard board(s);
        BoardHost host(board);
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
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    host.send(0x41);  // idle stop is echoed too
    auto echo = host.read();
    ASSERT_TRUE(echo);
    EXPECT_EQ(echo->type, 0x0041);
    EXPECT_EQ(echo->length, 60);  // a whole 64-byte transfer
    EXPECT_EQ(board.bulk_in(nullptr, 0, 20), -1);

    host.send(0x3001, sweep_record());
    // Let the board fill the pipe, then stop without reading.
    for (int i = 0; i < 200 && board.queued_transfers() < 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_GT(board.queued_transfers(), 1u);
    host.send(0x41);
    auto p = host.read();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, 0x0041);
    EXPECT_FALSE(board.streaming());
    std::uint8_t buf[64];
    EXPECT_EQ(board.bulk_in(buf, sizeof buf, 30), -1);
}

TEST(Board, PacketsAreSegmentedIntoAFirst64ByteTransferAndOneRoundedRest) {
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    host.send(0x3001, sweep_record(100));
    std::uint8_t buf[2048];
    int n = board.bulk_in(buf, sizeof buf, 1000);  // the run-state packet
    ASSERT_EQ(n, 64);
    EXPECT_EQ(get_le<std::uint16_t>(Bytes(buf, buf + 2), 0), 0x0060);
    n = board.bulk_in(buf, sizeof buf, 1000);
    ASSERT_EQ(n, 64);
    const auto length = static_cast<std::uint16_t>(buf[2] | buf[3] << 8);
    EXPECT_EQ(length, 4 + 64 * 4);
    n = board.bulk_in(buf, sizeof buf, 1000);
    EXPECT_EQ(n, 64 * ((4 + length + 63) / 64 - 1));
}

TEST(Board, QueriesAreAnsweredOnlyWhileAStreamRuns) {
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    host.send(0x2016, Bytes{0, 1, 0, 0});  // DC bias on, no reply
    host.send(0x2017);
    std::uint8_t buf[64];
    EXPECT_EQ(board.bulk_in(buf, sizeof buf, 50), -1);

    Bytes rec(32, 0);
    put_le<std::uint32_t>(rec, 0, 101);
    put_le<std::uint64_t>(rec, 4, 100000000);
    put_le<std::uint64_t>(rec, 12, 1000000000);
    host.send(0x2002, rec);
    host.send(0x2017);
    auto p = host.read_type(0x2017);
    ASSERT_TRUE(p);
    EXPECT_EQ(get_le<std::uint32_t>(p->body, 0), 120u * 255u);  // 0.12 A in mA x 255
    EXPECT_TRUE(host.stop());
}

TEST(Board, CommandReplyGoesAheadOfQueuedData) {
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    host.send(0x3001, sweep_record());
    for (int i = 0; i < 200 && board.queued_transfers() < 10; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    host.send(4);
    auto p = host.read();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, 4);
    EXPECT_EQ(p->length, 8);
    EXPECT_EQ(get_le<std::uint16_t>(p->body, 6), 38);  // temperature
    EXPECT_TRUE(host.stop());
}

TEST(Board, DownloadChecksumsAreVerified) {
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    Bytes chunk(8 + 100);
    for (int i = 0; i < 100; ++i) chunk[8 + i] = static_cast<std::uint8_t>(i * 7);
    put_le<std::uint32_t>(chunk, 0, 0);
    put_le<std::uint16_t>(chunk, 4, 100);
    put_le<std::uint16_t>(chunk, 6, sim::byte_sum(chunk.data() + 8, 100));
    host.send(2, chunk);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 0u);
    host.send(6);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 0u);  // committed

    put_le<std::uint16_t>(chunk, 6, 1);  // wrong sum
    host.send(3, chunk);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 1u);
    host.send(0x42);
    auto err = host.read();
    EXPECT_EQ(get_le<std::uint16_t>(err->body, 0), 1);
    EXPECT_EQ(get_le<std::uint16_t>(err->body, 2), 3);
    host.send(7);
    EXPECT_EQ(get_le<std::uint32_t>(host.read()->body, 0), 1u);  // refused commit

    EXPECT_FALSE(host.send(11, Bytes(1021, 0)));  // larger than a command packet
}

TEST(Board, SpectrumResultsFollowTheirTrace) {
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    Bytes r = sweep_record();
    put_le<std::uint16_t>(r, 20, 0);  // peak detection
    r.resize(48);
    put_le<std::uint64_t>(r, 40, 1000000);
    host.send(0x3003, r);
    auto trace = host.collect(0x3001, 705, 4);
    ASSERT_EQ(trace.size(), 705u * 4);
    EXPECT_NEAR(get_le<float>(trace, 352 * 4), -30.0, 0.05);  // the carrier at the centre
    auto cp = host.read_type(0x3003);
    ASSERT_TRUE(cp);
    EXPECT_NEAR(get_le<float>(cp->body, 0), -30.0, 0.01);
    EXPECT_TRUE(host.stop());
}

TEST(Board, KeepsUpOverManySweepsWithoutLossOrReordering) {
    AcquisitionBoard board(fast_scene());
    BoardHost host(board);
    host.send(0x3001, sweep_record());
    ASSERT_EQ(host.read()->type, 0x0060);
    int expect_start = 0;
    for (int sweep = 0; sweep < 10000; ++sweep) {
        while (true) {
            auto p = host.read();
            ASSERT_TRUE(p);
            ASSERT_EQ(p->type, 0x3001);
            ASSERT_EQ(p->start(), expect_start) << "sweep " << sweep;
            expect_start = p->start() + p->count();
            if (expect_start == 705) break;
        }
        expect_start = 0;
    }
    EXPECT_TRUE(host.stop());
}

TEST(Board, TermsUploadedCorrectTheSweep) {
    sim::Scene s = fast_scene();
    s.dut.cable.length_m = 0;
    s.dut.faults.clear();
    s.dut.termination = sim::Termination::Load;
    s.dut.load_return_loss_db = 20;
    AcquisitionBoard board(s);
    BoardHost host(board);
    const int n = 201;
    Bytes setup(24, 0);
    put_le<std::uint64_t>(setup, 0, 100000000);
    put_le<std::uint64_t>(setup, 8, 3000000000);
    put_le<std::uint16_t>(setup, 16, n);
    for (std::uint16_t id : {0x2005, 0x2006, 0x2007}) {
        host.stop();
        host.send(id, setup);
        ASSERT_TRUE(host.read_type(id));
    }
    host.stop();
    host.send(0x2009);
    ASSERT_TRUE(host.read_type(0x2009));
    const std::pair<std::uint16_t, std::uint16_t> pairs[] = {
        {0x200A, 0x200B}, {0x200C, 0x200D}, {0x200E, 0x200F}};
    std::vector<Bytes> terms;
    for (auto [fetch, store] : pairs) {
        host.stop();
        host.send(fetch);
        terms.push_back(host.collect(fetch, n, 8));
    }
    Bytes rec(32, 0);
    put_le<std::uint32_t>(rec, 0, n);
    put_le<std::uint64_t>(rec, 4, 100000000);
    put_le<std::uint64_t>(rec, 12, 3000000000);
    host.stop();
    host.send(0x2001, rec);
    Bytes raw = host.collect(0x2001, n, 8);
    EXPECT_GT(std::abs(get_le<float>(raw, 100 * 8) + 20), 0.5);  // uncorrected is off
    host.stop();
    for (std::size_t k = 0; k < 3; ++k) {
        for (int first = 0; first < n; first += 126) {
            const int cnt = std::min(126, n - first);
            Bytes p(1016, 0);
            put_le<std::uint32_t>(p, 0, first);
            put_le<std::uint16_t>(p, 4, cnt);
            std::memcpy(p.data() + 8, terms[k].data() + first * 8, cnt * 8);
            put_le<std::uint16_t>(p, 6, sim::byte_sum(p.data() + 8, cnt * 8));
            host.send(pairs[k].second, p);
            auto echo = host.read();
            ASSERT_TRUE(echo);
            EXPECT_EQ(echo->type, pairs[k].second);
        }
    }
    host.send(0x2001, rec);
    Bytes fixed = host.collect(0x2001, n, 8);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(get_le<float>(fixed, i * 8), -20.0, 0.01) << i;
    EXPECT_TRUE(host.stop());
}

}  // namespace

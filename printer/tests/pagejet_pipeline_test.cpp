// The raster pipeline on its own: row compression and the halftone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/debug_out.h"
#include "printer/pagejet_job.h"
#include "printer/pagejet_raster.h"

namespace {

using namespace pagejet;

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(uint8_t(b));
    return v;
}

// A job of `bytes_per_row` bytes a plane row whose stream stays in its send
// buffer (nothing is flushed while a test row is written).
struct RowJob {
    PrintJobContext j;
    explicit RowJob(int bytes_per_row, int mode = kModeRaw) {
        EXPECT_TRUE(PagejetSetupJob(j, false, 1, 300, bytes_per_row * 8, 1, false));
        j.compression = mode;
    }
    ~RowJob() { PagejetFreeJob(j); }
    std::string Send(const std::vector<uint8_t>& row, std::vector<uint8_t>& seed) {
        j.fill = 0;
        EXPECT_EQ(PagejetChooseCompression(j, row.data(), seed.data(), kPlaneK), 1);
        return std::string(reinterpret_cast<const char*>(j.send_buffer.data()), j.fill);
    }
};

std::string Esc(const std::string& s) {
    return "\x1b" + s;
}
std::string Raw(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

TEST(PagejetCompression, EachRowTakesTheCheapestCodingWithTiesGoingRawThenPackBits) {
    std::vector<uint8_t> incompressible(16);
    for (int i = 0; i < 16; ++i) incompressible[size_t(i)] = uint8_t(i * 37 + 1);
    const std::vector<uint8_t> zeros16(16, 0);
    auto padded = [](std::vector<uint8_t> v, size_t n) {
        v.resize(n, 0);
        return v;
    };
    const struct {
        const char* name;
        int start_mode;
        std::vector<uint8_t> seed, row;
        std::string stream;
        bool seed_cleared;
    } cases[] = {
        {"empty row", kModePackBits, padded(Bytes({9, 9}), 16), zeros16, Esc("*b0M") + Esc("*b0W"),
         true},
        {"empty row, mode already raw", kModeRaw, zeros16, zeros16, Esc("*b0W"), true},
        {"incompressible", kModeRaw, zeros16, incompressible, Esc("*b16W") + Raw(incompressible),
         false},
        {"equal to the seed", kModeRaw, incompressible, incompressible, Esc("*b3M") + Esc("*b0W"),
         false},
        {"three-way tie goes raw", kModePackBits, padded(Bytes({5}), 16), padded(Bytes({5, 5}), 16),
         Esc("*b0M") + Esc("*b2W") + Raw(Bytes({5, 5})), false},
        {"PackBits equal to the raw length goes raw", kModeRaw, zeros16,
         padded(Bytes({5, 5, 5, 1}), 16), Esc("*b4W") + Raw(Bytes({5, 5, 5, 1})), false},
        {"delta equal to PackBits goes mode 2", kModeRaw, padded(Bytes({3, 3, 3, 3, 3}), 16),
         padded(Bytes({3, 3, 3, 3, 3, 3}), 16), Esc("*b2M") + Esc("*b2W") + Raw(Bytes({0xFB, 3})),
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowJob job(16, c.start_mode);
        std::vector<uint8_t> seed = c.seed;
        EXPECT_EQ(job.Send(c.row, seed), c.stream);
        EXPECT_EQ(seed, c.seed_cleared ? zeros16 : c.row);
    }
}

TEST(PagejetCompression, LongRunsPackIntoBlocksOf128) {
    RowJob job(300);
    std::vector<uint8_t> seed(300, 0);
    const std::vector<uint8_t> row(300, 0xAA);
    EXPECT_EQ(job.Send(row, seed),
              Esc("*b2M") + Esc("*b6W") + Raw(Bytes({0x81, 0xAA, 0x81, 0xAA, 0xD5, 0xAA})));
    EXPECT_EQ(PagejetPackBits(row.data(), 1, nullptr), 2);

    // A literal longer than 126 bytes leaves in a block of 126 first.
    std::vector<uint8_t> ramp(200);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
    std::vector<uint8_t> out(300);
    ASSERT_EQ(PagejetPackBits(ramp.data(), 200, out.data()), 202);
    EXPECT_EQ(out[0], 125);
    EXPECT_EQ(out[127], 200 - 126 - 1);
}

TEST(PagejetCompression, DeltaOffsetsAndRunsAreCodedInCommandsOfEightBytes) {
    const struct {
        int offset;
        std::vector<uint8_t> coded;
    } offsets[] = {{30, Bytes({0x1E, 0x77})},
                   {31, Bytes({0x1F, 0x00, 0x77})},
                   {286, Bytes({0x1F, 0xFF, 0x00, 0x77})},
                   {287, Bytes({0x1F, 0xFF, 0x01, 0x77})}};
    for (const auto& c : offsets) {
        SCOPED_TRACE(c.offset);
        RowJob job(400);
        std::vector<uint8_t> seed(400, 0), row(400, 0);
        row[size_t(c.offset)] = 0x77;
        EXPECT_EQ(job.Send(row, seed),
                  Esc("*b3M") + Esc("*b" + std::to_string(c.coded.size()) + "W") + Raw(c.coded));
    }
    // Runs of 9 and 17 changed bytes: commands of 8, 8 and 1, the later ones
    // at offset 0.
    for (int run : {9, 17}) {
        std::vector<uint8_t> seed(64, 0), row(64, 0), out(64);
        for (int i = 0; i < run; ++i) row[size_t(4 + i)] = uint8_t(i + 1);
        const int size = PagejetDeltaRow(row.data(), 64, out.data(), seed.data());
        ASSERT_EQ(size, run + (run + 7) / 8);
        EXPECT_EQ(out[0], 0xE4);  // 8 bytes at offset 4
        EXPECT_EQ(out[9], run == 9 ? 0x00 : 0xE0);
    }
    // A coding that would reach the row's length does not fit.
    std::vector<uint8_t> seed(9, 0), out(9);
    std::vector<uint8_t> row = Bytes({1, 2, 3, 4, 5, 6, 7, 0, 0});
    EXPECT_EQ(PagejetDeltaRow(row.data(), 9, out.data(), seed.data()), 8);
    row[7] = 8;
    EXPECT_EQ(PagejetDeltaRow(row.data(), 9, out.data(), seed.data()), kNoFit);
}

// Colour planes under a K mask carry their ink forward as error. However
// long the mask lasts, the error saturates instead of wrapping round to a
// negative sum, so the ink comes out as soon as the mask lifts.
TEST(PagejetHalftone, ErrorUnderALongMaskSaturatesAndPrintsWhenTheMaskLifts) {
    plat::set_debug_to_stderr(false);
    PrintJobContext j;
    constexpr int kPixels = 64;
    ASSERT_TRUE(PagejetSetupJob(j, true, 1, 300, kPixels, 100, false));
    PlaneState& cyan = j.planes[kPlaneC];
    std::vector<uint8_t> full_mask(8, 0xFF), no_mask(8, 0);
    for (int row = 0; row < 40; ++row) {
        std::fill(cyan.values.begin(), cyan.values.end(), int16_t(8000));
        j.fill = 0;
        PagejetHalftonePlane(j, cyan, j.color_bits.data(), full_mask.data(), kPlaneC);
        ++j.rows_sent;
        for (uint8_t b : j.color_bits) ASSERT_EQ(b, 0);
        for (int16_t e : cyan.error) ASSERT_GE(e, 0) << "row " << row;
    }
    std::fill(cyan.values.begin(), cyan.values.end(), int16_t(8000));
    j.fill = 0;
    PagejetHalftonePlane(j, cyan, j.color_bits.data(), no_mask.data(), kPlaneC);
    int dots = 0;
    for (uint8_t b : j.color_bits) dots += __builtin_popcount(b);
    EXPECT_EQ(dots, kPixels);
    PagejetFreeJob(j);
}

}  // namespace

// Bitmap and PNG files: exact layout, round trips, ImageMagick's reading of
// them, and refusal of damaged files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "platform/gfx/dib.h"
#include "platform/gfx/image_file.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

class ImageFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("gfx-files-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Output of ImageMagick's identify for a file, or "" when it fails.
    static std::string identify(const fs::path& file, const char* format) {
        std::string cmd =
            std::string("identify -format '") + format + "' '" + file.string() + "' 2>&1";
        std::unique_ptr<FILE, decltype(&pclose)> p(popen(cmd.c_str(), "r"), pclose);
        std::string out;
        std::array<char, 256> buf{};
        while (p && fgets(buf.data(), buf.size(), p.get())) out += buf.data();
        return out;
    }

    // A bitmap whose colours survive 16-bit storage (components with the
    // bottom bits replicated from the top, as expansion gives).
    static Bitmap pattern(int w, int h, bool five_bit) {
        Bitmap b = Bitmap::create(w, h);
        std::mt19937 rng(11);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                COLORREF c = rng() & 0xFFFFFF;
                b.set_pixel(x, y, five_bit ? from_x1r5g5b5(to_x1r5g5b5(c)) : c);
            }
        return b;
    }

    fs::path dir_;
};

TEST_F(ImageFiles, SixteenBitScreenImageHasTheExpectedLayoutAndReadsBack) {
    Bitmap screen = pattern(800, 595, true);
    const fs::path file = dir_ / "Screen.bmp";
    ASSERT_TRUE(write_bmp_file(file, screen, 16));
    EXPECT_EQ(fs::file_size(file), 952054u);
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    auto u32 = [&](size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
    };
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32(2), 952054u);
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 800u);
    EXPECT_EQ(u32(22), 595u);
    EXPECT_EQ(bytes[26] | bytes[27] << 8, 1);
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 16);
    EXPECT_EQ(u32(30), 0u);
    EXPECT_EQ(u32(34), 800u * 595u * 2u);
    for (size_t at = 38; at < 54; ++at) EXPECT_EQ(bytes[at], 0) << at;
    // Bottom-up: the first stored pixel is the bottom-left one.
    EXPECT_EQ(bytes[54] | bytes[55] << 8, to_x1r5g5b5(screen.pixel(0, 594)));

    BmpReadResult back = read_bmp_file(file);
    ASSERT_TRUE(back) << back.error;
    ASSERT_EQ(back.bitmap.size(), screen.size());
    EXPECT_EQ(std::memcmp(back.bitmap.pixels(), screen.pixels(), 800 * 595 * 4), 0);
    EXPECT_EQ(identify(file, "%w %h %m"), "800 595 BMP3");
}

TEST_F(ImageFiles, PureColoursPackAsFiveBitFields) {
    EXPECT_EQ(to_x1r5g5b5(RGB(255, 0, 0)), 0x7C00);
    EXPECT_EQ(to_x1r5g5b5(RGB(255, 255, 255)), 0x7FFF);
    EXPECT_EQ(to_x1r5g5b5(RGB(0, 255, 0)), 0x03E0);
    EXPECT_EQ(from_x1r5g5b5(0x7FFF), RGB(255, 255, 255));
    EXPECT_EQ(from_x1r5g5b5(0x001F), RGB(0, 0, 255));
}

TEST_F(ImageFiles, TwentyFourBitFilesRoundTripAndPadRows) {
    // Odd widths exercise the row padding.
    for (int w : {1, 3, 800}) {
        Bitmap b = pattern(w, 7, false);
        const fs::path file = dir_ / ("c" + std::to_string(w) + ".bmp");
        ASSERT_TRUE(write_bmp_file(file, b, 24));
        EXPECT_EQ(fs::file_size(file), 54u + dib_row_bytes(w, 24) * 7);
        BmpReadResult back = read_bmp_file(file);
        ASSERT_TRUE(back) << back.error;
        EXPECT_EQ(std::memcmp(back.bitmap.pixels(), b.pixels(), size_t(w) * 7 * 4), 0) << w;
        EXPECT_EQ(identify(file, "%w %h"), std::to_string(w) + " 7");
        // ImageMagick reads the same colour at a probe pixel.
        const COLORREF c = b.pixel(w - 1, 6);
        char expect[64];
        std::snprintf(expect, sizeof expect, "%d,%d,%d", GetRValue(c), GetGValue(c), GetBValue(c));
        EXPECT_EQ(identify(file, ("%[fx:int(255*p{" + std::to_string(w - 1) +
                                  ",6}.r)],%[fx:int(255*p{" + std::to_string(w - 1) +
                                  ",6}.g)],%[fx:int(255*p{" + std::to_string(w - 1) + ",6}.b)]")
                                     .c_str()),
                  expect);
    }
}

TEST_F(ImageFiles, PngScreenshotOpensInImageMagick) {
    Bitmap b = pattern(800, 600, false);
    b.set_pixel(10, 20, RGB(12, 34, 56));
    const fs::path file = dir_ / "shot.png";
    ASSERT_TRUE(write_png_file(file, b));
    EXPECT_EQ(identify(file, "%w %h %m"), "800 600 PNG");
    EXPECT_EQ(identify(file,
                       "%[fx:int(255*p{10,20}.r+0.5)],%[fx:int(255*p{10,20}.g+0.5)],%[fx:int(255*p{"
                       "10,20}.b+0.5)]"),
              "12,34,56");
    EXPECT_FALSE(write_png_file(dir_ / "no" / "such" / "dir.png", b));
}

TEST_F(ImageFiles, TrailerBehindThePixelsIsAllowed) {
    std::vector<uint8_t> file = encode_bmp(pattern(5, 4, true), 16);
    const size_t image = file.size();
    file.resize(image + 1792, 0xAB);
    BmpReadResult r = decode_bmp(file);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.file_size_field, image);
}

TEST_F(ImageFiles, OtherWritersLayoutsAreRead) {
    // Top-down rows (negative height) and 5-6-5 bit fields, as other
    // programs write them.
    Bitmap b = pattern(3, 2, true);
    std::vector<uint8_t> f = encode_bmp(b, 16);
    int32_t neg = -2;
    std::memcpy(&f[22], &neg, 4);
    BmpReadResult td = decode_bmp(f);
    ASSERT_TRUE(td) << td.error;
    EXPECT_EQ(td.bitmap.pixel(0, 0), b.pixel(0, 1));

    std::vector<uint8_t> g(54 + 12 + 8, 0);
    g[0] = 'B', g[1] = 'M';
    auto put = [&](size_t at, uint32_t v) { std::memcpy(&g[at], &v, 4); };
    put(2, static_cast<uint32_t>(g.size()));
    put(10, 66);
    put(14, 40);
    put(18, 2);
    put(22, 1);
    g[26] = 1, g[28] = 16;
    put(30, 3);
    put(54, 0xF800), put(58, 0x07E0), put(62, 0x001F);
    g[66] = 0x00, g[67] = 0xF8;  // pure red in 5-6-5
    g[68] = 0xE0, g[69] = 0x07;  // pure green
    BmpReadResult r = decode_bmp(g);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.bitmap.pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(r.bitmap.pixel(1, 0), RGB(0, 255, 0));
}

TEST_F(ImageFiles, DamagedFilesAreRefusedWithAReason) {
    const std::vector<uint8_t> good = encode_bmp(pattern(4, 3, true), 24);
    struct Case {
        const char* what;
        size_t at;  // byte to change (or size to cut at when cut is set)
        uint32_t value;
        bool cut;
    };
    const Case cases[] = {
        {"short file", 20, 0, true},
        {"pixels cut off", 60, 0, true},
        {"wrong signature", 0, 'X', false},
        {"size field past the end", 2, 100000, false},
        {"huge width", 18, 0x7FFFFFFF, false},
        {"negative width", 18, 0xFFFFFFFF, false},
        {"zero height", 22, 0, false},
        {"most negative height", 22, 0x80000000, false},
        {"width times height overflows", 18, 0x10000, false},
        {"pixel offset past the end", 10, 0xFFFFFFF0, false},
        {"bits per pixel", 28, 7, false},
        {"compression", 30, 1, false},
        {"info header size", 14, 0xFFFFFFFF, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> f = good;
        if (c.cut) {
            f.resize(c.at);
        } else if (c.at == 0 || c.at == 28) {
            f[c.at] = static_cast<uint8_t>(c.value);
        } else {
            std::memcpy(&f[c.at], &c.value, 4);
            if (c.at == 18 && c.value == 0x10000) std::memcpy(&f[22], &c.value, 4);
        }
        BmpReadResult r = decode_bmp(f);
        EXPECT_FALSE(r) << c.what;
        EXPECT_FALSE(r.error.empty()) << c.what;
    }
    EXPECT_FALSE(read_bmp_file(dir_ / "missing.bmp"));
}

}  // namespace
}  // namespace plat

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "files/formats/screen_image_file.h"
#include "files_test_support.h"
#include "platform/gfx/color.h"

using namespace files_test;
using plat::COLORREF;
using plat::GetBValue;
using plat::GetGValue;
using plat::GetRValue;
using plat::RGB;

namespace {

constexpr char16_t kPath[] = u"\\FlashFX Disk\\My Pictures\\shot.bmp";

uint32_t Le32(const std::string& d, size_t at) {
    return uint32_t(uint8_t(d[at])) | uint32_t(uint8_t(d[at + 1])) << 8 |
           uint32_t(uint8_t(d[at + 2])) << 16 | uint32_t(uint8_t(d[at + 3])) << 24;
}
uint16_t Le16(const std::string& d, size_t at) {
    return static_cast<uint16_t>(uint8_t(d[at]) | uint8_t(d[at + 1]) << 8);
}

// A picture with red in the top-left corner, white in the bottom-right and
// a colour ramp between.
plat::Bitmap Picture(int width, int height) {
    plat::Bitmap b = plat::Bitmap::create(width, height, RGB(10, 200, 90));
    for (int x = 0; x < width; ++x) b.set_pixel(x, height / 2, RGB(x % 256, 255 - x % 256, 128));
    b.set_pixel(0, 0, RGB(255, 0, 0));
    b.set_pixel(width - 1, height - 1, RGB(255, 255, 255));
    return b;
}

COLORREF FiveBits(COLORREF c) {
    return RGB(GetRValue(c) & 0xF8, GetGValue(c) & 0xF8, GetBValue(c) & 0xF8);
}

}  // namespace

class ScreenImageTest : public ::testing::Test {
  protected:
    ScreenImageTest() {
        std::filesystem::create_directories(root.path() / "FlashFX Disk" / "My Pictures");
        block.fill(0xA5);
    }
    std::filesystem::path Host() const {
        return root.path() / "FlashFX Disk" / "My Pictures" / "shot.bmp";
    }
    DeviceRoot root;
    TestServices services;
    std::array<uint8_t, CBitmapFile::kStateBlockBytes> block{};
};

TEST_F(ScreenImageTest, PicturesHaveTheirSizeHeadersAndSixteenBitPixels) {
    struct Case {
        int width, height;
        bool with_block;
        size_t bytes;
    };
    for (const Case& c : {Case{800, 600, false, 960054}, Case{800, 595, false, 952054},
                          Case{800, 595, true, 952054 + 1792}}) {
        SCOPED_TRACE(c.bytes);
        plat::Bitmap picture = Picture(c.width, c.height);
        ASSERT_TRUE(CBitmapFile().SaveFile(picture, kPath, block, c.with_block));
        std::string d = celvane_test::slurp(Host());
        ASSERT_EQ(d.size(), c.bytes);
        EXPECT_EQ(d.substr(0, 2), "BM");
        EXPECT_EQ(Le32(d, 2), c.width * c.height * 2u + 54);
        EXPECT_EQ(Le32(d, 6), 0u);
        EXPECT_EQ(Le32(d, 10), 54u);
        EXPECT_EQ(Le32(d, 14), 40u);
        EXPECT_EQ(Le32(d, 18), uint32_t(c.width));
        EXPECT_EQ(Le32(d, 22), uint32_t(c.height));
        EXPECT_EQ(Le16(d, 26), 1u);
        EXPECT_EQ(Le16(d, 28), 16u);
        EXPECT_EQ(Le32(d, 30), 0u);
        EXPECT_EQ(Le32(d, 34), c.width * c.height * 2u);
        // Bottom-up rows: the top-left red pixel opens the last row, the
        // bottom-right white pixel closes the first.
        EXPECT_EQ(Le16(d, 54 + size_t(c.height - 1) * c.width * 2), 0x7C00);
        EXPECT_EQ(Le16(d, 54 + size_t(c.width - 1) * 2), 0x7FFF);
        if (c.with_block) {
            EXPECT_EQ(uint8_t(d.back()), 0xA5);
        }

        plat::Bitmap loaded;
        ASSERT_TRUE(CBitmapFile().LoadBitmap(kPath, loaded));
        ASSERT_EQ(loaded.width(), c.width);
        ASSERT_EQ(loaded.height(), c.height);
        for (int y = 0; y < c.height; y += 7)
            for (int x = 0; x < c.width; x += 3)
                ASSERT_EQ(FiveBits(loaded.pixel(x, y)), FiveBits(picture.pixel(x, y)))
                    << x << "," << y;
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ScreenImageTest, ImageMagickReadsTheSamePixels) {
    plat::Bitmap picture = Picture(64, 48);
    ASSERT_TRUE(CBitmapFile().SaveFile(picture, kPath, block, false));
    // Pixel (0,0) and the ramp at row 24, as 8-bit text of ImageMagick.
    std::string out = (root.path() / "pixels.txt").string();
    std::string command = "convert '" + Host().string() + "' -depth 8 txt:'" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string text = celvane_test::slurp(out);
    for (auto [x, y] : {std::pair{0, 0}, {63, 47}, {10, 24}, {40, 24}, {5, 5}}) {
        COLORREF c = FiveBits(picture.pixel(x, y));
        // ImageMagick widens five bits to eight by repeating the top bits.
        auto widen = [](int v) { return v | v >> 5; };
        char expected[64];
        std::snprintf(expected, sizeof expected, "%d,%d: (%d,%d,%d", x, y, widen(GetRValue(c)),
                      widen(GetGValue(c)), widen(GetBValue(c)));
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST_F(ScreenImageTest, DamagedOrMissingPicturesAreRefusedWithThePath) {
    plat::Bitmap picture = Picture(32, 16);
    ASSERT_TRUE(CBitmapFile().SaveFile(picture, kPath, block, false));
    const std::string good = celvane_test::slurp(Host());
    auto damaged = [&](size_t at, char value) {
        std::string d = good;
        d[at] = value;
        return d;
    };
    const std::string cases[] = {good.substr(0, 100), damaged(0, 'X'), damaged(28, 7),
                                 damaged(18, 0),      damaged(26, 2),  std::string()};
    for (const std::string& bytes : cases) {
        std::ofstream(Host(), std::ios::binary | std::ios::trunc) << bytes;
        services.messages.clear();
        plat::Bitmap out;
        EXPECT_FALSE(CBitmapFile().LoadBitmap(kPath, out));
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0], "Cannot open file:\\FlashFX Disk\\My Pictures\\shot.bmp");
    }
    std::filesystem::remove(Host());
    plat::Bitmap out;
    EXPECT_FALSE(CBitmapFile().LoadBitmap(kPath, out));
}

TEST_F(ScreenImageTest, TooLittleSpaceKeepsTheOldPicture) {
    ASSERT_TRUE(CBitmapFile().SaveFile(Picture(16, 16), kPath, block, false));
    const std::string old = celvane_test::slurp(Host());
    services.free_bytes = CBitmapFile::FileSize(800, 595, false);
    EXPECT_FALSE(CBitmapFile().SaveFile(Picture(800, 595), kPath, block, false));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0], "There is not enough space on the storage volume.");
    EXPECT_EQ(celvane_test::slurp(Host()), old);
    services.free_bytes = CBitmapFile::FileSize(800, 595, false) + 1;
    EXPECT_TRUE(CBitmapFile().SaveFile(Picture(800, 595), kPath, block, false));
}

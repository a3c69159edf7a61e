// The gallery program: every picture readable by ImageMagick, the chrome of
// each scheme probed at its panes, keys and texts, and no widget painting
// outside its rectangle.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs/tests/test_support.h"
#include "widgets/color_scheme.h"
#include "widgets/gallery/gallery.h"

namespace {

namespace fs = std::filesystem;

std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = ::pclose(p);
    if (status) *status = rc;
    return out;
}

// A PNG read back by ImageMagick.
struct Image {
    int width = 0, height = 0;
    std::string rgb;
    COLORREF At(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return plat::RGB(static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(rgb[i + 1]),
                         static_cast<uint8_t>(rgb[i + 2]));
    }
    bool Any(const plat::Rect& r, COLORREF c) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) == c) return true;
        return false;
    }
};

// One ImageMagick run per picture: the binary PPM it writes carries the size
// in its header ("P6 <width> <height> 255" and one whitespace), then the RGB
// bytes. Starting ImageMagick is most of the cost on a loaded machine.
Image Read(const fs::path& png) {
    Image img;
    const std::string ppm = RunCommand("convert '" + png.string() + "' -depth 8 ppm:-");
    int maxval = 0, header = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &img.width, &img.height, &maxval, &header) != 3 ||
        maxval != 255 || static_cast<size_t>(header) >= ppm.size()) {
        ADD_FAILURE() << "ImageMagick did not read " << png;
        return {};
    }
    img.rgb = ppm.substr(header + 1);
    if (img.rgb.size() != static_cast<size_t>(img.width) * img.height * 3) {
        ADD_FAILURE() << "short picture data for " << png;
        return {};
    }
    return img;
}

class Gallery : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        out_ = new fs::path(fs::temp_directory_path() /
                            ("widget-gallery-" + std::to_string(::getpid())));
        const char* bin = std::getenv("CELVANE_BUILD_BIN");
        ASSERT_NE(bin, nullptr);
        int rc = -1;
        RunCommand(std::string(bin) + "/widget_gallery '" + out_->string() + "'", &rc);
        ASSERT_EQ(rc, 0);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(*out_, ec);
        delete out_;
    }
    static fs::path* out_;
};
fs::path* Gallery::out_ = nullptr;

TEST_F(Gallery, ImageMagickReadsEveryPicture) {
    int files = 0;
    for (int n = 0; n < kSchemeCount; ++n) {
        const fs::path dir = *out_ / gallery::SchemeFolder(n);
        ASSERT_TRUE(fs::is_directory(dir)) << dir;
        for (const auto& e : fs::directory_iterator(dir)) {
            int rc = -1;
            const std::string info = RunCommand("identify '" + e.path().string() + "' 2>&1", &rc);
            EXPECT_EQ(rc, 0) << info;
            EXPECT_NE(info.find("PNG"), std::string::npos) << info;
            ++files;
        }
    }
    EXPECT_EQ(files, kSchemeCount * 22);
}

TEST_F(Gallery, ChromeOfEveryScheme) {
    for (int n = 0; n < kSchemeCount; ++n) {
        SCOPED_TRACE(gallery::SchemeFolder(n));
        const auto scheme = CreateColorScheme(n);
        auto c = [&](int i) { return scheme->GetColor(i); };
        const Image img = Read(*out_ / gallery::SchemeFolder(n) / "chrome.png");
        ASSERT_EQ(img.width, 800);
        ASSERT_EQ(img.height, 600);
        // Pane backgrounds.
        EXPECT_EQ(img.At(285, 2), c(1)) << "title bar";
        EXPECT_EQ(img.At(750, 31), c(1)) << "soft-key pane";
        EXPECT_EQ(img.At(703, 500), c(1)) << "readout panel";
        EXPECT_EQ(img.At(117, 598), c(1)) << "menu-key pane";
        EXPECT_EQ(img.At(5, 35), c(1)) << "draw panel";
        EXPECT_EQ(img.At(350, 300), c(18)) << "main area";
        // Soft keys by state, the disabled bar.
        auto key_fill = [&](int k) { return img.At(711, 34 + 67 * k + 45); };
        EXPECT_EQ(key_fill(gallery::kKeyNormal), c(5));
        EXPECT_EQ(key_fill(gallery::kKeyActive), c(6));
        EXPECT_EQ(key_fill(gallery::kKeySelected), c(42));
        EXPECT_EQ(key_fill(gallery::kKeyDisabled), c(5));
        EXPECT_EQ(img.At(752, 34 + 67 * 3 + 62 - 5), c(34)) << "disabled bar";
        EXPECT_EQ(img.At(752, 34 + 67 * 0 + 62 - 5), c(5)) << "no bar on an enabled key";
        // Menu-key captions by state.
        auto box_fill = [&](int b) { return img.At(10 + 115 * b, 580); };
        EXPECT_EQ(box_fill(0), c(2));
        EXPECT_EQ(box_fill(gallery::kBoxActive), c(3));
        EXPECT_EQ(box_fill(gallery::kBoxSelected), c(43));
        // Status indicator (state 0) and the highlighted caption row.
        EXPECT_EQ(img.At(799, 599), c(8));
        EXPECT_EQ(img.At(3, 549), c(43));
        // Texts in their entries, inside their boxes (where they differ from
        // the background at all).
        if (c(20) != c(1)) {
            EXPECT_TRUE(img.Any({1, 0, 290, 30}, c(20))) << "title";
            EXPECT_TRUE(img.Any({290, 0, 530, 30}, c(20))) << "clock";
        }
        if (c(7) != c(5)) {
            EXPECT_TRUE(img.Any({709, 35, 797, 95}, c(7))) << "normal key text";
        }
        if (c(11) != c(6)) {
            EXPECT_TRUE(img.Any({709, 102, 797, 162}, c(11))) << "active key";
        }
        if (c(11) != c(1)) {
            EXPECT_TRUE(img.Any({2, 473, 175, 489}, c(11))) << "readout cell";
        }
        if (c(4) != c(2)) {
            EXPECT_TRUE(img.Any({9, 570, 111, 591}, c(4))) << "menu-key text";
        }
    }
}

TEST_F(Gallery, NoWidgetPaintsOutsideItsRectangle) {
    for (int n = 0; n < kSchemeCount; ++n) {
        for (const auto& e : fs::directory_iterator(*out_ / gallery::SchemeFolder(n))) {
            const std::string stem = e.path().stem().string();
            if (stem == "chrome" || stem.starts_with("screen-")) continue;  // whole screens
            SCOPED_TRACE(e.path().string());
            const Image img = Read(e.path());
            ASSERT_GT(img.width, 2 * gallery::kMargin);
            const plat::Rect inside{gallery::kMargin, gallery::kMargin,
                                    img.width - gallery::kMargin, img.height - gallery::kMargin};
            int outside = 0;
            for (int y = 0; y < img.height; ++y)
                for (int x = 0; x < img.width; ++x)
                    if (!inside.contains({x, y}) && img.At(x, y) != gallery::kOutside) ++outside;
            EXPECT_EQ(outside, 0);
        }
    }
}

// The sweep picture: the plot in entry 18, the upper limit line in the pen
// of its segment's state (pass outside the carrier, fail around it).
TEST_F(Gallery, GraphSweepOfEveryScheme) {
    for (int n = 0; n < kSchemeCount; ++n) {
        SCOPED_TRACE(gallery::SchemeFolder(n));
        const auto scheme = CreateColorScheme(n);
        auto c = [&](int i) { return scheme->GetColor(i); };
        const Image img = Read(*out_ / gallery::SchemeFolder(n) / "screen-graph-sweep.png");
        ASSERT_EQ(img.width, 800);
        const int limit_y = 30 + (20 - (-20)) * (451 - 1 - 30) / 100;  // -20 dBm
        auto near = [&](int x, int y, COLORREF col) {
            for (int dy = -1; dy <= 1; ++dy)
                if (img.At(x, y + dy) == col) return true;
            return false;
        };
        EXPECT_TRUE(near(100, limit_y, c(24))) << "pass";
        EXPECT_TRUE(near(500, limit_y, c(25))) << "fail";
        EXPECT_EQ(img.At(200, 100), c(18)) << "plot";
        EXPECT_EQ(img.At(750, 300), gallery::kOutside) << "nothing outside the pane";
    }
}

TEST_F(Gallery, StatusFillsByState) {
    for (int n = 0; n < kSchemeCount; ++n) {
        const auto scheme = CreateColorScheme(n);
        const fs::path dir = *out_ / gallery::SchemeFolder(n);
        auto corner = [&](const char* name) {
            const Image img = Read(dir / (std::string(name) + ".png"));
            return img.At(img.width - gallery::kMargin - 1, img.height - gallery::kMargin - 1);
        };
        EXPECT_EQ(corner("status-0"), scheme->GetColor(8)) << n;
        EXPECT_EQ(corner("status-3"), scheme->GetColor(9)) << n;
        EXPECT_EQ(corner("status-2"), scheme->GetColor(1)) << n;
    }
}

}  // namespace

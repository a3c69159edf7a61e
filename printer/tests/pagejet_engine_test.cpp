// The Pagejet driver loaded by the printing system from a device root, its
// jobs spooled by the printer port and read back by the independent decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/kernel/debug_out.h"
#include "platform/module/library.h"
#include "platform/print/printer_dc.h"
#include "platform/text/utf.h"
#include "printer/tests/print_test_support.h"

namespace {

using print_test::Decode;
using print_test::Joined;
using print_test::Mode;

constexpr int kScreenW = 800;
constexpr int kScreenH = 595;

// A 24-bit bottom-up picture of the screen's size, filled by (x, y) -> BGR.
struct Picture {
    std::vector<uint8_t> bits;
    plat::BITMAPINFOHEADER header;
    template <class F>
    explicit Picture(F colour) : bits(size_t(kScreenW * 3) * kScreenH) {
        header.biWidth = kScreenW;
        header.biHeight = kScreenH;
        header.biBitCount = 24;
        for (int y = 0; y < kScreenH; ++y)
            for (int x = 0; x < kScreenW; ++x) {
                const uint32_t c = colour(x, y);  // 0xRRGGBB
                uint8_t* p = &bits[size_t(kScreenH - 1 - y) * kScreenW * 3 + size_t(x) * 3];
                p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
            }
    }
};

// The target size of the screen on a w x h page: the full width or height,
// keeping the screen's proportions.
std::pair<int, int> Target(int w, int h) {
    const int scaled_h = w * kScreenH / kScreenW, scaled_w = h * kScreenW / kScreenH;
    if (w <= h) return scaled_h <= h ? std::pair{w, scaled_h} : std::pair{scaled_w, h};
    return scaled_w <= w ? std::pair{scaled_w, h} : std::pair{w, scaled_h};
}

// Prints `pages` pages of `picture` scaled as the screen print scales it.
bool PrintDocument(const Picture& picture, int pages = 1) {
    plat::PrinterEntry printer;
    if (!plat::find_default_printer(printer)) return false;
    auto dc = plat::PrinterDc::create(printer);
    if (!dc) return false;
    const auto [tw, th] =
        Target(dc->get_device_caps(plat::HORZRES), dc->get_device_caps(plat::VERTRES));
    plat::DocInfo doc;
    doc.lpszDocName = u"test";
    if (dc->start_doc(doc) <= 0) return false;
    for (int p = 0; p < pages; ++p) {
        if (dc->start_page() <= 0) return false;
        if (dc->stretch_dib_bits(0, 0, tw, th, 0, 0, kScreenW, kScreenH, picture.bits.data(),
                                 picture.header, plat::DIB_RGB_COLORS, plat::SRCCOPY) <= 0)
            return false;
        if (dc->end_page() <= 0) return false;
    }
    return dc->end_doc() > 0;
}

class PagejetEngine : public ::testing::Test {
  protected:
    void SetUp() override { plat::set_debug_to_stderr(false); }
    print_test::PrinterRoot root_{"pagejet-engine"};
};

// The printable area by the paper tables, written out for the test.
struct Expected {
    int width, height, side, top;
};
Expected Sheet(int paper, int d, bool narrow) {
    const int side = narrow ? d * 21 / 100 : d / 4;
    const int top = narrow ? d * 16 / 100 : d * 37 / 100;
    if (paper == 5) return {d * 17 / 2, d * 14, side, top};
    if (paper == 9) return {d * 825 / 100, d * 1169 / 100, side, top};
    if (paper == 13) return {d * 716 / 100, d * 1012 / 100, side, top};
    return {d * 17 / 2, d * 11, side, top};
}

TEST_F(PagejetEngine, PageGeometryAndPageSetUpFollowThePrinterMode) {
    const struct {
        int16_t paper;
        const char* sequence;
    } papers[] = {{5, "<ESC>&l3A"}, {9, "<ESC>&l26A"}, {13, "<ESC>&l45A"}, {1, "<ESC>&l2A"}};
    for (const auto& paper : papers)
        for (int dpi : {150, 300, 600})
            for (uint16_t version : {0x100, 0x200})
                for (int16_t orientation : {1, 2}) {
                    SCOPED_TRACE(testing::Message()
                                 << "paper " << paper.paper << " dpi " << dpi << " version "
                                 << version << " orient " << orientation);
                    root_.SetQualityText(u"High Quality",
                                         plat::from_utf8(std::to_string(dpi)).c_str());
                    root_.SetMode(Mode(paper.paper, -4, version, orientation, 1));
                    plat::PrinterEntry printer;
                    ASSERT_TRUE(plat::find_default_printer(printer));
                    auto dc = plat::PrinterDc::create(printer);
                    ASSERT_TRUE(dc);
                    const Expected e = Sheet(paper.paper, dpi, version == 0x200);
                    int horz = e.width - 2 * e.side, vert = e.height - 2 * e.top;
                    int ox = e.side, oy = (e.height - vert) / 3, pw = e.width, ph = e.height;
                    if (orientation == 2)
                        std::swap(horz, vert), std::swap(ox, oy), std::swap(pw, ph);
                    EXPECT_EQ(dc->get_device_caps(plat::HORZRES), horz);
                    EXPECT_EQ(dc->get_device_caps(plat::VERTRES), vert);
                    EXPECT_EQ(dc->get_device_caps(plat::PHYSICALOFFSETX), ox);
                    EXPECT_EQ(dc->get_device_caps(plat::PHYSICALOFFSETY), oy);
                    EXPECT_EQ(dc->get_device_caps(plat::PHYSICALWIDTH), pw);
                    EXPECT_EQ(dc->get_device_caps(plat::PHYSICALHEIGHT), ph);
                    EXPECT_EQ(dc->get_device_caps(plat::LOGPIXELSX), dpi);
                    EXPECT_EQ(dc->get_device_caps(plat::NUMCOLORS), 0x1000000);
                    EXPECT_EQ(dc->get_device_caps(plat::RASTERCAPS) & 0x100, 0);
                    plat::DocInfo doc;
                    doc.lpszDocName = u"geometry";
                    ASSERT_GT(dc->start_doc(doc), 0);
                    ASSERT_GT(dc->start_page(), 0);
                    ASSERT_GT(dc->end_doc(), 0);
                    dc.reset();
                    const auto jobs = root_.Jobs();
                    ASSERT_FALSE(jobs.empty());
                    const auto decoded = Decode(jobs.back(), 1);
                    ASSERT_TRUE(decoded.ok);
                    const int lines = orientation == 2 ? horz : vert;
                    EXPECT_EQ(Joined(decoded.sequences, 0, 9),
                              "<ESC>%-12345X <ESC>E <ESC>E <ESC>*t" + std::to_string(dpi) +
                                  "R <ESC>*r3F " + paper.sequence +
                                  " <ESC>&l8C <ESC>&l1E <ESC>*p0X");
                    EXPECT_EQ(decoded.sequences[10], "<ESC>*r" + std::to_string(lines) + "T");
                    std::filesystem::remove(jobs.back());
                }
}

TEST_F(PagejetEngine, MonoLetterJobIsFramedByteForByte) {
    root_.SetMode(Mode(1, -1, 0x100, 1, 1));
    const Picture grey([](int x, int) { return x < 400 ? 0x808080u : 0xFFFFFFu; });
    ASSERT_TRUE(PrintDocument(grey, 2));
    const auto jobs = root_.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    const std::string job = root_.ReadJob(jobs[0]);
    const std::string head =
        "\x1b%-12345X\x1b"
        "E\x1b"
        "E\x1b*t300R\x1b*r3F\x1b&l2A\x1b&l8C\x1b&l1E\x1b*p0X\x1b*p0Y"
        "\x1b*r3078T\x1b*r0A";
    const std::string tail =
        "\x1b*rC\x0c\x1b"
        "E\x1b%-12345X";
    EXPECT_EQ(job.substr(0, head.size()), head);
    ASSERT_GT(job.size(), tail.size());
    EXPECT_EQ(job.substr(job.size() - tail.size()), tail);
    const auto decoded = Decode(jobs[0], 300);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.pages.size(), 2u);
    for (const auto& page : decoded.pages) {
        EXPECT_EQ(page.rows, 3078);
        EXPECT_EQ(page.kinds, std::string(3078, 'W'));  // a mono page sends W rows only
    }
    // The second page closes the first before its own set-up.
    size_t second = 0;
    for (size_t i = 1; i < decoded.sequences.size(); ++i)
        if (decoded.sequences[i] == "<ESC>*t300R") second = i;
    ASSERT_GT(second, 3u);
    EXPECT_EQ(Joined(decoded.sequences, second - 3, 3), "<ESC>*rC <FF> <ESC>E");
    for (const auto& s : decoded.sequences) {
        EXPECT_NE(s, "<ESC>*r-4U");
        EXPECT_NE(s, "<ESC>*b0S");
    }
}

TEST_F(PagejetEngine, ResolutionTextsOutsideTheRangeFallBackWithTheirTrace) {
    const struct {
        const char16_t* text;  // null: the value is missing
        int draft_dpi, high_dpi;
    } cases[] = {{u"600", 600, 600},  {u"75", 75, 75},    {u"0", 150, 300},
                 {u"-300", 150, 300}, {u"abc", 150, 300}, {u"100000", 150, 300},
                 {u"1201", 150, 300}, {nullptr, 150, 300}};
    for (const auto& c : cases)
        for (bool draft : {true, false}) {
            SCOPED_TRACE(testing::Message() << (c.text ? plat::to_utf8(c.text) : "missing")
                                            << (draft ? " draft" : " high"));
            root_.SetQualityText(draft ? u"Draft Quality" : u"High Quality", c.text);
            root_.SetMode(Mode(1, draft ? -1 : -4, 0x100, 1, 1));
            plat::DebugCapture trace;
            plat::PrinterEntry printer;
            ASSERT_TRUE(plat::find_default_printer(printer));
            auto dc = plat::PrinterDc::create(printer);
            ASSERT_TRUE(dc);
            const int expected = draft ? c.draft_dpi : c.high_dpi;
            EXPECT_EQ(dc->get_device_caps(plat::LOGPIXELSX), expected);
            bool fell_back = false, read = false;
            for (const auto& line : trace.lines()) {
                fell_back |= line.find("DrvEnablePDEV Error reading DPI") != std::string::npos;
                read |= line.find("PagejetHR DrvEnablePDEV DPI " + std::to_string(expected)) !=
                        std::string::npos;
            }
            const bool valid = c.text && expected == (draft ? c.draft_dpi : c.high_dpi) &&
                               (c.draft_dpi != 150 || c.high_dpi != 300);
            EXPECT_EQ(fell_back, !valid);
            EXPECT_EQ(read, valid);
        }
}

// ---- screen in, dots out ---------------------------------------------------

// The ink values of one pixel (K, C, M, Y on 0..8192), worked out for the
// test from the printer's colour rules: gamma curves 1.4 (K) and 1.3 (C, M,
// Y), value curve 1.8, hue warps towards blue and green.
struct Ink {
    int k = 0, c = 0, m = 0, y = 0;
};
int Curve(int i, double full, double exponent) {
    return int(full * std::pow(i / 255.0, exponent) + 0.5);
}
int KGamma(int i) {
    return i < 2 ? 0 : i == 255 ? 8192 : Curve(i, 8192, 1.4);
}
int CmyGamma(int i) {
    return i == 0 ? 0 : i == 255 ? 8192 : Curve(i, 8192, 1.3);
}
Ink InkOf(uint32_t rgb, bool color, bool three_planes) {
    const int r = int(rgb >> 16) & 255, g = int(rgb >> 8) & 255, b = int(rgb) & 255;
    Ink ink;
    if (!color) {
        ink.k = KGamma(255 - ((g * 151 + r * 76 + b * 28) >> 8));
        return ink;
    }
    if (!three_planes && r == g && g == b) {
        ink.k = KGamma(255 - b);
        return ink;
    }
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const int s = mx ? (mx - mn) * 255 / mx : 0;
    int h = 0;
    if (mx != mn) {
        h = r == mx   ? (g - b) * 255 / (mx - mn)
            : g == mx ? (b - r) * 255 / (mx - mn) + 512
                      : (r - g) * 255 / (mx - mn) + 1024;
        if (h < 0) h += 1536;
    }
    const int value_curve = 255 - mx == 0 ? 0 : 255 - mx == 255 ? 255 : Curve(255 - mx, 255, 1.8);
    const int v = 255 - value_curve;
    if (b > r && b > g)
        h = h < 1024 ? 163 * (h - 768) / 255 + 768 : 349 * (h - 1280) / 255 + 1280;
    else if (g > r && g > b)
        h = h >= 512 ? (h - 768) * 283 / 255 + 768 : 229 * (h - 256) / 255 + 256;
    int rr = v, gg = v, bb = v;
    if (s != 0) {
        const int f = h % 256, p = (255 - s) * v / 255, q = (65025 - s * f) * v / 65025,
                  t = v * (65025 - (255 - f) * s) / 65025;
        const int sextant = h / 256;
        const int table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
        rr = table[sextant][0], gg = table[sextant][1], bb = table[sextant][2];
    }
    ink.c = CmyGamma(255 - rr), ink.m = CmyGamma(255 - gg), ink.y = CmyGamma(255 - bb);
    if (!three_planes) {
        ink.k = std::min({ink.c, ink.m, ink.y});
        ink.c -= ink.k, ink.m -= ink.k, ink.y -= ink.k;
    }
    return ink;
}
double DotShare(int value, int dot) {
    return value >= 8192 ? 1.0 : double(value) / dot;
}

// The screen as blocks of uniform colour, 8 across and 5 down.
constexpr uint32_t kBlocks[40] = {
    0xFFFFFF, 0x000000, 0x202020, 0x404040, 0x606060, 0x808080, 0xA0A0A0, 0xC0C0C0,
    0xE0E0E0, 0xFF0000, 0x00FF00, 0x0000FF, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x800000,
    0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0x00003C, 0x3C0000, 0x003C00,
    0xFF8040, 0x4080FF, 0x80FF40, 0x2050A0, 0xA05020, 0x50A020, 0xFFFFFF, 0x101010,
    0xF0E0D0, 0xD0E0F0, 0x123456, 0x654321, 0xC08080, 0x80C080, 0x8080C0, 0xFFC000};
constexpr int kBlockW = kScreenW / 8, kBlockH = kScreenH / 5;
uint32_t BlockColour(int x, int y) {
    return kBlocks[std::min(y / kBlockH, 4) * 8 + std::min(x / kBlockW, 7)];
}

// Collects the plane rows the driver made, in the order it sent them.
void CollectRow(int, const uint8_t* bits, uint32_t count, void* context) {
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(bits), count);
}
using SetRowObserver = void(void (*)(int, const uint8_t*, uint32_t, void*), void*);

struct PrintSetup {
    bool color;
    bool three_planes;
    int16_t orientation;
};

TEST_F(PagejetEngine, ScreenBlocksPrintWithTheirInkAndDecodeToThePipelinesRows) {
    const Picture screen(BlockColour);
    plat::Library driver = plat::Library::load(u"\\Windows\\pagejethd.dll");
    ASSERT_TRUE(driver);
    auto* set_observer = driver.bind<SetRowObserver>("PagejetSetRowObserver");
    ASSERT_NE(set_observer, nullptr);
    for (const PrintSetup setup :
         {PrintSetup{false, false, 1}, PrintSetup{true, false, 1}, PrintSetup{true, true, 1},
          PrintSetup{false, false, 2}, PrintSetup{true, false, 2}, PrintSetup{true, true, 2}}) {
        SCOPED_TRACE(testing::Message()
                     << "colour " << setup.color << " three planes " << setup.three_planes
                     << " orientation " << setup.orientation);
        root_.SetPort(setup.three_planes ? 0 : 1);
        root_.SetMode(Mode(1, -1, 0x100, setup.orientation, setup.color ? 2 : 1));
        std::string observed;
        set_observer(CollectRow, &observed);
        ASSERT_TRUE(PrintDocument(screen));
        set_observer(nullptr, nullptr);

        const bool landscape = setup.orientation == 2;
        const int dots = 2400, lines = 3078;  // letter at 300 dpi, either way round
        const int row_bytes = (dots + 7) / 8;
        const int planes = !setup.color ? 1 : setup.three_planes ? 3 : 4;
        const auto jobs = root_.Jobs();
        ASSERT_FALSE(jobs.empty());
        const auto decoded = Decode(jobs.back(), row_bytes);
        ASSERT_TRUE(decoded.ok);
        ASSERT_EQ(decoded.pages.size(), 1u);
        EXPECT_EQ(decoded.pages[0].rows, lines * planes);
        const std::string kinds = planes == 1 ? "W" : planes == 3 ? "VVW" : "VVVW";
        std::string expected_kinds;
        for (int i = 0; i < lines; ++i) expected_kinds += kinds;
        EXPECT_EQ(decoded.pages[0].kinds, expected_kinds);
        ASSERT_EQ(decoded.planes.size(), size_t(lines * planes * row_bytes));
        EXPECT_TRUE(decoded.planes == observed) << "decoded rows differ from the pipeline's";
        const uint8_t pad = dots % 8 ? uint8_t(0xFF >> (dots % 8)) : 0;
        for (int row = 0; row < lines * planes; ++row)  // pad bits of each row stay clear
            ASSERT_EQ(uint8_t(decoded.planes[size_t(row * row_bytes + row_bytes - 1)]) & pad, 0)
                << "row " << row;

        // Each plane's dots per 32 x 32 block at each colour block's centre.
        auto dot = [&](int line, int plane, int k) {
            const size_t at = size_t((line * planes + plane) * row_bytes + k / 8);
            return (uint8_t(decoded.planes[at]) >> (7 - k % 8)) & 1;
        };
        const auto [tw, th] = Target(landscape ? 3078 : 2400, landscape ? 2400 : 3078);
        for (int block = 0; block < 40; ++block) {
            const int sx = (block % 8) * kBlockW + kBlockW / 2,
                      sy = (block / 8) * kBlockH + kBlockH / 2;
            const int px = sx * tw / kScreenW, py = sy * th / kScreenH;  // page surface
            const int line0 = (landscape ? px : py) - 16;
            const int dot0 = (landscape ? 2400 - 1 - py : px) - 16;
            const Ink ink = InkOf(kBlocks[block], setup.color, setup.three_planes);
            const int values[4] = {ink.k, ink.c, ink.m, ink.y};
            const int dot_values[4] = {10649, 9011, 9830, 9011};
            for (int p = 0; p < planes; ++p) {
                const int ink_plane = planes == 3 ? p + 1 : p;
                int count = 0;
                for (int l = line0; l < line0 + 32; ++l)
                    for (int k = dot0; k < dot0 + 32; ++k) count += dot(l, p, k);
                const double share = count / 1024.0;
                const double expected = DotShare(values[ink_plane], dot_values[ink_plane]);
                EXPECT_NEAR(share, expected, 0.03) << "block " << block << " colour " << std::hex
                                                   << kBlocks[block] << std::dec << " plane "
                                                   << "KCMY"[ink_plane];
                if (values[ink_plane] == 0) {
                    EXPECT_EQ(count, 0) << "block " << block;
                }
            }
        }
        if (planes == 4)  // K dots are never overprinted by C, M or Y
            for (int l = 0; l < lines; ++l)
                for (int b = 0; b < row_bytes; ++b) {
                    const auto at = [&](int p) {
                        return uint8_t(decoded.planes[size_t((l * 4 + p) * row_bytes + b)]);
                    };
                    ASSERT_EQ((at(1) | at(2) | at(3)) & at(0), 0) << "line " << l;
                }

        // The same screen again gives the same bytes.
        ASSERT_TRUE(PrintDocument(screen));
        const auto again = root_.Jobs();
        ASSERT_EQ(again.size(), jobs.size() + 1);
        EXPECT_TRUE(root_.ReadJob(again.back()) == root_.ReadJob(jobs.back()));
    }
}

// ---- the job's bytes stay as they are --------------------------------------

// A screen with everything the pipeline treats apart: hue and grey ramps,
// saturated and pale blocks, thin black lines, white gaps inside rows and
// white bands between drawn ones (where the halftone's error dies out).
uint32_t BusyColour(int x, int y) {
    if (y < 120) {  // hues across, fading to white downwards
        const int hue = x * 1536 / kScreenW, f = hue % 256, fade = y * 2;
        const int up = std::min(255, f + fade), down = std::min(255, 255 - f + fade), top = 255,
                  low = std::min(255, fade);
        const int rgb[6][3] = {{top, up, low},   {down, top, low}, {low, top, up},
                               {low, down, top}, {up, low, top},   {top, low, down}};
        const int* c = rgb[hue / 256];
        return uint32_t(c[0] << 16 | c[1] << 8 | c[2]);
    }
    if (y < 300) {
        if (x % 97 < 2 || y % 41 == 0) return 0x000000;
        if (x < 400) return uint32_t(0x010101 * (x * 255 / 400));  // grey ramp
        if (x < 600) return (x / 25 + y / 30) % 3 == 0 ? 0xFFFFFF : 0x3060C0;
        return 0xFFFFFF;
    }
    if (y < 420) return y % 60 < 3 ? 0xC04020 : 0xFFFFFF;  // lines across white
    if (y < 520) return BlockColour(x, y);
    return x > 700 && y > 560 ? 0x40C080 : 0xFFFFFF;
}

// 64-bit FNV-1a of a job's bytes.
uint64_t Fingerprint(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : bytes) h = (h ^ uint8_t(c)) * 0x100000001b3ull;
    return h;
}

// Each set-up's job of two pages (the screen over the page's width, then
// smaller and away from the corner over the first page's white) is pinned
// by its size and fingerprint: the printer gets the very bytes it always
// got, whatever the pipeline does to get them faster.
TEST_F(PagejetEngine, JobsKeepTheirBytes) {
    const Picture screen(BusyColour);
    const struct {
        bool color, three_planes;
        int16_t orientation, quality;
        size_t size;
        uint64_t fingerprint;
    } cases[] = {
        {false, false, 1, -1, 391167, 0xa7936656e7dd4e20ull},
        {true, false, 1, -1, 813752, 0xa02bdc6a14cf08dfull},
        {true, true, 1, -1, 953367, 0xc3fc2dbb6f7a6862ull},
        {false, false, 2, -1, 664467, 0xed41d4f93e1900ddull},
        {true, false, 2, -1, 1371012, 0x15e7b26749fcbc48ull},
        {true, true, 2, -1, 1599523, 0xbd85e167bcbab1acull},
        {true, false, 1, -4, 2922254, 0xb63b463983037471ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "colour " << c.color << " three planes " << c.three_planes
                     << " orientation " << c.orientation << " quality " << c.quality);
        root_.SetPort(c.three_planes ? 0 : 1);
        root_.SetMode(Mode(1, c.quality, 0x100, c.orientation, c.color ? 2 : 1));
        {
            plat::PrinterEntry printer;
            ASSERT_TRUE(plat::find_default_printer(printer));
            auto dc = plat::PrinterDc::create(printer);
            ASSERT_TRUE(dc);
            const auto [tw, th] =
                Target(dc->get_device_caps(plat::HORZRES), dc->get_device_caps(plat::VERTRES));
            plat::DocInfo doc;
            doc.lpszDocName = u"pinned";
            ASSERT_GT(dc->start_doc(doc), 0);
            ASSERT_GT(dc->start_page(), 0);
            ASSERT_GT(
                dc->stretch_dib_bits(0, 0, tw, th, 0, 0, kScreenW, kScreenH, screen.bits.data(),
                                     screen.header, plat::DIB_RGB_COLORS, plat::SRCCOPY),
                0);
            ASSERT_GT(dc->end_page(), 0);
            ASSERT_GT(dc->start_page(), 0);
            ASSERT_GT(dc->stretch_dib_bits(tw / 5, th / 3, tw / 2, th / 2, 100, 50, 600, 400,
                                           screen.bits.data(), screen.header, plat::DIB_RGB_COLORS,
                                           plat::SRCCOPY),
                      0);
            ASSERT_GT(dc->end_page(), 0);
            ASSERT_GT(dc->end_doc(), 0);
        }
        const auto jobs = root_.Jobs();
        ASSERT_FALSE(jobs.empty());
        const std::string job = root_.ReadJob(jobs.back());
        std::filesystem::remove(jobs.back());
        EXPECT_EQ(job.size(), c.size);
        EXPECT_EQ(Fingerprint(job), c.fingerprint) << std::hex << Fingerprint(job);
    }
}

}  // namespace

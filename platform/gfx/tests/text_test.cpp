// Fonts and text: face resolution, sizes, alignment and the CJK face.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/gfx/dc.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"

namespace plat {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The box of pixels that differ from `bg`; empty when none do.
Rect ink_box(const Bitmap& b, COLORREF bg) {
    Rect r{};
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (b.pixel(x, y) != bg) r = r.unite(Rect{x, y, x + 1, y + 1});
    return r;
}

int ink(const Bitmap& b, COLORREF bg) {
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) n += b.pixel(x, y) != bg;
    return n;
}

TEST(Text, DrawsGlyphsInTheDefaultState) {
    Bitmap b = Bitmap::create(200, 40, RGB(9, 9, 9));
    Dc dc(b);
    dc.text_out(2, 2, u"Hello");
    const Size ext = dc.text_extent(u"Hello");
    // Opaque mode: the text cell is white, the glyphs black.
    EXPECT_EQ(b.pixel(2, 2), kWhite);
    EXPECT_EQ(ink_box(b, RGB(9, 9, 9)), (Rect{2, 2, 2 + ext.cx, 2 + ext.cy}));
    bool black = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) black |= b.pixel(x, y) == RGB(0, 0, 0);
    EXPECT_TRUE(black);
    // Transparent mode leaves the background between the strokes.
    Bitmap t = Bitmap::create(200, 40, RGB(9, 9, 9));
    Dc tdc(t);
    tdc.set_bk_mode(TRANSPARENT);
    tdc.set_text_color(RGB(255, 0, 0));
    tdc.text_out(2, 2, u"Hello");
    EXPECT_EQ(t.pixel(2, 2), RGB(9, 9, 9));
    EXPECT_GT(ink(t, RGB(9, 9, 9)), 30);
}

TEST(Text, ExtentsGrowWithThePointSize) {
    int last_w = 0, last_h = 0;
    for (int pt10 : {90, 100, 120, 140, 160}) {
        Font f = Font::create_point(pt10, u"Tahoma");
        ASSERT_TRUE(f);
        const Size s = f.text_extent(u"Center 1.000 GHz");
        EXPECT_GT(s.cx, last_w) << pt10;
        EXPECT_GT(s.cy, last_h) << pt10;
        last_w = s.cx;
        last_h = s.cy;
    }
    EXPECT_EQ(Font::create_point(90, u"Tahoma").spec().height, -12);
    EXPECT_EQ(Font::create_point(140, u"Tahoma").spec().height, -19);
}

TEST(Text, FacesResolveToTheSansAndTheCjkFonts) {
    const auto sans = Font::create_point(100, u"Tahoma").file().filename().string();
    const auto cjk = Font::create_point(100, u"SC_Song").file().filename().string();
    EXPECT_NE(sans.find("DejaVuSans"), std::string::npos) << sans;
    EXPECT_NE(cjk, sans);
    EXPECT_FALSE(cjk.empty());
    // Bold asks for a heavier face (or emboldens): more ink.
    FontSpec normal{.height = -16, .face = u"Tahoma"};
    FontSpec bold = normal;
    bold.weight = FW_BOLD;
    Bitmap a = Bitmap::create(120, 30, kWhite), c = Bitmap::create(120, 30, kWhite);
    Dc da(a), dcb(c);
    da.select_font(Font::create(normal));
    dcb.select_font(Font::create(bold));
    da.text_out(0, 0, u"Marker");
    dcb.text_out(0, 0, u"Marker");
    EXPECT_GT(ink(c, kWhite), ink(a, kWhite));
}

TEST(Text, MandarinRendersWithTheCjkFont) {
    Font song = Font::create(FontSpec{.height = -20, .face = u"SC_Song"});
    Bitmap b = Bitmap::create(200, 40, kWhite);
    Dc dc(b);
    dc.select_font(song);
    const std::u16string text = u"频谱分析仪";
    dc.text_out(0, 0, text);
    EXPECT_GT(ink(b, kWhite), 200);
    // Square glyphs: about one em per character.
    EXPECT_NEAR(dc.text_extent(text).cx, 5 * 20, 10);
    // Han text in the sans face comes from the CJK font too, never blank.
    Bitmap s = Bitmap::create(200, 40, kWhite);
    Dc sdc(s);
    sdc.select_font(Font::create(FontSpec{.height = -20, .face = u"Tahoma"}));
    sdc.text_out(0, 0, text);
    EXPECT_GT(ink(s, kWhite), 200);
}

TEST(Text, CentredTextLiesWithinOnePixelOfTheCentre) {
    struct Case {
        Rect rect;
        const char16_t* text;
    };
    const Case cases[] = {
        {{0, 0, 200, 40}, u"Span"}, {{13, 7, 170, 30}, u"Ref -10.0 dBm"}, {{50, 10, 91, 51}, u"W"}};
    for (const Case& c : cases) {
        Bitmap b = Bitmap::create(220, 60, kWhite);
        Dc dc(b);
        dc.set_bk_mode(TRANSPARENT);
        Rect r = c.rect;
        dc.draw_text(c.text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        // The text cell (advance by line height) is centred in the rectangle.
        const Size ext = dc.text_extent(c.text);
        const Rect box = ink_box(b, kWhite);
        ASSERT_FALSE(box.empty());
        const double cell_left = c.rect.left + (c.rect.width() - ext.cx) / 2;
        EXPECT_NEAR(cell_left + ext.cx / 2.0, (c.rect.left + c.rect.right) / 2.0, 1.0);
        // And the ink sits within the cell.
        EXPECT_GE(box.left, cell_left - 2);
        EXPECT_LE(box.right, cell_left + ext.cx + 2);
        const double ink_mid_x = (box.left + box.right) / 2.0;
        EXPECT_NEAR(ink_mid_x, (c.rect.left + c.rect.right) / 2.0, 2.0);
    }
}

TEST(Text, DrawTextAlignsClipsAndBreaksLines) {
    Bitmap b = Bitmap::create(100, 60, kWhite);
    Dc dc(b);
    dc.set_bk_mode(TRANSPARENT);
    const int w = dc.text_extent(u"Ab").cx;
    Rect right{0, 0, 100, 20};
    dc.draw_text(u"Ab", right, DT_RIGHT | DT_SINGLELINE);
    const Rect box = ink_box(b, kWhite);
    EXPECT_LE(box.right, 100);
    EXPECT_GE(box.left, 100 - w - 1);

    // Line breaks give one line per text line; DT_CALCRECT measures them.
    Rect calc{0, 0, 100, 0};
    const int h = dc.draw_text(u"one\ntwo\r\nthree", calc, DT_CALCRECT);
    EXPECT_EQ(h, 3 * Font::default_font().metrics().height);
    EXPECT_EQ(calc.bottom, h);
    EXPECT_EQ(calc.right, dc.text_extent(u"three").cx);
    Rect single{0, 0, 100, 0};
    dc.draw_text(u"one\ntwo", single, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(single.bottom, Font::default_font().metrics().height);

    // Word breaks wrap at the rectangle's width.
    Rect wrap{0, 0, dc.text_extent(u"alpha beta").cx, 0};
    const int lines = dc.draw_text(u"alpha beta alpha beta", wrap, DT_CALCRECT | DT_WORDBREAK) /
                      Font::default_font().metrics().height;
    EXPECT_EQ(lines, 2);

    // Without DT_NOCLIP nothing lands outside the rectangle.
    Bitmap c = Bitmap::create(100, 40, kWhite);
    Dc cdc(c);
    Rect small{10, 10, 30, 20};
    cdc.draw_text(u"Overlong label", small, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    const Rect inked = ink_box(c, kWhite);
    EXPECT_GE(inked.left, 10);
    EXPECT_GE(inked.top, 10);
    EXPECT_LE(inked.right, 30);
    EXPECT_LE(inked.bottom, 20);
    // The '&' prefix marks are removed unless DT_NOPREFIX.
    EXPECT_EQ(cdc.text_extent(u"R&S").cx > cdc.text_extent(u"RS").cx, true);
    Rect p1{0, 0, 0, 0}, p2{0, 0, 0, 0};
    cdc.draw_text(u"R&&S", p1, DT_CALCRECT | DT_SINGLELINE);
    cdc.draw_text(u"R&S", p2, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(p1.right, p2.right);
}

TEST(Text, UnderlineAddsARowOfInkBelowTheBaseline) {
    FontSpec spec{.height = -14, .weight = FW_SEMIBOLD, .face = u"Tahoma"};
    Font plain = Font::create(spec);
    spec.underline = true;
    Font under = Font::create(spec);
    Bitmap a = Bitmap::create(80, 24, kWhite), b = Bitmap::create(80, 24, kWhite);
    Dc da(a), db(b);
    da.set_bk_mode(TRANSPARENT);
    db.set_bk_mode(TRANSPARENT);
    da.select_font(plain);
    db.select_font(under);
    da.text_out(0, 0, u"ooo");
    db.text_out(0, 0, u"ooo");
    const int w = da.text_extent(u"ooo").cx;
    EXPECT_GE(ink(b, kWhite) - ink(a, kWhite), w - 2);
}

TEST(Text, FontFilesOfTheDeviceImageAreUsedByName) {
    // A device root holding "Tahoma.ttf" (here a copy of the CJK font, so
    // that the choice is visible) wins over the fontconfig fallback.
    const auto root =
        std::filesystem::temp_directory_path() / ("gfx-font-root-" + std::to_string(::getpid()));
    const auto saved_root = device_root();
    std::filesystem::create_directories(root / "FlashFX Disk" / "System");
    const auto cjk = resolve_face(u"SC_Song");
    std::filesystem::copy_file(cjk, root / "FlashFX Disk" / "System" / "Sunfon.ttf",
                               std::filesystem::copy_options::overwrite_existing);
    set_device_root(root);
    set_face_substitute(u"TestFace", u"\\FlashFX Disk\\System\\Sunfon.ttf", "DejaVu Sans");
    EXPECT_EQ(resolve_face(u"TestFace"), root / "FlashFX Disk" / "System" / "Sunfon.ttf");
    // Files added by path are found by family name and by file name.
    const auto added = root / "FlashFX Disk" / "System" / "Sunfon.ttf";
    ASSERT_TRUE(add_font_file(added));
    EXPECT_FALSE(add_font_file(root / "missing.ttf"));
    EXPECT_EQ(resolve_face(u"WenQuanYi Micro Hei"), added);
    EXPECT_EQ(resolve_face(u"sunfon"), added);
    Font f = Font::create(FontSpec{.height = -16, .face = u"Sunfon"});
    EXPECT_GT(f.text_extent(u"频谱").cx, 20);

    std::filesystem::remove_all(root);
    set_device_root(saved_root);
    EXPECT_NE(resolve_face(u"TestFace").filename().string().find("DejaVuSans"), std::string::npos);
}

}  // namespace
}  // namespace plat

namespace plat {
namespace {

TEST(Text, FaceSubstitutesComeFromTheRegistry) {
    const auto root =
        std::filesystem::temp_directory_path() / ("gfx-reg-root-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    const auto saved_root = device_root();
    set_device_root(root);
    RegKey key;
    ASSERT_EQ(hkey_local_machine().create(u"SYSTEM\\GDI\\FontSubstitutes", key), ERROR_SUCCESS);
    key.set_string(u"Ming", u"WenQuanYi Micro Hei");
    EXPECT_EQ(load_face_substitutes(), 1);
    EXPECT_EQ(resolve_face(u"ming"), resolve_face(u"SC_Song"));
    set_device_root(saved_root);
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace plat

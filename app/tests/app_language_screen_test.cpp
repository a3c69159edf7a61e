// What a Mandarin user sees: the message dialog's key labels drawn from the
// Mandarin table in the image's CJK font, checked pixel by pixel against the
// platform's own rendering of those texts (ImageMagick compares), and the
// English labels back after the switch.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "language/tests/language_test_support.h"
#include "platform/framework/controls.h"
#include "platform/gfx/dc.h"
#include "platform/gfx/image_file.h"
#include "platform/gfx/tests/magick_pixel.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kYesId = 958;
constexpr uint32_t kNoId = 959;
constexpr int kInset = 4;  // inside the key's frame and focus ring

// The open box's keys, found once the box is up.
struct ShownKey {
    std::u16string text;
    plat::Rect rect;  // screen
};
std::vector<ShownKey> g_keys;  // the user-interface thread's

void FindKeys(plat::Window*, uint32_t, uintptr_t id, uint32_t) {
    plat::kill_timer(nullptr, id);
    g_keys.clear();
    for (plat::Window* top : plat::top_level_windows()) {
        if (!top->is_visible()) continue;
        for (plat::Window* child : top->children())
            if (child->class_name() == "BUTTON" && child->is_visible())
                g_keys.push_back({child->text(), child->screen_rect()});
    }
}

// The inside of a key of the screenshot, as a file.
fs::path CropKey(const fs::path& shot, const plat::Rect& key, const fs::path& out) {
    const plat::Rect in = key.inflate(-kInset, -kInset);
    const std::string cmd = "convert '" + shot.string() + "' -crop " + std::to_string(in.width()) +
                            "x" + std::to_string(in.height()) + "+" + std::to_string(in.left) +
                            "+" + std::to_string(in.top) + " +repage '" + out.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return out;
}

// The platform's rendering of a key label: the text centred on the key's face
// in the font of the message dialog, cropped as CropKey crops.
fs::path RenderKey(const std::u16string& text, const plat::Font& font, const plat::Rect& key,
                   const fs::path& out) {
    plat::Bitmap bmp = plat::Bitmap::create(key.width(), key.height(), plat::kControlFace);
    plat::Dc dc(bmp);
    dc.select_font(font);
    dc.set_bk_mode(plat::TRANSPARENT);
    dc.set_text_color(plat::kControlText);
    plat::Rect r{0, 0, key.width(), key.height()};
    dc.draw_text(text, r,
                 plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX);
    const plat::Rect in = r.inflate(-kInset, -kInset);
    plat::Bitmap inside = plat::Bitmap::create(in.width(), in.height());
    plat::Dc(inside).bit_blt(0, 0, in.width(), in.height(), bmp, in.left, in.top);
    EXPECT_TRUE(plat::write_png_file(out, inside));
    return out;
}

TEST(LanguageScreen, MandarinKeyLabelsAreTheTablesTextsInTheImagesFont) {
    DeviceRoot root("celvane-zh-shot");
    ASSERT_TRUE(lang_test::LayOutImage(root.path()));
    root.Write("FlashFX Disk/System/language.txt", "4");
    const auto zh = lang_test::ReadTable(fs::path(CELVANE_SOURCE_DIR) / "language/strings-zh.tsv");
    const auto en = lang_test::ReadTable(fs::path(CELVANE_SOURCE_DIR) / "core/strings/strings.tsv");

    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(1);
    std::vector<ShownKey> zhKeys, enKeys;
    plat::Font zhFont, enFont;
    fs::path sunfon;
    auto showBox = [&](plat::Font& font) {
        font =
            plat::Font::create_point(static_cast<int>(app.GetLargeFontHeight()), app.GetFontFace());
        plat::set_timer(nullptr, 0, 1, FindKeys);
        ShowMessage(u"?", MB_YESNO);
    };
    app.initial->probes[plat::VK_F1] = [&] {
        sunfon = plat::resolve_face(u"SC_Song");
        showBox(zhFont);
        zhKeys = g_keys;
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32806, 9);
    };
    app.initial->probes[plat::vk_function(2)] = [&] {
        showBox(enFont);
        enKeys = g_keys;
    };
    const fs::path zhShot = root.path() / "zh.png", enShot = root.path() / "en.png";
    ASSERT_EQ(RunScript(app, root,
                        "key F1\nwait 100\nshot " + zhShot.string() + "\nkey ESCAPE\n" +
                            "key F2\nwait 100\nshot " + enShot.string() + "\nkey ESCAPE\nquit\n"),
              0);
    EXPECT_EQ(sunfon, fs::canonical(root.system() / "Sunfon.ttf")) << "SC_Song is the image's font";
    ASSERT_EQ(zhKeys.size(), 2u);
    ASSERT_EQ(enKeys.size(), 2u);

    const fs::path dir = root.path();
    int k = 0;
    for (uint32_t id : {kYesId, kNoId}) {
        SCOPED_TRACE(id);
        const ShownKey& zhKey = zhKeys[k];
        const ShownKey& enKey = enKeys[k];
        ++k;
        EXPECT_EQ(zhKey.text, zh.at(id));
        EXPECT_EQ(enKey.text, en.at(id));
        const std::string n = std::to_string(id);
        const fs::path zhSeen = CropKey(zhShot, zhKey.rect, dir / (n + "-zh-seen.png"));
        const fs::path enSeen = CropKey(enShot, enKey.rect, dir / (n + "-en-seen.png"));
        const fs::path zhMade = RenderKey(zh.at(id), zhFont, zhKey.rect, dir / (n + "-zh.png"));
        const fs::path enMade = RenderKey(en.at(id), enFont, enKey.rect, dir / (n + "-en.png"));
        EXPECT_EQ(plat::magick_difference(zhSeen, zhMade), 0);
        EXPECT_EQ(plat::magick_difference(enSeen, enMade), 0);
        EXPECT_GT(plat::magick_difference(zhSeen, enMade), 20)
            << "the Mandarin label is not the English one";
    }
}

}  // namespace

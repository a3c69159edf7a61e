// The program's message box in the real application, headless: its sound
// before it shows, its icon in the screenshot as ImageMagick reads it, and
// the screen after it closes the same as before it opened.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "platform/gfx/artwork.h"
#include "platform/gfx/tests/magick_pixel.h"
#include "platform/sound/sound.h"

using namespace app_test;

namespace {

TEST(ProgramMessageBox, IconSoundAndTheScreenPutBack) {
    DeviceRoot root("celvane-box-shot");
    plat::write_wave_file(u"\\Windows\\critical.wav", plat::make_tone(880, 20));
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(kScreenNetworkAnalyzer);
    app.initial = screen;
    int answer = 0;
    screen->probes[plat::VK_F1] = [&] {
        answer = ShowMessage(u"Sensor fault", MB_OK | MB_ICONHAND);
    };
    const auto before = root.path() / "before.png";
    const auto open = root.path() / "open.png";
    const auto after = root.path() / "after.png";
    plat::clear_played_sounds();
    const int code = RunScript(app, root,
                               "wait 100\nshot " + before.string() + "\nkey F1\nwait 100\nshot " +
                                   open.string() + "\nkey RETURN\nwait 100\nshot " +
                                   after.string() + "\nquit\n");
    ASSERT_EQ(code, 0);
    EXPECT_EQ(answer, plat::IDOK);
    // The screen's activation beeps; the box's sound is the first file.
    auto sounds = plat::played_sounds();
    std::erase_if(sounds, [](const plat::PlayedSound& s) { return s.beep.has_value(); });
    ASSERT_FALSE(sounds.empty());
    EXPECT_EQ(sounds.front().source, u"\\Windows\\critical.wav");
    // Where the box's stop icon stands: the same box, made again here.
    CMessageDlg probe(nullptr, u"", MB_OK | MB_ICONHAND);
    ASSERT_TRUE(probe.Create(CMessageDlg::IDD, nullptr));
    const plat::Rect icon = probe.GetDlgItem(CMessageDlg::kStopIcon)->GetWindowRect();
    probe.DestroyWindow();
    const plat::Bitmap bitmap = plat::load_bitmap(plat::kStopIconBitmap);
    const int x0 = icon.left + (icon.width() - bitmap.width()) / 2;
    const int y0 = icon.top + (icon.height() - bitmap.height()) / 2;
    for (const plat::Point p : {plat::Point{16, 16}, plat::Point{4, 16}, plat::Point{10, 10}}) {
        const plat::COLORREF c = bitmap.pixel(p.x, p.y);
        char want[8];
        std::snprintf(want, sizeof want, "#%02X%02X%02X", plat::GetRValue(c), plat::GetGValue(c),
                      plat::GetBValue(c));
        EXPECT_EQ(plat::magick_pixel(open, x0 + p.x, y0 + p.y), want) << p.x << "," << p.y;
    }
    EXPECT_GT(plat::magick_difference(before, open), 0);
    EXPECT_EQ(plat::magick_difference(before, after), 0);
}

}  // namespace

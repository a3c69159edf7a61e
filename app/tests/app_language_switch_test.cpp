// The program with the real language libraries of the device image: started
// in Mandarin, switched back to English and forth by the language command,
// many times over.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "core/res_string.h"
#include "language/tests/language_test_support.h"
#include "platform/kernel/debug_out.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kToolsId = 134;
constexpr uint32_t kLanguageCommand = 32806;
const std::u16string kToolsMandarin = u"\u5de5\u5177";

// A device root laid out by the image builder (libraries, fonts, help).
class ImageRoot : public DeviceRoot {
  public:
    explicit ImageRoot(const std::string& tag)
        : DeviceRoot(tag), built(lang_test::LayOutImage(path())) {}
    bool built;
};

struct Look {
    std::u16string tools;
    std::u16string face;
    int32_t language = 0;
    std::string stored;
};

TEST(LanguageSwitch, MandarinAtStartThenEnglishAndBackManyTimes) {
    ImageRoot root("celvane-switch");
    ASSERT_TRUE(root.built);
    root.Write("FlashFX Disk/System/language.txt", "4");
    plat::DebugCapture trace;
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(1);
    auto look = [&] {
        return Look{LoadResString(kToolsId), app.GetFontFace(), app.GetLanguageId(),
                    root.Read("FlashFX Disk/System/language.txt")};
    };
    Look atStart, english, mandarin;
    std::u16string nameZh, nameEn;
    int wrong = 0;
    app.initial->probes[plat::VK_F1] = [&] {
        atStart = look();
        nameZh = app.GetLanguageName(4);
        nameEn = app.GetLanguageName(9);
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, kLanguageCommand, 9);
        english = look();
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, kLanguageCommand, 4);
        mandarin = look();
        // Fifty more switches; each leaves the texts of its language.
        for (int i = 0; i < 50; ++i) {
            const int32_t id = i % 2 ? 4 : 9;
            app.GetMainFrame()->SendMessage(plat::WM_COMMAND, kLanguageCommand, id);
            const Look now = look();
            wrong += now.tools != (id == 4 ? kToolsMandarin : u"Tools") || now.language != id;
        }
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);

    EXPECT_EQ(atStart.tools, kToolsMandarin);
    EXPECT_EQ(atStart.face, u"SC_Song");
    EXPECT_EQ(atStart.language, 4);
    EXPECT_EQ(nameZh, u"Chinese (PRC)");
    EXPECT_EQ(nameEn, u"English");

    EXPECT_EQ(english.tools, u"Tools");
    EXPECT_EQ(english.face, u"Tahoma");
    EXPECT_EQ(english.language, 9);
    EXPECT_EQ(english.stored, "9");

    EXPECT_EQ(mandarin.tools, kToolsMandarin);
    EXPECT_EQ(mandarin.face, u"SC_Song");
    EXPECT_EQ(mandarin.stored, "4");
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "4") << "the last switch was to 4";

    for (const std::string& line : trace.lines())
        EXPECT_EQ(line.find("no text for id"), std::string::npos) << line;
}

}  // namespace

namespace {

TEST(LanguageSwitch, MandarinWithoutItsFontComesUpInEnglishAfterOneBox) {
    ImageRoot root("celvane-switch-nofont");
    ASSERT_TRUE(root.built);
    fs::remove(root.system() / "Sunfon.ttf");
    root.Write("FlashFX Disk/System/language.txt", "4");
    std::vector<std::u16string> boxes;
    SetMessageBoxObserver([&](const std::u16string& text, uint32_t) { boxes.push_back(text); });
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(1);
    Look seen;
    app.initial->probes[plat::VK_F1] = [&] {
        seen = {LoadResString(kToolsId), app.GetFontFace(), app.GetLanguageId(), {}};
    };
    const int code = RunScript(app, root, "key RETURN\nkey F1\nquit\n");
    SetMessageBoxObserver(nullptr);
    ASSERT_EQ(code, 0);
    ASSERT_EQ(boxes.size(), 1u) << "the program's box only: the English library brings no font";
    EXPECT_EQ(boxes[0], u"Load Font Failed.\n");
    EXPECT_EQ(seen.tools, u"Tools");
    EXPECT_EQ(seen.face, u"Tahoma");
    EXPECT_EQ(seen.language, 9);
}

}  // namespace

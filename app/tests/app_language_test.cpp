// Language libraries bound by name at start and on the language command: a
// library built by these tests stands in for the Mandarin one.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "core/res_string.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

const std::u16string kMandarinTitle = u"\u5854\u6069\u7ef4\u514b";

void InstallLibrary(const DeviceRoot& root, const char* built, const char* as) {
    fs::copy_file(BinDir() / built, root.system() / as, fs::copy_options::overwrite_existing);
}

void InstallCjkFont(const DeviceRoot& root) {
    for (const char* f : {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
                          "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
        if (fs::exists(f)) {
            fs::copy_file(f, root.system() / "Sunfon.ttf", fs::copy_options::overwrite_existing);
            return;
        }
    }
}

struct Seen {
    std::u16string title;
    std::u16string face;
    std::u16string face2;
    uint32_t largeHeight = 0;
    int32_t language = 0;
};

Seen Look(CCelvaneApp& app) {
    return {LoadResString(57344), app.GetFontFace(), app.GetFontFace2(), app.GetLargeFontHeight(),
            app.GetLanguageId()};
}

TEST(Language, MandarinFromItsLibraryThenBackToTheBuiltInEnglish) {
    DeviceRoot root("celvane-lang");
    InstallLibrary(root, "test_lang_zh.so", "QXMandarinDll.dll");
    InstallCjkFont(root);
    root.Write("FlashFX Disk/System/language.txt", "4");
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    Seen mandarin, english;
    app.initial->probes[plat::VK_F1] = [&] {
        mandarin = Look(app);
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32806, 9);
        english = Look(app);
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);

    EXPECT_EQ(mandarin.title, kMandarinTitle);
    EXPECT_EQ(mandarin.face, u"SC_Song");
    EXPECT_EQ(mandarin.face2, u"SC_Song");
    EXPECT_EQ(mandarin.largeHeight, 140u);
    EXPECT_EQ(mandarin.language, 4);

    EXPECT_EQ(english.title, u"Tarnwick");
    EXPECT_EQ(english.face, u"Tahoma") << "the font sets return to their defaults";
    EXPECT_EQ(english.language, 9);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "9");
    EXPECT_EQ(GetLanguageHook(), nullptr) << "the library is gone after the exit";
}

TEST(Language, ALibraryWithTheWrongIdIsRefusedAndTheLanguageStays) {
    DeviceRoot root("celvane-wrong");
    InstallLibrary(root, "test_lang_zh.so", "QXMandarinDll.dll");
    // An English library that answers for another language.
    InstallLibrary(root, "test_lang_wrong.so", "QXEnglishDll.dll");
    InstallCjkFont(root);
    root.Write("FlashFX Disk/System/language.txt", "4");
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    Seen after;
    app.initial->probes[plat::VK_F1] = [&] {
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32806, 9);
        after = Look(app);
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    EXPECT_EQ(after.title, kMandarinTitle);
    EXPECT_EQ(after.face, u"SC_Song");
    EXPECT_EQ(after.language, 4);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "4") << "the stored language stays";
}

TEST(Language, AWrongMandarinLibraryLeavesEnglish) {
    DeviceRoot root("celvane-wrong-zh");
    InstallLibrary(root, "test_lang_wrong.so", "QXMandarinDll.dll");
    InstallCjkFont(root);
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    Seen before, after;
    app.initial->probes[plat::VK_F1] = [&] {
        before = Look(app);
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32806, 4);
        after = Look(app);
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    EXPECT_EQ(before.language, 9) << "no language.txt: English";
    EXPECT_EQ(after.title, u"Tarnwick");
    EXPECT_EQ(after.face, u"Tahoma");
    EXPECT_EQ(after.language, 9);
}

TEST(Language, ABadHelpLibraryDoesNotUndoTheLanguageChange) {
    DeviceRoot root("celvane-help");
    InstallLibrary(root, "test_lang_zh.so", "QXMandarinDll.dll");
    InstallLibrary(root, "test_lang_wrong.so", "QXEnglishHelp.dll");
    InstallCjkFont(root);
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    Seen after;
    app.initial->probes[plat::VK_F1] = [&] {
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, 32806, 4);
        after = Look(app);
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    EXPECT_EQ(after.title, kMandarinTitle);
    EXPECT_EQ(after.language, 4);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "4") << "texts and stored id agree";
}

TEST(Language, AMissingMandarinFontForcesEnglish) {
    DeviceRoot root("celvane-nofont");
    InstallLibrary(root, "test_lang_zh.so", "QXMandarinDll.dll");
    root.Write("FlashFX Disk/System/language.txt", "4");
    std::vector<std::u16string> shown;
    SetMessageBoxObserver([&](const std::u16string& text, uint32_t) { shown.push_back(text); });
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenNetworkAnalyzer);
    Seen seen;
    app.initial->probes[plat::VK_F1] = [&] { seen = Look(app); };
    const int code = RunScript(app, root, "key RETURN\nkey F1\nquit\n");
    SetMessageBoxObserver(nullptr);
    ASSERT_EQ(code, 0);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], u"Load Font Failed.\n");
    EXPECT_EQ(seen.title, u"Tarnwick");
    EXPECT_EQ(seen.language, 9);
}

TEST(Language, NamesOfTheLanguages) {
    DeviceRoot root("celvane-names");
    InstallLibrary(root, "test_lang_zh.so", "QXMandarinDll.dll");
    TestApp app(std::make_shared<Log>());
    EXPECT_EQ(app.GetLanguageName(4), u"\u4e2d\u6587");
    EXPECT_EQ(app.GetLanguageName(9), LoadResString(64371)) << "English without its library";
    EXPECT_EQ(app.GetLanguageName(7), u"") << "no German library";
}

}  // namespace

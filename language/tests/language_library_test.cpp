// The language libraries as the main program meets them: built, installed by
// the device image builder, loaded by the platform's loader by name and bound
// by their exported names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "language/language_abi.h"
#include "language/tests/language_test_support.h"
#include "platform/framework/message_box.h"
#include "platform/fs/device_path.h"
#include "platform/fs/tests/test_support.h"
#include "platform/gfx/font.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/thread.h"
#include "platform/module/library.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace {

namespace fs = std::filesystem;
using lang_test::ReadTable;
using lang_test::SourceDir;

// A device root laid out by the image builder.
class ImageRoot : public celvane_test::TempRoot {
  public:
    explicit ImageRoot(const std::string& tag)
        : TempRoot(tag), built(lang_test::LayOutImage(path())) {}
    fs::path system() const { return path() / "FlashFX Disk" / "System"; }
    bool built;
};

// A bare device root with one built library installed under `as`.
class LibraryRoot : public celvane_test::TempRoot {
  public:
    LibraryRoot(const std::string& tag, const char* built, const char* as) : TempRoot(tag) {
        lang_test::InstallLibrary(fs::path(CELVANE_BIN_DIR) / built, path(), as);
    }
};

struct Exports {
    plat::Library lib;
    lang::GetLanguageResFn res = nullptr;
    lang::GetLangDllIdFn id = nullptr;
    lang::LangOnLoadFn on_load = nullptr;
};

Exports Bind(std::u16string_view name) {
    Exports e;
    e.lib = plat::Library::load(name);
    if (!e.lib) return e;
    e.res = reinterpret_cast<lang::GetLanguageResFn>(e.lib.symbol(lang::kGetLanguageRes));
    e.id = reinterpret_cast<lang::GetLangDllIdFn>(e.lib.symbol(lang::kGetLangDllId));
    e.on_load = reinterpret_cast<lang::LangOnLoadFn>(e.lib.symbol(lang::kLangOnLoad));
    return e;
}

// The text of an id as the caller takes it: copied, then the block freed.
// Checks that a text of n units has its zero at index n.
std::u16string Take(lang::GetLanguageResFn res, int32_t id, bool* found = nullptr) {
    char16_t* block = res(id);
    if (found) *found = block != nullptr;
    if (!block) return {};
    std::u16string text(block);
    EXPECT_EQ(block[text.size()], u'\0');
    std::free(block);
    return text;
}

TEST(LanguageLibraries, TheImageHoldsBothAndTheyServeTheirTables) {
    ImageRoot root("lang-image");
    ASSERT_TRUE(root.built);
    for (const char* file : {"QXMandarinDll.dll", "QXEnglishDll.dll"})
        EXPECT_TRUE(fs::is_regular_file(root.system() / file)) << file;
    // The Mandarin help that the Mandarin table names: UTF-16LE with its mark.
    {
        Exports zh = Bind(u"QXMandarinDll.dll");
        ASSERT_TRUE(zh.res);
        const auto help = plat::host_path(Take(zh.res, 63194));
        ASSERT_TRUE(help && fs::is_regular_file(*help));
        const std::string bytes = celvane_test::slurp(*help);
        ASSERT_GT(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xff\xfe");
        EXPECT_EQ(bytes.size() % 2, 0u);
    }

    struct Case {
        const char16_t* file;
        int32_t id;
        fs::path table;
        const char16_t* name;
        bool font;
    };
    const Case cases[] = {
        {u"QXMandarinDll.dll", 4, SourceDir() / "language/strings-zh.tsv", u"Chinese (PRC)", true},
        {u"QXEnglishDll.dll", 9, SourceDir() / "core/strings/strings.tsv", u"English", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(plat::to_utf8(c.file));
        Exports e = Bind(c.file);
        ASSERT_TRUE(e.lib);
        ASSERT_TRUE(e.res && e.id);
        EXPECT_EQ(e.id(), c.id);
        EXPECT_EQ(e.on_load != nullptr, c.font) << "only Mandarin brings its font";
        EXPECT_EQ(Take(e.res, 1), c.name);
        for (int32_t absent : {0, 2, -1, 65535, 1 << 30}) {
            bool found = true;
            Take(e.res, absent, &found);
            EXPECT_FALSE(found) << absent;
        }
        // Every text of the source table, as its authors wrote it.
        const auto rows = ReadTable(c.table);
        ASSERT_GT(rows.size(), 400u);
        for (const auto& [id, text] : rows)
            EXPECT_EQ(Take(e.res, static_cast<int32_t>(id)), text) << "id " << id;
    }
}

// The functions a built library exports (its dynamic symbol table).
std::set<std::string> ExportedFunctions(const fs::path& file) {
    std::set<std::string> names;
    const std::string cmd = "nm -D --defined-only --format=posix '" + file.string() + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return names;
    char name[512], type[8];
    while (std::fscanf(pipe, "%511s %7s%*[^\n]", name, type) == 2) {
        if (std::string(type) == "T" && name[0] != '_') names.insert(name);
    }
    pclose(pipe);
    return names;
}

TEST(LanguageLibraries, ExportExactlyTheirEntryPoints) {
    const fs::path bin = CELVANE_BIN_DIR;
    EXPECT_EQ(ExportedFunctions(bin / "QXMandarinDll.so"),
              (std::set<std::string>{"GetLanguageRes", "GetLangDllId", "LangOnLoad"}));
    EXPECT_EQ(ExportedFunctions(bin / "QXEnglishDll.so"),
              (std::set<std::string>{"GetLanguageRes", "GetLangDllId"}));
}

TEST(LanguageLibraries, EveryIdOfTheProgramHasAMandarinText) {
    const auto english = ReadTable(SourceDir() / "core/strings/strings.tsv");
    const auto mandarin = ReadTable(SourceDir() / "language/strings-zh.tsv");
    for (const auto& [id, text] : english) EXPECT_TRUE(mandarin.count(id)) << "id " << id;
    EXPECT_EQ(mandarin.at(64197), u"English") << "the way back reads in English";
    EXPECT_EQ(mandarin.at(64198), u"\u4e2d\u6587");
    EXPECT_EQ(english.at(64198), u"Chinese");
}

TEST(LanguageLibraries, OnlyTextsABufferOf512HoldsWholeAreReturned) {
    LibraryRoot root("lang-limits", "test_lang_limits.so", "QXLimitsDll.dll");
    Exports e = Bind(u"QXLimitsDll.dll");
    ASSERT_TRUE(e.res);
    struct Row {
        int32_t id;
        size_t units;  // 0: no text
    };
    for (const Row& row : {Row{1, 4}, Row{10, 0}, Row{510, 510}, Row{511, 0}, Row{600, 0}}) {
        bool found = false;
        const std::u16string text = Take(e.res, row.id, &found);
        EXPECT_EQ(found, row.units != 0) << "id " << row.id;
        EXPECT_EQ(text.size(), row.units) << "id " << row.id;
    }
}

// A top-level window that counts font changes.
class FontWatcher : public plat::Window {
  public:
    int changes = 0;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == plat::WM_FONTCHANGE) ++changes;
        return default_proc(msg, wp, lp);
    }
};

plat::CreateParams TopLevel(plat::Rect r) {
    plat::CreateParams p;
    p.class_name = "FontWatcher";
    p.style = plat::WS_VISIBLE;
    p.rect = r;
    return p;
}

std::u16string Face(const char16_t* field) {
    return std::u16string(field);
}

TEST(LanguageLibraries, MandarinSetsItsFaceAndInstallsItsFontOnce) {
    ImageRoot root("lang-font");
    ASSERT_TRUE(root.built);
    // The library names the file in other case than the image holds it.
    ASSERT_TRUE(fs::exists(root.system() / "Sunfon.ttf"));
    Exports e = Bind(u"QXMandarinDll.dll");
    ASSERT_TRUE(e.on_load);

    plat::ensure_message_queue();
    FontWatcher a, b;
    ASSERT_TRUE(a.create(TopLevel({0, 0, 100, 100})));
    ASSERT_TRUE(b.create(TopLevel({100, 0, 200, 100})));

    LangFontInfo info;
    info.height1 = 11;
    info.weight2 = 22;
    LangFontInfo first_bytes;
    ASSERT_EQ(e.on_load(&info, 0), 1) << "the broadcast's result";
    EXPECT_EQ(a.changes, 1);
    EXPECT_EQ(b.changes, 1);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&info);
    EXPECT_EQ(Face(reinterpret_cast<const char16_t*>(bytes + 16)), lang::kMandarinFace);
    EXPECT_EQ(Face(reinterpret_cast<const char16_t*>(bytes + 528)), lang::kMandarinFace);
    EXPECT_EQ(info.size, 1052u);
    EXPECT_EQ(info.height1, 11u);
    EXPECT_EQ(info.width1, 100u);
    EXPECT_EQ(info.weight2, 22u);
    std::memcpy(&first_bytes, &info, sizeof info);

    const size_t fonts = plat::font_registry_size();
    ASSERT_EQ(e.on_load(&info, 0), 1);
    EXPECT_EQ(std::memcmp(&first_bytes, &info, sizeof info), 0) << "the same bytes again";
    EXPECT_EQ(plat::font_registry_size(), fonts) << "the font is not added twice";
    EXPECT_EQ(a.changes, 2);
    EXPECT_EQ(plat::resolve_face(lang::kMandarinFace), fs::canonical(root.system() / "Sunfon.ttf"));
    a.destroy();
    b.destroy();
}

TEST(LanguageLibraries, WithoutItsFontMandarinSaysSoAndStillSetsTheFace) {
    LibraryRoot root("lang-nofont", "QXMandarinDll.so", "QXMandarinDll.dll");
    Exports e = Bind(u"QXMandarinDll.dll");
    ASSERT_TRUE(e.on_load);
    std::vector<plat::MessageBoxCall> boxes;
    plat::set_message_box_observer([&](const plat::MessageBoxCall& c) { boxes.push_back(c); });
    plat::ensure_message_queue();
    plat::set_input_thread(plat::current_thread_id());
    // The user answers the box with Enter.
    plat::post_key_input(plat::VK_RETURN, true);
    plat::post_key_input(plat::VK_RETURN, false);

    LangFontInfo info;
    EXPECT_EQ(e.on_load(&info, 0), plat::IDOK) << "the box's answer";
    plat::set_message_box_observer(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Load Font Failed.");
    EXPECT_EQ(boxes[0].flags, plat::MB_ICONEXCLAMATION);
    EXPECT_EQ(Face(info.face1), lang::kMandarinFace);
    EXPECT_EQ(Face(info.face2), lang::kMandarinFace);
}

}  // namespace

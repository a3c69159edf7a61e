// Setups saved to and loaded from a device root: quick, backup and named
// saves, the owner word, and the table of damaged files a load refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

using namespace std::string_literals;

#include "core/history.h"
#include "core/res_string.h"
#include "files_test_support.h"
#include "platform/kernel/clock.h"

using namespace files_test;
namespace fs = std::filesystem;

namespace {

const fs::path kSetups = fs::path("FlashFX Disk") / "My Setups";

std::string Text(CMeasSetup& setup) {
    std::unique_ptr<CSetupFile> file;
    if (auto* sa = dynamic_cast<CSAMeasSetup*>(&setup)) file = std::make_unique<CSASetupFile>(sa);
    if (auto* vna = dynamic_cast<CVNAMeasSetup*>(&setup))
        file = std::make_unique<CVNASetupFile>(vna);
    return file->FormatInMemory();
}

// The text without its "change date" line: a read takes the save time from
// "file save date" when there is one (the second may have turned between
// dating the setup and stamping its save).
std::string WithoutChangeDate(const std::string& text) {
    size_t at = text.find("\t<change date = ");
    return at == std::string::npos ? text
                                   : text.substr(0, at) + text.substr(text.find('\n', at) + 1);
}

std::string Utf8(std::u16string_view text) {
    return plat::to_utf8(text);
}

}  // namespace

class SetupSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CSASetupFile file(&sa);
        ASSERT_TRUE(file.ReadBytes(Golden("sa_rev4.tws"), u"golden", false));
    }
    // Sets the instrument's clock to 8 December 2026 07:55:30 and quick-saves;
    // retries when the second turned over during the save.
    void QuickSaveAtFixedTime(CMeasSetup& setup) {
        for (;;) {
            plat::set_local_time({2026, 12, 0, 8, 7, 55, 30, 0});
            ASSERT_TRUE(setup.QuickSave());
            plat::SystemTime after = plat::local_time();
            if (after.second == 30) return;
        }
    }

    DeviceRoot root;
    TestServices services;
    ListEnvironment env;
    CSAMeasSetup sa{&env};
};

TEST_F(SetupSaveTest, QuickSaveNamesTheFileByTheClockAndLoadsBackEqual) {
    QuickSaveAtFixedTime(sa);
    const fs::path file = root.path() / kSetups / "General SA(12-08 07-55-30).tws";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(sa.GetSetupLabel(), u"General SA(12-08 07-55-30)");
    EXPECT_EQ(sa.GetOwnerWord(), static_cast<int32_t>(fs::file_size(file)));
    std::string bytes = celvane_test::slurp(file);
    EXPECT_NE(bytes.find("\t<file save date = 12/08/2026 07:55:30>\n"), std::string::npos);
    EXPECT_NE(bytes.find("\t<change date = 07:55:30 12/08/2026>\n"), std::string::npos);

    CSAMeasSetup back(&env);
    ASSERT_TRUE(back.Load(sa.GetFilePath()));
    EXPECT_EQ(Text(back), Text(sa));
    EXPECT_EQ(Text(back), bytes);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(SetupSaveTest, NamedAndBackupSetupsLoadBackEqual) {
    sa.SetFilePath(u"\\FlashFX Disk\\My Setups\\Mast 4.tws");
    sa.SetDateText(u"");  // never quick-saved
    ASSERT_TRUE(sa.Save());
    CSAMeasSetup named(&env);
    ASSERT_TRUE(named.Load(u"\\FlashFX Disk\\My Setups\\Mast 4.tws"));
    EXPECT_EQ(Text(named), Text(sa));
    const auto size = static_cast<int32_t>(fs::file_size(root.path() / kSetups / "Mast 4.tws"));
    EXPECT_EQ(sa.GetOwnerWord(), size);
    EXPECT_EQ(named.GetOwnerWord(), size);

    // A listing reads the header of a file of its class only, without a word.
    CSAMeasSetup listed(&env);
    CSASetupFile header(&listed);
    EXPECT_TRUE(header.ReadExpectingClass(u"\\FlashFX Disk\\My Setups\\Mast 4.tws", 2));
    EXPECT_EQ(listed.GetSetupLabel(), sa.GetSetupLabel());
    EXPECT_EQ(listed.GetFrequencyRange()->GetSpan(), sa.GetFrequencyRange()->GetSpan());
    CSASetupFile other(&listed);
    EXPECT_FALSE(other.ReadExpectingClass(u"\\FlashFX Disk\\My Setups\\Mast 4.tws", 1));

    // The setup object of whatever class a file holds.
    std::unique_ptr<CMeasSetup> object =
        CSetupFile::LoadSetupObject(u"\\FlashFX Disk\\My Setups\\Mast 4.tws", &env);
    ASSERT_TRUE(object);
    EXPECT_NE(dynamic_cast<CSAMeasSetup*>(object.get()), nullptr);
    EXPECT_EQ(Text(*object), Text(named));

    ASSERT_TRUE(sa.SaveBackup());
    EXPECT_TRUE(fs::exists(root.path() / kSetups / "Backup" / "Backup SA.tws"));
    CSAMeasSetup backup(&env);
    ASSERT_TRUE(backup.LoadBackup());
    EXPECT_EQ(WithoutChangeDate(Text(backup)), WithoutChangeDate(Text(sa)));
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(SetupSaveTest, SaveFailuresSayWhyAndKeepTheOldFile) {
    sa.SetFilePath(u"\\FlashFX Disk\\My Setups\\Keep.tws");
    ASSERT_TRUE(sa.Save());
    const fs::path kept = root.path() / kSetups / "Keep.tws";
    const std::string before = celvane_test::slurp(kept);

    // Too little space for the estimate: nothing is opened.
    services.free_bytes = 100;
    sa.SetNotes(u"changed");
    EXPECT_FALSE(sa.Save());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0], Utf8(LoadResString(749)));
    EXPECT_EQ(celvane_test::slurp(kept), before);
    services.free_bytes = uint64_t{1} << 40;

    // A folder that does not exist.
    sa.SetFilePath(u"\\FlashFX Disk\\No Such Folder\\x.tws");
    EXPECT_FALSE(sa.Save());
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1], "\\FlashFX Disk\\No Such Folder\\x.tws  Directory not found.");

    // A target the new file cannot replace (a folder of that name).
    fs::create_directories(root.path() / kSetups / "Folder.tws" / "inside");
    sa.SetFilePath(u"\\FlashFX Disk\\My Setups\\Folder.tws");
    EXPECT_FALSE(sa.Save());
    ASSERT_EQ(services.messages.size(), 3u);
    EXPECT_EQ(services.messages[2], "Error writing file: \\FlashFX Disk\\My Setups\\Folder.tws");
    EXPECT_TRUE(fs::exists(root.path() / kSetups / "Folder.tws" / "inside"));

    size_t entries = 0;
    for (auto& e : fs::directory_iterator(root.path() / kSetups)) entries += !e.is_directory();
    EXPECT_EQ(entries, 1u);  // no temporary left behind
}

TEST_F(SetupSaveTest, StaleTemporariesOfATargetAreRemovedBySaving) {
    const fs::path stale = root.path() / kSetups / ".Keep.tws.tmp-AbC123";
    root.Write(kSetups / ".Keep.tws.tmp-AbC123", "half a setup");
    root.Write(kSetups / ".Other.tws.tmp-AbC123", "another save's");
    sa.SetFilePath(u"\\FlashFX Disk\\My Setups\\Keep.tws");
    ASSERT_TRUE(sa.Save());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(root.path() / kSetups / ".Other.tws.tmp-AbC123"));
}

struct Damage {
    const char* name;
    std::function<std::string(const std::string&)> change;
    // The message: "read" for "Error reading file: " + path, "none", or
    // "incompatible" for the path, LF and string 64517.
    const char* message;
};

std::string ReplaceLine(const std::string& text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    std::string out = text;
    return at == std::string::npos ? out : out.replace(at, from.size(), to);
}

TEST_F(SetupSaveTest, DamagedFilesAreRefusedWithTheirMessageAndChangeNothing) {
    const std::string golden = Golden("sa_rev4.tws");
    const Damage damages[] = {
        {"empty line", [](auto t) { return ReplaceLine(t, "\t<title", "\n\t<title"); }, "read"},
        {"non-tag line", [](auto t) { return ReplaceLine(t, "\t<title", "oops\n\t<title"); },
         "read"},
        {"other class", [](auto t) { return ReplaceLine(t, "class = specan", "class = vna"); },
         "read"},
        {"frequency over 32 bits",
         [](auto t) { return ReplaceLine(t, "stop = 1100000000", "stop = 4294967296"); }, "read"},
        {"30 digits",
         [](auto t) {
             return ReplaceLine(t, "data points = 705",
                                "data points = 123456789012345678901234567890");
         },
         "read"},
        {"1e999",
         [](auto t) {
             return ReplaceLine(t, "amplitude offset = 1.50000e+000", "amplitude offset = 1e999");
         },
         "read"},
        {"refused start",
         [](auto t) { return ReplaceLine(t, "start = 0800000000", "start = 4000000000"); },
         "incompatible"},
        {"utf-16",
         [](auto t) {
             std::string wide = "\xff\xfe";
             for (char c : t) wide += std::string{c, '\0'};
             return wide;
         },
         "read"},
        {"nul byte", [](auto t) { return ReplaceLine(t, "North mast", "North\0mast"s); }, "read"},
        {"unclosed block", [](auto t) { return ReplaceLine(t, "\t</limit>\n", ""); }, "read"},
        {"no html", [](auto t) { return t.substr(7); }, "read"},
        {"empty file", [](auto) { return std::string(); }, "read"},
        {"line over 64 KiB",
         [](auto t) { return ReplaceLine(t, "Site survey", std::string(70000, 'x')); }, "read"},
    };
    const std::string before = Text(sa);
    const core::Text path = u"\\FlashFX Disk\\My Setups\\Damaged.tws";
    auto check = [&](const std::string& name, const std::string& bytes, const char* message) {
        SCOPED_TRACE(name);
        root.Write(kSetups / "Damaged.tws", bytes);
        services.messages.clear();
        EXPECT_FALSE(sa.Load(path));
        EXPECT_EQ(Text(sa), before);
        EXPECT_EQ(root.Read(kSetups / "Damaged.tws"), bytes);
        std::string expected = std::string(message) == "incompatible"
                                   ? Utf8(path) + "\n" + Utf8(LoadResString(64517))
                                   : "Error reading file: " + Utf8(path);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0], expected);
    };
    for (const Damage& d : damages) check(d.name, d.change(golden), d.message);

    // Cut at the end of every line and in the middle of every line before "</body>".
    size_t body_end = golden.find("</body>\n");
    for (size_t at = 0, next; at < body_end; at = next + 1) {
        next = golden.find('\n', at);
        check("cut mid-line at " + std::to_string(at), golden.substr(0, (at + next) / 2 + 1),
              "read");
        check("cut after line at " + std::to_string(next), golden.substr(0, next + 1), "read");
    }

    // A missing file fails without a word.
    services.messages.clear();
    EXPECT_FALSE(sa.Load(u"\\FlashFX Disk\\My Setups\\Absent.tws"));
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(Text(sa), before);
}

TEST_F(SetupSaveTest, LaterVersionsLoadWhatTheyCan) {
    HistoryInit(0xFFFFFFFF);
    std::string golden = Golden("sa_rev4.tws");
    // An enumeration of a later version: skipped with a history entry.
    std::string later = ReplaceLine(golden, "detection mode = 002", "detection mode = 009");
    // A Latin-1 label (not UTF-8) is taken byte by byte.
    later = ReplaceLine(later, "North mast", "Nord-\xe9tage");
    root.Write(kSetups / "Later.tws", later);
    CSAMeasSetup fresh(&env);
    int32_t detection = fresh.GetDetectionMode();
    ASSERT_TRUE(fresh.Load(u"\\FlashFX Disk\\My Setups\\Later.tws"));
    EXPECT_EQ(fresh.GetDetectionMode(), detection);
    EXPECT_EQ(fresh.GetSubtitle(), u"Nord-\u00e9tage");
    EXPECT_EQ(fresh.GetThresholdMode(), 1);  // the lines after it still count
    EXPECT_NE(HistoryRing().Format().find("setup value refused: 009"), std::string::npos);
    EXPECT_TRUE(services.messages.empty());

    // An unknown key ends the values taken, once the frame is whole.
    std::string newer =
        ReplaceLine(golden, "\t<threshold = -300>", "\t<new thing = 1>\n\t<threshold = -300>");
    root.Write(kSetups / "Newer.tws", newer);
    CSAMeasSetup partial(&env);
    int32_t threshold = partial.GetThreshold();
    ASSERT_TRUE(partial.Load(u"\\FlashFX Disk\\My Setups\\Newer.tws"));
    EXPECT_EQ(partial.GetThreshold(), threshold);
    EXPECT_EQ(partial.GetDetectionMode(), 2);
}

TEST(FactorySetups, TheImageProgramWritesThemOnceAndTheScreensLoadThem) {
    DeviceRoot root;
    const fs::path backup = root.path() / kSetups / "Backup";
    std::string command = (celvane_test::build_bin() / "celvane-factory-setups").string() +
                          " --root '" + root.path().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(fs::exists(backup / "Factory SA.tws"));
    ASSERT_TRUE(fs::exists(backup / "Factory VNA.tws"));
    // A user's factory setup stays.
    root.Write(kSetups / "Backup" / "Factory SA.tws", Golden("sa_rev4.tws"));
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(root.Read(kSetups / "Backup" / "Factory SA.tws"), Golden("sa_rev4.tws"));

    TestServices services;
    ListEnvironment env;
    CVNAMeasSetup vna(&env);
    ASSERT_TRUE(vna.LoadFactory());
    EXPECT_EQ(vna.GetSetupLabel(), u"Factory VNA");
    CSAMeasSetup sa(&env);
    ASSERT_TRUE(sa.LoadFactory());
    EXPECT_EQ(sa.GetMeasurementId(), 22);
    EXPECT_TRUE(services.messages.empty());
}

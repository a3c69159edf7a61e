// Settings written by one program read back by another of the same device
// root.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <sstream>

#include "core/settings/system_settings.h"
#include "platform/fs/tests/test_support.h"

namespace {

namespace fs = std::filesystem;

// Runs the helper program and returns its "name=value" lines.
std::map<std::string, std::string> RunChild(const fs::path& root,
                                            const std::vector<std::string>& args) {
    const char* bin = std::getenv("CELVANE_BUILD_BIN");
    std::string command =
        "'" + (fs::path(bin ? bin : ".") / "settings_child").string() + "' '" + root.string() + "'";
    for (const auto& arg : args) command += " " + arg;
    std::FILE* out = ::popen(command.c_str(), "r");
    EXPECT_NE(out, nullptr);
    if (out == nullptr) return {};
    std::string text;
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, out)) > 0;) text.append(buf, n);
    int status = ::pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    std::map<std::string, std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (auto eq = line.find('='); eq != std::string::npos)
            lines[line.substr(0, eq)] = line.substr(eq + 1);
    return lines;
}

class SettingsProcesses : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"settings-proc"};
};

TEST_F(SettingsProcesses, ChangedSettingsReadBackInASecondProcess) {
    std::array<uint32_t, 48> colors;
    std::iota(colors.begin(), colors.end(), 0x00102030u);
    {
        CSystemSettings settings;
        settings.Initialize();
        settings.Contrast = 37;
        settings.ColorScheme = 5;
        settings.AlertTimeout = 12000;
        settings.DspLoadCrc = 0xdeadbeef;
        settings.FpgaLoadCrc = 0x12345678;
        settings.CalLoadCrc = 0x0badf00d;
        ASSERT_TRUE(settings.SaveCustomColors(colors));
        ASSERT_TRUE(settings.Save(false));
    }
    auto seen = RunChild(root_.path(), {"show"});
    EXPECT_EQ(seen["Contrast"], "37");
    EXPECT_EQ(seen["ColorScheme"], "5");
    EXPECT_EQ(seen["AlertTimeout"], "12000");
    EXPECT_EQ(seen["DspLoadCrc"], "deadbeef");
    EXPECT_EQ(seen["FpgaLoadCrc"], "12345678");
    EXPECT_EQ(seen["CalLoadCrc"], "0badf00d");
    EXPECT_EQ(seen["DspFile"], "DspImage.bin");
    std::string expected;
    for (uint32_t c : colors) {
        char word[16];
        std::snprintf(word, sizeof word, "%08x ", c);
        expected += word;
    }
    EXPECT_EQ(seen["CustomColor"], expected);

    // And back: what the other program saves is what this one loads.
    RunChild(root_.path(), {"start", "4"});
    CSystemSettings reread;
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.LanguageId, 4u);
    EXPECT_EQ(reread.Contrast, 37u);
    EXPECT_EQ(reread.CustomColor, colors);
}

// Each start loads before it stores the language id, so nothing stored is
// lost over any number of restarts.
TEST_F(SettingsProcesses, SettingsSurviveRepeatedStarts) {
    auto first = RunChild(root_.path(), {"start", "9"});
    EXPECT_EQ(first["Contrast"], "100");
    {
        CSystemSettings settings;
        settings.Initialize();
        settings.Contrast = 55;
        settings.ColorScheme = 5;
        settings.CustomColor.fill(0xabcdef);
        ASSERT_TRUE(settings.SaveCustomColors(settings.CustomColor));
        ASSERT_TRUE(settings.Save(false));
    }
    for (const char* language : {"4", "9", "4"}) {
        auto seen = RunChild(root_.path(), {"start", language});
        EXPECT_EQ(seen["Language"], language);
        EXPECT_EQ(seen["Contrast"], "55");
        EXPECT_EQ(seen["ColorScheme"], "5");
        EXPECT_EQ(seen["CustomColor"].substr(0, 9), "00abcdef ");
    }
}

}  // namespace

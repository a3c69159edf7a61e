#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "files/formats/power_setup_file.h"
#include "files_test_support.h"

using namespace files_test;

namespace {

class Screen : public IPowerCsvSource {
  public:
    bool IsLogging() const override { return log != nullptr || logging; }
    CPowerLogFile* GetLogFile() const override { return log.get(); }
    int32_t GetSensorType() const override { return type; }
    bool IsForwardPeak() const override { return peak; }
    float GetVswr() const override { return 1.25f; }
    core::Text GetSensorTitle() const override { return u"Sensor \u00b5W \u4e2d"; }
    PowerReadings GetReadings() const override {
        return {1.5f, 0.25f, 0.5f, -0.5f, 2.0f, 3.0f, 50.0f, 0.1f, 0.2f, 0.3f, 23.5f};
    }
    int32_t type = 5;
    bool peak = false;
    bool logging = false;
    std::unique_ptr<CPowerLogFile> log;
};

constexpr plat::SystemTime kTime{2009, 3, 0, 15, 14, 30, 5, 0};

std::string Traces(const DeviceRoot& root, const std::string& name) {
    return celvane_test::slurp(root.path() / "FlashFX Disk" / "My Traces" / name);
}

size_t Columns(const std::string& line) {
    return static_cast<size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

class PowerCsvTest : public ::testing::Test {
  protected:
    PowerCsvTest() {
        file.SetClock([] { return kTime; });
    }
    DeviceRoot root;
    TestServices services;
    CPowerSetupFile file;
    Screen screen;
};

TEST_F(PowerCsvTest, SingleSaveIsNamedForItsSecondAndNeverOverwritten) {
    file.SetHeaderFlag(true);
    ASSERT_TRUE(file.ExportCsv(screen, false));
    EXPECT_EQ(file.GetLastPath(), u"\\FlashFX Disk\\My Traces\\Pwr20090315143005.csv");
    const std::string first =
        "Sensor \xb5W \x2d\n"
        "Date,Time,Forward Avg,Input Offset,Temperature\n"
        "03/15,14:30:05,1.500000,0.500000,23.50\xb0"
        "C";
    EXPECT_EQ(Traces(root, "Pwr20090315143005.csv"), first);
    EXPECT_FALSE(file.GetHeaderFlag());
    // A second save in that second gets its own file.
    file.SetHeaderFlag(true);
    screen.type = 18;
    ASSERT_TRUE(file.ExportCsv(screen, false));
    EXPECT_EQ(file.GetLastPath(), u"\\FlashFX Disk\\My Traces\\Pwr20090315143005-1.csv");
    EXPECT_EQ(Traces(root, "Pwr20090315143005.csv"), first);
    EXPECT_EQ(Lines(Traces(root, "Pwr20090315143005-1.csv")).size(), 3u);
}

TEST_F(PowerCsvTest, ColumnsFollowTheSensorFamily) {
    struct Case {
        int32_t type;
        bool peak;
        size_t columns;  // 0: the title alone
    };
    const Case cases[] = {{1, false, 8},  {1, true, 7},    {14, false, 8}, {5, false, 5},
                          {15, false, 5}, {18, false, 13}, {21, true, 13}, {4, false, 0}};
    std::string files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        screen.type = c.type;
        screen.peak = c.peak;
        file.SetHeaderFlag(true);
        std::string text = file.FormatCsv(screen, true, kTime);
        std::vector<std::string> lines = Lines(text);
        if (c.columns == 0) {
            EXPECT_EQ(text, "Sensor \xb5W \x2d\n\n");
            continue;
        }
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(Columns(lines[1]), c.columns);
        EXPECT_EQ(Columns(lines[2]), c.columns);
        EXPECT_EQ(lines[2].rfind("03/15,14:30:05,", 0), 0u);
        EXPECT_EQ(lines[2].back() == 'C', c.type != 18 && c.type != 21);
    }
    screen.type = 1;
    screen.peak = true;
    std::string peak = file.FormatCsv(screen, false, kTime);
    EXPECT_NE(peak.find(",23.5000000000000000000000\xb0"
                        "C"),
              std::string::npos);
}

TEST_F(PowerCsvTest, LogHasTheHeaderOnceAndALineAnUpdate) {
    for (int32_t type : {1, 5, 18}) {
        screen.type = type;
        screen.log = CreatePowerLogFile(kTime);
        ASSERT_NE(screen.log, nullptr);
        file.SetFolder(CPowerSetupFile::kFolder);
        file.SetHeaderFlag(true);
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(file.ExportCsv(screen, true));
        std::string path = plat::to_utf8(screen.log->GetPath());
        screen.log.reset();
        std::string name = path.substr(path.rfind('\\') + 1);
        std::vector<std::string> lines = Lines(Traces(root, name));
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[1].rfind("Date,Time,", 0), 0u);
        EXPECT_EQ(lines[6].rfind("03/15,14:30:05,", 0), 0u);
    }
    // A spreadsheet reads every file: equal widths, numeric fields.
    std::string command = "/usr/bin/python3 " + std::string(FILES_GOLDEN_DIR) +
                          "/../power_csv_check.py '" +
                          (root.path() / "FlashFX Disk" / "My Traces").string() + "'/*.csv";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST_F(PowerCsvTest, FailuresAnswerFalse) {
    services.free_bytes = 16383;
    EXPECT_FALSE(file.ExportCsv(screen, false));
    services.free_bytes = 16384;
    EXPECT_TRUE(file.ExportCsv(screen, false));
    // Logging without a log file.
    screen.logging = true;
    EXPECT_FALSE(file.ExportCsv(screen, true));
    // A log write that fails leaves the lines before it.
    screen.log = CreatePowerLogFile(kTime);
    file.SetHeaderFlag(true);
    ASSERT_TRUE(file.ExportCsv(screen, true));
    std::string path = plat::to_utf8(screen.log->GetPath());
    std::string name = path.substr(path.rfind('\\') + 1);
    std::string before = Traces(root, name);
    plat::File read_only =
        plat::File::open(screen.log->GetPath(), plat::FileAccess::Read, plat::FileOpen::Existing);
    screen.log = std::make_unique<CPowerLogFile>(std::move(read_only), screen.log->GetPath());
    EXPECT_FALSE(file.ExportCsv(screen, true));
    EXPECT_EQ(Traces(root, name), before);
    // A folder that cannot take the file.
    screen.log.reset();
    screen.logging = false;
    std::filesystem::remove_all(root.path() / "FlashFX Disk" / "My Traces");
    EXPECT_FALSE(file.ExportCsv(screen, false));
    EXPECT_FALSE(file.Save());
    EXPECT_EQ(file.EstimateSize(), 300u);
}

// The tools screen's two information boxes in the real program: every field
// of the system box against a source of its own (the scene, the registry
// file, closed forms), and the GPS box against the NMEA log the simulated
// receiver replays, read by a Python reader of the log's text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/tests/system_screens_support.h"
#include "core/res_string.h"
#include "dialogs/about_gps_dlg.h"
#include "dialogs/system_info_dlg.h"
#include "platform/text/utf.h"

using namespace system_screens;

namespace {

// The text value `name` of registry key `key` in the device root's registry
// file: a wide text (sz:"...") or a narrow one (hex(3): its bytes and a 0).
std::string RegistryValue(const DeviceRoot& root, const std::string& key, const std::string& name) {
    std::istringstream in(root.Read("registry.txt"));
    std::string line;
    bool inside = false;
    const std::string wide = "\"" + name + "\"=sz:\"", narrow = "\"" + name + "\"=hex(3):";
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + key + "]";
            continue;
        }
        if (!inside) continue;
        if (line.rfind(wide, 0) == 0 && line.size() > wide.size())
            return line.substr(wide.size(), line.size() - wide.size() - 1);
        if (line.rfind(narrow, 0) == 0) {
            std::string text;
            std::istringstream bytes(line.substr(narrow.size()));
            for (std::string byte; std::getline(bytes, byte, ',');)
                if (const long b = std::strtol(byte.c_str(), nullptr, 16)) text += char(b);
            return text;
        }
    }
    return "<" + key + "\\" + name + " missing>";
}

const std::string kAppKey = "HKEY_CURRENT_USER\\Vorn Electronic\\Tarnwick";

constexpr int kSystemFields[] = {
    CSystemInfoDlg::kApplicationVersion, CSystemInfoDlg::kModel,
    CSystemInfoDlg::kUnitSerial,         CSystemInfoDlg::kRfSerial,
    CSystemInfoDlg::kDspVersion,         CSystemInfoDlg::kBoardModel,
    CSystemInfoDlg::kKeypadVersion,      CSystemInfoDlg::kTemperature,
    CSystemInfoDlg::kInternalStorage,    CSystemInfoDlg::kExternalStorage,
    CSystemInfoDlg::kInternalRam,        CSystemInfoDlg::kBatteryLevel,
    CSystemInfoDlg::kBatteryTime,        CSystemInfoDlg::kPrinter};

// The open box of the tools screen (user-interface thread).
template <class Box>
Box* OpenBox(CToolsMode* tools) {
    return tools ? dynamic_cast<Box*>(tools->GetPopup()) : nullptr;
}

std::string Field(CInfoDlgBase* box, int id) {
    return box ? plat::to_utf8(box->GetItemText(id)) : std::string("<no box>");
}

// A number in a field's text (the first run of digits, with its sign).
long Number(const std::string& text) {
    const size_t at = text.find_first_of("-0123456789");
    return at == std::string::npos ? -99999 : std::strtol(text.c_str() + at, nullptr, 10);
}

class SystemBox : public SystemScreens {
  protected:
    // The scene's board and battery; the system box read at menu key 5.
    void StartWith(const sim::Scene& scene, const std::string& steps) {
        WriteScene(scene);
        Probe(21, [&] {
            box = OpenBox<CSystemInfoDlg>(Tools());
            ASSERT_NE(box, nullptr);
            for (int id : kSystemFields) fields[id] = Field(box, id);
            int i = 0;
            for (const char* name :
                 {"FirmwareVersion", "RfSerialNumber", "ApplicationVersion", "KeypadVersion"})
                registry[i++] = RegistryValue(root, kAppKey, name);
            registry[i] = RegistryValue(root, "HKEY_LOCAL_MACHINE\\Ident", "Name");
        });
        Probe(22, [&] {
            later_level = Field(OpenBox<CSystemInfoDlg>(Tools()), CSystemInfoDlg::kBatteryLevel);
        });
        ASSERT_EQ(Run("wait 1500\nkey F17\nwait 300\nkey F21\n" + steps + "quit\n"), 0);
    }

    CSystemInfoDlg* box = nullptr;
    std::map<int, std::string> fields;
    std::string later_level;
    // The registry file's DSP version, RF serial, application and keypad
    // versions and board name.
    std::string registry[5];
};

// The board's version record reaches the settings store: DSP version "%x.%x"
// of its words 2 and 3, the RF module serial from its identity bytes. The
// program runs as its own process on a scene's board.
TEST(BoardVersion, ReachesTheSettingsStore) {
    DeviceRoot root{"celvane-board-version"};
    ASSERT_EQ(MakeDeviceImage(root.path()), 0);
    sim::Scene scene;
    scene.board.version = {0x0001, 0x0004, 0x0003, 0x001c};
    scene.board.serial = "SIM04711";
    root.Write("scene.json", sim::scene_json(scene));
    root.Write("script.txt", "wait 3000\nquit\n");
    const std::string cmd = "'" + (BinDir() / "celvane").string() + "' --root '" +
                            root.path().string() + "' --display headless --script '" +
                            (root.path() / "script.txt").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    char dsp[32];
    std::snprintf(dsp, sizeof dsp, "%x.%x", scene.board.version[2], scene.board.version[3]);
    EXPECT_EQ(RegistryValue(root, kAppKey, "FirmwareVersion"), dsp);
    EXPECT_EQ(RegistryValue(root, kAppKey, "RfSerialNumber"), scene.board.serial);
}

// Every field against its source: the settings store's texts as the registry
// file holds them, the hardware id's model name, the scene's temperature and
// battery.
TEST_F(SystemBox, ShowsTheUnitsIdentityTemperatureAndBattery) {
    sim::Scene scene;
    scene.board.temperature_c = 38;
    StartWith(scene, "");
    EXPECT_EQ(fields[CSystemInfoDlg::kDspVersion], registry[0]);
    EXPECT_EQ(fields[CSystemInfoDlg::kRfSerial], registry[1]);
    EXPECT_EQ(fields[CSystemInfoDlg::kApplicationVersion], registry[2]);
    EXPECT_EQ(fields[CSystemInfoDlg::kKeypadVersion], registry[3]);
    EXPECT_EQ(fields[CSystemInfoDlg::kBoardModel], registry[4]);
    EXPECT_EQ(fields[CSystemInfoDlg::kModel], "TW-740S");
    EXPECT_EQ(fields[CSystemInfoDlg::kUnitSerial], "") << "the factory serial reads empty";
    EXPECT_EQ(fields[CSystemInfoDlg::kPrinter], "Pagejet Inkjet");
    // 38 C is 100.4 F.
    int f = 0, c = 0;
    ASSERT_EQ(std::sscanf(fields[CSystemInfoDlg::kTemperature].c_str(), "%d F (%d C)", &f, &c), 2)
        << fields[CSystemInfoDlg::kTemperature];
    EXPECT_EQ(c, 38);
    EXPECT_NEAR(f, 38 * 1.8 + 32, 1);
    EXPECT_EQ(fields[CSystemInfoDlg::kBatteryLevel], "80%");
    // The charge left over the current drawn: 0.8 x 4 Ah / 0.9 A in minutes.
    const double minutes = scene.battery.charge_percent / 100 * scene.battery.capacity_ah /
                           scene.battery.current_a * 60;
    const std::string& time = fields[CSystemInfoDlg::kBatteryTime];
    EXPECT_NE(time.find(" min"), std::string::npos) << time;
    EXPECT_NEAR(Number(time), minutes, 1) << time;
    // Both volumes of the device root are there: a share in percent.
    for (int id : {CSystemInfoDlg::kInternalStorage, CSystemInfoDlg::kExternalStorage}) {
        const std::string& share = fields[id];
        EXPECT_NE(share.find("% free"), std::string::npos) << share;
        const double percent = std::strtod(share.c_str(), nullptr);
        EXPECT_GE(percent, 0.0) << share;
        EXPECT_LE(percent, 100.0) << share;
    }
}

TEST_F(SystemBox, AWrittenUnitSerialShowsAndAMissingHardDiskIsNotPresent) {
    std::string factory = root.Read("registry.factory");
    const std::string model = "\"DeviceModel\"=dword:00000207\n";
    const size_t at = factory.find(model);
    ASSERT_NE(at, std::string::npos);
    factory.insert(at + model.size(), "\"UnitSerialNumber\"=sz:\"A1234567\"\n");
    root.Write("registry.factory", factory);
    std::filesystem::remove_all(root.path() / "Hard Disk");
    StartWith(sim::Scene{}, "");
    EXPECT_EQ(fields[CSystemInfoDlg::kUnitSerial], "A1234567");
    EXPECT_EQ(fields[CSystemInfoDlg::kExternalStorage], "Not present");
}

// The battery check runs every second and the box refreshes every five: a
// battery losing one percent a second reads five less after five seconds.
TEST_F(SystemBox, TheBatteryLevelFollowsTheDischarge) {
    sim::Scene scene;
    scene.battery.charge_percent = 80;
    scene.battery.charge_rate_percent_per_min = -60;
    StartWith(scene, "wait 5000\nkey F22\n");
    const long before = Number(fields[CSystemInfoDlg::kBatteryLevel]);
    const long after = Number(later_level);
    EXPECT_NEAR(before - after, 5, 1)
        << fields[CSystemInfoDlg::kBatteryLevel] << " then " << later_level;
}

// The texts the box forms from its values, at their limits.
TEST(SystemBoxTexts, LimitsOfStorageTemperatureAndBattery) {
    constexpr uint64_t kGiB = uint64_t(1) << 30;
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatFreeShare(2 * kGiB, 8 * kGiB, false)),
              "25.0% free");
    // Beyond 32 bits of bytes times a hundred.
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatFreeShare(43'000'000, 86'000'000, false)),
              "50.0% free");
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatFreeShare(0, 0, true)), "Not present");
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatFreeShare(0, 0, false)), "N/A");
    struct Time {
        uint32_t seconds;
        const char* text;
    };
    for (const Time& t : {Time{255, "N/A"}, Time{1000, "1000 s"}, Time{1001, "16 min"},
                          Time{7200, "120 min"}, Time{0, "0 s"}})
        EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatBatteryTime(t.seconds)), t.text) << t.seconds;
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatTemperature(-100, -148)), "");
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatTemperature(-99, -146)), "-146 F (-99 C)");
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatBatteryLevel(100)), "100%");
    EXPECT_EQ(plat::to_utf8(CSystemInfoDlg::FormatBatteryLevel(101)), "");
}

// ------------------------------------------------------------ the GPS box

// Runs the log check; true when the shown texts are the log's.
bool LogShows(const std::filesystem::path& log, const std::vector<std::string>& args) {
    std::string cmd = "python3 '" + std::string(CELVANE_SOURCE_DIR) +
                      "/app/tests/gps_box_check.py' '" + log.string() + "'";
    for (const std::string& a : args) {
        std::string quoted;
        for (char ch : a) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
        cmd += " '" + quoted + "'";
    }
    return std::system(cmd.c_str()) == 0;
}

struct GpsShown {
    std::string latitude, longitude, altitude, place, fix;
    std::vector<std::string> satellites;
};

GpsShown ReadGpsBox(CAboutGpsDlg* box) {
    GpsShown s;
    s.latitude = Field(box, CAboutGpsDlg::kLatitude);
    s.longitude = Field(box, CAboutGpsDlg::kLongitude);
    s.altitude = Field(box, CAboutGpsDlg::kAltitude);
    s.place = Field(box, CAboutGpsDlg::kPlaceName);
    s.fix = Field(box, CAboutGpsDlg::kFix);
    for (int i = 0; i < CAboutGpsDlg::kSatelliteCount; ++i) {
        const std::string n = Field(box, CAboutGpsDlg::kFirstSatellite + i);
        if (!n.empty()) s.satellites.push_back(std::to_string(Number(n)));
    }
    return s;
}

TEST_F(SystemScreens, TheGpsBoxShowsTheReplayedLogInBothFormats) {
    std::vector<GpsShown> seen;
    const int probes[] = {21, 22, 23};
    for (int p : probes)
        Probe(p, [&] {
            CToolsMode* tools = Tools();
            ASSERT_NE(tools, nullptr);
            ASSERT_EQ(tools->GetPopupId(), CToolsMode::kGpsBox);
            seen.push_back(ReadGpsBox(OpenBox<CAboutGpsDlg>(tools)));
        });
    // Menu key 2: the GPS box in seconds and metres; key 2 decimal minutes;
    // key 1 feet.
    ASSERT_EQ(Run("wait 1500\nkey F17\nwait 300\nkey F14\nwait 4000\nkey F21\n"
                  "key F2\nwait 100\nkey F22\nkey F1\nwait 100\nkey F23\nquit\n"),
              0);
    ASSERT_EQ(seen.size(), 3u);
    const std::filesystem::path log = root.path() / "FlashFX Disk/System/GPS/tn204.log";
    const char* formats[] = {"dms", "dm", "dm"};
    for (size_t i = 0; i < seen.size(); ++i) {
        const GpsShown& s = seen[i];
        EXPECT_TRUE(LogShows(log, {"fix", formats[i], s.latitude, s.longitude, s.altitude}))
            << "probe " << i + 1 << ": " << s.latitude << " | " << s.longitude << " | "
            << s.altitude;
        EXPECT_EQ(s.fix, "GPS Valid");
        std::vector<std::string> args = {"satellites"};
        args.insert(args.end(), s.satellites.begin(), s.satellites.end());
        EXPECT_TRUE(LogShows(log, args)) << "probe " << i + 1;
    }
    EXPECT_NE(seen[0].altitude.find(" m"), std::string::npos);
    EXPECT_NE(seen[2].altitude.find(" ft"), std::string::npos);
}

TEST_F(SystemScreens, WithoutAReceiverTheGpsBoxShowsNoFix) {
    sim::Scene scene;
    scene.peripherals.com1 = "none";
    WriteScene(scene);
    GpsShown shown;
    Probe(21, [&] { shown = ReadGpsBox(OpenBox<CAboutGpsDlg>(Tools())); });
    ASSERT_EQ(Run("wait 1500\nkey F17\nwait 300\nkey F14\nwait 3000\nkey F21\nquit\n"), 0);
    EXPECT_EQ(shown.fix, "No Fix");
    EXPECT_EQ(shown.place, "");
    EXPECT_TRUE(shown.satellites.empty());
}

// Coordinates round to the digits shown before they carry into minutes and
// degrees; the sign stands once, on the degrees.
TEST(GpsBoxTexts, CoordinatesRoundCarryAndSignOnce) {
    struct Case {
        double degrees;
        const char* minutes;  // decimal minutes
        const char* seconds;  // minutes and seconds
    };
    const Case cases[] = {
        {10.9999999, "11\u00b0  0.000'", "11\u00b0 0'  0.00\""},
        {-0.5, "-0\u00b0 30.000'", "-0\u00b0 30'  0.00\""},
        {-(118 + 21.126 / 60), "-118\u00b0 21.126'", "-118\u00b0 21'  7.56\""},
        {33 + 59.9996 / 60, "34\u00b0  0.000'", "33\u00b0 59' 59.98\""},
        {-(33 + (59 + 59.996 / 60) / 60), "-34\u00b0  0.000'", "-34\u00b0 0'  0.00\""},
        {0.0, "0\u00b0  0.000'", "0\u00b0 0'  0.00\""},
        {-0.0000001, "0\u00b0  0.000'", "0\u00b0 0'  0.00\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plat::to_utf8(CAboutGpsDlg::FormatCoordinate(c.degrees, false)), c.minutes)
            << c.degrees;
        EXPECT_EQ(plat::to_utf8(CAboutGpsDlg::FormatCoordinate(c.degrees, true)), c.seconds)
            << c.degrees;
    }
    EXPECT_EQ(plat::to_utf8(CAboutGpsDlg::FormatAltitude(49.4, false)), "  49.4 m");
    EXPECT_EQ(plat::to_utf8(CAboutGpsDlg::FormatAltitude(49.4, true)), "  162.1 ft");
}

}  // namespace

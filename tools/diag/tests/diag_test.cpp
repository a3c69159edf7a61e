// TWDiag against the real drivers and the simulated board: what its start
// shows, the status page, the downloads, the file chooser, the keypad and
// light-sensor tests and how it ends.
#include <regex>

#include "sim/board_io/board_io.h"
#include "tools/diag/diag_resources.h"
#include "tools/diag/tests/diag_test_support.h"

namespace {

using namespace diag_test;
using namespace diag;

const std::string kMain = "Tarnwick Diagnostics";
const std::string kIoctl = "** SendDeviceIoctl. ";

// The scene's board: its serial, version words and a supply above the
// board's rating (its voltage alert, flag 8).
void IdentifyBoard(const DiagRoot& root) {
    root.EditScene("\"serial\": \"SIM00001\"", "\"serial\": \"TW123456\"");
    root.EditScene("\"supply_v\": 12.1", "\"supply_v\": 16.5");
    std::string scene = root.Read("scene.json");
    scene = std::regex_replace(scene, std::regex(R"("version": \[[^\]]*\])"),
                               R"("version": [1, 4, 6699, 15437])");
    root.Write("scene.json", scene);
}

TEST(TWDiag, StartShowsTheBoardsVersionsAndStatus) {
    DiagRoot root;
    IdentifyBoard(root);
    TestDiagApp app;
    // Escape down and up ends it: the last probe comes too late.
    ASSERT_EQ(root.Run(app, "key F24\nkey F15\nkey F4\nkey F24\nkey ESCAPE\nkey F24\n"), 0);
    ASSERT_EQ(app.snaps.size(), 2u);
    const Snapshot& start = app.snaps[0];
    ASSERT_TRUE(start.has(kMain));
    const struct {
        int id;
        const char* text;
    } values[] = {
        {IDC_SERIAL_NUMBER, "TW123456"},
        {IDC_FIRMWARE_VERSION, "1a2b 3c4d"},  // 6699, 15437
        {IDC_DSP_DRIVER_VERSION, "45 0"},     // the driver's version 69
        {IDC_SPI_DRIVER_VERSION, "101"},      // the SPI driver's 257
        {IDC_KEYBOARD_DRIVER_VERSION, "Unknown"},
        {IDC_PROGRAM_VERSION, "06.12.08"},
        {IDC_IO_DRIVER_VERSION, ""},
        {IDC_BATTERY_DRIVER_VERSION, ""},
        {IDC_I2C_DRIVER_VERSION, ""},
        {IDC_DSP_STATUS, ""},
        // Page 1: menu keys only.
        {IDC_MENU_KEY_FIRST, "Keypad"},
        {IDC_MENU_KEY_FIRST + 2, "Digital Board"},
        {IDC_MENU_KEY_FIRST + 5, "Comm Ports"},
        {IDC_SOFT_KEY_FIRST, ""},
    };
    for (const auto& v : values) EXPECT_EQ(start.text(kMain, v.id), v.text) << v.id;
    for (const char* name : {"Get Config, ", "Get driver config, ", "Get SPI config, "})
        EXPECT_EQ(app.Count(kIoctl + name), 1) << name;

    // Digital Board, Get Status: the status word and the error words.
    const Snapshot& status = app.snaps[1];
    EXPECT_EQ(status.text(kMain, IDC_SOFT_KEY_FIRST), "Update FPGA");
    EXPECT_EQ(status.text(kMain, IDC_SOFT_KEY_FIRST + 3), "Get Status");
    EXPECT_EQ(status.text(kMain, IDC_DSP_STATUS), "00000008");
    EXPECT_EQ(status.text(kMain, IDC_ERROR_CODE), "0000");
    EXPECT_EQ(status.text(kMain, IDC_COMPONENT_ID), "0000");
    EXPECT_EQ(app.Count(kIoctl + "Get DSP Status, "), 1);
    EXPECT_EQ(app.Count(kIoctl + "Get Error Status, "), 1);
}

TEST(TWDiag, WithoutABoardItShowsUnknownAndRefusesTheStatus) {
    DiagRoot root;
    root.SetRegistry("[HKEY_LOCAL_MACHINE\\Simulator]\n\"Simulated\"=dword:00000001",
                     "[HKEY_LOCAL_MACHINE\\Simulator]\n\"Simulated\"=dword:00000000");
    TestDiagApp app;
    std::vector<plat::MessageBoxCall> boxes;
    ASSERT_EQ(root.Run(app, "key F24\nkey F15\nkey F4\nkey ENTER\nkey ENTER\nkey F24\nkey ESCAPE\n",
                       &boxes),
              0);
    ASSERT_EQ(app.snaps.size(), 2u);
    EXPECT_EQ(app.snaps[0].text(kMain, IDC_SERIAL_NUMBER), "Unknown ");
    EXPECT_EQ(app.snaps[0].text(kMain, IDC_FIRMWARE_VERSION), "0 0");
    EXPECT_EQ(app.snaps[0].text(kMain, IDC_DSP_DRIVER_VERSION), "0 0");
    EXPECT_EQ(app.Count("** InitInstance, DSP file handle invalid"), 1);
    ASSERT_EQ(boxes.size(), 2u) << "the status and the error status";
    for (const auto& box : boxes) EXPECT_EQ(plat::to_utf8(box.text), "Invalid DSP handle.");
    EXPECT_EQ(app.snaps[1].text(kMain, IDC_DSP_STATUS), "");
    EXPECT_EQ(app.snaps[1].text(kMain, IDC_ERROR_CODE), "");
    EXPECT_EQ(app.Count(kIoctl + "Get DSP Status, "), 0);
}

std::string Content(const std::string& head, size_t size) {
    std::string b = head;
    for (size_t i = b.size(); i < size; ++i) b.push_back(static_cast<char>((i * 131 + 7) % 251));
    return b.substr(0, size);
}

TEST(TWDiag, DownloadsFirmwareAndCalibrationIntoTheBoard) {
    DiagRoot root;
    const std::string dsp = Content("DSP_2.07 test image 0001", 5000);
    const std::string fpga = Content("FPGA1.04 test image 0001", 5000);
    const std::string cal = Content("CAL_site 7 calibration01", 2000);
    struct Case {
        const char* name;
        const char* key;      // the soft key on the Digital Board page
        std::string file;     // its content
        std::string answers;  // keys after the file is chosen
        const char* message;  // the last box
        std::vector<const char*> sent;
        const char* board_file;   // below <root>/board, empty: none changes
        std::string stored = {};  // its content
    } cases[] = {
        {"dsp",
         "F2",
         dsp,
         "key ENTER\nkey ENTER\n",
         "Firmware update succeeded. Reset the device to activate changes.",
         {"Load DSP, ", "Commit DSP, "},
         "dsp.bin",
         dsp},
        {"fpga",
         "F1",
         fpga,
         "key ENTER\nkey ENTER\n",
         "Firmware update succeeded. Reset the device to activate changes.",
         {"Load DSP, ", "Commit DSP, "},
         "fpga.bin",
         fpga},
        {"fpga file to the DSP",
         "F2",
         fpga,
         "key ENTER\n",
         "Invalid Firmware update file.",
         {},
         ""},
        {"23 bytes",
         "F2",
         dsp.substr(0, 23),
         "key ENTER\n",
         "Invalid Firmware update file.",
         {},
         ""},
        {"no to the update",
         "F2",
         dsp,
         "key ESCAPE\n",
         "Do you wish to update the firmware DSP_2.07 test image 0001 ?",
         {},
         ""},
        {"no to the commit",
         "F2",
         dsp,
         "key ENTER\nkey ESCAPE\n",
         "Do you wish to commit the new firmware?",
         {"Load DSP, "},
         ""},
        {"calibration",
         "F3",
         cal,
         "key ENTER\nkey ENTER\n",
         "Calibration update succeeded. Changes are effective immedeately.",
         {"Send CAL, "},
         "calibration.bin",
         cal.substr(0, 1020)},
        {"1,019 bytes",
         "F3",
         cal.substr(0, 1019),
         "key ENTER\n",
         "Invalid Calibration update file.",
         {},
         ""},
        {"another header",
         "F3",
         "DAL_" + cal.substr(4),
         "key ENTER\n",
         "Invalid Calibration update file.",
         {},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root.path() / "board");
        root.WriteBytes("FlashFX Disk/fw/upd.BIN", c.file);
        TestDiagApp app;
        for (const char* row : {"[FlashFX Disk]", "[fw]", "upd.BIN"})
            app.steps.push_back(Select(row));
        std::vector<plat::MessageBoxCall> boxes;
        const std::string script =
            std::string("key F15\nkey ") + c.key +
            "\nkey F23\nkey ENTER\nkey F23\nkey ENTER\nkey F23\nkey ENTER\n" + c.answers +
            "key ESCAPE\n";
        ASSERT_EQ(root.Run(app, script, &boxes), 0);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(plat::to_utf8(boxes.back().text), c.message);
        for (const char* name : {"Load DSP, ", "Commit DSP, ", "Send CAL, "}) {
            const bool sent = std::find_if(c.sent.begin(), c.sent.end(), [&](const char* s) {
                                  return std::string(s) == name;
                              }) != c.sent.end();
            EXPECT_EQ(app.Count(kIoctl + name), sent ? 1 : 0) << name;
        }
        if (*c.board_file)
            EXPECT_TRUE(root.Read(fs::path("board") / c.board_file) == c.stored) << c.board_file;
        else
            EXPECT_FALSE(fs::exists(root.path() / "board")) << "nothing was stored";
    }
}

TEST(TWDiag, TheFileChooserListsFoldersThenFilesOfItsExtension) {
    DiagRoot root;
    for (const char* f :
         {"FlashFX Disk/fw/b.bin", "FlashFX Disk/fw/A.BIN", "FlashFX Disk/fw/c.txt",
          "FlashFX Disk/fw/.hidden.bin", "FlashFX Disk/fw/sub/x.bin", "FlashFX Disk/fw/.hid/y.bin"})
        root.WriteBytes(f, "DSP_");
    const std::string top = Content("DSP_chosen at the root...", 3000);
    root.WriteBytes("top.Bin", top);
    TestDiagApp app;
    app.steps.push_back(Select("[FlashFX Disk]"));
    app.steps.push_back(Select("[fw]"));
    app.steps.push_back(Select("[..]"));
    app.steps.push_back(Select("[..]"));
    app.steps.push_back(Select("top.Bin"));
    std::vector<plat::MessageBoxCall> boxes;
    ASSERT_EQ(root.Run(app,
                       "key F15\nkey F2\nkey F24\n"
                       "key F23\nkey ENTER\nkey F23\nkey ENTER\nkey F24\n"
                       "key F23\nkey ENTER\nkey F23\nkey ENTER\nkey F24\n"
                       "key F23\nkey ENTER\nkey ENTER\nkey ENTER\nkey ESCAPE\n",
                       &boxes),
              0);
    ASSERT_EQ(app.snaps.size(), 3u);
    const std::string chooser = "Select DSP Firmware Update";
    const std::string at_root = app.snaps[0].text(chooser, IDC_FILE_LIST);
    EXPECT_EQ(at_root.find("[..]"), std::string::npos) << at_root;
    EXPECT_NE(at_root.find("[FlashFX Disk]"), std::string::npos) << at_root;
    EXPECT_EQ(at_root.substr(at_root.rfind('|') + 1), "top.Bin") << "files after the folders";
    EXPECT_EQ(app.snaps[1].text(chooser, IDC_FILE_LIST), "[..]|[sub]|A.BIN|b.bin");
    EXPECT_EQ(app.snaps[2].text(chooser, IDC_FILE_LIST), at_root) << "back at the root";
    // The file chosen at the root is "\top.Bin": the driver read it from there.
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(plat::to_utf8(boxes.back().text),
              "Firmware update succeeded. Reset the device to activate changes.");
    EXPECT_TRUE(root.Read("board/dsp.bin") == top);
}

TEST(TWDiag, TheKeypadTestNamesEveryKeyAndEndsOnTheEscapeRelease) {
    const std::pair<int, const char*> keys[] = {
        {0x70, "Soft Key 1"},   {0x71, "Soft Key 2"},   {0x72, "Soft Key 3"},
        {0x73, "Soft Key 4"},   {0x74, "Soft Key 5"},   {0x75, "Soft Key 6"},
        {0x76, "Soft Key 7"},   {0x77, "Soft Key 8"},   {0x7C, "Menu Key 1"},
        {0x7D, "Menu Key 2"},   {0x7E, "Menu Key 3"},   {0x7F, "Menu Key 4"},
        {0x80, "Menu Key 5"},   {0x81, "Menu Key 6"},   {0x82, "Mode Key"},
        {0x83, "Setup Key"},    {0x26, "Up Arrow"},     {0x28, "Down Arrow"},
        {0x27, "Right Arrow"},  {0x25, "Left Arrow"},   {0x0D, "Return Key"},
        {0x31, "Number Key 1"}, {0x32, "Number Key 2"}, {0x33, "Number Key 3"},
        {0x34, "Number Key 4"}, {0x35, "Number Key 5"}, {0x36, "Number Key 6"},
        {0x37, "Number Key 7"}, {0x38, "Number Key 8"}, {0x39, "Number Key 9"},
        {0x30, "Number Key 0"}, {0xBE, "Decimal Key"},  {0x6B, "Sign Key"},
        {0x41, "None"},  // a key the test does not know
        {0x1B, "Escape Key"},
    };
    std::string script = "key F13\nkey F1\nkey F24\n";
    for (const auto& [vk, name] : keys)
        script +=
            "down " + std::to_string(vk) + "\nkey F24\nup " + std::to_string(vk) + "\nkey F24\n";
    script += "key F24\n";  // after Escape's release: the test has ended
    DiagRoot root;
    TestDiagApp app;
    // The wheel first, then the keys.
    script.insert(script.find("key F24\n") + 8, "wheel 1\nkey F24\nwheel -1\nkey F24\n");
    ASSERT_EQ(root.Run(app, script + "key ESCAPE\n"), 0);
    const std::string test = "Keypad Test";
    ASSERT_EQ(app.snaps.size(), 3 + 2 * std::size(keys) + 1);
    EXPECT_EQ(app.snaps[0].text(test, IDC_KEY_NAME), "None");
    EXPECT_EQ(app.snaps[1].text(test, IDC_KEY_NAME), "Scroll Left");
    EXPECT_EQ(app.snaps[2].text(test, IDC_KEY_NAME), "Scroll Right");
    for (size_t i = 0; i < std::size(keys); ++i) {
        const Snapshot& down = app.snaps[3 + 2 * i];
        const Snapshot& up = app.snaps[4 + 2 * i];
        EXPECT_EQ(down.text(test, IDC_KEY_NAME), keys[i].second) << keys[i].first;
        if (keys[i].first != 0x1B) {
            EXPECT_EQ(up.text(test, IDC_KEY_NAME), "None") << keys[i].first;
        } else {
            EXPECT_FALSE(up.has(test)) << "Escape's release ends the test";
            EXPECT_TRUE(up.has(kMain));
        }
    }
}

TEST(TWDiag, TheLightSensorTestFollowsTheBoardOnTheNextTick) {
    DiagRoot root;
    TestDiagApp app;
    const auto light = [](uint16_t value) {
        return [value] {
            auto board = sim::current_board_io();
            ASSERT_TRUE(board);
            board->microcontroller().with_panel([value](sim::Panel& p) { return p.light = value; });
        };
    };
    app.steps.push_back(light(321));
    app.steps.push_back(light(612));
    ASSERT_EQ(root.Run(app,
                       "key F23\nkey F13\nkey F2\nkey F24\nkey F23\nwait 500\nkey F24\n"
                       "wait 500\nkey F24\nkey ENTER\nkey F24\nkey ESCAPE\n"),
              0);
    const std::string test = "Light Sensor Test";
    ASSERT_EQ(app.snaps.size(), 4u);
    EXPECT_EQ(app.snaps[0].text(test, IDC_LIGHT_VALUE), "321");
    EXPECT_EQ(app.snaps[1].text(test, IDC_LIGHT_VALUE), "321") << "before the tick";
    EXPECT_EQ(app.snaps[2].text(test, IDC_LIGHT_VALUE), "612") << "a second after the start";
    EXPECT_FALSE(app.snaps[3].has(test)) << "Enter's release ends the test";
    EXPECT_TRUE(app.snaps[3].has(kMain));
}

TEST(TWDiag, OnlyAReleaseAfterItsPressEndsTheProgram) {
    DiagRoot root;
    TestDiagApp app;
    std::vector<plat::MessageBoxCall> boxes;
    // The fan keys; the battery dialog; an Enter release alone; the blank
    // page 6, which no key leaves; an Escape release alone; then Enter down
    // and up ends the program (the last probe comes too late).
    ASSERT_EQ(root.Run(app,
                       "key F17\nkey F1\nkey F2\nkey F24\n"
                       "key F13\nkey F14\nkey F1\nkey F24\nkey ESCAPE\nkey F24\n"
                       "up ENTER\nkey F24\n"
                       "key F16\nkey F24\nkey F13\nkey F1\nkey F24\n"
                       "up ESCAPE\nkey F24\n"
                       "key ENTER\nkey F24\n",
                       &boxes),
              0);
    ASSERT_EQ(app.snaps.size(), 7u);
    // Audio/Fan: page 5's own menu, and the fan keys do nothing.
    EXPECT_EQ(app.snaps[0].text(kMain, IDC_SOFT_KEY_FIRST), "Fan On");
    EXPECT_EQ(app.snaps[0].text(kMain, IDC_MENU_KEY_FIRST + 1), "Fan");
    EXPECT_EQ(app.snaps[0].text(kMain, IDC_MENU_KEY_FIRST + 5), "Update F\\W");
    EXPECT_EQ(app.snaps[0].windows.size(), 1u);
    // Keypad, Battery, Status: the battery dialog with nothing to show,
    // which Escape closes.
    EXPECT_EQ(app.snaps[1].text("Battery Status", IDC_BATTERY_STATUS), "");
    EXPECT_EQ(app.snaps[1].text("Battery Status", IDC_BATTERY_LEVEL), "0");
    EXPECT_EQ(app.snaps[1].text("Battery Status", IDC_BATTERY_TEMPERATURE), "0");
    EXPECT_FALSE(app.snaps[2].has("Battery Status"));
    EXPECT_TRUE(app.snaps[3].has(kMain)) << "an Enter release alone";
    for (int s : {4, 5}) {
        for (int i = 0; i < kMenuKeys; ++i)
            EXPECT_EQ(app.snaps[s].text(kMain, IDC_MENU_KEY_FIRST + i), "") << s << " " << i;
        for (int i = 0; i < kSoftKeys; ++i)
            EXPECT_EQ(app.snaps[s].text(kMain, IDC_SOFT_KEY_FIRST + i), "") << s << " " << i;
    }
    EXPECT_TRUE(app.snaps[6].has(kMain)) << "an Escape release alone";
    EXPECT_TRUE(boxes.empty());
}

}  // namespace

namespace {

// Links in the device root that lead out of it are listed but give nothing
// from outside: a folder link lists nothing, a file link is no firmware file.
TEST(TWDiag, TheFileChooserNeverLeavesTheDeviceRoot) {
    DiagRoot root;
    const fs::path outside = root.path().string() + "-outside";
    fs::create_directories(outside);
    const std::string image = Content("DSP_from outside the root", 3000);
    std::ofstream(outside / "x.bin", std::ios::binary) << image;
    root.WriteBytes("FlashFX Disk/fw/DSP_in.bin", image);
    fs::create_directory_symlink(outside, root.path() / "FlashFX Disk/fw/out");
    fs::create_symlink(outside / "x.bin", root.path() / "FlashFX Disk/fw/evil.bin");
    const std::string open_fw =
        "key F15\nkey F2\nkey F23\nkey ENTER\nkey F23\nkey ENTER\nkey F24\n";
    const auto navigate = [](TestDiagApp& app) {
        app.steps.push_back(Select("[FlashFX Disk]"));
        app.steps.push_back(Select("[fw]"));
    };
    TestDiagApp look;
    navigate(look);
    ASSERT_EQ(root.Run(look, open_fw + "key ESCAPE\nkey ESCAPE\n"), 0);
    ASSERT_EQ(look.snaps.size(), 1u);
    const std::string listed = look.snaps[0].text("Select DSP Firmware Update", IDC_FILE_LIST);
    ASSERT_EQ(listed, "[..]|[out]|DSP_in.bin|evil.bin");
    {
        TestDiagApp app;
        navigate(app);
        app.steps.push_back(Select("[out]"));
        ASSERT_EQ(root.Run(app, open_fw + "key F23\nkey ENTER\nkey F24\nkey ESCAPE\nkey ESCAPE\n"),
                  0);
        ASSERT_EQ(app.snaps.size(), 2u);
        EXPECT_EQ(app.snaps[1].text("Select DSP Firmware Update", IDC_FILE_LIST), "[..]");
    }
    {
        TestDiagApp app;
        navigate(app);
        app.steps.push_back(Select("evil.bin"));
        std::vector<plat::MessageBoxCall> boxes;
        ASSERT_EQ(root.Run(app, open_fw + "key F23\nkey ENTER\nkey ENTER\nkey ESCAPE\n", &boxes),
                  0);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(plat::to_utf8(boxes[0].text), "Invalid Firmware update file.");
        EXPECT_EQ(app.Count(kIoctl + "Load DSP, "), 0);
    }
    fs::remove_all(outside);
}

}  // namespace

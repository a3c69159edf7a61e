// The setup manager in the real program: `celvane` runs headless on a fresh
// device root with the simulated board (noise variation off) and the
// virtual clock, takes its script line by line from this test, and the
// board records every command packet it receives ("board.log").
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "app/tests/specan_screen.h"

using namespace app_test;

namespace {

using namespace specan_screen;

constexpr uint16_t kSweepMessage = 0x3001;

class SetupProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = StartOnSpectrum(root_.path(), "virtual");
        ASSERT_NE(program_, nullptr);
    }
    void TearDown() override {
        if (!program_) return;
        Send("quit");
        EXPECT_EQ(pclose(program_) >> 8, 0);
    }
    void Send(const std::string& line) {
        std::fputs((line + "\n").c_str(), program_);
        std::fflush(program_);
    }
    // The payloads of the sweep records the board received so far.
    std::vector<std::string> Sweeps() const {
        std::vector<std::string> out;
        std::ifstream in(root_.path() / "board.log");
        std::string line;
        char head[8];
        std::snprintf(head, sizeof head, "%04x:", kSweepMessage);
        while (std::getline(in, line))
            if (line.rfind(head, 0) == 0) out.push_back(line.substr(5));
        return out;
    }
    // Waits until the program has handled every line sent so far.
    void Settle() {
        const fs::path png = root_.path() / ("settle" + std::to_string(++shots_) + ".png");
        Send("shot " + png.string());
        ASSERT_TRUE(Eventually([&] { return fs::exists(png) && fs::file_size(png) > 0; }));
    }
    // Lets platform time pass until the board's sweep records satisfy `ok`.
    bool SweepsUntil(const std::function<bool(const std::vector<std::string>&)>& ok) {
        return Eventually([&] {
            const std::vector<std::string> all = Sweeps();
            if (ok(all)) return true;
            Send("wait 100");
            return false;
        });
    }
    std::vector<std::string> SetupFiles() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(root_.path() / "FlashFX Disk" / "My Setups"))
            if (e.is_regular_file()) out.push_back(e.path().filename().string());
        return out;
    }

    fs::path SetupPath(const std::string& name) const {
        return root_.path() / "FlashFX Disk" / "My Setups" / name;
    }
    static std::string FileBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Bytes(const std::string& name) const { return FileBytes(SetupPath(name)); }
    // A setup file from its body on: the settings without the names and
    // times of its head.
    std::string Body(const std::string& name) const {
        const std::string text = Bytes(name);
        const size_t at = text.find("<body>");
        return at == std::string::npos ? std::string() : text.substr(at);
    }
    // The value of the first "<tag = value>" line of a file's text.
    static std::string TagValue(const std::string& text, const std::string& tag) {
        const size_t at = text.find("<" + tag + " = ");
        if (at == std::string::npos) return {};
        const size_t from = at + tag.size() + 4;
        return text.substr(from, text.find('>', from) - from);
    }
    // The save dialog's keys: clear the current field and type by the
    // keypad (digits and the point), then the next field.
    void TypeField(const std::string& keys) {
        Send("key F7");
        for (char c : keys) Send(c == '.' ? "key PERIOD" : std::string("key ") + c);
    }

    DeviceRoot root_{"celvane-setup"};
    FILE* program_ = nullptr;
    int shots_ = 0;
};

// Quick save names the file by the clock; changed settings come back
// exactly with a recall of that file: the board gets the sweep it had, and
// every setting the file holds is the stored one again.
TEST_F(SetupProgram, QuickSaveAndRecallByKeysBringTheSettingsBack) {
    ASSERT_TRUE(SweepsUntil([](const auto& all) { return !all.empty(); }));
    Send("key F20");
    Send("key F1");  // quick save
    Settle();
    const std::vector<std::string> files = SetupFiles();
    ASSERT_EQ(files.size(), 1u);
    std::smatch m;
    const std::regex name(R"(General SA\((\d\d)-(\d\d) (\d\d)-(\d\d)-(\d\d)\)\.tws)");
    ASSERT_TRUE(std::regex_match(files[0], m, name)) << files[0];
    // The name's time is the one the file was stamped with.
    const std::string text = Bytes(files[0]);
    const std::string stamp = m[3].str() + ":" + m[4].str() + ":" + m[5].str() + " " + m[1].str() +
                              "/" + m[2].str() + "/";
    EXPECT_NE(text.find("<change date = " + stamp), std::string::npos) << stamp;

    // Back on the spectrum screen (key 8), the last sweep record stands for
    // the saved settings.
    size_t before = Sweeps().size();
    Send("key F8");
    ASSERT_TRUE(SweepsUntil([&](const auto& all) { return all.size() > before; }));
    const std::string saved = Sweeps().back();
    for (const char* line :
         {// centre 900 MHz, span 20 MHz
          "key shift+F1", "key F3", "key 9", "key 0", "key 0", "key F3", "key F4", "key 2", "key 0",
          "key F3",
          // manual RBW one step down, average detector
          "key shift+F2", "key F2", "key LEFT", "key F7", "key F4",
          // reference one division down
          "key shift+F3", "key F2", "key DOWN",
          // external trigger with a gate delay of 25
          "key shift+F2", "key F8", "key F2", "key F3", "key F7", "key 2", "key 5", "key RETURN",
          // manual VBW one step down; both ratios from their lists
          "key shift+F2", "key F4", "key LEFT", "key F5", "key DOWN", "key RETURN", "key F6",
          "key DOWN", "key RETURN",
          // scale one step down, attenuation 20 dB, the preamplifier on
          // (its warning answered), offset 3 dB, unit dBuV
          "key shift+F3", "key F3", "key DOWN", "key F4", "key F4", "key shift+F3", "key F5",
          "key RETURN", "key shift+F3", "key F6", "key 3", "key RETURN", "key shift+F3", "key F7",
          "key F2",
          // single sweep
          "key shift+F2", "key F8", "key F1"})
        Send(line);
    before = Sweeps().size();
    ASSERT_TRUE(
        SweepsUntil([&](const auto& all) { return all.size() > before && all.back() != saved; }));
    // The changed settings saved as "1" show that each key took effect.
    Send("key F20");
    Send("key F2");
    TypeField("1");
    Send("key F1");
    Settle();
    const std::string stored = Body(files[0]), changed = Body("1.tws");
    for (const char* tag :
         {"frequency center", "frequency span", "measure unit", "amplitude offset",
          "resolution bandwidth", "resolution bandwidth mode", "video bandwidth",
          "video bandwidth mode", "rbw to vbw ratio", "span to rbw ratio", "reference level",
          "reference stepping", "preamp mode", "detection mode", "trigger mode", "trigger delay"})
        EXPECT_NE(TagValue(changed, tag), TagValue(stored, tag)) << tag;
    // Recall the quick-saved setup: the fourth row, after "1", "Factory SA"
    // and "Factory VNA".
    Send("key DOWN");
    Send("key DOWN");
    Send("key DOWN");
    Settle();
    before = Sweeps().size();
    Send("key F3");
    ASSERT_TRUE(SweepsUntil([&](const auto& all) { return all.size() > before; }));
    EXPECT_EQ(Sweeps()[before], saved);
    // Saved again as "2", the recalled settings are the stored ones.
    Send("key F20");
    Send("key F2");
    TypeField("2");
    Send("key F1");
    Settle();
    EXPECT_EQ(Body("2.tws"), stored);
}

// Delete answered Yes with Enter removes exactly the highlighted file and
// recalls nothing: the Enter release that follows the box reaches no one.
TEST_F(SetupProgram, DeleteAnsweredByEnterRemovesTheFileAndRecallsNothing) {
    ASSERT_TRUE(SweepsUntil([](const auto& all) { return !all.empty(); }));
    Send("key F20");
    Send("key F1");  // quick save: the third row, after the two factory setups
    Send("key F5");  // manage setup files
    Send("key DOWN");
    Send("key DOWN");
    Settle();
    ASSERT_EQ(SetupFiles().size(), 1u);
    const size_t before = Sweeps().size();
    Send("key F4");
    Send("key RETURN");  // Yes
    Send("wait 2000");
    Settle();
    EXPECT_TRUE(SetupFiles().empty());
    EXPECT_TRUE(
        fs::exists(root_.path() / "FlashFX Disk" / "My Setups" / "Backup" / "Factory SA.tws"));
    // No recall: the spectrum analyzer stays stopped behind the setup screen.
    EXPECT_EQ(Sweeps().size(), before);
}

// The manage page by keys: without a USB drive a copy says so and copies
// nothing; a copy to the drive is byte-equal; a factory setup is never
// deleted, No deletes nothing; a copy from the drive over a listed setup
// lists it once; delete all leaves only the factory setups.
TEST_F(SetupProgram, TheManageKeysCopyAndDeleteOnlyWhatTheyName) {
    ASSERT_TRUE(SweepsUntil([](const auto& all) { return !all.empty(); }));
    Send("key F20");
    for (const char* name : {"1", "2"}) {
        Send("key F2");
        TypeField(name);
        Send("key F1");
    }
    Send("key F8");   // back to the spectrum analyzer
    Send("key F20");  // rows: 1, 2, Factory SA, Factory VNA; row 0 highlighted
    Send("key F5");   // manage
    Settle();
    const fs::path usb = root_.path() / "Hard Disk";
    const fs::path usb_setups = usb / "My Setups";
    const fs::path away = root_.path() / "USB drive away";
    auto usb_files = [&] {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(usb_setups, ec))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    };
    auto files = [&] {
        std::vector<std::string> out = SetupFiles();
        std::sort(out.begin(), out.end());
        return out;
    };
    ASSERT_EQ(files(), (std::vector<std::string>{"1.tws", "2.tws"}));

    fs::rename(usb, away);
    Send("key F1");      // copy "1" to the drive
    Send("key RETURN");  // the box: no USB drive
    Settle();
    EXPECT_FALSE(fs::exists(usb));
    fs::rename(away, usb);
    Send("key F1");
    Settle();
    ASSERT_EQ(usb_files(), (std::vector<std::string>{"1.tws"}));
    EXPECT_EQ(FileBytes(usb_setups / "1.tws"), Bytes("1.tws"));

    Send("key DOWN");
    Send("key DOWN");    // Factory SA
    Send("key F4");      // delete: refused
    Send("key RETURN");  // the box
    Send("key UP");      // "2"
    Send("key F4");
    Send("key RIGHT");  // No
    Send("key RETURN");
    Settle();
    EXPECT_EQ(files(), (std::vector<std::string>{"1.tws", "2.tws"}));
    EXPECT_TRUE(fs::exists(SetupPath("Backup/Factory SA.tws")));

    Send("key F2");  // copy all to the drive
    Settle();
    ASSERT_EQ(usb_files(), (std::vector<std::string>{"1.tws", "2.tws"}));
    EXPECT_EQ(FileBytes(usb_setups / "2.tws"), Bytes("2.tws"));

    // From the drive: "1" again and a new "3". The list read again
    // highlights its first row; the second is "2" when "1" is listed once.
    fs::copy_file(usb_setups / "1.tws", usb_setups / "3.tws");
    Send("key F3");
    Send("key DOWN");
    Send("key F4");      // delete the second row
    Send("key RETURN");  // Yes
    Settle();
    EXPECT_EQ(files(), (std::vector<std::string>{"1.tws", "3.tws"}));

    Send("key F5");      // delete all
    Send("key RETURN");  // Yes
    Settle();
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(fs::exists(SetupPath("Backup/Factory SA.tws")));
    EXPECT_TRUE(fs::exists(SetupPath("Backup/Factory VNA.tws")));
}

// Label and save by keys: the typed name and texts make the file; saving
// under a listed name asks first, and only Yes replaces the bytes; a name
// that is no file name is refused and writes nothing; a file renamed on the
// volume is recalled under its new name.
TEST_F(SetupProgram, LabelAndSaveWritesTheTypedNameAndAsksBeforeReplacing) {
    ASSERT_TRUE(SweepsUntil([](const auto& all) { return !all.empty(); }));
    Send("key F20");
    Send("key F2");  // label and save: the name field first
    TypeField("42");
    Send("key F2");
    TypeField("7");  // title
    Send("key F2");
    TypeField("8");  // sub title
    Send("key F1");  // save
    Settle();
    ASSERT_TRUE(fs::exists(SetupPath("42.tws")));
    const std::string first = Bytes("42.tws");
    EXPECT_NE(first.find("<setup label = 42>"), std::string::npos);
    EXPECT_NE(first.find("<title = 7>"), std::string::npos);
    EXPECT_NE(first.find("<subtitle = 8>"), std::string::npos);

    // Again under "42" with another title: No keeps the file as it was.
    Send("key F2");
    Send("key F2");
    TypeField("9");
    Send("key F1");
    Send("key RIGHT");  // the box's No
    Send("key RETURN");
    Settle();
    EXPECT_EQ(Bytes("42.tws"), first);
    // Yes replaces it.
    Send("key F2");
    Send("key F2");
    TypeField("9");
    Send("key F1");
    Send("key RETURN");  // Yes
    Settle();
    EXPECT_NE(Bytes("42.tws").find("<title = 9>"), std::string::npos);

    // ".." names no file: the box says so and the dialog stays for a name.
    const std::vector<std::string> before = SetupFiles();
    Send("key F2");
    TypeField("..");
    Send("key F1");
    Send("key RETURN");  // OK on the box: types nothing, ends nothing
    Send("key F8");      // back: nothing saved
    Settle();
    EXPECT_EQ(SetupFiles(), before);

    // Renamed on the volume, the file is recalled under its new name: the
    // next save proposes it, and saving asks before replacing it.
    fs::rename(SetupPath("42.tws"), SetupPath("Mast.tws"));
    Send("key F8");   // back to the spectrum analyzer
    Send("key F20");  // the list read again: Factory SA, Factory VNA, Mast
    Send("key DOWN");
    Send("key DOWN");
    Send("key F3");  // recall Mast
    Settle();
    Send("key F20");
    Send("key F2");
    Send("key F2");
    TypeField("5");
    Send("key F1");
    Send("key RETURN");  // Yes, replace Mast.tws
    Settle();
    const std::string mast = Bytes("Mast.tws");
    EXPECT_NE(mast.find("<setup label = Mast>"), std::string::npos);
    EXPECT_NE(mast.find("<title = 5>"), std::string::npos);
    EXPECT_FALSE(fs::exists(SetupPath("42.tws")));
}

}  // namespace

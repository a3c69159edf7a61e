// Pictures from the spectrum analyzer's file and waterfall menus in the
// program itself: the image manager copies and deletes pictures by keys, a
// waterfall saved to a file comes back through the picture dialog, and the
// files are read back by ImageMagick.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <regex>
#include <set>
#include <thread>

#include "app/tests/file_menu_run.h"
#include "core/res_string.h"
#include "dialogs/picture_dlgs.h"
#include "files/sa_meas_setup.h"
#include "platform/gfx/image_file.h"
#include "platform/kernel/clock.h"
#include "printer/tests/print_test_support.h"
#include "widgets/graph_panel.h"
#include "widgets/graph_widget.h"

using namespace file_menu;

namespace {

constexpr uint32_t kNoUsb = 64255, kCopyFailed = 64256;

class PictureFilesProgram : public FileMenuProgram {
  protected:
    PictureFilesProgram() : FileMenuProgram("picture-files") {}

    // The open image manager's mode and status line; -1 when none is open.
    std::pair<int, std::string> ManagerState() {
        std::pair<int, std::string> state{-1, {}};
        run.OnUi([&] {
            if (auto* d = FocusedDialog<CImageManagerDlg>())
                state = {d->GetMode(), plat::to_utf8(d->GetStatusText())};
        });
        return state;
    }
    // Runs the screen's image manager from the program while `keys` are
    // typed; what it answered.
    bool ManageImages(const std::string& keys) {
        std::atomic<bool> changed{false}, done{false};
        std::thread call([&] {
            run.OnUi([&] { changed = run.Spectrum()->ManageImageFiles(); });
            done = true;
        });
        EXPECT_TRUE(product_test::Eventually([&] { return ManagerState().first == 0; }));
        run.Type(keys);
        EXPECT_TRUE(product_test::Eventually([&] { return done.load(); }));
        call.join();
        return changed;
    }
    // The bytes of a picture file (or of the part `crop`, ImageMagick's
    // geometry) as 8-bit RGB, read by ImageMagick; empty when it cannot read
    // it.
    static std::string ReadByImageMagick(const fs::path& file, const std::string& crop = {}) {
        const fs::path rgb = file.string() + ".rgb";
        const std::string part = crop.empty() ? "" : " -crop " + crop + " +repage";
        if (specan_screen::Shell("convert " + specan_screen::Quote(file) + part +
                                 " -depth 8 rgb:" + specan_screen::Quote(rgb) + " 2>/dev/null"))
            return {};
        return Bytes(rgb);
    }
    // What ImageMagick's identify says of a file in `format`.
    static std::string Identify(const fs::path& file, const std::string& format) {
        const fs::path out = file.string() + ".id";
        if (specan_screen::Shell("identify -format '" + format + "' " + specan_screen::Quote(file) +
                                 " > " + specan_screen::Quote(out) + " 2>/dev/null"))
            return {};
        return Bytes(out);
    }
    // The screen pictures in the picture folder.
    std::set<std::string> ScreenPictures() {
        std::set<std::string> out;
        for (const std::string& name : Names(Pictures()))
            if (std::regex_match(name, std::regex(R"(Screen.*\.bmp)"))) out.insert(name);
        return out;
    }
    // Waits until the graph has the whole single sweep that completed after
    // `after` sweeps; the next Sync shows it painted.
    bool NextSingleSweep(int after) {
        return product_test::Eventually([&] {
            bool drawn = false;
            run.OnUi([&] {
                CSpecAnMode* s = run.Spectrum();
                auto data = s->GetGraphPanel()->GetGraph()->LockData();
                drawn = s->GetCompletedSweeps() > after && data->total == kPoints &&
                        data->received >= kPoints;
            });
            return drawn;
        });
    }
    int CompletedSweeps() {
        int done = 0;
        run.OnUi([&] { done = run.Spectrum()->GetCompletedSweeps(); });
        return done;
    }
    // The number of bytes that differ in their top five bits.
    static size_t DifferIn5Bits(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return std::max(a.size(), b.size());
        size_t n = 0;
        for (size_t i = 0; i < a.size(); ++i)
            n += (static_cast<uint8_t>(a[i]) >> 3) != (static_cast<uint8_t>(b[i]) >> 3);
        return n;
    }
};

// The graph's part of the display, as ImageMagick crops it.
constexpr char kGraphArea[] = "705x425+0+30";

// The name a picture of the instrument's local time plus `seconds` would
// get.
std::string ScreenNameAt(const plat::SystemTime& now, int seconds) {
    std::tm t{};
    t.tm_year = now.year - 1900;
    t.tm_mon = now.month - 1;
    t.tm_mday = now.day;
    t.tm_hour = now.hour;
    t.tm_min = now.minute;
    t.tm_sec = now.second + seconds;
    const std::time_t flat = timegm(&t);
    gmtime_r(&flat, &t);
    char name[32];
    std::snprintf(name, sizeof name, "Screen%2d%02d%02d%02d.bmp", t.tm_mday, t.tm_hour, t.tm_min,
                  t.tm_sec);
    return name;
}

// Screen image key 0 saves the display as an 800 x 600 bitmap of 16 bits a
// pixel whose graph area is what the screen shows (in 5 bits a channel);
// a picture name already taken gets "-1" and the older file stays; key 2
// prints the display: one job that the printer language decoder reads.
TEST_F(PictureFilesProgram, ScreenImagePageSavesAndPrintsTheDisplay) {
    const int continuous = CompletedSweeps();
    ASSERT_TRUE(SingleSweepDone());
    ASSERT_TRUE(NextSingleSweep(continuous));
    run.Type("key shift+F6\nkey F6\n");  // file menu, screen image
    fs::path shot;
    Sync(&shot);
    run.Type("key F1\n");
    Sync();
    const std::set<std::string> first = ScreenPictures();
    ASSERT_EQ(first.size(), 1u);
    const std::string name = *first.begin();
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(Screen[ \d]\d{7}\.bmp)"))) << name;
    const fs::path picture = Pictures() / name;
    EXPECT_EQ(Identify(picture, "%m %w %h"), "BMP3 800 600");
    const std::string bytes = Bytes(picture);
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[28]) | static_cast<uint8_t>(bytes[29]) << 8, 16);
    // The graph as the screen showed it when the key was pressed.
    const std::string shown = ReadByImageMagick(shot, kGraphArea);
    ASSERT_EQ(shown.size(), 705u * 425u * 3u);
    EXPECT_EQ(DifferIn5Bits(ReadByImageMagick(picture, kGraphArea), shown), 0u);

    // Every name of the next minutes taken: the next save is one of them
    // with "-1".
    const plat::SystemTime now = plat::local_time();
    std::set<std::string> taken;
    for (int s = -1; s < 300; ++s) {
        const std::string n = ScreenNameAt(now, s);
        if (!fs::exists(Pictures() / n)) std::ofstream(Pictures() / n) << "taken";
        taken.insert(n);
    }
    run.Type("key F1\n");
    Sync();
    std::set<std::string> added = ScreenPictures();
    for (const std::string& n : taken) added.erase(n);
    added.erase(name);
    ASSERT_EQ(added.size(), 1u);
    const std::string numbered = *added.begin();
    ASSERT_TRUE(std::regex_match(numbered, std::regex(R"(Screen[ \d]\d{7}-1\.bmp)"))) << numbered;
    const std::string base = numbered.substr(0, numbered.size() - 6) + ".bmp";
    EXPECT_TRUE(taken.count(base)) << numbered;
    if (base != name) {
        EXPECT_EQ(Bytes(Pictures() / base), "taken");
    }
    EXPECT_EQ(Identify(Pictures() / numbered, "%w %h"), "800 600");

    // Print: the print settings dialog, accepted as it opens.
    run.OnUi([&] {
        print_test::InstallPrinter(run.root().path());
        print_test::SetPrinterPort(1);
    });
    run.Type("key F3\n");
    EXPECT_TRUE(product_test::Eventually([&] {
        bool open = false;
        run.OnUi([&] { open = FocusedDialog<plat::CDialog>() != nullptr; });
        return open;
    }));
    run.Type("key RETURN\n");
    // The spooled jobs, a job being written left out.
    const fs::path spool = run.root().path() / "spool";
    auto spooled = [&] {
        std::vector<std::string> jobs;
        for (const std::string& n : Names(spool))
            if (n.front() != '.') jobs.push_back(n);
        return jobs;
    };
    EXPECT_TRUE(product_test::Eventually([&] { return !spooled().empty(); }));
    Sync();
    const std::vector<std::string> jobs = spooled();
    ASSERT_EQ(jobs.size(), 1u);
    const print_test::DecodedJob job = print_test::Decode(spool / jobs[0], 300);
    ASSERT_TRUE(job.ok);
    EXPECT_EQ(job.pages.size(), 1u);
    EXPECT_TRUE(Boxes().empty());
}

// The image manager by keys: over three pictures, a file of another kind and
// a folder it lists "[..]" and the pictures and the folder by name; it
// copies one picture and then all to the USB drive's "My Traces", deletes
// one without a question, copies it back from the USB drive, and deletes
// all; deleting all of an empty list does nothing.
TEST_F(PictureFilesProgram, ImageManagerCopiesAndDeletesPicturesByKeys) {
    fs::create_directories(Pictures() / "sub");
    for (const char* name : {"a.bmp", "b.bmp", "c.BMP", "note.bmp.txt"})
        std::ofstream(Pictures() / name, std::ios::binary) << "picture " << name;
    const fs::path usb = Usb() / "My Traces";
    run.Type("key shift+F6\nkey F6\nkey F7\n");  // file menu, screen image, manage images
    Sync();
    EXPECT_EQ(FocusedListRows(),
              (std::vector<std::string>{"[..]", "a.bmp", "b.bmp", "c.BMP", "[sub]"}));

    run.Type("key DOWN\nkey F1\n");  // a.bmp to the USB drive
    Sync();
    EXPECT_EQ(Names(usb), std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(Bytes(usb / "a.bmp"), "picture a.bmp");
    EXPECT_EQ(ManagerState().second, R"(a.bmp was copied to \Hard Disk\My Traces)");

    run.Type("key F2\n");  // all of them
    Sync();
    EXPECT_EQ(Names(usb), (std::vector<std::string>{"a.bmp", "b.bmp", "c.BMP"}));
    EXPECT_EQ(Bytes(usb / "c.BMP"), "picture c.BMP");
    EXPECT_EQ(ManagerState().second, R"(All image files were copied to \Hard Disk\My Traces)");

    run.Type("key F4\nkey DOWN\nkey DOWN\nkey F6\n");  // delete b.bmp
    Sync();
    EXPECT_EQ(Names(Pictures()), (std::vector<std::string>{"a.bmp", "c.BMP", "note.bmp.txt"}));
    EXPECT_EQ(FocusedListRows(), (std::vector<std::string>{"[..]", "a.bmp", "c.BMP", "[sub]"}));

    run.Type("key F3\n");  // the USB drive's pictures
    Sync();
    EXPECT_EQ(ManagerState().first, 1);
    EXPECT_EQ(FocusedListRows(), (std::vector<std::string>{"[..]", "a.bmp", "b.bmp", "c.BMP"}));
    run.Type("key F4\nkey DOWN\nkey DOWN\nkey F6\n");  // b.bmp back
    Sync();
    EXPECT_EQ(Bytes(Pictures() / "b.bmp"), "picture b.bmp");
    EXPECT_EQ(ManagerState().second, R"(b.bmp was copied to \FlashFX Disk\My Pictures)");

    run.Type("key F8\nkey F7\n");  // back to the pictures, delete all
    Sync();
    EXPECT_EQ(ManagerState().first, 0);
    EXPECT_EQ(Names(Pictures()), std::vector<std::string>{"note.bmp.txt"});
    EXPECT_TRUE(fs::is_directory(Pictures() / "sub"));
    EXPECT_EQ(FocusedListRows(), (std::vector<std::string>{"[..]", "[sub]"}));
    run.Type("key F7\nkey F8\n");  // nothing left to delete; back
    Sync();
    EXPECT_EQ(ManagerState().first, -1);
    EXPECT_EQ(Names(usb), (std::vector<std::string>{"a.bmp", "b.bmp", "c.BMP"}));
    EXPECT_TRUE(Boxes().empty());
}

// Without the USB drive a copy says so, then that the copy failed; the
// manager answers that nothing changed. A deleted picture is a change.
TEST_F(PictureFilesProgram, ImageManagerSaysWhenTheUsbDriveIsMissing) {
    std::ofstream(Pictures() / "a.bmp", std::ios::binary) << "picture";
    fs::remove_all(Usb());
    std::thread answer([&] {
        AnswerBox(1);
        AnswerBox(2);
        run.Type("key F8\n");
    });
    EXPECT_FALSE(ManageImages("key DOWN\nkey F1\n"));
    answer.join();
    const std::vector<std::u16string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], LoadResString(kNoUsb));
    EXPECT_EQ(boxes[1], LoadResString(kCopyFailed));
    EXPECT_FALSE(fs::exists(Usb()));
    EXPECT_TRUE(fs::exists(Pictures() / "a.bmp"));

    EXPECT_TRUE(ManageImages("key DOWN\nkey F6\nkey F8\n"));
    EXPECT_FALSE(fs::exists(Pictures() / "a.bmp"));
    EXPECT_EQ(Boxes().size(), 2u);
}

// A waterfall saved to a file ("WF…bmp") and moved into a folder of the
// pictures comes back through the picture dialog: Enter on the folder opens
// it, Enter on the file recalls it from there. The screen shows the recalled
// waterfall (mode 3), whose rows are the file's as ImageMagick reads them.
TEST_F(PictureFilesProgram, WaterfallFileRecallsThroughThePictureDialog) {
    run.Type("key shift+F3\nkey F8\nkey F7\nkey F1\n");  // amplitude, trace, waterfall, on
    EXPECT_TRUE(product_test::Eventually([&] {
        int rows = 0;
        run.OnUi([&] { rows = run.Spectrum()->GetGraphPanel()->GetGraph()->GetRowIndex(); });
        return rows >= 5;
    }));
    run.Type("key F5\n");  // save
    Sync();
    std::vector<std::string> saved = Names(Pictures());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(std::regex_match(saved[0], std::regex(R"(WF[ \d]\d{7}\.bmp)"))) << saved[0];
    fs::create_directories(Pictures() / "sub");
    fs::rename(Pictures() / saved[0], Pictures() / "sub" / saved[0]);

    run.Type("key F6\n");  // recall: the picture dialog
    Sync();
    EXPECT_EQ(FocusedListRows(), (std::vector<std::string>{"[..]", "[sub]"}));
    run.Type("key DOWN\nkey RETURN\n");
    Sync();
    EXPECT_EQ(FocusedListRows(), (std::vector<std::string>{"[..]", saved[0]}));
    run.Type("key DOWN\nkey RETURN\n");
    Sync();
    EXPECT_TRUE(FocusedListRows().empty());
    int mode = -1;
    const fs::path shown = run.root().path() / "recalled.png";
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        mode = s->GetSASetup()->GetWaterfallMode();
        plat::write_png_file(shown, s->GetGraphPanel()->GetGraph()->GetWaterfallImage());
    });
    EXPECT_EQ(mode, 3);
    // The picture without the waterfall's state block behind it (the size
    // the file header gives).
    const std::string bytes = Bytes(Pictures() / "sub" / saved[0]);
    ASSERT_GT(bytes.size(), 6u);
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= uint32_t{static_cast<uint8_t>(bytes[2 + i])} << (8 * i);
    ASSERT_LE(size, bytes.size());
    const fs::path picture = run.root().path() / "picture.bmp";
    std::ofstream(picture, std::ios::binary) << bytes.substr(0, size);
    const std::string file = ReadByImageMagick(picture);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(DifferIn5Bits(ReadByImageMagick(shown), file), 0u);
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace

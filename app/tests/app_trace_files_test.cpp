// Trace files from the spectrum analyzer's file menu in the program itself,
// in this process on the simulated board (noise variation off): keys go
// through the headless display's script as the user presses them, message
// boxes are watched as they open, files are read back by Python, and the
// held trace is compared with the saved one in screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/message_box.h"
#include "app/tests/product_run.h"
#include "core/frequency_range.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/settings/system_settings.h"
#include "dialogs/list_box_dlg.h"
#include "files/sa_meas_setup.h"
#include "files/setup_services.h"
#include "instrument/measurement.h"
#include "platform/text/utf.h"
#include "widgets/color_scheme.h"

using product_test::ProductRun;
namespace fs = std::filesystem;

namespace {

constexpr char kScene[] = R"({"signals": [{"frequency_hz": 940e6, "level_dbm": -25}],)"
                          R"( "receiver": {"noise_variation": false}})";
constexpr double kCarrierHz = 940e6, kCarrierDbm = -25;
constexpr int kPoints = 705;
constexpr int kHeldTraceColour = 36;

class TraceFilesProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(run.ImageOk());
        SetMessageBoxObserver([this](const std::u16string& text, uint32_t) {
            std::lock_guard lock(mutex_);
            boxes_.push_back(text);
        });
        ASSERT_TRUE(run.Start());
    }
    void TearDown() override {
        run.Finish();
        SetMessageBoxObserver(nullptr);
    }

    // Waits until the program has taken every key typed so far, with a
    // screenshot of that moment.
    specan_screen::Screen Sync() {
        const fs::path png = run.root().path() / ("sync" + std::to_string(++shots_) + ".png");
        run.Type("shot " + png.string() + "\n");
        specan_screen::Screen s;
        EXPECT_TRUE(product_test::Eventually([&] {
            s = specan_screen::ReadPng(png);
            return !s.bytes.empty();
        }));
        return s;
    }
    std::vector<std::u16string> Boxes() {
        std::lock_guard lock(mutex_);
        return boxes_;
    }
    fs::path Traces() const { return run.root().path() / "FlashFX Disk" / "My Traces"; }
    std::vector<fs::path> TraceFiles() const {
        std::vector<fs::path> out;
        if (fs::exists(Traces()))
            for (const auto& e : fs::directory_iterator(Traces())) out.push_back(e.path());
        return out;
    }
    // Single sweeps from now on; true once one is complete and the
    // measurement has stopped after it.
    bool SingleSweepDone() {
        run.Type("key shift+F2\nkey F8\nkey F1\n");
        return SingleSweepStopped();
    }
    // A closed dialog of the file menu starts the measurement again: true
    // once the single sweep it began is complete.
    bool SingleSweepStopped() {
        bool single = false, active = false;
        int received = 0;
        const bool done = product_test::Eventually([&] {
            run.OnUi([&] {
                auto* screen = run.Spectrum();
                const CMeasurement* m = screen->GetCurrentMeasurement();
                single = screen->IsSingleSweep();
                active = m && m->IsActive();
                received = screen->GetPointsReceived();
            });
            return single && !active && received >= kPoints;
        });
        if (!done)
            ADD_FAILURE() << "single " << single << " measuring " << active << " points "
                          << received;
        return done;
    }
    uint64_t Centre() {
        uint64_t centre = 0;
        run.OnUi([&] { centre = run.Spectrum()->GetSASetup()->GetFrequencyRange()->GetCentre(); });
        return centre;
    }
    // The colour of the held trace in the first colour scheme.
    static specan_screen::Rgb HeldColour() {
        const COLORREF c = CreateColorScheme(1)->GetColor(kHeldTraceColour);
        return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                static_cast<uint8_t>((c >> 16) & 0xFF)};
    }
    // The top row of a colour in each column of the graph.
    static std::vector<int> TraceRows(const specan_screen::Screen& s,
                                      specan_screen::Rgb colour = specan_screen::TraceColour()) {
        std::vector<int> rows;
        for (int col = specan_screen::kGraphLeft;
             col < specan_screen::kGraphLeft + specan_screen::kGraphWidth; ++col)
            rows.push_back(s.TopRow(col, colour));
        return rows;
    }

    // Quick-saves one trace by keys after a single sweep; its path.
    fs::path QuickSaved() {
        EXPECT_TRUE(SingleSweepDone());
        run.Type("key shift+F6\nkey F1\n");
        Sync();
        const std::vector<fs::path> files = TraceFiles();
        EXPECT_EQ(files.size(), 1u);
        return files.empty() ? fs::path() : files[0];
    }
    static std::string Bytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path Usb() const { return run.root().path() / "Hard Disk"; }
    // The rows of the list that has the keyboard (a browser dialog's).
    std::vector<std::string> FocusedListRows() {
        std::vector<std::string> rows;
        run.OnUi([&] {
            auto* list = dynamic_cast<plat::CListBox*>(plat::CWnd::GetFocus());
            if (!list) return;
            for (int i = 0; i < list->GetCount(); ++i)
                rows.push_back(plat::to_utf8(list->GetText(i)));
        });
        return rows;
    }

    ProductRun run{"trace-files", kScene};

  private:
    int shots_ = 0;
    std::mutex mutex_;
    std::vector<std::u16string> boxes_;  // under mutex_
};

// Key 0 of the file menu after a finished single sweep writes one file named
// after the time; Python reads its trace header, its 705 points peaking at
// the carrier and its checksum. Recalled by keys after the centre moved, the
// file's setup comes back and its points are the held trace, drawn on the
// rows the trace had when it was saved.
TEST_F(TraceFilesProgram, QuickSavedTraceReadsBackAndRecallsOntoTheSameRows) {
    ASSERT_TRUE(SingleSweepDone());
    const specan_screen::Screen saved_screen = Sync();
    const uint64_t centre = Centre();
    run.Type("key shift+F6\nkey F1\n");
    Sync();
    const std::vector<fs::path> files = TraceFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string name = files[0].filename().string();
    EXPECT_TRUE(
        std::regex_match(name, std::regex(R"(General SA\(\d\d-\d\d \d\d-\d\d-\d\d\)\.twf)")))
        << name;
    EXPECT_TRUE(Boxes().empty());

    std::string serial;
    run.OnUi([&] { serial = plat::to_utf8(run.app().GetSettings()->UnitSerialNumber); });
    const int peak = static_cast<int>(kCarrierHz / 3.6e9 * (kPoints - 1) + 0.5);
    const std::string check = std::string("python3 ") + CELVANE_SOURCE_DIR +
                              "/app/tests/trace_file_check.py " + specan_screen::Quote(files[0]) +
                              " " + serial + " " + std::to_string(kPoints) + " " +
                              std::to_string(peak) + " " + std::to_string(kCarrierDbm);
    EXPECT_EQ(specan_screen::Shell(check), 0);
    EXPECT_EQ(specan_screen::Shell(std::string("python3 ") + CELVANE_SOURCE_DIR +
                                   "/files/tests/trace_checksum.py " +
                                   specan_screen::Quote(files[0]) + " >/dev/null"),
              0);

    // The centre moves; the recall of the file (key 3, Enter on the list)
    // brings it back and holds the saved trace alone.
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        s->GetSASetup()->GetFrequencyRange()->SetCentre(centre + 100000000, true);
        s->ApplyAndRestart(true);
    });
    Sync();
    ASSERT_NE(Centre(), centre);
    run.Type("key F4\nkey RETURN\n");
    Sync();
    EXPECT_EQ(Centre(), centre);
    const std::vector<int> before = TraceRows(saved_screen);
    int differing = -1;
    EXPECT_TRUE(product_test::Eventually([&] {
        const std::vector<int> after = TraceRows(Sync(), HeldColour());
        differing = 0;
        for (size_t col = 0; col < before.size(); ++col) differing += before[col] != after[col];
        return differing == 0;
    })) << differing
        << " columns differ" << [&] {
               std::string d;
               const std::vector<int> after = TraceRows(Sync(), HeldColour());
               for (size_t col = 0; col < before.size(); ++col)
                   if (before[col] != after[col])
                       d += " " + std::to_string(col) + ":" + std::to_string(before[col]) + "/" +
                            std::to_string(after[col]);
               return d;
           }();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(TraceFiles().size(), 1u);
}

// The manage page copies the highlighted trace to the USB drive byte for
// byte; copying from the USB drive lists the folder's traces and folders by
// name, and a name the flash volume holds already asks before it is
// replaced: No keeps the old file.
TEST_F(TraceFilesProgram, ManagePageCopiesToAndFromTheUsbDrive) {
    const fs::path saved = QuickSaved();
    ASSERT_FALSE(saved.empty());
    run.Type("key F5\nkey F1\n");  // manage, copy trace to USB
    Sync();
    const fs::path copy = Usb() / "My Traces" / saved.filename();
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(Bytes(copy), Bytes(saved));
    EXPECT_TRUE(Boxes().empty());

    for (const char* name : {"A.twf", "b.twf", "c.TWF", "x.txt", ".h.twf"})
        std::ofstream(Usb() / "My Traces" / name) << "usb " << name;
    fs::create_directories(Usb() / "My Traces" / "sub");
    std::ofstream(Traces() / "b.twf") << "flash b";
    run.Type("key F3\n");  // copy trace from USB: the browser
    Sync();
    std::vector<std::string> names = {saved.filename().string(), "A.twf", "b.twf", "c.TWF", "sub"};
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {"[..]"};
    for (const std::string& n : names) expected.push_back(n == "sub" ? "[sub]" : n);
    EXPECT_EQ(FocusedListRows(), expected);
    // b.twf is on the flash volume already: No keeps it.
    const auto row = std::find(expected.begin(), expected.end(), "b.twf") - expected.begin();
    std::string keys = "key F4\n";
    for (int i = 0; i < row; ++i) keys += "key DOWN\n";
    run.Type(keys + "key F6\n");
    Sync();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], LoadResString(64488));
    run.Type("key RIGHT\nkey RETURN\n");  // No
    Sync();
    EXPECT_EQ(Bytes(Traces() / "b.twf"), "flash b");
    EXPECT_EQ(Boxes().size(), 1u);
    const std::vector<std::string> left = FocusedListRows();
    EXPECT_TRUE(left.empty()) << left.size() << " " << (left.empty() ? "" : left[0]);
}

// Without the USB volume the copies say so; without its trace folder the
// copy of all traces from it says that.
TEST_F(TraceFilesProgram, CopiesWithoutTheUsbDriveOrItsTraceFolderSaySo) {
    ASSERT_FALSE(QuickSaved().empty());
    run.Type("key F5\n");  // manage
    Sync();
    // Copy all from the USB drive has no key: called in the program, its
    // box answered by the keys.
    std::thread call([&] { run.OnUi([&] { run.Spectrum()->CopyTracesToUsb(0, 0, {}); }); });
    ASSERT_TRUE(product_test::Eventually([&] { return Boxes().size() == 1; }));
    run.Type("key RETURN\n");
    call.join();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], LoadResString(64257));
    fs::remove_all(Usb());
    run.Type("key F1\n");
    ASSERT_TRUE(product_test::Eventually([&] { return Boxes().size() == 2; }));
    run.Type("key RETURN\n");
    Sync();
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1], LoadResString(64255));
    EXPECT_FALSE(fs::exists(Usb()));
}

// Label and save by keys: digits typed into the name give "42.twf" with the
// spectrum analyzer's preset title; the same name again asks before the
// file is replaced, No returns to the dialog and keeps the old bytes, Yes
// replaces them. A name that is no file name is refused and nothing written.
TEST_F(TraceFilesProgram, LabelledTraceIsNamedByTheUserAndReplacedOnlyWhenConfirmed) {
    ASSERT_TRUE(SingleSweepDone());
    run.Type("key shift+F6\nkey F2\nkey 4\nkey 2\nkey F1\n");
    Sync();
    const fs::path file = Traces() / "42.twf";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_NE(Bytes(file).find("\t<title = Spec An Measurement Trace>\n"), std::string::npos);
    EXPECT_TRUE(Boxes().empty());

    // Marked as the old file, still a trace the list shows.
    std::string marked = Bytes(file);
    const size_t notes = marked.find("\t<notes = >");
    ASSERT_NE(notes, std::string::npos);
    marked.insert(notes + 10, "old");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << marked;
    // The list highlights "42", which the dialog starts with.
    ASSERT_TRUE(SingleSweepStopped());
    run.Type("key F2\nkey F1\n");
    ASSERT_TRUE(product_test::Eventually([&] { return Boxes().size() == 1; }));
    EXPECT_EQ(Boxes()[0], LoadResString(64488));
    run.Type("key RIGHT\nkey RETURN\n");  // No: the dialog again
    Sync();
    EXPECT_EQ(Bytes(file), marked);
    run.Type("key F1\n");
    ASSERT_TRUE(product_test::Eventually([&] { return Boxes().size() == 2; }));
    run.Type("key RETURN\n");  // Yes
    Sync();
    EXPECT_EQ(Bytes(file).find("<notes = old>"), std::string::npos);
    EXPECT_NE(Bytes(file).find("\t<file type = MTRC>\n"), std::string::npos);

    // A name of dots alone names the folder itself.
    ASSERT_TRUE(SingleSweepStopped());
    run.Type("key F2\nkey F7\nkey POINT\nkey POINT\nkey POINT\nkey F1\n");
    ASSERT_TRUE(product_test::Eventually([&] { return Boxes().size() == 3; }));
    EXPECT_EQ(Boxes()[2], LoadResString(64252));
    run.Type("key RETURN\nkey F8\n");
    Sync();
    EXPECT_EQ(TraceFiles().size(), 1u);

    // The log's sample rate stays within 5 s and one hour.
    uint32_t low = 0, high = 0;
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        s->SetLogInterval(4000);
        low = s->GetLogInterval();
        s->SetLogInterval(3600001);
        high = s->GetLogInterval();
    });
    EXPECT_EQ(low, 5000u);
    EXPECT_EQ(high, 3600000u);
}

// The free bytes the program's files see, set by the test; every other
// question goes to the program's own services.
class FreeSpaceSeam : public IFileServices {
  public:
    explicit FreeSpaceSeam(uint64_t free) : inner_(FileServices()), free_(free) {}
    int ShowMessage(const core::Text& text, uint32_t style) override {
        return inner_.ShowMessage(text, style);
    }
    std::unique_ptr<IFileProgress> OpenProgress(const core::Text& title, int low,
                                                int high) override {
        return inner_.OpenProgress(title, low, high);
    }
    std::optional<uint64_t> GetFreeBytes(std::u16string_view) override { return free_; }
    uint64_t GetAvailableMemory() override { return inner_.GetAvailableMemory(); }
    core::Text GetSerialNumber() override { return inner_.GetSerialNumber(); }
    ISetupBand* FindBand(std::u16string_view name, uint64_t start, uint64_t stop) override {
        return inner_.FindBand(name, start, stop);
    }
    bool OffersMeasurement(int32_t measurement_class, int32_t id) override {
        return inner_.OffersMeasurement(measurement_class, id);
    }
    ITraceValueReceiver* FindTraceReceiver(int32_t measurement_class) override {
        return inner_.FindTraceReceiver(measurement_class);
    }
    IFileServices& inner() { return inner_; }

  private:
    IFileServices& inner_;
    uint64_t free_;
};

// Copies against the free space of the target volume, all 64 bits of it:
// 4 GiB and 10,000 bytes take a trace; 40,000 bytes are too few (749); 30
// traces of 100 KB do not go onto 1 MB, and nothing of them is written.
TEST_F(TraceFilesProgram, CopiesAreCheckedAgainstTheFreeSpaceFirst) {
    const fs::path saved = QuickSaved();
    ASSERT_FALSE(saved.empty());
    fs::create_directories(Usb() / "My Traces");
    const core::Text flash = u"\\FlashFX Disk\\My Traces", usb = u"\\Hard Disk\\My Traces";
    const core::Text name = plat::from_utf8(saved.filename().string());
    // Runs `fn` in the program with the free space given; a box it opens is
    // answered by Enter.
    auto with_free = [&](uint64_t free, const std::function<void(CSpecAnMode&)>& fn) {
        const size_t boxes = Boxes().size();
        std::unique_ptr<FreeSpaceSeam> seam;
        run.OnUi([&] {
            seam = std::make_unique<FreeSpaceSeam>(free);
            RegisterFileServices(seam.get());
        });
        std::atomic<bool> done{false};
        std::thread call([&] {
            run.OnUi([&] { fn(*run.Spectrum()); });
            done = true;
        });
        EXPECT_TRUE(product_test::Eventually([&] { return done || Boxes().size() > boxes; }));
        if (!done) run.Type("key RETURN\n");
        call.join();
        run.OnUi([&] { RegisterFileServices(&seam->inner()); });
    };
    bool copied = false;
    with_free((uint64_t{1} << 32) + 10000,
              [&](CSpecAnMode& s) { copied = s.CopyFileWithProgress(flash, name, usb); });
    EXPECT_TRUE(copied);
    EXPECT_EQ(Bytes(Usb() / "My Traces" / saved.filename()), Bytes(saved));
    EXPECT_TRUE(Boxes().empty());
    fs::remove(Usb() / "My Traces" / saved.filename());
    with_free(40000, [&](CSpecAnMode& s) { copied = s.CopyFileWithProgress(flash, name, usb); });
    EXPECT_FALSE(copied);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], LoadResString(749));
    EXPECT_FALSE(fs::exists(Usb() / "My Traces" / saved.filename()));

    for (int i = 0; i < 30; ++i)
        std::ofstream(Usb() / "My Traces" / ("big" + std::to_string(i) + ".twf"))
            << std::string(100000, 'x');
    with_free(1000000, [&](CSpecAnMode& s) { s.CopyFolderFiles(nullptr, usb, flash, 2); });
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1], LoadResString(749));
    EXPECT_EQ(TraceFiles().size(), 1u);
}

// The trace list of the screen: of 990 spectrum traces, 5 network analyzer
// traces, 3 damaged files, a folder named like a trace and a hidden trace
// exactly the 990 are listed, and each damaged file is noted once in the
// history.
TEST_F(TraceFilesProgram, TheTraceListHoldsTheScreensReadableTracesAlone) {
    const fs::path saved = QuickSaved();
    ASSERT_FALSE(saved.empty());
    const std::string trace = Bytes(saved);
    fs::remove(saved);
    for (int i = 0; i < 990; ++i)
        std::ofstream(Traces() / ("sa" + std::to_string(1000 + i) + ".twf"), std::ios::binary)
            << trace;
    std::string vna = trace;
    const std::string cls = "<measurement class = specan>";
    vna.replace(vna.find(cls), cls.size(), "<measurement class = vna>");
    for (int i = 0; i < 5; ++i)
        std::ofstream(Traces() / ("vna" + std::to_string(i) + ".twf"), std::ios::binary) << vna;
    for (const char* damaged : {"damaged-a.twf", "damaged-b.TWF", "damaged-c.twf"})
        std::ofstream(Traces() / damaged) << "<html>\n<head>\n\tno trace here\n";
    fs::create_directories(Traces() / "x.twf");
    std::ofstream(Traces() / ".hidden.twf", std::ios::binary) << trace;

    std::vector<std::string> names;
    std::string history;
    run.OnUi([&] {
        HistoryRing().Init(0xFFFFFFFF);
        CSpecAnMode* s = run.Spectrum();
        s->ReloadTraceList();
        for (ISetupEntry* e = s->GetFirstFileEntry(); e; e = e->GetNextEntry())
            names.push_back(plat::to_utf8(e->GetEntryFileName()));
        history = HistoryRing().Format();
    });
    ASSERT_EQ(names.size(), 990u);
    for (int i = 0; i < 990; ++i)
        EXPECT_EQ(names[static_cast<size_t>(i)], "sa" + std::to_string(1000 + i));
    for (const char* damaged : {"damaged-a.twf", "damaged-b.TWF", "damaged-c.twf"}) {
        size_t count = 0;
        for (size_t at = history.find(damaged); at != std::string::npos;
             at = history.find(damaged, at + 1))
            ++count;
        EXPECT_EQ(count, 1u) << damaged;
    }
}

}  // namespace

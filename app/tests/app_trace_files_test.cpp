// Trace files from the spectrum analyzer's file menu in the program itself,
// in this process on the simulated board (noise variation off): keys go
// through the headless display's script as the user presses them, message
// boxes are watched as they open, files are read back by Python, and the
// held trace is compared with the saved one in screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
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
#include "app/tests/file_menu_run.h"
#include "core/frequency_range.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/settings/system_settings.h"
#include "dialogs/list_box_dlg.h"
#include "files/formats/sa_setup_file.h"
#include "files/sa_meas_setup.h"
#include "files/setup_services.h"
#include "instrument/measurement.h"
#include "platform/kernel/clock.h"
#include "platform/text/utf.h"
#include "widgets/color_scheme.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

using namespace file_menu;

namespace {

constexpr double kCarrierHz = 940e6, kCarrierDbm = -25;
constexpr int kHeldTraceColour = 36;

class TraceFilesProgram : public FileMenuProgram {
  protected:
    TraceFilesProgram() : FileMenuProgram("trace-files") {}

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

// Page 137 is the file manager window: showing the page makes it, showing it
// again keeps the one open, and closing the trace files' manager ends it.
TEST_F(TraceFilesProgram, ShowingPage137OpensTheFileManager) {
    CSetupSelectDlg* first = nullptr;
    CSetupSelectDlg* again = nullptr;
    CSetupSelectDlg* closed = nullptr;
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        EXPECT_EQ(s->GetFileManager(), nullptr);
        EXPECT_EQ(s->ShowPage(137), 1);
        first = s->GetFileManager();
        EXPECT_EQ(s->ShowPage(137), 1);
        again = s->GetFileManager();
        s->CloseTraceFileManager(1);
        closed = s->GetFileManager();
    });
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(again, first);
    EXPECT_EQ(closed, nullptr);
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

// The hold and live switches of the trace display (user-interface thread).
struct TraceLayers : CMeasurementBase {
    static std::pair<bool, bool> HoldAndLive(CMeasurementBase& s) {
        return {(s.*(&TraceLayers::m_Hold)).load(), (s.*(&TraceLayers::m_Live)).load()};
    }
};

// The column of a colour's highest point in the graph, and its row.
std::pair<int, int> Peak(const std::vector<int>& rows) {
    std::pair<int, int> best{-1, INT32_MAX};
    for (size_t col = 0; col < rows.size(); ++col)
        if (rows[col] >= 0 && rows[col] < best.second) best = {static_cast<int>(col), rows[col]};
    return best;
}

// The column of the carrier in a sweep of `span` hertz about `centre`.
int CarrierColumn(uint64_t centre, uint64_t span) {
    const double start = static_cast<double>(centre) - static_cast<double>(span) / 2;
    return static_cast<int>((kCarrierHz - start) / static_cast<double>(span) * (kPoints - 1) + 0.5);
}

// Recall and compare (key 1) holds the file's trace beside the live one:
// with the centre moved, the held carrier stays on the column it was saved
// at while the live one moves to its new column, both at the carrier's
// level. Clear (key 2) leaves the live trace alone.
TEST_F(TraceFilesProgram, CompareHoldsTheFileBesideTheLiveTraceAndClearRemovesIt) {
    ASSERT_FALSE(QuickSaved().empty());
    uint64_t centre = 0, span = 0;
    run.OnUi([&] {
        const CFrequencyRange* r = run.Spectrum()->GetSASetup()->GetFrequencyRange();
        centre = r->GetCentre();
        span = r->GetSpan();
    });
    run.Type("key F4\nkey F2\n");  // recall page, recall and compare
    Sync();
    std::pair<bool, bool> layers;
    run.OnUi([&] { layers = TraceLayers::HoldAndLive(*run.Spectrum()); });
    EXPECT_EQ(layers, std::make_pair(true, true));

    // A lower centre; the range keeps within the analyzer's band.
    uint64_t moved_centre = 0, moved_span = 0;
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        CFrequencyRange* r = s->GetSASetup()->GetFrequencyRange();
        r->SetCentre(centre - 500000000, true);
        s->ApplyAndRestart(true);
        moved_centre = r->GetCentre();
        moved_span = r->GetSpan();
    });
    ASSERT_TRUE(SingleSweepStopped());
    const int held_column = CarrierColumn(centre, span);
    const int live_column = CarrierColumn(moved_centre, moved_span);
    ASSERT_GT(std::abs(held_column - live_column), 10);
    std::pair<int, int> held, live;
    EXPECT_TRUE(product_test::Eventually([&] {
        const specan_screen::Screen both = Sync();
        held = Peak(TraceRows(both, HeldColour()));
        live = Peak(TraceRows(both));
        return std::abs(held.first - held_column) <= 1 && std::abs(live.first - live_column) <= 1 &&
               held.second == live.second;
    })) << "held "
        << held.first << "/" << held.second << " live " << live.first << "/" << live.second
        << " columns " << held_column << ", " << live_column;

    run.Type("key F3\n");  // clear the recalled trace
    Sync();
    run.OnUi([&] { layers = TraceLayers::HoldAndLive(*run.Spectrum()); });
    EXPECT_EQ(layers, std::make_pair(false, true));
    EXPECT_TRUE(product_test::Eventually([&] {
        const specan_screen::Screen cleared = Sync();
        return Peak(TraceRows(cleared, HeldColour())).first < 0 &&
               Peak(TraceRows(cleared)).first >= 0;
    }));
    EXPECT_TRUE(Boxes().empty());
}

// A setup file under a trace's name is listed (it reads as a setup of this
// screen), but neither trace reader takes its body: the recall says so with
// the file's path, and the setup and the trace display stay as they were.
TEST_F(TraceFilesProgram, ARecalledFileWithoutTracePointsIsRefusedByName) {
    ASSERT_FALSE(QuickSaved().empty());
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        CSASetupFile(s->GetSASetup()).Write(u"\\FlashFX Disk\\My Traces\\legacy.twf");
        s->GetSASetup()->GetFrequencyRange()->SetCentre(1500000000, true);
        s->ApplyAndRestart(true);
    });
    ASSERT_TRUE(SingleSweepStopped());
    run.Type("key shift+F6\nkey F4\n");  // the recall page lists both files
    Sync();
    std::vector<std::string> listed;
    run.OnUi([&] {
        for (ISetupEntry* e = run.Spectrum()->GetFirstFileEntry(); e; e = e->GetNextEntry())
            listed.push_back(plat::to_utf8(e->GetEntryFileName()));
    });
    ASSERT_EQ(listed.size(), 2u);
    const auto row = std::find(listed.begin(), listed.end(), "legacy") - listed.begin();
    ASSERT_LT(row, 2);
    std::string keys = "key UP\nkey UP\n";  // the top row
    for (int i = 0; i < row; ++i) keys += "key DOWN\n";
    run.Type(keys);
    Sync();
    std::string chosen;
    run.OnUi([&] {
        if (ISetupEntry* e = run.Spectrum()->SelectedTraceEntry())
            chosen = plat::to_utf8(e->GetEntryFileName());
    });
    ASSERT_EQ(chosen, "legacy");
    std::pair<bool, bool> before, after;
    run.OnUi([&] { before = TraceLayers::HoldAndLive(*run.Spectrum()); });
    run.Type("key F1\n");  // recall
    AnswerBox(1);
    Sync();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], LoadResString(2621) + u"\n\\FlashFX Disk\\My Traces\\legacy.twf");
    EXPECT_EQ(Centre(), 1500000000u);
    run.OnUi([&] { after = TraceLayers::HoldAndLive(*run.Spectrum()); });
    EXPECT_EQ(after, before);
    EXPECT_EQ(TraceFiles().size(), 2u);
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

// In continuous sweep a press of quick save lands while the next sweep
// streams in: each press saves the last whole sweep (Python reads its 705
// points peaking at the carrier), and no box refuses it.
TEST_F(TraceFilesProgram, QuickSaveDuringAContinuousSweepSavesTheLastWholeSweep) {
    std::string serial;
    run.OnUi([&] { serial = plat::to_utf8(run.app().GetSettings()->UnitSerialNumber); });
    const int peak = static_cast<int>(kCarrierHz / 3.6e9 * (kPoints - 1) + 0.5);
    // Quick save three times, then label and save.
    const char* presses[] = {"key shift+F6\nkey F1\n", "key shift+F6\nkey F1\n",
                             "key shift+F6\nkey F1\n",
                             "key shift+F6\nkey F2\nkey 4\nkey 2\nkey F1\n"};
    size_t saved = 0;
    for (const char* keys : presses) {
        int completed = 0;
        run.OnUi([&] { completed = run.Spectrum()->GetCompletedSweeps(); });
        ASSERT_TRUE(product_test::Eventually([&] {
            int now = 0;
            run.OnUi([&] { now = run.Spectrum()->GetCompletedSweeps(); });
            return now > completed;
        }));
        run.Type(std::string(keys) + "key ESCAPE\n");
        Sync();
        ASSERT_EQ(TraceFiles().size(), ++saved) << keys;
    }
    EXPECT_TRUE(Boxes().empty());
    for (const fs::path& file : TraceFiles()) {
        EXPECT_EQ(
            specan_screen::Shell(std::string("python3 ") + CELVANE_SOURCE_DIR +
                                 "/app/tests/trace_file_check.py " + specan_screen::Quote(file) +
                                 " " + serial + " " + std::to_string(kPoints) + " " +
                                 std::to_string(peak) + " " + std::to_string(kCarrierDbm)),
            0)
            << file;
    }
}

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

namespace {

// The trace log on the virtual clock: platform time passes only while the
// script waits, so the test knows the time of each step exactly.
class TraceLogProgram : public FileMenuProgram {
  protected:
    TraceLogProgram() : FileMenuProgram("trace-log", "virtual") {}

    // Lets `ms` of platform time pass; the platform time after it.
    uint64_t Advance(uint64_t ms) {
        const fs::path done = run.root().path() / ("step" + std::to_string(++steps_) + ".png");
        run.Type("wait " + std::to_string(ms) + "\nshot " + done.string() + "\n");
        EXPECT_TRUE(product_test::Eventually([&] { return fs::exists(done); }));
        fs::remove(done);
        return plat::now_ms();
    }
    size_t Logged() const {
        size_t n = 0;
        for (const fs::path& p : TraceFiles()) n += p.extension() == ".twf";
        return n;
    }
    int Received() {
        int received = 0;
        run.OnUi([&] { received = run.Spectrum()->GetPointsReceived(); });
        return received;
    }
    // The choice key 0 of the log page shows (on or off).
    int LogChoice() {
        int choice = -1;
        run.OnUi([&] { choice = run.Spectrum()->soft_key_menu()->Key(0)->GetChoiceIndex(); });
        return choice;
    }

  private:
    int steps_ = 0;
};

constexpr uint64_t kStepMs = 10, kLogMs = 5000;

// A log of 5 s saves a trace at the end of the first sweep after each 5 s,
// measured on the platform clock: consecutive saves lie 5 s to 5 s and one
// sweep apart. On a full volume the next save fails: one message says so,
// the log switches off and nothing more is saved or said.
TEST_F(TraceLogProgram, AFiveSecondLogSavesOnceAnIntervalAndStopsOnAFullVolume) {
    // The sweep period: the time between two starts of a sweep.
    std::vector<uint64_t> starts;
    for (int last = Received(), i = 0; starts.size() < 3 && i < 2000; ++i) {
        const uint64_t now = Advance(kStepMs);
        const int received = Received();
        if (received < last) starts.push_back(now);
        last = received;
    }
    ASSERT_EQ(starts.size(), 3u);
    const uint64_t sweep = std::max(starts[1] - starts[0], starts[2] - starts[1]);
    ASSERT_LT(sweep, kLogMs);

    run.Type("key shift+F6\nkey F3\n");
    Advance(0);
    const int off = LogChoice();
    run.Type("key F1\n");
    uint64_t last = Advance(0);
    EXPECT_NE(LogChoice(), off);
    std::vector<uint64_t> spacing;
    for (size_t saved = 1; saved <= 3; ++saved) {
        // Nothing before the interval has passed.
        uint64_t now =
            Advance(std::max(last + kLogMs - sweep - kStepMs, plat::now_ms()) - plat::now_ms());
        EXPECT_EQ(Logged(), saved - 1) << "early at " << now - last << " ms";
        for (uint64_t waited = 0; Logged() < saved && waited < kLogMs + sweep; waited += kStepMs)
            now = Advance(kStepMs);
        ASSERT_EQ(Logged(), saved);
        spacing.push_back(now - last);
        last = now;
    }
    // A save comes at the end of the first sweep after the interval. Each
    // one is seen up to a step late, and on a loaded machine, where platform
    // time moves on once a busy thread has stalled for long, up to a sweep
    // late: a save each sweep or one interval left out stays outside.
    for (const uint64_t s : spacing) {
        EXPECT_GE(s, kLogMs - sweep - kStepMs);
        EXPECT_LE(s, kLogMs + 2 * sweep + 2 * kStepMs);
    }
    EXPECT_TRUE(Boxes().empty());

    // A full volume: the next save says so once and the log stops.
    std::unique_ptr<FreeSpaceSeam> full;
    run.OnUi([&] {
        full = std::make_unique<FreeSpaceSeam>(1000);
        RegisterFileServices(full.get());
    });
    // The checks return early on a failure; the program's own services
    // come back either way.
    [&] {
        for (uint64_t waited = 0; Boxes().empty() && waited < 2 * (kLogMs + sweep);
             waited += kStepMs)
            Advance(kStepMs);
        AnswerBox(1);
        Advance(0);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0], LoadResString(749));
        Advance(3 * (kLogMs + sweep));
        EXPECT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Logged(), 3u);
        EXPECT_EQ(LogChoice(), off);
    }();
    run.OnUi([&] { RegisterFileServices(&full->inner()); });
}

}  // namespace

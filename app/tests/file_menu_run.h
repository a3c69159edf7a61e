#pragma once
// The spectrum analyzer's file menu in the program itself, in this process
// on the simulated board (noise variation off): keys go through the headless
// display's script as the user presses them, message boxes are noted as they
// open, and each Sync waits for the keys typed so far with a screenshot of
// that moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/tests/product_run.h"
#include "dialogs/message_dlg.h"
#include "files/setup_services.h"
#include "instrument/measurement.h"
#include "platform/framework/dialog.h"
#include "platform/framework/list_box.h"
#include "platform/text/utf.h"

namespace file_menu {

namespace fs = std::filesystem;

inline constexpr char kScene[] = R"({"signals": [{"frequency_hz": 940e6, "level_dbm": -25}],)"
                                 R"( "receiver": {"noise_variation": false}})";
inline constexpr int kPoints = 705;

class FileMenuProgram : public ::testing::Test {
  protected:
    // `clock`: "real", or "virtual" for platform time that moves only by
    // the script's waits.
    explicit FileMenuProgram(const std::string& name, const std::string& clock = "real")
        : run(name, kScene, clock) {}

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

    // Waits until the program has taken every key typed so far; the
    // screenshot of that moment, and its file.
    specan_screen::Screen Sync(fs::path* file = nullptr) {
        const fs::path png = run.root().path() / ("sync" + std::to_string(++shots_) + ".png");
        run.Type("shot " + png.string() + "\n");
        specan_screen::Screen s;
        EXPECT_TRUE(product_test::Eventually([&] {
            s = specan_screen::ReadPng(png);
            return !s.bytes.empty();
        }));
        if (file) *file = png;
        return s;
    }
    std::vector<std::u16string> Boxes() {
        std::lock_guard lock(mutex_);
        return boxes_;
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
    // The dialog that holds the keyboard, as a T; null when there is none
    // (user-interface thread).
    template <typename T>
    static T* FocusedDialog() {
        plat::CWnd* w = plat::CWnd::GetFocus();
        while (w && !dynamic_cast<plat::CDialog*>(w)) w = w->GetParent();
        return dynamic_cast<T*>(w);
    }
    // Waits for the n-th message box to hold the keyboard and answers it
    // with Enter.
    void AnswerBox(size_t n) {
        EXPECT_TRUE(product_test::Eventually([&] {
            bool open = false;
            run.OnUi([&] { open = FocusedDialog<CMessageDlg>() != nullptr; });
            return open && Boxes().size() == n;
        }));
        run.Type("key RETURN\n");
    }
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
    static std::string Bytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path Flash() const { return run.root().path() / "FlashFX Disk"; }
    fs::path Pictures() const { return Flash() / "My Pictures"; }
    fs::path Usb() const { return run.root().path() / "Hard Disk"; }
    fs::path Traces() const { return Flash() / "My Traces"; }
    // The entries of the trace folder.
    std::vector<fs::path> TraceFiles() const {
        std::vector<fs::path> out;
        if (fs::exists(Traces()))
            for (const auto& e : fs::directory_iterator(Traces())) out.push_back(e.path());
        return out;
    }
    // The files of a folder (names), in name order.
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> out;
        if (fs::exists(folder))
            for (const auto& e : fs::directory_iterator(folder))
                if (e.is_regular_file()) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    product_test::ProductRun run;

  private:
    int shots_ = 0;
    std::mutex mutex_;
    std::vector<std::u16string> boxes_;  // under mutex_
};

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

}  // namespace file_menu

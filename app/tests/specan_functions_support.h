#pragma once
// The spectrum analyzer's measurement functions in the program itself: a
// scene of the check's own (noise variation off, the board's command
// packets logged to "board.log"), keys typed as the user presses them, the
// board's messages read back from its log, and the screen's readouts, setup
// and graph read on the user-interface thread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/tests/product_run.h"
#include "core/text.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/text_widget.h"
#include "widgets/title_bar.h"

namespace specan_functions {

using product_test::Eventually;
using specan_screen::BoardRecord;

inline constexpr uint16_t kSweep = 0x3001, kOccupied = 0x3002, kChannel = 0x3003,
                          kAdjacent = 0x3004, kAudio = 0x3007, kZeroSpan = 0x3009;

// One signal of a scene, as the scene file writes it.
struct SceneSignal {
    double hz = 0, dbm = 0, bandwidth = 0;
    std::string extra;  // further fields, each as `, "key": value`
};

// A scene of these signals and no others; `burst` and `more` are further
// top-level fields (each `"key": value`), empty for none.
inline std::string SceneOf(const std::vector<SceneSignal>& signals, const std::string& more = "") {
    std::ostringstream s;
    s.precision(12);
    s << R"({"signals": [)";
    for (size_t i = 0; i < signals.size(); ++i)
        s << (i ? ", " : "") << R"({"frequency_hz": )" << signals[i].hz << R"(, "level_dbm": )"
          << signals[i].dbm << R"(, "bandwidth_hz": )" << signals[i].bandwidth << signals[i].extra
          << "}";
    s << R"(], "receiver": {"noise_variation": false}, "board": {"command_log": "board.log"})";
    if (!more.empty()) s << ", " << more;
    s << "}";
    return s.str();
}

// The first number in a text ("-39.999 dBm" -> -39.999); none without one.
inline std::optional<double> NumberIn(const core::Text& text) {
    const std::string s = core::LowBytes(text);
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '-' || s[i] == '+') {
            char* end = nullptr;
            const double v = std::strtod(s.c_str() + i, &end);
            if (end != s.c_str() + i) return v;
        }
    }
    return std::nullopt;
}

class MeasureRun : public ::testing::Test {
  protected:
    // Starts the program on `scene`, with `files` (path under the device
    // root, content) written first.
    void Begin(const std::string& scene,
               const std::vector<std::pair<std::string, std::string>>& files = {}) {
        run_ = std::make_unique<product_test::ProductRun>("celvane-measure", scene);
        ASSERT_TRUE(run_->ImageOk());
        for (const auto& [path, text] : files) run_->root().Write(path, text);
        ASSERT_TRUE(run_->Start());
    }
    void TearDown() override {
        if (run_) {
            EXPECT_EQ(run_->Finish(), 0);
        }
    }
    product_test::ProductRun& run() { return *run_; }

    // Keys, one script word each ("shift+F4", "F2", "5", "RETURN").
    void Keys(std::initializer_list<const char*> keys) {
        std::string lines;
        for (const char* k : keys) lines += std::string("key ") + k + "\n";
        run_->Type(lines);
    }
    // A frequency typed into the open frequency dialog, in MHz.
    void TypeMhz(const std::string& digits) {
        std::string lines;
        for (char c : digits)
            lines += std::string("key ") + (c == '.' ? "PERIOD" : std::string(1, c)) + "\n";
        run_->Type(lines + "key F3\n");
    }

    // Centre and span typed into the frequency menu in MHz; waits until the
    // setup holds the span.
    void CentreAndSpan(const std::string& centre, const std::string& span, uint64_t span_hz) {
        Keys({"shift+F1", "F3"});
        TypeMhz(centre);
        Keys({"F4"});
        TypeMhz(span);
        ASSERT_TRUE(Until([&](CSpecAnMode& s) {
            return s.GetSASetup()->GetFrequencyRange()->GetSpan() == span_hz;
        }));
    }

    // Runs `fn` with the screen on the user-interface thread.
    void OnScreen(const std::function<void(CSpecAnMode&)>& fn) {
        ASSERT_TRUE(run_->OnUi([&] {
            CSpecAnMode* s = run_->Spectrum();
            ASSERT_NE(s, nullptr);
            fn(*s);
        }));
    }
    // Waits until `ok` holds on the user-interface thread.
    bool Until(const std::function<bool(CSpecAnMode&)>& ok) {
        return Eventually([&] {
            bool r = false;
            run_->OnUi([&] {
                if (CSpecAnMode* s = run_->Spectrum()) r = ok(*s);
            });
            return r;
        });
    }
    // A readout field's value.
    core::Text Cell(int row, int column) {
        core::Text t;
        OnScreen([&](CSpecAnMode& s) { t = s.readout_panel()->GetCell(row, column)->GetValue(); });
        return t;
    }
    // Waits until the field's number stands within `tolerance` of `want`.
    ::testing::AssertionResult CellNear(int row, int column, double want, double tolerance) {
        core::Text last;
        const bool ok = Until([&](CSpecAnMode& s) {
            last = s.readout_panel()->GetCell(row, column)->GetValue();
            const auto v = NumberIn(last);
            return v && std::abs(*v - want) <= tolerance;
        });
        if (ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "field (" << row << ", " << column << ") reads \"" << core::LowBytes(last)
               << "\", not " << want << " +- " << tolerance;
    }
    std::string SoftKey(int key) {
        std::string t;
        OnScreen(
            [&](CSpecAnMode& s) { t = core::LowBytes(s.soft_key_menu()->Key(key)->GetTitle()); });
        return t;
    }

    std::vector<BoardRecord> Records() {
        return specan_screen::ReadBoardLog(run_->root().path() / "board.log");
    }
    size_t RecordCount() { return Records().size(); }
    // The first record of `command` after `after` that satisfies `ok`.
    std::optional<BoardRecord> NextRecord(
        size_t after, uint16_t command,
        const std::function<bool(const BoardRecord&)>& ok = [](const BoardRecord&) {
            return true;
        }) {
        std::optional<BoardRecord> found;
        Eventually([&] {
            const auto all = Records();
            for (size_t i = after; i < all.size(); ++i)
                if (all[i].command == command && ok(all[i])) {
                    found = all[i];
                    return true;
                }
            return false;
        });
        return found;
    }
    // The first measurement message (a sweep or a function's) after `after`.
    std::optional<BoardRecord> NextMeasurement(size_t after) {
        std::optional<BoardRecord> found;
        Eventually([&] {
            const auto all = Records();
            for (size_t i = after; i < all.size(); ++i) {
                const uint16_t c = all[i].command;
                if (c == kSweep || c == kOccupied || c == kChannel || c == kAdjacent ||
                    c == kAudio || c == kZeroSpan) {
                    found = all[i];
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    std::unique_ptr<product_test::ProductRun> run_;
};

}  // namespace specan_functions

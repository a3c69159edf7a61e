// The spectrum analyzer in the real program: `celvane` runs headless on a
// fresh device root with the simulated board (noise variation off), takes
// its script line by line from this test, and the board records every
// command packet it receives ("board.log" in the device root). Screenshots
// are read back with ImageMagick.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/tests/app_test_support.h"
#include "app/tests/specan_screen.h"
#include "core/res_string.h"
#include "platform/gfx/dc.h"
#include "platform/kernel/clock.h"
#include "widgets/clock_panel.h"
#include "widgets/color_scheme.h"

using namespace app_test;

namespace {

using namespace specan_screen;

constexpr uint16_t kSweepMessage = 0x3001;

using Record = BoardRecord;

class SpecAnProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = StartOnSpectrum(root_.path(), "real");
        ASSERT_NE(program_, nullptr);
        trace_ = TraceColour();
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

    // A screenshot, read back as 800 x 600 RGB bytes by ImageMagick.
    Screen Shot() {
        const fs::path png = root_.path() / ("shot" + std::to_string(++shots_) + ".png");
        Send("shot " + png.string());
        Screen s;
        EXPECT_TRUE(Eventually([&] {
            s = ReadPng(png);
            return !s.bytes.empty();
        }));
        return s;
    }

    // Every command packet the board received so far.
    std::vector<Record> Records() const { return ReadBoardLog(root_.path() / "board.log"); }
    // The first sweep record after `after` records that satisfies `ok`.
    bool NextSweep(size_t after, const std::function<bool(const Record&)>& ok,
                   Record* found = nullptr) {
        return NextRecord(after, kSweepMessage, ok, found);
    }
    // The first record of `command` after `after` records that satisfies `ok`.
    bool NextRecord(size_t after, uint16_t command, const std::function<bool(const Record&)>& ok,
                    Record* found = nullptr) {
        const size_t least = command == kSweepMessage ? 40 : 0;
        return Eventually([&] {
            const auto all = Records();
            for (size_t i = after; i < all.size(); ++i) {
                if (all[i].command != command || all[i].payload.size() < least) continue;
                if (!ok(all[i])) continue;
                if (found) *found = all[i];
                return true;
            }
            return false;
        });
    }
    size_t RecordCount() const { return Records().size(); }

    // The current marker's frequency as the board learns it, from the
    // marker page and back to it: the frequency counter switched on sends
    // the markers' frequencies (0x300B), and goes off again. 0 while the
    // marker is off.
    double CounterMarkerHz() {
        constexpr uint16_t kCounterMarkers = 0x300B;
        const size_t from = RecordCount();
        Send("key F7");  // signal tools
        Send("key F6");  // counter on
        Record found;
        const bool sent = NextRecord(
            from, kCounterMarkers, [](const Record&) { return true; }, &found);
        Send("key F6");  // counter off
        Send("key F8");  // the marker page again
        if (!sent || found.payload.size() < 16 || found.payload[0] != 1) return 0;
        return static_cast<double>(found.Get<uint64_t>(8));
    }

    // The screen once a trace is drawn with its topmost pixel at column x.
    bool TraceAt(int x, int y, Screen* out = nullptr) {
        return Eventually([&] {
            Screen s = Shot();
            if (out) *out = s;
            return TopOfTraceAt(s, trace_, x, y);
        });
    }

    DeviceRoot root_{"celvane-specan"};
    FILE* program_ = nullptr;
    int shots_ = 0;
    Rgb trace_;
};

// The title bar as the platform renders its texts: `text` in the title bar's
// font at `pt10`, on the bar's background, in `box` (screen coordinates).
plat::Bitmap RenderBarText(const core::Text& text, int pt10, const plat::Rect& box,
                           uint32_t format) {
    const auto scheme = CreateColorScheme(1);
    plat::Bitmap out = plat::Bitmap::create(kWidth, kHeight, scheme->GetColor(ci::kPane));
    plat::Dc dc(out);
    dc.select_font(plat::Font::create_point(pt10, u"Tahoma"));
    dc.set_bk_mode(plat::TRANSPARENT);
    dc.set_text_color(scheme->GetColor(ci::kTitleText));
    plat::Rect r = box;
    dc.draw_text(text, r, format | plat::DT_SINGLELINE | plat::DT_VCENTER | plat::DT_NOPREFIX);
    return out;
}

// Pixels of `area` where the screenshot differs from the rendering.
int Differences(const Screen& shot, const plat::Bitmap& made, const plat::Rect& area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const plat::COLORREF c = made.pixel(x, y);
            const Rgb m{plat::GetRValue(c), plat::GetGValue(c), plat::GetBValue(c)};
            if (!(shot.At(x, y) == m)) ++n;
        }
    return n;
}

}  // namespace

// The title bar of the live screen shows the title from its first letter
// and the clock's whole time: both are read from the pixels against the
// platform's own rendering of the expected texts with the image's Tahoma.
// The status indicator's corner is drawn.
TEST_F(SpecAnProgram, TitleAndClockShowWhole) {
    constexpr int kTitlePt10 = 160, kClockPt10 = 140;
    const plat::Rect title{1, 0, 290, 30}, clock{290, 0, 530, 30};
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, 0, 3.6e9), Row(kCarrierDbm, 20.0, 10.0)));
    const core::Text title_text = LoadResString(61248) + u":" + LoadResString(634);
    EXPECT_EQ(
        Differences(Shot(), RenderBarText(title_text, kTitlePt10, title, plat::DT_LEFT), title), 0)
        << "the title \"" << core::LowBytes(title_text) << "\" from its first letter";
    // The clock's hour and what precedes it, where the rendering of the
    // platform clock's time puts them (the hour must not turn meanwhile).
    bool hour_seen = false;
    for (int attempt = 0; attempt < 3 && !hour_seen; ++attempt) {
        const plat::SystemTime before = plat::local_time();
        const Screen shot = Shot();
        if (plat::local_time().hour != before.hour) continue;
        const core::Text text = FormatClockText(before, 1);
        const plat::Bitmap made = RenderBarText(text, kClockPt10, clock, plat::DT_CENTER);
        const plat::Font font = plat::Font::create_point(kClockPt10, u"Tahoma");
        const int left = clock.left + (clock.width() - font.text_extent(text).cx) / 2;
        const plat::Rect hour{clock.left, 0, left + font.text_extent(text.substr(0, 3)).cx, 30};
        EXPECT_EQ(Differences(shot, made, hour), 0)
            << "the clock shows \"" << core::LowBytes(text.substr(0, 3)) << "\" first";
        hour_seen = true;
    }
    EXPECT_TRUE(hour_seen);
    // The status indicator's corner is painted (the screen's background
    // there is black until the indicator draws itself).
    const Screen shot = Shot();
    int black = 0, all = 0;
    for (int y = 566; y < kHeight; ++y)
        for (int x = 705; x < kWidth; ++x, ++all)
            if (shot.At(x, y) == Rgb{0, 0, 0}) ++black;
    EXPECT_LT(black, all / 4) << "the status indicator's corner";
}

// Full span 0..3.6 GHz, reference +20 dBm at 10 dB a division (the factory
// setup).
TEST_F(SpecAnProgram, StartsOnTheSpectrumWithALiveTrace) {
    const int x = Column(kCarrierHz, 0, 3.6e9);
    const int y = Row(kCarrierDbm, 20.0, 10.0);
    Screen s;
    EXPECT_TRUE(TraceAt(x, y, &s)) << "carrier expected at " << x << "," << y;
    // The board got a sweep record for the whole span.
    Record r;
    ASSERT_TRUE(NextSweep(
        0, [](const Record&) { return true; }, &r));
    EXPECT_EQ(r.Get<uint64_t>(0), 1800000000u);  // centre
    EXPECT_EQ(r.Get<uint64_t>(8), 3600000000u);  // span
    EXPECT_EQ(r.Get<uint16_t>(22), 705u);        // points
    // The mode key stops the sweep and opens the mode selection; choosing
    // the spectrum analyzer's first measurement there asks for the sweep
    // again.
    Send("key F19");
    const size_t n = RecordCount();
    Send("key F14");
    Send("key RETURN");
    EXPECT_TRUE(NextSweep(n, [](const Record&) { return true; }));
    EXPECT_TRUE(TraceAt(x, y));
}

// After the board's I/O controller slept and woke, the graph pane shows
// the trace again without any key: the sleep stops the sweep at the board,
// and the wake asks for it again.
TEST_F(SpecAnProgram, AfterSleepAndWakeTheGraphShowsItsTrace) {
    constexpr uint16_t kStop = 0x0041;
    const int x = Column(kCarrierHz, 0, 3.6e9);
    const int y = Row(kCarrierDbm, 20.0, 10.0);
    ASSERT_TRUE(TraceAt(x, y));
    const size_t before = RecordCount();
    Send("power sleep");
    ASSERT_TRUE(NextRecord(before, kStop, [](const Record&) { return true; }))
        << "the sleep stops the sweep";
    const size_t stopped = RecordCount();
    Send("power wake");
    EXPECT_TRUE(NextSweep(stopped, [](const Record&) { return true; }))
        << "the wake asks for the sweep again";
    EXPECT_TRUE(TraceAt(x, y)) << "carrier expected at " << x << "," << y;
}

// A reference-level step of one division moves the carrier by one
// division's height.
TEST_F(SpecAnProgram, ReferenceStepMovesTheCarrierByOneDivision) {
    const int x = Column(kCarrierHz, 0, 3.6e9);
    ASSERT_TRUE(TraceAt(x, Row(kCarrierDbm, 20.0, 10.0)));
    Send("key shift+F3");  // amplitude menu
    Send("key F2");        // reference level owns the arrows
    Send("key DOWN");      // one division down: the reference to +10 dBm
    EXPECT_TRUE(TraceAt(x, Row(kCarrierDbm, 10.0, 10.0)));
}

// Settings by keys reach the board in its next sweep record.
TEST_F(SpecAnProgram, BandwidthAndSweepKeysReachTheBoard) {
    const int x = Column(kCarrierHz, 0, 3.6e9);
    ASSERT_TRUE(TraceAt(x, Row(kCarrierDbm, 20.0, 10.0)));
    size_t n = RecordCount();
    // Bandwidth menu, RBW manual, arrow left: 100 Hz (RBW index 0, sent
    // reversed: 8).
    Send("key shift+F2");
    Send("key F2");
    Send("key LEFT");
    EXPECT_TRUE(NextSweep(n, [](const Record& r) { return r.Get<uint16_t>(18) == 8; }));
    // The detection menu (key 6): its key 3 is the average detector (0); the
    // default is the positive peak (3).
    n = RecordCount();
    Send("key F7");
    Send("key F4");
    EXPECT_TRUE(NextSweep(n, [](const Record& r) { return r.Get<uint16_t>(20) == 0; }));
    // Gate delay and trigger condition from the external trigger menu (the
    // delay entry restarts nothing; the condition key sends both).
    n = RecordCount();
    for (const char* line : {"key shift+F2", "key F8", "key F2", "key F3", "key F7", "key 2",
                             "key 5", "key RETURN", "key F4"})
        Send(line);
    EXPECT_TRUE(NextSweep(n, [](const Record& r) {
        return r.Get<uint16_t>(32) == 4 && r.Get<uint16_t>(34) == 2 && r.Get<uint16_t>(38) == 250;
    }));
}

// Centre and span typed into the frequency dialog; the automatic bandwidths
// follow the span (20 MHz / 300 gives 30 kHz, and 10 kHz for the VBW).
// An RBW typed as 150 Hz becomes 300 Hz; Escape from a dialog sends
// nothing.
TEST_F(SpecAnProgram, EntriesByDialogReachTheBoard) {
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, 0, 3.6e9), Row(kCarrierDbm, 20.0, 10.0)));
    size_t n = RecordCount();
    for (const char* line : {"key shift+F1", "key F3", "key 9", "key 0", "key 0", "key F3",
                             "key F4", "key 2", "key 0", "key F3"})
        Send(line);
    EXPECT_TRUE(NextSweep(n, [](const Record& r) {
        return r.Get<uint64_t>(0) == 900000000u && r.Get<uint64_t>(8) == 20000000u &&
               r.Get<uint16_t>(18) == 8 - 5 && r.Get<uint16_t>(16) == 10 - 6;
    }));
    n = RecordCount();
    for (const char* line : {"key shift+F2", "key F2", "key 1", "key 5", "key 0", "key F1"})
        Send(line);
    Record r;
    EXPECT_TRUE(NextSweep(
        n, [](const Record& r) { return r.Get<uint16_t>(18) == 8 - 1; }, &r));
    // Escape: the dialog closes and no sweep record follows.
    Send("key 3");
    Send("key ESCAPE");
    Screen s = Shot();  // the program has taken both keys
    n = RecordCount();
    Send("key 3");
    Send("key ESCAPE");
    s = Shot();
    EXPECT_EQ(RecordCount(), n);
}

// A single sweep stops the board after one complete sweep (its stop command
// follows the single-sweep record, and no sweep is asked for after it); the
// arm key asks for exactly one more.
TEST_F(SpecAnProgram, SingleSweepStopsAfterOneSweepAndTheArmKeyTakesOneMore) {
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, 0, 3.6e9), Row(kCarrierDbm, 20.0, 10.0)));
    constexpr uint16_t kStop = 0x41;
    constexpr size_t kTriggerMode = 32;
    const auto single_then_stop = [this](size_t from) {
        return Eventually([&] {
            const auto all = Records();
            for (size_t i = from; i + 1 < all.size(); ++i)
                if (all[i].command == kSweepMessage && all[i].Get<uint16_t>(kTriggerMode) == 0 &&
                    all[i + 1].command == kStop)
                    return true;
            return false;
        });
    };
    size_t n = RecordCount();
    for (const char* line : {"key shift+F2", "key F8", "key F1"}) Send(line);
    ASSERT_TRUE(single_then_stop(n));
    // Stopped: nothing more is asked of the board while the screen shows on.
    for (int i = 0; i < 3; ++i) Shot();
    n = RecordCount();
    Shot();
    EXPECT_EQ(RecordCount(), n);
    const auto last = Records();
    EXPECT_EQ(last.back().command, kStop);
    Send("key F3");
    EXPECT_TRUE(single_then_stop(n));
    for (int i = 0; i < 3; ++i) Shot();
    const auto after = Records();
    size_t sweeps = 0;
    for (size_t i = n; i < after.size(); ++i) sweeps += after[i].command == kSweepMessage;
    EXPECT_EQ(sweeps, 1u);
}

// The same frame in the SDL window on a virtual X server: the window is
// captured (ImageMagick's import) until the carrier shows, then closed as a
// window manager would.
TEST(SpecAnWindow, TheSdlWindowShowsTheLiveSpectrum) {
    if (Shell("command -v xvfb-run >/dev/null 2>&1 && command -v import >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run or ImageMagick's import is not installed";
    DeviceRoot root{"celvane-specan-sdl"};
    ASSERT_EQ(MakeDeviceImage(root.path()), 0);
    std::ofstream(root.path() / "scene.json") << R"({"receiver": {"noise_variation": false}})";
    std::ofstream(root.path() / "FlashFX Disk" / "System" / "mode.txt") << "2";
    const fs::path closer = fs::path(CELVANE_SOURCE_DIR) / "app/tests/close_x_window.py";
    const fs::path stop = root.path() / "stop";
    // Captures window.N.png until the test leaves "stop" (or 600 captures).
    const std::string inner =
        Quote(BinDir() / "celvane") + " --root " + Quote(root.path()) +
        " --display sdl 2>/dev/null & pid=$!; i=0; while [ ! -e " + Quote(stop) +
        " ] && [ $i -lt 600 ]; do i=$((i+1)); import -window root " +
        Quote(root.path() / "window.") + "$i.png 2>/dev/null; sleep 0.1; done; python3 " +
        Quote(closer) + " Tarnwick 20; wait $pid";
    std::string escaped;
    for (char c : inner) escaped += c == '\'' ? std::string("'\\''") : std::string(1, c);
    FILE* run = popen(("ASAN_OPTIONS=detect_leaks=0 SDL_VIDEODRIVER=x11 xvfb-run -a -s "
                       "'-screen 0 800x600x24' sh -c '" +
                       escaped + "' >/dev/null 2>&1")
                          .c_str(),
                      "r");
    ASSERT_NE(run, nullptr);
    const Rgb trace = TraceColour();
    const int x = Column(kCarrierHz, 0, 3.6e9), y = Row(kCarrierDbm, 20.0, 10.0);
    int next = 1;
    const bool shown = Eventually([&] {
        // The newest capture that can be read; older ones are passed over.
        while (fs::exists(root.path() / ("window." + std::to_string(next + 1) + ".png"))) ++next;
        const Screen s = ReadPng(root.path() / ("window." + std::to_string(next) + ".png"));
        return !s.bytes.empty() && TopOfTraceAt(s, trace, x, y);
    });
    std::ofstream(stop) << "";
    EXPECT_TRUE(shown) << "carrier expected at " << x << "," << y;
    EXPECT_EQ(pclose(run) >> 8, 0);
}

// Amplitude keys: a reference of -5 dBm typed in dBm needs 10 dB of
// attenuation, so choosing 0 dB stores 10 dB; the preamplifier (with its
// warning at -5 dBm, answered with Enter) switches on with 0 dB.
TEST_F(SpecAnProgram, AttenuationAndPreamplifierReachTheBoard) {
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, 0, 3.6e9), Row(kCarrierDbm, 20.0, 10.0)));
    constexpr size_t kAttenuation = 24, kPreamp = 26;
    size_t n = RecordCount();
    for (const char* line :
         {"key shift+F3", "key F2", "key MINUS", "key 5", "key F1", "key F4", "key F2"})
        Send(line);
    EXPECT_TRUE(NextSweep(n, [](const Record& r) { return r.payload[kAttenuation] == 10; }));
    n = RecordCount();
    Send("key F5");
    Send("key RETURN");  // the warning
    EXPECT_TRUE(NextSweep(n, [](const Record& r) {
        return r.payload[kAttenuation] == 0 && r.payload[kPreamp] == 24;
    }));
    // Off again: the manual 10 dB comes back.
    n = RecordCount();
    Send("key F5");
    EXPECT_TRUE(NextSweep(n, [](const Record& r) {
        return r.payload[kAttenuation] == 10 && r.payload[kPreamp] == 0;
    }));
}

// Marker to the highest peak at a 20 MHz span: the marker lands on the
// strongest carrier (940 MHz, -30 dBm) within one point, not on the
// weaker one at 935.2 MHz, on the noise, or on the last point of the block
// that had arrived when the key came. The span is centred at 941 MHz so
// that a marker merely switched on (at the centre) is told apart from one
// the peak search moved.
TEST_F(SpecAnProgram, MarkerToPeakLandsOnTheStrongestCarrier) {
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, 0, 3.6e9), Row(kCarrierDbm, 20.0, 10.0)));
    constexpr double kStart = 931.0e6, kSpan = 20.0e6, kCentre = kStart + kSpan / 2;
    constexpr double kPointHz = kSpan / 704;  // 705 points
    size_t n = RecordCount();
    for (const char* line : {"key shift+F1", "key F3", "key 9", "key 4", "key 1", "key F3",
                             "key F4", "key 2", "key 0", "key F3"})
        Send(line);
    ASSERT_TRUE(NextSweep(n, [](const Record& r) {
        return r.Get<uint64_t>(0) == 941000000u && r.Get<uint64_t>(8) == 20000000u;
    }));
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, kStart, kSpan), Row(kCarrierDbm, 20.0, 10.0)));
    // Until the peak search has a whole sweep of the new span the key finds
    // no peak and the marker stays where it was switched on (the centre);
    // the first other position it is measured at is the answer.
    Send("key shift+F5");  // the marker page
    double found = kCentre;
    const bool moved = Eventually([&] {
        Send("key F3");  // to the peak
        const double hz = CounterMarkerHz();
        if (hz < kStart || hz > kStart + kSpan) return false;  // not measured yet
        found = hz;
        return std::abs(found - kCentre) > kPointHz;
    });
    ASSERT_TRUE(moved) << "the marker never left the centre";
    EXPECT_NEAR(found, kCarrierHz, kPointHz) << "marker at " << found << " Hz";
}

// Three Right presses given one after another, faster than the trace is
// drawn, move the marker three points: each step starts from the point the
// one before asked for.
TEST_F(SpecAnProgram, ThreeRightPressesMoveTheMarkerThreePoints) {
    constexpr double kPointHz = 3.6e9 / 704;  // full span, 705 points
    ASSERT_TRUE(TraceAt(Column(kCarrierHz, 0, 3.6e9), Row(kCarrierDbm, 20.0, 10.0)));
    Send("key shift+F5");  // the marker page
    Send("key F2");        // M1 on, at the middle point
    double before = 0;
    ASSERT_TRUE(Eventually([&] {
        before = CounterMarkerHz();
        return std::abs(before - 1.8e9) < 1.0;
    })) << "the marker is measured at the middle point, not at "
        << before << " Hz";
    for (int i = 0; i < 3; ++i) Send("key RIGHT");
    // The marker takes each step as a sweep is drawn, so the counter may
    // first report one or two points on; it has to settle on the third and
    // go no further.
    double after = before;
    ASSERT_TRUE(Eventually([&] {
        after = CounterMarkerHz();
        return after - before >= 3 * kPointHz - 1.0;
    })) << "the marker stopped "
        << (after - before) / kPointHz << " points on";
    EXPECT_NEAR(after - before, 3 * kPointHz, 1.0);
}

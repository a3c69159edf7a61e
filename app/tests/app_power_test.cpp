// The power meter screen of the program itself, in this process on the
// simulated sensors: the scene file says what is plugged in and at what
// level (edited while the program runs), the test types the instrument's
// keys, and reads the readout's texts, hints and sounds. Expected numbers
// come from the scene in closed form within the model's stated accuracy.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "app/message_box.h"
#include "app/tests/app_thread_run.h"
#include "app/tests/specan_screen.h"
#include "core/res_string.h"
#include "platform/framework/system_services.h"
#include "platform/sound/sound.h"
#include "platform/text/utf.h"
#include "platform/window/message_loop.h"
#include "screens/power/power_meter_mode.h"
#include "sim/sensors/sensor_physics.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace {

using specan_screen::Eventually;
namespace fs = std::filesystem;
using Texts = CPowerMeterReadout::Texts;

// `sensor_more`: further fields of the sensor's signal (`, "key": value`).
std::string Scene(const std::string& com1, const std::string& usb, double level_dbm,
                  const std::string& sensor_more = "") {
    std::ostringstream s;
    s << R"({"peripherals": {"com1": ")" << com1 << R"(", "usb": ")" << usb
      << R"(", "sensor": {"level_dbm": )" << level_dbm << sensor_more << "}}}";
    return s.str();
}

std::string Utf8(const core::Text& t) {
    return plat::to_utf8(t);
}

// A number at the start of a text ("10.05", " -20.0 dB"); NaN when none.
double Number(const core::Text& t) {
    const std::string s = Utf8(t);
    double v = NAN;
    if (std::sscanf(s.c_str(), " %lf", &v) != 1) return NAN;
    return v;
}

// Watts of a readout value in the unit text it is shown with.
double Watts(const Texts& t) {
    const std::string unit = Utf8(t.unit);
    double scale = 1;
    if (unit.find("mW") != std::string::npos)
        scale = 1e-3;
    else if (unit.find("\xC2\xB5W") != std::string::npos)
        scale = 1e-6;
    else if (unit.find("kW") != std::string::npos)
        scale = 1e3;
    return Number(t.value) * scale;
}

bool Played(const std::u16string& name) {
    for (const auto& s : plat::played_sounds())
        if (s.source.ends_with(name)) return true;
    return false;
}

// The program on the power meter with the scene's peripherals.
class PowerRun {
  public:
    // `clock`: "real", or "virtual" where platform time moves only while the
    // run waits for something.
    PowerRun(const std::string& name, const std::string& scene, const std::string& clock = "real")
        : run_(name, scene, clock), virtual_(clock == "virtual") {}
    ~PowerRun() { run_.Finish(); }

    bool ImageOk() const { return run_.ImageOk(); }
    bool Start() {
        if (!run_.ImageOk()) return false;
        plat::clear_played_sounds();
        started_ = std::chrono::steady_clock::now();
        run_.Start(app_);
        return ShowPowerMeter();
    }
    // Ends the program.
    void Finish() { run_.Finish(); }
    // Lets `seconds` pass since the program started.
    void WaitSinceStart(int seconds) {
        std::this_thread::sleep_until(started_ + std::chrono::seconds(seconds));
    }
    // From the mode selection (where the program starts) to the power meter.
    bool ShowPowerMeter() {
        return Await([&] {
            bool ready = false;
            OnUi([&] {
                if (!app_.GetCurrentMode()) return;
                if (!Screen()) app_.SwitchToMode(app_.FindMode(CPowerMeterMode::kModeId));
                ready = Screen() != nullptr;
            });
            return ready;
        });
    }
    void Type(const std::string& keys) {
        std::string lines;
        std::istringstream in(keys);
        for (std::string k; in >> k;) lines += "key " + k + "\n";
        run_.Type(lines);
    }
    // A script wait of `ms` of platform time.
    void Wait(uint32_t ms) { run_.Type("wait " + std::to_string(ms) + "\n"); }
    // Replaces the scene file; the simulated world follows it.
    void SetScene(const std::string& scene) {
        const fs::path file = run_.root().path() / "scene.json";
        std::ofstream(file.string() + ".new") << scene;
        fs::rename(file.string() + ".new", file);
    }
    const app_test::DeviceRoot& root() const { return run_.root(); }
    // The folder of the log and quick-save files.
    fs::path Traces() const { return run_.root().path() / "FlashFX Disk" / "My Traces"; }
    // A screenshot after every key typed so far has been handled; its file.
    fs::path Shot(const std::string& name) {
        const fs::path file = run_.root().path() / (name + ".png");
        run_.Type("shot " + file.string() + "\n");
        Eventually([&] { return fs::exists(file); });
        return file;
    }

    bool OnUi(const std::function<void()>& fn) {
        const uint32_t ui = plat::input_thread();
        return ui && plat::run_on_ui_thread(ui, fn, 10000);
    }
    CPowerMeterMode* Screen() { return dynamic_cast<CPowerMeterMode*>(app_.GetCurrentMode()); }

    // Runs `fn` on the screen on the user-interface thread.
    template <class F>
    void With(F&& fn) {
        OnUi([&] {
            if (CPowerMeterMode* s = Screen()) fn(*s);
        });
    }
    Texts ReadoutTexts() {
        Texts t;
        With([&](CPowerMeterMode& s) { t = s.GetReadout()->Compose(); });
        return t;
    }
    core::Text Hint() {
        core::Text h;
        With([&](CPowerMeterMode& s) { h = s.GetReadout()->GetHint(); });
        return h;
    }
    // Waits until a sensor of `type` is attached and the keys act.
    bool Attached(int type) {
        return Await([&] {
            bool yes = false;
            With([&](CPowerMeterMode& s) {
                yes = s.GetSensorType() == type && !s.IsWaiting() &&
                      s.GetKeyMachine().GetState() == 1;
            });
            return yes;
        });
    }
    bool Waiting() {
        return Await([&] {
            bool yes = false;
            With([&](CPowerMeterMode& s) {
                yes = s.IsWaiting() && s.GetKeyMachine().GetState() == 0;
            });
            return yes;
        });
    }
    // Waits until the readout shows what `ok` accepts; its last texts.
    Texts Until(const std::function<bool(const Texts&)>& ok) {
        Texts t;
        Await([&] {
            t = ReadoutTexts();
            return ok(t);
        });
        return t;
    }
    // Waits until the readout shows `watts` within the model's accuracy, and
    // checks it.
    void ReadsWatts(double watts, const char* model) {
        const double share = std::pow(10.0, (sim::sensor_spec(model).accuracy_db + 0.05) / 10) - 1;
        const Texts t =
            Until([&](const Texts& x) { return std::fabs(Watts(x) - watts) <= watts * share; });
        EXPECT_NEAR(Watts(t), watts, watts * share)
            << model << ": " << Utf8(t.value) << Utf8(t.unit);
    }
    bool Logging() {
        bool on = false;
        With([&](CPowerMeterMode& s) { on = s.IsLogging(); });
        return on;
    }
    int Page() {
        int p = 0;
        With([&](CPowerMeterMode& s) { p = s.GetMenuPage(); });
        return p;
    }
    CPowerMeterReadout::Values Values() {
        CPowerMeterReadout::Values v;
        With([&](CPowerMeterMode& s) { v = s.GetReadout()->GetValues(); });
        return v;
    }
    // The caption of soft key `key` (0..7) of `page`.
    std::string Caption(int page, int key) {
        std::string c;
        With([&](CPowerMeterMode& s) { c = Utf8(s.Caption(page, key).text); });
        return c;
    }
    // Waits until the caption reads `want`; the last one read.
    std::string CaptionBecomes(int page, int key, const std::string& want) {
        std::string c;
        Eventually([&] { return (c = Caption(page, key)) == want; });
        return c;
    }
    std::pair<float, float> FullScales() {
        std::pair<float, float> f;
        With([&](CPowerMeterMode& s) {
            f = {s.GetReadout()->GetFullScale(), s.GetReadout()->GetReflectedFullScale()};
        });
        return f;
    }

    // The readings the followed port has taken so far (each one an update
    // of the screen); 0 while no port is followed.
    uint32_t Readings() {
        uint32_t n = 0;
        With([&](CPowerMeterMode& s) {
            if (CPowerMeasurement* m = s.GetFollowedMeasurement()) n = m->GetReadingCount();
        });
        return n;
    }

    // Waits until `ok` holds; on a virtual clock the program's time moves on
    // meanwhile (the user-interface calls' own time-outs run on it too).
    bool Await(const std::function<bool()>& ok) {
        if (!virtual_) return Eventually(ok);
        // The wait goes first: what `ok` asks of the program may itself need
        // time to pass.
        return Eventually([&] {
            run_.Type("wait 100\n");
            return ok();
        });
    }

  private:
    app_test::AppThreadRun run_;
    bool virtual_ = false;
    CCelvaneApp app_;
    std::chrono::steady_clock::time_point started_;
};

// ------------------------------------------------------------ each sensor

struct SensorCase {
    const char* name;
    const char* com1;
    const char* usb;
    const char* model;
    int type;
    int first_page;
    const char* dbm_keys;     // from the first page to the dBm unit
    const char* offset_keys;  // from there to the input offset entry
};

// Through-line: units on M2, the input offset on M3 S5; peak: M3 S1;
// terminating: units and offset on M3.
const SensorCase kSensors[] = {
    {"K610", "K610", "none", "K610", 1, 57, "F14 F2", "F15 F5"},
    {"K610M", "K610M", "none", "K610M", 3, 57, "F14 F2", "F15 F5"},
    {"K615", "K615", "none", "K615", 5, 57, "F15 F4", "F15 F1"},
    {"K630", "K630", "none", "K630", 6, 55, "F14 F2", "F15 F1"},
    {"SerialK670", "K670", "none", "K670", 21, 55, "F14 F2", "F15 F1"},
    {"UsbK640", "none", "K640", "K640", 18, 55, "F14 F2", "F15 F1"},
    {"UsbK650", "none", "K650", "K650", 19, 55, "F14 F2", "F15 F1"},
    {"UsbK660", "none", "K660", "K660", 20, 55, "F14 F2", "F15 F1"},
    {"UsbK670", "none", "K670", "K670", 21, 55, "F14 F2", "F15 F1"},
};

class EachSensor : public ::testing::TestWithParam<SensorCase> {};

TEST_P(EachSensor, IsNamedAndReadsTheLevelInWattsAndDbmWithItsInputOffset) {
    const SensorCase& c = GetParam();
    constexpr double kLevel = 10;
    const double accuracy = sim::sensor_spec(c.model).accuracy_db + 0.05;
    PowerRun run(std::string("power-") + c.name, Scene(c.com1, c.usb, kLevel));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(c.type));
    EXPECT_TRUE(Played(u"startup.wav"));
    // The title names the model; the family's first page.
    core::Text title;
    run.With([&](CPowerMeterMode& s) { title = s.GetSensorTitle(); });
    EXPECT_NE(Utf8(title).find(c.model), std::string::npos) << Utf8(title);
    EXPECT_EQ(run.Page(), c.first_page);

    const double watts = std::pow(10.0, (kLevel - 30) / 10);
    const double share = std::pow(10.0, accuracy / 10) - 1;
    const Texts w =
        run.Until([&](const Texts& t) { return std::fabs(Watts(t) - watts) <= watts * share; });
    EXPECT_NEAR(Watts(w), watts, watts * share) << Utf8(w.value) << Utf8(w.unit);

    run.Type(c.dbm_keys);
    const Texts d = run.Until([&](const Texts& t) {
        return Utf8(t.unit).find("dBm") != std::string::npos &&
               std::fabs(Number(t.value) - kLevel) <= accuracy;
    });
    EXPECT_NEAR(Number(d.value), kLevel, accuracy) << Utf8(d.value) << Utf8(d.unit);

    // An input offset of 3.0 dB adds 3.0 dB.
    run.Type(std::string(c.offset_keys) + " 3 POINT 0 RETURN");
    const Texts o = run.Until(
        [&](const Texts& t) { return std::fabs(Number(t.value) - kLevel - 3) <= accuracy; });
    EXPECT_NEAR(Number(o.value), kLevel + 3, accuracy) << Utf8(o.value);
    float offset = 0;
    run.With([&](CPowerMeterMode& s) { offset = s.GetReadout()->GetValues().input_offset; });
    EXPECT_FLOAT_EQ(offset, 3.0f);
}

INSTANTIATE_TEST_SUITE_P(Sensors, EachSensor, ::testing::ValuesIn(kSensors),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ match

struct MatchCase {
    const char* name;
    const char* com1;
    const char* usb;
    int type;
    const char* match_offset_keys;  // the match offset entry from page 56
};

// The match of a load with a return loss of 20 dB in each unit (page 56 S4
// to S8), then with a match offset of 3.0 (stored as -3.0): q = 0.01, and
// q' = 0.01 x 10^(2 x 0.3) with the offset.
class PowerMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(PowerMatch, FollowsTheLoadsReturnLossAndTheMatchOffset) {
    {
        const MatchCase& c = GetParam();
        PowerRun run(std::string("power-match-") + c.name, Scene(c.com1, c.usb, 10));
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.Attached(c.type));
        auto figures = [&](double q) {
            const double rho = std::sqrt(q);
            char text[5][16];
            std::snprintf(text[0], 16, "%0.2f", (1 + rho) / (1 - rho));
            std::snprintf(text[1], 16, "%0.1f", 10 * std::log10(q));
            std::snprintf(text[2], 16, "%0.2f", rho);
            std::snprintf(text[3], 16, "%0.1f", (1 - q) * 100);
            std::snprintf(text[4], 16, "%0.1f", q * 100);
            return std::vector<std::string>(text, text + 5);
        };
        // The match display, then each unit's key.
        run.Type("F13 F3 F14");
        auto check = [&](const std::vector<std::string>& want) {
            const char* keys[] = {"F4", "F5", "F6", "F7", "F8"};
            for (size_t i = 0; i < 5; ++i) {
                run.Type(keys[i]);
                const Texts t = run.Until([&](const Texts& x) { return Utf8(x.value) == want[i]; });
                EXPECT_EQ(Utf8(t.value), want[i]) << "unit key " << keys[i];
            }
        };
        check(figures(0.01));
        EXPECT_EQ(figures(0.01),
                  (std::vector<std::string>{"1.22", "-20.0", "0.10", "99.0", "1.0"}));
        run.Type(std::string(c.match_offset_keys) + " 3 POINT 0 RETURN F14");
        float stored = 0;
        EXPECT_TRUE(Eventually([&] {
            run.With(
                [&](CPowerMeterMode& s) { stored = s.GetReadout()->GetValues().coupling_offset; });
            return stored != 0;
        }));
        EXPECT_FLOAT_EQ(stored, -3.0f);
        const double q = 0.01 * std::pow(10.0, 0.6);
        check(figures(q));
        EXPECT_EQ(figures(q), (std::vector<std::string>{"1.50", "-14.0", "0.20", "96.0", "4.0"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Sensors, PowerMatch,
                         ::testing::Values(MatchCase{"K640", "none", "K640", 18, "F15 F2"},
                                           MatchCase{"K610", "K610", "none", 1, "F15 F6"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ entries and ranges

std::string Text(uint32_t id) {
    return Utf8(LoadResString(id));
}

size_t Beeps() {
    return plat::system_service_calls().beeps.size();
}

// A value typed above the entry's limit is refused with a beep and the limit
// shown; Enter then takes the limit. Escape keeps the value and plays the
// cancel sound. `keys` opens the entry; `value` reads what it stored.
void EnterAboveTheLimit(PowerRun& run, const std::string& keys, const std::string& digits,
                        float limit, const std::function<float()>& value) {
    const float before = value();
    const size_t beeps = Beeps();
    plat::clear_played_sounds();
    run.Type(keys + " " + digits + " RETURN");
    ASSERT_TRUE(Eventually([&] { return Beeps() > beeps; })) << keys;
    // Refused: the dialog stays open and nothing is stored yet.
    EXPECT_FLOAT_EQ(value(), before) << keys;
    run.Type("RETURN");
    EXPECT_TRUE(Eventually([&] { return value() == limit; })) << keys << ": " << value();
    EXPECT_TRUE(Eventually([&] { return Played(u"startup.wav"); })) << keys;

    plat::clear_played_sounds();
    run.Type(keys + " 5 ESCAPE");
    EXPECT_TRUE(Eventually([&] { return Played(u"critical.wav"); })) << keys;
    EXPECT_FLOAT_EQ(value(), limit) << keys;
}

// A through-line sensor's ranges on page 57: forward "1 W" and reflected
// "100 mW" at the start; the forward range wraps both ways through its
// sixteen steps; under the 10:1 ratio the reflected range moves with the
// forward one at a tenth of its scale. The input offset stops at 100 dB.
TEST(PowerEntries, ThroughLineRangesWrapAndFollowTheRatioAndTheOffsetStopsAtItsLimit) {
    PowerRun run("power-ranges", Scene("K610", "none", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(1));
    ASSERT_EQ(run.Page(), 57);
    const std::string fwd = Text(2648), refl = Text(2649);
    EXPECT_EQ(run.CaptionBecomes(57, 1, fwd + "1 W"), fwd + "1 W");
    EXPECT_EQ(run.Caption(57, 2), refl + "100 mW");
    EXPECT_EQ(run.FullScales(), std::make_pair(1.0f, 0.1f));

    struct Step {
        const char* keys;
        const char* forward;
        const char* reflected;
        float forward_scale, reflected_scale;
    };
    const Step steps[] = {
        {"F2 UP", "2.5 W", "100 mW", 2.5f, 0.1f},
        {"DOWN DOWN DOWN DOWN", "100 mW", "100 mW", 0.1f, 0.1f},
        {"DOWN", "10 KW", "100 mW", 10000, 0.1f},
        {"UP", "100 mW", "100 mW", 0.1f, 0.1f},
        {"F3 DOWN", "100 mW", "10 KW", 0.1f, 10000},
        {"UP", "100 mW", "100 mW", 0.1f, 0.1f},
        // The ratio on; the forward choice takes the reflected range along.
        {"F4 F2 UP UP UP UP UP UP UP UP UP", "100 W", "10 W", 100, 10},
        {"UP", "250 W", "25 W", 250, 25},
        {"UP", "500 W", "50 W", 500, 50},
    };
    for (const Step& st : steps) {
        run.Type(st.keys);
        const std::string want = fwd + st.forward;
        EXPECT_EQ(run.CaptionBecomes(57, 1, want), want) << st.keys;
        EXPECT_EQ(run.CaptionBecomes(57, 2, refl + st.reflected), refl + st.reflected) << st.keys;
        EXPECT_EQ(run.FullScales(), std::make_pair(st.forward_scale, st.reflected_scale))
            << st.keys;
    }
    bool ratio = false;
    run.With([&](CPowerMeterMode& s) { ratio = s.IsRatioOn(); });
    EXPECT_TRUE(ratio);

    EnterAboveTheLimit(run, "F5", "1 5 0", 100.0f, [&] { return run.Values().input_offset; });
    EXPECT_EQ(run.Caption(57, 4), Text(2638) + "100.0 dB");
}

// A peak sensor's page 57: the manual duty cycle stops at 100 %, the CCDF
// limit at 450 W; the filter key steps its choice, another key drops it and
// Enter sends it (the sensor then reports it); the range select steps sixteen
// positions, automatic first, and wraps; with the log on the arrows keep its
// ratio within 1..1000.
TEST(PowerEntries, PeakEntriesStopAtTheirLimitsTheFilterIsSentOnEnterAndTheRangesWrap) {
    PowerRun run("power-peak-entries", Scene("none", "K640", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(18));
    run.Type("F15");
    ASSERT_TRUE(Eventually([&] { return run.Page() == 57; }));

    EnterAboveTheLimit(run, "F5", "1 5 0", 100.0f, [&] { return run.Values().manual_duty_cycle; });
    EXPECT_TRUE(run.Values().manual_duty);
    EXPECT_EQ(run.Caption(57, 4), Text(2645) + "100.0 %");
    EnterAboveTheLimit(run, "F6", "5 0 0", 450.0f, [&] { return run.Values().ccdf_limit; });
    EXPECT_EQ(run.Caption(57, 5), Text(2646) + "450.0 W");

    // The filter: high at the start, the key steps low, middle.
    const std::string high = Text(63099), low = Text(63097), middle = Text(63098);
    auto applied = [&] {
        std::string t;
        run.With([&](CPowerMeterMode& s) { t = Utf8(s.GetAppliedFilterText()); });
        return t;
    };
    EXPECT_EQ(applied(), high);
    run.Type("F3");
    EXPECT_EQ(run.CaptionBecomes(57, 2, low), low);
    run.Type("F7");
    EXPECT_EQ(run.CaptionBecomes(57, 2, high), high);
    EXPECT_EQ(applied(), high);
    run.Type("F3 F3");
    EXPECT_EQ(run.CaptionBecomes(57, 2, middle), middle);
    EXPECT_EQ(applied(), high);
    run.Type("RETURN");
    EXPECT_TRUE(Eventually([&] { return applied() == middle; })) << applied();
    // 400 kHz goes to the sensor, which reports it in its readings.
    EXPECT_TRUE(Eventually([&] { return run.Values().filter_bandwidth == 400.0f; }))
        << run.Values().filter_bandwidth;

    // Range select: 1 to 15, then automatic again.
    const char* ranges[] = {"100 \xC2\xB5W", "1 mW",   "10 mW", "100 mW", "1 W",
                            "10 W",          "100 W",  "1 kW",  "10 kW",  "100 kW",
                            "1 MW",          "150 mW", "1.5 W", "15 W",   "150 W"};
    const float scales[] = {1e-4f, 1e-3f, 1e-2f, 0.1f,  1,    10, 100, 1e3f,
                            1e4f,  1e5f,  1e6f,  0.15f, 1.5f, 15, 150};
    for (size_t i = 0; i < std::size(ranges); ++i) {
        run.Type("F8");
        const std::string want = Text(2637) + ranges[i];
        EXPECT_EQ(run.CaptionBecomes(57, 7, want), want);
        const auto [forward, reflected] = run.FullScales();
        EXPECT_FLOAT_EQ(forward, scales[i]) << ranges[i];
        EXPECT_FLOAT_EQ(reflected, scales[i] * 0.1f) << ranges[i];
        EXPECT_FALSE(run.Values().auto_range) << ranges[i];
    }
    run.Type("F8");
    EXPECT_EQ(run.CaptionBecomes(57, 7, Text(2636)), Text(2636));
    EXPECT_TRUE(run.Values().auto_range);

    // The log ratio: up three times to 1000 and no further, then down to 1.
    run.Type("F18 F3");
    auto ratio_hint = [&](int n) { return Text(63081) + Text(2641) + std::to_string(n); };
    EXPECT_TRUE(Eventually([&] { return Utf8(run.Hint()) == ratio_hint(1); }));
    const int up[] = {10, 100, 1000, 1000};
    for (int n : up) {
        run.Type("UP");
        EXPECT_TRUE(Eventually([&] { return Utf8(run.Hint()) == ratio_hint(n); }))
            << Utf8(run.Hint());
    }
    const int down[] = {100, 10, 1, 1};
    for (int n : down) {
        run.Type("DOWN");
        EXPECT_TRUE(Eventually([&] { return Utf8(run.Hint()) == ratio_hint(n); }))
            << Utf8(run.Hint());
    }
    run.Type("F3");
    EXPECT_TRUE(Eventually([&] { return !run.Logging(); }));
}

// ------------------------------------------------------------ no sensor, plugging

// Without a sensor the keys other than MODE and SETUP change nothing; a
// sensor plugged in later is found and the keys act; unplugged, the screen
// waits again with blank keys, and another model plugged in instead is
// attached anew and reads its level.
TEST(PowerPlugging, KeysWaitForASensorAndAReplacedSensorIsAttachedAnew) {
    PowerRun run("power-plug", Scene("none", "none", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Waiting());
    const core::Text waiting = LoadResString(63083);
    EXPECT_EQ(run.Hint(), waiting);
    plat::clear_played_sounds();
    const int page = run.Page();
    // Soft keys, menu keys, arrows, Enter, "." and the letter I (a zeroing
    // result's number when pressed).
    run.Type("F1 F3 F13 F14 UP DOWN RETURN PERIOD 73");
    ASSERT_TRUE(fs::exists(run.Shot("idle")));
    run.With([&](CPowerMeterMode& s) {
        EXPECT_EQ(s.GetKeyMachine().GetState(), 0);
        EXPECT_FALSE(s.IsPromptShown());
    });
    EXPECT_EQ(run.Hint(), waiting);
    EXPECT_EQ(run.Page(), page);
    EXPECT_TRUE(plat::played_sounds().empty());

    // Plugged ten seconds and more after the start.
    run.WaitSinceStart(10);
    run.SetScene(Scene("none", "K640", 10));
    ASSERT_TRUE(run.Attached(18));
    // "." then M2 shows M2's hint after "Help: ", the page stays.
    const int attached_page = run.Page();
    run.Type("PERIOD F14");
    EXPECT_TRUE(Eventually([&] {
        return Utf8(run.Hint()).rfind(Utf8(LoadResString(2632)), 0) == 0;
    })) << Utf8(run.Hint());
    EXPECT_EQ(run.Page(), attached_page);

    // Unplugged: the idle face, blank keys and the waiting hint.
    run.SetScene(Scene("none", "none", 10));
    ASSERT_TRUE(run.Waiting());
    EXPECT_EQ(run.Hint(), waiting);
    run.With([&](CPowerMeterMode& s) { EXPECT_EQ(s.GetKeyMachine().GetState(), 0); });

    // A K650 instead, at another level.
    plat::clear_played_sounds();
    run.SetScene(Scene("none", "K650", 0));
    ASSERT_TRUE(run.Attached(19));
    EXPECT_TRUE(Played(u"startup.wav"));
    run.ReadsWatts(1e-3, "K650");
}

// ------------------------------------------------------------ unplugging a serial sensor

struct UnplugCase {
    const char* name;
    const char* model;  // on com1
    int type;
    const char* com1_after;  // what is plugged in afterwards
    const char* usb_after;
    const char* model_after;
    int type_after;
};

// A serial sensor pulled out: the idle face (the meter picture, no bar on
// row 223), blank soft keys and the waiting hint; a sensor plugged in
// afterwards (the same model on the same port, or a USB one) is attached
// anew and reads its level.
class PowerUnplug : public ::testing::TestWithParam<UnplugCase> {};

TEST_P(PowerUnplug, TheIdleFaceWaitsAndTheNextSensorIsAttachedAnew) {
    ASSERT_EQ(specan_screen::Shell("command -v convert >/dev/null 2>&1"), 0)
        << "ImageMagick is missing: scripts/install-deps installs it";
    const UnplugCase& c = GetParam();
    PowerRun run(std::string("power-unplug-") + c.name, Scene(c.model, "none", 27));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(c.type));
    constexpr int kRow = 223;
    const specan_screen::Rgb green{102, 255, 56}, red{255, 0, 0};
    auto bar_pixels = [&](const specan_screen::Screen& s) {
        int n = 0;
        for (int x = 15; x <= 685; ++x) n += s.At(x, kRow) == green || s.At(x, kRow) == red;
        return n;
    };
    // Reading: the bar stands on row 223.
    EXPECT_TRUE(Eventually([&] {
        const specan_screen::Screen s = specan_screen::ReadPng(run.Shot("reading"));
        return !s.bytes.empty() && bar_pixels(s) > 0;
    }));

    run.SetScene(Scene("none", "none", 27));
    ASSERT_TRUE(run.Waiting());
    EXPECT_EQ(run.Hint(), LoadResString(63083));
    const core::Text blank = LoadResString(CModeBase::kBlankLabel);
    run.With([&](CPowerMeterMode& s) {
        for (int k = 0; k < 8; ++k) EXPECT_EQ(s.soft_key_menu()->Key(k)->GetTitle(), blank) << k;
    });
    const specan_screen::Screen idle = specan_screen::ReadPng(run.Shot("idle"));
    ASSERT_FALSE(idle.bytes.empty());
    EXPECT_EQ(bar_pixels(idle), 0);
    // The meter picture: the readout is not one plain colour.
    std::set<std::tuple<int, int, int>> colours;
    for (int y = 60; y < 400; ++y)
        for (int x = 15; x < 685; ++x) {
            const specan_screen::Rgb p = idle.At(x, y);
            colours.insert({p.r, p.g, p.b});
        }
    EXPECT_GT(colours.size(), 2u);

    plat::clear_played_sounds();
    run.SetScene(Scene(c.com1_after, c.usb_after, 0));
    ASSERT_TRUE(run.Attached(c.type_after));
    EXPECT_TRUE(Eventually([&] { return Played(u"startup.wav"); }));
    run.ReadsWatts(1e-3, c.model_after);
}

INSTANTIATE_TEST_SUITE_P(Sensors, PowerUnplug,
                         ::testing::Values(UnplugCase{"K610", "K610", 1, "K610", "none", "K610", 1},
                                           UnplugCase{"K670", "K670", 21, "none", "K650", "K650",
                                                      19}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ zeroing

// M4 S1 zeroes a sensor reading below 10 mW at once: the two-step hint, the
// sounds of the first reading after it and of the finished command, the keys
// act again and the reading falls by the model's zero offset. Above 10 mW
// the question comes first, and No leaves the sensor as it was.
struct ZeroCase {
    const char* model;
    const char* com1;
    const char* usb;
    int type;
};

class PowerZeroing : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(PowerZeroing, ByKeysTheReadingFallsByTheZeroOffset) {
    {
        const ZeroCase& c = GetParam();
        const sim::SensorSpec spec = sim::sensor_spec(c.model);
        const double level = 1e-5;  // -20 dBm
        const double low = level * std::pow(10.0, -spec.accuracy_db / 10);
        const double high = level * std::pow(10.0, spec.accuracy_db / 10);
        PowerRun run(std::string("power-zero-") + c.model, Scene(c.com1, c.usb, -20));
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.Attached(c.type));
        auto forward = [&] {
            float w = 0;
            run.With([&](CPowerMeterMode& s) { w = s.GetReadout()->GetForwardPower(); });
            return double(w);
        };
        // Settled, with the zero offset on top.
        double before = 0;
        ASSERT_TRUE(Eventually([&] {
            before = forward();
            return before >= low + spec.zero_offset_w && before <= high + spec.zero_offset_w;
        })) << before;
        plat::clear_played_sounds();
        run.Type("F16 F1");
        ASSERT_TRUE(Eventually([&] {
            bool done = false;
            run.With([&](CPowerMeterMode& s) {
                done = !s.Fields().zeroing && !s.Fields().zero_request &&
                       s.GetKeyMachine().GetState() == 1;
            });
            return done && Played(u"startup.wav");
        }));
        EXPECT_TRUE(Played(u"default.wav"));
        EXPECT_TRUE(Played(u"exclam.wav"));
        EXPECT_EQ(run.Hint(), LoadResString(63100));
        double after = 0;
        EXPECT_TRUE(Eventually([&] {
            after = forward();
            return after >= low && after <= high;
        })) << after;
        EXPECT_NEAR(before - after, spec.zero_offset_w, 0.25 * spec.zero_offset_w);

        // At 20 dBm the question; No: the red hint and no zeroing.
        run.SetScene(Scene(c.com1, c.usb, 20));
        // Above the 10 mW of the question (the K615 reads up to 15 mW).
        ASSERT_TRUE(Eventually([&] { return forward() > 0.011; }));
        run.Type("F16 F1");
        run.Shot("question");
        run.Type("RIGHT RETURN");
        EXPECT_TRUE(Eventually([&] { return run.Hint() == LoadResString(63092); }))
            << Utf8(run.Hint());
        run.With([&](CPowerMeterMode& s) {
            EXPECT_FALSE(s.Fields().zeroing);
            EXPECT_FALSE(s.Fields().zero_request);
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Sensors, PowerZeroing,
                         ::testing::Values(ZeroCase{"K640", "none", "K640", 18},
                                           ZeroCase{"K615", "K615", "none", 5}),
                         [](const auto& info) { return std::string(info.param.model); });

// A sensor that never answers the zero command, on a virtual clock (its
// time-out takes long in real time): the zeroing times out into box 2651,
// and once the box is closed the sensor is attached again and reads on.
TEST(PowerZeroing, ASensorIgnoringZeroEndsInTheZeroingErrorAndReadsOn) {
    std::mutex mutex;
    std::vector<std::u16string> boxes;  // the mutex
    SetMessageBoxObserver([&](const std::u16string& text, uint32_t) {
        std::lock_guard lock(mutex);
        boxes.push_back(text);
    });
    {
        PowerRun run("power-zero-ignored", Scene("none", "K640", -20, R"(, "ignores_zero": true)"),
                     "virtual");
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.Attached(18));
        // The sensor answers in real time, the measurement waits for it in
        // virtual time: it stays attached over a minute of virtual time.
        plat::clear_played_sounds();
        const uint32_t first = run.Readings();
        for (int i = 0; i < 60; ++i) run.Wait(1000);
        ASSERT_TRUE(run.Await([&] { return run.Readings() > first + 50; }));
        EXPECT_FALSE(Played(u"startup.wav")) << "the sensor was lost and attached anew";
        run.Type("F16 F1");
        const core::Text error = LoadResString(2651);
        EXPECT_TRUE(run.Await([&] {
            std::lock_guard lock(mutex);
            return std::find(boxes.begin(), boxes.end(), error) != boxes.end();
        }));
        run.Type("RETURN");
        ASSERT_TRUE(run.Attached(18));
        const uint32_t readings = run.Readings();
        EXPECT_TRUE(run.Await([&] { return run.Readings() > readings + 3; }));
        bool zeroing = true;
        run.With(
            [&](CPowerMeterMode& s) { zeroing = s.Fields().zeroing || s.Fields().zero_request; });
        EXPECT_FALSE(zeroing);
    }
    SetMessageBoxObserver(nullptr);
}

// ------------------------------------------------------------ files

std::vector<fs::path> LogFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& e : fs::directory_iterator(folder, error))
        if (e.path().filename().string().rfind("Pwr", 0) == 0) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Reads a K640's CSV file at 10 dBm into a load of 20 dB return loss with
// Python's csv module: the sensor's title, the family's header, then rows
// each with the forward power (column by header) of 10 dBm within the
// model's accuracy and a VSWR of 1.22. The count of rows; -1 when unreadable.
int CheckK640Csv(const fs::path& scratch, const fs::path& file) {
    const double accuracy = sim::sensor_spec("K640").accuracy_db + 0.05;
    const std::string check = std::string("import csv,sys,math\n") +
                              "rows=list(csv.reader(open(sys.argv[1],encoding='latin-1')))\n"
                              "title,header,data=rows[0],rows[1],rows[2:]\n"
                              "assert 'K640' in ','.join(title), title\n"
                              "print(';'.join(header))\n"
                              "for r in data: print(';'.join(r))\n";
    const fs::path script = scratch / "check.py";
    std::ofstream(script) << check;
    const std::string cmd = "python3 '" + script.string() + "' '" + file.string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string out;
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    if (pclose(p) != 0) {
        ADD_FAILURE() << file << ": " << out;
        return -1;
    }
    std::istringstream lines(out);
    std::string header;
    std::getline(lines, header);
    std::vector<std::string> columns;
    {
        std::istringstream h(header);
        for (std::string c; std::getline(h, c, ';');) columns.push_back(c);
    }
    auto column = [&](const char* word) {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].find(word) != std::string::npos) return int(i);
        return -1;
    };
    const int fwd = column("orward"), vswr = column("VSWR");
    if (fwd < 0 || vswr < 0) {
        ADD_FAILURE() << header;
        return -1;
    }
    int rows = 0;
    for (std::string l; std::getline(lines, l); ++rows) {
        std::vector<std::string> cells;
        std::istringstream r(l);
        for (std::string c; std::getline(r, c, ';');) cells.push_back(c);
        if (cells.size() <= size_t(std::max(fwd, vswr))) {
            ADD_FAILURE() << l;
            return -1;
        }
        const double w = std::atof(cells[fwd].c_str());
        EXPECT_NEAR(10 * std::log10(w * 1000), 10.0, accuracy) << l;
        EXPECT_EQ(cells[vswr].substr(0, 4), "1.22") << l;
    }
    return rows;
}

// Log on (M6 S3) writes "Pwr" + the key's time + ".csv" in "My Traces",
// read back by Python's csv module: the sensor's title, the family's header,
// then one line an update with the forward power and the VSWR of the load.
TEST(PowerFiles, TheLogHoldsTheReadingsOfTheLoad) {
    ASSERT_EQ(std::system("command -v python3 >/dev/null 2>&1"), 0)
        << "python3 is missing: scripts/install-deps installs it";
    PowerRun run("power-log", Scene("none", "K640", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(18));
    const fs::path traces = run.Traces();
    const auto before = LogFiles(traces);
    run.Type("F18 F3");
    ASSERT_TRUE(Eventually([&] { return run.Logging(); }));
    // The key's hint goes on with the log ratio.
    const core::Text log_hint = LoadResString(63081) + LoadResString(2641) + u"1";
    EXPECT_TRUE(Eventually([&] { return run.Hint() == log_hint; })) << Utf8(run.Hint());
    // Several updates, then off.
    constexpr uint32_t kLinesWanted = 5;
    ASSERT_TRUE(Eventually([&] {
        const auto files = LogFiles(traces);
        if (files.size() != before.size() + 1) return false;
        std::ifstream in(files.back());
        uint32_t n = 0;
        for (std::string l; std::getline(in, l);) ++n;
        return n >= kLinesWanted + 2;
    }));
    run.Type("F3");
    ASSERT_TRUE(Eventually([&] { return !run.Logging(); }));
    const auto files = LogFiles(traces);
    ASSERT_EQ(files.size(), before.size() + 1);
    const std::string name = files.back().filename().string();
    EXPECT_EQ(name.size(), 3u + 14 + 4) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".csv");
    EXPECT_GE(CheckK640Csv(run.root().path(), files.back()), 5);
}

// Quick save (M6 S1) writes one reading under its own name; a second quick
// save, and a log switched off and on again at once, each get a file of their
// own, the earlier files left as they were.
TEST(PowerFiles, EachQuickSaveAndEachLogGetsAFileOfItsOwn) {
    ASSERT_EQ(std::system("command -v python3 >/dev/null 2>&1"), 0)
        << "python3 is missing: scripts/install-deps installs it";
    PowerRun run("power-quick-save", Scene("none", "K640", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(18));
    const fs::path traces = run.Traces();
    const size_t before = LogFiles(traces).size();
    run.Type("F18 F1");
    ASSERT_TRUE(Eventually([&] { return LogFiles(traces).size() == before + 1; }));
    const fs::path first = LogFiles(traces).back();
    EXPECT_EQ(CheckK640Csv(run.root().path(), first), 1);
    std::string first_text;
    {
        std::ifstream in(first);
        std::getline(in, first_text, '\0');
    }
    run.Type("F1");
    ASSERT_TRUE(Eventually([&] { return LogFiles(traces).size() == before + 2; }));

    // Log on, off and on again.
    run.Type("F3 F3 F3");
    ASSERT_TRUE(Eventually([&] { return LogFiles(traces).size() == before + 4; }))
        << LogFiles(traces).size() - before;
    EXPECT_TRUE(Eventually([&] { return run.Logging(); }));
    run.Type("F3");
    std::string again;
    {
        std::ifstream in(first);
        std::getline(in, again, '\0');
    }
    EXPECT_EQ(again, first_text);
}

size_t LineCount(const fs::path& file) {
    std::ifstream in(file);
    size_t n = 0;
    for (std::string l; std::getline(in, l);) ++n;
    return n;
}

// With the log ratio at 10 the log takes one line for every ten updates (a
// reading of the followed port is an update): over a hundred updates and
// more, the lines added are a tenth of the readings taken, within one. A
// K610 is polled for each reading, the fastest of the sensors.
TEST(PowerFiles, ARatioOfTenLogsOneLineForEveryTenUpdates) {
    PowerRun run("power-log-ratio", Scene("K610", "none", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(1));
    const fs::path traces = run.Traces();
    const size_t before = LogFiles(traces).size();
    run.Type("F18 F3 UP");
    const std::string ten = Text(63081) + Text(2641) + "10";
    ASSERT_TRUE(Eventually([&] { return Utf8(run.Hint()) == ten; })) << Utf8(run.Hint());
    ASSERT_TRUE(run.Logging());
    ASSERT_EQ(LogFiles(traces).size(), before + 1);
    const fs::path log = LogFiles(traces).back();
    // The readings taken and the records written at one moment: the count
    // read between two equal line counts. The first record comes after the
    // sensor's title and the header.
    auto snapshot = [&] {
        for (;;) {
            const size_t lines = LineCount(log);
            const uint32_t readings = run.Readings();
            if (LineCount(log) == lines)
                return std::make_pair(readings, lines > 2 ? lines - 2 : size_t(0));
        }
    };
    const auto [readings0, lines0] = snapshot();
    // A hundred readings and more; the limit only ends a hung run.
    for (int i = 0; i < 10 && run.Readings() < readings0 + 100; ++i)
        Eventually([&] { return run.Readings() >= readings0 + 100; });
    const auto [readings1, lines1] = snapshot();
    ASSERT_GE(readings1, readings0 + 100);
    ASSERT_TRUE(run.Logging());
    const double updates = readings1 - readings0;
    EXPECT_NEAR(double(lines1 - lines0), updates / 10, 1.0)
        << updates << " updates, records " << lines0 << " to " << lines1;
    run.Type("F3");
    EXPECT_TRUE(Eventually([&] { return !run.Logging(); }));
}

// What a log that cannot go on says: logging goes off, hint 2630 and the
// disk-full sound, the log key shows off, and the readings go on. `prepare` takes the room away
// before the log key.
void LogEndsForLackOfRoom(PowerRun& run, const std::function<void()>& prepare) {
    ASSERT_TRUE(run.Attached(18));
    prepare();
    plat::clear_played_sounds();
    run.Type("F18 F3");
    EXPECT_TRUE(Eventually([&] { return Utf8(run.Hint()) == Text(2630); })) << Utf8(run.Hint());
    EXPECT_TRUE(Eventually([&] { return Played(u"default.wav"); }));
    EXPECT_FALSE(run.Logging());
    // The log key: its two-state caption, off (it may be redrawn after the
    // hint).
    std::string caption;
    int state = -1;
    EXPECT_TRUE(Eventually([&] {
        run.With([&](CPowerMeterMode& s) {
            const CPowerMeterMode::KeyCaption& c = s.Caption(60, 2);
            caption = Utf8(c.text);
            state = c.state;
        });
        return caption == Text(2631) && state == 1;
    })) << "the log key reads \""
        << caption << "\" in state " << state;
    // The readings go on.
    const uint32_t readings = run.Readings();
    EXPECT_TRUE(Eventually([&] { return run.Readings() > readings + 3; }));
    run.ReadsWatts(1e-2, "K640");
}

// Without the "My Traces" folder the log cannot be created.
TEST(PowerFiles, WithoutMyTracesTheLogStaysOffAndReadingsGoOn) {
    PowerRun run("power-no-traces", Scene("none", "K640", 10));
    ASSERT_TRUE(run.Start());
    const fs::path traces = run.Traces();
    LogEndsForLackOfRoom(run, [&] { fs::remove_all(traces); });
    // The log makes no folder of its own.
    EXPECT_FALSE(fs::exists(traces));
}

// The flash volume on a file system of its own, sized to leave less than
// 16 KiB free: only a mount namespace of this process's own can mount it, so
// the check runs again inside one (unshare), where it finds kInner set.
constexpr char kInner[] = "CELVANE_POWER_SMALL_VOLUME";

// A tmpfs mounted over a folder with the folder's files copied in;
// unmounted at the end, which leaves the folder as it was.
class VolumeOverFolder {
  public:
    explicit VolumeOverFolder(const fs::path& folder) : folder_(folder) {
        const fs::path keep = folder.string() + ".files";
        fs::rename(folder, keep);
        fs::create_directory(folder);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256m") == 0;
        if (mounted_) fs::copy(keep, folder, fs::copy_options::recursive);
        fs::remove_all(keep);
    }
    ~VolumeOverFolder() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    // Shrinks the volume to what it holds and `free_bytes` more.
    bool LeaveFree(uint64_t free_bytes) {
        struct statvfs v {};
        if (::statvfs(folder_.c_str(), &v) != 0) return false;
        const uint64_t used = uint64_t(v.f_blocks - v.f_bfree) * v.f_frsize;
        const std::string size = "size=" + std::to_string(used + free_bytes);
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT, size.c_str()) == 0;
    }
    uint64_t Free() const {
        struct statvfs v {};
        return ::statvfs(folder_.c_str(), &v) == 0 ? uint64_t(v.f_bavail) * v.f_frsize : 0;
    }

  private:
    fs::path folder_;
    bool mounted_ = false;
};

TEST(PowerFiles, UnderSixteenKiBFreeTheLogEndsAndReadingsGoOn) {
    if (!std::getenv(kInner)) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        const fs::path said = fs::temp_directory_path() /
                              ("power-small-volume-" + std::to_string(::getpid()) + ".txt");
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        // A root user mounts in a namespace of its own; others also need a
        // user namespace for it.
        const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
        ASSERT_EQ(specan_screen::Shell("command -v unshare >/dev/null 2>&1"), 0)
            << "unshare (util-linux) is missing: scripts/install-deps installs it";
        if (specan_screen::Shell(unshare + " true >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "this host allows no mount namespace (" << unshare
                         << " fails), so no small volume can be made";
        const int status =
            specan_screen::Shell(std::string(kInner) + "=1 " + unshare + " '" + self +
                                 "' --gtest_filter=" + name + " >'" + said.string() + "' 2>&1");
        std::ifstream in(said);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        fs::remove(said);
        EXPECT_EQ(status, 0) << text;
        EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
        return;
    }
    PowerRun run("power-small-volume", Scene("none", "K640", 10));
    ASSERT_TRUE(run.ImageOk());
    {
        VolumeOverFolder volume(run.root().path() / "FlashFX Disk");
        ASSERT_TRUE(volume.Mounted()) << std::strerror(errno);
        ASSERT_TRUE(run.Start());
        LogEndsForLackOfRoom(run, [&] {
            ASSERT_TRUE(volume.LeaveFree(8 * 1024)) << std::strerror(errno);
            ASSERT_LT(volume.Free(), CPowerSetupFile::kMinFreeBytes);
            // Room for the file and its first line all the same.
            ASSERT_GT(volume.Free(), 0u);
        });
        run.Finish();
    }
}

// ------------------------------------------------------------ mode key

// MODE stops the sensor and goes to the mode selection; back on the power
// meter the sensor is attached anew and its readings go on.
TEST(PowerModeKey, TheSensorIsAttachedAnewOnReturn) {
    PowerRun run("power-mode-key", Scene("none", "K650", 10));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(19));
    run.Type("130");
    ASSERT_TRUE(Eventually([&] { return run.Screen() == nullptr; }));
    bool stopped = false;
    ASSERT_TRUE(run.OnUi([&] {
        if (CPowerMeterMode* s = CPowerMeterMode::Instance())
            stopped = s->Fields().stopped && s->GetSensorType() == 0;
    }));
    EXPECT_TRUE(stopped);

    plat::clear_played_sounds();
    ASSERT_TRUE(run.ShowPowerMeter());
    ASSERT_TRUE(run.Attached(19));
    EXPECT_TRUE(Eventually([&] { return Played(u"startup.wav"); }));
    run.ReadsWatts(1e-2, "K650");
}

// ------------------------------------------------------------ pixels

// The bar on row 223 of a K610's screenshot: green (102, 255, 56) from x 15
// to 17 + 668 V / 1 W at 27 dBm, V the watts the same frame prints; at 33
// dBm, above the 1 W range, red to its end at 685 with the caption in white.
TEST(PowerPixels, TheBarFollowsTheReadingAndTurnsRedAboveItsRange) {
    ASSERT_EQ(specan_screen::Shell("command -v convert >/dev/null 2>&1"), 0)
        << "ImageMagick is missing: scripts/install-deps installs it";
    PowerRun run("power-pixels", Scene("K610", "none", 27));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.Attached(1));
    const specan_screen::Rgb green{102, 255, 56}, red{255, 0, 0}, white{255, 255, 255};
    constexpr int kRow = 223;
    auto forward = [&] {
        float w = 0;
        run.With([&](CPowerMeterMode& s) { w = s.GetReadout()->GetForwardPower(); });
        return w;
    };
    auto bar_end = [&](const specan_screen::Screen& s, specan_screen::Rgb colour) {
        int end = -1;
        for (int x = 15; x <= 685; ++x)
            if (s.At(x, kRow) == colour) end = x;
        return end;
    };
    // A frame whose reading stayed the same while it was taken.
    const double accuracy = sim::sensor_spec("K610").accuracy_db + 0.05;
    bool seen = false;
    for (int i = 0; i < 20 && !seen; ++i) {
        const float v = forward();
        const fs::path png = run.Shot("bar" + std::to_string(i));
        if (forward() != v || std::fabs(10 * std::log10(v * 1000) - 27) > accuracy) continue;
        const specan_screen::Screen s = specan_screen::ReadPng(png);
        ASSERT_FALSE(s.bytes.empty());
        seen = true;
        EXPECT_EQ(s.At(15, kRow), green);
        EXPECT_NEAR(bar_end(s, green), 17 + int(668 * v), 1) << v;
    }
    EXPECT_TRUE(seen);

    run.SetScene(Scene("K610", "none", 33));
    ASSERT_TRUE(Eventually([&] { return forward() > 1.5f; }));
    const specan_screen::Screen s = specan_screen::ReadPng(run.Shot("red"));
    ASSERT_FALSE(s.bytes.empty());
    EXPECT_EQ(s.At(15, kRow), red);
    EXPECT_EQ(bar_end(s, red), 685);
    int whites = 0;
    for (int y = kRow - 10; y <= kRow + 10; ++y)
        for (int x = 20; x < 680; ++x) whites += s.At(x, y) == white;
    EXPECT_GT(whites, 10) << "the caption on the red bar";
}

}  // namespace

// The program's system services end to end, in this process on the headless
// display with the virtual clock: the board drivers loaded by the device
// manager from a device root laid out by the image builder, the simulated
// board behind them. The board temperature with the fan and its alert box,
// the battery with its indicator and boxes, and the I/O controller's sleep,
// wake and power-off. Screen pictures are read back by ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "platform/gfx/image_file.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/dispatcher.h"
#include "platform/kernel/thread.h"
#include "platform/sound/sound.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"
#include "sim/board_io/board_io.h"
#include "sim/scene.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kF1 = 0x70;
// The board's fan: GPIO 3 on the standard layout, value 15 (on) to "DIO1:"
// on the second; the I/O controller's status word once it answered, and its
// sleep and shut-down acknowledge commands.
constexpr uint32_t kFanGpio3 = 1u << 3;
constexpr uint32_t kDioFanOn = 15;
constexpr uint16_t kControllerAnswered = 257;
constexpr uint8_t kCommandSleep = 5, kCommandShutdownAck = 6;
constexpr uint32_t kIdsBatteryAlarm = 437, kIdsLow = 440, kIdsDischarged = 443;
constexpr uint32_t kIdsTemperatureAlarm = 780, kIdsTemperatureHigh = 781;

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

// What ImageMagick prints for a command (its first line).
std::string Magick(const std::string& args) {
    std::string out;
    if (FILE* p = ::popen(("convert " + args + " 2>&1").c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    return out.substr(0, out.find('\n'));
}

// The number of pixels in which two pictures differ within `r`, as
// ImageMagick counts them.
long DifferingPixels(const fs::path& a, const fs::path& b, const plat::Rect& r) {
    const std::string crop = " -crop " + std::to_string(r.width()) + "x" +
                             std::to_string(r.height()) + "+" + std::to_string(r.left) + "+" +
                             std::to_string(r.top) + " +repage";
    const std::string out = Magick("\\( " + Quote(a) + crop + " \\) \\( " + Quote(b) + crop +
                                   " \\) -compose difference -composite -threshold 0 -format "
                                   "'%[fx:round(mean*w*h)]' info:");
    return std::atol(out.c_str());
}

// A screen that shows the battery and records what the program calls on it;
// the calls that come from the measurement worker are kept under a lock.
class SystemScreen : public RecordingScreen {
  public:
    SystemScreen(int id, std::shared_ptr<Log> log) : RecordingScreen(id, std::move(log)) {}

    bool ShowsBattery() const override { return true; }
    void UpdateStatusIcons(int kind, int level) override {
        battery.push_back({kind, level});
        RecordingScreen::UpdateStatusIcons(kind, level);
    }
    int StopMeasurement() override {
        std::lock_guard lock(m);
        if (plat::current_thread_id() != ui_thread) worker_stops.push_back(plat::now_ms());
        return 0;
    }
    void Redraw(int flag) override {
        CMeasurement* restart = nullptr;
        {
            std::lock_guard lock(m);
            repaints.push_back({flag, plat::now_ms()});
            restart = measurement;
        }
        // As a measuring screen does after its redraw: measure again.
        if (restart) restart->Start(0, 0);
    }

    std::vector<std::pair<int, int>> battery;  // UI thread
    std::mutex m;
    uint32_t ui_thread = plat::current_thread_id();
    std::vector<uint64_t> worker_stops;              // guarded by m
    std::vector<std::pair<int, uint64_t>> repaints;  // guarded by m
    CMeasurement* measurement = nullptr;             // guarded by m
};

// A measurement whose worker passes can be timed: the worker asks for the
// DSP link on each pass that acts on a start.
class TimedMeasurement : public CMeasurement {
  public:
    CDevicePort* GetDspInterface() const override {
        if (plat::current_thread_id() != ui_thread) {
            std::lock_guard lock(m);
            passes.push_back(plat::now_ms());
        }
        return nullptr;
    }
    std::vector<uint64_t> Passes() const {
        std::lock_guard lock(m);
        return passes;
    }
    uint32_t ui_thread = plat::current_thread_id();
    mutable std::mutex m;
    mutable std::vector<uint64_t> passes;  // guarded by m
};

class SystemApp : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(MakeDeviceImage(root.path()), 0);
        // The simulator the platform loads is the one this test links (the
        // same file, one instance), so the test reaches the simulated board.
        const fs::path dll = root.path() / "Windows" / "Simulator.dll";
        fs::remove(dll);
        fs::create_hard_link(BinDir() / "Simulator.so", dll);
        app.initial = app.AddScreen(kScreenA);
        screens[0] = Adopt(app.initial);
        screens[1] = Adopt(app.AddScreen(kScreenB));
    }
    // Replaces a recording screen by a system screen in the application's list.
    SystemScreen* Adopt(RecordingScreen* plain) {
        auto* s = new SystemScreen(plain->GetModeId(), log);
        for (auto*& p : app.screens)
            if (p == plain) p = s;
        if (app.initial == plain) app.initial = s;
        delete plain;
        return s;
    }
    void WriteScene(const sim::Scene& scene) { root.Write("scene.json", sim::scene_json(scene)); }
    void SetRegistryText(const std::string& from, const std::string& to) {
        std::string text = root.Read("registry.factory");
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        root.Write("registry.factory", text);
    }
    // The script line that writes a screen picture into the device root.
    std::string Shot(const std::string& name) const {
        return "shot " + (root.path() / name).string() + "\n";
    }
    // Runs `fn` when F<n> is released on the current screen.
    void Probe(int n, std::function<void()> fn) {
        for (auto* s : screens) s->probes[kF1 + n - 1] = fn;
    }
    static std::shared_ptr<sim::BoardIo> Board() { return sim::current_board_io(); }
    // Probes wait for what other threads do in one of two ways, both of
    // which hold the script until the probe returns:
    // BusyUntil runs the program's messages without ever looking idle, so no
    // time passes (for the alert thread, which needs no time but may ask
    // this thread to handle a message); SleepUntil sleeps on the platform
    // clock, so time moves on (for the drivers' and clients' timed work).
    static constexpr auto kGiveUp = std::chrono::seconds(60);
    static void BusyUntil(const std::function<bool()>& done) {
        const auto start = std::chrono::steady_clock::now();
        const uintptr_t busy = plat::set_timer(nullptr, 0, 0);
        plat::run_modal_loop(
            [&] { return done() || std::chrono::steady_clock::now() - start > kGiveUp; });
        plat::kill_timer(nullptr, busy);
    }
    static bool SleepUntil(const std::function<bool()>& done) {
        constexpr uint32_t kStepMs = 50;
        const auto start = std::chrono::steady_clock::now();
        while (!done() && std::chrono::steady_clock::now() - start < kGiveUp)
            plat::sleep_ms(kStepMs);
        return done();
    }
    // Until the alert thread has shown its `count`th box and sleeps (its
    // box painted, the box's end timer set).
    void AwaitAlerts(uint32_t count) {
        BusyUntil([&] { return app.GetAlertThread()->GetShown().count >= count; });
        ASSERT_GE(app.GetAlertThread()->GetShown().count, count);
        AwaitAlertThreadAsleep();
    }
    // Until the alert thread has done all it was given and sleeps.
    void AwaitAlertThreadAsleep() {
        const uint32_t tid = app.GetAlertThread()->thread_id();
        const plat::Event idle = plat::request_idle_signal(tid);
        BusyUntil([&] { return idle.is_set() && plat::detail::thread_is_asleep(tid); });
    }
    // The screen with the `count`th box painted, written into the device root.
    void ShotWithBox(uint32_t count, const std::string& name) {
        AwaitAlerts(count);
        ASSERT_TRUE(plat::write_png_file(root.path() / name, plat::screen_snapshot()));
    }
    static int CountWindows(std::u16string_view title) {
        int n = 0;
        for (plat::Window* w : plat::top_level_windows())
            if (plat::is_window(w) && w->text() == title) ++n;
        return n;
    }
    static void Panel(const std::function<void(sim::Panel&)>& f) {
        Board()->microcontroller().with_panel([&](sim::Panel& p) { f(p); });
    }

    void RunTemperature(bool second_layout);

    static constexpr int kScreenA = 1, kScreenB = 2;
    DeviceRoot root{"celvane-system"};
    std::shared_ptr<Log> log = std::make_shared<Log>();
    TestApp app{log};
    SystemScreen* screens[2] = {};
};

// The fan follows the board temperature through the board I/O driver; over
// the limit one alert box shows until its time-out, and the over-temperature
// count grows by one. Both board layouts: the fan on GPIO 3, or on "DIO1:".
void SystemApp::RunTemperature(bool second_layout) {
    if (second_layout) SetRegistryText("\"Name\"=sz:\"TARNWICK\"", "\"Name\"=sz:\"KORVELB\"");
    sim::Scene scene;
    scene.board.temperature_c = 42;
    WriteScene(scene);
    auto fan_on = [&] {
        if (!second_layout) return Board()->gpio_level(kFanGpio3);
        return Board()->microcontroller().with_panel(
            [](sim::Panel& p) { return p.dio_output == kDioFanOn; });
    };
    uint32_t over_temps = 0;
    CSystemAlertHandler2::Shown shown;
    Probe(1, [&] {
        // The driver's monitor reads the temperature a few seconds after start.
        ASSERT_TRUE(SleepUntil([&] { return app.TemperatureQuery1(0) != 0; }));
        EXPECT_FALSE(fan_on()) << "42 °C";
        EXPECT_NEAR(app.TemperatureQuery1(0), 42, 1);
        EXPECT_NEAR(app.TemperatureQuery2(0), 42 * 1.8 + 32, 1.8);
        Panel([](sim::Panel& p) { p.temperature_c = 44; });
    });
    Probe(2, [&] {
        EXPECT_TRUE(SleepUntil(fan_on)) << "44 °C";
        Panel([](sim::Panel& p) { p.temperature_c = 39; });
    });
    Probe(3, [&] {
        EXPECT_TRUE(SleepUntil([&] { return !fan_on(); })) << "39 °C";
        over_temps = app.GetSettings()->OverTemps;
        app.GetSettings()->AlertTimeout = 2500;  // whole seconds count: 2 s
        EXPECT_EQ(app.GetAlertThread()->GetShown().count, 0u);
        Panel([](sim::Panel& p) { p.temperature_c = 51; });
        app.UpdateFanState();  // as the next second's services do
        ShotWithBox(1, "box.png");
    });
    Probe(4, [&] {
        shown = app.GetAlertThread()->GetShown();
        EXPECT_FALSE(app.GetAlertThread()->IsShowing());
        EXPECT_EQ(app.GetSettings()->OverTemps, over_temps + 1);
    });
    const std::string script = "wait 12000\nkey F1\nwait 5000\nkey F2\nwait 5000\n" +
                               Shot("before.png") + "key F3\nwait 3000\n" + Shot("after.png") +
                               "wait 30000\nkey F4\nquit\n";
    ASSERT_EQ(RunScript(app, root, script), 0);
    EXPECT_EQ(shown.count, 1u) << "one box while the temperature stays high";
    EXPECT_EQ(shown.caption, kIdsTemperatureAlarm);
    EXPECT_EQ(shown.message, kIdsTemperatureHigh);
    EXPECT_GE(shown.closed_ms - shown.shown_ms, 2000u) << "AlertTimeout 2500 ms";
    EXPECT_LT(shown.closed_ms - shown.shown_ms, 2500u) << "AlertTimeout 2500 ms";
    ASSERT_GT(shown.rect.width(), 100);
    const fs::path p = root.path();
    EXPECT_GT(DifferingPixels(p / "before.png", p / "box.png", shown.rect),
              shown.rect.width() * shown.rect.height() / 2)
        << "the box covers its place";
    EXPECT_EQ(DifferingPixels(p / "before.png", p / "after.png", shown.rect), 0)
        << "the screen is whole again";
}

TEST_F(SystemApp, TheFanFollowsTheTemperatureAndOneBoxShowsOverTheLimit) {
    RunTemperature(false);
}

TEST_F(SystemApp, TheFanOfTheSecondLayoutIsADigitalOutput) {
    RunTemperature(true);
}

TEST_F(SystemApp, TheBatteryIndicatorAndItsBoxesFollowTheCharge) {
    sim::Scene scene;
    scene.battery.charge_percent = 12;
    scene.battery.charge_rate_percent_per_min = -1;
    WriteScene(scene);
    using Kind = std::pair<int, int>;
    plat::Rect box;
    Probe(1, [&] {
        // Whole percents, rounded down: 11 % once the charge moved.
        app.CheckBatteryStatus();  // as each second's services do
        EXPECT_EQ(screens[0]->battery.back().first, 2);
        EXPECT_GE(screens[0]->battery.back().second, 11);
        EXPECT_EQ(app.GetAlertThread()->GetShown().count, 0u);
        // The seconds pass here, each with the battery check, until the
        // charge is low; its alarm's box then shows.
        const bool low = SleepUntil([&] {
            plat::sleep_ms(1000);
            app.CheckBatteryStatus();
            return screens[0]->battery.back().first == 3;
        });
        ASSERT_TRUE(low);
        AwaitAlerts(1);
        EXPECT_EQ(screens[0]->battery.back(), (Kind{3, 10})) << "low at 10 %";
    });
    Probe(2, [&] {
        const auto shown = app.GetAlertThread()->GetShown();
        EXPECT_EQ(shown.count, 1u) << "one box while the alarm stands";
        EXPECT_EQ(shown.caption, kIdsBatteryAlarm);
        EXPECT_EQ(shown.message, kIdsLow) << "the battery's own status text";
        EXPECT_FALSE(app.GetAlertThread()->IsShowing());
        app.SwitchToMode(screens[1]);
        app.CheckBatteryStatus();  // as the next second's services do
        ShotWithBox(2, "battery.png");
    });
    Probe(3, [&] {
        const auto shown = app.GetAlertThread()->GetShown();
        EXPECT_EQ(shown.count, 2u) << "again after a screen switch";
        EXPECT_EQ(shown.message, kIdsLow);
        box = shown.rect;
    });
    Probe(4, [&] {
        EXPECT_EQ(app.GetAlertThread()->GetShown().count, 2u);
        app.SwitchToMode(screens[0]);
        app.CheckBatteryStatus();
        AwaitAlerts(3);
    });
    Probe(5, [&] {
        const auto shown = app.GetAlertThread()->GetShown();
        EXPECT_EQ(shown.count, 3u);
        EXPECT_EQ(shown.message, kIdsDischarged) << "at 2 % and below";
        EXPECT_EQ(screens[0]->battery.back().first, 3);
        const uint64_t now = plat::now_ms();
        Panel([now](sim::Panel& p) {
            p.external_power = true;
            p.charge = 98;
            p.charge_rate = 1;
            p.charge_at_ms = now;
        });
    });
    Probe(6, [&] { EXPECT_EQ(screens[0]->battery.back(), (Kind{4, 98})); });
    Probe(7, [&] {
        EXPECT_EQ(screens[0]->battery.back(), (Kind{1, 100})) << "full";
        EXPECT_EQ(app.GetAlertThread()->GetShown().count, 3u);
    });
    // 12 % at the first reading, 1 % a minute, read in whole percents rounded
    // down: 10 % from the first minute on, 2 % from the ninth.
    const std::string script =
        "wait 1500\n" + Shot("start.png") +
        "key F1\nwait 10000\nkey F2\nwait 8000\nkey F3\nwait 480000\nkey F4\nwait "
        "8000\nkey F5\nwait 1500\nkey F6\n"
        "wait 130000\nkey F7\nquit\n";
    ASSERT_EQ(RunScript(app, root, script), 0);
    ASSERT_GT(box.width(), 100);
    EXPECT_GT(DifferingPixels(root.path() / "start.png", root.path() / "battery.png", box),
              box.width() * box.height() / 2)
        << "the second box shows";
}

// Each kind of system alarm as its table says, raised through the
// dispatcher as the program's services raise them. The alarms reach the
// alert thread in order, so a box after a kind that shows none proves that
// kind was handled.
TEST_F(SystemApp, EachAlarmKindShowsPlaysOrNothingAsItsTableSays) {
    auto post = [&](uint32_t kind) {
        app.GetDispatcher()->Post(new CAppEvent(kEventMaskSystemAlarm, kind));
    };
    auto shown = [&] { return app.GetAlertThread()->GetShown(); };
    uint32_t volts = 0;
    Probe(1, [&] {
        app.GetSettings()->AlertTimeout = 1000;
        volts = app.GetSettings()->OverVolts;
        post(kAlarmDspStatus);
        AwaitAlerts(1);
        EXPECT_EQ(shown().caption, 782u);
        EXPECT_EQ(shown().message, 783u);
    });
    Probe(2, [&] {
        EXPECT_EQ(app.GetSettings()->OverVolts, volts + 1);
        EXPECT_FALSE(app.GetAlertThread()->IsShowing()) << "closed after its second";
        plat::clear_played_sounds();
        post(kAlarmMemory);
        post(kAlarmCriticalBattery);
        post(kAlarmHighTemperature);
        AwaitAlerts(2);
        EXPECT_EQ(shown().count, 2u) << "neither the memory nor the critical alarm shows a box";
        EXPECT_EQ(shown().caption, kIdsTemperatureAlarm);
        const auto sounds = plat::played_sounds();
        ASSERT_EQ(sounds.size(), 1u);
        EXPECT_EQ(sounds[0].source, u"\\Windows\\criticl.wav");
        EXPECT_TRUE(sounds[0].wait) << "played to its end";
    });
    Probe(3, [&] {
        app.GetSettings()->AlertTimeout = 60000;
        post(kAlarmBatteryStatus);
        AwaitAlerts(3);
        EXPECT_EQ(shown().caption, kIdsBatteryAlarm);
        EXPECT_EQ(shown().message, kIdsBatteryUnknown) << "80 % on battery: no status bit";
    });
    Probe(4, [&] {
        const auto s = shown();
        EXPECT_NE(s.closed_ms, 0u);
        EXPECT_LT(s.closed_ms - s.shown_ms, 60000u) << "closed at the next idle moment";
        // A second alarm while a box shows closes the first.
        post(kAlarmDspStatus);
        AwaitAlerts(4);
        post(kAlarmHighTemperature);
        AwaitAlerts(5);
        EXPECT_EQ(shown().caption, kIdsTemperatureAlarm);
        EXPECT_TRUE(app.GetAlertThread()->IsShowing());
        EXPECT_EQ(CountWindows(LoadResString(782)), 0) << "the first box went";
        EXPECT_EQ(CountWindows(LoadResString(kIdsTemperatureAlarm)), 1);
    });
    Probe(5, [&] {
        // The battery's own alarm (the one a low charge raises) shows the
        // battery's alarm box with what the battery says of itself, as the
        // charge test checks text by text.
        post(kAlarmBattery);
        AwaitAlerts(6);
        EXPECT_EQ(shown().caption, kIdsBatteryAlarm);
    });
    const std::string script =
        "wait 1500\nkey F1\nwait 2500\nkey F2\nwait 2500\nkey F3\nwait 1500\nkey F4\n"
        "wait 1500\nkey F5\nquit\n";
    ASSERT_EQ(RunScript(app, root, script), 0);
    EXPECT_EQ(CountWindows(LoadResString(kIdsTemperatureAlarm)), 0)
        << "the boxes went with the thread";
}

TEST_F(SystemApp, WithoutTheBatteryDeviceTheIndicatorSaysExternalPowerUnknown) {
    // The battery driver's library is not in the image: no "BAT1:".
    SetRegistryText("\"Dll\"=sz:\"Simulator.dll\"\n\"Prefix\"=sz:\"BAT\"",
                    "\"Dll\"=sz:\"NoBattery.dll\"\n\"Prefix\"=sz:\"BAT\"");
    Probe(1, [&] {
        app.CheckBatteryStatus();  // as each second's services do
        EXPECT_EQ(screens[0]->battery, (std::vector<std::pair<int, int>>{{4, 255}}));
    });
    ASSERT_EQ(RunScript(app, root, "wait 1500\nkey F1\nquit\n"), 0);
}

// The display answers the contrast escape, so the contrast keys reach the
// display's supply through the board's I/O controller.
TEST_F(SystemApp, TheContrastReachesTheDisplaySupply) {
    auto vee = [] {
        return Board()->microcontroller().with_panel(
            [](sim::Panel& p) { return p.vee_pwm.empty() ? -1 : int(p.vee_pwm.back()); });
    };
    Probe(1, [&] {
        app.ContrastUp(200);
        EXPECT_EQ(app.GetSettings()->Contrast, 100u) << "at most 100";
        EXPECT_EQ(vee(), 100);
        app.ContrastDown(30);
        EXPECT_EQ(vee(), 70);
    });
    ASSERT_EQ(RunScript(app, root, "wait 1500\nkey F1\nquit\n"), 0);
}

// The I/O controller's client connects; sleep stops the screen's measurement
// through the worker, wake redraws the screen and the worker pauses 3 s before
// it measures again; power-off ends the program as the user would.
TEST_F(SystemApp, SleepWakeAndPowerOffReachTheScreenAndTheProgram) {
    std::shared_ptr<sim::BoardIo> board;
    TimedMeasurement* measurement = nullptr;
    uint64_t slept_at = 0;
    Probe(1, [&] {
        board = Board();
        CSpiClient* client = app.GetSpiClient();
        ASSERT_NE(client, nullptr);
        EXPECT_TRUE(SleepUntil([&] { return client->ConnectState() == 2; })) << "connected";
        EXPECT_EQ(client->GetStatusWord(), kControllerAnswered);
        uint16_t word = 7;
        EXPECT_TRUE(app.GetSpiWord(&word));
        EXPECT_EQ(word, 0);
        measurement = new TimedMeasurement;
        measurement->Init(screens[0]);
        {
            std::lock_guard lock(screens[0]->m);
            screens[0]->measurement = measurement;
        }
        measurement->StartWorker();
        slept_at = plat::now_ms();
    });
    Probe(2, [&] {
        EXPECT_TRUE(SleepUntil([&] {
            std::lock_guard lock(screens[0]->m);
            return !screens[0]->worker_stops.empty();
        }));
        EXPECT_TRUE(board->microcontroller().asleep());
        const auto commands = board->microcontroller().commands();
        EXPECT_NE(std::find(commands.begin(), commands.end(), kCommandSleep), commands.end());
        std::lock_guard lock(screens[0]->m);
        ASSERT_EQ(screens[0]->worker_stops.size(), 1u) << "the worker stopped the measurement";
        EXPECT_GE(screens[0]->worker_stops[0], slept_at);
        EXPECT_TRUE(screens[0]->repaints.empty());
    });
    Probe(3, [&] {
        EXPECT_FALSE(board->microcontroller().asleep()) << "reconfigured";
        // The worker's passes after the wake: the first at once, then a 3 s
        // pause before the next.
        uint64_t woke_at = 0;
        std::vector<uint64_t> after;
        auto passes_after_wake = [&] {
            {
                std::lock_guard lock(screens[0]->m);
                if (screens[0]->repaints.empty()) return false;
                woke_at = screens[0]->repaints[0].second;
            }
            after.clear();
            for (uint64_t t : measurement->Passes())
                if (t >= woke_at) after.push_back(t);
            return after.size() >= 2;
        };
        const bool resumed = SleepUntil(passes_after_wake);
        {
            std::lock_guard lock(screens[0]->m);
            screens[0]->measurement = nullptr;
            EXPECT_EQ(screens[0]->repaints.size(), 1u);
            if (!screens[0]->repaints.empty()) {
                EXPECT_EQ(screens[0]->repaints[0].first, 1);
            }
        }
        if (!resumed) delete measurement;
        ASSERT_TRUE(resumed);
        EXPECT_LT(after[0], woke_at + 100);
        EXPECT_GE(after[1] - after[0], 3000u);
        delete measurement;
    });
    const std::string script =
        "wait 4000\nkey F1\nwait 2000\npower sleep\nwait 2000\nkey F2\npower wake\n"
        "wait 10000\nkey F3\npower off\nwait 5000\n";
    EXPECT_EQ(RunScript(app, root, script), 0);
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), std::to_string(kScreenA));
    ASSERT_TRUE(board);
    EXPECT_EQ(board->microcontroller().commands().back(), kCommandShutdownAck);
    EXPECT_TRUE(log->has("screen1 OnClose")) << "the program closed";
}

}  // namespace

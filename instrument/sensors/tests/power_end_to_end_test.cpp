// The power measurement end to end: the sensor ports on the simulated
// sensors' pseudo-terminals, the real sensor thread and a recording power
// screen.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <vector>

#include "instrument/power_measurement.h"
#include "instrument/sensor_ports.h"
#include "instrument/sensors/power_sensor_models.h"
#include "instrument/tests/wait_for.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/clock.h"
#include "sim/sensors/peripherals.h"

namespace {

using instrument_test::WaitFor;
namespace sp = sensor_protocol;

class RecordingPowerScreen : public IPowerScreen {
  public:
    RecordingPowerScreen() { SetCurrent(this); }
    ~RecordingPowerScreen() override { SetCurrent(nullptr); }
    PowerScreenFields& Fields() override { return fields_; }
    void UpdateReadout(CPowerMeasurement&) override { ++updates_; }
    void SensorLost(CPowerMeasurement&) override { ++lost_; }
    int Lost() const { return lost_.load(); }
    void SetStatusText(const std::string& text) override {
        std::lock_guard lock(mutex_);
        status_ = text;
    }
    void PostNotice(Notice notice) override {
        std::lock_guard lock(mutex_);
        notices_.push_back(notice);
    }
    std::string Status() const {
        std::lock_guard lock(mutex_);
        return status_;
    }
    size_t Count(Notice n) const {
        std::lock_guard lock(mutex_);
        return size_t(std::count(notices_.begin(), notices_.end(), n));
    }

  private:
    PowerScreenFields fields_;
    std::atomic<int> updates_{0};
    std::atomic<int> lost_{0};
    mutable std::mutex mutex_;
    std::string status_;
    std::vector<Notice> notices_;
};

constexpr double kStepTo = 5.0;
constexpr int kReadingWaitMs = 30000;

double Dbm(float watts) {
    return CPowerSensor::WattsToDbm(watts);
}

// The sensor world and one port with its power measurement.
class PowerRig {
  public:
    PowerRig(const std::string& com1, const std::string& usb, bool serial,
             bool ignores_zero = false,
             const std::function<void(RecordingPowerScreen&)>& before_start = {})
        : world_(MakeScene(com1, usb, ignores_zero), root_.path()) {
        if (before_start) before_start(screen_);
        if (serial)
            port_ = std::make_unique<CSerialPort>(1);
        else
            port_ = std::make_unique<CUsbMeterPort>();
        port_->Start();
        measurement_ = std::make_unique<CExtPowerMeasurement>(
            port_.get(), serial ? CExtPowerMeasurement::kSerial : CExtPowerMeasurement::kUsb);
        measurement_->Init(nullptr);
        measurement_->Start(0, 0);
    }
    ~PowerRig() {
        measurement_->EndThread();
        port_->Stop();
    }
    static sim::Scene MakeScene(const std::string& com1, const std::string& usb, bool ignores) {
        sim::Scene s;
        s.peripherals.com1 = com1;
        s.peripherals.usb = usb;
        s.peripherals.sensor.level_dbm = 10;
        s.peripherals.sensor.ignores_zero = ignores;
        return s;
    }
    // The next reading's main power in dBm (waits for a new one).
    double NextMain() {
        const uint32_t n = measurement_->GetReadingCount();
        EXPECT_TRUE(WaitFor([&] { return measurement_->GetReadingCount() > n; }, kReadingWaitMs));
        PowerReading r;
        measurement_->GetLatestReading(r);
        return Dbm(r[sp::key::kForward]);
    }

    celvane_test::TempRoot root_{"power"};
    RecordingPowerScreen screen_;
    sim::PeripheralWorld world_;
    std::unique_ptr<CDevicePort> port_;
    std::unique_ptr<CExtPowerMeasurement> measurement_;
};

struct Form {
    const char* name;
    const char* com1;
    const char* usb;
    bool serial;
    const char* model;
    int32_t code;
    bool zeroes;  // the model has a zero command
};

void PrintTo(const Form& form, std::ostream* os) {
    *os << form.name;
}

class PowerEndToEnd : public ::testing::TestWithParam<Form> {};

TEST_P(PowerEndToEnd, ReadsTheSceneLevelFollowsAStepAndZeroes) {
    const Form f = GetParam();
    PowerRig rig(f.com1, f.usb, f.serial);
    const double accuracy = sim::sensor_spec(f.model).accuracy_db;
    // Identified and reading.
    EXPECT_NEAR(rig.NextMain(), 10.0, accuracy);
    CPowerSensor* sensor = rig.measurement_->GetSensor();
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(sensor->GetModelCode(), f.code);
    EXPECT_GE(rig.screen_.Count(IPowerScreen::Notice::kReading), 1u);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(rig.NextMain(), 10.0, accuracy);
    PowerReading r;
    rig.measurement_->GetLatestReading(r);
    // The scene's load has a return loss of 20 dB: the reflected power is a
    // hundredth of the forward power.
    if (f.code != sp::kK615) {
        EXPECT_NEAR(r[sp::key::kReflected] / r[sp::key::kForward], 0.01, 1e-3);
    }
    if (auto* c = dynamic_cast<CPowerSensorC*>(sensor)) {
        EXPECT_EQ(c->IsSerialFraming(), f.serial);  // the serial form says "rs232" first
        EXPECT_EQ(r[0], 64001.0f);                  // value 0: the source word from the G reply
        EXPECT_NEAR(r[sp::key::kTemperature], 25.0f, 1e-4);
        // Crest 1.76 dB: value 8 is the linear peak-to-average ratio, the
        // peak that far above the forward power; value 6 the filter of the G.
        EXPECT_NEAR(r[sp::key::kCrest], std::pow(10.0, 0.176), 1e-4);
        EXPECT_NEAR(r[sp::key::kPeak] / r[sp::key::kForward], std::pow(10.0, 0.176), 1e-3);
        EXPECT_EQ(r[sp::key::kFilter], 10000.0f);
    } else {
        // The K610s' temperature word counts hundredths of a kelvin; the
        // K615's 16000 is 29.94 degrees.
        EXPECT_NEAR(r[sp::key::kTemperature], f.code == sp::kK615 ? 29.94f : 25.0f, 0.01f);
    }
    if (f.code == sp::kK610M) {
        // The probe byte reports the letter of the last mode command.
        sensor->SendMode('P');
        EXPECT_TRUE(WaitFor([&] { return rig.screen_.Fields().probe_letter.load() == 'P'; },
                            kReadingWaitMs));
    }

    // A step of 5 dB settles through values between, never overshooting.
    rig.world_.Signal().set_level(kStepTo);
    std::vector<double> seen;
    for (int i = 0; i < 60; ++i) {
        seen.push_back(rig.NextMain());
        if (std::fabs(seen.back() - kStepTo) <= accuracy) break;
    }
    ASSERT_LE(std::fabs(seen.back() - kStepTo), accuracy) << "did not settle";
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](double v) {
        return v > kStepTo + accuracy && v < 10 - accuracy;
    })) << "the step did not settle gradually";
    for (double v : seen) EXPECT_GT(v, kStepTo - accuracy);

    if (!f.zeroes) return;
    // Zeroing.
    PowerScreenFields& fields = rig.screen_.Fields();
    fields.zero_request = true;
    fields.zeroing = true;
    ASSERT_TRUE(WaitFor([&] { return !fields.zero_request.load(); }, 20000));
    // The answer ends the request; ending the zeroing is the screen's.
    EXPECT_TRUE(fields.zeroing.load());
    EXPECT_EQ(fields.zero_done.load(), f.code == sp::kK615);
    EXPECT_EQ(rig.screen_.Status(), "");
    EXPECT_NEAR(rig.NextMain(), kStepTo, accuracy);  // readings go on
    EXPECT_EQ(rig.screen_.Count(IPowerScreen::Notice::kZeroingResult), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PowerEndToEnd,
    ::testing::Values(Form{"UsbK640", "none", "K640", false, "K640", sp::kK640, true},
                      Form{"SerialK670", "K670", "none", true, "K670", sp::kK670, true},
                      Form{"SerialK610", "K610", "none", true, "K610", sp::kK610, false},
                      Form{"SerialK610M", "K610M", "none", true, "K610M", sp::kK610M, false},
                      Form{"SerialK615", "K615", "none", true, "K615", sp::kK615, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Replies that complete while the sensor thread reads are read with the
// ones before them, so their wake-ups find the ring empty. Such a wake-up
// brings nothing: the streaming sensor stays attached and reads on.
TEST(PowerWakeUps, AWakeUpWithTheReplyAlreadyReadKeepsTheSensor) {
    plat::VirtualClock clock(true);
    PowerRig rig("none", "K640", false);
    rig.NextMain();
    ASSERT_NE(rig.measurement_->GetSensor(), nullptr);
    plat::Event reply = rig.port_->GetReplyEvent();
    for (int i = 0; i < 20; ++i) {
        // Between two readings, whose wake-ups empty the ring.
        rig.NextMain();
        reply.set();
    }
    rig.NextMain();
    EXPECT_EQ(rig.screen_.Lost(), 0);
    EXPECT_NE(rig.measurement_->GetSensor(), nullptr);
}

TEST(PowerZeroing, ASensorIgnoringZeroTimesOut) {
    plat::VirtualClock clock(true);
    PowerRig rig("none", "K640", false, /*ignores_zero=*/true);
    ASSERT_TRUE(WaitFor([&] { return rig.measurement_->GetSensor() != nullptr; }, 20000));
    PowerScreenFields& fields = rig.screen_.Fields();
    fields.zero_request = true;
    fields.zeroing = true;
    ASSERT_TRUE(WaitFor([&] { return !fields.zeroing.load(); }, 20000));
    EXPECT_TRUE(WaitFor([&] { return rig.screen_.Status() == "Zero operation timed out"; }, 20000));
    EXPECT_FALSE(fields.zero_done.load());
    EXPECT_GE(rig.screen_.Count(IPowerScreen::Notice::kZeroingResult), 1u);
}

// The K630 family's limits scale with its full scale of 150 W: 40 dBm reads
// 40 dBm, 54 dBm stops at 225 W (53.5 dBm).
TEST(PowerLimits, AK640ReadsUpToOneAndAHalfTimesItsFullScale) {
    PowerRig rig("none", "K640", false);
    const double accuracy = sim::sensor_spec("K640").accuracy_db;
    for (auto [level, reads] : {std::pair{40.0, 40.0}, std::pair{54.0, 10 * std::log10(225e3)}}) {
        SCOPED_TRACE(level);
        rig.world_.Signal().set_level(level);
        double v = 0;
        for (int i = 0; i < 60 && std::fabs(v - reads) > accuracy; ++i) v = rig.NextMain();
        EXPECT_NEAR(v, reads, accuracy);
    }
}

// Edits of the scene file's peripherals reach the running world: the level,
// then unplugging and plugging another model.
TEST(PowerScene, TheWorldFollowsEditsOfTheSceneFile) {
    PowerRig rig("none", "K640", false);
    rig.NextMain();
    sim::Scene scene = PowerRig::MakeScene("none", "K640", false);
    auto write = [&] {
        std::ofstream(sim::scene_path(rig.root_.path())) << sim::scene_json(scene);
    };
    scene.peripherals.sensor.level_dbm = 0;
    write();
    double v = 10;
    for (int i = 0; i < 60 && std::fabs(v) > 0.2; ++i) v = rig.NextMain();
    EXPECT_NEAR(v, 0.0, sim::sensor_spec("K640").accuracy_db);
    scene.peripherals.usb = "none";
    write();
    ASSERT_TRUE(WaitFor([&] { return !rig.port_->IsOpen(); }, 20000));
    scene.peripherals.usb = "K660";
    write();
    ASSERT_TRUE(WaitFor(
        [&] {
            auto* s = rig.measurement_->GetSensor();
            return s && s->GetModelCode() == sp::kK660;
        },
        20000));
}

// A measurement whose screen registers five seconds after its thread
// started, or whose screen is stopped then, finds its sensor once the screen
// is there and running.
TEST(PowerLateScreen, TheSensorIsFoundOnceTheScreenIsThere) {
    for (bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "absent");
        plat::VirtualClock clock(true);
        PowerRig rig("none", "K640", false, false, [&](RecordingPowerScreen& s) {
            if (stopped)
                s.Fields().stopped = true;
            else
                IPowerScreen::SetCurrent(nullptr);
        });
        plat::sleep_ms(5000);
        EXPECT_EQ(rig.measurement_->GetSensor(), nullptr);
        if (stopped)
            rig.screen_.Fields().stopped = false;
        else
            IPowerScreen::SetCurrent(&rig.screen_);
        EXPECT_TRUE(
            WaitFor([&] { return rig.measurement_->GetSensor() != nullptr; }, kReadingWaitMs));
    }
}

TEST(PowerUsbPlug, AnUnpluggedSensorIsFoundAgainAfterReplugging) {
    PowerRig rig("none", "K640", false);
    rig.NextMain();
    rig.world_.SetUsb("none");
    ASSERT_TRUE(WaitFor([&] { return !rig.port_->IsOpen(); }, 5000));
    rig.world_.SetUsb("K650");
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return rig.port_->IsOpen(); }, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    // The new sensor is identified and read.
    ASSERT_TRUE(WaitFor(
        [&] {
            auto* s = rig.measurement_->GetSensor();
            return s && s->GetModelCode() == sp::kK650;
        },
        20000));
    EXPECT_NEAR(rig.NextMain(), 10.0, sim::sensor_spec("K650").accuracy_db);
}

// A serial sensor pulled out is lost; plugged in again it is identified and
// read anew, whatever framing its own readings used (fixed-length replies for
// the K610 and K610M, text lines for the K670).
class PowerSerialPlug : public ::testing::TestWithParam<const char*> {};

TEST_P(PowerSerialPlug, ASensorPluggedInAgainIsFoundAgain) {
    const std::string model = GetParam();
    PowerRig rig(model, "none", true);
    rig.NextMain();
    auto* first = rig.measurement_->GetSensor();
    ASSERT_NE(first, nullptr);
    const int32_t code = first->GetModelCode();
    rig.world_.SetCom1("none");
    ASSERT_TRUE(WaitFor([&] { return rig.screen_.Lost() > 0; }, kReadingWaitMs));
    rig.world_.SetCom1(model);
    ASSERT_TRUE(WaitFor(
        [&] {
            auto* s = rig.measurement_->GetSensor();
            return s && s->GetModelCode() == code;
        },
        kReadingWaitMs));
    EXPECT_NEAR(rig.NextMain(), 10.0, sim::sensor_spec(model).accuracy_db);
}

INSTANTIATE_TEST_SUITE_P(Models, PowerSerialPlug, ::testing::Values("K610", "K610M", "K670"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace

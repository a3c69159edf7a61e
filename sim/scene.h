#pragma once
// The simulated world that the acquisition board measures: signals on the
// spectrum analyzer input, a device under test on the network-analyzer port,
// the board's raw error terms and its identity. Read from a JSON file.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sim {

enum class Modulation { None, Am, Fm };

// One signal at the analyzer input. A bandwidth of 0 is a continuous carrier;
// otherwise the power is spread evenly over the bandwidth (a modulated channel).
// A carrier may carry a tone in AM or FM, which the demodulator recovers.
struct Signal {
    double frequency_hz = 0;
    double level_dbm = 0;
    double bandwidth_hz = 0;
    Modulation modulation = Modulation::None;
    double tone_hz = 1000;
    double am_depth = 0.5;  // 0..1
    double fm_deviation_hz = 5000;
    // Seconds after the board started (platform clock) from which on the
    // signal is switched off at its source: sweeps that start later leave it
    // out. 0 keeps it on.
    double off_after_s = 0;
    // The name of a platform event (manual reset) that switches the signal
    // off at its source once it is set: sweeps that start later leave it out.
    // Whoever runs the scene in the board's process sets it at the moment of
    // its choosing; "" switches nothing.
    std::string off_event = {};
};

// A burst seen in zero span: on for `on_ms` out of every `period_ms`.
struct Burst {
    double period_ms = 10;
    double on_ms = 4;
    double level_dbm = -30;
};

struct Receiver {
    double noise_figure_db = 24;         // without the preamplifier
    double preamp_noise_figure_db = 12;  // with the preamplifier on
    double sweep_factor = 2.5;           // sweep time = factor * span / RBW^2
    double min_sweep_ms = 20;
    double max_sweep_ms = 20000;  // narrow RBW over wide spans sweeps by FFT
    bool noise_variation = true;  // random noise around its mean
    std::uint32_t seed = 1;
};

struct Fault {
    double distance_m = 0;
    double return_loss_db = 30;
};

// A return-loss point of the antenna that terminates the cable.
struct CurvePoint {
    double frequency_hz = 0;
    double return_loss_db = 0;
};

enum class Termination { Antenna, Open, Short, Load };

struct Cable {
    double length_m = 30;
    double velocity_factor = 0.85;
    double loss_db_per_m = 0.05;  // at 1 GHz, grows with the square root of frequency
    double impedance_ohm = 50;
};

struct DeviceUnderTest {
    Cable cable;
    std::vector<Fault> faults = {{12.0, 26.0}};  // a connector fault
    Termination termination = Termination::Antenna;
    std::vector<CurvePoint> antenna = {
        // sorted by frequency
        {700e6, 6.0},   {800e6, 12.0}, {900e6, 18.0}, {950e6, 22.0}, {1000e6, 17.0},
        {1100e6, 11.0}, {1300e6, 7.0}, {2000e6, 4.0}, {6000e6, 2.0},
    };
    double load_return_loss_db = 30;  // the termination when it is a load
    double gain_db = 20;              // two-port gain (amplifier)
    double bias_current_a = 0.12;     // DC-bias current drawn
};

// Reflection of the calibration standards as the board sees them.
struct Standards {
    double open_return_loss_db = 0;    // |gamma| of the open
    double short_return_loss_db = 0;   // |gamma| of the short
    double load_return_loss_db = 200;  // effectively ideal
};

// Raw error terms of the uncorrected reflectometer.
struct ErrorTerms {
    double directivity_db = 25;            // |ED| = 10^(-x/20)
    double source_match_db = 18;           // |ES|
    double reflection_tracking_db = -1.5;  // |ER| in dB
    double tracking_delay_ns = 2.0;        // phase slope of ER and ET
    double transmission_tracking_db = -2;
    double isolation_db = 80;  // |EX|
};

// Replies the board leaves out: of `message` (a command or message id), the
// next `replies` replies, or every one when `replies` is 0.
struct Unanswered {
    std::uint32_t message = 0;
    std::uint32_t replies = 0;
};

struct BoardIdentity {
    bool option_bit = true;
    std::array<std::uint16_t, 4> version = {0x0001, 0x0004, 0x0002, 0x0007};
    std::string dsp_date = "060524";
    std::string fpga_date = "060512";
    std::string serial = "SIM00001";
    // A file in the device root to which the board appends every command
    // packet it receives, one line each ("CCCC: payload bytes" in hex); ""
    // records nothing.
    std::string command_log;
    double temperature_c = 38;
    // At this temperature the board's supervisor raises its alarm; it clears
    // the alarm 3 °C below.
    double temperature_limit_c = 50;
    double supply_v = 12.1;     // above the board's rated maximum it reports an alarm
    std::uint32_t light = 400;  // the light sensor's reading (0 dark .. 1023)
    std::vector<Unanswered> unanswered;
    // How long a distance-to-fault sweep takes, in milliseconds; 0 takes
    // 0.3 ms a point. A sweep of a second or more is streamed as it goes:
    // its blocks carry the message number of the frequency sweep (1), each
    // holding the trace from its first point on.
    double dtf_sweep_ms = 0;
};

// The instrument's battery as its gauge reports it.
struct Battery {
    double charge_percent = 80;
    // Percent a minute: positive while charging, negative while discharging.
    double charge_rate_percent_per_min = 0;
    bool external_power = false;
    double voltage_v = 7.4;
    double current_a = 0.9;  // drawn on battery; the remaining time follows from it
    double capacity_ah = 4.0;
};

// The signal a power sensor measures, and how the simulated sensors behave.
struct SensorSignal {
    double frequency_hz = 1e9;
    double level_dbm = 10;
    double return_loss_db = 20;  // of the load: the reflected power is this far below
    double crest_db = 1.76;      // peak over average power
    bool ignores_zero = false;   // a sensor that never answers Z
};

// What is plugged into the instrument's serial port "com1:" and its USB
// sensor port: "gps", "none" or a sensor model on com1 ("K610", "K610M",
// "K615", "K630" ... "K670"); a K630-family model or "none" on USB.
struct Peripherals {
    std::string com1 = "gps";
    std::string usb = "K640";
    // The NMEA log the simulated receiver replays (an instrument path).
    std::string gps_log = "\\FlashFX Disk\\System\\GPS\\tn204.log";
    SensorSignal sensor;
};

// A default-constructed scene is the default world.
struct Scene {
    // Downlink of a cellular band: two carriers and one 5 MHz channel; and a
    // broadcast station carrying a 1 kHz tone in FM.
    std::vector<Signal> signals = {
        {935.2e6, -45.0, 0},
        {940.0e6, -30.0, 0},
        {947.5e6, -50.0, 5e6},
        {95.5e6, -40.0, 0, Modulation::Fm, 1000, 0.5, 5000},
    };
    Receiver receiver;
    Burst burst;
    DeviceUnderTest dut;
    Standards standards;
    ErrorTerms terms;
    BoardIdentity board;
    Battery battery;
    Peripherals peripherals;
    double time_scale = 1.0;  // 0 streams as fast as the host reads
};

// A cellular band with a few carriers and a modulated channel, and a 30 m
// cable with a connector fault at 12 m into an antenna.
Scene default_scene();

struct SceneLoad {
    Scene scene;
    // Empty when the file was read; else each thing wrong, with where it is
    // ("dut.cable.length_m: ..."), and `error` all of them on one line.
    std::vector<std::string> problems;
    std::string error;
};

// Parses a scene from JSON text. Fields not given keep their defaults. A
// syntax error, an unknown key, a value of the wrong type or outside its
// physical range gives the default world and the problems.
SceneLoad parse_scene(const std::string& json_text);

// Reads the scene file; a missing file gives the default world without error.
SceneLoad load_scene(const std::filesystem::path& file);

// The scene as JSON text, in the form `parse_scene` reads.
std::string scene_json(const Scene& scene);

// The scene file inside a device root.
std::filesystem::path scene_path(const std::filesystem::path& device_root);

}  // namespace sim

#include "sim/scene.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace sim {

// Field lists of the scene file: each struct reads and writes its members by
// name; a member missing from the file keeps its default.
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Signal, frequency_hz, level_dbm, bandwidth_hz)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Burst, period_ms, on_ms, level_dbm)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(AudioTone, tone_hz, am_depth, fm_deviation_hz,
                                                level_dbm)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Receiver, noise_figure_db, preamp_noise_figure_db,
                                                sweep_factor, min_sweep_ms, max_sweep_ms,
                                                noise_variation, seed)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Fault, distance_m, return_loss_db)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(CurvePoint, frequency_hz, return_loss_db)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Cable, length_m, velocity_factor, loss_db_per_m,
                                                impedance_ohm)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(DeviceUnderTest, cable, faults, termination,
                                                antenna, load_return_loss_db, gain_db,
                                                bias_current_a)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Standards, open_return_loss_db,
                                                short_return_loss_db, load_return_loss_db)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(ErrorTerms, directivity_db, source_match_db,
                                                reflection_tracking_db, tracking_delay_ns,
                                                transmission_tracking_db, isolation_db)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(SensorSignal, frequency_hz, level_dbm, ignores_zero)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(Peripherals, com1, usb, gps_log, sensor)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(BoardIdentity, option_bit, version, dsp_date,
                                                fpga_date, serial, temperature_c, supply_v)

namespace {

using nlohmann::json;

constexpr std::pair<Termination, const char*> kTerminations[] = {
    {Termination::Antenna, "antenna"},
    {Termination::Open, "open"},
    {Termination::Short, "short"},
    {Termination::Load, "load"},
};

bool is_usb_device(const std::string& name) {
    for (const char* known : {"none", "K630", "K640", "K650", "K660", "K670"})
        if (name == known) return true;
    return false;
}

bool is_com1_device(const std::string& name) {
    for (const char* known : {"gps", "K610", "K610M", "K615"})
        if (name == known) return true;
    return is_usb_device(name);
}

// The scene's own top level, so that its key for the error terms reads
// "error_terms".
void read_scene(const json& j, Scene& s) {
    if (!j.is_object()) throw std::invalid_argument("the scene is not a JSON object");
    const Scene d;
    s.signals = j.value("signals", d.signals);
    s.receiver = j.value("receiver", d.receiver);
    s.burst = j.value("burst", d.burst);
    s.tone = j.value("tone", d.tone);
    s.dut = j.value("dut", d.dut);
    s.standards = j.value("standards", d.standards);
    s.terms = j.value("error_terms", d.terms);
    s.board = j.value("board", d.board);
    s.peripherals = j.value("peripherals", d.peripherals);
    s.time_scale = j.value("time_scale", d.time_scale);

    for (const Signal& sig : s.signals)
        if (sig.bandwidth_hz < 0) throw std::invalid_argument("negative signal bandwidth");
    if (s.dut.cable.velocity_factor <= 0 || s.dut.cable.velocity_factor > 1)
        throw std::invalid_argument("velocity factor outside (0, 1]");
    if (s.dut.cable.impedance_ohm <= 0) throw std::invalid_argument("cable impedance <= 0");
    if (s.time_scale < 0) throw std::invalid_argument("negative time scale");
    if (!is_com1_device(s.peripherals.com1))
        throw std::invalid_argument("unknown device on com1 \"" + s.peripherals.com1 + "\"");
    if (!is_usb_device(s.peripherals.usb))
        throw std::invalid_argument("unknown device on USB \"" + s.peripherals.usb + "\"");
    std::sort(
        s.dut.antenna.begin(), s.dut.antenna.end(),
        [](const CurvePoint& a, const CurvePoint& b) { return a.frequency_hz < b.frequency_hz; });
}

std::size_t line_of(const std::string& text, std::size_t byte) {
    byte = std::min(byte, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + byte, '\n'));
}

}  // namespace

void to_json(json& j, const Termination& t) {
    for (auto [value, name] : kTerminations)
        if (value == t) j = name;
}

void from_json(const json& j, Termination& t) {
    const std::string name = j.get<std::string>();
    for (auto [value, text] : kTerminations) {
        if (name == text) {
            t = value;
            return;
        }
    }
    throw std::invalid_argument("unknown termination \"" + name + "\"");
}

Scene default_scene() {
    return Scene{};
}

SceneLoad parse_scene(const std::string& json_text) {
    SceneLoad out;
    try {
        Scene s;
        read_scene(json::parse(json_text), s);
        out.scene = std::move(s);
    } catch (const json::parse_error& e) {
        std::ostringstream msg;
        msg << "line " << line_of(json_text, e.byte > 0 ? e.byte - 1 : 0) << ": " << e.what();
        out.error = msg.str();
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

std::string scene_json(const Scene& s) {
    json j = {{"signals", s.signals},
              {"receiver", s.receiver},
              {"burst", s.burst},
              {"tone", s.tone},
              {"dut", s.dut},
              {"standards", s.standards},
              {"error_terms", s.terms},
              {"board", s.board},
              {"peripherals", s.peripherals},
              {"time_scale", s.time_scale}};
    return j.dump(2) + "\n";
}

SceneLoad load_scene(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return SceneLoad{default_scene(), {}};
    std::ostringstream text;
    text << in.rdbuf();
    SceneLoad out = parse_scene(text.str());
    if (!out.error.empty()) out.error = file.string() + ": " + out.error;
    return out;
}

std::filesystem::path scene_path(const std::filesystem::path& device_root) {
    return device_root / "scene.json";
}

}  // namespace sim

#include "sim/scene.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace sim {

namespace {

using nlohmann::json;

// Reads `key` of `obj` into `out` when present; a value of the wrong type throws.
template <typename T>
void take(const json& obj, const char* key, T& out) {
    auto it = obj.find(key);
    if (it != obj.end()) out = it->get<T>();
}

Termination termination_from(const std::string& name) {
    if (name == "antenna") return Termination::Antenna;
    if (name == "open") return Termination::Open;
    if (name == "short") return Termination::Short;
    if (name == "load") return Termination::Load;
    throw std::invalid_argument("unknown termination \"" + name + "\"");
}

void read_scene(const json& j, Scene& s) {
    if (!j.is_object()) throw std::invalid_argument("the scene is not a JSON object");
    if (auto it = j.find("signals"); it != j.end()) {
        s.signals.clear();
        for (const auto& e : *it) {
            Signal sig;
            take(e, "frequency_hz", sig.frequency_hz);
            take(e, "level_dbm", sig.level_dbm);
            take(e, "bandwidth_hz", sig.bandwidth_hz);
            if (sig.bandwidth_hz < 0) throw std::invalid_argument("negative signal bandwidth");
            s.signals.push_back(sig);
        }
    }
    if (auto it = j.find("receiver"); it != j.end()) {
        take(*it, "noise_figure_db", s.receiver.noise_figure_db);
        take(*it, "preamp_noise_figure_db", s.receiver.preamp_noise_figure_db);
        take(*it, "sweep_factor", s.receiver.sweep_factor);
        take(*it, "min_sweep_ms", s.receiver.min_sweep_ms);
        take(*it, "noise_variation", s.receiver.noise_variation);
        take(*it, "seed", s.receiver.seed);
    }
    if (auto it = j.find("burst"); it != j.end()) {
        take(*it, "period_ms", s.burst.period_ms);
        take(*it, "on_ms", s.burst.on_ms);
        take(*it, "level_dbm", s.burst.level_dbm);
    }
    if (auto it = j.find("tone"); it != j.end()) {
        take(*it, "tone_hz", s.tone.tone_hz);
        take(*it, "am_depth", s.tone.am_depth);
        take(*it, "fm_deviation_hz", s.tone.fm_deviation_hz);
        take(*it, "level_dbm", s.tone.level_dbm);
    }
    if (auto it = j.find("dut"); it != j.end()) {
        const json& d = *it;
        if (auto c = d.find("cable"); c != d.end()) {
            take(*c, "length_m", s.dut.cable.length_m);
            take(*c, "velocity_factor", s.dut.cable.velocity_factor);
            take(*c, "loss_db_per_m", s.dut.cable.loss_db_per_m);
            take(*c, "impedance_ohm", s.dut.cable.impedance_ohm);
            if (s.dut.cable.velocity_factor <= 0 || s.dut.cable.velocity_factor > 1)
                throw std::invalid_argument("velocity factor outside (0, 1]");
            if (s.dut.cable.impedance_ohm <= 0) throw std::invalid_argument("cable impedance <= 0");
        }
        if (auto f = d.find("faults"); f != d.end()) {
            s.dut.faults.clear();
            for (const auto& e : *f) {
                Fault fault;
                take(e, "distance_m", fault.distance_m);
                take(e, "return_loss_db", fault.return_loss_db);
                s.dut.faults.push_back(fault);
            }
        }
        if (auto t = d.find("termination"); t != d.end())
            s.dut.termination = termination_from(t->get<std::string>());
        if (auto a = d.find("antenna"); a != d.end()) {
            s.dut.antenna.clear();
            for (const auto& e : *a) {
                CurvePoint p;
                take(e, "frequency_hz", p.frequency_hz);
                take(e, "return_loss_db", p.return_loss_db);
                s.dut.antenna.push_back(p);
            }
            std::sort(s.dut.antenna.begin(), s.dut.antenna.end(),
                      [](const CurvePoint& a, const CurvePoint& b) {
                          return a.frequency_hz < b.frequency_hz;
                      });
        }
        take(d, "load_return_loss_db", s.dut.load_return_loss_db);
        take(d, "gain_db", s.dut.gain_db);
        take(d, "bias_current_a", s.dut.bias_current_a);
    }
    if (auto it = j.find("standards"); it != j.end()) {
        take(*it, "open_return_loss_db", s.standards.open_return_loss_db);
        take(*it, "short_return_loss_db", s.standards.short_return_loss_db);
        take(*it, "load_return_loss_db", s.standards.load_return_loss_db);
    }
    if (auto it = j.find("error_terms"); it != j.end()) {
        take(*it, "directivity_db", s.terms.directivity_db);
        take(*it, "source_match_db", s.terms.source_match_db);
        take(*it, "reflection_tracking_db", s.terms.reflection_tracking_db);
        take(*it, "tracking_delay_ns", s.terms.tracking_delay_ns);
        take(*it, "transmission_tracking_db", s.terms.transmission_tracking_db);
        take(*it, "isolation_db", s.terms.isolation_db);
    }
    if (auto it = j.find("board"); it != j.end()) {
        take(*it, "option_bit", s.board.option_bit);
        if (auto v = it->find("version"); v != it->end()) {
            auto words = v->get<std::vector<std::uint16_t>>();
            for (std::size_t i = 0; i < 4 && i < words.size(); ++i) s.board.version[i] = words[i];
        }
        take(*it, "dsp_date", s.board.dsp_date);
        take(*it, "fpga_date", s.board.fpga_date);
        take(*it, "serial", s.board.serial);
        take(*it, "temperature_c", s.board.temperature_c);
        take(*it, "supply_v", s.board.supply_v);
    }
    take(j, "time_scale", s.time_scale);
    if (s.time_scale < 0) throw std::invalid_argument("negative time scale");
}

const char* termination_name(Termination t) {
    switch (t) {
        case Termination::Antenna:
            return "antenna";
        case Termination::Open:
            return "open";
        case Termination::Short:
            return "short";
        case Termination::Load:
            return "load";
    }
    return "antenna";
}

std::size_t line_of(const std::string& text, std::size_t byte) {
    byte = std::min(byte, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + byte, '\n'));
}

}  // namespace

Scene default_scene() {
    Scene s;
    // Downlink of a cellular band: two carriers and one 5 MHz channel.
    s.signals = {
        {935.2e6, -45.0, 0},
        {940.0e6, -30.0, 0},
        {947.5e6, -50.0, 5e6},
    };
    s.dut.faults = {{12.0, 26.0}};
    s.dut.antenna = {
        {700e6, 6.0},   {800e6, 12.0}, {900e6, 18.0}, {950e6, 22.0}, {1000e6, 17.0},
        {1100e6, 11.0}, {1300e6, 7.0}, {2000e6, 4.0}, {6000e6, 2.0},
    };
    return s;
}

SceneLoad parse_scene(const std::string& json_text) {
    SceneLoad out;
    out.scene = default_scene();
    try {
        json j = json::parse(json_text);
        Scene s = default_scene();
        read_scene(j, s);
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
    json j;
    j["signals"] = json::array();
    for (const Signal& sig : s.signals)
        j["signals"].push_back({{"frequency_hz", sig.frequency_hz},
                                {"level_dbm", sig.level_dbm},
                                {"bandwidth_hz", sig.bandwidth_hz}});
    j["receiver"] = {{"noise_figure_db", s.receiver.noise_figure_db},
                     {"preamp_noise_figure_db", s.receiver.preamp_noise_figure_db},
                     {"sweep_factor", s.receiver.sweep_factor},
                     {"min_sweep_ms", s.receiver.min_sweep_ms},
                     {"noise_variation", s.receiver.noise_variation},
                     {"seed", s.receiver.seed}};
    j["burst"] = {{"period_ms", s.burst.period_ms},
                  {"on_ms", s.burst.on_ms},
                  {"level_dbm", s.burst.level_dbm}};
    j["tone"] = {{"tone_hz", s.tone.tone_hz},
                 {"am_depth", s.tone.am_depth},
                 {"fm_deviation_hz", s.tone.fm_deviation_hz},
                 {"level_dbm", s.tone.level_dbm}};
    json faults = json::array();
    for (const Fault& f : s.dut.faults)
        faults.push_back({{"distance_m", f.distance_m}, {"return_loss_db", f.return_loss_db}});
    json antenna = json::array();
    for (const CurvePoint& p : s.dut.antenna)
        antenna.push_back({{"frequency_hz", p.frequency_hz}, {"return_loss_db", p.return_loss_db}});
    j["dut"] = {{"cable",
                 {{"length_m", s.dut.cable.length_m},
                  {"velocity_factor", s.dut.cable.velocity_factor},
                  {"loss_db_per_m", s.dut.cable.loss_db_per_m},
                  {"impedance_ohm", s.dut.cable.impedance_ohm}}},
                {"faults", faults},
                {"termination", termination_name(s.dut.termination)},
                {"antenna", antenna},
                {"load_return_loss_db", s.dut.load_return_loss_db},
                {"gain_db", s.dut.gain_db},
                {"bias_current_a", s.dut.bias_current_a}};
    j["standards"] = {{"open_return_loss_db", s.standards.open_return_loss_db},
                      {"short_return_loss_db", s.standards.short_return_loss_db},
                      {"load_return_loss_db", s.standards.load_return_loss_db}};
    j["error_terms"] = {{"directivity_db", s.terms.directivity_db},
                        {"source_match_db", s.terms.source_match_db},
                        {"reflection_tracking_db", s.terms.reflection_tracking_db},
                        {"tracking_delay_ns", s.terms.tracking_delay_ns},
                        {"transmission_tracking_db", s.terms.transmission_tracking_db},
                        {"isolation_db", s.terms.isolation_db}};
    j["board"] = {{"option_bit", s.board.option_bit},
                  {"version", std::vector<std::uint16_t>(s.board.version, s.board.version + 4)},
                  {"dsp_date", s.board.dsp_date},
                  {"fpga_date", s.board.fpga_date},
                  {"serial", s.board.serial},
                  {"temperature_c", s.board.temperature_c},
                  {"supply_v", s.board.supply_v}};
    j["time_scale"] = s.time_scale;
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

// Runs the simulated board through its USB protocol on a scene file and
// prints what it answered as JSON, so that an independent reference can
// check the numbers.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "drivers/dsp/dsp_protocol.h"
#include "sim/tools/board_host.h"

using namespace sim;
using nlohmann::json;

namespace {

// Detector codes of the sweep record.
constexpr int kAverage = 0;
constexpr int kPositivePeak = 3;

Bytes spectrum_record(std::size_t size, double centre, double span, int rbw_word, int detector,
                      int points, int atten, int preamp) {
    Bytes r(size, 0);
    put_le<std::uint64_t>(r, 0, static_cast<std::uint64_t>(centre));
    put_le<std::uint64_t>(r, 8, static_cast<std::uint64_t>(span));
    put_le<std::uint16_t>(r, 16, 4);  // 1 kHz video bandwidth
    put_le<std::uint16_t>(r, 18, static_cast<std::uint16_t>(rbw_word));
    put_le<std::uint16_t>(r, 20, static_cast<std::uint16_t>(detector));
    put_le<std::uint16_t>(r, 22, static_cast<std::uint16_t>(points));
    r[24] = r[25] = static_cast<std::uint8_t>(atten);
    r[26] = static_cast<std::uint8_t>(preamp);
    return r;
}

// The board's answer of `type`; an exception when it gives none.
Packet answer(BoardHost& host, std::uint16_t type) {
    auto p = host.read_type(type);
    if (!p) throw std::runtime_error("the board did not answer message " + std::to_string(type));
    return *p;
}

// One whole sweep; an exception when the board does not deliver it.
Bytes whole_sweep(BoardHost& host, std::uint16_t type, int points, std::size_t width) {
    Bytes b = host.collect(type, points, width);
    if (b.empty() && points > 0)
        throw std::runtime_error("the board delivered no whole sweep of message " +
                                 std::to_string(type));
    return b;
}

std::vector<float> floats(const Bytes& b) {
    std::vector<float> v(b.size() / 4);
    std::memcpy(v.data(), b.data(), v.size() * 4);
    return v;
}

json spectrum(const Scene& scene, const json& cfg) {
    BoardHost host(std::make_shared<AcquisitionBoard>(scene));
    json out;
    const double centre = cfg.at("centre_hz"), span = cfg.at("span_hz");
    const double ch = cfg.at("channel_width_hz"), adj = cfg.at("adjacent_width_hz"),
                 dist = cfg.at("distance_hz");
    const int points = 705, rbw_word = cfg.at("rbw_word");

    host.stop();
    host.send(dsp::msg::kSweep,
              spectrum_record(40, centre, span, rbw_word, kAverage, points, 0, 0));
    out["trace"] = floats(whole_sweep(host, dsp::msg::kSweep, points, 4));

    host.stop();
    Bytes acp = spectrum_record(64, centre, span, rbw_word, kAverage, points, 0, 0);
    put_le<std::uint64_t>(acp, 40, static_cast<std::uint64_t>(ch));
    put_le<std::uint64_t>(acp, 48, static_cast<std::uint64_t>(adj));
    put_le<std::uint64_t>(acp, 56, static_cast<std::uint64_t>(dist));
    host.send(dsp::msg::kAdjacentChannelPower, acp);
    const Packet a = answer(host, dsp::msg::kAdjacentChannelPower);
    out["acp"] = floats(Bytes(a.body.begin(), a.body.begin() + 20));

    host.stop();
    Bytes cp = spectrum_record(48, centre, span, rbw_word, kAverage, points, 0, 0);
    put_le<std::uint64_t>(cp, 40, static_cast<std::uint64_t>(ch));
    host.send(dsp::msg::kChannelPower, cp);
    out["channel_power"] = get_le<float>(answer(host, dsp::msg::kChannelPower).body, 0);

    host.stop();
    Bytes obw = spectrum_record(48, centre, span, rbw_word, kAverage, points, 0, 0);
    put_le<std::uint16_t>(obw, 40, 0);
    put_le<std::uint16_t>(obw, 42, 990);
    host.send(dsp::msg::kOccupiedBandwidth, obw);
    out["obw_hz"] = get_le<std::uint64_t>(answer(host, dsp::msg::kOccupiedBandwidth).body, 0);

    // Noise floor per resolution bandwidth, attenuation and preamplifier,
    // measured where the scene has no signal.
    json floors = json::array();
    for (int word = 0; word <= 8; ++word) {
        for (auto [atten, preamp] : {std::pair{0, 0}, std::pair{10, 0}, std::pair{0, 20}}) {
            host.stop();
            const double rbw = std::pow(10.0, 2 + (8 - word) * 0.5);
            host.send(dsp::msg::kSweep, spectrum_record(40, cfg.at("quiet_hz"), 50 * rbw, word,
                                                        kAverage, 101, atten, preamp));
            auto t = floats(whole_sweep(host, dsp::msg::kSweep, 101, 4));
            double mw = 0;
            for (float v : t) mw += std::pow(10.0, v / 10);
            floors.push_back({{"rbw_word", word},
                              {"atten", atten},
                              {"preamp", preamp},
                              {"dbm", 10 * std::log10(mw / static_cast<double>(t.size()))}});
        }
    }
    out["noise_floors"] = floors;

    // A carrier a fraction of a point off the nearest point, through every
    // resolution bandwidth, with the positive-peak detector.
    json between = json::array();
    if (cfg.contains("between_bins")) {
        const json& b = cfg.at("between_bins");
        const double carrier = b.at("carrier_hz"), bspan = b.at("span_hz");
        const double step = bspan / (points - 1);
        for (double offset : b.at("offsets").get<std::vector<double>>()) {
            const double bcentre = std::round(carrier - offset * step);
            for (int word = 0; word <= 8; ++word) {
                host.stop();
                host.send(dsp::msg::kSweep,
                          spectrum_record(40, bcentre, bspan, word, kPositivePeak, points, 0, 0));
                between.push_back(
                    {{"rbw_word", word},
                     {"centre_hz", bcentre},
                     {"trace", floats(whole_sweep(host, dsp::msg::kSweep, points, 4))}});
            }
        }
    }
    out["between_bins"] = between;
    host.stop();
    return out;
}

std::vector<std::pair<float, float>> items(const Bytes& b) {
    std::vector<std::pair<float, float>> v(b.size() / 8);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = {get_le<float>(b, 8 * i), get_le<float>(b, 8 * i + 4)};
    return v;
}

Bytes na_record(double start, double stop, int points) {
    Bytes r(32, 0);
    put_le<std::uint32_t>(r, 0, static_cast<std::uint32_t>(points));
    put_le<std::uint64_t>(r, 4, static_cast<std::uint64_t>(start));
    put_le<std::uint64_t>(r, 12, static_cast<std::uint64_t>(stop));
    return r;
}

Bytes sweep_setup(double start, double stop, int points) {
    Bytes r(24, 0);
    put_le<std::uint64_t>(r, 0, static_cast<std::uint64_t>(start));
    put_le<std::uint64_t>(r, 8, static_cast<std::uint64_t>(stop));
    put_le<std::uint16_t>(r, 16, static_cast<std::uint16_t>(points));
    return r;
}

json raw_sweep(const Scene& scene, double start, double stop, int points) {
    BoardHost host(std::make_shared<AcquisitionBoard>(scene));
    host.stop();
    host.send(dsp::msg::kReflectionSweep, na_record(start, stop, points));
    json out = json::array();
    for (auto [db, deg] : items(whole_sweep(host, dsp::msg::kReflectionSweep, points, 8)))
        out.push_back({db, deg});
    host.stop();
    return out;
}

json network(const Scene& scene, const json& cfg) {
    json out;
    const double start = cfg.at("start_hz"), stop = cfg.at("stop_hz");
    const int points = std::clamp<int>(cfg.at("points"), 2, static_cast<int>(dsp::kAreaItems));

    // Raw sweeps of the bare standards and of a load at the port.
    for (auto [name, term] :
         {std::pair{"open", Termination::Open}, std::pair{"short", Termination::Short},
          std::pair{"load", Termination::Load}}) {
        Scene s = scene;
        s.dut.cable.length_m = 0;
        s.dut.faults.clear();
        s.dut.termination = term;
        if (term == Termination::Load) s.dut.load_return_loss_db = 200;
        out["raw"][name] = raw_sweep(s, start, stop, points);
    }
    Scene dut = scene;
    dut.dut.cable.length_m = 0;
    dut.dut.faults.clear();
    dut.dut.termination = Termination::Load;
    out["raw"]["dut"] = raw_sweep(dut, start, stop, points);

    // The board's own calibration: measure standards, compute, fetch terms.
    BoardHost host(std::make_shared<AcquisitionBoard>(scene));
    for (std::uint16_t id :
         {dsp::msg::kMeasureOpen, dsp::msg::kMeasureShort, dsp::msg::kMeasureLoad}) {
        host.stop();
        host.send(id, sweep_setup(start, stop, points));
        answer(host, id);
    }
    host.stop();
    host.send(dsp::msg::kSolveOnePort);
    answer(host, dsp::msg::kSolveOnePort);
    std::map<std::string, Bytes> terms;
    for (auto [name, id] : {std::pair{"er", dsp::msg::kFetchReflectionTracking},
                            std::pair{"es", dsp::msg::kFetchSourceMatch},
                            std::pair{"ed", dsp::msg::kFetchDirectivity}}) {
        host.stop();
        host.send(static_cast<std::uint16_t>(id));
        terms[name] = whole_sweep(host, static_cast<std::uint16_t>(id), points, 8);
        json t = json::array();
        for (auto [re, im] : items(terms[name])) t.push_back({re, im});
        out["terms"][name] = t;
    }
    host.stop();
    host.upload_table(dsp::msg::kStoreReflectionTracking, terms["er"], points);
    host.upload_table(dsp::msg::kStoreSourceMatch, terms["es"], points);
    host.upload_table(dsp::msg::kStoreDirectivity, terms["ed"], points);

    // Distance to fault over the scene's cable, corrected.
    Bytes d(56, 0);
    Bytes head = sweep_setup(start, stop, points);
    std::copy(head.begin(), head.end(), d.begin());
    put_le<std::uint32_t>(
        d, 24, static_cast<std::uint32_t>(static_cast<double>(cfg.at("dtf_start_m")) * 1000));
    put_le<float>(d, 28, cfg.at("dtf_stop_m"));
    put_le<std::uint32_t>(
        d, 32, static_cast<std::uint32_t>(std::lround(scene.dut.cable.velocity_factor * 10000)));
    put_le<float>(d, 36, 0.0f);
    d[40] = static_cast<std::uint8_t>(static_cast<int>(cfg.at("window")));
    host.send(dsp::msg::kDistanceToFault, d);
    json dtf = json::array();
    for (auto [db, unused] : items(whole_sweep(host, dsp::msg::kDistanceToFault, points, 8)))
        dtf.push_back(db);
    out["dtf"] = dtf;
    host.stop();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::puts(
            "usage: sim_probe SCENE.json CONFIG.json\n"
            "  runs the simulated board of SCENE through the sweeps CONFIG asks for and\n"
            "  prints what it answered as JSON");
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: sim_probe SCENE.json CONFIG.json\n");
        return 2;
    }
    SceneLoad load = load_scene(argv[1]);
    if (!load.error.empty()) {
        std::fprintf(stderr, "%s\n", load.error.c_str());
        return 1;
    }
    try {
        std::ifstream cfg_in(argv[2]);
        if (!cfg_in) throw std::runtime_error(std::string(argv[2]) + ": cannot be read");
        const json cfg = json::parse(cfg_in);
        json out;
        out["spectrum"] = spectrum(load.scene, cfg.at("spectrum"));
        out["network"] = network(load.scene, cfg.at("network"));
        std::cout << out.dump() << "\n";
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sim_probe: %s\n", e.what());
        return 1;
    }
    return 0;
}

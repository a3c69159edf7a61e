// Runs the spectrum and network-analyzer measurements end to end against
// the simulated board of a scene file and prints what they yield as JSON,
// for an independent check of the numbers.
//
// usage: measure_probe SCENE.json CONFIG.json
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>

#include <nlohmann/json.hpp>

#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "instrument/specan_measurements.h"
#include "instrument/tests/board_rig.h"
#include "instrument/tests/measurement_fixtures.h"
#include "instrument/vna_measurements.h"

namespace {

using namespace measure_test;
using nlohmann::json;

// Starts the measurement and waits for the first result that `want` takes.
Result Run(CMeasurement& m, Screen& screen, CDspInterface& link,
           const std::function<bool(const Result&)>& want) {
    screen.Clear();
    m.Init(&screen);
    link.SetListener(&m);
    m.IsReady();
    m.Start(0, 0);
    Result r;
    if (!screen.WaitFor(want, &r)) throw std::runtime_error("no result");
    m.Stop();
    return r;
}

json Spectrum(BoardRig& rig, const json& cfg) {
    CSAMeasSetup setup;
    ConfigureSpectrum(setup, cfg["centre_hz"].get<uint64_t>(), cfg["span_hz"].get<uint64_t>(),
                      8 - cfg["rbw_word"].get<uint32_t>(), 3);
    setup.SetChannelWidth(cfg["channel_width_hz"].get<uint64_t>());
    setup.SetAdjChannelWidth(cfg["adjacent_width_hz"].get<uint64_t>());
    setup.SetCenterDistance(cfg["distance_hz"].get<uint64_t>());
    setup.SetThresholdMode(0);
    setup.SetThresholdPercent(990);
    Screen screen(&setup);
    json out;
    out["attenuation_db"] = setup.GetAttenuationLevel();
    out["preamp_db"] = setup.GetPreampLevel();

    COccupiedBwMeasurement obw(&rig.link());
    out["obw_hz"] = Run(obw, screen, rig.link(), [](const Result& r) {
                        return r.type == CDeviceItem::kOccupiedBw;
                    }).bandwidth;
    CChannelPowerMeasurement cp(&rig.link());
    out["channel_power"] = Run(cp, screen, rig.link(), [](const Result& r) {
                               return r.type == CDeviceItem::kChannelPower;
                           }).power;
    CAcprMeasurement acp(&rig.link());
    const Result a =
        Run(acp, screen, rig.link(), [](const Result& r) { return r.type == CDeviceItem::kAcpr; });
    out["acp"] = {a.power, a.lower, a.upper, a.lower_ratio, a.upper_ratio};
    // The channel edges the measurements report without a band.
    out["edges"] = {acp.GetLowerEdge(), acp.GetUpperEdge()};
    return out;
}

std::vector<float> Values(const Result& r, uint32_t points) {
    std::vector<float> v(points);
    for (uint32_t i = 0; i < points; ++i) v[i] = Get<float>(r.data, 8 * i);
    return v;
}

json Network(BoardRig& rig, const sim::Scene& scene, const json& cfg) {
    CVNAMeasSetup setup;
    const uint64_t start = cfg["start_hz"].get<uint64_t>(), stop = cfg["stop_hz"].get<uint64_t>();
    setup.GetFrequencyRange()->Set(start, (start + stop) / 2, stop, stop - start, 0);
    setup.SetDataPoints(cfg["points"].get<int32_t>());
    setup.SetDtfVp(static_cast<float>(scene.dut.cable.velocity_factor));
    setup.SetDtfLoss(0);
    setup.SetDtfSmoothing(cfg["window"].get<int32_t>());
    setup.SetDtfStart(cfg["dtf_start_m"].get<float>());
    setup.SetDtfStop(cfg["dtf_stop_m"].get<float>());
    Screen screen(&setup);
    const uint32_t n = static_cast<uint32_t>(setup.GetDataPoints());
    json out;
    out["points"] = n;
    auto sweep = [n](uint32_t reply) {
        return [n, reply](const Result& r) {
            return r.type == CDeviceItem::kVnaSweep && r.reply == reply && r.first == n &&
                   r.data.size() >= n * 8u;
        };
    };
    CFreqSweepMeasurement fs(&rig.link());
    out["return_loss"] = Values(Run(fs, screen, rig.link(), sweep(1)), n);
    CDtfMeasurement dtf(&rig.link());
    out["dtf"] = Values(Run(dtf, screen, rig.link(), sweep(4)), n);
    out["dtf_start_m"] = setup.GetDtfStartRaw();
    out["dtf_stop_m"] = setup.GetDtfStopRaw();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: measure_probe SCENE.json CONFIG.json\n";
        return 2;
    }
    try {
        sim::Scene scene = LoadScene(argv[1]);
        // An ideal reflectometer: the network analyzer's sweeps are the
        // device's own.
        scene.terms.directivity_db = 300;
        scene.terms.source_match_db = 300;
        scene.terms.reflection_tracking_db = 0;
        scene.terms.tracking_delay_ns = 0;
        const json cfg = json::parse(std::ifstream(argv[2]));
        BoardRig rig(scene);
        json out;
        out["spectrum"] = Spectrum(rig, cfg["spectrum"]);
        out["network"] = Network(rig, scene, cfg["network"]);
        std::cout << out.dump() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "measure_probe: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

#include <gtest/gtest.h>

#include "sim/scene.h"

namespace {

TEST(Scene, ReadsFieldsAndKeepsDefaultsForTheRest) {
    auto load = sim::parse_scene(R"({
        "signals": [{"frequency_hz": 1e9, "level_dbm": -20}],
        "dut": {"cable": {"length_m": 10, "velocity_factor": 0.66},
                "faults": [{"distance_m": 4, "return_loss_db": 15}],
                "termination": "short"},
        "board": {"option_bit": false, "serial": "XY123456"}
    })");
    ASSERT_EQ(load.error, "");
    ASSERT_EQ(load.scene.signals.size(), 1u);
    EXPECT_EQ(load.scene.signals[0].frequency_hz, 1e9);
    EXPECT_EQ(load.scene.signals[0].bandwidth_hz, 0);
    EXPECT_EQ(load.scene.dut.cable.length_m, 10);
    EXPECT_EQ(load.scene.dut.cable.velocity_factor, 0.66);
    EXPECT_EQ(load.scene.dut.cable.impedance_ohm, 50);  // default kept
    EXPECT_EQ(load.scene.dut.termination, sim::Termination::Short);
    EXPECT_FALSE(load.scene.board.option_bit);
    EXPECT_EQ(load.scene.board.serial, "XY123456");
}

TEST(Scene, MalformedFileGivesItsLineAndTheDefaultWorld) {
    struct Case {
        const char* text;
        const char* expect;
    } cases[] = {
        {"{\n  \"signals\": [\n    {\"frequency_hz\": 1e9,,}\n  ]\n}", "line 3"},
        // A number beyond a double: its line and its key.
        {"{\"time_scale\": 1e999}", "line 1, time_scale: "},
        {"{\"dut\": {\"faults\": [{}, {\n\"distance_m\": -1e400}]}}",
         "line 2, dut.faults[1].distance_m: "},
        {"{\"dut\": {\"termination\": \"banana\"}}", "banana"},
        {"[1, 2]", "the scene: an object"},
        // The field with the wrong type is named.
        {"{\"signals\": [{\"frequency_hz\": \"high\"}]}",
         "signals[0].frequency_hz: a number is needed, not string"},
        {"{\"receiver\": {\"noise_variation\": 1}}", "receiver.noise_variation: true or false"},
        {"{\"board\": {\"serial\": 5}}", "board.serial: a text"},
        {"{\"dut\": {\"faults\": {\"distance_m\": 3}}}", "dut.faults: an array"},
        // Unknown and misspelled keys, at any depth.
        {"{\"dut\": {\"cable\": {\"lenght_m\": 3}}}",
         "dut.cable: unknown key \"lenght_m\" (did you mean \"length_m\"?)"},
        {"{\"signal\": []}", "unknown key \"signal\" (did you mean \"signals\"?)"},
        {"{\"colour\": 3}", "the scene: unknown key \"colour\""},
        // Out of the physical range.
        {"{\"dut\": {\"cable\": {\"velocity_factor\": 1.5}}}", "dut.cable.velocity_factor"},
        {"{\"dut\": {\"cable\": {\"velocity_factor\": 0}}}", "dut.cable.velocity_factor"},
        {"{\"dut\": {\"cable\": {\"length_m\": -1}}}", "dut.cable.length_m: -1 is out of range"},
        {"{\"dut\": {\"cable\": {\"loss_db_per_m\": -0.1}}}", "dut.cable.loss_db_per_m"},
        {"{\"dut\": {\"faults\": [{\"return_loss_db\": -3}]}}", "dut.faults[0].return_loss_db"},
        {"{\"signals\": [{\"frequency_hz\": -1}]}", "signals[0].frequency_hz"},
        {"{\"signals\": [{\"frequency_hz\": 10.1e9}]}", "0 to 10 GHz"},
        {"{\"dut\": {\"antenna\": [{\"frequency_hz\": 2e10}]}}", "dut.antenna[0].frequency_hz"},
        {"{\"receiver\": {\"noise_figure_db\": 1e9}}",
         "receiver.noise_figure_db: 1e+09 is out of range"},
        {"{\"dut\": {\"faults\": [{\"distance_m\": 2e4}]}}", "dut.faults[0].distance_m: 20000"},
        {"{\"dut\": {\"cable\": {\"impedance_ohm\": 0.5}}}", "dut.cable.impedance_ohm"},
        {"{\"error_terms\": {\"directivity_db\": -3}}", "error_terms.directivity_db"},
        {"{\"board\": {\"supply_v\": 1e6}}", "board.supply_v"},
        {"{\"battery\": {\"current_a\": 500}}", "battery.current_a"},
        {"{\"receiver\": {\"min_sweep_ms\": 500, \"max_sweep_ms\": 100}}",
         "minimum sweep time is above the maximum"},
        // A number outside its integer field is an error, not a conversion.
        {"{\"receiver\": {\"seed\": 4294967296}}", "receiver.seed: 4294967296 is out of range"},
        {"{\"receiver\": {\"seed\": -1}}", "receiver.seed"},
        {"{\"receiver\": {\"seed\": 1.5}}", "receiver.seed"},
        {"{\"board\": {\"version\": [1, 2, 3, 65536]}}", "board.version[3]"},
        {"{\"signals\": [{\"modulation\": \"pm\"}]}", "\"pm\" is not one of"},
    };
    const sim::Scene def = sim::default_scene();
    for (const Case& c : cases) {
        auto load = sim::parse_scene(c.text);
        EXPECT_NE(load.error.find(c.expect), std::string::npos) << c.text << " -> " << load.error;
        EXPECT_EQ(load.scene.signals.size(), def.signals.size());
        EXPECT_EQ(load.scene.dut.faults.size(), def.dut.faults.size());
    }
}

TEST(Scene, EveryProblemIsReportedOnItsOwn) {
    // A wrong device name is named beside the other mistakes.
    auto load = sim::parse_scene(
        R"({"dut": {"cable": {"length_m": -5}}, "receiver": {"seed": -2}, "oops": 1,)"
        R"( "peripherals": {"com1": "modem"}})");
    ASSERT_EQ(load.problems.size(), 4u) << load.error;
    EXPECT_NE(load.problems.back().find("peripherals.com1"), std::string::npos) << load.error;
    EXPECT_EQ(load.scene.dut.cable.length_m, sim::default_scene().dut.cable.length_m);
}

TEST(Scene, AntennaPointsThatShareAFrequencyKeepTheirOrder) {
    // A step in the curve: at 1 GHz the return loss jumps from 5 to 25 dB.
    std::string points;
    for (int i = 0; i < 40; ++i)
        points += R"({"frequency_hz": 1e9, "return_loss_db": )" + std::to_string(i) + "},";
    auto load = sim::parse_scene(R"({"dut": {"antenna": [{"frequency_hz": 2e9}, )" + points +
                                 R"({"frequency_hz": 5e8}]}})");
    ASSERT_EQ(load.error, "");
    const auto& a = load.scene.dut.antenna;
    ASSERT_EQ(a.size(), 42u);
    EXPECT_EQ(a.front().frequency_hz, 5e8);
    EXPECT_EQ(a.back().frequency_hz, 2e9);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(a[static_cast<std::size_t>(i) + 1].return_loss_db, i);
}

TEST(Scene, WrittenSceneReadsBackTheSame) {
    sim::Scene s = sim::default_scene();
    s.dut.termination = sim::Termination::Open;
    s.board.version[3] = 0x0102;
    s.time_scale = 0.5;
    s.signals[0].modulation = sim::Modulation::Am;
    auto load = sim::parse_scene(sim::scene_json(s));
    ASSERT_EQ(load.error, "");
    EXPECT_EQ(sim::scene_json(load.scene), sim::scene_json(s));
    EXPECT_EQ(load.scene.dut.termination, sim::Termination::Open);
    EXPECT_EQ(load.scene.board.version[3], 0x0102);
    EXPECT_EQ(load.scene.signals[0].modulation, sim::Modulation::Am);
}

TEST(Scene, MissingFileIsTheDefaultWorldWithoutError) {
    auto load = sim::load_scene("/nonexistent/scene.json");
    EXPECT_EQ(load.error, "");
    EXPECT_EQ(load.scene.dut.cable.length_m, 30);
    ASSERT_EQ(load.scene.dut.faults.size(), 1u);
    EXPECT_EQ(load.scene.dut.faults[0].distance_m, 12);
}

}  // namespace

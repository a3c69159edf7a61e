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
        {"{\"dut\": {\"termination\": \"banana\"}}", "banana"},
        {"{\"signals\": [{\"frequency_hz\": \"high\"}]}", "type"},
        {"{\"dut\": {\"cable\": {\"velocity_factor\": 1.5}}}", "velocity"},
        {"[1, 2]", "object"},
    };
    const sim::Scene def = sim::default_scene();
    for (const Case& c : cases) {
        auto load = sim::parse_scene(c.text);
        EXPECT_NE(load.error.find(c.expect), std::string::npos) << c.text << " -> " << load.error;
        EXPECT_EQ(load.scene.signals.size(), def.signals.size());
        EXPECT_EQ(load.scene.dut.faults.size(), def.dut.faults.size());
    }
}

TEST(Scene, WrittenSceneReadsBackTheSame) {
    sim::Scene s = sim::default_scene();
    s.dut.termination = sim::Termination::Open;
    s.board.version[3] = 0x0102;
    s.time_scale = 0.5;
    auto load = sim::parse_scene(sim::scene_json(s));
    ASSERT_EQ(load.error, "");
    EXPECT_EQ(sim::scene_json(load.scene), sim::scene_json(s));
    EXPECT_EQ(load.scene.dut.termination, sim::Termination::Open);
    EXPECT_EQ(load.scene.board.version[3], 0x0102);
}

TEST(Scene, MissingFileIsTheDefaultWorldWithoutError) {
    auto load = sim::load_scene("/nonexistent/scene.json");
    EXPECT_EQ(load.error, "");
    EXPECT_EQ(load.scene.dut.cable.length_m, 30);
    ASSERT_EQ(load.scene.dut.faults.size(), 1u);
    EXPECT_EQ(load.scene.dut.faults[0].distance_m, 12);
}

}  // namespace

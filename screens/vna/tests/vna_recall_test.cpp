// Network analyzer trace files in-process against the simulated board: a
// trace saved from one scene is recalled on a screen measuring another, and
// the readouts show the calibration, cable loss, gain and DC bias the trace
// was measured with, while the setup goes on storing the live values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "core/keys.h"
#include "core/res_string.h"
#include "core/text.h"
#include "platform/framework/wnd.h"
#include "platform/kernel/message_queue.h"
#include "platform/text/utf.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "screens/vna/tests/vna_screen_rig.h"

namespace {

using namespace vna_test;
namespace fs = std::filesystem;

constexpr uint32_t kCmdRecalledMeasurement = 32840;

// A two-port device of the given gain drawing the given DC-bias current.
sim::Scene TwoPortScene(double gain_db, double bias_amps) {
    sim::Scene scene = IdealScene(20);
    scene.dut.gain_db = gain_db;
    scene.dut.bias_current_a = bias_amps;
    return scene;
}

// A cable of `metres` at 0.1 dB/m at 1 GHz (growing with the root of the
// frequency), shorted at its end, measured from 950 to 1050 MHz.
sim::Scene CableScene(double metres) {
    sim::Scene scene = IdealScene(20);
    scene.dut.cable.length_m = metres;
    scene.dut.cable.velocity_factor = 0.85;
    scene.dut.cable.loss_db_per_m = 0.1;
    scene.dut.termination = sim::Termination::Short;
    return scene;
}

class VnaRecall : public VnaScreen {
  protected:
    void SetUp() override {
        plat::register_window_class({"VnaRecallFrame", 0, std::nullopt});
        ASSERT_TRUE(frame_window_.Create("VnaRecallFrame", u"", plat::WS_POPUP, {0, 0, 10, 10},
                                         nullptr, 0));
        frame_ = &frame_window_;
        fs::remove_all(Traces());
        fs::create_directories(Traces());
    }
    void TearDown() override {
        VnaScreen::TearDown();
        frame_window_.DestroyWindow();
    }
    static fs::path Traces() {
        return measure_test::ProcessRoot().path() / "FlashFX Disk" / "My Traces";
    }
    // Starts a fresh screen of the given type on `scene`.
    void StartType(const sim::Scene& scene, int type, uint64_t start = kStart,
                   uint64_t stop = kStop) {
        if (screen_) {
            screen_->OnClose();
            screen_.reset();
            rig_.reset();
        }
        Start(scene);
        setup().GetFrequencyRange()->Set(start, (start + stop) / 2, stop, stop - start, 0);
        Choose(type);
        Activate();
        Posted();  // what the start posted
    }
    // A whole sweep, then `done`.
    template <typename F>
    bool AfterWholeSweep(F done) {
        return Until([&] {
            return static_cast<int>(screen_->GetShownTrace().size()) == setup().GetDataPoints() &&
                   done();
        });
    }
    // Quick-saves the trace; the instrument path of the new file.
    core::Text Save() {
        std::set<fs::path> before;
        for (const auto& e : fs::directory_iterator(Traces())) before.insert(e.path());
        // A running sweep's trace is whole only from its last block to the
        // next sweep's first: the save is tried until it meets that moment.
        EXPECT_TRUE(Until([&] { return screen_->QuickSaveTrace(); }));
        for (const auto& e : fs::directory_iterator(Traces()))
            if (!before.count(e.path()))
                return u"\\FlashFX Disk\\My Traces\\" +
                       plat::from_utf8(e.path().filename().string());
        ADD_FAILURE() << "no trace file written";
        return {};
    }
    static std::string Text(const core::Text& path) {
        const std::string name = plat::to_utf8(path.substr(path.rfind(u'\\') + 1));
        std::ifstream in(Traces() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The number of a tag line of a file's text; NaN without one.
    static double TagValue(const std::string& text, const std::string& tag) {
        const size_t at = text.find("<" + tag + " = ");
        if (at == std::string::npos) return std::nan("");
        return std::strtod(text.c_str() + at + tag.size() + 4, nullptr);
    }
    // The number of a command posted to the main window since the last
    // call.
    int Posted(uint32_t command = kCmdRecalledMeasurement) {
        int n = 0;
        plat::Message m;
        while (plat::peek_message(m, true))
            if (m.message == plat::WM_COMMAND && m.wparam == command) ++n;
        return n;
    }
    // The recall of `path` alone, the live sweep going on behind it.
    bool Recall(const core::Text& path) {
        const bool recalled = screen_->RecallTraceFile(0, path);
        screen_->ApplySettings(true);
        return recalled;
    }

    plat::CWnd frame_window_;
};

// A gain trace with the DC bias on, recalled on a screen measuring another
// amplifier with the bias off: the gain cell shows the recalled gain and the
// recalled bias, while the setup stores the live gain.
TEST_F(VnaRecall, AGainTraceBringsItsGainAndItsBias) {
    StartType(TwoPortScene(20, 0.12), vna::kGain);
    // The bias goes on during a running sweep, and the watchdog's current
    // query rides on it.
    ASSERT_TRUE(AfterWholeSweep([] { return true; }));
    const size_t before = PacketCount();
    screen_->SetDcBiasOn(true);
    ASSERT_TRUE(Until([&] { return Has(Commands(before), 0x2016); }));
    screen_->ShowBiasTeeMessage();
    ASSERT_TRUE(Until([&] { return CellValue(2, 1) == u"0.12 A"; }));
    double saved_gain = 0;
    ASSERT_TRUE(AfterWholeSweep([&] {
        saved_gain = setup().GetTwoPortAvgGain();
        return saved_gain > 1;
    }));
    const core::Text path = Save();
    const std::string text = Text(path);
    EXPECT_NE(text.find("<2port bias = 1>"), std::string::npos);
    EXPECT_NEAR(TagValue(text, "2port b amps"), 0.12, 1e-9);
    EXPECT_NE(text.find("<calib type = 0>"), std::string::npos);

    StartType(TwoPortScene(10, 0.05), vna::kGain);
    double live_gain = 0;
    ASSERT_TRUE(AfterWholeSweep([&] {
        live_gain = setup().GetTwoPortAvgGain();
        return live_gain > 1 && std::abs(live_gain - (saved_gain - 10)) < 0.2;
    }));
    EXPECT_EQ(CellValue(3, 1).find(u"A"), core::Text::npos);

    ASSERT_TRUE(Recall(path));
    EXPECT_TRUE(messages_->asked.empty());
    EXPECT_EQ(Posted(), 1);
    EXPECT_TRUE(screen_->IsRecalledTraceShown());
    EXPECT_EQ(screen_->GetRecalledBiasCurrent(), 0.12);
    EXPECT_TRUE(screen_->GetRecalledBiasOn());
    EXPECT_EQ(screen_->GetRecalledBiasVoltage(), 0);
    EXPECT_NEAR(screen_->GetRecalledAvgGain(), saved_gain, 0.2);
    const core::Text recalled_gain = core::FormatText("%3.1f", screen_->GetRecalledAvgGain());
    EXPECT_EQ(CellValue(2, 0), recalled_gain);
    EXPECT_EQ(CellValue(3, 1), LoadResString(308) + u",+12V,0.12A");
    EXPECT_FALSE(screen_->IsDcBiasOn());
    // The next live sweep goes to the setup (the held trace stands in
    // front of it); the cell keeps the recalled gain.
    setup().SetTwoPortAvgGain(0);
    ASSERT_TRUE(Until([&] { return std::abs(setup().GetTwoPortAvgGain() - live_gain) < 0.2; }))
        << setup().GetTwoPortAvgGain() << " dB";
    EXPECT_EQ(CellValue(2, 0), recalled_gain);
}

// A cable-loss trace of a 40 m cable recalled on a screen measuring 20 m:
// the loss cell shows the recalled loss, the setup the live one.
TEST_F(VnaRecall, ACableLossTraceBringsItsOwnLoss) {
    const uint64_t low = 950000000, high = 1050000000;
    StartType(CableScene(40), vna::kCableLoss, low, high);
    const core::Text forty = core::Text(u"-4.0 dB ") + LoadResString(61340);
    ASSERT_TRUE(AfterWholeSweep([&] { return CellValue(2, 0) == forty; }));
    const core::Text path = Save();
    EXPECT_NEAR(TagValue(Text(path), "cable loss"), -4.0, 0.05);

    StartType(CableScene(20), vna::kCableLoss, low, high);
    const core::Text twenty = core::Text(u"-2.0 dB ") + LoadResString(61340);
    ASSERT_TRUE(AfterWholeSweep([&] { return CellValue(2, 0) == twenty; }));
    ASSERT_TRUE(Recall(path));
    EXPECT_EQ(Posted(), 1);
    EXPECT_NEAR(screen_->GetRecalledCableLoss(), -4.0, 0.05);
    EXPECT_EQ(CellValue(2, 0), forty);
    setup().SetCableLoss(0);
    ASSERT_TRUE(Until([&] { return std::abs(setup().GetCableLoss() + 2.0) < 0.05; }));
    EXPECT_EQ(CellValue(2, 0), forty);
}

// A trace measured with a one-port calibration, recalled after the
// calibration was cleared, shows its calibration; back to live, the
// cleared calibration shows again.
TEST_F(VnaRecall, ARecalledTraceShowsTheCalibrationItWasMeasuredWith) {
    sim::Scene scene = IdealScene(20);
    scene.terms = sim::default_scene().terms;
    scene.dut.termination = sim::Termination::Short;
    StartType(scene, vna::kMatch);
    Key(VK_F13 + 1);  // calibration: open, short, load
    for (uint32_t key : {uint32_t{VK_F1}, uint32_t{VK_F1 + 1}, uint32_t{VK_F1 + 2}}) {
        Key(key);
        ASSERT_TRUE(Until([&] { return screen_->GetCurrentStandard() == 0; }));
    }
    ASSERT_TRUE(Until([&] { return !screen_->IsCalibrationPageActive(); }));
    ASSERT_TRUE(SweepReads([](size_t) { return 0.0; }, 0.005));
    const core::Text path = Save();
    EXPECT_NE(Text(path).find("<calib type = 1>"), std::string::npos);

    Key(VK_F13 + 1);  // clear the calibration
    Key(VK_F1);
    ASSERT_TRUE(Until([&] { return screen_->GetCurrentStandard() == 0; }));
    Key(VK_F1 + 6);
    ASSERT_TRUE(Until([&] { return !screen_->IsUploadBusy(); }));
    const core::Text off = LoadResString(309);
    ASSERT_EQ(CellValue(1, 0).substr(0, off.size()), off);

    ASSERT_TRUE(Recall(path));
    EXPECT_EQ(screen_->GetRecalledCalibType(), 1);
    const core::Text one_port = LoadResString(64354);
    EXPECT_EQ(CellValue(1, 0).substr(0, one_port.size()), one_port);
    screen_->ResetHoldState();
    screen_->UpdateSweepReadout(true);
    EXPECT_EQ(CellValue(1, 0).substr(0, off.size()), off);
}

// A trace of another range asks first, and No leaves the screen as it was;
// without a file the screen says none is selected.
TEST_F(VnaRecall, AnotherRangeAsksFirstAndNoChangesNothing) {
    StartType(IdealScene(20), vna::kMatch);
    ASSERT_TRUE(AfterWholeSweep([] { return true; }));
    const core::Text path = Save();
    setup().GetFrequencyRange()->Set(600000000, 1050000000, kStop, kStop - 600000000, 0);
    screen_->ApplySettings(true);

    messages_->answers = {false};
    EXPECT_FALSE(Recall(path));
    EXPECT_EQ(messages_->asked, (std::vector<uint32_t>{64266}));
    EXPECT_EQ(setup().GetFrequencyRange()->GetStart(), 600000000u);
    EXPECT_EQ(Posted(), 0);
    EXPECT_FALSE(screen_->IsRecalledTraceShown());

    EXPECT_FALSE(Recall(core::Text()));
    EXPECT_EQ(messages_->asked.back(), 64263u);

    messages_->answers = {true};
    EXPECT_TRUE(Recall(path));
    EXPECT_EQ(setup().GetFrequencyRange()->GetStart(), kStart);
    EXPECT_EQ(Posted(), 1);
    EXPECT_TRUE(screen_->IsRecalledTraceShown());
}

}  // namespace

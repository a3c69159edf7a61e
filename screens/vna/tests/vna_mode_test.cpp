// The network analyzer screen in-process against the simulated board through
// the acquisition driver: its keys, its traces in each unit, the calibration
// by keys with the terms it fetches and uploads again, the transfer watchdog
// and the DC-bias supervision. The test thread is the user-interface thread:
// it takes the screen's display refreshes as the view would.
#include "screens/vna/vna_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/frequency_range.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/vna_data_store.h"
#include "files/vna_meas_setup.h"
#include "instrument/tests/board_rig.h"
#include "instrument/tests/wait_for.h"
#include "instrument/vna_measurements.h"
#include "platform/text/utf.h"
#include "screens/screen_services.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/vna/tests/vna_screen_rig.h"
#include "widgets/color_scheme.h"
#include "widgets/readout_panel.h"
#include "widgets/text_widget.h"

namespace {

using namespace vna_test;

TEST_F(VnaScreen, TheGainMeasurementExistsOnlyOnTwoPortInstruments) {
    Start(IdealScene(20), 0x107);
    EXPECT_EQ(screen_->GetMeasurementCount(), 3);
    EXPECT_EQ(screen_->MeasurementOfType(vna::kGain), nullptr);
    screen_.reset();
    rig_.reset();
    Start(IdealScene(20), 0x207);
    EXPECT_EQ(screen_->GetMeasurementCount(), 4);
    EXPECT_NE(screen_->MeasurementOfType(vna::kGain), nullptr);
}

// The trace of a 20 dB load in every unit of the units page, against the
// closed forms of |Γ| = 10^(-RL/20).
TEST_F(VnaScreen, TheUnitsPageShowsTheLoadInEveryReflectionUnit) {
    Start(IdealScene(20));
    Activate();
    const double g = std::pow(10.0, -20.0 / 20);
    struct Case {
        uint32_t key;
        double want;
    } cases[] = {
        {(VK_F1 + 2 - 1), -20.0},       {VK_F1, (1 + g) / (1 - g)},
        {(VK_F1 + 3 - 1), g},           {(VK_F1 + 4 - 1), (1 - g * g) * 100},
        {(VK_F1 + 5 - 1), g * g * 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Key(VK_F13 + 2);       // amplitude
        Key((VK_F1 + 5 - 1));  // units
        ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageUnits);
        Key(c.key);
        EXPECT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageAmplitude);
        EXPECT_TRUE(SweepReads([&](size_t) { return c.want; }, 0.01));
    }
    // The first sweep request carried the setup's points and range.
    const auto sweep = rig_->board().LastPayload(dsp::msg::kReflectionSweep);
    ASSERT_GE(sweep.size(), 20u);
    EXPECT_EQ(plat::get_le<uint32_t>(sweep.data()), static_cast<uint32_t>(setup().GetDataPoints()));
    EXPECT_EQ(plat::get_le<uint64_t>(sweep.data() + 4), kStart);
    EXPECT_EQ(plat::get_le<uint64_t>(sweep.data() + 12), kStop);
}

TEST_F(VnaScreen, AnOffsetCountsTwiceOnTheMatch) {
    Start(IdealScene(20));
    Activate();
    setup().SetAmplitudeOffset(1.0);
    screen_->OnOffsetChanged();
    EXPECT_TRUE(SweepReads([](size_t) { return -18.0; }, 0.01));
}

TEST_F(VnaScreen, OutputPowerArrowsStopAtTheLimitsAndReachTheBoard) {
    Start(IdealScene(20));
    Activate();
    Key(VK_F13 + 2);
    Key((VK_F1 + 6 - 1));
    screen_->OnArrowKey(VK_LEFT, 1);
    EXPECT_DOUBLE_EQ(setup().GetPowerOutput(), -20.0);
    EXPECT_TRUE(Until([&] {
        const auto p = rig_->board().LastPayload(dsp::msg::kReflectionSweep);
        return p.size() >= 28 && plat::get_le<double>(p.data() + 20) == -20.0;
    })) << "the sweep did not carry the power";
    EXPECT_NE(CellValue(1, 0).find(u"-20.0"), core::Text::npos);
    setup().SetPowerOutput(5.0);
    screen_->OnArrowKey(VK_UP, 1);
    EXPECT_DOUBLE_EQ(setup().GetPowerOutput(), 10.0);
}

// One-port calibration by keys against the scene's reflectometer errors
// with a short at the port.
TEST_F(VnaScreen, CalibrationByKeysCorrectsTheShortAndUploadsItsTermsAgain) {
    sim::Scene scene = IdealScene(20);
    const sim::Scene reference = sim::default_scene();
    scene.terms = reference.terms;
    scene.dut.termination = sim::Termination::Short;
    Start(scene);
    Activate();
    // Before: the raw reflectometer reads the short more than 1 dB off 0 dB.
    EXPECT_TRUE(Until([&] {
        const auto t = screen_->GetShownTrace();
        return static_cast<int>(t.size()) == setup().GetDataPoints() &&
               std::any_of(t.begin(), t.end(), [](double v) { return std::abs(v) > 1.0; });
    }));
    const size_t from = PacketCount();
    Key(VK_F13 + 1);  // calibration
    ASSERT_TRUE(screen_->IsCalibrationPageActive());
    for (uint32_t key : {uint32_t{VK_F1}, uint32_t{VK_F1 + 1}, uint32_t{VK_F1 + 2}}) {
        Key(key);
        ASSERT_TRUE(Until([&] { return screen_->GetCurrentStandard() == 0; }));
    }
    ASSERT_TRUE(Until([&] { return !screen_->IsCalibrationPageActive(); }));
    const std::vector<uint16_t> sent = Commands(from);
    std::vector<uint16_t> transfer;
    for (uint16_t id : sent)
        if (id >= 0x2005 && id <= 0x2022) transfer.push_back(id);
    EXPECT_EQ(transfer,
              (std::vector<uint16_t>{0x2005, 0x2006, 0x2007, 0x2009, 0x200A, 0x200C, 0x200E}));
    EXPECT_TRUE(setup().IsCalValid(false));
    EXPECT_TRUE(SweepReads([](size_t) { return 0.0; }, 0.005));
    EXPECT_NE(CellValue(1, 0).find(LoadResString(64354)), core::Text::npos);

    // Back from another screen, the activation uploads the calibration made
    // by keys, unsaved.
    std::vector<uint8_t> er(static_cast<size_t>(setup().GetDataPoints()) * 8);
    ASSERT_TRUE(setup().GetReflectionTracking(er.data()));
    screen_->CancelEntry();
    const size_t again = PacketCount();
    Activate();
    std::vector<uint16_t> upload;
    for (uint16_t id : Commands(again))
        if (id >= 0x2005 && id <= 0x2022 && (upload.empty() || upload.back() != id))
            upload.push_back(id);
    EXPECT_EQ(upload, (std::vector<uint16_t>{0x2016, 0x2013, 0x2015, 0x200B, 0x200D, 0x200F}));
    const auto table = rig_->board().UploadedTable(dsp::msg::kStoreReflectionTracking);
    ASSERT_GE(table.size(), er.size());
    EXPECT_TRUE(std::equal(er.begin(), er.end(), table.begin()));
    EXPECT_TRUE(SweepReads([](size_t) { return 0.0; }, 0.005));
}

TEST_F(VnaScreen, ClearingTheCalibrationSendsOnlyTheParameterBlocks) {
    sim::Scene scene = IdealScene(20);
    scene.terms = sim::default_scene().terms;
    scene.dut.termination = sim::Termination::Short;
    Start(scene);
    Activate();
    Key(VK_F13 + 1);
    Key(VK_F1);
    ASSERT_TRUE(Until([&] { return screen_->GetCurrentStandard() == 0; }));
    const size_t from = PacketCount();
    Key((VK_F1 + 7 - 1));
    ASSERT_TRUE(Until([&] { return !screen_->IsUploadBusy(); }));
    std::vector<uint16_t> transfer;
    for (uint16_t id : Commands(from))
        if (id >= 0x2005 && id <= 0x2022) transfer.push_back(id);
    EXPECT_EQ(transfer, (std::vector<uint16_t>{0x2013, 0x2015}));
    EXPECT_FALSE(setup().IsCalValid(false));
    EXPECT_EQ(CellValue(1, 0).substr(0, LoadResString(309).size()), LoadResString(309));
}

// Timer 8 while a download waits: No leaves the calibration invalid.
TEST_F(VnaScreen, TheTransferWatchdogAsksAndNoInvalidatesTheCalibration) {
    Start(IdealScene(20));
    Activate();
    setup().SetCalUploaded(false);
    screen_->OnMenuKey(VK_F13 + 1, 0);
    screen_->SkipOtherCalibrations();  // nothing to fetch: no transfer starts
    EXPECT_FALSE(screen_->IsDownloadBusy());
    // An upload whose acknowledgement never came.
    screen_->OnActivate();
    ASSERT_TRUE(screen_->IsUploadBusy());
    messages_->answers = {false};
    screen_->OnCalTransferFailed();
    EXPECT_EQ(messages_->asked, (std::vector<uint32_t>{2515}));
    EXPECT_FALSE(screen_->IsUploadBusy());
    EXPECT_FALSE(setup().IsCalValid(false));
}

// Cable loss: 40 m of cable at 0.1 dB/m at 1 GHz, growing with the root of
// the frequency, shorted at its end. Each point reads the two-way loss, and
// the average is the one-way loss at the centre.
TEST_F(VnaScreen, TheCableLossTraceReadsTheTwoWayLossAndItsAverageTheOneWay) {
    sim::Scene scene = IdealScene(20);
    scene.dut.cable.length_m = 40;
    scene.dut.cable.loss_db_per_m = 0.1;
    scene.dut.termination = sim::Termination::Short;
    Start(scene);
    constexpr uint64_t kLow = 950000000, kHigh = 1050000000;
    setup().GetFrequencyRange()->Set(kLow, (kLow + kHigh) / 2, kHigh, kHigh - kLow, 0);
    Choose(vna::kCableLoss);
    Activate();
    const int n = setup().GetDataPoints();
    EXPECT_TRUE(SweepReads(
        [&](size_t i) {
            const double f =
                kLow + static_cast<double>(kHigh - kLow) * static_cast<double>(i) / (n - 1);
            return -8.0 * std::sqrt(f / 1e9);
        },
        0.02));
    EXPECT_TRUE(Until([&] { return CellValue(2, 0) == u"-4.0 dB " + LoadResString(61340); }))
        << plat::to_utf8(CellValue(2, 0));
}

// Distance to fault: a 26 dB fault 12 m down a cable of velocity factor 0.85
// that ends in a 60 dB load. At every point count the trace peaks at 12 m
// within one distance bin, and cell (1, 3) shows the count and the distance
// one frequency step stands for.
TEST_F(VnaScreen, TheDistanceToFaultPeaksAtTheFaultAtEveryPointCount) {
    sim::Scene scene = IdealScene(60);
    scene.dut.cable.length_m = 19;
    scene.dut.cable.velocity_factor = 0.85;
    scene.dut.faults = {{12.0, 26.0}};
    Start(scene);
    Choose(vna::kDistanceToFault);
    setup().SetDtfVp(0.85f);
    // Vp x c/2 over the 1 GHz span.
    const double resolution = 0.85 * 299792458.0 / 2 / 1e9;
    for (int points : {177, 353, 705, 1409}) {
        SCOPED_TRACE(points);
        ASSERT_TRUE(setup().SetDataPoints(points));
        setup().SetDtfStart(0.0f);
        setup().SetDtfStop(20.0f);
        Activate();
        ASSERT_GT(setup().GetDtfStopRaw(), 12.0);
        ExpectPeakAt(points, 12.0);
        if (HasFatalFailure()) return;
        const std::string cell = plat::to_utf8(CellValue(1, 3));
        char want[64];
        std::snprintf(want, sizeof want, "%d, %.3f m", points, resolution);
        EXPECT_EQ(cell, want);
    }
}

TEST_F(VnaScreen, DcBiasSupervision) {
    sim::Scene scene = IdealScene(20);
    scene.dut.bias_current_a = 0.12;
    Start(scene);
    Choose(vna::kGain);
    Activate();
    // 0.12 A: shown, the watchdog goes on.
    screen_->SetDcBiasOn(true);
    screen_->CheckDcBiasCurrent(static_cast<uint32_t>(120 * 255));
    EXPECT_EQ(CellValue(2, 1), u"0.12 A");
    EXPECT_TRUE(screen_->IsDcBiasOn());
    // 1.2 A: off, with the over-current box under its caption, and the
    // board told.
    screen_->CheckDcBiasCurrent(static_cast<uint32_t>(1200 * 255));
    EXPECT_FALSE(screen_->IsDcBiasOn());
    EXPECT_EQ(messages_->asked.back(), 2513u);
    EXPECT_EQ(messages_->captions.back(), 2512u);
    const auto option = rig_->board().LastPayload(dsp::msg::kOption);
    EXPECT_EQ(option, (std::vector<uint8_t>{0, 0, 0, 0}));
    // No reply: the second tick switches the bias off with 2514.
    screen_->SetDcBiasOn(true);
    screen_->ShowBiasTeeMessage();
    EXPECT_TRUE(screen_->IsDcBiasOn());
    screen_->ShowBiasTeeMessage();
    EXPECT_FALSE(screen_->IsDcBiasOn());
    EXPECT_EQ(messages_->asked.back(), 2514u);
    // A reply after the bias went off leaves it off and shows nothing.
    screen_->CheckDcBiasCurrent(static_cast<uint32_t>(120 * 255));
    EXPECT_FALSE(screen_->IsDcBiasOn());
    EXPECT_EQ(CellValue(2, 1), core::Text());
}

// Stopped with the DC bias on (the calibration page, the file manager), the
// gain measurement still hears the bias current: the watchdog's ticks are
// answered and the bias stays on.
TEST_F(VnaScreen, TheBiasWatchdogIsAnsweredWhileTheGainMeasurementIsStopped) {
    sim::Scene scene = IdealScene(20);
    scene.dut.bias_current_a = 0.12;
    Start(scene);
    Choose(vna::kGain);
    Activate();
    const size_t from = PacketCount();
    screen_->SetDcBiasOn(true);
    ASSERT_TRUE(Until([&] {
        const auto packets = rig_->board().Packets();
        for (size_t i = from; i < packets.size(); ++i)
            if (packets[i].command == dsp::msg::kOption && packets[i].payload.size() > 1 &&
                packets[i].payload[1] == 1)
                return true;
        return false;
    }));
    screen_->StopMeasurement();
    // The link listens without a sweep before the first tick.
    ASSERT_TRUE(Until([&] { return rig_->link().GetLastSentId() == dsp::msg::kStartOnly; }));
    for (int tick = 0; tick < 3; ++tick) {
        SCOPED_TRACE(tick);
        screen_->ShowBiasTeeMessage();
        ASSERT_TRUE(Until([&] { return screen_->GetUnansweredBiasQueries() == 0; }))
            << "the current query went unanswered";
        EXPECT_TRUE(screen_->IsDcBiasOn());
        EXPECT_EQ(CellValue(2, 1), u"0.12 A");
    }
    EXPECT_TRUE(messages_->asked.empty());
}

// Readout row 2 names the offset, the attenuation, the detector and the
// trigger; a trigger mode without a name leaves its cell empty.
TEST_F(VnaScreen, TheSettingsRowNamesOnlyTheKnownTriggerModes) {
    Start(IdealScene(20));
    setup().SetAttenuationLevel(10);
    struct Case {
        int32_t attenuation_mode, trigger;
        const char16_t* attenuation;
        core::Text trigger_text;
    } cases[] = {
        {1, 0, u"10 dB(M)", LoadResString(552)},
        {0, 1, u"10 dB(A)", LoadResString(246)},
        {2, 2, u"10 dB(A)", LoadResString(245)},
        {1, 3, u"10 dB(M)", core::Text()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger);
        setup().SetAttenuationMode(c.attenuation_mode);
        setup().SetTriggerMode(c.trigger);
        ASSERT_EQ(setup().GetTriggerMode(), c.trigger);
        screen_->UpdateSettingsReadout();
        EXPECT_EQ(CellValue(2, 1), c.attenuation);
        EXPECT_EQ(CellValue(2, 3), c.trigger_text);
    }
}

// Full span on the frequency page sweeps from the lowest frequency to
// 3.6 GHz.
TEST_F(VnaScreen, FullSpanSweepsFromTheLowestFrequencyTo3600MHz) {
    Start(IdealScene(20));
    Activate();
    const size_t from = PacketCount();
    Key(VK_F13);     // frequency
    Key(VK_F1 + 5);  // full span
    std::vector<uint8_t> sweep;
    ASSERT_TRUE(Until([&] {
        const auto packets = rig_->board().Packets();
        for (size_t i = from; i < packets.size(); ++i)
            if (packets[i].command == dsp::msg::kReflectionSweep) sweep = packets[i].payload;
        return sweep.size() >= 20 && plat::get_le<uint64_t>(sweep.data() + 12) == 3600000000u;
    }));
    EXPECT_EQ(plat::get_le<uint64_t>(sweep.data() + 4), 325000000u);
    EXPECT_EQ(setup().GetFrequencyRange()->GetSpan(), 3275000000u);
}

}  // namespace

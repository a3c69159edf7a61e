#pragma once
// The network analyzer screen in-process against the simulated board through
// the acquisition driver: the rig's services, the boxes and entries answered
// by script, an ideal reflectometer scene, and the fixture whose test thread
// is the user-interface thread (it takes the screen's display refreshes as
// the view would).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/frequency_range.h"
#include "files/vna_meas_setup.h"
#include "instrument/tests/board_rig.h"
#include "instrument/tests/wait_for.h"
#include "screens/screen_services.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/vna/vna_mode.h"
#include "widgets/color_scheme.h"
#include "widgets/readout_panel.h"
#include "widgets/text_widget.h"

namespace vna_test {
using measure_test::BoardRig;
using Packet = measure_test::RecordingBoard::Packet;

constexpr uint64_t kStart = 500000000, kStop = 1500000000;

// The application's services with the rig's link.
class RigServices : public StubScreenServices {
  public:
    RigServices(CDspInterface* link, uint32_t hardware) : link_(link) { hardware_id = hardware; }
    CDspInterface* GetDspLink() const override { return link_; }
    CCableType* GetScreenCableList() override { return cables; }
    CGraphPanel* GetSharedGraphPanel() const override { return graph; }
    CCableType* cables = nullptr;  // the application's list, if any
    CGraphPanel* graph = nullptr;  // the application's graph panel, if any

  private:
    CDspInterface* link_;
};

// The boxes the screen asks: each answer in turn; none left answers No.
class ScriptedMessages : public IVnaMessages {
  public:
    std::deque<bool> answers;
    std::vector<uint32_t> asked;
    std::vector<uint32_t> captions;
    bool Ask(uint32_t text_id, uint32_t caption_id, bool) override {
        asked.push_back(text_id);
        captions.push_back(caption_id);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

class NoEntries : public IVnaEntries {
  public:
    std::optional<double> Level(uint32_t, int, uint32_t, int, double, double, double,
                                double) override {
        return std::nullopt;
    }
    std::optional<double> Offset(int, double) override { return std::nullopt; }
    std::optional<double> PowerOutput(int, double, double) override { return std::nullopt; }
};

// A reflectometer without error in front of a load of the given return loss
// at the port.
sim::Scene IdealScene(double load_return_loss_db) {
    sim::Scene scene = sim::default_scene();
    scene.time_scale = 0;
    scene.receiver.noise_variation = false;
    scene.terms.directivity_db = 300;
    scene.terms.source_match_db = 300;
    scene.terms.reflection_tracking_db = 0;
    scene.terms.tracking_delay_ns = 0;
    scene.dut.cable.length_m = 0;
    scene.dut.faults.clear();
    scene.dut.termination = sim::Termination::Load;
    scene.dut.load_return_loss_db = load_return_loss_db;
    return scene;
}

class VnaScreen : public ::testing::Test {
  protected:
    void Start(const sim::Scene& scene, uint32_t hardware = 0x207) {
        rig_ = std::make_unique<BoardRig>(scene);
        services_ = std::make_unique<RigServices>(&rig_->link(), hardware);
        services_->graph = shared_graph_;
        IScreenServices::set_current(services_.get());
        screen_ = std::make_unique<CVnaMode>(&rig_->link());
        auto messages = std::make_unique<ScriptedMessages>();
        messages_ = messages.get();
        screen_->SetMessages(std::move(messages));
        screen_->SetEntries(std::make_unique<NoEntries>());
        screen_->OnCreate(nullptr, frame_, 0, scheme_.get());
        CVNAMeasSetup& s = setup();
        s.GetFrequencyRange()->Set(kStart, (kStart + kStop) / 2, kStop, kStop - kStart, 0);
    }
    void TearDown() override {
        if (screen_) screen_->OnClose();
        screen_.reset();
        rig_.reset();
        IScreenServices::set_current(nullptr);
    }
    CVNAMeasSetup& setup() { return *screen_->GetVnaSetup(); }

    // Takes the display refreshes until `done` holds.
    template <typename F>
    bool Until(F done, int real_ms = 20000) {
        return instrument_test::WaitFor(
            [&] {
                screen_->OnDisplayRefresh();
                return done();
            },
            real_ms);
    }
    void Key(uint32_t vk) { screen_->OnKeyEvent(vk, 0); }
    // The commands the board received since `from`, of the network analyzer
    // class and not sweeps or stops.
    std::vector<uint16_t> Commands(size_t from = 0) const {
        std::vector<uint16_t> out;
        const auto packets = rig_->board().Packets();
        for (size_t i = from; i < packets.size(); ++i) out.push_back(packets[i].command);
        return out;
    }
    size_t PacketCount() const { return rig_->board().Packets().size(); }
    static bool Has(const std::vector<uint16_t>& v, uint16_t id) {
        return std::find(v.begin(), v.end(), id) != v.end();
    }
    // A whole sweep of the setup's points, every one within `near` of `want`.
    bool SweepReads(const std::function<double(size_t)>& want, double near) {
        return Until([&] {
            const std::vector<double> t = screen_->GetShownTrace();
            if (static_cast<int>(t.size()) != setup().GetDataPoints()) return false;
            for (size_t i = 0; i < t.size(); ++i)
                if (!(std::abs(t[i] - want(i)) <= near)) return false;
            return true;
        });
    }
    // Waits for a shown distance trace of `points` and checks that its
    // highest point stands within one bin of `metres`.
    void ExpectPeakAt(int points, double metres) {
        const double start = setup().GetDtfStartRaw(), stop = setup().GetDtfStopRaw();
        const double bin = (stop - start) / (points - 1);
        std::vector<double> trace;
        ASSERT_TRUE(Until([&] {
            trace = screen_->GetShownTrace();
            return static_cast<int>(trace.size()) == points;
        }));
        const auto peak = std::max_element(trace.begin(), trace.end()) - trace.begin();
        EXPECT_NEAR(start + static_cast<double>(peak) * bin, metres, bin);
    }
    core::Text CellValue(int row, int column) {
        CReadoutPanel* panel = screen_->readout_panel();
        CTextWidget* cell = panel ? panel->GetCell(row, column) : nullptr;
        return cell ? cell->GetValue() : core::Text();
    }
    // Makes the screen's measurement of `type` the current one and the
    // setup's, before the activation.
    void Choose(int type) {
        screen_->SetCurrentMeasurement(screen_->MeasurementOfType(type), &setup());
        setup().SetMeasurementId(type);
    }
    void Activate() {
        screen_->OnActivate();
        ASSERT_TRUE(Until([&] { return !screen_->IsUploadBusy(); })) << "upload did not end";
    }

    std::unique_ptr<CColorScheme> scheme_ = CreateColorScheme(1);
    plat::CWnd* frame_ = nullptr;          // the main window the screen posts to, if any
    CGraphPanel* shared_graph_ = nullptr;  // the graph the screen draws on, if any
    std::unique_ptr<BoardRig> rig_;
    std::unique_ptr<RigServices> services_;
    std::unique_ptr<CVnaMode> screen_;
    ScriptedMessages* messages_ = nullptr;
};

}  // namespace vna_test

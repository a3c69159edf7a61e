// The application's services that act on a measurement and its screen, on
// their successful paths: a measurement activating its own screen, a stored
// setup recalled into its screen, the current measurement's screen, and the
// board I/O word written to "BIO1:".
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/tests/app_test_support.h"
#include "core/sorted_item_list.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "platform/registry/registry.h"
#include "platform/window/message_loop.h"

using namespace app_test;

namespace {

// A spectrum screen with its own setup and one measurement that names it.
class MeasurementScreen : public RecordingScreen {
  public:
    explicit MeasurementScreen(std::shared_ptr<Log> log)
        : RecordingScreen(kScreenSpectrumAnalyzer, log), log_(std::move(log)) {
        setup_ = &sa_;
        measurement_.Init(this);
    }
    void SetCurrentMeasurement(CMeasurement* m, CMeasSetup* setup) override {
        log_->add(std::string("screen2 SetCurrentMeasurement") +
                  (m == &measurement_ ? " own" : " other") + (setup == &sa_ ? " own" : " other"));
    }
    void StartMeasurement() override { log_->add("screen2 StartMeasurement"); }
    CMeasurement* FindMeasurement(intptr_t) override { return &measurement_; }
    CMeasurement* GetFirstMeasurement() override { return &measurement_; }

    CSAMeasSetup sa_;
    CMeasurement measurement_{nullptr};

  private:
    std::shared_ptr<Log> log_;
};

class SetupItem : public CSortedItem {
  public:
    uint32_t GetModeId() const override { return kScreenSpectrumAnalyzer; }
    core::Text GetName() const override { return u"Roof antenna"; }
    core::Text GetFilePath() const override { return u"\\FlashFX Disk\\My Setups\\Roof.tws"; }
};

TEST(MeasurementSwitch, AMeasurementActivatesItsScreenAndARecallLoadsAndRenamesTheSetup) {
    DeviceRoot root("celvane-activate");
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* home = app.AddScreen(kScreenModeSelect);
    auto* spectrum = new MeasurementScreen(log);
    app.screens.push_back(spectrum);
    app.initial = home;

    bool activated = false;
    CModeBase *afterActivate = nullptr, *measurementScreen = nullptr, *afterRecall = nullptr;
    double recalledAttenuation = -1;
    core::Text recalledLabel;
    uint32_t recalledState = 99;
    home->probes[plat::VK_F1] = [&] {
        activated = app.ActivateForMeasurement(&spectrum->measurement_);
        afterActivate = app.GetCurrentMode();
        app.SetCurrentMeasurement(&spectrum->measurement_, nullptr);
        measurementScreen = app.GetCurrentMeasurementScreen();

        // A stored setup with 20 dB attenuation; the screen's setup has
        // moved on to 0 dB since.
        app.ShowModeSelect();
        spectrum->sa_.SetAttenuationLevel(20);
        spectrum->sa_.SetFilePath(u"\\FlashFX Disk\\My Setups\\Roof.tws");
        ASSERT_TRUE(spectrum->sa_.Save());
        spectrum->sa_.SetAttenuationLevel(0);
        spectrum->sa_.SetSetupLabel(u"Before");
        SetupItem item;
        app.RecallSetupItem(&item);
        afterRecall = app.GetCurrentMode();
        recalledAttenuation = spectrum->sa_.GetAttenuationLevel();
        recalledLabel = spectrum->sa_.GetSetupLabel();
        recalledState = spectrum->measurement_.GetState();
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);

    EXPECT_TRUE(activated);
    EXPECT_EQ(afterActivate, spectrum);
    EXPECT_EQ(measurementScreen, spectrum);
    EXPECT_TRUE(log->has("screen2 SetCurrentMeasurement own own"));
    EXPECT_TRUE(log->has("screen2 StartMeasurement"));
    EXPECT_TRUE(log->has("screen0 CancelEntry")) << "the home screen was left first";

    EXPECT_EQ(afterRecall, spectrum);
    EXPECT_EQ(recalledAttenuation, 20.0);
    EXPECT_EQ(recalledLabel, u"Roof antenna");
    EXPECT_EQ(recalledState, CMeasurement::kStartRequested);
    EXPECT_TRUE(log->has("screen2 OnActivate"));
}

// The board I/O word goes to "BIO1:" as control code 0xBABA0003 with its
// four bytes (a recording driver stands in for the board I/O driver).
TEST(MeasurementSwitch, BoardIoWordReachesTheDevice) {
    DeviceRoot root("celvane-bioword");
    std::filesystem::copy_file(BinDir() / "TestStreamDriver.so",
                               root.path() / "Windows" / "RecordIO.so");
    {
        plat::RegKey key;
        ASSERT_EQ(plat::hkey_local_machine().create(u"Drivers\\BuiltIn\\BIO", key),
                  plat::ERROR_SUCCESS);
        key.set_string(u"Dll", u"RecordIO.dll");
        key.set_string(u"Prefix", u"BIO");
        key.set_dword(u"Index", 1);
    }
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenModeSelect);
    bool sent = false;
    uint8_t last[8] = {};
    app.initial->probes[plat::VK_F1] = [&] {
        const uint8_t word[4] = {0x11, 0x22, 0x33, 0x44};
        sent = app.BioSetWord(word);
        plat::devices::StreamFile bio = plat::devices::StreamFile::open(u"BIO1:");
        uint32_t returned = 0;
        bio.io_control(4, nullptr, 0, last, sizeof last, &returned);  // the driver's last call
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    EXPECT_TRUE(sent);
    uint32_t code = 0;
    std::memcpy(&code, last, 4);
    EXPECT_EQ(code, 0xBABA0003u);
    EXPECT_EQ(last[4], 0x11);
    EXPECT_EQ(last[7], 0x44);
}

// Services that fail still leave the DSP link tried (the start-up ends in
// failure all the same), and the frame window's step gives the framework its
// registry key, the company name.
TEST(MeasurementSwitch, AFailedStepStillTriesTheLinkAndTheFrameStepSetsTheRegistryKey) {
    struct NoServices : TestApp {
        using TestApp::TestApp;
        bool InitServices() override { return false; }
    };
    DeviceRoot root("celvane-step15");
    {
        NoServices app(std::make_shared<Log>());
        EXPECT_EQ(RunScript(app, root, "quit\n"), CCelvaneApp::kStartFailed);
        EXPECT_NE(app.GetDspInterface(), nullptr);
        EXPECT_EQ(app.GetRegistryKey(), u"Vorn Electronic");
    }
    plat::Message stale;
    for (int i = 0; i < 1000 && plat::peek_ui_message(stale, true); ++i) {
    }
}

// The view's window class has no background: erasing leaves the screens'
// pixels alone.
TEST(MeasurementSwitch, TheViewClassHasNoBackground) {
    DeviceRoot root("celvane-viewclass");
    TestApp app(std::make_shared<Log>());
    app.initial = app.AddScreen(kScreenModeSelect);
    ASSERT_EQ(RunScript(app, root, "quit\n"), 0);
    const plat::WindowClass* view = plat::find_window_class("CelvaneView");
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->background.has_value());
    EXPECT_EQ(view->style, plat::CS_VREDRAW | plat::CS_HREDRAW | plat::CS_DBLCLKS);
}

}  // namespace

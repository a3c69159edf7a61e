#pragma once
// The spectrum analyzer screen alone, driven by its keys: the entry dialogs
// answered by the test in turn, the program's messages recorded.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/keys.h"
#include "core/params.h"
#include "files/sa_meas_setup.h"
#include "files/trigger_settings.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "widgets/color_scheme.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace specan_rig {

constexpr uint32_t kMenuKey0 = VK_F13, kMenuKey1 = VK_F13 + 1, kMenuKey2 = VK_F13 + 2;

// The entry dialogs: each answer is taken in turn; none left means Escape.
class ScriptedEntries : public ISpecAnEntries {
  public:
    std::deque<double> answers;
    std::vector<std::string> calls;

    std::optional<double> Next(const std::string& what) {
        calls.push_back(what);
        if (answers.empty()) return std::nullopt;
        const double v = answers.front();
        answers.pop_front();
        return v;
    }
    std::optional<int> Whole(const std::string& what) {
        auto v = Next(what);
        return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
    }
    std::optional<int> Bandwidth(bool video, int, int) override {
        return Whole(video ? "VBW" : "RBW");
    }
    std::optional<int> SpanRbwRatio(int, int) override { return Whole("Span/RBW"); }
    std::optional<double> RbwVbwRatio(int) override { return Next("RBW/VBW"); }
    std::optional<double> GateDelay(uint32_t, int, int, int, int) override {
        return Next("gate delay");
    }
    std::optional<double> Number(uint32_t, double, double, double, double, int) override {
        return Next("number");
    }
    std::optional<double> Amplitude(uint32_t, uint32_t, double, double, double, int) override {
        return Next("amplitude");
    }
    std::optional<int> Scale(int, uint32_t, int) override { return Whole("scale"); }
    std::optional<double> Offset(double, int) override { return Next("offset"); }
    std::optional<double> Percent(uint32_t, double, int) override { return Next("percent"); }
    std::optional<double> DbcLevel(double, double, double, int) override { return Next("dBc"); }
    std::optional<uint64_t> Frequency(uint32_t, uint64_t, uint64_t, uint64_t, int) override {
        auto v = Next("frequency");
        return v ? std::optional<uint64_t>(static_cast<uint64_t>(*v)) : std::nullopt;
    }
    std::optional<double> Duration(uint32_t, int, int, int, int) override {
        return Next("duration");
    }
    std::optional<int> Antenna(const core::Text&) override { return Whole("antenna"); }
};

class SpecAnMenus : public ::testing::Test {
  protected:
    void SetUp() override {
        IScreenServices::set_current(&services_);
        auto entries = std::make_unique<ScriptedEntries>();
        entries_ = entries.get();
        screen_.SetEntries(std::move(entries));
        screen_.OnCreate(nullptr, nullptr, 0, scheme_.get());
        setup().GetFrequencyRange()->SetCentre(1000000000, true);
        setup().GetFrequencyRange()->SetSpan(3000000, true);
        setup().GetBandwidthSettings()->UpdateForSpan(3000000);
    }
    void TearDown() override { IScreenServices::set_current(nullptr); }

    CSAMeasSetup& setup() { return *screen_.GetSASetup(); }
    CChoiceBlock& bandwidth() { return *setup().GetBandwidthSettings(); }
    CTriggerSettings& trigger() { return *setup().GetTriggerSettings(); }
    // A key as the keypad gives it: arrows act on the press, the others on
    // the release.
    void Key(uint32_t vk) {
        screen_.OnKeyEvent(vk, 1);
        screen_.OnKeyEvent(vk, 0);
    }
    void Soft(int index) { Key(VK_F1 + static_cast<uint32_t>(index)); }
    std::string Label(int key) {
        return core::LowBytes(screen_.soft_key_menu()->Key(key)->GetTitle());
    }

    std::unique_ptr<CColorScheme> scheme_ = CreateColorScheme(1);
    StubScreenServices services_;
    CSpecAnMode screen_{nullptr};
    ScriptedEntries* entries_ = nullptr;
};

}  // namespace specan_rig

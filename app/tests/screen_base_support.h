#pragma once
// Two small screens on the screen base with real panes and filled pages, in
// the real application on the headless display; the screenshot read back
// through ImageMagick.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "instrument/status_text_line.h"
#include "platform/framework/system_services.h"
#include "platform/text/utf.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace screen_test {

using app_test::Log;

// String ids of the test pages (the program's own table).
constexpr uint32_t kStart = 229, kStop = 230, kCentre = 214, kSpan = 215;
constexpr uint32_t kHigh = 538, kLow = 536;
constexpr uint32_t kPageHelp = 1019;
// The home widget's place (in the main area) and the key that runs a
// test's next step (F24 belongs to no key set).
constexpr plat::Rect kHomeRect{300, 200, 400, 260};
constexpr uint32_t kStepKey = 135;

// A measurement a switch code can name.
class TestMeasurement : public CMeasurement {
  public:
    explicit TestMeasurement(uint32_t id) { id_ = id; }
};

class PaneScreen : public CModeBase {
  public:
    PaneScreen(int id, std::shared_ptr<Log> log, uint32_t title)
        : log_(std::move(log)), title_(title) {
        mode_id_ = id;
        // Page 0: four labelled keys with actions; page 53: two others.
        const uint32_t labels0[] = {kStart, kStop, kCentre, kSpan};
        for (int k = 0; k < 4; ++k) {
            set_label(0, k, static_cast<int>(labels0[k]));
            set_action(0, k, k + 1);
            set_menu_caption(0, k, static_cast<int>(labels0[3 - k]));
        }
        set_page_help(0, kPageHelp);
        set_label(53, 0, kHigh);
        set_label(53, 1, kLow);
        set_menu_caption(53, 0, kHigh);
    }

    std::vector<std::function<void()>> steps;
    std::unique_ptr<TestMeasurement> measurement;

    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) override {
        CModeBase::OnCreate(view, frame, third, scheme);
        file_label_panel_ = std::make_unique<CFileLabelPanel>(LoadResString(title_), false);
        CreatePane(*file_label_panel_, GetTitleLayout());
        soft_key_menu_ = std::make_unique<CSoftKeyMenu>();
        CreatePane(*soft_key_menu_, GetSoftKeyLayout());
        menu_key_panel_ = std::make_unique<CPanelWidget>();
        CreatePane(*menu_key_panel_, GetBottomLayout());
        readout_panel_ = std::make_unique<CReadoutPanel>(0);
        CreatePane(*readout_panel_, GetReadoutLayout());
        status_indicator_ = std::make_unique<CStatusIndicator>();
        CreatePane(*status_indicator_, GetCornerLayout());
        home_widget_ = std::make_unique<CScreenWidget>();
        const PaneLayout home{
            kHomeRect.left, kHomeRect.top, kHomeRect.right, kHomeRect.bottom, 18, 90};
        CreatePane(*home_widget_, home);
        status_path_ = std::make_unique<CStatusTextLine>(title_);
        return 1;
    }
    // The screen draws every pane when it becomes current.
    void OnActivate() override {
        CModeBase::OnActivate();
        add("OnActivate page " + std::to_string(page()));
        const plat::Rect c = client_rect();
        if (CScreenWidget* main = home_widget()) {
            // The main area is the screen's: clear it, then the panes.
            plat::WindowDc dc(main->GetOwner());
            dc.dc().fill_rect({c.left, c.top + 30, c.left + 705, c.top + 455}, main->GetBrush());
        }
        ShowSoftKeys();
        ShowPageTexts(page());
        for (int pane : {kPaneFileLabel, kPaneMenuKeys, kPaneReadout, kPaneHome}) RefreshPane(pane);
        UpdateStatusIcons(1, 50);
    }
    void CancelEntry() override {
        CModeBase::CancelEntry();
        add("CancelEntry");
    }
    void OnKeyEvent(uint32_t key, int pressed) override {
        if (key == kStepKey) {
            if (!pressed && !steps.empty()) {
                auto step = std::move(steps.front());
                steps.erase(steps.begin());
                step();
            }
            return;
        }
        add("event " + std::to_string(key) + " " + std::to_string(pressed));
        CModeBase::OnKeyEvent(key, pressed);
    }
    void OnSoftKey(uint32_t key, int repeat) override {
        add("soft " + std::to_string(key));
        CModeBase::OnSoftKey(key, repeat);
    }
    void OnMenuKey(uint32_t key, int) override { add("menu " + std::to_string(key)); }
    void OnNumericKey(uint32_t key, int) override { add("numeric " + std::to_string(key)); }
    void OnArrowKey(uint32_t key, int pressed) override {
        add("arrow " + std::to_string(key) + " " + std::to_string(pressed));
        CModeBase::OnArrowKey(key, pressed);
    }
    int OnEscapeKey() override {
        add("escape");
        return CModeBase::OnEscapeKey();
    }
    void OnEnterKey() override { add("enter"); }
    void OnModeKey(uint32_t key) override { add("mode " + std::to_string(key)); }
    int StopMeasurement() override {
        add("stop");
        return 0;
    }
    void ShowStatusMessage(const std::u16string& text, int flag) override {
        if (flag == 1) add("status " + plat::to_utf8(text));
    }
    CMeasurement* FindMeasurement(intptr_t id) override {
        return measurement && measurement->GetId() == static_cast<uint32_t>(id) ? measurement.get()
                                                                                : nullptr;
    }
    void SetCurrentMeasurement(CMeasurement* m, CMeasSetup*) override {
        add("measurement " + std::to_string(m ? m->GetId() : 0));
    }
    // Opens the protected helpers to the tests.
    using CModeBase::ShowPageTexts;

  private:
    void add(const std::string& s) { log_->add("screen" + std::to_string(mode_id_) + " " + s); }
    std::shared_ptr<Log> log_;
    uint32_t title_;
};

// The application with the two pane screens and recorded dialogs.
class PaneApp : public CCelvaneApp {
  public:
    // With `setup`, a third screen stands for the setup screen.
    explicit PaneApp(std::shared_ptr<Log> l, bool setup = false)
        : log(std::move(l)),
          a_(std::make_unique<PaneScreen>(kScreenNetworkAnalyzer, log, 64184)),
          b_(std::make_unique<PaneScreen>(kScreenSpectrumAnalyzer, log, 64185)) {
        if (setup) c_ = std::make_unique<PaneScreen>(kScreenSetup, log, 64186);
        first = a_.get();
        second = b_.get();
        third = c_.get();
    }

    std::shared_ptr<Log> log;
    PaneScreen* first = nullptr;   // network analyzer, current at the start
    PaneScreen* second = nullptr;  // spectrum analyzer
    PaneScreen* third = nullptr;   // setup, when asked for
    uint32_t hardwareId = 0x207;
    int answer = 7;  // the message box's answer: 6 Yes, 7 No
    std::vector<std::pair<core::Text, std::u16string>> helpViewers;
    std::vector<core::Text> messages;
    int timeDateDialogs = 0;

    // The application owns the screens from here on.
    bool CreateModes() override {
        AddMode(a_.release());
        AddMode(b_.release());
        if (c_) AddMode(c_.release());
        return true;
    }
    bool InitInstance() override {
        const bool ok = CCelvaneApp::InitInstance();
        if (ok && first) SwitchToMode(first);
        return ok;
    }
    uint32_t GetHardwareId() const override { return hardwareId; }
    // With realBox set, the program's own message box answers.
    bool realBox = false;
    int ShowScreenMessage(const core::Text& text, uint32_t style) override {
        messages.push_back(text);
        return realBox ? CCelvaneApp::ShowScreenMessage(text, style) : answer;
    }
    // With realDialogs set, the program's own viewer and time dialog open.
    bool realDialogs = false;
    void RunQuickHelp(const core::Text& title, const std::u16string& path) override {
        helpViewers.emplace_back(title, path);
        if (realDialogs) CCelvaneApp::RunQuickHelp(title, path);
    }
    void RunTimeDateDialog() override {
        ++timeDateDialogs;
        if (realDialogs) CCelvaneApp::RunTimeDateDialog();
    }

  private:
    std::unique_ptr<PaneScreen> a_, b_, c_;
};

// One pixel of a screenshot as 0xRRGGBB, read back through ImageMagick.
class Shot {
  public:
    explicit Shot(const std::filesystem::path& png) {
        const std::filesystem::path raw = png.string() + ".rgb";
        const std::string cmd =
            "convert '" + png.string() + "' -depth 8 rgb:'" + raw.string() + "'";
        if (std::system(cmd.c_str()) != 0) return;
        std::FILE* f = std::fopen(raw.c_str(), "rb");
        if (!f) return;
        pixels_.resize(kWidth * kHeight * 3);
        if (std::fread(pixels_.data(), 1, pixels_.size(), f) != pixels_.size()) pixels_.clear();
        std::fclose(f);
    }
    bool ok() const { return !pixels_.empty(); }
    uint32_t at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)) * 3;
        return (uint32_t{pixels_[i]} << 16) | (uint32_t{pixels_[i + 1]} << 8) | pixels_[i + 2];
    }
    // How many pixels of a rectangle differ from a colour.
    int CountOther(const plat::Rect& r, uint32_t rgb) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += at(x, y) != rgb;
        return n;
    }
    bool SameAs(const Shot& other) const { return pixels_ == other.pixels_; }

  private:
    static constexpr size_t kWidth = 800, kHeight = 600;
    std::vector<unsigned char> pixels_;
};

// A COLORREF (0x00BBGGRR) as 0xRRGGBB.
inline uint32_t Rgb(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace screen_test

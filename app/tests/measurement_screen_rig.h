#pragma once
// The real application in this process on the headless display with the
// real clock, the DSP link, the acquisition driver and the simulated board
// of a scene, and a small spectrum screen on the measurement screen base
// that supplies the spectrum analyzer's hooks (test code). The script comes
// through a pipe, so the test types its keys as it goes and waits for
// events (sweeps, probes) in between.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/celvane_app.h"
#include "app/main_frame.h"
#include "app/tests/app_test_support.h"
#include "app/tests/app_thread_run.h"
#include "core/frequency_range.h"
#include "core/scoped_lock.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/progress_dlg.h"
#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "instrument/specan_measurements.h"
#include "instrument/wave_player.h"
#include "platform/framework/app.h"
#include "platform/sound/sound.h"
#include "screens/measurement_base.h"

namespace mrig {

// What the screen's data path did, for the test thread (own lock).
struct Recorder {
    struct Sweep {
        std::vector<double> newest;  // the sweep as measured
        std::vector<double> trace;   // after the trace mode
        std::vector<uint64_t> frequency;
        std::vector<int32_t> segmentStart, segmentCode;
        std::vector<int32_t> peaks, valleys;  // ranked point indices
        int averagingMode = 0, peakHoldMode = 0, averagingCount = 1;
        bool restarted = false;  // the trace mode started again from this sweep
        bool failed = false;     // a point of this sweep was out of the limits
        size_t beeps = 0;        // limit beeps sounded so far
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Sweep> sweeps;
    int blocks = 0;
    int published = 0;     // display refreshes that drew
    int lastDrawnEnd = 0;  // the end index the graph last received
    bool keepSweeps = true;
    int lastEnd = 0;  // the end index of the last block
    int Blocks() {
        std::lock_guard lock(mutex);
        return blocks;
    }
    int started = 0;  // 1 once the application runs, -1 when its start failed
    // The progress window as it stood after each of the screen's progress
    // steps (opened or moved).
    struct ProgressStep {
        uint32_t position = 0, maximum = 0;
        std::u16string text;
    };
    std::vector<ProgressStep> progress;

    template <class Pred>
    bool WaitFor(Pred pred, int seconds = 15) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(seconds), [&] { return pred(*this); });
    }
    size_t SweepCount() {
        std::lock_guard lock(mutex);
        return sweeps.size();
    }
};

class SpectrumScreen : public CMeasurementBase {
  public:
    explicit SpectrumScreen(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {
        mode_id_ = kScreenSpectrumAnalyzer;
        setup_ = &sa_;
    }
    ~SpectrumScreen() override { freqEntryDlg = nullptr; }

    // Makes the measurements on the link and the screen's entry dialog.
    void Build(CDspInterface* link, plat::CWnd* frame) {
        general_ = new CGeneralSpectrumMeasurement(link);
        demod_ = new CDemodSignalMeasurement(link);
        general_->Init(this);
        demod_->Init(this);
        SetMeasurement(general_);
        SetMeasurement(demod_);
        currentMeasurement = general_;
        dialog_ = std::make_unique<CFreqEntryDlg>(frame);
        freqEntryDlg = dialog_.get();
        player_.SetFormat();
        player_.Open();
        wavePlayer = &player_;
    }

    // The spectrum analyzer's hooks.
    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) override {
        const int r = CMeasurementBase::OnCreate(view, frame, third, scheme);
        CreatePanes(view);
        return r;
    }
    void InstrumentHook() override {}
    void ProcessNewData(CDeviceItem* record, int) override {
        if (!record) return;
        if (record->GetType() == CDeviceItem::kSweep) {
            if (record->GetId() == kRunStateId)
                SetRunState(record);
            else
                ProcessSweepBlock(record);
            return;
        }
        OnResultRecord(record);
    }
    // A sweep record holds the sweep's points from 0 up to its end index.
    int GetBlockPointCount(CDeviceItem* r) override { return static_cast<int>(r->GetCount()); }
    int GetBlockEndIndex(CDeviceItem* r) override { return static_cast<int>(r->GetFirstIndex()); }
    double GetTracePoint(CDeviceItem* r, int i) override {
        if (i < 0 || static_cast<uint32_t>(i) >= r->GetCount() ||
            (static_cast<uint32_t>(i) + 1) * sizeof(float) > r->GetDataLength())
            return 0.0;
        float v;
        std::memcpy(&v, r->GetData() + static_cast<size_t>(i) * sizeof(float), sizeof v);
        return v;
    }
    double ConvertLevel(double level) override { return level; }
    int LoadScaleRange() override {
        scaleTop = top_;
        scaleBottom = top_ - 100.0;
        return 1;
    }
    int PrepareSweepStart(int, int*) override {
        m_UpperFailed = m_LowerFailed = false;
        m_SweepComplete = false;
        return 1;
    }
    void ApplyValue(int key, bool keep, uint64_t oldSpan) override {
        CMeasurementBase::ApplyValue(key, keep, oldSpan);
        if (currentMeasurement) currentMeasurement->Start(0, 0);
    }
    int OnFrequencyMenuKey(int key) override {
        const int armed = CMeasurementBase::OnFrequencyMenuKey(key);
        if (key >= 0 && key < kNoKey) lastKey[0] = key;
        return armed;
    }
    bool HandlesZeroSpan() const override { return true; }
    int HandleZeroSpan(int, int, int) override {
        ++zeroSpans;
        return 1;
    }
    // A probe key: shift+F12 (F24) runs the test's function on this thread.
    void OnKeyEvent(uint32_t key, int pressed) override {
        if (key == plat::VK_F24) {
            if (pressed) return;
            std::function<void()> run;
            {
                std::lock_guard lock(recorder_->mutex);
                run = std::move(probe);
                probe = nullptr;
            }
            if (run) run();
            return;
        }
        CMeasurementBase::OnKeyEvent(key, pressed);
    }

    void ProcessSweepBlock(CDeviceItem* record) override {
        const bool pending = m_HoldRestart || m_AverageRestart;
        CMeasurementBase::ProcessSweepBlock(record);
        const bool restarted = pending && m_SweepComplete && !m_HoldRestart && !m_AverageRestart;
        std::lock_guard lock(recorder_->mutex);
        ++recorder_->blocks;
        recorder_->lastEnd = m_BlockEnd;
        if (m_SweepComplete && recorder_->keepSweeps) {
            Recorder::Sweep s;
            const auto n = static_cast<size_t>(m_PointCount);
            s.newest.assign(work_.sweep.begin(), work_.sweep.begin() + n);
            s.trace.assign(work_.raw.begin(), work_.raw.begin() + n);
            s.frequency.assign(work_.frequency.begin(), work_.frequency.begin() + n);
            const auto segments = static_cast<size_t>(work_.segmentCount) + 1;
            s.segmentStart.assign(work_.segmentStart.begin(),
                                  work_.segmentStart.begin() + segments);
            s.segmentCode.assign(work_.segmentCode.begin(), work_.segmentCode.begin() + segments);
            s.peaks.assign(m_SortedPeakIndex.begin(), m_SortedPeakIndex.begin() + m_Peaks.count);
            s.valleys.assign(m_SortedValleyIndex.begin(),
                             m_SortedValleyIndex.begin() + m_Valleys.count);
            s.averagingMode = sweep_.averagingMode == 1 && m_AverageOn == 1 ? 1 : 0;
            s.peakHoldMode = sweep_.peakHoldMode == m_HoldMode ? m_HoldMode : 0;
            s.averagingCount = sweep_.averagingCount;
            s.restarted = restarted;
            s.failed = m_UpperFailed || m_LowerFailed;
            if (countBeeps) s.beeps = LimitBeeps();
            recorder_->sweeps.push_back(std::move(s));
        }
        recorder_->changed.notify_all();
    }
    // Each progress step notes the window the step left on the screen.
    void OpenProgress(int start, int range, const core::Text& text) override {
        CMeasurementBase::OpenProgress(start, range, text);
        NoteProgress();
    }
    void UpdateProgress(int position, int range) override {
        CMeasurementBase::UpdateProgress(position, range);
        NoteProgress();
    }
    bool ProgressShown() const { return progress_window() != nullptr; }
    void PublishToGraph() override {
        CMeasurementBase::PublishToGraph();
        int end = 0;
        if (CGraphPanel* panel = GetGraphPanel(); panel && panel->GetGraph()) {
            auto d = panel->GetGraph()->LockData();
            end = d->last;
        }
        std::lock_guard lock(recorder_->mutex);
        ++recorder_->published;
        recorder_->lastDrawnEnd = end;
        recorder_->changed.notify_all();
    }

    // For probes (user-interface thread).
    CSAMeasSetup& setup() { return sa_; }
    CGeneralSpectrumMeasurement* general() const { return general_; }
    CDemodSignalMeasurement* demod() const { return demod_; }
    // Sweeps read the current measurement on the link's thread, under the
    // link's listener lock: the link lets go of the old one first, and the
    // next activation gives it the new one.
    void UseMeasurement(CMeasurement* m) {
        if (dspLink) dspLink->SetListener(nullptr);
        currentMeasurement = m;
    }
    void SetScaleTop(double top) { top_ = top; }
    int PointsReceived() {
        ScopedLock guard(*this);
        return m_PointsReceived;
    }
    // A trace mode as the trace menu sets it: the setup's switches and the
    // request to start again at the next sweep boundary.
    void SetTraceMode(int averaging, int hold, int count) {
        sa_.SetAveragingCount(count);
        sa_.SetAveragingMode(averaging);
        sa_.SetPeakHoldMode(hold);
        RequestTraceModeRestart();
    }
    // The limit line and alarm as the threshold page sets them.
    void SetUpperLimit(bool on, double value, bool alarm) {
        sa_.SetUpperLimitState(on);
        sa_.SetUpperLimitValue(value);
        sa_.SetLimitAlarm(alarm);
        TakeSweepSettings();
    }
    double Threshold() const { return PeakThreshold(); }
    // The setup's six marker records to the graph, as the instrument screen
    // does when it is shown.
    void HandMarkersToGraph() {
        std::array<CValueRecord*, kMarkerCount> markers{};
        for (int i = 0; i < kMarkerCount; ++i) markers[static_cast<size_t>(i)] = sa_.GetMarker(i);
        const CFrequencyRange* r = sa_.GetFrequencyRange();
        const double start = static_cast<double>(r->GetStart());
        GetGraphPanel()->SetMarkerRecords(
            markers, start, static_cast<double>(r->GetSpan()) / (sa_.GetDataPoints() - 1));
    }
    static size_t LimitBeeps() {
        size_t n = 0;
        for (const auto& p : plat::played_sounds())
            if (p.beep && *p.beep == kLimitBeep) ++n;
        return n;
    }
    std::function<void()> probe;  // under the recorder's lock
    int zeroSpans = 0;
    std::atomic<bool> countBeeps{false};

  private:
    void NoteProgress() {
        const CProgressDlg* window = progress_window();
        if (!window) return;
        std::lock_guard lock(recorder_->mutex);
        recorder_->progress.push_back(
            {window->GetPosition(), window->GetMaximum(), window->GetText()});
    }
    static constexpr uint32_t kRunStateId = 96;
    static constexpr uint32_t kLimitBeep = 0x10;
    std::shared_ptr<Recorder> recorder_;
    CSAMeasSetup sa_;
    CGeneralSpectrumMeasurement* general_ = nullptr;  // the chain owns them
    CDemodSignalMeasurement* demod_ = nullptr;
    std::unique_ptr<CFreqEntryDlg> dialog_;
    CWavePlayer player_;
    std::atomic<double> top_{0.0};
};

// The application with the spectrum screen as its only screen.
class MeasureApp : public CCelvaneApp {
  public:
    explicit MeasureApp(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {}
    SpectrumScreen* screen = nullptr;
    // Runs on the user-interface thread once the screen exists, before it
    // is shown.
    std::function<void(SpectrumScreen&)> prepare;

    bool CreateModes() override {
        CreateGraphPanel();
        screen = new SpectrumScreen(recorder_);
        screen->Build(GetDspLink(), GetMainFrame());
        AddMode(screen);
        return true;
    }
    bool InitInstance() override {
        const bool ok = CCelvaneApp::InitInstance();
        // Current without its measurement: the test starts it once the
        // link to the board stands (Activate).
        if (ok && screen) MakeCurrent(screen);
        std::lock_guard lock(recorder_->mutex);
        recorder_->started = ok ? 1 : -1;
        recorder_->changed.notify_all();
        return ok;
    }
    // On the user-interface thread.
    void Activate() {
        if (prepare) prepare(*screen);
        SwitchToMode(screen);
    }

  private:
    std::shared_ptr<Recorder> recorder_;
};

// A run of the application on its own thread, with its script typed into a
// pipe by the test.
class AppRun {
  public:
    explicit AppRun(const std::string& name, const std::string& scene_json)
        : run_(name, scene_json), recorder_(std::make_shared<Recorder>()), app_(recorder_) {}
    ~AppRun() { Finish(); }

    bool ImageOk() const { return run_.ImageOk(); }
    MeasureApp& app() { return app_; }
    Recorder& recorder() { return *recorder_; }
    const app_test::DeviceRoot& root() const { return run_.root(); }

    void Start() { run_.Start(app_); }
    void Type(const std::string& lines) { run_.Type(lines); }
    // Runs `fn` on the user-interface thread (a probe key) and waits for it.
    void OnUi(std::function<void(SpectrumScreen&)> fn) {
        auto done = std::make_shared<bool>(false);
        SpectrumScreen* s = app_.screen;
        {
            std::lock_guard lock(recorder_->mutex);
            s->probe = [this, fn, s, done] {
                fn(*s);
                std::lock_guard lock(recorder_->mutex);
                *done = true;
                recorder_->changed.notify_all();
            };
        }
        Type("key shift+F12\n");
        recorder_->WaitFor([done](Recorder&) { return *done; });
    }
    // Waits for the link to the board, then shows the screen with its
    // measurement running.
    bool Activate() {
        if (!recorder_->WaitFor([](Recorder& r) { return r.started != 0; }) ||
            recorder_->started != 1)
            return false;
        for (int i = 0; i < kLinkPolls; ++i) {
            bool up = false;
            OnUi([&](SpectrumScreen&) {
                CDspInterface* link = app_.GetDspLink();
                // The program opens its link to the board when it needs it.
                if (link && !link->IsConnected()) link->Open();
                up = link && link->IsConnected();
            });
            if (up) {
                OnUi([this](SpectrumScreen&) { app_.Activate(); });
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kLinkPollMs));
        }
        return false;
    }
    // Waits until `count` more complete sweeps arrived.
    bool WaitSweeps(size_t count) {
        const size_t target = recorder_->SweepCount() + count;
        return recorder_->WaitFor([target](Recorder& r) { return r.sweeps.size() >= target; });
    }
    int Finish() { return run_.Finish(); }

  private:
    static constexpr int kLinkPolls = 500;
    static constexpr int kLinkPollMs = 20;
    app_test::AppThreadRun run_;
    std::shared_ptr<Recorder> recorder_;
    MeasureApp app_;
};

// The reference scene of the simulator's tests, with or without noise.
inline std::string ReferenceScene(bool noise) {
    namespace fs = std::filesystem;
    std::ifstream in(fs::path(CELVANE_SOURCE_DIR) / "sim" / "tests" / "reference_scene.json");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (noise) {
        const std::string off = "\"noise_variation\": false";
        if (auto p = text.find(off); p != std::string::npos)
            text.replace(p, off.size(), "\"noise_variation\": true");
    }
    return text;
}

}  // namespace mrig

#pragma once
// A measurement screen with a real graph panel, soft keys and readout rows
// over a view, and a sweep of three carriers on points 100, 350 and 600 at
// -20, -30 and -40 dBm over a -90 dBm floor with its peak and minimum
// lists: the scene of the marker tests and benchmark.
#include <memory>
#include <vector>

#include "core/scoped_lock.h"
#include "files/sa_meas_setup.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace marker_scene {

constexpr int kPoints = 705;
constexpr uint64_t kStartHz = 100'000'000;
constexpr uint64_t kStepHz = 100'000;
constexpr double kTop = 0.0, kBottom = -100.0;
inline const std::vector<int32_t> kPeaksByLevel = {100, 350, 600};
inline const std::vector<int32_t> kPeaksByPosition = {100, 350, 600};
inline const std::vector<int32_t> kMinsByLevel = {500, 250, 50};
inline const std::vector<int32_t> kMinsByPosition = {50, 250, 500};

inline double Level(int i) {
    switch (i) {
        case 100:
            return -20.0;
        case 350:
            return -30.0;
        case 600:
            return -40.0;
        case 50:
            return -95.0;
        case 250:
            return -96.0;
        case 500:
            return -97.0;
        default:
            return -90.0;
    }
}

class MarkerScreen : public CMeasurementBase {
  public:
    MarkerScreen(plat::Window& view, CGraphPanel& panel, CColorScheme* scheme) {
        setup_ = &sa;
        graphPanel = &panel;
        soft_key_menu_ = std::make_unique<CSoftKeyMenu>();
        soft_key_menu_->Create(&view, 705, 30, 800, 566, 1, 100, scheme);
        readout_panel_ = std::make_unique<CReadoutPanel>(0);
        readout_panel_->Create(&view, 0, 455, 705, 563, 1, 100, scheme);
        sa.GetFrequencyRange()->Set(kStartHz, kStartHz + kStepHz * (kPoints - 1) / 2,
                                    kStartHz + kStepHz * (kPoints - 1), kStepHz * (kPoints - 1), 0);
        sa.SetDataPoints(kPoints);
        pointCount = kPoints;
    }
    void InstrumentHook() override {}
    void SetLists(std::vector<int32_t> peaks_level, std::vector<int32_t> peaks_position,
                  std::vector<int32_t> mins_level, std::vector<int32_t> mins_position) {
        ScopedLock guard(*this);
        peakListCount = static_cast<int>(peaks_level.size());
        minListCount = static_cast<int>(mins_level.size());
        peaksByLevel = std::move(peaks_level);
        peaksByPosition = std::move(peaks_position);
        minsByLevel = std::move(mins_level);
        minsByPosition = std::move(mins_position);
    }
    void SetFunction(int f) { active_function_ = f; }
    void SetLimits(bool upper, bool lower, bool failed) {
        ScopedLock guard(*this);
        m_UpperLimitOn = upper;
        m_LowerLimitOn = lower;
        m_UpperFailed = failed;
    }
    void SetColumnLevel(int point, int32_t level) {
        ScopedLock guard(*this);
        if (shownColumnRows_.size() < kPoints) shownColumnRows_.resize(kPoints);
        shownColumnRows_[static_cast<size_t>(point)] = level;
    }
    int FullRedraw() const { return m_FullRedraw; }
    void ClearFullRedraw() { m_FullRedraw = 0; }
    bool HoldRestart() const { return m_HoldRestart; }
    bool AverageRestart() const { return m_AverageRestart; }
    int NextPeakCursor() const { return nextPeakCursor; }
    void SetNextPeakCursor(int c) { nextPeakCursor = c; }
    void SetAverageCount(int n) {
        ScopedLock guard(*this);
        m_AverageCount = n;
    }
    using CMeasurementBase::TakeExtrema;
    CSAMeasSetup sa;
};

// The panel, the screen with the setup's markers on the graph and the sweep.
struct Scene {
    Scene(plat::Window& view, CColorScheme* scheme) {
        panel = std::make_unique<CGraphPanel>(1, 0);
        panel->Create(&view, 0, 30, 705, 455, 18, 90, scheme);
        screen = std::make_unique<MarkerScreen>(view, *panel, scheme);
        std::vector<CValueRecord*> records;
        for (int i = 0; i < 6; ++i) records.push_back(screen->sa.GetMarker(i));
        panel->SetMarkerRecords(records, double(kStartHz), double(kStepHz));
        FillSweep();
        screen->SetLists(kPeaksByLevel, kPeaksByPosition, kMinsByLevel, kMinsByPosition);
        screen->SetFunction(33);
    }
    ~Scene() {
        screen.reset();
        panel.reset();
    }
    void FillSweep() {
        CGraphWidget& g = *panel->GetGraph();
        auto d = g.LockData();
        for (int i = 0; i < kPoints; ++i) {
            const auto k = static_cast<size_t>(i);
            d->positions[k] = kStartHz + kStepHz * k;
            d->liveLevels[k] = Level(i);
            d->livePoints[k] = {g.ValueToX(i, 0, kPoints), g.ValueToY(Level(i), kTop, kBottom)};
        }
        d->received = d->total = d->last = kPoints;
        d->first = 0;
        d->segmentCount = 1;
        d->segmentEnds[0] = 0;
        d->segmentEnds[1] = kPoints;
        d->stateCodes[0] = kSegmentNone;
    }
    std::unique_ptr<CGraphPanel> panel;
    std::unique_ptr<MarkerScreen> screen;
};

}  // namespace marker_scene

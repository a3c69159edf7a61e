#pragma once
// The network analyzer screen of the benchmarks: created over the
// application's graph panel on a full-screen view, with the stub services,
// its measurement of one type current and the setup's type set; the view,
// the services and the screen end in reverse order.
#include <memory>

#include "bench/bench_view.h"
#include "files/vna_meas_setup.h"
#include "screens/screen_services.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/vna/vna_mode.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"

namespace bench_view {

class VnaBenchScreen {
  public:
    VnaBenchScreen(const char* view_name, int type) : view_(view_name) {
        panel_.Create(&view_, 0, 30, 705, 455, 18, 90, scheme_.get());
        IScreenServices::set_current(&services_);
        screen_ = std::make_unique<CVnaMode>(nullptr);
        screen_->OnCreate(nullptr, nullptr, 0, scheme_.get());
        screen_->SetCurrentMeasurement(screen_->MeasurementOfType(type), setup());
        setup()->SetMeasurementId(type);
    }
    ~VnaBenchScreen() {
        screen_.reset();
        IScreenServices::set_current(nullptr);
    }
    VnaBenchScreen(const VnaBenchScreen&) = delete;
    VnaBenchScreen& operator=(const VnaBenchScreen&) = delete;

    CVnaMode& screen() { return *screen_; }
    CVNAMeasSetup* setup() { return screen_->GetVnaSetup(); }

  private:
    ScreenView view_;
    std::unique_ptr<CColorScheme> scheme_ = CreateColorScheme(1);
    CGraphPanel panel_{1, 0};
    StubScreenServices services_{&panel_};
    std::unique_ptr<CVnaMode> screen_;
};

}  // namespace bench_view

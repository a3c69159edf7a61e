#pragma once
// The program's own application object in this process, on the headless
// display with the real clock and the simulated board of a scene: the test
// types its keys into a pipe as the user would press them, waits for what
// the program does, and looks at its screens through the program's own
// operations on the user-interface thread.
#include <functional>
#include <string>

#include "app/celvane_app.h"
#include "app/tests/app_thread_run.h"
#include "app/tests/specan_screen.h"
#include "platform/window/message_loop.h"
#include "screens/specan/specan_mode.h"

namespace product_test {

using specan_screen::Eventually;

class ProductRun {
  public:
    // `clock`: "real", or "virtual" for platform time that moves only by the
    // script's waits.
    ProductRun(const std::string& name, const std::string& scene_json,
               const std::string& clock = "real")
        : run_(name, scene_json, clock), virtual_(clock == "virtual") {}
    ~ProductRun() { Finish(); }

    bool ImageOk() const { return run_.ImageOk(); }
    CCelvaneApp& app() { return app_; }
    const app_test::DeviceRoot& root() const { return run_.root(); }

    // Starts the program; true once it shows the spectrum analyzer with the
    // board's sweeps coming in.
    bool Start() {
        // The program starts on the spectrum analyzer.
        run_.root().Write("FlashFX Disk/System/mode.txt", "2");
        run_.Start(app_);
        return Eventually([this] {
            // Virtual time passes only while the script waits.
            if (virtual_) Type("wait 20\n");
            bool live = false;
            OnUi([&] {
                CSpecAnMode* s = Spectrum();
                live = s && s->GetPointsReceived() > 0;
            });
            return live;
        });
    }
    void Type(const std::string& lines) { run_.Type(lines); }
    // Recalls the setup manager's row `row` (from the top, 0 the factory
    // setup) by keys.
    void RecallSetup(int row) {
        std::string keys = "key F20\n";
        for (int i = 0; i < row; ++i) keys += "key DOWN\n";
        Type(keys + "key F3\n");
    }
    int Finish() { return run_.Finish(); }

    // Runs `fn` on the user-interface thread and waits for it; false while
    // the program has no user-interface thread yet. The wait is long: a
    // callback given up on would still run later, on the caller's
    // variables, and a sanitizer build on a loaded machine may take seconds
    // over a thousand files.
    bool OnUi(const std::function<void()>& fn) {
        const uint32_t ui = plat::input_thread();
        return ui && plat::run_on_ui_thread(ui, fn, kUiWaitMs);
    }

    // The current screen when it is the spectrum analyzer (user-interface
    // thread).
    CSpecAnMode* Spectrum() { return dynamic_cast<CSpecAnMode*>(app_.GetCurrentMode()); }

  private:
    static constexpr uint32_t kUiWaitMs = 120000;
    app_test::AppThreadRun run_;
    bool virtual_;
    CCelvaneApp app_;
};

}  // namespace product_test

#pragma once
// The real program in this process on the headless display, with its own
// screens, on a fresh device root and the virtual clock. Keys F21 to F24,
// which the instrument's keypad never sends, run checks on the
// user-interface thread between the script's steps.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "app/tests/app_test_support.h"
#include "app/tests/probe_app.h"
#include "dialogs/mode_select_dlg.h"
#include "platform/text/utf.h"
#include "platform/window/messages.h"
#include "screens/system/mode_select_mode.h"
#include "screens/system/tools_mode.h"
#include "sim/scene.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace system_screens {

using namespace app_test;
namespace fs = std::filesystem;

using ::ProbeApp;

class SystemScreens : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(MakeDeviceImage(root.path()), 0); }

    // Runs `fn` when key F<n> (21..24) is released.
    void Probe(int n, std::function<void()> fn) {
        app.probes[plat::VK_F1 + static_cast<uint32_t>(n - 1)] = std::move(fn);
    }
    void WriteScene(const sim::Scene& scene) { root.Write("scene.json", sim::scene_json(scene)); }
    void SetDeviceModel(uint32_t model) {
        std::string text = root.Read("registry.factory");
        const std::string from = "\"DeviceModel\"=dword:00000207";
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        char to[64];
        std::snprintf(to, sizeof to, "\"DeviceModel\"=dword:%08x", model);
        text.replace(at, from.size(), to);
        root.Write("registry.factory", text);
    }
    int Run(const std::string& script) { return RunScript(app, root, script); }

    CModeBase* Current() { return app.GetCurrentMode(); }
    CModeSelectMode* ModeSelect() {
        return dynamic_cast<CModeSelectMode*>(app.FindMode(kScreenModeSelect));
    }
    CToolsMode* Tools() { return dynamic_cast<CToolsMode*>(app.FindMode(kScreenTools)); }

    DeviceRoot root{"celvane-system-screens"};
    ProbeApp app;
};

// The caption of soft key i (title and, for a two-choice key, its choices).
inline core::Text SoftKeyText(CModeBase& screen, int i) {
    CReadoutBox* box = screen.soft_key_menu()->Key(i);
    if (!box) return {};
    DrawnTexts texts;
    box->CollectTexts(texts);
    core::Text all;
    for (const DrawnText& t : texts) {
        if (t.text.empty()) continue;
        if (!all.empty()) all += u"|";
        all += t.text;
    }
    return all;
}
inline core::Text MenuKeyText(CModeBase& screen, int i) {
    CReadoutBox* box = screen.menu_key_panel()->Box(i);
    return box ? box->GetTitle() : core::Text();
}
inline bool MenuKeyLit(CModeBase& screen, int i) {
    CReadoutBox* box = screen.menu_key_panel()->Box(i);
    return box && box->IsSelected();
}
inline std::string Utf8(const core::Text& text) {
    return plat::to_utf8(text);
}

}  // namespace system_screens

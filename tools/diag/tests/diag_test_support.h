#pragma once
// TWDiag run in the test's process as the system runs it: a device root laid
// out by the device image builder (the real drivers in "\Windows"), the
// simulated hardware plugged in at power-on, the headless display playing a
// script. Probe keys, which the program never sees, record the texts of
// every dialog (F24) or run the test's next step (F23). The drivers stay
// loaded from the first device root of the process, so each test, with its
// own root, runs in its own process (as CTest runs them).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/framework/dialog.h"
#include "platform/framework/list_box.h"
#include "platform/framework/message_box.h"
#include "platform/fs/tests/test_support.h"
#include "platform/text/utf.h"
#include "tools/diag/diag_app.h"

namespace diag_test {

namespace fs = std::filesystem;

// The texts of the dialogs at one moment: dialog caption -> control id ->
// text (a list box gives its rows joined by "|").
struct Snapshot {
    std::map<std::string, std::map<int, std::string>> windows;
    std::string text(const std::string& caption, int id) const {
        const auto w = windows.find(caption);
        if (w == windows.end()) return "<no window " + caption + ">";
        const auto c = w->second.find(id);
        return c == w->second.end() ? "<no control>" : c->second;
    }
    bool has(const std::string& caption) const { return windows.count(caption) != 0; }
};

inline constexpr uint32_t kSnapKey = plat::VK_F13 + 11;  // F24
inline constexpr uint32_t kStepKey = plat::VK_F13 + 10;  // F23

class TestDiagApp : public diag::CDiagApp {
  public:
    std::vector<std::string> traces;
    std::vector<Snapshot> snaps;
    std::deque<std::function<void()>> steps;

    void Trace(std::string_view text) override {
        traces.emplace_back(text);
        diag::CDiagApp::Trace(text);
    }
    bool PreTranslateMessage(const plat::Message& msg) override {
        const bool key = msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_KEYUP;
        if (key && (msg.wparam == kSnapKey || msg.wparam == kStepKey)) {
            if (msg.message == plat::WM_KEYDOWN && msg.wparam == kSnapKey) snaps.push_back(Snap());
            if (msg.message == plat::WM_KEYDOWN && msg.wparam == kStepKey && !steps.empty()) {
                auto step = std::move(steps.front());
                steps.pop_front();
                step();
            }
            return true;
        }
        return diag::CDiagApp::PreTranslateMessage(msg);
    }
    int Count(const std::string& trace) const {
        int n = 0;
        for (const auto& t : traces) n += t == trace;
        return n;
    }

    static Snapshot Snap() {
        Snapshot s;
        for (plat::Window* top : plat::top_level_windows()) {
            if (!top->is_visible() || !dynamic_cast<plat::CDialog*>(top)) continue;
            auto& controls = s.windows[plat::to_utf8(top->text())];
            for (plat::Window* child : top->children()) {
                if (auto* list = dynamic_cast<plat::CListBox*>(child)) {
                    std::string rows;
                    for (int i = 0; i < list->GetCount(); ++i)
                        rows += (i ? "|" : "") + plat::to_utf8(list->GetText(i));
                    controls[child->id()] = rows;
                } else if (child->id() != 0) {
                    controls[child->id()] = plat::to_utf8(child->text());
                }
            }
        }
        return s;
    }
};

// Selects the row of the open list box that shows `row`, as the arrow keys
// would.
inline std::function<void()> Select(std::string row) {
    return [row] {
        for (plat::Window* top : plat::top_level_windows())
            for (plat::Window* child : top->children())
                if (auto* list = dynamic_cast<plat::CListBox*>(child); list && top->is_visible()) {
                    const int i = list->FindStringExact(-1, plat::from_utf8(row));
                    ASSERT_GE(i, 0) << row;
                    list->SetCurSel(i);
                }
    };
}

class DiagRoot : public celvane_test::TempRoot {
  public:
    DiagRoot() : TempRoot("twdiag") {
        const fs::path bin = celvane_test::build_bin();
        EXPECT_EQ(celvane_test::copy_device_image(path()), "");
        // The simulator the test links is the one power-on loads (one file,
        // one instance), so that the test can reach the simulated board.
        const fs::path sim = path() / "Windows" / "Simulator.dll";
        fs::remove(sim);
        fs::create_hard_link(bin / "Simulator.so", sim);
    }
    // Replaces `from` by `to` in the scene file.
    void EditScene(const std::string& from, const std::string& to) const {
        std::string scene = Read("scene.json");
        const size_t at = scene.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        scene.replace(at, from.size(), to);
        Write("scene.json", scene);
    }
    // Replaces `from` by `to` in the registry (the factory's while the
    // root has no registry of its own yet).
    void SetRegistry(const std::string& from, const std::string& to) const {
        const std::string file = Exists("registry.txt") ? "registry.txt" : "registry.factory";
        std::string registry = Read(file);
        const size_t at = registry.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        registry.replace(at, from.size(), to);
        Write(file, registry);
    }
    void WriteBytes(const std::string& rel, const std::string& bytes) const {
        fs::create_directories((path() / rel).parent_path());
        Write(rel, bytes);
    }

    // Runs TWDiag to its end with the script; answers its exit code.
    int Run(TestDiagApp& app, const std::string& script,
            std::vector<plat::MessageBoxCall>* boxes = nullptr) const {
        const fs::path file = path() / "script.txt";
        Write("script.txt", script);
        plat::set_message_box_observer([boxes](const plat::MessageBoxCall& c) {
            if (boxes) boxes->push_back(c);
        });
        const std::string f = file.string(), r = path().string();
        const char* argv[] = {"TWDiag",  "--display", "headless", "--script",
                              f.c_str(), "--root",    r.c_str()};
        const int code = plat::app_main(app, 7, argv);
        plat::set_message_box_observer(nullptr);
        return code;
    }
};

}  // namespace diag_test

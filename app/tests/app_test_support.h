#pragma once
// Runs the application object in this process on the headless display with
// a script, in a fresh device root; screens that record what reaches them.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/utf.h"

#include "app/celvane_app.h"
#include "app/main_frame.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/device_root.h"
#include "platform/text/utf.h"
#include "screens/mode_base.h"

namespace app_test {

// What the screens and the application were asked, in order.
struct Log {
    std::vector<std::string> entries;
    void add(std::string s) { entries.push_back(std::move(s)); }
    bool has(const std::string& s) const {
        for (const auto& e : entries)
            if (e == s) return true;
        return false;
    }
};

// A screen that records the calls the core makes. Probes run on a key's
// release, on the user-interface thread, for steps inside a run.
class RecordingScreen : public CModeBase {
  public:
    RecordingScreen(int id, std::shared_ptr<Log> log) : log_(std::move(log)) { mode_id_ = id; }

    std::map<uint32_t, std::function<void()>> probes;
    std::function<void(uint32_t key, int pressed)> onKey;
    int selectedSoftKey = -1;
    bool throwInReloadTexts = false;

    void ShowStatusMessage(const std::u16string& text, int flag) override {
        add("status " + plat::to_utf8(text) + " " + std::to_string(flag));
    }
    void OnKeyEvent(uint32_t key, int pressed) override {
        add("key " + std::to_string(key) + " " + std::to_string(pressed));
        if (onKey) onKey(key, pressed);
        if (!pressed) {
            auto it = probes.find(key);
            if (it != probes.end()) it->second();
        }
    }
    void OnNestedKeyEvent(uint32_t key, uint32_t, uint32_t, int pressed) override {
        add("nested " + std::to_string(key) + " " + std::to_string(pressed));
    }
    int OnWheel(int delta) override {
        add("wheel " + std::to_string(delta));
        return selectedSoftKey;
    }
    int GetSelectedSoftKey() const override { return selectedSoftKey; }
    void CommitSoftKey(int key) override { add("commit " + std::to_string(key)); }
    void ReloadTexts() override {
        add("ReloadTexts");
        if (throwInReloadTexts) throw std::runtime_error("reload failed");
    }
    int ShowPage(int page) override {
        add("ShowPage " + std::to_string(page));
        return 1;
    }
    void OnCommand32809(intptr_t r) override { add("OnCommand32809 " + std::to_string(r)); }
    void OnCommand3281x(int kind, const core::Text* t) override {
        add("OnCommand3281x " + std::to_string(kind) + " " + (t ? plat::to_utf8(*t) : "-"));
    }
    void RefreshPane(int pane) override { add("RefreshPane " + std::to_string(pane)); }
    void OnCommandRecord(CCommandRecord* r) override {
        add("OnCommandRecord " + std::to_string(reinterpret_cast<intptr_t>(r)));
        CModeBase::OnCommandRecord(r);  // deletes it
    }
    void OnCommand32825(intptr_t l) override { add("OnCommand32825 " + std::to_string(l)); }
    void OnBufferPair(CBufferPair* p) override {
        add("OnBufferPair " + std::to_string(reinterpret_cast<intptr_t>(p)));
    }
    void OnCommand32833(int kind, const core::Text* t) override {
        add("OnCommand32833 " + std::to_string(kind) + " " + (t ? plat::to_utf8(*t) : "-"));
    }
    int ClosePopup() override {
        add("ClosePopup");
        return 1;
    }
    void OnTraceFilesChanged(intptr_t l) override {
        add("OnTraceFilesChanged " + std::to_string(l));
    }
    void PostKeyEvent(uint32_t id, int flag) override {
        add("PostKeyEvent " + std::to_string(id) + " " + std::to_string(flag));
    }
    void ShowBiasTeeMessage() override { add("ShowBiasTeeMessage"); }
    void OnCalTransferFailed() override { add("OnCalTransferFailed"); }
    void OnActivate() override {
        CModeBase::OnActivate();
        add("OnActivate");
    }
    void CancelEntry() override {
        CModeBase::CancelEntry();
        add("CancelEntry");
    }
    int StopMeasurement() override {
        add("StopMeasurement");
        return 0;
    }
    void OnClose() override { add("OnClose"); }

  private:
    void add(const std::string& s) { log_->add("screen" + std::to_string(mode_id_) + " " + s); }
    std::shared_ptr<Log> log_;
};

// The application with recording screens instead of the real ones.
class TestApp : public CCelvaneApp {
  public:
    explicit TestApp(std::shared_ptr<Log> log) : log(std::move(log)) {}

    std::shared_ptr<Log> log;
    // Added by CreateModes (the application owns them from then on).
    std::vector<RecordingScreen*> screens;
    // Made current at the end of the start (before the message loop).
    RecordingScreen* initial = nullptr;

    RecordingScreen* AddScreen(int id) {
        auto* s = new RecordingScreen(id, log);
        screens.push_back(s);
        return s;
    }
    bool CreateModes() override {
        for (auto* s : screens) AddMode(s);
        CreateGraphPanel();
        owned_ = true;
        return true;
    }
    bool InitInstance() override {
        const bool ok = CCelvaneApp::InitInstance();
        if (ok && initial) SwitchToMode(initial);
        return ok;
    }
    ~TestApp() override {
        if (!owned_)
            for (auto* s : screens) delete s;
    }

  private:
    bool owned_ = false;
};

// A fresh device root with the flash volume's System folder.
class DeviceRoot : public celvane_test::TempRoot {
  public:
    using TempRoot::TempRoot;
    std::filesystem::path system() const { return path() / "FlashFX Disk" / "System"; }
};

// Runs the application to its end with the script; answers the exit code.
inline int RunScript(CCelvaneApp& app, const DeviceRoot& root, const std::string& script) {
    const auto file = root.path() / "script.txt";
    std::ofstream(file) << script;
    const std::string f = file.string(), r = root.path().string();
    const char* argv[] = {"celvane", "--display", "headless", "--script",
                          f.c_str(), "--root",    r.c_str()};
    return plat::app_main(app, 7, argv);
}

// The directory of the built programs and libraries.
inline std::filesystem::path BinDir() {
    const char* env = std::getenv("CELVANE_BUILD_BIN");
    return env ? std::filesystem::path(env) : std::filesystem::path(CELVANE_BIN_DIR);
}

// Lays out a fresh device root as `make run` does (a copy of the build's
// device image); answers 0, or 1 with the reason on standard error. Files
// already in the root stay.
inline int MakeDeviceImage(const std::filesystem::path& root) {
    const std::string error = celvane_test::copy_device_image(root);
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return error.empty() ? 0 : 1;
}

}  // namespace app_test

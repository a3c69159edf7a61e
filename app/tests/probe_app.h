#pragma once
// The application as it is, with checks on probe keys: keys F21 to F24,
// which the instrument's keypad never sends, run a function on the
// user-interface thread between a script's steps.
#include <cstdint>
#include <functional>
#include <map>

#include "app/celvane_app.h"
#include "platform/window/messages.h"

class ProbeApp : public CCelvaneApp {
  public:
    std::map<uint32_t, std::function<void()>> probes;  // by key, run on its release

    bool PreTranslateMessage(const plat::Message& msg) override {
        if (msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_KEYUP) {
            auto it = probes.find(static_cast<uint32_t>(msg.wparam));
            if (it != probes.end()) {
                if (msg.message == plat::WM_KEYUP) it->second();
                return true;
            }
        }
        return CCelvaneApp::PreTranslateMessage(msg);
    }
};

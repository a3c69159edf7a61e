#pragma once
// The application's services for a spectrum analyzer screen run without the
// application: the graph panel it is given, and the messages it shows.
#include <vector>

#include "core/text.h"
#include "screens/screen_services.h"

class StubScreenServices : public IScreenServices {
  public:
    explicit StubScreenServices(CGraphPanel* panel = nullptr) : panel_(panel) {}

    std::vector<core::Text> messages;
    // The instrument's hardware id (0 unless a test gives one).
    uint32_t hardware_id = 0;

    void SetCurrentModeId(int) override {}
    int GetLastMeasurementModeId() const override { return 2; }
    CModeBase* GetCurrentMeasurementScreen() const override { return nullptr; }
    void ModeKey(uint32_t) override {}
    void SetupKey(uint32_t) override {}
    void ShowModeSelect() override {}
    void ShowTools() override {}
    void ShowSetupScreen() override {}
    void ForwardValue(int) override {}
    CGraphPanel* GetSharedGraphPanel() const override { return panel_; }
    uint32_t GetHardwareId() const override { return hardware_id; }
    int ShowScreenMessage(const core::Text& text, uint32_t) override {
        messages.push_back(text);
        return 1;
    }

  private:
    CGraphPanel* panel_;
};

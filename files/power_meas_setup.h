#pragma once
// The setup of the power meter screen: the common setup with its power
// setting word. Saving and loading are those of the common setup.
#include "files/meas_setup.h"

class CPowerMeasSetup : public CMeasSetup {
  public:
    explicit CPowerMeasSetup(ISetupEnvironment* environment = nullptr);

    virtual int32_t GetPowerSetting() const { return power_setting_; }
    virtual void SetPowerSetting(int32_t word) { Update(power_setting_, word); }
    void CopyFrom(const CMeasSetup& other) override;

  protected:
    std::unique_ptr<CMeasSetup> CreateBlank() const override {
        return std::make_unique<CPowerMeasSetup>(GetEnvironment());
    }
    std::unique_ptr<ISetupFile> CreateSetupFile() override;

  private:
    int32_t power_setting_ = 1;
};

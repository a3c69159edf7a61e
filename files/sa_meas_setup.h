#pragma once
// The setup of the spectrum analyzer screen and of spectrum analyzer entries
// in setup lists.
#include "files/meas_setup.h"

class CSAMeasSetup : public CMeasSetup {
  public:
    static constexpr const char16_t* kBackupPath =
        u"\\FlashFX Disk\\My Setups\\Backup\\Backup SA.tws";
    static constexpr const char16_t* kFactoryPath =
        u"\\FlashFX Disk\\My Setups\\Backup\\Factory SA.tws";

    explicit CSAMeasSetup(ISetupEnvironment* environment = nullptr);

    // Renews the change and save times and writes the file at the file path.
    bool Save() override;
    // Names the setup "General SA(MM-DD hh-mm-ss)" and saves it in My Setups.
    bool QuickSave() override;
    bool SaveBackup() override;
    bool LoadBackup() override { return Load(kBackupPath); }
    bool LoadFactory() override { return Load(kFactoryPath); }
    core::Text GetBackupPath() const override { return kBackupPath; }
    core::Text GetClassName() const override;
    core::Text GetMeasurementName() const override;
    core::Text GetMeasurementDescription() const override;
    int32_t GetDefaultNameId() const override;
    int32_t GetVersionWord() const override { return 4; }
    int32_t GetPropertyHelpId(int32_t code) const override;

  protected:
    std::unique_ptr<CMeasSetup> CreateBlank() const override {
        return std::make_unique<CSAMeasSetup>(GetEnvironment());
    }
    std::unique_ptr<ISetupFile> CreateSetupFile() override;
};

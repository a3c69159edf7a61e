#pragma once
// The spectrum analyzer's setup file: the common setup file plus the
// analyzer's bandwidth, level, trigger, channel and demodulation lines.
#include "files/formats/setup_file.h"

class CSASetupFile : public CSetupFile {
  public:
    explicit CSASetupFile(CMeasSetup* setup) : CSetupFile(setup) {}
    // Saves at the setup's file path.
    bool Save() { return Write(setup_->GetFilePath()); }

  protected:
    bool WriteSetupBlocks() override;
    Step ReadTag(int32_t id, const std::optional<core::Text>& value) override;

  private:
    Step ReadTriggerTag(int32_t id, int32_t value);
    bool in_trigger_ = false;
};

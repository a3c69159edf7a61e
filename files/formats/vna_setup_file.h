#pragma once
// The network analyzer's setup file: the common setup file plus the
// analyzer's display, output power and distance-to-fault lines, and the
// binary calibration file ("\FlashFX Disk\My Cals\<label>.cal") that holds
// the error terms of a calibrated setup.
#include <array>
#include <vector>

#include "files/formats/setup_file.h"
#include "files/vna_meas_setup.h"

class CVNASetupFile : public CSetupFile {
  public:
    static constexpr char kMagic[] = "TWC0";
    static constexpr size_t kTagSize = 5;
    static constexpr char16_t kCalFolder[] = u"\\FlashFX Disk\\My Cals";
    // Message ids of the calibration file.
    static constexpr uint32_t kNoStoreId = 64348, kBadHeaderId = 64349, kBadFileId = 64350;
    static constexpr uint32_t kCannotOpenId = 64351;

    explicit CVNASetupFile(CVNAMeasSetup* setup) : CSetupFile(setup), vna_(setup) {}

    // One space check for both files. The calibration (when it matches the
    // sweep) and the setup are both written out before either replaces its
    // file: a failure of either leaves both old files and the setup's
    // has-calibration-file flag as they were.
    bool Write(const core::Text& path) override;
    bool Save() { return Write(setup_->GetFilePath()); }
    uint32_t EstimateSize() override;
    uint32_t EstimateCalibrationSize() const;

    // The calibration file of the setup's label, written out and held for
    // the setup file's commit (Write); false when it could not be written.
    bool SaveCalibration();
    // Reads the whole file aside; the terms go to the setup's store only
    // when every section read whole. True when a term was stored.
    bool LoadCalibration() override;
    // The same from bytes in memory (the path names the file in messages).
    bool LoadCalibrationBytes(const std::string& bytes, const core::Text& path);

  protected:
    bool WriteSetupBlocks() override;
    bool CommitWritten() override;
    Step ReadTag(int32_t id, const std::optional<core::Text>& value) override;
    void PrepareTarget(CMeasSetup& target) override;

  private:
    struct Section {
        CVNADataStore::Term term;
        std::vector<uint8_t> bytes;
    };
    CVNAMeasSetup& VnaTarget() { return static_cast<CVNAMeasSetup&>(Target()); }
    bool ShouldSaveCalibration() const;
    bool FailCalibration(uint32_t id, const core::Text& path);

    CVNAMeasSetup* vna_;  // not owned
    bool calibration_written_ = false;
    // The calibration written out by SaveCalibration, committed with the
    // setup file.
    std::optional<plat::AtomicFile> calibration_file_;
};

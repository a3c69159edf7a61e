#pragma once
// The setup file: one setup object as a tagged text file (".tws"). The
// common header and body of every instrument, the save procedure (space
// check, progress, crash-safe write) and the reader. A read checks the whole
// file first, then fills a copy of the setup and only then makes the copy
// the setup, so a refused file leaves the setup exactly as it was.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "files/formats/tagged_file.h"
#include "files/formats/trace_source.h"
#include "files/meas_setup.h"

class CSetupFile : public CTaggedFile, public ISetupFile {
  public:
    static constexpr char16_t kReadError[] = u"Error reading file: ";
    static constexpr char16_t kWriteError[] = u"Error writing file: ";
    static constexpr char16_t kDirectoryNotFound[] = u"  Directory not found.";
    // Message ids.
    static constexpr uint32_t kNoSpaceId = 749, kSavingId = 748, kReadingId = 64489;
    static constexpr uint32_t kIncompatibleId = 64517;
    static constexpr uint32_t kExclamation = 0x30;

    explicit CSetupFile(CMeasSetup* setup);
    ~CSetupFile() override = default;

    // --- ISetupFile
    // Saves the setup at the path (the forms' own lines included).
    bool Write(const core::Text& path) override;
    // A full read with progress; the file's class must be the setup's.
    bool Read(const core::Text& path) override { return ReadWithProgress(path, 0); }
    bool ReadSilently(const core::Text& path, core::Text* reason) override;

    // --- saving
    // The save procedure: space check (749), progress, the body, commit.
    // The setup's owner word becomes the file's length.
    bool WriteFile(const core::Text& path, uint32_t size_estimate);
    // False (and string 749) when the estimate is not below the free bytes.
    bool HasSpaceFor(const core::Text& path, uint32_t size_estimate);
    uint32_t EstimateSize() override;
    // The whole file as text, without touching the disk.
    std::string FormatInMemory();

    // --- reading
    bool ReadWithProgress(const core::Text& path, int32_t word);
    // Mode 1: the file's class must be the expected class (the setup's);
    // header only: stops after "frequency span", no "</body>" needed.
    bool Read(const core::Text& path, int mode, bool header_only);
    // A header read for listings: no message, a history entry on refusal.
    bool ReadExpectingClass(const core::Text& path, int32_t measurement_class);
    // Reads bytes already in memory as if they were the file at `path`.
    bool ReadBytes(std::string bytes, const core::Text& path, bool header_only);
    // Why the last read or write failed (empty for a missing file).
    const core::Text& GetFailureReason() const { return reason_; }
    int32_t GetRevision() const { return revision_; }
    int32_t MeasurementIdFromText(std::u16string_view text) const;

    // The setup form of the file's class with the file read into it; null
    // when the file cannot be read.
    static std::unique_ptr<CMeasSetup> LoadSetupObject(const core::Text& path,
                                                       ISetupEnvironment* environment);
    // The same without a message or history entry: a refusal's reason goes
    // to `reason`.
    static std::unique_ptr<CMeasSetup> LoadSetupObject(const core::Text& path,
                                                       ISetupEnvironment* environment,
                                                       core::Text* reason);

  protected:
    // What a tag line does to the reading.
    enum class Step { kNext, kStop, kFail };
    struct Token {
        int32_t id;
        std::optional<core::Text> value;
    };

    // The lines of each form after the common body; false when a write failed.
    virtual bool WriteSetupBlocks();
    // Lines after the closing "</html>" (trace files: the checksum line).
    virtual void WriteTrailer() {}
    // Commits the setup file just written; a form with a companion file
    // commits that one with it.
    virtual bool CommitWritten() { return Close(); }
    // Checks after the whole file was read into the copy, before the copy
    // becomes the setup; false refuses the file (the reason set by Refuse).
    virtual bool FinishRead() { return true; }
    // Runs once the copy became the setup.
    virtual void CommitRead() {}
    bool WriteCommonBody();
    // The header block: the setup file's, or a trace file's from its record.
    virtual void WriteHeader();
    // Lines 1 to 3 of every header: the frame, the revision, class and id.
    void WriteHeaderStart();
    void WriteTraceHeader(const TraceHeaderTexts& texts);
    void WriteMarkerBlock(const CValueRecord& marker);
    void WriteTriggerBlock(const CTriggerSettings& trigger);
    void WriteBandwidthBlock(const CChoiceBlock& bandwidth);
    // Form-specific tags first, then the common ones.
    virtual Step ReadTag(int32_t id, const std::optional<core::Text>& value);
    Step DispatchTag(int32_t id, const std::optional<core::Text>& value);
    // Prepares the copy the file is read into.
    virtual void PrepareTarget(CMeasSetup& /*target*/) {}
    // Notes a value a setter refused; reading goes on.
    void Skipped(int32_t id, const core::Text& value);
    Step Refuse(core::Text reason);
    // An integer value (checked before reading), 0 without one.
    static int32_t Int(const std::optional<core::Text>& value);
    static uint32_t Frequency(const std::optional<core::Text>& value);
    static double Double(const std::optional<core::Text>& value);
    // The setup being read into.
    CMeasSetup& Target() { return *target_; }
    ISetupEnvironment* Environment() { return setup_->GetEnvironment(); }
    bool InBandwidthBlock() const { return in_bandwidth_; }
    void Fail(const core::Text& reason, bool quiet);

    CMeasSetup* setup_;  // not owned
    core::Text path_;
    int32_t measurement_class_ = 0;
    int32_t revision_ = 0;

  private:
    bool ValidateLines(bool header_only, std::vector<Token>& tokens);
    bool ReadLoaded(const core::Text& path, int mode, bool header_only, bool quiet);
    Step ReadFrequency(int32_t id, uint32_t hertz);
    Step ReadMarkerTag(int32_t id, const std::optional<core::Text>& value);
    Step ReadBandwidthTag(int32_t id, int32_t value);
    void ApplyMeasurementId(const core::Text& text);
    void ReadDate(int32_t id, const core::Text& value);

    std::unique_ptr<CMeasSetup> target_;
    core::Text reason_;
    int mode_ = 1;
    bool silent_ = false;  // refusals are only recorded in reason_
    bool in_band_ = false, in_marker_ = false, in_bandwidth_ = false;
    int32_t marker_index_ = -1;
    core::Text band_name_;
    uint32_t band_start_ = 0, band_stop_ = 0;
    int32_t measurement_id_ = 0;
};

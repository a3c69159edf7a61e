#pragma once
// The power meter's readings as comma-separated text a spreadsheet opens,
// in "\FlashFX Disk\My Traces\": a single reading saved as a file of its own
// ("Pwr<yyyymmddhhmmss>.csv"), or one line per update appended to the log
// file the screen keeps open. A name already taken gets "-1", "-2", ...
// before ".csv": nothing is ever overwritten.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "files/formats/tagged_file.h"
#include "platform/fs/file.h"
#include "platform/kernel/clock.h"

// The log file of a logging run: created by CreatePowerCsvFile, each line
// appended in one write.
class CPowerLogFile {
  public:
    explicit CPowerLogFile(plat::File file, core::Text path)
        : file_(std::move(file)), path_(std::move(path)) {}
    bool Write(std::string_view text);
    const core::Text& GetPath() const { return path_; }

  private:
    plat::File file_;
    core::Text path_;
};

// Creates a new CSV file named for the time; the name taken is returned in
// `path`. An invalid file when none could be created.
plat::File CreatePowerCsvFile(const plat::SystemTime& time, core::Text& path);
// The same, as the screen's log file; null when it could not be created.
std::unique_ptr<CPowerLogFile> CreatePowerLogFile(const plat::SystemTime& time);

// The single-precision readings of the power meter's readout.
struct PowerReadings {
    float forward = 0, second = 0, input_offset = 0, match_offset = 0, forward_peak = 0;
    float crest = 0, duty_cycle = 0, ccdf = 0, burst = 0, filter = 0, temperature = 0;
};

// What the export reads of the power meter screen and its readout.
class IPowerCsvSource {
  public:
    virtual ~IPowerCsvSource() = default;
    virtual bool IsLogging() const = 0;
    // The open log file while logging; null otherwise.
    virtual CPowerLogFile* GetLogFile() const = 0;
    virtual int32_t GetSensorType() const = 0;
    virtual bool IsForwardPeak() const = 0;
    virtual float GetVswr() const = 0;
    virtual core::Text GetSensorTitle() const = 0;
    virtual PowerReadings GetReadings() const = 0;
};

class CPowerSetupFile : public CTaggedFile {
  public:
    static constexpr char16_t kFolder[] = u"\\FlashFX Disk\\My Traces\\";
    // Fewer free bytes than this end a logging run.
    static constexpr uint64_t kMinFreeBytes = 16384;
    static constexpr uint32_t kEstimate = 300;

    explicit CPowerSetupFile(uint32_t owner_word = 0) : owner_word_(owner_word) {}

    // Writes the header lines (when the header flag is set) and the data
    // line of the connected sensor, ended by a line feed when asked. False
    // when a file could not be created or written, when the screen logs
    // without a log file, or when fewer than kMinFreeBytes are left.
    bool ExportCsv(const IPowerCsvSource& source, bool end_line);
    // The text ExportCsv writes at `time`; clears the header flag.
    std::string FormatCsv(const IPowerCsvSource& source, bool end_line,
                          const plat::SystemTime& time);

    void SetHeaderFlag(bool on) { header_ = on; }
    bool GetHeaderFlag() const { return header_; }
    void SetFolder(core::Text folder) { folder_ = std::move(folder); }
    const core::Text& GetFolder() const { return folder_; }
    // The file of the last single save.
    const core::Text& GetLastPath() const { return last_path_; }
    uint32_t GetOwnerWord() const { return owner_word_; }
    // Where the time comes from (the instrument's local time by default).
    void SetClock(std::function<plat::SystemTime()> clock) { clock_ = std::move(clock); }

    uint32_t EstimateSize() override { return kEstimate; }
    bool Save() { return false; }
    bool IsReady() const { return true; }

  private:
    bool header_ = false;
    core::Text folder_;
    core::Text last_path_;
    uint32_t owner_word_;
    std::function<plat::SystemTime()> clock_ = [] { return plat::local_time(); };
};

#pragma once
// The list files of "\FlashFX Disk\My Lists": antennas, signal bands and
// cable types. Each list is read at start-up from its comma-separated file
// ("<stem>.csv", written by the user with a spreadsheet) and can be saved
// and read again in the tagged form, kept apart as "<stem>.tag" so that the
// comma-separated file is never overwritten.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/formats/tagged_file.h"
#include "files/lists/antenna.h"
#include "files/lists/cable_type.h"
#include "files/lists/signal_band.h"

class CListFile : public CTaggedFile {
  public:
    static constexpr char16_t kListFolder[] = u"\\FlashFX Disk\\My Lists";
    static constexpr uint32_t kNoSpaceId = 749, kSavingId = 748, kExclamation = 0x30;
    // A saved list needs this many times its estimate free.
    static constexpr uint64_t kSpaceFactor = 4;

    const core::Text& GetPath() const { return path_; }
    // The next read takes these bytes instead of the file.
    void UseBytes(std::string bytes) { preset_ = std::move(bytes); }
    const core::Text& GetTaggedPath() const { return tagged_path_; }

    // The fields of a comma-separated line, CR and TAB removed.
    static std::vector<core::Text> SplitLine(std::u16string_view line);
    // A number within [low, high], else nothing.
    static std::optional<double> Number(std::u16string_view text, double low, double high);

  protected:
    explicit CListFile(std::u16string_view stem);
    // The tagged form: space check, progress, frame, the blocks, commit.
    bool SaveBlocks(uint32_t count, const std::function<void()>& write_blocks);
    // "Incorrect data at:\n line: L, Field: F\nDefault <what> will be used".
    static void ReportField(size_t line, size_t field, std::u16string_view what);
    // Loads the file (or the bytes given to UseBytes); false when empty.
    bool LoadList(const core::Text& path);
    // The next line of the loaded file; false at its end.
    bool NextLine(core::Text& line) { return ReadLine(line); }

    core::Text path_, tagged_path_;

  private:
    std::optional<std::string> preset_;
};

class CAntennaListFile : public CListFile {
  public:
    static constexpr size_t kFields = 6;
    CAntennaListFile() : CListFile(u"AntennaTypeSettings") {}

    // The comma-separated file: "None" and one antenna a line. False (and
    // one message for a bad line) when the file is missing or wrong.
    bool ReadCommaSeparated(std::unique_ptr<CAntennaList>& list);
    // The tagged file's antennas appended to the list (made when null).
    bool ReadTagged(std::unique_ptr<CAntennaList>& list);
    bool Save(const CAntennaList& list);
    // One line; the failing field on an error.
    static std::unique_ptr<CAntenna> ParseAntennaLine(std::u16string_view line, size_t& field);

  private:
    void WriteAntenna(const CAntenna& antenna);
};

class CBandListFile : public CListFile {
  public:
    static constexpr size_t kFields = 20;
    CBandListFile() : CListFile(u"BandTypeSettings") {}

    // A new list from the comma-separated file; false (one message for a
    // bad line) when the file is missing or wrong, the list then untouched.
    bool ReadCommaSeparated(std::unique_ptr<CSignalBand>& list);
    // The tagged file's bands appended (the first becomes the head of an
    // empty list); the last band built or null.
    CSignalBand* ReadTagged(std::unique_ptr<CSignalBand>& list);
    bool Save(CSignalBand* list);
    // One line into a record; the failing field on an error.
    static bool ParseBandLine(std::u16string_view line, SignalBandRecord& record, core::Text& name,
                              size_t& field);
    uint32_t EstimateSize() override;
};

class CCableListFile : public CListFile {
  public:
    static constexpr size_t kMinCommas = 10;
    CCableListFile() : CListFile(u"CableTypeSettings") {}

    // A new list headed by "None" from the comma-separated file; reading
    // stops quietly at the first line that does not parse. False when the
    // file cannot be read (the list untouched).
    bool ReadCommaSeparated(std::unique_ptr<CCableType>& list);
    // The tagged file's cables appended; false at a line of no keyword.
    bool ReadTagged(std::unique_ptr<CCableType>& list);
    bool Save(const CCableType* list);
    struct CableLine {
        core::Text name;
        float vp = 0;
        CCableType::Losses losses{};
    };
    static std::optional<CableLine> ParseCableLine(std::u16string_view line);

  private:
    void WriteCable(const CCableType& cable);
};

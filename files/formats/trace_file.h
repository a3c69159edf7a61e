#pragma once
// The general trace file object, in two forms:
// - the record of one complete sweep (kind, points, texts, path) that a
//   screen builds before it saves a trace; it is the trace source the
//   analyzers' trace files write from;
// - the reader of the legacy line-per-value trace files (first line "0000"):
//   the header for the trace listing, and a recall that takes a file only
//   when all of it could be read.
#include <ctime>
#include <vector>

#include "files/formats/setup_file.h"
#include "files/formats/trace_source.h"

class CTraceFile : public CSetupFile, public ITraceSource {
  public:
    // Record kinds.
    static constexpr int32_t kKindVna = 512, kKindSa = 768;
    // Legacy files older than this version are refused.
    static constexpr uint32_t kOldestVersion = 10071027;
    static constexpr uint32_t kRecallTitleId = 64489, kInvalidFormatId = 2621;

    // The legacy reader over a setup (callers pass 0, 0, 1).
    CTraceFile(CMeasSetup* setup, int32_t a, int32_t b, int32_t c);
    // The record: `first` holds `count` points (the network analyzer's
    // sweep), `second` the distance-to-fault points or null.
    CTraceFile(int32_t kind, uint32_t count, const TracePoint* first,
               const TracePoint* second = nullptr);

    // --- the record
    void SetTexts(std::time_t time, core::Text title, core::Text subtitle, core::Text comment,
                  core::Text label, core::Text path);
    int32_t GetKind() const { return kind_; }
    uint32_t GetCount() const { return static_cast<uint32_t>(first_.size()); }
    std::time_t GetTime() const { return time_; }
    const core::Text& GetTitle() const { return title_; }
    const core::Text& GetSubtitle() const { return subtitle_; }
    const core::Text& GetComment() const { return comment_; }
    const core::Text& GetLabel() const { return label_; }
    // ITraceSource
    core::Text GetTracePath() const override { return trace_path_; }
    const TracePoint* GetPoint(uint32_t i) const override;
    const TracePoint* GetDtfPoint(uint32_t i) const override;
    std::optional<TraceHeaderTexts> GetHeaderTexts() const override;

    // --- the legacy reader
    using CSetupFile::ReadWithProgress;
    // A full recall with progress; the setup changes only on success.
    bool ReadWithProgress(const core::Text& path, TracePoint* buffer);
    // The header (and the kind's short body) for the trace listing.
    bool LoadTraceHeader(const core::Text& path);
    // The same from bytes in memory.
    bool ReadLegacyBytes(std::string bytes, const core::Text& path, TracePoint* buffer);
    bool LoadTraceHeaderBytes(std::string bytes, const core::Text& path);
    uint32_t GetFileVersion() const { return file_version_; }
    // A quiet recall shows no message of its own; the caller reports.
    void SetQuiet(bool quiet) { quiet_ = quiet; }

  private:
    struct Header;
    enum class Outcome { kRefusedFirstLine, kFailed, kHeaderOnly, kBody };
    Outcome ReadLegacy(const core::Text& path, bool listing, Header& header);
    bool ReadShortSaBody(Header& header);
    bool ReadSaBody(Header& header);
    bool ApplySaBody(const Header& header, TracePoint* buffer);
    void ApplyShortSaBody(const Header& header);
    void ApplyHeader(const Header& header, const core::Text& path);
    bool NextLine(std::u16string& line);
    bool RecallLoaded(const core::Text& path, TracePoint* buffer);
    bool HeaderLoaded(const core::Text& path);

    [[maybe_unused]] int32_t construction_[3] = {0, 0, 1};
    uint32_t file_version_ = 0;
    bool quiet_ = false;
    std::vector<TracePoint> buffer_;  // the legacy reader's own buffer

    int32_t kind_ = 0;
    std::vector<TracePoint> first_, second_;
    std::time_t time_ = 0;
    core::Text title_, subtitle_, comment_, label_, trace_path_;
};

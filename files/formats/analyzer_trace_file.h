#pragma once
// The trace files of the two analyzers (".twf" in "\FlashFX Disk\My Traces"):
// the setup file of the instrument, then the measurement's results, the
// point blocks and a checksum line. A read takes the file only when it is
// whole: every point block closed with a value for each point; then the
// setup is replaced, the points go to the caller's buffer and the results to
// the screen of the setup's class.
#include <functional>
#include <string>
#include <vector>

#include "files/formats/sa_setup_file.h"
#include "files/formats/trace_source.h"
#include "files/formats/vna_setup_file.h"

// The point lines and the value text of one point block.
class CTracePointBlock {
  public:
    // A point line holds the points up to a multiple of this index.
    static constexpr uint32_t kPointsPerLine = 200;

    // Writes the lines of points 0..count-1 ("% 6.6f;" per value; `values`
    // 1 or 2 per point) and the closing line. `line_key` is "sa data" ...
    using PointAt = std::function<const TracePoint*(uint32_t)>;
    static void Write(CTaggedFile& file, std::string_view line_key, std::string_view close_line,
                      uint32_t count, int values, const PointAt& point_at);
    // Reads `count` points of `values` values each from a value text; false
    // when a value is no number or the text holds fewer values.
    static bool Parse(std::u16string_view text, uint32_t count, int values,
                      std::vector<TracePoint>& points);

    void Append(const core::Text& text) {
        text_ += text;
        open_ = true;
    }
    // Parses the collected text; the block is then closed.
    bool Close(uint32_t count, int values);
    bool IsOpen() const { return open_; }
    bool IsParsed() const { return parsed_; }
    const std::vector<TracePoint>& Points() const { return points_; }
    void Reset();

  private:
    static void WriteLine(CTaggedFile& file, std::string_view line_key, const std::string& text);

    core::Text text_;
    std::vector<TracePoint> points_;
    bool open_ = false;
    bool parsed_ = false;
};

// What both analyzers' trace files keep beside their setup file.
class CTraceFileState {
  public:
    CTraceFileState(const ITraceSource* source, core::Text path)
        : source_(source), path_(std::move(path)) {}
    // The path given, else the trace source's.
    core::Text SavePath() const;
    // Fills the caller's buffer (zeroed first) with the parsed points.
    void DeliverPoints(const std::vector<TracePoint>& points) const;
    ITraceValueReceiver* Receiver(int32_t measurement_class) const;
    // Whether the trace source has a value at every point below `count`
    // (and a distance-to-fault value when `dtf`): a file is written only
    // from a whole trace.
    bool CoversPoints(uint32_t count, bool dtf) const;
    // The header texts: the record's, else the setup's own.
    TraceHeaderTexts HeaderTexts(const CMeasSetup& setup) const;
    // Runs a size estimate of the setup part alone.
    template <typename Estimate>
    uint32_t SetupPartEstimate(Estimate estimate) {
        setup_only_ = true;
        uint32_t size = estimate();
        setup_only_ = false;
        return size;
    }

    const ITraceSource* source_;  // not owned, may be null
    core::Text path_;
    TracePoint* buffer_ = nullptr;  // not owned
    ITraceValueReceiver* receiver_ = nullptr;
    bool setup_only_ = false;  // while the setup part is estimated
};

// The read entry points both analyzers' trace files share, over their setup
// file: the point buffer is set and the read state reset, then the setup
// file reads.
template <class SetupFile>
class CTraceFileReader : public SetupFile {
  public:
    template <class Setup>
    CTraceFileReader(Setup* setup, const ITraceSource* source, const core::Text& path)
        : SetupFile(setup), state_(source, path) {}

    using CSetupFile::ReadWithProgress;
    // Reads a trace; `buffer` holds kTraceBufferPoints points.
    bool ReadWithProgress(const core::Text& path, TracePoint* buffer) {
        ResetRead();
        state_.buffer_ = buffer;
        return CSetupFile::ReadWithProgress(path, 0);
    }
    bool ReadInto(const core::Text& path, TracePoint* buffer) {
        return ReadWithProgress(path, buffer);
    }
    // The same without a message or progress window; the reason of a
    // refusal goes to `reason`.
    bool ReadTraceSilently(const core::Text& path, TracePoint* buffer, core::Text* reason) {
        ResetRead();
        state_.buffer_ = buffer;
        return this->ReadSilently(path, reason);
    }
    // Reads a file already in memory (the path names it).
    bool ReadTraceBytes(std::string bytes, const core::Text& path, TracePoint* buffer) {
        ResetRead();
        state_.buffer_ = buffer;
        return this->ReadBytes(std::move(bytes), path, false);
    }
    // The screen that gets the results; by default the application's screen
    // of the setup's class.
    void SetReceiver(ITraceValueReceiver* receiver) { state_.receiver_ = receiver; }

  protected:
    // Clears what an earlier read left.
    virtual void ResetRead() = 0;
    void WriteHeader() override { this->WriteTraceHeader(state_.HeaderTexts(*this->setup_)); }

    CTraceFileState state_;
};

class CSATraceFile : public CTraceFileReader<CSASetupFile> {
  public:
    // `source` may be null when the object only loads.
    CSATraceFile(CMeasSetup* setup, const ITraceSource* source);
    CSATraceFile(CMeasSetup* setup, const core::Text& path, const ITraceSource* source = nullptr);

    // Writes the file at the path (or the trace source's path).
    bool Save();
    const SaTraceValues& GetReadValues() const { return values_; }
    // The setup part's estimate plus room for the results and the points.
    uint32_t EstimateSize() override;

  protected:
    bool WriteSetupBlocks() override;
    void WriteTrailer() override { WriteChecksumLine(); }
    Step ReadTag(int32_t id, const std::optional<core::Text>& value) override;
    bool FinishRead() override;
    void CommitRead() override;

  private:
    void WriteResults();
    void ResetRead() override;

    uint32_t estimate_ = 0;
    CTracePointBlock block_;
    SaTraceValues values_;
};

class CVNATraceFile : public CTraceFileReader<CVNASetupFile> {
  public:
    CVNATraceFile(CVNAMeasSetup* setup, const ITraceSource* source);
    // The mode is kept for callers that pass one; it changes nothing.
    CVNATraceFile(CVNAMeasSetup* setup, const core::Text& path, int mode = 0,
                  const ITraceSource* source = nullptr);

    // Writes the trace file alone (no calibration file).
    bool Save();
    const VnaTraceValues& GetReadValues() const { return values_; }
    uint32_t EstimateSize() override;

  protected:
    bool WriteSetupBlocks() override;
    void WriteTrailer() override { WriteChecksumLine(); }
    Step ReadTag(int32_t id, const std::optional<core::Text>& value) override;
    bool FinishRead() override;
    void CommitRead() override;

  private:
    void WriteResults();
    void ResetRead() override;
    bool IsDistanceToFault() const;

    CTracePointBlock vna_block_, dtf_block_;
    VnaTraceValues values_;
};

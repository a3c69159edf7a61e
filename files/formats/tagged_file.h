#pragma once
// The base of every text file the instrument stores: the html/head/body
// frame, tag lines "\t<key = value>\n", the number and date formats, a writer
// that builds the whole text in memory and saves it crash-safe, and the line
// reader with the tag-line parser.
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"
#include "files/setup_services.h"
#include "platform/fs/atomic_save.h"

class CMeasSetup;

class CTaggedFile {
  public:
    // The copyright line's text after "Copyright".
    static constexpr std::string_view kCopyrightNotice = " Celvane project";
    // Frame lines.
    static constexpr std::string_view kHtmlOpen = "<html>\n", kHtmlClose = "</html>\r\n";
    static constexpr std::string_view kHeadOpen = "<head>\n", kHeadClose = "</head>\n";
    static constexpr std::string_view kBodyOpen = "<body>\n", kBodyClose = "</body>\n";
    // A read line longer than this fails the read.
    static constexpr size_t kMaxLineBytes = 64 * 1024;
    // A whole-file load refuses a file above this (no instrument file comes
    // near it) and notes it in the history under kHistoryFiles.
    static constexpr size_t kMaxLoadBytes = 16u << 20;
    static constexpr uint32_t kHistoryFiles = 0x10;

    CTaggedFile() = default;
    virtual ~CTaggedFile() = default;
    CTaggedFile(const CTaggedFile&) = delete;
    CTaggedFile& operator=(const CTaggedFile&) = delete;

    // --- writing
    // Opens a temporary file beside the target (stale temporaries of the
    // target from a killed save go first); the text is kept in memory until
    // Close. Direct mode writes each piece straight to the temporary.
    bool OpenForWrite(const core::Text& path, uint32_t size_hint);
    bool OpenForWriteDirect(const core::Text& path);
    // Byte counts written; a failed write makes the file fail at Close.
    size_t WriteBytes(std::string_view bytes);
    size_t WriteString(std::string_view text) { return WriteBytes(text); }
    size_t WriteInt(const char* format, int32_t value);
    // "%010u" formats print the low 32 bits.
    size_t WriteFrequency(const char* format, uint64_t hertz);
    // The text in UTF-8.
    size_t WriteText(const char* format, const core::Text& text);
    // One double conversion ("%#.5e", "%.5e", "%03f"); see FormatDouble.
    size_t WriteDouble(std::string_view format, double value);
    size_t WriteFloat(std::string_view format, float value) {
        return WriteDouble(format, static_cast<double>(value));
    }
    // which 0 creation, 2 file save, 3 last used, other: change date.
    size_t WriteDateTag(std::time_t time, int which);
    size_t WriteDateTagText(const core::Text& text, int which);
    virtual size_t WriteCopyright();
    size_t WriteMeasurementClass(int32_t measurement_class);
    size_t WriteMeasurementId(int32_t measurement_class, int32_t id);
    // Span and centre only when asked.
    size_t WriteBandBlock(const core::Text& name, uint64_t start, uint64_t stop,
                          std::optional<std::pair<uint64_t, uint64_t>> span_and_centre);
    virtual size_t WriteLimitBlock(const CMeasSetup& setup);
    // "%04d\r\n" of the unsigned sum of every byte written before it.
    size_t WriteChecksumLine();
    // Commits the file; false when any write, the flush or the rename failed
    // (the old file then stays as it was). Nothing for a loaded file.
    bool Close();
    // Writes the rest of the file to its temporary without committing it, so
    // that it can be committed together with another file; none when a write
    // failed (the target then stays as it was).
    std::optional<plat::AtomicFile> CloseUncommitted();
    // Commits a file that CloseUncommitted gave; a failure is this file's.
    bool Commit(plat::AtomicFile& file);
    // Drops the file being written; the target stays as it was.
    void Discard() { file_.reset(); }
    // The system error code of the first failure of the file being written.
    uint32_t GetWriteError() const { return write_error_; }
    // Bytes written since the open (the final file length after Close).
    uint64_t GetWrittenLength() const { return written_; }
    const std::string& GetText() const { return text_; }
    // Formats into memory only (no file): for size figures and tests.
    void OpenInMemory();

    // --- reading
    // Reads the whole file; 0 when it cannot be read, is empty or is above
    // kMaxLoadBytes.
    size_t LoadFile(const core::Text& path);
    // Takes the bytes of a file already in memory.
    size_t LoadBytes(std::string bytes);
    // The next line without its LF and with every CR removed, decoded from
    // UTF-8 (invalid bytes one character each); false at the end.
    bool ReadLine(core::Text& line);
    const std::string& GetLoadedBytes() const { return data_; }
    // True when ReadLine stopped at a line longer than kMaxLineBytes.
    bool IsLineTooLong() const { return line_too_long_; }
    // The line number of the line ReadLine gave last (1 = first).
    size_t GetLineNumber() const { return line_number_; }

    // The value of a tag line and its id (0 when not recognised). A line
    // without angle brackets comes back whole with id 0; a key without "="
    // gives no value.
    static std::optional<core::Text> ParseTagLine(std::u16string_view line, int32_t& id);

    // The frame's length, a base for the size estimates.
    virtual uint32_t EstimateSize();

    // --- progress
    void OpenProgress(int low, int high, const core::Text& title);
    void StepProgress(int position, int maximum);
    void CloseProgress() { progress_.reset(); }

  protected:
    static std::string Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

  private:
    size_t Fail(uint32_t code);

    std::string text_;  // buffered mode: the file's text so far
    std::optional<plat::AtomicFile> file_;
    bool direct_ = false;
    bool in_memory_ = false;
    bool failed_ = false;
    uint32_t write_error_ = 0;
    uint64_t written_ = 0;
    uint32_t byte_sum_ = 0;
    std::unique_ptr<IFileProgress> progress_;

    std::string data_;  // a loaded file
    size_t position_ = 0;
    size_t line_number_ = 0;
    bool line_too_long_ = false;
};

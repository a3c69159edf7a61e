#include "files/formats/tagged_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "core/history.h"
#include "files/formats/keyword_tables.h"
#include "files/formats/number_format.h"
#include "files/meas_setup.h"
#include "platform/fs/device_path.h"
#include "platform/fs/file.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

namespace {

// The measurement names of the "measurement id" line; each class starts at
// its own offset.
constexpr const char* kMeasurementNames[] = {"general",
                                             "frequency sweep",
                                             "distance to fault",
                                             "cable loss",
                                             "gain",
                                             "reflection",
                                             "insertion loss",
                                             "current draw",
                                             "general",
                                             "occupied bandwidth",
                                             "channel power",
                                             "adjacent channel power",
                                             "out of band spurios",
                                             "in band out of channel",
                                             "demodulated signal",
                                             "carrier to interference",
                                             "time domain",
                                             "field strength",
                                             "frequency counter",
                                             "general",
                                             "internal power meter",
                                             "external power meter"};

struct ClassIds {
    int32_t measurement_class, first, last, entry_of_first;
};
constexpr ClassIds kClassIds[] = {{1, 0, 8, 0}, {2, 20, 33, 8}, {3, 0, 12, 9}};

const char* DateFormat() {
    return "%02d:%02d:%02d %02d/%02d/%04d";
}

const char* DateKeyFormat(int which) {
    switch (which) {
        case 0:
            return "\t<creation date = %s>\n";
        case 2:
            return "\t<file save date = %s>\n";
        case 3:
            return "\t<last used date = %s>\n";
        default:
            return "\t<change date = %s>\n";
    }
}

}  // namespace

std::string CTaggedFile::Formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

// --- writing

size_t CTaggedFile::Fail(uint32_t code) {
    if (!failed_) write_error_ = code ? code : plat::ERROR_WRITE_FAULT;
    failed_ = true;
    return 0;
}

bool CTaggedFile::OpenForWrite(const core::Text& path, uint32_t size_hint) {
    auto host = plat::host_path(path);
    if (!host) return false;
    plat::AtomicFile file(*host);
    if (!file) return false;
    file_.emplace(std::move(file));
    text_.clear();
    text_.reserve(size_hint);
    direct_ = in_memory_ = failed_ = false;
    write_error_ = 0;
    written_ = 0;
    byte_sum_ = 0;
    return true;
}

bool CTaggedFile::OpenForWriteDirect(const core::Text& path) {
    if (!OpenForWrite(path, 0)) return false;
    direct_ = true;
    return true;
}

void CTaggedFile::OpenInMemory() {
    file_.reset();
    text_.clear();
    direct_ = failed_ = false;
    in_memory_ = true;
    write_error_ = 0;
    written_ = 0;
    byte_sum_ = 0;
}

size_t CTaggedFile::WriteBytes(std::string_view bytes) {
    if (failed_) return 0;
    if (!in_memory_ && !file_) return Fail(plat::ERROR_INVALID_HANDLE);
    for (unsigned char c : bytes) byte_sum_ += c;
    written_ += bytes.size();
    if (direct_) {
        if (!file_->write(bytes)) return Fail(plat::get_last_error());
    } else {
        text_.append(bytes);
    }
    return bytes.size();
}

size_t CTaggedFile::WriteInt(const char* format, int32_t value) {
    return WriteBytes(Formatted(format, value));
}

size_t CTaggedFile::WriteFrequency(const char* format, uint64_t hertz) {
    return WriteBytes(Formatted(format, static_cast<uint32_t>(hertz)));
}

size_t CTaggedFile::WriteText(const char* format, const core::Text& text) {
    // A line break inside a value would end its tag line: it becomes a blank.
    core::Text one_line = text;
    std::replace_if(
        one_line.begin(), one_line.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; },
        u' ');
    return WriteBytes(Formatted(format, plat::to_utf8(one_line).c_str()));
}

size_t CTaggedFile::WriteDouble(std::string_view format, double value) {
    return WriteBytes(files::FormatDoubleLine(format, value));
}

size_t CTaggedFile::WriteDateTag(std::time_t time, int which) {
    std::tm t{};
    localtime_r(&time, &t);
    std::string date = Formatted(DateFormat(), t.tm_hour, t.tm_min, t.tm_sec, t.tm_mon + 1,
                                 t.tm_mday, t.tm_year + 1900);
    return WriteBytes(Formatted(DateKeyFormat(which), date.c_str()));
}

size_t CTaggedFile::WriteDateTagText(const core::Text& text, int which) {
    return WriteText(DateKeyFormat(which), text);
}

size_t CTaggedFile::WriteCopyright() {
    return WriteBytes(Formatted("\t<Copyright%.*s>\n", static_cast<int>(kCopyrightNotice.size()),
                                kCopyrightNotice.data()));
}

size_t CTaggedFile::WriteMeasurementClass(int32_t measurement_class) {
    switch (measurement_class) {
        case CMeasSetup::kClassVna:
            return WriteBytes("\t<measurement class = vna>\n");
        case CMeasSetup::kClassSa:
            return WriteBytes("\t<measurement class = specan>\n");
        case CMeasSetup::kClassPower:
            return WriteBytes("\t<measurement class = power>\n");
        default:
            return 0;
    }
}

size_t CTaggedFile::WriteMeasurementId(int32_t measurement_class, int32_t id) {
    for (const ClassIds& c : kClassIds) {
        if (c.measurement_class != measurement_class) continue;
        if (id < c.first || id > c.last) return 0;
        return WriteBytes(Formatted("\t<measurement id = %s>\n",
                                    kMeasurementNames[c.entry_of_first + id - c.first]));
    }
    return 0;
}

size_t CTaggedFile::WriteBandBlock(const core::Text& name, uint64_t start, uint64_t stop,
                                   std::optional<std::pair<uint64_t, uint64_t>> span_and_centre) {
    size_t n = WriteBytes("\t<band>\n");
    n += WriteText("\t\t<band name = %s>\n", name);
    n += WriteFrequency("\t\t<band start =  %010u>\n", start);
    n += WriteFrequency("\t\t<band stop =  %010u>\n", stop);
    if (span_and_centre) {
        n += WriteFrequency("\t\t<band span =  %010u>\n", span_and_centre->first);
        n += WriteFrequency("\t\t<band center =  %010u>\n", span_and_centre->second);
    }
    return n + WriteBytes("\t</band>\n");
}

size_t CTaggedFile::WriteLimitBlock(const CMeasSetup& setup) {
    // The limit values pass through single precision, as the instrument keeps them.
    auto single = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    size_t n = WriteBytes("\t<limit>\n");
    n += WriteInt("\t\t<upper limit state = %03d>\n", setup.GetUpperLimitState() ? 1 : 0);
    n += WriteDouble("\t\t<upper limit value = %#.5e>\n", single(setup.GetUpperLimitValue()));
    n += WriteInt("\t\t<lower limit state = %03d>\n", setup.GetLowerLimitState() ? 1 : 0);
    n += WriteDouble("\t\t<lower limit value = %#.5e>\n", single(setup.GetLowerLimitValue()));
    n += WriteInt("\t\t<limit alarm = %03d>\n", setup.GetLimitAlarm() ? 1 : 0);
    return n + WriteBytes("\t</limit>\n");
}

size_t CTaggedFile::WriteChecksumLine() {
    uint32_t sum = byte_sum_;
    return WriteBytes(Formatted("%04d\r\n", static_cast<int>(sum)));
}

bool CTaggedFile::Close() {
    if (in_memory_) return !failed_;
    std::optional<plat::AtomicFile> file = CloseUncommitted();
    return file && Commit(*file);
}

std::optional<plat::AtomicFile> CTaggedFile::CloseUncommitted() {
    if (!file_) return std::nullopt;
    if (!direct_ && !failed_ && !file_->write(text_)) Fail(plat::get_last_error());
    std::optional<plat::AtomicFile> file = std::move(file_);
    file_.reset();
    if (failed_) return std::nullopt;
    return file;
}

bool CTaggedFile::Commit(plat::AtomicFile& file) {
    if (file.commit()) return true;
    Fail(plat::get_last_error());
    return false;
}

uint32_t CTaggedFile::EstimateSize() {
    size_t copyright = 12 + kCopyrightNotice.size();
    return static_cast<uint32_t>(copyright + kHtmlOpen.size() + kHeadOpen.size() +
                                 kHeadClose.size() + kBodyOpen.size() + kBodyClose.size() +
                                 kHtmlClose.size());
}

// --- reading

size_t CTaggedFile::LoadFile(const core::Text& path) {
    plat::File file = plat::File::open(path, plat::FileAccess::Read, plat::FileOpen::Existing);
    if (!file) return 0;
    const auto refuse = [&] {
        HistoryAdd(kHistoryFiles, u"file too large to read: " + path,
                   static_cast<uint32_t>(kMaxLoadBytes >> 20));
        return LoadBytes({});
    };
    if (file.size() > static_cast<int64_t>(kMaxLoadBytes)) return refuse();
    std::string bytes;
    char chunk[16384];
    for (;;) {
        int64_t n = file.read(std::as_writable_bytes(std::span(chunk)));
        if (n < 0) return 0;
        if (n == 0) break;
        // A file that grows while it is read is held to the same bound.
        if (bytes.size() + static_cast<size_t>(n) > kMaxLoadBytes) return refuse();
        bytes.append(chunk, static_cast<size_t>(n));
    }
    return LoadBytes(std::move(bytes));
}

size_t CTaggedFile::LoadBytes(std::string bytes) {
    data_ = std::move(bytes);
    position_ = 0;
    line_number_ = 0;
    line_too_long_ = false;
    return data_.size();
}

bool CTaggedFile::ReadLine(core::Text& line) {
    line.clear();
    if (position_ >= data_.size()) return false;
    size_t end = data_.find('\n', position_);
    if (end == std::string::npos) end = data_.size();
    if (end - position_ > kMaxLineBytes) {
        line_too_long_ = true;
        return false;
    }
    std::string bytes;
    bytes.reserve(end - position_);
    for (size_t i = position_; i < end; ++i)
        if (data_[i] != '\r') bytes.push_back(data_[i]);
    position_ = end + 1;
    ++line_number_;
    line = plat::from_utf8(bytes);
    return true;
}

std::optional<core::Text> CTaggedFile::ParseTagLine(std::u16string_view line, int32_t& id) {
    id = files::tag::kNone;
    while (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    while (!line.empty() && line.front() == u'\t') line.remove_prefix(1);
    if (line.empty()) return std::nullopt;
    if (line.front() != u'<' || line.back() != u'>') return core::Text(line);
    while (!line.empty() && line.front() == u'<') line.remove_prefix(1);
    while (!line.empty() && line.back() == u'>') line.remove_suffix(1);
    size_t equals = line.find(u'=');
    std::u16string_view key = line.substr(0, equals);
    while (!key.empty() && key.front() == u' ') key.remove_prefix(1);
    while (!key.empty() && key.back() == u' ') key.remove_suffix(1);
    id = files::tag::FindKeyword(key);
    if (id != files::tag::kNone) {
        if (equals == std::u16string_view::npos) return std::nullopt;
        std::u16string_view value = line.substr(equals + 1);
        // The one blank the formats put after "=" is not part of the value.
        if (!value.empty() && value.front() == u' ') value.remove_prefix(1);
        return core::Text(value);
    }
    if (line.substr(0, files::tag::kCopyrightKey.size()) == files::tag::kCopyrightKey)
        id = files::tag::kCopyright;
    return std::nullopt;
}

// --- progress

void CTaggedFile::OpenProgress(int low, int high, const core::Text& title) {
    progress_ = FileServices().OpenProgress(title, low, high);
}

void CTaggedFile::StepProgress(int position, int maximum) {
    if (progress_) progress_->SetProgress(position, maximum);
}

#include "files/formats/trace_file.h"

#include <algorithm>

#include "core/res_string.h"
#include "core/routines.h"
#include "files/formats/number_format.h"

namespace {

constexpr std::u16string_view kFirstLine = u"0000";
constexpr std::u16string_view kVnaKind = u"0001", kSaKind = u"0002";
// The header lines before the kind line (lines 2 to 12).
constexpr int kHeaderLines = 11;
constexpr int kTimeLine = 6, kTitleLine = 7, kSubtitleLine = 8, kLabelLine = 11, kNotesLine = 12;
// Spectrum analyzer measurement ids a legacy file may name.
constexpr int32_t kFirstSaId = 20, kLastSaId = 29;
// The progress of a legacy recall runs against this total.
constexpr int kProgressTotal = 10000;

// "1.6.20130314" gives 16,130,314: the parts' digits run together, the
// third part without its first two characters. Nothing for another form.
std::optional<uint32_t> VersionFromText(std::u16string_view text) {
    size_t first = text.find(u'.');
    if (first == std::u16string_view::npos) return std::nullopt;
    size_t second = text.find(u'.', first + 1);
    if (second == std::u16string_view::npos) return std::nullopt;
    std::u16string_view third = text.substr(second + 1);
    if (first == 0 || second == first + 1 || third.size() <= 2) return std::nullopt;
    std::u16string digits(text.substr(0, first));
    digits += text.substr(first + 1, second - first - 1);
    digits += third.substr(2);
    if (digits.size() > 9) return std::nullopt;
    uint32_t v = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + static_cast<uint32_t>(c - u'0');
    }
    return v;
}

std::optional<uint64_t> ParseHertz(std::u16string_view text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    uint64_t v = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - u'0');
    }
    return v;
}

}  // namespace

struct CTraceFile::Header {
    std::u16string lines[kHeaderLines + 2];  // index = line number - 1
    size_t characters = 0;
    int32_t measurement_class = 0;
    // The short spectrum analyzer body.
    std::optional<int32_t> measurement_id;
    uint64_t start = 0, stop = 0;
    // The full spectrum analyzer body: one level a point.
    std::vector<float> levels;
};

CTraceFile::CTraceFile(CMeasSetup* setup, int32_t a, int32_t b, int32_t c)
    : CSetupFile(setup), construction_{a, b, c} {}

CTraceFile::CTraceFile(int32_t kind, uint32_t count, const TracePoint* first,
                       const TracePoint* second)
    : CSetupFile(nullptr), kind_(kind) {
    count = std::min(count, kTraceBufferPoints);
    if (first) first_.assign(first, first + count);
    if (second) second_.assign(second, second + count);
}

void CTraceFile::SetTexts(std::time_t time, core::Text title, core::Text subtitle,
                          core::Text comment, core::Text label, core::Text path) {
    time_ = time;
    title_ = std::move(title);
    subtitle_ = std::move(subtitle);
    comment_ = std::move(comment);
    label_ = std::move(label);
    trace_path_ = std::move(path);
}

const TracePoint* CTraceFile::GetPoint(uint32_t i) const {
    return i < first_.size() ? &first_[i] : nullptr;
}

const TracePoint* CTraceFile::GetDtfPoint(uint32_t i) const {
    return i < second_.size() ? &second_[i] : nullptr;
}

std::optional<TraceHeaderTexts> CTraceFile::GetHeaderTexts() const {
    return TraceHeaderTexts{time_, label_, title_, subtitle_, comment_};
}

// --- the legacy reader

bool CTraceFile::NextLine(std::u16string& line) {
    core::Text text;
    if (!ReadLine(text)) return false;
    size_t tabs = text.find_first_not_of(u'\t');
    line = tabs == core::Text::npos ? std::u16string() : std::u16string(text.substr(tabs));
    return true;
}

CTraceFile::Outcome CTraceFile::ReadLegacy(const core::Text& path, bool listing, Header& h) {
    file_version_ = 0;
    if (!NextLine(h.lines[0]) || h.lines[0] != kFirstLine) return Outcome::kRefusedFirstLine;
    for (int i = 1; i <= kHeaderLines + 1; ++i)
        if (!NextLine(h.lines[i])) return Outcome::kFailed;
    std::optional<uint32_t> version = VersionFromText(h.lines[1]);
    if (!version || *version < kOldestVersion) return Outcome::kFailed;
    file_version_ = *version;
    for (const std::u16string& line : h.lines) h.characters += line.size();
    const std::u16string& kind = h.lines[kHeaderLines + 1];
    if (listing) {
        // The listing learns the kind from the file.
        h.measurement_class = files::ParseStrictInt(kind).value_or(0);
        if (kind == kSaKind) return ReadShortSaBody(h) ? Outcome::kHeaderOnly : Outcome::kFailed;
        return Outcome::kHeaderOnly;
    }
    if (!setup_ || setup_->GetMeasurementClass() == 0) return Outcome::kFailed;
    h.measurement_class = setup_->GetMeasurementClass();
    std::u16string_view own = h.measurement_class == CMeasSetup::kClassVna  ? kVnaKind
                              : h.measurement_class == CMeasSetup::kClassSa ? kSaKind
                                                                            : u"";
    (void)path;
    return kind == own ? Outcome::kBody : Outcome::kHeaderOnly;
}

bool CTraceFile::ReadShortSaBody(Header& h) {
    std::u16string id_line, start_line, stop_line;
    if (!NextLine(id_line) || !NextLine(start_line) || !NextLine(stop_line)) return false;
    std::optional<int32_t> id = files::ParseStrictInt(id_line);
    if (!id || *id < kFirstSaId || *id > kLastSaId) return false;
    if (!FileServices().OffersMeasurement(CMeasSetup::kClassSa, *id)) return false;
    std::optional<uint64_t> start = ParseHertz(start_line), stop = ParseHertz(stop_line);
    if (!start || !stop) return false;
    h.measurement_id = *id;
    h.start = *start;
    h.stop = *stop;
    return true;
}

void CTraceFile::ApplyHeader(const Header& h, const core::Text& path) {
    CMeasSetup& s = *setup_;
    const std::u16string& time = h.lines[kTimeLine - 1];
    s.SetSaveTime(ParseTimeDateHms(time));
    s.SetDateText(time);
    s.SetTitle(h.lines[kTitleLine - 1]);
    s.SetSubtitle(h.lines[kSubtitleLine - 1]);
    s.SetSetupLabel(h.lines[kLabelLine - 1]);
    s.SetNotes(h.lines[kNotesLine - 1]);
    s.SetFilePath(path);
}

bool CTraceFile::ReadWithProgress(const core::Text& path, TracePoint* buffer) {
    if (LoadFile(path) == 0) return false;
    return RecallLoaded(path, buffer);
}

bool CTraceFile::ReadLegacyBytes(std::string bytes, const core::Text& path, TracePoint* buffer) {
    if (LoadBytes(std::move(bytes)) == 0) return false;
    return RecallLoaded(path, buffer);
}

// The spectrum analyzer's full body: the short body's measurement id, start
// and stop, then the number of points and one level a line, then the end
// line. "EOF" among the levels, or a line missing, refuses the file.
bool CTraceFile::ReadSaBody(Header& h) {
    if (!ReadShortSaBody(h)) return false;
    std::u16string line;
    if (!NextLine(line)) return false;
    const std::optional<int32_t> count = files::ParseStrictInt(line);
    if (!count || *count <= 0 || static_cast<uint32_t>(*count) > kTraceBufferPoints) return false;
    h.levels.reserve(static_cast<size_t>(*count));
    for (int32_t i = 0; i < *count; ++i) {
        if (!NextLine(line) || line == u"EOF") return false;
        const std::optional<double> level = files::ParseStrictDouble(line);
        if (!level) return false;
        h.levels.push_back(static_cast<float>(*level));
    }
    return NextLine(line);
}

// A recalled body of the screen's own kind: its settings into the setup,
// its levels into the point buffer. False when the setup cannot take them.
bool CTraceFile::ApplySaBody(const Header& h, TracePoint* buffer) {
    CMeasSetup& s = *setup_;
    const auto count = static_cast<int32_t>(h.levels.size());
    if (!buffer || !h.measurement_id || !s.SetDataPoints(count)) return false;
    ApplyShortSaBody(h);
    std::fill_n(buffer, kTraceBufferPoints, TracePoint{});
    for (size_t i = 0; i < h.levels.size(); ++i) buffer[i].first = h.levels[i];
    return true;
}

bool CTraceFile::RecallLoaded(const core::Text& path, TracePoint* buffer) {
    OpenProgress(0, 100, LoadResString(kRecallTitleId) + path);
    Header h;
    Outcome outcome = ReadLegacy(path, false, h);
    if (outcome == Outcome::kRefusedFirstLine) {
        CloseProgress();
        if (!quiet_) FileServices().ShowMessage(LoadResString(kInvalidFormatId), kExclamation);
        return false;
    }
    // A body of the screen's own kind: only the spectrum analyzer's layout
    // is known, so a network analyzer body fails with the setup as it was.
    bool ok = outcome == Outcome::kHeaderOnly;
    if (outcome == Outcome::kBody)
        ok = h.measurement_class == CMeasSetup::kClassSa && ReadSaBody(h) && ApplySaBody(h, buffer);
    if (ok) {
        StepProgress(static_cast<int>(std::min<size_t>(h.characters, kProgressTotal)),
                     kProgressTotal);
        ApplyHeader(h, path);
    }
    StepProgress(kProgressTotal, kProgressTotal);
    CloseProgress();
    return ok;
}

bool CTraceFile::LoadTraceHeader(const core::Text& path) {
    if (!setup_ || LoadFile(path) == 0) return false;
    return HeaderLoaded(path);
}

bool CTraceFile::LoadTraceHeaderBytes(std::string bytes, const core::Text& path) {
    if (!setup_ || LoadBytes(std::move(bytes)) == 0) return false;
    return HeaderLoaded(path);
}

bool CTraceFile::HeaderLoaded(const core::Text& path) {
    Header h;
    if (ReadLegacy(path, true, h) != Outcome::kHeaderOnly) return false;
    CMeasSetup& s = *setup_;
    s.SetMeasurementClass(h.measurement_class);
    if (h.measurement_id) ApplyShortSaBody(h);
    ApplyHeader(h, path);
    return true;
}

// The measurement and the range of a spectrum analyzer body.
void CTraceFile::ApplyShortSaBody(const Header& h) {
    CMeasSetup& s = *setup_;
    s.SetMeasurementId(*h.measurement_id);
    s.SetStateWord(CMeasSetup::kStateChanged);
    if (!s.GetFrequencyRange())
        s.SetFrequencyRange(
            std::make_unique<CFrequencyRange>(0, 0, CFrequencyRange::kDefaultUpper));
    s.GetFrequencyRange()->SetStart(h.start, false);
    s.GetFrequencyRange()->SetStop(h.stop, false);
}

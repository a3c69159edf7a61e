#include "files/formats/list_files.h"

#include <cmath>
#include <cstdio>

#include "core/res_string.h"
#include "files/formats/keyword_tables.h"
#include "files/formats/number_format.h"
#include "files/formats/setup_file.h"
#include "files/meas_setup.h"
#include "platform/kernel/errors.h"
#include "platform/text/number_text.h"
#include "platform/text/utf.h"

namespace {

// Tag ids of the list blocks.
constexpr int32_t kBand = 31, kBandName = 32, kBandStart = 33, kBandStop = 34, kBandEnd = 35;
constexpr int32_t kBandSpan = 50, kBandCenter = 51;
constexpr int32_t kCable = 60, kCableName = 61, kCableDielectric = 62, kCableEnd = 66;
constexpr int32_t kCableLossFeet = 64, kCableLossMeter = 65;
// The loss columns of a cable with a frequency table, one tag each.
constexpr int32_t kCableColumnLoss = 224;
constexpr const char* kCableColumnFormats[CCableType::kColumns] = {
    "\t\t<cable loss 450 =  %.8e>\n",  "\t\t<cable loss 824 =  %.8e>\n",
    "\t\t<cable loss 894 =  %.8e>\n",  "\t\t<cable loss 960 =  %.8e>\n",
    "\t\t<cable loss 1000 =  %.8e>\n", "\t\t<cable loss 1700 =  %.8e>\n",
    "\t\t<cable loss 1920 =  %.8e>\n", "\t\t<cable loss 2000 =  %.8e>\n",
    "\t\t<cable loss 2500 =  %.8e>\n"};
constexpr int32_t kAntenna = 153, kAntennaEnd = 157, kAntennaName = 148;
constexpr int32_t kAntennaStart = 154, kAntennaStop = 155, kAntennaGain = 156;
constexpr int32_t kAntennaSpan = 223;

// The range of the frequencies and numbers of the list lines.
constexpr double kFrequencyLimit = 3600000000.0;
constexpr double kChannelLow = -2147483648.0, kChannelHigh = 2147483647.0;
constexpr int kMaxBandRanges = 3;
// The band list's estimate per band beyond the frame.
constexpr uint32_t kBandBlockBytes = 150;

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c > 0x7F) return {};  // no number has other characters
        out += static_cast<char>(c);
    }
    return out;
}

core::Text Trimmed(std::u16string_view text) {
    size_t begin = text.find_first_not_of(u' ');
    if (begin == std::u16string_view::npos) return {};
    size_t end = text.find_last_not_of(u' ');
    return core::Text(text.substr(begin, end - begin + 1));
}

// The value of a tag line parsed as an unsigned decimal (low 32 bits kept
// only by the frequency parser), 0 when it is none.
uint64_t Hertz(const std::optional<core::Text>& value) {
    return value ? files::ParseStrictFrequency(Trimmed(*value)).value_or(0) : 0;
}

int32_t Integer(const std::optional<core::Text>& value) {
    return value ? files::ParseStrictInt(Trimmed(*value)).value_or(0) : 0;
}

float Decimal(const std::optional<core::Text>& value) {
    return value ? files::ToFloat(files::ParseStrictDouble(Trimmed(*value)).value_or(0)) : 0;
}

}  // namespace

// --- the common part

CListFile::CListFile(std::u16string_view stem)
    : path_(core::Text(kListFolder) + u"\\" + core::Text(stem) + u".csv"),
      tagged_path_(core::Text(kListFolder) + u"\\" + core::Text(stem) + u".tag") {}

std::vector<core::Text> CListFile::SplitLine(std::u16string_view line) {
    core::Text clean;
    for (char16_t c : line)
        if (c != u'\r' && c != u'\t') clean += c;
    std::vector<core::Text> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = clean.find(u',', start);
        fields.push_back(clean.substr(start, comma - start));
        if (comma == core::Text::npos) return fields;
        start = comma + 1;
    }
}

std::optional<double> CListFile::Number(std::u16string_view text, double low, double high) {
    std::string bytes = Narrow(Trimmed(text));
    if (bytes.empty()) return std::nullopt;
    const std::optional<double> v = plat::parse_number(bytes);
    if (!v || !std::isfinite(*v) || *v < low || *v > high) return std::nullopt;
    return v;
}

bool CListFile::LoadList(const core::Text& path) {
    if (!preset_) return LoadFile(path) != 0;
    std::string bytes = std::move(*preset_);
    preset_.reset();
    return LoadBytes(std::move(bytes)) != 0;
}

void CListFile::ReportField(size_t line, size_t field, std::u16string_view what) {
    char where[64];
    std::snprintf(where, sizeof where, "%u, Field: %u", static_cast<unsigned>(line),
                  static_cast<unsigned>(field));
    FileServices().ShowMessage(u"Incorrect data at:\n line: " + plat::from_utf8(where) +
                                   u"\nDefault " + core::Text(what) + u" will be used",
                               kExclamation);
}

bool CListFile::SaveBlocks(uint32_t count, const std::function<void()>& write_blocks) {
    IFileServices& services = FileServices();
    uint64_t estimate = uint64_t{EstimateSize()} * std::max<uint32_t>(count, 1);
    std::optional<uint64_t> free_bytes = services.GetFreeBytes(tagged_path_);
    if (free_bytes && *free_bytes <= kSpaceFactor * estimate) {
        services.ShowMessage(LoadResString(kNoSpaceId), kExclamation);
        return false;
    }
    OpenProgress(0, static_cast<int>(estimate), LoadResString(kSavingId) + tagged_path_);
    if (!OpenForWrite(tagged_path_, static_cast<uint32_t>(estimate))) {
        CloseProgress();
        services.ShowMessage(tagged_path_ + CSetupFile::kDirectoryNotFound, kExclamation);
        return false;
    }
    WriteString(kHtmlOpen);
    WriteString(kHeadOpen);
    WriteDateTag(CMeasSetup::Now(), 2);
    WriteString(kHeadClose);
    WriteString(kBodyOpen);
    StepProgress(static_cast<int>(GetWrittenLength()), static_cast<int>(estimate));
    write_blocks();
    WriteString(kBodyClose);
    WriteString(kHtmlClose);
    bool ok = Close();
    CloseProgress();
    if (!ok)
        services.ShowMessage(GetWriteError() == plat::ERROR_DISK_FULL
                                 ? LoadResString(kNoSpaceId)
                                 : CSetupFile::kWriteError + tagged_path_,
                             kExclamation);
    return ok;
}

// --- antennas

std::unique_ptr<CAntenna> CAntennaListFile::ParseAntennaLine(std::u16string_view line,
                                                             size_t& field) {
    std::vector<core::Text> f = SplitLine(line);
    field = 0;
    if (f.size() != kFields) return nullptr;
    double v[kFields] = {};
    for (field = 1; field < kFields; ++field) {
        std::optional<double> n = Number(f[field], -kFrequencyLimit, kFrequencyLimit);
        if (!n) return nullptr;
        v[field] = *n;
    }
    int64_t bands = files::RoundHalfUp(v[1]);
    if (bands < 0 || bands > 2) {
        field = 1;
        return nullptr;
    }
    // One band at most from a line: its start and stop in Hz, the gain in
    // hundredths of a dB; a band whose stop is not above its start is absent.
    auto antenna = std::make_unique<CAntenna>(
        f[0], static_cast<int32_t>(bands),
        v[3] >= 0 ? static_cast<uint64_t>(files::RoundHalfUp(v[3])) : 0,
        v[4] > v[3] && v[3] >= 0 ? static_cast<uint64_t>(files::RoundHalfUp(v[4])) : 0,
        static_cast<int32_t>(files::RoundHalfUp(v[5])));
    antenna->SetSpan(v[2] > 0 ? static_cast<uint64_t>(files::RoundHalfUp(v[2])) : 0);
    return antenna;
}

bool CAntennaListFile::ReadCommaSeparated(std::unique_ptr<CAntennaList>& list) {
    if (!LoadList(path_)) return false;
    auto read = std::make_unique<CAntennaList>();
    read->Add(CAntenna::None());
    core::Text line;
    NextLine(line);  // the header
    while (NextLine(line)) {
        if (SplitLine(line) == std::vector<core::Text>{u""}) continue;  // an empty line
        size_t field = 0;
        std::unique_ptr<CAntenna> antenna = ParseAntennaLine(line, field);
        if (!antenna) {
            ReportField(GetLineNumber(), field, u"Antenna List");
            return false;
        }
        read->Add(std::move(antenna));
    }
    list = std::move(read);
    return true;
}

bool CAntennaListFile::ReadTagged(std::unique_ptr<CAntennaList>& list) {
    if (!LoadList(tagged_path_)) return false;
    if (!list) list = std::make_unique<CAntennaList>();
    core::Text line, name;
    bool in_block = false, named = false;
    uint64_t start = 0, stop = 0, span = 0;
    int32_t gain = 0;
    while (NextLine(line)) {
        int32_t id = 0;
        std::optional<core::Text> value = ParseTagLine(line, id);
        if (id == files::tag::kBodyEnd) break;
        if (id == kAntenna) {
            in_block = true;
            named = false;
            start = stop = span = 0;
            gain = 0;
        } else if (!in_block) {
            continue;
        } else if (id == kAntennaName) {
            name = value.value_or(core::Text());
            named = true;
        } else if (id == kAntennaStart) {
            start = Hertz(value);
        } else if (id == kAntennaStop) {
            stop = Hertz(value);
        } else if (id == kAntennaGain) {
            gain = Integer(value);
        } else if (id == kAntennaSpan) {
            span = Hertz(value);
        } else if (id == kAntennaEnd) {
            if (named) {
                auto antenna = std::make_unique<CAntenna>(name, 1, start, stop, gain);
                antenna->SetSpan(span);
                list->Add(std::move(antenna));
            }
            in_block = false;
        }
    }
    return true;
}

void CAntennaListFile::WriteAntenna(const CAntenna& a) {
    WriteBytes("\t<antenna>\n");
    WriteText("\t<antenna name = %s>\n", a.GetName());
    WriteFrequency("\t\t<antenna start =  %010u>\n", a.GetStart(0));
    WriteFrequency("\t\t<antenna stop =  %010u>\n", a.GetStop(0));
    WriteInt("\t\t<antenna gain = %03d>\n", a.GetGainRaw(0));
    WriteFrequency("\t\t<antenna span =  %010u>\n", a.GetSpan());
    WriteBytes("\t</antenna>\n");
}

bool CAntennaListFile::Save(const CAntennaList& list) {
    return SaveBlocks(list.GetCount(), [&] {
        for (uint32_t i = 0; i < list.GetCount(); ++i) WriteAntenna(*list.GetAt(i));
    });
}

// --- bands

uint32_t CBandListFile::EstimateSize() {
    return CTaggedFile::EstimateSize() + kBandBlockBytes;
}

bool CBandListFile::ParseBandLine(std::u16string_view line, SignalBandRecord& record,
                                  core::Text& name, size_t& field) {
    std::vector<core::Text> f = SplitLine(line);
    field = 0;
    if (f.size() != kFields) return false;
    name = f[0];
    field = 1;
    std::optional<double> count = Number(f[1], 0, kMaxBandRanges);
    if (!count) return false;
    record.range_count = static_cast<uint32_t>(*count);
    for (int k = 0; k < kMaxBandRanges; ++k) {
        ChannelRange& r = record.ranges[k];
        double* values[] = {&r.start, &r.stop, &r.bandwidth, &r.spacing};
        for (double* v : values) {
            ++field;
            std::optional<double> n = Number(f[field], -kFrequencyLimit, kFrequencyLimit);
            if (!n) return false;
            *v = files::ToFloat(*n);  // kept in single precision
        }
        int32_t* channels[] = {&r.first_channel, &r.last_channel};
        for (int32_t* c : channels) {
            ++field;
            std::optional<double> n = Number(f[field], kChannelLow, kChannelHigh);
            if (!n) return false;
            *c = static_cast<int32_t>(std::min(std::floor(*n + 0.5), kChannelHigh));
        }
    }
    return true;
}

bool CBandListFile::ReadCommaSeparated(std::unique_ptr<CSignalBand>& list) {
    if (!LoadList(path_)) return false;
    std::unique_ptr<CSignalBand> head;
    core::Text line;
    NextLine(line);  // the header
    int32_t index = 0;
    while (NextLine(line)) {
        if (line.empty()) continue;
        SignalBandRecord record;
        core::Text name;
        size_t field = 0;
        if (!ParseBandLine(line, record, name, field)) {
            ReportField(GetLineNumber(), field, u"Band List");
            return false;
        }
        auto band = CSignalBand::FromRecord(index++, name, record.range_count, record.ranges);
        if (head) {
            head->Append(std::move(band));
        } else {
            head = std::move(band);
        }
    }
    list = std::move(head);
    return true;
}

CSignalBand* CBandListFile::ReadTagged(std::unique_ptr<CSignalBand>& list) {
    if (!LoadList(tagged_path_)) return nullptr;
    CSignalBand* last = nullptr;
    core::Text line, name;
    bool in_block = false, named = false;
    uint64_t start = 0, stop = 0, span = 0, centre = 0;
    while (NextLine(line)) {
        int32_t id = 0;
        std::optional<core::Text> value = ParseTagLine(line, id);
        if (id == files::tag::kNone || id == files::tag::kBodyEnd) break;
        if (id == kBand) {
            in_block = true;
            named = false;
            start = stop = span = centre = 0;
        } else if (!in_block) {
            continue;
        } else if (id == kBandName) {
            name = value.value_or(core::Text());
            named = true;
        } else if (id == kBandStart) {
            start = Hertz(value);
        } else if (id == kBandStop) {
            stop = Hertz(value);
        } else if (id == kBandSpan) {
            span = Hertz(value);
        } else if (id == kBandCenter) {
            centre = Hertz(value);
        } else if (id == kBandEnd) {
            in_block = false;
            if (!named) continue;
            auto band = std::make_unique<CSignalBand>(name, start, centre, stop, span);
            last = band.get();
            if (list) {
                band->SetIndex(static_cast<int32_t>(list->GetCount()));
                list->Append(std::move(band));
            } else {
                band->SetIndex(0);
                list = std::move(band);
            }
        }
    }
    return last;
}

bool CBandListFile::Save(CSignalBand* list) {
    return SaveBlocks(list ? list->GetCount() : 0, [&] {
        for (CSignalBand* b = list; b; b = b->GetNext())
            WriteBandBlock(b->GetName(), b->GetStart(), b->GetStop(),
                           std::make_pair(b->GetSpan(), b->GetCenter()));
    });
}

// --- cables

std::optional<CCableListFile::CableLine> CCableListFile::ParseCableLine(std::u16string_view line) {
    std::vector<core::Text> f = SplitLine(line);
    if (f.size() < kMinCommas + 1) return std::nullopt;
    CableLine cable;
    cable.name = Trimmed(f[0]);
    std::optional<double> vp = Number(f[1], -HUGE_VAL, HUGE_VAL);
    if (!vp) return std::nullopt;
    cable.vp = files::ToFloat(*vp);
    for (int i = 0; i < CCableType::kColumns; ++i) {
        std::optional<double> loss = Number(f[2 + i], -HUGE_VAL, HUGE_VAL);
        if (!loss) return std::nullopt;
        cable.losses[i] = files::ToFloat(*loss);
    }
    return cable;
}

bool CCableListFile::ReadCommaSeparated(std::unique_ptr<CCableType>& list) {
    if (!LoadList(path_)) return false;
    auto head = std::make_unique<CCableType>(0, u"None", 0.0f, CCableType::Losses{}, true);
    core::Text line;
    NextLine(line);  // the header
    int32_t id = 1;
    while (NextLine(line)) {
        std::optional<CableLine> cable = ParseCableLine(line);
        if (!cable) break;
        head->Append(
            std::make_unique<CCableType>(id++, cable->name, cable->vp, cable->losses, true));
    }
    list = std::move(head);
    return true;
}

bool CCableListFile::ReadTagged(std::unique_ptr<CCableType>& list) {
    if (!LoadList(tagged_path_)) return false;
    core::Text line, name;
    bool in_block = false, named = false;
    float vp = 0, feet = 0, metre = 0;
    CCableType::Losses losses{};
    bool has_table = false;
    while (NextLine(line)) {
        int32_t id = 0;
        std::optional<core::Text> value = ParseTagLine(line, id);
        if (id == files::tag::kNone) return false;
        if (id == kCable) {
            in_block = true;
            named = false;
            vp = feet = metre = 0;
            losses = {};
            has_table = false;
        } else if (!in_block) {
            continue;
        } else if (id == kCableName) {
            name = value.value_or(core::Text());
            named = true;
        } else if (id == kCableDielectric) {
            vp = Decimal(value);
        } else if (id == kCableLossFeet) {
            feet = Decimal(value);
        } else if (id == kCableLossMeter) {
            metre = Decimal(value);
        } else if (id >= kCableColumnLoss && id < kCableColumnLoss + CCableType::kColumns) {
            losses[static_cast<size_t>(id - kCableColumnLoss)] = Decimal(value);
            has_table = true;
        } else if (id == kCableEnd) {
            in_block = false;
            if (!named) continue;
            int32_t next_id = list ? static_cast<int32_t>(list->GetCount()) : 0;
            // A cable saved from the comma-separated list keeps its table.
            auto cable = has_table
                             ? std::make_unique<CCableType>(next_id, name, vp, losses, true)
                             : std::make_unique<CCableType>(next_id, name, vp, feet, metre, false);
            if (list) {
                list->Append(std::move(cable));
            } else {
                list = std::move(cable);
            }
        }
    }
    return true;
}

void CCableListFile::WriteCable(const CCableType& c) {
    WriteBytes("\t<cable>\n");
    WriteText("\t\t<cable name = %s>\n", c.GetName());
    WriteFloat("\t\t<cable dielectric =  %f>\n", c.GetVp());
    WriteFloat("\t\t<cable loss feet =  %f>\n", c.GetLossPerFoot());
    WriteFloat("\t\t<cable loss meter =  %f>\n", c.GetLossPerMetre());
    if (!c.IsCustom())
        for (int i = 0; i < CCableType::kColumns; ++i)
            WriteFloat(kCableColumnFormats[i], c.GetColumnLoss(i));
    WriteBytes("\t</cable>\n");
}

bool CCableListFile::Save(const CCableType* list) {
    return SaveBlocks(list ? list->GetCount() : 0, [&] {
        for (const CCableType* c = list; c; c = c->GetNext()) WriteCable(*c);
    });
}

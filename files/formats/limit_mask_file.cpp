#include "files/formats/limit_mask_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "files/formats/number_format.h"
#include "platform/fs/atomic_save.h"
#include "platform/text/number_text.h"
#include "platform/text/utf.h"

namespace {

constexpr double kOffsetLimit = 3600000000.0;
constexpr double kReferenceLevelLimit = 999, kPointLevelLimit = 900;
constexpr size_t kFirstLineFields = 10, kMinPointFields = 5, kMaxPointFields = 10;
constexpr size_t kNameField = 0, kCountField = 1, kOffsetField = 2, kLevelField = 3;
constexpr size_t kUnitField = 4, kReferenceFrequencyField = 5, kReferenceLevelField = 6;
constexpr size_t kReferenceUnitField = 7, kOptionField = 8, kKindField = 9;

const char16_t* ErrorText(int error) {
    switch (error) {
        case CLimitMaskFile::kTooMany:
            return u"Too many data points, file line number: ";
        case CLimitMaskFile::kTooFew:
            return u" Too few data points, file line number: ";
        case CLimitMaskFile::kCountTooBig:
            return u"Number of points is too big, file line number: ";
        case CLimitMaskFile::kTooManyMasks:
            return u"Maximum number of limit masks(100) is reached. File line number: ";
        default:
            return u"Incorrect data, file line number: ";
    }
}

// "dBm" → 1, "dBc" → 0, compared without regard to case; -1 otherwise.
int UnitFlag(std::u16string_view text) {
    std::u16string lower;
    for (char16_t c : text) lower += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if (lower == u"dbm") return 1;
    if (lower == u"dbc") return 0;
    return -1;
}

}  // namespace

const LimitMask* CLimitMaskFile::FindMask(std::u16string_view name) const {
    for (const auto& m : masks_)
        if (m->name == name) return m.get();
    return nullptr;
}

void CLimitMaskFile::AddMask(std::unique_ptr<LimitMask> mask) {
    if (mask) masks_.push_back(std::move(mask));
}

void CLimitMaskFile::ClearMasks() {
    masks_.clear();
    upper_count_ = lower_count_ = 0;
}

namespace {

constexpr char kHeader[] = "name,count,freq,level,unit,ref freq,ref level,unit,a,kind\n";

// A level that reads back to the same double.
std::string Level(double value) {
    return plat::format_number("%.17g", value);
}

const char* Unit(bool absolute) {
    return absolute ? "dBm" : "dBc";
}

}  // namespace

std::string CLimitMaskFile::MaskText(const std::vector<LimitMask>& masks) {
    std::string text = kHeader;
    for (const LimitMask& m : masks) {
        const std::string name = plat::to_utf8(m.name);
        const int count = std::clamp(m.point_count, 1, LimitMask::kMaxPoints);
        for (int i = 0; i < count; ++i) {
            const LimitMaskPoint& p = m.points[static_cast<size_t>(i)];
            text += name + ",";
            if (i == 0) text += std::to_string(count);
            text += "," + std::to_string(p.offset) + "," + Level(p.level) + "," +
                    Unit(p.is_absolute_dbm);
            if (i == 0) {
                text += "," + std::to_string(m.reference_frequency) + "," +
                        Level(m.reference_level) + "," + Unit(!m.reference_level_flag) + "," +
                        (m.reference_frequency_flag ? "1" : "0") + "," + (m.upper ? "1" : "0");
            }
            text += "\n";
        }
    }
    return text;
}

bool CLimitMaskFile::SaveMasks(const std::vector<LimitMask>& masks) {
    return plat::atomic_save(path_, MaskText(masks));
}

bool CLimitMaskFile::Report(int error, size_t line) {
    last_error_ = error;
    char number[16];
    std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(line));
    FileServices().ShowMessage(
        ErrorText(error) + plat::from_utf8(number) + u"\n Default limit masks will be used",
        kExclamation);
    ClearMasks();
    return false;
}

bool CLimitMaskFile::Load() {
    last_error_ = 0;
    if (LoadFile(path_) == 0) return false;
    return ReadLoaded();
}

bool CLimitMaskFile::LoadBytes(std::string bytes) {
    last_error_ = 0;
    if (CTaggedFile::LoadBytes(std::move(bytes)) == 0) return false;
    return ReadLoaded();
}

int CLimitMaskFile::ParseMaskLine(std::u16string_view line, LimitMask& mask, int point,
                                  bool first) {
    std::vector<core::Text> f = SplitLine(line);
    if (first) {
        mask.name = f[kNameField];
    } else if (f[kNameField] != mask.name) {
        return kTooFew;  // the next mask starts before the count is reached
    }
    if (first ? f.size() != kFirstLineFields
              : f.size() < kMinPointFields || f.size() > kMaxPointFields)
        return kIncorrect;
    if (first) {
        std::optional<double> count = Number(f[kCountField], -HUGE_VAL, HUGE_VAL);
        if (!count) return kIncorrect;
        int64_t n = files::RoundHalfUp(*count);
        if (n < 0 || n > LimitMask::kMaxPoints) return kCountTooBig;
        if (n == 0) return kIncorrect;
        auto frequency = Number(f[kReferenceFrequencyField], -kOffsetLimit, kOffsetLimit);
        auto level = Number(f[kReferenceLevelField], -kReferenceLevelLimit, kReferenceLevelLimit);
        int unit = UnitFlag(f[kReferenceUnitField]);
        auto option = Number(f[kOptionField], -0.5, 1.499);
        auto kind = Number(f[kKindField], -0.5, 1.499);
        if (!frequency || !level || unit < 0 || !option || !kind) return kIncorrect;
        mask.point_count = static_cast<int32_t>(n);
        mask.reference_frequency =
            static_cast<uint64_t>(std::max<int64_t>(0, files::RoundHalfUp(*frequency)));
        mask.reference_level = *level;
        mask.reference_level_flag = unit == 0;
        mask.reference_frequency_flag = files::RoundHalfUp(*option) == 1;
        mask.upper = files::RoundHalfUp(*kind) == 1;
    }
    auto offset = Number(f[kOffsetField], -kOffsetLimit, kOffsetLimit);
    auto level = Number(f[kLevelField], -kPointLevelLimit, kPointLevelLimit);
    int unit = UnitFlag(f[kUnitField]);
    if (!offset || !level || unit < 0) return kIncorrect;
    mask.points[point] = {files::RoundHalfUp(*offset), *level, unit == 1};
    return 0;
}

bool CLimitMaskFile::ReadLoaded() {
    ClearMasks();
    core::Text line;
    NextLine(line);  // the header
    core::Text previous;
    while (NextLine(line)) {
        if (line.size() < 2) continue;
        auto mask = std::make_unique<LimitMask>();
        size_t first_line = GetLineNumber();
        if (!masks_.empty() && SplitLine(line)[0] == previous) return Report(kTooMany, first_line);
        if (int error = ParseMaskLine(line, *mask, 0, true)) return Report(error, first_line);
        int32_t& count = mask->upper ? upper_count_ : lower_count_;
        if (++count > kMaxMasksOfAKind) return Report(kTooManyMasks, first_line);
        for (int point = 1; point < mask->point_count; ++point) {
            if (!NextLine(line)) return Report(kTooFew, GetLineNumber() + 1);
            if (int error = ParseMaskLine(line, *mask, point, false))
                return Report(error, GetLineNumber());
        }
        previous = mask->name;
        masks_.push_back(std::move(mask));
    }
    return true;
}

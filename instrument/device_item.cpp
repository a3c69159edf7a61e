#include "instrument/device_item.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/res_string.h"
#include "core/text.h"
#include "instrument/block_reader.h"
#include "instrument/device_item_manager.h"
#include "platform/text/number_text.h"

namespace {

char* NewText(const char* text) {
    const size_t n = std::strlen(text) + 1;
    char* out = new char[n];
    std::memcpy(out, text, n);
    return out;
}

}  // namespace

CDeviceItem::CDeviceItem() {
    Reset();
}

CDeviceItem::~CDeviceItem() = default;

void CDeviceItem::Reset() {
    type_ = 0;
    id_ = 0;
    data_length_ = 0;
    data_.reset();
    block_.reset();
    first_index_ = 0;
    count_ = 0;
    values_ = pairs_a_ = pairs_b_ = nullptr;
    start_ = stop_ = 0;
    minimum_ = maximum_ = kNotMeasured;
    tag_min_ = tag_max_ = 0;
    next_ = nullptr;
}

void CDeviceItem::SetRange(uint32_t first_index, uint32_t count, uint64_t start, uint64_t stop) {
    first_index_ = first_index;
    count_ = count;
    start_ = start;
    stop_ = stop;
}

void CDeviceItem::SetArrays(float* values, float* pairs_a, float* pairs_b) {
    values_ = values;
    pairs_a_ = pairs_a;
    pairs_b_ = pairs_b;
}

int64_t CDeviceItem::Step() const {
    if (count_ == 0) return 0;
    return (static_cast<int64_t>(stop_) - static_cast<int64_t>(start_)) /
           static_cast<int64_t>(count_);
}

CDeviceItem* CDeviceItem::FindByFrequency(uint64_t f) {
    for (CDeviceItem* i = this; i; i = i->next_)
        if (i->Holds(f)) return i;
    return nullptr;
}

CDeviceItem* CDeviceItem::FindById(uint32_t id) {
    for (CDeviceItem* i = this; i; i = i->next_)
        if (i->id_ == id) return i;
    return nullptr;
}

uint32_t CDeviceItem::GetChainLength() const {
    uint32_t n = 0;
    for (const CDeviceItem* i = this; i; i = i->next_) ++n;
    return n;
}

uint32_t CDeviceItem::SetData(const uint8_t* bytes, uint32_t total, uint32_t head, uint32_t tail) {
    data_.reset();
    data_length_ = 0;
    if (!bytes || head + tail > total) return 0;
    data_length_ = total - head - tail;
    data_ = std::make_unique<uint8_t[]>(data_length_ + 1);
    std::memcpy(data_.get(), bytes + head, data_length_);
    data_[data_length_] = 0;
    return data_length_;
}

void CDeviceItem::Append(CDeviceItem* item) {
    CDeviceItem* last = this;
    while (last->next_) last = last->next_;
    last->next_ = item;
}

void CDeviceItem::Format(char* text, size_t size) {
    if (text && size) std::snprintf(text, size, "No Data");
}

char* CDeviceItem::CreateText(bool, bool, uint32_t) {
    return NewText("No Data");
}

uint32_t CDeviceItem::GetPointOfFrequency(uint64_t f) const {
    if (count_ == 0 || f <= start_) return 0;
    const int64_t step = Step();
    if (step <= 0) return 0;  // span below the count: every frequency is point 0
    return static_cast<uint32_t>((f - start_) / static_cast<uint64_t>(step));
}

uint64_t CDeviceItem::GetFrequencyOfPoint(uint32_t point) const {
    if (point >= count_) return 0;
    return start_ + static_cast<uint64_t>(point) * static_cast<uint64_t>(Step());
}

double CDeviceItem::GetValueAtFrequency(uint64_t f) {
    if (FindByFrequency(f) != this) return kNotMeasured;
    if (count_ == 1) return maximum_;
    const uint32_t p = GetPointOfFrequency(f);
    if (!values_ || p >= count_) return kNotMeasured;
    return values_[p];
}

double CDeviceItem::GetValue(uint32_t point) const {
    if (!values_ || point >= count_) return 0.0;
    return values_[point];
}

void CDeviceItem::SetPair(uint32_t point, float a, float b) {
    if (!pairs_a_ || point >= count_) return;
    pairs_a_[2 * point] = a;
    pairs_a_[2 * point + 1] = b;
}

void CDeviceItem::SetValue(uint32_t point, double value) {
    if (!values_ || point >= count_) return;
    values_[point] = static_cast<float>(value);
}

void CDeviceItem::SetValueAtFrequency(uint64_t f, double value) {
    if (FindByFrequency(f) != this) return;
    SetValue(count_ == 1 ? 0 : GetPointOfFrequency(f), value);
}

float* CDeviceItem::GetPairA(uint32_t point) {
    return pairs_a_ && point < count_ ? pairs_a_ + 2 * point : nullptr;
}

float* CDeviceItem::GetPairB(uint32_t point) {
    return pairs_b_ && point < count_ ? pairs_b_ + 2 * point : nullptr;
}

double CDeviceItem::HoldMaximumIn(uint32_t global_point, CDeviceItemManager* other) {
    const uint32_t local = GetLocalPoint(global_point);
    const double mine = GetValue(local);
    CDeviceItem* there = other ? other->FindByFrequency(GetFrequencyOfPoint(local)) : nullptr;
    if (!there) return mine;  // nothing holds the point: the value stays as it is
    const uint64_t f = GetFrequencyOfPoint(local);
    const double theirs = there->GetValueAtFrequency(f);
    if (theirs != kNotMeasured && theirs > mine) return theirs;
    there->SetValueAtFrequency(f, mine);
    return mine;
}

double CDeviceItem::HoldMaximumInList(uint32_t global_point, bool enabled,
                                      std::vector<HeldValue>* list) {
    const bool inside = global_point >= first_index_ && global_point < first_index_ + count_;
    const double mine = GetValue(inside ? GetLocalPoint(global_point) : 0);
    if (!inside || !enabled || !list || list->empty()) return mine;
    const uint64_t f = GetFrequencyOfPoint(GetLocalPoint(global_point));
    double best = mine;
    for (HeldValue& e : *list) {
        if (e.frequency != f) continue;
        e.value = std::max(e.value, mine);
        best = std::max(best, e.value);
    }
    return best;
}

void CDeviceItem::UpdateMinMax(double value, uint64_t start, uint64_t stop, uint64_t tag) {
    if (minimum_ == kNotMeasured || value < minimum_) {
        minimum_ = value;
        tag_min_ = tag;
    }
    if (maximum_ == kNotMeasured || value > maximum_) {
        maximum_ = value;
        tag_max_ = tag;
    }
    start_ = start;
    stop_ = stop;
}

uint64_t CDeviceItem::FindLevelCrossing(double level, uint64_t from, bool downwards,
                                        CDeviceItemManager* set, bool forwards) {
    for (CDeviceItem* item = this; item;) {
        const bool qualifies = downwards ? item->minimum_ <= level : item->maximum_ >= level;
        if (qualifies) {
            if (item->count_ == 1) return item->start_;
            const uint32_t first = from <= item->start_ ? 0 : item->GetPointOfFrequency(from);
            for (uint32_t p = first; p < item->count_; ++p) {
                const double v = item->GetValue(p);
                if (downwards ? v <= level : v >= level)
                    return from + static_cast<uint64_t>(p) * static_cast<uint64_t>(item->Step());
            }
        }
        if (!set) break;
        if (!forwards && item->id_ == 0) break;
        item = set->FindById(forwards ? item->id_ + 1 : item->id_ - 1);
    }
    return 0;
}

// ---- Item classes -----------------------------------------------------------------

char* CSweepItem::CreateText(bool with_head, bool with_value, uint32_t point) {
    char text[64] = "No Data";
    if (with_head) {
        // The block's own type word heads the line; 0 without a block.
        int16_t word = 0;
        if (block_ && block_->GetLength() >= 2) std::memcpy(&word, block_->GetPointer(0), 2);
        std::snprintf(text, sizeof text, "%05u,%05u,%05u", static_cast<unsigned>(word),
                      first_index_, count_);
    }
    if (with_value && values_ && point < count_)
        std::snprintf(text, sizeof text, "%s",
                      plat::format_number("%#.5e", static_cast<double>(values_[point])).c_str());
    return NewText(text);
}

char* COccupiedBwItem::CreateText(bool, bool, uint32_t) {
    char text[32];
    std::snprintf(text, sizeof text, "%010u", static_cast<uint32_t>(bandwidth));
    return NewText(text);
}

char* CChannelPowerItem::CreateText(bool, bool, uint32_t) {
    return NewText(plat::format_number("%#.5e", channel_power).c_str());
}

char* CAcprItem::CreateText(bool, bool, uint32_t) {
    std::string text;
    for (double v : {channel_power, lower, upper, static_cast<double>(lower_ratio),
                     static_cast<double>(upper_ratio)})
        text += (text.empty() ? "" : ",") + plat::format_number("%#.5e", v);
    return NewText(text.c_str());
}

bool CQueryReplyItem::Fill(const uint8_t* data, uint32_t size) {
    if (!data || size < kReplyBytes) return false;
    for (int i = 0; i < kMarkers; ++i) {
        present[i] = data[i];
        frequency[i] = instrument::get_le<double>(data, 8 + 8 * i);
        level[i] = instrument::get_le<float>(data, 56 + 4 * i);
    }
    return true;
}

void CSensorReading::SetField(uint32_t key, uint32_t value) {
    if (key >= 1 && key <= kMaxKey) fields_[key - 1] = value;
}

void CSensorReading::SetFieldValue(uint32_t key, float value) {
    SetField(key, std::bit_cast<uint32_t>(value));
}

float CSensorReading::GetReadingValue(int i) const {
    return i == 0 ? static_cast<float>(source_) : GetFieldValue(i - 1);
}

void CSensorReading::SetExtra(uint32_t key, uint32_t value) {
    if (key == 7 || key == 8) fields_[key + 1] = value;  // the two fields after key 8
}

float CSensorReading::GetFieldValue(int index) const {
    return index >= 0 && index < int(kMaxKey) ? std::bit_cast<float>(fields_[index]) : 0.0f;
}

void CSensorReading::Format(char* text, size_t size) {
    if (!text || !size) return;
    const core::Text format = LoadResString(61205);
    if (format.empty()) {
        std::snprintf(text, size, "No Data");
        return;
    }
    // The text's whole-number conversions take 0, its number conversions the
    // first five fields, each written without the locale.
    const std::string f = core::LowBytes(format);
    std::string out;
    uint32_t field = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        const size_t end = f[i] == '%' ? f.find_first_of("diufFeEgG%", i + 1) : std::string::npos;
        if (end == std::string::npos) {
            out += f[i];
            continue;
        }
        const std::string spec = f.substr(i, end - i + 1);
        if (f[end] == '%') {
            out += '%';
        } else if (std::string_view("fFeEgG").find(f[end]) != std::string_view::npos) {
            out += plat::format_number(spec, double(GetFieldValue(field++)));
        } else {
            char number[32];
            std::snprintf(number, sizeof number, spec.c_str(), 0);
            out += number;
        }
        i = end;
    }
    std::snprintf(text, size, "%s", out.c_str());
}

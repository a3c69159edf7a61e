#include "files/lists/antenna.h"

#include <cstdio>

#include "core/units.h"
#include "platform/text/utf.h"

namespace {

constexpr uint64_t kHertzPerMegahertz = 1000000;
constexpr int32_t kHundredthsPerDb = 100;
// FormatValue's flag for a frequency with its unit.
constexpr uint32_t kFrequencyFlag = 0;

struct BuiltInRow {
    const char16_t* name;
    uint64_t span, start, stop;  // MHz
};
constexpr BuiltInRow kBuiltIn[] = {{u"ANT-100", 85, 136, 221},     {u"ANT-400", 112, 400, 512},
                                   {u"ANT-800", 72, 824, 896},     {u"ANT-900", 70, 890, 960},
                                   {u"ANT-1800", 170, 1710, 1880}, {u"ANT-1900", 140, 1850, 1990},
                                   {u"ANT-2400", 100, 2400, 2500}};

}  // namespace

std::unique_ptr<CAntenna> CAntenna::FromBuiltIn(core::Text name, int32_t bands, uint64_t span_mhz,
                                                uint64_t start_mhz, uint64_t stop_mhz,
                                                int32_t gain_db) {
    auto a = std::make_unique<CAntenna>();
    a->name_ = std::move(name);
    a->band_count_ = bands;
    a->span_ = span_mhz * kHertzPerMegahertz;
    a->gains_[0] = gain_db * kHundredthsPerDb;
    if (start_mhz != 0 && stop_mhz != 0)
        a->SetBand(0, start_mhz * kHertzPerMegahertz, stop_mhz * kHertzPerMegahertz);
    return a;
}

CAntenna::CAntenna(core::Text name, int32_t bands, uint64_t start, uint64_t stop, int32_t gain,
                   uint64_t start2, uint64_t stop2, int32_t gain2)
    : band_count_(bands), name_(std::move(name)) {
    gains_[0] = gain;
    if (stop > start) SetBand(0, start, stop);
    if (bands == 2) {
        gains_[1] = gain2;
        if (stop2 > start2) SetBand(1, start2, stop2);
    }
}

std::unique_ptr<CAntenna> CAntenna::None() {
    return std::make_unique<CAntenna>(u"None", 1, 0, kNoneStop, 0);
}

void CAntenna::SetBand(int i, uint64_t start, uint64_t stop) {
    bands_[i] = Band{start, stop};
}

int32_t CAntenna::GetGainRaw(int i) const {
    return gains_[i >= 2 || i < 0 ? 0 : i];
}

int32_t CAntenna::GetGainAt(uint64_t hertz) const {
    const std::optional<Band>& second = bands_[1];
    if (second && hertz >= second->start && hertz <= second->stop) return gains_[1];
    return gains_[0];
}

uint64_t CAntenna::GetStart(int i) const {
    const std::optional<Band>& b = BandAt(i);
    return b ? b->start : 0;
}

uint64_t CAntenna::GetStop(int i) const {
    const std::optional<Band>& b = BandAt(i);
    return b ? b->stop : 0;
}

core::Text CAntenna::GetDisplayText() const {
    core::Text text = name_ + u" (";
    if (const std::optional<Band>& b = bands_[0]) {
        text += FormatValue(b->start, kFrequencyFlag, false, true, false, 0);
        text += u" - ";
        text += FormatValue(b->stop, kFrequencyFlag, false, true, false, 0);
    }
    char gain[16];
    std::snprintf(gain, sizeof gain, "%d", gains_[0]);
    return text + u") " + plat::from_utf8(gain) + u" dB";
}

CAntenna* CAntennaList::FindByName(std::u16string_view name) const {
    for (const auto& a : antennas_)
        if (a->GetName() == name) return a.get();
    return nullptr;
}

std::unique_ptr<CAntennaList> CreateDefaultAntennaList() {
    auto list = std::make_unique<CAntennaList>();
    list->Add(CAntenna::None());
    for (const BuiltInRow& row : kBuiltIn)
        list->Add(CAntenna::FromBuiltIn(row.name, 1, row.span, row.start, row.stop, 0));
    return list;
}

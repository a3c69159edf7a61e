#include "files/vna_data_store.h"

#include <bit>
#include <cstring>

namespace {

template <typename T>
void PutLe(uint8_t* out, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

template <typename T>
T GetLe(const uint8_t* in) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(in[i]) << (8 * i);
    return value;
}

}  // namespace

std::array<uint8_t, CalTermInfo::kSize> CalTermInfo::Serialize() const {
    std::array<uint8_t, kSize> out{};
    PutLe(&out[0], points);
    PutLe(&out[4], start);
    PutLe(&out[12], stop);
    PutLe(&out[20], std::bit_cast<uint64_t>(power));
    PutLe(&out[28], two_port);
    return out;
}

CalTermInfo CalTermInfo::Deserialize(const uint8_t* bytes) {
    CalTermInfo info;
    info.points = GetLe<uint32_t>(bytes);
    info.start = GetLe<uint64_t>(bytes + 4);
    info.stop = GetLe<uint64_t>(bytes + 12);
    info.power = std::bit_cast<double>(GetLe<uint64_t>(bytes + 20));
    info.two_port = GetLe<uint32_t>(bytes + 28);
    return info;
}

void CVNADataStore::Allocate(uint32_t points) {
    for (auto& term : terms_) term.assign(size_t{points} * kElementSize, 0);
}

void CVNADataStore::Init() {
    valid_ = {};
    points_ = kDefaultPoints;
    start_ = 0;
    stop_ = kDefaultStop;
    power_ = 0.0;
    two_port_ = 0;
    Allocate(points_);
}

void CVNADataStore::Free() {
    for (auto& term : terms_) std::vector<uint8_t>().swap(term);
    valid_ = {};
    // No arrays: the next term stored allocates them for its sweep.
    points_ = 0;
}

void CVNADataStore::Clear() {
    Free();
    Init();
}

void CVNADataStore::Resize(uint32_t points) {
    if (points == points_) return;
    Allocate(points);
    points_ = points;
    valid_ = {};
}

void CVNADataStore::PrepareTerm(uint32_t points, uint64_t start, uint64_t stop, double power,
                                uint32_t two_port) {
    if (!Matches(points, start, stop, power, two_port, false)) {
        start_ = start;
        stop_ = stop;
        power_ = power;
        valid_ = {};
    }
    two_port_ = two_port;
    Resize(points);
}

bool CVNADataStore::SetTerm(Term term, const void* buffer, uint32_t points, uint64_t start,
                            uint64_t stop, double power, uint32_t two_port) {
    if (!buffer || points == 0 || term >= kTermCount) return false;
    PrepareTerm(points, start, stop, power, two_port);
    std::memcpy(terms_[term].data(), buffer, size_t{points} * kElementSize);
    valid_[term] = true;
    return true;
}

bool CVNADataStore::CopyOut(Term term, void* buffer) const {
    if (!buffer) return false;
    std::memcpy(buffer, terms_[term].data(), terms_[term].size());
    return true;
}

CalTermInfo CVNADataStore::GetCalInfo() const {
    return {points_, start_, stop_, power_, two_port_};
}

bool CVNADataStore::Matches(uint32_t points, uint64_t start, uint64_t stop, double power,
                            uint32_t /*two_port*/, bool exact) const {
    if (exact ? points != points_ : points > points_) return false;
    return start == start_ && stop == stop_ && power == power_;
}

bool CVNADataStore::IsValidFor(uint32_t points, uint64_t start, uint64_t stop, double power,
                               uint32_t two_port, bool exact) const {
    if (!Matches(points, start, stop, power, two_port, exact)) return false;
    return two_port ? HasTransmission() : HasOnePort();
}

bool CVNADataStore::IsOnePortValidFor(uint32_t points, uint64_t start, uint64_t stop, double power,
                                      uint32_t two_port, bool exact) const {
    return Matches(points, start, stop, power, two_port, exact) && HasOnePort();
}

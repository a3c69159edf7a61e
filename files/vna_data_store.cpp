#include "files/vna_data_store.h"

#include <cstring>

#include "core/byte_order.h"

std::array<uint8_t, CalTermInfo::kSize> CalTermInfo::Serialize() const {
    std::array<uint8_t, kSize> out{};
    core::put_le(out.data(), 0, points);
    core::put_le(out.data(), 4, start);
    core::put_le(out.data(), 12, stop);
    core::put_le(out.data(), 20, power);
    core::put_le(out.data(), 28, two_port);
    return out;
}

CalTermInfo CalTermInfo::Deserialize(const uint8_t* bytes) {
    CalTermInfo info;
    info.points = core::get_le<uint32_t>(bytes, 0);
    info.start = core::get_le<uint64_t>(bytes, 4);
    info.stop = core::get_le<uint64_t>(bytes, 12);
    info.power = core::get_le<double>(bytes, 20);
    info.two_port = core::get_le<uint32_t>(bytes, 28);
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

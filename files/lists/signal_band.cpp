#include "files/lists/signal_band.h"

#include <algorithm>

namespace {

constexpr double kHertzPerMegahertz = 1000000.0;

// MHz to whole hertz, truncated to 32 bits as the band plans are kept.
uint64_t ToHertz(double megahertz) {
    if (!(megahertz > 0)) return 0;
    double hz = megahertz * kHertzPerMegahertz;
    return hz >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(hz);
}

}  // namespace

std::mutex& CSignalBand::ListLock() {
    static std::mutex lock;
    return lock;
}

CSignalBand::CSignalBand(core::Text name, uint64_t start, uint64_t centre, uint64_t stop,
                         uint64_t span)
    : name_(std::move(name)), start_(start), stop_(stop), span_(span), centre_(centre) {}

CSignalBand::~CSignalBand() {
    // Unlinks the chain first, so that a long list is freed without recursion.
    std::unique_ptr<CSignalBand> next = std::move(next_);
    while (next) next = std::move(next->next_);
}

std::unique_ptr<CSignalBand> CSignalBand::FromRecord(int32_t index, const core::Text& name,
                                                     uint32_t range_count,
                                                     const std::array<ChannelRange, 3>& ranges) {
    std::unique_ptr<CSignalBand> band(new CSignalBand());
    band->index_ = index;
    band->name_ = name;
    band->range_count_ = static_cast<int32_t>(std::min<uint32_t>(range_count, kMaxRanges));
    band->custom_ = false;
    for (int k = 0; k < kMaxRanges; ++k) {
        const ChannelRange& in = ranges[k];
        Range& r = band->ranges_[k];
        r.start = ToHertz(in.start);
        r.stop = ToHertz(in.stop);
        r.bandwidth = ToHertz(in.bandwidth);
        r.spacing = ToHertz(in.spacing);
        r.centre = (r.start + r.stop) / 2;
        r.span = band->range_count_ == 0 ? r.stop - std::min(r.start, r.stop) : 3 * r.bandwidth;
        r.first = in.first_channel;
        r.last = in.last_channel;
    }
    const Range& r0 = band->ranges_[0];
    band->bandwidth_ = r0.bandwidth;
    band->spacing_ = r0.spacing;
    band->start_ = r0.start;
    band->stop_ = r0.stop;
    band->current_channel_ = r0.first;
    if (band->range_count_ >= 2) {
        // The range lowest in frequency is the last one.
        const Range& other = band->ranges_[band->range_count_ - 1];
        band->start_ = std::min(r0.start, other.start);
        band->stop_ = std::max(r0.stop, other.stop);
        band->current_channel_ = other.first;
    }
    band->span_ = band->stop_ - std::min(band->start_, band->stop_);
    band->centre_ = (band->start_ + band->stop_) / 2;
    return band;
}

void CSignalBand::Append(std::unique_ptr<CSignalBand> band) {
    if (!band) return;
    std::scoped_lock guard(ListLock());
    CSignalBand* last = this;
    while (last->next_) last = last->next_.get();
    last->next_ = std::move(band);
}

CSignalBand* CSignalBand::FindByIndex(int32_t index) {
    std::scoped_lock guard(ListLock());
    for (CSignalBand* b = this; b; b = b->next_.get())
        if (b->index_ == index) return b;
    return nullptr;
}

uint32_t CSignalBand::GetCount() {
    std::scoped_lock guard(ListLock());
    uint32_t n = 0;
    for (CSignalBand* b = this; b; b = b->next_.get()) ++n;
    return n;
}

uint32_t CSignalBand::CountCustom() {
    std::scoped_lock guard(ListLock());
    uint32_t n = 0;
    for (CSignalBand* b = this; b; b = b->next_.get()) n += b->custom_ ? 1 : 0;
    return n;
}

CSignalBand* CSignalBand::FirstCustom() {
    std::scoped_lock guard(ListLock());
    for (CSignalBand* b = next_.get(); b; b = b->next_.get())
        if (b->custom_) return b;
    return nullptr;
}

void CSignalBand::RemoveBand(CSignalBand* band) {
    for (CSignalBand* b = this; b->next_; b = b->next_.get()) {
        if (b->next_.get() != band) continue;
        std::unique_ptr<CSignalBand> gone = std::move(b->next_);
        b->next_ = std::move(gone->next_);
        return;
    }
}

void CSignalBand::CountUse(bool used) {
    if (!used) {
        use_count_ = 0;
    } else if (use_count_ < kMaxUseCount) {
        ++use_count_;
    }
}

const CSignalBand::Range* CSignalBand::RangeFor(int32_t channel) const {
    switch (range_count_) {
        case 1:
            return ranges_[0].Holds(channel) ? &ranges_[0] : nullptr;
        case 2:
            return ranges_[0].Holds(channel) ? &ranges_[0] : &ranges_[1];
        case 3:
            if (ranges_[0].Holds(channel)) return &ranges_[0];
            return ranges_[1].Holds(channel) ? &ranges_[1] : &ranges_[2];
        default:
            return nullptr;
    }
}

// A channel that no range holds is extrapolated from the last range; one
// that would lie below 0 Hz gives 0.
uint64_t CSignalBand::ChannelToFrequency(int32_t channel) const {
    const Range* r = RangeFor(channel);
    if (!r) return start_;
    const int64_t steps = static_cast<int64_t>(channel) - r->first;
    const int64_t hz = static_cast<int64_t>(r->start) + steps * static_cast<int64_t>(r->spacing);
    return hz > 0 ? static_cast<uint64_t>(hz) : 0;
}

uint64_t CSignalBand::GetChannelBandwidth(int32_t channel) const {
    const Range* r = RangeFor(channel);
    return r ? r->bandwidth : bandwidth_;
}

uint64_t CSignalBand::GetChannelSpacing(int32_t channel) const {
    const Range* r = RangeFor(channel);
    return r ? r->spacing : spacing_;
}

uint64_t CSignalBand::GetChannelLow(int32_t channel) const {
    const uint64_t centre = ChannelToFrequency(channel), half = GetChannelBandwidth(channel) / 2;
    return centre > half ? centre - half : 0;
}

uint64_t CSignalBand::GetChannelHigh(int32_t channel) const {
    return ChannelToFrequency(channel) + GetChannelBandwidth(channel) / 2;
}

int32_t CSignalBand::GetRangeOfChannel(int32_t channel) const {
    for (int32_t k = 0; k < range_count_; ++k)
        if (ranges_[k].Holds(channel)) return k;
    return -1;
}

void CSignalBand::GetChannelRange(int32_t range, int32_t& first, int32_t& last) const {
    if (range >= 0 && range < range_count_) {
        first = ranges_[range].first;
        last = ranges_[range].last;
    } else {
        first = static_cast<int32_t>(static_cast<uint32_t>(start_));
        last = static_cast<int32_t>(static_cast<uint32_t>(stop_));
    }
}

int32_t CSignalBand::NextChannel(int32_t channel) const {
    if (range_count_ == 0) return 0;
    const Range& r0 = ranges_[0];
    if (r0.Holds(channel)) {
        if (channel < r0.last) return channel + 1;
        return range_count_ > 1 ? ranges_[1].first : r0.first;
    }
    if (range_count_ == 2 && channel < ranges_[1].last) return channel + 1;
    return r0.first;
}

int32_t CSignalBand::StepChannel(int32_t channel, bool up) const {
    if (range_count_ == 0) return -1;
    for (int k = 0; k < 2; ++k) {
        const Range& r = ranges_[k];
        if (r.first == -1 || !r.Holds(channel)) continue;
        if (up) return channel < r.last ? channel + 1 : -1;
        return channel > r.first ? channel - 1 : -1;
    }
    return -1;
}

bool CSignalBand::IsValidChannel(int32_t channel) const {
    return range_count_ == 0 || GetRangeOfChannel(channel) >= 0;
}

int32_t CSignalBand::GetLastChannel() const {
    return range_count_ > 0 ? ranges_[range_count_ - 1].last : ranges_[0].last;
}

uint64_t CSignalBand::GetPointValue(uint32_t i, uint32_t points) const {
    if (points < 2) return start_;
    return start_ + span_ * std::min(i, points - 1) / (points - 1);
}

std::unique_ptr<CSignalBand> BuildDefaultBandList() {
    const auto& table = BuiltInBandTable();
    std::unique_ptr<CSignalBand> head;
    for (size_t row = 0; row < table.size(); ++row) {
        const SignalBandRecord& r = table[row];
        auto band =
            CSignalBand::FromRecord(static_cast<int32_t>(row), r.name, r.range_count, r.ranges);
        if (!head) {
            head = std::move(band);
        } else {
            head->Append(std::move(band));
        }
    }
    return head;
}

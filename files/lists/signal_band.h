#pragma once
// Signal bands: a named frequency band with up to three channel ranges, each
// a run of numbered channels with a channel bandwidth and spacing. The band
// list is a chain of bands whose first band is the list; deleting the head
// deletes the list. The built-in table gives 114 bands.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "files/setup_services.h"

// One channel range of a band record, in MHz.
struct ChannelRange {
    double start = 0, stop = 0, bandwidth = 0, spacing = 0;
    int32_t first_channel = -1, last_channel = -1;
};

// One band as a record: the rows of the built-in table and the lines of the
// band list file.
struct SignalBandRecord {
    const char16_t* name = u"";
    uint32_t range_count = 0;
    std::array<ChannelRange, 3> ranges{};
};

class CSignalBand : public ISetupBand {
  public:
    static constexpr uint32_t kMaxUseCount = 5000;
    static constexpr uint64_t kDefaultStep = 30000;
    static constexpr int kMaxRanges = 3;

    // A band from values (the tagged band list file): index -1, custom.
    CSignalBand(core::Text name, uint64_t start, uint64_t centre, uint64_t stop, uint64_t span);
    // A band from a record (the built-in table, the comma-separated file).
    static std::unique_ptr<CSignalBand> FromRecord(int32_t index, const core::Text& name,
                                                   uint32_t range_count,
                                                   const std::array<ChannelRange, 3>& ranges);
    // Deletes the bands behind this one too.
    ~CSignalBand() override;
    CSignalBand(const CSignalBand&) = delete;
    CSignalBand& operator=(const CSignalBand&) = delete;

    // --- the chain (under the list lock)
    void Append(std::unique_ptr<CSignalBand> band);
    CSignalBand* FindByIndex(int32_t index);
    // Bands from this one to the end.
    uint32_t GetCount();
    uint32_t CountCustom();
    CSignalBand* FirstCustom();
    CSignalBand* GetNext() const { return next_.get(); }
    // Called on the head: unlinks the band behind it and deletes it.
    void RemoveBand(CSignalBand* band);
    static std::mutex& ListLock();

    // --- the band
    core::Text GetName() const override { return name_; }
    void SetName(core::Text name) { name_ = std::move(name); }
    uint64_t GetStart() const override { return start_; }
    uint64_t GetStop() const override { return stop_; }
    uint64_t GetSpan() const override { return span_; }
    uint64_t GetCenter() const override { return centre_; }
    void SetStart(uint64_t v) { start_ = v; }
    void SetStop(uint64_t v) { stop_ = v; }
    void SetSpan(uint64_t v) { span_ = v; }
    void SetCenter(uint64_t v) { centre_ = v; }
    core::Text GetUnitText() const { return u"MHz"; }
    int32_t GetIndex() const { return index_; }
    void SetIndex(int32_t index) { index_ = index; }
    bool IsCustom() const { return custom_; }
    uint32_t GetUseCount() const { return use_count_; }
    void CountUse(bool used) override;
    int32_t GetRangeCount() const { return range_count_; }

    // --- channels
    uint64_t ChannelToFrequency(int32_t channel) const override;
    uint64_t GetChannelBandwidth(int32_t channel) const override;
    uint64_t GetChannelSpacing(int32_t channel) const override;
    uint64_t GetDefaultStep() const { return kDefaultStep; }
    uint64_t GetChannelLow(int32_t channel) const;
    uint64_t GetChannelHigh(int32_t channel) const;
    uint64_t GetChannelSpan(int32_t channel) const { return 3 * GetChannelBandwidth(channel); }
    // 0, 1 or 2 for the first range that holds the channel; -1 for none.
    int32_t GetRangeOfChannel(int32_t channel) const;
    // The first and last channel of a range the band has; otherwise the
    // band's start and stop (low 32 bits).
    void GetChannelRange(int32_t range, int32_t& first, int32_t& last) const;
    int32_t NextChannel(int32_t channel) const;
    // The next channel up or down within its range; -1 at the range's end.
    int32_t StepChannel(int32_t channel, bool up) const;
    int32_t GetCurrentChannel() const { return current_channel_; }
    void SetCurrentChannel(int32_t channel) { current_channel_ = channel; }
    bool IsValidChannel(int32_t channel) const;
    int32_t GetLastChannel() const;
    // The frequency of point i of a sweep of `points` points over the band.
    uint64_t GetPointValue(uint32_t i, uint32_t points) const override;

  private:
    struct Range {
        uint64_t start = 0, stop = 0, span = 0, centre = 0, bandwidth = 0, spacing = 0;
        int32_t first = -1, last = -1;
        bool Holds(int32_t channel) const { return channel >= first && channel <= last; }
    };
    CSignalBand() = default;
    // The range whose plan gives the channel's frequency, bandwidth and
    // spacing; null for the band's own values.
    const Range* RangeFor(int32_t channel) const;

    int32_t index_ = -1;
    std::unique_ptr<CSignalBand> next_;
    bool custom_ = true;
    uint32_t use_count_ = 0;
    core::Text name_;
    int32_t range_count_ = 0;
    uint64_t start_ = 0, stop_ = 0, span_ = 0, centre_ = 0;
    uint64_t bandwidth_ = 0, spacing_ = 0;
    int32_t current_channel_ = 0;
    std::array<Range, kMaxRanges> ranges_{};
};

// The 114 built-in bands.
const std::array<SignalBandRecord, 114>& BuiltInBandTable();
// The list of the built-in bands; its head is row 0.
std::unique_ptr<CSignalBand> BuildDefaultBandList();

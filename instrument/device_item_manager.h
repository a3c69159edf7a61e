#pragma once
// Holds the items of one result set (as a rule the segments of one sweep)
// with the set's maximum and minimum and three sorted frequency lists found
// by a slope search: peak points, foot points and level crossings. The item
// list and the point lists run under the manager's mutex: the data thread
// fills them while the user-interface thread steps through them.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "instrument/device_item.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"

class CDeviceItemManager {
  public:
    CDeviceItemManager();
    virtual ~CDeviceItemManager();
    CDeviceItemManager(const CDeviceItemManager&) = delete;
    CDeviceItemManager& operator=(const CDeviceItemManager&) = delete;

    virtual void SetSetting(uint32_t value);
    // Removes and deletes every item; attached blocks go to the release hook.
    virtual void ReleaseAll();
    virtual void ClearAll(bool free_arrays);
    virtual CDeviceItem* FindById(uint32_t id);
    virtual uint32_t GetItemCount();
    virtual uint32_t GetPeakCount();
    // Takes ownership.
    virtual void AddItem(CDeviceItem* item);
    virtual bool PrevCrossing(uint64_t f, uint64_t* out, double* value);
    virtual CDeviceItem* FindByPoint(uint32_t global_point);
    virtual CDeviceItem* FindByFrequency(uint64_t f);
    virtual CDeviceItem* FindSameStart(const CDeviceItem* item);
    virtual CDeviceItem* FindPrecedingStart(const CDeviceItem* item);
    virtual bool RemoveItem(CDeviceItem* item);
    virtual void UpdateMinMaxFrom(const CDeviceItem* item);
    virtual bool NextPeak(uint64_t f, uint64_t* out, double* value);
    virtual bool PrevPeak(uint64_t f, uint64_t* out, double* value);
    virtual bool NextFoot(uint64_t f, uint64_t* out, double* value);
    virtual bool PrevFoot(uint64_t f, uint64_t* out, double* value);
    virtual uint64_t GetFrequencyOfPoint(uint32_t global_point);
    virtual double GetValueOfPoint(uint32_t global_point);
    virtual void FindSlopes(double level);
    virtual void RecomputeMinMax();
    virtual uint32_t AddCrossing(uint64_t f);
    virtual uint32_t AddPeak(uint64_t f);
    virtual uint32_t AddFoot(uint64_t f);
    virtual bool IsPeak(uint64_t f);
    virtual double GetMaximum(uint64_t* frequency);
    virtual double GetMinimum(uint64_t* frequency);
    virtual CDeviceItem* GetItemAfter(const CDeviceItem* item);
    virtual uint32_t GetLastPoint();
    virtual uint8_t GetFlagA() const { return flag_a_; }
    virtual void SetFlagA(uint8_t value) { flag_a_ = value; }
    virtual uint8_t GetFlagB() const { return flag_b_; }
    virtual void SetFlagB(uint8_t value) { flag_b_ = value; }
    // "(MM-DD hh-mm-ss)" of the set's time stamp.
    virtual void FormatTimeStamp(core::Text& text) const;
    virtual void Lock() { mutex_.lock(); }
    virtual void Unlock() { mutex_.unlock(); }

    // The search of a sorted list: forwards the first entry above f (the
    // first entry when f is at or beyond the last), backwards the last entry
    // below f (the last when f is at or below the first). Empty lists answer
    // nothing.
    static bool FindNextInList(const std::vector<uint64_t>& list, uint64_t f, bool forwards,
                               uint64_t* out);
    // Capacity of the point lists: room for 10 entries, grown by 10.
    size_t GetPeakCapacity();
    // Where attached blocks go on ReleaseAll (the receive-buffer pool); null
    // deletes them.
    void SetBlockRelease(void (*release)(std::unique_ptr<CDataBlock>)) { release_ = release; }
    uint32_t GetTotalPoints() const { return total_points_; }

    // When the set was taken; whoever fills the set stamps it.
    void SetTimeStamp(const plat::SystemTime& t) { time_stamp_ = t; }
    const plat::SystemTime& GetTimeStamp() const { return time_stamp_; }
    // Nine free texts that the screens give the set (empty at first).
    static constexpr size_t kTextCount = 9;
    const core::Text& GetText(size_t index) const { return texts_.at(index); }
    void SetText(size_t index, core::Text text) { texts_.at(index) = std::move(text); }

  private:
    bool StepList(const std::vector<uint64_t>& list, uint64_t f, bool forwards, uint64_t* out,
                  double* value);
    static uint32_t AddTo(std::vector<uint64_t>& list, uint64_t f);
    CDeviceItem* FindByPointLocked(uint32_t global_point);

    plat::Mutex mutex_{false};
    std::vector<std::unique_ptr<CDeviceItem>> items_;
    uint32_t setting_ = 1000;
    std::vector<uint64_t> feet_, peaks_, crossings_;
    double maximum_ = kNotMeasured, minimum_ = kNotMeasured;
    uint64_t f_max_ = 0, f_min_ = 0;
    uint32_t total_points_ = 0;
    plat::SystemTime time_stamp_;
    std::array<core::Text, kTextCount> texts_;
    uint8_t flag_a_ = 1, flag_b_ = 0;
    void (*release_)(std::unique_ptr<CDataBlock>) = nullptr;
};

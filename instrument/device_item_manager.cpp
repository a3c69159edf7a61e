#include "instrument/device_item_manager.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr double kSlope = 2.0;

void Reserve10(std::vector<uint64_t>& list) {
    if (list.size() == list.capacity()) list.reserve(list.capacity() + 10);
}

}  // namespace

CDeviceItemManager::CDeviceItemManager() {
    feet_.reserve(10);
    peaks_.reserve(10);
    crossings_.reserve(10);
}

CDeviceItemManager::~CDeviceItemManager() = default;

void CDeviceItemManager::SetSetting(uint32_t value) {
    setting_ = value;
    ReleaseAll();
}

void CDeviceItemManager::ReleaseAll() {
    std::lock_guard lock(mutex_);
    for (auto& item : items_) {
        std::unique_ptr<CDataBlock> block = item->DetachBlock();
        if (block && release_) release_(std::move(block));
    }
    items_.clear();
}

void CDeviceItemManager::ClearAll(bool free_arrays) {
    std::lock_guard lock(mutex_);
    for (auto& item : items_) {
        if (free_arrays) {
            delete[] item->GetValues();
            delete[] item->GetPairsB();
            item->SetArrays(nullptr, nullptr, nullptr);
        }
    }
    items_.clear();
}

CDeviceItem* CDeviceItemManager::FindById(uint32_t id) {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        if (item->GetId() == id) return item.get();
    return nullptr;
}

uint32_t CDeviceItemManager::GetItemCount() {
    std::lock_guard lock(mutex_);
    return static_cast<uint32_t>(items_.size());
}

uint32_t CDeviceItemManager::GetPeakCount() {
    std::lock_guard lock(mutex_);
    return static_cast<uint32_t>(peaks_.size());
}

size_t CDeviceItemManager::GetPeakCapacity() {
    std::lock_guard lock(mutex_);
    return peaks_.capacity();
}

void CDeviceItemManager::AddItem(CDeviceItem* item) {
    if (!item) return;
    std::lock_guard lock(mutex_);
    items_.emplace_back(item);
    item->SetId(static_cast<uint32_t>(items_.size() - 1));
    if (item->GetType() == CDeviceItem::kSweep)
        total_points_ = item->GetFirstIndex() + item->GetCount();
}

CDeviceItem* CDeviceItemManager::FindByPointLocked(uint32_t p) {
    for (auto& item : items_) {
        const uint32_t t = item->GetType();
        if ((t == CDeviceItem::kSweep || t == CDeviceItem::kVnaSweep) &&
            item->GetFirstIndex() <= p && p < item->GetFirstIndex() + item->GetCount())
            return item.get();
    }
    return nullptr;
}

CDeviceItem* CDeviceItemManager::FindByPoint(uint32_t global_point) {
    std::lock_guard lock(mutex_);
    return FindByPointLocked(global_point);
}

CDeviceItem* CDeviceItemManager::FindByFrequency(uint64_t f) {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        if (CDeviceItem* found = item->FindByFrequency(f)) return found;
    return nullptr;
}

CDeviceItem* CDeviceItemManager::FindSameStart(const CDeviceItem* other) {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        if (item->GetType() == CDeviceItem::kSweep &&
            item->GetFirstIndex() == other->GetFirstIndex())
            return item.get();
    return nullptr;
}

CDeviceItem* CDeviceItemManager::FindPrecedingStart(const CDeviceItem* other) {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        if (item->GetType() == CDeviceItem::kSweep &&
            item->GetFirstIndex() + 1 == other->GetFirstIndex())
            return item.get();
    return nullptr;
}

bool CDeviceItemManager::RemoveItem(CDeviceItem* target) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const auto& p) { return p.get() == target; });
    if (it == items_.end()) return false;
    items_.erase(it);
    return true;
}

void CDeviceItemManager::UpdateMinMaxFrom(const CDeviceItem* item) {
    std::lock_guard lock(mutex_);
    if (item->GetMaximum() != kNotMeasured &&
        (maximum_ == kNotMeasured || item->GetMaximum() > maximum_)) {
        maximum_ = item->GetMaximum();
        f_max_ = item->GetTagAtMaximum();
    }
    if (item->GetMinimum() != kNotMeasured &&
        (minimum_ == kNotMeasured || item->GetMinimum() < minimum_)) {
        minimum_ = item->GetMinimum();
        f_min_ = item->GetTagAtMinimum();
    }
}

bool CDeviceItemManager::FindNextInList(const std::vector<uint64_t>& list, uint64_t f,
                                        bool forwards, uint64_t* out) {
    if (list.empty()) return false;
    if (forwards) {
        if (f >= list.back()) {
            *out = list.front();
            return true;
        }
        *out = *std::upper_bound(list.begin(), list.end(), f);
        return true;
    }
    if (f <= list.front()) {
        *out = list.back();
        return true;
    }
    *out = *(std::lower_bound(list.begin(), list.end(), f) - 1);
    return true;
}

bool CDeviceItemManager::StepList(const std::vector<uint64_t>& list, uint64_t f, bool forwards,
                                  uint64_t* out, double* value) {
    uint64_t found = 0;
    {
        std::lock_guard lock(mutex_);
        if (!FindNextInList(list, f, forwards, &found)) return false;
    }
    if (out) *out = found;
    if (CDeviceItem* item = FindByFrequency(found))
        if (value) *value = item->GetValueAtFrequency(found);
    return true;
}

bool CDeviceItemManager::PrevCrossing(uint64_t f, uint64_t* out, double* value) {
    return StepList(crossings_, f, false, out, value);
}
bool CDeviceItemManager::NextPeak(uint64_t f, uint64_t* out, double* value) {
    return StepList(peaks_, f, true, out, value);
}
bool CDeviceItemManager::PrevPeak(uint64_t f, uint64_t* out, double* value) {
    return StepList(peaks_, f, false, out, value);
}
bool CDeviceItemManager::NextFoot(uint64_t f, uint64_t* out, double* value) {
    return StepList(feet_, f, true, out, value);
}
bool CDeviceItemManager::PrevFoot(uint64_t f, uint64_t* out, double* value) {
    return StepList(feet_, f, false, out, value);
}

uint64_t CDeviceItemManager::GetFrequencyOfPoint(uint32_t p) {
    std::lock_guard lock(mutex_);
    CDeviceItem* item = FindByPointLocked(p);
    return item ? item->GetFrequencyOfPoint(item->GetLocalPoint(p)) : 0;
}

double CDeviceItemManager::GetValueOfPoint(uint32_t p) {
    std::lock_guard lock(mutex_);
    CDeviceItem* item = FindByPointLocked(p);
    return item ? item->GetValue(item->GetLocalPoint(p)) : 0;
}

uint32_t CDeviceItemManager::AddTo(std::vector<uint64_t>& list, uint64_t f) {
    Reserve10(list);
    list.push_back(f);
    return static_cast<uint32_t>(list.size() - 1);
}

uint32_t CDeviceItemManager::AddCrossing(uint64_t f) {
    std::lock_guard lock(mutex_);
    return AddTo(crossings_, f);
}
uint32_t CDeviceItemManager::AddPeak(uint64_t f) {
    std::lock_guard lock(mutex_);
    return AddTo(peaks_, f);
}
uint32_t CDeviceItemManager::AddFoot(uint64_t f) {
    std::lock_guard lock(mutex_);
    return AddTo(feet_, f);
}

bool CDeviceItemManager::IsPeak(uint64_t f) {
    std::lock_guard lock(mutex_);
    return !peaks_.empty() && f < peaks_.back() &&
           std::find(peaks_.begin(), peaks_.end(), f) != peaks_.end();
}

void CDeviceItemManager::FindSlopes(double level) {
    {
        std::lock_guard lock(mutex_);
        feet_.clear();
        peaks_.clear();
        crossings_.clear();
    }
    const uint32_t total = total_points_;
    bool rising = false, falling = false;
    for (uint32_t p = 0; p < total; ++p) {
        if (p == 0 || p + 1 == total) {
            const uint64_t f = GetFrequencyOfPoint(p);
            AddPeak(f);
            AddFoot(f);
            if (p + 1 == total) break;
        }
        const double x = GetValueOfPoint(p);
        const double y = GetValueOfPoint(p + 1);
        if (!rising && !falling) {
            if (x + kSlope < y) {
                AddFoot(GetFrequencyOfPoint(p + 1));
                rising = true;
                if (x < level && level < y) AddCrossing(GetFrequencyOfPoint(p + 1));
            } else if (x - kSlope > y) {
                AddPeak(GetFrequencyOfPoint(p + 1));
                falling = true;
                if (x > level && level > y) AddCrossing(GetFrequencyOfPoint(p + 1));
            }
        } else if (rising && x - kSlope > y) {
            AddPeak(GetFrequencyOfPoint(p));
            rising = false;
        } else if (falling && x + kSlope < y) {
            AddFoot(GetFrequencyOfPoint(p));
            falling = false;
        }
    }
}

void CDeviceItemManager::RecomputeMinMax() {
    double mx = kNotMeasured, mn = kNotMeasured;
    uint64_t fmx = 0, fmn = 0;
    for (uint32_t p = 0; p < total_points_; ++p) {
        const double v = GetValueOfPoint(p);
        if (mx == kNotMeasured || v > mx) mx = v, fmx = GetFrequencyOfPoint(p);
        if (mn == kNotMeasured || v < mn) mn = v, fmn = GetFrequencyOfPoint(p);
    }
    std::lock_guard lock(mutex_);
    maximum_ = mx, f_max_ = fmx, minimum_ = mn, f_min_ = fmn;
}

double CDeviceItemManager::GetMaximum(uint64_t* frequency) {
    std::lock_guard lock(mutex_);
    if (frequency) *frequency = f_max_;
    return maximum_;
}

double CDeviceItemManager::GetMinimum(uint64_t* frequency) {
    std::lock_guard lock(mutex_);
    if (frequency) *frequency = f_min_;
    return minimum_;
}

CDeviceItem* CDeviceItemManager::GetItemAfter(const CDeviceItem* item) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i + 1 < items_.size(); ++i)
        if (items_[i].get() == item) return items_[i + 1].get();
    return nullptr;
}

uint32_t CDeviceItemManager::GetLastPoint() {
    std::lock_guard lock(mutex_);
    if (items_.empty()) return 0;
    const CDeviceItem& last = *items_.back();
    return last.GetFirstIndex() + last.GetCount() - 1;
}

void CDeviceItemManager::FormatTimeStamp(core::Text& text) const {
    const plat::SystemTime& t = time_stamp_;
    text =
        core::FormatText("(%02d-%02d %02d-%02d-%02d)", t.month, t.day, t.hour, t.minute, t.second);
}

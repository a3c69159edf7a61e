#pragma once
// A cable type of the network analyzer's cable list: name, velocity factor
// and losses per length, the loss at nine frequency columns interpolated at
// any frequency. Each entry is also a link of the chain that forms the list;
// the head stands for the list and deleting it deletes the list.
#include <array>
#include <cstdint>
#include <memory>

#include "core/text.h"

class CCableType {
  public:
    static constexpr int kColumns = 9;
    // The frequencies of the loss columns, Hz.
    static constexpr std::array<int64_t, kColumns> kColumnHertz = {
        450000000,  824000000,  894000000,  960000000, 1000000000,
        1700000000, 1920000000, 2000000000, 2500000000};
    using Losses = std::array<float, kColumns>;

    // An entry of the tagged cable file (no frequency table).
    CCableType(int32_t id, core::Text name, float vp, float loss_per_foot, float loss_per_metre,
               bool has_table);
    // An entry of the comma-separated list: the nine column losses.
    CCableType(int32_t id, core::Text name, float vp, const Losses& losses, bool has_table);
    ~CCableType();
    CCableType(const CCableType&) = delete;
    CCableType& operator=(const CCableType&) = delete;

    // --- the chain (searches start at this entry)
    CCableType* FindById(int32_t id);
    CCableType* GetById(int32_t id) { return FindById(id); }
    CCableType* FindByName(std::u16string_view name);
    uint32_t CountCustom() const;
    CCableType* FindFirstSelected();
    CCableType* FindNextSelected();
    bool AnySelected() const;
    uint32_t GetCount() const;
    CCableType* GetNext() const { return next_.get(); }
    // Links the entry behind the last; returns this entry's count before.
    uint32_t Append(std::unique_ptr<CCableType> entry);
    // Unlinks and deletes an entry behind this one.
    void Remove(CCableType* entry);

    // --- the entry
    int32_t GetId() const { return id_; }
    void SetId(int32_t id) { id_ = id; }
    void SetSelected(bool selected) { selected_ = selected; }
    float GetLossPerMetre() const { return loss_per_metre_; }
    float GetLossPerFoot() const { return loss_per_foot_; }
    float GetColumnLoss(int index) const;
    // The loss at a frequency, interpolated between the columns.
    float GetLossAt(int64_t hertz) const;
    float GetVp() const { return vp_; }
    const core::Text& GetName() const { return name_; }
    core::Text GetNameById(int32_t id);
    core::Text FormatLossPerMetre() const;
    core::Text FormatLossPerFoot() const;
    core::Text FormatVp() const;
    core::Text FormatLossPerMetreById(int32_t id);
    core::Text FormatLossPerFootById(int32_t id);
    core::Text FormatVpById(int32_t id);
    bool IsCustom() const { return !has_table_; }
    uint32_t GetCounter() const { return counter_; }
    uint32_t NextCounter() { return counter_++; }

  private:
    uint32_t count_ = 1;
    float loss_per_metre_ = 0, loss_per_foot_ = 0, vp_ = 0;
    core::Text name_;
    Losses losses_{};
    bool selected_ = false;
    std::unique_ptr<CCableType> next_;
    int32_t id_ = 0;
    bool has_table_ = false;
    uint32_t counter_ = 0;
};

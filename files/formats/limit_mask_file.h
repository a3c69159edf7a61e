#pragma once
// The limit masks of the spectrum analyzer ("LimitMaskTypeSettings.csv" in
// "\FlashFX Disk\My Lists"): each mask a named list of up to 71 points, one
// line a point, the first line also holding the mask's reference values. A
// wrong line is reported with its line number and no mask of the file is
// kept, so the screens stay with their built-in masks.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/formats/list_files.h"

struct LimitMaskPoint {
    int64_t offset = 0;  // Hz from the reference frequency
    double level = 0;
    bool is_absolute_dbm = false;  // the unit "dBm"; "dBc" is relative
};

struct LimitMask {
    static constexpr int kMaxPoints = 71;
    core::Text name;
    int32_t point_count = 0;
    uint64_t reference_frequency = 0;
    double reference_level = 0;
    bool reference_level_flag = false;      // the first line's unit is "dBc"
    bool reference_frequency_flag = false;  // option A
    bool upper = false;                     // kind 1: the upper masks
    std::array<LimitMaskPoint, kMaxPoints> points{};
};

class CLimitMaskFile : public CListFile {
  public:
    static constexpr int kMaxMasksOfAKind = 100;
    // The errors of a load.
    enum Error { kTooMany = 1, kTooFew = 2, kCountTooBig = 3, kIncorrect = 4, kTooManyMasks = 5 };

    CLimitMaskFile() : CListFile(u"LimitMaskTypeSettings") {}
    ~CLimitMaskFile() override { ClearMasks(); }

    // Reads the file; false when it is missing or wrong (one message for a
    // wrong line, and then no mask is kept).
    bool Load();
    // The same from text in memory.
    bool LoadBytes(std::string bytes);
    int GetLastError() const { return last_error_; }

    int32_t GetMaskCount() const { return upper_count_; }
    int32_t GetOtherMaskCount() const { return lower_count_; }
    uint32_t GetMaskTotal() const { return static_cast<uint32_t>(masks_.size()); }
    const LimitMask* GetMaskAt(size_t i) const {
        return i < masks_.size() ? masks_[i].get() : nullptr;
    }
    const LimitMask* FindMask(std::u16string_view name) const;
    void AddMask(std::unique_ptr<LimitMask> mask);
    // Leaves an empty collection.
    void ClearMasks();
    bool Save() { return true; }
    // Writes `masks` as the whole file, in the form Load reads, by an atomic
    // save: the old file stays whole when the save fails.
    bool SaveMasks(const std::vector<LimitMask>& masks);
    // The file's text of `masks`.
    static std::string MaskText(const std::vector<LimitMask>& masks);

  private:
    bool ReadLoaded();
    // One line of a mask: its first line (point 0) or a continuation.
    int ParseMaskLine(std::u16string_view line, LimitMask& mask, int point, bool first);
    bool Report(int error, size_t line);

    std::vector<std::unique_ptr<LimitMask>> masks_;
    int32_t upper_count_ = 0, lower_count_ = 0;
    int last_error_ = 0;
};

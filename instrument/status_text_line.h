#pragma once
// CStatusTextLine: a short status line composed from string ids: the
// program's name, the owner's title and a stack of up to ten page titles
// joined by backslashes, shortened from the left when it would be too long.
#include <array>
#include <cstdint>

#include "core/text.h"

class CStatusTextLine {
  public:
    static constexpr int kMaxIds = 10;
    static constexpr int kDefaultLimit = 23;
    static constexpr uint32_t kPrefixText = 533;

    explicit CStatusTextLine(uint32_t owner_id) : owner_id_(owner_id) {}
    virtual ~CStatusTextLine() = default;

    // How many ids, from the top of the stack, fit behind `extra` characters
    // with their separators within `limit` characters (0 when not even the
    // top one does).
    virtual int CountFitting(int extra, int limit) const;
    // The stacked texts' length with one separator each.
    virtual int GetLength() const;
    virtual void Clear() { count_ = 0; }
    // The line; limit 0 means 23 characters.
    virtual core::Text Compose(int limit) const;
    // Drops the top id (nothing when the stack is empty).
    virtual void Pop();
    // Stacks the id unless ten are stacked already.
    virtual void Push(uint32_t id);

    int GetCount() const { return count_; }
    uint32_t GetId(int i) const { return ids_[static_cast<size_t>(i)]; }

  private:
    uint32_t owner_id_;
    int count_ = 0;
    std::array<uint32_t, kMaxIds> ids_{};
    std::array<int, kMaxIds> lengths_{};
};

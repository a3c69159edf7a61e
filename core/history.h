#pragma once
// The history ring: the last 512 masked events of the program (key presses,
// wheel steps, link events), written to "\FlashFX Disk\HistoryLog.txt" on
// request.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/text.h"

inline constexpr uint32_t kHistoryNoValue = 0xDEADBEEF;

class CHistoryRing {
  public:
    static constexpr size_t kCapacity = 512;
    // The dump prints at most this many characters of an entry's text.
    static constexpr size_t kTextLimit = 100;

    // Clears the ring, sets the mask and adds "init" with bit 1.
    void Init(uint32_t mask);
    // Stores a copy of the text when `bit` shares a bit with the mask.
    void Add(uint32_t bit, std::u16string_view text, uint32_t value);
    // The dump's text: date line, banner, time reference, the entries oldest
    // first, end banner.
    std::string Format() const;
    // Writes Format() to the file; false (and a debugger line) on failure.
    bool Dump(std::u16string_view path) const;
    size_t Count() const;

  private:
    struct Entry {
        uint32_t tick = 0;
        core::Text text;
        uint32_t value = kHistoryNoValue;
    };
    mutable std::mutex mutex_;
    std::array<Entry, kCapacity> entries_;
    size_t next_ = 0;   // where the next entry goes
    size_t count_ = 0;  // entries held, at most kCapacity
    uint32_t mask_ = 0;
};

// The process's ring.
CHistoryRing& HistoryRing();
void HistoryInit(uint32_t mask);
void HistoryAdd(uint32_t bit, std::u16string_view text, uint32_t value);
void HistoryAddText(uint32_t bit, std::u16string_view text);
// Writes the process's ring to "\FlashFX Disk\HistoryLog.txt".
bool HistoryDump();

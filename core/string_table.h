#pragma once
// The program's own string table, compiled in from strings/strings.tsv.
#include <cstddef>
#include <cstdint>

namespace core_strings {

struct StringTableEntry {
    uint32_t id;
    const char16_t* text;
};

// Sorted by id.
extern const StringTableEntry kStringTable[];
extern const size_t kStringTableSize;

// The text of `id` in the program's table, or null.
const char16_t* FindOwnString(uint32_t id);

}  // namespace core_strings

#pragma once
// A language library's string table, generated from its text table at build
// time: entries sorted by id.
#include <cstddef>
#include <cstdint>

namespace lang {

struct StringTableEntry {
    uint32_t id;
    const char16_t* text;
};

extern const StringTableEntry kStringTable[];
extern const size_t kStringTableSize;

}  // namespace lang

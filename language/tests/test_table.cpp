// A string table for a test build of the language library: texts at the
// edges of what the library returns.
#include <array>

#include "language/string_table.h"

namespace {

template <size_t N>
struct Filled {
    std::array<char16_t, N + 1> units{};
    constexpr Filled() {
        for (size_t i = 0; i < N; ++i) units[i] = static_cast<char16_t>(u'a' + i % 26);
    }
};

constexpr Filled<510> k510;
constexpr Filled<511> k511;
constexpr Filled<600> k600;

}  // namespace

namespace lang {

const StringTableEntry kStringTable[] = {
    {1, u"Test"},
    {10, u""},
    {510, k510.units.data()},
    {511, k511.units.data()},
    {600, k600.units.data()},
};
const size_t kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);

}  // namespace lang

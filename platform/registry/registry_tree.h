#pragma once
// Internal: the registry's in-memory tree and its text file format.
//
//   celvane-registry 1 <generation>
//   [HKEY_LOCAL_MACHINE\Printers\Pagejet Inkjet]
//   "Driver"=sz:"pagejethd.dll"
//   "Count"=dword:0000012c
//   "Blob"=hex(3):61,62,00
//   "List"=multi:"a","b"
//   end
//
// Every key has a header line, also when it holds no values; values follow
// their key. The closing "end" line tells a complete file from a cut one.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat::detail {

struct RegValueData {
    std::u16string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct RegNode {
    std::u16string name;
    std::vector<RegValueData> values;
    std::vector<std::unique_ptr<RegNode>> children;

    RegNode* child(std::u16string_view name) const;
    RegNode& add_child(std::u16string name);
    bool remove_child(std::u16string_view name);
    RegValueData* value(std::u16string_view name);
    const RegValueData* value(std::u16string_view name) const;
    RegNode clone() const;
};

// Little-endian UTF-16 code units of value data, and back (odd trailing
// bytes are dropped).
std::u16string utf16_units(const std::vector<uint8_t>& data);
std::vector<uint8_t> utf16_bytes(std::u16string_view text);
// A REG_DWORD's four little-endian bytes, and back (`data` holds four bytes).
std::vector<uint8_t> dword_bytes(uint32_t value);
uint32_t dword_value(const std::vector<uint8_t>& data);

// The tree's root holds one child per hive, named "HKEY_CURRENT_USER" and
// "HKEY_LOCAL_MACHINE".
RegNode empty_registry();
std::u16string_view hive_name(int hive);

std::string serialize_registry(const RegNode& root, uint64_t generation);
// Nothing when the text is damaged; `error` then says where.
std::optional<RegNode> parse_registry(std::string_view text, uint64_t* generation,
                                      std::string* error);
// The generation from the first line, or nothing.
std::optional<uint64_t> registry_generation(std::string_view head);

}  // namespace plat::detail

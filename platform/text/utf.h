#pragma once
// The system's text is UTF-16 code units; the host speaks UTF-8. These are
// the only conversions between the two.
#include <string>
#include <string_view>

namespace plat {

std::string to_utf8(std::u16string_view text);
// Invalid UTF-8 bytes become one character each (their byte value), so no
// input is ever lost or refused.
std::u16string from_utf8(std::string_view text);

// ASCII-only case folding, as the instrument's file system and registry
// compare names.
char16_t fold_case(char16_t c);
bool equals_ignore_case(std::u16string_view a, std::u16string_view b);
bool equals_ignore_case(std::string_view a, std::string_view b);

}  // namespace plat

#pragma once
// Which board layout the instrument has: the factory identity HKLM "Ident"
// "Name" says "KORVELB" for the second layout; anything else, or nothing, is
// the standard one.
namespace plat::hw {

enum class BoardLayout { Standard, Second };

inline constexpr char16_t kIdentKey[] = u"Ident";
inline constexpr char16_t kIdentName[] = u"Name";
inline constexpr char16_t kSecondLayoutName[] = u"KORVELB";

// Reads the layout; prints `no_key` or `no_value` to the debugger when the
// key or the value is missing (null or empty: nothing).
BoardLayout read_board_layout(const char* no_key, const char* no_value);

}  // namespace plat::hw

#pragma once
// The text of a copy script and the command lines it gives to programs.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qxcopy {

// The longest script line; a longer one is a bad line, never split.
inline constexpr size_t kMaxLineChars = 260;

// Decodes a script file: UTF-16LE when it begins with the byte-order mark
// FF FE, else UTF-8 (its own mark skipped), else one character per byte.
std::u16string decode_script(std::string_view bytes);

// Splits decoded text at LF, dropping the CR of a CR LF ending.
std::vector<std::u16string> script_lines(std::u16string_view text);

// Splits a command line at blanks; double quotes group blanks into one
// argument and are themselves dropped.
std::vector<std::u16string> split_command_line(std::u16string_view line);

}  // namespace qxcopy

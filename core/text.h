#pragma once
// The program's text type and the few conversions the core needs. Texts are
// UTF-16 code units; the "8-bit" forms keep each unit's low byte, which is how
// the instrument writes its files and reads its numbers.
#include <cstdarg>
#include <string>
#include <string_view>

namespace core {

using Text = std::u16string;

// Each byte becomes one character (zero-extended).
Text WidenBytes(std::string_view bytes);
// Each character's low 8 bits.
std::string LowBytes(std::u16string_view text);

// printf into a text (the formats the program uses produce 8-bit output).
Text FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
Text FormatTextV(const char* format, va_list args);

// Removes the leading blanks.
Text TrimLeadingBlanks(std::u16string_view text);

// Compares character by character as 16-bit units: <0, 0 or >0.
int CompareUnits(std::u16string_view a, std::u16string_view b);

// Whether a typed name can name a file in a folder: not empty, no
// \ / : * ? " < > | or control characters, and not made only of dots and
// blanks (which would name the folder itself or its parent).
bool IsValidFileName(std::u16string_view name);

// Whether `text` ends in `tail`, ASCII letters compared without case.
bool EndsWithIgnoreCase(std::u16string_view text, std::u16string_view tail);

// The n-th variant of a file path that must not replace an existing file:
// n = 0 is the path itself; n > 0 puts "-n" before the extension of the
// file name ("a\b.twf" -> "a\b-2.twf").
Text NumberedFilePath(std::u16string_view path, int n);

}  // namespace core

#pragma once
// Numbers in files and on serial lines, written and read in one form
// whatever locale the process runs in: '.' is the decimal point, no digit
// grouping. Built on std::to_chars and std::from_chars, which never consult
// the locale.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// One printf conversion of a double, "%[flags][width][.precision]<e|E|f|F|g|G>"
// (flags '-', '+', ' ', '#', '0'; an 'l' or 'L' before the letter is
// allowed), written exactly as printf writes it in the C locale. A text that
// is no such conversion gives an empty string.
std::string format_number(std::string_view conversion, double value);

// The number at the start of `text`, as strtod reads it in the C locale:
// leading blanks, an optional sign, digits with an optional point, an
// optional exponent; "inf" and "nan" too (no hexadecimal form: "0x10" reads
// as its "0"). The value and the characters
// taken, blanks included; nothing when no number starts there or it lies
// outside the double range.
struct NumberPrefix {
    double value = 0;
    std::size_t length = 0;
};
std::optional<NumberPrefix> parse_number_prefix(std::string_view text);

// The whole text as one number (nothing before or after it); nothing
// otherwise.
std::optional<double> parse_number(std::string_view text);

}  // namespace plat

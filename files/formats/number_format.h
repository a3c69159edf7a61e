#pragma once
// The numbers of the tagged text files: written in the instrument's own
// printf forms (exponents of three digits, "1.00000e-001"), read strictly
// (the whole value, within the field's type).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace files {

// What a NaN or an infinity is written as: a value no reader takes as real.
inline constexpr double kNotANumberValue = -300.0;

// Formats one double with a printf conversion ("%#.5e", "%.5e", "%03f",
// "%f"); exponents get at least three digits, and a value that is not finite
// is written as kNotANumberValue.
std::string FormatDouble(std::string_view conversion, double value);
// Replaces the one double conversion of a line format ("\t<x = %#.5e>\n")
// with the formatted value.
std::string FormatDoubleLine(std::string_view line_format, double value);

// Strict readers: the whole text must be the number (one leading blank at
// most, as the two-blank formats leave it); nothing otherwise.
std::optional<int32_t> ParseStrictInt(std::u16string_view text);
// 0 to 4,294,967,295: the "%010u" frequencies.
std::optional<uint32_t> ParseStrictFrequency(std::u16string_view text);
// A finite decimal or exponent number (two or three exponent digits).
std::optional<double> ParseStrictDouble(std::u16string_view text);
// A measured result: a number as ParseStrictDouble takes it, or NaN for a
// value written as no number ("nan", "inf", "infinity", any case, with a
// sign or none), which the result's owner shows as not measured.
std::optional<double> ParseResultDouble(std::u16string_view text);

// value + 0.5 truncated, as the list files round their numbers; held to the
// 64-bit range.
int64_t RoundHalfUp(double value);
// A double as a float, held to the float range.
float ToFloat(double value);

}  // namespace files

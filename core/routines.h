#pragma once
// Small shared routines: a time-out record, number parsing, 8-bit copies,
// checksums, date parsing, file tests, a value step rule and field splitting.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

#include "core/text.h"

class CTimeout {
  public:
    void Start(uint32_t period_ms);
    // True once more than the period has passed since Start (tick wrap safe).
    bool IsExpired() const;

  private:
    uint32_t start_ = 0;
    uint32_t period_ = 0;
};

// The parsers read at most the first 19 characters; no number gives 0.
int ParseInt(std::u16string_view text);
int ParseIntAlt(std::u16string_view text);
float ParseFloat(std::u16string_view text);
double ParseDouble(std::u16string_view text);

// Writes each character's low 8 bits and a terminating zero into `buffer` of
// `size` bytes, cutting the text to size - 1 characters. Returns the number of
// characters written (without the zero).
size_t CStringToAnsi(char* buffer, size_t size, std::u16string_view text);

// The seed plus every byte taken as a signed 8-bit number.
int32_t ByteSum(const uint8_t* bytes, uint32_t count, int32_t seed);
// Index of the first ',' within `count` bytes, -1 when none.
int FindComma(const uint8_t* bytes, uint32_t count);

// "MM/DD/YYYY hh:mm:ss" and "hh:mm:ss MM/DD/YYYY" (any one separator between
// fields) as local time; a short or out-of-range text gives 2005-02-12 11:00:00.
std::time_t ParseDateTimeMdy(std::u16string_view text);
std::time_t ParseTimeDateHms(std::u16string_view text);
// The fixed time the date parsers give for a bad text.
std::time_t FallbackDateTime();
// A calendar time of the local zone as seconds since 1970.
std::time_t MakeLocal(int year, int month, int day, int hour, int minute, int second);

// File tests on instrument paths.
bool IsFileNewer(std::u16string_view path_a, std::u16string_view path_b);
bool FileExists(std::u16string_view path);
// The decimal number at the start of a text file; nothing when the file
// cannot be opened or does not start with a number.
std::optional<int> ReadNumberFile(std::u16string_view path);
bool HasFileExtension(std::u16string_view file_name, std::u16string_view extension);
bool IsSystemFolder(std::u16string_view folder, std::u16string_view name);
bool IsFileNameFree(std::u16string_view folder, std::u16string_view name,
                    std::u16string_view extension);

// The next value of a whole-number step rule; a step of 0 leaves x unchanged.
double NextStepValue(double x, double step);

core::Text SplitSlashField(std::u16string_view text, uint32_t index, char16_t separator, bool head,
                           uint32_t mode);
// Appends the fields of `text` to `fields`; see the quoting rules in the source.
bool SplitFields(std::u16string_view text, std::vector<core::Text>& fields,
                 std::u16string_view separator);
bool QuotedField(std::u16string_view text, core::Text& field, size_t& next);

#include "core/text.h"

#include <cstdio>
#include <vector>

namespace core {

Text WidenBytes(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string LowBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(static_cast<char>(c & 0xFF));
    return out;
}

Text FormatTextV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return WidenBytes(std::string_view(small, n));
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    return WidenBytes(std::string_view(big.data(), n));
}

Text FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Text out = FormatTextV(format, args);
    va_end(args);
    return out;
}

Text TrimLeadingBlanks(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    return Text(text.substr(i));
}

int CompareUnits(std::u16string_view a, std::u16string_view b) {
    // char16_t is unsigned, so the view's comparison orders by code unit.
    return a.compare(b);
}

bool IsValidFileName(std::u16string_view name) {
    constexpr std::u16string_view kRefused = u"\\/:*?\"<>|";
    bool only_dots_and_blanks = true;
    for (char16_t c : name) {
        if (c < 0x20 || c == 0x7F || kRefused.find(c) != std::u16string_view::npos) return false;
        if (c != u'.' && c != u' ') only_dots_and_blanks = false;
    }
    return !name.empty() && !only_dots_and_blanks;
}

namespace {
char16_t LowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
}  // namespace

bool EndsWithIgnoreCase(std::u16string_view text, std::u16string_view tail) {
    if (tail.size() > text.size()) return false;
    const std::u16string_view end = text.substr(text.size() - tail.size());
    for (size_t i = 0; i < tail.size(); ++i)
        if (LowerAscii(end[i]) != LowerAscii(tail[i])) return false;
    return true;
}

Text NumberedFilePath(std::u16string_view path, int n) {
    if (n <= 0) return Text(path);
    const size_t slash = path.find_last_of(u"\\/");
    const size_t dot = path.find_last_of(u'.');
    const size_t cut =
        dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash + 1)
            ? dot
            : path.size();
    Text out(path.substr(0, cut));
    out += FormatText("-%d", n);
    out += path.substr(cut);
    return out;
}

}  // namespace core

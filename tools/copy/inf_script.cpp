#include "tools/copy/inf_script.h"

#include <cstdint>

namespace qxcopy {

namespace {

// Whether `bytes` is well-formed UTF-8 (no overlongs, surrogates or values
// past U+10FFFF).
bool valid_utf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        size_t extra = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<uint8_t>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

std::u16string from_valid_utf8(std::string_view bytes) {
    std::u16string out;
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        const size_t extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        uint32_t cp = extra == 0   ? c
                      : extra == 1 ? (c & 0x1F)
                      : extra == 2 ? (c & 0x0F)
                                   : (c & 0x07);
        for (size_t k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<uint8_t>(bytes[i + k]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return out;
}

}  // namespace

std::u16string decode_script(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
        static_cast<uint8_t>(bytes[1]) == 0xFE) {
        std::u16string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            out.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                                (static_cast<uint8_t>(bytes[i + 1]) << 8)));
        }
        return out;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (valid_utf8(bytes)) return from_valid_utf8(bytes);
    std::u16string out;
    for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
    return out;
}

std::vector<std::u16string> script_lines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    while (!text.empty()) {
        const size_t end = text.find(u'\n');
        std::u16string_view line = text.substr(0, end);
        if (line.ends_with(u'\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::u16string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::u16string> split_command_line(std::u16string_view line) {
    std::vector<std::u16string> args;
    std::u16string current;
    bool in_argument = false;
    bool quoted = false;
    for (char16_t c : line) {
        if (c == u'"') {
            quoted = !quoted;
            in_argument = true;
        } else if ((c == u' ' || c == u'\t') && !quoted) {
            if (in_argument) args.push_back(std::move(current));
            current.clear();
            in_argument = false;
        } else {
            current.push_back(c);
            in_argument = true;
        }
    }
    if (in_argument) args.push_back(std::move(current));
    return args;
}

}  // namespace qxcopy

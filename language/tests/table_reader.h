#pragma once
// Reads a text table (id<TAB>text, UTF-8) the way its authors write it, for
// comparing what the libraries answer with their source.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/text/utf.h"

namespace lang_test {

inline std::u16string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char n = text[i + 1];
            if (n == 'n' || n == 't' || n == 'r' || n == '\\') {
                out += n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return plat::from_utf8(out);
}

inline std::map<uint32_t, std::u16string> ReadTable(const std::filesystem::path& file) {
    std::map<uint32_t, std::u16string> rows;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        rows[static_cast<uint32_t>(std::stoul(line.substr(0, tab)))] =
            Unescape(line.substr(tab + 1));
    }
    return rows;
}

inline std::filesystem::path SourceDir() {
    return CELVANE_SOURCE_DIR;
}

}  // namespace lang_test

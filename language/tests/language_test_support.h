#pragma once
// Shared by the tests of the language libraries and of the program's
// languages: the text tables read the way their authors write them, and
// device roots laid out by the image builder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/fs/tests/test_support.h"
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

// Lays out a fresh device root, a copy of the build's device image; true
// when it succeeded (else the reason is on standard error).
inline bool LayOutImage(const std::filesystem::path& root) {
    const std::string error = celvane_test::copy_device_image(root);
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return error.empty();
}

// Installs a built library file in the root's System folder under `as`.
inline void InstallLibrary(const std::filesystem::path& built, const std::filesystem::path& root,
                           const char* as) {
    std::filesystem::copy_file(built, root / "FlashFX Disk" / "System" / as,
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace lang_test

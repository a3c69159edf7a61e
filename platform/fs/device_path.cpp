#include "platform/fs/device_path.h"

#include <string>
#include <vector>

#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

namespace plat {

namespace {

namespace fs = std::filesystem;

bool split_segments(std::u16string_view path, std::vector<std::u16string>& out) {
    if (!path.empty() && path.front() == u'/') return false;  // a host path
    std::u16string segment;
    auto flush = [&]() -> bool {
        if (segment.empty() || segment == u".") {
            segment.clear();
            return true;
        }
        if (segment == u".." || segment.find(u':') != std::u16string::npos ||
            segment.find(u'\0') != std::u16string::npos) {
            return false;
        }
        // Trailing dots and spaces name the same entry on the instrument.
        while (!segment.empty() && (segment.back() == u' ' || segment.back() == u'.'))
            segment.pop_back();
        if (segment.empty()) return false;
        out.push_back(std::move(segment));
        segment.clear();
        return true;
    };
    for (char16_t c : path) {
        if (c == u'\\' || c == u'/') {
            if (!flush()) return false;
        } else {
            segment += c;
        }
    }
    return flush();
}

// Whether `path`, with every symbolic link of its existing part followed,
// stays below the device root: a link that leads out of the root is as if
// the path did not exist.
bool inside_root(const fs::path& path, const fs::path& root) {
    std::error_code ec;
    const fs::path real_root = fs::weakly_canonical(root, ec);
    if (ec) return true;  // no root to compare with: nothing can lead out of it
    const fs::path real = fs::weakly_canonical(path, ec);
    if (ec) return false;
    auto r = real_root.begin();
    auto p = real.begin();
    for (; r != real_root.end(); ++r, ++p) {
        if (r->empty()) continue;  // a trailing separator of the root
        if (p == real.end() || *p != *r) return false;
    }
    return true;
}

}  // namespace

std::optional<fs::path> host_path(std::u16string_view instrument_path) {
    std::vector<std::u16string> segments;
    if (!split_segments(instrument_path, segments)) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    const fs::path root = device_root();
    fs::path result = root;
    bool resolving = true;
    for (const auto& segment : segments) {
        std::string name = to_utf8(segment);
        if (resolving) {
            std::error_code ec;
            if (fs::exists(result / name, ec)) {
                result /= name;
                continue;
            }
            bool found = false;
            for (fs::directory_iterator it(result, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string entry = it->path().filename().string();
                if (equals_ignore_case(std::string_view(entry), std::string_view(name))) {
                    name = entry;
                    found = true;
                    break;
                }
            }
            resolving = found;
        }
        result /= name;
    }
    if (!inside_root(result, root)) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return result;
}

std::optional<fs::path> host_path(std::string_view instrument_path_utf8) {
    return host_path(from_utf8(instrument_path_utf8));
}

}  // namespace plat

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

}  // namespace

std::optional<fs::path> host_path(std::u16string_view instrument_path) {
    std::vector<std::u16string> segments;
    if (!split_segments(instrument_path, segments)) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    fs::path result = device_root();
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
    return result;
}

std::optional<fs::path> host_path(std::string_view instrument_path_utf8) {
    return host_path(from_utf8(instrument_path_utf8));
}

}  // namespace plat

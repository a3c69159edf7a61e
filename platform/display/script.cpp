#include "platform/display/script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>
#include <vector>

#include "platform/window/messages.h"

namespace plat {

namespace {

std::string upper(std::string_view s) {
    std::string u(s);
    std::transform(u.begin(), u.end(), u.begin(), [](unsigned char c) { return std::toupper(c); });
    return u;
}

std::optional<long> to_number(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    long v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<uint32_t> key_from_name(std::string_view name) {
    const std::string n = upper(name);
    if (n.size() >= 2 && n[0] == 'F' && std::isdigit(static_cast<unsigned char>(n[1]))) {
        const auto f = to_number(std::string_view(n).substr(1));
        if (f && *f >= 1 && *f <= 24) return vk_function(static_cast<int>(*f));
        return std::nullopt;
    }
    if (n.size() == 1 && std::isdigit(static_cast<unsigned char>(n[0])))
        return static_cast<uint32_t>(n[0]);
    static const std::pair<const char*, uint32_t> named[] = {
        {"LEFT", VK_LEFT},         {"RIGHT", VK_RIGHT},    {"UP", VK_UP},
        {"DOWN", VK_DOWN},         {"ESCAPE", VK_ESCAPE},  {"ESC", VK_ESCAPE},
        {"RETURN", VK_RETURN},     {"ENTER", VK_RETURN},   {"POINT", VK_DECIMAL},
        {"PERIOD", VK_OEM_PERIOD}, {"MINUS", VK_SUBTRACT}, {"PLUS", VK_ADD},
        {"SHIFT", VK_SHIFT},       {"BACK", VK_BACK},      {"TAB", VK_TAB},
    };
    for (const auto& [text, vk] : named) {
        if (n == text) return vk;
    }
    if (const auto v = to_number(name); v && *v > 0 && *v < 256) return static_cast<uint32_t>(*v);
    return std::nullopt;
}

std::string quote_script_text(std::string_view text) {
    if (text.size() <= kScriptQuoteLimit) return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, kScriptQuoteLimit)) + "...\"";
}

std::optional<ScriptCommand> parse_script_line(std::string_view line, std::string* error) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::istringstream in{std::string(line)};
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) {
        if (error) error->clear();
        return std::nullopt;
    }
    auto fail = [&](std::string msg) -> std::optional<ScriptCommand> {
        if (error) *error = std::move(msg);
        return std::nullopt;
    };
    const std::string verb = upper(words[0]);
    auto want = [&](size_t n) { return words.size() == n + 1; };
    ScriptCommand c;
    if (verb == "KEY" || verb == "DOWN" || verb == "UP") {
        if (!want(1)) return fail(quote_script_text(words[0]) + " takes one key name");
        std::string_view name = words[1];
        if (upper(name).starts_with("SHIFT+")) {
            c.shift = true;
            name.remove_prefix(6);
        }
        const auto vk = key_from_name(name);
        if (!vk) return fail("unknown key " + quote_script_text(name));
        c.vk = *vk;
        c.kind = verb == "KEY"    ? ScriptCommand::Kind::Key
                 : verb == "DOWN" ? ScriptCommand::Kind::Down
                                  : ScriptCommand::Kind::Up;
        return c;
    }
    if (verb == "WHEEL") {
        const auto n = want(1) ? to_number(words[1]) : std::nullopt;
        if (!n || *n < -1000 || *n > 1000) return fail("wheel takes a notch count");
        c.kind = ScriptCommand::Kind::Wheel;
        c.x = static_cast<int>(*n);
        return c;
    }
    if (verb == "CLICK") {
        const auto x = want(2) ? to_number(words[1]) : std::nullopt;
        const auto y = want(2) ? to_number(words[2]) : std::nullopt;
        if (!x || !y || *x < 0 || *y < 0 || *x > 32767 || *y > 32767) {
            return fail("click takes a point X Y");
        }
        c.kind = ScriptCommand::Kind::Click;
        c.x = static_cast<int>(*x);
        c.y = static_cast<int>(*y);
        return c;
    }
    if (verb == "WAIT") {
        const auto ms = want(1) ? to_number(words[1]) : std::nullopt;
        if (!ms || *ms < 0 || *ms > 0x7FFFFFFF) return fail("wait takes milliseconds");
        c.kind = ScriptCommand::Kind::Wait;
        c.ms = static_cast<uint32_t>(*ms);
        return c;
    }
    if (verb == "SHOT") {
        if (!want(1)) return fail("shot takes a file name");
        c.kind = ScriptCommand::Kind::Shot;
        c.file = words[1];
        return c;
    }
    if (verb == "QUIT") {
        if (!want(0)) return fail("quit takes nothing");
        c.kind = ScriptCommand::Kind::Quit;
        return c;
    }
    return fail("unknown command " + quote_script_text(words[0]));
}

}  // namespace plat

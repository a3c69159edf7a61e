#include "platform/text/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace plat {

namespace {

struct Conversion {
    bool left = false;       // '-'
    bool plus = false;       // '+'
    bool space = false;      // ' '
    bool alternate = false;  // '#'
    bool zero = false;       // '0'
    std::size_t width = 0;
    int precision = -1;
    char letter = 'f';
};

std::optional<Conversion> ParseConversion(std::string_view spec) {
    if (spec.empty() || spec.front() != '%') return std::nullopt;
    spec.remove_prefix(1);
    Conversion c;
    for (; !spec.empty(); spec.remove_prefix(1)) {
        const char f = spec.front();
        if (f == '-')
            c.left = true;
        else if (f == '+')
            c.plus = true;
        else if (f == ' ')
            c.space = true;
        else if (f == '#')
            c.alternate = true;
        else if (f == '0')
            c.zero = true;
        else
            break;
    }
    auto digits = [&spec](auto& out) {
        const auto [end, ec] = std::from_chars(spec.data(), spec.data() + spec.size(), out);
        if (ec == std::errc()) spec.remove_prefix(static_cast<std::size_t>(end - spec.data()));
        return ec == std::errc() || ec == std::errc::invalid_argument;
    };
    if (!digits(c.width)) return std::nullopt;
    if (!spec.empty() && spec.front() == '.') {
        spec.remove_prefix(1);
        c.precision = 0;
        if (!digits(c.precision)) return std::nullopt;
    }
    if (!spec.empty() && (spec.front() == 'l' || spec.front() == 'L')) spec.remove_prefix(1);
    if (spec.size() != 1) return std::nullopt;
    c.letter = spec.front();
    if (std::string_view("eEfFgG").find(c.letter) == std::string_view::npos) return std::nullopt;
    return c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The digits of |value| in the conversion's form, without sign or padding.
std::string Digits(const Conversion& c, double magnitude) {
    if (std::isnan(magnitude)) return "nan";
    if (std::isinf(magnitude)) return "inf";
    const char kind = Lower(c.letter);
    const int precision = c.precision < 0 ? 6 : c.precision;
    std::array<char, 1100> buffer{};
    char* const first = buffer.data();
    char* const last = buffer.data() + buffer.size();
    std::to_chars_result r{};
    if (kind == 'e')
        r = std::to_chars(first, last, magnitude, std::chars_format::scientific, precision);
    else if (kind == 'f')
        r = std::to_chars(first, last, magnitude, std::chars_format::fixed, precision);
    else
        r = std::to_chars(first, last, magnitude, std::chars_format::general,
                          precision == 0 ? 1 : precision);
    if (r.ec != std::errc()) return {};
    std::string text(first, r.ptr);
    if (c.alternate && text.find('.') == std::string::npos) {
        // '#' keeps the point (and, for 'g', the trailing zeros: rare in
        // files, written as the plain 'g' form here).
        const std::size_t e = text.find('e');
        text.insert(e == std::string::npos ? text.size() : e, ".");
    }
    return text;
}

}  // namespace

std::string format_number(std::string_view conversion, double value) {
    const std::optional<Conversion> c = ParseConversion(conversion);
    if (!c) return {};
    const bool negative = std::signbit(value) && !std::isnan(value);
    std::string body = Digits(*c, std::fabs(value));
    if (body.empty()) return {};
    if (c->letter == 'E' || c->letter == 'F' || c->letter == 'G')
        for (char& ch : body) ch = Upper(ch);
    const std::string sign = negative ? "-" : c->plus ? "+" : c->space ? " " : "";
    const std::size_t length = sign.size() + body.size();
    if (length >= c->width) return sign + body;
    const std::size_t pad = c->width - length;
    if (c->left) return sign + body + std::string(pad, ' ');
    if (c->zero && std::isfinite(value)) return sign + std::string(pad, '0') + body;
    return std::string(pad, ' ') + sign + body;
}

std::optional<NumberPrefix> parse_number_prefix(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // from_chars takes no '+', and a second sign is no number.
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data() + at, text.data() + text.size(), v);
    if (ec != std::errc()) return std::nullopt;
    return NumberPrefix{negative ? -v : v, static_cast<std::size_t>(end - text.data())};
}

std::optional<double> parse_number(std::string_view text) {
    if (text.empty() || text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r'))
        return std::nullopt;
    const std::optional<NumberPrefix> n = parse_number_prefix(text);
    if (!n || n->length != text.size()) return std::nullopt;
    return n->value;
}

}  // namespace plat

#include "platform/registry/registry_tree.h"

#include <charconv>
#include <cstdio>

#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace plat::detail {

namespace {

constexpr std::string_view kMagic = "celvane-registry 1 ";
constexpr std::u16string_view kHives[] = {u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE"};

// ---- writing ----

void append_quoted(std::string& out, std::u16string_view text) {
    out += '"';
    for (char c : to_utf8(text)) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    out += '"';
}

bool survives_text(std::u16string_view text) {
    return from_utf8(to_utf8(text)) == text;
}

// A string value written as text when that loses nothing: even size, one
// terminator at the end and no other zero.
bool as_text(const RegValueData& v, std::u16string& text) {
    if (v.data.size() < 2 || v.data.size() % 2) return false;
    std::u16string units = utf16_units(v.data);
    if (units.back() != 0) return false;
    units.pop_back();
    if (units.find(u'\0') != std::u16string::npos || !survives_text(units)) return false;
    text = std::move(units);
    return true;
}

bool as_multi(const RegValueData& v, std::vector<std::u16string>& texts) {
    if (v.data.size() < 4 || v.data.size() % 2) return false;
    std::u16string units = utf16_units(v.data);
    if (units[units.size() - 1] != 0 || units[units.size() - 2] != 0) return false;
    units.resize(units.size() - 2);
    size_t start = 0;
    for (;;) {
        size_t end = units.find(u'\0', start);
        std::u16string part = units.substr(start, end == std::u16string::npos ? end : end - start);
        if (part.empty() || !survives_text(part)) return false;
        texts.push_back(std::move(part));
        if (end == std::u16string::npos) break;
        start = end + 1;
    }
    return true;
}

void write_value(std::string& out, const RegValueData& v) {
    append_quoted(out, v.name);
    out += '=';
    std::u16string text;
    std::vector<std::u16string> texts;
    char buf[32];
    if (v.type == REG_DWORD && v.data.size() == 4) {
        std::snprintf(buf, sizeof buf, "dword:%08x", dword_value(v.data));
        out += buf;
    } else if (v.type == REG_SZ && as_text(v, text)) {
        out += "sz:";
        append_quoted(out, text);
    } else if (v.type == REG_MULTI_SZ && as_multi(v, texts)) {
        out += "multi:";
        for (size_t i = 0; i < texts.size(); ++i) {
            if (i) out += ',';
            append_quoted(out, texts[i]);
        }
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        out += buf;
        for (size_t i = 0; i < v.data.size(); ++i) {
            std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", v.data[i]);
            out += buf;
        }
    }
    out += '\n';
}

void write_node(std::string& out, const RegNode& node, const std::string& path) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& v : node.values) write_value(out, v);
    for (const auto& child : node.children)
        write_node(out, *child, path + "\\" + to_utf8(child->name));
}

// ---- reading ----

struct Cursor {
    std::string_view s;
    size_t i = 0;
    bool eat(char c) {
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool eat(std::string_view word) {
        if (s.substr(i).starts_with(word)) {
            i += word.size();
            return true;
        }
        return false;
    }
    bool done() const { return i == s.size(); }
};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool read_quoted(Cursor& c, std::u16string& out) {
    if (!c.eat('"')) return false;
    std::string bytes;
    while (c.i < c.s.size() && c.s[c.i] != '"') {
        char ch = c.s[c.i++];
        if (ch != '\\') {
            bytes += ch;
            continue;
        }
        if (c.i >= c.s.size()) return false;
        char e = c.s[c.i++];
        switch (e) {
            case '"':
            case '\\':
                bytes += e;
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'x': {
                if (c.i + 2 > c.s.size()) return false;
                int hi = hex_digit(c.s[c.i]), lo = hex_digit(c.s[c.i + 1]);
                if (hi < 0 || lo < 0) return false;
                bytes += static_cast<char>(hi * 16 + lo);
                c.i += 2;
                break;
            }
            default:
                return false;
        }
    }
    if (!c.eat('"')) return false;
    out = from_utf8(bytes);
    return true;
}

bool read_value(std::string_view line, RegValueData& v) {
    Cursor c{line};
    if (!read_quoted(c, v.name) || !c.eat('=')) return false;
    if (c.eat("dword:")) {
        std::string_view digits = line.substr(c.i);
        uint32_t word = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), word, 16);
        if (ec != std::errc() || end != digits.data() + digits.size() || digits.size() != 8)
            return false;
        v.type = REG_DWORD;
        v.data = dword_bytes(word);
        return true;
    }
    if (c.eat("sz:")) {
        std::u16string text;
        if (!read_quoted(c, text) || !c.done()) return false;
        text.push_back(u'\0');
        v.type = REG_SZ;
        v.data = utf16_bytes(text);
        return true;
    }
    if (c.eat("multi:")) {
        std::u16string all;
        do {
            std::u16string text;
            if (!read_quoted(c, text)) return false;
            all += text;
            all.push_back(u'\0');
        } while (c.eat(','));
        if (!c.done()) return false;
        all.push_back(u'\0');
        v.type = REG_MULTI_SZ;
        v.data = utf16_bytes(all);
        return true;
    }
    if (c.eat("hex(")) {
        size_t close = line.find("):", c.i);
        if (close == std::string_view::npos) return false;
        auto [end, ec] = std::from_chars(line.data() + c.i, line.data() + close, v.type, 16);
        if (ec != std::errc() || end != line.data() + close) return false;
        c.i = close + 2;
        while (!c.done()) {
            if (!v.data.empty() && !c.eat(',')) return false;
            if (c.i + 2 > line.size()) return false;
            int hi = hex_digit(line[c.i]), lo = hex_digit(line[c.i + 1]);
            if (hi < 0 || lo < 0) return false;
            v.data.push_back(static_cast<uint8_t>(hi * 16 + lo));
            c.i += 2;
        }
        return true;
    }
    return false;
}

std::vector<std::u16string> split_key_path(std::u16string_view path) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(u'\\', start);
        parts.emplace_back(
            path.substr(start, end == std::u16string_view::npos ? end : end - start));
        if (end == std::u16string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::u16string utf16_units(const std::vector<uint8_t>& data) {
    std::u16string text(data.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return text;
}

std::vector<uint8_t> utf16_bytes(std::u16string_view text) {
    std::vector<uint8_t> data;
    data.reserve(text.size() * 2);
    for (char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
    return data;
}

std::vector<uint8_t> dword_bytes(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

uint32_t dword_value(const std::vector<uint8_t>& data) {
    return data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t(data[3]) << 24);
}

RegNode* RegNode::child(std::u16string_view n) const {
    for (const auto& c : children)
        if (equals_ignore_case(c->name, n)) return c.get();
    return nullptr;
}

RegNode& RegNode::add_child(std::u16string n) {
    children.push_back(std::make_unique<RegNode>());
    children.back()->name = std::move(n);
    return *children.back();
}

bool RegNode::remove_child(std::u16string_view n) {
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (equals_ignore_case((*it)->name, n)) {
            children.erase(it);
            return true;
        }
    }
    return false;
}

RegValueData* RegNode::value(std::u16string_view n) {
    for (auto& v : values)
        if (equals_ignore_case(v.name, n)) return &v;
    return nullptr;
}

const RegValueData* RegNode::value(std::u16string_view n) const {
    return const_cast<RegNode*>(this)->value(n);
}

RegNode RegNode::clone() const {
    RegNode copy;
    copy.name = name;
    copy.values = values;
    for (const auto& c : children) copy.children.push_back(std::make_unique<RegNode>(c->clone()));
    return copy;
}

std::u16string_view hive_name(int hive) {
    return kHives[hive];
}

RegNode empty_registry() {
    RegNode root;
    for (auto name : kHives) root.add_child(std::u16string(name));
    return root;
}

std::string serialize_registry(const RegNode& root, uint64_t generation) {
    std::string out(kMagic);
    out += std::to_string(generation);
    out += '\n';
    for (const auto& hive : root.children) write_node(out, *hive, to_utf8(hive->name));
    out += "end\n";
    return out;
}

std::optional<uint64_t> registry_generation(std::string_view head) {
    if (!head.starts_with(kMagic)) return std::nullopt;
    head.remove_prefix(kMagic.size());
    uint64_t generation = 0;
    auto [end, ec] = std::from_chars(head.data(), head.data() + head.size(), generation);
    if (ec != std::errc() || end == head.data()) return std::nullopt;
    return generation;
}

std::optional<RegNode> parse_registry(std::string_view text, uint64_t* generation,
                                      std::string* error) {
    auto fail = [&](size_t line, const char* what) -> std::optional<RegNode> {
        if (error) *error = "line " + std::to_string(line) + ": " + what;
        return std::nullopt;
    };
    RegNode root = empty_registry();
    RegNode* key = nullptr;
    bool ended = false;
    size_t number = 0, pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) return fail(number + 1, "unterminated line");
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++number;
        if (number == 1) {
            auto g = registry_generation(line);
            if (!g) return fail(number, "not a registry file");
            if (generation) *generation = *g;
            continue;
        }
        if (ended) return fail(number, "text after the end");
        if (line == "end") {
            ended = true;
        } else if (line.empty() || line.front() == '#') {
            continue;
        } else if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            auto parts = split_key_path(from_utf8(line.substr(1, line.size() - 2)));
            key = root.child(parts[0]);
            if (!key) return fail(number, "unknown hive");
            for (size_t i = 1; i < parts.size(); ++i) {
                if (parts[i].empty()) return fail(number, "empty key name");
                RegNode* next = key->child(parts[i]);
                key = next ? next : &key->add_child(parts[i]);
            }
        } else {
            RegValueData v;
            if (!key || !read_value(line, v)) return fail(number, "bad value line");
            if (RegValueData* old = key->value(v.name))
                *old = std::move(v);
            else
                key->values.push_back(std::move(v));
        }
    }
    if (number == 0) return fail(1, "empty file");
    if (!ended) return fail(number, "the file is cut short");
    return root;
}

}  // namespace plat::detail
